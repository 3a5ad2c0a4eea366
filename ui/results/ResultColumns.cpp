#include "ui/results/ResultColumns.h"

#include "settings/FormatSize.h"
#include "ui/results/ResultModel.h"

#include <QEvent>
#include <QHeaderView>
#include <QScopedValueRollback>
#include <QStyle>
#include <QTreeView>

#include <algorithm>
#include <limits>

TResultColumns::TResultColumns(QTreeView *Tree, TResultModel &Model, QObject *Parent)
    : QObject(Parent), m_tree(Tree), m_model(Model) {
  QHeaderView *header = Header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(QHeaderView::Interactive);
  Tree->viewport()->installEventFilter(this);
  connect(header, &QHeaderView::sectionResized, this, &TResultColumns::Resized);
  connect(&Model, &QAbstractItemModel::modelReset, this, &TResultColumns::FitNumbers);
  connect(&Model, &QAbstractItemModel::rowsInserted, this, &TResultColumns::Widen);
  connect(&Model, &QAbstractItemModel::headerDataChanged, this, &TResultColumns::FitNumbers);
}

QHeaderView *TResultColumns::Header() const {
  return m_tree->header();
}

int TResultColumns::NumberWidth(int Column) const {
  return NumberWidth(Column, 0, m_model.Count() - 1);
}

int TResultColumns::NumberWidth(int Column, int First, int Last) const {
  // The longest texts belong to the smallest and the largest number; every digit is measured as the
  // font's widest, so fonts whose digits differ in width cannot cut one off either.
  qint64 low = std::numeric_limits<qint64>::max();
  qint64 high = std::numeric_limits<qint64>::min();
  const int method = m_model.ShownMethod();
  for (int row = First; row <= Last; ++row) {
    const qint64 value = NumberSortKey(*m_model.GetResultData(row), Column, method);
    low = std::min(low, value);
    high = std::max(high, value);
  }
  const QFontMetrics metrics(m_tree->font());
  int digit = 0;
  for (char c = '0'; c <= '9'; ++c)
    digit = std::max(digit, metrics.horizontalAdvance(QLatin1Char(c)));
  const auto width = [&](qint64 Value) {
    const QString text = Column == ColSize ? FormatSizeKb(Value) : QString::number(Value);
    int pixels = 0;
    for (const QChar c : text)
      pixels += c.isDigit() ? digit : metrics.horizontalAdvance(c);
    return pixels;
  };
  int text = 0;
  if (First <= Last)
    text = std::max(width(low), width(high));
  // The item views' text margin, on either side of the text (see QCommonStyle's item text).
  const int margin = m_tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_tree) + 1;
  return std::max(text + 2 * margin + 2, Header()->sectionSizeHint(Column));
}

int TResultColumns::SharedMinimum() const {
  return std::max(Header()->minimumSectionSize(), QFontMetrics(m_tree->font()).averageCharWidth() * 6);
}

void TResultColumns::FitNumbers() {
  for (const int column : {int(ColSize), int(ColGroup)}) {
    m_numberWidth[column - ColSize] = NumberWidth(column);
    SetWidth(column, m_numberWidth[column - ColSize]);
  }
  Fit();
}

void TResultColumns::Widen(const QModelIndex &, int First, int Last) {
  bool wider = false;
  for (const int column : {int(ColSize), int(ColGroup)}) {
    const int need = NumberWidth(column, First, Last);
    if (need > m_numberWidth[column - ColSize]) {
      m_numberWidth[column - ColSize] = need;
      SetWidth(column, std::max(need, Header()->sectionSize(column)));
      wider = true;
    }
  }
  if (wider)
    Fit();
}

int TResultColumns::SharedRoom() const {
  QHeaderView *header = Header();
  int others = 0;
  for (int column = 0; column < header->count(); ++column)
    if (column != ColName && column != ColFolder && !header->isSectionHidden(column))
      others += header->sectionSize(column);
  return m_tree->viewport()->width() - others;
}

void TResultColumns::SetWidth(int Column, int Width) {
  const QScopedValueRollback<bool> adjusting(m_adjusting, true);
  Header()->resizeSection(Column, Width);
}

int TResultColumns::ShareChange(int Delta) {
  QHeaderView *header = Header();
  const int minimum = SharedMinimum();
  int name = header->sectionSize(ColName);
  int folder = header->sectionSize(ColFolder);
  if (Delta >= 0) {
    name += Delta / 2;
    folder += Delta - Delta / 2;
    Delta = 0;
  } else {
    // Half from each, the rest from whichever still has room.
    const int fromName = std::min(std::max(name - minimum, 0), -Delta / 2);
    name -= fromName;
    Delta += fromName;
    const int fromFolder = std::min(std::max(folder - minimum, 0), -Delta);
    folder -= fromFolder;
    Delta += fromFolder;
    const int more = std::min(std::max(name - minimum, 0), -Delta);
    name -= more;
    Delta += more;
  }
  SetWidth(ColName, name);
  SetWidth(ColFolder, folder);
  return Delta;
}

void TResultColumns::Fit() {
  QHeaderView *header = Header();
  if (header->count() < ResultColumnCount)
    return;
  const int delta = SharedRoom() - header->sectionSize(ColName) - header->sectionSize(ColFolder);
  if (delta != 0)
    ShareChange(delta);
}

void TResultColumns::Resized(int Column, int OldWidth, int NewWidth) {
  if (m_adjusting || Header()->count() < ResultColumnCount)
    return;
  const QScopedValueRollback<bool> adjusting(m_adjusting, true);
  QHeaderView *header = Header();
  const int minimum = SharedMinimum();
  if (Column == ColName || Column == ColFolder) {
    // The other of the two gives or takes the difference.
    const int other = Column == ColName ? ColFolder : ColName;
    const int room = SharedRoom();
    const int width = std::min(std::max(NewWidth, minimum), std::max(room - minimum, minimum));
    header->resizeSection(Column, width);
    header->resizeSection(other, std::max(room - width, minimum));
    return;
  }
  int width = NewWidth;
  if (Column == ColSize || Column == ColGroup)
    width = std::max(width, m_numberWidth[Column - ColSize]);
  header->resizeSection(Column, width);
  // What Name and Folder cannot give up is taken back from the column dragged, down to its width
  // before the drag.
  const int rest = ShareChange(SharedRoom() - header->sectionSize(ColName) - header->sectionSize(ColFolder));
  if (rest < 0)
    header->resizeSection(Column, std::max(width + rest, std::min(OldWidth, width)));
}

bool TResultColumns::eventFilter(QObject *Watched, QEvent *Event) {
  if (Event->type() == QEvent::Resize && Watched == m_tree->viewport())
    Fit();
  return QObject::eventFilter(Watched, Event);
}
