#include "engine/SearchOptions.h"
#include "engine/Similarity.h"
#include "engine/StepStorage.h"
#include "engine/UsePropertyFile.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>

namespace {

std::unique_ptr<TUseFileProperty> Item(const QString &name, qint64 size = 10) {
  return std::make_unique<TUseFileProperty>("/d/", name, size, nullptr);
}

std::unique_ptr<TUseFileProperty> Read(qint32 code, qint64 size) {
  auto item = Item("f", size);
  item->FileItem.Code = code;
  item->WhatRead_Code = true;
  return item;
}

class Options : public ::testing::Test {
protected:
  void SetUp() override { SearchOptions().SetDefaults(); }
  void TearDown() override { SearchOptions().SetDefaults(); }
};

} // namespace

// Swapped halves count as equal; nothing shorter than four characters counts; letter case counts.
TEST(TextSimilarityMeasure, EdgeCases) {
  const QList<std::tuple<QString, QString, double>> cases = {
      {"", "", 0},       {"", "abcd", 0},      {"abcd", "abcd", 100},         {"ABCDEFGH", "EFGHABCD", 100},
      {"abc", "abd", 0}, {".JPG", ".JPEG", 0}, {"holiday", "holiday2", 87.5}, {"abcd", "ABCD", 0}};
  for (const auto &[a, b, similarity] : cases)
    EXPECT_DOUBLE_EQ(TextSimilarity(a, b), similarity) << a.toStdString() << " " << b.toStdString();
}

TEST(TextSimilarityMeasure, CommonPiecesLongestFirst) {
  EXPECT_EQ(CommonSubstringLength("abcdefgh", "efghabcd"), 8);
  EXPECT_EQ(CommonSubstringLength("xxabcdexxfghij", "fghijyyabcde"), 10);
  // Once "abcdef" is taken, "cdef" cannot be counted again.
  EXPECT_EQ(CommonSubstringLength("abcdef", "abcdefcdef"), 6);
  // Removing a piece joins its neighbours, which may then form a new common piece.
  EXPECT_EQ(CommonSubstringLength("abXXXXXXcd", "XXXXXXabcd"), 10);
}

TEST(TextSimilarityMeasure, TagsIgnoreCaseBlanksAndSeparators) {
  EXPECT_EQ(TagSimilarity("  The Band. ", "the band"), 100);
  EXPECT_EQ(TagSimilarity("AC-DC", "acdc"), 100);
  EXPECT_EQ(TagSimilarity("(Live) [2001]!", "live 2001"), 100);
  EXPECT_EQ(TagSimilarity("", ""), 0);
  EXPECT_EQ(TagSimilarity("...", "---"), 0);
}

// Any one difference parts them, a size beyond 32 bits too.
TEST(ContentCompare, SameWhenBothReadSharedAndEqual) {
  const std::function<void(TUseFileProperty &)> changes[] = {
      [](auto &b) { b.FileItem.Size = 101; },   [](auto &b) { b.FileItem.Size = (qint64(1) << 32) + 100; },
      [](auto &b) { b.UniqueCode = true; },     [](auto &b) { b.UniqueSize = true; },
      [](auto &b) { b.WhatRead_Code = false; }, [](auto &b) { b.FileItem.Unreadable = true; }};
  auto a = Read(77, 100);
  EXPECT_EQ(TUseFileProperty::Compare(*a, *Read(77, 100), 1, 0), 0);
  for (const auto &change : changes) {
    auto b = Read(77, 100);
    change(*b);
    EXPECT_EQ(TUseFileProperty::Compare(*a, *b, 1, 0), -1) << &change - changes;
  }
  EXPECT_NE(TUseFileProperty::Compare(*a, *Read(77, (qint64(1) << 32) + 100), 1, 1), 0);
}

