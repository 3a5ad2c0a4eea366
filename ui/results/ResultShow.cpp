#include "ui/results/ResultShow.h"

#include "engine/ResultFile.h"
#include "settings/FileGroupExt.h"
#include "settings/FormatSize.h"
#include "settings/Language.h"
#include "ui/results/ResultShowLoadImages.h"

#include <QApplication>
#include <QDateTime>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTreeView>

#include <algorithm>
#include <numeric>
#include <unordered_map>

// --- TResultShow ---

QString TResultShow::GetFolderText() const {
  if (Item->IsArchiveMember())
    return Item->Owner->FullName() + QStringLiteral(" -> ") + Item->FileItem.GetPath();
  return Item->FileItem.GetPath();
}

QString TResultShow::GetCellText(int Column, int Method) const {
  switch (Column) {
  case ColName:
    return Item->FileItem.FileName;
  case ColFolder:
    return GetFolderText();
  case ColSize:
    return FormatSizeKb(Item->FileItem.Size);
  case ColGroup:
    return QString::number(GetGroup(Method));
  default:
    return {};
  }
}

void TResultShow::SetMarked(bool Value) {
  if (Item->IsArchiveMember() || Item->Processed)
    return;
  Item->Viewed.Marked = Value;
}

TResultShow::TResultShow(TUseFileProperty *Item, QRgb GroupColour)
    : Item(Item), GroupColour(GroupColour), IsPicture(Item->IsPictureFile()) {}

bool TResultShow::WantsThumbnail() const {
  return IsPicture && !Item->IsArchiveMember() && !Item->Processed;
}

namespace {
// Only A to Z fold, so that the order is the same under every locale.
char16_t FoldLetter(char16_t C) {
  return (C >= u'A' && C <= u'Z') ? char16_t(C + 32) : C;
}
} // namespace

QString FoldedKey(const QString &Text) {
  QString key = Text;
  for (QChar &c : key)
    c = QChar(FoldLetter(c.unicode()));
  return key;
}

int CompareFolded(const QString &A, const QString &B) {
  const qsizetype n = std::min(A.size(), B.size());
  const QChar *a = A.constData();
  const QChar *b = B.constData();
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t x = FoldLetter(a[i].unicode());
    const char16_t y = FoldLetter(b[i].unicode());
    if (x != y)
      return x < y ? -1 : 1;
  }
  return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

// --- Regrouping ---

void RegroupAfterSort(std::vector<qint32> &Groups, const std::function<void(int B, int A)> &Swap) {
  const int count = int(Groups.size());
  // Each group's rows in row order; a row leaves its list once the walk has passed it (-1 stays
  // behind so that the order of the others is kept). Slot[r] is row r's place in its list.
  std::unordered_map<qint32, std::vector<int>> lists;
  std::vector<int> slot(size_t(count), -1);
  for (int row = 0; row < count; ++row) {
    auto &list = lists[Groups[size_t(row)]];
    slot[size_t(row)] = int(list.size());
    list.push_back(row);
  }
  const auto groupEnd = [&](int From, qint32 Group) {
    int end = From + 1;
    while (end < count && Groups[size_t(end)] == Group)
      ++end;
    return end;
  };
  int r = 0;
  while (r < count) {
    const qint32 group = Groups[size_t(r)];
    std::vector<int> &list = lists[group];
    list[size_t(slot[size_t(r)])] = -1;
    if (r + 1 >= count || Groups[size_t(r + 1)] == group) {
      ++r;
      continue;
    }
    // Gather: every row of the group that stands after the run is swapped to the run's end.
    int end = groupEnd(r, group);
    for (size_t k = 0; k < list.size() && end < count; ++k) {
      const int a = list[k];
      if (a < 0 || a < end) // passed already, or inside the run: it stays where it is
        continue;
      const int b = end;
      const qint32 displaced = Groups[size_t(b)];
      // b's list now names a (where b's file goes); the group's list names b.
      std::vector<int> &other = lists[displaced];
      other[size_t(slot[size_t(b)])] = a;
      list[k] = b;
      std::swap(slot[size_t(a)], slot[size_t(b)]);
      std::swap(Groups[size_t(a)], Groups[size_t(b)]);
      Swap(b, a);
      end = groupEnd(b, group);
    }
    r = end;
  }
}

// --- TResultModel ---

void swap(TResultModel::TRow &A, TResultModel::TRow &B) noexcept {
  std::swap(A.Data, B.Data);
  std::swap(A.Height, B.Height);
  std::swap(A.CheckBox, B.CheckBox);
  std::swap(A.Checked, B.Checked);
}

