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

// Not root: RunHere. Root: runs this very test again in a child process as the user "nobody" and
// records the child's failure as this test's (RanInChild), or Skip with a reason when that cannot be
// done here.
TAsUser RunAsOrdinaryUser();

// A small tmpfs mounted in a mount namespace of this process (so it goes away with it), or, where
// mounting is not allowed, a folder on another device than the temporary folder found at run time.
class TOtherFileSystem {
public:
  // Size: the tmpfs size in bytes. MustMount: only a tmpfs of that size will do (no fallback).
  explicit TOtherFileSystem(qint64 Size, bool MustMount = false);
  ~TOtherFileSystem();
  TOtherFileSystem(const TOtherFileSystem &) = delete;
  TOtherFileSystem &operator=(const TOtherFileSystem &) = delete;

  bool IsValid() const { return !m_path.isEmpty(); }
  bool IsMounted() const { return m_mounted; }
  // Why no other file system is available.
  const QString &Reason() const { return m_reason; }
  // A fresh empty folder on the other file system, without a trailing "/".
  const QString &Path() const { return m_path; }
  // Makes the mounted tmpfs read-only.
  bool MakeReadOnly();

private:
  QString m_mountPoint;
  QString m_path;
  QString m_reason;
  bool m_mounted = false;
};

// Whether two paths lie on different devices.
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
