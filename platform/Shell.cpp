#include "platform/Shell.h"

#include "platform/Names.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

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

QString FileUrl(const QString &Path) {
  return QStringLiteral("file://") + QString::fromLatin1(EncodeName(Path).toPercentEncoding("/"));
}

bool OpenDocument(const QString &Path) {
  if (Path.isEmpty())
    return false;
  // As a URL, so that no name can pass for an option of the launcher.
  const QString url = FileUrl(Path);
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
  // Made before forking: the child may only call what is safe in a copy of a threaded process.
  std::vector<QByteArray> words{EncodeName(Program)};
  for (const QString &argument : Arguments)
    words.push_back(EncodeName(argument));
  std::vector<char *> argv;
  for (QByteArray &word : words)
    argv.push_back(word.data());
  argv.push_back(nullptr);
  // The pipe stays open until the program runs (close-on-exec) and carries the error when it does not.
  int pipe[2];
  if (::pipe2(pipe, O_CLOEXEC) != 0)
    return false;
  const pid_t child = ::fork();
  if (child == 0) {
    // The grandchild runs the program in a session of its own and is nobody's child to wait for.
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild != 0)
      ::_exit(grandchild < 0 ? 1 : 0);
    ::execvp(argv[0], argv.data());
    const int error = errno;
    [[maybe_unused]] const ssize_t written = ::write(pipe[1], &error, sizeof error);
    ::_exit(127);
  }
  ::close(pipe[1]);
  if (child < 0) {
    ::close(pipe[0]);
    return false;
  }
  int error = 0;
  ssize_t n;
  do
    n = ::read(pipe[0], &error, sizeof error);
  while (n < 0 && errno == EINTR);
  ::close(pipe[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return n == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

QStringList SystemFolders() {
  return {QStringLiteral("/usr"), QStringLiteral("/etc"), QStringLiteral("/boot"), QStringLiteral("/opt")};
}

} // namespace platform
