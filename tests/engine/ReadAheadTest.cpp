#include "engine/ReadAhead.h"
#include "engine/Archive.h"
#include "engine/SearchRun.h"
#include "engine/StepStorage.h"
#include "tests/engine/MediaFiles.h"
#include "tests/support/FakeProgress.h"
#include "tests/support/TestArchives.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// Restores the machine's worker count however a test ends.
struct WorkerCount {
  explicit WorkerCount(int Count) { SetReadWorkers(Count); }
  ~WorkerCount() { SetReadWorkers(0); }
};

// Pictures in three formats and two look-alikes, music with tags, a ZIP archive whose members repeat
// plain files, files of many blocks, empty files, and content shared across all of them.
void MakeMixedTree(TestDir &Dir) {
  for (const char *Folder : {"pics", "music/sub", "arc"})
    Dir.createFolder(QString::fromLatin1(Folder));
  for (int i = 0; i < 6; ++i) {
    const QColor Color = QColor::fromHsv(i * 50, 200, 200);
    media::SavePicture(Dir.filePath(QStringLiteral("pics/p%1.png").arg(i)), 120 + i, 90, Color, "PNG");
    media::SavePicture(Dir.filePath(QStringLiteral("pics/p%1.jpg").arg(i)), 120, 90 + i, Color, "JPEG");
    media::SavePicture(Dir.filePath(QStringLiteral("pics/q%1.bmp").arg(i)), 60, 60, Color, "BMP");
  }
  Dir.createFile("pics/shape.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='200' height='150'>"
                                   "<rect width='120' height='90' fill='#336699'/></svg>");
  const media::Tag A{"Song", "Artist", "Album"};
  const media::Tag B{"Other", "Singer", "Record"};
  media::SaveMp3(Dir.filePath("music/a1.mp3"), &A, &A);
  media::SaveMp3(Dir.filePath("music/sub/a2.mp3"), nullptr, &A);
  media::SaveMp3(Dir.filePath("music/b.mp3"), &B, nullptr);
  testarchive::WriteZip(Dir.filePath("arc/one.zip"), {{"in/same.txt", "shared words"},
                                                      {"in/big.bin", QByteArray(300000, 'z')},
                                                      {"x.txt", "x"},
                                                      {"empty.txt", ""},
                                                      {"in//same.txt", "other words"}});
  // Its members repeat a picture and tagged music of the tree; RAR lists no empty entry.
  const auto Bytes = [&](const char *Name) { return testenv::ReadFile(Dir.filePath(Name)); };
  testarchive::WriteRar(Dir.filePath("arc/two.rar"), {{"p/p1.png", Bytes("pics/p1.png")},
                                                      {"p/deep/p2.jpg", Bytes("pics/p2.jpg")},
                                                      {"a1.mp3", Bytes("music/a1.mp3")},
                                                      {"big.bin", QByteArray(300000, 'y')},
                                                      {"same.txt", "shared words"},
                                                      {"empty.txt", ""}});
  for (int i = 0; i < 40; ++i)
    Dir.createFile(QStringLiteral("plain/d%1/f%2.txt").arg(i % 7).arg(i),
                   QByteArray::number(i % 9).repeated(50));
  Dir.createFile("plain/same.txt", "shared words");
  Dir.createFileOfSize("big/a.bin", 1 << 20, 3);
  Dir.createFileOfSize("big/b.bin", 1 << 20, 3);
  Dir.createFileOfSize("big/c.bin", 1 << 20, 4);
  Dir.createFile("big/z.bin", QByteArray(300000, 'z'));
  Dir.createFile("empty/e1", "");
  Dir.createFile("empty/e2", "");
  Dir.createFile("gone/vanished.txt", "shared words");
  Dir.createFile("gone/fifo.txt", "shared words");
  Dir.createFile("gone/replaced.txt", "shared words");
}

// Between gathering and reading: one file vanishes, one becomes a FIFO, one is another file now.
void SpoilAfterGathering(TestDir &Dir) {
  QFile::remove(Dir.filePath("gone/vanished.txt"));
  QFile::remove(Dir.filePath("gone/fifo.txt"));
  ::mkfifo(QFile::encodeName(Dir.filePath("gone/fifo.txt")).constData(), 0600);
  // Made before the old one goes, so that it cannot get the old inode number.
  Dir.createFile("gone/replaced.new", "shared words");
  ::rename(QFile::encodeName(Dir.filePath("gone/replaced.new")).constData(),
           QFile::encodeName(Dir.filePath("gone/replaced.txt")).constData());
}

QString Hex(const TDataImage *Image) {
  if (!Image)
    return QStringLiteral("-");
  QString Text = QString::number(Image->Total);
  for (const TDataImage::TCell &Cell : Image->Cells)
    Text += QStringLiteral(" %1/%2").arg(Cell.p).arg(Cell.c);
  return Text;
}

