#pragma once
// The main window: a wizard whose page control pgcMain shows one page at a time, with Next and Back
// below it. It owns the file list, the result steps and the translations, and it is the progress
// sink and the search progress bar (pbrFind) of every long operation, which all run on this thread.
// What Next and Back do on each page is the page table's (PageTable.cpp); each road fills in its
// pages in its own file (SearchRoad.cpp, ActionRoad.cpp, RestoreRoad.cpp).

#include "engine/Progress.h"
#include "ui/main/PageTable.h"
#include "ui/main/ProgressBarView.h"
#include "ui/main/ProgressText.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QRgb>
#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QStatusBar;
class QTextEdit;
class QToolBar;
class QToolButton;
class QTreeView;

class TFolderTree;
class TLinkLabel;
class TIconAnimation;
class TLangList;
class TResultList;
class TResultShow;
class TRestoreFilesLoad;
class TRestoreModel;
struct TRestoreFileShow;
class TStepStorage;
class TStepView;
class TUseFileProperty;
class TWhatFind;
enum class TAction;
class TUseFileList;
struct TFilter;
using TSearchChoice = TFilter;

// Titles of the search methods 1 to 6 in the current language (index 0 is method 1).
extern std::array<QString, 6> SearchMethodTitles;
QString SearchMethodTitle(int Method);

class TfrmMain : public QMainWindow, public IProgressSink, public IProgressBar {
  Q_OBJECT
public:
  // ProgramFolder holds the folders "Language" and "Help".
  explicit TfrmMain(const QString &ProgramFolder, QWidget *Parent = nullptr);
  ~TfrmMain() override;

  // --- Progress (the engine's side of the contract) ---
  void ProcessProgress(const QString &Text) override;
  void ProcessActionProgress() override;
  // pbrFind as the engine sees it.
  int Min() const override { return m_findBar->Min(); }
  int Max() const override { return m_findBar->Max(); }
  int Position() const override { return m_findBar->Position(); }
  void SetMin(int Value) override { m_findBar->SetMin(Value); }
  void SetMax(int Value) override { m_findBar->SetMax(Value); }
  void SetPosition(int Value) override { m_findBar->SetPosition(Value); }
  IProgressBar &FindBar() { return *m_findBar; }
  IProgressBar &DeletingBar() { return *m_deletingBar; }
  IProgressBar &RestoringBar() { return *m_restoringBar; }

  void ResetProgress();
  // Shows the texts and bars of the last progress calls, which a call paints only every few
  // milliseconds; a run's end calls it so that what stays on screen is what the last call said.
  void FlushProgress();
  void EnterBusyButtons();
  void LeaveBusyButtons();
  void TogglePause();
  void ConfirmStop();
  // The stop flag and the pause flag (the tags of btnBack and btnNext), read on every progress call.
  int StopFlag() const;
  int PauseFlag() const;
  // True once the window was closed: the next progress pass raises EMyHalt.
  bool Terminating() const { return m_terminating; }
  bool Halted() const { return m_halted; }

  // Runs a long operation started from a click. EMyHalt from it ends the event loop (exit code 0)
  // after every clean-up of the operation has run; nothing is thrown through Qt's event dispatch.
  void RunGuarded(const std::function<void()> &Operation);
  // Runs Run.Run in busy mode on its progress page. Clean-up (busy captions, options, the last
  // progress texts) always runs first; then Stop calls Run.Stopped, another failure Run.Failed.
  // EMyHalt passes on to RunGuarded.
  void RunBusy(const TBusyRun &Run);

  // Switches the tray icon on and the icon animation per the stored options for the length of a
  // search; the destructor switches both off, restores the icon and always shows the window again.
  class TSearchIndicators {
  public:
    explicit TSearchIndicators(TfrmMain &Window);
    ~TSearchIndicators();
    TSearchIndicators(const TSearchIndicators &) = delete;
    TSearchIndicators &operator=(const TSearchIndicators &) = delete;

  private:
    TfrmMain &m_window;
  };

  // --- Texts ---
  void ApplyLanguage();

  // --- Pages ---
  QWidget *ActivePage() const;
  void ShowPage(QWidget *Page);
  bool IsProgressPage(QWidget *Page) const;
  // The one place that enables Next and Back: the page table's rules for the page shown, unless a
  // hold is on.
  void UpdateNavigation();
  // Holds Next and Back disabled for its lifetime (holds nest).
  class TNavigationHold {
  public:
    explicit TNavigationHold(TfrmMain &Window);
    ~TNavigationHold();
    TNavigationHold(const TNavigationHold &) = delete;
    TNavigationHold &operator=(const TNavigationHold &) = delete;

