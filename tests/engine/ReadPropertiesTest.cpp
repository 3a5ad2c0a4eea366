#include "engine/ReadProperties.h"
#include "MediaFiles.h"
#include "engine/CRC.h"
#include "engine/MusicTags.h"
#include "tests/support/FakeProgress.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/TestEnv.h"

#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using hostile::ReferenceCrc;

constexpr qint64 kBlock = ReadBufferSize;

QString Joined(const TMusicTag &Tag) {
  return Tag.Mp3_SongName + "|" + Tag.Mp3_Artist + "|" + Tag.Mp3_Album;
}

class Reading : public ::testing::Test {
protected:
  void SetUp() override { list.Clear(); }

  TUseFileProperty *Add(const QString &path, qint64 size) {
    const qsizetype slash = path.lastIndexOf('/');
    return list.GetItem(list.AddFile(path.left(slash + 1), path.mid(slash + 1), size, nullptr));
  }
  TUseFileProperty *AddFile(const QString &name, const QByteArray &data) {
    return Add(dir.createFile(name, data), data.size());
  }

  TestDir dir;
  TUseFileList list;
  TProgressBarModel bar;
  FakeProgressSink sink{&bar};
};

} // namespace

std::string CrcPathName(const ::testing::TestParamInfo<TCrcPath> &Info) {
  static const char *const names[] = {"Widest", "Fold128", "Table"};
  return names[int(Info.param)];
}

class ChecksumPath : public ::testing::TestWithParam<TCrcPath> {
protected:
  void SetUp() override {
    if (!LimitCrcPath(GetParam()))
      GTEST_SKIP() << "this processor cannot run that path";
  }
  void TearDown() override { LimitCrcPath(TCrcPath::Widest); }
};
INSTANTIATE_TEST_SUITE_P(EveryPath, ChecksumPath,
                         ::testing::Values(TCrcPath::Widest, TCrcPath::Fold128, TCrcPath::Table),
                         CrcPathName);

TEST_P(ChecksumPath, MatchesTheTableDefinitionInAnyBlocking) {
  QByteArray data(200000, Qt::Uninitialized);
  QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(data.data()), data.size() / 4);
  const quint32 whole = UpdateCrc32(CrcStart, data.constData(), data.size());
  EXPECT_EQ(whole, ReferenceCrc(CrcStart, data));
  quint32 pieces = CrcStart;
  for (qsizetype at = 0; at < data.size(); at += 777)
    pieces = UpdateCrc32(pieces, data.constData() + at, std::min<qsizetype>(777, data.size() - at));
  EXPECT_EQ(pieces, whole);
  // Every length and alignment around the block sizes of the fast paths (16, 64 and 256 bytes a step).
  for (qsizetype offset = 0; offset < 17; offset += 5)
    for (qsizetype length = 0; length < 1100; ++length) {
      const QByteArray part = data.mid(offset, length);
      ASSERT_EQ(UpdateCrc32(0x9E3779B9u, part.constData(), part.size()), ReferenceCrc(0x9E3779B9u, part))
          << offset << " " << length;
    }
}

TEST_F(Reading, ChecksumsOfEmptySmallAndLargeFiles) {
  auto *empty = AddFile("empty.txt", "");
  const QByteArray data = testenv::ReadFile(dir.createFileOfSize("big.bin", 5 * kBlock + 123, 3));
  auto *item = Add(dir.filePath("big.bin"), data.size());
  TReadPass pass({1}, &sink, &bar);
  empty->ReadProperties(1, {}, pass);
  EXPECT_EQ(empty->FileItem.Code, -1);
  EXPECT_TRUE(empty->WhatRead_Code && !empty->FileItem.Unreadable);
  item->ReadProperties(0, {}, pass);
  EXPECT_EQ(item->FileItem.Code, CrcCode(data));
  EXPECT_GT(item->FileProps.Modified, 0);
  // A substitute path (an unpacked member) is read instead of the item's own name.
  auto *member = list.GetItem(list.AddFile("inside/", "abc.txt", 3, nullptr));
  member->ReadProperties(1, dir.createFile("extracted/abc.txt", "abc"), pass);
  EXPECT_EQ(member->FileItem.Code, -891568579);
}

