// The restore road of the page machine: the store folder to restore from with its checks, the list of
// stored files filled by its loader, the restore's progress page and its log, saved as RTF. The walk,
// the target rule and the move back live in actions/.
#include "actions/RestoreRun.h"
#include "actions/RtfWriter.h"
#include "actions/StoreFolder.h"
#include "engine/RecordText.h"
#include "engine/ScanFiles.h"
#include "platform/Folders.h"
#include "settings/FormatSize.h"
#include "settings/Language.h"
#include "ui/main/ActionLogView.h"
#include "ui/main/Helpers.h"
#include "ui/main/Main.h"
#include "ui/main/RestoreList.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeView>

void TfrmMain::AddRestoreRoad() {
  QAbstractItemModel *design = trvRestoreFiles->model();
  m_restoreModel = new TRestoreModel(trvRestoreFiles);
  trvRestoreFiles->setModel(m_restoreModel);
  delete design;
  trvRestoreFiles->setUniformRowHeights(true);
  connect(trvRestoreFiles, &QTreeView::expanded, m_restoreModel,
          [this](const QModelIndex &Index) { m_restoreModel->SetExpanded(Index, true); });
  connect(trvRestoreFiles, &QTreeView::collapsed, m_restoreModel,
          [this](const QModelIndex &Index) { m_restoreModel->SetExpanded(Index, false); });
  connect(m_restoreModel, &TRestoreModel::CheckChanged, this, [this] { UpdateRestoreStatus(0, 0); });
  connect(btnFolderRestoreSelect, &QPushButton::clicked, this, &TfrmMain::btnFolderRestoreSelectClick);
  connect(btnRestoreRun, &QToolButton::clicked, this, &TfrmMain::btnRestoreRunClick);
  connect(btnRestoreSelect, &QToolButton::clicked, this, &TfrmMain::btnRestoreSelectClick);
  connect(btnRestoreSelectAll, &QToolButton::clicked, this,
          [this] { SetRestoreChecks([](bool) { return true; }); });
  connect(btnRestoreSelectNone, &QToolButton::clicked, this,
          [this] { SetRestoreChecks([](bool) { return false; }); });
  connect(btnRestoreSelectInvert, &QToolButton::clicked, this,
          [this] { SetRestoreChecks([](bool Old) { return !Old; }); });
  connect(btnRestoreLogSave, &QPushButton::clicked, this, &TfrmMain::btnRestoreLogSaveClick);

  m_pages.Add(tbsOpenRestoreFolder,
              {[this] { RestoreFolderNext(); }, [this] { ShowPage(tbsFirst); }, {}, {}});
  // Next waits for the loader.
  m_pages.Add(tbsRestoreFiles, {[this] { RunRestore(); },
                                [this] { ShowPage(tbsOpenRestoreFolder); },
                                [this] { return !m_restoreLoad || m_restoreLoad->Done; },
                                {}});
  m_pages.Add(tbsRestoring, ProgressPageMoves());
  m_pages.Add(tbsRestoreLog, {{}, [this] { ShowPage(tbsFirst); }, [] { return false; }, {}});
}

void TfrmMain::RestoreFolderNext() {
  StoreFolder = AddSlash(edtFolderRestore->text());
  if (!StoreFolder.startsWith(QLatin1Char('/')) || !IsFolderPath(StoreFolder)) {
    ShowInfo(LangList->GetText(2073));
    return;
  }
  if (!HoldsOnlyDriveLetters(StoreFolder)) {
    ShowInfo(LangList->GetText(2511));
    return;
  }
  StartRestoreLoad();
  ShowPage(tbsRestoreFiles);
}

void TfrmMain::StopRestoreLoad() {
  m_restoreLoad.reset();
}

void TfrmMain::StartRestoreLoad() {
  // The loader before the tree: no step of it runs once it is stopped.
  StopRestoreLoad();
  m_restoreModel->Clear();
  UpdateRestoreStatus(0, 0);
  m_restoreLoad = std::make_unique<TRestoreFilesLoad>(
      this, StoreFolder,
      [this](const QList<TLoadedEntry> &Entries) {
        // Only the current loader's steps run, so it is the one held.
        TRestoreFilesLoad &loader = *m_restoreLoad;
        m_restoreModel->AddEntries(Entries, [&](const TRestoreFileShow &Show) {
          if (!Show.IsFile)
            return;
          ++loader.FileCount;
          loader.TotalSize += Show.Size;
          if (loader.FileCount % 10 == 0)
            UpdateRestoreStatus(loader.FileCount, loader.TotalSize);
        });
      },
      [this] {
        UpdateRestoreStatus(0, 0);
        UpdateNavigation();
      });
  UpdateNavigation();
  m_restoreLoad->start();
}

