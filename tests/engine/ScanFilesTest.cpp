// Gathering: walk order, exclusion, progress, the filter, links and archives entered as folders.
#include "engine/ScanFiles.h"
#include "engine/Archive.h"
#include "engine/ReadAhead.h"
#include "engine/SearchFilter.h"
#include "engine/UsePropertyFile.h"
#include "platform/Names.h"
#include "settings/Language.h"
#include "tests/settings/Printers.h"
#include "tests/support/AsUser.h"
#include "tests/support/FakeProgress.h"
#include "tests/support/TestArchives.h"
#include "tests/support/TestEnv.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Gathering : public ::testing::Test {
protected:
  void SetUp() override {
    SearchFilter().Clear();
    list.Clear();
  }

  // Root of the test tree with a trailing "/".
  QString Root() const { return dir.path() + "/"; }

  void Gather(const QStringList &include, const QStringList &exclude = {}, const QString &letters = {}) {
    list.SetFilter({MethodContent}, include, exclude, letters);
    list.ScanAll(sink, bar);
  }
  void GatherRoot(const QString &letters = {}) { Gather({Root()}, {}, letters); }

  // Full names of the gathered items, the test root cut off.
  QStringList Names() const {
    QStringList names;
    for (int i = 0; i < list.Count(); ++i)
      names << list.GetItem(i)->FullName().remove(Root());
    return names;
  }
  QStringList SortedNames() const {
    QStringList names = Names();
    names.sort();
    return names;
  }
  void Filter(const QString &include, int sizeFrom = -1) {
    SearchFilter().MaskOn = !include.isEmpty();
    SearchFilter().IncludeMasks = include;
    SearchFilter().SizeOn = sizeFrom >= 0;
    SearchFilter().SizeMode = 0;
    SearchFilter().SizeFrom = sizeFrom;
  }

  TestDir dir;
  TUseFileList list;
  TProgressBarModel bar;
  FakeProgressSink sink{&bar};
};

} // namespace

// The last pair: no wrap past 32 bits.
TEST(ScanHelpers, ProgressPositionsFollowTheLogarithm) {
  // clang-format off
  const QList<QPair<int64_t, int>> cases = {{50, 24}, {100, 30}, {200, 30}, {250, 36}, {650, 36}, {700, 42},
      {1000, 42}, {10000, 54}, {100000, 72}, {1000000, 84}, {1990000, 90}, {5400000, 96}, {int64_t(3) << 32, 6 * 23}};
  // clang-format on
  for (const auto &[count, position] : cases)
    EXPECT_EQ(ScanProgressPosition(count), position) << count;
}

TEST_F(Gathering, AnExcludedFolderIsSkippedWithEverythingBelowIt) {
  dir.createFile("keep.txt", "k");
  dir.createFile("Windows/w.txt", "w");
  dir.createFile("Windows/sub/s.txt", "s");
  dir.createFile("Windows2/w2.txt", "w2");
  for (const QStringList &excluded :
       {QStringList{Root() + "Windows"}, {"/usr", Root() + "Windows/", "/etc"}}) {
    Gather({Root()}, excluded);
    EXPECT_EQ(SortedNames(), (QStringList{"Windows2/w2.txt", "keep.txt"}));
  }

  // Another letter case is another folder; excluding one takes neither its parent nor a namesake elsewhere.
  for (const QStringList &other : {QStringList{Root() + "WINDOWS"}, {"/elsewhere" + Root() + "Windows"}}) {
    Gather({Root()}, other);
    EXPECT_EQ(list.Count(), 4);
  }
  // An include folder that is itself excluded, or lies inside an excluded one, gives nothing.
  Gather({Root() + "Windows", Root() + "Windows/sub"}, {Root() + "Windows"});
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(Gathering, FoldersAreTakenByTheirExactNames) {
  dir.createFile("a;b/chosen.txt", "chosen");
  dir.createFile("a/wrong.txt", "a folder nobody chose");
  dir.createFile("music /m.txt", "trailing blank");
  dir.createFile("music/n.txt", "the folder without the blank");
  dir.createFile(" lead/l.txt", "leading blank");
  dir.createFile("lead/w.txt", "the folder without the blank");
  Gather({Root() + "a;b", Root() + "music ", Root() + " lead/"});
  EXPECT_EQ(SortedNames(), (QStringList{" lead/l.txt", "a;b/chosen.txt", "music /m.txt"}));
  EXPECT_EQ(list.Filter.PathsInclude, Root() + "a;b;" + Root() + "music ;" + Root() + " lead/;");

  // Excluded folders likewise.
  Gather({Root()}, {Root() + "a;b", Root() + "music "});
  EXPECT_EQ(SortedNames(), (QStringList{" lead/l.txt", "a/wrong.txt", "lead/w.txt", "music/n.txt"}));
}

// Taken from the working folder, they would give files from folders the user never chose.
TEST_F(Gathering, RelativeAndEmptyFoldersAreNeverWalked) {
  dir.createFile("here/h.txt", "h");
  const QString saved = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.path()));
  Gather({"here", "./here", "", " ", "here/"});
  QDir::setCurrent(saved);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(sink.texts.last(), "");
}

