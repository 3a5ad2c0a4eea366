#pragma once
// The widths of the results list's columns. The size and group columns are as wide as the widest
// number of the rows shown needs, so that no number is ever cut short. Name and Folder share the
// width the list has beyond the other columns: they grow and shrink with the window. The user may
// drag any column: the width it takes or gives back comes out of Name and Folder (out of the other
// one when Name or Folder is dragged), so no column is pushed out of sight while they have room.

#include <QObject>

class QHeaderView;
class QModelIndex;
class QTreeView;
class TResultModel;

class TResultColumns : public QObject {
  Q_OBJECT
public:
  // Every column of Tree becomes one the user can resize; the widths are kept fitted from now on.
  TResultColumns(QTreeView *Tree, TResultModel &Model, QObject *Parent = nullptr);

  // The width Column (size or group) needs so that the header and every row's number show whole.
  int NumberWidth(int Column) const;
  // The narrowest that Name and Folder are made to make room.
  int SharedMinimum() const;
  // The number columns set to what the rows need, then Fit.
  void FitNumbers();
  // Name and Folder share the list's width beyond the other columns.
  void Fit();

protected:
  bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
  // NumberWidth over the rows First to Last.
  int NumberWidth(int Column, int First, int Last) const;
  // Rows added one by one: the number columns widen when the new rows need it.
  void Widen(const QModelIndex &Parent, int First, int Last);
  // A column resized by the user.
  void Resized(int Column, int OldWidth, int NewWidth);
  // Sets a column's width without taking it for the user's doing.
  void SetWidth(int Column, int Width);
  // The viewport's width less every visible column but Name and Folder.
  int SharedRoom() const;
  // Name and Folder changed by Delta in all, split between the two, neither below the minimum;
  // returns the part of Delta they could not take.
  int ShareChange(int Delta);
  QHeaderView *Header() const;

  QTreeView *m_tree;
  TResultModel &m_model;
  // NumberWidth of the size and group columns for the rows shown.
  int m_numberWidth[2] = {0, 0};
  bool m_adjusting = false;
};
