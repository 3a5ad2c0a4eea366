#pragma once
// The warning that folders chosen for a search hold system folders. Tag 1: go on with the search
// (rbtNo: leave the system folders out, rbtYes: search them too); Tag 0: choose the folders again.

#include <QDialog>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class TfrmCheckDirectorionDialog : public QDialog {
  Q_OBJECT
public:
  explicit TfrmCheckDirectorionDialog(QWidget *Owner);

  int Tag() const { return m_tag; }
  // The system folders concerned, one per line; filled by the caller.
  QPlainTextEdit *memDir;
  QRadioButton *rbtNo;
  QRadioButton *rbtYes;

private:
  void FormCreate();
  void btnReturnClick();
  void btnCancelClick();
  void cbxNoShowAfterClick();

  int m_tag = 0;
  QLabel *lblTitle;
  QLabel *lblDir;
  QCheckBox *cbxNoShowAfter;
  QPushButton *btnReturn;
  QPushButton *btnCancel;
};
