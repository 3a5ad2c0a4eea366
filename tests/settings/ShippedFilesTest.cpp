#include "settings/Language.h"
#include "tests/settings/Printers.h"
#include "tests/support/TestEnv.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

QString languageFolder() {
  return testenv::SourceDir() + "/Language/";
}

} // namespace

TEST(ShippedFiles, EnglishIsTheDefaultAndHoldsEveryTextOnceWithItsPlaceholders) {
  const TLangList list(languageFolder());
  EXPECT_EQ(list.CurrentName, "English");
  EXPECT_NE(list.GetText("Translator"), "no translated");
  const TLang english(languageFolder() + "English.wzl");
  ASSERT_GT(english.Items.size(), 150);
  QSet<QString> keys;
  for (const TLangEntry &e : english.Items) {
    EXPECT_FALSE(e.Value.trimmed().isEmpty()) << e.Key.toStdString();
    EXPECT_EQ(e.Key, e.Key.trimmed());
    EXPECT_FALSE(keys.contains(e.Key)) << "repeated " << e.Key.toStdString();
    keys << e.Key;
  }
  // Message caption, buttons, page machine, results, actions, restore, dialogs, the six methods.
  for (const int id : {209,  2010, 2026, 2027,  2038,  2039,  2040,  2041,  2042,  2043,  2044, 2045, 2046,
                       2047, 2050, 2063, 2064,  2065,  2066,  2073,  2074,  2075,  2076,  2077, 2078, 2079,
                       2080, 2097, 2098, 20105, 20112, 20119, 20120, 20121, 20125, 20155, 231,  237,  238,
                       2511, 2512, 2514, 2515,  2516,  2517,  262,   2633,  2637,  2639,  2642, 2652, 272,
                       2713, 2011, 2019, 2081,  20130, 20131, 20132, 20133, 20135, 20136})
    EXPECT_NE(list.GetText(id), "no translated") << id;
  EXPECT_EQ(list.GetText(243).count("%s"), 4);
  EXPECT_EQ(list.GetText(2513).count("%s"), 1);
  EXPECT_EQ(list.GetText(20132).count("%s"), 1);
  EXPECT_EQ(list.GetText(20136).count("%s"), 1);
}
