#include "ui/dialogs/Filter.h"

#include "engine/SearchFilter.h"
#include "settings/FileGroupExt.h"
#include "settings/Language.h"
#include "ui/dialogs/CheckedDateEdit.h"
#include "ui/dialogs/ComboHelpers.h"
#include "ui/dialogs/DialogFit.h"
#include "ui/dialogs/DialogService.h"
#include "ui/dialogs/FilterGroupExt.h"
#include "ui/dialogs/Named.h"
#include "ui/dialogs/PageDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOption>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
const QSize DesignSize(408, 244);
const QString IncludeHistory = QStringLiteral("combo-include-ext");
const QString ExcludeHistory = QStringLiteral("combo-exclude-ext");

// Sets two radios of one group, allowing both off (a stored filter may have neither mask side).
void CheckPair(QRadioButton *A, bool ACheck, QRadioButton *B, bool BCheck) {
  A->setAutoExclusive(false);
  B->setAutoExclusive(false);
  A->setChecked(ACheck);
  B->setChecked(BCheck && !ACheck);
  A->setAutoExclusive(true);
  B->setAutoExclusive(true);
}

// A page of one filter part: the any-radio, the specify radio, and below it, indented, the
// controls that the specify radio switches on.
QVBoxLayout *partPage(QWidget *Page, QRadioButton *Any, QRadioButton *Specify) {
  auto *layout = new QVBoxLayout(Page);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(4);
  layout->addWidget(Any);
  layout->addWidget(Specify);
  return layout;
}

QMargins indented(const QWidget *Radio) {
  return {Radio->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) + 8, 2, 0, 0};
}

QComboBox *maskBox(QWidget *Parent, const char *Name) {
  auto *box = MakeNamed<QComboBox>(Parent, Name);
  box->setEditable(true);
  // The list is the stored history; Enter must not add to it, or OK would not store the text.
  box->setInsertPolicy(QComboBox::NoInsert);
  box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  box->setMinimumContentsLength(20);
  return box;
}

// The style's small down arrow, as drop-down buttons show it.
QIcon arrowGlyph(QWidget *Button) {
  const int side = Button->style()->pixelMetric(QStyle::PM_MenuButtonIndicator, nullptr, Button);
  QPixmap pixmap(QSize(side, side) * Button->devicePixelRatio());
  pixmap.setDevicePixelRatio(Button->devicePixelRatio());
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  QStyleOption option;
  option.initFrom(Button);
  option.rect = QRect(0, 0, side, side);
  Button->style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &option, &painter, Button);
  return QIcon(pixmap);
}

QPushButton *selectButton(QWidget *Parent, const char *Name) {
  auto *button = MakeNamed<QPushButton>(Parent, Name);
  button->setIcon(arrowGlyph(button));
  // The glyph at the right of the text.
  button->setLayoutDirection(Qt::RightToLeft);
  button->setAutoDefault(false);
  return button;
}

QSpinBox *sizeBox(QWidget *Parent, const char *Name) {
  auto *box = MakeNamed<QSpinBox>(Parent, Name);
  box->setRange(0, SizeKbMax);
  return box;
}
} // namespace

