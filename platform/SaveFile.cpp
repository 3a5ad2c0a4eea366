#include "platform/SaveFile.h"

#include "platform/FileAt.h"
#include "platform/Names.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

TSaveFile::TSaveFile(const QString &FileName) : m_target(EncodeName(FileName)) {}

TSaveFile::~TSaveFile() {
  if (m_fd >= 0)
    ::close(m_fd);
  if (!m_temp.isEmpty())
    ::unlink(m_temp.constData());
}

bool TSaveFile::Fail(int Error) {
  if (!m_failed)
    m_error = QString::fromLocal8Bit(std::strerror(Error));
  m_failed = true;
  return false;
}

namespace {

// The process's file mask, read without setting it: setting it for a moment would give files that
// other threads make meanwhile a wrong mode.
mode_t CurrentUmask() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (status.open(QIODevice::ReadOnly))
    for (const QByteArray &line : status.readAll().split('\n'))
      if (line.startsWith("Umask:")) {
        bool ok = false;
        const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
        if (ok)
          return mode_t(mask & 0777);
      }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

} // namespace

bool TSaveFile::Open() {
  if (m_target.isEmpty() || m_target.endsWith('/'))
    return Fail(EISDIR);
  const qsizetype slash = m_target.lastIndexOf('/');
  QByteArray temp = m_target.left(slash + 1) + '.' + m_target.mid(slash + 1) + ".XXXXXX";
  m_fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (m_fd < 0)
    return Fail(errno);
  m_temp = temp;
  // The mode a new file gets (the temporary one is private): that of the file it replaces, else
  // what the user's mask lets through.
  struct stat st;
  mode_t mode;
  if (::stat(m_target.constData(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode = 0666 & ~CurrentUmask();
  }
  ::fchmod(m_fd, mode);
  return true;
}

bool TSaveFile::Write(const QByteArray &Data) {
  if (m_failed || m_fd < 0)
    return false;
  return WriteAll(m_fd, Data.constData(), size_t(Data.size())) || Fail(errno);
}

bool TSaveFile::Commit() {
  if (m_failed || m_fd < 0)
    return false;
  const int fd = m_fd;
  m_fd = -1;
  if (::fsync(fd) != 0) {
    const int error = errno;
    ::close(fd);
    return Fail(error);
  }
  if (::close(fd) != 0)
    return Fail(errno);
  if (::rename(m_temp.constData(), m_target.constData()) != 0)
    return Fail(errno);
  m_temp.clear();
  return true;
}

} // namespace platform