  private:
    TfrmMain &m_window;
  };

  // --- Handlers that only forward (the page machine adds the transitions) ---
  void btnNextClick();
  void btnBackClick();
  void btnOptionsClick();
  void btnExitClick();
  void btnHelpClick();
  void btnRunClick();
  void cbxSearchArchiveClick();
  void ShowArchiveWarning(QCheckBox *Sender);
  void lblMapDriveMountClick();
  void lblMapDriveUnmountClick();
  void OpenHelpIndex();
  // The search option dialogs of the method page; the filter button is down while a filter is set.
  void btnFilterClick();
  void tbsWhatShow();
  // Page -1 keeps the dialog's first page.
  void ShowAdditionOptions(int Page);
  void lblSearchMethodMp3OptionsClick();
  void lblSearchMethodPropertyOptionsClick();

  // --- The search road and the result-file road (SearchRoad.cpp) ---
  // The whole search: tray icon and animation around the engine's search. EMyStop passes.
  void RunSearch();
  // The window's choices as the engine's search takes them.
  TSearchChoice SearchChoice() const;
  // Empties the results list, then the file list its rows refer to.
  void ClearFileList();
  // The system-folder warning before a search; false: stay on the folders page.
  bool CheckSystemFolders();
  QStringList CollectCheckedFolders() const;
  QString ArchiveKinds() const;
  TWhatFind BuildWhatFind() const;

  // --- The action road (ActionRoad.cpp) ---
  // The chosen action over the marked files on tbsDeleting in busy mode, then its log on tbsLog,
  // also after Stop and after a store folder that could not be made (named in a message). A run that
  // would remove every copy of some group asks first; No goes back to the action page.
  void RunAction();
  // The action page shown from the results: deleting for good is never the choice it offers by
  // itself, so the trash takes its place.
  void ShowActionPage();
  // The summary above the log's file lines, for a run total of Total bytes.
  void ActionLogSummary(qint64 Total);
  // The short wait before the loop: one message pass and 80 ms, unless a millisecond has passed.
  void DelayAction(int Count);
  TAction CheckedAction() const;

  // --- The restore road (RestoreRoad.cpp) ---
  // The checked stored files moved back on tbsRestoring in busy mode, then the log on tbsRestoreLog
  // (also after Stop); the restore list is emptied either way.
  void RunRestore();
  void RestoreLogSummary(qint64 Total);
  // The same wait as DelayAction, before the restore loop.
  void DelayRestore(int Count);
  // Zero figures: the figures of the whole tree; otherwise a loader's running figures.
  void UpdateRestoreStatus(qint64 FileCount, qint64 TotalSize);
  TRestoreFileShow *FocusedRestoreItem() const;
  void SetRestoreChecks(const std::function<bool(bool)> &Rule);
  TRestoreModel &RestoreModel();
  void btnFolderRestoreSelectClick();
  void btnRestoreRunClick();
  void btnRestoreSelectClick();
  void btnRestoreLogSaveClick();

  // --- The results list ---
  void AddResultNode(int Index, QRgb GroupColour);
  TResultShow *GetResultData(int Row) const;
  // The file of the focused row while the results page is shown, else null.
  TUseFileProperty *FocusedResultItem() const;
  bool ResultTreeEmpty() const;
  void UpdateResultStatus();
  void trvResultHeaderClick(int Column);
  TResultList &ResultList() { return *m_resultList; }
  // The focused row while the results page is shown, else -1.
  int FocusedResultRow() const;

  // --- The results page's commands (ResultCommands.cpp) ---
  void btnSelectClick();
  void btnSelectCopiesClick();
  void btnSelectAllClick();
  void btnSelectNoneClick();
  void btnSelectInvertClick();
  void btnSelectAutomaticallyClick();
  void btnSaveResultClick();
  // The result file to open, into edtResultOpen.
  void btnResultOpenClick();
  TStepView &StepView() { return *m_stepView; }

