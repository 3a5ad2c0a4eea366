// The trash: every file that counts as trashed stands in a trash folder beside a record that reads back
// (through GLib's own decoding) to the file's own path; every other outcome is an error that leaves the
// file in its place and nothing outside a trash folder. Each call runs in a child process with a time
// limit, so a trash that hangs fails the test instead of stalling it.

#pragma push_macro("signals")
#undef signals
#include <glib.h>
#pragma pop_macro("signals")

#include "platform/Trash.h"
#include "tests/actions/ActionFixture.h"
#include "tests/actions/Environments.h"
#include "tests/support/MountOver.h"

#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum class TOutcome { Done, Failed, Hung };

std::ostream &operator<<(std::ostream &Out, TOutcome O) {
  return Out << (O == TOutcome::Done ? "done" : O == TOutcome::Failed ? "failed" : "hung");
}

// Runs Work in a child process; one still running after Seconds is killed and counts as hung.
TOutcome InChild(const std::function<bool()> &Work, int Seconds = 20) {
  const pid_t child = ::fork();
  if (child == 0)
    ::_exit(Work() ? 0 : 1);
  for (int waited = 0; waited < Seconds * 100; ++waited) {
    int status = 0;
    if (::waitpid(child, &status, WNOHANG) == child)
      return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? TOutcome::Done : TOutcome::Failed;
    ::usleep(10000);
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  return TOutcome::Hung;
}

TOutcome Trash(const QString &Path) {
  return InChild([Path] { return platform::MoveToTrash(Path); });
}

ino_t InodeOf(const QString &Path) {
  struct stat st {};
  return ::lstat(QFile::encodeName(Path).constData(), &st) == 0 ? st.st_ino : 0;
}

// What a trash folder holds of one file: its name and inode there and its record's decoded Path and
// date.
struct TTrashed {
  QString Name;
  QString Path;
  bool Dated = false;
  ino_t Inode = 0;
};

// Everything in a trash folder's "files", each with what its record says.
QList<TTrashed> AllInTrash(const QString &Trash) {
  QList<TTrashed> all;
  QDir files(Trash + "/files");
  for (const QString &name :
       files.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
    TTrashed found{name, {}, false, InodeOf(files.filePath(name))};
    QFile info(Trash + "/info/" + name + ".trashinfo");
    for (const QByteArray &line :
         info.open(QIODevice::ReadOnly) ? info.readAll().split('\n') : QByteArrayList()) {
      if (line.startsWith("Path=")) {
        char *path = g_uri_unescape_string(line.mid(5).constData(), nullptr);
        found.Path = path ? QFile::decodeName(path) : QStringLiteral("<undecodable>");
        g_free(path);
      }
      found.Dated |= line.startsWith("DeletionDate=") && line.size() > 13;
    }
    all << found;
  }
  return all;
}

TTrashed FindInTrash(const QString &Trash, ino_t Inode) {
  for (const TTrashed &found : AllInTrash(Trash))
    if (found.Inode == Inode)
      return found;
  return {};
}

QString HomeTrash() {
  return QFile::decodeName(qgetenv("XDG_DATA_HOME")) + "/Trash";
}

// Every entry below Folder (files and folders), relative to it.
QStringList EntriesBelow(const QString &Folder) {
  QStringList out;
  QDirIterator it(Folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                  QDirIterator::Subdirectories);
  while (it.hasNext())
    out << QDir(Folder).relativeFilePath(it.next());
  out.sort();
  return out;
}

// Removes a folder with what is in it (any bytes in the names), or a link in its place.
void RemoveTree(const QString &Path) {
  if (!QFile::remove(Path))
    DeleteFolderTree(Path);
}

class TrashTest : public ActionFixture {
protected:
  // Each case starts from a trash of its own.
  void SetUp() override { RemoveTree(HomeTrash()); }
  // An empty home trash.
  static void freshTrash() {
    RemoveTree(HomeTrash());
    ASSERT_TRUE(QDir().mkpath(HomeTrash() + "/files") && QDir().mkpath(HomeTrash() + "/info"));
  }
  // Trashes the file at Path and expects it in the home trash beside a record naming it.
  void expectTrashed(const QString &Path) {
    const ino_t inode = InodeOf(Path);
    ASSERT_NE(inode, 0u) << Path.toStdString();
    ASSERT_EQ(Trash(Path), TOutcome::Done) << Path.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Path));
    const TTrashed found = FindInTrash(HomeTrash(), inode);
    EXPECT_FALSE(found.Name.isEmpty()) << Path.toStdString();
    EXPECT_EQ(found.Path, Path);
    EXPECT_TRUE(found.Dated);
  }
  // Expects a failed trash that left the file as it was and no record.
  void expectRefused(const QString &Path, const QString &Trash) {
    const QByteArray before = testenv::ReadFile(Path);
    EXPECT_EQ(::Trash(Path), TOutcome::Failed) << Path.toStdString();
    EXPECT_EQ(testenv::ReadFile(Path), before);
    EXPECT_TRUE(QDir(Trash + "/info").entryList(QDir::Files | QDir::Hidden).isEmpty());
  }
};

