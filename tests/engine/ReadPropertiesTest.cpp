#include "engine/ReadProperties.h"
#include "MediaFiles.h"
#include "engine/CRC.h"
#include "engine/MusicTags.h"
#include "tests/support/AsUser.h"
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
  EXPECT_EQ(UpdateCrc32(CrcStart, data.constData(), data.size()), ReferenceCrc(CrcStart, data));
  // Every length and alignment around the block sizes of the fast paths (16, 64 and 256 bytes a step).
  for (qsizetype offset = 0; offset < 17; offset += 5)
    for (qsizetype length = 0; length < 1100; ++length) {
      const QByteArray part = data.mid(offset, length);
      ASSERT_EQ(UpdateCrc32(0x9E3779B9u, part.constData(), part.size()), ReferenceCrc(0x9E3779B9u, part))
          << offset << " " << length;
    }
}

// Check values of the standard CRC-32, whose complement the Code is ("123456789" gives 0xCBF43926), on
// every path: a table computed by the tests could share a wrong definition with the code.
TEST_P(ChecksumPath, GivesTheKnownCheckValues) {
  EXPECT_EQ(UpdateCrc32(CrcStart, "123456789", 9) ^ 0xFFFFFFFFu, 0xCBF43926u);
  EXPECT_EQ(CrcCode("123456789"), 873187033);
  EXPECT_EQ(CrcCode("abc"), -891568579);
  EXPECT_EQ(CrcCode(QByteArray(1, '\0')), 771559538);
  EXPECT_EQ(CrcCode(QByteArray()), -1);
  EXPECT_EQ(UpdateCrc32(0x12345678u, nullptr, 0), 0x12345678u);
  // Long enough for the widest blocks.
  QByteArray counting(1024, Qt::Uninitialized);
  for (int i = 0; i < counting.size(); ++i)
    counting[i] = char(i);
  EXPECT_EQ(UpdateCrc32(CrcStart, counting.constData(), counting.size()) ^ 0xFFFFFFFFu, 0xB70B4C26u);
  EXPECT_EQ(CrcCode(QByteArray(1000, 'a')), qint32(0x9A38DA03u ^ 0xFFFFFFFFu));
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
  EXPECT_EQ(item->FileItem.Code, CrcCode(testenv::ReadFile(item->FullName())));
}

// The share is rounded half to even from its exact value (57.5, 62.5, 14.5). 99 is never shown, also when
// the share is exactly 99 or rounds to it: the bar stays where it was. 98.5 rounds to 98 and is shown.
// A total of 0 never moves the bar.
TEST_F(Reading, BarPositionRoundsHalvesToEvenAndNeverLandsOn99) {
  TReadPass pass({1}, &sink, &bar);
  const struct {
    qint64 total;
    QList<qint64> reads;
    int position;
  } cases[] = {{40, {23}, 58}, {8, {5}, 62},        {200, {29}, 14},      {3, {1}, 33},
               {0, {5}, 0},    {200, {197, 1}, 98}, {1000, {985, 1}, 98}, {100, {99}, 0}};
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
  RUN_AS_ORDINARY_USER(); // root reads every file
  auto *locked = AddFile("locked.bin", "abc");
  QFile::setPermissions(locked->FullName(), QFileDevice::WriteOwner);
  locked->ReadProperties(2, {}, pass);
  EXPECT_TRUE(locked->FileItem.Unreadable);
  EXPECT_EQ(locked->FileItem.Code, -1);
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
  FakeProgressSink halting(&bar);
  halting.stopAtCall = 1;
  halting.haltInsteadOfStop = true;
  TReadPass haltingPass({1}, &halting, &bar);
  EXPECT_THROW(item->ReadProperties(0, {}, haltingPass), EMyHalt);
  EXPECT_FALSE(item->FileItem.Unreadable || item->WhatRead_Code);
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
