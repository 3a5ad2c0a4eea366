// The search option dialogs as a person uses them: the file filter with its checks, histories and
// group menu, the group editor, the comparison options, and their openers on the method page; then
// searches whose gathering and groups follow what was set in them.
#include "tests/engine/MediaFiles.h"
#include "tests/ui/UiTest.h"
#include "ui/dialogs/CheckedDateEdit.h"
#include "ui/dialogs/FilterGroupExt.h"
#include "ui/main/LinkLabel.h"

#include <QMenu>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

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
    QCOMPARE(request.caption, text(2045));
    QCOMPARE(request.icon, QMessageBox::Information);
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
  void filterOpensEmptyAndEnablingFollowsTheChoices() {
    withFilter([&](TfrmFilter &d) {
      QCOMPARE(d.windowTitle(), text(262));
      QCOMPARE(pageName(d, "pgcFilter"), QString("tbsMask"));
      for (const char *any : {"rbtMaskAny", "rbtSizeAny", "rbtDateAny", "rbtAttrAny"})
        QVERIFY2(checked(d, any), any);
      QVERIFY(checked(d, "rbtMaskIncluded"));
      // Every dependent control is off while its part is off.
      for (const char *name :
           {"cmbMaskIncluded", "btnMaskExcludedSelect", "rbtMaskIncluded", "cmbSizeSpecify",
            "edtSizeSpecifyFirst", "edtSizeSpecifyLast", "lblSizeSpecifyAnd", "edtDateLeft", "cmbDateType",
            "lblDateType", "lblAttrInclude", "cbxAttrHiddenExclude"})
        QVERIFY2(!enabled(d, name), name);

      // The rules themselves are tested without the window; here, that every control takes part.
      click(d, "rbtMaskSpecify");
      click(d, "rbtMaskExcluded");
      QVERIFY(enabled(d, "cmbMaskIncluded") && enabled(d, "btnMaskExcludedSelect"));
      click(d, "rbtSizeSpecify");
      in<QComboBox>(d, "cmbSizeSpecify")->setCurrentIndex(3);
      QVERIFY(enabled(d, "edtSizeSpecifyLast") && enabled(d, "lblSizeSpecifyAnd"));
      click(d, "rbtDateSpecify");
      QVERIFY(enabled(d, "edtDateRight") && enabled(d, "lblDateType"));
      click(d, "rbtAttrSpecify");
      click(d, "cbxAttrHiddenExclude");
      QVERIFY(!enabled(d, "cbxAttrHiddenInclude") && enabled(d, "cbxAttrReadOnlyInclude"));
      // The default button turns every part off again and keeps the dialog open.
      click(d, "btnDefault");
      QVERIFY(d.isVisible() && checked(d, "rbtAttrAny") && checked(d, "rbtMaskAny"));
      QVERIFY(!enabled(d, "cbxAttrReadOnlyInclude") && !enabled(d, "edtSizeSpecifyFirst"));
      click(d, "btnCancel");
    });
    QVERIFY(!w().btnFilter->isChecked());
  }

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
    // Opened again, the dialog shows the filter as stored.
    withFilter([&](TfrmFilter &d) {
      QVERIFY(checked(d, "rbtMaskSpecify") && checked(d, "rbtMaskIncluded"));
      QCOMPARE(in<QComboBox>(d, "cmbMaskIncluded")->currentText(), QString("*.txt; *.md"));
      QCOMPARE(in<QComboBox>(d, "cmbSizeSpecify")->currentIndex(), 3);
      QCOMPARE(in<QSpinBox>(d, "edtSizeSpecifyLast")->value(), 2147483647);
      QCOMPARE(in<QComboBox>(d, "cmbDateType")->currentIndex(), 1);
      QVERIFY(!in<TCheckedDateEdit>(d, "edtDateLeft")->IsChecked());
      // The upper bound, stored as the end of its day, shows that day.
      QCOMPARE(in<TCheckedDateEdit>(d, "edtDateRight")->Date(), QDate::currentDate().addDays(-1));
      QVERIFY(checked(d, "cbxAttrHiddenInclude") && !checked(d, "cbxAttrReadOnlyInclude"));
      click(d, "btnCancel");
    });
  }

  void cancelAndTheTitleBarStoreNothing() {
    SearchFilter().SizeOn = true;
    SearchFilter().SizeFrom = 9;
    for (const bool titleBar : {false, true}) {
      withFilter([&](TfrmFilter &d) {
        click(d, "btnDefault");
        type(d, "cmbMaskIncluded", "*.never");
        if (!titleBar)
          click(d, "btnCancel");
      });
      QVERIFY(SearchFilter().SizeOn);
      QCOMPARE(SearchFilter().SizeFrom, int64_t(9));
      QCOMPARE(RegReadInteger("combo-include-ext_count", 0), 0);
      QVERIFY(w().btnFilter->isChecked());
    }
  }

  void escapeDoesNotCloseAndEnterPressesOk() {
    withFilter([&](TfrmFilter &d) {
      click(d, "rbtMaskSpecify");
      auto *box = in<QComboBox>(d, "cmbMaskIncluded");
      box->setFocus();
      QTest::keyClick(box, Qt::Key_Escape);
      QVERIFY(d.isVisible());
      type(d, "cmbMaskIncluded", "*.jpg");
      QTest::keyClick(box->lineEdit(), Qt::Key_Return);
      QVERIFY(!d.isVisible());
      QCOMPARE(d.result(), int(QDialog::Accepted));
    });
    QCOMPARE(SearchFilter().IncludeMasks, QString("*.jpg"));
    // Enter did not put the text into the list first, which would have kept it out of the history.
    QCOMPARE(LoadComboHistoryItems("combo-include-ext"), QStringList({"*.jpg"}));
  }

  void everyOkWritesBothHistories() {
    withFilter([&](TfrmFilter &d) {
      click(d, "rbtMaskSpecify");
      type(d, "cmbMaskIncluded", "*.png");
      type(d, "cmbMaskExcluded", "*.tmp"); // the side not chosen: not in the filter, but in its history
      click(d, "btnOK");
    });
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
    // A filter whose name part is off leaves the boxes empty; their lists hold the histories.
    withFilter([&](TfrmFilter &d) {
      QCOMPARE(in<QComboBox>(d, "cmbMaskIncluded")->currentText(), QString());
      QCOMPARE(items(d, "cmbMaskIncluded"), QStringList({"*.gif", "*.png"}));
      click(d, "btnCancel");
    });
  }

  void editedGroupsAreUsedAtOnceAndTheMenuReplacesTheWholeText() {
    withFilter([&](TfrmFilter &d) {
      // The editor, opened from the menu over the filter dialog: one clearing, one list with blanks.
      QWidget *owner = nullptr;
      QString title;
      dialogs().setNextDialog([&](QDialog &Editor) {
        owner = Editor.parentWidget();
        title = Editor.windowTitle();
        in<QLineEdit>(Editor, "edtExt0")->clear();
        in<QLineEdit>(Editor, "edtExt6")->setText("  *.ABC; *.def\t ");
        click(Editor, "btnOK");
        return Editor.result();
      });
      d.findChild<QAction *>("mniFilterGroupExt")->trigger();
      QCOMPARE(owner, static_cast<QWidget *>(&d));
      QCOMPARE(title, text(2652));
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
      type(d, "cmbMaskIncluded", "*.z");
      click(d, "btnMaskIncludedSelect");
      QCOMPARE(d.MaskMenuTag(), 1);
      menu->close();
      menu->actions()[0]->trigger();
      QCOMPARE(in<QComboBox>(d, "cmbMaskIncluded")->currentText(), QString());
      // Clearing empties the text, not the list.
      in<QComboBox>(d, "cmbMaskIncluded")->addItem("kept in the list");
      type(d, "cmbMaskIncluded", "*.x");
      d.findChild<QAction *>("mniMaskClear")->trigger();
      QCOMPARE(in<QComboBox>(d, "cmbMaskIncluded")->currentText(), QString());
      QCOMPARE(items(d, "cmbMaskIncluded"), QStringList({"kept in the list"}));
      QCOMPARE(in<QComboBox>(d, "cmbMaskExcluded")->currentText(), QString("*.ABC; *.def"));
      click(d, "btnCancel");
    });
    QCOMPARE(FileGroupList->GetItem(6)->Ext, QString("*.ABC; *.def"));
  }

  void theGroupEditorShowsEveryGroupScrollingAndCancelLeavesNoTrace() {
    FileGroupList->SaveToRegistry();
    RegWriteInteger("group-ext-count", 60);
    FileGroupList->LoadFromRegistry();
    const QString before = FileGroupList->GetItem(1)->Ext;
    {
      TfrmFilterGroupExt editor(&w());
      QVERIFY(in<QLineEdit>(editor, "edtExt59") && !editor.findChild<QLineEdit *>("edtExt60"));
      QCOMPARE(in<QLineEdit>(editor, "edtExt3")->text(), FileGroupList->GetItem(3)->Ext);
      in<QLineEdit>(editor, "edtExt1")->setText("*.changed");
      click(editor, "btnCancel");
    }
    QCOMPARE(FileGroupList->GetItem(1)->Ext, before);
    QCOMPARE(RegReadString("group-ext-item-1-ext", "?"), before);
    // Many groups scroll instead of growing past the screen.
    TfrmFilterGroupExt editor(&w());
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QVERIFY(editor.height() <= editor.screen()->availableGeometry().height());
    auto *scroll = in<QScrollArea>(editor, "scrGroups");
    QVERIFY(scroll->verticalScrollBar()->maximum() > 0);
    // A group beyond the eighth has no name; its row is still there to edit.
    QCOMPARE(in<QLabel>(editor, "lblExt59")->text(), QString(":"));
    in<QLineEdit>(editor, "edtExt59")->setText(" *.last ");
    scroll->ensureWidgetVisible(in<QWidget>(editor, "edtExt59"));
    QVERIFY(scroll->verticalScrollBar()->value() > 0);
    click(editor, "btnOK");
    QCOMPARE(RegReadString("group-ext-item-59-ext", "?"), QString("*.last"));
    QCOMPARE(RegReadInteger("group-ext-count", 0), 60);
  }

  void theMethodPageShowsWhetherAFilterIsSet() {
    w().ShowPage(w().tbsWhat);
    QVERIFY(!w().btnFilter->isChecked());
    // Clicking the button without changing the filter leaves it up.
    dialogs().setNextDialog([](QDialog &Dialog) { return int(Dialog.result()); });
    w().btnFilter->click();
    QVERIFY(!w().btnFilter->isChecked());
    SearchFilter().AttrOn = true;
    w().ShowPage(w().tbsFolders);
    w().ShowPage(w().tbsWhat);
    QVERIFY(w().btnFilter->isChecked());
    // The first page clears the filter; the method page shows that.
    w().ShowPage(w().tbsFirst);
    w().ShowPage(w().tbsWhat);
    QVERIFY(!w().btnFilter->isChecked());
  }

  void comparisonOptionsKeepOneComparisonOnEachPage() {
    withOptions(-1, [&](TfrmAdditionOptions &d) {
      QCOMPARE(d.windowTitle(), text(272));
      QCOMPARE(pageName(d, "pgcOptions"), QString("tbsMusicTag")); // unless asked otherwise
      // Every ruled box takes part in the rules (tested in full without the window).
      click(d, "cbxMusicTagSong");
      click(d, "cbxMusicTagArtist");
      QVERIFY(checked(d, "cbxMusicTagSong") && !checked(d, "cbxMusicTagArtist"));
      click(d, "cbxFilePropertyName");
      click(d, "cbxFilePropertyExt");
      click(d, "cbxFilePropertySize");
      QVERIFY(checked(d, "cbxFilePropertySize")); // the size box undoes its own uncheck
      click(d, "btnCancel");
    });
    QCOMPARE(SearchOptions(), TSearchOptions());
  }

  void percentagesKeepTheirRangesAndAreStoredWhileOff() {
    withOptions(1, [&](TfrmAdditionOptions &d) {
      in<QSpinBox>(d, "edtMusicTagArtist")->setValue(49);
      QCOMPARE(in<QSpinBox>(d, "edtMusicTagArtist")->value(), 50);
      for (const char *percent : {"edtMusicTagSong", "edtFilePropertyName", "edtFilePropertyExt"}) {
        in<QSpinBox>(d, percent)->setValue(5);
        QCOMPARE(in<QSpinBox>(d, percent)->value(), 20);
        in<QSpinBox>(d, percent)->setValue(101);
        QCOMPARE(in<QSpinBox>(d, percent)->value(), 100);
      }
      in<QSpinBox>(d, "edtMusicTagArtist")->setValue(50);
      click(d, "cbxFilePropertyName");
      QVERIFY(enabled(d, "edtFilePropertyName")); // never disabled
      type(d, "edtFilePropertyName", "33");
      click(d, "cbxMusicTagAlbumDiffer");
      click(d, "btnOK");
    });
    const TSearchOptions &o = SearchOptions();
    QCOMPARE(o.MusicTagArtistPercent, 50);
    QVERIFY(!o.FilePropertyName);
    QCOMPARE(o.FilePropertyNamePercent, 33);
    QVERIFY(!o.MusicTagAlbumDiffer);
    QVERIFY(o.MusicTagArtist && o.FilePropertyExt && o.FilePropertySize);
    // Each opening shows the options as they are now; defaults and Cancel change nothing.
    withOptions(1, [&](TfrmAdditionOptions &d) {
      QCOMPARE(in<QSpinBox>(d, "edtFilePropertyName")->value(), 33);
      QVERIFY(!checked(d, "cbxFilePropertyName"));
      click(d, "btnDefault");
      QVERIFY(d.isVisible());
      QVERIFY(checked(d, "cbxFilePropertyName") && checked(d, "cbxMusicTagAlbumDiffer"));
      QCOMPARE(in<QSpinBox>(d, "edtMusicTagArtist")->value(), 100);
      QTest::keyClick(&d, Qt::Key_Escape);
      QVERIFY(d.isVisible());
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
