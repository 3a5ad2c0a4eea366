#include "ui/main/FolderTree.h"

#include "platform/Folders.h"
#include "platform/Names.h"
#include "platform/NetworkMounts.h"

#include <QCollator>
#include <QDir>
#include <QFileIconProvider>
#include <QHash>
#include <QHeaderView>
#include <QScopeGuard>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <climits>
#include <condition_variable>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {
QString clean(const QString &Folder) {
  return QDir::cleanPath(Folder);
}

// "/a/b" -> "/a"; "/a" -> "/"; "/" -> "".
QString parentOf(const QString &Folder) {
  if (Folder == QLatin1String("/"))
    return {};
  const int slash = Folder.lastIndexOf(QLatin1Char('/'));
  return slash <= 0 ? QStringLiteral("/") : Folder.left(slash);
}

// Prefix of everything strictly inside Folder.
QString below(const QString &Folder) {
  return Folder.endsWith(QLatin1Char('/')) ? Folder : Folder + QLatin1Char('/');
}

QString childPath(const QString &Folder, const QString &Name) {
  return below(Folder) + Name;
}

// Whether Canonical, Path's canonical folder, shows that Path holds no link (or names no folder).
bool linkFree(const QByteArray &Path, const QByteArray &Canonical) {
  return Canonical.isEmpty() || Canonical == (Path.endsWith('/') ? Path : Path + '/');
}

bool isFolder(const QByteArray &Path) {
  struct stat st;
  return ::stat(Path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}
} // namespace

struct TFolderTreeModel::TNode {
  TNode *m_parent = nullptr;
  int m_row = 0;
  // The name as the mapping decodes it ("/" for the root), and the path.
  QString m_name;
  QString m_path;
  bool m_link = false;
  QByteArray m_target;
  bool m_listed = false;
  // Listed by the expansion under way (Refresh need not list it again).
  bool m_fresh = false;
  // The listing under way, when the window stopped waiting for it.
  std::shared_ptr<TListing> m_listing;
  std::vector<std::unique_ptr<TNode>> m_children;

  TNode *Add(const QString &Name, bool Link, const QByteArray &Target = {}) {
    auto node = std::make_unique<TNode>();
    node->m_parent = this;
    node->m_name = Name;
    node->m_path = m_parent ? childPath(m_path, Name) : Name;
    node->m_link = Link;
    node->m_target = Target;
    m_children.push_back(std::move(node));
    return m_children.back().get();
  }
};

// One folder's listing. The worker reads only what is here; the window's thread takes the result
// while it waits, or later through a step, and drops it when the folder was listed anew or went.
struct TFolderTreeModel::TListing {
  QByteArray m_bytes;
  // The folder's path when the listing began: the step finds the folder by it.
  QString m_folder;
  std::function<void(const QByteArray &)> m_hook;
  // Resolves the folder's links into m_canonical instead of listing it.
  bool m_resolve = false;
  bool m_all = false;
  std::mutex m_mutex;
  std::condition_variable m_came;
  bool m_done = false;
  TFound m_found;
  QByteArray m_canonical;
  // Set by the worker as its very last act: joining it then waits for nothing.
  std::atomic<bool> m_over = false;
  std::thread m_thread;
};

TFolderTreeModel::TFolderTreeModel(QObject *Parent)
    : QAbstractItemModel(Parent), m_folderIcon(QFileIconProvider().icon(QFileIconProvider::Folder)) {
  m_top = std::make_unique<TNode>();
  m_top->m_listed = true;
  m_top->Add(QStringLiteral("/"), false);
}

// A listing stuck in the kernel (a hard network mount that stopped answering) holds the exit here,
// as Qt's own file-system model did: a thread in such a call cannot be cancelled. Every other worker
// leaves at once, its step dropped.
TFolderTreeModel::~TFolderTreeModel() {
  m_steps.Stop();
  for (const auto &listing : m_workers)
    listing->m_thread.join();
}

void TFolderTreeModel::Reload() {
  beginResetModel();
  m_top->m_children.clear();
  m_top->Add(QStringLiteral("/"), false);
  endResetModel();
}