TfrmFilter::TfrmFilter(QWidget *Owner) : TNoEscapeDialog(Owner) {
  setObjectName(QStringLiteral("frmFilter"));
  pgcFilter = MakeNamed<QTabWidget>(this, "pgcFilter");
  pgcFilter->addTab(BuildMaskPage(), QString());
  pgcFilter->addTab(BuildSizePage(), QString());
  pgcFilter->addTab(BuildDatePage(), QString());
  pgcFilter->addTab(BuildAttrPage(), QString());

  const TPageDialogButtons buttons = LayOutPageDialog(this, pgcFilter);
  btnDefault = buttons.Default;
  btnOK = buttons.OK;
  btnCancel = buttons.Cancel;

  mnuMask = MakeNamed<QMenu>(this, "mnuMask");
  N6 = mnuMask->addSeparator();
  N6->setObjectName(QStringLiteral("N6"));
  mniMaskClear = mnuMask->addAction(QString());
  mniMaskClear->setObjectName(QStringLiteral("mniMaskClear"));
  mniFilterGroupExt = mnuMask->addAction(QString());
  mniFilterGroupExt->setObjectName(QStringLiteral("mniFilterGroupExt"));

  connect(btnOK, &QPushButton::clicked, this, &TfrmFilter::btnOKClick);
  connect(btnCancel, &QPushButton::clicked, this, &TfrmFilter::btnCancelClick);
  connect(btnDefault, &QPushButton::clicked, this, &TfrmFilter::btnDefaultClick);
  connect(btnMaskIncludedSelect, &QPushButton::clicked, this, &TfrmFilter::btnMaskIncludedSelectClick);
  connect(btnMaskExcludedSelect, &QPushButton::clicked, this, &TfrmFilter::btnMaskExcludedSelectClick);
  connect(mniMaskClear, &QAction::triggered, this, &TfrmFilter::mniMaskClearClick);
  connect(mniFilterGroupExt, &QAction::triggered, this, &TfrmFilter::mniFilterGroupExtClick);
  connect(edtDateLeft, &TCheckedDateEdit::Changed, this, &TfrmFilter::edtDateLeftChange);
  connect(edtDateRight, &TCheckedDateEdit::Changed, this, &TfrmFilter::edtDateRightChange);
  for (QRadioButton *radio : {rbtMaskAny, rbtMaskSpecify, rbtMaskIncluded, rbtMaskExcluded, rbtSizeAny,
                              rbtSizeSpecify, rbtDateAny, rbtDateSpecify, rbtAttrAny, rbtAttrSpecify})
    connect(radio, &QRadioButton::toggled, this, &TfrmFilter::UpdateControls);
  for (QCheckBox *box :
       {cbxAttrReadOnlyInclude, cbxAttrHiddenInclude, cbxAttrReadOnlyExclude, cbxAttrHiddenExclude})
    connect(box, &QCheckBox::toggled, this, &TfrmFilter::UpdateControls);
  for (QComboBox *list : {cmbSizeSpecify, cmbDateType})
    connect(list, &QComboBox::currentIndexChanged, this, &TfrmFilter::UpdateControls);

  FormCreate();
}

QWidget *TfrmFilter::BuildMaskPage() {
  tbsMask = MakeNamed<QWidget>(pgcFilter, "tbsMask");
  rbtMaskAny = MakeNamed<QRadioButton>(tbsMask, "rbtMaskAny");
  rbtMaskSpecify = MakeNamed<QRadioButton>(tbsMask, "rbtMaskSpecify");
  // A panel of its own, so that its two radios form their own group.
  pnlMaskSpecify = MakeNamed<QWidget>(tbsMask, "pnlMaskSpecify");
  rbtMaskIncluded = MakeNamed<QRadioButton>(pnlMaskSpecify, "rbtMaskIncluded");
  cmbMaskIncluded = maskBox(pnlMaskSpecify, "cmbMaskIncluded");
  btnMaskIncludedSelect = selectButton(pnlMaskSpecify, "btnMaskIncludedSelect");
  rbtMaskExcluded = MakeNamed<QRadioButton>(pnlMaskSpecify, "rbtMaskExcluded");
  cmbMaskExcluded = maskBox(pnlMaskSpecify, "cmbMaskExcluded");
  btnMaskExcludedSelect = selectButton(pnlMaskSpecify, "btnMaskExcludedSelect");

  auto *grid = new QGridLayout(pnlMaskSpecify);
  grid->setContentsMargins(indented(rbtMaskSpecify));
  grid->setVerticalSpacing(2);
  grid->addWidget(rbtMaskIncluded, 0, 0, 1, 2);
  grid->addWidget(cmbMaskIncluded, 1, 0);
  grid->addWidget(btnMaskIncludedSelect, 1, 1);
  grid->setRowMinimumHeight(2, 4);
  grid->addWidget(rbtMaskExcluded, 3, 0, 1, 2);
  grid->addWidget(cmbMaskExcluded, 4, 0);
  grid->addWidget(btnMaskExcludedSelect, 4, 1);
  grid->setColumnStretch(0, 1);

  auto *layout = partPage(tbsMask, rbtMaskAny, rbtMaskSpecify);
  layout->addWidget(pnlMaskSpecify);
  layout->addStretch();
  return tbsMask;
}

