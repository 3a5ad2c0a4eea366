#include "ui/main/Main.h"
#include "ui/main/RestoreList.h"

#include "engine/ReadAhead.h"
#include "engine/StepStorage.h"
#include "engine/UsePropertyFile.h"
#include "settings/FileGroupExt.h"
#include "settings/Language.h"
#include "settings/Registry.h"
#include "ui/dialogs/ArchiveInformation.h"
#include "ui/dialogs/DialogService.h"
#include "ui/dialogs/Options.h"
#include "ui/main/DMMain.h"
#include "ui/main/FolderTree.h"
#include "ui/main/Helpers.h"
#include "ui/main/IconAnimation.h"
#include "ui/main/Icons.h"
#include "ui/main/ResultSteps.h"
#include "ui/results/ResultShow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QThread>
#include <QToolButton>
#include <QTreeView>

TfrmMain *frmMain = nullptr;

namespace {
constexpr int PausePassMs = 80;
// How often a running operation repaints and answers the user: often enough to feel immediate.
constexpr qint64 PumpIntervalMs = 25;

// Keeps Creating true for the whole creation handler, also when a step throws.
class TCreatingScope {
public:
  explicit TCreatingScope(bool &Flag) : m_flag(Flag) { m_flag = true; }
  ~TCreatingScope() { m_flag = false; }

private:
  bool &m_flag;
};
} // namespace

TfrmMain::TfrmMain(const QString &ProgramFolder, QWidget *Parent)
    : QMainWindow(Parent), m_programFolder(ProgramFolder) {
  frmMain = this;
  setObjectName(QStringLiteral("frmMain"));
  BuildWindow();
  m_findBar = std::make_unique<TProgressBarView>(pbrFind);
  m_deletingBar = std::make_unique<TProgressBarView>(pbrDeleting);
  m_restoringBar = std::make_unique<TProgressBarView>(pbrRestoring);
  FormCreate();
}

TfrmMain::~TfrmMain() {
  // The rows of the two trees refer to the file list and the restore objects: empty them first.
  // The results list stops and joins its thumbnail loaders before its rows go.
  m_stepView.reset();
  m_resultList.reset();
  StopRestoreLoad();
  if (AnimationThread)
    AnimationThread->Terminate();
  AnimationThread = nullptr;
  if (CurrentLangList() == LangList.get())
    SetCurrentLangList(nullptr);
  LangList.reset();
  FileList.reset();
  ResultSteps.reset();
  if (frmMain == this)
    frmMain = nullptr;
}

QString TfrmMain::T(const char *Id) const {
  return LangList->GetText(QLatin1String(Id));
}

void TfrmMain::FormCreate() {
  TCreatingScope creating(Creating);
  // The design's client area, centred on the screen.
  resize(599, 469);
  if (const QScreen *screen = QGuiApplication::primaryScreen()) {
    const QRect available = screen->availableGeometry();
    move(available.center() - rect().center());
    ThumbQueueLimit = screen->geometry().height() / 60;
  }
  InitFoldersTree();
  FileList = std::make_unique<TUseFileList>();
  ResultSteps = std::make_unique<TStepStorage>();
  LangList = std::make_unique<TLangList>(m_programFolder + QStringLiteral("/Language/"));
  SetCurrentLangList(LangList.get());
  CreateResultList();
  AddSearchRoad();
  AddActionRoad();
  AddRestoreRoad();
  connect(this, &TfrmMain::PageChanged, this, &TfrmMain::PageShown);
  PageShown(ActivePage());
  ApplyLanguage();
  setWindowTitle(MakeCaption());
  setWindowIcon(ProgramIcon());
  LastFolder.clear();
  ShowPage(tbsFirst);
  ResetProgress();
  HideHeaderImages();
}

void TfrmMain::InitFoldersTree() {
  trvFolders->setUpdatesEnabled(false);
  trvFolders->Rebuild();
  trvFolders->setUpdatesEnabled(true);
}

void TfrmMain::HideHeaderImages() {
  for (QLabel *image :
       {imgFirst, imgWhat, imgFolders, imgFinding, imgResults, imgAction, imgDeleting, imgOpenResult,
        imgOpenMoveFolder, imgLog, imgOpenRestoreFolder, imgRestoreFiles, imgRestoring, imgRestoreLog})
    image->hide();
}

// --- Pages ---

QWidget *TfrmMain::ActivePage() const {
  return pgcMain->currentWidget();
}

void TfrmMain::ShowPage(QWidget *Page) {
  if (pgcMain->currentWidget() == Page)
    return;
  pgcMain->setCurrentWidget(Page);
  emit PageChanged(Page);
}

bool TfrmMain::IsProgressPage(QWidget *Page) const {
  return Page == tbsFinding || Page == tbsDeleting || Page == tbsRestoring;
}

// --- Progress ---

int TfrmMain::StopFlag() const {
  return m_stopFlag;
}
int TfrmMain::PauseFlag() const {
  return m_pauseFlag;
}

