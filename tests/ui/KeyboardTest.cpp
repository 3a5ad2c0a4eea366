// Using the wizard without a mouse: Enter as Next, where the warnings' focus starts, and access keys
// that do not clash on any page or dialog.
#include "tests/ui/UiTest.h"

#include <QKeySequence>

using namespace uitest;

namespace {
// The access keys of the buttons, boxes, choices and field captions that Window shows now; every
// one that has a text must have a key of its own, except Unkeyed: controls that share their text
// with another one beside them.
void checkAccessKeys(QWidget *Window, const QString &Where, const QStringList &Unkeyed = {}) {
  QStringList labelled;
  for (QAbstractButton *button : Window->findChildren<QAbstractButton *>()) {
    // OK and Cancel of a dialog answer Enter and Escape.
    const bool okOrCancel = QStringList({"btnOk", "btnOK", "btnCancel"}).contains(button->objectName());
    if (button->isVisibleTo(Window) && !button->text().isEmpty() && !okOrCancel &&
        !Unkeyed.contains(button->objectName()))
      labelled << button->objectName();
  }
  for (QLabel *label : Window->findChildren<QLabel *>())
    if (label->buddy() && label->isVisibleTo(Window))
      labelled << label->objectName();
  QMap<QKeySequence, QString> owners;
  for (const QString &name : labelled) {
    const QWidget *control = Window->findChild<QWidget *>(name);
    const QString text = control->property("text").toString();
    const QKeySequence key = QKeySequence::mnemonic(text);
    QVERIFY2(!key.isEmpty(), qPrintable(Where + ": no access key on " + name));
    QVERIFY2(!owners.contains(key),
             qPrintable(Where + ": " + name + " and " + owners[key] + " share " + key.toString()));
    owners[key] = name;
  }
}
} // namespace

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

  void accessKeysAreUniqueOnEveryPage() {
    for (int i = 0; i < w().pgcMain->count(); ++i) {
      w().ShowPage(w().pgcMain->widget(i));
      checkAccessKeys(&w(), w().ActivePage()->objectName());
    }
    w().ShowPage(w().tbsFinding);
    w().EnterBusyButtons();
    checkAccessKeys(&w(), "busy");
    w().TogglePause();
    checkAccessKeys(&w(), "paused");
    w().LeaveBusyButtons();
    // The filter's twins share their text with the control beside them.
    const QStringList twins = {"btnMaskIncludedSelect", "btnMaskExcludedSelect",  "cbxAttrReadOnlyInclude",
                               "cbxAttrHiddenInclude",  "cbxAttrReadOnlyExclude", "cbxAttrHiddenExclude"};
    forEveryDialogPage(*w().LangList, &w(),
                       [&](QWidget &Dialog, const QString &Name) { checkAccessKeys(&Dialog, Name, twins); });
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
