#include "tests/support/MountStandIn.h"

#include "platform/Names.h"

#include <QFile>

#include <cerrno>
#include <signal.h>

namespace {
// The login as "gio mount" asks for it; @...@ are filled in below.
const char *const LoginScript = R"(#!/bin/sh
printf '%s\n' "$@" > '@DIR@/args'
echo $$ > '@DIR@/pid'
[ "$1" = mount ] || exit 1
@BEFORE@
echo '@MESSAGE@'
echo 'Enter user and password for share "share" on "host":'
printf 'User [guest]: '
IFS= read -r user || @GIVEUP@
printf 'Domain [WORKGROUP]: '
IFS= read -r domain || @GIVEUP@
printf 'Password: '
IFS= read -r password || @GIVEUP@
echo
[ -n "$domain" ] || domain=WORKGROUP
if [ "$user" != '@USER@' ] || [ "$domain" != WORKGROUP ] || [ "$password" != '@PASSWORD@' ]; then
  echo "gio: $2: Login failed" >&2
  exit 2
fi
: > '@DIR@/mounted'
)";

// Only the first answer goes on.
const char *const QuestionScript = R"(echo '@DOUBT@'
echo '[1] Log In Anyway'
echo '[2] Cancel'
printf 'Choice: '
IFS= read -r choice || exit 2
[ "$choice" = 1 ] || exit 2)";

QByteArray script(TMountStandIn::TMode Mode, const QByteArray &Folder) {
  using TMode = TMountStandIn::TMode;
  QByteArray text(LoginScript);
  // Silent never gets to its questions; Stubborn ignores SIGTERM and a closed input.
  text.replace("@BEFORE@", Mode == TMode::Silent     ? "exec sleep 600"
                           : Mode == TMode::Stubborn ? "trap '' TERM"
                           : Mode == TMode::Question ? QuestionScript
                                                     : "");
  text.replace("@DOUBT@", TMountStandIn::Doubt);
  text.replace("@GIVEUP@", Mode == TMode::Stubborn ? "exec sleep 600" : "exit 2");
  text.replace("@DIR@", Folder);
  text.replace("@MESSAGE@", TMountStandIn::Message);
  text.replace("@USER@", TMountStandIn::User);
  text.replace("@PASSWORD@", TMountStandIn::Password);
  return text;
}
} // namespace

TMountStandIn::TMountStandIn(TMode Mode) : m_oldPath(qgetenv("PATH")) {
  const QString tool = m_dir.createFile("gio", script(Mode, platform::EncodeName(m_dir.path())));
  QFile::setPermissions(tool, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  qputenv("PATH", platform::EncodeName(m_dir.path()) + ":" + m_oldPath);
}

TMountStandIn::~TMountStandIn() {
  qputenv("PATH", m_oldPath);
}

QStringList TMountStandIn::Arguments() const {
  return QString::fromUtf8(testenv::ReadFile(m_dir.filePath("args"))).split('\n', Qt::SkipEmptyParts);
}

bool TMountStandIn::Mounted() const {
  return QFile::exists(m_dir.filePath("mounted"));
}

bool TMountStandIn::Running() const {
  bool ok = false;
  const pid_t pid = QString::fromUtf8(testenv::ReadFile(m_dir.filePath("pid"))).trimmed().toInt(&ok);
  return ok && pid > 0 && (::kill(pid, 0) == 0 || errno != ESRCH);
}
