// Files of one size and checksum whose bytes differ never share a content group.
#include "engine/Archive.h"
#include "engine/CRC.h"
#include "engine/ConfirmContent.h"
#include "engine/ResultFile.h"
#include "engine/SearchRun.h"
#include "engine/StepStorage.h"
#include "platform/FileInfo.h"
#include "settings/Language.h"
#include "tests/support/FakeProgress.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/TestArchives.h"
#include "tests/support/TestEnv.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Rig {
  TUseFileList List;
  TStepStorage Steps;
  TProgressBarModel Bar;
  FakeProgressSink Sink{&Bar};

  void Search(const QString &Folder, const QString &Archive = QString()) {
    TSearchChoice Choice;
    Choice.WhatFind = {MethodContent};
    Choice.IncludeFolders = {Folder};
    Choice.Archive = Archive;
    RunSearch(List, Steps, Choice, Sink, Bar, {nullptr, nullptr, 0});
  }
  // Searches Dir and saves the result in it as "r.wzr"; returns the file's path.
  QString SearchAndSave(const TestDir &Dir, const QString &Archive = QString()) {
    Search(Dir.path(), Archive);
    const QString Saved = Dir.filePath("r.wzr");
    List.SaveToFile(Saved);
    return Saved;
  }
  // Loads File; returns the progress calls made so far.
  int Load(const QString &File) {
    List.LoadFromFile(File, Bar, Sink);
    return Sink.calls();
  }
  // What opening a result file does: load, confirm, group.
  void Open(const QString &File) {
    List.LoadFromFile(File, Bar, Sink);
    ConfirmContentGroups(List, Sink, Bar);
    GroupResult(List, Steps, Sink, Bar, {nullptr, nullptr, 0});
  }
  // Every content group as its sorted names, the groups sorted: "a b | c d".
  QString Groups() const {
    QMap<qint32, QStringList> ByGroup;
    for (int i = 0; i < List.Count(); ++i) {
      const TUseFileProperty &Item = *List.GetItem(i);
      if (Item.Viewed.GetGroup(MethodContent) != -1)
        ByGroup[Item.Viewed.GetGroup(MethodContent)] << Item.FileItem.FileName;
    }
    QStringList Parts;
    for (QStringList &Names : ByGroup) {
      Names.sort();
      Parts << Names.join(' ');
    }
    Parts.sort();
    return Parts.join(QStringLiteral(" | "));
  }
};

} // namespace

TEST(SameContent, FilesOfOneSizeAndChecksumWithOtherBytesShareNoGroup) {
  TestDir Dir;
  const QList<QByteArray> Data = hostile::Colliding(3, 64);
  // The forgery is real: one size and checksum (the groups below show the bytes differ).
  for (const QByteArray &D : Data)
    ASSERT_TRUE(D.size() == 64 && CrcCode(D) == CrcCode(Data[0]));
  Dir.createFile("a1", Data[0]);
  Dir.createFile("sub/a2", Data[0]);
  Dir.createFile("b1", Data[1]);
  Dir.createFile("b2", Data[1]);
  Dir.createFile("c-alone", Data[2]);
  Rig R;
  R.Search(Dir.path());
  EXPECT_EQ(R.Groups(), "a1 a2 | b1 b2");
}

TEST(SameContent, ArchiveMembersAreProvedFromTheirUnpackedCopies) {
  TestDir Dir;
  const QList<QByteArray> Data = hostile::Colliding(2, 200, 7);
  Dir.createFile("plain", Data[0]);
  ASSERT_TRUE(testarchive::WriteZip(Dir.filePath("box.zip"), {{"same", Data[0]}, {"other", Data[1]}}));
  Rig R;
  R.Search(Dir.path(), QStringLiteral("z"));
  EXPECT_EQ(R.Groups(), "plain same");

  // Reopened, the member is unpacked and read again like the plain file.
  R.List.SaveToFile(Dir.filePath("r.wzr"));
  Rig Open;
  Open.Open(Dir.filePath("r.wzr"));
  EXPECT_EQ(Open.Groups(), "plain same");
}

