#include "tests/actions/Environments.h"

#include "platform/Folders.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace actionenv {
namespace {

QString MakeTempFolder(const QString &Under) {
  QByteArray pattern = QFile::encodeName(Under) + "/pairhound-XXXXXX";
  return ::mkdtemp(pattern.data()) ? QFile::decodeName(pattern) : QString();
}

} // namespace

bool OnDifferentDevices(const QString &A, const QString &B) {
  struct stat a, b;
  return ::stat(QFile::encodeName(A).constData(), &a) == 0 &&
         ::stat(QFile::encodeName(B).constData(), &b) == 0 && a.st_dev != b.st_dev;
}

TOtherFileSystem::TOtherFileSystem(qint64 Size, bool MustMount) {
  if (::geteuid() == 0) {
    // A private mount namespace takes the mount away when the test process ends, however it ends.
    const bool own =
        ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    m_mountPoint = MakeTempFolder(QDir::tempPath());
    const QByteArray options = "size=" + QByteArray::number(Size) + ",mode=0777";
    if (!m_mountPoint.isEmpty() &&
        ::mount("tmpfs", QFile::encodeName(m_mountPoint).constData(), "tmpfs", 0, options.constData()) == 0) {
      m_mounted = true;
      m_path = m_mountPoint + "/data";
      QDir().mkpath(m_path);
      ::chmod(QFile::encodeName(m_path).constData(), 0777);
      return;
    }
    m_reason = "mounting a tmpfs failed: " + QString::fromLocal8Bit(std::strerror(errno)) +
               (own ? QString() : " (no private mount namespace)");
    if (!m_mountPoint.isEmpty())
      ::rmdir(QFile::encodeName(m_mountPoint).constData());
    m_mountPoint.clear();
  } else {
    m_reason = "only root may mount a tmpfs";
  }
  if (MustMount)
    return;
  const QString uidRun = "/run/user/" + QString::number(::getuid());
  for (const QString &candidate : QStringList{"/dev/shm", uidRun, "/var/tmp"}) {
    if (::access(QFile::encodeName(candidate).constData(), W_OK | X_OK) != 0 ||
        !OnDifferentDevices(candidate, QDir::tempPath()))
      continue;
    m_path = MakeTempFolder(candidate);
    if (!m_path.isEmpty())
      return;
  }
  m_reason += "; and no writable folder on another device than the temporary folder";
}

TOtherFileSystem::~TOtherFileSystem() {
  if (m_mounted) {
    ::umount2(QFile::encodeName(m_mountPoint).constData(), MNT_DETACH);
    ::rmdir(QFile::encodeName(m_mountPoint).constData());
  } else if (!m_path.isEmpty()) {
    DeleteFolderTree(m_path);
  }
}

bool TOtherFileSystem::MakeReadOnly() {
  return m_mounted && ::mount(nullptr, QFile::encodeName(m_mountPoint).constData(), nullptr,
                              MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

} // namespace actionenv
