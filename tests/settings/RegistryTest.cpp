#include "settings/Registry.h"

#include "tests/settings/Printers.h"
#include "tests/support/TestEnv.h"
#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

namespace {

QString storeFile() {
  return QSettings(QStringLiteral("Brambleworks"), QStringLiteral("Pairhound 1.5")).fileName();
}

// Writes a raw value the way another version of the program (or a hand edit) might have left it.
void putRaw(const QString &name, const QVariant &value) {
  QSettings s(QStringLiteral("Brambleworks"), QStringLiteral("Pairhound 1.5"));
  s.setValue(name, value);
}

const QString include = QStringLiteral("combo-include-ext");

void storeHistory(const QString &prefix, int count, int written) {
  RegWriteInteger(prefix + "_count", count);
  for (int i = 0; i < written; ++i)
    RegWriteString(prefix + "_item" + QString::number(i), "e" + QString::number(i));
}

QStringList storedHistory(const QString &prefix) {
  QStringList out;
  const int n = RegReadInteger(prefix + "_count", -1);
  for (int i = 0; i < n; ++i)
    out << RegReadString(prefix + "_item" + QString::number(i), "<missing>");
  return out;
}

} // namespace

TEST(Registry, ReadersGiveDefaultsUntilTheFirstWriteAndEveryKindRoundTrips) {
  ASSERT_FALSE(QFile::exists(storeFile()));
  EXPECT_EQ(RegReadString("Language", "English"), "English");
  EXPECT_EQ(RegReadString("MinimizeToTrayOfFind", "1"), "1");
  EXPECT_EQ(RegReadInteger("group-ext-count", 0), 0);
  EXPECT_EQ(RegReadInteger("combo-include-ext_count", -5), -5);
  EXPECT_TRUE(RegReadBool("ShowDialogWarningArchive", true));
  EXPECT_FALSE(RegReadBool("ShowDialogWarningArchive", false));
  // Reading alone leaves no store behind.
  EXPECT_FALSE(QFile::exists(storeFile()));

  RegWriteString("Language", "Deutsch");
  EXPECT_TRUE(QFile::exists(storeFile()));
  RegWriteInteger("group-ext-count", -123456);
  RegWriteBool("ShowDialogWarningArchive", false);
  RegWriteBool("ShowDialogWarningSystemDirectory", true);
  EXPECT_EQ(RegReadString("Language", "English"), "Deutsch");
  EXPECT_EQ(RegReadInteger("group-ext-count", 0), -123456);
  EXPECT_FALSE(RegReadBool("ShowDialogWarningArchive", true));
  EXPECT_TRUE(RegReadBool("ShowDialogWarningSystemDirectory", false));
}

TEST(Registry, BooleansAreStoredAsZeroOrOneAndAnyNonZeroReadsTrue) {
  RegWriteInteger("ShowDialogWarningArchive", 7);
  EXPECT_TRUE(RegReadBool("ShowDialogWarningArchive", false));
  RegWriteInteger("ShowDialogWarningArchive", -1);
  EXPECT_TRUE(RegReadBool("ShowDialogWarningArchive", false));
  RegWriteInteger("ShowDialogWarningArchive", 0);
  EXPECT_FALSE(RegReadBool("ShowDialogWarningArchive", true));

  RegWriteBool("ShowDialogWarningArchive", true);
  EXPECT_EQ(RegReadInteger("ShowDialogWarningArchive", 99), 1);
  RegWriteBool("ShowDialogWarningArchive", false);
  EXPECT_EQ(RegReadInteger("ShowDialogWarningArchive", 99), 0);
}

TEST(Registry, HandEditedValuesReadSafely) {
  putRaw("group-ext-count", "many");
  EXPECT_EQ(RegReadInteger("group-ext-count", 4), 4);
  EXPECT_TRUE(RegReadBool("group-ext-count", true));
  putRaw("group-ext-count", " 12 ");
  EXPECT_EQ(RegReadInteger("group-ext-count", 4), 12);
  putRaw("combo-include-ext_item0", QStringList{"*.a", "*.b"});
  EXPECT_EQ(RegReadString("combo-include-ext_item0", ""), "*.a,*.b");
}

TEST(Registry, DeleteRemovesOneValueAndEveryCallSeesOtherWriters) {
  RegWriteString("AnimationIcon", "2");
  RegWriteString("Language", "English");
  RegDeleteValue("AnimationIcon");
  EXPECT_EQ(RegReadString("AnimationIcon", "1"), "1");
  EXPECT_EQ(RegReadString("Language", "x"), "English");
  RegDeleteValue("never-written"); // harmless
  EXPECT_EQ(RegReadString("Language", "x"), "English");
  putRaw("Language", "Français");
  EXPECT_EQ(RegReadString("Language", "x"), "Français");
}

