#pragma once
// Handing files to the desktop: opening a document or folder with its program, starting a program,
// and the system folders a search should warn about.

#include <QString>
#include <QStringList>

#include <functional>

class QUrl;

namespace platform {

// Opens a file, folder or page with the program the desktop associates with it (gio, else xdg-open).
// False when the launcher says no program took it, or there is no launcher.
bool OpenDocument(const QString &Path);

// Opens a file with the desktop's handler for its kind (QDesktopServices). False when the desktop
// has none; a handler that starts and then finds nothing to open it with is not seen here.
bool OpenWithDesktop(const QString &Path);
// Puts Handler in the desktop's place (tests); an empty one gives the desktop back.
void SetDesktopHandler(std::function<bool(const QUrl &)> Handler);

// The file URL of a local path, its name's bytes percent-encoded as they are.
QString FileUrl(const QString &Path);

// Starts Program with Arguments, detached; false when it could not be started. Both go to the system
// as the mapping's bytes, so a file name that is not UTF-8 reaches the program unchanged.
bool StartProgram(const QString &Program, const QStringList &Arguments);

// The folders of the operating system itself, in the order a warning lists them.
QStringList SystemFolders();

} // namespace platform
