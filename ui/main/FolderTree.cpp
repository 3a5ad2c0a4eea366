#include "ui/main/FolderTree.h"

#include "platform/NetworkMounts.h"

#include <QDir>
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
  auto it = m_checked.lower_bound(prefix);
  while (it != m_checked.end() && it->startsWith(prefix))
    it = m_checked.erase(it);
}

Qt::CheckState TFolderTreeModel::CheckState(const QString &Folder) const {
  const QString folder = clean(Folder);
  if (hasCheckedAncestorOrSelf(folder))
    return Qt::Checked;
  return hasCheckedBelow(folder) ? Qt::PartiallyChecked : Qt::Unchecked;
}

void TFolderTreeModel::SetChecked(const QString &Folder, bool Checked) {
  const QString folder = clean(Folder);
  if (folder.isEmpty())
    return;
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
      for (QString level = folder; level != ancestor; level = parentOf(level)) {
        const QString parent = parentOf(level);
        const QStringList children =
            QDir(parent).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
        for (const QString &name : children) {
          const QString child = childPath(parent, name);
          if (child != level)
            m_checked.insert(child);
        }
      }
    }
  }
  notifyFrom(top);
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
  if (Role == Qt::CheckStateRole && Index.column() == 0)
    return CheckState(filePath(Index));
  return QFileSystemModel::data(Index, Role);
}

bool TFolderTreeModel::setData(const QModelIndex &Index, const QVariant &Value, int Role) {
  if (Role != Qt::CheckStateRole || Index.column() != 0)
    return QFileSystemModel::setData(Index, Value, Role);
  SetChecked(filePath(Index), Value.toInt() == Qt::Checked);
  return true;
}

Qt::ItemFlags TFolderTreeModel::flags(const QModelIndex &Index) const {
  Qt::ItemFlags f = QFileSystemModel::flags(Index);
  if (Index.column() == 0)
    f |= Qt::ItemIsUserCheckable;
  return f;
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
