// The window's side of progress: busy captions, percentages, Pause, Stop, closing during a run.
#include "engine/ReadAhead.h"
#include "tests/ui/UiTest.h"

#include <QProgressBar>

using namespace uitest;

class ProgressTest : public WindowTest {
  Q_OBJECT
  void busyFinding() {
    w().ShowPage(w().tbsFinding);
    w().EnterBusyButtons();
  }

public:
  ProgressTest() : WindowTest(TWindow::Shown) {}

private slots:
  // Calls: E EnterBusyButtons, P TogglePause, L LeaveBusyButtons.
  void captionsFollowTheStates_data() {
    QTest::addColumn<QString>("calls");
    QTest::addColumn<int>("next");
    QTest::addColumn<int>("back");
    QTest::addColumn<int>("pause");
    QTest::newRow("busy") << "E" << 2040 << 2041 << 0;
    QTest::newRow("paused") << "EP" << 2050 << 2041 << 1;
    QTest::newRow("left while paused keeps the flag") << "EPL" << 2027 << 2026 << 1;
    QTest::newRow("busy again clears it") << "EPLE" << 2040 << 2041 << 0;
  }
  void captionsFollowTheStates() {
    QFETCH(QString, calls);
    QFETCH(int, next);
    QFETCH(int, back);
    QFETCH(int, pause);
    for (const QChar call : calls)
      call == 'E' ? w().EnterBusyButtons() : call == 'P' ? w().TogglePause() : w().LeaveBusyButtons();
    QCOMPARE(w().btnNext->text(), text(next));
    QCOMPARE(w().btnBack->text(), text(back));
    QCOMPARE(w().PauseFlag(), pause);
    // The read-ahead workers wait exactly while the search is paused.
    QCOMPARE(ReadAheadPaused(), pause != 0);
    QCOMPARE(w().StopFlag(), 0);
    QCOMPARE(w().btnNext->font().bold(), next == 2050);
  }

  void percentAndSuffix_data() {
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no maximum: no suffix") << 0 << 0 << "0%";
    QTest::newRow("truncated, not rounded") << 3 << 2 << "66% (7)";
    QTest::newRow("large counts") << 2000000000 << 1999999999 << "99% (7)";
  }
  void percentAndSuffix() {
    QFETCH(int, max);
    QFETCH(int, position);
    QFETCH(QString, expected);
    w().SetMax(max);
    w().SetPosition(position);
    w().lblStep->setText("Reading files...");
    w().ProcessProgress(" (7)");
    QCOMPARE(w().lblPercent->text(), expected);
    QCOMPARE(dtmMain->TrayHint(), expected + "\rReading files...");
  }

  void stopAnsweredNoGoesOnAndYesRaisesAtTheNextCall() {
    busyFinding();
    w().SetMax(4);
    w().SetPosition(1);
    dialogs().setNextAnswer(QMessageBox::No);
    w().btnBack->click();
    QCOMPARE(w().StopFlag(), 0);
    QCOMPARE(w().btnBack->text(), text(2041));
    w().ProcessProgress(QString()); // goes on
    const auto asked = dialogs().requests().back();
    QCOMPARE(asked.text, text(2046));
    QCOMPARE(asked.defaultButton, QMessageBox::No);

    dialogs().setNextAnswer(QMessageBox::Yes);
    w().btnBack->click();
    QCOMPARE(w().StopFlag(), 1);
    w().SetPosition(2);
    QVERIFY_THROWS_EXCEPTION(EMyStop, w().ProcessProgress(" (2)"));
    QCOMPARE(w().lblPercent->text(), QString("50% (2)"));
  }

  void aBurstOfCallsEndsShowingTheLastCall() {
    busyFinding();
    w().lblStep->setText("Reading files...");
    w().SetMax(1000);
    w().ProcessProgress(" (first)");
    QCOMPARE(w().lblPercent->text(), QString("0% (first)"));
    for (int i = 1; i <= 1000; ++i) {
      w().SetPosition(i);
      w().ProcessProgress(QString(" (%1)").arg(i));
    }
    w().FlushProgress();
    QCOMPARE(w().lblPercent->text(), QString("100% (1000)"));
    QCOMPARE(dtmMain->TrayHint(), QString("100% (1000)\rReading files..."));
    QCOMPARE(w().pbrFind->value(), 1000);
    w().EnterBusyButtons();
    w().SetPosition(500);
    w().ProcessProgress(QString());
    QCOMPARE(w().lblPercent->text(), QString("50%"));
  }