TEST_F(TrashTest, NamesOf245To255BytesAreTrashedAndTheRecordKeepsTheWholePath) {
  for (int length : {245, 246, 250, 255}) {
    const QString name = QString(length - 4, QLatin1Char('n')) + ".txt";
    expectTrashed(dir.createFile("src/" + name, "long name"));
  }
  // A name of several-byte characters is cut between characters.
  QString wide;
  while (QFile::encodeName(wide + "ü").size() <= 255)
    wide += "ü";
  expectTrashed(dir.createFile("src/" + wide, "wide"));
  // The same long name twice gets two places.
  const QString twice = QString(251, QLatin1Char('t')) + ".txt";
  expectTrashed(dir.createFile("a/" + twice, "first"));
  expectTrashed(dir.createFile("b/" + twice, "second"));
  // Characters of two, three and four bytes: the name in the trash is cut between two of them and
  // keeps its extension, the second time with room for what makes it unique.
  for (const QString &character : {QStringLiteral("ü"), QStringLiteral("✓"), QStringLiteral("😀")}) {
    QString stem;
    while (QFile::encodeName(stem + character + ".txt").size() <= 255)
      stem += character;
    for (const QString &folder : {QStringLiteral("c/"), QStringLiteral("d/")}) {
      const QString path = dir.createFile(folder + stem + ".txt", "cut");
      const ino_t inode = InodeOf(path);
      expectTrashed(path);
      const QString name = FindInTrash(HomeTrash(), inode).Name;
      EXPECT_TRUE(stem.startsWith(name.section('.', 0, 0)) && name.endsWith(".txt")) << name.toStdString();
      EXPECT_LE(QFile::encodeName(name + ".trashinfo").size(), 255);
    }
  }
}

TEST_F(TrashTest, ManyFilesOfOneNameEachGetTheirOwnPlaceAndRecord) {
  for (int i = 0; i < 12; ++i)
    expectTrashed(dir.createFile(QStringLiteral("d%1/same.txt").arg(i), QByteArray::number(i)));
  EXPECT_EQ(QDir(HomeTrash() + "/files").entryList({"same*"}, QDir::Files).size(), 12);
}

TEST_F(TrashTest, OddNamesAreRecordedSoThatTheyReadBackToTheFileItself) {
  for (const QString &name :
       {QStringLiteral("report%41.txt"), QStringLiteral("100% sure.txt"), QStringLiteral("a #b?.txt"),
        QStringLiteral("  blanks  .txt"), QStringLiteral("Grüße ✓ ünï.txt"), QStringLiteral("line\nfeed.txt"),
        QStringLiteral("%%25.txt")})
    expectTrashed(dir.createFile("odd dir %20/" + name, name.toUtf8()));
}

// A trash folder that is not this user's own real folder may be read or swapped by someone else.
TEST_F(TrashTest, TrashFoldersOfAnotherUserOrLinksAreRefused) {
  if (::geteuid() != 0)
    GTEST_SKIP() << "only root can give a folder to another user";
  const QString path = dir.createFile("src/kept.txt", "kept"), trash = HomeTrash();
  const QString elsewhere = dir.filePath("elsewhere");
  for (const QString &odd : {QStringLiteral(""), QStringLiteral("/files"), QStringLiteral("/info"),
                             QStringLiteral("link"), QStringLiteral("link/files")}) {
    freshTrash();
    RemoveTree(elsewhere);
    ASSERT_TRUE(QDir().mkpath(elsewhere + "/files") && QDir().mkpath(elsewhere + "/info"));
    const QString linked = odd.startsWith("link") ? trash + odd.mid(4) : QString();
    if (linked.isEmpty())
      ASSERT_EQ(::chown(QFile::encodeName(trash + odd).constData(), 65534, 65534), 0);
    else
      ASSERT_TRUE(QDir(linked).removeRecursively() && QFile::link(elsewhere + odd.mid(4), linked));
    expectRefused(path, trash);
    EXPECT_EQ(EntriesBelow(trash + "/files"), QStringList()) << odd.toStdString();
    EXPECT_EQ(EntriesBelow(elsewhere), QStringList({"files", "info"})) << odd.toStdString();
  }
}

