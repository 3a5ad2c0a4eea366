#include "settings/Language.h"
#include "settings/Registry.h"
#include "tests/settings/Printers.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/TestEnv.h"

#include <QFile>
#include <gtest/gtest.h>

#include <memory>

namespace {

TLang parse(const QString &text) {
  TLang lang;
  lang.LoadFromText(text);
  return lang;
}

// A folder of translation files written as raw bytes.
struct LangFolder : TestDir {
  void add(const QString &name, const QByteArray &contents) { createFile(name, contents); }
  QString path() const { return TestDir::path() + '/'; }
};

} // namespace

TEST(TLang, ParsesPlainAndMultiLineValuesFromUtf8Files) {
  // Each text with the values it gives, as "key=value" texts joined by ";"; entries < 0: not counted.
  const struct {
    const char *text, *values;
    int entries;
  } cases[] = {
      // Plain lines are trimmed and split; the blank before "=" stays part of the key, the one
      // after it part of the value.
      {"2045=Warning\n   2046=Question  \t\r\n2047 = Spaced\r2048=a|b",
       "2045=Warning;2046=Question;2047=no translated;2047 = Spaced;2048=a\r\nb", -1},
      {"just words\n\n[section]\n2045=Warning\n", "2045=Warning", 1},
      // A multi-line value joins its trimmed lines with line breaks.
      {"  2045=[first line  \n   second line]   \n2046=after", "2045=first line\r\nsecond line;2046=after",
       -1},
      // Closed on its own line: what follows the bracket is dropped.
      {"2045=[ some text ] dropped\n2046=next", "2045= some text ;2046=next", -1},
      // Lines inside a multi-line value are consumed even with "=".
      {"2045=[one\nno equals here\n2046=inside]\n2047=outside",
       "2045=one\r\nno equals here\r\n2046=inside;2046=no translated;2047=outside", 2},
      // An unclosed value ends empty at the file's end.
      {"2044=before\n2045=[never\nclosed\n2046=swallowed", "2044=before;2045=;2046=no translated", -1},
      // A bracket closed before it opens gives an empty value.
      {"2045=x]y=[z", "2045=", -1},
      // The first of two equal keys wins; keys are case-sensitive.
      {"Language=English\n2045=first\n2045=second", "2045=first;language=no translated;Language=English", 3},
      // Former product names become Pairhound, only as a whole.
      {"1=About Quillfern Twinsweep\n2=Twinsweep found|Twinsweep\n3=Quillfern alone\nLanguage=Twinsweep "
       "English",
       "1=About Pairhound;2=Pairhound found\r\nPairhound;3=Quillfern alone;Language=Pairhound English", -1},
  };
  for (const auto &c : cases) {
    const TLang lang = parse(c.text);
    for (const QString &value : QString(c.values).split(';'))
      EXPECT_EQ(value.section('=', 0, 0) + '=' + lang.GetValue(value.section('=', 0, 0)), value) << c.text;
    EXPECT_TRUE(c.entries < 0 || lang.Items.size() == c.entries) << c.text;
  }
  // The "]" in the key ends the entry on its first line; the value then has no "]".
  const TLang lang = parse("20]45=[text\n2046=next");
  ASSERT_EQ(lang.Items.size(), 2);
  EXPECT_EQ(lang.Items.at(0).Key, "20]45");
  EXPECT_EQ(lang.Items.at(0).Value, "");
  // Files are UTF-8, with or without a byte order mark.
  TestDir dir;
  EXPECT_EQ(TLang(dir.createFile("a.wzl", "Language=Français\n2045=Été\n")).GetValue("2045"), "Été");
  EXPECT_EQ(TLang(dir.createFile("b.wzl", "\xEF\xBB\xBFLanguage=Français\n")).GetValue("Language"),
            "Français");
  EXPECT_TRUE(TLang(dir.filePath("missing.wzl")).Items.isEmpty());
}

