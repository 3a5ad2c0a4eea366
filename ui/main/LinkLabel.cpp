#include "ui/main/LinkLabel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

TLinkLabel::TLinkLabel(QWidget *Parent) : QLabel(Parent) {
  QFont f = font();
  f.setUnderline(true);
  setFont(f);
  QPalette p = palette();
  p.setColor(QPalette::WindowText, p.color(QPalette::Link));
  setPalette(p);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::TabFocus);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent *Event) {
  if (Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint()))
    emit clicked();
  QLabel::mouseReleaseEvent(Event);
}

void TLinkLabel::keyPressEvent(QKeyEvent *Event) {
  if (Event->key() == Qt::Key_Space || Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter) {
    emit clicked();
    return;
  }
  QLabel::keyPressEvent(Event);
}

// A label draws no focus frame of its own; a link reached by Tab must show that it has the focus.
void TLinkLabel::paintEvent(QPaintEvent *Event) {
  QLabel::paintEvent(Event);
  if (!hasFocus())
    return;
  QStylePainter painter(this);
  QStyleOptionFocusRect option;
  option.initFrom(this);
  option.rect = contentsRect();
  painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}
