#include "engine/RecordText.h"

#include <QList>

namespace {

const QChar OpenBracket('<');
const QChar CloseBracket('>');
const QChar OpenLookAlike(0x2039);
const QChar CloseLookAlike(0x203A);

} // namespace

QString MakeRecordField(const QString &Key, const QString &Value) {
  QString Field;
  Field.reserve(Key.size() + Value.size() + 3);
  Field += OpenBracket;
  Field += Key;
  Field += QLatin1Char('=');
  Field += Value;
  Field += CloseBracket;
  return Field;
}

qsizetype FindRecordField(const QString &Key, const QString &Line) {
  const qsizetype N = Line.size();
  const qsizetype K = Key.size();
  int Depth = 0;
  for (qsizetype i = 0; i < N; ++i) {
    const QChar C = Line[i];
    if (C == OpenBracket) {
      if (Depth == 0 && i + 1 + K < N && Line[i + 1 + K] == QLatin1Char('=') &&
          QStringView(Line).mid(i + 1, K) == Key)
        return i;
      ++Depth;
    } else if (C == CloseBracket && Depth > 0) {
      --Depth;
    }
  }
  return -1;
}

bool HasRecordField(const QString &Key, const QString &Line) {
  return FindRecordField(Key, Line) >= 0;
}

QString ReadRecordValue(const QString &Key, const QString &Line) {
  const qsizetype P = FindRecordField(Key, Line);
  if (P < 0)
    return QString();
  const qsizetype Start = P + Key.size() + 2;
  int Depth = 0;
  qsizetype End = Start;
  for (; End < Line.size(); ++End) {
    const QChar C = Line[End];
    if (C == CloseBracket) {
      if (Depth == 0)
        break;
      --Depth;
    } else if (C == OpenBracket) {
      ++Depth;
    }
  }
  return Line.mid(Start, End - Start);
}

QString StorableRecordValue(const QString &Value) {
  QString Result = Value;
  QList<qsizetype> Open;
  for (qsizetype i = 0; i < Result.size(); ++i) {
    const QChar C = Result[i];
    if (C == OpenBracket) {
      Open.append(i);
    } else if (C == CloseBracket) {
      if (Open.isEmpty())
        Result[i] = CloseLookAlike;
      else
        Open.removeLast();
    } else if (C == QLatin1Char('\r') || C == QLatin1Char('\n')) {
      // A line break would split the record over two lines of the file.
      Result[i] = QLatin1Char(' ');
    }
  }
  for (qsizetype i : Open)
    Result[i] = OpenLookAlike;
  return Result;
}

bool Contains(const QString &Sub, const QString &S) {
  return S.contains(Sub, Qt::CaseSensitive);
}

bool StartsWith(const QString &Sub, const QString &S) {
  return S.startsWith(Sub, Qt::CaseSensitive);
}

QString AddDefaultExt(const QString &Name, const QString &Ext) {
  const qsizetype Slash = Name.lastIndexOf(QLatin1Char('/'));
  const qsizetype Dot = Name.lastIndexOf(QLatin1Char('.'));
  if (Dot > Slash)
    return Name;
  return Name + Ext;
}