// "." and ".." are counted as entries too. A stop leaves at once, keeping what was gathered.
TEST_F(Gathering, FirstProgressAfterFortyEightFilesAndAStopLeavesAtOnce) {
  for (int i = 0; i < 120; ++i)
    dir.createFile(QString("f%1.bin").arg(i, 3, 10, QChar('0')), "z");
  int itemsAtFirstCall = -1;
  sink.onCall = [&](int call) {
    if (call == 1)
      itemsAtFirstCall = list.Count();
  };
  GatherRoot();
  EXPECT_EQ(sink.texts, (QStringList{" (50)", " (100)", ""}));
  EXPECT_EQ(sink.positions, (QList<int>{24, 30, 30}));
  EXPECT_EQ(itemsAtFirstCall, 48);
  sink.stopAtCall = sink.calls() + 2;
  EXPECT_THROW(GatherRoot(), EMyStop);
  EXPECT_EQ(list.Count(), 98);
  EXPECT_EQ(RunningReadWorkers(), 0);
}

TEST_F(Gathering, ListingAheadOnManyWorkersKeepsTheOrderOfOne) {
  // Wide and deep enough that several workers list folders of one level at once.
  for (int a = 0; a < 12; ++a)
    for (int b = 0; b < 6; ++b)
      for (int f = 0; f < 1 + (a * b) % 5; ++f)
        dir.createFile(QString("a%1/b%2/c/f%3").arg(a).arg(b).arg(f), QByteArray(a + b + f, 'x'));
  dir.createFile("a3/b1/c/skip/never.txt", "n");
  ASSERT_EQ(::symlink(dir.filePath("a1").toUtf8(), dir.filePath("a2/link").toUtf8()), 0);
  ASSERT_EQ(::link(dir.filePath("a4/b2/c/f0").toUtf8(), dir.filePath("a5/hard").toUtf8()), 0);
  const auto gathered = [&](int workers) {
    SetReadWorkers(workers);
    Gather({Root(), Root() + "a4/b2"}, {Root() + "a3/b1/c/skip"});
    QStringList rows;
    for (int i = 0; i < list.Count(); ++i)
      rows << list.GetItem(i)->FullName() + QString::number(list.GetItem(i)->FileItem.Size);
    return std::pair(rows, sink.texts);
  };
  const auto one = gathered(1);
  for (int workers : {2, 8, 16}) {
    sink.texts.clear();
    EXPECT_EQ(gathered(workers), one) << workers;
  }
  SetReadWorkers(0);
  // Every file once (also below the second include folder), the hard link once, the excluded folder left out.
  EXPECT_EQ(one.first.size(), 162);
}

// A file of 5 GiB (sparse: no disk space taken) keeps its real size; an ill-formed mask ends the gathering.
TEST_F(Gathering, FilterPartsApplyToFilesOnly) {
  dir.createFile("photos.jpg/inside.txt", "folders are not filtered");
  dir.createFile("a.jpg", "1234");
  dir.createFile("~c.jpg", "1234");
  dir.createFile("big.jpg", QByteArray(3000, 'b'));
  ASSERT_TRUE(QFile(dir.createFile("big.iso", {})).resize(int64_t(5) << 30));
  SearchFilter().ExcludeMasks = "~*";
  Filter("*.jpg");
  GatherRoot();
  EXPECT_EQ(SortedNames(), (QStringList{"a.jpg", "big.jpg"}));
  Filter({}, 4000000);
  GatherRoot();
  ASSERT_EQ(Names(), (QStringList{"big.iso"}));
  EXPECT_EQ(list.GetItem(0)->FileItem.Size, int64_t(5) << 30);
  Filter("[a");
  EXPECT_THROW(GatherRoot(), EMaskError);
}

