// The data module and what a search shows beside the window: tray, icon animation, the folder
// tree's checked folders, network locations, dialog filters.
#include "platform/Names.h"
#include "platform/NetworkMounts.h"
#include "tests/support/MountStandIn.h"
#include "tests/ui/UiTest.h"
#include "ui/main/IconAnimation.h"
#include "ui/main/Icons.h"

#include <QDirIterator>
#include <QScopeGuard>
#include <QSignalSpy>

#include <condition_variable>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

using namespace uitest;

namespace {
// An animation over numbered frames that records what each target received.
struct Recorder {
  QList<QIcon> frames;
  QList<int> seen;
  Recorder() {
    for (int i = 0; i < 3; ++i) {
      QPixmap p(1, 1);
      p.fill(QColor(i, 0, 0));
      frames << QIcon(p);
    }
  }
  TIconAnimation::TIconTarget target() {
    return [this](const QIcon &icon) { seen << QColor(icon.pixmap(1, 1).toImage().pixel(0, 0)).red(); };
  }
};

// Holds the listing of one folder until released, as a network mount that stopped answering does.
// It gives up by itself after a long while, so a window that waits for it fails the test instead of
// hanging it.
struct THeldFolder {
  QByteArray folder;
  std::mutex mutex;
  std::condition_variable released;
  bool open = false;
  bool gaveUp = false;
  int asked = 0;

  void hold(const QByteArray &Folder) {
    if (Folder != folder)
      return;
    std::unique_lock lock(mutex);
    ++asked;
    if (!released.wait_for(lock, std::chrono::seconds(20), [&] { return open; }))
      gaveUp = true;
  }
  void set(bool Open) {
    {
      std::lock_guard lock(mutex);
      open = Open;
    }
    released.notify_all();
  }
  bool heldTheWindow() {
    std::lock_guard lock(mutex);
    return gaveUp;
  }
  int timesAsked() {
    std::lock_guard lock(mutex);
    return asked;
  }
};
} // namespace

class DataModuleTest : public WindowTest {
  Q_OBJECT
  void tearDown() override { TIconAnimation::JoinAll(); }

public:
  DataModuleTest() : WindowTest(TWindow::Hidden) {}

private slots:
  void fileDialogFilters() {
    QCOMPARE(QtFileFilter("Text file|*.txt"), QString("Text file (*.txt)"));
    QCOMPARE(QtFileFilter("Result|*.wzr|All|*.a;*.b"), QString("Result (*.wzr);;All (*.a *.b)"));
  }

  void shutdownJoinsAnAnimationWaitingForTheMainThread() {
    Recorder r;
    auto *animation = new TIconAnimation(r.frames, {r.target()});
    animation->Resume();
    // The main thread handles no events, so the worker waits on it for its step.
    QThread::msleep(2 * TIconAnimation::StepIntervalMs);
    QPointer<TIconAnimation> watch(animation);
    TIconAnimation::JoinAll();
    QVERIFY(watch.isNull());
    QVERIFY(r.seen.isEmpty()); // the waiting step ran, but after the request it copies nothing
  }

  void searchIndicatorsFollowTheOptions() {
    RegWriteString("AnimationIcon", "2");
    RegWriteString("MinimizeToTrayOfFind", "1");
    {
      TfrmMain::TSearchIndicators indicators(w());
      QVERIFY(!w().AnimationThread);
      QVERIFY(dtmMain->TrayActive());
    }
    QVERIFY(!dtmMain->TrayActive());

    RegWriteString("AnimationIcon", "1");
    RegWriteString("MinimizeToTrayOfFind", "2");
    w().hide(); // folded away during the search
    {
      TfrmMain::TSearchIndicators indicators(w());
      QVERIFY(w().AnimationThread);
      QVERIFY(!w().AnimationThread->Suspended());
      QVERIFY(!dtmMain->TrayActive());
      // The pause and stop routines hold it still.
      w().AnimationThread->Suspend();
    }
    QVERIFY(!w().AnimationThread);
    QVERIFY(w().isVisible()); // always shown again at the end of a search
    TIconAnimation::JoinAll();
  }

