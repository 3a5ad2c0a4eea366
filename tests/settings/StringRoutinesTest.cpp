#include "settings/StringRoutines.h"

#include "tests/settings/Printers.h"

#include <gtest/gtest.h>

TEST(ReplaceAll, ReplacesEveryOccurrence) {
  EXPECT_EQ(ReplaceAll("ab", "X", "abcabab"), "XcXX");
  EXPECT_EQ(ReplaceAll("Twinsweep", "Pairhound", "About Twinsweep"), "About Pairhound");
  EXPECT_EQ(ReplaceAll("x", "y", "none here"), "none here");
  EXPECT_EQ(ReplaceAll("x", "y", ""), "");
}

TEST(ReplaceAll, IsCaseSensitive) {
  EXPECT_EQ(ReplaceAll("twinsweep", "P", "Twinsweep"), "Twinsweep");
}

TEST(ReplaceAll, AnOccurrenceClosedUpByARemovalIsReplacedToo) {
  EXPECT_EQ(ReplaceAll("ab", "", "aabb"), "");
  EXPECT_EQ(ReplaceAll("aba", "a", "ababa"), "a");
}

TEST(ReplaceAll, DegenerateArgumentsEnd) {
  EXPECT_EQ(ReplaceAll("", "x", "abc"), "abc");
  EXPECT_EQ(ReplaceAll("a", "aa", "aba"), "aabaa");
}

TEST(TrimBlanks, RemovesBlanksAndControlCharactersAtBothEndsOnly) {
  EXPECT_EQ(TrimBlanks(" \t\x01 a b \r\n\x1f"), "a b");
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(TrimBlanks(""), "");
  EXPECT_EQ(TrimBlanks(QString::fromUtf8("\u00a0x")), QString::fromUtf8("\u00a0x"));
}