QWidget *TfrmFilter::BuildSizePage() {
  tbsSize = MakeNamed<QWidget>(pgcFilter, "tbsSize");
  rbtSizeAny = MakeNamed<QRadioButton>(tbsSize, "rbtSizeAny");
  rbtSizeSpecify = MakeNamed<QRadioButton>(tbsSize, "rbtSizeSpecify");
  cmbSizeSpecify = MakeNamed<QComboBox>(tbsSize, "cmbSizeSpecify");
  edtSizeSpecifyFirst = sizeBox(tbsSize, "edtSizeSpecifyFirst");
  lblSizeSpecifyAnd = MakeNamed<QLabel>(tbsSize, "lblSizeSpecifyAnd");
  // Never translated.
  lblSizeSpecifyAnd->setText(QStringLiteral("and"));
  edtSizeSpecifyLast = sizeBox(tbsSize, "edtSizeSpecifyLast");

  auto *row = new QHBoxLayout;
  row->setContentsMargins(indented(rbtSizeSpecify));
  row->addWidget(cmbSizeSpecify);
  row->addWidget(edtSizeSpecifyFirst);
  row->addWidget(lblSizeSpecifyAnd);
  row->addWidget(edtSizeSpecifyLast);
  row->addStretch();
  auto *layout = partPage(tbsSize, rbtSizeAny, rbtSizeSpecify);
  layout->addLayout(row);
  layout->addStretch();
  return tbsSize;
}

QWidget *TfrmFilter::BuildDatePage() {
  tbsDate = MakeNamed<QWidget>(pgcFilter, "tbsDate");
  rbtDateAny = MakeNamed<QRadioButton>(tbsDate, "rbtDateAny");
  rbtDateSpecify = MakeNamed<QRadioButton>(tbsDate, "rbtDateSpecify");
  lblDateLeft = MakeNamed<QLabel>(tbsDate, "lblDateLeft");
  edtDateLeft = MakeNamed<TCheckedDateEdit>(tbsDate, "edtDateLeft");
  lblDateRight = MakeNamed<QLabel>(tbsDate, "lblDateRight");
  edtDateRight = MakeNamed<TCheckedDateEdit>(tbsDate, "edtDateRight");
  lblDateType = MakeNamed<QLabel>(tbsDate, "lblDateType");
  cmbDateType = MakeNamed<QComboBox>(tbsDate, "cmbDateType");
  lblDateLeft->setBuddy(edtDateLeft);
  lblDateRight->setBuddy(edtDateRight);
  lblDateType->setBuddy(cmbDateType);

  auto *grid = new QGridLayout;
  grid->setContentsMargins(indented(rbtDateSpecify));
  grid->setVerticalSpacing(4);
  grid->addWidget(lblDateLeft, 0, 0);
  grid->addWidget(edtDateLeft, 0, 1);
  grid->addWidget(lblDateRight, 1, 0);
  grid->addWidget(edtDateRight, 1, 1);
  grid->addWidget(lblDateType, 2, 0);
  grid->addWidget(cmbDateType, 2, 1);
  grid->setColumnStretch(2, 1);
  auto *layout = partPage(tbsDate, rbtDateAny, rbtDateSpecify);
  layout->addLayout(grid);
  layout->addStretch();
  return tbsDate;
}

