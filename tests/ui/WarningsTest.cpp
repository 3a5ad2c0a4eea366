// The two search warnings, the archive notice's conditions, and the shared helpers of the windows:
// the folder browser's memory, the information box, opening files.
#include "engine/StepStorage.h"
#include "settings/Registry.h"
#include "tests/ui/UiTest.h"
#include "ui/dialogs/ArchiveInformation.h"
#include "ui/dialogs/CheckDirectorionDialog.h"
#include "ui/main/Helpers.h"
#include "ui/main/ResultSteps.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTreeView>

using namespace uitest;

namespace {
int dialogRequests() {
  int n = 0;
  for (const auto &r : dialogs().requests())
    n += r.kind == "dialog";
  return n;
}
} // namespace

class WarningsTest : public WindowTest {
  Q_OBJECT
  // The results page showing one step of one file, /data/one.txt.
  void showOneFileStep() {
    TUseFileList &files = *w().FileList;
    w().ResultSteps->Setup(TWhatFind{MethodProperties});
    const int index = files.AddFile("/data/", "one.txt", 10, nullptr);
    files.GetItem(index)->Viewed.SetGroup(MethodProperties, 1);
    w().ResultSteps->AddIndex(MethodProperties, index);
    w().StepView().ShowStep(MethodProperties);
    w().ShowPage(w().tbsResults);
  }

public:
  WarningsTest() : WindowTest(TWindow::Hidden) {}

private slots:
  void switchIsWrittenOnEveryClick_data() {
    QTest::addColumn<bool>("system");
    QTest::newRow("system folders") << true;
    QTest::newRow("archives") << false;
  }
  void switchIsWrittenOnEveryClick() {
    QFETCH(bool, system);
    const QString key = system ? "ShowDialogWarningSystemDirectory" : "ShowDialogWarningArchive";
    std::unique_ptr<QDialog> dialog;
    if (system)
      dialog = std::make_unique<TfrmCheckDirectorionDialog>(&w());
    else
      dialog = std::make_unique<TfrmArchiveInformation>(&w());
    // The design size, or more for the texts.
    const QSize design = system ? QSize(320, 251) : QSize(313, 134);
    QCOMPARE(dialog->size().expandedTo(design), dialog->size());
    auto *box = find<QCheckBox>(dialog.get(), "cbxNoShowAfter");
    box->click();
    QVERIFY(!RegReadBool(key, true));
    box->click();
    QVERIFY(RegReadBool(key, true));
    if (system) {
      box->click();
      find<QPushButton>(dialog.get(), "btnCancel")->click();
      QVERIFY(!RegReadBool(key, true)); // Cancel does not take it back
      QCOMPARE(static_cast<TfrmCheckDirectorionDialog &>(*dialog).Tag(), 0);
    }
  }

  void systemFolderAnswers() {
    {
      TfrmCheckDirectorionDialog dialog(&w());
      QVERIFY(dialog.rbtNo->isChecked());
      QVERIFY(find<QPushButton>(&dialog, "btnReturn")->isDefault());
      find<QPushButton>(&dialog, "btnReturn")->click();
      QCOMPARE(dialog.Tag(), 1);
    }
    {
      TfrmCheckDirectorionDialog dialog(&w());
      dialog.show();
      dialog.close(); // the title bar
      QCOMPARE(dialog.Tag(), 0);
    }
    {
      // Enter goes on with the search and leaves the system folders out.
      TfrmCheckDirectorionDialog dialog(&w());
      dialog.memDir->setPlainText("/usr");
      dialog.show();
      QVERIFY(QTest::qWaitForWindowExposed(&dialog));
      QTest::keyClick(&dialog, Qt::Key_Return);
      QCOMPARE(dialog.Tag(), 1);
      QVERIFY(dialog.rbtNo->isChecked());
    }
  }

