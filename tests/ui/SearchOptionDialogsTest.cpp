// The search option dialogs as a person uses them: the file filter with its checks, histories and
// group menu, the group editor, the comparison options, and their openers on the method page; then
// searches whose gathering and groups follow what was set in them.
#include "tests/engine/MediaFiles.h"
#include "tests/ui/UiTest.h"
#include "ui/dialogs/CheckedDateEdit.h"
#include "ui/main/LinkLabel.h"

#include <QMenu>
#include <QScopeGuard>

using namespace uitest;

namespace {

bool enabled(QWidget &Dialog, const char *Name) {
  return in<QWidget>(Dialog, Name)->isEnabled();
}
QString pageName(QWidget &Dialog, const char *Pages) {
  return in<QTabWidget>(Dialog, Pages)->currentWidget()->objectName();
}
// Types Text into an editable combo box or spin box as a person would.
void type(QWidget &Dialog, const char *Name, const QString &Text) {
  QLineEdit *edit = in<QWidget>(Dialog, Name)->findChild<QLineEdit *>();
  edit->selectAll();
  QTest::keyClicks(edit, Text);
}
QStringList items(QWidget &Dialog, const char *Name) {
  auto *box = in<QComboBox>(Dialog, Name);
  QStringList list;
  for (int i = 0; i < box->count(); ++i)
    list << box->itemText(i);
  return list;
}
// Whether Name holds the dialog's focus (itself or a part of it).
bool focused(QWidget &Dialog, const char *Name) {
  QWidget *control = in<QWidget>(Dialog, Name);
  QWidget *focus = Dialog.focusWidget();
  return focus && (focus == control || control->isAncestorOf(focus));
}

} // namespace

class SearchOptionDialogsTest : public WindowTest {
  Q_OBJECT

  void setUp() override { CreateFileGroupList(); }
  void tearDown() override { FreeFileGroupList(); }

  void withFilter(const std::function<void(TfrmFilter &)> &Body) {
    with<TfrmFilter>([this] { w().btnFilter->click(); }, Body);
  }
  void withOptions(int Page, const std::function<void(TfrmAdditionOptions &)> &Body) {
    with<TfrmAdditionOptions>([this, Page] { w().ShowAdditionOptions(Page); }, Body);
  }
  // OK that fails with the message Id, answered.
  void okRefused(TfrmFilter &Dialog, int Id) {
    const size_t asked = dialogs().requests().size();
    dialogs().setNextAnswer(QMessageBox::Ok);
    click(Dialog, "btnOK");
    QCOMPARE(dialogs().requests().size(), asked + 1);
    const auto &request = dialogs().requests().back();
    QCOMPARE(request.text, text(Id));
    QCOMPARE(request.owner, static_cast<QWidget *>(&Dialog));
    QVERIFY(Dialog.isVisible());
  }