  void iconIsTheProgramsOwnAfterASearch() {
    const auto image = [](const QIcon &icon) { return icon.pixmap(16, 16).toImage(); };
    const QImage own = image(ProgramIcon());
    {
      TfrmMain::TSearchIndicators indicators(w());
      QTRY_VERIFY(image(QApplication::windowIcon()) != own); // animating
    }
    QCOMPARE(image(QApplication::windowIcon()), own);
    // A step that was still queued must not bring a frame back.
    QTest::qWait(2 * TIconAnimation::StepIntervalMs);
    QCOMPARE(image(QApplication::windowIcon()), own);
    QCOMPARE(image(w().windowIcon()), own);
  }

  void pausedSearchHoldsTheAnimation() {
    TfrmMain::TSearchIndicators indicators(w());
    QVERIFY(w().AnimationThread);
    w().ShowPage(w().tbsFinding);
    w().EnterBusyButtons();
    w().TogglePause();
    // The hold begins after the first pause pass, which a loaded machine may delay by any time: watch
    // for it rather than guess when it comes; give up (and continue) after a few seconds.
    bool suspendedWhilePaused = false;
    int ticks = 0;
    QTimer watch;
    watch.setInterval(10);
    connect(&watch, &QTimer::timeout, &w(), [&] {
      suspendedWhilePaused = w().AnimationThread->Suspended();
      if (suspendedWhilePaused || ++ticks > 500) {
        watch.stop();
        w().TogglePause();
      }
    });
    watch.start();
    w().ProcessProgress(QString());
    QVERIFY(suspendedWhilePaused);
    QVERIFY(!w().AnimationThread->Suspended()); // resumed once at the end of the call
    // Stop answered No leaves the hold until the end of the next progress call.
    dialogs().setNextAnswer(QMessageBox::No);
    w().ConfirmStop();
    QVERIFY(w().AnimationThread->Suspended());
    w().ProcessProgress(QString());
    QVERIFY(!w().AnimationThread->Suspended());
    w().LeaveBusyButtons();
  }

  void checkedFoldersAreSortedAndNeverNested() {
    TestDir dir;
    for (const char *f : {"a/x/1", "a/x/2", "a/y", "a/.hidden", "a b", "ab", "c"})
      dir.createFolder(f);
    const QString root = dir.path();
    TFolderTreeModel model;
    model.SetChecked(root + "/c", true);
    model.SetChecked(root + "/ab", true);
    model.SetChecked(root + "/a b", true);
    model.SetChecked(root + "/a/x/1", true);
    model.SetChecked(root + "/a", true); // swallows a/x/1, not its siblings of a like name
    QCOMPARE(model.CheckedFolders(), QStringList({root + "/a", root + "/a b", root + "/ab", root + "/c"}));
    QCOMPARE(model.CheckState(root + "/a/x/2"), Qt::Checked);
    QCOMPARE(model.CheckState(root), Qt::PartiallyChecked);

    model.SetChecked(root + "/a/x/1", false);
    QCOMPARE(model.CheckedFolders(), QStringList({root + "/a b", root + "/a/.hidden", root + "/a/x/2",
                                                  root + "/a/y", root + "/ab", root + "/c"}));
    QCOMPARE(model.CheckState(root + "/a"), Qt::PartiallyChecked);
    QCOMPARE(model.CheckState(root + "/a/x"), Qt::PartiallyChecked);
    QCOMPARE(model.CheckState(root + "/a/x/1"), Qt::Unchecked);
    model.SetChecked(root + "/a/", true); // trailing separator
    model.SetChecked(root + "/c", false);
    QCOMPARE(model.CheckedFolders(), QStringList({root + "/a", root + "/a b", root + "/ab"}));
  }

