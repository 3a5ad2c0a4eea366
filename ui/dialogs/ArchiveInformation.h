#pragma once
// The notice shown when searching inside archives is switched on: the search takes longer.

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

class TfrmArchiveInformation : public QDialog {
  Q_OBJECT
public:
  explicit TfrmArchiveInformation(QWidget *Owner);

private:
  void FormCreate();
  void btnOKClick();
  void cbxNoShowAfterClick();

  QLabel *lblComment;
  QCheckBox *cbxNoShowAfter;
  QPushButton *btnOK;
};
