#include "tests/support/MountOver.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

TMountOver::TMountOver(const QString &Folder, const char *Type, const QByteArray &Source,
                       const QByteArray &Options)
    : m_folder(QFile::encodeName(Folder)) {
  if (::geteuid() != 0) {
    m_reason = "only root may mount";
    return;
  }
  QDir().mkpath(Folder);
  if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      ::mount(Source.constData(), m_folder.constData(), Type, 0, Options.constData()) != 0)
    m_reason =
        QStringLiteral("mounting %1 failed: %2").arg(Type, QString::fromLocal8Bit(std::strerror(errno)));
  else
    m_mounted = true;
}

TMountOver::~TMountOver() {
  if (m_mounted)
    ::umount2(m_folder.constData(), MNT_DETACH);
}