  void linksAreNeitherOfferedNorCheckedBesideAnUncheckedFolder() {
    TestDir dir;
    for (const char *f : {"real/inner", "real/other", "plain"})
      dir.createFolder(f);
    const QString root = dir.path();
    QVERIFY(QFile::link(root + "/real", root + "/link"));
    QVERIFY(QFile::link(root, root + "/real/up"));
    const QByteArray bad = QFile::encodeName(root) + "/bad\xFF";
    const QByteArray inner = QFile::encodeName(root) + "/real/\xFE";
    QCOMPARE(::mkdir(bad.constData(), 0755), 0);
    QCOMPARE(::mkdir(inner.constData(), 0755), 0);
    TFolderTreeModel model;

    for (const QString &path : {root + "/link", root + "/link/inner"}) {
      QVERIFY(!model.SetChecked(path, true));
      const QModelIndex index = model.index(path);
      QVERIFY(index.isValid());
      QVERIFY(!(model.flags(index) & Qt::ItemIsUserCheckable));
      QVERIFY(!model.data(index, Qt::CheckStateRole).isValid());
      QVERIFY(!model.setData(index, Qt::Checked, Qt::CheckStateRole));
    }
    // A name that is not UTF-8 is a folder like any other, shown with its odd byte escaped.
    const QModelIndex odd = model.index(platform::DecodeName(bad));
    QVERIFY(odd.isValid());
    QCOMPARE(odd.data().toString(), "bad\\xFF");
    QVERIFY(model.flags(odd) & Qt::ItemIsUserCheckable);
    QVERIFY(TFolderTreeModel::Checkable(platform::DecodeName(bad)));
    QVERIFY(!TFolderTreeModel::Checkable("relative"));
    QVERIFY(model.CheckedFolders().isEmpty());
    QVERIFY(!model.hasChildren(model.index(root + "/link")));
    QVERIFY(!(model.flags(model.index(root + "/link")) & Qt::ItemIsEnabled)); // shown greyed
    QVERIFY(model.flags(model.index(root + "/real")) & Qt::ItemIsUserCheckable);

    // Unchecking a folder inside a checked one never puts a link in its place.
    QVERIFY(model.SetChecked(root, true));
    QVERIFY(model.SetChecked(root + "/real/inner", false));
    QStringList stayed{platform::DecodeName(bad), root + "/plain", root + "/real/other", platform::DecodeName(inner)};
    stayed.sort();
    QCOMPARE(model.CheckedFolders(), stayed);
    QVERIFY(model.SetChecked(root + "/real", true));
    QCOMPARE(model.CheckedFolders(), QStringList({platform::DecodeName(bad), root + "/plain", root + "/real"}));
    model.ClearChecks();
    QVERIFY(model.CheckedFolders().isEmpty());
    ::rmdir(bad.constData());
    ::rmdir(inner.constData());
  }

  // The tree is the program's own listing now: a folder opened again shows what came and went.
  void anOpenedFolderShowsFoldersMadeAndRemovedSince() {
    TestDir dir;
    for (const char *f : {"b", "d", "f"})
      dir.createFolder(f);
    const QString root = dir.path();
    TFolderTree tree;
    TFolderTreeModel &model = *tree.Model();
    const QModelIndex top = model.index(root);
    // As the view opens a folder: its rows fetched, then the expansion.
    QVERIFY(model.canFetchMore(top));
    model.fetchMore(top);
    tree.expand(top);
    const auto names = [&] {
      QStringList out;
      for (int row = 0; row < model.rowCount(top); ++row)
        out << model.index(row, 0, top).data().toString();
      return out;
    };
    QCOMPARE(names(), QStringList({"b", "d", "f"}));
    const QPersistentModelIndex kept = model.index(root + "/d");
    dir.createFolder("a");
    dir.createFolder("e");
    QVERIFY(QDir(root + "/f").removeRecursively());
    QCOMPARE(::mkdir(platform::EncodeName(root + "/c").append("\xE9").constData(), 0755), 0);
    tree.collapse(top);
    tree.expand(top);
    QCOMPARE(names(), QStringList({"a", "b", "c\\xE9", "d", "e"}));
    QCOMPARE(kept.row(), 3);
    QCOMPARE(model.filePath(kept), root + "/d");
  }