  // From the method page through the folders page (only Folder of the tree checked) into the search.
  void search(const QString &Folder) {
    toFolders(Folder.isEmpty() ? Folder : tree().filePath(Folder));
    next();
  }
  // A search that should find groups; should it find none, its message is answered (not waited on)
  // and the test fails on the page it stays on.
  void searchFindingGroups(const QString &Folder) {
    dialogs().setNextAnswer(QMessageBox::Ok);
    search(Folder);
    QCOMPARE(page(), w().tbsResults);
    QVERIFY(dialogs().hasPendingAnswers());
    dialogs().reset();
  }
  // A search that finds no group: the message, then back to the method page.
  void searchFindingNothing(const QString &Folder) {
    dialogs().setNextAnswer(QMessageBox::Ok);
    search(Folder);
    QCOMPARE(dialogs().requests().back().text, text(2039));
    QCOMPARE(page(), w().tbsFolders);
    back();
  }

public:
  SearchOptionDialogsTest() : WindowTest(TWindow::Shown) {}

private slots:
  void okRefusesTheFirstProblemOnItsPage() {
    withFilter([&](TfrmFilter &d) {
      for (const char *specify : {"rbtMaskSpecify", "rbtSizeSpecify", "rbtDateSpecify", "rbtAttrSpecify"})
        click(d, specify);
      type(d, "cmbMaskIncluded", "   ");
      in<QComboBox>(d, "cmbSizeSpecify")->setCurrentIndex(1); // less than 0
      in<TCheckedDateEdit>(d, "edtDateRight")->DateEdit()->setDate(QDate::currentDate().addDays(-1));
      in<QTabWidget>(d, "pgcFilter")->setCurrentIndex(3);

      okRefused(d, 2633);
      QCOMPARE(pageName(d, "pgcFilter"), QString("tbsMask"));
      QVERIFY(focused(d, "cmbMaskIncluded"));
      click(d, "rbtMaskExcluded"); // only the chosen side is checked
      okRefused(d, 2633);
      QVERIFY(focused(d, "cmbMaskExcluded"));
      click(d, "rbtMaskIncluded");
      type(d, "cmbMaskIncluded", "  *.txt; *.md ");

      okRefused(d, 2634);
      QCOMPARE(pageName(d, "pgcFilter"), QString("tbsSize"));
      QVERIFY(focused(d, "edtSizeSpecifyFirst"));
      in<QComboBox>(d, "cmbSizeSpecify")->setCurrentIndex(3);
      type(d, "edtSizeSpecifyFirst", "6");
      type(d, "edtSizeSpecifyLast", "5");

      okRefused(d, 2635);
      QVERIFY(focused(d, "edtSizeSpecifyLast"));
      type(d, "edtSizeSpecifyLast", "2147483647");

      okRefused(d, 2636);
      QCOMPARE(pageName(d, "pgcFilter"), QString("tbsDate"));
      QVERIFY(focused(d, "edtDateLeft"));
      // Unchecking the only checked end checks the other; one end only has no order to check.
      auto *left = in<TCheckedDateEdit>(d, "edtDateLeft");
      auto *right = in<TCheckedDateEdit>(d, "edtDateRight");
      right->CheckBox()->click();
      left->CheckBox()->click();
      QVERIFY(right->IsChecked() && !left->IsChecked());
      QVERIFY(!left->DateEdit()->isEnabled());
      in<QComboBox>(d, "cmbDateType")->setCurrentIndex(1);

      okRefused(d, 2637);
      QCOMPARE(pageName(d, "pgcFilter"), QString("tbsAttr"));
      QVERIFY(focused(d, "cbxAttrReadOnlyInclude"));
      QVERIFY(SearchFilter().IsEmpty()); // nothing stored while refused

      click(d, "cbxAttrHiddenInclude");
      click(d, "btnOK");
      QVERIFY(!d.isVisible());
    });
    const TSearchFilter &f = SearchFilter();
    QVERIFY(f.MaskOn && f.SizeOn && f.DateOn && f.AttrOn);
    QCOMPARE(f.IncludeMasks, QString("*.txt; *.md")); // trimmed; blanks inside stay
    QCOMPARE(int(f.SizeMode), 3);
    QCOMPARE(f.SizeFrom, int64_t(6));
    QCOMPARE(f.SizeTo, int64_t(2147483647));
    QCOMPARE(f.DateFrom, 0.0);
    QCOMPARE(f.DateKind, 1);
    QCOMPARE(DaysToDate(f.DateTo), QDate::currentDate().addDays(-1));
    QCOMPARE(f.IncludeAttrs, QString("h"));
    QVERIFY(w().btnFilter->isChecked());
  }

  // Under locales whose short dates have two-digit years the dates still show four, and a typed
  // "1999" is 1999, not 2099.
  void datesShowAndTakeFourDigitYears() {
    QCOMPARE(WithFourDigitYears("M/d/yy"), QString("M/d/yyyy"));
    QCOMPARE(WithFourDigitYears("y-MM-dd"), QString("yyyy-MM-dd"));
    QCOMPARE(WithFourDigitYears("dd.MM.yyyy 'yy''s' yy"), QString("dd.MM.yyyy 'yy''s' yyyy"));
    const auto restore = qScopeGuard([saved = QLocale()] { QLocale::setDefault(saved); });
    for (const char *name : {"en_US", "de_DE", "en_GB", "fr_FR", "ja_JP", "bg_BG"}) {
      QLocale::setDefault(QLocale(name));
      withFilter([&](TfrmFilter &d) {
        click(d, "rbtDateSpecify");
        auto *left = in<TCheckedDateEdit>(d, "edtDateLeft");
        left->CheckBox()->setChecked(true);
        QDateEdit *edit = left->DateEdit();
        edit->setDate(QDate(2024, 3, 5));
        QVERIFY2(edit->text().contains("2024"), qPrintable(QString(name) + ": " + edit->text()));
        edit->setFocus();
        edit->setSelectedSection(QDateTimeEdit::YearSection);
        QTest::keyClicks(edit, "1999");
        QVERIFY2(edit->text().contains("1999"), qPrintable(QString(name) + ": " + edit->text()));
        QCOMPARE(edit->date(), QDate(1999, 3, 5));
        click(d, "btnOK");
      });
      QCOMPARE(DaysToDate(SearchFilter().DateFrom), QDate(1999, 3, 5));
      SearchFilter().Clear();
    }
  }

