#include "engine/RecordText.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

QString S(const char *Text) {
  return QString::fromUtf8(Text);
}

} // namespace

// A key must be followed by "="; a nested record is one value and its keys, like key text inside a
// free-text value, are not seen outside; an unclosed value runs to the end of the line.
TEST(RecordText, ReadsTheValueOfEachFieldOfARecord) {
  const QString Line = S("<A=1><BB=two words><C=>");
  EXPECT_EQ(ReadRecordValue(S("BB"), Line), S("two words"));
  EXPECT_TRUE(HasRecordField(S("C"), Line));
  EXPECT_FALSE(HasRecordField(S("D"), Line));
  EXPECT_EQ(ReadRecordValue(S("D"), Line), QString());
  EXPECT_EQ(ReadRecordValue(S("Mp3"), S("<Mp3_SongName=a><Mp3=b>")), S("b"));
  EXPECT_EQ(ReadRecordValue(S("Mp3_Song"), S("<Mp3_SongName=a><Mp3=b>")), QString());
  EXPECT_EQ(ReadRecordValue(S("A"), S("<A=abc")), S("abc"));
  EXPECT_FALSE(HasRecordField(S("A"), S("<A")));
  const QString Nested = S("<Name=x><Grid=<CRC=7><p11=5>><After=y>");
  EXPECT_EQ(ReadRecordValue(S("Grid"), Nested), S("<CRC=7><p11=5>"));
  EXPECT_EQ(ReadRecordValue(S("After"), Nested), S("y"));
  EXPECT_FALSE(HasRecordField(S("CRC"), Nested));
  EXPECT_EQ(ReadRecordValue(S("p11"), ReadRecordValue(S("Grid"), Nested)), S("5"));
}

TEST(RecordText, EscapedValuesHoldNoBracketOrLineBreakAndReadBackExactly) {
  bool Escaped = false;
  EXPECT_EQ(EscapeRecordValue(S("a<b>%"), Escaped), S("a%3Cb%3E%25"));
  EXPECT_TRUE(Escaped);
  EXPECT_EQ(EscapeRecordValue(S("a\r\nb"), Escaped), S("a%0D%0Ab"));
  // Lone surrogates stand for name bytes that are no UTF-8; a pair is a character and stays.
  EXPECT_EQ(EscapeRecordValue(QString(QChar(0xDC80)) + S("\U0001F600<"), Escaped), S("%uDC80\U0001F600%3C"));

  // clang-format off
  const QStringList Values = {S("<"), S(">"), S("\r"), S("\n"), S("a<b"), S("<<a>b>"), S("%<"), S("100%\n"),
                              S("x") + QChar(0xD800), QString(QChar(0xDFFF)), S("<Escaped=Main_FileName>"),
                              S("%25<%"), S("%uDC80\n")};
  // clang-format on
  for (const QString &Value : Values) {
    const QString Stored = EscapeRecordValue(Value, Escaped);
    EXPECT_TRUE(Escaped) << Value.toStdString();
    for (QChar C : {QChar('<'), QChar('>'), QChar('\r'), QChar('\n')})
      EXPECT_FALSE(Stored.contains(C)) << Value.toStdString();
    EXPECT_EQ(Stored.toUtf8(), Stored.toLatin1()) << Value.toStdString();
    QString Back;
    ASSERT_TRUE(UnescapeRecordValue(Stored, Back)) << Value.toStdString();
    EXPECT_EQ(Back, Value) << Value.toStdString();
    // Inside a record the stored value is one field and hides none.
    const QString Line = MakeRecordField(S("Title"), Stored) + MakeRecordField(S("Next"), S("n"));
    EXPECT_EQ(ReadRecordValue(S("Title"), Line), Stored);
    EXPECT_EQ(ReadRecordValue(S("Next"), Line), S("n"));
    EXPECT_FALSE(HasRecordField(S("Escaped"), Line));
  }
}

TEST(RecordText, DamagedEscapesAreRefused) {
  QString Value;
  for (const char *Stored : {"%", "a%4", "%G0", "%u12", "%uZZZZ", "50%"})
    EXPECT_FALSE(UnescapeRecordValue(S(Stored), Value)) << Stored;
  ASSERT_TRUE(UnescapeRecordValue(S("%41%u0042%3c"), Value));
  EXPECT_EQ(Value, S("AB<"));
}
