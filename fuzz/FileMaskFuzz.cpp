// Name masks: the parser and the matcher against a small reference matcher written from the rules
// (a recursive walk over whole characters), on a mask and names taken from the input.
#include "engine/FileMask.h"
#include "fuzz/FuzzSupport.h"

#include <optional>
#include <vector>

namespace {

char32_t Fold(char32_t C) {
  return (C >= U'a' && C <= U'z') ? char32_t(C - 32) : C;
}

struct TRefToken {
  enum { Literal, One, Run, Set } kind;
  char32_t c = 0;
  bool negate = false;
  std::vector<std::pair<char32_t, char32_t>> ranges;
};

// The mask as tokens, or nothing when it is ill-formed.
std::optional<std::vector<TRefToken>> Parse(const std::u32string &Mask) {
  std::vector<TRefToken> tokens;
  for (size_t i = 0; i < Mask.size(); ++i) {
    const char32_t c = Mask[i];
    if (c == U'*') {
      tokens.push_back({TRefToken::Run, 0, false, {}});
    } else if (c == U'?') {
      tokens.push_back({TRefToken::One, 0, false, {}});
    } else if (c == U'[') {
      TRefToken set{TRefToken::Set, 0, false, {}};
      size_t p = i + 1;
      if (p < Mask.size() && Mask[p] == U'!') {
        set.negate = true;
        ++p;
      }
      for (; p < Mask.size() && Mask[p] != U']'; ++p) {
        if (p + 2 < Mask.size() && Mask[p + 1] == U'-' && Mask[p + 2] != U']') {
          set.ranges.push_back({Fold(Mask[p]), Fold(Mask[p + 2])});
          p += 2;
        } else {
          set.ranges.push_back({Fold(Mask[p]), Fold(Mask[p])});
        }
      }
      if (p >= Mask.size() || set.ranges.empty())
        return std::nullopt;
      tokens.push_back(set);
      i = p;
    } else {
      tokens.push_back({TRefToken::Literal, Fold(c), false, {}});
    }
  }
  return tokens;
}

bool One(const TRefToken &T, char32_t C) {
  if (T.kind == TRefToken::One)
    return true;
  if (T.kind == TRefToken::Literal)
    return Fold(C) == T.c;
  bool in = false;
  for (const auto &[low, high] : T.ranges)
    in = in || (Fold(C) >= low && Fold(C) <= high);
  return in != T.negate;
}

// Memoised so that masks full of stars stay cheap.
bool Match(const std::vector<TRefToken> &T, const std::u32string &N, size_t t, size_t n,
           std::vector<signed char> &Memo) {
  signed char &m = Memo[t * (N.size() + 1) + n];
  if (m >= 0)
    return m;
  bool r;
  if (t == T.size())
    r = n == N.size();
  else if (T[t].kind == TRefToken::Run)
    r = Match(T, N, t + 1, n, Memo) || (n < N.size() && Match(T, N, t, n + 1, Memo));
  else
    r = n < N.size() && One(T[t], N[n]) && Match(T, N, t + 1, n + 1, Memo);
  m = r;
  return r;
}

} // namespace

PAIRHOUND_FUZZ_INIT(false)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  if (Size > 4096)
    return 0; // the reference matcher is quadratic
  // The first line is the mask (or mask list), every further line a name.
  const QStringList lines =
      QString::fromUtf8(reinterpret_cast<const char *>(Data), qsizetype(Size)).split(QLatin1Char('\n'));
  const QString mask = lines.value(0);
  const std::optional<std::vector<TRefToken>> reference = Parse(mask.toStdU32String());
  std::optional<TFileMask> parsed;
  try {
    parsed.emplace(mask);
  } catch (const EMaskError &) {
  }
  fuzz::Check(parsed.has_value() == reference.has_value(), "the parser refuses exactly the ill-formed masks");
  const TFileMaskList list(mask);
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QString &name = lines.at(i);
    if (name.isEmpty())
      continue; // no file has an empty name
    if (parsed) {
      const std::u32string chars = name.toStdU32String();
      std::vector<signed char> memo((reference->size() + 1) * (chars.size() + 1), -1);
      fuzz::Check(parsed->Matches(name) == Match(*reference, chars, 0, 0, memo),
                  "matcher agrees with the reference");
    }
    try {
      bool any = false;
      for (const QString &piece : mask.split(QLatin1Char(';')))
        if (!piece.isEmpty() && (any = MatchesMask(name, piece)))
          break;
      fuzz::Check(list.Matches(name) == any, "a list matches when one of its pieces does");
    } catch (const EMaskError &) {
    }
  }
  return 0;
}
