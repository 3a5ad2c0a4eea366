// Name masks and mask lists.
#include "engine/FileMask.h"

#include <gtest/gtest.h>

TEST(FileMask, StarQuestionAndLiterals) {
  EXPECT_TRUE(MatchesMask("readme.txt", "*.txt"));
  EXPECT_FALSE(MatchesMask("readme", "*.txt")); // the dot is an ordinary character
  EXPECT_TRUE(MatchesMask("readme", "*"));
  EXPECT_TRUE(MatchesMask(".hidden", "*"));
  EXPECT_TRUE(MatchesMask("a.b.c", "*.*"));
  EXPECT_TRUE(MatchesMask("abc", "a?c"));
  EXPECT_FALSE(MatchesMask("ac", "a?c"));
  EXPECT_FALSE(MatchesMask("abbc", "a?c"));
  EXPECT_TRUE(MatchesMask("abbc", "a*c"));
  EXPECT_TRUE(MatchesMask("ac", "a*c"));
  EXPECT_FALSE(MatchesMask("abcd", "a*c")); // the whole name must match
  EXPECT_TRUE(MatchesMask("aXbXc", "*X*X*"));
  EXPECT_TRUE(MatchesMask("mississippi", "*sip*"));
  EXPECT_TRUE(MatchesMask("mississippi", "m*iss*ppi"));
  EXPECT_FALSE(MatchesMask("mississippi", "m*iss*ppx"));
}

TEST(FileMask, CaseFoldsOnlyAsciiLetters) {
  EXPECT_TRUE(MatchesMask("PHOTO.JPG", "*.jpg"));
  EXPECT_TRUE(MatchesMask("photo.jpg", "*.JPG"));
  EXPECT_FALSE(MatchesMask(QString::fromUtf8("\xC3\xA9t\xC3\xA9"), QString::fromUtf8("\xC3\x89T\xC3\x89")));
  EXPECT_TRUE(MatchesMask(QString::fromUtf8("\xC3\xA9t\xC3\xA9"), QString::fromUtf8("\xC3\xA9T\xC3\xA9")));
}

TEST(FileMask, OneCharacterEvenBeyondSixteenBits) {
  const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // one character, two UTF-16 units
  EXPECT_TRUE(MatchesMask(emoji + ".txt", "?.txt"));
  EXPECT_FALSE(MatchesMask(emoji + ".txt", "??.txt"));
  EXPECT_TRUE(MatchesMask("a" + emoji + "b", "a?b"));
  EXPECT_TRUE(MatchesMask(emoji, "[!a]"));
  EXPECT_TRUE(MatchesMask(emoji, "[" + emoji + "]"));
  EXPECT_TRUE(MatchesMask("x" + emoji, "x" + emoji));
  EXPECT_FALSE(MatchesMask("x" + emoji, "x?" + emoji.left(1)));
}

TEST(FileMask, SetsRangesAndNegation) {
  EXPECT_TRUE(MatchesMask("file1.txt", "file[0-9].txt"));
  EXPECT_FALSE(MatchesMask("filex.txt", "file[0-9].txt"));
  EXPECT_TRUE(MatchesMask("filex.txt", "file[!0-9].txt"));
  EXPECT_FALSE(MatchesMask("file5.txt", "file[!0-9].txt"));
  EXPECT_TRUE(MatchesMask("Bat", "[abc]at"));
  EXPECT_TRUE(MatchesMask("q", "[A-Z]"));
  EXPECT_TRUE(MatchesMask("-", "[a-]")); // a "-" last in a set is itself
  EXPECT_TRUE(MatchesMask("*", "[*?]")); // wildcards are plain inside a set
  EXPECT_FALSE(MatchesMask("x", "[*?]"));
  EXPECT_TRUE(MatchesMask("]", "]"));
}

TEST(FileMask, IllFormedSetRaisesWithMaskAndPosition) {
  try {
    MatchesMask("abc", "ab[c");
    FAIL() << "no error";
  } catch (const EMaskError &e) {
    EXPECT_EQ(e.Text(), QStringLiteral("'ab[c' is an invalid mask at (5)"));
  }
  EXPECT_THROW(MatchesMask("a", "[]"), EMaskError);
  EXPECT_THROW(MatchesMask("a", "x[!"), EMaskError);
  // Raised even when the name could not reach the set.
  EXPECT_THROW(MatchesMask("zzz", "a[b"), EMaskError);
}

TEST(FileMaskList, EmptyPiecesAndTrailingSeparator) {
  EXPECT_FALSE(MatchesMaskList("a.txt", ""));
  EXPECT_FALSE(MatchesMaskList("a.txt", ";"));
  EXPECT_FALSE(MatchesMaskList("a.txt", ";;"));
  EXPECT_TRUE(MatchesMaskList("a.txt", ";*.txt"));
  EXPECT_TRUE(MatchesMaskList("a.txt", "*.doc;;*.txt;"));
}

TEST(FileMaskList, IllFormedMaskBehindAMatchIsNotReached) {
  EXPECT_TRUE(MatchesMaskList("a.txt", "*.txt;[x"));
  EXPECT_THROW(MatchesMaskList("a.doc", "*.txt;[x"), EMaskError);
  TFileMaskList list("*.txt;[x");
  EXPECT_TRUE(list.Matches("b.txt"));
  EXPECT_THROW(list.Matches("b.doc"), EMaskError);
}