  void pauseIsSeenOnTheNextCallWithoutWaitingForAPump() {
    busyFinding();
    w().SetMax(10);
    w().ProcessProgress(QString());
    // Pause between two calls is seen by the very next call.
    w().TogglePause();
    w().SetPosition(7);
    bool continued = false;
    QTimer::singleShot(0, &w(), [&] {
      QCOMPARE(w().lblPercent->text(), QString("70% (7)"));
      continued = true;
      w().btnNext->click();
    });
    w().ProcessProgress(" (7)");
    QVERIFY(continued);
    QCOMPARE(w().PauseFlag(), 0);
  }

  void stopWhilePausedEndsTheSameCall() {
    busyFinding();
    w().btnNext->click(); // Pause
    QCOMPARE(w().PauseFlag(), 1);
    dialogs().setNextAnswer(QMessageBox::Yes);
    int passes = 0;
    QTimer::singleShot(0, &w(), [&] {
      passes = 1;
      w().btnBack->click();
    });
    QVERIFY_THROWS_EXCEPTION(EMyStop, w().ProcessProgress(QString()));
    QCOMPARE(passes, 1);
    QCOMPARE(w().PauseFlag(), 1); // Continue was never pressed
  }

  void closeWhilePausedUnwindsWithHalt() {
    QVERIFY_THROWS_EXCEPTION(EMyStop, w().RunGuarded([] { throw EMyStop(); }));
    QVERIFY(!w().Halted());
    busyFinding();
    w().btnNext->click();
    dialogs().setNextAnswer(QMessageBox::Yes);
    QTimer::singleShot(0, &w(), [&] { w().close(); });
    w().RunGuarded([&] {
      w().ProcessProgress(QString());
      QFAIL("the paused call returned after the window was closed");
    });
    QVERIFY(w().Halted());
    QVERIFY(w().Terminating());
    QCOMPARE(dialogs().requests().back().text, text(2047));
    QVERIFY_THROWS_EXCEPTION(EMyHalt, w().ProcessActionProgress());
  }

  void closingDuringASearchKeepsTheWindowClosed() {
    busyFinding();
    dialogs().setNextAnswer(QMessageBox::Yes);
    w().RunGuarded([&] {
      TfrmMain::TSearchIndicators indicators(w());
      QVERIFY(w().close());
      w().ProcessProgress(QString());
    });
    QVERIFY(w().Halted());
    // The end of the search shows a folded window again, but not one the user closed.
    QVERIFY(!w().isVisible());
  }

  void closeAsksOnlyOnTheProgressPages() {
    QList<QWidget *> pages = {w().tbsFinding, w().tbsDeleting, w().tbsRestoring};
    for (int i = 0; i < w().pgcMain->count(); ++i)
      if (!pages.contains(w().pgcMain->widget(i)))
        pages << w().pgcMain->widget(i);
    for (int i = 0; i < pages.size(); ++i) {
      const bool progress = i < 3;
      w().ShowPage(pages[i]);
      w().show();
      dialogs().reset();
      if (progress)
        dialogs().setNextAnswer(QMessageBox::No);
      QCOMPARE(w().close(), !progress);
      QCOMPARE(int(dialogs().requests().size()), progress ? 1 : 0);
      QCOMPARE(w().isVisible(), progress);
      QCOMPARE(w().Terminating(), !progress); // No lets the run go on
      if (progress)
        w().ProcessActionProgress();
    }
  }

  void archiveProgressIsCappedAt100() {
    w().SetMax(10);
    w().SetPosition(5);
    dtmMain->zipMainTotalProgress(0, 250);
    QCOMPARE(w().lblPercent->text(), "50% (" + text(20121) + " 100%)");
    dtmMain->zipMainTotalProgress(0, 42);
    w().FlushProgress();
    QCOMPARE(w().lblPercent->text(), "50% (" + text(20121) + " 42%)");
  }
};

PAIRHOUND_QTEST_MAIN(ProgressTest)
#include "ProgressTest.moc"
