#include "platform/FileInfo.h"

#include "platform/Names.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace platform {
namespace {

const QDate &DayZero() {
  static const QDate zero(1899, 12, 30);
  return zero;
}

constexpr double kMsecsPerDay = 86400000.0;
constexpr qint64 kMsecsPerDayInt = 86400000;
constexpr qint64 kMsecsPerHour = 3600000;
// 1 January 1970 in days since 30 December 1899.
constexpr qint64 kEpochDay = 25569;

// Qt's conversion of one instant, the reference for every other path.
double QtLocalDays(qint64 Ms) {
  const QDateTime local = QDateTime::fromMSecsSinceEpoch(Ms, Qt::LocalTime);
  const qint64 days = DayZero().daysTo(local.date());
  return double(days) + double(local.time().msecsSinceStartOfDay()) / kMsecsPerDay;
}

// Local wall-clock time minus UTC at Ms, in milliseconds, as Qt's conversion has it.
qint64 QtOffset(qint64 Ms) {
  const QDateTime local = QDateTime::fromMSecsSinceEpoch(Ms, Qt::LocalTime);
  const qint64 wall =
      (DayZero().daysTo(local.date()) - kEpochDay) * kMsecsPerDayInt + local.time().msecsSinceStartOfDay();
  return wall - Ms;
}

constexpr qint64 kNoOffset = std::numeric_limits<qint64>::min();

// Qt asks the C library for every conversion, and glibc then checks /etc/localtime with a stat call:
// about 2 us each, three per file. Offsets change at most at one instant within an hour, so an hour
// with the same offset at both ends has it throughout. The table is dropped when TZ changes and after
// a second, so a change of the system zone is seen as soon as Qt would see it, give or take that
// second. kNoOffset: the hour holds a change, or lies outside 1970 to 2099; Qt converts those itself.
qint64 CachedOffset(qint64 Ms) {
  constexpr qint64 kFirst = 0, kEnd = qint64(4102444800) * 1000;
  if (Ms < kFirst || Ms >= kEnd)
    return kNoOffset;
  struct TCache {
    std::unordered_map<qint64, qint64> m_offsets;
    bool m_hasZone = false;
    std::string m_zone;
    QDeadlineTimer m_expiry;
  };
  thread_local TCache cache;
  const char *zone = std::getenv("TZ");
  const bool sameZone = zone ? cache.m_hasZone && cache.m_zone == zone : !cache.m_hasZone;
  if (!sameZone || cache.m_expiry.hasExpired()) {
    cache.m_offsets.clear();
    cache.m_hasZone = zone != nullptr;
    cache.m_zone = zone ? zone : "";
    cache.m_expiry = QDeadlineTimer(1000, Qt::CoarseTimer);
  }
  const qint64 hour = Ms / kMsecsPerHour;
  const auto found = cache.m_offsets.find(hour);
  if (found != cache.m_offsets.end())
    return found->second;
  const qint64 start = QtOffset(hour * kMsecsPerHour);
  const qint64 offset = start == QtOffset((hour + 1) * kMsecsPerHour - 1) ? start : kNoOffset;
  cache.m_offsets.emplace(hour, offset);
  return offset;
}

} // namespace

double UnixTimeToDays(qint64 Seconds, qint64 Nanoseconds) {
  const qint64 ms = Seconds * 1000 + Nanoseconds / 1000000;
  const qint64 offset = CachedOffset(ms);
  if (offset == kNoOffset)
    return QtLocalDays(ms);
  const qint64 wall = ms + offset;
  const qint64 day = wall / kMsecsPerDayInt - (wall % kMsecsPerDayInt < 0 ? 1 : 0);
  return double(day + kEpochDay) + double(wall - day * kMsecsPerDayInt) / kMsecsPerDay;
}

qint64 DaysToUnixMsecs(double Days) {
  const double whole = std::floor(Days);
  const QDate date = DayZero().addDays(qint64(whole));
  const int ms = int(std::llround((Days - whole) * kMsecsPerDay));
  const QDateTime local(date, QTime::fromMSecsSinceStartOfDay(0), Qt::LocalTime);
  return local.addMSecs(ms).toMSecsSinceEpoch();
}

