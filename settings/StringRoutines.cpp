#include "settings/StringRoutines.h"

QString ReplaceAll(const QString &Old, const QString &New, const QString &S) {
  if (Old.isEmpty())
    return S;
  if (New.contains(Old)) // repeating would never end; one pass is what such a caller can mean
    return QString(S).replace(Old, New);
  QString result = S;
  qsizetype from = 0;
  for (;;) {
    const qsizetype at = result.indexOf(Old, from);
    if (at < 0)
      return result;
    result.replace(at, Old.size(), New);
    // Nothing before `at` matched, so a new occurrence must overlap the inserted text's start.
    from = qMax<qsizetype>(0, at - Old.size() + 1);
  }
}

QString TrimBlanks(const QString &S) {
  qsizetype first = 0;
  qsizetype last = S.size();
  while (first < last && S.at(first).unicode() <= 0x20)
    ++first;
  while (last > first && S.at(last - 1).unicode() <= 0x20)
    --last;
  return S.mid(first, last - first);
}