TEST_F(Gathering, DateAndAttributeFiltersReadTheFileProperties) {
  const QDateTime longAgo(QDate(2001, 5, 5), QTime(12, 0));
  ASSERT_TRUE(TestDir::setTimes(dir.createFile("old.txt", "o"), longAgo, longAgo));
  dir.createFile("new.txt", "n");
  dir.createFile(".hidden", "h");
  auto &f = SearchFilter();
  f.DateOn = true;
  f.DateKind = 0;
  f.DateFrom = double(QDate(1899, 12, 30).daysTo(QDate(2020, 1, 1)));
  f.AttrOn = true;
  f.ExcludeAttrs = "h";
  GatherRoot();
  EXPECT_EQ(SortedNames(), (QStringList{"new.txt"}));
  // Each filter on its own reads the properties too.
  f.AttrOn = false;
  GatherRoot();
  EXPECT_EQ(SortedNames(), (QStringList{".hidden", "new.txt"}));
  f.DateOn = false;
  f.AttrOn = true;
  f.ExcludeAttrs.clear();
  f.IncludeAttrs = "h";
  GatherRoot();
  EXPECT_EQ(SortedNames(), (QStringList{".hidden"}));
}

TEST_F(Gathering, LinksAreNeitherGatheredNorFollowed) {
  TestDir outside;
  const QString target = outside.createFile("real/target.txt", "only copy");
  dir.createFile("plain.txt", "p");
  ASSERT_TRUE(QFile::link(target, dir.filePath("file-link.txt")));
  ASSERT_TRUE(QFile::link(outside.filePath("real"), dir.filePath("folder-link")));
  ASSERT_TRUE(QFile::link(dir.path(), dir.filePath("loop")));
  ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe")).constData(), 0600), 0);
  GatherRoot();
  EXPECT_EQ(Names(), (QStringList{"plain.txt"}));
  // Nor is an include folder that is a link.
  Gather({dir.filePath("folder-link"), dir.filePath("folder-link/")});
  EXPECT_EQ(list.Count(), 0);
}

// A system-like folder, reached through a link from elsewhere, and excluded by the link's name.
TEST_F(Gathering, ExclusionComparesWhereFoldersReallyAre) {
  TestDir system;
  system.createFile("lib/library.so", "system file");
  system.createFile("share/doc.txt", "system file");
  dir.createFile("mine.txt", "m");
  ASSERT_TRUE(QFile::link(system.filePath("lib"), dir.filePath("lib")));
  ASSERT_TRUE(QFile::link(system.path(), dir.filePath("system-link")));

  // Excluded by its real name, an include folder below it is not walked.
  Gather({Root(), system.filePath("lib")}, {system.path()});
  EXPECT_EQ(Names(), (QStringList{"mine.txt"}));
  // Excluded through a link to it, it is skipped all the same.
  Gather({system.path(), Root()}, {dir.filePath("system-link")});
  EXPECT_EQ(Names(), (QStringList{"mine.txt"}));
  // An excluded folder inside the walk, named through a link.
  Gather({system.path()}, {dir.filePath("system-link/share")});
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.GetItem(0)->FileItem.FileName, "library.so");
}

TEST_F(Gathering, VirtualFileSystemsAndMissingFoldersGiveNothing) {
  for (const QString &folder : {QString("/proc/"), QString("/sys"), Root() + "missing"}) {
    Gather({folder});
    EXPECT_EQ(list.Count(), 0) << folder.toStdString();
  }
  EXPECT_EQ(sink.texts.last(), "");
}

