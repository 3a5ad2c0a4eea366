// The main window's controls: the fourteen wizard pages and the buttons below them. Texts come
// from ApplyLanguage; here only structure, names and fixed properties.
#include "ui/dialogs/Named.h"
#include "ui/main/DMMain.h"
#include "ui/main/FolderTree.h"
#include "ui/main/Icons.h"
#include "ui/main/LinkLabel.h"
#include "ui/main/Main.h"
#include "ui/main/ProgressText.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QStyle>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {
QVBoxLayout *column(QWidget *Parent, int Spacing = 6) {
  auto *layout = new QVBoxLayout(Parent);
  layout->setSpacing(Spacing);
  return layout;
}

QProgressBar *progressBar(QWidget *Parent, const char *Name) {
  auto *bar = MakeNamed<QProgressBar>(Parent, Name);
  bar->setTextVisible(false);
  bar->setRange(0, 1);
  bar->setValue(0);
  return bar;
}

// A progress page's client: the step text, the bar, and the percentage under it.
void progressClient(QGroupBox *Client, TProgressText *Step, QProgressBar *Bar, TProgressText *Percent) {
  auto *layout = column(Client);
  layout->addStretch(1);
  if (Step)
    layout->addWidget(Step);
  layout->addWidget(Bar);
  layout->addWidget(Percent);
  layout->addStretch(2);
}

// A file or folder chooser: caption, then the field and its button on one line.
void chooserClient(QGroupBox *Client, QLabel *Caption, QLineEdit *Edit, QPushButton *Button) {
  auto *layout = column(Client);
  Caption->setBuddy(Edit);
  layout->addWidget(Caption);
  auto *row = new QHBoxLayout;
  row->addWidget(Edit, 1);
  row->addWidget(Button);
  layout->addLayout(row);
  layout->addStretch();
}

// A link under radio buttons, indented to their texts.
void addUnderChoices(QVBoxLayout *Layout, QWidget *Link) {
  auto *row = new QHBoxLayout;
  row->addSpacing(22);
  row->addWidget(Link);
  row->addStretch();
  Layout->addLayout(row);
}

QTextEdit *logView(QWidget *Parent, const char *Name) {
  auto *log = MakeNamed<QTextEdit>(Parent, Name);
  log->setReadOnly(true);
  log->setFrameShape(QFrame::NoFrame);
  log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  return log;
}

QToolButton *toolButton(QToolBar *Bar, const char *Name, TToolbarGlyph Glyph) {
  auto *button = MakeNamed<QToolButton>(Bar, Name);
  button->setIcon(ToolbarIcon(Glyph));
  button->setAutoRaise(true);
  Bar->addWidget(button);
  return button;
}

QLabel *statusPanel(QStatusBar *Bar, const char *Name) {
  auto *panel = MakeNamed<QLabel>(Bar, Name);
  panel->setMinimumWidth(200);
  panel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Bar->addPermanentWidget(panel, 1);
  Bar->setSizeGripEnabled(false);
  return panel;
}
} // namespace

QWidget *TfrmMain::AddPage(const char *Name, QLabel *&Top, QLabel *&Image, QGroupBox *&Client,
                           const char *ClientPrefix) {
  // "tbsX" has the header "lblXTop", the picture "imgX" and the client "boxXClient" (or "gbxXClient").
  const QByteArray stem = QByteArray(Name).mid(3);
  const QByteArray topName = "lbl" + stem + "Top";
  const QByteArray imageName = "img" + stem;
  const QByteArray clientName = ClientPrefix + stem + "Client";
  auto *page = MakeNamed<QWidget>(pgcMain, Name);
  auto *layout = column(page, 8);
  layout->setContentsMargins(8, 8, 8, 4);
  auto *header = new QHBoxLayout;
  Image = MakeNamed<QLabel>(page, imageName.constData());
  Image->setPixmap(ProgramIcon().pixmap(32, 32));
  header->addWidget(Image);
  Top = MakeNamed<QLabel>(page, topName.constData());
  QFont f = Top->font();
  f.setBold(true);
  f.setPointSizeF(f.pointSizeF() * 1.25);
  Top->setFont(f);
  Top->setWordWrap(true);
  header->addWidget(Top, 1);
  layout->addLayout(header);
  Client = MakeNamed<QGroupBox>(page, clientName.constData());
  layout->addWidget(Client, 1);
  pgcMain->addWidget(page);
  return page;
}

