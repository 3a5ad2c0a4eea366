// Path helpers, free space, exclusive scratch folders, link-safe deletion and the folder listing.
#include "platform/Folders.h"
#include "platform/Names.h"
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

TEST(PathHelpers, ForceFolderChainMakesEveryLevel) {
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
  // A link given as the tree itself is refused; a missing folder counts as deleted.
  ASSERT_TRUE(QFile::link(outside.filePath("keep"), dir.filePath("link")));
  EXPECT_FALSE(DeleteFolderTree(dir.filePath("link")));
  EXPECT_TRUE(QFileInfo::exists(precious));
  EXPECT_TRUE(DeleteFolderTree(dir.filePath("missing")));
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

TEST(DirReader, ListsKindsAndIdentitiesAndNeverFollowsLinks) {
  TestDir dir;
  const QString a = dir.createFile("a.txt", "12345");
  ASSERT_EQ(::link(Enc(a).constData(), Enc(dir.filePath("hard")).constData()), 0);
  dir.createFolder("sub");
  ASSERT_TRUE(QFile::link(a, dir.filePath("file-link")));
  ASSERT_TRUE(QFile::link(dir.filePath("sub"), dir.filePath("folder-link")));
  ASSERT_EQ(::mkfifo(Enc(dir.filePath("fifo")).constData(), 0600), 0);
  QList<TDirEntry> entries;
  EXPECT_EQ(ListNames(dir.path(), &entries),
            (QList<QByteArray>{".", "..", "a.txt", "fifo", "file-link", "folder-link", "hard", "sub"}));
  // "." and ".." first, whatever order the file system keeps.
  EXPECT_EQ(entries.at(0).m_name, ".");
  EXPECT_EQ(entries.at(1).m_name, "..");
  TFileIdSet ids;
  for (const TDirEntry &e : entries) {
    const auto kind = e.m_name == "a.txt" || e.m_name == "hard"       ? TDirEntry::EKind::File
                      : e.m_name == "sub" || e.m_name.startsWith('.') ? TDirEntry::EKind::Folder
                                                                      : TDirEntry::EKind::Other;
    EXPECT_EQ(e.m_kind, kind) << e.m_name.constData();
    if (kind == TDirEntry::EKind::File) {
      EXPECT_EQ(e.m_size, 5);
      ids.insert(e.m_id); // hard links share their identity
    }
  }
  EXPECT_EQ(ids.size(), 1u);
  // A link to a folder is never opened as a folder, also not with a trailing "/" (which would make
  // the system follow it).
  for (const char *path : {"folder-link", "folder-link/", "folder-link//", "missing"})
    EXPECT_FALSE(TDirReader(Enc(dir.filePath(path))).IsOpen()) << path;
  EXPECT_TRUE(TDirReader(Enc(dir.filePath("sub/"))).IsOpen());
  EXPECT_TRUE(TDirReader("/").IsOpen());
}

TEST(CanonicalFolders, LinksAndDotsResolveToOneText) {
  TestDir dir;
  dir.createFolder("real/inner");
  ASSERT_TRUE(QFile::link(dir.filePath("real"), dir.filePath("link")));
  ASSERT_TRUE(QFile::link(dir.filePath("real/inner"), dir.filePath("deep-link")));
  const QByteArray real = CanonicalFolder(Enc(dir.filePath("real")));
  ASSERT_TRUE(real.endsWith("/real/"));
  EXPECT_EQ(CanonicalFolder(Enc(dir.filePath("link"))), real);
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

// Only the leading parts are resolved: a link in the last place stays, for the walk never to follow.
TEST(CanonicalFolders, LinkFreeFoldersResolveTheWayButNotTheLastPart) {
  TestDir dir;
  dir.createFolder("real/inner");
  ASSERT_TRUE(QFile::link(dir.filePath("real"), dir.filePath("link")));
  const QByteArray real = CanonicalFolder(Enc(dir.filePath("real")));
  const QByteArray top = CanonicalFolder(Enc(dir.path()));
  for (const QString &way : {dir.filePath("link/inner"), dir.filePath("link/inner/"),
                             dir.filePath("real/../link//inner"), dir.filePath("link/inner/.")})
    EXPECT_EQ(LinkFreeFolder(way), real + "inner/") << way.toStdString();
  EXPECT_EQ(LinkFreeFolder(dir.filePath("link")), top + "link/");
  EXPECT_EQ(LinkFreeFolder(dir.filePath("link/inner/..")), real);
  // A last part that does not exist is kept too; the way to it must.
  EXPECT_EQ(LinkFreeFolder(dir.filePath("link/missing ")), real + "missing /");
  EXPECT_TRUE(LinkFreeFolder(dir.filePath("missing/inner")).isEmpty());
  EXPECT_EQ(LinkFreeFolder("/"), "/");
  EXPECT_EQ(LinkFreeFolder("//"), "/");
  EXPECT_TRUE(LinkFreeFolder("relative/inner").isEmpty());
  EXPECT_TRUE(LinkFreeFolder({}).isEmpty());
}

// Every name is text now: bytes that are not UTF-8 come back as the same bytes, and show escaped.
TEST(NameTexts, EveryNameComesBackAsTheSameBytesAndShowsItsOddBytesEscaped) {
  // The replacement character itself and a four-byte character are valid names.
  for (const QByteArray &good : {QByteArray("plain name.txt"), QByteArray("caf\xC3\xA9"),
                                 QByteArray("\xEF\xBF\xBD"), QByteArray("\xF0\x9F\x98\x80")}) {
    EXPECT_EQ(platform::DecodeName(good), QString::fromUtf8(good));
    EXPECT_EQ(platform::EncodeName(platform::DecodeName(good)), good);
    EXPECT_EQ(platform::ShownName(platform::DecodeName(good)), QString::fromUtf8(good));
  }
  // Overlong forms, encoded surrogates, code points past U+10FFFF and cut sequences are bytes.
  const struct {
    QByteArray name;
    const char *escaped;
  } bad[] = {{"caf\xE9.txt", "caf\\xE9.txt"},
             {"\xFF\xFE", "\\xFF\\xFE"},
             {"\xC0\xAF", "\\xC0\\xAF"},
             {"\xED\xA0\x80", "\\xED\\xA0\\x80"},
             {"\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},
             {"a\xE2\x82", "a\\xE2\\x82"}};
  for (const auto &b : bad) {
    const QString text = platform::DecodeName(b.name);
    EXPECT_EQ(platform::EncodeName(text), b.name) << b.escaped;
    EXPECT_EQ(platform::ShownName(text), b.escaped);
  }
  // Control characters cannot break a message's lines.
  EXPECT_EQ(platform::ShownName("a\nb\x7F"), "a\\x0Ab\\x7F");
  // Each pair is two different names; each shows as itself with every backslash doubled.
  const struct {
    QByteArray name, shown, other, otherShown;
  } pairs[] = {{"caf\xE9.txt", "caf\\xE9.txt", "caf\\xE9.txt", "caf\\\\xE9.txt"},
               {"a\nb", "a\\x0Ab", "a\\x0Ab", "a\\\\x0Ab"},
               {"a\xE2\x80\xA8"
                "b",
                "a\\u2028b", "a\\u2028b", "a\\\\u2028b"},
               {"\\", "\\\\", "\\\\", "\\\\\\\\"},
               // A C1 control is a character, the byte 0x85 alone is not UTF-8.
               {"\xC2\x85", "\\u0085", "\x85", "\\x85"}};
  for (const auto &p : pairs) {
    EXPECT_EQ(platform::ShownName(platform::DecodeName(p.name)), QString::fromUtf8(p.shown));
    EXPECT_EQ(platform::ShownName(platform::DecodeName(p.other)), QString::fromUtf8(p.otherShown));
  }
}
