#include "engine/RecordText.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <random>

namespace {

QString S(const char *Text) {
  return QString::fromUtf8(Text);
}

} // namespace

TEST(RecordText, FieldIsKeyEqualsValueInBrackets) {
  EXPECT_EQ(MakeRecordField(S("Main_Size"), S("42")), S("<Main_Size=42>"));
  EXPECT_EQ(MakeRecordField(S("Archive"), QString()), S("<Archive=>"));
}

TEST(RecordText, ReadsTheValueOfEachFieldOfARecord) {
  const QString Line = S("<A=1><BB=two words><C=>");
  EXPECT_EQ(ReadRecordValue(S("A"), Line), S("1"));
  EXPECT_EQ(ReadRecordValue(S("BB"), Line), S("two words"));
  EXPECT_EQ(ReadRecordValue(S("C"), Line), QString());
  EXPECT_TRUE(HasRecordField(S("C"), Line));
  EXPECT_FALSE(HasRecordField(S("D"), Line));
  EXPECT_EQ(ReadRecordValue(S("D"), Line), QString());
}

TEST(RecordText, NestedRecordIsOneValueAndItsKeysAreNotSeenOutside) {
  const QString Line = S("<Name=x><Grid=<CRC=7><p11=5>><After=y>");
  EXPECT_EQ(ReadRecordValue(S("Grid"), Line), S("<CRC=7><p11=5>"));
  EXPECT_EQ(ReadRecordValue(S("After"), Line), S("y"));
  EXPECT_FALSE(HasRecordField(S("CRC"), Line));
  EXPECT_EQ(ReadRecordValue(S("p11"), ReadRecordValue(S("Grid"), Line)), S("5"));
}

TEST(RecordText, KeyMustBeFollowedByEquals) {
  // "Mp3" is the beginning of other keys but no field of its own.
  const QString Line = S("<Mp3_SongName=a><Mp3=b>");
  EXPECT_EQ(ReadRecordValue(S("Mp3"), Line), S("b"));
  EXPECT_EQ(ReadRecordValue(S("Mp3_Song"), Line), QString());
}

TEST(RecordText, KeyTextInsideAFreeTextValueIsNotAField) {
  const QString Line = S("<Title=<DataImage=x>><Size=3>");
  EXPECT_FALSE(HasRecordField(S("DataImage"), Line));
  EXPECT_EQ(ReadRecordValue(S("Title"), Line), S("<DataImage=x>"));
  EXPECT_EQ(ReadRecordValue(S("Size"), Line), S("3"));
}

TEST(RecordText, UnclosedValueRunsToTheEndOfTheLine) {
  EXPECT_EQ(ReadRecordValue(S("A"), S("<A=abc")), S("abc"));
  EXPECT_EQ(ReadRecordValue(S("A"), S("<A=")), QString());
  EXPECT_FALSE(HasRecordField(S("A"), S("<A")));
}

TEST(RecordText, StorableValueKeepsBalancedBrackets) {
  EXPECT_EQ(StorableRecordValue(S("Song <live> (2001)")), S("Song <live> (2001)"));
  EXPECT_EQ(StorableRecordValue(S("<<a>b>")), S("<<a>b>"));
}

TEST(RecordText, StorableValueReplacesUnmatchedBracketsAndLineBreaks) {
  EXPECT_EQ(StorableRecordValue(S("a > b")), S("a \u203A b"));
  EXPECT_EQ(StorableRecordValue(S("a < b")), S("a \u2039 b"));
  EXPECT_EQ(StorableRecordValue(S("><")), S("\u203A\u2039"));
  EXPECT_EQ(StorableRecordValue(S("<a>>")), S("<a>\u203A"));
  EXPECT_EQ(StorableRecordValue(S("line\r\nbreak")), S("line  break"));
}

TEST(RecordText, EveryStorableValueReadsBackAsWrittenAndHidesNoField) {
  const QStringList Values = {S("plain"),   S("a>b"),    S("<DataImage=1"),
                              S("x<y<z"),   S(">>><<<"), S("<TempArchiveIndexs=q0q>"),
                              S("<a<b>c>"), S("")};
  for (const QString &Raw : Values) {
    const QString Stored = StorableRecordValue(Raw);
    const QString Line = MakeRecordField(S("Title"), Stored) + MakeRecordField(S("Next"), S("n"));
    EXPECT_EQ(ReadRecordValue(S("Title"), Line), Stored) << Raw.toStdString();
    EXPECT_EQ(ReadRecordValue(S("Next"), Line), S("n")) << Raw.toStdString();
    EXPECT_FALSE(HasRecordField(S("DataImage"), Line)) << Raw.toStdString();
    EXPECT_FALSE(HasRecordField(S("TempArchiveIndexs"), Line)) << Raw.toStdString();
  }
}

TEST(RecordText, ContainsAndStartsWithAreCaseSensitive) {
  EXPECT_TRUE(Contains(S("q1q"), S("q0qq1q")));
  EXPECT_FALSE(Contains(S("Q1Q"), S("q0qq1q")));
  EXPECT_TRUE(StartsWith(S("ab"), S("abc")));
  EXPECT_FALSE(StartsWith(S("AB"), S("abc")));
}

TEST(RecordText, AddDefaultExtOnlyWhenTheNameHasNone) {
  EXPECT_EQ(AddDefaultExt(S("/home/u/result"), S(".wzr")), S("/home/u/result.wzr"));
  EXPECT_EQ(AddDefaultExt(S("/home/u/result.txt"), S(".wzr")), S("/home/u/result.txt"));
  EXPECT_EQ(AddDefaultExt(S("/home/u.d/result"), S(".wzr")), S("/home/u.d/result.wzr"));
}

TEST(RecordText, FieldsReadInOnePassAnswerAsTheSingleKeyReader) {
  // Random lines of keys, "=", brackets and letters, balanced or not, nested or not.
  std::mt19937 Random(5);
  const QStringList Pieces = {S("<"), S(">"), S("="), S("a"), S("b"), S("ab"), S("<a="), S("<b="), S("<ab=")};
  const QStringList Keys = {S("a"), S("b"), S("ab"), S("ba"), QString()};
  for (int Round = 0; Round < 3000; ++Round) {
    QString Line;
    for (int n = int(Random() % 14); n > 0; --n)
      Line += Pieces[int(Random() % Pieces.size())];
    const TRecordFields Fields(Line);
    for (const QString &Key : Keys) {
      EXPECT_EQ(Fields.Has(Key), HasRecordField(Key, Line)) << Line.toStdString() << " " << Key.toStdString();
      EXPECT_EQ(Fields.Value(Key), ReadRecordValue(Key, Line))
          << Line.toStdString() << " " << Key.toStdString();
    }
  }
}