// Every item with all that reading (and grouping) gave it.
QStringList DumpItems(const TUseFileList &List) {
  QStringList Lines;
  for (int i = 0; i < List.Count(); ++i) {
    const TUseFileProperty &Item = *List.GetItem(i);
    TFileProps P = Item.FileProps;
    // A member's file is unpacked anew by every search: only its packed time is its own.
    if (Item.IsArchiveMember())
      P.Created = P.Accessed = 0;
    QStringList Groups;
    for (int m = 1; m <= MethodCount; ++m)
      Groups << QString::number(Item.Viewed.GetGroup(m));
    const auto N = [](auto V) { return QString::number(V); };
    const auto T = [](double V) { return QString::number(V, 'g', 17); };
    const auto &F = Item.FileItem;
    Lines << QStringList{Item.FullName(),
                         "size=" + N(F.Size),
                         "code=" + N(F.Code),
                         "hash=" + N(F.Hash.Low) + ":" + N(F.Hash.High),
                         "unreadable=" + N(F.Unreadable),
                         "read=" + N(Item.WhatRead_Code) + "/" + N(Item.WhatRead_Mp3),
                         "unique=" + N(Item.UniqueSize) + "/" + N(Item.UniqueCode),
                         "times=" + T(P.Created) + "/" + T(P.Modified) + "/" + T(P.Accessed),
                         "flags=" + N(P.ReadOnly) + N(P.Hidden) + N(P.SystemFile) + N(P.ArchiveFlag),
                         "tags=" + Item.Tags().Mp3_SongName + "|" + Item.Tags().Mp3_Artist + "|" +
                             Item.Tags().Mp3_Album,
                         "groups=" + Groups.join(','),
                         "grid=" + Hex(Item.DataImage.get())}
                 .join(' ');
  }
  return Lines;
}

// The items as reading left them, then as grouping left them, the steps, and every progress call.
QStringList Dump(const QStringList &AfterReading, const TUseFileList &List, const TStepStorage &Steps,
                 const FakeProgressSink &Sink) {
  QStringList Lines = AfterReading + DumpItems(List);
  for (int m = 1; m <= MethodCount; ++m) {
    QStringList Indexes;
    for (qint32 i : Steps.GetIndexes(m))
      Indexes << QString::number(i);
    Lines << QStringLiteral("step %1: %2").arg(m).arg(Indexes.join(' '));
  }
  for (qsizetype c = 0; c < Sink.texts.size(); ++c)
    Lines << QStringLiteral("call %1 at %2 of %3")
                 .arg(Sink.texts[c])
                 .arg(Sink.positions[c])
                 .arg(Sink.maxima[c]);
  return Lines;
}

// The first line where two dumps part, both sides; empty when they are the same.
QString FirstDifference(const QStringList &A, const QStringList &B) {
  for (qsizetype i = 0; i < std::max(A.size(), B.size()); ++i) {
    const QString Left = i < A.size() ? A[i] : QStringLiteral("(end)");
    const QString Right = i < B.size() ? B[i] : QStringLiteral("(end)");
    if (Left != Right)
      return QStringLiteral("line %1:\n%2\n%3").arg(i).arg(Left, Right);
  }
  return QString();
}

struct ReadRig {
  TUseFileList List;
  TStepStorage Steps;
  TProgressBarModel Bar;
  FakeProgressSink Sink{&Bar};
  QStringList AfterReading;
  bool Reading = false;
  // The most workers seen alive at a progress call of the read pass.
  int SawWorkers = 0;
  // Runs at every progress call of the read pass, before the sink's stop.
  std::function<void(int Call)> OnReadCall;

  QStringList Dumped() const { return Dump(AfterReading, List, Steps, Sink); }

  // A whole search with every method, spoiling the tree between gathering and reading.
  void Search(TestDir &Dir, int Workers, bool Spoil) {
    WorkerCount Count(Workers);
    Sink.onCall = [this](int Call) {
      if (!Reading)
        return;
      SawWorkers = std::max(SawWorkers, RunningReadWorkers());
      if (OnReadCall)
        OnReadCall(Call);
    };
    List.SetFilter(TWhatFind{1, 2, 3, 4, 5}, QStringList{Dir.path()}, QStringList(), QStringLiteral("zr"));
    List.ScanAll(Sink, Bar);
    if (Spoil)
      SpoilAfterGathering(Dir);
    List.MarkUniqueSizes();
    Reading = true;
    List.ReadAllProperties(Sink, &Bar);
    Reading = false;
    AfterReading = DumpItems(List);
    List.MarkUniqueCodes();
    GroupResult(List, Steps, Sink, Bar, {nullptr, nullptr, 0});
  }
};

// How many items, as reading left them, have a line matching Pattern.
qsizetype ReadLines(const ReadRig &Rig, const QString &Pattern) {
  return Rig.AfterReading.filter(QRegularExpression(Pattern)).size();
}

QStringList ScratchFolders() {
  return QDir(GetTempDir())
      .entryList({QStringLiteral("TWTemp*")}, QDir::AllEntries | QDir::Hidden | QDir::System);
}

