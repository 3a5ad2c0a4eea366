#pragma once
// The program options dialog: the user-interface language (applied and stored at once), the tray
// icon and the icon animation during a search (stored on OK only).

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class TLangList;

class TfrmOptions : public QDialog {
  Q_OBJECT
public:
  // Langs is the program's list of translations; the dialog changes its current name.
  TfrmOptions(TLangList &Langs, QWidget *Owner);

  void Translate();

signals:
  // The current language changed; the owner re-applies its texts before the choice is stored.
  void LanguageChanged();

private:
  void FormCreate();
  void cmbLanguageChange(int Index);
  void btnOkClick();
  void btnCancelClick();

  TLangList &m_langs;
  QGroupBox *boxLanguage;
  QComboBox *cmbLanguage;
  QLabel *lblTranslator;
  QGroupBox *boxTray;
  QRadioButton *rbtMinimizeToTrayOfFind;
  QRadioButton *rbtNoMinimizeToTrayOfFind;
  QGroupBox *boxAnimationIcon;
  QRadioButton *rbtAnimationIcon;
  QRadioButton *rbtNoAnimationIcon;
  QPushButton *btnOk;
  QPushButton *btnCancel;
};
