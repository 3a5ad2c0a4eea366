#pragma once
// What a search had to leave out because a name is not text (not valid UTF-8): such a file cannot be
// named again from its text, so it is counted and the user is told, never dropped in silence.

#include <QString>
#include <QStringList>

#include <cstdint>

struct TLeftOut {
  // How many paths a message shows.
  static constexpr int Shown = 5;

  int64_t Files = 0;
  // Folders left out with everything in them.
  int64_t Folders = 0;
  // The first paths left out, in walk order, the bytes that are not text escaped.
  QStringList Paths;

  bool IsEmpty() const { return Files == 0 && Folders == 0; }
  void Add(bool Folder, const QString &EscapedPath) {
    ++(Folder ? Folders : Files);
    if (Paths.size() < Shown)
      Paths << EscapedPath;
  }
};
