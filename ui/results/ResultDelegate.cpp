#include "ui/results/ResultDelegate.h"

#include "ui/results/ResultModel.h"
#include "ui/results/ResultShowLoadImages.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

TResultDelegate::TResultDelegate(TResultModel &Model, TThumbnailQueue &Queue, QObject *Parent)
    : QStyledItemDelegate(Parent), m_model(Model), m_queue(Queue) {}

void TResultDelegate::paint(QPainter *Painter, const QStyleOptionViewItem &Option,
                            const QModelIndex &Index) const {
  const TResultShow *show = m_model.GetResultData(Index.row());
  if (show && Index.column() == ColName && show->NeedsThumbnail())
    m_queue.Feed(Index.row());
  QStyledItemDelegate::paint(Painter, Option, Index); // text, check box, background and selection
  if (Index.column() != ColPreview || !show)
    return;
  const bool selected = Option.state & QStyle::State_Selected;
  const QColor textColour = Option.palette.color(selected ? QPalette::HighlightedText : QPalette::WindowText);
  const QRect cell = Option.rect;
  Painter->save();
  Painter->setClipRect(cell);
  Painter->setPen(textColour);
  const QFontMetrics metrics(Option.font);
  if (!show->Thumbnail.isNull()) {
    // The thumbnail holds only the picture; centred in the 80-pixel box it was made for, with its
    // size under it, so that narrow pictures keep their caption whole.
    const int boxLeft = cell.left() + (ThumbnailWidth - show->Thumbnail.width()) / 2;
    Painter->drawImage(QPoint(boxLeft, cell.top() + 2), show->Thumbnail);
    const QString size =
        QString::number(show->ImageWidth) + QLatin1Char('x') + QString::number(show->ImageHeight);
    const int x = cell.left() + std::max(0, (ThumbnailWidth - metrics.horizontalAdvance(size)) / 2);
    const int y = cell.top() + 2 + show->Thumbnail.height() + 2;
    Painter->drawText(QPoint(x, y + metrics.ascent()), size);
  } else if (show->Item->HasTags()) {
    const int top = cell.top() + 2;
    Painter->drawText(QPoint(cell.left(), top + metrics.ascent()), show->Item->Tags().Mp3_SongName);
    Painter->drawText(QPoint(cell.left(), top + metrics.height() + 2 + metrics.ascent()),
                      show->Item->Tags().Mp3_Artist);
  }
  Painter->restore();
}

QSize TResultDelegate::sizeHint(const QStyleOptionViewItem &Option, const QModelIndex &Index) const {
  const QVariant hint = Index.data(Qt::SizeHintRole);
  if (hint.isValid())
    return hint.toSize().expandedTo(QSize(QStyledItemDelegate::sizeHint(Option, Index).width(), 0));
  return QStyledItemDelegate::sizeHint(Option, Index);
}

bool TResultDelegate::editorEvent(QEvent *Event, QAbstractItemModel *Model,
                                  const QStyleOptionViewItem &Option, const QModelIndex &Index) {
  if (!Index.isValid())
    return QStyledItemDelegate::editorEvent(Event, Model, Option, Index);
  const QModelIndex first = Index.sibling(Index.row(), ColName);
  const auto toggle = [&] {
    if (!(first.flags() & Qt::ItemIsUserCheckable))
      return false;
    const bool checked = first.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    Model->setData(first, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    return true;
  };
  if (Event->type() == QEvent::MouseButtonDblClick) {
    // A double click on the box itself is the box's own business; anywhere else it toggles.
    QStyleOptionViewItem option = Option;
    initStyleOption(&option, Index);
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    const QRect box = style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, widget);
    const bool onBox =
        Index.column() == ColName && box.contains(static_cast<QMouseEvent *>(Event)->position().toPoint());
    if (!onBox && toggle())
      return true;
  } else if (Event->type() == QEvent::KeyPress) {
    // Space toggles the row's check whichever of its cells has the focus.
    const int key = static_cast<QKeyEvent *>(Event)->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Select) && toggle())
      return true;
  }
  return QStyledItemDelegate::editorEvent(Event, Model, Option, Index);
}