// Every pair is one group when saved; then the second file of each pair but the first is changed.
TEST(SameContent, ReopenedResultShowsOnlyFilesThatStillHoldTheSameBytes) {
  TestDir Dir;
  const QList<QByteArray> Collide = hostile::Colliding(2, 100, 3);
  const QStringList Stems = {"kept", "changed", "gone", "fifo", "link", "three"};
  for (int i = 0; i < Stems.size(); ++i)
    for (const char *N : {"1", "2"})
      Dir.createFile(Stems[i] + N, QByteArray(101 + i, Stems[i][0].toLatin1()));
  Dir.createFile("three3", QByteArray(106, 't'));
  Dir.createFile("forged1", Collide[0]);
  Dir.createFile("forged2", Collide[0]);
  Rig R;
  R.Search(Dir.path());
  const QString Saved = Dir.filePath("result.wzr");
  R.List.SaveToFile(Saved);
  ASSERT_EQ(R.Groups(), "changed1 changed2 | fifo1 fifo2 | forged1 forged2 | gone1 gone2 | kept1 kept2 | "
                        "link1 link2 | three1 three2 three3");

  Dir.createFile("forged2", Collide[1]); // same size and checksum, other bytes
  Dir.createFile("changed2", QByteArray(102, 'C'));
  ASSERT_TRUE(QFile::remove(Dir.filePath("gone2")));
  ASSERT_TRUE(hostile::SwapForFifo(Dir.filePath("fifo2")));
  ASSERT_TRUE(hostile::SwapForLink(Dir.filePath("link2"), Dir.filePath("link1")));
  Dir.createFile("three3", QByteArray(106, 'T'));

  Rig Open;
  ASSERT_TRUE(hostile::FinishesWithin(
      std::chrono::seconds(30), [&] { Open.Open(Saved); },
      [&] { hostile::OpenFifoWriter(Dir.filePath("fifo2")); }));
  EXPECT_EQ(Open.Groups(), "kept1 kept2 | three1 three2");
}

TEST(SameContent, ConfirmingReportsProgressAndLetsAStopThrough) {
  TestDir Dir;
  for (int i = 0; i < 4; ++i)
    Dir.createFile(QStringLiteral("f%1").arg(i), QByteArray(3 * 65536, 'x'));
  Rig R;
  const QString Saved = R.SearchAndSave(Dir);

  Rig Open;
  const int LoadCalls = Open.Load(Saved);
  ConfirmContentGroups(Open.List, Open.Sink, Open.Bar);
  EXPECT_EQ(Open.Bar.Max(), 100);
  // A call at the end of each file and at every tenth; bytes counted once, the bar below 99.
  EXPECT_EQ(Open.Sink.positions.mid(LoadCalls), QList<int>({25, 50, 67, 75, 75}));

  Rig Stopped;
  Stopped.Sink.stopAtCall = Stopped.Load(Saved) + 2;
  EXPECT_THROW(ConfirmContentGroups(Stopped.List, Stopped.Sink, Stopped.Bar), EMyStop);
}

namespace {

// Names of the scratch folders left in the temporary folder.
QStringList ScratchFolders() {
  return QDir(GetTempDir()).entryList({QStringLiteral("TWTemp*")}, QDir::AllEntries | QDir::System);
}

} // namespace

// a.bin and its copy inside z.zip make one group; a second archive y.zip holds a copy of b.bin.
TEST(SameContent, ReopenedMembersAreUnpackedAgainAndLeaveWhenTheirArchiveIsGoneOrChanged) {
  TestDir Dir;
  const QList<QByteArray> Data = hostile::Colliding(2, 300, 11);
  Dir.createFile("a.bin", Data[0]);
  Dir.createFile("b.bin", "the bytes of b, in y.zip as well");
  Dir.createFile("c.bin", Data[0]);
  ASSERT_TRUE(testarchive::WriteZip(Dir.filePath("z.zip"), {{"in/a.bin", Data[0]}}));
  ASSERT_TRUE(testarchive::WriteZip(Dir.filePath("y.zip"), {{"b.bin", "the bytes of b, in y.zip as well"}}));
  Rig R;
  R.Search(Dir.path(), QStringLiteral("z"));
  ASSERT_EQ(R.Groups(), "a.bin a.bin c.bin | b.bin b.bin");
  const QString Saved = Dir.filePath("r.wzr");
  R.List.SaveToFile(Saved);

  // The member rewritten with other bytes of the same size and checksum: only unpacking tells.
  ASSERT_TRUE(testarchive::WriteZip(Dir.filePath("z.zip"), {{"in/a.bin", Data[1]}}));
  Rig Changed;
  Changed.Open(Saved);
  EXPECT_EQ(Changed.Groups(), "a.bin c.bin | b.bin b.bin");

  // y.zip gone: its member's group had two files and is gone with it.
  ASSERT_TRUE(QFile::remove(Dir.filePath("y.zip")));
  Rig Gone;
  Gone.Open(Saved);
  EXPECT_EQ(Gone.Groups(), "a.bin c.bin");
  // An archive swapped for a link is not opened either.
  ASSERT_TRUE(testarchive::WriteZip(Dir.filePath("real.zip"), {{"b.bin", "the bytes of b, in y.zip as well"}}));
  ASSERT_TRUE(QFile::link(Dir.filePath("real.zip"), Dir.filePath("y.zip")));
  Rig Linked;
  Linked.Open(Saved);
  EXPECT_EQ(Linked.Groups(), "a.bin c.bin");
  EXPECT_EQ(ScratchFolders(), QStringList());
}

