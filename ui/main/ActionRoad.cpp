// The action road of the page machine: from the results to the chosen action, its store folder,
// its progress page and its log. The action run itself lives in actions/.
#include "actions/ActionRun.h"
#include "actions/StoreFolder.h"
#include "engine/ResultFile.h"
#include "engine/ScanFiles.h"
#include "engine/UsePropertyFile.h"
#include "platform/Names.h"
#include "settings/FormatSize.h"
#include "settings/Language.h"
#include "ui/main/ActionLogView.h"
#include "ui/main/Helpers.h"
#include "ui/main/Main.h"
#include "ui/main/ResultSteps.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QThread>

void TfrmMain::AddActionRoad() {
  m_pages.Add(tbsAction, {[this] { ActionNext(); }, [this] { StepView().Back(); }, {}, {}});
  m_pages.Add(tbsDeleting, ProgressPageMoves());
  m_pages.Add(tbsOpenMoveFolder, {[this] { StoreFolderNext(); }, [this] { ShowPage(tbsAction); }, {}, {}});
  m_pages.Add(tbsLog, {{},
                       [this] {
                         if (FileList->AnyGrouped())
                           StepView().Back();
                         else
                           ShowPage(tbsFirst);
                       },
                       [] { return false; },
                       {}});
  connect(btnSelectFolder, &QPushButton::clicked, this, [this] {
    const QString chosen = BrowseFolder();
    if (!chosen.isEmpty())
      edtFolder->setText(chosen);
  });
}

TAction TfrmMain::CheckedAction() const {
  if (rbtActionDelete->isChecked())
    return TAction::Delete;
  if (rbtActionMove->isChecked())
    return TAction::Move;
  if (rbtActionCopy->isChecked())
    return TAction::Copy;
  return TAction::Recycle;
}

void TfrmMain::ShowActionPage() {
  if (rbtActionDelete->isChecked())
    rbtActionDeleteToRecicly->setChecked(true);
  ShowPage(tbsAction);
}

void TfrmMain::ActionNext() {
  const TAction action = CheckedAction();
  if (action == TAction::Move || action == TAction::Copy)
    ShowPage(tbsOpenMoveFolder);
  else
    RunAction();
}

void TfrmMain::StoreFolderNext() {
  StoreFolder = AddSlash(edtFolder->text());
  const TStoreCheck check = CheckStoreFolder(StoreFolder, FileList->GetStatistics().MarkedSize);
  if (check.TextId == 2513)
    ShowInfo(FormatText(LangList->GetText(2513), {check.Argument}));
  else if (check.TextId != 0)
    ShowInfo(LangList->GetText(check.TextId));
  else
    RunAction();
}

void TfrmMain::RunAction() {
  // A run over nothing would have no range for its bar and nothing to log.
  if (CountMarked(*FileList) == 0) {
    ShowInfo(LangList->GetText(20105));
    return;
  }
  if (RemovesFiles(CheckedAction())) {
    if (const int lost = GroupsLosingEveryCopy(*FileList); lost > 0) {
      const auto answer =
          DialogService::instance().messageBox(this, QMessageBox::Question, LangList->GetText(2045),
                                               FormatText(LangList->GetText(20132), {QString::number(lost)}),
                                               QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
      if (answer != QMessageBox::Yes) {
        ShowPage(tbsAction);
        return;
      }
    }
  }
  TRichLog log(*memLog);
  TActionRun run{*FileList, CheckedAction(), StoreFolder, *this, DeletingBar(), log};
  QString unmadeFolder;
  const auto toLog = [this] { ShowPage(tbsLog); };
  RunBusy({tbsDeleting, true,
           [&] {
             struct TSummary {
               TfrmMain &Window;
               const TActionRun &Run;
               ~TSummary() { Window.ActionLogSummary(Run.Total); }
             } summary{*this, run};
             lblDeletingPercent->setText(QStringLiteral("0%"));
             PrepareActionBar(DeletingBar(), CountMarked(*FileList));
             ProcessActionProgress();
             DelayAction(3);
             try {
               ActionLoop(run);
             } catch (const EStoreFolder &e) {
               unmadeFolder = e.Folder();
             }
             ShowPage(tbsLog);
           },
           toLog,
           [this, toLog](const QString &Message) {
             toLog();
             DialogService::instance().messageBox(this, QMessageBox::Warning, LangList->GetText(2045),
                                                  Message, QMessageBox::Ok, QMessageBox::Ok);
           }});
  if (!unmadeFolder.isEmpty())
    ShowInfo(FormatText(LangList->GetText(20125), {platform::ShownName(unmadeFolder)}));
}

void TfrmMain::ActionLogSummary(qint64 Total) {
  WriteLogSummary(*memLog, LangList->GetText(20119) + QLatin1Char(' ') + FormatSizeKb(Total),
                  LangList->GetText(20120) + QLatin1Char(' '));
}

void TfrmMain::DelayAction(int Count) {
  QElapsedTimer started;
  started.start();
  while (quint32(Count) > quint32(started.elapsed() * 1000)) {
    QCoreApplication::processEvents();
    QThread::msleep(80);
  }
}
