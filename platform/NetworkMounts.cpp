#include "platform/NetworkMounts.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include <unistd.h>

#include <utility>

namespace platform {

namespace {
// How long a tool told to stop may take before it is made to.
constexpr int EndGraceMs = 1000;

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
  if (!process.waitForFinished(MountToolTimeoutMs)) {
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

// One run of "gio mount ADDRESS" with its input open for the answers to its questions. Waiting
// runs the events of the thread (user input aside), so the windows repaint meanwhile.
class TMountTool {
public:
  TMountTool(const QString &Tool, const QString &Address) {
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_loop, [this] {
      m_output += m_process.readAllStandardOutput();
      if (!m_question && (m_question = ParseMountQuestion(QString::fromLocal8Bit(m_output))))
        m_loop.quit();
    });
    QObject::connect(&m_process, &QProcess::finished, &m_loop, &QEventLoop::quit);
    QObject::connect(&m_process, &QProcess::errorOccurred, &m_loop, &QEventLoop::quit);
    m_process.start(Tool, {QStringLiteral("mount"), Address});
  }

  bool Running() const { return m_process.state() != QProcess::NotRunning; }

  // Until the tool asks or ends; false when Ms pass first.
  bool Wait(int Ms) {
    const QDeadlineTimer deadline(Ms);
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &m_loop, &QEventLoop::quit);
    while (!m_question && Running()) {
      if (deadline.hasExpired())
        return false;
      limit.start(int(deadline.remainingTime()));
      m_loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return true;
  }

  std::optional<TMountQuestion> TakeQuestion() {
    auto question = std::exchange(m_question, std::nullopt);
    if (question)
      m_output.clear();
    return question;
  }

  void Reply(const QString &Answer) {
    if (!Running())
      return;
    // One line per answer: a line break inside it would answer the next question too.
    QByteArray line = Answer.toUtf8();
    line.replace('\n', QByteArray()).replace('\r', QByteArray());
    line.append('\n');
    m_process.write(line);
    line.fill('\0');
  }

  // A closed input makes the tool give up its login; one that does not is stopped, then killed.
  void End() {
    for (const auto stop : {&QProcess::closeWriteChannel, &QProcess::terminate, &QProcess::kill}) {
      (m_process.*stop)();
      const QDeadlineTimer grace(EndGraceMs);
      // A question asked after the input closed goes unanswered.
      while (Running() && Wait(int(grace.remainingTime())))
        TakeQuestion();
      if (!Running())
        return;
    }
    m_process.waitForFinished();
  }

  TMountResult Result() {
    TMountResult result;
    if (m_process.error() == QProcess::FailedToStart) {
      result.Message = QStringLiteral("gio could not be started");
      return result;
    }
    result.Ok = m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    if (!result.Ok)
      result.Message = QString::fromLocal8Bit(m_process.readAllStandardError()).trimmed();
    return result;
  }

private:
  QProcess m_process;
  QEventLoop m_loop;
  QByteArray m_output; // since the last answer
  std::optional<TMountQuestion> m_question;
};
} // namespace

bool NetworkMountsAvailable() {
  return !gioTool().isEmpty();
}

TMountResult MountNetworkLocation(const QString &Address, const TMountAnswer &Answer, int TimeoutMs) {
  const QString address = Address.trimmed();
  if (address.isEmpty() || !address.contains(QLatin1String("://")))
    return {false, QStringLiteral("not an address: ") + Address};
  const QString program = gioTool();
  if (program.isEmpty())
    return {false, QStringLiteral("gio not found")};
  TMountTool tool(program, address);
  for (;;) {
    const bool inTime = tool.Wait(TimeoutMs);
    if (const auto question = tool.TakeQuestion()) {
      if (!Answer) {
        tool.End();
        return {false, question->Message};
      }
      const std::optional<QString> answer = Answer(*question);
      if (!answer) {
        tool.End();
        return {false, QString(), true};
      }
      tool.Reply(*answer);
      continue;
    }
    if (!inTime) {
      tool.End();
      return {false, QStringLiteral("gio did not answer")};
    }
    return tool.Result();
  }
}

std::optional<TMountQuestion> ParseMountQuestion(const QString &Output) {
  // "User [guest]: ", "Domain [WORKGROUP]: ", "Password: ", "Choice: ": the tool's prompts, which it
  // does not translate, each waiting on the line it ends.
  static const QRegularExpression prompt(QStringLiteral("^(User|Domain|Password|Choice)(?: \\[(.*)\\])?: $"));
  static const QRegularExpression choiceLine(QStringLiteral("^\\[\\d+\\] (.*)$"));
  using TKind = TMountQuestion::TKind;
  static const std::pair<QString, TKind> kinds[] = {{QStringLiteral("User"), TKind::User},
                                                    {QStringLiteral("Domain"), TKind::Domain},
                                                    {QStringLiteral("Password"), TKind::Password},
                                                    {QStringLiteral("Choice"), TKind::Choice}};
  const int lastBreak = Output.lastIndexOf(QLatin1Char('\n'));
  const auto match = prompt.match(Output.mid(lastBreak + 1));
  if (!match.hasMatch())
    return std::nullopt;
  TMountQuestion question;
  for (const auto &[word, kind] : kinds)
    if (match.captured(1) == word)
      question.Kind = kind;
  question.Default = match.captured(2);
  QStringList message;
  const QString before = lastBreak < 0 ? QString() : Output.left(lastBreak);
  for (const QString &line : before.split(QLatin1Char('\n'))) {
    const auto choice = choiceLine.match(line.trimmed());
    if (question.Kind == TKind::Choice && choice.hasMatch())
      question.Choices << choice.captured(1);
    else if (!line.trimmed().isEmpty())
      message << line.trimmed();
  }
  question.Message = message.join(QLatin1Char('\n'));
  return question;
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
