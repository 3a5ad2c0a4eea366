#pragma once
// Running part of a GoogleTest case without root rights: root reads and writes anywhere, so permission
// faults only show for an ordinary user, and CI runs as root.

#include <QString>

namespace testenv {

// What the current test should do about needing an ordinary user.
struct TAsUser {
  enum EKind { RunHere, RanInChild, Skip } Kind = RunHere;
  QString Reason;
};

// Not root: RunHere. Root: runs this test again as the user "nobody" in a child process whose failure
// is this test's (RanInChild), or Skip with a reason.
TAsUser RunAsOrdinaryUser();

} // namespace testenv

// Runs the rest of the test as an ordinary user: skips with the reason, or returns after the child ran
// the whole test again.
#define RUN_AS_ORDINARY_USER()                                                                               \
  do {                                                                                                       \
    const testenv::TAsUser asUser = testenv::RunAsOrdinaryUser();                                            \
    if (asUser.Kind == testenv::TAsUser::Skip)                                                               \
      GTEST_SKIP() << asUser.Reason.toStdString();                                                           \
    if (asUser.Kind == testenv::TAsUser::RanInChild)                                                         \
      return;                                                                                                \
  } while (0)
