#include "ui/results/Marker.h"

#include "platform/Names.h"
#include "settings/Language.h"
#include "ui/dialogs/Named.h"
#include "ui/results/ResultModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include <functional>

namespace {

// The hourglass for the length of a block.
struct THourglass {
  THourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~THourglass() { QApplication::restoreOverrideCursor(); }
};

// A page: its group box on top, its two buttons at the bottom right.
QWidget *MakePage(QTabWidget *Pages, const char *Name, QGroupBox *&Box, const char *BoxName, QPushButton *&Ok,
                  const char *OkName, QPushButton *&Cancel, const char *CancelName) {
  auto *page = MakeNamed<QWidget>(Pages, Name);
  Box = MakeNamed<QGroupBox>(page, BoxName);
  Ok = MakeNamed<QPushButton>(page, OkName);
  Cancel = MakeNamed<QPushButton>(page, CancelName);
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(Box, 1);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Ok);
  buttons->addWidget(Cancel);
  layout->addLayout(buttons);
  Pages->addTab(page, QString());
  return page;
}

} // namespace

TfrmMarker::TfrmMarker(TResultModel &Model, const TLangList &Lang, std::function<void()> UpdateStatus,
                       QWidget *Parent)
    : QDialog(Parent), m_model(Model), m_lang(Lang), m_updateStatus(std::move(UpdateStatus)) {
  THourglass hourglass;
  setObjectName(QStringLiteral("frmMarker"));
  pgcMain = MakeNamed<QTabWidget>(this, "pgcMain");
  (new QVBoxLayout(this))->addWidget(pgcMain);

  tbsCriterions = MakePage(pgcMain, "tbsCriterions", boxCriterions, "boxCriterions", btnCriterionsOk,
                           "btnCriterionsOk", btnCriterionsCancel, "btnCriterionsCancel");
  rbtDateCreate = MakeNamed<QRadioButton>(boxCriterions, "rbtDateCreate");
  rbtDateUpdate = MakeNamed<QRadioButton>(boxCriterions, "rbtDateUpdate");
  rbtSize = MakeNamed<QRadioButton>(boxCriterions, "rbtSize");
  cmbDateCreate = MakeNamed<QComboBox>(boxCriterions, "cmbDateCreate");
  cmbDateUpdate = MakeNamed<QComboBox>(boxCriterions, "cmbDateUpdate");
  cmbSize = MakeNamed<QComboBox>(boxCriterions, "cmbSize");
  cbxNotUseCheked = MakeNamed<QCheckBox>(tbsCriterions, "cbxNotUseCheked");
  rbtDateCreate->setChecked(true);
  cbxNotUseCheked->setChecked(true);
  {
    auto *grid = new QGridLayout(boxCriterions);
    QRadioButton *const choices[] = {rbtDateCreate, rbtDateUpdate, rbtSize};
    QComboBox *const lists[] = {cmbDateCreate, cmbDateUpdate, cmbSize};
    for (int row = 0; row < 3; ++row) {
      grid->addWidget(choices[row], row, 0);
      grid->addWidget(lists[row], row, 1);
    }
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(3, 1);
    static_cast<QVBoxLayout *>(tbsCriterions->layout())->insertWidget(1, cbxNotUseCheked);
  }

  tbsFolders = MakePage(pgcMain, "tbsFolders", boxFolders, "boxFolders", btnFoldersOk, "btnFoldersOk",
                        btnFoldersCancel, "btnFoldersCancel");
  trvFolders = MakeNamed<QTreeView>(boxFolders, "trvFolders");
  m_folders = new QStandardItemModel(trvFolders);
  trvFolders->setModel(m_folders);
  trvFolders->setHeaderHidden(true);
  trvFolders->setEditTriggers(QAbstractItemView::NoEditTriggers);
  rbtFoldersCheck = MakeNamed<QRadioButton>(boxFolders, "rbtFoldersCheck");
  rbtFoldersUnCheck = MakeNamed<QRadioButton>(boxFolders, "rbtFoldersUnCheck");
  rbtFoldersCheck->setChecked(true);
  {
    auto *layout = new QVBoxLayout(boxFolders);
    layout->addWidget(trvFolders, 1);
    layout->addWidget(rbtFoldersCheck);
    layout->addWidget(rbtFoldersUnCheck);
  }
  connect(m_folders, &QStandardItemModel::itemChanged, this, &TfrmMarker::PropagateCheckToChildren);

  tbsExtensions = MakePage(pgcMain, "tbsExtensions", boxExtensions, "boxExtensions", btnExtensionsOk,
                           "btnExtensionsOk", btnExtensionsCancel, "btnExtensionsCancel");
  lbxExtensions = MakeNamed<QListWidget>(boxExtensions, "lbxExtensions");
  rbtExtensionsCheck = MakeNamed<QRadioButton>(boxExtensions, "rbtExtensionsCheck");
  rbtExtensionsUnCheck = MakeNamed<QRadioButton>(boxExtensions, "rbtExtensionsUnCheck");
  rbtExtensionsCheck->setChecked(true);
  {
    auto *layout = new QVBoxLayout(boxExtensions);
    layout->addWidget(lbxExtensions, 1);
    layout->addWidget(rbtExtensionsCheck);
    layout->addWidget(rbtExtensionsUnCheck);
  }

  connect(btnCriterionsOk, &QPushButton::clicked, this, &TfrmMarker::btnCriterionsOkClick);
  connect(btnFoldersOk, &QPushButton::clicked, this, &TfrmMarker::btnFoldersOkClick);
  connect(btnExtensionsOk, &QPushButton::clicked, this, &TfrmMarker::btnExtensionsOkClick);
  for (QPushButton *cancel : {btnCriterionsCancel, btnFoldersCancel, btnExtensionsCancel})
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  ApplyLanguage();
  pgcMain->setCurrentWidget(tbsCriterions);
  FillFolders();
  FillExtensions();
  resize(460, 420);
}

