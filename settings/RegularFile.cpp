#include "settings/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int OpenRegularFile(const QString &Path, qint64 *Size) {
  const QByteArray name = QFile::encodeName(Path);
  if (name.isEmpty())
    return -1;
  // O_NONBLOCK: a FIFO opens at once instead of waiting for a writer, and is then refused below.
  int fd;
  do
    fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  if (fd < 0)
    return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  if (Size)
    *Size = qint64(st.st_size);
  return fd;
}

bool ReadWhole(int Fd, qint64 Cap, QByteArray &Data) {
  Data.clear();
  struct stat st {};
  if (Fd < 0 || Cap < 0 || ::fstat(Fd, &st) != 0 || qint64(st.st_size) > Cap)
    return false;
  Data.reserve(qsizetype(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(Fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0) {
      Data.clear();
      return false;
    }
    if (n == 0)
      return true;
    if (Data.size() + n > Cap) {
      Data.clear();
      return false;
    }
    Data.append(buffer, qsizetype(n));
  }
}

bool ReadRegularFile(const QString &Path, qint64 Cap, QByteArray &Data) {
  Data.clear();
  const int fd = OpenRegularFile(Path);
  if (fd < 0)
    return false;
  const bool ok = ReadWhole(fd, Cap, Data);
  ::close(fd);
  return ok;
}