TFolderTreeModel::TNode *TFolderTreeModel::nodeOf(const QModelIndex &Index) const {
  return Index.isValid() ? static_cast<TNode *>(Index.internalPointer()) : m_top.get();
}

QModelIndex TFolderTreeModel::indexOf(const TNode *Node) const {
  if (!Node || Node == m_top.get())
    return {};
  return createIndex(Node->m_row, 0, const_cast<TNode *>(Node));
}

// The folders (and links to folders) in Path, sorted as they are shown. Runs on a worker: it touches
// nothing of the model.
TFolderTreeModel::TFound TFolderTreeModel::read(const QByteArray &Path, bool All) {
  TFound found;
  TDirReader reader(Path);
  TDirEntry entry;
  while (reader.Next(entry)) {
    if (All) {
      if (entry.m_kind == TDirEntry::EKind::Folder && entry.m_name != "." && entry.m_name != "..")
        found.push_back({platform::DecodeName(entry.m_name), false, {}});
      continue;
    }
    // Hidden folders are left out of the tree, as a file manager does.
    if (entry.m_name.startsWith('.') || entry.m_kind == TDirEntry::EKind::File)
      continue;
    const QString name = platform::DecodeName(entry.m_name);
    if (entry.m_kind == TDirEntry::EKind::Folder) {
      found.push_back({name, false, {}});
      continue;
    }
    const QByteArray full = (Path.endsWith('/') ? Path : Path + '/') + entry.m_name;
    struct stat st;
    if (::lstat(full.constData(), &st) != 0 || !S_ISLNK(st.st_mode) || !isFolder(full))
      continue;
    QByteArray target(PATH_MAX, '\0');
    const ssize_t n = ::readlink(full.constData(), target.data(), size_t(target.size()));
    target.truncate(n < 0 ? 0 : qsizetype(n));
    found.push_back({name, true, target});
  }
  QCollator collator;
  collator.setNumericMode(true);
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::sort(found.begin(), found.end(), [&](const auto &A, const auto &B) {
    const int order = collator.compare(A.m_name, B.m_name);
    return order != 0 ? order < 0 : A.m_name < B.m_name;
  });
  if (found.size() > size_t(INT_MAX))
    found.resize(size_t(INT_MAX));
  return found;
}

std::shared_ptr<TFolderTreeModel::TListing> TFolderTreeModel::start(const QByteArray &Bytes,
                                                                    const QString &Folder, bool Resolve, bool All) {
  for (auto it = m_workers.begin(); it != m_workers.end();)
    if ((*it)->m_over) {
      (*it)->m_thread.join();
      it = m_workers.erase(it);
    } else {
      ++it;
    }
  auto listing = std::make_shared<TListing>();
  listing->m_bytes = Bytes;
  listing->m_folder = Folder;
  listing->m_resolve = Resolve;
  listing->m_all = All;
  listing->m_hook = m_hook;
  // The worker holds the listing through a plain pointer: m_workers keeps it until the join.
  listing->m_thread = std::thread([this, l = listing.get()] {
    if (l->m_hook)
      l->m_hook(l->m_bytes);
    TFound found;
    QByteArray canonical;
    if (l->m_resolve)
      canonical = CanonicalFolder(l->m_bytes);
    else
      found = read(l->m_bytes, l->m_all);
    {
      std::lock_guard lock(l->m_mutex);
      l->m_found = std::move(found);
      l->m_canonical = canonical;
      l->m_done = true;
    }
    l->m_came.notify_all();
    // Never blocks a window that is waiting above: the result is already taken or dropped then.
    if (!l->m_resolve)
      m_steps.Run([this, l] {
        for (const auto &listing : m_workers)
          if (listing.get() == l)
            return arrived(listing);
      });
    l->m_over = true;
  });
  m_workers.push_back(listing);
  return listing;
}

bool TFolderTreeModel::wait(TListing &Listing, std::chrono::milliseconds Wait) {
  std::unique_lock lock(Listing.m_mutex);
  return Listing.m_came.wait_for(lock, Wait, [&] { return Listing.m_done; });
}