TEST(ComboHistory, LoadShowsAtMostTwentyStoredEntriesNewestFirst) {
  EXPECT_TRUE(LoadComboHistoryItems(include).isEmpty());
  storeHistory(include, 0, 3);
  EXPECT_TRUE(LoadComboHistoryItems(include).isEmpty());
  storeHistory(include, -2, 3);
  EXPECT_TRUE(LoadComboHistoryItems(include).isEmpty());
  storeHistory(include, 3, 3);
  EXPECT_EQ(LoadComboHistoryItems(include), QStringList({"e2", "e1", "e0"}));
  testenv::ClearSettings();
  storeHistory(include, 3, 2); // an entry missing below the count loads empty
  EXPECT_EQ(LoadComboHistoryItems(include), QStringList({"", "e1", "e0"}));
  storeHistory(include, 25, 25);
  const QStringList items = LoadComboHistoryItems(include);
  ASSERT_EQ(items.size(), 20);
  EXPECT_EQ(items.first(), "e19");
  EXPECT_EQ(items.last(), "e0");
}

TEST(ComboHistory, BlankTextOrTextPresentInAnyCaseWritesNothing) {
  for (const QString &blank : {QString(), QString("   "), QString(" \t\r\n\x01 ")})
    EXPECT_FALSE(SaveComboHistoryItems(include, {"*.a"}, blank));
  EXPECT_EQ(RegReadInteger(include + "_count", -1), -1);
  storeHistory(include, 2, 2);
  EXPECT_FALSE(SaveComboHistoryItems(include, {"*.JPG", "*.txt"}, "  *.jpg "));
  EXPECT_EQ(storedHistory(include), QStringList({"e0", "e1"}));
}

TEST(ComboHistory, NewTextIsTrimmedAndFirstAfterTheNextLoad) {
  ASSERT_TRUE(SaveComboHistoryItems(include, {}, "  *.a\t"));
  ASSERT_TRUE(SaveComboHistoryItems(include, LoadComboHistoryItems(include), "*.b"));
  ASSERT_TRUE(SaveComboHistoryItems(include, LoadComboHistoryItems(include), "*.c"));
  EXPECT_EQ(LoadComboHistoryItems(include), QStringList({"*.c", "*.b", "*.a"}));
  EXPECT_EQ(storedHistory(include), QStringList({"*.a", "*.b", "*.c"}));
  EXPECT_TRUE(LoadComboHistoryItems("combo-exclude-ext").isEmpty());
}

TEST(ComboHistory, AFullHistoryDropsTheOldestAndLeftoversOfALongerOne) {
  for (int i = 0; i < 20; ++i)
    ASSERT_TRUE(SaveComboHistoryItems(include, LoadComboHistoryItems(include), "t" + QString::number(i)));
  QStringList items = LoadComboHistoryItems(include);
  ASSERT_EQ(items.size(), 20);
  EXPECT_EQ(items.first(), "t19");
  EXPECT_EQ(items.last(), "t0");

  ASSERT_TRUE(SaveComboHistoryItems(include, items, "new"));
  items = LoadComboHistoryItems(include);
  ASSERT_EQ(items.size(), 20);
  EXPECT_EQ(items.first(), "new");
  EXPECT_EQ(items.at(1), "t19");
  EXPECT_EQ(items.last(), "t1");
  EXPECT_FALSE(items.contains("t0"));
  EXPECT_EQ(RegReadInteger(include + "_count", 0), 20);
  EXPECT_EQ(RegReadString(include + "_item20", "<none>"), "<none>");

  // Leftovers of a longer stored history go.
  testenv::ClearSettings();
  storeHistory(include, 25, 25);
  ASSERT_TRUE(SaveComboHistoryItems(include, LoadComboHistoryItems(include), "x"));
  EXPECT_EQ(RegReadInteger(include + "_count", 0), 20);
  for (int i = 20; i < 25; ++i)
    EXPECT_EQ(RegReadString(include + "_item" + QString::number(i), "<none>"), "<none>") << i;
  items = LoadComboHistoryItems(include);
  EXPECT_EQ(items.first(), "x");
  EXPECT_EQ(items.at(1), "e19");
  EXPECT_EQ(items.last(), "e1");
}
