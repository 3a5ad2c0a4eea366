// The main road through the window: a search with its results steps, Stop, no result, the
// system-folder warning, and opening a saved result file.
#include "engine/CRC.h"
#include "platform/Names.h"
#include "tests/support/HostileFiles.h"
#include "tests/ui/UiTest.h"

#include <fcntl.h>
#include <unistd.h>

using namespace uitest;

namespace {

const QStringList Letters = {"backup/letter copy.txt", "docs/letter.txt"};
const QStringList Pictures = {"pictures/holiday again.bmp", "pictures/holiday.png"};

} // namespace

class RoadTest : public WindowTest {
  Q_OBJECT
  QStringList m_systemFolders;

  // The results step of Method shows the files Names.
  void checkStep(int Method, const QStringList &Names) {
    QCOMPARE(page(), w().tbsResults);
    QCOMPARE(w().ResultSteps->ShownMethod, Method);
    QCOMPARE(w().boxResultsClient->title(), SearchMethodTitle(Method));
    QCOMPARE(shownFiles(), Names);
  }
  void nextShowing(int Id) { WindowTest::nextShowing(text(Id)); }
  // Answers the system-folder warning with "leave them out".
  void leaveSystemFoldersOut(QString *Listed = nullptr) {
    dialogs().setNextDialog([Listed](QDialog &Dialog) {
      auto &warning = static_cast<TfrmCheckDirectorionDialog &>(Dialog);
      if (Listed)
        *Listed = warning.memDir->toPlainText();
      warning.rbtNo->setChecked(true);
      find<QPushButton>(&warning, "btnReturn")->click();
      return int(QDialog::Accepted);
    });
  }
  void checkReturnedTo(QWidget *Page) {
    QCOMPARE(page(), Page);
    QVERIFY(w().btnOptions->isEnabled());
    QCOMPARE(w().FileList->Count(), 0);
  }
  void toOpenResult(const QString &File) {
    w().rbtFirstOpen->setChecked(true);
    next();
    QCOMPARE(page(), w().tbsOpenResult);
    dialogs().setNextFileName(File);
    w().btnResultOpen->click();
    QCOMPARE(w().edtResultOpen->text(), File);
  }

  void setUp() override {
    m_systemFolders = dtmMain->SystemFolders;
    TestDir &t = tree();
    t.createFile("docs/letter.txt", "Dear reader, this text appears twice.");
    t.createFile("backup/letter copy.txt", "Dear reader, this text appears twice.");
    t.createFile("docs/other.txt", "Something else entirely, of another length.");
    QDir().mkpath(t.filePath("pictures"));
    QVERIFY(drawing(200).save(t.filePath("pictures/holiday.png")));
    QVERIFY(drawing(205).save(t.filePath("pictures/holiday again.bmp")));
    QVERIFY(drawing(90).mirrored(true, false).save(t.filePath("pictures/different.png")));
  }
  void tearDown() override { dtmMain->SystemFolders = m_systemFolders; }

public:
  RoadTest() : WindowTest(TWindow::Shown) {}

private slots:

  void searchShowsTheGroupsStepByStep() {
    toFolders({w().cbxSearchMethodCrc, w().cbxSearchMethodImage, w().cbxSearchMethodZero});
    next();
    checkStep(MethodContent, Letters);

    next();
    checkStep(MethodPictures, Pictures);

    // The empty last step is passed over; nothing marked, so Next stays.
    nextShowing(20105);
    checkStep(MethodPictures, Pictures);
    QVERIFY(w().btnNext->isEnabled() && w().btnBack->isEnabled());

    // With a mark Next reaches the action page over the empty step, and Back passes it again.
    w().ResultList().Model().SetChecked(0, true);
    next();
    QCOMPARE(page(), w().tbsAction);
    QCOMPARE(w().ResultSteps->ShownMethod, int(MethodEmpty));
    back();
    checkStep(MethodPictures, Pictures);
    back();
    checkStep(MethodContent, Letters);

    // Back from the first step asks; No keeps everything.
    dialogs().setNextAnswer(QMessageBox::No);
    back();
    QCOMPARE(messages(text(2097)), 1);
    checkStep(MethodContent, Letters);
    dialogs().setNextAnswer(QMessageBox::Yes);
    back();
    QCOMPARE(page(), w().tbsFolders);
    QVERIFY(w().ResultTreeEmpty());
  }

  void backOverEmptyStepsAsksAndNoKeepsTheShownStep() {
    // Without the letter's copy the content step is empty: the pictures are the first rows shown.
    QVERIFY(QFile::remove(tree().filePath("backup/letter copy.txt")));
    toFolders({w().cbxSearchMethodCrc, w().cbxSearchMethodImage});
    next();
    checkStep(MethodPictures, Pictures);
    dialogs().setNextAnswer(QMessageBox::No);
    back();
    QCOMPARE(messages(text(2097)), 1);
    checkStep(MethodPictures, Pictures);
    leaveResults();
  }

