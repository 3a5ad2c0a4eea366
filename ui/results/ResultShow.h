#pragma once
// The results list: one row per file of the shown search method, groups told apart by two alternating
// text colours. TResultShow is the object behind a row; TResultModel holds the rows (row object,
// height, check box and check state travel together) and does the sort that keeps groups together;
// TResultDelegate paints the preview cell and feeds the thumbnail queue; TResultList ties them to
// the tree view trvResult and its status line, and owns the thumbnail queue and loader.

#include "engine/UsePropertyFile.h"

#include <QAbstractTableModel>
#include <QImage>
#include <QPointer>
#include <QRgb>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QTreeView;
class TLangList;
class TStepStorage;
class TResultShowLoadImages;
class TThumbnailQueue;

// Columns of the results list.
enum TResultColumn : int {
  ColName = 0,
  ColFolder = 1,
  ColSize = 2,
  ColGroup = 3,
  ColPreview = 4,
  ResultColumnCount = 5
};

// Thumbnails are made this size at most, keeping the picture's aspect ratio.
inline constexpr int ThumbnailWidth = 80;
inline constexpr int ThumbnailHeight = 60;

// The object behind one results row.
class TResultShow {
public:
  TResultShow(TUseFileProperty *Item, QRgb GroupColour);

  // The file shown; the file list owns it.
  TUseFileProperty *Item;
  // Null until the thumbnail loader made it.
  QImage Thumbnail;
  QRgb GroupColour;
  // The picture's own size, set with the thumbnail.
  qint32 ImageWidth = 0;
  qint32 ImageHeight = 0;
  // The picture could not be read: no loader or queue picks this row again.
  bool ThumbnailFailed = false;
  // The file's name is that of a picture.
  bool IsPicture;

  // The folder; for an archive member the archive's full name, " -> " and the folder inside it.
  QString GetFolderText() const;
  // Name, folder, size, group number (for Method); other columns "".
  QString GetCellText(int Column, int Method) const;
  // The file's mark; archive members and processed files never take one.
  void SetMarked(bool Value);
  qint32 GetGroup(int Method) const { return Item->Viewed.GetGroup(Method); }
  // Whether the loader makes a thumbnail for this row at all.
  bool WantsThumbnail() const;
  // Wants one, has none yet, and no attempt failed.
  bool NeedsThumbnail() const { return WantsThumbnail() && Thumbnail.isNull() && !ThumbnailFailed; }
};

// Compares two cell texts ignoring the case of a-z only; other characters compare by code.
int CompareFolded(const QString &A, const QString &B);
// Text with A-Z turned into a-z: such keys compare by code as CompareFolded compares the texts.
QString FoldedKey(const QString &Text);

// The walk after a sort that pulls every group's rows into one contiguous run, moving rows by swaps:
// Groups holds the group number of each row and is swapped along; Swap(B, A) is told to exchange the
// contents of rows B and A. Groups gathered later come in the order in which their first rows stand
// after the earlier swaps (X1 Y1 Z1 X2 Y2 Z2 ends X1 X2 Z1 Z2 Y2 Y1). Rows that already stand inside
// the run being gathered are left where they are. Linear in the number of rows.
void RegroupAfterSort(std::vector<qint32> &Groups, const std::function<void(int B, int A)> &Swap);

// The rows of the results list. A flat table: row r is one file, no children.
class TResultModel : public QAbstractTableModel {
  Q_OBJECT
public:
  // Method returns the search method whose step is shown (its group numbers colour and sort).
  TResultModel(TUseFileList &List, std::function<int()> Method, QObject *Parent = nullptr);
  ~TResultModel() override;

  int rowCount(const QModelIndex &Parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &Parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &Index, int Role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex &Index, const QVariant &Value, int Role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex &Index) const override;
  QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;
  bool setHeaderData(int Section, Qt::Orientation Orientation, const QVariant &Value,
                     int Role = Qt::EditRole) override;

  // Height of one text line of the list's font; picture and music rows are made from it.
  void SetTextHeight(int Height) { m_textHeight = Height; }
  int TextHeight() const { return m_textHeight; }

  // Between BeginUpdate and EndUpdate (they nest) the view hears nothing; EndUpdate then resets it
  // when rows were added or cleared, or relayouts it once when checks or thumbnails changed. Mass
  // changes of checks belong in such a bracket.
  void BeginUpdate();
  void EndUpdate();
  void Clear();
  // Appends a row for item Index of the file list (TfrmMain.AddResultNode).
  void AddResultNode(int Index, QRgb GroupColour);

