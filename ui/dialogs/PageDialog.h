#pragma once
// The layout the search option dialogs share: a page control above a row of buttons, the default
// button at the lower left, OK (which Enter presses) and Cancel at the lower right.

class QDialog;
class QPushButton;
class QTabWidget;

struct TPageDialogButtons {
  QPushButton *Default;
  QPushButton *OK;
  QPushButton *Cancel;
};

// Makes the three buttons (btnDefault, btnOK, btnCancel) and lays out Dialog with Pages above them.
TPageDialogButtons LayOutPageDialog(QDialog *Dialog, QTabWidget *Pages);
