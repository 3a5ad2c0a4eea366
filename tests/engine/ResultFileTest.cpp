#include "engine/ResultFile.h"
#include "platform/FileAt.h"
#include "engine/ReadProperties.h"
#include "engine/SearchRun.h"
#include "engine/StepStorage.h"
#include "settings/Language.h"
#include "tests/support/FakeProgress.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/TestEnv.h"

#include <QFile>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int Add(TUseFileList &List, const QString &Folder, const QString &Name, qint64 Size,
        TUseFileProperty *Owner = nullptr) {
  return List.AddFile(Folder, Name, Size, Owner);
}

TUseFileProperty &At(TUseFileList &List, int i) {
  return *List.GetItem(i);
}

// A processed file, a 5.6 GB tagged song, an entered archive with two members.
void MakeSampleList(TUseFileList &List) {
  List.SetFilter({1, 3}, QStringList{QStringLiteral("/data/")}, QStringList{QStringLiteral("/data/skip")},
                 QStringLiteral("ZR"));
  At(List, Add(List, "/data/", "a.txt", 5)).Processed = true;
  TUseFileProperty &Song = At(List, Add(List, "/data/", "b.mp3", 6000000000LL));
  Song.FileItem.Code = -1;
  Song.EditTags().Mp3_SongName = QStringLiteral("Song <live>");
  Song.EditTags().Mp3_Artist = QStringLiteral("Me");
  Song.WhatRead_Mp3 = true;
  const int Box = Add(List, "/data/", "box.zip", 300);
  At(List, Box).Owner = &At(List, Box);
  At(List, Add(List, "docs/", "in.txt", 10, &At(List, Box))).WhatRead_Code = true;
  At(List, Add(List, "", "top.txt", 0, &At(List, Box))).FileItem.Code = 42;
}

struct Loader {
  TProgressBarModel Bar;
  FakeProgressSink Sink{&Bar};
  QStringList Steps;
  void Load(TUseFileList &List, const QString &FileName) {
    List.LoadFromFile(FileName, Bar, Sink, [this](const QString &Text) { Steps << Text; });
  }
};

// A saved or written result file and the list it loads into.
class ResultFile : public ::testing::Test {
protected:
  QString Save(TUseFileList &List, const QString &Name = QStringLiteral("r.wzr")) {
    List.SaveToFile(Dir.filePath(Name));
    return Dir.filePath(Name);
  }
  // Loads FileName into Loaded with the fixture's progress and step recorder.
  TUseFileList &Load(const QString &FileName) {
    L.Load(Loaded, FileName);
    return Loaded;
  }
  TUseFileList &LoadText(const QByteArray &Text) { return Load(Dir.createFile("t.wzr", Text)); }

  // What happens to the files grown.txt, touched.txt, sub/ and gone.txt after a result was saved.
  void ChangeSinceTheSave() {
    QFile Grown(Dir.filePath("grown.txt"));
    ASSERT_TRUE(Grown.open(QIODevice::Append) && Grown.write("!") == 1);
    Grown.close();
    ASSERT_TRUE(TestDir::setTimes(Dir.filePath("touched.txt"), QDateTime::fromSecsSinceEpoch(1400000000),
                                  QDateTime::fromSecsSinceEpoch(1400000000)));
    // The folder moved away and a link put in its place: the same file, reached through a link.
    ASSERT_EQ(::rename(QFile::encodeName(Dir.filePath("sub")).constData(),
                       QFile::encodeName(Dir.filePath("real")).constData()),
              0);
    ASSERT_TRUE(QFile::link(Dir.filePath("real"), Dir.filePath("sub")));
    ASSERT_TRUE(QFile::remove(Dir.filePath("gone.txt")));
  }

  TestDir Dir;
  Loader L;
  TUseFileList Loaded;
};

// The kind of error loading FileName raises; its message must name the file and Words, and the list
// must be left empty.
EResultFileError::TKind LoadError(const QString &FileName, const QStringList &Words = {}) {
  TUseFileList List;
  List.AddFile("/x/", "old.txt", 1, nullptr);
  Loader L;
  EResultFileError::TKind Kind = EResultFileError::InputOutput;
  try {
    L.Load(List, FileName);
    ADD_FAILURE() << "no error";
  } catch (const EResultFileError &E) {
    for (const QString &Word : Words + QStringList{FileName})
      EXPECT_TRUE(E.Message.contains(Word)) << E.Message.toStdString();
    Kind = E.Kind;
  }
  EXPECT_EQ(List.Count(), 0);
  return Kind;
}

} // namespace

