#include "engine/Similarity.h"

#include "settings/StringRoutines.h"

#include <utility>

namespace {

double Measure(QString X, QString Y) {
  if (X.isEmpty() || Y.isEmpty())
    return 0;
  if (X == Y)
    return 100;
  if (X.size() > Y.size())
    SwapStrings(X, Y);
  // Multiplied first, so that a whole percentage comes out exact (29 / 50 x 100 would be 57.99...).
  return double(CommonSubstringLength(X, Y)) * 100 / double(Y.size());
}

} // namespace

const QString &TagSeparators() {
  static const QString set = QStringLiteral(" ,.()[]!?\"'-=_&*%+\\/@#$:;{}<>^|");
  return set;
}

int CommonSubstringLength(const QString &A, const QString &B) {
  QString a = A, b = B;
  int total = 0;
  for (;;) {
    if (a.isEmpty() || b.isEmpty())
      return total;
    // A piece that occurs in b has every prefix occurring too, so the longest piece at each start is
    // found by growing it; the first start with the longest piece wins.
    qsizetype bestStart = -1, bestLength = 3;
    for (qsizetype i = 0; i + bestLength < a.size(); ++i) {
      qsizetype length = bestLength + 1;
      if (!b.contains(QStringView(a).mid(i, length)))
        continue;
      while (i + length < a.size() && b.contains(QStringView(a).mid(i, length + 1)))
        ++length;
      bestStart = i;
      bestLength = length;
    }
    if (bestStart < 0)
      return total;
    const QString piece = a.mid(bestStart, bestLength);
    a.remove(bestStart, bestLength);
    b.remove(b.indexOf(piece), bestLength);
    total += int(bestLength);
  }
}

double TextSimilarity(const QString &A, const QString &B) {
  return Measure(A, B);
}

QString TagText(const QString &S) {
  return ReplaceChars(TrimBlanks(S).toUpper(), TagSeparators(), QChar(0));
}

double TagSimilarity(const QString &A, const QString &B) {
  return Measure(TagText(A), TagText(B));
}

QString RemoveExtension(const QString &S) {
  const qsizetype dot = S.lastIndexOf(QLatin1Char('.'));
  if (dot < 0)
    return S;
  qsizetype stop = -1;
  for (const QChar c : {QChar('/'), QChar('\\'), QChar(':')})
    stop = std::max(stop, S.lastIndexOf(c));
  return dot > stop ? S.left(dot) : S;
}

QString ReplaceChars(const QString &S, const QString &Set, QChar R) {
  QString result;
  result.reserve(S.size());
  for (const QChar c : S) {
    if (!Set.contains(c))
      result.append(c);
    else if (!R.isNull())
      result.append(R);
  }
  return result;
}

void SwapStrings(QString &A, QString &B) {
  std::swap(A, B);
}