TEST(SameContent, ConfirmingMembersReportsUnpackingAndRemovesItsFolderOnAStopOrHalt) {
  TestDir Dir;
  const QByteArray Data(200000, 'm');
  Dir.createFile("plain", Data);
  QList<testarchive::Entry> Entries;
  for (int i = 0; i < 60; ++i)
    Entries.append({QStringLiteral("m%1").arg(i), Data});
  ASSERT_TRUE(testarchive::WriteZip(Dir.filePath("z.zip"), Entries));
  Rig R;
  const QString Saved = R.SearchAndSave(Dir, QStringLiteral("z"));

  Rig Open;
  const int LoadCalls = Open.Load(Saved);
  ConfirmContentGroups(Open.List, Open.Sink, Open.Bar);
  const QStringList Texts = Open.Sink.texts.mid(LoadCalls);
  EXPECT_TRUE(Texts.contains(UnpackProgressText(LangText("20121"), 0))) << Texts.join('|').toStdString();
  EXPECT_GT(Texts.size(), 10);
  EXPECT_EQ(ScratchFolders(), QStringList());

  // A stop or a halt at every call of the confirmation leaves no scratch folder behind.
  for (const bool Halt : {false, true})
    for (int At = 1; At <= Texts.size(); At += std::max<int>(1, int(Texts.size()) / 12)) {
      Rig Stopped;
      Stopped.Sink.stopAtCall = Stopped.Load(Saved) + At;
      Stopped.Sink.haltInsteadOfStop = Halt;
      try {
        ConfirmContentGroups(Stopped.List, Stopped.Sink, Stopped.Bar);
        ADD_FAILURE() << "not stopped at call " << At;
      } catch (const EMyStop &) {
        EXPECT_FALSE(Halt);
      } catch (const EMyHalt &) {
        EXPECT_TRUE(Halt);
      }
      ASSERT_EQ(ScratchFolders(), QStringList()) << "stopped at call " << At;
    }
}

// A plain file is confirmed only as the file loading took its identity from, still unchanged; the
// identity the file actions check is then the file's own.
TEST(SameContent, ConfirmingReadsOnlyTheFileLoadingIdentifiedAndUnchanged) {
  TestDir Dir;
  for (const char *Name : {"one", "two", "other", "touched"})
    Dir.createFile(Name, QByteArray(500, 'k'));
  Rig R;
  const QString Saved = R.SearchAndSave(Dir);

  Rig Open;
  Open.Load(Saved);
  const auto Named = [&](const QString &Name) {
    for (int i = 0; i < Open.List.Count(); ++i)
      if (Open.List.GetItem(i)->FileItem.FileName == Name)
        return Open.List.GetItem(i);
    return static_cast<TUseFileProperty *>(nullptr);
  };
  ASSERT_TRUE(Named("other") && Named("touched"));
  // As if "other" had been another file when the result was loaded; "touched" written to since.
  Named("other")->FileItem.Id = {1, 1};
  const QDateTime Earlier = QDateTime::currentDateTime().addDays(-3);
  ASSERT_TRUE(TestDir::setTimes(Dir.filePath("touched"), Earlier, Earlier));
  ConfirmContentGroups(Open.List, Open.Sink, Open.Bar);
  GroupResult(Open.List, Open.Steps, Open.Sink, Open.Bar, {nullptr, nullptr, 0});
  EXPECT_EQ(Open.Groups(), "one two");
  for (int i = 0; i < Open.List.Count(); ++i) {
    const TFileItem &F = Open.List.GetItem(i)->FileItem;
    platform::TInputFile File(Open.List.GetItem(i)->FullName());
    platform::TFileIdentity Now;
    ASSERT_TRUE(File.Identity(Now));
    EXPECT_EQ(F.Identity(), Now);
  }
}