QWidget *TfrmFilter::BuildAttrPage() {
  tbsAttr = MakeNamed<QWidget>(pgcFilter, "tbsAttr");
  rbtAttrAny = MakeNamed<QRadioButton>(tbsAttr, "rbtAttrAny");
  rbtAttrSpecify = MakeNamed<QRadioButton>(tbsAttr, "rbtAttrSpecify");
  lblAttrInclude = MakeNamed<QLabel>(tbsAttr, "lblAttrInclude");
  cbxAttrReadOnlyInclude = MakeNamed<QCheckBox>(tbsAttr, "cbxAttrReadOnlyInclude");
  cbxAttrHiddenInclude = MakeNamed<QCheckBox>(tbsAttr, "cbxAttrHiddenInclude");
  lblAttrExclude = MakeNamed<QLabel>(tbsAttr, "lblAttrExclude");
  cbxAttrReadOnlyExclude = MakeNamed<QCheckBox>(tbsAttr, "cbxAttrReadOnlyExclude");
  cbxAttrHiddenExclude = MakeNamed<QCheckBox>(tbsAttr, "cbxAttrHiddenExclude");

  auto *grid = new QGridLayout;
  grid->setContentsMargins(indented(rbtAttrSpecify));
  grid->setHorizontalSpacing(24);
  grid->setVerticalSpacing(2);
  grid->addWidget(lblAttrInclude, 0, 0);
  grid->addWidget(cbxAttrReadOnlyInclude, 1, 0);
  grid->addWidget(cbxAttrHiddenInclude, 2, 0);
  grid->addWidget(lblAttrExclude, 0, 1);
  grid->addWidget(cbxAttrReadOnlyExclude, 1, 1);
  grid->addWidget(cbxAttrHiddenExclude, 2, 1);
  grid->setColumnStretch(2, 1);
  auto *layout = partPage(tbsAttr, rbtAttrAny, rbtAttrSpecify);
  layout->addLayout(grid);
  layout->addStretch();
  return tbsAttr;
}

void TfrmFilter::FormCreate() {
  ApplyLanguage();
  pgcFilter->setCurrentWidget(tbsMask);
  ShowControls(InitialFilterControls(QDate::currentDate()));
  FillGroupMenu();
  LoadFilter();
  LoadComboHistory(IncludeHistory, cmbMaskIncluded);
  LoadComboHistory(ExcludeHistory, cmbMaskExcluded);
  UpdateControls();
  FitFixedSize(this, DesignSize);
}

void TfrmFilter::ApplyLanguage() {
  setWindowTitle(LangText("262"));
  pgcFilter->setTabText(pgcFilter->indexOf(tbsMask), LangText("263"));
  pgcFilter->setTabText(pgcFilter->indexOf(tbsSize), LangText("264"));
  pgcFilter->setTabText(pgcFilter->indexOf(tbsDate), LangText("265"));
  pgcFilter->setTabText(pgcFilter->indexOf(tbsAttr), LangText("266"));
  btnDefault->setText(LangText("2612"));
  btnOK->setText(LangText("209"));
  btnCancel->setText(LangText("2010"));
  rbtMaskAny->setText(LangText("267"));
  rbtMaskSpecify->setText(LangText("268"));
  rbtMaskIncluded->setText(LangText("269"));
  rbtMaskExcluded->setText(LangText("2610"));
  btnMaskIncludedSelect->setText(LangText("2611"));
  btnMaskExcludedSelect->setText(LangText("2611"));
  rbtSizeAny->setText(LangText("2613"));
  rbtSizeSpecify->setText(LangText("2614"));
  cmbSizeSpecify->clear();
  cmbSizeSpecify->addItems({LangText("2615"), LangText("2616"), LangText("2617"), LangText("2618")});
  rbtDateAny->setText(LangText("2619"));
  rbtDateSpecify->setText(LangText("2620"));
  lblDateLeft->setText(LangText("2621"));
  lblDateRight->setText(LangText("2622"));
  lblDateType->setText(LangText("2623"));
  cmbDateType->clear();
  cmbDateType->addItems({LangText("2624"), LangText("2625"), LangText("2626")});
  rbtAttrAny->setText(LangText("2627"));
  rbtAttrSpecify->setText(LangText("2628"));
  lblAttrInclude->setText(LangText("2629"));
  cbxAttrReadOnlyInclude->setText(LangText("2630"));
  cbxAttrHiddenInclude->setText(LangText("2631"));
  lblAttrExclude->setText(LangText("2632"));
  cbxAttrReadOnlyExclude->setText(LangText("2630"));
  cbxAttrHiddenExclude->setText(LangText("2631"));
  mniMaskClear->setText(LangText("2643"));
  mniFilterGroupExt->setText(LangText("2644"));
}