// Nothing already in the trash is replaced or rewritten: a record without its file, a record name that
// is a link to a missing file, a file without its record (left by an interrupted trash or another
// program).
TEST_F(TrashTest, WhatIsAlreadyInTheTrashStaysAsItIs) {
  const QString trash = HomeTrash(), outside = dir.filePath("outside.txt");
  const struct {
    const char *Entry;
    QString LinkTo;
  } leftovers[] = {{"info/x.txt.trashinfo", {}}, {"info/x.txt.trashinfo", outside}, {"files/x.txt", {}}};
  int i = 0;
  for (const auto &left : leftovers) {
    freshTrash();
    const QString entry = trash + "/" + left.Entry;
    ASSERT_TRUE(left.LinkTo.isEmpty() ? writeFile(entry, "left behind") : QFile::link(left.LinkTo, entry));
    const TFileState before = StateOf(entry);
    expectTrashed(dir.createFile(QStringLiteral("src%1/x.txt").arg(++i), "trashed"));
    EXPECT_EQ(StateOf(entry), before) << left.Entry;
    EXPECT_FALSE(QFileInfo::exists(outside));
    EXPECT_EQ(AllInTrash(trash).size(), left.Entry[0] == 'f' ? 2 : 1);
  }
  EXPECT_FALSE(QFileInfo::exists(trash + "/info/x.txt.trashinfo"));
}

// Each name of a file with several is trashed on its own, with its own record.
TEST_F(TrashTest, HardLinksOfOneFileGetARecordEachNamingItsOwnPath) {
  const QStringList paths = {dir.createFile("a/linked.txt", "one file"), dir.filePath("b/linked.txt"),
                             dir.filePath("b/other.txt")};
  ASSERT_TRUE(QDir().mkpath(dir.filePath("b")));
  for (const QString &path : paths.mid(1))
    ASSERT_EQ(::link(QFile::encodeName(paths[0]).constData(), QFile::encodeName(path).constData()), 0);
  for (const QString &path : paths)
    ASSERT_EQ(Trash(path), TOutcome::Done) << path.toStdString();
  QStringList recorded;
  for (const TTrashed &found : AllInTrash(HomeTrash()))
    recorded << found.Path;
  recorded.sort();
  EXPECT_EQ(recorded, paths);
}

// A file whose folder was moved away after it was held stays: its record could not say where it was.
TEST_F(TrashTest, AFileWhoseFolderMovedSinceItWasHeldStays) {
  const QString path = dir.createFile("moved/doc.txt", "doc");
  platform::THeldFile file;
  ASSERT_TRUE(file.OpenPath(QFile::encodeName(path)));
  ASSERT_TRUE(QDir().rename(dir.filePath("moved"), dir.filePath("away")));
  EXPECT_FALSE(platform::TrashHeld(file));
  EXPECT_EQ(testenv::ReadFile(dir.filePath("away/doc.txt")), "doc");
  EXPECT_TRUE(AllInTrash(HomeTrash()).isEmpty());
}

// A relative XDG_DATA_HOME is ignored for HOME's data folder, with or without a "/" ending HOME.
TEST_F(TrashTest, ARelativeDataHomeIsIgnored) {
  const QString work = dir.createFolder("work");
  const QByteArray home = qgetenv("HOME");
  for (const QByteArray &given : {home, home + "/"}) {
    const QString path = dir.createFile("src/rel.txt", "rel");
    const ino_t inode = InodeOf(path);
    ASSERT_EQ(InChild([&] {
                qputenv("XDG_DATA_HOME", "relative/data");
                qputenv("HOME", given);
                return ::chdir(QFile::encodeName(work).constData()) == 0 && platform::MoveToTrash(path);
              }),
              TOutcome::Done);
    EXPECT_EQ(EntriesBelow(work), QStringList());
    const TTrashed found = FindInTrash(QFile::decodeName(home) + "/.local/share/Trash", inode);
    EXPECT_EQ(found.Path, path);
    EXPECT_TRUE(found.Dated);
  }
}