// Keys built by joining numbers ("12" + "345" and "123" + "45") must not make different items equal,
// and items equal in every field must end up next to each other.
TEST(ContentCompare, SortOrderKeepsEqualItemsTogether) {
  auto a = Read(12, 345), b = Read(123, 45);
  EXPECT_NE(TUseFileProperty::Compare(*a, *b, 1, 1), 0);
  EXPECT_EQ(TUseFileProperty::Compare(*a, *b, 1, 1), -TUseFileProperty::Compare(*b, *a, 1, 1));

  QRandomGenerator gen(11);
  std::vector<std::unique_ptr<TUseFileProperty>> items;
  std::vector<TUseFileProperty *> order;
  for (int i = 0; i < 400; ++i) {
    auto item = Read(qint32(gen.bounded(-3, 4)) * 111, qint64(gen.bounded(1, 4)) * 1000);
    item->UniqueSize = gen.bounded(4) == 0;
    item->UniqueCode = gen.bounded(4) == 0;
    item->WhatRead_Code = gen.bounded(5) != 0;
    item->FileItem.Unreadable = gen.bounded(6) == 0;
    order.push_back(items.emplace_back(std::move(item)).get());
  }
  std::sort(order.begin(), order.end(),
            [](auto *x, auto *y) { return TUseFileProperty::Compare(*x, *y, 1, 1) < 0; });
  // Every pair the equality test joins sits inside one run of neighbours that it joins too.
  for (size_t i = 0; i < order.size(); ++i)
    for (size_t j = i + 1; j < order.size(); ++j)
      if (TUseFileProperty::Compare(*order[i], *order[j], 1, 0) == 0) {
        for (size_t k = i + 1; k <= j; ++k)
          ASSERT_EQ(TUseFileProperty::Compare(*order[k], *order[k - 1], 1, 0), 0) << i << " " << j;
      }
}

TEST_F(Options, MusicWithoutArtistNeverMatchesOnTheArtist) {
  auto a = Item("a.mp3"), b = Item("b.mp3");
  a->EditTags().Mp3_SongName = b->EditTags().Mp3_SongName = "Same";
  SearchOptions().MusicTagArtistPercent = 1;
  EXPECT_EQ(TUseFileProperty::Compare(*a, *b, 3, 0), -1);
  SearchOptions().MusicTagArtistPercent = 0;
  EXPECT_EQ(TUseFileProperty::Compare(*a, *b, 3, 0), 0);
  SearchOptions().MusicTagArtist = false;
  SearchOptions().MusicTagArtistPercent = 100;
  EXPECT_EQ(TUseFileProperty::Compare(*a, *b, 3, 0), 0);
}

// A share that is a whole percentage is that percentage exactly: 29 of 50 characters pass 58 %.
TEST_F(Options, ThresholdsCompareWithTheSimilarityAndWholePercentagesAreExact) {
  const QString common = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012";                     // 29 characters
  const QString longer = common + QString::fromUtf8("3456789ÄÖÜÆØÅÇÉÈÊËÎÏÔ"); // 50 characters
  EXPECT_EQ(TextSimilarity(common, longer), 58.0);
  EXPECT_EQ(TagSimilarity(common, longer), 58.0);
  auto a = Item(common + ".txt"), b = Item(longer + ".txt");
  SearchOptions().FilePropertyNamePercent = 58;
  EXPECT_EQ(TUseFileProperty::Compare(*a, *b, 4, 0), 0);
  SearchOptions().FilePropertyNamePercent = 59;
  EXPECT_EQ(TUseFileProperty::Compare(*a, *b, 4, 0), -1);
}

TEST_F(Options, PropertiesByNameExtensionAndSize) {
  auto a = Item("Report.txt", 10), b = Item("report.TXT", 11);
  EXPECT_EQ(TUseFileProperty::Compare(*a, *b, 4, 0), -1);
  SearchOptions().FilePropertySize = false;
  EXPECT_EQ(TUseFileProperty::Compare(*a, *b, 4, 0), 0);
  auto jpg = Item("photo.JPG"), jpeg = Item("photo.jpeg");
  EXPECT_EQ(TUseFileProperty::Compare(*jpg, *jpeg, 4, 0), -1);
  SearchOptions().FilePropertyExtPercent = 0;
  EXPECT_EQ(TUseFileProperty::Compare(*jpg, *jpeg, 4, 0), 0);
  // Short names that differ at all have nothing in common.
  auto x = Item("abc.txt"), y = Item("abd.txt");
  SearchOptions().FilePropertyNamePercent = 1;
  EXPECT_EQ(TUseFileProperty::Compare(*x, *y, 4, 0), -1);
  SearchOptions().FilePropertyName = false;
  SearchOptions().FilePropertyExt = false;
  EXPECT_EQ(TUseFileProperty::Compare(*jpg, *y, 4, 0), 0);
  EXPECT_EQ(SearchOptions().Compare(2, *x, *y), -1);
}