std::optional<TFolderTreeModel::TFound> TFolderTreeModel::take(TNode *Node, std::chrono::milliseconds Wait) {
  // The folder itself is opened without following a link; what a link leads to is listed only when
  // a path through it is asked for.
  if (!Node->m_listing)
    Node->m_listing =
        start(platform::EncodeName(Node->m_path) + (Node->m_link ? "/." : ""), Node->m_path, false);
  if (!wait(*Node->m_listing, Wait))
    return std::nullopt;
  TFound found = std::move(Node->m_listing->m_found);
  Node->m_listing.reset();
  return found;
}

void TFolderTreeModel::arrived(const std::shared_ptr<TListing> &Listing) {
  TNode *node = loaded(Listing->m_folder);
  // Gone, listed anew or taken by a wait since: the folder is what that says.
  if (!node || node->m_listing != Listing)
    return;
  node->m_listing.reset();
  show(node, Listing->m_found);
}

bool TFolderTreeModel::list(TNode *Node, std::chrono::milliseconds Wait) {
  if (Node->m_listed)
    return true;
  const std::optional<TFound> found = take(Node, Wait);
  if (found)
    show(Node, *found);
  return Node->m_listed;
}

void TFolderTreeModel::Refresh(const QModelIndex &Index) {
  TNode *node = nodeOf(Index);
  // Just listed (or waited for) by this very expansion: nothing can have changed.
  if (node->m_fresh || (!node->m_listed && !node->m_listing)) {
    node->m_fresh = false;
    return;
  }
  // Not come in time before: opening it again waits for it once more.
  if (const std::optional<TFound> found = take(node, ListingWait))
    show(node, *found);
}

int TFolderTreeModel::PendingListings() const {
  return int(std::count_if(m_workers.begin(), m_workers.end(), [](const auto &L) { return !L->m_over; }));
}

void TFolderTreeModel::show(TNode *Node, const TFound &Found) {
  const QModelIndex index = indexOf(Node);
  if (!Node->m_listed) {
    Node->m_listed = true;
    if (Found.empty())
      return;
    beginInsertRows(index, 0, int(Found.size()) - 1);
    for (const TEntry &entry : Found) {
      const int row = int(Node->m_children.size());
      Node->Add(entry.m_name, entry.m_link, entry.m_target)->m_row = row;
    }
    endInsertRows();
    return;
  }
  auto &children = Node->m_children;
  const auto same = [](const TNode &Child, const TEntry &Entry) {
    return Child.m_name == Entry.m_name && Child.m_link == Entry.m_link && Child.m_target == Entry.m_target;
  };
  // Reopening an unchanged folder is the common case: one pass, nothing shown.
  if (children.size() == Found.size() &&
      std::equal(children.begin(), children.end(), Found.begin(), [&](const auto &C, const auto &E) { return same(*C, E); }))
    return;
  const auto renumber = [&](size_t From) {
    for (size_t i = From; i < children.size(); ++i)
      children[i]->m_row = int(i);
  };
  QHash<QString, const TEntry *> found;
  found.reserve(qsizetype(Found.size()));
  for (const TEntry &entry : Found)
    found.insert(entry.m_name, &entry);
  const auto stays = [&](TNode &Child) {
    const auto it = found.constFind(Child.m_name);
    if (it == found.cend() || (*it)->m_link != Child.m_link)
      return false;
    // A link that now leads elsewhere keeps its row.
    Child.m_target = (*it)->m_target;
    return true;
  };
  // The rows that went, a run at a time from the last, then those that came, in their sorted places:
  // both lists are in one order, so what stays is a subsequence of Found.
  for (size_t end = children.size(); end > 0;) {
    if (stays(*children[end - 1])) {
      --end;
      continue;
    }
    size_t first = end - 1;
    while (first > 0 && !stays(*children[first - 1]))
      --first;
    beginRemoveRows(index, int(first), int(end) - 1);
    children.erase(children.begin() + qsizetype(first), children.begin() + qsizetype(end));
    renumber(first);
    endRemoveRows();
    end = first;
  }
  QSet<QString> kept;
  kept.reserve(qsizetype(children.size()));
  for (const auto &child : children)
    kept.insert(child->m_name);
  for (size_t i = 0; i < Found.size();) {
    size_t last = i;
    while (last < Found.size() && !kept.contains(Found[last].m_name))
      ++last;
    if (last == i) {
      ++i;
      continue;
    }
    beginInsertRows(index, int(i), int(last) - 1);
    std::vector<std::unique_ptr<TNode>> came;
    for (size_t j = i; j < last; ++j) {
      Node->Add(Found[j].m_name, Found[j].m_link, Found[j].m_target);
      came.push_back(std::move(children.back()));
      children.pop_back();
    }
    children.insert(children.begin() + qsizetype(i), std::make_move_iterator(came.begin()),
                    std::make_move_iterator(came.end()));
    renumber(i);
    endInsertRows();
    i = last;
  }
}

