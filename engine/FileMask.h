#pragma once
// File-name masks as the user types them in the filter: "*", "?", character sets with ranges and
// "!" negation, the letters A to Z without regard to case. Lists are ";"-separated.

#include <QString>
#include <QStringList>
#include <optional>
#include <stdexcept>
#include <vector>

// An ill-formed mask; the message names the mask and the 1-based position of the fault.
class EMaskError : public std::runtime_error {
public:
  EMaskError(const QString &Mask, int Position);
  QString Text() const { return QString::fromUtf8(what()); }
};

// One mask, parsed once and matched against many names.
class TFileMask {
public:
  // Throws EMaskError for a "[" without its "]" or an empty set.
  explicit TFileMask(const QString &Mask);
  // The whole name must match the whole mask.
  bool Matches(const QString &Name) const;

private:
  // Characters are whole code points, so "?" takes one character beyond 16 bits too.
  struct TRange {
    char32_t m_low;
    char32_t m_high;
  };
  enum class EKind { Literal, AnyOne, AnyRun, Set };
  struct TToken {
    TToken(EKind Kind, char32_t Char = 0) : m_kind(Kind), m_char(Char) {}
    EKind m_kind;
    char32_t m_char;
    bool m_negate = false;
    std::vector<TRange> m_ranges;
  };
  bool MatchesToken(const TToken &Token, char32_t C) const;
  template <typename TChar> bool MatchesChars(const TChar *Name, qsizetype Size) const;

  std::vector<TToken> m_tokens;
};

// True when Name matches the one mask Mask (throws EMaskError when the mask is ill-formed).
bool MatchesMask(const QString &Name, const QString &Mask);

// True when Name matches one of the ";"-separated masks. Blanks are part of a mask; an empty
// piece matches nothing; a trailing ";" adds no test; an empty text gives false.
bool MatchesMaskList(const QString &Name, const QString &Masks);

// A mask list kept parsed, for testing every file of a walk. Each piece is parsed when a name first
// reaches it, so an ill-formed mask behind one that matched raises nothing, as with MatchesMaskList.
class TFileMaskList {
public:
  TFileMaskList() = default;
  explicit TFileMaskList(const QString &Masks);
  const QString &Text() const { return m_text; }
  bool Matches(const QString &Name) const;

private:
  QString m_text;
  QStringList m_pieces;
  mutable std::vector<std::optional<TFileMask>> m_parsed;
};