void TfrmMain::SetPauseFlag(int Flag) {
  m_pauseFlag = Flag;
  SetReadAheadPaused(Flag != 0);
}

bool TfrmMain::PumpDue() const {
  return !m_pumpClock.isValid() || PauseFlag() != 0 || StopFlag() != 0 || m_terminating ||
         m_pumpClock.elapsed() >= PumpIntervalMs;
}

void TfrmMain::PumpEvents() {
  m_pumpClock.restart();
  QCoreApplication::processEvents();
}

void TfrmMain::ShowSearchProgress() {
  m_searchUnpainted = false;
  m_findBar->Paint();
  if (m_findBar->Max() == 0)
    lblPercent->setText(QStringLiteral("0%"));
  else
    lblPercent->setText(SearchPercentText(*m_findBar) + m_searchSuffix);
  if (dtmMain)
    dtmMain->SetTrayHint(lblPercent->text() + QLatin1Char('\r') + lblStep->text());
}

void TfrmMain::ShowActionProgress() {
  m_actionUnpainted = false;
  const bool restoring = ActivePage() == tbsRestoring;
  TProgressBarView &bar = restoring ? *m_restoringBar : *m_deletingBar;
  bar.Paint();
  (restoring ? lblRestoringPercent : lblDeletingPercent)->setText(ActionPercentText(bar));
}

// Shaping and laying out the labels' texts costs far more than the work between two calls, so a
// call paints and pumps only when it is due; the flags are still checked on every call.
void TfrmMain::ProcessProgress(const QString &Text) {
  m_searchSuffix = Text;
  m_searchUnpainted = true;
  do {
    if (m_terminating)
      throw EMyHalt();
    const bool due = PumpDue();
    if (due)
      ShowSearchProgress();
    if (StopFlag() != 0)
      throw EMyStop();
    if (!due)
      break;
    PumpEvents();
    if (PauseFlag() == 1) {
      QThread::msleep(PausePassMs);
      if (AnimationThread && !AnimationThread->Suspended())
        AnimationThread->Suspend();
    }
  } while (PauseFlag() != 0);
  if (AnimationThread && AnimationThread->Suspended())
    AnimationThread->Resume();
}

void TfrmMain::ProcessActionProgress() {
  m_actionUnpainted = true;
  do {
    if (m_terminating)
      throw EMyHalt();
    const bool due = PumpDue();
    if (due)
      ShowActionProgress();
    if (StopFlag() != 0)
      throw EMyStop();
    if (!due)
      break;
    PumpEvents();
    if (PauseFlag() == 1)
      QThread::msleep(PausePassMs);
  } while (PauseFlag() != 0);
}

void TfrmMain::FlushProgress() {
  if (m_searchUnpainted)
    ShowSearchProgress();
  if (m_actionUnpainted)
    ShowActionProgress();
}

void TfrmMain::ResetProgress() {
  m_stopFlag = 0;
  SetPauseFlag(0);
  lblPercent->setText(QStringLiteral("0%"));
  m_findBar->SetMin(0);
  m_findBar->SetPosition(0);
  m_findBar->SetMax(0);
  m_findBar->Paint();
  m_searchUnpainted = false;
  m_pumpClock.invalidate();
}

void TfrmMain::EnterBusyButtons() {
  m_pumpClock.invalidate();
  SetPauseFlag(0);
  btnNext->setText(T("2040"));
  m_stopFlag = 0;
  btnBack->setText(T("2041"));
}

namespace {
void setBold(QPushButton *Button, bool Bold) {
  QFont f = Button->font();
  f.setBold(Bold);
  Button->setFont(f);
}
} // namespace

void TfrmMain::LeaveBusyButtons() {
  btnNext->setText(T("2027"));
  setBold(btnNext, false);
  btnBack->setText(T("2026"));
}

void TfrmMain::TogglePause() {
  const int paused = 1 - PauseFlag();
  SetPauseFlag(paused);
  btnNext->setText(paused == 1 ? T("2050") : T("2040"));
  setBold(btnNext, paused == 1);
}

