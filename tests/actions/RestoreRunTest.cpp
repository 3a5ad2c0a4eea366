// Restores on real files, from a store made as the Move action makes it.

#include "actions/RestoreRun.h"
#include "platform/Names.h"
#include "tests/actions/ActionFixture.h"
#include "tests/actions/Environments.h"
#include "tests/support/Racer.h"

#include <QScopeGuard>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using actionenv::TOtherFileSystem;

class RestoreFixture : public ActionFixture {
protected:
  TRestoreOptions options;
  qint64 restoredBytes = 0;
  qint64 restoredFiles = 0;

  QList<TStoreEntry> walk(const QString &Store) {
    QList<TStoreEntry> entries;
    WalkStore(Store, [&](const TStoreEntry &E) { entries.append(E); });
    return entries;
  }

  // Every file of the store as a run list, in the order of the walk.
  QList<TRestoreItem> itemsOf(const QString &Store) {
    QList<TRestoreItem> items;
    for (const TStoreEntry &e : walk(Store))
      if (e.IsFile)
        items.append({e.StorePath, RestoreOriginalPath(Store, e.StorePath, true), e.Size, e.Folders, e.Id});
    return items;
  }
  // The listed file at StorePath of the store Store.
  TRestoreItem listed(const QString &StorePath, const QString &Store = {}) {
    for (const TRestoreItem &item : itemsOf(Store.isEmpty() ? store() : Store))
      if (item.StorePath == StorePath)
        return item;
    ADD_FAILURE() << "not listed: " << StorePath.toStdString();
    return {};
  }

  // A whole restore run over Items; returns "stop" when Stop ended it.
  std::string restore(const QList<TRestoreItem> &Items) {
    TRestoreRun r{Items, options, sink, bar, log};
    r.FileWait = std::chrono::milliseconds(0);
    PrepareRestoreBar(bar, int(Items.size()));
    std::string ended;
    try {
      RestoreLoop(r);
    } catch (const EMyStop &) {
      ended = "stop";
    }
    restoredBytes = r.Total;
    restoredFiles = r.Restored;
    return ended;
  }
  std::string restoreAll(const QString &Store) { return restore(itemsOf(Store)); }

  // The store, or a folder on another file system of Size bytes ("" when there is none).
  QString storeOn(bool OtherFileSystem, qint64 Size) {
    if (!OtherFileSystem)
      return store();
    other = std::make_unique<TOtherFileSystem>(Size);
    return other->IsValid() ? other->Path() : QString();
  }
  std::unique_ptr<TOtherFileSystem> other;

  // A file stored as if the Move action had put it there, and the place it came from.
  QString storeFile(const QString &Relative, const QByteArray &Contents) {
    const QString place = source(Relative);
    dir.createFile("store" + place, Contents);
    return place;
  }
};

// Moving a tree into a store and restoring every file gives the tree back as it was.
class RoundTrip : public RestoreFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(RoundTrip, GivesBackEveryByteTimeAndPermission) {
  const QString storeFolder = storeOn(GetParam(), 64 << 20);
  if (storeFolder.isEmpty())
    GTEST_SKIP() << other->Reason().toStdString();
  struct {
    QString relative;
    qint64 size;
    mode_t mode;
  } files[] = {{"a/b/c/deep.bin", 1 << 20, 0640}, {"a/empty", 0, 0600},
               {"a/read only.txt", 17, 0444},     {"run.sh", 4096, 0755},
               {"a/b/naïve – ü.txt", 3000, 0644}, {".hidden/x", 5, 0644}};
  QMap<QString, TFileState> before;
  qint64 bytes = 0;
  quint32 seed = 1;
  for (const auto &f : files) {
    const QString path = dir.createFileOfSize("src/" + f.relative, f.size, seed++);
    ASSERT_TRUE(Chmod(path, f.mode));
    const QDateTime when = QDateTime::fromSecsSinceEpoch(1000000000 + seed * 1000);
    ASSERT_TRUE(TestDir::setTimes(path, when, when));
    addPath(path);
    before[path] = StateOf(path);
    bytes += f.size;
  }
  ASSERT_EQ(run(TAction::Move, storeFolder + '/'), "");
  for (auto it = before.cbegin(); it != before.cend(); ++it)
    ASSERT_FALSE(QFileInfo::exists(it.key()));
  EXPECT_EQ(restoreAll(storeFolder), "");
  for (auto it = before.cbegin(); it != before.cend(); ++it)
    EXPECT_EQ(StateOf(it.key()), it.value()) << it.key().toStdString();
  EXPECT_EQ(oks(), std::string(std::size(files), '+'));
  for (const auto &line : log.Lines)
    EXPECT_TRUE(line.Text.endsWith(" - ok") && before.contains(line.Text.chopped(5)))
        << line.Text.toStdString();
  EXPECT_EQ(restoredBytes, bytes);
  EXPECT_EQ(restoredFiles, qint64(std::size(files)));
  // The files left the store; the folders the run emptied stay, and no temporary file is left anywhere.
  EXPECT_TRUE(filesBelow(storeFolder).isEmpty());
  EXPECT_EQ(filesBelow(dir.filePath("src")).size(), qsizetype(std::size(files)));
  EXPECT_EQ(bar.Max(), qsizetype(std::size(files)));
  EXPECT_EQ(bar.Position(), bar.Max());
}