  void everyOkWritesBothHistoriesAndEnterIsOk() {
    withFilter([&](TfrmFilter &d) {
      click(d, "rbtMaskSpecify");
      type(d, "cmbMaskExcluded", "*.tmp"); // the side not chosen: not in the filter, but in its history
      auto *box = in<QComboBox>(d, "cmbMaskIncluded");
      box->setFocus();
      QTest::keyClick(box, Qt::Key_Escape);
      QVERIFY(d.isVisible());
      type(d, "cmbMaskIncluded", "*.png");
      // Enter must not put the text into the list first, which would keep it out of the history.
      QTest::keyClick(box->lineEdit(), Qt::Key_Return);
      QCOMPARE(d.result(), int(QDialog::Accepted));
    });
    QCOMPARE(SearchFilter().IncludeMasks, QString("*.png"));
    QCOMPARE(SearchFilter().ExcludeMasks, QString());
    QCOMPARE(LoadComboHistoryItems("combo-exclude-ext"), QStringList({"*.tmp"}));
    // The default button and OK: the filter is off, the typed texts still go to the histories.
    withFilter([&](TfrmFilter &d) {
      QCOMPARE(items(d, "cmbMaskIncluded"), QStringList({"*.png"}));
      type(d, "cmbMaskIncluded", "*.gif");
      click(d, "btnDefault");
      click(d, "btnOK");
    });
    QVERIFY(SearchFilter().IsEmpty());
    QVERIFY(!w().btnFilter->isChecked());
    QCOMPARE(LoadComboHistoryItems("combo-include-ext"), QStringList({"*.gif", "*.png"}));
  }

  void editedGroupsAreUsedAtOnceAndTheMenuReplacesTheWholeText() {
    withFilter([&](TfrmFilter &d) {
      // The editor, opened from the menu over the filter dialog: one clearing, one list with blanks.
      QWidget *owner = nullptr;
      dialogs().setNextDialog([&](QDialog &Editor) {
        owner = Editor.parentWidget();
        in<QLineEdit>(Editor, "edtExt0")->clear();
        in<QLineEdit>(Editor, "edtExt6")->setText("  *.ABC; *.def\t ");
        click(Editor, "btnOK");
        return Editor.result();
      });
      d.findChild<QAction *>("mniFilterGroupExt")->trigger();
      QCOMPARE(owner, static_cast<QWidget *>(&d));
      QCOMPARE(FileGroupList->GetItem(6)->Ext, QString("*.ABC; *.def"));
      QCOMPARE(RegReadString("group-ext-item-6-ext", "?"), QString("*.ABC; *.def"));
      QCOMPARE(RegReadString("group-ext-item-0-ext", "?"), QString());

      // The menu made before the edit hands out the new lists, into the box whose button opened it.
      auto *menu = in<QMenu>(d, "mnuMask");
      click(d, "rbtMaskSpecify");
      type(d, "cmbMaskExcluded", "*.keep");
      click(d, "btnMaskExcludedSelect");
      QCOMPARE(d.MaskMenuTag(), 2);
      QTRY_VERIFY(menu->isVisible());
      menu->actions()[6]->trigger();
      menu->close();
      QCOMPARE(in<QComboBox>(d, "cmbMaskExcluded")->currentText(), QString("*.ABC; *.def"));
      QCOMPARE(in<QComboBox>(d, "cmbMaskIncluded")->currentText(), QString());
      // The included box's button fills that box, and only it; Clear empties its text, not its list.
      type(d, "cmbMaskIncluded", "*.x");
      click(d, "btnMaskIncludedSelect");
      QCOMPARE(d.MaskMenuTag(), 1);
      QTRY_VERIFY(menu->isVisible());
      menu->actions()[4]->trigger();
      menu->close();
      QCOMPARE(in<QComboBox>(d, "cmbMaskIncluded")->currentText(), FileGroupList->GetItem(4)->Ext);
      QCOMPARE(in<QComboBox>(d, "cmbMaskExcluded")->currentText(), QString("*.ABC; *.def"));
      in<QComboBox>(d, "cmbMaskIncluded")->addItem("kept in the list");
      d.findChild<QAction *>("mniMaskClear")->trigger();
      QCOMPARE(in<QComboBox>(d, "cmbMaskIncluded")->currentText(), QString());
      QVERIFY(items(d, "cmbMaskIncluded").contains("kept in the list"));
      QCOMPARE(in<QComboBox>(d, "cmbMaskExcluded")->currentText(), QString("*.ABC; *.def"));
      click(d, "btnCancel");
    });
    QCOMPARE(FileGroupList->GetItem(6)->Ext, QString("*.ABC; *.def"));
  }

