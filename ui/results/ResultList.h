#pragma once
// The results list on its tree view trvResult: the model and the row delegate installed on it, the
// sort by header clicks, the status line under it, the column widths and the thumbnail queue and
// loader. Every step of rows shown opens at its top with its first row current.

#include "ui/results/ResultModel.h"

#include <QObject>
#include <QPointer>
#include <QTreeView>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class TLangList;
class TResultColumns;
class TResultShowLoadImages;
class TThumbnailQueue;

// Ends the model's update bracket however the block is left.
class TResultUpdate {
public:
  explicit TResultUpdate(TResultModel &Model) : m_model(Model) { m_model.BeginUpdate(); }
  ~TResultUpdate() { m_model.EndUpdate(); }
  TResultUpdate(const TResultUpdate &) = delete;
  TResultUpdate &operator=(const TResultUpdate &) = delete;

private:
  TResultModel &m_model;
};

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
  TResultColumns &Columns() { return *m_columns; }

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
  // Set while a step just shown re-applies the sort: column and direction stay, and the step still
  // opens at its top.
  bool Resorting = false;

  // Rewrites the status line: marked and grouped counts and sizes (TfrmMain.UpdateResultStatus).
  void UpdateResultStatus();
  // The row with the focus while the list has one, else -1.
  int FocusedRow() const;

private:
  // The first row current and in sight.
  void OpenAtTop();

  QPointer<QTreeView> m_tree;
  QLabel *m_status;
  TUseFileList &m_list;
  const TLangList &m_lang;
  std::unique_ptr<TThumbnailQueue> m_queue;
  TResultModel *m_model;
  TResultColumns *m_columns;
  std::unique_ptr<TResultShowLoadImages> m_loader;
  // Loaders told to stop that may still be decoding a picture; joined when finished or at the end.
  std::vector<std::unique_ptr<TResultShowLoadImages>> m_stopped;
  int m_thumbPauseMs = 100;
  int m_sortColumn = -1;
  Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