INSTANTIATE_TEST_SUITE_P(Restore, RoundTrip, ::testing::Bool(), [](const auto &Info) {
  return Info.param ? "AcrossFileSystems" : "OnOneFileSystem";
});

using RestoreWalk = RestoreFixture;

// Names that are not UTF-8 were once left out of the list; now they are listed and go back under
// their own bytes.
TEST_F(RestoreWalk, NeverListsOrFollowsLinksOrPipesButListsNamesThatAreNotText) {
  const QString outsideFile = dir.createFile("outside/secret.txt", "outside");
  dir.createFile("outside/folder/inner.txt", "inner");
  const QString inStore = dir.filePath("store" + source(QString()));
  const QString kept = storeFile("real.txt", "real");
  ASSERT_TRUE(QFile::link(outsideFile, inStore + "link.txt"));
  ASSERT_TRUE(QFile::link(dir.filePath("outside/folder"), inStore + "linkdir"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(inStore + "pipe").constData(), 0644), 0);
  // A name that is no UTF-8 text.
  const QByteArray badName = QFile::encodeName(inStore) + "bad\xff.txt";
  const int bad = ::open(badName.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
  ASSERT_GE(bad, 0);
  ::close(bad);
  // The temporary folder's clean-up cannot name it.
  const auto removeBad = qScopeGuard([&] { ::unlink(badName.constData()); });
  const QList<TRestoreItem> listed = itemsOf(store());
  ASSERT_EQ(listed.size(), 2);
  QStringList paths{listed[0].StorePath, listed[1].StorePath};
  QStringList expected{stored(kept), platform::DecodeName(badName)};
  paths.sort();
  expected.sort();
  EXPECT_EQ(paths, expected);
  EXPECT_EQ(restore(listed), "");
  EXPECT_EQ(testenv::ReadFile(kept), "real");
  EXPECT_EQ(testenv::ReadRaw(platform::EncodeName(source(QString())) + "bad\xff.txt"), "");
  EXPECT_NE(::access(badName.constData(), F_OK), 0);
  EXPECT_EQ(testenv::ReadFile(outsideFile), "outside");
  EXPECT_EQ(testenv::ReadFile(dir.filePath("outside/folder/inner.txt")), "inner");
  EXPECT_FALSE(QFileInfo::exists(source("link.txt")));
  EXPECT_FALSE(QFileInfo::exists(source("linkdir")));
  EXPECT_TRUE(QFileInfo(inStore + "link.txt").isSymLink());
  // A stored entry that became a link after the list was loaded is not moved either.
  const QString swapped = storeFile("swapped.txt", "x");
  const QString storedPath = stored(swapped);
  const QList<TRestoreItem> items = itemsOf(store());
  ASSERT_TRUE(QFile::remove(storedPath));
  ASSERT_TRUE(QFile::link(outsideFile, storedPath));
  restore(items);
  EXPECT_FALSE(QFileInfo::exists(swapped));
  EXPECT_EQ(testenv::ReadFile(outsideFile), "outside");
}

// A folder of the store swapped after the listing, for a link to a folder outside or for another
// folder of the same name (holding another name of the very file stored), and so the store folder
// itself (another folder holding the same folders below): nothing is moved through it, and the line
// says why.
TEST_F(RestoreWalk, AStoreFolderSwappedAfterTheListingMovesNothing) {
  enum { Link, Another, TheStoreItself };
  for (const int swap : {Link, Another, TheStoreItself}) {
    const QString place = storeFile("sub/f.txt", "stored");
    const QString folder = swap == TheStoreItself ? store() : QFileInfo(stored(place)).absolutePath();
    const QString moved = dir.filePath("moved");
    const QList<TRestoreItem> items = itemsOf(store());
    ASSERT_EQ(items.size(), 1);
    const QString outside = dir.createFile("outside/f.txt", "outside");
    ASSERT_EQ(::rename(QFile::encodeName(folder).constData(), QFile::encodeName(moved).constData()), 0);
    const QString movedFile = swap == TheStoreItself ? stored(place) : moved + "/f.txt";
    if (swap == Link) {
      ASSERT_TRUE(QFile::link(QFileInfo(outside).absolutePath(), folder));
    } else if (swap == TheStoreItself) {
      const QString top = place.section('/', 1, 1);
      ASSERT_TRUE(QDir().mkdir(store()) && QDir().rename(moved + "/" + top, store() + "/" + top));
    } else {
      ASSERT_TRUE(QDir().mkpath(QFileInfo(stored(place)).absolutePath()));
      ASSERT_EQ(
          ::link(QFile::encodeName(movedFile).constData(), QFile::encodeName(stored(place)).constData()), 0);
    }
    restore(items);
    EXPECT_EQ(log.Lines, QList<TActionLogLines::TLine>{leftAlone(place, "20133")}) << swap;
    EXPECT_FALSE(QFileInfo::exists(place));
    EXPECT_EQ(testenv::ReadFile(outside), "outside");
    EXPECT_EQ(testenv::ReadFile(movedFile), "stored");
    ASSERT_TRUE(QFile::remove(folder) || QDir(folder).removeRecursively());
    ASSERT_TRUE(QDir(moved).removeRecursively());
  }
}

TEST_F(RestoreWalk, CountsFilesBeyondFourGibibytesInFull) {
  const QString place = storeFile("huge.bin", {});
  const QString inStore = stored(place);
  const qint64 size = (qint64(5) << 30) + 7;
  if (::truncate(QFile::encodeName(inStore).constData(), size) != 0)
    GTEST_SKIP() << "the temporary folder holds no sparse file of 5 GiB";
  storeFile("small.bin", "12345");
  const QList<TRestoreItem> items = itemsOf(store());
  ASSERT_EQ(items.size(), 2);
  EXPECT_EQ(items[0].Size + items[1].Size, size + 5);
  EXPECT_EQ(restore(items), "");
  EXPECT_EQ(restoredBytes, size + 5);
  EXPECT_EQ(QFileInfo(place).size(), size);
}

using RestorePlace = RestoreFixture;

TEST_F(RestorePlace, ATakenPlaceOrAMissingFolderIsLeftAloneUnlessItsOptionAllowsIt) {
  const QString taken = storeFile("f.txt", "stored copy");
  dir.createFile("src/f.txt", "the other one");
  const QString deep = storeFile("new/chain/of/folders/f.txt", "stored");
  options.ReplaceExisting = options.CreateFolders = false;
  restoreAll(store()); // the new folder's subtree comes first
  EXPECT_EQ(log.Lines, logged(deep, false) + logged(taken, false));
  EXPECT_EQ(testenv::ReadFile(taken), "the other one");
  EXPECT_FALSE(QFileInfo::exists(source("new")));
  EXPECT_EQ(filesBelow(store()).size(), 2);
  EXPECT_EQ(restoredBytes, 0);
  options.ReplaceExisting = options.CreateFolders = true;
  restoreAll(store());
  EXPECT_EQ(log.Lines, logged(deep, true) + logged(taken, true));
  EXPECT_EQ(testenv::ReadFile(taken), "stored copy");
  EXPECT_EQ(testenv::ReadFile(deep), "stored");
  EXPECT_TRUE(filesBelow(store()).isEmpty());
  EXPECT_EQ(restoredBytes, 11 + 6);
  // The states the list shows for folders (the window test shows the rest).
  storeFile("gone/inside.txt", "stored");
  EXPECT_EQ(RestoreState(source("gone/"), false), TRestoreState::FolderGone);
  EXPECT_EQ(RestoreState(source("new/"), false), TRestoreState::None);
  EXPECT_EQ(RestoreState("/", false), TRestoreState::None);
  // A place taken only after its folder was opened is not replaced without the option either.
  options.ReplaceExisting = false;
  EXPECT_FALSE(RestoreTargetName(taken, options).Folder.IsOpen());
  const QString late = storeFile("late.txt", "stored late");
  const TRestoreTarget opened = RestoreTargetName(late, options);
  ASSERT_TRUE(opened.Folder.IsOpen());
  dir.createFile("src/late.txt", "came first");
  EXPECT_EQ(MoveBack(listed(stored(late)), opened, false), TMoveBack::Failed);
  EXPECT_EQ(testenv::ReadFile(late), "came first");
  EXPECT_EQ(testenv::ReadFile(stored(late)), "stored late");
}

// The place's folder replaced by a link to another folder (of a user who may not see what the link
// leads to): the file is not restored through it, and what lies behind the link stays. Then the same
// with the folder swapped for the link and back again and again while the restore runs.
TEST_F(RestorePlace, AFolderOfThePlaceThatIsALinkLeadsNowhere) {
  const QString place = storeFile("shared/notes.txt", "the other user's");
  const QString hidden = dir.createFile("private/notes.txt", "private");
  dir.createFolder("src");
  ASSERT_TRUE(QFile::link(dir.filePath("private"), source("shared")));
  restoreAll(store());
  EXPECT_EQ(log.Lines, QList<TActionLogLines::TLine>{leftAlone(place, "20134")});
  EXPECT_EQ(testenv::ReadFile(hidden), "private");
  EXPECT_EQ(testenv::ReadFile(stored(place)), "the other user's");

  ASSERT_TRUE(QFile::rename(source("shared"), source("shared-link")));
  const QString real = dir.createFolder("src/shared");
  for (int i = 0; i < 200; ++i) {
    storeFile("shared/notes.txt", "stored " + QByteArray::number(i));
    const QList<TRestoreItem> items = itemsOf(store());
    {
      const TRacer racer(
          [a = QFile::encodeName(real), b = QFile::encodeName(source("shared-link"))] {
            ::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_EXCHANGE);
          },
          std::chrono::microseconds(i % 100));
      restore(items);
    }
    ASSERT_EQ(log.Lines.size(), 1);
    EXPECT_EQ(testenv::ReadFile(hidden), "private") << i;
    // The real folder, under whichever name it has now, holds the file when it was restored.
    const QString folder = QFileInfo(real).isSymLink() ? source("shared-link") : real;
    EXPECT_EQ(testenv::ReadFile(folder + "/notes.txt"),
              log.Lines[0].Ok ? "stored " + QByteArray::number(i) : QByteArray("<missing>"))
        << i;
    QFile::remove(folder + "/notes.txt");
    QDir(store()).removeRecursively();
    if (HasFailure())
      return;
  }
}