TEST_F(ResultFile, SavedTextByteForByteAndReadBack) {
  TUseFileList List;
  MakeSampleList(List);
  const QByteArray Expected =
      "<WhatFind=[1][3]><PathsInclude=/data/;><Archive=zr>\r\n"
      "5\r\n"
      "<Main_Path=/data/><Main_FileName=b.mp3><Main_Size=6000000000><Main_Code=-1>"
      "<Main_Modified=-9223372036854775807><Mp3_SongName=Song "
      "%3Clive%3E>"
      "<Mp3_Artist=Me><Mp3_Album=><WhatRead_Code=0><WhatRead_Mp3=-1><Escaped=Mp3_SongName>\r\n"
      "<Main_Path=/data/><Main_FileName=box.zip><Main_Size=300><Main_Code=0>"
      "<Main_Modified=-9223372036854775807><Mp3_SongName=><Mp3_Artist=>"
      "<Mp3_Album=><WhatRead_Code=0><WhatRead_Mp3=0><TempArchiveIndexs=q2qq3q>\r\n"
      "<Main_Path=docs/><Main_FileName=in.txt><Main_Size=10><Main_Code=0><Mp3_SongName=><Mp3_Artist=>"
      "<Mp3_Album=><WhatRead_Code=-1><WhatRead_Mp3=0>\r\n"
      "<Main_Path=><Main_FileName=top.txt><Main_Size=0><Main_Code=42><Mp3_SongName=><Mp3_Artist=>"
      "<Mp3_Album=><WhatRead_Code=0><WhatRead_Mp3=0>\r\n";
  EXPECT_EQ(testenv::ReadFile(Save(List)), Expected);

  // Read back, archive links by record position.
  Load(Dir.filePath("r.wzr"));
  EXPECT_EQ(L.Steps, QStringList({LangText("237"), LangText("238")}));
  EXPECT_EQ(Loaded.Filter.WhatFind, TWhatFind({1, 3}));
  EXPECT_EQ(Loaded.Filter.PathsInclude, QStringLiteral("/data/;"));
  EXPECT_EQ(Loaded.Filter.Archive, QStringLiteral("zr"));
  ASSERT_EQ(Loaded.Count(), 4);
  const TUseFileProperty &Song = At(Loaded, 0);
  EXPECT_EQ(Song.FullName(), QStringLiteral("/data/b.mp3"));
  EXPECT_EQ(Song.FileItem.Size, 6000000000LL);
  EXPECT_EQ(Song.FileItem.Code, -1);
  EXPECT_EQ(Song.Tags().Mp3_SongName, QStringLiteral("Song <live>"));
  EXPECT_TRUE(Song.WhatRead_Mp3 && !Song.WhatRead_Code && Song.Owner == nullptr);
  EXPECT_TRUE(At(Loaded, 1).IsArchive());
  EXPECT_EQ(At(Loaded, 2).Owner, &At(Loaded, 1));
  EXPECT_EQ(At(Loaded, 2).FullName(), QStringLiteral("docs/in.txt"));
  EXPECT_EQ(At(Loaded, 3).Owner, &At(Loaded, 1));
  EXPECT_EQ(At(Loaded, 3).FileItem.Code, 42);
  // The unique marks are made anew.
  EXPECT_TRUE(At(Loaded, 0).UniqueSize && At(Loaded, 3).UniqueCode);
}

// Members of a processed archive are not saved.
TEST_F(ResultFile, ProcessedItemsAreLeftOut) {
  TUseFileList List;
  MakeSampleList(List);
  At(List, 2).Processed = true;
  const QList<QByteArray> Lines = testenv::ReadFile(Save(List)).split('\n');
  ASSERT_EQ(Lines.size(), 4); // filter, count, the song, and the empty rest after the last CR LF
  EXPECT_EQ(Lines[1], "5\r");
  ASSERT_EQ(Load(Dir.filePath("r.wzr")).Count(), 1);
  EXPECT_EQ(At(Loaded, 0).FileItem.FileName, QStringLiteral("b.mp3"));
}

