#include "settings/StringRoutines.h"

#include "tests/settings/Printers.h"

#include <gtest/gtest.h>

TEST(ReplaceAll, ReplacesEveryOccurrenceCaseSensitively) {
  const struct {
    const char *from, *to, *text, *expected;
  } cases[] = {
      {"ab", "X", "abcabab", "XcXX"},
      {"Twinsweep", "Pairhound", "About Twinsweep", "About Pairhound"},
      {"x", "y", "none here", "none here"},
      {"x", "y", "", ""},
      {"twinsweep", "P", "Twinsweep", "Twinsweep"},
      // An occurrence closed up by a removal is replaced too.
      {"ab", "", "aabb", ""},
      {"aba", "a", "ababa", "a"},
      // Degenerate arguments end.
      {"", "x", "abc", "abc"},
      {"a", "aa", "aba", "aabaa"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(ReplaceAll(c.from, c.to, c.text), c.expected) << c.from << " in " << c.text;
}

TEST(TrimBlanks, RemovesBlanksAndControlCharactersAtBothEndsOnly) {
  EXPECT_EQ(TrimBlanks(" \t\x01 a b \r\n\x1f"), "a b");
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(TrimBlanks(""), "");
  EXPECT_EQ(TrimBlanks(QString::fromUtf8("\u00a0x")), QString::fromUtf8("\u00a0x"));
}
