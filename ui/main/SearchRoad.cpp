// The search and result-file roads of the page machine: their pages in the page table, the search
// run and the result-file run, the system-folder check, and the window's side of the results list.
#include "engine/ConfirmContent.h"
#include "engine/Grouping.h"
#include "engine/ResultFile.h"
#include "engine/ScanFiles.h"
#include "engine/SearchFilter.h"
#include "engine/SearchRun.h"
#include "engine/StepStorage.h"
#include "platform/Folders.h"
#include "settings/Language.h"
#include "settings/Registry.h"
#include "ui/dialogs/CheckDirectorionDialog.h"
#include "ui/main/DMMain.h"
#include "ui/main/FolderTree.h"
#include "ui/main/Helpers.h"
#include "ui/main/Main.h"
#include "ui/main/ResultSteps.h"
#include "ui/results/ResultShow.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTreeView>

void TfrmMain::AddSearchRoad() {
  m_pages.Add(tbsFirst, {[this] {
                           if (rbtFirstFind->isChecked())
                             ShowPage(tbsWhat);
                           else if (rbtFirstOpen->isChecked())
                             ShowPage(tbsOpenResult);
                           else if (rbtFirstRecovery->isChecked())
                             ShowPage(tbsOpenRestoreFolder);
                         },
                         {},
                         {},
                         [] { return false; }});
  m_pages.Add(tbsWhat, {[this] { ShowPage(tbsFolders); }, [this] { ShowPage(tbsFirst); }, {}, {}});
  m_pages.Add(tbsFolders, {[this] { SearchRun(); }, [this] { ShowPage(tbsWhat); }, {}, {}});
  m_pages.Add(tbsFinding, ProgressPageMoves());
  m_pages.Add(tbsResults, {[this] { m_stepView->Next(); }, [this] { m_stepView->Back(); }, {}, {}});
  m_pages.Add(tbsOpenResult, {[this] { OpenResultRun(); }, [this] { ShowPage(tbsFirst); }, {}, {}});
}

void TfrmMain::CreateResultList() {
  m_resultList = std::make_unique<TResultList>(
      trvResult, barResultPanel, *FileList, *LangList, [this] { return ResultSteps->ShownMethod; },
      ThumbQueueLimit);
  m_stepView = std::make_unique<TStepView>(*this);
}

// --- The two runs ---

void TfrmMain::RunFromPage(QWidget *StartPage, bool LockOptions, const std::function<void()> &Run) {
  const auto back = [this, StartPage] {
    ClearFileList();
    ShowPage(StartPage);
  };
  ReturnPage = StartPage;
  RunBusy({tbsFinding, LockOptions, Run, back, [this, back](const QString &Message) {
             back();
             // Not an information box: the run failed, and the user should see that it did.
             DialogService::instance().messageBox(this, QMessageBox::Warning, T("2045"), Message,
                                                  QMessageBox::Ok, QMessageBox::Ok);
           }});
}

void TfrmMain::SearchRun() {
  ExcludedFolders.clear();
  if (!CheckSystemFolders())
    return;
  const TSearchChoice choice = SearchChoice();
  if (NothingToSearch(choice)) {
    // Folders are checked, but the warning's answer left every one of them out: asking the user to
    // check a folder would contradict the tree.
    TSearchChoice unexcluded = choice;
    unexcluded.ExcludeFolders.clear();
    ShowInfo(T(NothingToSearch(unexcluded) ? "2038" : "20155"));
    return;
  }
  RunFromPage(tbsFolders, true, [this] {
    RunSearch();
    // The window was closed while the last phase finished: nobody is there to read a result.
    if (Terminating())
      return;
    if (FileList->AnyGrouped()) {
      m_stepView->Next();
      ShowPage(tbsResults);
    } else {
      ShowInfo(T("2039"));
      ShowPage(ReturnPage);
    }
  });
}

