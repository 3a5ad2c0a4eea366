#include "settings/Language.h"
#include "settings/Registry.h"
#include "tests/settings/Printers.h"
#include "tests/support/TestEnv.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

TLang parse(const QString &text) {
  TLang lang;
  lang.LoadFromText(text);
  return lang;
}

// A folder of translation files written as raw bytes.
class LangFolder {
public:
  void add(const QString &name, const QByteArray &contents) { m_dir.createFile(name, contents); }
  QString path() const { return m_dir.path() + '/'; }

private:
  TestDir m_dir;
};

} // namespace

TEST(SplitLangLine, SplitsAtTheFirstEqualsAndTurnsBarsIntoLineBreaks) {
  QString key, value;
  SplitLangLine("2045=a|b=c", key, value);
  EXPECT_EQ(key, "2045");
  EXPECT_EQ(value, "a\r\nb=c");
  SplitLangLine(" k = v ", key, value);
  EXPECT_EQ(key, " k ");
  EXPECT_EQ(value, " v ");
  SplitLangLine("k=", key, value);
  EXPECT_EQ(key, "k");
  EXPECT_EQ(value, "");
}

TEST(TLang, PlainLinesAreTrimmedAndSplit) {
  const TLang lang = parse("2045=Warning\n   2046=Question  \t\r\n2047 = Spaced\r2048=a|b");
  EXPECT_EQ(lang.GetValue("2045"), "Warning");
  EXPECT_EQ(lang.GetValue("2046"), "Question");
  // The blank before "=" stays part of the key, the one after it part of the value.
  EXPECT_EQ(lang.GetValue("2047"), "no translated");
  EXPECT_EQ(lang.GetValue("2047 "), " Spaced");
  EXPECT_EQ(lang.GetValue("2048"), "a\r\nb");
}

TEST(TLang, LinesWithoutEqualsAreIgnored) {
  const TLang lang = parse("just words\n\n[section]\n2045=Warning\n");
  ASSERT_EQ(lang.Items.size(), 1);
  EXPECT_EQ(lang.Items.at(0).Key, "2045");
}

TEST(TLang, MultiLineValueJoinsTrimmedLinesWithLineBreaks) {
  const TLang lang = parse("  2045=[first line  \n   second line]   \n2046=after");
  EXPECT_EQ(lang.GetValue("2045"), "first line\r\nsecond line");
  EXPECT_EQ(lang.GetValue("2046"), "after");
}

TEST(TLang, MultiLineValueOpenedAloneStartsWithALineBreak) {
  const TLang lang = parse("2045=[\n first \n second]\n");
  EXPECT_EQ(lang.GetValue("2045"), "\r\nfirst\r\nsecond");
}

TEST(TLang, MultiLineValueClosedOnItsOwnLineDropsWhatFollowsTheBracket) {
  const TLang lang = parse("2045=[ some text ] dropped\n2046=next");
  EXPECT_EQ(lang.GetValue("2045"), " some text ");
  EXPECT_EQ(lang.GetValue("2046"), "next");
}

TEST(TLang, LinesInsideAMultiLineValueAreConsumedEvenWithEquals) {
  const TLang lang = parse("2045=[one\nno equals here\n2046=inside]\n2047=outside");
  EXPECT_EQ(lang.GetValue("2045"), "one\r\nno equals here\r\n2046=inside");
  EXPECT_EQ(lang.GetValue("2046"), "no translated");
  EXPECT_EQ(lang.GetValue("2047"), "outside");
  EXPECT_EQ(lang.Items.size(), 2);
}

TEST(TLang, UnclosedMultiLineValueEndsAtTheFileEndEmpty) {
  const TLang lang = parse("2044=before\n2045=[never\nclosed\n2046=swallowed");
  EXPECT_EQ(lang.GetValue("2044"), "before");
  EXPECT_EQ(lang.GetValue("2045"), "");
  EXPECT_EQ(lang.GetValue("2046"), "no translated");
}

TEST(TLang, BracketClosedBeforeItOpensGivesAnEmptyValue) {
  // The "]" in the key ends the entry on its first line; the value then has no "]".
  const TLang lang = parse("20]45=[text\n2046=next");
  ASSERT_EQ(lang.Items.size(), 2);
  EXPECT_EQ(lang.Items.at(0).Key, "20]45");
  EXPECT_EQ(lang.Items.at(0).Value, "");
  const TLang other = parse("2045=x]y=[z");
  EXPECT_EQ(other.GetValue("2045"), "");
}

TEST(TLang, FirstOfTwoEqualKeysWinsAndKeysAreCaseSensitive) {
  const TLang lang = parse("Language=English\n2045=first\n2045=second");
  EXPECT_EQ(lang.GetValue("2045"), "first");
  EXPECT_EQ(lang.Items.size(), 3);
  EXPECT_EQ(lang.GetValue("language"), "no translated");
  EXPECT_EQ(lang.GetValue("Language"), "English");
}

TEST(TLang, FormerProductNamesBecomePairhound) {
  const TLang lang = parse("1=About Quillfern Twinsweep\n2=Twinsweep found|Twinsweep\n"
                           "3=Quillfern alone\nLanguage=Twinsweep English");
  EXPECT_EQ(lang.GetValue("1"), "About Pairhound");
  EXPECT_EQ(lang.GetValue("2"), "Pairhound found\r\nPairhound");
  EXPECT_EQ(lang.GetValue("3"), "Quillfern alone");
  EXPECT_EQ(lang.GetValue("Language"), "Pairhound English");
}

