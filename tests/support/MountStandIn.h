#pragma once
// A stand-in for "gio" first on PATH while it lives: "gio mount ADDRESS" asks for a login as the
// real tool does (its message, then "User [guest]: ", "Domain [WORKGROUP]: ", "Password: ", each
// waiting on its line), mounts only for the right answers and fails with a message for a wrong one.

#include "tests/support/TestEnv.h"

#include <QStringList>

class TMountStandIn {
public:
  enum class TMode {
    Login,    // asks and checks, as above
    Stubborn, // asks, but ignores a closed input and SIGTERM: only being killed ends it
    Silent,   // neither asks nor ends
    Question, // asks first whether to go on ("[1] Log In Anyway", "[2] Cancel"), then logs in
  };
  static constexpr const char *Doubt = "The identity of \"host\" cannot be verified."; // no single quote
  static constexpr const char *User = "alice";
  static constexpr const char *Password = "p\xC3\xA4ss word\"$1 ;x"; // spaces, quotes, a non-ASCII letter
  static constexpr const char *Message = "Authentication Required";

  explicit TMountStandIn(TMode Mode = TMode::Login);
  ~TMountStandIn();
  TMountStandIn(const TMountStandIn &) = delete;
  TMountStandIn &operator=(const TMountStandIn &) = delete;

  // The arguments of the last run, one a line.
  QStringList Arguments() const;
  // Whether the last run mounted.
  bool Mounted() const;
  // Whether the process of the last run is still alive.
  bool Running() const;
  QString Folder() const { return m_dir.path(); }

private:
  TestDir m_dir;
  QByteArray m_oldPath;
};
