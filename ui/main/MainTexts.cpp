// The main window's fixed texts, all from the current translation.
#include "settings/Language.h"
#include "ui/main/LinkLabel.h"
#include "ui/main/Main.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QTreeView>

std::array<QString, 6> SearchMethodTitles;

QString SearchMethodTitle(int Method) {
  if (Method < 1 || Method > int(SearchMethodTitles.size()))
    return {};
  return SearchMethodTitles[Method - 1];
}

void TfrmMain::ApplyLanguage() {
  // First page; the idle captions of Next and Back come with LeaveBusyButtons.
  lblFirstTop->setText(T("2020"));
  gbxFirstClient->setTitle(T("2021"));
  rbtFirstFind->setText(T("2022"));
  rbtFirstOpen->setText(T("2023"));
  btnOptions->setText(T("2024"));
  btnExit->setText(T("2025"));
  LeaveBusyButtons();
  rbtFirstRecovery->setText(T("251"));
  lblFirstRecoveryInfo->setText(T("2517"));

  lblWhatTop->setText(T("2028"));
  gbxWhatClient->setTitle(T("2029"));
  cbxSearchMethodCrc->setText(T("2030"));
  cbxSearchMethodImage->setText(T("2031"));
  cbxSearchMethodMp3->setText(T("2032"));
  cbxSearchMethodProperty->setText(T("2033"));
  cbxSearchMethodZero->setText(T("2034"));
  btnFilter->setText(T("261"));
  lblSearchMethodPropertyOptions->setText(T("271"));
  lblSearchMethodMp3Options->setText(T("271"));

  lblFoldersTop->setText(T("2035"));
  boxFoldersClient->setTitle(T("2036"));
  cbxSearchArchive->setText(T("2037"));
  lblMapDriveMount->setText(T("221"));
  lblMapDriveUnmount->setText(T("222"));

  lblFindingTop->setText(T("2051"));
  boxFindingClient->setTitle(T("2052"));

  lblResultsTop->setText(T("2053"));
  const std::pair<QToolButton *, QAction *> commands[] = {
      {btnRun, mniRun},
      {btnSelect, mniSelect},
      {btnSelectCopies, mniSelectCopies},
      {btnSelectAutomatically, mniSelectAutomatically},
      {btnSelectAll, mniSelectAll},
      {btnSelectNone, mniSelectNone},
      {btnSelectInvert, mniSelectInvert},
      {btnSaveResult, mniSaveResult},
  };
  const char *const commandIds[] = {"2054", "2056", "2057", "2058", "2059", "2060", "2061", "2062"};
  for (int i = 0; i < 8; ++i)
    commands[i].first->setToolTip(T(commandIds[i]));
  for (int i = 0; i < 8; ++i)
    commands[i].second->setText(T(commandIds[i]));
  const char *const columnIds[] = {"2063", "2064", "2065", "2066"};
  for (int column = 0; column < 4; ++column)
    trvResult->model()->setHeaderData(column, Qt::Horizontal, T(columnIds[column]));
  trvResult->model()->setHeaderData(4, Qt::Horizontal, QString());

  for (int method = 1; method <= 6; ++method)
    SearchMethodTitles[method - 1] = LangList->GetText(2074 + method);

  lblActionTop->setText(T("2099"));
  boxActionClient->setTitle(T("20100"));
  rbtActionDelete->setText(T("20101"));
  rbtActionDeleteToRecicly->setText(T("20102"));
  rbtActionMove->setText(T("20103"));
  rbtActionCopy->setText(T("20104"));
  lblActionMoveInfo->setText(T("2517"));

  lblDeletingTop->setText(T("20107"));
  boxDeletingClient->setTitle(T("20108"));

  lblOpenResultTop->setText(T("20109"));
  boxOpenResultClient->setTitle(T("20110"));
  lblOpenResultFileChoose->setText(T("20111"));
  btnResultOpen->setText(T("20112"));

  lblOpenMoveFolderTop->setText(T("20114"));
  boxOpenMoveFolderClient->setTitle(T("20115"));
  lblFolder->setText(T("20116"));
  btnSelectFolder->setText(T("20112"));

  lblLogTop->setText(T("20117"));
  boxLogClient->setTitle(T("20118"));

  lblOpenRestoreFolderTop->setText(T("252"));
  boxOpenRestoreFolderClient->setTitle(T("20115"));
  lblRestoreFolder->setText(T("20116"));
  btnFolderRestoreSelect->setText(T("20112"));

  lblRestoreFilesTop->setText(T("253"));
  boxRestoreFilesClient->setTitle(T("254"));
  cbxRestoreCreateDir->setText(T("255"));
  cbxRestoreCopyExist->setText(T("256"));
  btnRestoreRun->setToolTip(T("2054"));
  btnRestoreSelect->setToolTip(T("2056"));
  btnRestoreSelectAll->setToolTip(T("2059"));
  btnRestoreSelectNone->setToolTip(T("2060"));
  btnRestoreSelectInvert->setToolTip(T("2061"));

  lblRestoringTop->setText(T("257"));
  boxRestoringClient->setTitle(T("258"));

  btnRestoreLogSave->setText(T("259"));
  boxRestoreLogClient->setTitle(T("20118"));
  lblRestoreLogTop->setText(T("2510"));
}