TFolderTreeModel::TNode *TFolderTreeModel::loaded(const QString &Folder) const {
  const QString folder = clean(Folder);
  if (!folder.startsWith(QLatin1Char('/')))
    return nullptr;
  TNode *node = m_top->m_children.front().get();
  for (const QString &part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    const auto it = std::find_if(node->m_children.begin(), node->m_children.end(),
                                 [&](const auto &Child) { return Child->m_name == part; });
    if (it == node->m_children.end())
      return nullptr;
    node = it->get();
  }
  return node;
}

QModelIndex TFolderTreeModel::index(const QString &Folder) {
  const QString folder = clean(Folder);
  if (!folder.startsWith(QLatin1Char('/')))
    return {};
  TNode *node = m_top->m_children.front().get();
  for (const QString &part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    if (!list(node))
      return {};
    const auto it = std::find_if(node->m_children.begin(), node->m_children.end(),
                                 [&](const auto &Child) { return Child->m_name == part; });
    if (it == node->m_children.end())
      return {};
    node = it->get();
  }
  return indexOf(node);
}

QString TFolderTreeModel::filePath(const QModelIndex &Index) const {
  return Index.isValid() ? nodeOf(Index)->m_path : QString();
}

QModelIndex TFolderTreeModel::index(int Row, int Column, const QModelIndex &Parent) const {
  const TNode *parent = nodeOf(Parent);
  if (Column != 0 || Row < 0 || size_t(Row) >= parent->m_children.size())
    return {};
  return createIndex(Row, 0, parent->m_children[size_t(Row)].get());
}

QModelIndex TFolderTreeModel::parent(const QModelIndex &Index) const {
  return Index.isValid() ? indexOf(nodeOf(Index)->m_parent) : QModelIndex();
}

int TFolderTreeModel::rowCount(const QModelIndex &Parent) const {
  if (Parent.column() > 0)
    return 0;
  return int(nodeOf(Parent)->m_children.size());
}

int TFolderTreeModel::columnCount(const QModelIndex &) const {
  return 1;
}

bool TFolderTreeModel::hasCheckedAncestorOrSelf(const QString &Folder) const {
  for (QString f = Folder; !f.isEmpty(); f = parentOf(f))
    if (m_checked.count(f))
      return true;
  return false;
}

bool TFolderTreeModel::hasCheckedBelow(const QString &Folder) const {
  const QString prefix = below(Folder);
  const auto it = m_checked.lower_bound(prefix);
  return it != m_checked.end() && it->startsWith(prefix);
}

void TFolderTreeModel::eraseBelow(const QString &Folder) {
  const QString prefix = below(Folder);
  auto it = m_checked.lower_bound(prefix);
  while (it != m_checked.end() && it->startsWith(prefix))
    it = m_checked.erase(it);
}

bool TFolderTreeModel::Checkable(const QString &Folder) {
  if (!Folder.startsWith(QLatin1Char('/')))
    return false;
  const QByteArray path = platform::EncodeName(clean(Folder));
  return linkFree(path, CanonicalFolder(path));
}

// Checkable, with the window waiting for the disk only a moment: a folder on a mount that stopped
// answering is taken as the tree shows it.
bool TFolderTreeModel::checkableNow(const QString &Folder) {
  if (!Folder.startsWith(QLatin1Char('/')))
    return false;
  const QByteArray path = platform::EncodeName(clean(Folder));
  // Clicking again while the mount still does not answer waits on the same resolve, not a new thread.
  std::shared_ptr<TListing> resolving;
  for (const auto &listing : m_workers)
    if (listing->m_resolve && !listing->m_over && listing->m_bytes == path)
      resolving = listing;
  if (!resolving)
    resolving = start(path, QString(), true);
  if (!wait(*resolving, ListingWait)) {
    const TNode *node = loaded(Folder);
    return node && checkable(indexOf(node));
  }
  return linkFree(path, resolving->m_canonical);
}

