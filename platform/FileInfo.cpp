#include "platform/FileInfo.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>

namespace platform {
namespace {

const QDate &DayZero() {
  static const QDate zero(1899, 12, 30);
  return zero;
}

constexpr double kMsecsPerDay = 86400000.0;

} // namespace

double UnixTimeToDays(qint64 Seconds, qint64 Nanoseconds) {
  const qint64 ms = Seconds * 1000 + Nanoseconds / 1000000;
  const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms, Qt::LocalTime);
  const qint64 days = DayZero().daysTo(local.date());
  return double(days) + double(local.time().msecsSinceStartOfDay()) / kMsecsPerDay;
}

qint64 DaysToUnixMsecs(double Days) {
  const double whole = std::floor(Days);
  const QDate date = DayZero().addDays(qint64(whole));
  const int ms = int(std::llround((Days - whole) * kMsecsPerDay));
  const QDateTime local(date, QTime::fromMSecsSinceStartOfDay(0), Qt::LocalTime);
  return local.addMSecs(ms).toMSecsSinceEpoch();
}

bool ReadFileProps(const QString &Path, TFileProps &Props) {
  const QByteArray native = QFile::encodeName(Path);
  struct statx sx {};
  if (statx(AT_FDCWD, native.constData(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
    return false;
  TFileProps p;
  const auto &born = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime;
  p.Created = UnixTimeToDays(born.tv_sec, born.tv_nsec);
  p.Modified = UnixTimeToDays(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
  p.Accessed = UnixTimeToDays(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec);
  p.ReadOnly = (sx.stx_mode & S_IWUSR) == 0;
  p.Hidden = QFileInfo(Path).fileName().startsWith(QLatin1Char('.'));
  Props = p;
  return true;
}

} // namespace platform
