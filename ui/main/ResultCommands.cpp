// The results page's commands: marking rows one by one or in bulk, the automatic-marking dialog and
// saving the result file; and the chooser of a result file to open.
#include "engine/RecordText.h"
#include "engine/ResultFile.h"
#include "platform/Folders.h"
#include "platform/Names.h"
#include "settings/Language.h"
#include "ui/main/Helpers.h"
#include "ui/main/Main.h"
#include "ui/results/Marker.h"
#include "ui/results/ResultMarking.h"
#include "ui/results/ResultShow.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>

namespace {
const QString ResultFileFilter = QStringLiteral("Result file (*.wzr)");
}

void TfrmMain::ConnectResultCommands() {
  connect(btnSelect, &QToolButton::clicked, this, &TfrmMain::btnSelectClick);
  connect(btnSelectCopies, &QToolButton::clicked, this, &TfrmMain::btnSelectCopiesClick);
  connect(btnSelectAutomatically, &QToolButton::clicked, this, &TfrmMain::btnSelectAutomaticallyClick);
  connect(btnSelectAll, &QToolButton::clicked, this, &TfrmMain::btnSelectAllClick);
  connect(btnSelectNone, &QToolButton::clicked, this, &TfrmMain::btnSelectNoneClick);
  connect(btnSelectInvert, &QToolButton::clicked, this, &TfrmMain::btnSelectInvertClick);
  connect(btnSaveResult, &QToolButton::clicked, this, &TfrmMain::btnSaveResultClick);
  connect(btnResultOpen, &QPushButton::clicked, this, &TfrmMain::btnResultOpenClick);
}

int TfrmMain::FocusedResultRow() const {
  return ActivePage() == tbsResults ? m_resultList->FocusedRow() : -1;
}

void TfrmMain::btnSelectClick() {
  if (!FocusedResultItem() || !ToggleResultCheck(m_resultList->Model(), FocusedResultRow())) {
    Beep();
    return;
  }
  UpdateResultStatus();
}

void TfrmMain::btnSelectCopiesClick() {
  TResultModel &model = m_resultList->Model();
  if (!FocusedResultItem() || !SelectCopies(model, FocusedResultRow(), model.ShownMethod())) {
    Beep();
    return;
  }
  UpdateResultStatus();
}

void TfrmMain::btnSelectAllClick() {
  SetResultChecks(m_resultList->Model(), TCheckRule::All);
  UpdateResultStatus();
}

void TfrmMain::btnSelectNoneClick() {
  SetResultChecks(m_resultList->Model(), TCheckRule::None);
  UpdateResultStatus();
}

void TfrmMain::btnSelectInvertClick() {
  SetResultChecks(m_resultList->Model(), TCheckRule::Invert);
  UpdateResultStatus();
}

void TfrmMain::btnSelectAutomaticallyClick() {
  TfrmMarker marker(
      m_resultList->Model(), *LangList, [this] { UpdateResultStatus(); }, this);
  DialogService::instance().execDialog(marker);
}

void TfrmMain::btnSaveResultClick() {
  DialogService &dialogs = DialogService::instance();
  const QString chosen = dialogs.getSaveFileName(this, QString(), QString(), ResultFileFilter);
  if (chosen.isEmpty())
    return;
  const QString name = AddDefaultExt(chosen, QStringLiteral(".wzr"));
  if (PathExists(name) &&
      dialogs.messageBox(this, QMessageBox::Question, T("2045"), T("2098"),
                         QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
    return;
  QString failure;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  try {
    FileList->SaveToFile(name);
  } catch (const EResultFileError &error) {
    failure = error.Message;
  } catch (const std::exception &error) {
    failure = QString::fromUtf8(error.what());
  }
  QApplication::restoreOverrideCursor();
  if (failure.isEmpty())
    return;
  // The writer names the file, shown, and the reason; a reason-less failure still names the file.
  const QString shown = platform::ShownName(name);
  if (!failure.contains(shown))
    failure = QStringLiteral("The result file \"%1\" cannot be written: %2").arg(shown, failure);
  dialogs.messageBox(this, QMessageBox::Warning, T("2045"), failure, QMessageBox::Ok, QMessageBox::Ok);
}

void TfrmMain::btnResultOpenClick() {
  const QString chosen =
      DialogService::instance().getOpenFileName(this, QString(), QString(), ResultFileFilter);
  if (!chosen.isEmpty())
    edtResultOpen->setText(chosen);
}
