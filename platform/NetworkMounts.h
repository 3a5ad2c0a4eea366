#pragma once
// Network locations (smb://, sftp://, ...) mounted and unmounted through GIO's command-line tool,
// so they appear under the user's GVfs folder and can be searched like local folders.

#include <QString>
#include <QStringList>

namespace platform {

struct TMountResult {
  bool Ok = false;
  QString Message; // what the tool said when it failed
};

// Whether the "gio" tool is present; without it nothing can be mounted here.
bool NetworkMountsAvailable();

// Mounts Address (for example smb://host/share). Never asks for a password: a location that needs
// one fails with the tool's message.
TMountResult MountNetworkLocation(const QString &Address);

// The addresses of the mounted network locations.
QStringList MountedNetworkLocations();

TMountResult UnmountNetworkLocation(const QString &Address);

// The folder under which GIO shows the mounted network locations as ordinary folders.
QString NetworkMountsFolder();

// The non-local mount addresses in the output of "gio mount -l".
QStringList ParseMountList(const QString &Output);

} // namespace platform