TResultModel::TResultModel(TUseFileList &List, std::function<int()> Method, QObject *Parent)
    : QAbstractTableModel(Parent), m_list(List), m_method(std::move(Method)) {}

TResultModel::~TResultModel() = default;

int TResultModel::rowCount(const QModelIndex &Parent) const {
  return Parent.isValid() ? 0 : Count();
}

int TResultModel::columnCount(const QModelIndex &Parent) const {
  return Parent.isValid() ? 0 : ResultColumnCount;
}

QVariant TResultModel::data(const QModelIndex &Index, int Role) const {
  if (!Index.isValid() || Index.row() >= Count())
    return {};
  const TRow &row = m_rows[size_t(Index.row())];
  const TResultShow &show = *row.Data;
  const int column = Index.column();
  switch (Role) {
  case Qt::DisplayRole:
    return column == ColPreview ? QString() : show.GetCellText(column, ShownMethod());
  case Qt::ForegroundRole:
    if (column == ColName && show.Item->Processed)
      return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
    return QColor(show.GroupColour);
  case Qt::CheckStateRole:
    if (column == ColName && row.CheckBox)
      return row.Checked ? Qt::Checked : Qt::Unchecked;
    return {};
  case Qt::ToolTipRole:
    if (column == ColFolder && m_lang)
      return GetHint(Index.row(), *m_lang);
    return {};
  case Qt::SizeHintRole:
    if (row.Height > 0)
      return QSize(-1, row.Height);
    return {};
  case Qt::TextAlignmentRole:
    if (column == ColSize || column == ColGroup)
      return int(Qt::AlignRight | Qt::AlignVCenter);
    return int(Qt::AlignLeft | Qt::AlignVCenter);
  default:
    return {};
  }
}

bool TResultModel::setData(const QModelIndex &Index, const QVariant &Value, int Role) {
  // Only the view calls this: it is the user changing a check.
  if (Role != Qt::CheckStateRole || !Index.isValid() || Index.row() >= Count())
    return false;
  SetChecked(Index.row(), Value.toInt() == Qt::Checked);
  emit UserChecked(Index.row());
  return true;
}

Qt::ItemFlags TResultModel::flags(const QModelIndex &Index) const {
  if (!Index.isValid())
    return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (Index.column() == ColName && Index.row() < Count() && m_rows[size_t(Index.row())].CheckBox)
    f |= Qt::ItemIsUserCheckable;
  return f;
}

QVariant TResultModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
  if (Orientation != Qt::Horizontal || Section < 0 || Section >= ResultColumnCount)
    return {};
  if (Role == Qt::DisplayRole)
    return m_titles[Section];
  return {};
}

bool TResultModel::setHeaderData(int Section, Qt::Orientation Orientation, const QVariant &Value, int Role) {
  if (Orientation != Qt::Horizontal || Section < 0 || Section >= ResultColumnCount ||
      (Role != Qt::DisplayRole && Role != Qt::EditRole))
    return false;
  m_titles[Section] = Value.toString();
  emit headerDataChanged(Orientation, Section, Section);
  return true;
}

void TResultModel::BeginUpdate() {
  ++m_updating;
}

void TResultModel::EndUpdate() {
  if (m_updating == 0 || --m_updating > 0)
    return;
  if (m_resetting) {
    m_resetting = false;
    m_dirty = false;
    endResetModel();
  } else if (m_dirty) {
    // One relayout for the whole bracket: a data change over many rows would make the view measure
    // every row's place once per cell.
    m_dirty = false;
    emit layoutAboutToBeChanged();
    emit layoutChanged();
  }
}

void TResultModel::BeginStructureChange() {
  if (m_updating > 0 && !m_resetting) {
    m_resetting = true;
    beginResetModel();
  }
}

void TResultModel::Clear() {
  if (m_updating > 0) {
    BeginStructureChange();
    m_rows.clear();
    return;
  }
  beginResetModel();
  m_rows.clear();
  endResetModel();
}

void TResultModel::AddResultNode(int Index, QRgb GroupColour) {
  TUseFileProperty *item = m_list.GetItem(Index);
  TRow row;
  row.Data = std::make_unique<TResultShow>(item, GroupColour);
  row.CheckBox = item->Owner == nullptr && !item->Processed;
  if (row.Data->WantsThumbnail())
    row.Height = m_textHeight + 64;
  else if (item->HasTags() && !item->Processed)
    row.Height = 2 * m_textHeight + 6;
  const int position = Count();
  BeginStructureChange();
  if (m_updating == 0)
    beginInsertRows(QModelIndex(), position, position);
  m_rows.push_back(std::move(row));
  if (m_updating == 0)
    endInsertRows();
  if (item->Viewed.Marked)
    SetChecked(position, true);
}