TEST(TLang, FileIsReadAsUtf8WithOrWithoutByteOrderMark) {
  TestDir dir;
  const QString plain = dir.createFile("a.wzl", "Language=Fran\xc3\xa7"
                                                "ais\n2045=\xc3\x89t\xc3\xa9\n");
  const QString bom = dir.createFile("b.wzl", "\xEF\xBB\xBFLanguage=Fran\xc3\xa7"
                                              "ais\n");
  EXPECT_EQ(TLang(plain).GetValue("2045"), QString::fromUtf8("\xc3\x89t\xc3\xa9"));
  EXPECT_EQ(TLang(bom).GetValue("Language"), QString::fromUtf8("Fran\xc3\xa7"
                                                               "ais"));
  EXPECT_TRUE(TLang(dir.filePath("missing.wzl")).Items.isEmpty());
}

TEST(TLangList, CurrentNameComesFromTheStoreWithEnglishAsDefault) {
  LangFolder folder;
  EXPECT_EQ(TLangList(folder.path()).CurrentName, "English");
  RegWriteString("Language", "Deutsch");
  EXPECT_EQ(TLangList(folder.path()).CurrentName, "Deutsch");
}

TEST(TLangList, TextsComeFromTheFileOfTheCurrentLanguageOnly) {
  LangFolder folder;
  folder.add("de.wzl", "Language=Deutsch\n2045=Warnung\n");
  folder.add("en.wzl", "Language=English\n2045=Warning\n");
  folder.add("notes.txt", "Language=English\n2045=Wrong file\n");
  TLangList list(folder.path());
  ASSERT_EQ(list.Langs.size(), 2u);
  EXPECT_EQ(list.GetText("2045"), "Warning");
  EXPECT_EQ(list.GetText(2045), "Warning");
  // No fallback to another file for an id the current one lacks.
  EXPECT_EQ(list.GetText("9999"), "no translated");
  list.CurrentName = "Deutsch";
  EXPECT_EQ(list.GetText("2045"), "Warnung");
}

TEST(TLangList, NoFileOfTheCurrentLanguageMeansNoTranslatedEverywhere) {
  LangFolder folder;
  folder.add("de.wzl", "Language=Deutsch\n2045=Warnung\n");
  folder.add("nolang.wzl", "2045=Nameless\n");
  TLangList list(folder.path());
  EXPECT_EQ(list.CurrentName, "English");
  EXPECT_EQ(list.GetText("2045"), "no translated");
  EXPECT_EQ(list.GetText("Language"), "no translated");
}

TEST(TLangList, MissingOrEmptyFolderGivesAnEmptyList) {
  LangFolder empty;
  TLangList none(empty.path() + "missing/");
  EXPECT_TRUE(none.Langs.empty());
  EXPECT_EQ(none.GetText("2045"), "no translated");
  EXPECT_TRUE(none.GetLanguageNames().isEmpty());
  EXPECT_EQ(none.GetCurrentIndex(), -1);
  EXPECT_TRUE(TLangList(empty.path()).Langs.empty());
}

TEST(TLangList, ComboListsEveryFileAndSelectsTheCurrentLanguage) {
  LangFolder folder;
  folder.add("a.wzl", "Language=Deutsch\n");
  folder.add("b.wzl", "2045=no name\n");
  folder.add("c.wzl", "Language=English\n");
  folder.add("sub.wzl/inner.wzl", "Language=Hidden\n");
  TLangList list(folder.path());
  EXPECT_EQ(list.GetLanguageNames(), QStringList({"Deutsch", "no translated", "English"}));
  EXPECT_EQ(list.GetCurrentIndex(), 2);
  list.CurrentName = "english";
  EXPECT_EQ(list.GetCurrentIndex(), -1);
}

TEST(TLangList, RegisteredListAnswersTextRequestsWithoutAWindow) {
  LangFolder folder;
  folder.add("en.wzl", "Language=English\n2645=Audio\n");
  EXPECT_EQ(LangText("2645"), "no translated");
  TLangList list(folder.path());
  SetCurrentLangList(&list);
  EXPECT_EQ(LangText("2645"), "Audio");
  EXPECT_EQ(CurrentLangList(), &list);
  SetCurrentLangList(nullptr);
  EXPECT_EQ(LangText("2645"), "no translated");
}

TEST(FormatText, FillsStringPlaceholdersInOrder) {
  EXPECT_EQ(FormatText("Marked %s of %s files, %s of %s  ", {"2", "10", "1.50kb", "9.00kb"}),
            "Marked 2 of 10 files, 1.50kb of 9.00kb  ");
  EXPECT_EQ(FormatText("No room on %s.", {"/home"}), "No room on /home.");
}

TEST(FormatText, IndexedPlaceholdersLetATranslationReorderArguments) {
  EXPECT_EQ(FormatText("%1:s of %0:s, then %s", {"a", "b", "c"}), "b of a, then b");
  EXPECT_EQ(FormatText("%0:S %S", {"x", "y"}), "x y");
}

TEST(FormatText, PercentSignsMissingArgumentsAndStrayPercentsAreHarmless) {
  EXPECT_EQ(FormatText("100%% done", {}), "100% done");
  EXPECT_EQ(FormatText("%s and %s", {"one"}), "one and ");
  EXPECT_EQ(FormatText("50% %d %9:x end%", {"a"}), "50% %d %9:x end%");
  EXPECT_EQ(FormatText("%7:s|", {"a"}), "|");
}
