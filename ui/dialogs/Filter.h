#pragma once
// The file filter dialog: edits the program's one filter (name masks with their histories and the
// file-type group menu, size, dates, attributes). OK checks the input, stores the filter and the
// two mask histories; Cancel stores nothing. Escape is bound to neither.

#include "ui/dialogs/FilterRules.h"
#include "ui/dialogs/NoEscapeDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QAction;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class TCheckedDateEdit;

class TfrmFilter : public TNoEscapeDialog {
  Q_OBJECT
public:
  explicit TfrmFilter(QWidget *Owner);

  // The controls as they stand, and the controls set from a state (then UpdateControls).
  TFilterControls Controls() const;
  void ShowControls(const TFilterControls &Controls);

  void UpdateControls();
  bool ValidateFilter();

  void btnOKClick();
  void btnCancelClick();
  void btnDefaultClick();
  void btnMaskIncludedSelectClick();
  void btnMaskExcludedSelectClick();
  void mniGroupClick(int Tag);
  void mniMaskClearClick();
  void mniFilterGroupExtClick();
  void edtDateLeftChange();
  void edtDateRightChange();

  // The box the mask menu acts on: 1 the include box, 2 the exclude box.
  int MaskMenuTag() const { return m_maskMenuTag; }

private:
  void FormCreate();
  void ApplyLanguage();
  void FillGroupMenu();
  void LoadFilter();
  QWidget *BuildMaskPage();
  QWidget *BuildSizePage();
  QWidget *BuildDatePage();
  QWidget *BuildAttrPage();
  QComboBox *MaskMenuBox() const;

  int m_maskMenuTag = 0;

  QTabWidget *pgcFilter;
  QWidget *tbsMask, *tbsSize, *tbsDate, *tbsAttr;
  QPushButton *btnDefault, *btnOK, *btnCancel;

  QRadioButton *rbtMaskAny, *rbtMaskSpecify;
  QWidget *pnlMaskSpecify;
  QRadioButton *rbtMaskIncluded, *rbtMaskExcluded;
  QComboBox *cmbMaskIncluded, *cmbMaskExcluded;
  QPushButton *btnMaskIncludedSelect, *btnMaskExcludedSelect;

  QRadioButton *rbtSizeAny, *rbtSizeSpecify;
  QComboBox *cmbSizeSpecify;
  QSpinBox *edtSizeSpecifyFirst, *edtSizeSpecifyLast;
  QLabel *lblSizeSpecifyAnd;

  QRadioButton *rbtDateAny, *rbtDateSpecify;
  QLabel *lblDateLeft, *lblDateRight, *lblDateType;
  TCheckedDateEdit *edtDateLeft, *edtDateRight;
  QComboBox *cmbDateType;

  QRadioButton *rbtAttrAny, *rbtAttrSpecify;
  QLabel *lblAttrInclude, *lblAttrExclude;
  QCheckBox *cbxAttrReadOnlyInclude, *cbxAttrHiddenInclude, *cbxAttrReadOnlyExclude, *cbxAttrHiddenExclude;

  QMenu *mnuMask;
  QAction *N6, *mniMaskClear, *mniFilterGroupExt;
};
