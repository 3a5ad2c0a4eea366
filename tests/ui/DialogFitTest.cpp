// The fixed-size dialogs under a larger desktop font and longer texts: every text stays whole.
#include "tests/ui/UiTest.h"
#include "ui/dialogs/FilterGroupExt.h"

using namespace uitest;

namespace {
// Whether every text of Dialog is shown whole, each control inside the dialog.
void checkNothingCut(QWidget *Dialog) {
  Dialog->show();
  QVERIFY(QTest::qWaitForWindowExposed(Dialog));
  const QRect inside = Dialog->rect();
  for (QWidget *child : Dialog->findChildren<QWidget *>()) {
    if (!child->isVisible())
      continue;
    const QString name = child->objectName();
    const QRect area(child->mapTo(Dialog, QPoint(0, 0)), child->size());
    QVERIFY2(inside.contains(area), qPrintable(name + " reaches out of the dialog"));
    if (auto *label = qobject_cast<QLabel *>(child); label && label->wordWrap()) {
      QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(name + " is cut off"));
    } else if (qobject_cast<QLabel *>(child) || qobject_cast<QAbstractButton *>(child) ||
               qobject_cast<QGroupBox *>(child)) {
      const QSize needed = child->minimumSizeHint();
      QVERIFY2(child->width() >= needed.width() && child->height() >= needed.height(),
               qPrintable(name + " is cut off"));
    }
  }
}
} // namespace

class DialogFitTest : public QObject {
  Q_OBJECT

private slots:
  void dialogsShowEveryTextWholeUnderALargeFont() {
    testenv::ClearSettings();
    ProgramFolder folder([](const QString &line) {
      return line.startsWith("Translator=") ? QString("Translator=Brambleworks and many kind friends") : line;
    });
    TLangList langs(folder.path() + "/Language/");
    SetCurrentLangList(&langs);
    const struct Restore {
      QFont font = QApplication::font();
      ~Restore() {
        QApplication::setFont(font);
        SetCurrentLangList(nullptr);
      }
    } restore;
    QFont font = restore.font;
    font.setPointSize(13);
    QApplication::setFont(font);
    CreateFileGroupList();
    forEveryDialogPage(langs, nullptr, [](QWidget &Dialog, const QString &) { checkNothingCut(&Dialog); });
    {
      TfrmFilter filter(nullptr);
      TfrmFilterGroupExt groups(&filter);
      checkNothingCut(&groups);
    }
    FreeFileGroupList();
  }
};

PAIRHOUND_QTEST_MAIN(DialogFitTest)
#include "DialogFitTest.moc"
