// The two search warnings: system folders among the chosen folders, and searching inside archives.
#include "settings/Language.h"
#include "settings/Registry.h"
#include "ui/dialogs/ArchiveInformation.h"
#include "ui/dialogs/CheckDirectorionDialog.h"
#include "ui/dialogs/DialogFit.h"
#include "ui/dialogs/Named.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TfrmCheckDirectorionDialog::TfrmCheckDirectorionDialog(QWidget *Owner) : QDialog(Owner) {
  setObjectName(QStringLiteral("frmCheckDirectorionDialog"));

  lblTitle = MakeNamed<QLabel>(this, "lblTitle");
  lblTitle->setWordWrap(true);
  lblDir = MakeNamed<QLabel>(this, "lblDir");
  memDir = MakeNamed<QPlainTextEdit>(this, "memDir");
  memDir->setReadOnly(true);
  memDir->setFrameShape(QFrame::NoFrame);
  memDir->setBackgroundRole(QPalette::Window);
  memDir->viewport()->setBackgroundRole(QPalette::Window);
  memDir->setFocusPolicy(Qt::NoFocus);
  rbtNo = MakeNamed<QRadioButton>(this, "rbtNo");
  rbtNo->setChecked(true);
  rbtYes = MakeNamed<QRadioButton>(this, "rbtYes");
  cbxNoShowAfter = MakeNamed<QCheckBox>(this, "cbxNoShowAfter");
  btnReturn = MakeNamed<QPushButton>(this, "btnReturn");
  btnReturn->setDefault(true);
  btnCancel = MakeNamed<QPushButton>(this, "btnCancel");
  btnCancel->setAutoDefault(false);

  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnReturn);
  buttons->addWidget(btnCancel);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(lblTitle);
  layout->addWidget(lblDir);
  layout->addWidget(memDir, 1);
  layout->addWidget(rbtNo);
  layout->addWidget(rbtYes);
  layout->addWidget(cbxNoShowAfter);
  layout->addLayout(buttons);

  connect(btnReturn, &QPushButton::clicked, this, &TfrmCheckDirectorionDialog::btnReturnClick);
  connect(btnCancel, &QPushButton::clicked, this, &TfrmCheckDirectorionDialog::btnCancelClick);
  connect(cbxNoShowAfter, &QCheckBox::clicked, this, &TfrmCheckDirectorionDialog::cbxNoShowAfterClick);

  FormCreate();
}

void TfrmCheckDirectorionDialog::FormCreate() {
  m_tag = 0;
  btnReturn->setFocus();
  setWindowTitle(LangText("2045"));
  lblTitle->setText(LangText("231"));
  lblDir->setText(LangText("232"));
  rbtNo->setText(LangText("233"));
  rbtYes->setText(LangText("234"));
  cbxNoShowAfter->setText(LangText("2049"));
  btnReturn->setText(LangText("235"));
  btnCancel->setText(LangText("236"));
  FitFixedSize(this, QSize(320, 251));
}

void TfrmCheckDirectorionDialog::btnReturnClick() {
  m_tag = 1;
  accept();
}

// Closing by the title bar or Escape also leaves the tag at 0.
void TfrmCheckDirectorionDialog::btnCancelClick() {
  reject();
}

void TfrmCheckDirectorionDialog::cbxNoShowAfterClick() {
  RegWriteBool(QStringLiteral("ShowDialogWarningSystemDirectory"), !cbxNoShowAfter->isChecked());
}

TfrmArchiveInformation::TfrmArchiveInformation(QWidget *Owner) : QDialog(Owner) {
  setObjectName(QStringLiteral("frmArchiveInformation"));

  lblComment = MakeNamed<QLabel>(this, "lblComment");
  lblComment->setWordWrap(true);
  cbxNoShowAfter = MakeNamed<QCheckBox>(this, "cbxNoShowAfter");
  btnOK = MakeNamed<QPushButton>(this, "btnOK");
  btnOK->setDefault(true);
  // Not on the check box: a stray Space would switch the notice off for good.
  btnOK->setFocus();

  auto *buttons = new QHBoxLayout;
  buttons->addWidget(cbxNoShowAfter);
  buttons->addStretch();
  buttons->addWidget(btnOK);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(lblComment, 1);
  layout->addLayout(buttons);

  connect(btnOK, &QPushButton::clicked, this, &TfrmArchiveInformation::btnOKClick);
  connect(cbxNoShowAfter, &QCheckBox::clicked, this, &TfrmArchiveInformation::cbxNoShowAfterClick);

  FormCreate();
}

void TfrmArchiveInformation::FormCreate() {
  setWindowTitle(LangText("2045"));
  lblComment->setText(LangText("2048"));
  cbxNoShowAfter->setText(LangText("2049"));
  btnOK->setText(LangText("209"));
  FitFixedSize(this, QSize(313, 134));
}

void TfrmArchiveInformation::btnOKClick() {
  accept();
}

void TfrmArchiveInformation::cbxNoShowAfterClick() {
  RegWriteBool(QStringLiteral("ShowDialogWarningArchive"), !cbxNoShowAfter->isChecked());
}
