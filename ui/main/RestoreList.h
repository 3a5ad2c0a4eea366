#pragma once
// The restore list: one TRestoreFileShow per stored file or folder, in the store's own tree, held by a
// model of our own under trvRestoreFiles, and the thread TRestoreFilesLoad that walks a store and hands
// its entries to the main thread in batches. Every step of a loader first checks that it was not
// stopped, so a loader never adds to a tree that was cleared after it started.

#include "actions/RestoreRun.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QIcon>
#include <QThread>

#include <atomic>
#include <memory>
#include <vector>

class TWorkerSteps;

// One node of the restore list.
struct TRestoreFileShow {
  TRestoreFileShow(bool IsFile, qint64 Size, const QString &StorePath)
      : StorePath(StorePath), IsFile(IsFile), Size(Size) {}
  QString StorePath;
  bool IsFile;
  QIcon Image;
  // Folders: shown while the node is expanded.
  QIcon OpenImage;
  TRestoreState State = TRestoreState::None;
  // Where it came from; a folder's place ends in "/".
  QString OriginalPath;
  qint64 Size;
  // The folders the walk went through to it.
  QList<TFileId> Folders;
  // The stored file's device and inode as the walk saw them.
  TFileId Id;
  bool Checked = false;
  bool Expanded = false;

  void SetIcons(const QIcon &Closed, const QIcon &Open) {
    Image = Closed;
    OpenImage = Open;
  }
  QString GetName() const { return StorePath.mid(StorePath.lastIndexOf(QLatin1Char('/')) + 1); }
};

// One entry as the loader hands it over, with what it found out about the entry's place.
struct TLoadedEntry {
  TStoreEntry Entry;
  QString OriginalPath;
  TRestoreState State = TRestoreState::None;
};

// The figures of the status line: checked and all files, with their sizes.
struct TRestoreTotals {
  qint64 CheckedSize = 0;
  qint64 TotalSize = 0;
  qint64 CheckedCount = 0;
  qint64 TotalCount = 0;
};

class TRestoreModel : public QAbstractItemModel {
  Q_OBJECT
public:
  explicit TRestoreModel(QObject *Parent = nullptr);
  ~TRestoreModel() override;

  QModelIndex index(int Row, int Column, const QModelIndex &Parent = {}) const override;
  QModelIndex parent(const QModelIndex &Child) const override;
  int rowCount(const QModelIndex &Parent = {}) const override;
  int columnCount(const QModelIndex &Parent = {}) const override;
  QVariant data(const QModelIndex &Index, int Role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex &Index, const QVariant &Value, int Role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex &Index) const override;

  // Removes every node and its object.
  void Clear();
  // Adds the entries of one batch of a load, each as the new last child of its folder; Added runs
  // after every entry with its object.
  void AddEntries(const QList<TLoadedEntry> &Entries,
                  const std::function<void(const TRestoreFileShow &)> &Added);
  // The object of a node; null for no node.
  TRestoreFileShow *GetRestoreData(const QModelIndex &Index) const;
  // Every checked file, in display order (a folder's children before its next sibling).
  QList<TRestoreItem> CollectCheckedRestore() const;
  TRestoreTotals SumRestoreTotals() const;
  // Sets every file's check to Rule(its check), with one change notice for the whole tree.
  void SetRestoreChecks(const std::function<bool(bool)> &Rule);
  void SetExpanded(const QModelIndex &Index, bool Expanded);
  qint64 NodeCount() const;

signals:
  // The user or a command changed a check.
  void CheckChanged();

private:
  struct TNode;
  TNode *NodeOf(const QModelIndex &Index) const;
  QModelIndex IndexOf(TNode *Node) const;
  QIcon FileIcon(const QString &Name);

  std::unique_ptr<TNode> m_root;
  // The folders of the current load by their number in the walk.
  QHash<qint64, TNode *> m_folders;
  QHash<QString, QIcon> m_iconsBySuffix;
  QIcon m_folderIcon;
};

// Walks one store on its own thread at the lowest priority and hands what it finds to the main
// thread in batches. Stop, from the main thread, ends the walk and joins the thread; no step of it
// runs afterwards.
class TRestoreFilesLoad : public QThread {
public:
  // Batch runs on the main thread with each batch, Finished once after the last one; neither runs
  // after Stop. Context is the main-thread object the steps run with.
  TRestoreFilesLoad(QObject *Context, const QString &StoreFolder,
                    std::function<void(const QList<TLoadedEntry> &)> Batch, std::function<void()> Finished);
  ~TRestoreFilesLoad() override;
  void Stop();

  // Main thread only (inside the steps): the loader's running figures.
  qint64 FileCount = 0;
  qint64 TotalSize = 0;
  // Set on the main thread just before Finished runs.
  bool Done = false;

protected:
  void run() override;

private:
  QString m_storeFolder;
  std::function<void(const QList<TLoadedEntry> &)> m_batch;
  std::function<void()> m_finished;
  std::unique_ptr<TWorkerSteps> m_steps;
  std::atomic<bool> m_stop{false};
};