  // Rows come and go in runs; a folder that became a link is a new row.
  void anOpenedFolderShowsRunsOfChangesInPlace() {
    TestDir dir;
    for (const char *f : {"a", "b", "c", "d", "e", "f", "g"})
      dir.createFolder(f);
    const QString root = dir.path();
    TFolderTree tree;
    TFolderTreeModel &model = *tree.Model();
    const QModelIndex top = model.index(root);
    model.fetchMore(top);
    tree.expand(top);
    const QPersistentModelIndex last = model.index(root + "/g");
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    tree.collapse(top);
    tree.expand(top);
    QCOMPARE(removed.count() + inserted.count(), 0);
    for (const char *f : {"b", "c", "e"})
      QVERIFY(QDir(root + "/" + f).removeRecursively());
    for (const char *f : {"ca", "cb", "h"})
      dir.createFolder(f);
    QVERIFY(QFile::link(root + "/a", root + "/e"));
    tree.collapse(top);
    tree.expand(top);
    QStringList names;
    for (int row = 0; row < model.rowCount(top); ++row) {
      const QModelIndex child = model.index(row, 0, top);
      QCOMPARE(model.parent(child), top);
      names << child.data().toString() + (model.flags(child) & Qt::ItemIsEnabled ? "" : "@");
    }
    QCOMPARE(names, QStringList({"a", "ca", "cb", "d", "e@", "f", "g", "h"}));
    QCOMPARE(last.row(), 6);
    QCOMPARE(model.filePath(last), root + "/g");
    QCOMPARE(model.index(root + "/h").row(), 7);
  }

  // Building the tree lists each folder on the way to the home folder once, not again as it opens.
  void startUpListsEachFolderOnce() {
    TestDir dir;
    dir.createFolder("deep/er/home");
    const QString home = dir.path() + "/deep/er/home";
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", platform::EncodeName(home));
    const auto restore = qScopeGuard([&] { qputenv("HOME", oldHome); });
    TFolderTree tree;
    auto mutex = std::make_shared<std::mutex>();
    auto listed = std::make_shared<QList<QByteArray>>();
    tree.Model()->SetListingHook([mutex, listed](const QByteArray &Folder) {
      std::lock_guard lock(*mutex);
      listed->append(Folder);
    });
    tree.Rebuild();
    QTRY_COMPARE(tree.Model()->PendingListings(), 0);
    std::lock_guard lock(*mutex);
    for (const QString &level : {QString("/"), dir.path(), dir.path() + "/deep", dir.path() + "/deep/er"})
      QCOMPARE(listed->count(platform::EncodeName(level)), 1);
    QVERIFY(tree.isExpanded(tree.Model()->index(dir.path() + "/deep")));
  }

  // A link's tooltip shows where it led when its folder was listed: hovering never reads the disk.
  void aLinksTooltipComesWithTheListing() {
    TestDir dir;
    for (const char *f : {"one", "two"})
      dir.createFolder(f);
    const QString root = dir.path();
    QVERIFY(QFile::link(root + "/one", root + "/link"));
    TFolderTree tree;
    TFolderTreeModel &model = *tree.Model();
    const QModelIndex top = model.index(root);
    model.fetchMore(top);
    tree.expand(top);
    const auto tip = [&] { return model.index(root + "/link").data(Qt::ToolTipRole).toString(); };
    QCOMPARE(tip(), QString("\u2192 " + root + "/one"));
    QVERIFY(QFile::remove(root + "/link"));
    QVERIFY(QFile::link(root + "/two", root + "/link"));
    QCOMPARE(tip(), QString("\u2192 " + root + "/one"));
    tree.collapse(top);
    tree.expand(top);
    QCOMPARE(tip(), QString("\u2192 " + root + "/two"));
    QVERIFY(!model.index(root + "/one").data(Qt::ToolTipRole).isValid());
  }

