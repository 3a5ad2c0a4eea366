#pragma once
// Places the file-action tests need beyond a temporary folder: a run without root rights (AsUser.h) and a
// second file system.

#include "tests/support/AsUser.h"

#include <QString>
#include <QtGlobal>

namespace actionenv {

// A small tmpfs mounted in this process's own mount namespace, or else a folder on another device
// than the temporary folder.
class TOtherFileSystem {
public:
  // MustMount: only a tmpfs of Size bytes will do.
  explicit TOtherFileSystem(qint64 Size, bool MustMount = false);
  ~TOtherFileSystem();
  TOtherFileSystem(const TOtherFileSystem &) = delete;
  TOtherFileSystem &operator=(const TOtherFileSystem &) = delete;

  bool IsValid() const { return !m_path.isEmpty(); }
  bool IsMounted() const { return m_mounted; }
  const QString &Reason() const { return m_reason; } // why there is none
  const QString &Path() const { return m_path; }     // an empty folder there, without a trailing "/"
  bool MakeReadOnly();                               // of the mounted tmpfs

private:
  QString m_mountPoint;
  QString m_path;
  QString m_reason;
  bool m_mounted = false;
};

bool OnDifferentDevices(const QString &A, const QString &B);

} // namespace actionenv
