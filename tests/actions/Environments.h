#pragma once
// Places the file-action tests need beyond a temporary folder: a run without root rights (root may
// write anywhere, so permission faults only show for an ordinary user) and a second file system.

#include <QString>
#include <QtGlobal>

namespace actionenv {

// What the current test should do about needing an ordinary user.
struct TAsUser {
  enum EKind { RunHere, RanInChild, Skip } Kind = RunHere;
  QString Reason;
};

// Not root: RunHere. Root: runs this test again as the user "nobody" in a child process whose failure
// is this test's (RanInChild), or Skip with a reason.
TAsUser RunAsOrdinaryUser();

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

// Runs the rest of the test as an ordinary user: skips with the reason, or returns after the child ran.
#define RUN_AS_ORDINARY_USER()                                                                               \
  do {                                                                                                       \
    const actionenv::TAsUser asUser = actionenv::RunAsOrdinaryUser();                                        \
    if (asUser.Kind == actionenv::TAsUser::Skip)                                                             \
      GTEST_SKIP() << asUser.Reason.toStdString();                                                           \
    if (asUser.Kind == actionenv::TAsUser::RanInChild)                                                       \
      return;                                                                                                \
  } while (0)