void TfrmMain::BuildWindow() {
  auto *central = new QWidget(this);
  setCentralWidget(central);
  auto *layout = column(central, 4);
  layout->setContentsMargins(0, 0, 0, 8);

  pgcMain = MakeNamed<QStackedWidget>(central, "pgcMain");
  layout->addWidget(pgcMain, 1);
  // The pages come before the wizard buttons, so the focus starts on the page and Tab reaches the
  // buttons last.
  BuildFirstPages();
  BuildResultPages();
  BuildActionPages();
  BuildRestorePages();

  auto *line = new QFrame(central);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  layout->addWidget(line);

  auto *buttons = new QHBoxLayout;
  buttons->setContentsMargins(8, 0, 8, 0);
  btnHelp = MakeNamed<QPushButton>(central, "btnHelp");
  btnHelp->setIcon(HelpIcon());
  btnHelp->setShortcut(QKeySequence::HelpContents);
  btnBack = MakeNamed<QPushButton>(central, "btnBack");
  btnNext = MakeNamed<QPushButton>(central, "btnNext");
  btnNext->setDefault(true);
  btnExit = MakeNamed<QPushButton>(central, "btnExit");
  for (QPushButton *button : {btnBack, btnNext, btnExit})
    button->setMinimumWidth(90);
  buttons->addWidget(btnHelp);
  buttons->addStretch();
  buttons->addWidget(btnBack);
  buttons->addWidget(btnNext);
  buttons->addSpacing(12);
  buttons->addWidget(btnExit);
  layout->addLayout(buttons);

  // Outside a dialog a button answers Enter only when told to: a focused button takes Enter itself,
  // everywhere else it means Next (keyPressEvent).
  for (QPushButton *button : findChildren<QPushButton *>())
    button->setAutoDefault(true);

  connect(btnNext, &QPushButton::clicked, this, &TfrmMain::btnNextClick);
  connect(btnBack, &QPushButton::clicked, this, &TfrmMain::btnBackClick);
  connect(btnExit, &QPushButton::clicked, this, &TfrmMain::btnExitClick);
  connect(btnHelp, &QPushButton::clicked, this, &TfrmMain::btnHelpClick);
  connect(btnOptions, &QPushButton::clicked, this, &TfrmMain::btnOptionsClick);
  connect(btnRun, &QToolButton::clicked, this, &TfrmMain::btnRunClick);
  ConnectResultCommands();
  connect(cbxSearchArchive, &QCheckBox::clicked, this, &TfrmMain::cbxSearchArchiveClick);
  connect(lblMapDriveMount, &TLinkLabel::clicked, this, &TfrmMain::lblMapDriveMountClick);
  connect(lblMapDriveUnmount, &TLinkLabel::clicked, this, &TfrmMain::lblMapDriveUnmountClick);
  connect(lblFirstRecoveryInfo, &TLinkLabel::clicked, this, &TfrmMain::OpenHelpIndex);
  connect(lblActionMoveInfo, &TLinkLabel::clicked, this, &TfrmMain::OpenHelpIndex);
  connect(btnFilter, &QToolButton::clicked, this, &TfrmMain::btnFilterClick);
  connect(lblSearchMethodMp3Options, &TLinkLabel::clicked, this, &TfrmMain::lblSearchMethodMp3OptionsClick);
  connect(lblSearchMethodPropertyOptions, &TLinkLabel::clicked, this,
          &TfrmMain::lblSearchMethodPropertyOptionsClick);
  connect(this, &TfrmMain::PageChanged, this, [this](QWidget *Page) {
    if (Page == tbsWhat)
      tbsWhatShow();
  });
}