TResultShow *TResultModel::GetResultData(int Row) const {
  if (Row < 0 || Row >= Count())
    return nullptr;
  return m_rows[size_t(Row)].Data.get();
}

void TResultModel::SetChecked(int Row, bool Checked) {
  if (Row < 0 || Row >= Count())
    return;
  TRow &row = m_rows[size_t(Row)];
  row.Checked = Checked;
  row.Data->SetMarked(Checked);
  RefreshCell(Row, ColName);
}

void TResultModel::RefreshCell(int Row, int Column) {
  if (Row < 0 || Row >= Count())
    return;
  if (m_updating > 0)
    m_dirty = true;
  else
    emit dataChanged(index(Row, Column), index(Row, Column));
}

int TResultModel::CompareNodes(int Row1, int Row2, int Column) const {
  const TResultShow &a = *m_rows[size_t(Row1)].Data;
  const TResultShow &b = *m_rows[size_t(Row2)].Data;
  const auto sign = [](auto x, auto y) { return x < y ? -1 : (x > y ? 1 : 0); };
  switch (Column) {
  case ColName:
  case ColFolder:
    return CompareFolded(a.GetCellText(Column, ShownMethod()), b.GetCellText(Column, ShownMethod()));
  case ColSize:
    return sign(a.Item->FileItem.Size, b.Item->FileItem.Size);
  case ColGroup:
    return sign(a.GetGroup(ShownMethod()), b.GetGroup(ShownMethod()));
  default:
    return 0;
  }
}

void TResultModel::SortKeepingGroups(int Column, Qt::SortOrder Order, QRgb Colour1, QRgb Colour2) {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const int count = Count();
  const int method = ShownMethod();
  // Keys once per row rather than once per comparison.
  std::vector<int> order(static_cast<size_t>(count));
  std::iota(order.begin(), order.end(), 0);
  const bool descending = Order == Qt::DescendingOrder;
  if (Column == ColName || Column == ColFolder) {
    // Folded once per row, the keys then compare by code as CompareFolded would.
    std::vector<QString> keys(static_cast<size_t>(count));
    for (int row = 0; row < count; ++row)
      keys[size_t(row)] = FoldedKey(m_rows[size_t(row)].Data->GetCellText(Column, method));
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
      return descending ? keys[size_t(y)] < keys[size_t(x)] : keys[size_t(x)] < keys[size_t(y)];
    });
  } else if (Column == ColSize || Column == ColGroup) {
    std::vector<qint64> keys(static_cast<size_t>(count));
    for (int row = 0; row < count; ++row) {
      const TResultShow &show = *m_rows[size_t(row)].Data;
      keys[size_t(row)] = Column == ColSize ? show.Item->FileItem.Size : show.GetGroup(method);
    }
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
      return descending ? keys[size_t(x)] > keys[size_t(y)] : keys[size_t(x)] < keys[size_t(y)];
    });
  }
  std::vector<TRow> sorted(static_cast<size_t>(count));
  std::vector<int> newPlace(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) {
    sorted[size_t(k)] = std::move(m_rows[size_t(order[size_t(k)])]);
    newPlace[size_t(order[size_t(k)])] = k;
  }
  m_rows = std::move(sorted);

  std::vector<qint32> groups(static_cast<size_t>(count));
  for (int row = 0; row < count; ++row)
    groups[size_t(row)] = m_rows[size_t(row)].Data->GetGroup(method);
  RegroupAfterSort(groups, [this](int B, int A) { swap(m_rows[size_t(B)], m_rows[size_t(A)]); });
  RecolourGroups(Colour1, Colour2);

  // The selection followed the files through the sort; the regrouping swaps leave it with the row.
  const QModelIndexList from = persistentIndexList();
  QModelIndexList to;
  to.reserve(from.size());
  for (const QModelIndex &index : from)
    to << (index.row() < count ? this->index(newPlace[size_t(index.row())], index.column()) : QModelIndex());
  changePersistentIndexList(from, to);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TResultModel::RecolourGroups(QRgb First, QRgb Second) {
  const int method = ShownMethod();
  QRgb colour = Second;
  qint32 previous = 0;
  for (int row = 0; row < Count(); ++row) {
    TResultShow &show = *m_rows[size_t(row)].Data;
    const qint32 group = show.GetGroup(method);
    if (row == 0 || group != previous)
      colour = colour == First ? Second : First;
    show.GroupColour = colour;
    previous = group;
  }
}

