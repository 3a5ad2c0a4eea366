// Path helpers, free space, exclusive scratch folders, link-safe deletion and the folder listing.
#include "platform/Folders.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Enc(const QString &p) {
  return QFile::encodeName(p);
}

QList<QByteArray> ListNames(const QString &path, QList<TDirEntry> *all = nullptr) {
  TDirReader reader(Enc(path));
  QList<QByteArray> names;
  TDirEntry e;
  while (reader.Next(e)) {
    names << e.m_name;
    if (all)
      *all << e;
  }
  std::sort(names.begin(), names.end());
  return names;
}

} // namespace

TEST(PathHelpers, ForceFolderChainMakesEveryLevelAndFreeSpaceIsMeasured) {
  TestDir dir;
  const QString deep = dir.filePath("a/b/c");
  EXPECT_TRUE(ForceFolderChain(deep));
  EXPECT_TRUE(QFileInfo(deep).isDir());
  EXPECT_TRUE(ForceFolderChain(deep + "/")); // already there
  // A file in the way cannot become a folder.
  dir.createFile("f", "x");
  EXPECT_FALSE(ForceFolderChain(dir.filePath("f/g")));
  // Only blanks and control characters are trimmed; a no-break space belongs to the name.
  const QString nbsp = dir.filePath("n") + QChar(0x00A0);
  EXPECT_TRUE(ForceFolderChain(" \t" + nbsp + "\n"));
  EXPECT_TRUE(QFileInfo(nbsp).isDir());
  EXPECT_FALSE(QFileInfo::exists(dir.filePath("n")));
  const int64_t here = FreeSpace(dir.path());
  EXPECT_GT(here, 0);
  // A folder still to be made is measured on its nearest existing parent.
  EXPECT_GT(FreeSpace(dir.filePath("not/yet/made")), 0);
}