void TfrmMarker::ApplyLanguage() {
  const auto T = [this](int Id) { return m_lang.GetText(Id); };
  setWindowTitle(T(2081));
  pgcMain->setTabText(pgcMain->indexOf(tbsCriterions), T(2083));
  pgcMain->setTabText(pgcMain->indexOf(tbsFolders), T(2084));
  pgcMain->setTabText(pgcMain->indexOf(tbsExtensions), T(241));
  for (QPushButton *ok : {btnCriterionsOk, btnFoldersOk, btnExtensionsOk})
    ok->setText(T(2082));
  for (QPushButton *cancel : {btnCriterionsCancel, btnFoldersCancel, btnExtensionsCancel})
    cancel->setText(T(2010));
  boxCriterions->setTitle(T(2085));
  rbtDateCreate->setText(T(2086));
  rbtDateUpdate->setText(T(2087));
  rbtSize->setText(T(2088));
  cmbSize->addItems({T(2092), T(2091)});
  cmbSize->setCurrentIndex(0);
  cmbDateUpdate->addItems({T(2089), T(2090)});
  cmbDateUpdate->setCurrentIndex(1);
  cmbDateCreate->addItems({T(2089), T(2090)});
  cmbDateCreate->setCurrentIndex(0);
  boxFolders->setTitle(T(2093));
  cbxNotUseCheked->setText(T(2094));
  rbtFoldersCheck->setText(T(2095));
  rbtFoldersUnCheck->setText(T(2096));
  rbtExtensionsCheck->setText(T(2095));
  rbtExtensionsUnCheck->setText(T(2096));
  boxExtensions->setTitle(T(242));
}

void TfrmMarker::FillFolders() {
  QStringList folders = GatherFolders(m_model);
  RemovePrefixPaths(folders);
  m_propagating = true;
  FillFolderTree(m_folders->invisibleRootItem(), folders);
  m_propagating = false;
  trvFolders->expandAll();
}

void TfrmMarker::FillExtensions() {
  for (const QString &key : GatherExtensions(m_model)) {
    // Shown with the bytes that are not UTF-8 escaped; the key itself is kept beside.
    auto *entry = new QListWidgetItem(platform::ShownName(key), lbxExtensions);
    entry->setData(NameRole, key);
    entry->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    entry->setCheckState(Qt::Unchecked);
  }
}

void TfrmMarker::PropagateCheckToChildren(QStandardItem *Node) {
  if (m_propagating || !Node)
    return;
  m_propagating = true;
  const Qt::CheckState state = Node->checkState();
  const std::function<void(QStandardItem *)> copyDown = [&](QStandardItem *Parent) {
    for (int row = 0; row < Parent->rowCount(); ++row) {
      QStandardItem *child = Parent->child(row);
      child->setCheckState(state);
      copyDown(child);
    }
  };
  copyDown(Node);
  m_propagating = false;
}

TCriterionChoice TfrmMarker::Choice() const {
  TCriterionChoice choice;
  if (rbtDateUpdate->isChecked()) {
    choice.Kind = TCriterionKind::DateUpdate;
    choice.TakeLast = cmbDateUpdate->currentIndex() == 1;
  } else if (rbtSize->isChecked()) {
    choice.Kind = TCriterionKind::Size;
    choice.TakeLast = cmbSize->currentIndex() == 1;
  } else {
    choice.TakeLast = cmbDateCreate->currentIndex() == 1;
  }
  choice.NotUseChecked = cbxNotUseCheked->isChecked();
  return choice;
}

void TfrmMarker::MarkAllGroupsByCriterion() {
  ::MarkAllGroupsByCriterion(m_model, Choice());
}

void TfrmMarker::MarkByFolders() {
  ::MarkByFolders(m_model, CheckedFoldersList(), rbtFoldersCheck->isChecked());
}

void TfrmMarker::MarkByExtensions() {
  ::MarkByExtensions(m_model, CheckedExtensions(), rbtExtensionsCheck->isChecked());
}

QStringList TfrmMarker::CheckedFoldersList() const {
  return ::CheckedFoldersList(m_folders->invisibleRootItem());
}

QStringList TfrmMarker::CheckedExtensions() const {
  QStringList keys;
  for (int row = 0; row < lbxExtensions->count(); ++row)
    if (lbxExtensions->item(row)->checkState() == Qt::Checked)
      keys << lbxExtensions->item(row)->data(NameRole).toString();
  return keys;
}

QStandardItem *TfrmMarker::FolderNode(const QString &Folder) const {
  QStandardItem *node = m_folders->invisibleRootItem();
  for (const QString &component : SplitPathComponents(Folder)) {
    node = FindSiblingByText(node, component);
    if (!node)
      return nullptr;
  }
  return node == m_folders->invisibleRootItem() ? nullptr : node;
}

void TfrmMarker::MarkAndClose(void (TfrmMarker::*Marking)()) {
  {
    THourglass hourglass;
    (this->*Marking)();
    if (m_updateStatus)
      m_updateStatus();
  }
  accept();
}

void TfrmMarker::btnCriterionsOkClick() {
  MarkAndClose(&TfrmMarker::MarkAllGroupsByCriterion);
}

void TfrmMarker::btnFoldersOkClick() {
  MarkAndClose(&TfrmMarker::MarkByFolders);
}

void TfrmMarker::btnExtensionsOkClick() {
  MarkAndClose(&TfrmMarker::MarkByExtensions);
}
