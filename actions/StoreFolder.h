#pragma once
// The store folder: where Move and Copy put a file (below the store S, /dir1/dir2/name is stored at
// S/dir1/dir2/name, and nothing else records where it came from), and the tests a store or restore
// folder must pass before a run starts.

#include "platform/FileAt.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <stdexcept>

// A mirrored folder of the store could not be made; the run ends at that file.
class EStoreFolder : public std::runtime_error {
public:
  explicit EStoreFolder(const QString &Folder) : std::runtime_error("store folder"), m_folder(Folder) {}
  // The folder that could not be made.
  const QString &Folder() const { return m_folder; }

private:
  QString m_folder;
};

// Whether Path is absolute and free of empty, "." and ".." components, so that it names one place and
// mirrors into a store without leaving it.
bool IsCleanAbsolutePath(const QString &Path);

// The store folder of a run, opened once: its own levels are the user's choice and may pass through
// links, but once open, a link put on its path later cannot take the run elsewhere.
class TOpenStore {
public:
  explicit TOpenStore(const QString &Store);
  const QString &Path() const { return m_path; }
  // Not open when the store's own levels could not be made or opened.
  const platform::TFolderFd &Fd() const { return m_fd; }

private:
  QString m_path;
  platform::TFolderFd m_fd;
};

// Where a file goes in the store: its mirrored folder, open, and a free name in it.
struct TStoreTarget {
  platform::TFolderFd Folder;
  QByteArray Name;
  // The whole path, as the store's path leads to it.
  QString Path;
};

// The mirrored folder for Source inside Store, with a trailing "/", every level made; "" when a level
// cannot be made, when Source is not a clean absolute path, or when the store is not absolute. A level
// below the store must be a real folder, never a link, so nothing is made outside the store.
// FailedFolder, when given, receives the level that could not be made.
QString MakeStorePath(const QString &Source, const QString &Store, QString *FailedFolder = nullptr);

// The target for Source inside the opened Store: the mirrored folder, each level made (mkdirat) and
// opened inside the one above without following a link, and the mirrored name, or when that is taken
// the first free "name-copy-N.ext" (N from 2). Throws EStoreFolder when the folder cannot be made.
TStoreTarget MakeStoreTargetAt(const TOpenStore &Store, const QString &Source);
// Its full name.
QString MakeStoreTarget(const QString &Store, const QString &Source);

// Whether a file can be made in Folder: a probe with a fresh random name is created exclusively and
// removed again. A file this did not create is never touched.
bool IsFolderWritable(const QString &Folder);

// Whether Folder holds no entry at all (hidden ones count); a folder that cannot be listed counts as
// empty.
bool IsFolderEmpty(const QString &Folder);

// Whether Folder can be a store to restore from: it is empty, or each of its entries is a folder whose
// name is also a folder directly under "/". A folder that cannot be listed passes.
bool HoldsOnlyDriveLetters(const QString &Folder);

// Outcome of the store-folder checks: TextId 0 when the store may be used, else the text to show
// (2073 no such folder, 2512 not writable, 2513 no room, 2514 not empty); Argument is the mount point
// for 2513.
struct TStoreCheck {
  int TextId = 0;
  QString Argument;
};

// The checks before a Move or Copy, in their order. StoreFolder is the folder as AddSlash gave it;
// MarkedSize the total size of the marked files, which must be strictly below the free space.
TStoreCheck CheckStoreFolder(const QString &StoreFolder, qint64 MarkedSize,
                             const std::function<qint64(const QString &)> &FreeSpaceOf = {});
