#include "tests/support/AsUser.h"

#include "platform/Folders.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace testenv {

TAsUser RunAsOrdinaryUser() {
  constexpr int NobodyId = 65534;
  if (::geteuid() != 0)
    return {};
  const QString setpriv = QStandardPaths::findExecutable("setpriv");
  if (setpriv.isEmpty())
    return {TAsUser::Skip, "runs as root and has no setpriv to become an ordinary user"};
  // The build folder may be closed to other users: the child runs a copy of this program.
  QByteArray pattern = "/tmp/pairhound-XXXXXX";
  const QString folder = ::mkdtemp(pattern.data()) ? QFile::decodeName(pattern) : QString();
  const QString program = folder + "/asuser";
  if (folder.isEmpty() || !QFile::copy("/proc/self/exe", program) ||
      ::chmod(QFile::encodeName(folder).constData(), 0755) != 0 ||
      ::chmod(QFile::encodeName(program).constData(), 0755) != 0) {
    DeleteFolderTree(folder);
    return {TAsUser::Skip, "cannot place a copy of the test program for an ordinary user"};
  }
  const auto *test = ::testing::UnitTest::GetInstance()->current_test_info();
  const QString filter =
      QStringLiteral("--gtest_filter=%1.%2")
          .arg(QString::fromUtf8(test->test_suite_name()), QString::fromUtf8(test->name()));
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("TMPDIR", "/tmp");
  env.insert("HOME", "/tmp");
  child.setProcessEnvironment(env);
  child.setWorkingDirectory(folder);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(setpriv, {QStringLiteral("--reuid=%1").arg(NobodyId),
                        QStringLiteral("--regid=%1").arg(NobodyId), "--clear-groups", program, filter});
  child.waitForFinished(-1);
  const QByteArray output = child.readAll();
  DeleteFolderTree(folder);
  // A child that never reached the test could not become the user at all (no such user, no rights).
  if (!output.contains("[ RUN      ]"))
    return {TAsUser::Skip, "cannot start a process as an ordinary user: " + QString::fromLocal8Bit(output)};
  EXPECT_TRUE(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0) << "as user nobody:\n"
                                                                                   << output.toStdString();
  EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
  return {TAsUser::RanInChild, {}};
}

} // namespace testenv