TEST_F(TrashTest, ADataFolderThatIsALinkToAFolderIsFollowed) {
  const QString path = dir.createFile("src/linked.txt", "linked");
  const QString real = dir.createFolder("real-data");
  const QString link = dir.filePath("data-link");
  ASSERT_EQ(::symlink(QFile::encodeName(real).constData(), QFile::encodeName(link).constData()), 0);
  const ino_t inode = InodeOf(path);
  ASSERT_EQ(InChild([&] {
              qputenv("XDG_DATA_HOME", QFile::encodeName(link));
              return platform::MoveToTrash(path);
            }),
            TOutcome::Done);
  const TTrashed found = FindInTrash(real + "/Trash", inode);
  EXPECT_EQ(found.Path, path);
  EXPECT_TRUE(found.Dated);
}

TEST_F(TrashTest, ReadOnlyTrashFoldersAndDataFolderAreErrorsThatLeaveNothingBehind) {
  RUN_AS_ORDINARY_USER();
  const QString path = dir.createFile("src/kept.txt", "kept");
  const QString trash = HomeTrash();
  const QString data = QFileInfo(trash).path();
  const QString work = dir.createFolder("work");
  ASSERT_EQ(::chdir(QFile::encodeName(work).constData()), 0);
  QDir(trash).removeRecursively();
  ASSERT_TRUE(QDir().mkpath(trash + "/files") && QDir().mkpath(trash + "/info"));
  for (const char *readOnly : {"/info", "/files"}) {
    ASSERT_TRUE(Chmod(trash + readOnly, 0500));
    expectRefused(path, trash);
    EXPECT_TRUE(QDir(trash + "/files").isEmpty());
    ASSERT_TRUE(Chmod(trash + readOnly, 0700));
  }
  // The trash folder itself, without its two folders.
  QDir(trash).removeRecursively();
  ASSERT_TRUE(QDir().mkpath(trash) && Chmod(trash, 0500));
  expectRefused(path, trash);
  EXPECT_EQ(EntriesBelow(trash), QStringList());
  ASSERT_TRUE(Chmod(trash, 0700) && QDir(trash).removeRecursively());
  // The data folder, without a trash in it.
  ASSERT_TRUE(Chmod(data, 0500));
  expectRefused(path, trash);
  EXPECT_FALSE(QFileInfo::exists(trash));
  ASSERT_TRUE(Chmod(data, 0700));
  // Nothing was made in the working folder.
  EXPECT_EQ(EntriesBelow(work), QStringList());
}

// The data folder on a small file system of its own, with the file to trash on it, which is then
// filled up.
class FullFileSystem : public TrashTest {
protected:
  void check(const QByteArray &Options, bool FillInodes) {
    const QString data = QFileInfo(HomeTrash()).path();
    TMountOver full(data, "tmpfs", "tmpfs", "size=256k,mode=0700," + Options);
    if (!full.Mounted())
      GTEST_SKIP() << "needs a small file system of its own to fill: " << full.Reason();
    const QString path = data + "/src/full.txt";
    ASSERT_TRUE(writeFile(path, "nearly full"));
    ASSERT_TRUE(QDir().mkpath(HomeTrash() + "/files") && QDir().mkpath(HomeTrash() + "/info"));
    const QByteArray fill = QFile::encodeName(data + "/fill");
    if (FillInodes) {
      for (int i = 0; ::mknod((fill + QByteArray::number(i)).constData(), S_IFREG | 0600, 0) == 0; ++i) {
      }
    } else {
      const int fd = ::open(fill.constData(), O_WRONLY | O_CREAT, 0600);
      const QByteArray block(4096, 'f');
      while (fd >= 0 && ::write(fd, block.constData(), size_t(block.size())) > 0) {
      }
      ::close(fd);
    }
    expectRefused(path, HomeTrash());
    EXPECT_TRUE(QDir(HomeTrash() + "/files").isEmpty());
  }
};

TEST_F(FullFileSystem, NoFreeBlockIsAnErrorWithTheFileInPlaceAndNoEmptyRecord) {
  check({}, false);
}