TEST_F(RestorePlace, OnlyARegularFileIsEverReplaced) {
  const QString asFolder = storeFile("isfolder", "stored");
  dir.createFile("src/isfolder/inside", "inside");
  const QString asLink = storeFile("islink", "stored");
  const QString target = dir.createFile("elsewhere.txt", "link target");
  ASSERT_TRUE(QFile::link(target, asLink));
  EXPECT_FALSE(RestoreTargetName(asFolder, options).Folder.IsOpen());
  EXPECT_FALSE(RestoreTargetName(asLink, options).Folder.IsOpen());
  EXPECT_EQ(MoveBack(listed(stored(asFolder)), RestoreTargetName(asFolder, options), true),
            TMoveBack::Failed);
  EXPECT_EQ(MoveBack(listed(stored(asLink)), RestoreTargetName(asLink, options), true), TMoveBack::Failed);
  restoreAll(store());
  ASSERT_EQ(oks(), "--");
  EXPECT_EQ(testenv::ReadFile(asFolder + "/inside"), "inside");
  EXPECT_TRUE(QFileInfo(asLink).isSymLink());
  EXPECT_EQ(testenv::ReadFile(target), "link target");
  EXPECT_EQ(filesBelow(store()).size(), 2);
}

// Replacing a file across two file systems: the old file goes only in the step that puts the new
// one in its place.
TEST_F(RestorePlace, ReplacesAcrossFileSystemsKeepingTimesAndPermissions) {
  TOtherFileSystem other(16 << 20);
  if (!other.IsValid())
    GTEST_SKIP() << other.Reason().toStdString();
  const QString place = dir.createFile("src/r.txt", "old contents");
  const QString stored = other.Path() + place;
  ASSERT_TRUE(writeFile(stored, "restored contents"));
  ASSERT_TRUE(Chmod(stored, 0604));
  const QDateTime when = QDateTime::fromSecsSinceEpoch(1200000000);
  ASSERT_TRUE(TestDir::setTimes(stored, when, when));
  const TFileState expected = StateOf(stored);
  EXPECT_EQ(MoveBack(listed(stored, other.Path()), RestoreTargetName(place, options), true), TMoveBack::Done);
  EXPECT_EQ(StateOf(place), expected);
  EXPECT_FALSE(QFileInfo::exists(stored));
  EXPECT_EQ(filesBelow(dir.filePath("src")), QStringList{"r.txt"});
}

