// Archive kinds, listing, scratch folders, the free-space rule and safe extraction.
#include "engine/Archive.h"
#include "tests/support/FakeProgress.h"
#include "tests/support/TestArchives.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using testarchive::Entry;

namespace {

using testenv::ReadFile;

QStringList Names(const TArcList &list) {
  QStringList names;
  for (int i = 0; i < list.Count(); ++i)
    names << list.GetItem(i).Name;
  return names;
}

// The member names a fresh list of the archive at Path reads.
template <class TList> QStringList Listed(const QString &path) {
  TList list(path);
  list.ReadList();
  return Names(list);
}

QStringList ScratchNamesIn(const QString &temp) {
  return QDir(temp).entryList({"TWTemp*"}, QDir::AllEntries | QDir::System | QDir::Hidden, QDir::Name);
}

const QList<Entry> kTree = {
    {"a.txt", "alpha"}, {"docs/", {}, true}, {"docs/b.txt", "bravo!"}, {"empty.dat", {}}};

} // namespace

class Archives : public ::testing::Test {
protected:
  // Writes the archive of that name (its kind chosen by the name) in the test folder; its path.
  QString Make(const QString &name, const QList<Entry> &entries, const QByteArray &password = {}) {
    EXPECT_TRUE(testarchive::WriteByName(dir.filePath(name), entries, password)) << name.toStdString();
    return dir.filePath(name);
  }
  void Unpack(TArcList &list) {
    list.ReadList();
    ASSERT_TRUE(list.MakeScratchFolder());
    list.Extract(sink);
  }
  TestDir dir;
  FakeProgressSink sink;
};

TEST_F(Archives, ChosenByNameAndContent) {
  const QString zip = Make("Photos.Zip", kTree);
  EXPECT_TRUE(IsZipArchive(zip));
  EXPECT_TRUE(IsRarArchive("/x/A.RaR"));
  EXPECT_FALSE(IsRarArchive("a.rar.txt"));

  // A program is taken for a ZIP archive only when ZIP entries are found in it.
  EXPECT_FALSE(IsZipArchive(Make("hollow.exe", {})));

  // Letters are case-sensitive.
  EXPECT_FALSE(IsArchiveToSearch(Make("a.rar", kTree), "R"));
  EXPECT_EQ(CreateArcList(dir.createFile("plain.txt", "x")), nullptr);
}

// ZIP keeps empty files, RAR leaves them out; neither lists folders, nor a file entry without a name.
TEST_F(Archives, ListingSkipsFoldersAndNamelessEntries) {
  TZipList zipList(Make("t.zip", kTree));
  zipList.ReadList();
  EXPECT_EQ(Names(zipList), (QStringList{"a.txt", "docs/b.txt", "empty.dat"}));
  EXPECT_EQ(zipList.GetItem(1).UnpackedSize, 6);
  EXPECT_EQ(zipList.UnpackedTotal(), 11);
  TRarList rarList(Make("t.rar", kTree));
  rarList.ReadList();
  EXPECT_EQ(Names(rarList), (QStringList{"a.txt", "docs/b.txt"}));
  EXPECT_EQ(rarList.GetItem(0).UnpackedSize, 5);
  EXPECT_TRUE(Listed<TRarList>(Make("hollow.rar", {{"d/", {}, true}, {"d/zero", {}}})).isEmpty());
  const QList<Entry> entries = {{"odd/", "data"}, {"odd/real.txt", "real"}};
  EXPECT_EQ(Listed<TRarList>(Make("odd.rar", entries)), (QStringList{"odd/real.txt"}));
  EXPECT_EQ(Listed<TZipList>(Make("odd.zip", entries)), (QStringList{"odd/real.txt"}));
}

