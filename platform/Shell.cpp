#include "platform/Shell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace platform {

bool OpenDocument(const QString &Path) {
  if (Path.isEmpty())
    return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(Path));
}

bool StartProgram(const QString &Program, const QStringList &Arguments) {
  if (Program.isEmpty())
    return false;
  return QProcess::startDetached(Program, Arguments);
}

QStringList SystemFolders() {
  return {QStringLiteral("/usr"), QStringLiteral("/etc"), QStringLiteral("/boot"), QStringLiteral("/opt")};
}

} // namespace platform