// A replacing move that fails leaves both files: the target folder is closed after the list was made.
class FailingReplace : public RestoreFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(FailingReplace, KeepsTheOldFileAndTheStoredFile) {
  RUN_AS_ORDINARY_USER();
  ASSERT_NE(::geteuid(), 0u);
  const QString storeFolder = storeOn(GetParam(), 16 << 20);
  if (storeFolder.isEmpty())
    GTEST_SKIP() << other->Reason().toStdString();
  const QString place = dir.createFile("src/locked/f.txt", "old");
  const QString stored = storeFolder + place;
  ASSERT_TRUE(writeFile(stored, "stored"));
  const QList<TRestoreItem> items = itemsOf(storeFolder);
  ASSERT_EQ(items.size(), 1);
  const QString locked = source("locked");
  // The target's folder closed, then the store's folder the stored file cannot leave: the old file
  // stays, and nothing new appears beside it.
  for (const QString &closed : {locked, QFileInfo(stored).absolutePath()}) {
    ASSERT_TRUE(Chmod(closed, 0555));
    restore(items);
    Chmod(closed, 0755);
    ASSERT_EQ(oks(), "-");
    EXPECT_EQ(testenv::ReadFile(place), "old");
    EXPECT_EQ(testenv::ReadFile(stored), "stored");
    EXPECT_EQ(filesBelow(locked), QStringList{"f.txt"});
  }
}

