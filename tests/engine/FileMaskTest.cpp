// Name masks and mask lists.
#include "engine/FileMask.h"

#include <gtest/gtest.h>

// The dot is an ordinary character, the whole name must match, only ASCII letters fold, a character
// beyond 16 bits is one, a "-" last in a set is itself and wildcards are plain inside a set.
TEST(FileMask, MatchesWholeNamesByTheTable) {
  const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
  const QString e = QString::fromUtf8("\xC3\xA9"), E = QString::fromUtf8("\xC3\x89");
  // clang-format off
  const struct {
    QString name, mask;
    bool matches;
  } cases[] = {
      {"readme.txt", "*.txt", true}, {"readme", "*.txt", false}, {".hidden", "*", true}, {"a.b.c", "*.*", true},
      {"abc", "a?c", true}, {"ac", "a?c", false}, {"abbc", "a?c", false}, {"ac", "a*c", true},
      {"abcd", "a*c", false}, {"aXbXc", "*X*X*", true}, {"mississippi", "m*iss*ppi", true},
      {"mississippi", "m*iss*ppx", false}, {"PHOTO.JPG", "*.jpg", true}, {e + "t" + e, E + "T" + E, false},
      {e + "t" + e, e + "T" + e, true}, {emoji + ".txt", "?.txt", true}, {emoji + ".txt", "??.txt", false},
      {emoji, "[!a]", true}, {emoji, "[" + emoji + "]", true}, {"x" + emoji, "x?" + emoji.left(1), false},
      {"file1.txt", "file[0-9].txt", true}, {"filex.txt", "file[0-9].txt", false},
      {"filex.txt", "file[!0-9].txt", true}, {"file5.txt", "file[!0-9].txt", false}, {"Bat", "[abc]at", true},
      {"q", "[A-Z]", true}, {"-", "[a-]", true}, {"*", "[*?]", true}, {"x", "[*?]", false}, {"]", "]", true}};
  // clang-format on
  for (const auto &c : cases)
    EXPECT_EQ(MatchesMask(c.name, c.mask), c.matches) << c.name.toStdString() << " " << c.mask.toStdString();
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
  EXPECT_THROW(MatchesMask("zzz", "a[b"), EMaskError); // even where the name could not reach the set
}

TEST(FileMaskList, EmptyPiecesAndAnIllFormedMaskBehindAMatch) {
  for (const char *list : {"", ";", ";;"})
    EXPECT_FALSE(MatchesMaskList("a.txt", list)) << list;
  EXPECT_TRUE(MatchesMaskList("a.txt", "*.doc;;*.txt;"));
  EXPECT_FALSE(MatchesMaskList("b.png", "*.jpg; *.png")); // the blank is part of the mask
  EXPECT_TRUE(MatchesMaskList("a.txt", "*.txt;[x"));
  EXPECT_THROW(MatchesMaskList("a.doc", "*.txt;[x"), EMaskError);
  TFileMaskList list("*.txt;[x");
  EXPECT_TRUE(list.Matches("b.txt"));
  EXPECT_THROW(list.Matches("b.doc"), EMaskError);
}
