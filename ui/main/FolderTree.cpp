#include "ui/main/FolderTree.h"

#include "platform/Folders.h"
#include "platform/NetworkMounts.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>

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
} // namespace

TFolderTreeModel::TFolderTreeModel(QObject *Parent) : QFileSystemModel(Parent) {
  setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  setReadOnly(true);
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
  for (std::set<QString> *folders : {&m_checked, &m_unnamed}) {
    auto it = folders->lower_bound(prefix);
    while (it != folders->end() && it->startsWith(prefix))
      it = folders->erase(it);
  }
}

bool TFolderTreeModel::Checkable(const QString &Folder) {
  if (Folder.contains(QChar::ReplacementCharacter) || !Folder.startsWith(QLatin1Char('/')))
    return false;
  const QByteArray path = QFile::encodeName(clean(Folder));
  const QByteArray canonical = CanonicalFolder(path);
  return canonical.isEmpty() || canonical == (path.endsWith('/') ? path : path + '/');
}

bool TFolderTreeModel::isLink(const QModelIndex &Index) const {
  return Index.isValid() && fileInfo(Index).isSymLink();
}

// Read from the model's own records, which it keeps for painting anyway.
bool TFolderTreeModel::checkable(const QModelIndex &Index) const {
  for (QModelIndex i = Index; i.isValid(); i = i.parent())
    if (isLink(i) || fileName(i).contains(QChar::ReplacementCharacter))
      return false;
  return true;
}

// Checks every subfolder of the levels from Ancestor down to Folder's parent, except the one on the
// way down to Folder. The listing is the system's own, so a link is never taken.
void TFolderTreeModel::addSiblings(const QString &Folder, const QString &Ancestor) {
  for (QString level = Folder; level != Ancestor; level = parentOf(level)) {
    const QString parent = parentOf(level);
    TDirReader reader(QFile::encodeName(parent));
    TDirEntry entry;
    while (reader.Next(entry)) {
      if (entry.m_kind != TDirEntry::EKind::Folder || entry.m_name == "." || entry.m_name == "..")
        continue;
      const QString name = NameText(entry.m_name);
      if (name.isEmpty())
        m_unnamed.insert(childPath(parent, EscapedName(entry.m_name)));
      else if (childPath(parent, name) != level)
        m_checked.insert(childPath(parent, name));
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
  m_unnamed.clear();
  notifyFrom(QStringLiteral("/"));
}

QStringList TFolderTreeModel::CheckedFolders() const {
  // The set is sorted and holds no folder inside another one.
  return QStringList(m_checked.begin(), m_checked.end());
}

QStringList TFolderTreeModel::UnnamedFolders() const {
  return QStringList(m_unnamed.begin(), m_unnamed.end());
}

QVariant TFolderTreeModel::data(const QModelIndex &Index, int Role) const {
  if (Role == Qt::CheckStateRole && Index.column() == 0)
    return checkable(Index) ? QVariant(CheckState(filePath(Index))) : QVariant();
  if (Role == Qt::ToolTipRole && isLink(Index))
    return QStringLiteral("\u2192 ") + fileInfo(Index).symLinkTarget();
  return QFileSystemModel::data(Index, Role);
}

bool TFolderTreeModel::setData(const QModelIndex &Index, const QVariant &Value, int Role) {
  if (Role != Qt::CheckStateRole || Index.column() != 0)
    return QFileSystemModel::setData(Index, Value, Role);
  return checkable(Index) && SetChecked(filePath(Index), Value.toInt() == Qt::Checked);
}

Qt::ItemFlags TFolderTreeModel::flags(const QModelIndex &Index) const {
  Qt::ItemFlags f = QFileSystemModel::flags(Index);
  if (Index.column() == 0 && checkable(Index))
    f |= Qt::ItemIsUserCheckable;
  // Shown greyed: a search never goes through a link.
  if (isLink(Index))
    f &= ~Qt::ItemIsEnabled;
  return f;
}

// A link is not opened: what lies behind it is reached by its own path.
bool TFolderTreeModel::hasChildren(const QModelIndex &Parent) const {
  return !isLink(Parent) && QFileSystemModel::hasChildren(Parent);
}

bool TFolderTreeModel::canFetchMore(const QModelIndex &Parent) const {
  return !isLink(Parent) && QFileSystemModel::canFetchMore(Parent);
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
  const QModelIndex start = index(Folder);
  if (!start.isValid())
    return;
  for (QModelIndex i = start; i.isValid(); i = i.parent())
    emit dataChanged(i, i, {Qt::CheckStateRole});
  notifySubtree(start);
}

TFolderTree::TFolderTree(QWidget *Parent) : QTreeView(Parent), m_model(new TFolderTreeModel(this)) {
  setModel(m_model);
  setHeaderHidden(true);
  for (int column = 1; column < m_model->columnCount(); ++column)
    hideColumn(column);
  setUniformRowHeights(true);
  Rebuild();
}

void TFolderTree::Rebuild() {
  // A fresh root makes the model read the folders again (a mounted location appears).
  m_model->setRootPath(QString());
  m_model->setRootPath(QStringLiteral("/"));
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
