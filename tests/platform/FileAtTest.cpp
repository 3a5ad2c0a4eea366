// Reaching a file through its folders without a link on the way, and its identity.
#include "platform/FileAt.h"
#include "platform/FileTransfer.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Enc(const QString &p) {
  return QFile::encodeName(p);
}

TFileId IdOf(const QString &Path) {
  struct stat st {};
  return ::stat(Enc(Path).constData(), &st) == 0 ? TFileId{st.st_dev, st.st_ino} : TFileId{};
}

} // namespace

// Both ways of opening: in one call where the kernel can, and level by level.
TEST(FileAt, AFolderOpensOnlyWhenNoLevelIsALink) {
  TestDir dir;
  const QString real = dir.createFolder("a/b/c");
  ASSERT_TRUE(QFile::link(dir.filePath("a/b"), dir.filePath("link")));
  dir.createFile("a/file", "f");
  for (const auto open : {&platform::OpenFolderNoLinks, &platform::OpenFolderLevels}) {
    const platform::TFolderFd opened = open(Enc(real));
    ASSERT_TRUE(opened.IsOpen());
    EXPECT_EQ(opened.Id(), IdOf(real));
    EXPECT_TRUE(open(Enc(real + "/")).IsOpen());
    EXPECT_TRUE(open("/").IsOpen());
    for (const QString &bad : {dir.filePath("link/c"), dir.filePath("link"), dir.filePath("a/file"),
                               dir.filePath("a/missing"), dir.filePath("a/b/../b"), QString("a/b")})
      EXPECT_FALSE(open(Enc(bad)).IsOpen()) << bad.toStdString();
  }
}

TEST(FileAt, AFileIsTheSameOnlyWithItsDeviceInodeSizeAndTimeAndNoLinkOnTheWay) {
  TestDir dir;
  const QString path = dir.createFile("a/f.txt", "twelve bytes");
  platform::TFileIdentity seen;
  ASSERT_TRUE(platform::IdentityNoLinks(Enc(path), seen));
  EXPECT_EQ(seen.Id, IdOf(path));
  EXPECT_EQ(seen.Size, 12);
  EXPECT_TRUE(platform::IsSameFile(Enc(path), seen));
  for (auto change : {&platform::TFileIdentity::Size, &platform::TFileIdentity::ModifiedNs,
                      &platform::TFileIdentity::ChangedNs, &platform::TFileIdentity::BornNs}) {
    platform::TFileIdentity other = seen;
    other.*change += 1;
    EXPECT_FALSE(platform::IsSameFile(Enc(path), other));
  }
  EXPECT_FALSE(platform::IsSameFile(Enc(path), platform::TFileIdentity{}));
  ASSERT_TRUE(QFile::link(dir.filePath("a"), dir.filePath("b")));
  ASSERT_TRUE(QFile::link(path, dir.filePath("a/g.txt")));
  for (const QString &linked : {dir.filePath("b/f.txt"), dir.filePath("a/g.txt")}) {
    platform::TFileIdentity through;
    EXPECT_FALSE(platform::IdentityNoLinks(Enc(linked), through)) << linked.toStdString();
    EXPECT_FALSE(platform::IsSameFile(Enc(linked), seen)) << linked.toStdString();
  }
}

// Each act on a held file after its name was exchanged with another file of its folder (as a second
// user may do between the check and the act), and without: it acts on the held file or on nothing,
// and whatever it moved that was not the held file is back under its own name.
TEST(FileAt, AHeldFileIsActedOnOnlyWhileItsNameHoldsIt) {
  using TAct = std::function<bool(platform::THeldFile &, int)>;
  struct TCase {
    const char *Name;
    TAct Act;
    std::string Source; // what the source folder holds after the act: "name=contents", by name
    std::string Store;  // the same of the store
  };
  const TCase cases[] = {
      {"remove", [](platform::THeldFile &F, int) { return F.TakeOut() && F.RemoveTakenOut(); }, "o=other",
       "old=old"},
      {"move", [](platform::THeldFile &F, int S) { return platform::MoveHeld(F, S, "m", false); }, "o=other",
       "m=seen old=old"},
      {"move over", [](platform::THeldFile &F, int S) { return platform::MoveHeld(F, S, "old", true); },
       "o=other", "old=seen"},
      {"copy", [](platform::THeldFile &F, int S) { return platform::CopyHeld(F, S, "m"); }, "m=seen o=other",
       "m=seen old=old"},
  };
  const auto contents = [](const QString &Folder) {
    QStringList out;
    for (const QString &name : QDir(Folder).entryList(QDir::Files | QDir::Hidden, QDir::Name))
      out << name + "=" + testenv::ReadFile(Folder + "/" + name);
    return out.join(' ').toStdString();
  };
  for (const TCase &c : cases) {
    for (const bool exchanged : {true, false}) {
      TestDir dir;
      const QString m = dir.createFile("src/m", "seen"), o = dir.createFile("src/o", "other");
      dir.createFile("store/old", "old");
      platform::THeldFile file;
      ASSERT_TRUE(file.OpenPath(Enc(m)));
      if (exchanged) {
        ASSERT_EQ(::renameat2(AT_FDCWD, Enc(m).constData(), AT_FDCWD, Enc(o).constData(), RENAME_EXCHANGE),
                  0);
      }
      const platform::TFolderFd store = platform::OpenFolderNoLinks(Enc(dir.filePath("store")));
      EXPECT_EQ(c.Act(file, store.Get()), !exchanged) << c.Name;
      const std::string swapped = "m=other o=seen";
      EXPECT_EQ(contents(dir.filePath("src")), exchanged ? swapped : c.Source) << c.Name << exchanged;
      const std::string untouched = "old=old";
      EXPECT_EQ(contents(dir.filePath("store")), exchanged ? untouched : c.Store) << c.Name << exchanged;
    }
  }
}

// A link put in the held file's place is never opened through, not even to be refused: opening a
// device or a pipe can itself do something.
TEST(FileAt, ACopyNeverOpensWhatALinkInItsPlaceLeadsTo) {
  TestDir dir;
  const QString m = dir.createFile("src/m", "seen");
  const QString target = dir.createFile("elsewhere/t", "target");
  dir.createFolder("store");
  platform::THeldFile file;
  ASSERT_TRUE(file.OpenPath(Enc(m)));
  ASSERT_TRUE(QFile::rename(m, m + ".moved") && QFile::link(target, m));
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(::inotify_add_watch(watch, Enc(target).constData(), IN_OPEN), 0);
  const platform::TFolderFd store = platform::OpenFolderNoLinks(Enc(dir.filePath("store")));
  EXPECT_FALSE(platform::CopyHeld(file, store.Get(), "m"));
  char events[4096];
  EXPECT_LT(::read(watch, events, sizeof events), 0) << "the link's target was opened";
  ::close(watch);
  EXPECT_TRUE(QDir(dir.filePath("store")).isEmpty());
}
