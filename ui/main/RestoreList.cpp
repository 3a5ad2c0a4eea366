#include "ui/main/RestoreList.h"

#include "platform/Folders.h"
#include "platform/Names.h"

#include "engine/WorkerSteps.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QPalette>

struct TRestoreModel::TNode {
  std::unique_ptr<TRestoreFileShow> Data;
  TNode *Parent = nullptr;
  int Row = 0;
  std::vector<std::unique_ptr<TNode>> Children;
};

namespace {

// Calls Visit for every node below Node in display order.
template <typename N, typename F> void WalkNodes(N &Node, F Visit) {
  for (const auto &child : Node.Children) {
    Visit(*child);
    WalkNodes(*child, Visit);
  }
}

} // namespace

TRestoreModel::TRestoreModel(QObject *Parent)
    : QAbstractItemModel(Parent), m_root(std::make_unique<TNode>()) {
  m_folderIcon = QFileIconProvider().icon(QFileIconProvider::Folder);
}

TRestoreModel::~TRestoreModel() = default;

TRestoreModel::TNode *TRestoreModel::NodeOf(const QModelIndex &Index) const {
  return Index.isValid() ? static_cast<TNode *>(Index.internalPointer()) : m_root.get();
}

QModelIndex TRestoreModel::IndexOf(TNode *Node) const {
  return Node == m_root.get() ? QModelIndex() : createIndex(Node->Row, 0, Node);
}

QModelIndex TRestoreModel::index(int Row, int Column, const QModelIndex &Parent) const {
  const TNode *parent = NodeOf(Parent);
  if (Column != 0 || Row < 0 || size_t(Row) >= parent->Children.size())
    return {};
  return createIndex(Row, 0, parent->Children[size_t(Row)].get());
}

QModelIndex TRestoreModel::parent(const QModelIndex &Child) const {
  return Child.isValid() ? IndexOf(NodeOf(Child)->Parent) : QModelIndex();
}

int TRestoreModel::rowCount(const QModelIndex &Parent) const {
  return Parent.column() > 0 ? 0 : int(NodeOf(Parent)->Children.size());
}

int TRestoreModel::columnCount(const QModelIndex &) const {
  return 1;
}

QVariant TRestoreModel::data(const QModelIndex &Index, int Role) const {
  const TRestoreFileShow *show = GetRestoreData(Index);
  if (!show)
    return {};
  switch (Role) {
  case Qt::DisplayRole:
    // Bytes that are not UTF-8 show as "\xE9".
    return platform::ShownName(show->GetName());
  case Qt::DecorationRole:
    return show->Expanded && !show->IsFile ? show->OpenImage : show->Image;
  case Qt::CheckStateRole:
    return show->IsFile ? QVariant(show->Checked ? Qt::Checked : Qt::Unchecked) : QVariant();
  case Qt::ForegroundRole:
    // A selected row is drawn in the highlight-text colour by the view.
    if (show->State == TRestoreState::FolderGone)
      return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
    if (show->State == TRestoreState::TakenPlace)
      return QColor(255, 0, 0);
    return {};
  case Qt::ToolTipRole:
    return platform::ShownName(show->OriginalPath);
  default:
    return {};
  }
}

bool TRestoreModel::setData(const QModelIndex &Index, const QVariant &Value, int Role) {
  TRestoreFileShow *show = GetRestoreData(Index);
  if (!show || !show->IsFile || Role != Qt::CheckStateRole)
    return false;
  show->Checked = Value.toInt() == Qt::Checked;
  emit dataChanged(Index, Index, {Qt::CheckStateRole});
  emit CheckChanged();
  return true;
}

Qt::ItemFlags TRestoreModel::flags(const QModelIndex &Index) const {
  const TRestoreFileShow *show = GetRestoreData(Index);
  if (!show)
    return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (show->IsFile)
    flags |= Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren;
  return flags;
}

void TRestoreModel::Clear() {
  beginResetModel();
  m_root->Children.clear();
  m_folders.clear();
  endResetModel();
}

QIcon TRestoreModel::FileIcon(const QString &Name) {
  // The provider looks the type up by name; one look-up per ending keeps a large store quick.
  const QString name = Name.mid(Name.lastIndexOf(QLatin1Char('/')) + 1);
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  const QString suffix = dot < 0 ? QString() : name.mid(dot + 1).toLower();
  auto found = m_iconsBySuffix.constFind(suffix);
  if (found != m_iconsBySuffix.cend())
    return *found;
  // Looked up by the ending alone, at a path that names no file: a Qt class given the stored file's
  // path would encode its name its own way and could look into another file.
  const QIcon icon = QFileIconProvider().icon(
      QFileInfo(NeverExistingPath() + QStringLiteral("/x") + (dot < 0 ? QString() : QLatin1Char('.') + suffix)));
  m_iconsBySuffix.insert(suffix, icon);
  return icon;
}