QString TResultModel::GetHint(int Row, const TLangList &Lang) const {
  const TResultShow *show = GetResultData(Row);
  if (!show)
    return {};
  const TFileProps &props = show->Item->FileProps;
  const QLocale locale;
  // Zero is a time never read (archive members of a loaded result file): no date rather than 1899.
  const auto time = [&locale](double Days) {
    if (Days == 0)
      return QString();
    return locale.toString(QDateTime::fromMSecsSinceEpoch(platform::DaysToUnixMsecs(Days)),
                           QLocale::ShortFormat);
  };
  QStringList words;
  if (props.ReadOnly)
    words << Lang.GetText(2630);
  if (props.Hidden)
    words << Lang.GetText(2631);
  const QString attributes = words.isEmpty() ? Lang.GetText(2638) : words.join(QLatin1Char(','));
  return Lang.GetText(2639) + QLatin1Char(' ') + time(props.Created) + QLatin1Char('\n') +
         Lang.GetText(2640) + QLatin1Char(' ') + time(props.Modified) + QLatin1Char('\n') +
         Lang.GetText(2641) + QLatin1Char(' ') + time(props.Accessed) + QLatin1Char('\n') +
         Lang.GetText(2642) + QLatin1Char(' ') + attributes;
}

// --- TResultDelegate ---

TResultDelegate::TResultDelegate(TResultModel &Model, TThumbnailQueue &Queue, QObject *Parent)
    : QStyledItemDelegate(Parent), m_model(Model), m_queue(Queue) {}

void TResultDelegate::paint(QPainter *Painter, const QStyleOptionViewItem &Option,
                            const QModelIndex &Index) const {
  const TResultShow *show = m_model.GetResultData(Index.row());
  if (show && Index.column() == ColName && show->NeedsThumbnail())
    m_queue.Feed(Index.row());
  QStyledItemDelegate::paint(Painter, Option, Index); // text, check box, background and selection
  if (Index.column() != ColPreview || !show)
    return;
  const bool selected = Option.state & QStyle::State_Selected;
  const QColor textColour = Option.palette.color(selected ? QPalette::HighlightedText : QPalette::WindowText);
  const QRect cell = Option.rect;
  Painter->save();
  Painter->setClipRect(cell);
  Painter->setPen(textColour);
  const QFontMetrics metrics(Option.font);
  if (!show->Thumbnail.isNull()) {
    // The thumbnail holds only the picture; centred in the 80-pixel box it was made for, with its
    // size under it, so that narrow pictures keep their caption whole.
    const int boxLeft = cell.left() + (ThumbnailWidth - show->Thumbnail.width()) / 2;
    Painter->drawImage(QPoint(boxLeft, cell.top() + 2), show->Thumbnail);
    const QString size =
        QString::number(show->ImageWidth) + QLatin1Char('x') + QString::number(show->ImageHeight);
    const int x = cell.left() + std::max(0, (ThumbnailWidth - metrics.horizontalAdvance(size)) / 2);
    const int y = cell.top() + 2 + show->Thumbnail.height() + 2;
    Painter->drawText(QPoint(x, y + metrics.ascent()), size);
  } else if (show->Item->HasTags()) {
    const int top = cell.top() + 2;
    Painter->drawText(QPoint(cell.left(), top + metrics.ascent()), show->Item->Mp3_SongName);
    Painter->drawText(QPoint(cell.left(), top + metrics.height() + 2 + metrics.ascent()),
                      show->Item->Mp3_Artist);
  }
  Painter->restore();
}

QSize TResultDelegate::sizeHint(const QStyleOptionViewItem &Option, const QModelIndex &Index) const {
  const QVariant hint = Index.data(Qt::SizeHintRole);
  if (hint.isValid())
    return hint.toSize().expandedTo(QSize(QStyledItemDelegate::sizeHint(Option, Index).width(), 0));
  return QStyledItemDelegate::sizeHint(Option, Index);
}

