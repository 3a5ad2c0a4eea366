// Searches through the window with the search options set in their dialogs: the file filter decides
// which files are gathered, the comparison options which files form groups.
#include "tests/engine/MediaFiles.h"
#include "tests/ui/UiTest.h"
#include "ui/dialogs/CheckedDateEdit.h"
#include "ui/main/LinkLabel.h"

using namespace uitest;

class SearchOptionsRoadTest : public WindowTest {
  Q_OBJECT
  QString create(const QString &Name, const QByteArray &Contents, const QDateTime &Modified) {
    const QString path = tree().createFile(Name, Contents);
    TestDir::setTimes(path, Modified, Modified);
    return path;
  }
  // From the method page through the folders page (the tree checked) into the search.
  void search() {
    toFolders();
    next();
  }
  // A search that should find groups; should it find none, its message is answered (not waited on)
  // and the test fails on the page it stays on.
  void searchFindingGroups() {
    dialogs().setNextAnswer(QMessageBox::Ok);
    search();
    QCOMPARE(page(), w().tbsResults);
    QVERIFY(dialogs().hasPendingAnswers());
    dialogs().reset();
  }
  // A search that finds no group: the message, then the folders page again.
  void searchFindingNothing() {
    dialogs().setNextAnswer(QMessageBox::Ok);
    search();
    QCOMPARE(dialogs().requests().back().text, text(2039));
    QCOMPARE(page(), w().tbsFolders);
    back();
  }
  // The comparison options opened by Link, changed by Change, confirmed with OK.
  void setOptions(TLinkLabel *Link, const std::function<void(QDialog &)> &Change) {
    dialogs().setNextDialog([&](QDialog &Dialog) {
      Change(Dialog);
      click(Dialog, "btnOK");
      return Dialog.result();
    });
    emit Link->clicked();
  }

public:
  SearchOptionsRoadTest() : WindowTest(TWindow::Shown) {}

private slots:
  void theFilterSetInItsDialogDecidesWhatIsGathered() {
    const QDate today = QDate::currentDate();
    const QByteArray same(2048, 'x');
    // Two copies kept: changed today, just after its start and just before its end.
    create("a/keep.txt", same, QDateTime(today, QTime(0, 0, 1)));
    create("b/keep.txt", same, QDateTime(today, QTime(23, 59, 59)));
    // The same content, each left out by one part of the filter.
    create("a/keep.dat", same, QDateTime::currentDateTime());
    create("a/.keep.txt", same, QDateTime::currentDateTime());
    create("a/old.txt", same, QDateTime(today.addDays(-10), QTime(12, 0)));
    create("a/tomorrow.txt", same, QDateTime(today.addDays(1), QTime(0, 0, 1)));
    // Pairs that would form groups of their own: too large, too small.
    for (const char *folder : {"a", "b"}) {
      create(QString("%1/large.txt").arg(folder), QByteArray(20 * 1024, 'y'), QDateTime::currentDateTime());
      create(QString("%1/small.txt").arg(folder), QByteArray(100, 'z'), QDateTime::currentDateTime());
    }

    toMethods({w().cbxSearchMethodCrc});
    dialogs().setNextDialog([&](QDialog &Dialog) {
      click(Dialog, "rbtMaskSpecify");
      QLineEdit *mask = in<QComboBox>(Dialog, "cmbMaskIncluded")->lineEdit();
      QTest::keyClicks(mask, "*.txt");
      click(Dialog, "rbtSizeSpecify");
      in<QComboBox>(Dialog, "cmbSizeSpecify")->setCurrentIndex(3);
      in<QSpinBox>(Dialog, "edtSizeSpecifyFirst")->setValue(1);
      in<QSpinBox>(Dialog, "edtSizeSpecifyLast")->setValue(10);
      click(Dialog, "rbtDateSpecify");
      in<TCheckedDateEdit>(Dialog, "edtDateLeft")->DateEdit()->setDate(today.addDays(-5));
      click(Dialog, "rbtAttrSpecify");
      click(Dialog, "cbxAttrHiddenExclude");
      click(Dialog, "btnOK");
      return Dialog.result();
    });
    w().btnFilter->click();
    QVERIFY(w().btnFilter->isChecked());

    searchFindingGroups();
    QCOMPARE(w().ResultSteps->ShownMethod, int(MethodContent));
    QCOMPARE(shownFiles(), QStringList({"a/keep.txt", "b/keep.txt"}));
    QCOMPARE(w().FileList->Count(), 2);
  }

  void tagThresholdsSetInTheDialogChangeTheGroups() {
    const media::Tag first{"Yesterday", "The Beatles", "Help"};
    const media::Tag second{"Yesterday", "Beatles", "Help"};
    tree().createFolder("a");
    tree().createFolder("b");
    QVERIFY(media::SaveMp3(tree().filePath("a/first.mp3"), &first, nullptr));
    QVERIFY(media::SaveMp3(tree().filePath("b/second.mp3"), &second, nullptr));
    toMethods({w().cbxSearchMethodMp3});
    // The artists match by 70 percent: not enough for the default of 100.
    searchFindingNothing();
    setOptions(w().lblSearchMethodMp3Options,
               [](QDialog &Dialog) { in<QSpinBox>(Dialog, "edtMusicTagArtist")->setValue(60); });
    searchFindingGroups();
    QCOMPARE(w().ResultSteps->ShownMethod, int(MethodTags));
    QCOMPARE(shownFiles(), QStringList({"a/first.mp3", "b/second.mp3"}));
  }

  void propertyThresholdsSetInTheDialogChangeTheGroups() {
    tree().createFile("a/holiday.txt", "first text");
    tree().createFile("b/holidays.txt", "other text");
    tree().createFile("b/holidays.log", "other text");
    toMethods({w().cbxSearchMethodProperty});
    searchFindingNothing();
    // The names match by 87.5 percent; the extensions must still be equal.
    setOptions(w().lblSearchMethodPropertyOptions,
               [](QDialog &Dialog) { in<QSpinBox>(Dialog, "edtFilePropertyName")->setValue(80); });
    searchFindingGroups();
    QCOMPARE(w().ResultSteps->ShownMethod, int(MethodProperties));
    QCOMPARE(shownFiles(), QStringList({"a/holiday.txt", "b/holidays.txt"}));
  }
};

PAIRHOUND_QTEST_MAIN(SearchOptionsRoadTest)
#include "SearchOptionsRoadTest.moc"
