#include "actions/StoreFolder.h"
#include "tests/actions/Environments.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList Entries(const QString &Folder) {
  return QDir(Folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

TEST(StoreLayout, SourcesThatWouldLeaveTheStoreOrFollowALinkMakeNothing) {
  TestDir dir;
  const QString store = dir.createFolder("deep/store");
  for (const QString &source : QStringList{"/../../escape/f", "/a/../../escape/f", "/a/./f", "/a//f",
                                           "escape/f", "", "/", QString::fromUtf16(u"/a/f\0b", 6)}) {
    QString failed;
    EXPECT_EQ(MakeStorePath(source, store, &failed), QString()) << source.toStdString();
    EXPECT_THROW(MakeStoreTarget(store, source), EStoreFolder) << source.toStdString();
  }
  EXPECT_EQ(Entries(dir.filePath("deep")), QStringList{"store"});
  EXPECT_EQ(Entries(store), QStringList());
  EXPECT_EQ(MakeStorePath("/a/f", "relative/store"), QString());
  EXPECT_FALSE(QFileInfo::exists("relative"));
  // A link inside the store is not followed.
  const QString outside = dir.createFolder("outside");
  ASSERT_TRUE(QFile::link(outside, store + "/a"));
  QString failed;
  EXPECT_EQ(MakeStorePath("/a/b/f", store, &failed), QString());
  EXPECT_EQ(failed, store + "/a/");
  EXPECT_THROW(MakeStoreTarget(store, "/a/b/f"), EStoreFolder);
  EXPECT_EQ(Entries(outside), QStringList());
}

TEST(StoreLayout, ATakenTargetGetsTheFirstFreeNumberedName) {
  TestDir dir;
  const QString store = dir.createFolder("store");
  const QString folder = store + "/src/";
  // Each name, then its numbered names with %1 for the number.
  for (const auto &[name, numbered] : {std::pair<QString, QString>{"a.txt", "a-copy-%1.txt"},
                                       {"README", "README-copy-%1"},
                                       {".hidden", ".hidden-copy-%1"},
                                       {"pack.tar.gz", "pack.tar-copy-%1.gz"}}) {
    EXPECT_EQ(MakeStoreTarget(store, "/src/" + name), folder + name);
    for (const QString &taken : {name, numbered.arg(2)}) {
      dir.createFile("store/src/" + taken, "x");
      EXPECT_EQ(MakeStoreTarget(store, "/src/" + name), folder + numbered.arg(taken == name ? 2 : 3));
    }
  }
  // A dangling link takes its name as much as a file does.
  ASSERT_EQ(::symlink("nowhere", QFile::encodeName(folder + "l").constData()), 0);
  EXPECT_EQ(MakeStoreTarget(store, "/src/l"), folder + "l-copy-2");
}

TEST(FolderChecks, WritableProbeTouchesNoFileOfTheUser) {
  TestDir dir;
  const QString folder = dir.createFolder("store");
  // A file under the probe name an earlier version used, and one under our own prefix.
  dir.createFile("store/65hgrttoojdgw676yuuiu87893.tmp", "user data");
  dir.createFile("store/.pairhound-probe-XXXXXX", "also user data");
  EXPECT_TRUE(IsFolderWritable(folder));
  EXPECT_TRUE(IsFolderWritable(folder + "/  "));
  EXPECT_EQ(testenv::ReadFile(folder + "/65hgrttoojdgw676yuuiu87893.tmp"), "user data");
  EXPECT_EQ(testenv::ReadFile(folder + "/.pairhound-probe-XXXXXX"), "also user data");
  EXPECT_EQ(Entries(folder).size(), 2);
  EXPECT_FALSE(IsFolderWritable(dir.filePath("missing")));
  EXPECT_FALSE(IsFolderWritable(QString()));
}

TEST(FolderChecks, ARestoreFolderHoldsOnlyFoldersNamedLikeRootFolders) {
  TestDir dir;
  const QString folder = dir.createFolder("r");
  dir.createFolder("r/usr");
  dir.createFolder("r/etc");
  EXPECT_TRUE(HoldsOnlyDriveLetters(folder));
  // A folder not named like a root folder, and files, even one named like a root folder.
  for (const QString &name : QStringList{"no-such-root-folder/", "tmp", "readme.txt"}) {
    const QString path =
        name.endsWith('/') ? dir.createFolder("r/" + name) : dir.createFile("r/" + name, "x");
    EXPECT_FALSE(HoldsOnlyDriveLetters(folder)) << name.toStdString();
    QDir().rmdir(path) || QFile::remove(path);
    EXPECT_TRUE(HoldsOnlyDriveLetters(folder)) << name.toStdString();
  }
  // A link named like a root folder is no folder of the store.
  ASSERT_EQ(::symlink("/usr", QFile::encodeName(folder + "/opt").constData()), 0);
  EXPECT_FALSE(HoldsOnlyDriveLetters(folder));
}

TEST(StoreChecks, RunInTheirOrderWithTheirTexts) {
  TestDir dir;
  const QString store = dir.createFolder("store") + '/';
  const auto freeSpace = [](qint64 Bytes) { return [Bytes](const QString &) { return Bytes; }; };
  EXPECT_EQ(CheckStoreFolder(dir.filePath("missing/"), 1, freeSpace(100)).TextId, 2073);
  EXPECT_EQ(CheckStoreFolder("store/", 1, freeSpace(100)).TextId, 2073);
  EXPECT_EQ(CheckStoreFolder(dir.createFile("file", "x"), 1, freeSpace(100)).TextId, 2073);
  EXPECT_EQ(CheckStoreFolder(store, 99, freeSpace(100)).TextId, 0);
  EXPECT_EQ(CheckStoreFolder(store, 100, freeSpace(100)).TextId, 2513);
  // Sizes beyond 32 bits are compared whole.
  EXPECT_EQ(CheckStoreFolder(store, (qint64(1) << 32) + 1, freeSpace(2)).TextId, 2513);
  dir.createFile("store/.hidden", "");
  EXPECT_EQ(CheckStoreFolder(store, 1, freeSpace(100)).TextId, 2514);
}

TEST(StoreChecks, AStoreThatIsNotWritable) {
  RUN_AS_ORDINARY_USER();
  TestDir dir;
  const QString store = dir.createFolder("store");
  ASSERT_EQ(::chmod(QFile::encodeName(store).constData(), 0555), 0);
  EXPECT_FALSE(IsFolderWritable(store));
  EXPECT_EQ(CheckStoreFolder(store + '/', 1, [](const QString &) { return qint64(100); }).TextId, 2512);
  ::chmod(QFile::encodeName(store).constData(), 0755);
}

} // namespace