namespace {

TFileProps PropsOf(const struct statx &Sx, const QString &Path) {
  TFileProps p;
  const auto &born = (Sx.stx_mask & STATX_BTIME) ? Sx.stx_btime : Sx.stx_ctime;
  p.Created = UnixTimeToDays(born.tv_sec, born.tv_nsec);
  p.Modified = UnixTimeToDays(Sx.stx_mtime.tv_sec, Sx.stx_mtime.tv_nsec);
  p.Accessed = UnixTimeToDays(Sx.stx_atime.tv_sec, Sx.stx_atime.tv_nsec);
  p.ReadOnly = (Sx.stx_mode & S_IWUSR) == 0;
  p.Hidden = Path.sliced(Path.lastIndexOf(QLatin1Char('/')) + 1).startsWith(QLatin1Char('.'));
  return p;
}

constexpr unsigned kPropsMask = STATX_BASIC_STATS | STATX_BTIME;

} // namespace

bool ReadFileProps(const QString &Path, TFileProps &Props) {
  const QByteArray native = platform::EncodeName(Path);
  struct statx sx {};
  if (statx(AT_FDCWD, native.constData(), 0, kPropsMask, &sx) != 0)
    return false;
  Props = PropsOf(sx, Path);
  return true;
}

TOpenedFile OpenRegularFile(const QString &Path, const TFileId *Expected) {
  TOpenedFile opened;
  const QByteArray native = platform::EncodeName(Path);
  int fd;
  do
    fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    // ELOOP: the name is a link.
    opened.Refused = errno == ELOOP;
    opened.Error = opened.Refused ? 0 : errno;
    return opened;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      (Expected &&
       !(uint64_t(st.st_dev) == Expected->m_device && uint64_t(st.st_ino) == Expected->m_inode))) {
    ::close(fd);
    opened.Refused = true;
    return opened;
  }
  // Reads of a regular file never wait anyway; the flag only kept the open from waiting. Of the flags
  // F_SETFL changes, this open set no other.
  ::fcntl(fd, F_SETFL, 0);
  opened.Fd = fd;
  return opened;
}

TInputFile::TInputFile(const QString &Path, const TFileId *Expected) : m_path(Path) {
  const TOpenedFile opened = OpenRegularFile(Path, Expected);
  m_fd = opened.Fd;
  m_error = opened.Error;
  m_refused = opened.Refused;
}

QString TInputFile::ErrorText() const {
  if (m_fd >= 0)
    return {};
  if (m_refused)
    return QStringLiteral("it is no ordinary file");
  return QString::fromLocal8Bit(std::strerror(m_error));
}

int TInputFile::Release() {
  const int fd = m_fd;
  m_fd = -1;
  return fd;
}

qint64 TInputFile::Size() const {
  struct stat st {};
  if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
    return -1;
  return qint64(st.st_size);
}

bool TInputFile::Identity(TFileIdentity &Identity) const {
  return m_fd >= 0 && IdentityOfFd(m_fd, Identity);
}

TInputFile::~TInputFile() {
  if (m_fd >= 0)
    ::close(m_fd);
}

qint64 TInputFile::Read(char *Buffer, qint64 Size) {
  qint64 got = 0;
  while (got < Size && !m_atEnd) {
    const ssize_t n = ::read(m_fd, Buffer + got, size_t(Size - got));
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return got > 0 ? got : -1;
    // The end seen once is the end: no second read just to be told again.
    m_atEnd = n == 0;
    got += n;
  }
  return got;
}

bool TInputFile::ReadProps(TFileProps &Props) const {
  struct statx sx {};
  if (m_fd < 0 || statx(m_fd, "", AT_EMPTY_PATH, kPropsMask, &sx) != 0)
    return false;
  Props = PropsOf(sx, m_path);
  return true;
}

} // namespace platform
