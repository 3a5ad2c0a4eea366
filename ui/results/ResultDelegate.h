#pragma once
// Paints the rows of the results list: the preview cell (thumbnail with its size, or the music tags),
// and feeds the thumbnail queue with every painted picture row that has no thumbnail yet. A double
// click anywhere on a row, or Space on any of its cells, toggles the row's check.

#include <QStyledItemDelegate>

class TResultModel;
class TThumbnailQueue;

class TResultDelegate : public QStyledItemDelegate {
  Q_OBJECT
public:
  TResultDelegate(TResultModel &Model, TThumbnailQueue &Queue, QObject *Parent = nullptr);
  void paint(QPainter *Painter, const QStyleOptionViewItem &Option, const QModelIndex &Index) const override;
  QSize sizeHint(const QStyleOptionViewItem &Option, const QModelIndex &Index) const override;

protected:
  bool editorEvent(QEvent *Event, QAbstractItemModel *Model, const QStyleOptionViewItem &Option,
                   const QModelIndex &Index) override;

private:
  TResultModel &m_model;
  TThumbnailQueue &m_queue;
};