// A file written while it is read for confirmation proves nothing, even when its bytes end up the
// same and it is given its old time back: it leaves its group, which is then gone.
TEST(SameContent, AFileWrittenWhileItIsConfirmedLeavesItsGroup) {
  TestDir Dir;
  const QByteArray Data(20 * 65536, 'b');
  for (const char *Name : {"one", "two"})
    Dir.createFile(Name, Data);
  Rig R;
  const QString Saved = R.SearchAndSave(Dir);
  Rig Open;
  const int LoadCalls = Open.Load(Saved);
  bool Written = false;
  Open.Sink.onCall = [&](int Call) {
    if (Written || Call <= LoadCalls)
      return;
    // The call's text names the index of the file being read.
    const int Index = Open.Sink.texts.last().mid(2).chopped(1).toInt();
    const QByteArray Path = QFile::encodeName(Open.List.GetItem(Index)->FullName());
    struct stat Before {};
    const int Fd = ::open(Path.constData(), O_WRONLY | O_CLOEXEC);
    ASSERT_TRUE(Fd >= 0 && ::fstat(Fd, &Before) == 0);
    ASSERT_EQ(::pwrite(Fd, Data.constData(), 16, 0), 16);
    const struct timespec Times[2] = {Before.st_atim, Before.st_mtim};
    ASSERT_EQ(::futimens(Fd, Times), 0);
    ::close(Fd);
    Written = true;
  };
  ConfirmContentGroups(Open.List, Open.Sink, Open.Bar);
  GroupResult(Open.List, Open.Steps, Open.Sink, Open.Bar, {nullptr, nullptr, 0});
  EXPECT_TRUE(Written);
  EXPECT_EQ(Open.Groups(), "");
}

// A folder replaced by a link after saving makes two rows name one file: the row behind the link has
// no identity and leaves. A name made a second link to another row's file keeps its identity, and the
// later of the two rows leaves. A group left with one file is gone.
TEST(SameContent, RowsThatNameOneFileAreNeverBothKept) {
  TestDir Dir;
  Dir.createFile("a/pair", QByteArray(400, 'p'));
  Dir.createFile("b/pair", QByteArray(400, 'p'));
  Dir.createFile("a/trio", QByteArray(401, 't'));
  Dir.createFile("b/trio", QByteArray(401, 't'));
  Dir.createFile("c/trio", QByteArray(401, 't'));
  Dir.createFile("d/hard", QByteArray(402, 'h'));
  Dir.createFile("e/hard", QByteArray(402, 'h'));
  Dir.createFile("f/hard", QByteArray(402, 'h'));
  // One time for the three, so that a name linked to another's file still shows the saved time.
  const QDateTime Time = QDateTime::currentDateTime().addDays(-1);
  for (const char *Name : {"d/hard", "e/hard", "f/hard"})
    ASSERT_TRUE(TestDir::setTimes(Dir.filePath(Name), Time, Time));
  Rig R;
  const QString Saved = R.SearchAndSave(Dir);
  ASSERT_EQ(R.Groups(), "hard hard hard | pair pair | trio trio trio");
  // The saved order is the order folders were listed in, which the file system decides.
  QStringList Order;
  for (int i = 0; i < R.List.Count(); ++i)
    if (R.List.GetItem(i)->FileItem.FileName == "hard")
      Order << R.List.GetItem(i)->FileItem.GetPath().mid(Dir.path().size());
  ASSERT_TRUE(QDir(Dir.filePath("b")).removeRecursively());
  ASSERT_TRUE(QFile::link(Dir.filePath("a"), Dir.filePath("b")));
  ASSERT_TRUE(QFile::remove(Dir.filePath("e/hard")));
  ASSERT_EQ(::link(QFile::encodeName(Dir.filePath("d/hard")).constData(),
                   QFile::encodeName(Dir.filePath("e/hard")).constData()),
            0);
  Order.removeAll(Order.indexOf("/d/") < Order.indexOf("/e/") ? "/e/" : "/d/");

  Rig Open;
  Open.Open(Saved);
  EXPECT_EQ(Open.Groups(), "hard hard | trio trio");
  QStringList Trio, Hard;
  for (int i = 0; i < Open.List.Count(); ++i) {
    const TUseFileProperty &Item = *Open.List.GetItem(i);
    if (Item.Viewed.GetGroup(MethodContent) != -1)
      (Item.FileItem.FileName == "hard" ? Hard : Trio) << Item.FileItem.GetPath().mid(Dir.path().size());
  }
  Trio.sort();
  EXPECT_EQ(Trio, QStringList({"/a/", "/c/"}));
  EXPECT_EQ(Hard, Order);
  EXPECT_EQ(Open.Steps.GetIndexes(MethodContent).size(), 4);
}