// Waits until Ready holds; false after a minute, which only a hang takes.
bool WaitUntil(const std::function<bool()> &Ready) {
  for (int Tries = 0; Tries < 60000; ++Tries) {
    if (Ready())
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

// Waits until every live worker waits.
bool AllWorkersWait() {
  return WaitUntil([] { return WaitingReadWorkers() == RunningReadWorkers(); });
}

} // namespace

TEST(ReadAhead, OneWorkerAndManyGiveTheSameItemsGroupsAndProgressCalls) {
  TestDir Dir;
  MakeMixedTree(Dir);
  // Reading leaves new access times behind; from here on every read finds the same. The files spoiled
  // between gathering and reading are unreadable, and so is the ZIP member whose path another took.
  ReadRig Spoiled;
  Spoiled.Search(Dir, 6, true);
  EXPECT_EQ(Spoiled.AfterReading.filter(QStringLiteral(" unreadable=1 ")).size(), 4);
  ReadRig One;
  One.Search(Dir, 1, false);
  const QStringList Baseline = One.Dumped();
  ASSERT_GT(One.List.Count(), 40);
  EXPECT_FALSE(Baseline.filter(QStringLiteral("p0.png")).isEmpty());
  EXPECT_FALSE(Baseline.filter(QStringLiteral("|Artist|Album")).isEmpty());
  EXPECT_FALSE(Baseline.filter(QStringLiteral("big.bin")).isEmpty());
  // The RAR's members were read from its scratch folder; the ZIP member that unpacks onto another's
  // path is unreadable.
  EXPECT_EQ(ReadLines(One, "^p/p1\\.png .* grid=\\d"), 1);
  EXPECT_EQ(ReadLines(One, "^p/deep/p2\\.jpg .* grid=\\d"), 1);
  EXPECT_EQ(ReadLines(One, "^a1\\.mp3 .* tags=Song\\|Artist\\|Album "), 1);
  EXPECT_EQ(ReadLines(One, "^same\\.txt size=12 .* unreadable=0 "), 1);
  EXPECT_EQ(ReadLines(One, "^in//same\\.txt size=11 code=-1 .* unreadable=1 "), 1);
  EXPECT_EQ(ReadLines(One, "^empty\\.txt size=0 code=-1 "), 1) << "the ZIP's empty member";
  for (int Workers : {2, 3, 8, 16}) {
    ReadRig Many;
    Many.Search(Dir, Workers, false);
    EXPECT_EQ(FirstDifference(Many.Dumped(), Baseline).toStdString(), "") << Workers;
  }
}

// A stop at any call of the read pass ends it with no worker left running, and a new pass runs at
// once: the pool was cancelled and joined when the stop unwound.
TEST(ReadAhead, StopOrHaltAtAnyReadCallLeavesNothingRunning) {
  TestDir Dir;
  MakeMixedTree(Dir);
  ReadRig Full;
  Full.Search(Dir, 4, false);
  EXPECT_EQ(Full.SawWorkers, 4);
  EXPECT_EQ(RunningReadWorkers(), 0);
  const int Calls = Full.Sink.calls();
  ASSERT_GT(Calls, 20);
  for (int Stop = 1; Stop < Calls; Stop += 3) {
    ReadRig Rig;
    Rig.Sink.stopAtCall = Stop;
    Rig.Sink.haltInsteadOfStop = Stop % 2 == 0;
    bool Ended = false;
    try {
      Rig.Search(Dir, 4, false);
    } catch (const EMyStop &) {
      Ended = !Rig.Sink.haltInsteadOfStop;
    } catch (const EMyHalt &) {
      Ended = Rig.Sink.haltInsteadOfStop;
    }
    EXPECT_TRUE(Ended) << Stop;
    // A grouping step that was stopped still makes its closing call.
    EXPECT_LE(Rig.Sink.calls(), Stop + 1);
    EXPECT_EQ(RunningReadWorkers(), 0) << Stop;
    EXPECT_EQ(ScratchFolders(), QStringList()) << Stop;
  }
}

// Paused at many calls of the read pass (inside files, archives and their members), the workers
// begin no further item until the search goes on, and the result and every progress call are those of
// a search never paused.
TEST(ReadAhead, WhilePausedTheWorkersBeginNoFurtherItem) {
  TestDir Dir;
  MakeMixedTree(Dir);
  ReadRig Plain;
  Plain.Search(Dir, 4, false);
  const struct Unpause {
    ~Unpause() { SetReadAheadPaused(false); }
  } UnpauseAtEnd;

  ReadRig Paused;
  int Pauses = 0;
  Paused.OnReadCall = [&](int Call) {
    if (Call % 3 != 0)
      return;
    SetReadAheadPaused(true);
    const long Begun = ReadAheadItemsBegun();
    ASSERT_TRUE(AllWorkersWait()) << Call;
    EXPECT_EQ(ReadAheadItemsBegun(), Begun) << Call;
    ++Pauses;
    SetReadAheadPaused(false);
  };
  Paused.Search(Dir, 4, false);
  EXPECT_GT(Pauses, 20);
  EXPECT_EQ(FirstDifference(Paused.Dumped(), Plain.Dumped()).toStdString(), "");
}
