#pragma once
// The file-type group editor: one labelled line per group of the program's group list, holding the
// group's ";"-separated masks. OK stores the lists, trimmed, and saves the groups at once; Cancel
// changes nothing. The rows scroll when more groups are stored than the screen can show.

#include "ui/dialogs/NoEscapeDialog.h"

class QHBoxLayout;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

class TfrmFilterGroupExt : public TNoEscapeDialog {
  Q_OBJECT
public:
  explicit TfrmFilterGroupExt(QWidget *Owner);

  void btnOKClick();
  void btnCancelClick();
  void StoreGroups();

private:
  void FormCreate();
  void BuildGroupEditors();
  void AddGroupEditor(int Index);
  void ApplyLanguage();
  void FitToRows();

  QScrollArea *m_scroll;
  QWidget *m_rows;
  QVBoxLayout *m_rowsLayout;
  QHBoxLayout *m_buttons;
  QPushButton *btnOK;
  QPushButton *btnCancel;
};