void TfrmMain::BuildFirstPages() {
  // Start: the three roads.
  tbsFirst = AddPage("tbsFirst", lblFirstTop, imgFirst, gbxFirstClient, "gbx");
  rbtFirstFind = MakeNamed<QRadioButton>(gbxFirstClient, "rbtFirstFind");
  rbtFirstFind->setChecked(true);
  rbtFirstOpen = MakeNamed<QRadioButton>(gbxFirstClient, "rbtFirstOpen");
  rbtFirstRecovery = MakeNamed<QRadioButton>(gbxFirstClient, "rbtFirstRecovery");
  lblFirstRecoveryInfo = MakeNamed<TLinkLabel>(gbxFirstClient, "lblFirstRecoveryInfo");
  {
    auto *layout = column(gbxFirstClient, 10);
    layout->addWidget(rbtFirstFind);
    layout->addWidget(rbtFirstOpen);
    layout->addWidget(rbtFirstRecovery);
    addUnderChoices(layout, lblFirstRecoveryInfo);
    layout->addStretch();
  }
  btnOptions = MakeNamed<QPushButton>(tbsFirst, "btnOptions");
  {
    auto *row = new QHBoxLayout;
    row->addWidget(btnOptions);
    row->addStretch();
    static_cast<QVBoxLayout *>(tbsFirst->layout())->addLayout(row);
  }

  // What to search for.
  tbsWhat = AddPage("tbsWhat", lblWhatTop, imgWhat, gbxWhatClient, "gbx");
  cbxSearchMethodCrc = MakeNamed<QCheckBox>(gbxWhatClient, "cbxSearchMethodCrc");
  cbxSearchMethodCrc->setChecked(true);
  cbxSearchMethodImage = MakeNamed<QCheckBox>(gbxWhatClient, "cbxSearchMethodImage");
  cbxSearchMethodMp3 = MakeNamed<QCheckBox>(gbxWhatClient, "cbxSearchMethodMp3");
  lblSearchMethodMp3Options = MakeNamed<TLinkLabel>(gbxWhatClient, "lblSearchMethodMp3Options");
  cbxSearchMethodProperty = MakeNamed<QCheckBox>(gbxWhatClient, "cbxSearchMethodProperty");
  lblSearchMethodPropertyOptions = MakeNamed<TLinkLabel>(gbxWhatClient, "lblSearchMethodPropertyOptions");
  cbxSearchMethodZero = MakeNamed<QCheckBox>(gbxWhatClient, "cbxSearchMethodZero");
  btnFilter = MakeNamed<QToolButton>(gbxWhatClient, "btnFilter");
  btnFilter->setCheckable(true);
  btnFilter->setToolButtonStyle(Qt::ToolButtonTextOnly);
  btnFilter->setMinimumWidth(120);
  {
    auto *layout = column(gbxWhatClient, 10);
    // The methods in one column, their option links lined up in the next.
    auto *methods = new QGridLayout;
    methods->setVerticalSpacing(10);
    methods->setHorizontalSpacing(12);
    methods->setColumnStretch(2, 1);
    QCheckBox *const boxes[] = {cbxSearchMethodCrc, cbxSearchMethodImage, cbxSearchMethodMp3,
                                cbxSearchMethodProperty, cbxSearchMethodZero};
    for (int row = 0; row < 5; ++row)
      methods->addWidget(boxes[row], row, 0);
    methods->addWidget(lblSearchMethodMp3Options, 2, 1);
    methods->addWidget(lblSearchMethodPropertyOptions, 3, 1);
    layout->addLayout(methods);
    layout->addStretch();
    auto *row = new QHBoxLayout;
    row->addWidget(btnFilter);
    row->addStretch();
    layout->addLayout(row);
  }

  // Folders.
  tbsFolders = AddPage("tbsFolders", lblFoldersTop, imgFolders, boxFoldersClient);
  trvFolders = MakeNamed<TFolderTree>(boxFoldersClient, "trvFolders");
  cbxSearchArchive = MakeNamed<QCheckBox>(boxFoldersClient, "cbxSearchArchive");
  lblMapDriveMount = MakeNamed<TLinkLabel>(boxFoldersClient, "lblMapDriveMount");
  lblMapDriveUnmount = MakeNamed<TLinkLabel>(boxFoldersClient, "lblMapDriveUnmount");
  {
    auto *layout = column(boxFoldersClient);
    layout->addWidget(trvFolders, 1);
    layout->addWidget(cbxSearchArchive);
    auto *row = new QHBoxLayout;
    row->addWidget(lblMapDriveMount);
    row->addSpacing(16);
    row->addWidget(lblMapDriveUnmount);
    row->addStretch();
    layout->addLayout(row);
  }

  // A search or a result file loading.
  tbsFinding = AddPage("tbsFinding", lblFindingTop, imgFinding, boxFindingClient);
  lblStep = new TProgressText(boxFindingClient, 2);
  lblStep->setObjectName(QStringLiteral("lblStep"));
  pbrFind = progressBar(boxFindingClient, "pbrFind");
  lblPercent = new TProgressText(boxFindingClient, 1, Qt::AlignHCenter);
  lblPercent->setObjectName(QStringLiteral("lblPercent"));
  progressClient(boxFindingClient, lblStep, pbrFind, lblPercent);
}

