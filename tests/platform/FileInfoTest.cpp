// Local day numbers of file times against Qt's own conversion, across zone changes and daylight-saving
// switches, and the one way files are opened for reading.
#include "platform/FileInfo.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/TestEnv.h"

#include <QDate>
#include <QDateTime>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

double QtDays(qint64 Ms) {
  const QDateTime local = QDateTime::fromMSecsSinceEpoch(Ms, Qt::LocalTime);
  return double(QDate(1899, 12, 30).daysTo(local.date())) +
         double(local.time().msecsSinceStartOfDay()) / 86400000.0;
}

void SetZone(const char *Zone) {
  setenv("TZ", Zone, 1);
  tzset();
}

// Every instant of the sweep converts exactly as Qt converts it.
void ExpectSameAsQt(qint64 FromMs, qint64 ToMs, qint64 StepMs) {
  for (qint64 ms = FromMs; ms < ToMs; ms += StepMs) {
    const qint64 s = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
    const qint64 ns = (ms - s * 1000) * 1000000 + 123456;
    ASSERT_EQ(platform::UnixTimeToDays(s, ns), QtDays(ms)) << getenv("TZ") << " at " << ms;
  }
}

constexpr qint64 kHour = 3600000;
constexpr qint64 kDay = 24 * kHour;
// 2026-01-01T00:00:00Z.
constexpr qint64 k2026 = qint64(1767225600) * 1000;

} // namespace

// Zones written out in full need no time-zone database; they cover half- and quarter-hour offsets,
// a half-hour daylight shift and the southern hemisphere, each followed at once when it changes.
TEST(LocalDays, EqualQtsConversionThroughTheYearAndEveryDaylightSwitch) {
  for (const char *zone : {"UTC0", "CET-1CEST,M3.5.0,M10.5.0/3", "NST3:30NDT,M3.2.0,M11.1.0", "<+0545>-5:45",
                           "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", "AEST-10AEDT,M10.1.0,M4.1.0/3"}) {
    SetZone(zone);
    // The whole year in steps that land on every minute and millisecond pattern.
    ExpectSameAsQt(k2026, k2026 + 366 * kDay, 7 * 60000 + 13 * 1000 + 7);
    // Every ten seconds or so through the European switches and the days around them.
    ExpectSameAsQt(k2026 + 86 * kDay, k2026 + 89 * kDay, 9973);
    ExpectSameAsQt(k2026 + 296 * kDay, k2026 + 299 * kDay, 9973);
    // The hours on both sides of each hour boundary.
    for (qint64 hour = k2026; hour < k2026 + 366 * kDay; hour += kHour)
      ExpectSameAsQt(hour - 1, hour + 1, 1);
  }
}

// Before 1970, after 2099 and at the very first instants: Qt's own path, with the same results.
TEST(LocalDays, InstantsOutsideTheUsualRangeStillConvert) {
  SetZone("CET-1CEST,M3.5.0,M10.5.0/3");
  for (qint64 s : {qint64(-86400 * 365), qint64(-1), qint64(0), qint64(1), qint64(4102444800) - 1,
                   qint64(4102444800), qint64(4102444800) + 86400 * 400})
    EXPECT_EQ(platform::UnixTimeToDays(s, 500000000), QtDays(s * 1000 + 500)) << s;
  EXPECT_EQ(platform::UnixTimeToDays(0, 0), 25569 + 1.0 / 24);
}

TEST(InputFile, ReadsPropsAndFailsOnMissingFiles) {
  TestDir dir;
  const QString hidden = dir.createFile(".hidden", "abc");
  QFile::setPermissions(hidden, QFileDevice::ReadOwner);
  const QDateTime when(QDate(2020, 7, 1), QTime(12, 34, 56, 789), Qt::LocalTime);
  ASSERT_TRUE(TestDir::setTimes(hidden, when, when));
  TFileProps fromFile, fromPath;
  ASSERT_TRUE(platform::TInputFile(hidden).ReadProps(fromFile));
  ASSERT_TRUE(platform::ReadFileProps(hidden, fromPath));
  EXPECT_EQ(fromFile, fromPath);
  EXPECT_TRUE(fromFile.Hidden && fromFile.ReadOnly);
  platform::TInputFile missing(dir.filePath("none"));
  EXPECT_FALSE(missing.IsOpen());
  TFileProps props;
  props.Modified = 5;
  EXPECT_FALSE(missing.ReadProps(props));
  EXPECT_EQ(props.Modified, 5);
}

// Whatever a path names besides a regular file is refused at once, without waiting and without being
// read: a FIFO with no writer, links (to a device, to a regular file), a device, a folder.
TEST(OpenRegularFile, RefusesEverythingButARegularFileWithoutWaiting) {
  TestDir dir;
  const QString plain = dir.createFile("plain", "abc");
  const QStringList others = hostile::NotRegularFiles(dir.path(), plain);
  ASSERT_EQ(others.size(), 3);
  const QString fifo = others[0];
  for (const QString &path : others + QStringList{"/dev/null", dir.path()}) {
    bool refused = false;
    ASSERT_TRUE(hostile::FinishesWithin(
        std::chrono::seconds(20),
        [&] {
          platform::TInputFile file(path);
          refused = file.Refused() && !file.IsOpen();
        },
        [&] { hostile::OpenFifoWriter(fifo); }))
        << qPrintable(path);
    EXPECT_TRUE(refused) << qPrintable(path);
  }
  platform::TInputFile missing(dir.filePath("none"));
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_FALSE(missing.Refused());
  EXPECT_EQ(missing.Error(), ENOENT);
  EXPECT_FALSE(missing.ErrorText().isEmpty());
  platform::TInputFile file(plain);
  ASSERT_TRUE(file.IsOpen());
  EXPECT_EQ(file.Size(), 3);
  // Reads wait as for any file: the flag that kept the open from waiting is gone.
  EXPECT_EQ(::fcntl(file.Descriptor(), F_GETFL) & O_NONBLOCK, 0);
}

TEST(OpenRegularFile, KeepsOnlyTheFileExpected) {
  TestDir dir;
  const QString path = dir.createFile("file", "first");
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
  const TFileId first{uint64_t(st.st_dev), uint64_t(st.st_ino)};
  EXPECT_TRUE(platform::TInputFile(path, &first).IsOpen());
  // Another file put in its place under the same name is not the file gathering saw.
  const QString other = dir.createFile("other", "second");
  ASSERT_TRUE(QFile::remove(path));
  ASSERT_TRUE(QFile::rename(other, path));
  platform::TInputFile swapped(path, &first);
  EXPECT_FALSE(swapped.IsOpen());
  EXPECT_TRUE(swapped.Refused());
  EXPECT_TRUE(platform::TInputFile(path).IsOpen());
}