  int Count() const { return int(m_rows.size()); }
  // Null outside the rows.
  TResultShow *GetResultData(int Row) const;
  int ShownMethod() const { return m_method(); }
  bool HasCheckBox(int Row) const { return m_rows[size_t(Row)].CheckBox; }
  bool IsChecked(int Row) const { return m_rows[size_t(Row)].Checked; }
  int RowHeight(int Row) const { return m_rows[size_t(Row)].Height; }
  // Sets a row's check and its file's mark (which archive members and processed files refuse),
  // and repaints the row. Rows without a check box keep their state too.
  void SetChecked(int Row, bool Checked);
  // Repaints one cell (the preview after a thumbnail came, the name after a check).
  void RefreshCell(int Row, int Column);

  // Sorts by Column in Order (stable), then regroups and colours the groups anew, the first group
  // in Colour1. A row's object, height, check box and check state move with it.
  void SortKeepingGroups(int Column, Qt::SortOrder Order, QRgb Colour1, QRgb Colour2);
  // Node1 against Node2 under Column (TfrmMain.trvResultCompareNodes).
  int CompareNodes(int Row1, int Row2, int Column) const;

  // Texts of the hint of column 1; none: no hint.
  void SetLang(const TLangList *Lang) { m_lang = Lang; }
  // The hint of column 1: times and attributes, texts from Lang.
  QString GetHint(int Row, const TLangList &Lang) const;

signals:
  // The user changed a check (click, Space, double click): the mark already follows.
  void UserChecked(int Row);

private:
  struct TRow {
    std::unique_ptr<TResultShow> Data;
    int Height = 0; // 0: the default height
    bool CheckBox = false;
    bool Checked = false;
  };
  friend void swap(TRow &A, TRow &B) noexcept;
  // Inside a bracket: the first added or cleared row turns the bracket into a model reset.
  void BeginStructureChange();
  // Colours the groups in row order, starting with First; the caller repaints.
  void RecolourGroups(QRgb First, QRgb Second);

  TUseFileList &m_list;
  std::function<int()> m_method;
  std::vector<TRow> m_rows;
  QString m_titles[ResultColumnCount];
  const TLangList *m_lang = nullptr;
  int m_textHeight = 16;
  int m_updating = 0;
  bool m_resetting = false;
  bool m_dirty = false;
};

// Paints the preview cell (thumbnail with its size, or the music tags) and feeds the thumbnail
// queue with every painted picture row that has no thumbnail yet; a double click toggles the check.
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

// The results list on its tree view: rows, sorting by header clicks, the status line, thumbnails.
class TResultList : public QObject {
  Q_OBJECT
public:
  // Installs the model and the delegate on Tree; Status is the status line's panel.
  TResultList(QTreeView *Tree, QLabel *Status, TUseFileList &List, const TLangList &Lang,
              std::function<int()> Method, int QueueLimit, QObject *Parent = nullptr);
  // Stops every thumbnail loader and waits for it before the rows go.
  ~TResultList() override;

  TResultModel &Model() { return *m_model; }
  TThumbnailQueue &Queue() { return *m_queue; }
  QTreeView *Tree() const { return m_tree.data(); }

  // Stops the thumbnail loader, then empties the queue and the rows.
  void Clear();
  // Tells the current thumbnail loader to stop; it never touches the rows again.
  void StopThumbLoader();
  // Empties the queue and starts a loader over the picture rows as they stand.
  void RestartThumbLoader();
  // The current loader, or null.
  TResultShowLoadImages *ThumbLoader() const { return m_loader.get(); }
  // Pause after each thumbnail of loaders started from now on, in milliseconds.
  void SetThumbPause(int Ms) { m_thumbPauseMs = Ms; }

  // -1 when never sorted.
  int SortColumn() const { return m_sortColumn; }
  Qt::SortOrder SortDirection() const { return m_sortOrder; }
  // A header click (TfrmMain.trvResultHeaderClick): stops the loader, sets the column and flips the
  // direction unless Resorting is set, sorts keeping groups together, recolours, restarts the loader.
  void HeaderClick(int Column);
  // Set while a step re-applies the sort: column and direction stay.
  bool Resorting = false;

  // Rewrites the status line: marked and grouped counts and sizes (TfrmMain.UpdateResultStatus).
  void UpdateResultStatus();
  // The row with the focus while the list has one, else -1.
  int FocusedRow() const;

private:
  QPointer<QTreeView> m_tree;
  QLabel *m_status;
  TUseFileList &m_list;
  const TLangList &m_lang;
  std::unique_ptr<TThumbnailQueue> m_queue;
  TResultModel *m_model;
  std::unique_ptr<TResultShowLoadImages> m_loader;
  // Loaders told to stop that may still be decoding a picture; joined when finished or at the end.
  std::vector<std::unique_ptr<TResultShowLoadImages>> m_stopped;
  int m_thumbPauseMs = 100;
  int m_sortColumn = -1;
  Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
