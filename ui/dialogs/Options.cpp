#include "ui/dialogs/Options.h"

#include "settings/Language.h"
#include "settings/Registry.h"
#include "ui/dialogs/ComboHelpers.h"
#include "ui/dialogs/DialogFit.h"
#include "ui/dialogs/Named.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {
const QSize DesignSize(418, 194);
constexpr int TranslatorWidth = 190;

QGroupBox *radioPair(QWidget *parent, const char *box, QRadioButton *&yes, const char *yesName,
                     QRadioButton *&no, const char *noName) {
  auto *group = MakeNamed<QGroupBox>(parent, box);
  yes = MakeNamed<QRadioButton>(group, yesName);
  no = MakeNamed<QRadioButton>(group, noName);
  auto *layout = new QVBoxLayout(group);
  layout->setContentsMargins(8, 2, 8, 2);
  layout->setSpacing(0);
  layout->addWidget(yes);
  layout->addWidget(no);
  return group;
}
} // namespace

TfrmOptions::TfrmOptions(TLangList &Langs, QWidget *Owner) : QDialog(Owner), m_langs(Langs) {
  setObjectName(QStringLiteral("frmOptions"));

  boxLanguage = MakeNamed<QGroupBox>(this, "boxLanguage");
  cmbLanguage = MakeNamed<QComboBox>(boxLanguage, "cmbLanguage");
  cmbLanguage->setEditable(false);
  lblTranslator = MakeNamed<QLabel>(boxLanguage, "lblTranslator");
  auto *languageRow = new QHBoxLayout(boxLanguage);
  languageRow->setContentsMargins(8, 2, 8, 4);
  languageRow->addWidget(cmbLanguage, 1);
  languageRow->addWidget(lblTranslator);

  boxTray = radioPair(this, "boxTray", rbtMinimizeToTrayOfFind, "rbtMinimizeToTrayOfFind",
                      rbtNoMinimizeToTrayOfFind, "rbtNoMinimizeToTrayOfFind");
  boxAnimationIcon = radioPair(this, "boxAnimationIcon", rbtAnimationIcon, "rbtAnimationIcon",
                               rbtNoAnimationIcon, "rbtNoAnimationIcon");
  btnOk = MakeNamed<QPushButton>(this, "btnOk");
  btnOk->setDefault(true);
  btnCancel = MakeNamed<QPushButton>(this, "btnCancel");
  // The buttons sit at the bottom right, beside the last box, so the whole dialog fits its size.
  auto *lastRow = new QHBoxLayout;
  lastRow->addWidget(boxAnimationIcon, 1);
  auto *buttons = new QVBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  lastRow->addLayout(buttons);

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 6, 8, 8);
  layout->setSpacing(4);
  layout->addWidget(boxLanguage);
  layout->addWidget(boxTray);
  layout->addLayout(lastRow);

  connect(cmbLanguage, &QComboBox::activated, this, &TfrmOptions::cmbLanguageChange);
  connect(btnOk, &QPushButton::clicked, this, &TfrmOptions::btnOkClick);
  connect(btnCancel, &QPushButton::clicked, this, &TfrmOptions::btnCancelClick);

  FormCreate();
}

void TfrmOptions::FormCreate() {
  Translate();
  FillComboBox(m_langs, cmbLanguage);
  const bool tray =
      RegReadString(QStringLiteral("MinimizeToTrayOfFind"), QStringLiteral("1")) == QLatin1String("1");
  rbtMinimizeToTrayOfFind->setChecked(tray);
  rbtNoMinimizeToTrayOfFind->setChecked(!tray);
  const bool animation =
      RegReadString(QStringLiteral("AnimationIcon"), QStringLiteral("1")) == QLatin1String("1");
  rbtAnimationIcon->setChecked(animation);
  rbtNoAnimationIcon->setChecked(!animation);
  // The language names widen the list.
  FitFixedSize(this, DesignSize);
}

void TfrmOptions::Translate() {
  setWindowTitle(LangText("2011"));
  btnOk->setText(LangText("209"));
  btnCancel->setText(LangText("2010"));
  boxLanguage->setTitle(LangText("2012"));
  const QString translator = LangText("Translator");
  lblTranslator->setText(translator.isEmpty() ? QString() : LangText("2019") + QLatin1Char(' ') + translator);
  // A column of fixed width, wider only for a name that needs it.
  lblTranslator->setFixedWidth(std::max(TranslatorWidth, lblTranslator->sizeHint().width()));
  boxTray->setTitle(LangText("2013"));
  rbtMinimizeToTrayOfFind->setText(LangText("2014"));
  rbtNoMinimizeToTrayOfFind->setText(LangText("2015"));
  boxAnimationIcon->setTitle(LangText("2016"));
  rbtAnimationIcon->setText(LangText("2017"));
  rbtNoAnimationIcon->setText(LangText("2018"));
  FitFixedSize(this, DesignSize);
}

void TfrmOptions::cmbLanguageChange(int) {
  const QString name = cmbLanguage->currentText();
  m_langs.CurrentName = name;
  Translate();
  emit LanguageChanged();
  RegWriteString(QStringLiteral("Language"), name);
}

void TfrmOptions::btnOkClick() {
  RegWriteString(QStringLiteral("AnimationIcon"),
                 rbtAnimationIcon->isChecked() ? QStringLiteral("1") : QStringLiteral("2"));
  RegWriteString(QStringLiteral("MinimizeToTrayOfFind"),
                 rbtMinimizeToTrayOfFind->isChecked() ? QStringLiteral("1") : QStringLiteral("2"));
  accept();
}

void TfrmOptions::btnCancelClick() {
  reject();
}