  // The sort is carried to the next step, which opens at its top; a sort lays the colours anew. Next on a
  // last step that has rows but no mark refuses and stays.
  void aSortedListStaysSortedOnTheNextStep() {
    toFolders({w().cbxSearchMethodCrc, w().cbxSearchMethodImage});
    next();
    QCOMPARE(page(), w().tbsResults);
    w().trvResultHeaderClick(ColName); // descending
    next();
    QCOMPARE(w().ResultSteps->ShownMethod, int(MethodPictures));
    QCOMPARE(w().ResultList().SortDirection(), Qt::DescendingOrder);
    QCOMPARE(w().GetResultData(0)->Item->FileItem.FileName, QString("holiday.png"));
    QCOMPARE(w().GetResultData(0)->GroupColour, GroupColor1);
    QCOMPARE(w().ResultList().FocusedRow(), 0);
    nextShowing(20105);
    checkStep(MethodPictures, Pictures);
    back();
    QCOMPARE(w().GetResultData(0)->Item->FileItem.FileName, QString("letter.txt"));
    leaveResults();
  }

  void backFromTheRestoreFolderPageLeadsToTheFirstPage() {
    w().rbtFirstRecovery->setChecked(true);
    next();
    QCOMPARE(page(), w().tbsOpenRestoreFolder);
    back();
    QCOMPARE(page(), w().tbsFirst);
    QVERIFY(!w().btnBack->isEnabled());
  }

  void stopDuringTheSearchReturnsToTheFolders() {
    toFolders({w().cbxSearchMethodCrc});
    dialogs().setNextAnswer(QMessageBox::Yes); // "Stop the search?"
    QTimer::singleShot(0, this, [this] {
      QCOMPARE(page(), w().tbsFinding);
      QCOMPARE(w().btnBack->text(), text(2041));
      QVERIFY(!w().btnOptions->isEnabled()); // no language switch under a running search
      QVERIFY(w().btnNext->isEnabled() && w().btnBack->isEnabled());
      back();
    });
    next();
    QCOMPARE(messages(text(2046)), 1);
    checkReturnedTo(w().tbsFolders);
    QVERIFY(w().ResultTreeEmpty());
  }

  void aFailingSearchShowsItsErrorAndReturns() {
    toFolders({w().cbxSearchMethodCrc});
    SearchFilter().MaskOn = true;
    SearchFilter().IncludeMasks = "[abc";
    dialogs().setNextAnswer(QMessageBox::Ok);
    next();
    const auto &request = dialogs().requests().back();
    QCOMPARE(request.icon, QMessageBox::Warning);
    QVERIFY(request.text.contains("[abc"));
    checkReturnedTo(w().tbsFolders);
    back();
    QCOMPARE(page(), w().tbsWhat);
  }

  void theSystemFolderWarningCanExcludeAFolder() {
    // Which folders warn (links, nesting) is the search's own test.
    const QString system = tree().filePath("backup");
    dtmMain->SystemFolders = {system, "/nowhere/else"};
    toFolders({w().cbxSearchMethodCrc, w().cbxSearchMethodImage});
    QString listed;
    leaveSystemFoldersOut(&listed);
    next();
    QCOMPARE(listed, system);
    QCOMPARE(w().ExcludedFolders, QStringList({system, "/nowhere/else"}));
    // Without the backup copy the letters are no group; the pictures still are.
    checkStep(MethodPictures, Pictures);
    for (int i = 0; i < w().FileList->Count(); ++i)
      QVERIFY(!w().FileList->GetItem(i)->FileItem.GetPath().startsWith(system));
    leaveResults();
  }

  void noFolderCheckedIsRefusedAndLeavingOutTheOnlyOneSaysWhy() {
    toFolders({w().cbxSearchMethodCrc});
    w().trvFolders->Model()->ClearChecks();
    nextShowing(2038);
    QCOMPARE(page(), w().tbsFolders);
    // The folder is visibly checked: the refusal names the warning's answer, not a missing check.
    dtmMain->SystemFolders = {"/nowhere/else", tree().path()};
    w().trvFolders->Model()->SetChecked(tree().path(), true);
    leaveSystemFoldersOut();
    nextShowing(20155);
    QCOMPARE(messages(text(2038)), 1);
    QCOMPARE(messages(text(2039)), 0);
    checkReturnedTo(w().tbsFolders);
    // The same with the platform's own list and only /usr checked.
    dtmMain->SystemFolders = m_systemFolders;
    QVERIFY(dtmMain->SystemFolders.contains("/usr"));
    w().trvFolders->Model()->ClearChecks();
    QVERIFY(w().trvFolders->Model()->SetChecked("/usr", true));
    QString listed;
    leaveSystemFoldersOut(&listed);
    nextShowing(20155);
    QCOMPARE(listed, QString("/usr"));
    QCOMPARE(messages(text(2038)), 1);
    checkReturnedTo(w().tbsFolders);
    QCOMPARE(w().trvFolders->CheckedFolders(), QStringList({"/usr"}));
  }

