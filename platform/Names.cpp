#include "platform/Names.h"

#include <cstring>

namespace platform {

namespace {

constexpr char16_t EscapeBase = 0xDC00;

bool IsEscape(char16_t C) {
  return C >= EscapeBase + 0x80 && C <= EscapeBase + 0xFF;
}

// The length of the valid UTF-8 sequence at Bytes[I], or 0 when the byte there starts none
// (overlong forms, surrogates and code points past U+10FFFF are not valid).
int SequenceAt(const unsigned char *Bytes, qsizetype I, qsizetype N) {
  const unsigned char c = Bytes[I];
  if (c < 0x80)
    return 1;
  int length;
  unsigned char low = 0x80, high = 0xBF; // the range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    if (c == 0xE0)
      low = 0xA0;
    else if (c == 0xED)
      high = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    if (c == 0xF0)
      low = 0x90;
    else if (c == 0xF4)
      high = 0x8F;
  } else {
    return 0;
  }
  if (I + length > N || Bytes[I + 1] < low || Bytes[I + 1] > high)
    return 0;
  for (int k = 2; k < length; ++k)
    if ((Bytes[I + k] & 0xC0) != 0x80)
      return 0;
  return length;
}

// The length of the valid UTF-8 that starts Bytes; N when all of it is.
qsizetype ValidPrefix(const unsigned char *Bytes, qsizetype N) {
  qsizetype i = 0;
  for (;;) {
    // Runs of plain ASCII, eight bytes at a time.
    while (i + 8 <= N) {
      quint64 word;
      memcpy(&word, Bytes + i, 8);
      if (word & 0x8080808080808080ULL)
        break;
      i += 8;
    }
    if (i >= N)
      return N;
    const int length = SequenceAt(Bytes, i, N);
    if (length == 0)
      return i;
    i += length;
  }
}

// Characters that end a line or turn the text around wherever they stand: the C1 controls (the
// next-line control among them), line and paragraph separators, and the bidirectional marks,
// embeddings, overrides and isolates.
bool BreaksTheLine(char16_t C) {
  return (C >= 0x80 && C <= 0x9F) || C == 0x061C || C == 0x200E || C == 0x200F ||
         (C >= 0x2028 && C <= 0x202E) || (C >= 0x2066 && C <= 0x2069);
}

// Shown as it stands. A backslash is not: every written-out character starts with one, so it is
// doubled, and two different names never show alike.
bool IsPlain(char16_t C) {
  if (C < 0x80)
    return C >= 0x20 && C != 0x7F && C != u'\\';
  return !QChar::isSurrogate(C) && !BreaksTheLine(C);
}

} // namespace

QString DecodeName(const QByteArray &Bytes) {
  const auto *bytes = reinterpret_cast<const unsigned char *>(Bytes.constData());
  const qsizetype n = Bytes.size();
  // QString::fromUtf8 drops a byte order mark at the start, which is part of a name.
  const bool mark = n >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
  const qsizetype valid = mark ? 0 : ValidPrefix(bytes, n);
  if (valid == n)
    return QString::fromUtf8(Bytes);
  QString text = QString::fromUtf8(Bytes.constData(), valid);
  text.reserve(n);
  for (qsizetype i = valid; i < n;) {
    const int length = SequenceAt(bytes, i, n);
    if (length == 0) {
      text += QChar(char16_t(EscapeBase + bytes[i]));
      ++i;
      continue;
    }
    static const unsigned char lead[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t code = bytes[i] & lead[length];
    for (int k = 1; k < length; ++k)
      code = (code << 6) | (bytes[i + k] & 0x3F);
    if (code >= 0x10000) {
      text += QChar(QChar::highSurrogate(code));
      text += QChar(QChar::lowSurrogate(code));
    } else {
      text += QChar(char16_t(code));
    }
    i += length;
  }
  return text;
}

QByteArray EncodeName(const QString &Name) {
  const char16_t *chars = reinterpret_cast<const char16_t *>(Name.constData());
  const qsizetype n = Name.size();
  qsizetype i = 0;
  while (i < n && !QChar::isSurrogate(chars[i]))
    ++i;
  if (i == n)
    return Name.toUtf8();
  QByteArray bytes = QStringView(chars, i).toUtf8();
  for (; i < n; ++i) {
    const char16_t c = chars[i];
    if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(chars[i + 1])) {
      bytes += QStringView(chars + i, 2).toUtf8();
      ++i;
    } else if (IsEscape(c)) {
      bytes += char(c - EscapeBase);
    } else {
      // Any other character, and a lone surrogate no name decodes to (as Qt writes it).
      bytes += QStringView(chars + i, 1).toUtf8();
    }
  }
  return bytes;
}

QString ShownName(const QString &Name) {
  const char16_t *chars = reinterpret_cast<const char16_t *>(Name.constData());
  const qsizetype n = Name.size();
  qsizetype i = 0;
  while (i < n && IsPlain(chars[i]))
    ++i;
  if (i == n)
    return Name;
  QString shown = Name.left(i);
  shown.reserve(n + 16);
  const auto escape = [&shown](char Kind, unsigned Code, int Digits) {
    shown += QLatin1Char('\\');
    shown += QLatin1Char(Kind);
    shown += QString::number(Code, 16).toUpper().rightJustified(Digits, QLatin1Char('0'));
  };
  for (; i < n; ++i) {
    const char16_t c = chars[i];
    if (IsPlain(c)) {
      shown += QChar(c);
    } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(chars[i + 1])) {
      shown += QChar(c);
      shown += QChar(chars[++i]);
    } else if (c == u'\\') {
      shown += QStringLiteral("\\\\");
    } else if (IsEscape(c)) {
      escape('x', c - EscapeBase, 2);
    } else if (c < 0x20 || c == 0x7F) {
      escape('x', c, 2);
    } else {
      // What breaks the line, and a lone surrogate no name decodes to.
      escape('u', c, 4);
    }
  }
  return shown;
}

} // namespace platform