void TfrmMain::ConfirmStop() {
  if (AnimationThread)
    AnimationThread->Suspend();
  const auto answer = DialogService::instance().messageBox(
      this, QMessageBox::Question, T("2045"), T("2046"), QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  if (answer == QMessageBox::Yes) {
    if (AnimationThread)
      AnimationThread->Resume();
    m_stopFlag = 1;
  }
}

void TfrmMain::RunGuarded(const std::function<void()> &Operation) {
  try {
    Operation();
  } catch (const EMyHalt &) {
    // Every clean-up of the operation has run; end the event loop, the program block saves what
    // it keeps and leaves with 0.
    m_halted = true;
    QCoreApplication::exit(0);
  }
}

// --- Search indicators ---

TfrmMain::TSearchIndicators::TSearchIndicators(TfrmMain &Window) : m_window(Window) {
  const bool trayWanted =
      RegReadString(QStringLiteral("MinimizeToTrayOfFind"), QStringLiteral("1")) == QLatin1String("1");
  if (trayWanted && dtmMain)
    dtmMain->SetTrayActive(true);
  if (RegReadString(QStringLiteral("AnimationIcon"), QStringLiteral("1")) != QLatin1String("1") || !dtmMain)
    return;
  std::vector<TIconAnimation::TIconTarget> targets;
  targets.emplace_back([](const QIcon &Icon) { QApplication::setWindowIcon(Icon); });
  targets.emplace_back([&Window](const QIcon &Icon) { Window.setWindowIcon(Icon); });
  if (trayWanted)
    targets.emplace_back([](const QIcon &Icon) {
      if (dtmMain)
        dtmMain->SetTrayIcon(Icon);
    });
  m_window.AnimationThread = new TIconAnimation(dtmMain->imlTray, std::move(targets));
  m_window.AnimationThread->SetPriority(QThread::HighestPriority);
  m_window.AnimationThread->Resume();
}

TfrmMain::TSearchIndicators::~TSearchIndicators() {
  if (dtmMain)
    dtmMain->SetTrayActive(false);
  // Whatever the setting reads now, an animation that runs is ended and the icon restored.
  if (m_window.AnimationThread) {
    m_window.AnimationThread->Terminate();
    m_window.AnimationThread = nullptr;
    QApplication::setWindowIcon(ProgramIcon());
    m_window.setWindowIcon(ProgramIcon());
    if (dtmMain)
      dtmMain->SetTrayIcon(ProgramIcon());
  }
  // A window folded into the tray must come back now that the tray icon is gone; a window the
  // user closed during the search stays closed.
  if (dtmMain && !m_window.Terminating())
    dtmMain->tryIconClick();
}

// --- Closing ---

bool TfrmMain::FormCloseQuery() {
  QWidget *page = ActivePage();
  if (!IsProgressPage(page))
    return true;
  const bool holdAnimation = page == tbsFinding && AnimationThread;
  TIconAnimation *held = holdAnimation ? AnimationThread : nullptr;
  if (held)
    held->Suspend();
  const auto answer = DialogService::instance().messageBox(
      this, QMessageBox::Question, T("2045"), T("2047"), QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  if (held)
    held->Resume();
  return answer == QMessageBox::Yes;
}

void TfrmMain::closeEvent(QCloseEvent *Event) {
  if (!FormCloseQuery()) {
    Event->ignore();
    return;
  }
  // A run in progress notices this at its next progress pass and unwinds with EMyHalt.
  m_terminating = true;
  Event->accept();
}

void TfrmMain::changeEvent(QEvent *Event) {
  QMainWindow::changeEvent(Event);
  // Folded into the tray while minimised during a search; only when there is a tray to come back from.
  if (Event->type() == QEvent::WindowStateChange && isMinimized() && dtmMain && dtmMain->TrayActive() &&
      dtmMain->tryIcon())
    hide();
}

void TfrmMain::keyPressEvent(QKeyEvent *Event) {
  const bool enter = Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter;
  const bool plain = (Event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  // Enter is Next, as on a wizard's default button; a focused tool button takes it itself, and in
  // the two file lists it stays with the list.
  QWidget *focus = focusWidget();
  if (enter && plain && focus != trvResult && focus != trvRestoreFiles) {
    if (auto *tool = qobject_cast<QToolButton *>(focus)) {
      tool->click();
      return;
    }
    if (btnNext->isVisible() && btnNext->isEnabled()) {
      btnNext->click();
      return;
    }
  }
  QMainWindow::keyPressEvent(Event);
}

// --- Handlers ---

void TfrmMain::btnOptionsClick() {
  TfrmOptions options(*LangList, this);
  connect(&options, &TfrmOptions::LanguageChanged, this, &TfrmMain::ApplyLanguage);
  DialogService::instance().execDialog(options);
}

void TfrmMain::btnExitClick() {
  close();
}

void TfrmMain::OpenHelpIndex() {
  OpenHelp(GetHelpFileName());
}

void TfrmMain::btnHelpClick() {
  OpenHelpIndex();
}

void TfrmMain::btnRunClick() {
  const TUseFileProperty *item = FocusedResultItem();
  if (!item) {
    Beep();
    return;
  }
  OpenFile(item->FullName());
}

void TfrmMain::cbxSearchArchiveClick() {
  ShowArchiveWarning(cbxSearchArchive);
}

void TfrmMain::ShowArchiveWarning(QCheckBox *Sender) {
  if (Creating || !Sender->isChecked() || !RegReadBool(QStringLiteral("ShowDialogWarningArchive"), true))
    return;
  TfrmArchiveInformation notice(this);
  DialogService::instance().execDialog(notice);
}

void TfrmMain::lblMapDriveMountClick() {
  if (dtmMain && dtmMain->ndrMountExecute(this))
    trvFolders->Rebuild();
}

void TfrmMain::lblMapDriveUnmountClick() {
  if (dtmMain && dtmMain->ndrUnmountExecute(this))
    trvFolders->Rebuild();
}