INSTANTIATE_TEST_SUITE_P(Restore, FailingReplace, ::testing::Bool(), [](const auto &Info) {
  return Info.param ? "AcrossFileSystems" : "OnOneFileSystem";
});

TEST_F(RestorePlace, AStoredFileThatIsGoneOrATargetThatIsNotCleanIsAnError) {
  const QString none = dir.createFile("store/none", "none");
  const TRestoreItem gone = listed(none);
  ASSERT_TRUE(QFile::remove(none));
  EXPECT_EQ(MoveBack(gone, RestoreTargetName(source("none"), options), true), TMoveBack::Failed);
  const QString stored = dir.createFile("store/x/f", "f");
  EXPECT_EQ(MoveBack(listed(stored), RestoreTargetName(QString(), options), true), TMoveBack::Failed);
  EXPECT_EQ(MoveBack(listed(stored), RestoreTargetName(source("../escape"), options), true),
            TMoveBack::Failed);
  EXPECT_FALSE(RestoreTargetName("/a/../b", options).Folder.IsOpen());
  EXPECT_FALSE(RestoreTargetName("relative/f", options).Folder.IsOpen());
  EXPECT_EQ(RestoreOriginalPath(store(), "/elsewhere/a", true), QString());
  EXPECT_EQ(RestoreOriginalPath(store(), store() + "x/a", true), QString());
  EXPECT_EQ(testenv::ReadFile(stored), "f");
}

TEST_F(RestorePlace, StopAfterTheKthFileLeavesTheRestInTheStore) {
  for (int i = 0; i < 6; ++i)
    storeFile(QStringLiteral("f%1.txt").arg(i), QByteArray::number(i));
  const QList<TRestoreItem> items = itemsOf(store());
  ASSERT_EQ(items.size(), 6);
  sink.stopAtCall = 2;
  EXPECT_EQ(restore(items), "stop");
  EXPECT_EQ(restoredFiles, 2);
  EXPECT_EQ(log.Lines.size(), 2);
  EXPECT_FALSE(log.Updating);
  for (qsizetype i = 0; i < items.size(); ++i) {
    EXPECT_EQ(QFileInfo::exists(items[i].OriginalPath), i < 2) << i;
    EXPECT_EQ(QFileInfo::exists(items[i].StorePath), i >= 2) << i;
  }
}

} // namespace
