#include "ui/dialogs/NetworkLogin.h"

#include "settings/Language.h"
#include "ui/dialogs/DialogFit.h"
#include "ui/dialogs/Named.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmNetworkLogin::TfrmNetworkLogin(QWidget *Owner, const QString &Address, const QString &Message)
    : QDialog(Owner) {
  setObjectName(QStringLiteral("frmNetworkLogin"));
  setWindowTitle(Address);

  lblMessage = MakeNamed<QLabel>(this, "lblMessage");
  lblMessage->setWordWrap(true);
  lblMessage->setTextFormat(Qt::PlainText);
  lblMessage->setText(Message);
  lblMessage->setVisible(!Message.isEmpty());
  auto *grid = new QGridLayout;
  const char *const names[][3] = {{"lblUser", "edtUser", "20157"},
                                  {"lblDomain", "edtDomain", "20158"},
                                  {"lblPassword", "edtPassword", "20159"}};
  for (int i = 0; i < 3; ++i) {
    TRow &r = m_rows[i];
    r.Label = MakeNamed<QLabel>(this, names[i][0]);
    r.Label->setText(LangText(QLatin1String(names[i][2])));
    r.Edit = MakeNamed<QLineEdit>(this, names[i][1]);
    r.Label->setBuddy(r.Edit);
    grid->addWidget(r.Label, i, 0);
    grid->addWidget(r.Edit, i, 1);
    r.Label->hide();
    r.Edit->hide();
  }
  edtUser = m_rows[0].Edit;
  edtDomain = m_rows[1].Edit;
  edtPassword = m_rows[2].Edit;
  edtPassword->setEchoMode(QLineEdit::Password);
  grid->setColumnStretch(1, 1);

  btnOk = MakeNamed<QPushButton>(this, "btnOk");
  btnOk->setText(LangText(QStringLiteral("209")));
  btnOk->setDefault(true);
  btnCancel = MakeNamed<QPushButton>(this, "btnCancel");
  btnCancel->setText(LangText(QStringLiteral("2010")));
  btnCancel->setAutoDefault(false);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(lblMessage);
  layout->addLayout(grid);
  layout->addStretch();
  layout->addLayout(buttons);

  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  FitFixedSize(this, QSize(360, 0));
}

TfrmNetworkLogin::TRow TfrmNetworkLogin::row(TKind Kind) const {
  const int i = int(Kind);
  return i >= 0 && i < 3 ? m_rows[i] : TRow();
}

void TfrmNetworkLogin::Ask(TKind Kind, const QString &Default) {
  const TRow r = row(Kind);
  if (!r.Edit)
    return;
  r.Edit->setText(Default);
  r.Label->show();
  r.Edit->show();
  // The focus starts in the first field shown.
  for (const TRow &shown : m_rows)
    if (shown.Edit->isVisibleTo(this)) {
      shown.Edit->setFocus();
      break;
    }
  FitFixedSize(this, QSize(360, 0));
}

bool TfrmNetworkLogin::Asks(TKind Kind) const {
  const TRow r = row(Kind);
  return r.Edit && r.Edit->isVisibleTo(this);
}

QString TfrmNetworkLogin::Answer(TKind Kind) const {
  const TRow r = row(Kind);
  return r.Edit ? r.Edit->text() : QString();
}
