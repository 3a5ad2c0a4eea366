// The search warnings, the archive notice's conditions, and the windows' shared helpers: the folder
// browser's memory, opening files, the check helpers on the results list.
#include "tests/ui/UiTest.h"
#include "ui/main/Helpers.h"

#include <QSignalSpy>

using namespace uitest;

namespace {
// A program Name first on PATH that records its arguments and exits with Code.
class FakeProgram {
public:
  FakeProgram(const QString &Name, int Code) : m_name(Name), m_oldPath(qgetenv("PATH")) {
    m_dir.createFile(Name, QString("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1.args'\nexit %2\n")
                               .arg(path(Name))
                               .arg(Code)
                               .toUtf8());
    QFile::setPermissions(path(Name), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    qputenv("PATH", QFile::encodeName(m_dir.path()) + ":" + m_oldPath);
  }
  ~FakeProgram() { qputenv("PATH", m_oldPath); }
  QString path(const QString &Name) const { return m_dir.filePath(Name); }
  QStringList arguments() const {
    return QString::fromUtf8(testenv::ReadFile(path(m_name) + ".args")).split('\n', Qt::SkipEmptyParts);
  }

private:
  TestDir m_dir;
  QString m_name;
  QByteArray m_oldPath;
};

int dialogRequests() {
  int n = 0;
  for (const auto &r : dialogs().requests())
    n += r.kind == "dialog";
  return n;
}
} // namespace

class WarningsTest : public WindowTest {
  Q_OBJECT

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
    TfrmCheckDirectorionDialog closed(&w());
    closed.show();
    closed.close(); // the title bar
    QCOMPARE(closed.Tag(), 0);
    // Enter goes on with the search and leaves the system folders out.
    TfrmCheckDirectorionDialog dialog(&w());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Return);
    QCOMPARE(dialog.Tag(), 1);
    QVERIFY(dialog.rbtNo->isChecked());
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
    w().cbxSearchArchive->setChecked(false);
    w().Creating = true;
    w().cbxSearchArchive->setChecked(true);
    w().ShowArchiveWarning(w().cbxSearchArchive);
    QCOMPARE(dialogRequests(), 2);
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

  void runButtonOpensTheFocusedRowOrBeeps() {
    w().btnRunClick(); // off the results page
    QCOMPARE(dialogs().beeps(), 1);
    showStep({1});
    w().trvResult->setCurrentIndex(QModelIndex());
    w().btnRunClick(); // rows, but none focused
    QCOMPARE(dialogs().beeps(), 2);
    w().trvResult->setCurrentIndex(w().trvResult->model()->index(0, 0));
    w().ShowPage(w().tbsFirst);
    w().btnRunClick(); // a focused row counts only on the results page
    QCOMPARE(dialogs().beeps(), 3);
    FakeProgram launcher("gio", 0);
    w().ShowPage(w().tbsResults);
    w().btnRunClick();
    QCOMPARE(dialogs().beeps(), 3);
    QCOMPARE(launcher.arguments(), QStringList({"open", "file:///data/f0"}));
  }

  void aFileIsOpenedOnlyWhenTheLauncherSaysSo() {
    {
      FakeProgram launcher("gio", 0);
      QVERIFY(OpenFile("/data/a b.txt"));
      QCOMPARE(launcher.arguments(), QStringList({"open", "file:///data/a%20b.txt"}));
      QCOMPARE(int(dialogs().requests().size()), 0);
    }
    // No program for the file: the chooser asks for one for that file, and Cancel opens nothing.
    FakeProgram launcher("gio", 4);
    dialogs().setNextFileName(QString());
    QVERIFY(!OpenFile("/data/a b.txt"));
    QCOMPARE(launcher.arguments().size(), 2);
    const auto &request = dialogs().requests().back();
    QCOMPARE(request.kind, QString("open"));
    QCOMPARE(request.caption, FormatText(text(228), {"a b.txt"}));
    QVERIFY(request.caption.contains("a b.txt"));
    // The chosen program is started with the file.
    FakeProgram viewer("viewer", 0);
    dialogs().setNextFileName(viewer.path("viewer"));
    QVERIFY(OpenFile("/data/a b.txt"));
    QTRY_COMPARE(viewer.arguments(), QStringList({"/data/a b.txt"}));
  }

  // Which files take a mark is the results list's rule, tested there; here the helper goes through it.
  void resultNodeChecksCarryTheFilesMark() {
    showStep({1, 1});
    QAbstractItemModel *tree = w().trvResult->model();
    const QModelIndex node = tree->index(0, 0);
    QSignalSpy userChecks(&w().ResultList().Model(), &TResultModel::UserChecked);
    SetResultNodeChecked(tree, node, true);
    QVERIFY(IsResultNodeChecked(node));
    QVERIFY(w().FileList->GetItem(0)->Viewed.Marked);
    QCOMPARE(userChecks.count(), 0); // not taken for the user's click
    // Only the full check counts: a mixed state is no check and no mark.
    tree->setData(node, Qt::PartiallyChecked, Qt::CheckStateRole);
    QVERIFY(!IsResultNodeChecked(node));
    QVERIFY(!w().FileList->GetItem(0)->Viewed.Marked);
  }
};

PAIRHOUND_QTEST_MAIN(WarningsTest)
#include "WarningsTest.moc"