void TfrmFilter::FillGroupMenu() {
  const int count = FileGroupList ? FileGroupList->GetCount() : 0;
  QAction *before = mnuMask->actions().value(0);
  for (int i = 0; i < count; ++i) {
    auto *item = new QAction(FileGroupList->GetItem(i)->Name, mnuMask);
    item->setData(i);
    connect(item, &QAction::triggered, this, [this, i] { mniGroupClick(i); });
    mnuMask->insertAction(before, item);
  }
}

void TfrmFilter::LoadFilter() {
  TFilterControls shown = Controls();
  LoadFilterControls(SearchFilter(), shown);
  ShowControls(shown);
}

TFilterControls TfrmFilter::Controls() const {
  TFilterControls c;
  c.MaskSpecify = rbtMaskSpecify->isChecked();
  c.MaskIncluded = rbtMaskIncluded->isChecked();
  c.MaskExcluded = rbtMaskExcluded->isChecked();
  c.MaskIncludedText = cmbMaskIncluded->currentText();
  c.MaskExcludedText = cmbMaskExcluded->currentText();
  c.SizeSpecify = rbtSizeSpecify->isChecked();
  c.SizeMode = cmbSizeSpecify->currentIndex();
  c.SizeFirst = edtSizeSpecifyFirst->value();
  c.SizeLast = edtSizeSpecifyLast->value();
  c.DateSpecify = rbtDateSpecify->isChecked();
  c.DateKind = cmbDateType->currentIndex();
  c.DateLeftChecked = edtDateLeft->IsChecked();
  c.DateLeft = edtDateLeft->Date();
  c.DateRightChecked = edtDateRight->IsChecked();
  c.DateRight = edtDateRight->Date();
  c.AttrSpecify = rbtAttrSpecify->isChecked();
  c.ReadOnlyInclude = cbxAttrReadOnlyInclude->isChecked();
  c.HiddenInclude = cbxAttrHiddenInclude->isChecked();
  c.ReadOnlyExclude = cbxAttrReadOnlyExclude->isChecked();
  c.HiddenExclude = cbxAttrHiddenExclude->isChecked();
  return c;
}

void TfrmFilter::ShowControls(const TFilterControls &C) {
  CheckPair(rbtMaskSpecify, C.MaskSpecify, rbtMaskAny, true);
  CheckPair(rbtMaskIncluded, C.MaskIncluded, rbtMaskExcluded, C.MaskExcluded);
  cmbMaskIncluded->setEditText(C.MaskIncludedText);
  cmbMaskExcluded->setEditText(C.MaskExcludedText);
  CheckPair(rbtSizeSpecify, C.SizeSpecify, rbtSizeAny, true);
  cmbSizeSpecify->setCurrentIndex(C.SizeMode);
  edtSizeSpecifyFirst->setValue(C.SizeFirst);
  edtSizeSpecifyLast->setValue(C.SizeLast);
  CheckPair(rbtDateSpecify, C.DateSpecify, rbtDateAny, true);
  cmbDateType->setCurrentIndex(C.DateKind);
  edtDateLeft->SetDate(C.DateLeft);
  edtDateLeft->SetChecked(C.DateLeftChecked);
  edtDateRight->SetDate(C.DateRight);
  edtDateRight->SetChecked(C.DateRightChecked);
  CheckPair(rbtAttrSpecify, C.AttrSpecify, rbtAttrAny, true);
  cbxAttrReadOnlyInclude->setChecked(C.ReadOnlyInclude);
  cbxAttrHiddenInclude->setChecked(C.HiddenInclude);
  cbxAttrReadOnlyExclude->setChecked(C.ReadOnlyExclude);
  cbxAttrHiddenExclude->setChecked(C.HiddenExclude);
  UpdateControls();
}