TEST_F(Reading, ProgressEveryTenthBlockAndOncePerFileNeverReaching99) {
  const qint64 size = 20 * kBlock;
  auto *item = Add(dir.createFileOfSize("twenty.bin", size), size);
  TReadPass pass({1}, &sink, &bar);
  pass.Start(size, true);
  item->ReadProperties(7, {}, pass);
  // Blocks 10 and 20, then the forced call at the file's end; the file counts twice against the total.
  EXPECT_EQ(sink.texts, QStringList({" (7)", " (7)", " (7)"}));
  EXPECT_EQ(sink.positions, QList<int>({50, 50, 50}));
  EXPECT_EQ(pass.ReadCallCount, 21);
  EXPECT_DOUBLE_EQ(pass.BytesRead, 2.0 * size);
}

TEST_F(Reading, SmallFilesReportAtTheirEndAndTheBarStopsBelow99AndAtZeroTotalNeverMoves) {
  TReadPass pass({1}, &sink, &bar);
  std::vector<TUseFileProperty *> items;
  for (int i = 0; i < 4; ++i)
    items.push_back(AddFile(QStringLiteral("f%1").arg(i), QByteArray(100, char('a' + i))));
  pass.Start(400, true);
  for (int i = 0; i < 4; ++i)
    items[size_t(i)]->ReadProperties(i, {}, pass);
  EXPECT_EQ(sink.texts, QStringList({" (0)", " (1)", " (2)", " (3)"}));
  // 200, 400, 600 and 800 bytes of 400: 50 %, then 100 % and more never shown.
  EXPECT_EQ(sink.positions, QList<int>({50, 50, 50, 50}));
  EXPECT_LT(bar.Position(), 99);
  sink.positions.clear();
  pass.Start(0, true);
  items[0]->ReadProperties(0, {}, pass);
  EXPECT_EQ(sink.positions, QList<int>({0}));
  EXPECT_EQ(bar.Max(), 100);
}

// The share is rounded half to even from its exact value (57.5, 62.5, 14.5). 99 is never shown, also when
// the share is exactly 99 or rounds to it: the bar stays where it was. 98.5 rounds to 98 and is shown.
TEST_F(Reading, BarPositionRoundsHalvesToEvenAndNeverLandsOn99) {
  TReadPass pass({1}, &sink, &bar);
  const struct {
    qint64 total;
    QList<qint64> reads;
    int position;
  } cases[] = {{40, {23}, 58},      {8, {5}, 62},         {200, {29}, 14}, {3, {1}, 33},
               {200, {197, 1}, 98}, {1000, {985, 1}, 98}, {100, {99}, 0}};
  for (const auto &c : cases) {
    pass.Start(c.total, true);
    for (qint64 read : c.reads)
      pass.UpdateReadProgress(read, true, 0);
    EXPECT_EQ(bar.Position(), c.position) << c.total << " " << c.reads.first();
  }
}

TEST_F(Reading, MissingOrLockedFileThatNeedsReadingBecomesUnreadableAndTheSearchGoesOn) {
  auto *gone = Add(dir.filePath("gone.bin"), 10);
  auto *next = AddFile("next.bin", "abc");
  TReadPass pass({1}, &sink, &bar);
  EXPECT_NO_THROW(gone->ReadProperties(0, {}, pass));
  EXPECT_TRUE(gone->FileItem.Unreadable && !gone->WhatRead_Code);
  EXPECT_EQ(gone->FileItem.Code, -1);
  EXPECT_EQ(gone->FileProps, TFileProps{});
  EXPECT_EQ(sink.texts, QStringList({""}));
  next->ReadProperties(1, {}, pass);
  EXPECT_EQ(next->FileItem.Code, -891568579);
  if (geteuid() == 0)
    GTEST_SKIP() << "root reads every file";
  auto *locked = AddFile("locked.bin", "abc");
  QFile::setPermissions(locked->FullName(), QFileDevice::WriteOwner);
  locked->ReadProperties(2, {}, pass);
  EXPECT_TRUE(locked->FileItem.Unreadable);
  EXPECT_EQ(locked->FileItem.Code, -1);
}