void TfrmMain::UpdateRestoreStatus(qint64 FileCount, qint64 TotalSize) {
  TRestoreTotals totals;
  if (FileCount == 0 && TotalSize == 0)
    totals = m_restoreModel->SumRestoreTotals();
  else
    totals = {0, TotalSize, 0, FileCount};
  const QString text = FormatText(LangList->GetText(243) + QStringLiteral("  "),
                                  {QString::number(totals.CheckedCount), QString::number(totals.TotalCount),
                                   FormatSizeKb(totals.CheckedSize), FormatSizeKb(totals.TotalSize)});
  barRestoreFilesPanel->setText(text);
  emit RestoreStatusShown(text);
}

TRestoreModel &TfrmMain::RestoreModel() {
  return *m_restoreModel;
}

TRestoreFileShow *TfrmMain::FocusedRestoreItem() const {
  if (ActivePage() != tbsRestoreFiles)
    return nullptr;
  TRestoreFileShow *show = m_restoreModel->GetRestoreData(trvRestoreFiles->currentIndex());
  return show && show->IsFile ? show : nullptr;
}

void TfrmMain::SetRestoreChecks(const std::function<bool(bool)> &Rule) {
  trvRestoreFiles->setUpdatesEnabled(false);
  m_restoreModel->SetRestoreChecks(Rule);
  trvRestoreFiles->setUpdatesEnabled(true);
}

void TfrmMain::btnFolderRestoreSelectClick() {
  const QString folder = BrowseFolder();
  if (!folder.isEmpty())
    edtFolderRestore->setText(folder);
}

void TfrmMain::btnRestoreRunClick() {
  if (const TRestoreFileShow *show = FocusedRestoreItem())
    OpenFile(show->StorePath);
  else
    DialogService::instance().beep();
}

void TfrmMain::btnRestoreSelectClick() {
  const QModelIndex current = trvRestoreFiles->currentIndex();
  if (const TRestoreFileShow *show = FocusedRestoreItem())
    SetRestoreNodeChecked(m_restoreModel, current, !show->Checked);
  else
    DialogService::instance().beep();
}

void TfrmMain::RunRestore() {
  TRichLog log(*memRestoreLog);
  TRestoreRun run{m_restoreModel->CollectCheckedRestore(),
                  {cbxRestoreCreateDir->isChecked(), cbxRestoreCopyExist->isChecked()},
                  *this,
                  RestoringBar(),
                  log};
  const auto toLog = [this] { ShowPage(tbsRestoreLog); };
  RunBusy({tbsRestoring, true,
           [&] {
             // However the loop ends: the summary, and a tree whose stored files may have moved.
             struct TCleanUp {
               TfrmMain &Window;
               const TRestoreRun &Run;
               ~TCleanUp() {
                 Window.RestoreLogSummary(Run.Total);
                 Window.m_restoreModel->Clear();
                 Window.UpdateRestoreStatus(0, 0);
               }
             } cleanUp{*this, run};
             lblRestoringPercent->setText(QStringLiteral("0%"));
             PrepareRestoreBar(RestoringBar(), int(run.Items.size()));
             ProcessActionProgress();
             DelayRestore(3);
             RestoreLoop(run);
             toLog();
           },
           toLog,
           [this, toLog](const QString &Message) {
             toLog();
             DialogService::instance().messageBox(this, QMessageBox::Warning, LangList->GetText(2045),
                                                  Message, QMessageBox::Ok, QMessageBox::Ok);
           }});
}

void TfrmMain::DelayRestore(int Count) {
  DelayAction(Count);
}

void TfrmMain::RestoreLogSummary(qint64 Total) {
  WriteLogSummary(*memRestoreLog, LangList->GetText(2515) + QLatin1Char(' ') + FormatSizeKb(Total),
                  LangList->GetText(2516) + QLatin1Char(' '));
}

namespace {

TRtfDocument LogDocument(const QTextEdit &Log) {
  TRtfDocument doc;
  doc.FontName = Log.font().family();
  doc.PointSize = Log.font().pointSizeF() > 0 ? Log.font().pointSizeF() : 10;
  doc.Colours = {Log.palette().color(QPalette::WindowText).rgb() & 0xffffff, 0xff0000};
  for (QTextBlock block = Log.document()->begin(); block.isValid(); block = block.next()) {
    TRtfLine line;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const QTextCharFormat format = fragment.charFormat();
      line.append({fragment.text(), format.foreground().color().rgb() & 0xffffff,
                   format.fontWeight() >= QFont::Bold, format.fontUnderline(), format.fontPointSize()});
    }
    doc.Lines.append(line);
  }
  return doc;
}

} // namespace

void TfrmMain::btnRestoreLogSaveClick() {
  const QString chosen = DialogService::instance().getSaveFileName(this, QString(), QString(),
                                                                   QStringLiteral("Rtf file (*.rtf)"));
  if (chosen.isEmpty())
    return;
  const QString name = AddDefaultExt(chosen, QStringLiteral(".rtf"));
  QString error;
  if (!SaveRtf(LogDocument(*memRestoreLog), name, &error))
    DialogService::instance().messageBox(this, QMessageBox::Critical, LangList->GetText(2045),
                                         name + QStringLiteral(": ") + error, QMessageBox::Ok,
                                         QMessageBox::Ok);
}
