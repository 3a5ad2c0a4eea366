#include "ui/results/ResultList.h"

#include "engine/ResultFile.h"
#include "settings/FileGroupExt.h"
#include "settings/FormatSize.h"
#include "settings/Language.h"
#include "ui/results/ResultColumns.h"
#include "ui/results/ResultDelegate.h"
#include "ui/results/ResultShowLoadImages.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeView>

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
  m_columns = new TResultColumns(Tree, *m_model, this);
  // Rows are rebuilt (a reset) only when a step is shown; the view would keep the old step's place.
  connect(m_model, &QAbstractItemModel::modelReset, this, &TResultList::OpenAtTop);
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
  if (Resorting)
    OpenAtTop();
  RestartThumbLoader();
}

void TResultList::OpenAtTop() {
  if (!m_tree)
    return;
  if (m_model->Count() > 0)
    m_tree->setCurrentIndex(m_model->index(0, ColName));
  m_tree->scrollToTop();
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