  void percentagesAreStoredWhileTheirBoxIsOff() {
    withOptions(1, [&](TfrmAdditionOptions &d) {
      click(d, "cbxFilePropertyName");
      QVERIFY(enabled(d, "edtFilePropertyName")); // never disabled
      type(d, "edtFilePropertyName", "33");
      click(d, "btnOK");
    });
    QVERIFY(!SearchOptions().FilePropertyName);
    QCOMPARE(SearchOptions().FilePropertyNamePercent, 33);
    // Defaults and Cancel change nothing; defaults and OK restore them.
    withOptions(1, [&](TfrmAdditionOptions &d) {
      QCOMPARE(in<QSpinBox>(d, "edtFilePropertyName")->value(), 33);
      click(d, "btnDefault");
      QVERIFY(d.isVisible() && checked(d, "cbxFilePropertyName"));
      click(d, "btnCancel");
    });
    QCOMPARE(SearchOptions().FilePropertyNamePercent, 33);
    withOptions(0, [&](TfrmAdditionOptions &d) {
      click(d, "btnDefault");
      click(d, "btnOK");
    });
    QCOMPARE(SearchOptions(), TSearchOptions());
  }

  // Each part's edge cases are the filter's own tests; here the dialog's filter reaches the search.
  void theFilterSetInItsDialogDecidesWhatIsGathered() {
    const QDate today = QDate::currentDate();
    const QByteArray same(2048, 'x');
    const auto create = [this, &same](const QString &Name, const QDateTime &Modified) {
      QVERIFY(TestDir::setTimes(tree().createFile(Name, same), Modified, Modified));
    };
    // Two copies kept: changed today, just after its start and just before its end.
    create("a/keep.txt", QDateTime(today, QTime(0, 0, 1)));
    create("b/keep.txt", QDateTime(today, QTime(23, 59, 59)));
    // The same content, left out by the name and by the date.
    create("a/keep.dat", QDateTime::currentDateTime());
    create("a/old.txt", QDateTime(today.addDays(-10), QTime(12, 0)));

    toMethods({w().cbxSearchMethodCrc});
    withFilter([&](TfrmFilter &d) {
      click(d, "rbtMaskSpecify");
      type(d, "cmbMaskIncluded", "*.txt");
      click(d, "rbtDateSpecify");
      in<TCheckedDateEdit>(d, "edtDateLeft")->DateEdit()->setDate(today.addDays(-5));
      click(d, "btnOK");
    });
    searchFindingGroups({});
    QCOMPARE(w().ResultSteps->ShownMethod, int(MethodContent));
    QCOMPARE(shownFiles(), QStringList({"a/keep.txt", "b/keep.txt"}));
    QCOMPARE(w().FileList->Count(), 2);
  }

  // The thresholds themselves are the comparison's tests; here a value set in the dialog reaches it.
  void thresholdsSetInTheDialogChangeTheGroups() {
    const media::Tag first{"Yesterday", "The Beatles", "Help"};
    const media::Tag second{"Yesterday", "Beatles", "Help"};
    tree().createFolder("tags/a");
    tree().createFolder("tags/b");
    QVERIFY(media::SaveMp3(tree().filePath("tags/a/first.mp3"), &first, nullptr));
    QVERIFY(media::SaveMp3(tree().filePath("tags/b/second.mp3"), &second, nullptr));
    // The artists match by 70 percent: not enough for the default of 100.
    toMethods({w().cbxSearchMethodMp3});
    searchFindingNothing("tags");
    // Each link opens the options over the window on its own page.
    for (auto [link, name] :
         {std::pair<TLinkLabel *, QString>(w().lblSearchMethodPropertyOptions, "tbsFileProperty"),
          {w().lblSearchMethodMp3Options, "tbsMusicTag"}})
      with<TfrmAdditionOptions>([&] { emit link->clicked(); },
                                [&](TfrmAdditionOptions &d) {
                                  QCOMPARE(d.parentWidget(), static_cast<QWidget *>(&w()));
                                  QCOMPARE(pageName(d, "pgcOptions"), name);
                                  in<QSpinBox>(d, "edtMusicTagArtist")->setValue(60);
                                  click(d, "btnOK");
                                });
    searchFindingGroups("tags");
    QCOMPARE(w().ResultSteps->ShownMethod, int(MethodTags));
    QCOMPARE(shownFiles(), QStringList({"tags/a/first.mp3", "tags/b/second.mp3"}));
  }
};

PAIRHOUND_QTEST_MAIN(SearchOptionDialogsTest)
#include "SearchOptionDialogsTest.moc"