TEST_F(FullFileSystem, NoFreeInodeIsAnError) {
  check("nr_inodes=64", true);
}

TEST_F(TrashTest, AFileOnAnotherFileSystemGoesToThatFileSystemsTrash) {
  const QString image = dir.filePath("volume.img");
  const QString mkfs = QStandardPaths::findExecutable("mkfs.ext4", {"/usr/sbin", "/sbin"});
  QFile file(image);
  if (mkfs.isEmpty() || !file.open(QIODevice::WriteOnly) || !file.resize(8 << 20))
    GTEST_SKIP() << "needs mkfs.ext4 to make a volume";
  file.close();
  QProcess make;
  make.start(mkfs, {"-q", "-F", image});
  if (!make.waitForFinished(60000) || make.exitCode() != 0)
    GTEST_SKIP() << "mkfs.ext4 failed: " << make.readAllStandardError().toStdString();
  const QString top = dir.filePath("volume");
  // The loop device is set up by mount(8), which inherits the private mount namespace.
  QDir().mkpath(top);
  QProcess mount;
  if (::geteuid() != 0 || ::unshare(CLONE_NEWNS) != 0 ||
      ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    GTEST_SKIP() << "only root may mount a volume";
  mount.start("mount", {"-o", "loop", image, top});
  if (!mount.waitForFinished(60000) || mount.exitCode() != 0)
    GTEST_SKIP() << "cannot mount a volume image: " << mount.readAllStandardError().toStdString();
  struct TUnmount {
    QString Top;
    ~TUnmount() { QProcess::execute("umount", {Top}); }
  } unmount{top};
  const QString path = top + "/dir/away %41.txt";
  ASSERT_TRUE(writeFile(path, "away"));
  const ino_t inode = InodeOf(path);
  const QString trash = top + "/.Trash-" + QString::number(::geteuid());
  ASSERT_EQ(Trash(path), TOutcome::Done);
  EXPECT_FALSE(QFileInfo::exists(path));
  const TTrashed found = FindInTrash(trash, inode);
  EXPECT_EQ(top + "/" + found.Path, path);
  EXPECT_TRUE(found.Dated);
  // Its long name is cut there too.
  const QString longName = top + "/" + QString(250, QLatin1Char('l'));
  ASSERT_TRUE(writeFile(longName, "long"));
  const ino_t longInode = InodeOf(longName);
  ASSERT_EQ(Trash(longName), TOutcome::Done);
  EXPECT_EQ(top + "/" + FindInTrash(trash, longInode).Path, longName);
}

// On another file system the shared .Trash counts only as a real folder (no link) with the sticky bit
// and a folder of this user's own in it; else the volume's .Trash-$uid takes the file.
TEST_F(TrashTest, AVolumesSharedTrashIsUsedOnlyWhenItIsARealStickyFolder) {
  const QString top = dir.filePath("volume");
  TMountOver volume(top, "tmpfs", "tmpfs", "size=1m,mode=0755");
  if (!volume.Mounted())
    GTEST_SKIP() << "needs a file system of its own: " << volume.Reason();
  const QString uid = QString::number(::geteuid()), shared = top + "/.Trash";
  const struct {
    mode_t Mode;
    bool Link;
    bool TheirsInside;
    QString Used;
  } cases[] = {{0777, false, false, "/.Trash-" + uid},
               {01777, false, false, "/.Trash/" + uid},
               {01777, true, false, "/.Trash-" + uid},
               {01777, false, true, "/.Trash-" + uid}};
  int i = 0;
  for (const auto &c : cases) {
    for (const QString &entry : QDir(top).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
      RemoveTree(top + "/" + entry);
    const QString real = c.Link ? top + "/sticky" : shared;
    ASSERT_TRUE(QDir().mkpath(real) && Chmod(real, c.Mode));
    ASSERT_TRUE(!c.Link || QFile::link(real, shared));
    ASSERT_TRUE(!c.TheirsInside ||
                (QDir().mkpath(shared + "/" + uid) &&
                 ::chown(QFile::encodeName(shared + "/" + uid).constData(), 65534, 65534) == 0));
    const QString path = top + QStringLiteral("/d%1/f.txt").arg(++i);
    ASSERT_TRUE(writeFile(path, "on the volume"));
    const ino_t inode = InodeOf(path);
    ASSERT_EQ(Trash(path), TOutcome::Done);
    EXPECT_EQ(FindInTrash(top + c.Used, inode).Path, path.mid(top.size() + 1)) << "case " << i;
  }
}

// Swaps two names in a folder again and again, in a child process, at most Count times; stopped when
// destroyed.
class TRacer {
public:
  TRacer(int Folder, const char *A, const char *B, long Count) : m_pid(::fork()) {
    if (m_pid != 0)
      return;
    for (long i = 0; i < Count; ++i)
      ::renameat2(Folder, A, Folder, B, RENAME_EXCHANGE);
    ::_exit(0);
  }
  ~TRacer() {
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
  }
  TRacer(const TRacer &) = delete;
  TRacer &operator=(const TRacer &) = delete;

private:
  pid_t m_pid;
};

// Another user swaps, again and again while the marked file is trashed, its folder with a link to a
// private folder holding a file of the same name, or the file with another file of its folder: only
// ever the marked file goes to the trash, with a record of its own path, and the other one stays.
TEST_F(TrashTest, NamesSwappedWhileAFileIsTrashedNeverSendAnotherFileThere) {
  for (const bool swapFolder : {true, false}) {
    SCOPED_TRACE(swapFolder ? "the folder swapped" : "the file swapped");
    freshTrash();
    const QString shared = dir.createFolder(QStringLiteral("shared-%1").arg(swapFolder));
    const QString privateFolder = dir.createFolder(QStringLiteral("private-%1").arg(swapFolder));
    const QString path = shared + "/box/doc.txt";
    ASSERT_TRUE(writeFile(privateFolder + "/doc.txt", "private") && Chmod(privateFolder, 0700) &&
                writeFile(shared + "/box/doc.other", "other") &&
                QFile::link(privateFolder, shared + "/box.link"));
    const auto open = [](const QString &Folder) {
      return platform::TFolderFd(
          ::open(QFile::encodeName(Folder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    };
    const platform::TFolderFd box = open(shared + "/box"), sharedFd = open(shared),
                              privateFd = open(privateFolder);
    // The other file: the private one, or the one swapped with the marked file inside its folder.
    const int otherFolder = swapFolder ? privateFd.Get() : box.Get();
    const auto otherInPlace =
        [&, other = InodeOf(swapFolder ? privateFolder + "/doc.txt" : shared + "/box/doc.other")] {
          struct stat st {};
          for (const char *name : {"doc.txt", "doc.other"})
            if (::fstatat(otherFolder, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_ino == other)
              return other;
          return ino_t(0);
        };
    const ino_t other = otherInPlace();
    ASSERT_NE(other, 0u);
    int trashed = 0;
    {
      const TRacer racer(swapFolder ? sharedFd.Get() : box.Get(), swapFolder ? "box" : "doc.txt",
                         swapFolder ? "box.link" : "doc.other", 100000000);
      platform::TFileIdentity marked;
      // 300 trashes of a held marked file; a path that leads elsewhere costs a try, not a trash, and
      // lets the racer go on.
      for (int tries = 0, trashes = 0; trashes < 300 && tries < 100000; ++tries) {
        const int fd = marked.IsKnown()
                           ? -1
                           : ::openat(box.Get(), "doc.txt", O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        ASSERT_TRUE(marked.IsKnown() || (fd >= 0 && platform::IdentityOfFd(fd, marked) && ::close(fd) == 0));
        // Held when the path leads to it (the racer's renames change its ctime, so not by identity).
        platform::THeldFile file;
        if (!file.OpenPath(QFile::encodeName(path)) || file.Identity().Id != marked.Id) {
          ::sched_yield();
          continue;
        }
        ++trashes;
        if (platform::TrashHeld(file)) {
          ++trashed;
          marked = {};
        }
      }
    }
    // Looked at once the racer is gone: while it runs, looking up the two names one after the other
    // may miss the other file.
    EXPECT_EQ(otherInPlace(), other);
    EXPECT_GT(trashed, 0);
    const QList<TTrashed> all = AllInTrash(HomeTrash());
    EXPECT_EQ(all.size(), trashed);
    for (const TTrashed &found : all) {
      EXPECT_EQ(found.Path, path);
      EXPECT_NE(found.Inode, other);
    }
  }
}

} // namespace