bool TResultDelegate::editorEvent(QEvent *Event, QAbstractItemModel *Model,
                                  const QStyleOptionViewItem &Option, const QModelIndex &Index) {
  if (!Index.isValid())
    return QStyledItemDelegate::editorEvent(Event, Model, Option, Index);
  const QModelIndex first = Index.sibling(Index.row(), ColName);
  const auto toggle = [&] {
    if (!(first.flags() & Qt::ItemIsUserCheckable))
      return false;
    const bool checked = first.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    Model->setData(first, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    return true;
  };
  if (Event->type() == QEvent::MouseButtonDblClick) {
    // A double click on the box itself is the box's own business; anywhere else it toggles.
    QStyleOptionViewItem option = Option;
    initStyleOption(&option, Index);
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    const QRect box = style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, widget);
    const bool onBox =
        Index.column() == ColName && box.contains(static_cast<QMouseEvent *>(Event)->position().toPoint());
    if (!onBox && toggle())
      return true;
  } else if (Event->type() == QEvent::KeyPress) {
    // Space toggles the row's check whichever of its cells has the focus.
    const int key = static_cast<QKeyEvent *>(Event)->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Select) && toggle())
      return true;
  }
  return QStyledItemDelegate::editorEvent(Event, Model, Option, Index);
}

// --- TResultList ---

TResultList::TResultList(QTreeView *Tree, QLabel *Status, TUseFileList &List, const TLangList &Lang,
                         std::function<int()> Method, int QueueLimit, QObject *Parent)
    : QObject(Parent), m_tree(Tree), m_status(Status), m_list(List), m_lang(Lang),
      m_queue(std::make_unique<TThumbnailQueue>(QueueLimit)),
      m_model(new TResultModel(List, std::move(Method), this)) {
  m_model->SetLang(&Lang);
  m_model->SetTextHeight(QFontMetrics(Tree->font()).height());
  // Keep the titles the window already gave the old model.
  if (QAbstractItemModel *old = Tree->model())
    for (int column = 0; column < ResultColumnCount && column < old->columnCount(); ++column)
      m_model->setHeaderData(column, Qt::Horizontal, old->headerData(column, Qt::Horizontal));
  Tree->setModel(m_model);
  Tree->setItemDelegate(new TResultDelegate(*m_model, *m_queue, Tree));
  Tree->setUniformRowHeights(false);
  Tree->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  Tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Copies differ mostly at the end of their folder, and names at their extension: cut the middle.
  Tree->setTextElideMode(Qt::ElideMiddle);
  QHeaderView *header = Tree->header();
  header->setSectionsClickable(true);
  header->setSortIndicator(-1, Qt::AscendingOrder);
  connect(header, &QHeaderView::sectionClicked, this, &TResultList::HeaderClick);
  connect(m_model, &TResultModel::UserChecked, this, &TResultList::UpdateResultStatus);
}

TResultList::~TResultList() {
  StopThumbLoader();
  m_stopped.clear(); // joins each
  // The view outlives this list; it must not paint through the delegate's model afterwards.
  if (m_tree)
    m_tree->setModel(nullptr);
}

void TResultList::Clear() {
  StopThumbLoader();
  m_queue->Clear();
  m_model->Clear();
}

void TResultList::StopThumbLoader() {
  std::erase_if(m_stopped, [](const auto &Loader) { return Loader->isFinished(); });
  if (!m_loader)
    return;
  m_loader->Terminate();
  m_stopped.push_back(std::move(m_loader));
}

void TResultList::RestartThumbLoader() {
  StopThumbLoader();
  m_queue->Clear();
  m_loader = std::make_unique<TResultShowLoadImages>(*m_model, *m_queue, m_thumbPauseMs);
}

void TResultList::HeaderClick(int Column) {
  if (Column < ColName || Column > ColGroup) {
    // The preview column does not sort; the header must not show that it did.
    m_tree->header()->setSortIndicator(m_sortColumn, m_sortOrder);
    return;
  }
  StopThumbLoader();
  if (!Resorting) {
    m_sortColumn = Column;
    m_sortOrder = m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
  }
  struct TNoRepaint {
    QTreeView *Tree;
    explicit TNoRepaint(QTreeView *T) : Tree(T) { Tree->setUpdatesEnabled(false); }
    ~TNoRepaint() { Tree->setUpdatesEnabled(true); }
  } noRepaint(m_tree);
  m_model->SortKeepingGroups(m_sortColumn, m_sortOrder, GroupColor1, GroupColor2);
  m_tree->header()->setSortIndicator(m_sortColumn, m_sortOrder);
  RestartThumbLoader();
}

void TResultList::UpdateResultStatus() {
  const TListStatistics stats = m_list.GetStatistics();
  m_status->setText(FormatText(m_lang.GetText(243) + QStringLiteral("  "),
                               {QString::number(stats.MarkedCount), QString::number(stats.GroupedCount),
                                FormatSizeKb(stats.MarkedSize), FormatSizeKb(stats.GroupedSize)}));
}

int TResultList::FocusedRow() const {
  const QModelIndex current = m_tree->currentIndex();
  return current.isValid() && current.row() < m_model->Count() ? current.row() : -1;
}