// Names a tagged line cannot hold as they stand, and names that only look like escapes.
// The last name stands for bytes that are no UTF-8 (a lone surrogate).
TEST_F(ResultFile, EveryFileAndFolderNameReadsBackExactly) {
  // clang-format off
  const QStringList Names = {"a\nb.bin", "a\rb.bin", "a\r\nb", "\n", "<", ">", "a<b", "a>b", "<<x>", "<live>", "%",
                             "%3C", "%u0041", "100% & more", "&lt;", "tab\there", " lead", "trail ",
                             QString::fromUtf8("\u00fcn\u00efc\u00f6d\u00e9 \u65e5\u672c.txt"),
                             "<Escaped=Main_FileName>", "<Main_Size=1>", QStringLiteral("raw") + QChar(0xDCFF)};
  // clang-format on
  TUseFileList List;
  List.SetFilter({1, 3}, QStringList{"/data/" + Names[0] + "/", "/x<y/"}, {}, "z");
  for (const QString &Name : Names) {
    TUseFileProperty &Item = At(List, Add(List, "/data/", Name, 1));
    Item.EditTags().Mp3_SongName = Name;
    Add(List, "/data/" + Name + "/", "in.txt", 2);
  }
  // A member's folder inside its archive may begin with anything.
  const int Box = Add(List, "/data/", "box.zip", 3);
  At(List, Box).Owner = &At(List, Box);
  for (const QString &Name : Names)
    Add(List, Name + "/", Name, 4, &At(List, Box));

  const QString Saved = Save(List);
  // One line per record: no name broke its line.
  EXPECT_EQ(testenv::ReadFile(Saved).count("\r\n"), 2 + List.Count());
  ASSERT_EQ(Load(Saved).Count(), List.Count());
  EXPECT_EQ(Loaded.Filter.PathsInclude, List.Filter.PathsInclude);
  for (int i = 0; i < List.Count(); ++i) {
    EXPECT_EQ(At(Loaded, i).FullName(), At(List, i).FullName()) << i;
    EXPECT_EQ(At(Loaded, i).Tags().Mp3_SongName, At(List, i).Tags().Mp3_SongName) << i;
    EXPECT_EQ(At(Loaded, i).Owner == nullptr, At(List, i).Owner == nullptr) << i;
  }
}

TEST_F(ResultFile, AFileSavedBeforeValuesWereEscapedReadsBackAsWritten) {
  // As the earlier writer left them: "%" sequences and brackets, no escape list.
  TUseFileList &List =
      LoadText("<WhatFind=[1][3]><PathsInclude=/d/%3C/;><Archive=z>\r\n2\r\n"
               "<Main_Path=/d/%3C/><Main_FileName=%25 <Escaped=Main_FileName>.txt><Main_Size=1><Main_Code=0>"
               "<Mp3_SongName=a \xe2\x80\xba b><Mp3_Artist=Song <live>><Mp3_Album=%u0041>\r\n"
               "<Main_Path=/d/ & /><Main_FileName=\tx %zz><Main_Size=2><Main_Code=0>\r\n");
  ASSERT_EQ(List.Count(), 2);
  EXPECT_EQ(List.Filter.PathsInclude, QStringLiteral("/d/%3C/;"));
  EXPECT_EQ(At(List, 0).FullName(), QStringLiteral("/d/%3C/%25 <Escaped=Main_FileName>.txt"));
  EXPECT_EQ(At(List, 0).Tags().Mp3_SongName, QStringLiteral("a \u203A b"));
  EXPECT_EQ(At(List, 0).Tags().Mp3_Artist, QStringLiteral("Song <live>"));
  EXPECT_EQ(At(List, 0).Tags().Mp3_Album, QStringLiteral("%u0041"));
  EXPECT_EQ(At(List, 1).FullName(), QStringLiteral("/d/ & /\tx %zz"));
}