void TfrmFilter::UpdateControls() {
  const TFilterEnabling e = FilterEnabling(Controls());
  for (QWidget *control :
       std::initializer_list<QWidget *>{rbtMaskIncluded, rbtMaskExcluded, cmbMaskIncluded, cmbMaskExcluded,
                                        btnMaskIncludedSelect, btnMaskExcludedSelect})
    control->setEnabled(e.Mask);
  cmbSizeSpecify->setEnabled(e.SizeFirst);
  edtSizeSpecifyFirst->setEnabled(e.SizeFirst);
  edtSizeSpecifyLast->setEnabled(e.SizeLast);
  lblSizeSpecifyAnd->setEnabled(e.SizeLast);
  for (QWidget *control : std::initializer_list<QWidget *>{edtDateLeft, edtDateRight, cmbDateType,
                                                           lblDateLeft, lblDateRight, lblDateType})
    control->setEnabled(e.Date);
  lblAttrInclude->setEnabled(e.AttrLabels);
  lblAttrExclude->setEnabled(e.AttrLabels);
  cbxAttrReadOnlyInclude->setEnabled(e.ReadOnlyInclude);
  cbxAttrReadOnlyExclude->setEnabled(e.ReadOnlyExclude);
  cbxAttrHiddenInclude->setEnabled(e.HiddenInclude);
  cbxAttrHiddenExclude->setEnabled(e.HiddenExclude);
}

bool TfrmFilter::ValidateFilter() {
  const std::optional<TFilterProblem> problem = ValidateFilterControls(Controls());
  if (!problem)
    return true;
  pgcFilter->setCurrentIndex(problem->Page);
  if (auto *control = findChild<QWidget *>(QLatin1String(problem->Control)))
    control->setFocus();
  ShowInfoFor(this, LangText(QLatin1String(problem->TextId)));
  return false;
}

void TfrmFilter::btnOKClick() {
  if (!ValidateFilter())
    return;
  StoreFilterControls(Controls(), SearchFilter());
  // Both histories, whichever side is chosen and whether the name filter is on or not.
  SaveComboHistory(IncludeHistory, cmbMaskIncluded);
  SaveComboHistory(ExcludeHistory, cmbMaskExcluded);
  accept();
}

void TfrmFilter::btnCancelClick() {
  reject();
}

void TfrmFilter::btnDefaultClick() {
  for (QRadioButton *any : {rbtMaskAny, rbtSizeAny, rbtDateAny, rbtAttrAny})
    any->setChecked(true);
  UpdateControls();
}

void TfrmFilter::btnMaskIncludedSelectClick() {
  m_maskMenuTag = 1;
  PopupUnder(btnMaskIncludedSelect, mnuMask);
}

void TfrmFilter::btnMaskExcludedSelectClick() {
  m_maskMenuTag = 2;
  PopupUnder(btnMaskExcludedSelect, mnuMask);
}

QComboBox *TfrmFilter::MaskMenuBox() const {
  if (m_maskMenuTag == 1)
    return cmbMaskIncluded;
  if (m_maskMenuTag == 2)
    return cmbMaskExcluded;
  return nullptr;
}

void TfrmFilter::mniGroupClick(int Tag) {
  QComboBox *box = MaskMenuBox();
  if (!box || !FileGroupList || Tag < 0 || Tag >= FileGroupList->GetCount())
    return;
  // Read now: the group editor may have changed the list since the menu was made.
  box->setEditText(FileGroupList->GetItem(Tag)->Ext);
}

void TfrmFilter::mniMaskClearClick() {
  if (QComboBox *box = MaskMenuBox())
    box->setEditText(QString());
}

void TfrmFilter::mniFilterGroupExtClick() {
  TfrmFilterGroupExt editor(this);
  DialogService::instance().execDialog(editor);
}

void TfrmFilter::edtDateLeftChange() {
  TFilterControls shown = Controls();
  ApplyDateRule(TDateEnd::Left, shown);
  edtDateRight->SetChecked(shown.DateRightChecked);
  UpdateControls();
}

void TfrmFilter::edtDateRightChange() {
  TFilterControls shown = Controls();
  ApplyDateRule(TDateEnd::Right, shown);
  edtDateLeft->SetChecked(shown.DateLeftChecked);
  UpdateControls();
}