  // --- Fields ---
  TIconAnimation *AnimationThread = nullptr;
  QString StoreFolder;
  int ThumbQueueLimit = 0;
  bool Creating = false;
  std::unique_ptr<TUseFileList> FileList;
  std::unique_ptr<TLangList> LangList;
  QString LastFolder;
  std::unique_ptr<TStepStorage> ResultSteps;
  QWidget *ReturnPage = nullptr;
  // The thumbnail loader, the thumbnail queue and the re-sort flag live with the results list.
  // The exact folders the next search skips.
  QStringList ExcludedFolders;

  QString ProgramFolder() const { return m_programFolder; }

  // --- Controls ---
  QStackedWidget *pgcMain;
  QPushButton *btnHelp, *btnBack, *btnNext, *btnExit;

  QWidget *tbsFirst;
  QLabel *lblFirstTop, *imgFirst;
  TLinkLabel *lblFirstRecoveryInfo;
  QGroupBox *gbxFirstClient;
  QRadioButton *rbtFirstFind, *rbtFirstOpen, *rbtFirstRecovery;
  QPushButton *btnOptions;

  QWidget *tbsWhat;
  QLabel *lblWhatTop, *imgWhat;
  TLinkLabel *lblSearchMethodMp3Options, *lblSearchMethodPropertyOptions;
  QGroupBox *gbxWhatClient;
  QCheckBox *cbxSearchMethodCrc, *cbxSearchMethodImage, *cbxSearchMethodMp3, *cbxSearchMethodProperty,
      *cbxSearchMethodZero;
  QToolButton *btnFilter;

  QWidget *tbsFolders;
  QLabel *lblFoldersTop, *imgFolders;
  TLinkLabel *lblMapDriveMount, *lblMapDriveUnmount;
  QGroupBox *boxFoldersClient;
  TFolderTree *trvFolders;
  QCheckBox *cbxSearchArchive;

  QWidget *tbsFinding;
  QLabel *lblFindingTop, *imgFinding;
  TProgressText *lblStep, *lblPercent;
  QGroupBox *boxFindingClient;
  QProgressBar *pbrFind;

  QWidget *tbsResults;
  QLabel *lblResultsTop, *imgResults;
  QGroupBox *boxResultsClient;
  QToolBar *tbrResults;
  QToolButton *btnRun, *btnSelect, *btnSelectCopies, *btnSelectAutomatically, *btnSelectAll, *btnSelectNone,
      *btnSelectInvert, *btnSaveResult;
  QTreeView *trvResult;
  QStatusBar *barResult;
  QLabel *barResultPanel; // the status line, right-aligned
  QMenu *mnuResults;
  QAction *mniRun, *mniSelect, *mniSelectCopies, *mniSelectAutomatically, *mniSelectAll, *mniSelectNone,
      *mniSelectInvert, *mniSaveResult;

  QWidget *tbsAction;
  QLabel *lblActionTop, *imgAction;
  TLinkLabel *lblActionMoveInfo;
  QGroupBox *boxActionClient;
  QRadioButton *rbtActionDelete, *rbtActionDeleteToRecicly, *rbtActionMove, *rbtActionCopy;

  QWidget *tbsDeleting;
  QLabel *lblDeletingTop, *imgDeleting;
  TProgressText *lblDeletingPercent;
  QGroupBox *boxDeletingClient;
  QProgressBar *pbrDeleting;

  QWidget *tbsOpenResult;
  QLabel *lblOpenResultTop, *imgOpenResult, *lblOpenResultFileChoose;
  QGroupBox *boxOpenResultClient;
  QLineEdit *edtResultOpen;
  QPushButton *btnResultOpen;

  QWidget *tbsOpenMoveFolder;
  QLabel *lblOpenMoveFolderTop, *imgOpenMoveFolder, *lblFolder;
  QGroupBox *boxOpenMoveFolderClient;
  QLineEdit *edtFolder;
  QPushButton *btnSelectFolder;

  QWidget *tbsLog;
  QLabel *lblLogTop, *imgLog;
  QGroupBox *boxLogClient;
  QTextEdit *memLog;

  QWidget *tbsOpenRestoreFolder;
  QLabel *lblOpenRestoreFolderTop, *imgOpenRestoreFolder, *lblRestoreFolder;
  QGroupBox *boxOpenRestoreFolderClient;
  QLineEdit *edtFolderRestore;
  QPushButton *btnFolderRestoreSelect;

