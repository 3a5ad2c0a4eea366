#include "platform/Shell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <utility>

namespace platform {

namespace {
// How long a launcher may take to say whether a program took the file. One still running by then is
// running the program itself (a desktop-less xdg-open does), so the file was handed over.
constexpr int LauncherWaitMs = 10000;

std::function<bool(const QUrl &)> &desktopHandler() {
  static std::function<bool(const QUrl &)> handler;
  return handler;
}
} // namespace

bool OpenDocument(const QString &Path) {
  if (Path.isEmpty())
    return false;
  // As a URL, so that no name can pass for an option of the launcher.
  const QString url = QUrl::fromLocalFile(Path).toString(QUrl::FullyEncoded);
  // The launcher's own exit status says whether a program took the file; merely starting the
  // launcher proves nothing.
  const std::pair<QString, QStringList> launchers[] = {
      {QStringLiteral("gio"), {QStringLiteral("open"), url}},
      {QStringLiteral("xdg-open"), {url}},
  };
  for (const auto &[name, arguments] : launchers) {
    const QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty())
      continue;
    auto *launcher = new QProcess;
    launcher->setStandardOutputFile(QProcess::nullDevice());
    launcher->setStandardErrorFile(QProcess::nullDevice());
    launcher->start(program, arguments);
    if (!launcher->waitForFinished(LauncherWaitMs) && launcher->state() == QProcess::Running) {
      QObject::connect(launcher, &QProcess::finished, launcher, &QObject::deleteLater);
      return true;
    }
    const bool opened = launcher->exitStatus() == QProcess::NormalExit && launcher->exitCode() == 0 &&
                        launcher->error() == QProcess::UnknownError;
    delete launcher;
    return opened;
  }
  return false;
}

bool OpenWithDesktop(const QString &Path) {
  if (Path.isEmpty())
    return false;
  const QUrl url = QUrl::fromLocalFile(Path);
  if (const auto &handler = desktopHandler())
    return handler(url);
  return QDesktopServices::openUrl(url);
}

void SetDesktopHandler(std::function<bool(const QUrl &)> Handler) {
  desktopHandler() = std::move(Handler);
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
