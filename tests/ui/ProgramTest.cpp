// The program's life: closing the window during a paused run unwinds the run through its clean-up,
// ends the event loop with 0 and still lets the program block save the file-type groups.
#include "ui/main/Program.h"
#include "tests/ui/UiTest.h"

using namespace uitest;

class ProgramTest : public QObject {
  Q_OBJECT

private slots:
  void closingDuringARunEndsCleanlyWithZero() {
    testenv::ClearSettings();
    dialogs().reset();
    ProgramFolder folder;
    TestDir scratch;
    const QString scratchFolder = scratch.createFolder("TWTemp1");
    bool runReturned = false;
    dialogs().setNextAnswer(QMessageBox::Yes); // the close question
    QTimer::singleShot(0, [&] {
      TfrmMain &w = *frmMain;
      w.ShowPage(w.tbsFinding);
      w.EnterBusyButtons();
      w.btnNext->click(); // Pause
      QTimer::singleShot(0, &w, [&w] { w.btnExit->click(); });
      w.RunGuarded([&] {
        struct RemoveScratch {
          QString folder;
          ~RemoveScratch() { QDir(folder).removeRecursively(); }
        } cleanUp{scratchFolder};
        for (;;)
          w.ProcessProgress(QString());
      });
      runReturned = true;
    });
    CreateFileGroupList();
    QCOMPARE(RunMainWindow(folder.path()), 0);
    FreeFileGroupList();
    QVERIFY(runReturned);
    QVERIFY(!QDir(scratchFolder).exists());
    QCOMPARE(RegReadInteger("group-ext-count", 0), 8);
    QVERIFY(!frmMain);
  }
};

PAIRHOUND_QTEST_MAIN(ProgramTest)
#include "ProgramTest.moc"
