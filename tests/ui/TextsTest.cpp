// Texts of the main window and the options dialog: every control from the translation, a missing
// id on exactly its controls, and the language switched live.
#include "settings/Registry.h"
#include "tests/ui/UiTest.h"
#include "ui/dialogs/Options.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>

using namespace uitest;

namespace {
// Every visible fixed text of a window: (control name, text).
QList<QPair<QString, QString>> visibleTexts(QWidget *window) {
  QList<QPair<QString, QString>> texts;
  for (auto *label : window->findChildren<QLabel *>())
    if (!label->objectName().isEmpty() && !label->text().isEmpty())
      texts << qMakePair(label->objectName(), label->text());
  for (auto *button : window->findChildren<QAbstractButton *>()) {
    if (!button->text().isEmpty())
      texts << qMakePair(button->objectName(), button->text());
    if (!button->toolTip().isEmpty())
      texts << qMakePair(button->objectName() + ".hint", button->toolTip());
  }
  for (auto *box : window->findChildren<QGroupBox *>())
    if (!box->title().isEmpty())
      texts << qMakePair(box->objectName(), box->title());
  for (auto *action : window->findChildren<QAction *>())
    if (!action->objectName().isEmpty())
      texts << qMakePair(action->objectName(), action->text());
  return texts;
}

// A language whose every text is its own id, so a control shows which id it was given.
QString idsAsTexts(const QString &line) {
  const int eq = line.indexOf('=');
  if (eq < 0 || line.startsWith("Language=") || line.startsWith("Translator="))
    return line;
  return line.left(eq + 1) + "#" + line.left(eq);
}

QString dropKeys(const QString &line, const QStringList &keys) {
  for (const QString &key : keys)
    if (line.startsWith(key + "="))
      return {};
  return line;
}

// A second language: every text prefixed with "T-".
QString testish(const QString &line) {
  if (line.startsWith("Language="))
    return "Language=Testish";
  if (line.startsWith("Translator="))
    return "Translator=";
  const int eq = line.indexOf('=');
  return eq < 0 ? line : line.left(eq + 1) + "T-" + line.mid(eq + 1);
}
} // namespace

class TextsTest : public WindowTest {
  Q_OBJECT

public:
  TextsTest() : WindowTest(TWindow::None) {}

private slots:
  void everyControlHasItsText() {
    ProgramFolder folder;
    TfrmMain w(folder.path());
    const auto texts = visibleTexts(&w);
    QVERIFY(texts.size() > 80);
    for (const auto &[name, text] : texts)
      QVERIFY2(text != NoTranslatedText, qPrintable(name));
    QVERIFY(SearchMethodTitle(0).isEmpty());
    QVERIFY(SearchMethodTitle(7).isEmpty());
  }

  // Every fixed text comes from the translation; hints and menu items of one command share an id.
  void everyControlShowsAnId() {
    ProgramFolder folder(idsAsTexts);
    TfrmMain w(folder.path());
    QMap<QString, QString> shown;
    for (const auto &[name, text] : visibleTexts(&w))
      if (name != "lblPercent") {
        QVERIFY2(text.startsWith("#"), qPrintable(name + ": " + text));
        shown.insert(name, text);
      }
    for (const char *command : {"Run", "Select", "SelectCopies", "SelectAll", "SaveResult"})
      QCOMPARE(shown.value(QString("btn%1.hint").arg(command)), shown.value(QString("mni") + command));
    QCOMPARE(shown.value("lblActionMoveInfo"), "#2517");
    QCOMPARE(shown.value("rbtFirstRecovery"), "#251");
    for (int column = 0; column < 4; ++column)
      QCOMPARE(w.trvResult->model()->headerData(column, Qt::Horizontal).toString(),
               "#" + QString::number(2063 + column));
    for (int method = 1; method <= 6; ++method)
      QCOMPARE(SearchMethodTitle(method), "#" + QString::number(2074 + method));
  }

  void missingIdShowsOnExactlyItsControls() {
    // 20112: the four chooser buttons; 271: both option links; 2060: a hint and a menu item.
    ProgramFolder folder([](const QString &line) { return dropKeys(line, {"20112", "271", "2060"}); });
    TfrmMain w(folder.path());
    QStringList missing;
    for (const auto &[name, text] : visibleTexts(&w))
      if (text == NoTranslatedText)
        missing << name;
    missing.sort();
    QCOMPARE(missing, QStringList({"btnFolderRestoreSelect", "btnRestoreSelectNone.hint", "btnResultOpen",
                                   "btnSelectFolder", "btnSelectNone.hint", "lblSearchMethodMp3Options",
                                   "lblSearchMethodPropertyOptions", "mniSelectNone"}));
  }

