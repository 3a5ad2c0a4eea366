#pragma once
// Network locations (smb://, sftp://, ...) mounted and unmounted through GIO's command-line tool,
// so they appear under the user's GVfs folder and can be searched like local folders.

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace platform {

struct TMountResult {
  bool Ok = false;
  QString Message;        // what the tool said when it failed
  bool Cancelled = false; // the user cancelled a question of the tool: nothing to report
};

// A question the mount tool asks while it logs in, in the order it asks them.
struct TMountQuestion {
  enum class TKind { User, Domain, Password, Choice };
  TKind Kind = TKind::User;
  QString Message;     // what the tool said before asking: which location, and why
  QString Default;     // what the tool takes for an empty answer
  QStringList Choices; // for Choice: the answers offered, in order
};

// Answers one question; for Choice the index of the pick as decimal text. Nothing cancels the mount.
using TMountAnswer = std::function<std::optional<QString>(const TMountQuestion &)>;

// How long the tool may take to finish or ask; time spent answering does not count.
constexpr int MountToolTimeoutMs = 60000;

// Whether the "gio" tool is present; without it nothing can be mounted here.
bool NetworkMountsAvailable();

// Mounts Address (for example smb://host/share). The tool's questions (user, domain, password, a
// choice) go to Answer, and the answers to the tool's input, never onto its command line; without
// Answer a question fails the mount. Events other than user input go on meanwhile, so the windows
// repaint, and a tool that stays silent longer than TimeoutMs is ended.
TMountResult MountNetworkLocation(const QString &Address, const TMountAnswer &Answer = {},
                                  int TimeoutMs = MountToolTimeoutMs);

// The question at the end of the tool's output since the last answer, when it ends in one.
std::optional<TMountQuestion> ParseMountQuestion(const QString &Output);

// The addresses of the mounted network locations.
QStringList MountedNetworkLocations();

TMountResult UnmountNetworkLocation(const QString &Address);

// The folder under which GIO shows the mounted network locations as ordinary folders.
QString NetworkMountsFolder();

// The non-local mount addresses in the output of "gio mount -l".
QStringList ParseMountList(const QString &Output);

} // namespace platform
