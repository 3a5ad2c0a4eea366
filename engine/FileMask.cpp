#include "engine/FileMask.h"

namespace {

// Only the letters a to z fold; every other character compares exactly.
char32_t FoldAscii(char32_t C) {
  return (C >= U'a' && C <= U'z') ? char32_t(C - U'a' + U'A') : C;
}

QStringList SplitMaskList(const QString &Masks) {
  QStringList pieces = Masks.split(QLatin1Char(';'));
  // A trailing ";" (and the empty text) adds no test of its own.
  if (!pieces.isEmpty() && pieces.last().isEmpty())
    pieces.removeLast();
  return pieces;
}

} // namespace

EMaskError::EMaskError(const QString &Mask, int Position)
    : std::runtime_error(
          QStringLiteral("'%1' is an invalid mask at (%2)").arg(Mask).arg(Position).toStdString()) {}

TFileMask::TFileMask(const QString &Mask) {
  const QList<uint> mask = Mask.toUcs4();
  const qsizetype n = mask.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char32_t c = mask.at(i);
    if (c == U'*') {
      // Runs of stars behave as one.
      if (m_tokens.empty() || m_tokens.back().m_kind != EKind::AnyRun)
        m_tokens.push_back({EKind::AnyRun});
    } else if (c == U'?') {
      m_tokens.push_back({EKind::AnyOne});
    } else if (c == U'[') {
      TToken set{EKind::Set};
      qsizetype p = i + 1;
      if (p < n && mask.at(p) == U'!') {
        set.m_negate = true;
        ++p;
      }
      while (p < n && mask.at(p) != U']') {
        const char32_t low = FoldAscii(mask.at(p));
        // "x-y" is a range unless the "-" stands last in the set.
        if (p + 2 < n && mask.at(p + 1) == U'-' && mask.at(p + 2) != U']') {
          set.m_ranges.push_back({low, FoldAscii(mask.at(p + 2))});
          p += 3;
        } else {
          set.m_ranges.push_back({low, low});
          ++p;
        }
      }
      if (p >= n || set.m_ranges.empty())
        throw EMaskError(Mask, int(p + 1));
      m_tokens.push_back(std::move(set));
      i = p;
    } else {
      m_tokens.push_back({EKind::Literal, FoldAscii(c)});
    }
  }
}

bool TFileMask::MatchesToken(const TToken &Token, char32_t C) const {
  switch (Token.m_kind) {
  case EKind::Literal:
    return FoldAscii(C) == Token.m_char;
  case EKind::AnyOne:
    return true;
  case EKind::Set: {
    const char32_t f = FoldAscii(C);
    bool in = false;
    for (const TRange &r : Token.m_ranges)
      if (f >= r.m_low && f <= r.m_high) {
        in = true;
        break;
      }
    return in != Token.m_negate;
  }
  case EKind::AnyRun:
    break;
  }
  return false;
}

bool TFileMask::Matches(const QString &Name) const {
  // Names with characters beyond 16 bits are rare; only they pay for the conversion.
  for (const QChar c : Name)
    if (c.isSurrogate()) {
      const QList<uint> chars = Name.toUcs4();
      return MatchesChars(chars.constData(), chars.size());
    }
  return MatchesChars(Name.utf16(), Name.size());
}

template <typename TChar> bool TFileMask::MatchesChars(const TChar *Name, qsizetype Size) const {
  // Greedy walk that backs up to the last star: linear for typical masks, never exponential.
  const qsizetype n = Size;
  const size_t m = m_tokens.size();
  qsizetype ni = 0;
  size_t ti = 0;
  size_t starToken = SIZE_MAX;
  qsizetype starName = 0;
  while (ni < n) {
    if (ti < m && m_tokens[ti].m_kind == EKind::AnyRun) {
      starToken = ti++;
      starName = ni;
    } else if (ti < m && MatchesToken(m_tokens[ti], char32_t(Name[ni]))) {
      ++ti;
      ++ni;
    } else if (starToken != SIZE_MAX) {
      ti = starToken + 1;
      ni = ++starName;
    } else {
      return false;
    }
  }
  while (ti < m && m_tokens[ti].m_kind == EKind::AnyRun)
    ++ti;
  return ti == m;
}

bool MatchesMask(const QString &Name, const QString &Mask) {
  return TFileMask(Mask).Matches(Name);
}

bool MatchesMaskList(const QString &Name, const QString &Masks) {
  return TFileMaskList(Masks).Matches(Name);
}

TFileMaskList::TFileMaskList(const QString &Masks) : m_text(Masks), m_pieces(SplitMaskList(Masks)) {
  m_parsed.resize(size_t(m_pieces.size()));
}

bool TFileMaskList::Matches(const QString &Name) const {
  for (qsizetype i = 0; i < m_pieces.size(); ++i) {
    auto &mask = m_parsed[size_t(i)];
    if (!mask)
      mask.emplace(m_pieces.at(i));
    if (mask->Matches(Name))
      return true;
  }
  return false;
}
