#include "settings/Registry.h"

#include "tests/settings/Printers.h"
#include "tests/support/TestEnv.h"
#include <QSettings>

#include <gtest/gtest.h>

namespace {

// Writes a raw value the way another version of the program (or a hand edit) might have left it.
void putRaw(const QString &name, const QVariant &value) {
  QSettings(QStringLiteral("Brambleworks"), QStringLiteral("Pairhound 1.5")).setValue(name, value);
}

const QString include = QStringLiteral("combo-include-ext");

void storeHistory(int count, int written) {
  RegWriteInteger(include + "_count", count);
  for (int i = 0; i < written; ++i)
    RegWriteString(include + "_item" + QString::number(i), "e" + QString::number(i));
}

QStringList storedHistory() {
  QStringList out;
  for (int i = 0; i < RegReadInteger(include + "_count", -1); ++i)
    out << RegReadString(include + "_item" + QString::number(i), "<missing>");
  return out;
}

} // namespace

TEST(Registry, HandEditedValuesAndOtherWritersAreReadSafely) {
  putRaw("group-ext-count", "many");
  EXPECT_EQ(RegReadInteger("group-ext-count", 4), 4);
  EXPECT_TRUE(RegReadBool("group-ext-count", true));
  putRaw("group-ext-count", " 12 ");
  EXPECT_EQ(RegReadInteger("group-ext-count", 4), 12);
  putRaw("combo-include-ext_item0", QStringList{"*.a", "*.b"});
  EXPECT_EQ(RegReadString("combo-include-ext_item0", ""), "*.a,*.b");
  // Delete removes one value; every call sees what another writer left.
  RegWriteString("AnimationIcon", "2");
  RegWriteString("Language", "English");
  RegDeleteValue("AnimationIcon");
  RegDeleteValue("never-written");
  EXPECT_EQ(RegReadString("AnimationIcon", "1"), "1");
  EXPECT_EQ(RegReadString("Language", "x"), "English");
  putRaw("Language", "Français");
  EXPECT_EQ(RegReadString("Language", "x"), "Français");
}

TEST(ComboHistory, LoadShowsAtMostTwentyStoredEntriesNewestFirstAndSavingDropsTheRest) {
  EXPECT_TRUE(LoadComboHistoryItems(include).isEmpty());
  for (int count : {0, -2}) {
    storeHistory(count, 3);
    EXPECT_TRUE(LoadComboHistoryItems(include).isEmpty()) << count;
  }
  storeHistory(3, 3);
  EXPECT_EQ(LoadComboHistoryItems(include), QStringList({"e2", "e1", "e0"}));
  testenv::ClearSettings();
  storeHistory(3, 2); // an entry missing below the count loads empty
  EXPECT_EQ(LoadComboHistoryItems(include), QStringList({"", "e1", "e0"}));
  storeHistory(25, 25);
  QStringList items = LoadComboHistoryItems(include);
  ASSERT_EQ(items.size(), 20);
  EXPECT_EQ(items.first(), "e19");
  EXPECT_EQ(items.last(), "e0");
  // Saving drops the leftovers of the longer stored history.
  ASSERT_TRUE(SaveComboHistoryItems(include, items, "x"));
  EXPECT_EQ(RegReadInteger(include + "_count", 0), 20);
  for (int i = 20; i < 25; ++i)
    EXPECT_EQ(RegReadString(include + "_item" + QString::number(i), "<none>"), "<none>") << i;
  items = LoadComboHistoryItems(include);
  EXPECT_EQ(items.first(), "x");
  EXPECT_EQ(items.at(1), "e19");
  EXPECT_EQ(items.last(), "e1");
}

TEST(ComboHistory, BlankTextOrTextPresentInAnyCaseWritesNothingAndNewTextComesFirstTrimmed) {
  for (const QString &blank : {QString(), QString("   "), QString(" \t\r\n\x01 ")})
    EXPECT_FALSE(SaveComboHistoryItems(include, {"*.a"}, blank));
  EXPECT_EQ(RegReadInteger(include + "_count", -1), -1);
  storeHistory(2, 2);
  EXPECT_FALSE(SaveComboHistoryItems(include, {"*.JPG", "*.txt"}, "  *.jpg "));
  EXPECT_EQ(storedHistory(), QStringList({"e0", "e1"}));
  testenv::ClearSettings();
  ASSERT_TRUE(SaveComboHistoryItems(include, {}, "  *.a\t"));
  ASSERT_TRUE(SaveComboHistoryItems(include, LoadComboHistoryItems(include), "*.b"));
  ASSERT_TRUE(SaveComboHistoryItems(include, LoadComboHistoryItems(include), "*.c"));
  EXPECT_EQ(LoadComboHistoryItems(include), QStringList({"*.c", "*.b", "*.a"}));
  EXPECT_EQ(storedHistory(), QStringList({"*.a", "*.b", "*.c"}));
  EXPECT_TRUE(LoadComboHistoryItems("combo-exclude-ext").isEmpty());
}