TEST_F(Reading, FileThatNeedsNoReadingIsNotOpenedButItsTimesAreRead) {
  auto *item = AddFile("x.txt", "abc");
  auto *missing = Add(dir.filePath("missing.txt"), 3);
  const QDateTime when(QDate(2020, 5, 17), QTime(13, 45, 30), Qt::LocalTime);
  ASSERT_TRUE(TestDir::setTimes(item->FullName(), when, when));
  TReadPass pass({4, 5}, &sink, &bar);
  item->ReadProperties(0, {}, pass);
  missing->ReadProperties(1, {}, pass);
  EXPECT_FALSE(item->WhatRead_Code);
  EXPECT_EQ(item->FileItem.Code, 0);
  const double expected =
      double(QDate(1899, 12, 30).daysTo(QDate(2020, 5, 17))) + (13 * 3600 + 45 * 60 + 30) / 86400.0;
  EXPECT_NEAR(item->FileProps.Modified, expected, 1e-6);
  EXPECT_NEAR(item->FileProps.Accessed, expected, 1e-6);
  EXPECT_FALSE(missing->FileItem.Unreadable);
  EXPECT_EQ(missing->FileProps, TFileProps{});
}

// Times and flags after a checksum are those the read itself left (it may bring the access time forward).
TEST_F(Reading, TimesAndFlagsAfterAChecksumAreThoseTheFileHasAfterTheRead) {
  const qint64 size = 3 * kBlock + 5;
  auto *item = Add(dir.createFileOfSize(".hidden.bin", size, 3), size);
  const QDateTime modified(QDate(2020, 5, 17), QTime(13, 45, 30), Qt::LocalTime);
  ASSERT_TRUE(TestDir::setTimes(item->FullName(), modified, modified.addDays(-1)));
  QFile::setPermissions(item->FullName(), QFileDevice::ReadOwner);
  TReadPass pass({1}, &sink, &bar);
  item->ReadProperties(0, {}, pass);
  ASSERT_TRUE(item->WhatRead_Code);
  TFileProps after;
  ASSERT_TRUE(GetFileProps(item->FullName(), after));
  EXPECT_EQ(item->FileProps, after);
  EXPECT_TRUE(item->FileProps.Hidden && item->FileProps.ReadOnly);
}

TEST_F(Reading, StopAndHaltPassThroughUntouchedAndAStopAfterAFailureToo) {
  auto *item = Add(dir.createFileOfSize("s.bin", 12 * kBlock), 12 * kBlock);
  for (const bool halt : {false, true}) {
    FakeProgressSink stopping(&bar);
    stopping.stopAtCall = 1;
    stopping.haltInsteadOfStop = halt;
    TReadPass pass({1}, &stopping, &bar);
    if (halt)
      EXPECT_THROW(item->ReadProperties(0, {}, pass), EMyHalt);
    else
      EXPECT_THROW(item->ReadProperties(0, {}, pass), EMyStop);
    EXPECT_FALSE(item->FileItem.Unreadable || item->WhatRead_Code) << halt;
  }
  sink.stopAtCall = 1;
  TReadPass pass({1}, &sink, &bar);
  auto *gone = Add(dir.filePath("nothing"), 5);
  EXPECT_THROW(gone->ReadProperties(0, {}, pass), EMyStop);
  EXPECT_TRUE(gone->FileItem.Unreadable);
}

// A file whose checksum was computed and whose later reading failed is unreadable, never content.
TEST_F(Reading, FailureAfterTheChecksumLeavesNoUsableCode) {
  const qint64 size = 12 * kBlock;
  auto *a = Add(dir.createFileOfSize("a.mp3", size, 5), size);
  auto *b = Add(dir.createFileOfSize("b.mp3", size, 6), size);
  // Once a checksum is read, the next step fails (here the progress call at the file's end).
  sink.onCall = [&](int) {
    if (a->WhatRead_Code || b->WhatRead_Code)
      throw std::runtime_error("failed after the checksum");
  };
  TReadPass pass({1, 3}, &sink, &bar);
  a->ReadProperties(0, {}, pass);
  b->ReadProperties(1, {}, pass);
  for (auto *item : {a, b}) {
    EXPECT_TRUE(item->FileItem.Unreadable && !item->WhatRead_Code);
    EXPECT_EQ(item->FileItem.Code, -1);
  }
  EXPECT_EQ(TUseFileProperty::Compare(*a, *b, 1, 0), -1);
}

