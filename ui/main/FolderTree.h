#pragma once
// The folder tree of the folders page: the file system from "/" (folders only), each folder with a
// three-state check box. A checked folder includes everything below it; a folder shows the mixed
// state when something below it is checked. The checked folders come sorted, and never one that
// lies inside another. Links are shown greyed, without a check box: a search never follows a link.
// Folders are listed by their names' bytes (platform/Names.h), so a name that is not UTF-8 is a
// folder like any other; it shows with its odd bytes written as "\xE9".
// A folder is listed on a worker thread, and the window waits for it only a moment: a folder on a
// network mount that stopped answering stays unlisted (opening it again tries again), and its rows
// come when the listing does.

#include "engine/WorkerSteps.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <QTreeView>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

class TFolderTreeModel : public QAbstractItemModel {
  Q_OBJECT
public:
  explicit TFolderTreeModel(QObject *Parent = nullptr);
  ~TFolderTreeModel() override;

  // How long the window waits for a folder's listing before going on without it.
  static constexpr std::chrono::milliseconds ListingWait{1000};
  // For tests: called on the worker with each folder's bytes before it is listed, so a test can
  // hold one there as a network mount that stopped answering would.
  void SetListingHook(std::function<void(const QByteArray &Folder)> Hook) { m_hook = std::move(Hook); }
  // Listings started whose result has been neither taken nor dropped yet.
  int PendingListings() const;

  Qt::CheckState CheckState(const QString &Folder) const;
  // Checking a folder checks everything below it. Unchecking a folder below a checked one keeps
  // the rest of that checked folder's subtree checked, folder by folder (never a link). False when
  // Folder cannot be checked (a link, or reached through one).
  bool SetChecked(const QString &Folder, bool Checked);
  void ClearChecks();
  // Sorted, without any folder that lies inside another.
  QStringList CheckedFolders() const;
  // Whether the folder may be checked: an existing folder that is neither a link nor below one (a
  // folder that does not exist is compared by its text).
  static bool Checkable(const QString &Folder);

  // Lists the folders anew from "/"; checks are kept.
  void Reload();
  // The row of Folder (a path as the mapping decodes it), listing the folders on the way; invalid
  // when there is none.
  QModelIndex index(const QString &Folder);
  QString filePath(const QModelIndex &Index) const;
  // Lists a folder that was listed before anew, adding and removing the rows that changed.
  void Refresh(const QModelIndex &Index);

  QModelIndex index(int Row, int Column, const QModelIndex &Parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex &Index) const override;
  int rowCount(const QModelIndex &Parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &Parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &Index, int Role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex &Index, const QVariant &Value, int Role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex &Index) const override;
  bool hasChildren(const QModelIndex &Parent = QModelIndex()) const override;
  bool canFetchMore(const QModelIndex &Parent) const override;
  void fetchMore(const QModelIndex &Parent) override;

private:
  struct TNode;
  struct TListing;
  struct TEntry {
    QString m_name;
    bool m_link = false;
    // A link's target, read with the listing so a tooltip never touches the disk.
    QByteArray m_target;
  };
  using TFound = std::vector<TEntry>;

  TNode *nodeOf(const QModelIndex &Index) const;
  QModelIndex indexOf(const TNode *Node) const;
  // All: every real folder, hidden ones too, and no link.
  static TFound read(const QByteArray &Path, bool All = false);
  // Node's listing, started unless one is under way, when it comes within Wait.
  std::optional<TFound> take(TNode *Node, std::chrono::milliseconds Wait);
  // Starts listing (or, with Resolve, resolving the links of) the folder at Bytes on a worker.
  std::shared_ptr<TListing> start(const QByteArray &Bytes, const QString &Folder, bool Resolve, bool All = false);
  // Whether Listing came within Wait.
  static bool wait(TListing &Listing, std::chrono::milliseconds Wait);
  bool checkableNow(const QString &Folder);
  // A listing that came after the window stopped waiting for it.
  void arrived(const std::shared_ptr<TListing> &Listing);
  // Shows Found as Node's rows: all of them the first time, else the rows that came and went.
  void show(TNode *Node, const TFound &Found);
  // Lists Node's folders once; false when the listing did not come within Wait.
  bool list(TNode *Node, std::chrono::milliseconds Wait = ListingWait);
  // The listed node of Folder, without listing anything; null when it is not listed.
  TNode *loaded(const QString &Folder) const;
  bool checkable(const QModelIndex &Index) const;
  bool isLink(const QModelIndex &Index) const;
  // The folders that stay checked when Folder inside the checked Ancestor is unchecked; none when a
  // level was not listed within ListingWait.
  std::optional<std::vector<QString>> siblings(const QString &Folder, const QString &Ancestor);
  bool hasCheckedAncestorOrSelf(const QString &Folder) const;
  bool hasCheckedBelow(const QString &Folder) const;
  void eraseBelow(const QString &Folder);
  void notifySubtree(const QModelIndex &Index);
  void notifyFrom(const QString &Folder);

  std::unique_ptr<TNode> m_top;
  std::set<QString> m_checked;
  QIcon m_folderIcon;
  std::function<void(const QByteArray &)> m_hook;
  // The listings whose workers have not been joined yet.
  std::vector<std::shared_ptr<TListing>> m_workers;
  TWorkerSteps m_steps{this};
};

class TFolderTree : public QTreeView {
  Q_OBJECT
public:
  explicit TFolderTree(QWidget *Parent = nullptr);

  TFolderTreeModel *Model() const { return m_model; }
  QStringList CheckedFolders() const { return m_model->CheckedFolders(); }
  // Builds the tree anew from "/" (after a network location came or went) and opens the way to the
  // home folder and the usual mount points. Checks are kept.
  void Rebuild();
  // Shows Folder, opening its ancestors.
  void Reveal(const QString &Folder);

private:
  TFolderTreeModel *m_model;
  bool m_rebuilding = false;
};