  // Listing a folder of a network mount that stopped answering used to freeze the window for good.
  void aFolderThatDoesNotAnswerNeverHoldsTheWindow() {
    TestDir dir;
    for (const char *f : {"slow/a", "slow/b", "other"})
      dir.createFolder(f);
    const QString root = dir.path();
    auto held = std::make_shared<THeldFolder>();
    held->folder = platform::EncodeName(root + "/slow");
    TFolderTree tree;
    TFolderTreeModel &model = *tree.Model();
    model.SetListingHook([held](const QByteArray &Folder) { held->hold(Folder); });
    const auto release = qScopeGuard([&] { held->set(true); });
    const auto names = [&](const QModelIndex &Folder) {
      QStringList out;
      for (int row = 0; row < model.rowCount(Folder); ++row)
        out << model.index(row, 0, Folder).data().toString();
      return out;
    };
    // As the view opens a folder (anew).
    const auto open = [&](const QModelIndex &Folder) {
      tree.collapse(Folder);
      if (model.canFetchMore(Folder))
        model.fetchMore(Folder);
      tree.expand(Folder);
    };

    QModelIndex slow = model.index(root + "/slow");
    QVERIFY(slow.isValid());
    // Its check box, as a click: the links on its way are looked for on a worker too, and when that
    // does not answer it is checked as the tree shows it.
    QVERIFY(model.setData(slow, Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(held->timesAsked(), 1);
    QVERIFY(!held->heldTheWindow());
    QCOMPARE(model.CheckedFolders(), QStringList{root + "/slow"});
    model.ClearChecks();
    for (int attempt = 0; attempt < 2; ++attempt) {
      open(slow);
      QVERIFY(!held->heldTheWindow());
      QCOMPARE(model.rowCount(slow), 0);
      QVERIFY(model.canFetchMore(slow)); // unlisted: opening it again tries again
      QVERIFY(model.hasChildren(slow));
    }
    held->set(true);
    open(slow);
    QCOMPARE(names(slow), QStringList({"a", "b"}));

    // A listed folder opened again while it does not answer keeps its rows; the new ones come
    // with the listing.
    dir.createFolder("slow/c");
    held->set(false);
    open(slow);
    QVERIFY(!held->heldTheWindow());
    QCOMPARE(names(slow), QStringList({"a", "b"}));
    held->set(true);
    QTRY_COMPARE(names(slow), QStringList({"a", "b", "c"}));

    // A listing that comes after the tree was built anew, or after its folder went, is dropped.
    held->set(false);
    open(slow);
    model.Reload();
    slow = model.index(root + "/slow");
    held->set(true);
    QTRY_COMPARE(model.PendingListings(), 0);
    QVERIFY(model.canFetchMore(slow));
    QCOMPARE(model.rowCount(slow), 0);
    held->set(false);
    open(slow);
    QVERIFY(QDir(root + "/slow").removeRecursively());
    model.Refresh(model.index(root));
    held->set(true);
    QTRY_COMPARE(model.PendingListings(), 0);
    QCOMPARE(names(model.index(root)), QStringList({"other"}));
    QVERIFY(!held->heldTheWindow());
  }

  // Each click on a folder whose mount does not answer used to leave one more thread stuck there.
  void clicksOnAFolderThatDoesNotAnswerShareOneResolve() {
    TestDir dir;
    dir.createFolder("slow/a");
    const QString root = dir.path();
    auto held = std::make_shared<THeldFolder>();
    held->folder = platform::EncodeName(root + "/slow");
    TFolderTreeModel model;
    model.SetListingHook([held](const QByteArray &Folder) { held->hold(Folder); });
    const auto release = qScopeGuard([&] { held->set(true); });
    const QModelIndex slow = model.index(root + "/slow");
    QVERIFY(model.setData(slow, Qt::Checked, Qt::CheckStateRole));
    QVERIFY(model.setData(slow, Qt::Unchecked, Qt::CheckStateRole));
    QVERIFY(model.setData(slow, Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(held->timesAsked(), 1);
    QCOMPARE(model.CheckedFolders(), QStringList{root + "/slow"});
    held->set(true);
    QTRY_COMPARE(model.PendingListings(), 0);
    QVERIFY(model.setData(slow, Qt::Unchecked, Qt::CheckStateRole));
    QCOMPARE(held->timesAsked(), 2);
    QVERIFY(model.CheckedFolders().isEmpty());
    QVERIFY(!held->heldTheWindow());
  }

  // Unchecking a folder inside a checked one lists the levels on the way on a worker too: when one
  // does not answer the checks stay as they were.
  void uncheckingInsideAFolderThatDoesNotAnswerLeavesTheChecks() {
    TestDir dir;
    for (const char *f : {"slow/a/x", "slow/a/y", "slow/b"})
      dir.createFolder(f);
    const QString root = dir.path();
    auto held = std::make_shared<THeldFolder>();
    held->folder = platform::EncodeName(root + "/slow");
    held->set(true);
    TFolderTreeModel model;
    model.SetListingHook([held](const QByteArray &Folder) { held->hold(Folder); });
    const auto release = qScopeGuard([&] { held->set(true); });
    QVERIFY(model.SetChecked(root + "/slow", true));
    held->set(false);
    QVERIFY(!model.SetChecked(root + "/slow/a/x", false));
    QVERIFY(!held->heldTheWindow());
    QCOMPARE(model.CheckedFolders(), QStringList{root + "/slow"});
    held->set(true);
    QVERIFY(model.SetChecked(root + "/slow/a/x", false));
    QCOMPARE(model.CheckedFolders(), QStringList({root + "/slow/a/y", root + "/slow/b"}));
  }

  void networkLocationsNeedTheTool() {
    TestDir noTools;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(noTools.path()));
    dialogs().setNextAnswer(QMessageBox::Ok);
    w().lblMapDriveMountClick();
    qputenv("PATH", path);
    QCOMPARE(dialogs().requests().back().text, w().LangList->GetText(223));
    if (!platform::NetworkMountsAvailable())
      QSKIP("gio is not installed here");
    dialogs().setNextText(std::nullopt); // the address dialog cancelled
    w().lblMapDriveMountClick();
    QCOMPARE(dialogs().requests().back().kind, QString("text"));
    QCOMPARE(dialogs().requests().back().caption, w().LangList->GetText(221));
  }

  // Answers the address dialog with Address and the login dialog with User and Password, after
  // checking what the dialog shows.
  void answerLogin(const QString &Address, const QString &User, const QString &Password) {
    dialogs().setNextText(Address);
    dialogs().setNextDialog([=](QDialog &Dialog) {
      auto &form = static_cast<TfrmNetworkLogin &>(Dialog);
      [&] {
        QCOMPARE(form.windowTitle(), Address);
        QVERIFY(form.lblMessage->text().startsWith(TMountStandIn::Message));
        for (QLineEdit *edit : {form.edtUser, form.edtDomain, form.edtPassword})
          QVERIFY(edit->isVisibleTo(&form));
        QCOMPARE(form.edtUser->text(), QString("guest"));
        QCOMPARE(form.edtPassword->echoMode(), QLineEdit::Password);
      }();
      form.edtUser->setText(User);
      form.edtPassword->setText(Password);
      find<QPushButton>(&form, "btnOk")->click();
      return int(form.result());
    });
  }

  void aNetworkLoginIsAskedForAndPassedOnButNeverKept() {
    TMountStandIn tool;
    const QString address = "smb://host/share";
    const QString password = QString::fromUtf8(TMountStandIn::Password);
    const auto login = [&](const QString &User, const QString &Password) {
      answerLogin(address, User, Password);
    };
    // A wrong password: the tool's own message, never the password.
    login(TMountStandIn::User, "not it");
    dialogs().setNextAnswer(QMessageBox::Ok);
    w().lblMapDriveMountClick();
    QCOMPARE(dialogs().requests().back().text, text(224) + "\ngio: " + address + ": Login failed");
    QVERIFY(!tool.Mounted());
    // Cancel: no message, and the tool is gone.
    dialogs().setNextText(address);
    dialogs().setNextDialog([](QDialog &) { return int(QDialog::Rejected); });
    const auto asked = dialogs().requests().size();
    w().lblMapDriveMountClick();
    QCOMPARE(dialogs().requests().size(), asked + 2); // the address and the login, nothing after
    QVERIFY(!tool.Mounted());
    QVERIFY(!tool.Running());
    // The right login mounts, the domain left to the tool's default.
    login(TMountStandIn::User, password);
    w().lblMapDriveMountClick();
    QVERIFY(tool.Mounted());
    QCOMPARE(dialogs().requests().back().kind, QString("dialog"));
    QCOMPARE(tool.Arguments(), QStringList({"mount", address}));
    // Nothing the program keeps (settings, caches, temporary files) holds the password.
    QDirIterator files(testenv::IsolatedRoot(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
      const QString file = files.next();
      if (!file.startsWith(tool.Folder() + "/"))
        QVERIFY2(!testenv::ReadFile(file).contains(password.toUtf8()), qPrintable(file));
    }
  }

  void aQuestionOfTheMountToolOffersItsAnswers() {
    TMountStandIn tool(TMountStandIn::TMode::Question);
    const QString address = "smb://host/share";
    // The second answer: the tool gives up, and says so.
    dialogs().setNextText(address);
    dialogs().setNextText(QString("Cancel"));
    dialogs().setNextAnswer(QMessageBox::Ok);
    w().lblMapDriveMountClick();
    const auto &asked = dialogs().requests().at(dialogs().requests().size() - 2);
    QCOMPARE(asked.kind, QString("item"));
    QCOMPARE(asked.caption, address);
    QCOMPARE(asked.text, QString(TMountStandIn::Doubt));
    QCOMPARE(dialogs().requests().back().text, text(224) + "\n");
    QVERIFY(!tool.Mounted());
    // The first goes on to the login.
    answerLogin(address, TMountStandIn::User, QString::fromUtf8(TMountStandIn::Password));
    dialogs().setNextText(QString("Log In Anyway"));
    w().lblMapDriveMountClick();
    QVERIFY(tool.Mounted());
  }

  void mountListKeepsNetworkLocationsOnly() {
    const QString output = "Drive(0): disk\n"
                           "  Type: GProxyDrive\n"
                           "Volume(0): share on host\n"
                           "Mount(0): share on host -> smb://host/share/\n"
                           "  Type: GDaemonMount\n"
                           "Mount(1): Data -> file:///media/user/Data\n"
                           "Mount(2): files on box -> sftp://user@box/home/\n"
                           "Mount(3): share on host -> smb://host/share/\n";
    QCOMPARE(platform::ParseMountList(output), QStringList({"smb://host/share/", "sftp://user@box/home/"}));
    QVERIFY(platform::ParseMountList(QString()).isEmpty());
    QVERIFY(!platform::MountNetworkLocation("not an address").Ok);
  }
};

PAIRHOUND_QTEST_MAIN(DataModuleTest)
#include "DataModuleTest.moc"
