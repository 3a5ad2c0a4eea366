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
#include <sched.h>
#include <sys/mount.h>
#include <fcntl.h>
#include <functional>
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

// What a trash folder holds of one file: its name there and its record's decoded Path and date.
struct TTrashed {
  QString Name;
  QString Path;
  bool Dated = false;
};

TTrashed FindInTrash(const QString &Trash, ino_t Inode) {
  QDir files(Trash + "/files");
  for (const QString &name : files.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
    if (InodeOf(files.filePath(name)) != Inode)
      continue;
    TTrashed found{name, {}, false};
    QFile info(Trash + "/info/" + name + ".trashinfo");
    if (!info.open(QIODevice::ReadOnly))
      return found;
    for (const QByteArray &line : info.readAll().split('\n')) {
      if (line.startsWith("Path=")) {
        char *path = g_uri_unescape_string(line.mid(5).constData(), nullptr);
        found.Path = path ? QFile::decodeName(path) : QStringLiteral("<undecodable>");
        g_free(path);
      }
      found.Dated |= line.startsWith("DeletionDate=") && line.size() > 13;
    }
    return found;
  }
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

class TrashTest : public ActionFixture {
protected:
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
}

TEST_F(TrashTest, ManyFilesOfOneNameEachGetTheirOwnPlaceAndRecord) {
  for (int i = 0; i < 12; ++i)
    expectTrashed(dir.createFile(QStringLiteral("d%1/same.txt").arg(i), QByteArray::number(i)));
  EXPECT_EQ(QDir(HomeTrash() + "/files").entryList({"same*"}, QDir::Files).size(), 12);
}

TEST_F(TrashTest, OddNamesAreRecordedSoThatTheyReadBackToTheFileItself) {
  for (const QString &name : {QStringLiteral("report%41.txt"), QStringLiteral("100% sure.txt"),
                              QStringLiteral("a #b?.txt"), QStringLiteral("  blanks  .txt"),
                              QStringLiteral("Grüße ✓ ünï.txt"), QStringLiteral("line\nfeed.txt"),
                              QStringLiteral("%%25.txt")})
    expectTrashed(dir.createFile("odd dir %20/" + name, name.toUtf8()));
}

TEST_F(TrashTest, ARelativeDataHomeIsIgnored) {
  const QString path = dir.createFile("src/rel.txt", "rel");
  const QString work = dir.createFolder("work");
  const ino_t inode = InodeOf(path);
  const QByteArray home = qgetenv("HOME");
  ASSERT_EQ(InChild([&] {
              qputenv("XDG_DATA_HOME", "relative/data");
              return ::chdir(QFile::encodeName(work).constData()) == 0 && platform::MoveToTrash(path);
            }),
            TOutcome::Done);
  EXPECT_EQ(EntriesBelow(work), QStringList());
  const TTrashed found = FindInTrash(QFile::decodeName(home) + "/.local/share/Trash", inode);
  EXPECT_EQ(found.Path, path);
  EXPECT_TRUE(found.Dated);
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

} // namespace