  QWidget *tbsRestoreFiles;
  QLabel *lblRestoreFilesTop, *imgRestoreFiles;
  QGroupBox *boxRestoreFilesClient;
  QToolBar *tbrRestoreFiles;
  QToolButton *btnRestoreRun, *btnRestoreSelect, *btnRestoreSelectAll, *btnRestoreSelectNone,
      *btnRestoreSelectInvert;
  QTreeView *trvRestoreFiles;
  QStatusBar *barRestoreFiles;
  QLabel *barRestoreFilesPanel;
  QCheckBox *cbxRestoreCreateDir, *cbxRestoreCopyExist;

  QWidget *tbsRestoring;
  QLabel *lblRestoringTop, *imgRestoring;
  TProgressText *lblRestoringPercent;
  QGroupBox *boxRestoringClient;
  QProgressBar *pbrRestoring;

  QWidget *tbsRestoreLog;
  QLabel *lblRestoreLogTop, *imgRestoreLog;
  QGroupBox *boxRestoreLogClient;
  QTextEdit *memRestoreLog;
  QPushButton *btnRestoreLogSave;

signals:
  // The shown page changed (after the switch).
  void PageChanged(QWidget *Page);
  // The restore status line was written (also while a load runs).
  void RestoreStatusShown(const QString &Text);

protected:
  void closeEvent(QCloseEvent *Event) override;
  void changeEvent(QEvent *Event) override;
  void keyPressEvent(QKeyEvent *Event) override;

private:
  void FormCreate();
  bool FormCloseQuery();
  void BuildWindow();
  void BuildFirstPages();
  void BuildResultPages();
  void BuildActionPages();
  void BuildRestorePages();
  void InitFoldersTree();
  void HideHeaderImages();
  QWidget *AddPage(const char *Name, QLabel *&Top, QLabel *&Image, QGroupBox *&Client,
                   const char *ClientPrefix = "box");
  QString T(const char *Id) const;
  // Each road puts its pages into the page table (FormCreate).
  void AddSearchRoad();
  void AddActionRoad();
  void AddRestoreRoad();
  // Next on the action page and on the store-folder page (with the store-folder checks).
  void ActionNext();
  void StoreFolderNext();

  // Next on the restore-folder page: the checks, then a new load of the restore list.
  void RestoreFolderNext();
  // Stops and joins the loader before the tree is emptied for the next one.
  void StartRestoreLoad();
  void StopRestoreLoad();
  // A progress page: Next is Pause, Back is Stop.
  TPageMoves ProgressPageMoves();
  // Next on the folders page and on the open-result page.
  void SearchRun();
  void OpenResultRun();
  // A search or a result-file load from StartPage; Stop or a failure (shown in a message box)
  // empties the lists and returns to StartPage.
  void RunFromPage(QWidget *StartPage, bool LockOptions, const std::function<void()> &Run);
  // The results list on trvResult and the step view over it (FormCreate).
  void CreateResultList();
  // The toolbar buttons of the results page and the result-file chooser to their handlers.
  void ConnectResultCommands();
  // What belongs to the page just shown: its buttons, and the filter reset of the first page.
  void PageShown(QWidget *Page);
  // A progress call paints when this says so: on the first call of a run, while paused, with a stop
  // or a close pending, and otherwise once some milliseconds have passed since the last pump.
  bool PumpDue() const;
  void PumpEvents();
  void ShowSearchProgress();
  void ShowActionProgress();

  QString m_programFolder;
  std::unique_ptr<TProgressBarView> m_findBar;
  std::unique_ptr<TProgressBarView> m_deletingBar;
  std::unique_ptr<TProgressBarView> m_restoringBar;
  std::unique_ptr<TResultList> m_resultList;
  std::unique_ptr<TStepView> m_stepView;
  int m_stopFlag = 0;
  int m_pauseFlag = 0;
  // Sets the pause flag; the read-ahead workers wait while it is set.
  void SetPauseFlag(int Flag);
  TPageTable m_pages;
  TRestoreModel *m_restoreModel = nullptr;
  std::unique_ptr<TRestoreFilesLoad> m_restoreLoad;
  int m_navigationHolds = 0;
  // When the last progress call pumped events; invalid until a run's first call.
  QElapsedTimer m_pumpClock;
  // The suffix of the last search-side call, and whether a call has not been painted yet.
  QString m_searchSuffix;
  bool m_searchUnpainted = false;
  bool m_actionUnpainted = false;
  bool m_terminating = false;
  bool m_halted = false;
};

// The one main window (set while it exists).
extern TfrmMain *frmMain;
