#include "settings/StringRoutines.h"

#include "tests/settings/Printers.h"

#include <gtest/gtest.h>

TEST(ReplaceAll, ReplacesEveryOccurrenceCaseSensitively) {
  EXPECT_EQ(ReplaceAll("ab", "X", "abcabab"), "XcXX");
  EXPECT_EQ(ReplaceAll("Twinsweep", "Pairhound", "About Twinsweep"), "About Pairhound");
  EXPECT_EQ(ReplaceAll("x", "y", "none here"), "none here");
  EXPECT_EQ(ReplaceAll("x", "y", ""), "");
  EXPECT_EQ(ReplaceAll("twinsweep", "P", "Twinsweep"), "Twinsweep");
  // An occurrence closed up by a removal is replaced too.
  EXPECT_EQ(ReplaceAll("ab", "", "aabb"), "");
  EXPECT_EQ(ReplaceAll("aba", "a", "ababa"), "a");
  // Degenerate arguments end.
  EXPECT_EQ(ReplaceAll("", "x", "abc"), "abc");
  EXPECT_EQ(ReplaceAll("a", "aa", "aba"), "aabaa");
}
