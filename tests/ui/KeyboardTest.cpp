// Using the wizard without a mouse: Enter as Next, and where the warnings' focus starts.
#include "tests/ui/UiTest.h"

using namespace uitest;

class KeyboardTest : public WindowTest {
  Q_OBJECT

  void showActive() {
    w().show();
    QApplication::setActiveWindow(&w());
    QVERIFY(QTest::qWaitForWindowActive(&w()));
  }

public:
  KeyboardTest() : WindowTest(TWindow::Hidden) {}

private slots:
  void enterIsNextUnlessAButtonHasTheFocus() {
    showActive();
    w().rbtFirstFind->setFocus();
    QTest::keyClick(w().rbtFirstFind, Qt::Key_Return);
    QCOMPARE(w().ActivePage(), w().tbsWhat);
    QVERIFY(w().cbxSearchMethodCrc->hasFocus()); // the focus follows onto the new page
    QTest::keyClick(w().cbxSearchMethodCrc, Qt::Key_Enter);
    QCOMPARE(w().ActivePage(), w().tbsFolders);
    // A focused button answers Enter itself.
    w().btnBack->setFocus();
    QTest::keyClick(w().btnBack, Qt::Key_Return);
    QCOMPARE(w().ActivePage(), w().tbsWhat);
  }

  // The archive notice starts on OK: a stray Space must not switch the notice off for good.
  void warningsStartOnTheirButtons() {
    TfrmCheckDirectorionDialog system(&w());
    TfrmArchiveInformation notice(&w());
    for (auto [dialog, button] : {std::pair<QDialog *, QString>(&system, "btnReturn"), {&notice, "btnOK"}}) {
      dialog->show();
      QApplication::setActiveWindow(dialog);
      QVERIFY(QTest::qWaitForWindowActive(dialog));
      QCOMPARE(QApplication::focusWidget()->objectName(), button);
    }
  }
};

PAIRHOUND_QTEST_MAIN(KeyboardTest)
#include "KeyboardTest.moc"
