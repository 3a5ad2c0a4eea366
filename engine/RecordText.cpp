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
  qsizetype Depth = 0;
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
  qsizetype Depth = 0;
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

TRecordFields::TRecordFields(const QString &Line) : m_line(Line) {
  // Read through a view: the keys point into m_line, which must not detach.
  const QStringView L(m_line);
  const qsizetype N = L.size();
  qsizetype Depth = 0;
  // Start of the value of the depth-0 field being read, -1 outside one.
  qsizetype ValueStart = -1;
  QStringView Key;
  const auto Close = [&](qsizetype End) {
    if (ValueStart >= 0 && !m_fields.contains(Key))
      m_fields.insert(Key, {ValueStart, End - ValueStart});
    ValueStart = -1;
  };
  for (qsizetype i = 0; i < N; ++i) {
    const QChar C = L[i];
    if (C == OpenBracket) {
      if (Depth == 0) {
        // A key runs to the first "="; a bracket before it means no field starts here. The scan
        // stops at the next bracket, so the line is still read about once.
        qsizetype e = i + 1;
        while (e < N && L[e] != QLatin1Char('=') && L[e] != OpenBracket && L[e] != CloseBracket)
          ++e;
        if (e < N && L[e] == QLatin1Char('=')) {
          Key = L.mid(i + 1, e - i - 1);
          ValueStart = e + 1;
          Depth = 1;
          i = e;
          continue;
        }
      }
      ++Depth;
    } else if (C == CloseBracket && Depth > 0) {
      if (--Depth == 0)
        Close(i);
    }
  }
  Close(N);
}

QStringView TRecordFields::View(const QString &Key) const {
  const auto Found = m_fields.constFind(QStringView(Key));
  return Found == m_fields.cend() ? QStringView() : QStringView(m_line).mid(Found->first, Found->second);
}

QString TRecordFields::Value(const QString &Key) const {
  return View(Key).toString();
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
