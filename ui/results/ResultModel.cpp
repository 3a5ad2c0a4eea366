#include "ui/results/ResultModel.h"

#include "settings/Language.h"

#include <QApplication>
#include <QDateTime>
#include <QPalette>

#include <algorithm>
#include <numeric>
#include <unordered_map>

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

namespace {
// The rows' places in the stable order of their keys; keys are made once per row, not once per
// comparison.
template <typename Key, typename TRows, typename TKeyOf>
std::vector<int> SortedOrder(const TRows &Rows, bool Descending, const TKeyOf &KeyOf) {
  std::vector<Key> keys;
  keys.reserve(Rows.size());
  for (const auto &row : Rows)
    keys.push_back(KeyOf(*row.Data));
  std::vector<int> order(keys.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int X, int Y) {
    return CompareSortKeys(keys[size_t(Descending ? Y : X)], keys[size_t(Descending ? X : Y)]) < 0;
  });
  return order;
}
} // namespace

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
  row.CheckBox = item->CanTakeMark();
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
  row.Data->SetMarked(Checked);
  // A row without a check box holds no hidden check either: the row and its file's mark agree.
  row.Checked = row.Data->Item->Viewed.Marked;
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

void TResultModel::SortKeepingGroups(int Column, Qt::SortOrder Order, QRgb Colour1, QRgb Colour2) {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const int count = Count();
  const int method = ShownMethod();
  const bool descending = Order == Qt::DescendingOrder;
  std::vector<int> order;
  switch (SortKind(Column)) {
  case TSortKind::Text:
    order = SortedOrder<QString>(m_rows, descending,
                                 [&](const TResultShow &Row) { return TextSortKey(Row, Column, method); });
    break;
  case TSortKind::Number:
    order = SortedOrder<qint64>(m_rows, descending,
                                [&](const TResultShow &Row) { return NumberSortKey(Row, Column, method); });
    break;
  case TSortKind::None:
    order.resize(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    break;
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
