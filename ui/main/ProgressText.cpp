#include "ui/main/ProgressText.h"

#include <QPainter>
#include <QTextLayout>

TProgressText::TProgressText(QWidget *Parent, int Lines, Qt::Alignment Alignment)
    : QWidget(Parent), m_lines(std::max(1, Lines)), m_alignment(Alignment) {
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void TProgressText::setText(const QString &Text) {
  if (Text == m_text)
    return;
  m_text = Text;
  update();
}

QSize TProgressText::sizeHint() const {
  const QFontMetrics metrics = fontMetrics();
  return {metrics.averageCharWidth() * 30, metrics.lineSpacing() * m_lines};
}

QSize TProgressText::minimumSizeHint() const {
  return {0, sizeHint().height()};
}

void TProgressText::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  const QFontMetrics metrics = fontMetrics();
  // Wrapped at words over the lines there are; the last line shown ends with an ellipsis when the
  // text goes on.
  QTextLayout layout(m_text, font());
  QTextOption option(m_alignment);
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  layout.beginLayout();
  int y = 0;
  for (int line = 0; line < m_lines; ++line) {
    QTextLine textLine = layout.createLine();
    if (!textLine.isValid())
      break;
    textLine.setLineWidth(width());
    const int start = textLine.textStart();
    const bool last = line == m_lines - 1;
    if (last && start + textLine.textLength() < m_text.size()) {
      const QString rest = metrics.elidedText(m_text.mid(start), Qt::ElideRight, width());
      painter.drawText(QRect(0, y, width(), metrics.lineSpacing()), int(m_alignment) | Qt::AlignVCenter,
                       rest);
      break;
    }
    painter.drawText(QRect(0, y, width(), metrics.lineSpacing()), int(m_alignment) | Qt::AlignVCenter,
                     m_text.mid(start, textLine.textLength()).trimmed());
    y += metrics.lineSpacing();
  }
  layout.endLayout();
}
