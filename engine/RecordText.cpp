#include "engine/RecordText.h"

#include <QList>

namespace {

const QChar OpenBracket('<');
const QChar CloseBracket('>');

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

namespace {

const QChar EscapeMark('%');

bool IsLoneSurrogate(const QString &Text, qsizetype i) {
  const QChar C = Text[i];
  if (C.isHighSurrogate())
    return i + 1 >= Text.size() || !Text[i + 1].isLowSurrogate();
  if (C.isLowSurrogate())
    return i == 0 || !Text[i - 1].isHighSurrogate();
  return false;
}

// Characters that a stored value may not hold as they are.
bool NeedsEscape(const QString &Text, qsizetype i) {
  const QChar C = Text[i];
  return C == OpenBracket || C == CloseBracket || C == QLatin1Char('\r') || C == QLatin1Char('\n') ||
         IsLoneSurrogate(Text, i);
}

int HexDigit(QChar C) {
  const char16_t U = C.unicode();
  if (U >= u'0' && U <= u'9')
    return U - u'0';
  if (U >= u'A' && U <= u'F')
    return U - u'A' + 10;
  if (U >= u'a' && U <= u'f')
    return U - u'a' + 10;
  return -1;
}

// The number written by Digits hex digits at Start, or -1.
int HexAt(QStringView Text, qsizetype Start, int Digits) {
  if (Start + Digits > Text.size())
    return -1;
  int Value = 0;
  for (int k = 0; k < Digits; ++k) {
    const int D = HexDigit(Text[Start + k]);
    if (D < 0)
      return -1;
    Value = Value * 16 + D;
  }
  return Value;
}

} // namespace

QString EscapeRecordValue(const QString &Value, bool &Escaped) {
  Escaped = false;
  for (qsizetype i = 0; i < Value.size() && !Escaped; ++i)
    Escaped = NeedsEscape(Value, i);
  if (!Escaped)
    return Value;
  QString Stored;
  Stored.reserve(Value.size() + 16);
  for (qsizetype i = 0; i < Value.size(); ++i) {
    const QChar C = Value[i];
    const bool Wide = C.isSurrogate() && IsLoneSurrogate(Value, i);
    if (Wide || C == EscapeMark || NeedsEscape(Value, i))
      Stored += EscapeMark + (Wide ? QStringLiteral("u") : QString()) +
                QString::number(C.unicode(), 16).toUpper().rightJustified(Wide ? 4 : 2, QLatin1Char('0'));
    else
      Stored += C;
  }
  return Stored;
}

bool UnescapeRecordValue(QStringView Stored, QString &Value) {
  Value.clear();
  Value.reserve(Stored.size());
  for (qsizetype i = 0; i < Stored.size(); ++i) {
    if (Stored[i] != EscapeMark) {
      Value += Stored[i];
      continue;
    }
    const bool Wide = i + 1 < Stored.size() && Stored[i + 1] == QLatin1Char('u');
    const int Code = Wide ? HexAt(Stored, i + 2, 4) : HexAt(Stored, i + 1, 2);
    if (Code < 0)
      return false;
    Value += QChar(char16_t(Code));
    i += Wide ? 5 : 2;
  }
  return true;
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