namespace {

// Files and folders whose names are bytes, not text; removed again with the test's folder.
class RawNames {
public:
  explicit RawNames(const QString &Root) : m_root(QFile::encodeName(Root)) {}
  ~RawNames() {
    for (auto it = m_made.rbegin(); it != m_made.rend(); ++it)
      if (::unlink(it->constData()) != 0)
        ::rmdir(it->constData());
  }
  bool File(const QByteArray &Relative) {
    const int fd = ::open(Made(Relative), O_WRONLY | O_CREAT | O_EXCL, 0644);
    return fd >= 0 && ::close(fd) == 0;
  }
  bool Folder(const QByteArray &Relative) { return ::mkdir(Made(Relative), 0755) == 0; }

private:
  const char *Made(const QByteArray &Relative) { return (m_made << m_root + Relative).last().constData(); }
  QByteArray m_root;
  QList<QByteArray> m_made;
};

} // namespace

// Names that are not UTF-8 were once left out and counted; now each is gathered under a text that
// leads back to its own bytes, never to the file "caf\uFFFD" beside it.
TEST_F(Gathering, NamesThatAreNotTextAreGatheredUnderTheirOwnBytes) {
  RawNames raw(Root());
  ASSERT_TRUE(raw.File("caf\xE9.txt") && raw.File("caf\xEF\xBF\xBD.txt") && raw.Folder("d\xFF") &&
              raw.File("d\xFF/inside.txt") && raw.Folder("ok") && raw.File("ok/\x80\x81"));
  for (const QByteArray &odd : testenv::OddNames())
    ASSERT_TRUE(raw.Folder(odd) && raw.File(odd + "/" + odd));
  dir.createFile("plain.txt", "p");
  GatherRoot();
  QStringList expected{platform::DecodeName("caf\xE9.txt"), QString::fromUtf8("caf\xEF\xBF\xBD.txt"),
                       platform::DecodeName("d\xFF/inside.txt"), platform::DecodeName("ok/\x80\x81"), "plain.txt"};
  for (const QByteArray &odd : testenv::OddNames())
    expected << platform::DecodeName(odd + "/" + odd);
  expected.sort();
  EXPECT_EQ(SortedNames(), expected);
  for (int i = 0; i < list.Count(); ++i) {
    const QByteArray bytes = platform::EncodeName(list.GetItem(i)->FullName());
    struct stat st;
    ASSERT_EQ(::lstat(bytes.constData(), &st), 0) << i;
    EXPECT_EQ(uint64_t(st.st_ino), list.GetItem(i)->FileItem.Id.m_inode) << i;
  }

  // Such a folder can be chosen, and excluded, like any other.
  Gather({Root() + platform::DecodeName("d\xFF")});
  EXPECT_EQ(Names(), QStringList{platform::DecodeName("d\xFF/inside.txt")});
  Gather({Root()}, {Root() + platform::DecodeName("d\xFF")});
  EXPECT_EQ(list.Count(), expected.size() - 1);
  EXPECT_FALSE(Names().contains(platform::DecodeName("d\xFF/inside.txt")));
}

// Once eight were left out, five shown and then "..."; now no message is made, since nothing is left
// out: all eight are gathered.
TEST_F(Gathering, ManyNamesThatAreNotTextAreAllGathered) {
  RawNames raw(Root());
  for (char c = 'a'; c < 'a' + 7; ++c)
    ASSERT_TRUE(raw.File(QByteArray(1, c) + "\xFE"));
  ASSERT_TRUE(raw.Folder("\xC3(") && raw.File("\xC3(/in"));
  GatherRoot();
  QStringList expected;
  for (char c = 'a'; c < 'a' + 7; ++c)
    expected << platform::DecodeName(QByteArray(1, c) + "\xFE");
  expected << platform::DecodeName("\xC3(/in");
  EXPECT_EQ(SortedNames(), expected);
}