// "a\nb.bin" once came back as "a b.bin", which here is another file with other content. A member never
// takes the times of a file outside its archive.
TEST_F(ResultFile, LoadingReadsTheTimesOfEachFileThatExistsUnderItsOwnName) {
  const QString Folder = Dir.path() + "/x\n<y>/";
  const QStringList Names = {"a\nb.bin", "a b.bin", "a>b.bin", "a\u203Ab.bin", "a\rb.bin"};
  TUseFileList List;
  List.SetFilter({1}, QStringList{Folder}, {}, QStringLiteral("z"));
  for (const QString &Name : Names) {
    Dir.createFile(Folder.mid(Dir.path().size() + 1) + Name, Name.toUtf8());
    Add(List, Folder, Name, Name.toUtf8().size());
  }
  Add(List, Folder, "gone.txt", 3);
  const int Box = Add(List, Folder, "box.zip", 3);
  At(List, Box).Owner = &At(List, Box);
  Add(List, QString(), Names[1], 3, &At(List, Box));
  ASSERT_EQ(Load(Save(List)).Count(), Names.size() + 3);
  for (int i = 0; i < Names.size(); ++i) {
    TFileProps Expected;
    ASSERT_TRUE(GetFileProps(At(Loaded, i).FullName(), Expected));
    EXPECT_EQ(At(Loaded, i).FileProps, Expected) << i;
    EXPECT_EQ(testenv::ReadFile(At(Loaded, i).FullName()), Names[i].toUtf8()) << i;
  }
  EXPECT_EQ(At(Loaded, Box - 1).FileProps, TFileProps());
  EXPECT_EQ(At(Loaded, Box + 1).FileProps, TFileProps());
}

// A reopened file may be acted on only while it is still the file the result saw: its identity is
// taken at loading when the file, reached without a link, has the saved size and time.
TEST_F(ResultFile, AReopenedFileKeepsItsIdentityOnlyWhileItHasTheSavedSizeAndTime) {
  const QStringList Names = {"same.txt", "grown.txt", "touched.txt", "sub/behind link.txt", "gone.txt"};
  TUseFileList List;
  List.SetFilter({4}, QStringList{Dir.path()}, {}, QString());
  for (const QString &Name : Names) {
    const QString Path = Dir.createFile(Name, "twelve bytes");
    const qsizetype Slash = Path.lastIndexOf('/');
    TUseFileProperty &Item = At(List, Add(List, Path.left(Slash + 1), Path.mid(Slash + 1), 12));
    Item.FileItem.SetIdentity(testenv::IdentityNow(QFile::encodeName(Path)));
    ASSERT_TRUE(Item.FileItem.Identity().IsKnown());
  }
  const QString Saved = Save(List);
  EXPECT_TRUE(testenv::ReadFile(Saved).contains(
      "<Main_Modified=" + QByteArray::number(At(List, 0).FileItem.ModifiedNs) + ">"));

  ASSERT_NO_FATAL_FAILURE(ChangeSinceTheSave());

  ASSERT_EQ(Load(Saved).Count(), Names.size());
  EXPECT_EQ(At(Loaded, 0).FileItem.Identity(), At(List, 0).FileItem.Identity());
  for (int i = 1; i < Names.size(); ++i)
    EXPECT_FALSE(At(Loaded, i).FileItem.Identity().IsKnown()) << Names[i].toStdString();

  // Saved again, a file that had changed is still not taken for the file the result saw, though its
  // size is the saved one.
  const QString Again = Save(Loaded, "again.wzr");
  ASSERT_EQ(Load(Again).Count(), Names.size());
  EXPECT_EQ(At(Loaded, 0).FileItem.Identity(), At(List, 0).FileItem.Identity());
  EXPECT_FALSE(At(Loaded, 2).FileItem.Identity().IsKnown());
}

// A record written before times were saved has none to compare: a regular file of the saved size,
// reached without a link, is taken as the file it saw, with the time it has now.
TEST_F(ResultFile, ARecordWithoutASavedTimeTakesTheIdentityOfAFileOfItsSize) {
  const QStringList Names = {"same.txt", "touched.txt", "grown.txt", "sub/behind link.txt", "gone.txt",
                             "folder"};
  QByteArray Old = "<WhatFind=[4]><PathsInclude=><Archive=>\r\n6\r\n";
  for (const QString &Name : Names) {
    const QString Path = Name == "folder" ? Dir.createFolder(Name) : Dir.createFile(Name, "twelve bytes");
    const qsizetype Slash = Path.lastIndexOf('/');
    Old += "<Main_Path=" + Path.left(Slash + 1).toUtf8() + "><Main_FileName=" + Path.mid(Slash + 1).toUtf8() +
           "><Main_Size=12><Main_Code=0><WhatRead_Code=0><WhatRead_Mp3=0>\r\n";
  }
  ASSERT_NO_FATAL_FAILURE(ChangeSinceTheSave());

  ASSERT_EQ(LoadText(Old).Count(), Names.size());
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(At(Loaded, i).FileItem.Identity(),
              testenv::IdentityNow(QFile::encodeName(At(Loaded, i).FullName())))
        << i;
  }
  for (int i = 2; i < Names.size(); ++i)
    EXPECT_FALSE(At(Loaded, i).FileItem.Identity().IsKnown()) << Names[i].toStdString();
}

