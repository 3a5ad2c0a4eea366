#pragma once
// The main window: a wizard whose page control pgcMain shows one page at a time, with Next and Back
// below it. It owns the file list, the result steps and the translations, and it is the progress
// sink and the search progress bar (pbrFind) of every long operation, which all run on this thread.

#include "engine/Progress.h"
#include "ui/main/ProgressBarView.h"

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
class TStepStorage;
class TStepView;
class TUseFileProperty;
class TWhatFind;
class TUseFileList;

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
  void EnterBusyButtons();
  void LeaveBusyButtons();
  void TogglePause();
  void ConfirmStop();
  // The stop flag (tag of btnBack) and the pause flag (tag of btnNext).
  int StopFlag() const;
  int PauseFlag() const;
  // True once the window was closed: the next progress pass raises EMyHalt.
  bool Terminating() const { return m_terminating; }
  bool Halted() const { return m_halted; }

  // Runs a long operation started from a click. EMyHalt from it ends the event loop (exit code 0)
  // after every clean-up of the operation has run; nothing is thrown through Qt's event dispatch.
  void RunGuarded(const std::function<void()> &Operation);

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

  // The file of the focused results row while the results page is shown, else none; the results
  // list sets the lookup.
  std::function<QString()> FocusedResultFile;

  // --- The search road and the result-file road (MainRoad.cpp) ---
  // The whole search: tray icon and animation around the phases and the grouping. EMyStop passes.
  void RunSearch();
  // The file list's filter from the window's choices, then gathering and reading.
  void RunSearchPhases();
  // Groups the file list for WhatFind into the result steps; the results list is emptied first,
  // since grouping drops files that no group keeps.
  void BuildGroups(IProgressBar &Bar, const TWhatFind &WhatFind);
  // Empties the results list, then the file list its rows refer to.
  void ClearFileList();
  // The system-folder warning before a search; false: stay on the folders page.
  bool CheckSystemFolders();
  QString CollectCheckedFolders() const;
  QString ArchiveKinds() const;
  TWhatFind BuildWhatFind() const;

  // --- The results list ---
  void AddResultNode(int Index, QRgb GroupColour);
  TResultShow *GetResultData(int Row) const;
  // The file of the focused row while the results page is shown, else null.
  TUseFileProperty *FocusedResultItem() const;
  bool ResultTreeEmpty() const;
  void UpdateResultStatus();
  void trvResultHeaderClick(int Column);
  TResultList &ResultList() { return *m_resultList; }
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
  QString ExcludedFolders;

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
  QLabel *lblFindingTop, *imgFinding, *lblStep, *lblPercent;
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
  QLabel *lblDeletingTop, *imgDeleting, *lblDeletingPercent;
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
  QLabel *lblRestoringTop, *imgRestoring, *lblRestoringPercent;
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
  // Next on the folders page and on the open-result page.
  void SearchRun();
  void OpenResultRun();
  // The result steps of the file list's methods, grouped afresh (after a search or a load).
  void GroupFileList();
  // Runs a search or a result-file load in busy mode from StartPage. Stop or a failure (shown in a
  // message box) empties the lists and returns to StartPage.
  void RunFromPage(QWidget *StartPage, bool LockOptions, const std::function<void()> &Run);
  // The results list on trvResult, the step view over it, the page handlers (FormCreate).
  void CreateResultList();
  // Button states and the filter reset that belong to the page just shown.
  void PageShown(QWidget *Page);

  QString m_programFolder;
  std::unique_ptr<TProgressBarView> m_findBar;
  std::unique_ptr<TProgressBarView> m_deletingBar;
  std::unique_ptr<TProgressBarView> m_restoringBar;
  std::unique_ptr<TResultList> m_resultList;
  std::unique_ptr<TStepView> m_stepView;
  bool m_terminating = false;
  bool m_halted = false;
};

// The one main window (set while it exists).
extern TfrmMain *frmMain;
