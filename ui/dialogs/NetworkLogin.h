#pragma once
// The login a network location asks for while it is connected: user name, domain and password
// (hidden). Only the fields the mount tool asks for, or may ask for next, are shown.

#include "platform/NetworkMounts.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TfrmNetworkLogin : public QDialog {
  Q_OBJECT
public:
  using TKind = platform::TMountQuestion::TKind;

  // Address is the caption; Message is what the tool said about the login (hidden when empty).
  TfrmNetworkLogin(QWidget *Owner, const QString &Address, const QString &Message);

  // Shows the field of Kind (not Choice), filled with Default.
  void Ask(TKind Kind, const QString &Default = QString());
  bool Asks(TKind Kind) const;
  QString Answer(TKind Kind) const;

  QLabel *lblMessage;
  QLineEdit *edtUser;
  QLineEdit *edtDomain;
  QLineEdit *edtPassword;

private:
  struct TRow {
    QLabel *Label = nullptr;
    QLineEdit *Edit = nullptr;
  };
  // The row of a field; none for Choice.
  TRow row(TKind Kind) const;

  TRow m_rows[3]; // user, domain, password: the order in which the tool asks
  QPushButton *btnOk;
  QPushButton *btnCancel;
};
