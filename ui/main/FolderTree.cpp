#include "ui/main/FolderTree.h"

#include "platform/Folders.h"
#include "platform/Names.h"
#include "platform/NetworkMounts.h"

#include <QCollator>
#include <QDir>
#include <QFileIconProvider>
#include <QHeaderView>

#include <algorithm>
#include <climits>
#include <sys/stat.h>
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
  bool m_listed = false;
  // Listed by the expansion under way (Refresh need not list it again).
  bool m_fresh = false;
  std::vector<std::unique_ptr<TNode>> m_children;

  TNode *Add(const QString &Name, bool Link) {
    auto node = std::make_unique<TNode>();
    node->m_parent = this;
    node->m_name = Name;
    node->m_path = m_parent ? childPath(m_path, Name) : Name;
    node->m_link = Link;
    m_children.push_back(std::move(node));
    return m_children.back().get();
  }
};

TFolderTreeModel::TFolderTreeModel(QObject *Parent)
    : QAbstractItemModel(Parent), m_folderIcon(QFileIconProvider().icon(QFileIconProvider::Folder)) {
  m_top = std::make_unique<TNode>();
  m_top->m_listed = true;
  m_top->Add(QStringLiteral("/"), false);
}

TFolderTreeModel::~TFolderTreeModel() = default;

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

// The folders (and links to folders) of Node, sorted as they are shown.
std::vector<std::pair<QString, bool>> TFolderTreeModel::read(const TNode *Node) {
  // The folder itself is opened without following a link; what a link leads to is listed only when
  // a path through it is asked for.
  const QByteArray path = platform::EncodeName(Node->m_path) + (Node->m_link ? "/." : "");
  std::vector<std::pair<QString, bool>> found;
  TDirReader reader(path);
  TDirEntry entry;
  while (reader.Next(entry)) {
    // Hidden folders are left out of the tree, as a file manager does.
    if (entry.m_name.startsWith('.') || entry.m_kind == TDirEntry::EKind::File)
      continue;
    const QString name = platform::DecodeName(entry.m_name);
    if (entry.m_kind == TDirEntry::EKind::Folder) {
      found.emplace_back(name, false);
      continue;
    }
    const QByteArray full = (path.endsWith('/') ? path : path + '/') + entry.m_name;
    struct stat st;
    if (::lstat(full.constData(), &st) == 0 && S_ISLNK(st.st_mode) && isFolder(full))
      found.emplace_back(name, true);
  }
  QCollator collator;
  collator.setNumericMode(true);
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::sort(found.begin(), found.end(), [&](const auto &A, const auto &B) {
    const int order = collator.compare(A.first, B.first);
    return order != 0 ? order < 0 : A.first < B.first;
  });
  if (found.size() > size_t(INT_MAX))
    found.resize(size_t(INT_MAX));
  return found;
}

void TFolderTreeModel::list(TNode *Node) {
  if (Node->m_listed)
    return;
  Node->m_listed = true;
  const std::vector<std::pair<QString, bool>> found = read(Node);
  if (found.empty())
    return;
  beginInsertRows(indexOf(Node), 0, int(found.size()) - 1);
  for (const auto &[name, link] : found) {
    const int row = int(Node->m_children.size());
    Node->Add(name, link)->m_row = row;
  }
  endInsertRows();
}

void TFolderTreeModel::Refresh(const QModelIndex &Index) {
  TNode *node = nodeOf(Index);
  // Just listed by this very expansion: nothing can have changed.
  if (!node->m_listed || node->m_fresh) {
    node->m_fresh = false;
    return;
  }
  const std::vector<std::pair<QString, bool>> found = read(node);
  auto &children = node->m_children;
  const auto renumber = [&] {
    for (size_t i = 0; i < children.size(); ++i)
      children[i]->m_row = int(i);
  };
  // The rows that went, then those that came, in their sorted places: both lists are in one order.
  for (int row = int(children.size()) - 1; row >= 0; --row) {
    const TNode &child = *children[size_t(row)];
    if (std::find(found.begin(), found.end(), std::make_pair(child.m_name, child.m_link)) != found.end())
      continue;
    beginRemoveRows(Index, row, row);
    children.erase(children.begin() + row);
    renumber();
    endRemoveRows();
  }
  for (size_t i = 0; i < found.size(); ++i) {
    if (i < children.size() && children[i]->m_name == found[i].first && children[i]->m_link == found[i].second)
      continue;
    beginInsertRows(Index, int(i), int(i));
    node->Add(found[i].first, found[i].second);
    std::rotate(children.begin() + qsizetype(i), children.end() - 1, children.end());
    renumber();
    endInsertRows();
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
    list(node);
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
  const QByteArray canonical = CanonicalFolder(path);
  return canonical.isEmpty() || canonical == (path.endsWith('/') ? path : path + '/');
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

// Checks every subfolder of the levels from Ancestor down to Folder's parent, except the one on the
// way down to Folder. The listing is the system's own, so a link is never taken.
void TFolderTreeModel::addSiblings(const QString &Folder, const QString &Ancestor) {
  for (QString level = Folder; level != Ancestor; level = parentOf(level)) {
    const QString parent = parentOf(level);
    TDirReader reader(platform::EncodeName(parent));
    TDirEntry entry;
    while (reader.Next(entry)) {
      if (entry.m_kind != TDirEntry::EKind::Folder || entry.m_name == "." || entry.m_name == "..")
        continue;
      const QString path = childPath(parent, platform::DecodeName(entry.m_name));
      if (path != level)
        m_checked.insert(path);
    }
  }
}

Qt::CheckState TFolderTreeModel::CheckState(const QString &Folder) const {
  const QString folder = clean(Folder);
  if (hasCheckedAncestorOrSelf(folder))
    return Qt::Checked;
  return hasCheckedBelow(folder) ? Qt::PartiallyChecked : Qt::Unchecked;
}

bool TFolderTreeModel::SetChecked(const QString &Folder, bool Checked) {
  const QString folder = clean(Folder);
  if (folder.isEmpty() || !Checkable(folder))
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
      // Folder, so nothing else changes state.
      m_checked.erase(ancestor);
      top = ancestor;
      addSiblings(folder, ancestor);
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
    if (!node->m_link)
      return {};
    QByteArray target(PATH_MAX, '\0');
    const ssize_t n =
        ::readlink(platform::EncodeName(node->m_path).constData(), target.data(), size_t(target.size()));
    return n < 0 ? QVariant()
                 : QVariant(QStringLiteral("\u2192 ") + platform::ShownName(platform::DecodeName(target.left(n))));
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
  list(node);
  // The view asks for the rows as it opens the folder; the expansion need not list it again.
  node->m_fresh = true;
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
  connect(this, &QTreeView::expanded, m_model, &TFolderTreeModel::Refresh);
  setUniformRowHeights(true);
  Rebuild();
}

void TFolderTree::Rebuild() {
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