void TRestoreModel::AddEntries(const QList<TLoadedEntry> &Entries,
                               const std::function<void(const TRestoreFileShow &)> &Added) {
  for (const TLoadedEntry &loaded : Entries) {
    const TStoreEntry &e = loaded.Entry;
    TNode *parent = e.Parent < 0 ? m_root.get() : m_folders.value(e.Parent);
    if (!parent)
      continue;
    auto node = std::make_unique<TNode>();
    node->Data = std::make_unique<TRestoreFileShow>(e.IsFile, e.Size, e.StorePath);
    TRestoreFileShow &show = *node->Data;
    show.OriginalPath = loaded.OriginalPath;
    show.State = loaded.State;
    show.Folders = e.Folders;
    show.Id = e.Id;
    if (e.IsFile)
      show.SetIcons(FileIcon(e.StorePath), {});
    else
      show.SetIcons(m_folderIcon, m_folderIcon);
    node->Parent = parent;
    node->Row = int(parent->Children.size());
    if (!e.IsFile)
      m_folders.insert(e.Index, node.get());
    beginInsertRows(IndexOf(parent), node->Row, node->Row);
    parent->Children.push_back(std::move(node));
    endInsertRows();
    if (Added)
      Added(show);
  }
}

TRestoreFileShow *TRestoreModel::GetRestoreData(const QModelIndex &Index) const {
  return Index.isValid() ? NodeOf(Index)->Data.get() : nullptr;
}

QList<TRestoreItem> TRestoreModel::CollectCheckedRestore() const {
  QList<TRestoreItem> items;
  WalkNodes(*m_root, [&](const TNode &Node) {
    const TRestoreFileShow &show = *Node.Data;
    if (show.IsFile && show.Checked)
      items.append({show.StorePath, show.OriginalPath, show.Size, show.Folders, show.Id});
  });
  return items;
}

TRestoreTotals TRestoreModel::SumRestoreTotals() const {
  TRestoreTotals totals;
  WalkNodes(*m_root, [&](const TNode &Node) {
    const TRestoreFileShow &show = *Node.Data;
    if (!show.IsFile)
      return;
    ++totals.TotalCount;
    totals.TotalSize += show.Size;
    if (show.Checked) {
      ++totals.CheckedCount;
      totals.CheckedSize += show.Size;
    }
  });
  return totals;
}

void TRestoreModel::SetRestoreChecks(const std::function<bool(bool)> &Rule) {
  WalkNodes(*m_root, [&](TNode &Node) {
    if (Node.Data->IsFile)
      Node.Data->Checked = Rule(Node.Data->Checked);
  });
  // One notice for the whole tree: the view repaints what it shows.
  emit layoutAboutToBeChanged();
  emit layoutChanged();
  emit CheckChanged();
}

void TRestoreModel::SetExpanded(const QModelIndex &Index, bool Expanded) {
  if (TRestoreFileShow *show = GetRestoreData(Index)) {
    show->Expanded = Expanded;
    emit dataChanged(Index, Index, {Qt::DecorationRole});
  }
}

qint64 TRestoreModel::NodeCount() const {
  qint64 n = 0;
  WalkNodes(*m_root, [&](const TNode &) { ++n; });
  return n;
}

// --- The loader ---

namespace {
// Entries handed over in one main-thread step at the most, and the longest a found entry waits.
constexpr int BatchEntries = 500;
constexpr qint64 BatchWaitMs = 50;
} // namespace

TRestoreFilesLoad::TRestoreFilesLoad(QObject *Context, const QString &StoreFolder,
                                     std::function<void(const QList<TLoadedEntry> &)> Batch,
                                     std::function<void()> Finished)
    : m_storeFolder(StoreFolder), m_batch(std::move(Batch)), m_finished(std::move(Finished)),
      m_steps(std::make_unique<TWorkerSteps>(Context)) {}

TRestoreFilesLoad::~TRestoreFilesLoad() {
  Stop();
}

void TRestoreFilesLoad::Stop() {
  m_stop = true;
  m_steps->Stop();
  wait();
}

void TRestoreFilesLoad::run() {
  setPriority(QThread::LowestPriority);
  QList<TLoadedEntry> batch;
  QElapsedTimer held;
  auto handOver = [&] {
    if (batch.isEmpty())
      return;
    const QList<TLoadedEntry> entries = std::exchange(batch, {});
    if (!m_steps->Run([this, entries] { m_batch(entries); }))
      m_stop = true;
  };
  WalkStore(
      m_storeFolder,
      [&](const TStoreEntry &Entry) {
        const QString place = RestoreOriginalPath(m_storeFolder, Entry.StorePath, Entry.IsFile);
        if (batch.isEmpty())
          held.start();
        batch.append({Entry, place, RestoreState(place, Entry.IsFile)});
        if (batch.size() >= BatchEntries || held.elapsed() >= BatchWaitMs)
          handOver();
      },
      &m_stop);
  handOver();
  if (!m_stop)
    m_steps->Run([this] {
      Done = true;
      m_finished();
    });
}