void TfrmMain::BuildResultPages() {
  tbsResults = AddPage("tbsResults", lblResultsTop, imgResults, boxResultsClient);
  tbrResults = MakeNamed<QToolBar>(boxResultsClient, "tbrResults");
  tbrResults->setIconSize(QSize(16, 16));
  btnRun = toolButton(tbrResults, "btnRun", TToolbarGlyph::Run);
  tbrResults->addSeparator();
  btnSelect = toolButton(tbrResults, "btnSelect", TToolbarGlyph::Select);
  btnSelectCopies = toolButton(tbrResults, "btnSelectCopies", TToolbarGlyph::SelectCopies);
  btnSelectAutomatically =
      toolButton(tbrResults, "btnSelectAutomatically", TToolbarGlyph::SelectAutomatically);
  tbrResults->addSeparator();
  btnSelectAll = toolButton(tbrResults, "btnSelectAll", TToolbarGlyph::SelectAll);
  btnSelectNone = toolButton(tbrResults, "btnSelectNone", TToolbarGlyph::SelectNone);
  btnSelectInvert = toolButton(tbrResults, "btnSelectInvert", TToolbarGlyph::SelectInvert);
  tbrResults->addSeparator();
  btnSaveResult = toolButton(tbrResults, "btnSaveResult", TToolbarGlyph::Save);

  trvResult = MakeNamed<QTreeView>(boxResultsClient, "trvResult");
  auto *resultModel = new QStandardItemModel(0, 5, trvResult);
  trvResult->setModel(resultModel);
  trvResult->setRootIsDecorated(false);
  trvResult->setIndentation(0);
  trvResult->setSelectionBehavior(QAbstractItemView::SelectRows);
  trvResult->setUniformRowHeights(false);
  trvResult->setSortingEnabled(false);
  trvResult->setContextMenuPolicy(Qt::CustomContextMenu);
  QHeaderView *header = trvResult->header();
  header->setSectionsMovable(true);
  header->setSortIndicatorShown(true);
  header->setSortIndicator(-1, Qt::AscendingOrder); // unsorted until a column is clicked
  header->setStretchLastSection(false);
  const int widths[] = {150, 200, 80, 60, 80};
  for (int column = 0; column < 5; ++column)
    header->resizeSection(column, widths[column]);

  mnuResults = MakeNamed<QMenu>(trvResult, "mnuResults");
  const auto menuItem = [this](const char *name, QToolButton *button) {
    auto *action = mnuResults->addAction(QString());
    action->setObjectName(QLatin1String(name));
    action->setIcon(button->icon());
    connect(action, &QAction::triggered, button, &QToolButton::click);
    return action;
  };
  mniRun = menuItem("mniRun", btnRun);
  mnuResults->addSeparator();
  mniSelect = menuItem("mniSelect", btnSelect);
  mniSelectCopies = menuItem("mniSelectCopies", btnSelectCopies);
  mniSelectAutomatically = menuItem("mniSelectAutomatically", btnSelectAutomatically);
  mnuResults->addSeparator();
  mniSelectAll = menuItem("mniSelectAll", btnSelectAll);
  mniSelectNone = menuItem("mniSelectNone", btnSelectNone);
  mniSelectInvert = menuItem("mniSelectInvert", btnSelectInvert);
  mnuResults->addSeparator();
  mniSaveResult = menuItem("mniSaveResult", btnSaveResult);
  connect(trvResult, &QTreeView::customContextMenuRequested, this,
          [this](const QPoint &at) { mnuResults->popup(trvResult->viewport()->mapToGlobal(at)); });

  barResult = MakeNamed<QStatusBar>(boxResultsClient, "barResult");
  barResultPanel = statusPanel(barResult, "barResultPanel");
  {
    auto *layout = column(boxResultsClient, 2);
    layout->addWidget(tbrResults);
    layout->addWidget(trvResult, 1);
    layout->addWidget(barResult);
  }
}

