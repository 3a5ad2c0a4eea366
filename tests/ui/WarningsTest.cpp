// The search warnings, the archive notice's conditions, and the windows' shared helpers: the folder
// browser's memory, opening files.
#include "platform/Shell.h"
#include "tests/ui/UiTest.h"
#include "ui/main/Helpers.h"
#include "ui/main/LinkLabel.h"

#include <QScopeGuard>

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
  void switchIsWrittenOnEveryClick() {
    TfrmCheckDirectorionDialog system(&w());
    TfrmArchiveInformation archive(&w());
    for (auto [dialog, key] : {std::pair<QDialog *, QString>(&system, "ShowDialogWarningSystemDirectory"),
                               {&archive, "ShowDialogWarningArchive"}}) {
      auto *box = find<QCheckBox>(dialog, "cbxNoShowAfter");
      box->click();
      QVERIFY(!RegReadBool(key, true));
      box->click();
      QVERIFY(RegReadBool(key, true));
    }
    find<QCheckBox>(&system, "cbxNoShowAfter")->click();
    find<QPushButton>(&system, "btnCancel")->click();
    QVERIFY(!RegReadBool("ShowDialogWarningSystemDirectory", true)); // Cancel does not take it back
    QCOMPARE(system.Tag(), 0);
  }

  void archiveNoticeOnlyWhenTickedAndSwitchedOn() {
    int noticeShown = 0;
    dialogs().setNextDialog([&](QDialog &dialog) {
      ++noticeShown;
      find<QPushButton>(&dialog, "btnOK")->click();
      return int(dialog.result());
    });
    w().cbxSearchArchive->click(); // ticked
    QCOMPARE(noticeShown, 1);
    w().cbxSearchArchive->click(); // unticked: never
    QCOMPARE(dialogRequests(), 1);
    RegWriteBool("ShowDialogWarningArchive", false);
    w().cbxSearchArchive->click(); // ticked, switch off
    QCOMPARE(dialogRequests(), 1);
    RegWriteBool("ShowDialogWarningArchive", true);
    w().cbxSearchArchive->setChecked(false);
    w().Creating = true;
    w().cbxSearchArchive->setChecked(true);
    w().ShowArchiveWarning(w().cbxSearchArchive); // never while the window is made
    QCOMPARE(dialogRequests(), 1);
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
    // A remembered folder that is gone is not offered.
    QDir(first).removeRecursively();
    dialogs().setNextFileName(QString());
    BrowseFolder();
    QCOMPARE(dialogs().requests().back().folder, QString());
  }

  void runButtonOpensTheFocusedRowOrBeeps() {
    showStep({1});
    w().trvResult->setCurrentIndex(QModelIndex());
    w().btnRunClick(); // rows, but none focused
    QCOMPARE(dialogs().beeps(), 1);
    w().trvResult->setCurrentIndex(w().trvResult->model()->index(0, 0));
    w().ShowPage(w().tbsFirst);
    w().btnRunClick(); // a focused row counts only on the results page
    QCOMPARE(dialogs().beeps(), 2);
    FakeProgram launcher("gio", 0);
    w().ShowPage(w().tbsResults);
    w().btnRunClick();
    QCOMPARE(dialogs().beeps(), 2);
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

  void theHelpOpensWithTheDesktopOrNamesItsFile() {
    // The help page beside the program, as a shipped program has it.
    const QString help = GetHelpFileName();
    const bool made = !QFileInfo::exists(help);
    if (made) {
      QVERIFY(QDir().mkpath(QFileInfo(help).path()));
      QFile page(help);
      QVERIFY(page.open(QIODevice::WriteOnly));
      page.write("<html>help</html>");
    }
    const auto restore = qScopeGuard([made, help] {
      platform::SetDesktopHandler({});
      if (made)
        QFile::remove(help);
    });
    QList<QUrl> handed;
    bool handled = true;
    platform::SetDesktopHandler([&](const QUrl &Url) {
      handed << Url;
      return handled;
    });
    // Launchers that find no program must not be asked: the desktop's handler decides alone.
    FakeProgram gio("gio", 4), xdg("xdg-open", 4);
    const std::function<void()> clicks[] = {[&] { emit w().lblFirstRecoveryInfo->clicked(); },
                                            [&] { emit w().lblActionMoveInfo->clicked(); },
                                            [&] { w().btnHelp->click(); }};
    for (const auto &click : clicks)
      click();
    QCOMPARE(handed, QList<QUrl>(3, QUrl::fromLocalFile(help)));
    QCOMPARE(int(dialogs().requests().size()), 0);
    // Nothing opens it: each link says so, naming the file, and offers no program chooser.
    handled = false;
    for (const auto &click : clicks) {
      dialogs().setNextAnswer(QMessageBox::Ok);
      click();
      const auto &request = dialogs().requests().back();
      QCOMPARE(request.kind, QString("message"));
      QCOMPARE(request.text, FormatText(text(20156), {help}));
      QVERIFY(request.text.contains(help));
    }
    QCOMPARE(int(dialogs().requests().size()), 3);
    QCOMPARE(handed.size(), 6);
    // A page that is not there is not handed over, and the message names it all the same.
    const QString missing = QDir::temp().filePath("no such help/index.html");
    dialogs().setNextAnswer(QMessageBox::Ok);
    OpenHelp(missing);
    QCOMPARE(handed.size(), 6);
    QCOMPARE(dialogs().requests().back().text, FormatText(text(20156), {missing}));
  }
};

PAIRHOUND_QTEST_MAIN(WarningsTest)
#include "WarningsTest.moc"