// A device, a pipe or a link to one would be read forever or wait for a writer; a link to a result file
// is refused too.
TEST_F(ResultFile, EmptyForeignOrIrregularFilesFailWithAClearErrorAndAnEmptyList) {
  TUseFileList Saved;
  const QStringList Odd = hostile::NotRegularFiles(Dir.path(), Save(Saved), ".wzr");
  ASSERT_EQ(Odd.size(), 3);
  const QStringList Names =
      QStringList{Dir.createFile("empty.wzr", ""), Dir.createFile("blank.wzr", "\r\n"),
                  Dir.createFile("text.wzr", "hello\r\nworld\r\n"), "/dev/zero", Dir.path()} +
      Odd;
  for (const QString &Name : Names)
    EXPECT_TRUE(hostile::FinishesWithin(
        std::chrono::seconds(30), [&] { EXPECT_EQ(LoadError(Name), EResultFileError::NotAResultFile); },
        [&] { hostile::OpenFifoWriter(Odd[0]); }))
        << Name.toStdString();
  EXPECT_EQ(LoadError(Dir.filePath("missing.wzr")), EResultFileError::InputOutput);
}

TEST_F(ResultFile, AnEndlessLineFailsWithAClearErrorLongBeforeItsEnd) {
  const QString Name = Dir.filePath("huge.wzr");
  QFile Huge(Name);
  ASSERT_TRUE(Huge.open(QIODevice::WriteOnly));
  if (!Huge.resize(qint64(1) << 42)) // 4 TiB of zeros, sparse: read to its end, it would take hours
    GTEST_SKIP() << "no sparse file here";
  Huge.close();
  EXPECT_EQ(LoadError(Name), EResultFileError::NotAResultFile);
}

TEST_F(ResultFile, RecordsBeyondTheMemoryFailWithAClearError) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the address sanitizer's shadow memory does not fit under a capped address space";
#endif
  // A 24 MiB tag needs about 72 MiB; the cap allows 40 MiB more than the process holds.
  const QString Name = Dir.createFile(
      "long.wzr", "<WhatFind=[3]><PathsInclude=/m/;><Archive=>\r\n1\r\n"
                  "<Main_Path=/m/><Main_FileName=a.mp3><Main_Size=1><Main_Code=0><Mp3_SongName=" +
                      QByteArray(24 << 20, 'x') + ">\r\n");
  QFile Statm("/proc/self/statm");
  ASSERT_TRUE(Statm.open(QIODevice::ReadOnly));
  const rlim_t Held = Statm.readAll().split(' ').value(0).toULongLong() * rlim_t(sysconf(_SC_PAGESIZE));
  rlimit Old{};
  ASSERT_EQ(getrlimit(RLIMIT_AS, &Old), 0);
  rlimit Capped = Old;
  Capped.rlim_cur = Held + (rlim_t(40) << 20);
  ASSERT_EQ(setrlimit(RLIMIT_AS, &Capped), 0);
  TUseFileList List;
  QString Message;
  try {
    L.Load(List, Name);
  } catch (const EResultFileError &E) {
    Message = E.Message;
  }
  setrlimit(RLIMIT_AS, &Old);
  EXPECT_TRUE(Message.contains("too large for the memory")) << Message.toStdString();
  EXPECT_EQ(List.Count(), 0);
  // With room, the same file loads.
  ASSERT_EQ(Load(Name).Count(), 1);
  EXPECT_EQ(At(Loaded, 0).Tags().Mp3_SongName.size(), 24 << 20);
}

TEST_F(ResultFile, MemberWhoseOwnerIsNoArchiveIsNotSavedAsAPlainFile) {
  TUseFileList List;
  List.SetFilter({4}, QStringList(), QStringList(), QStringLiteral("z"));
  Add(List, "inner/", "deep.txt", 1);
  Add(List, "/d/", "mid.zip", 2);
  Add(List, "/d/", "top.zip", 3);
  At(List, 2).Owner = &At(List, 2);
  At(List, 1).Owner = &At(List, 2);
  At(List, 0).Owner = &At(List, 1);
  ASSERT_EQ(Load(Save(List)).Count(), 2);
  EXPECT_EQ(At(Loaded, 0).FileItem.FileName, QStringLiteral("mid.zip"));
  EXPECT_EQ(At(Loaded, 0).Owner, &At(Loaded, 1));
  EXPECT_TRUE(At(Loaded, 1).IsArchive());
}

