// Files of one size and checksum whose bytes differ never share a content group.
#include "engine/CRC.h"
#include "engine/ConfirmContent.h"
#include "engine/ResultFile.h"
#include "engine/SearchRun.h"
#include "engine/StepStorage.h"
#include "tests/support/FakeProgress.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/TestArchives.h"
#include "tests/support/TestEnv.h"

#include <QFile>
#include <gtest/gtest.h>

#include <chrono>

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

  // Reopened, the members keep their codes; the plain file is read again.
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
  R.Search(Dir.path());
  const QString Saved = Dir.filePath("r.wzr");
  R.List.SaveToFile(Saved);

  Rig Open;
  Open.List.LoadFromFile(Saved, Open.Bar, Open.Sink);
  const int LoadCalls = Open.Sink.calls();
  ConfirmContentGroups(Open.List, Open.Sink, Open.Bar);
  EXPECT_EQ(Open.Bar.Max(), 100);
  // A call at the end of each file and at every tenth; bytes counted once, the bar below 99.
  EXPECT_EQ(Open.Sink.positions.mid(LoadCalls), QList<int>({25, 50, 67, 75, 75}));

  Rig Stopped;
  Stopped.List.LoadFromFile(Saved, Stopped.Bar, Stopped.Sink);
  Stopped.Sink.stopAtCall = Stopped.Sink.calls() + 2;
  EXPECT_THROW(ConfirmContentGroups(Stopped.List, Stopped.Sink, Stopped.Bar), EMyStop);
}
