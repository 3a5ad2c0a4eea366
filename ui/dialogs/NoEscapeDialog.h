#pragma once
// A dialog that Escape does not close: the search option dialogs bind it to neither OK nor Cancel,
// so a stray key never throws away what was typed. The title bar's close box still cancels.

#include <QDialog>
#include <QKeyEvent>

class TNoEscapeDialog : public QDialog {
public:
  using QDialog::QDialog;

protected:
  void keyPressEvent(QKeyEvent *Event) override {
    if (Event->key() == Qt::Key_Escape && Event->modifiers() == Qt::NoModifier) {
      Event->accept();
      return;
    }
    QDialog::keyPressEvent(Event);
  }
};
