// Texts of the main window and the options dialog: every control from the translation (a missing id
// and a missing file are the translation list's own tests), and the language switched live.
#include "tests/ui/UiTest.h"

#include <QAction>

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

// Which text id every fixed control of the main window shows: ".hint" names a tool button's hint.
const char *const ControlTexts =
    "lblFirstTop=2020 gbxFirstClient=2021 rbtFirstFind=2022 rbtFirstOpen=2023 btnOptions=2024 "
    "btnExit=2025 btnBack=2026 btnNext=2027 rbtFirstRecovery=251 lblFirstRecoveryInfo=2517 "
    "lblWhatTop=2028 gbxWhatClient=2029 cbxSearchMethodCrc=2030 cbxSearchMethodImage=2031 "
    "cbxSearchMethodMp3=2032 cbxSearchMethodProperty=2033 cbxSearchMethodZero=2034 btnFilter=261 "
    "lblSearchMethodPropertyOptions=271 lblSearchMethodMp3Options=271 lblFoldersTop=2035 "
    "boxFoldersClient=2036 cbxSearchArchive=2037 lblMapDriveMount=221 lblMapDriveUnmount=222 "
    "lblFindingTop=2051 boxFindingClient=2052 lblResultsTop=2053 btnRun.hint=2054 mniRun=2054 "
    "btnSelect.hint=2056 mniSelect=2056 btnSelectCopies.hint=2057 mniSelectCopies=2057 "
    "btnSelectAutomatically.hint=2058 mniSelectAutomatically=2058 btnSelectAll.hint=2059 "
    "mniSelectAll=2059 btnSelectNone.hint=2060 mniSelectNone=2060 btnSelectInvert.hint=2061 "
    "mniSelectInvert=2061 btnSaveResult.hint=2062 mniSaveResult=2062 lblActionTop=2099 "
    "boxActionClient=20100 rbtActionDelete=20101 rbtActionDeleteToRecicly=20102 rbtActionMove=20103 "
    "rbtActionCopy=20104 lblActionMoveInfo=2517 lblDeletingTop=20107 boxDeletingClient=20108 "
    "lblOpenResultTop=20109 boxOpenResultClient=20110 lblOpenResultFileChoose=20111 btnResultOpen=20112 "
    "lblOpenMoveFolderTop=20114 boxOpenMoveFolderClient=20115 lblFolder=20116 btnSelectFolder=20112 "
    "lblLogTop=20117 boxLogClient=20118 lblOpenRestoreFolderTop=252 boxOpenRestoreFolderClient=20115 "
    "lblRestoreFolder=20116 btnFolderRestoreSelect=20112 lblRestoreFilesTop=253 "
    "boxRestoreFilesClient=254 cbxRestoreCreateDir=255 cbxRestoreCopyExist=256 btnRestoreRun.hint=2054 "
    "btnRestoreSelect.hint=2056 btnRestoreSelectAll.hint=2059 btnRestoreSelectNone.hint=2060 "
    "btnRestoreSelectInvert.hint=2061 lblRestoringTop=257 boxRestoringClient=258 btnRestoreLogSave=259 "
    "boxRestoreLogClient=20118 lblRestoreLogTop=2510";

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
  void everyControlShowsItsOwnId() {
    ProgramFolder folder(idsAsTexts);
    TfrmMain w(folder.path());
    QMap<QString, QString> shown;
    for (const auto &[name, text] : visibleTexts(&w))
      shown.insert(name, text);
    QStringList pinned;
    for (const QString &entry : QString(ControlTexts).split(' ', Qt::SkipEmptyParts)) {
      const QString name = entry.section('=', 0, 0);
      QVERIFY2(shown.contains(name), qPrintable(name));
      QCOMPARE(shown.value(name), "#" + entry.section('=', 1));
      pinned << name;
    }
    // No fixed text outside the table (the percentage is the progress routine's).
    for (auto it = shown.cbegin(); it != shown.cend(); ++it)
      QVERIFY2(pinned.contains(it.key()) || it.key() == "lblPercent",
               qPrintable(it.key() + ": " + it.value()));
    for (int column = 0; column < 4; ++column)
      QCOMPARE(w.trvResult->model()->headerData(column, Qt::Horizontal).toString(),
               "#" + QString::number(2063 + column));
    for (int method = 1; method <= 6; ++method)
      QCOMPARE(SearchMethodTitle(method), "#" + QString::number(2074 + method));
    QVERIFY(SearchMethodTitle(0).isEmpty() && SearchMethodTitle(7).isEmpty());
  }

  void languageSwitchReappliesTextsAtOnce() {
    ProgramFolder folder;
    folder.addLanguage("Testish.wzl", testish);
    TfrmMain w(folder.path());
    const QString englishNext = w.btnNext->text();
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
    QCOMPARE(w.btnNext->text(), "T-" + englishNext);
    QVERIFY(w.trvResult->model()->headerData(0, Qt::Horizontal).toString().startsWith("T-"));
    for (int method = 1; method <= 6; ++method)
      QVERIFY(SearchMethodTitle(method).startsWith("T-"));
    for (const auto &[name, text] : visibleTexts(&w))
      if (name != "lblPercent")
        QVERIFY2(text.startsWith("T-"), qPrintable(name + ": " + text));
  }

  void optionsShowTheStoredSwitchesAndOkWritesThem() {
    ProgramFolder folder;
    TfrmMain w(folder.path());
    RegWriteString("MinimizeToTrayOfFind", "2");
    RegWriteString("AnimationIcon", "yes please");
    // A value that is not "1" shows as off; OK writes "1" and "2".
    QList<bool> shown;
    dialogs().setNextDialog([&](QDialog &dialog) {
      for (const char *name : {"rbtMinimizeToTrayOfFind", "rbtAnimationIcon"})
        shown << find<QRadioButton>(&dialog, name)->isChecked();
      find<QRadioButton>(&dialog, "rbtMinimizeToTrayOfFind")->setChecked(true);
      find<QAbstractButton>(&dialog, "btnOk")->click();
      return int(dialog.result());
    });
    w.btnOptions->click();
    QCOMPARE(shown, QList<bool>({false, false}));
    QCOMPARE(RegReadString("MinimizeToTrayOfFind", ""), QString("1"));
    QCOMPARE(RegReadString("AnimationIcon", ""), QString("2"));
  }
};

PAIRHOUND_QTEST_MAIN(TextsTest)
#include "TextsTest.moc"