// Names taken by folders, files or links are skipped, and left as they were.
TEST(ScratchFolder, TakesTheFirstFreeNumber) {
  const QString temp = GetTempDir();
  ASSERT_TRUE(QDir(temp).mkdir("TWTemp1"));
  ASSERT_TRUE(testarchive::WriteBytes(temp + "/TWTemp2", "a file"));
  ASSERT_TRUE(QFile::link("/", temp + "/TWTemp3"));
  {
    TZipList list("x.zip");
    ASSERT_TRUE(list.MakeScratchFolder());
    EXPECT_EQ(list.ScratchFolder, temp + "/TWTemp4/");
  }
  // Freed with its object; the folders it did not make stay.
  EXPECT_EQ(ScratchNamesIn(temp), (QStringList{"TWTemp1", "TWTemp2", "TWTemp3"}));
  EXPECT_EQ(ReadFile(temp + "/TWTemp2"), "a file");
  EXPECT_TRUE(QFileInfo(temp + "/TWTemp3").isSymLink());
  ASSERT_TRUE(QDir(temp).rmdir("TWTemp1"));
  QFile::remove(temp + "/TWTemp2");
  QFile::remove(temp + "/TWTemp3");
}

TEST(ScratchFolder, OnlyTheFolderMadeIsEverDeleted) {
  TestDir other;
  const QString precious = other.createFile("precious.txt", "data");
  TZipList list("x.zip");
  ASSERT_TRUE(list.MakeScratchFolder());
  const QString made = list.ScratchFolder;
  list.ScratchFolder = other.path() + "/"; // the name is a plain field anyone can change
  EXPECT_EQ(list.ScratchPathOf("a.txt"), made + "a.txt");
  list.DeleteScratchFolder();
  EXPECT_TRUE(QFileInfo::exists(precious));
  EXPECT_FALSE(QFileInfo::exists(made));
}

TEST(ScratchFolder, MemberPathsStayInside) {
  TZipList list("x.zip");
  EXPECT_EQ(list.ScratchPathOf("a.txt"), ""); // no folder made yet
  ASSERT_TRUE(list.MakeScratchFolder());
  EXPECT_EQ(list.ScratchPathOf("docs/b.txt"), list.ScratchFolder + "docs/b.txt");
  EXPECT_EQ(list.ScratchPathOf("../x"), "");
  EXPECT_EQ(list.ScratchPathOf("docs/../../x"), "");
  EXPECT_EQ(list.ScratchPathOf("/etc/passwd"), "");
  EXPECT_EQ(list.ScratchPathOf("..x/y"), list.ScratchFolder + "..x/y");
  // A name that cleans up to the scratch folder itself names no member.
  EXPECT_EQ(list.ScratchPathOf("./."), "");
  EXPECT_EQ(list.ScratchPathOf(".//."), "");
  EXPECT_EQ(list.ScratchPathOf("docs/."), list.ScratchFolder + "docs");
  // A path the system cannot open could never be read back.
  EXPECT_EQ(list.ScratchPathOf(QString("a/").repeated(2100) + "f"), "");
}

// A file entry named "." would be written over the scratch folder itself.
TEST_F(Archives, EntryNamedLikeTheScratchFolderIsLeftOut) {
  for (const char *name : {"dot.zip", "dot.rar"}) {
    std::unique_ptr<TArcList> list =
        CreateArcList(Make(name, {{".", "dot"}, {"./.", "dots"}, {"a.txt", "alpha"}}));
    ASSERT_TRUE(list) << name;
    Unpack(*list);
    const QString folder = list->ScratchFolder;
    EXPECT_TRUE(QFileInfo(folder).isDir()) << name;
    EXPECT_EQ(ReadFile(list->ScratchPathOf("a.txt")), "alpha") << name;
    list->DeleteScratchFolder();
    EXPECT_FALSE(QFileInfo::exists(folder)) << name;
  }
}

TEST_F(Archives, EncryptedEntriesOpenOnlyWithTheFixedPassword) {
  const QList<Entry> entries = {{"one.txt", "secret one"}, {"sub/two.txt", "secret two"}};
  TZipList oursList(Make("ours.zip", entries, ZipPassword));
  Unpack(oursList);
  EXPECT_EQ(ReadFile(oursList.ScratchPathOf("one.txt")), "secret one");
  EXPECT_EQ(ReadFile(oursList.ScratchPathOf("sub/two.txt")), "secret two");

  // Listed all the same; skipped silently, every entry tried, nothing left behind.
  TZipList theirsList(Make("theirs.zip", entries, "not-ours"));
  Unpack(theirsList);
  EXPECT_EQ(theirsList.Count(), 2);
  EXPECT_FALSE(QFileInfo::exists(theirsList.ScratchPathOf("one.txt")) ||
               QFileInfo::exists(theirsList.ScratchPathOf("sub/two.txt")));
}