void TfrmMain::BuildActionPages() {
  tbsAction = AddPage("tbsAction", lblActionTop, imgAction, boxActionClient);
  rbtActionDelete = MakeNamed<QRadioButton>(boxActionClient, "rbtActionDelete");
  rbtActionDeleteToRecicly = MakeNamed<QRadioButton>(boxActionClient, "rbtActionDeleteToRecicly");
  rbtActionDeleteToRecicly->setChecked(true);
  rbtActionMove = MakeNamed<QRadioButton>(boxActionClient, "rbtActionMove");
  rbtActionCopy = MakeNamed<QRadioButton>(boxActionClient, "rbtActionCopy");
  lblActionMoveInfo = MakeNamed<TLinkLabel>(boxActionClient, "lblActionMoveInfo");
  {
    auto *layout = column(boxActionClient, 10);
    for (QRadioButton *choice : {rbtActionDelete, rbtActionDeleteToRecicly, rbtActionMove, rbtActionCopy})
      layout->addWidget(choice);
    addUnderChoices(layout, lblActionMoveInfo);
    layout->addStretch();
  }

  tbsDeleting = AddPage("tbsDeleting", lblDeletingTop, imgDeleting, boxDeletingClient);
  pbrDeleting = progressBar(boxDeletingClient, "pbrDeleting");
  lblDeletingPercent = new TProgressText(boxDeletingClient, 1, Qt::AlignHCenter);
  lblDeletingPercent->setObjectName(QStringLiteral("lblDeletingPercent"));
  progressClient(boxDeletingClient, nullptr, pbrDeleting, lblDeletingPercent);

  tbsOpenResult = AddPage("tbsOpenResult", lblOpenResultTop, imgOpenResult, boxOpenResultClient);
  lblOpenResultFileChoose = MakeNamed<QLabel>(boxOpenResultClient, "lblOpenResultFileChoose");
  edtResultOpen = MakeNamed<QLineEdit>(boxOpenResultClient, "edtResultOpen");
  btnResultOpen = MakeNamed<QPushButton>(boxOpenResultClient, "btnResultOpen");
  chooserClient(boxOpenResultClient, lblOpenResultFileChoose, edtResultOpen, btnResultOpen);

  tbsOpenMoveFolder =
      AddPage("tbsOpenMoveFolder", lblOpenMoveFolderTop, imgOpenMoveFolder, boxOpenMoveFolderClient);
  lblFolder = MakeNamed<QLabel>(boxOpenMoveFolderClient, "lblFolder");
  edtFolder = MakeNamed<QLineEdit>(boxOpenMoveFolderClient, "edtFolder");
  btnSelectFolder = MakeNamed<QPushButton>(boxOpenMoveFolderClient, "btnSelectFolder");
  chooserClient(boxOpenMoveFolderClient, lblFolder, edtFolder, btnSelectFolder);

  tbsLog = AddPage("tbsLog", lblLogTop, imgLog, boxLogClient);
  memLog = logView(boxLogClient, "memLog");
  column(boxLogClient)->addWidget(memLog);
}