bool TFolderTreeModel::isLink(const QModelIndex &Index) const {
  return Index.isValid() && nodeOf(Index)->m_link;
}

bool TFolderTreeModel::checkable(const QModelIndex &Index) const {
  for (const TNode *node = nodeOf(Index); node && node != m_top.get(); node = node->m_parent)
    if (node->m_link)
      return false;
  return Index.isValid();
}

// Every subfolder of the levels from Ancestor down to Folder's parent, except the one on the way
// down to Folder. The listing is the system's own, so a link is never taken. The levels are listed
// on workers together, and the window waits for them all only ListingWait.
std::optional<std::vector<QString>> TFolderTreeModel::siblings(const QString &Folder, const QString &Ancestor) {
  std::vector<std::pair<QString, std::shared_ptr<TListing>>> levels;
  for (QString level = Folder; level != Ancestor; level = parentOf(level))
    levels.emplace_back(level, start(platform::EncodeName(parentOf(level)), QString(), false, true));
  const auto until = std::chrono::steady_clock::now() + ListingWait;
  std::vector<QString> found;
  for (const auto &[level, listing] : levels) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    if (!wait(*listing, std::max(left, std::chrono::milliseconds(0))))
      return std::nullopt;
    const QString parent = parentOf(level);
    for (const TEntry &entry : listing->m_found)
      if (const QString path = childPath(parent, entry.m_name); path != level)
        found.push_back(path);
  }
  return found;
}

Qt::CheckState TFolderTreeModel::CheckState(const QString &Folder) const {
  const QString folder = clean(Folder);
  if (hasCheckedAncestorOrSelf(folder))
    return Qt::Checked;
  return hasCheckedBelow(folder) ? Qt::PartiallyChecked : Qt::Unchecked;
}

bool TFolderTreeModel::SetChecked(const QString &Folder, bool Checked) {
  const QString folder = clean(Folder);
  if (folder.isEmpty() || !checkableNow(folder))
    return false;
  QString top = folder;
  eraseBelow(folder);
  if (Checked) {
    if (!hasCheckedAncestorOrSelf(folder))
      m_checked.insert(folder);
  } else if (!m_checked.erase(folder)) {
    QString ancestor = parentOf(folder);
    while (!ancestor.isEmpty() && !m_checked.count(ancestor))
      ancestor = parentOf(ancestor);
    if (!ancestor.isEmpty()) {
      // The checked ancestor gives way to every folder of its subtree beside the path down to
      // Folder, so nothing else changes state. A level that does not answer leaves the checks be.
      const std::optional<std::vector<QString>> stay = siblings(folder, ancestor);
      if (!stay)
        return false;
      m_checked.erase(ancestor);
      top = ancestor;
      m_checked.insert(stay->begin(), stay->end());
    }
  }
  notifyFrom(top);
  return true;
}

void TFolderTreeModel::ClearChecks() {
  m_checked.clear();
  notifyFrom(QStringLiteral("/"));
}

QStringList TFolderTreeModel::CheckedFolders() const {
  // The set is sorted and holds no folder inside another one.
  return QStringList(m_checked.begin(), m_checked.end());
}

QVariant TFolderTreeModel::data(const QModelIndex &Index, int Role) const {
  if (!Index.isValid() || Index.column() != 0)
    return {};
  const TNode *node = nodeOf(Index);
  switch (Role) {
  case Qt::DisplayRole:
    return platform::ShownName(node->m_name);
  case Qt::DecorationRole:
    return m_folderIcon;
  case Qt::CheckStateRole:
    return checkable(Index) ? QVariant(CheckState(node->m_path)) : QVariant();
  case Qt::ToolTipRole: {
    if (!node->m_link || node->m_target.isEmpty())
      return {};
    return QStringLiteral("\u2192 ") + platform::ShownName(platform::DecodeName(node->m_target));
  }
  default:
    return {};
  }
}