void TfrmMain::OpenResultRun() {
  const QString typed = edtResultOpen->text();
  if (!IsFilePath(typed)) {
    ShowInfo(T("2074"));
    return;
  }
  RunFromPage(tbsOpenResult, false, [this, typed] {
    ClearFileList();
    FileList->LoadFromFile(typed.trimmed(), FindBar(), *this,
                           [this](const QString &Text) { lblStep->setText(Text); });
    ConfirmContentGroups(*FileList, *this, FindBar(),
                         [this](const QString &Text) { lblStep->setText(Text); });
    ::GroupResult(*FileList, *ResultSteps, *this, FindBar());
    if (Terminating())
      return;
    // A file without methods or without groups has no step to show: say so, as a search does.
    if (!FileList->AnyGrouped()) {
      ShowInfo(T("2039"));
      ShowPage(ReturnPage);
      return;
    }
    m_stepView->Next();
    ShowPage(tbsResults);
  });
}

void TfrmMain::RunSearch() {
  TSearchIndicators indicators(*this);
  // The rows refer to the files the search is about to drop.
  ClearFileList();
  TSearchHooks hooks;
  hooks.ShowStep = [this](const QString &Text) { lblStep->setText(Text); };
  hooks.ResetProgress = [this] { ResetProgress(); };
  ::RunSearch(*FileList, *ResultSteps, SearchChoice(), *this, FindBar(), hooks);
}

TSearchChoice TfrmMain::SearchChoice() const {
  TSearchChoice choice;
  choice.WhatFind = BuildWhatFind();
  choice.IncludeFolders = CollectCheckedFolders();
  choice.ExcludeFolders = ExcludedFolders;
  choice.Archive = ArchiveKinds();
  return choice;
}

void TfrmMain::ClearFileList() {
  m_resultList->Clear();
  FileList->Clear();
}

QStringList TfrmMain::CollectCheckedFolders() const {
  return ::CollectCheckedFolders(trvFolders->CheckedFolders());
}

QString TfrmMain::ArchiveKinds() const {
  return ::ArchiveKinds(cbxSearchArchive->isChecked());
}

TWhatFind TfrmMain::BuildWhatFind() const {
  return ::BuildWhatFind(cbxSearchMethodCrc->isChecked(), cbxSearchMethodImage->isChecked(),
                         cbxSearchMethodMp3->isChecked(), cbxSearchMethodProperty->isChecked(),
                         cbxSearchMethodZero->isChecked());
}

bool TfrmMain::CheckSystemFolders() {
  if (!RegReadBool(QStringLiteral("ShowDialogWarningSystemDirectory"), true))
    return true;
  ExcludedFolders.clear();
  const QStringList systemFolders = dtmMain ? dtmMain->SystemFolders : QStringList();
  const QStringList lines = SystemFoldersToWarn(systemFolders, trvFolders->CheckedFolders());
  if (lines.isEmpty())
    return true;
  TfrmCheckDirectorionDialog dialog(this);
  dialog.memDir->setPlainText(lines.join(QLatin1Char('\n')));
  DialogService::instance().execDialog(dialog);
  if (dialog.Tag() == 0)
    return false;
  if (dialog.rbtNo->isChecked())
    ExcludedFolders = systemFolders;
  return true;
}

// --- The results list ---

void TfrmMain::AddResultNode(int Index, QRgb GroupColour) {
  m_resultList->Model().AddResultNode(Index, GroupColour);
}

TResultShow *TfrmMain::GetResultData(int Row) const {
  return m_resultList->Model().GetResultData(Row);
}

TUseFileProperty *TfrmMain::FocusedResultItem() const {
  if (ActivePage() != tbsResults)
    return nullptr;
  const TResultShow *row = GetResultData(m_resultList->FocusedRow());
  return row ? row->Item : nullptr;
}

bool TfrmMain::ResultTreeEmpty() const {
  return m_resultList->Model().Count() == 0;
}

void TfrmMain::UpdateResultStatus() {
  m_resultList->UpdateResultStatus();
}

void TfrmMain::trvResultHeaderClick(int Column) {
  m_resultList->HeaderClick(Column);
}
