#include "ui/main/DMMain.h"

#include "engine/Archive.h"
#include "platform/NetworkMounts.h"
#include "platform/Shell.h"
#include "settings/Language.h"
#include "ui/dialogs/DialogService.h"
#include "ui/dialogs/NetworkLogin.h"
#include "ui/main/Icons.h"
#include "ui/main/Main.h"

#include <QApplication>
#include <QScopeGuard>
#include <QSystemTrayIcon>

#include <map>
#include <optional>

TdtmMain *dtmMain = nullptr;

QString QtFileFilter(const QString &Filter) {
  const QStringList parts = Filter.split(QLatin1Char('|'));
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2)
    filters << parts.at(i) + QStringLiteral(" (") +
                   QString(parts.at(i + 1)).replace(QLatin1Char(';'), QLatin1Char(' ')) + QLatin1Char(')');
  return filters.join(QStringLiteral(";;"));
}

bool TFileDialog::Execute(QWidget *Owner) {
  auto &dialogs = DialogService::instance();
  const QString filter = QtFileFilter(Filter);
  const QString name = Kind == TKind::Open ? dialogs.getOpenFileName(Owner, Title, FileName, filter)
                                           : dialogs.getSaveFileName(Owner, Title, FileName, filter);
  if (name.isEmpty())
    return false;
  FileName = name;
  return true;
}

TdtmMain::TdtmMain() {
  dtmMain = this;
  DataModuleCreate();
}

TdtmMain::~TdtmMain() {
  DataModuleDestroy();
  if (dtmMain == this)
    dtmMain = nullptr;
}

void TdtmMain::DataModuleCreate() {
  imlTray = TrayFrames();
  for (const QString &folder : platform::SystemFolders())
    if (!folder.isEmpty())
      SystemFolders << folder;
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    m_tray = std::make_unique<QSystemTrayIcon>(ProgramIcon());
    connect(m_tray.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
              if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                tryIconClick();
            });
  }
}

void TdtmMain::DataModuleDestroy() {
  SystemFolders.clear();
  m_tray.reset();
}

void TdtmMain::SetTrayActive(bool Active) {
  m_trayActive = Active;
  if (m_tray)
    m_tray->setVisible(Active);
}

void TdtmMain::SetTrayHint(const QString &Hint) {
  // Every progress call sets it; a desktop tray is told only of a change.
  if (Hint == m_trayHint)
    return;
  m_trayHint = Hint;
  // The hint separates its lines by a carriage return, which desktop tooltips do not break at.
  if (m_tray)
    m_tray->setToolTip(QString(Hint).replace(QLatin1Char('\r'), QLatin1Char('\n')));
}

void TdtmMain::SetTrayIcon(const QIcon &Icon) {
  if (m_tray)
    m_tray->setIcon(Icon);
}