TEST_F(Gathering, UnreadableFolderIsSkippedSilently) {
  RUN_AS_ORDINARY_USER(); // the superuser reads every folder
  dir.createFile("open/o.txt", "o");
  dir.createFile("closed/c.txt", "c");
  ASSERT_TRUE(QFile::setPermissions(dir.filePath("closed"), QFileDevice::WriteOwner));
  GatherRoot();
  EXPECT_EQ(Names(), (QStringList{"open/o.txt"}));
  QFile::setPermissions(dir.filePath("closed"),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// ---- archives entered as folders ----

namespace {
const QList<testarchive::Entry> kArchiveTree = {
    {"a.txt", "alpha"}, {"docs/", {}, true}, {"docs/b.txt", "bravo"}, {"docs/deep/c.bin", "charlie"}};
}

// An archive must also pass the filter; its members need not.
TEST_F(Gathering, AFolderThatVanishesMidWalkIsSkipped) {
  for (int i = 0; i < 60; ++i)
    dir.createFile(QString("f%1").arg(i), "z");
  dir.createFile("g/gone/x.txt", "x");
  dir.createFile("stays/y.txt", "y");
  // The first progress call comes while the top folder is walked: "g" may be listed by then, but
  // "g/gone" is not even queued.
  sink.onCall = [&](int call) {
    if (call == 1)
      QDir(dir.filePath("g/gone")).removeRecursively();
  };
  GatherRoot();
  EXPECT_EQ(list.Count(), 61);
  EXPECT_TRUE(Names().contains("stays/y.txt"));
  EXPECT_EQ(sink.texts.last(), "");
}

TEST_F(Gathering, ArchivesAreEnteredOnlyWithTheirLetterAndWhenTheyPassTheFilter) {
  ASSERT_TRUE(testarchive::WriteZip(dir.filePath("p.zip"), kArchiveTree));
  ASSERT_TRUE(testarchive::WriteRar(dir.filePath("r.rar"), kArchiveTree));
  ASSERT_TRUE(testarchive::WriteSelfExtractingZip(dir.filePath("setup.exe"), kArchiveTree));
  dir.createFile("tool.exe", testarchive::SfxStub());

  GatherRoot("");
  EXPECT_EQ(list.Count(), 4);
  GatherRoot("r");
  ASSERT_EQ(list.Count(), 4 + 3);
  // The members follow their archive, with their paths inside it.
  const int at = int(Names().indexOf("r.rar"));
  EXPECT_TRUE(list.GetItem(at)->IsArchive());
  const QStringList members{"a.txt5", "docs/b.txt5", "docs/deep/c.bin7"};
  for (int k = 0; k < 3; ++k) {
    const TUseFileProperty *m = list.GetItem(at + 1 + k);
    EXPECT_TRUE(m->Owner == list.GetItem(at) && m->IsArchiveMember());
    EXPECT_EQ(m->FileItem.GetPath() + m->FileItem.FileName + QString::number(m->FileItem.Size), members[k]);
  }
  GatherRoot("z");
  EXPECT_EQ(list.Count(), 4 + 3 + 3);
  EXPECT_FALSE(list.GetItem(int(Names().indexOf("tool.exe")))->IsArchive());
  Filter("*.txt");
  GatherRoot("zr");
  EXPECT_EQ(list.Count(), 0);
  Filter("*.rar");
  GatherRoot("zr");
  EXPECT_EQ(list.Count(), 1 + 3);
}

TEST_F(Gathering, AStopReachesIntoAnArchiveOfManyEntries) {
  ASSERT_TRUE(testarchive::WriteZip(dir.filePath("many.zip"), testarchive::Parts(3000, 1)));
  GatherRoot("z");
  ASSERT_EQ(list.Count(), 3001);
  // Calls inside the archive repeat the text already shown: the count is of folder entries.
  ASSERT_GE(sink.texts.size(), 2);
  EXPECT_EQ(sink.texts.count(""), sink.texts.size());

  sink.stopAtCall = sink.calls() + 1;
  EXPECT_THROW(GatherRoot("z"), EMyStop);
  EXPECT_LT(list.Count(), 3001);
}

TEST_F(Gathering, DamagedArchiveIsGatheredAsAPlainFile) {
  dir.createFile("broken.zip", "PK\x03\x04 not much of an archive");
  QByteArray rar = testarchive::RarStored(kArchiveTree);
  rar.chop(30);
  ASSERT_TRUE(testarchive::WriteBytes(dir.filePath("cut.rar"), rar));
  dir.createFile("later/x.txt", "walk goes on");
  GatherRoot("zr");
  EXPECT_EQ(SortedNames(), (QStringList{"broken.zip", "cut.rar", "later/x.txt"}));
  for (int i = 0; i < list.Count(); ++i)
    EXPECT_EQ(list.GetItem(i)->Owner, nullptr);
}