  void archiveNoticeOnlyWhenTickedAndSwitchedOn() {
    int noticeShown = 0;
    const auto answerNotice = [&] {
      dialogs().setNextDialog([&](QDialog &dialog) {
        ++noticeShown;
        find<QPushButton>(&dialog, "btnOK")->click();
        return int(dialog.result());
      });
    };
    answerNotice();
    w().cbxSearchArchive->click(); // ticked
    QCOMPARE(noticeShown, 1);
    w().cbxSearchArchive->click(); // unticked: never
    QCOMPARE(dialogRequests(), 1);
    RegWriteBool("ShowDialogWarningArchive", false);
    w().cbxSearchArchive->click(); // ticked, switch off
    QCOMPARE(dialogRequests(), 1);
    w().cbxSearchArchive->click();
    RegWriteBool("ShowDialogWarningArchive", true);
    answerNotice();
    w().cbxSearchArchive->click();
    QCOMPARE(noticeShown, 2);
  }

  void archiveNoticeNotWhileCreating() {
    w().Creating = true;
    w().cbxSearchArchive->setChecked(true);
    w().ShowArchiveWarning(w().cbxSearchArchive);
    QCOMPARE(dialogRequests(), 0);
    w().Creating = false;
  }

  void browseFolderRemembersItsFolder() {
    TestDir dir;
    const QString first = dir.createFolder("first");
    QCOMPARE(w().LastFolder, QString());
    dialogs().setNextFileName(first);
    QCOMPARE(BrowseFolder(), first);
    QCOMPARE(dialogs().requests().back().owner, &w()); // over the window, not anywhere on screen
    QCOMPARE(w().LastFolder, first);
    dialogs().setNextFileName(QString()); // cancelled
    QCOMPARE(BrowseFolder(), QString());
    QCOMPARE(dialogs().requests().back().folder, first);
    QCOMPARE(w().LastFolder, first);
    dialogs().setNextFileName(QString());
    BrowseFolder();
    QCOMPARE(dialogs().requests().back().folder, first); // the earlier choice again
    // A remembered folder that is gone is not offered.
    QDir(first).removeRecursively();
    dialogs().setNextFileName(QString());
    BrowseFolder();
    QCOMPARE(dialogs().requests().back().folder, QString());
  }

  void showInfoIsTheProgramsInformationBox() {
    dialogs().setNextAnswer(QMessageBox::Ok);
    ShowInfo("Nothing found");
    const auto &r = dialogs().requests().back();
    QCOMPARE(r.kind, QString("message"));
    QCOMPARE(r.text, QString("Nothing found"));
    QCOMPARE(r.caption, w().LangList->GetText(2045));
    QCOMPARE(r.icon, QMessageBox::Information);
    QCOMPARE(r.owner, &w());
  }

  void runButtonBeepsWithoutAFocusedRow() {
    w().btnRunClick(); // off the results page
    QCOMPARE(dialogs().beeps(), 1);
    showOneFileStep();
    w().trvResult->setCurrentIndex(QModelIndex());
    w().btnRunClick(); // rows, but none focused
    QCOMPARE(dialogs().beeps(), 2);
    w().trvResult->setCurrentIndex(w().trvResult->model()->index(0, 0));
    w().ShowPage(w().tbsFirst);
    w().btnRunClick(); // a focused row counts only on the results page
    QCOMPARE(dialogs().beeps(), 3);
  }

  void openWithCancelledStartsNothing() {
    dialogs().setNextFileName(QString());
    QVERIFY(!OpenWith("/tmp/unknown.kind"));
    QCOMPARE(dialogs().requests().back().kind, QString("open"));
  }

  void checkStateHelpersCountOnlyTheFullState() {
    QStandardItemModel model;
    for (int row = 0; row < 3; ++row) {
      auto *item = new QStandardItem(QString::number(row));
      item->setCheckable(true);
      model.appendRow(item);
    }
    model.item(0)->setCheckState(Qt::Checked);
    model.item(1)->setCheckState(Qt::PartiallyChecked);
    QVERIFY(IsResultNodeChecked(model.index(0, 0)));
    QVERIFY(!IsResultNodeChecked(model.index(1, 0)));
    QVERIFY(!IsRestoreNodeChecked(model.index(1, 0)));
  }
};

PAIRHOUND_QTEST_MAIN(WarningsTest)
#include "WarningsTest.moc"