TEST(TLangList, TextsComeOnlyFromTheFileOfTheStoredLanguageWithEnglishAsDefault) {
  LangFolder folder;
  TLangList none(folder.path() + "missing/");
  EXPECT_TRUE(none.Langs.empty());
  EXPECT_EQ(none.GetText("2045"), "no translated");
  EXPECT_EQ(none.GetCurrentIndex(), -1);
  EXPECT_TRUE(TLangList(folder.path()).Langs.empty());
  // The combo lists every file of the folder, also one without a name; no other file is read.
  folder.add("a.wzl", "Language=Deutsch\n2045=Warnung\n");
  folder.add("b.wzl", "2045=no name\n");
  folder.add("c.wzl", "Language=English\n2045=Warning\n");
  folder.add("notes.txt", "Language=English\n2045=Wrong file\n");
  folder.add("sub.wzl/inner.wzl", "Language=Hidden\n");
  TLangList list(folder.path());
  EXPECT_EQ(list.GetLanguageNames(), QStringList({"Deutsch", "no translated", "English"}));
  EXPECT_EQ(list.GetCurrentIndex(), 2);
  EXPECT_EQ(list.GetText("2045"), "Warning");
  // No fallback to another file for an id the current one lacks.
  EXPECT_EQ(list.GetText("9999"), "no translated");
  list.CurrentName = "english";
  EXPECT_EQ(list.GetCurrentIndex(), -1);
  LangFolder noEnglish;
  noEnglish.add("de.wzl", "Language=Deutsch\n2045=Warnung\n");
  noEnglish.add("nolang.wzl", "2045=Nameless\n");
  TLangList other(noEnglish.path());
  EXPECT_EQ(other.CurrentName, "English");
  EXPECT_EQ(other.GetText("2045"), "no translated");
  RegWriteString("Language", "Deutsch");
  EXPECT_EQ(TLangList(noEnglish.path()).CurrentName, "Deutsch");
}

TEST(FormatText, FillsPlaceholdersHarmlessly) {
  EXPECT_EQ(FormatText("Marked %s of %s files, %s of %s  ", {"2", "10", "1.50kb", "9.00kb"}),
            "Marked 2 of 10 files, 1.50kb of 9.00kb  ");
  // Indexed placeholders let a translation reorder the arguments.
  EXPECT_EQ(FormatText("%1:s of %0:s, then %s", {"a", "b", "c"}), "b of a, then b");
  EXPECT_EQ(FormatText("%0:S %S", {"x", "y"}), "x y");
  // Percent signs, missing arguments and stray percents are harmless.
  EXPECT_EQ(FormatText("100%% done", {}), "100% done");
  EXPECT_EQ(FormatText("%s and %s", {"one"}), "one and ");
  EXPECT_EQ(FormatText("50% %d %9:x end%", {"a"}), "50% %d %9:x end%");
  // An index past the arguments stays as written and leaves the next "%s" where it was, up to numbers
  // no counter can hold.
  EXPECT_EQ(FormatText("%7:s|", {"a"}), "%7:s|");
  EXPECT_EQ(FormatText("%1:s %s", {"a"}), "%1:s a");
  EXPECT_EQ(FormatText("%0:s %1:s %s", {"a", "b"}), "a b ");
  EXPECT_EQ(FormatText("Marked %9223372036854775807:s of %s", {"2", "10"}),
            "Marked %9223372036854775807:s of 2");
  EXPECT_EQ(FormatText("%9223372036854775806:s%s", {}), "%9223372036854775806:s");
  EXPECT_EQ(FormatText("%99999999999999999999:s %s", {"a"}), "%99999999999999999999:s a");
}

// A translation folder may hold anything with the right name. Only regular files of a sane size are
// read: a FIFO would hold start-up for ever and a link to /dev/zero would be read until memory runs
// out. Such entries are skipped and listed as not loadable; the good file still loads.
TEST(TLangList, ReadsOnlyRegularFilesOfASaneSize) {
  LangFolder folder;
  const QString dir = folder.path();
  folder.add("en.wzl", "Language=English\n2045=Warning\n");
  folder.add("huge.wzl", "Language=Huge\n");
  ASSERT_TRUE(QFile::resize(dir + "huge.wzl", MaxLangFileSize + 1)); // sparse: costs no disk
  folder.add("limit.wzl", "Language=Limit\n");
  ASSERT_TRUE(QFile::resize(dir + "limit.wzl", MaxLangFileSize));
  ASSERT_TRUE(hostile::MakeFifo(dir + "fifo.wzl"));
  ASSERT_TRUE(QFile::link("/dev/zero", dir + "zero.wzl"));
  ASSERT_TRUE(QFile::link(dir + "en.wzl", dir + "link.wzl"));
  std::unique_ptr<TLangList> list;
  EXPECT_TRUE(
      hostile::FinishesWithoutWaitingOn(dir + "fifo.wzl", [&] { list = std::make_unique<TLangList>(dir); }));
  ASSERT_TRUE(list);
  EXPECT_EQ(list->GetLanguageNames(), QStringList({"English", "Limit"}));
  EXPECT_EQ(list->GetText("2045"), "Warning");
  EXPECT_EQ(list->NotLoadable, QStringList({"fifo.wzl", "huge.wzl", "link.wzl", "zero.wzl"}));
  TLang lang;
  EXPECT_FALSE(lang.LoadFromFile(dir + "zero.wzl"));
  EXPECT_FALSE(lang.LoadFromFile(dir + "missing.wzl"));
  EXPECT_TRUE(lang.Items.isEmpty());
  EXPECT_TRUE(lang.LoadFromFile(dir + "en.wzl"));
}