  void noTranslationAtAllShowsNoTranslatedEverywhere() {
    RegWriteString("Language", "Klingon");
    ProgramFolder folder;
    TfrmMain w(folder.path());
    for (const auto &[name, text] : visibleTexts(&w))
      if (name != "lblPercent")
        QVERIFY2(text == NoTranslatedText, qPrintable(name + ": " + text));
  }

  void languageSwitchReappliesTextsAtOnce() {
    ProgramFolder folder;
    folder.addLanguage("Testish.wzl", testish);
    TfrmMain w(folder.path());
    QString dialogTitleAfterSwitch, creditAfterSwitch;
    dialogs().setNextDialog([&](QDialog &dialog) {
      auto *combo = find<QComboBox>(&dialog, "cmbLanguage");
      const int index = combo->findText("Testish");
      combo->setCurrentIndex(index);
      emit combo->activated(index);
      dialogTitleAfterSwitch = dialog.windowTitle();
      creditAfterSwitch = find<QLabel>(&dialog, "lblTranslator")->text();
      find<QAbstractButton>(&dialog, "btnCancel")->click();
      return int(dialog.result());
    });
    w.btnOptions->click();
    QCOMPARE(w.LangList->CurrentName, QString("Testish"));
    QCOMPARE(RegReadString("Language", "English"), QString("Testish")); // Cancel keeps it
    QCOMPARE(creditAfterSwitch, QString());                             // an empty credit shows nothing
    QCOMPARE(dialogTitleAfterSwitch,
             "T-" + TLang(testenv::SourceDir() + "/Language/English.wzl").GetValue("2011"));
    QVERIFY(w.trvResult->model()->headerData(0, Qt::Horizontal).toString().startsWith("T-"));
    for (int method = 1; method <= 6; ++method)
      QVERIFY(SearchMethodTitle(method).startsWith("T-"));
    for (const auto &[name, text] : visibleTexts(&w))
      if (name != "lblPercent")
        QVERIFY2(text.startsWith("T-"), qPrintable(name + ": " + text));
  }

  void optionsStoreSwitchesOnlyOnOk() {
    ProgramFolder folder;
    TfrmMain w(folder.path());
    RegWriteString("MinimizeToTrayOfFind", "2");
    RegWriteString("AnimationIcon", "yes please");
    // Cancel: the radio buttons show the stored values and nothing is written.
    QList<bool> shown;
    dialogs().setNextDialog([&](QDialog &dialog) {
      for (const char *name :
           {"rbtMinimizeToTrayOfFind", "rbtNoMinimizeToTrayOfFind", "rbtAnimationIcon", "rbtNoAnimationIcon"})
        shown << find<QRadioButton>(&dialog, name)->isChecked();
      find<QRadioButton>(&dialog, "rbtMinimizeToTrayOfFind")->setChecked(true);
      dialog.reject(); // the title bar
      return 0;
    });
    w.btnOptions->click();
    QCOMPARE(shown, QList<bool>({false, true, false, true}));
    QCOMPARE(RegReadString("MinimizeToTrayOfFind", "1"), QString("2"));
    QCOMPARE(RegReadString("AnimationIcon", "1"), QString("yes please"));
    // OK writes "1" and "2".
    dialogs().setNextDialog([&](QDialog &dialog) {
      find<QRadioButton>(&dialog, "rbtMinimizeToTrayOfFind")->setChecked(true);
      find<QAbstractButton>(&dialog, "btnOk")->click();
      return int(dialog.result());
    });
    w.btnOptions->click();
    QCOMPARE(RegReadString("MinimizeToTrayOfFind", ""), QString("1"));
    QCOMPARE(RegReadString("AnimationIcon", ""), QString("2"));
  }

  void optionsDialogTexts() {
    ProgramFolder folder([](const QString &line) { return dropKeys(line, {"Translator"}); });
    TLangList langs(folder.path() + "/Language/");
    SetCurrentLangList(&langs);
    TfrmOptions dialog(langs, nullptr);
    QCOMPARE(dialog.windowTitle(), langs.GetText(2011));
    QCOMPARE(find<QLabel>(&dialog, "lblTranslator")->text(), langs.GetText(2019) + " " + NoTranslatedText);
    auto *combo = find<QComboBox>(&dialog, "cmbLanguage");
    QCOMPARE(combo->count(), 1);
    QCOMPARE(combo->currentText(), QString("English"));
    SetCurrentLangList(nullptr);
    // Without translation files the choice is empty.
    TestDir empty;
    TLangList none(empty.path() + "/Language/");
    TfrmOptions bare(none, nullptr);
    QCOMPARE(find<QComboBox>(&bare, "cmbLanguage")->count(), 0);
    QCOMPARE(find<QComboBox>(&bare, "cmbLanguage")->currentIndex(), -1);
  }
};

PAIRHOUND_QTEST_MAIN(TextsTest)
#include "TextsTest.moc"
