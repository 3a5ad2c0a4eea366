#include "platform/NetworkMounts.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <unistd.h>

namespace platform {

namespace {
constexpr int ToolTimeoutMs = 60000;

QString gioTool() {
  return QStandardPaths::findExecutable(QStringLiteral("gio"));
}

TMountResult runGio(const QStringList &arguments, QString *output = nullptr) {
  TMountResult result;
  const QString tool = gioTool();
  if (tool.isEmpty()) {
    result.Message = QStringLiteral("gio not found");
    return result;
  }
  QProcess process;
  process.start(tool, arguments);
  // A closed input makes the tool fail instead of waiting for a password nobody types.
  process.closeWriteChannel();
  if (!process.waitForFinished(ToolTimeoutMs)) {
    process.kill();
    process.waitForFinished();
    result.Message = QStringLiteral("gio did not answer");
    return result;
  }
  if (output)
    *output = QString::fromLocal8Bit(process.readAllStandardOutput());
  result.Ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
  if (!result.Ok)
    result.Message = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
  return result;
}
} // namespace

bool NetworkMountsAvailable() {
  return !gioTool().isEmpty();
}

TMountResult MountNetworkLocation(const QString &Address) {
  const QString address = Address.trimmed();
  if (address.isEmpty() || !address.contains(QLatin1String("://")))
    return {false, QStringLiteral("not an address: ") + Address};
  return runGio({QStringLiteral("mount"), address});
}

QStringList MountedNetworkLocations() {
  QString output;
  if (!runGio({QStringLiteral("mount"), QStringLiteral("-l")}, &output).Ok)
    return {};
  return ParseMountList(output);
}

TMountResult UnmountNetworkLocation(const QString &Address) {
  return runGio({QStringLiteral("mount"), QStringLiteral("-u"), Address});
}

QString NetworkMountsFolder() {
  QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (runtime.isEmpty())
    runtime = QStringLiteral("/run/user/") + QString::number(::getuid());
  return runtime + QStringLiteral("/gvfs");
}

QStringList ParseMountList(const QString &Output) {
  // Lines such as "Mount(0): share on host -> smb://host/share/".
  static const QRegularExpression mountLine(QStringLiteral("^\\s*Mount\\(\\d+\\):.* -> (\\S+)\\s*$"));
  QStringList addresses;
  for (const QString &line : Output.split(QLatin1Char('\n'))) {
    const auto match = mountLine.match(line);
    if (!match.hasMatch())
      continue;
    const QString address = match.captured(1);
    if (address.startsWith(QLatin1String("file://")) || !address.contains(QLatin1String("://")))
      continue;
    if (!addresses.contains(address))
      addresses << address;
  }
  return addresses;
}

} // namespace platform