// Item 0 must not stay owned by item 1, which is no archive and is compacted away.
TEST_F(ResultFile, EveryMemberOfALoadedFileBelongsToAnArchiveThatGroupingKeeps) {
  TUseFileList &List =
      LoadText("<WhatFind=[1]><PathsInclude=><Archive=z>\r\n4\r\n"
               "<Main_Path=inner/><Main_FileName=deep.txt><Main_Size=5><Main_Code=7><WhatRead_Code=-1>\r\n"
               "<Main_Path=/d/><Main_FileName=mid.zip><Main_Size=2><Main_Code=1><TempArchiveIndexs=q0q>\r\n"
               "<Main_Path=/d/><Main_FileName=top.zip><Main_Size=3><Main_Code=2><TempArchiveIndexs=q1q>\r\n"
               "<Main_Path=/d/><Main_FileName=twin.txt><Main_Size=5><Main_Code=7><WhatRead_Code=-1>\r\n");
  TStepStorage Steps;
  GroupResult(List, Steps, L.Sink, L.Bar, {nullptr, nullptr, 0});
  ASSERT_EQ(Steps.GetIndexes(1).size(), 2);
  for (int i = 0; i < List.Count(); ++i) {
    const TUseFileProperty *Owner = At(List, i).Owner;
    bool Kept = Owner == nullptr || Owner == &At(List, i);
    for (int j = 0; j < List.Count(); ++j)
      Kept = Kept || (Owner == &At(List, j) && Owner->IsArchive());
    EXPECT_TRUE(Kept) << i;
  }
}

TEST_F(ResultFile, HostileRecordsLoadWithoutHarm) {
  // Non-UTF-8 bytes, nested brackets, self-naming, negative, huge and missing indexes.
  QByteArray Text = "<WhatFind=[1][9]><PathsInclude=/d/;><Archive=z>\r\n99999999999999999999999\r\n";
  Text += "<Main_Path=/d/><Main_FileName=box.zip><Main_Size=9223372036854775807><Main_Code=-2147483648>"
          "<TempArchiveIndexs=q0qq-1qq2qq99999999999999999999999qq7qq>\r\n";
  Text += "<Main_Path=/d/"
          "><Main_FileName=bad\xff\xfe.txt><Main_Size=1><Main_Code=1><WhatRead_Code=-1><Mp3_SongName=" +
          QByteArray(200000, '<') + QByteArray(100000, '>') + "\r\n";
  Text += "<Main_Path=in/><Main_FileName=member.txt><Main_Size=1><Main_Code=1><WhatRead_Code=-1>\r\n";
  TUseFileList &List = LoadText(Text);
  ASSERT_EQ(List.Count(), 3);
  EXPECT_EQ(List.Filter.WhatFind, TWhatFind({1}));
  EXPECT_TRUE(At(List, 0).IsArchive());
  EXPECT_EQ(At(List, 0).FileItem.Size, Q_INT64_C(9223372036854775807));
  EXPECT_EQ(At(List, 1).Owner, nullptr);
  EXPECT_EQ(At(List, 1).FileItem.FileName, QStringLiteral("bad\uFFFD\uFFFD.txt"));
  EXPECT_EQ(At(List, 1).Tags().Mp3_SongName.size(), 300000);
  EXPECT_EQ(At(List, 2).Owner, &At(List, 0));
  TStepStorage Steps;
  GroupResult(List, Steps, L.Sink, L.Bar, {nullptr, nullptr, 0});
  EXPECT_EQ(Steps.GetIndexes(1).size(), 2);
  Save(List, "again.wzr");
}