// Also paths too long to open, and entries holding more than they claim: the free-space rule trusts the
// claimed sizes.
TEST_F(Archives, HostileEntriesNeverLeaveTheScratchFolderNorOutgrowTheirClaim) {
  const QString zip = dir.filePath("evil.zip");
  const QString victim = dir.filePath("victim.txt");
  const QString deep = QString("d/").repeated(3000) + "f.txt";
  ASSERT_TRUE(testarchive::WriteZip(zip, {{"../victim.txt", "zip dotdot"},
                                          {"docs/../../victim.txt", "zip nested dotdot"},
                                          {victim, "zip absolute"},
                                          {"escape", {}, false, dir.path()},
                                          {"escape/victim.txt", "through a link"},
                                          {deep, "deep"},
                                          {"ok.txt", "fine"}}));
  TZipList list(zip);
  list.ReadList();
  // Listed as the archive says, except the link; only unpacking refuses them.
  EXPECT_EQ(Names(list), (QStringList{"../victim.txt", "docs/../../victim.txt", victim, "escape/victim.txt",
                                      deep, "ok.txt"}));
  Unpack(list);
  EXPECT_FALSE(QFileInfo(list.ScratchFolder + "escape").isSymLink());
  EXPECT_EQ(ReadFile(list.ScratchPathOf("escape/victim.txt")), "through a link"); // a plain folder now
  EXPECT_FALSE(QFileInfo::exists(list.ScratchFolder + "d"));
  EXPECT_EQ(ReadFile(list.ScratchPathOf("ok.txt")), "fine");
  TRarList rarList(
      Make("evil.rar", {{"liar.bin", QByteArray(5000, 'l'), false, {}, 10}, {"honest.txt", "honest"}}));
  Unpack(rarList);
  EXPECT_FALSE(QFileInfo::exists(victim) || QFileInfo::exists(GetTempDir() + "/victim.txt"));
  EXPECT_EQ(rarList.GetItem(0).UnpackedSize, 10);
  EXPECT_FALSE(QFileInfo::exists(rarList.ScratchPathOf("liar.bin")));
  EXPECT_EQ(ReadFile(rarList.ScratchPathOf("honest.txt")), "honest");
}

// Nothing here is unpacked, yet the pass must stay stoppable however many entries there are.
TEST_F(Archives, EntriesThatAreSkippedStillLetAStopThrough) {
  QList<Entry> entries;
  for (int i = 0; i < 200; ++i)
    entries.append({QString("../out%1").arg(i), "x"});
  TZipList list(Make("refused.zip", entries));
  sink.stopAtCall = 2;
  EXPECT_THROW(Unpack(list), EMyStop);
}

// Counted by bytes, not only by members: a Stop also gets through inside one large member.
TEST_F(Archives, ProgressCountsUnpackedBytes) {
  TZipList list(Make("big.zip", testarchive::Parts(4, 1 << 20)));
  list.ProgressText = "Unpacking";
  Unpack(list);
  ASSERT_GE(sink.texts.size(), 4);
  EXPECT_EQ(sink.texts.first(), " (Unpacking 0%)");
  EXPECT_EQ(sink.texts.last(), " (Unpacking 100%)");
  EXPECT_TRUE(sink.texts.contains(" (Unpacking 50%)"));

  TZipList one(Make("one.zip", testarchive::Parts(1, 4 << 20)));
  FakeProgressSink stopping;
  stopping.stopAtCall = 2;
  one.ReadList();
  ASSERT_TRUE(one.MakeScratchFolder());
  EXPECT_THROW(one.Extract(stopping), EMyStop);
}