TEST(ScratchFolders, CreatedExclusivelyWithOwnerOnlyMode) {
  TestDir dir;
  const QString p = dir.filePath("s1");
  ASSERT_EQ(CreateFolderExclusive(p), 0);
  struct stat st;
  ASSERT_EQ(::stat(Enc(p).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(CreateFolderExclusive(p), EEXIST);
  dir.createFile("file", "x");
  EXPECT_EQ(CreateFolderExclusive(dir.filePath("file")), EEXIST);
  ASSERT_EQ(::symlink("/nonexistent-target", Enc(dir.filePath("dangling")).constData()), 0);
  EXPECT_EQ(CreateFolderExclusive(dir.filePath("dangling")), EEXIST);
}

TEST(ScratchFolders, DeleteNeverFollowsLinks) {
  TestDir outside;
  const QString precious = outside.createFile("keep/precious.txt", "data");
  TestDir dir;
  const QString scratch = dir.filePath("scratch");
  ASSERT_EQ(CreateFolderExclusive(scratch), 0);
  QDir().mkpath(scratch + "/sub/deeper");
  QFile::setPermissions(scratch + "/sub/deeper", QFileDevice::ReadOwner); // not writable, not searchable
  ASSERT_TRUE(QFile::link(outside.filePath("keep"), scratch + "/sub/link-to-folder"));
  ASSERT_TRUE(QFile::link(precious, scratch + "/link-to-file"));
  QFile::setPermissions(dir.createFile("scratch/readonly.txt", "r"), QFileDevice::ReadOwner);

  EXPECT_TRUE(DeleteFolderTree(scratch + "/"));
  EXPECT_FALSE(QFileInfo::exists(scratch));
  EXPECT_TRUE(QFileInfo::exists(precious));
  EXPECT_TRUE(QFileInfo(outside.filePath("keep")).isDir());
}

TEST(ScratchFolders, DeepTreesAreDeletedWithFewDescriptors) {
  TestDir dir;
  const QString scratch = dir.filePath("scratch");
  ASSERT_EQ(CreateFolderExclusive(scratch), 0);
  // Far deeper than the descriptors the process may hold below, each level with a file.
  QString level = "scratch";
  for (int i = 0; i < 300; ++i, level += "/d")
    ASSERT_FALSE(dir.createFile(level + (i % 2 ? "/f" : "/g"), {}).isEmpty()) << i;
  ASSERT_TRUE(QDir().mkpath(dir.filePath(level)));
  for (int i = 0; i < 200; ++i)
    ASSERT_TRUE(QDir().mkpath(scratch + "/wide/" + QString::number(i)));
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit few = saved;
  few.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
  const bool deleted = DeleteFolderTree(scratch);
  ::setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_TRUE(deleted);
  EXPECT_FALSE(QFileInfo::exists(scratch));
}

TEST(ScratchFolders, LargeTreesTickAsTheyAreDeleted) {
  TestDir dir;
  const QString scratch = dir.filePath("scratch");
  ASSERT_EQ(CreateFolderExclusive(scratch), 0);
  // Three folders of 1,000 files each: 3,003 entries below the scratch folder.
  for (int f = 0; f < 3; ++f) {
    const QString folder = scratch + "/" + QString::number(f);
    ASSERT_TRUE(QDir().mkpath(folder));
    for (int i = 0; i < 1000; ++i)
      ASSERT_TRUE(QFile(folder + "/" + QString::number(i)).open(QIODevice::WriteOnly));
  }
  int ticks = 0;
  EXPECT_TRUE(DeleteFolderTree(scratch, [&] { ++ticks; }));
  EXPECT_EQ(ticks, 3003 / FolderTreeTickEntries);
  EXPECT_FALSE(QFileInfo::exists(scratch));
  {
    TestDir outside;
    const QString precious = outside.createFile("precious.txt", "data");
    TestDir dir;
    ASSERT_TRUE(QFile::link(outside.path(), dir.filePath("link")));
    EXPECT_FALSE(DeleteFolderTree(dir.filePath("link")));
    EXPECT_TRUE(QFileInfo::exists(precious));
    // A missing folder counts as deleted.
    EXPECT_TRUE(DeleteFolderTree(dir.filePath("missing")));
  }
}

TEST(DirReader, ListsKindsAndIdentitiesAndNeverFollowsLinks) {
  TestDir dir;
  dir.createFile("a.txt", "12345");
  dir.createFolder("sub");
  ASSERT_TRUE(QFile::link(dir.filePath("a.txt"), dir.filePath("file-link")));
  ASSERT_TRUE(QFile::link(dir.filePath("sub"), dir.filePath("folder-link")));
  ASSERT_EQ(::mkfifo(Enc(dir.filePath("fifo")).constData(), 0600), 0);

  QList<TDirEntry> entries;
  const QList<QByteArray> names = ListNames(dir.path(), &entries);
  EXPECT_EQ(names, (QList<QByteArray>{".", "..", "a.txt", "fifo", "file-link", "folder-link", "sub"}));
  // "." and ".." first, whatever order the file system keeps.
  EXPECT_EQ(entries.at(0).m_name, ".");
  EXPECT_EQ(entries.at(1).m_name, "..");
  for (const TDirEntry &e : entries) {
    if (e.m_name == "a.txt") {
      EXPECT_EQ(e.m_kind, TDirEntry::EKind::File);
      EXPECT_EQ(e.m_size, 5);
      EXPECT_NE(e.m_id.m_inode, 0u);
    } else if (e.m_name == "sub" || e.m_name == "." || e.m_name == "..") {
      EXPECT_EQ(e.m_kind, TDirEntry::EKind::Folder);
    } else {
      EXPECT_EQ(e.m_kind, TDirEntry::EKind::Other) << e.m_name.constData();
    }
  }
  // A link to a folder is never opened as a folder, also not with a trailing "/" (which would make
  // the system follow it).
  EXPECT_FALSE(TDirReader(Enc(dir.filePath("folder-link"))).IsOpen());
  EXPECT_FALSE(TDirReader(Enc(dir.filePath("folder-link/"))).IsOpen());
  EXPECT_FALSE(TDirReader(Enc(dir.filePath("folder-link//"))).IsOpen());
  EXPECT_TRUE(TDirReader(Enc(dir.filePath("sub/"))).IsOpen());
  EXPECT_TRUE(TDirReader("/").IsOpen());
  EXPECT_FALSE(TDirReader(Enc(dir.filePath("missing"))).IsOpen());
  // Hard links share their identity.
  {
    TestDir other;
    const QString a = other.createFile("a", "x");
    ASSERT_EQ(::link(Enc(a).constData(), Enc(other.filePath("b")).constData()), 0);
    QList<TDirEntry> entries;
    ListNames(other.path(), &entries);
    TFileIdSet ids;
    int files = 0;
    for (const TDirEntry &e : entries)
      if (e.m_kind == TDirEntry::EKind::File) {
        ++files;
        ids.insert(e.m_id);
      }
    EXPECT_EQ(files, 2);
    EXPECT_EQ(ids.size(), 1u);
  }
}

TEST(CanonicalFolders, LinksAndDotsResolveToOneText) {
  TestDir dir;
  dir.createFolder("real/inner");
  ASSERT_TRUE(QFile::link(dir.filePath("real"), dir.filePath("link")));
  ASSERT_TRUE(QFile::link(dir.filePath("real/inner"), dir.filePath("deep-link")));
  const QByteArray real = CanonicalFolder(Enc(dir.filePath("real")));
  ASSERT_TRUE(real.endsWith("/real/"));
  EXPECT_EQ(CanonicalFolder(Enc(dir.filePath("link"))), real);
  EXPECT_EQ(CanonicalFolder(Enc(dir.filePath("link/"))), real);
  EXPECT_EQ(CanonicalFolder(Enc(dir.filePath("real/inner/.."))), real);
  EXPECT_EQ(CanonicalFolder(Enc(dir.filePath("deep-link"))), real + "inner/");
  EXPECT_EQ(CanonicalFolder("/"), "/");
  // Only folders have one.
  EXPECT_TRUE(CanonicalFolder(Enc(dir.createFile("file.txt", "f"))).isEmpty());
  EXPECT_TRUE(CanonicalFolder(Enc(dir.filePath("missing"))).isEmpty());
  EXPECT_TRUE(CanonicalFolder({}).isEmpty());

  EXPECT_TRUE(FolderInside(real + "inner/", real));
  EXPECT_TRUE(FolderInside(real, real));
  EXPECT_FALSE(FolderInside(real.chopped(1) + "2/", real)); // "real2" is not inside "real"
  EXPECT_FALSE(FolderInside(real, real + "inner/"));
  EXPECT_FALSE(FolderInside(real, {}));
}

TEST(NameTexts, OnlyNamesThatComeBackAsTheSameBytesAreTextAndEscapingShowsTheRest) {
  EXPECT_EQ(NameText("plain name.txt"), "plain name.txt");
  EXPECT_EQ(NameText("caf\xC3\xA9"), QString::fromUtf8("caf\xC3\xA9"));
  // The replacement character itself is a valid name.
  EXPECT_EQ(NameText("\xEF\xBF\xBD"), QString(QChar::ReplacementCharacter));
  for (const QByteArray &bad : {QByteArray("caf\xE9"), QByteArray("\xFF"), QByteArray("\xC0\xAF"),
                                QByteArray("\xED\xA0\x80"), QByteArray("a\xE2\x82")})
    EXPECT_TRUE(NameText(bad).isEmpty()) << bad.toHex().constData();
  EXPECT_EQ(EscapedName("plain"), "plain");
  EXPECT_EQ(EscapedName("caf\xC3\xA9"), QString::fromUtf8("caf\xC3\xA9"));
  EXPECT_EQ(EscapedName("caf\xE9.txt"), "caf\\xE9.txt");
  EXPECT_EQ(EscapedName("\xFF\xFE"), "\\xFF\\xFE");
  // Overlong forms, encoded surrogates, code points past U+10FFFF and cut sequences are bytes.
  EXPECT_EQ(EscapedName("\xC0\xAF"), "\\xC0\\xAF");
  EXPECT_EQ(EscapedName("\xED\xA0\x80"), "\\xED\\xA0\\x80");
  EXPECT_EQ(EscapedName("\xF4\x90\x80\x80"), "\\xF4\\x90\\x80\\x80");
  EXPECT_EQ(EscapedName("a\xE2\x82"), "a\\xE2\\x82");
  // A four-byte character stays one character; control characters cannot break a message's lines.
  EXPECT_EQ(EscapedName("\xF0\x9F\x98\x80"), QString::fromUtf8("\xF0\x9F\x98\x80"));
  EXPECT_EQ(EscapedName("a\nb\x7F"), "a\\x0Ab\\x7F");
}
