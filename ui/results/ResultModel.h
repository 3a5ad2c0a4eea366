#pragma once
// The rows of the results list and the sort that keeps groups together. A flat table: row r is one
// file, no children. A row's object, height, check box and check state travel together, through the
// sort and through the regrouping walk after it.

#include "ui/results/ResultRow.h"

#include <QAbstractTableModel>

#include <functional>
#include <memory>
#include <vector>

class TLangList;

// The walk after a sort that pulls every group's rows into one contiguous run, moving rows by swaps:
// Groups holds the group number of each row and is swapped along; Swap(B, A) is told to exchange the
// contents of rows B and A. Groups gathered later come in the order in which their first rows stand
// after the earlier swaps (X1 Y1 Z1 X2 Y2 Z2 ends X1 X2 Z1 Z2 Y2 Y1). Rows that already stand inside
// the run being gathered are left where they are. Linear in the number of rows.
void RegroupAfterSort(std::vector<qint32> &Groups, const std::function<void(int B, int A)> &Swap);

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

  // Sorts by Column in Order (stable) by the rows' sort keys, then regroups and colours the groups
  // anew, the first group in Colour1. A row's object, height, check box and check state move with
  // it; the selection follows the files through the sort and stays in place through the regrouping.
  void SortKeepingGroups(int Column, Qt::SortOrder Order, QRgb Colour1, QRgb Colour2);

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