  // Names that are not UTF-8 were left out and reported after the search; now such a folder is
  // checked on the folders page like any other and its files are found and shown escaped. A name
  // that spells such an escape shows its backslash doubled, a line feed as "\x0A".
  void namesThatAreNotTextAreSearchedLikeAnyOther() {
    const QByteArray odd = platform::EncodeName(tree().path()) + "/caf\xE9";
    QList<QByteArray> names = testenv::OddNames();
    names << "caf\\xE9"
          << "line\nfeed";
    for (const QByteArray &name : names)
      QVERIFY(testenv::WriteRaw(odd + "/" + name + ".txt", "the same words in an old folder"));
    QVERIFY(testenv::MakeRawFolder(platform::EncodeName(tree().path()) + "/caf\\xE9"));
    toMethods({w().cbxSearchMethodCrc});
    next();
    QCOMPARE(page(), w().tbsFolders);
    TFolderTreeModel &folders = *w().trvFolders->Model();
    folders.ClearChecks();
    const QModelIndex index = folders.index(platform::DecodeName(odd));
    QVERIFY(index.isValid());
    QCOMPARE(index.data().toString(), "caf\\xE9");
    QCOMPARE(folders.index(tree().path() + "/caf\\xE9").data().toString(), "caf\\\\xE9");
    // As a click on its check box.
    QVERIFY(folders.setData(index, Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(w().trvFolders->CheckedFolders(), QStringList{platform::DecodeName(odd)});
    next();
    QCOMPARE(page(), w().tbsResults);
    TResultModel &model = w().ResultList().Model();
    QCOMPARE(model.Count(), names.size());
    QStringList shown;
    for (int row = 0; row < model.Count(); ++row) {
      QCOMPARE(model.index(row, ColFolder).data().toString(), tree().path() + "/caf\\xE9/");
      shown << model.index(row, ColName).data().toString();
      // Each row names its own file.
      const QByteArray bytes = platform::EncodeName(model.GetResultData(row)->Item->FullName());
      QCOMPARE(testenv::ReadRaw(bytes), QByteArray("the same words in an old folder"));
    }
    shown.sort();
    QCOMPARE(shown, QStringList({"\\x80.txt", "\\xFF\\xFE.txt", "caf\\\\xE9.txt", "caf\\xE9.txt",
                                 "cut\\xE2\\x82.txt", "line\\x0Afeed.txt", "over\\xC0\\xAF.txt"}));
    leaveResults();
  }

  void choosingAgainAtTheSystemFolderWarningStays() {
    dtmMain->SystemFolders = {tree().path()};
    toFolders({w().cbxSearchMethodCrc});
    dialogs().setNextDialog([](QDialog &) { return int(QDialog::Rejected); });
    next();
    checkReturnedTo(w().tbsFolders);
    QVERIFY(w().ExcludedFolders.isEmpty());
  }

  void aSavedResultOpensWithTheSameGroups() {
    toFolders({w().cbxSearchMethodCrc, w().cbxSearchMethodImage});
    next();
    const QString saved = tree().filePath("result.wzr");
    dialogs().setNextFileName(saved);
    w().btnSaveResult->click();
    leaveResults();

    toOpenResult(saved);
    bool optionsDuringLoad = false;
    QTimer::singleShot(0, this, [&] { optionsDuringLoad = w().btnOptions->isEnabled(); });
    next();
    QVERIFY(optionsDuringLoad); // a result file's load leaves the options alone
    checkStep(MethodContent, Letters);
    QCOMPARE(w().ReturnPage, w().tbsOpenResult);
    next();
    checkStep(MethodPictures, Pictures);
    back();
    dialogs().setNextAnswer(QMessageBox::Yes);
    back();
    QCOMPARE(page(), w().tbsOpenResult);
  }

  // The copy is forged after saving (same size and checksum): opening reads the files again.
  void aSavedResultWhoseCopyChangedShowsNoGroup() {
    toFolders({w().cbxSearchMethodCrc});
    next();
    const QString saved = tree().filePath("result.wzr");
    w().FileList->SaveToFile(saved);
    leaveResults();
    const QByteArray original = "Dear reader, this text appears twice.";
    const QByteArray forged = hostile::WithCode(QByteArray(original.size() - 4, 'x'), CrcCode(original));
    QCOMPARE(forged.size(), original.size());
    tree().createFile("backup/letter copy.txt", forged);
    toOpenResult(saved);
    nextShowing(2039);
    checkReturnedTo(w().tbsOpenResult);
  }

  void aMissingOrGrouplessResultFileSaysSoAndReturns() {
    TUseFileList list;
    list.Filter.WhatFind = TWhatFind{MethodContent};
    list.AddFile(tree().path() + "/docs/", "letter.txt", 37, nullptr);
    const QString saved = tree().filePath("lonely.wzr");
    list.SaveToFile(saved);
    w().rbtFirstOpen->setChecked(true);
    next();
    // Blanks make another name, one not found.
    w().edtResultOpen->setText(" " + saved + " ");
    nextShowing(2074);
    QCOMPARE(page(), w().tbsOpenResult);
    w().edtResultOpen->setText(saved);
    nextShowing(2039);
    checkReturnedTo(w().tbsOpenResult);
    back();
    QCOMPARE(page(), w().tbsFirst);
  }
};

PAIRHOUND_QTEST_MAIN(RoadTest)
#include "RoadTest.moc"