// Unknown methods in the filter are dropped; a file of no records gives an empty list with the filter.
TEST_F(ResultFile, LinesMayEndWithCrLfCrOrLf) {
  TUseFileList &List = LoadText("<WhatFind=[2][5][7]junk[0]><PathsInclude=/d/;/q/;><Archive=r>\n2\r"
                                "<Main_Path=/d/><Main_FileName=a><Main_Size=1><Main_Code=0>\r\n"
                                "<Main_Path=/d/><Main_FileName=b><Main_Size=2><Main_Code=0>");
  EXPECT_EQ(List.Filter.WhatFind, TWhatFind({2, 5}));
  EXPECT_EQ(List.Filter.PathsInclude, QStringLiteral("/d/;/q/;"));
  ASSERT_EQ(List.Count(), 2);
  EXPECT_EQ(At(List, 0).FileItem.FileName, QStringLiteral("a"));
  EXPECT_EQ(At(List, 1).FileItem.Size, 2);
  EXPECT_EQ(LoadText("<WhatFind=[1]><PathsInclude=/p/;><Archive=r>\r\n0\r\n").Count(), 0);
  EXPECT_EQ(List.Filter.Archive, QStringLiteral("r"));
}

// A damaged record fails the whole load, naming its line and field. A file outside an archive without a
// full path is damaged too: acting on it would reach whatever file of that name lies below the current
// folder.
TEST_F(ResultFile, DamagedRecordsFailTheLoadNamingLineAndField) {
  const QByteArray Head =
      "<WhatFind=[1]><PathsInclude=><Archive=z>\r\n3\r\n"
      "<Main_Path=/d/><Main_FileName=box.zip><Main_Size=2><Main_Code=1><TempArchiveIndexs=q1q>\r\n"
      "<Main_Path=inner/><Main_FileName=in.txt><Main_Size=5><Main_Code=7>\r\n";
  const struct {
    QByteArray Record;
    QStringList Words;
  } Cases[] = {{"<Main_Path=/a/><Main_FileName=x%4><Main_Size=1><Main_Code=2><Escaped=Main_FileName>",
                {"line 5", "Main_FileName"}},
               {"<Main_Path=/a/><Main_FileName=y><Main_Size=1x><Main_Code=2>", {"line 5", "Main_Size"}},
               {"<Main_Path=/a/><Main_Size=1>", {"line 5"}},
               {"<Main_Path=docs/><Main_FileName=loose.txt><Main_Size=5><Main_Code=7>", {"line 5"}},
               {"<Main_Path=><Main_FileName=loose.txt><Main_Size=5><Main_Code=7>", {"line 5"}}};
  for (const auto &C : Cases)
    EXPECT_EQ(LoadError(Dir.createFile("bad.wzr", Head + C.Record + "\r\n"), C.Words),
              EResultFileError::BadRecord)
        << C.Record.constData();
}

TEST_F(ResultFile, StopWhileLoadingEmptiesTheList) {
  TUseFileList List;
  List.SetFilter({1}, QStringList(), QStringList(), QString());
  for (int i = 0; i < 1500; ++i)
    Add(List, "/some/longer/folder/name/", QStringLiteral("file%1.txt").arg(i), i);
  const QString Name = Save(List, "big.wzr");
  ASSERT_GT(QFile(Name).size(), 2 * 65536);

  EXPECT_EQ(Load(Name).Count(), 1500);
  const int Calls = L.Sink.calls();
  for (int Stop : {1, 2, Calls}) {
    TUseFileList Stopped;
    Loader S;
    S.Sink.stopAtCall = Stop;
    EXPECT_THROW(S.Load(Stopped, Name), EMyStop) << Stop;
    EXPECT_EQ(Stopped.Count(), 0) << Stop;
  }
}

TEST_F(ResultFile, SavingWhereNoFileCanBeMadeFails) {
  TUseFileList List;
  EXPECT_THROW(Save(List, "no/such/folder/r.wzr"), EResultFileError);
}

TEST(ListPasses, StatisticsOfMarksAndGroupsAddSizesBeyond32Bits) {
  TUseFileList List;
  Add(List, "/a/", "x", 6000000000LL);
  Add(List, "/a/", "y", 10);
  Add(List, "/a/", "z", 20);
  At(List, 0).Viewed.Marked = true;
  At(List, 0).Viewed.SetGroup(1, 0);
  At(List, 1).Viewed.SetGroup(6, 3);
  const TListStatistics S = List.GetStatistics();
  EXPECT_EQ(S.MarkedSize, 6000000000LL);
  EXPECT_EQ(S.MarkedCount, 1);
  EXPECT_EQ(S.GroupedSize, 6000000010LL);
  EXPECT_EQ(S.GroupedCount, 2);
}