bool TFolderTreeModel::setData(const QModelIndex &Index, const QVariant &Value, int Role) {
  if (Role != Qt::CheckStateRole || Index.column() != 0)
    return false;
  return checkable(Index) && SetChecked(filePath(Index), Value.toInt() == Qt::Checked);
}

Qt::ItemFlags TFolderTreeModel::flags(const QModelIndex &Index) const {
  if (!Index.isValid())
    return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsSelectable;
  if (checkable(Index))
    f |= Qt::ItemIsUserCheckable;
  // Shown greyed: a search never goes through a link.
  if (!isLink(Index))
    f |= Qt::ItemIsEnabled;
  return f;
}

// A link is not opened: what lies behind it is reached by its own path.
bool TFolderTreeModel::hasChildren(const QModelIndex &Parent) const {
  const TNode *node = nodeOf(Parent);
  if (node->m_link)
    return false;
  return !node->m_listed || !node->m_children.empty();
}

bool TFolderTreeModel::canFetchMore(const QModelIndex &Parent) const {
  const TNode *node = nodeOf(Parent);
  return !node->m_link && !node->m_listed;
}

void TFolderTreeModel::fetchMore(const QModelIndex &Parent) {
  TNode *node = nodeOf(Parent);
  if (node->m_link || node->m_listed)
    return;
  // The view asks again at every layout while the folder is open: a listing that kept the window
  // waiting once is only looked at then; opening the folder anew waits for it again (Refresh).
  const bool waited = !node->m_listing;
  list(node, waited ? ListingWait : std::chrono::milliseconds(0));
  // The view asks for the rows as it opens the folder; the expansion need not list it again.
  node->m_fresh = waited || node->m_listed;
}

void TFolderTreeModel::notifySubtree(const QModelIndex &Index) {
  const int rows = rowCount(Index);
  if (rows == 0)
    return;
  emit dataChanged(index(0, 0, Index), index(rows - 1, 0, Index), {Qt::CheckStateRole});
  for (int row = 0; row < rows; ++row)
    notifySubtree(index(row, 0, Index));
}

// Repaints the changed folder's loaded subtree and its ancestors (their mixed states).
void TFolderTreeModel::notifyFrom(const QString &Folder) {
  const QModelIndex start = indexOf(loaded(Folder));
  if (!start.isValid())
    return;
  for (QModelIndex i = start; i.isValid(); i = i.parent())
    emit dataChanged(i, i, {Qt::CheckStateRole});
  notifySubtree(start);
}

TFolderTree::TFolderTree(QWidget *Parent) : QTreeView(Parent), m_model(new TFolderTreeModel(this)) {
  setModel(m_model);
  setHeaderHidden(true);
  // A folder opened again shows the folders made or removed since it was first listed.
  // While the tree is built it was just listed: listing the way opened again would double start-up.
  connect(this, &QTreeView::expanded, m_model, [this](const QModelIndex &Index) {
    if (!m_rebuilding)
      m_model->Refresh(Index);
  });
  setUniformRowHeights(true);
  Rebuild();
}

void TFolderTree::Rebuild() {
  m_rebuilding = true;
  const auto built = qScopeGuard([this] { m_rebuilding = false; });
  // A fresh root makes the model read the folders again (a mounted location appears).
  m_model->Reload();
  expand(m_model->index(QStringLiteral("/")));
  for (const QString &mounts :
       {QStringLiteral("/media"), QStringLiteral("/mnt"), QStringLiteral("/run/media")})
    if (QDir(mounts).exists())
      expand(m_model->index(mounts));
  // Connected network locations live deep below /run: open the way to them.
  const QString network = platform::NetworkMountsFolder();
  if (QDir(network).exists()) {
    const QModelIndex index = m_model->index(network);
    for (QModelIndex i = index; i.isValid(); i = i.parent())
      expand(i);
  }
  Reveal(QDir::homePath());
}

void TFolderTree::Reveal(const QString &Folder) {
  const QModelIndex index = m_model->index(Folder);
  if (!index.isValid())
    return;
  for (QModelIndex i = index.parent(); i.isValid(); i = i.parent())
    expand(i);
  scrollTo(index);
}