void TfrmMain::BuildRestorePages() {
  tbsOpenRestoreFolder = AddPage("tbsOpenRestoreFolder", lblOpenRestoreFolderTop, imgOpenRestoreFolder,
                                 boxOpenRestoreFolderClient);
  lblRestoreFolder = MakeNamed<QLabel>(boxOpenRestoreFolderClient, "lblRestoreFolder");
  edtFolderRestore = MakeNamed<QLineEdit>(boxOpenRestoreFolderClient, "edtFolderRestore");
  btnFolderRestoreSelect = MakeNamed<QPushButton>(boxOpenRestoreFolderClient, "btnFolderRestoreSelect");
  chooserClient(boxOpenRestoreFolderClient, lblRestoreFolder, edtFolderRestore, btnFolderRestoreSelect);

  tbsRestoreFiles = AddPage("tbsRestoreFiles", lblRestoreFilesTop, imgRestoreFiles, boxRestoreFilesClient);
  tbrRestoreFiles = MakeNamed<QToolBar>(boxRestoreFilesClient, "tbrRestoreFiles");
  tbrRestoreFiles->setIconSize(QSize(16, 16));
  btnRestoreRun = toolButton(tbrRestoreFiles, "btnRestoreRun", TToolbarGlyph::Run);
  tbrRestoreFiles->addSeparator();
  btnRestoreSelect = toolButton(tbrRestoreFiles, "btnRestoreSelect", TToolbarGlyph::Select);
  tbrRestoreFiles->addSeparator();
  btnRestoreSelectAll = toolButton(tbrRestoreFiles, "btnRestoreSelectAll", TToolbarGlyph::SelectAll);
  btnRestoreSelectNone = toolButton(tbrRestoreFiles, "btnRestoreSelectNone", TToolbarGlyph::SelectNone);
  btnRestoreSelectInvert = toolButton(tbrRestoreFiles, "btnRestoreSelectInvert", TToolbarGlyph::SelectInvert);
  trvRestoreFiles = MakeNamed<QTreeView>(boxRestoreFilesClient, "trvRestoreFiles");
  trvRestoreFiles->setModel(new QStandardItemModel(0, 1, trvRestoreFiles));
  trvRestoreFiles->setHeaderHidden(true);
  trvRestoreFiles->setIndentation(10);
  trvRestoreFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
  barRestoreFiles = MakeNamed<QStatusBar>(boxRestoreFilesClient, "barRestoreFiles");
  barRestoreFilesPanel = statusPanel(barRestoreFiles, "barRestoreFilesPanel");
  cbxRestoreCreateDir = MakeNamed<QCheckBox>(boxRestoreFilesClient, "cbxRestoreCreateDir");
  cbxRestoreCreateDir->setChecked(true);
  cbxRestoreCopyExist = MakeNamed<QCheckBox>(boxRestoreFilesClient, "cbxRestoreCopyExist");
  cbxRestoreCopyExist->setChecked(true);
  {
    auto *layout = column(boxRestoreFilesClient, 2);
    layout->addWidget(tbrRestoreFiles);
    layout->addWidget(trvRestoreFiles, 1);
    layout->addWidget(barRestoreFiles);
    layout->addWidget(cbxRestoreCreateDir);
    layout->addWidget(cbxRestoreCopyExist);
  }

  tbsRestoring = AddPage("tbsRestoring", lblRestoringTop, imgRestoring, boxRestoringClient);
  pbrRestoring = progressBar(boxRestoringClient, "pbrRestoring");
  lblRestoringPercent = new TProgressText(boxRestoringClient, 1, Qt::AlignHCenter);
  lblRestoringPercent->setObjectName(QStringLiteral("lblRestoringPercent"));
  progressClient(boxRestoringClient, nullptr, pbrRestoring, lblRestoringPercent);

  tbsRestoreLog = AddPage("tbsRestoreLog", lblRestoreLogTop, imgRestoreLog, boxRestoreLogClient);
  memRestoreLog = logView(boxRestoreLogClient, "memRestoreLog");
  btnRestoreLogSave = MakeNamed<QPushButton>(boxRestoreLogClient, "btnRestoreLogSave");
  {
    auto *layout = column(boxRestoreLogClient);
    layout->addWidget(memRestoreLog, 1);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(btnRestoreLogSave);
    layout->addLayout(row);
  }
}