void TdtmMain::tryIconClick() {
  if (!frmMain)
    return;
  frmMain->show();
  frmMain->setWindowState((frmMain->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  frmMain->raise();
  frmMain->activateWindow();
}

void TdtmMain::zipMainTotalProgress(qint64, int Percent) {
  const int p = Percent > 100 ? 100 : Percent;
  if (frmMain)
    frmMain->ProcessProgress(UnpackProgressText(LangText(QStringLiteral("20121")), p));
}

namespace {
bool refuseWithoutTool(QWidget *Owner) {
  if (platform::NetworkMountsAvailable())
    return false;
  ShowInfoFor(Owner, LangText(QStringLiteral("223")));
  return true;
}

// The tool may take a while to reach a server; the windows repaint meanwhile, but take no input.
template <typename Call> platform::TMountResult waiting(Call &&Run) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const platform::TMountResult result = Run();
  QApplication::restoreOverrideCursor();
  return result;
}

void reportFailure(QWidget *Owner, const platform::TMountResult &Result) {
  if (!Result.Ok && !Result.Cancelled)
    ShowInfoFor(Owner, LangText(QStringLiteral("224")) + QStringLiteral("\n") + Result.Message);
}

// Answers the mount tool's questions. It asks user, domain and password one after another; the
// login dialog asks at once for the one asked and those that may follow it, and keeps their answers
// for their questions. Nothing of it is stored anywhere else.
class TLoginAnswers {
public:
  using TKind = platform::TMountQuestion::TKind;
  TLoginAnswers(QWidget *Owner, const QString &Address) : m_owner(Owner), m_address(Address) {}
  ~TLoginAnswers() { forget(); }

  std::optional<QString> operator()(const platform::TMountQuestion &Question) {
    // The dialogs take the pointer as usual, not the hourglass of the wait.
    QApplication::restoreOverrideCursor();
    const auto busyAgain = qScopeGuard([] { QApplication::setOverrideCursor(Qt::WaitCursor); });
    if (Question.Kind == TKind::Choice)
      return choose(Question);
    if (const auto kept = m_later.find(Question.Kind); kept != m_later.end()) {
      const QString answer = kept->second;
      m_later.erase(kept);
      return answer;
    }
    forget();
    TfrmNetworkLogin login(m_owner, m_address, Question.Message);
    login.Ask(Question.Kind, Question.Default);
    // A domain comes only from Windows shares, and only between the user and the password.
    if (Question.Kind == TKind::User && m_address.startsWith(QLatin1String("smb:"), Qt::CaseInsensitive))
      login.Ask(TKind::Domain);
    if (Question.Kind != TKind::Password)
      login.Ask(TKind::Password);
    if (DialogService::instance().execDialog(login) != QDialog::Accepted)
      return std::nullopt;
    for (const TKind later : {TKind::Domain, TKind::Password})
      if (later != Question.Kind && login.Asks(later))
        m_later[later] = login.Answer(later);
    return login.Answer(Question.Kind);
  }

private:
  std::optional<QString> choose(const platform::TMountQuestion &Question) {
    const auto pick =
        DialogService::instance().getItem(m_owner, m_address, Question.Message, Question.Choices);
    if (!pick)
      return std::nullopt;
    return QString::number(Question.Choices.indexOf(*pick) + 1);
  }
  // Best effort only: QString shares its data, so other copies of an answer may outlive this.
  void forget() {
    for (auto &[kind, answer] : m_later)
      answer.fill(QLatin1Char(' '));
    m_later.clear();
  }

  QWidget *m_owner;
  QString m_address;
  std::map<TKind, QString> m_later;
};
} // namespace

bool TdtmMain::ndrMountExecute(QWidget *Owner) {
  if (refuseWithoutTool(Owner))
    return false;
  const auto address = DialogService::instance().getText(
      Owner, LangText(QStringLiteral("221")), LangText(QStringLiteral("225")), QStringLiteral("smb://"));
  if (!address || address->trimmed().isEmpty())
    return false;
  TLoginAnswers answers(Owner, address->trimmed());
  const auto result = waiting([&] {
    return platform::MountNetworkLocation(
        *address, [&answers](const platform::TMountQuestion &Question) { return answers(Question); });
  });
  reportFailure(Owner, result);
  return result.Ok;
}

bool TdtmMain::ndrUnmountExecute(QWidget *Owner) {
  if (refuseWithoutTool(Owner))
    return false;
  const QStringList mounted = platform::MountedNetworkLocations();
  if (mounted.isEmpty()) {
    ShowInfoFor(Owner, LangText(QStringLiteral("226")));
    return false;
  }
  const auto address = DialogService::instance().getItem(Owner, LangText(QStringLiteral("222")),
                                                         LangText(QStringLiteral("227")), mounted);
  if (!address)
    return false;
  const auto result = waiting([&] { return platform::UnmountNetworkLocation(*address); });
  reportFailure(Owner, result);
  return result.Ok;
}