TEST_F(Reading, TagsOfAnMp3FileComeFromTheFullerTag) {
  const media::Tag full{"Title1", "Artist1", "Album1"}, titleOnly{"Title2", "", "Album2"},
      twoFields{"Title2", "Artist2", "Album2"};
  const struct {
    const char *name;
    const media::Tag *v1, *v2, *expected;
  } cases[] = {{"v1wins.mp3", &full, &titleOnly, &full},
               {"tie.mp3", &full, &twoFields, &twoFields},
               {"v1only.mp3", &full, nullptr, &full},
               {"v2only.mp3", nullptr, &twoFields, &twoFields}};
  for (const auto &c : cases) {
    ASSERT_TRUE(media::SaveMp3(dir.filePath(c.name), c.v1, c.v2));
    EXPECT_EQ(Joined(ReadMusicTags(dir.filePath(c.name), c.name)),
              c.expected->title + "|" + c.expected->artist + "|" + c.expected->album)
        << c.name;
  }
  // Another extension reads nothing, whatever the file holds.
  EXPECT_EQ(ReadMusicTags(dir.filePath("tie.mp3"), "tie.txt").Mp3_SongName, "");
  EXPECT_THROW(ReadMusicTags(dir.filePath("none.mp3"), "none.mp3"), EReadFailed);
}

TEST_F(Reading, TagsOfOggAndWmaFiles) {
  ASSERT_TRUE(media::SaveOgg(dir.filePath("a.ogg"), {"Ogg Title", "Ogg Artist", "Ogg Album"}));
  EXPECT_EQ(Joined(ReadMusicTags(dir.filePath("a.ogg"), "a.OGG")), "Ogg Title|Ogg Artist|Ogg Album");
  ASSERT_TRUE(media::SaveWma(dir.filePath("a.wma"), {QString::fromUtf8("Wm\u00e4 Title"), "Wma Artist", {}}));
  EXPECT_EQ(Joined(ReadMusicTags(dir.filePath("a.wma"), "a.wma")),
            QString::fromUtf8("Wm\u00e4 Title|Wma Artist|"));
}

TEST_F(Reading, TagReadWithoutChecksumCountsTheFileAndSetsTheFlag) {
  const media::Tag tag{"Song", "Band", "Record"};
  ASSERT_TRUE(media::SaveMp3(dir.filePath("t.mp3"), nullptr, &tag));
  auto *item = Add(dir.filePath("t.mp3"), QFile(dir.filePath("t.mp3")).size());
  TReadPass pass({3}, &sink, &bar);
  item->ReadProperties(0, {}, pass);
  EXPECT_TRUE(item->WhatRead_Mp3 && !item->WhatRead_Code);
  EXPECT_EQ(item->Tags().Mp3_Artist, "Band");
  EXPECT_TRUE(item->HasTags());
  EXPECT_EQ(pass.ReadCallCount, 2);
  EXPECT_DOUBLE_EQ(pass.BytesRead, 2.0 * item->FileItem.Size);
}

TEST_F(Reading, PictureGridIsFilledOnlyWhenPicturesAreSought) {
  ASSERT_TRUE(media::SavePicture(dir.filePath("white.png"), 100, 80, Qt::white, "PNG"));
  auto *item = Add(dir.filePath("white.png"), QFile(dir.filePath("white.png")).size());
  item->UniqueSize = true;
  TReadPass notSought({1}, &sink, &bar);
  item->ReadProperties(0, {}, notSought);
  EXPECT_FALSE(item->DataImage);
  TReadPass sought({2}, &sink, &bar);
  item->ReadProperties(0, {}, sought);
  ASSERT_TRUE(item->DataImage);
  EXPECT_EQ(item->DataImage->Total, 705000);
  EXPECT_TRUE(item->HasKind(2));
}
