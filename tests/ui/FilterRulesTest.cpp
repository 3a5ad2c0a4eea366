// The filter dialog's rules without its window: validation order and focus, the mapping onto the
// program's filter and back, the enabling and date rules; and the comparison options' rule.
#include "ui/dialogs/FilterRules.h"
#include "engine/SearchFilter.h"
#include "engine/SearchOptions.h"
#include "engine/UsePropertyFile.h"
#include "ui/dialogs/AdditionOptionsRules.h"

#include <gtest/gtest.h>

namespace {

const QDate Today(2026, 3, 14);

TFilterControls initial() {
  return InitialFilterControls(Today);
}

// Controls that pass every check, every part on.
TFilterControls allPartsValid() {
  TFilterControls c = initial();
  c.MaskSpecify = c.SizeSpecify = c.DateSpecify = c.AttrSpecify = true;
  c.MaskIncludedText = "*.jpg";
  c.SizeMode = 3;
  c.SizeFirst = 5;
  c.SizeLast = 5;
  c.HiddenExclude = true;
  return c;
}

TFilterControls roundTrip(const TFilterControls &Shown) {
  TSearchFilter filter;
  StoreFilterControls(Shown, filter);
  TFilterControls loaded = initial();
  LoadFilterControls(filter, loaded);
  return loaded;
}

TFileProps modifiedAt(const QDate &Day, int Hour, int Minute, int Msecs = 0) {
  TFileProps props;
  props.Modified = DayStartToDays(Day) + (Hour * 3600000.0 + Minute * 60000.0 + Msecs) / 86400000.0;
  return props;
}

} // namespace

TEST(FilterValidation, SizeChecksDependOnTheMode) {
  TFilterControls c = initial();
  c.SizeSpecify = true;
  c.SizeFirst = 0;
  c.SizeLast = 0;
  for (const int mode : {0, 2})
    EXPECT_EQ(ValidateFilterControls((c.SizeMode = mode, c)), std::nullopt) << mode;
  c.SizeMode = 1;
  c.SizeFirst = 1;
  EXPECT_EQ(ValidateFilterControls(c), std::nullopt);
  // Other modes ignore the second size.
  c.SizeFirst = 6;
  c.SizeMode = 0;
  EXPECT_EQ(ValidateFilterControls(c), std::nullopt);
}

TEST(FilterMapping, StoresOnlyTheChosenPartsAfterClearing) {
  TSearchFilter filter;
  filter.MaskOn = filter.DateOn = true;
  filter.IncludeMasks = "*.old";
  filter.DateFrom = 40000;
  filter.SizeMode = 3;
  filter.DateKind = 2;
  TFilterControls c = initial();
  c.MaskIncludedText = "*.txt";
  c.SizeFirst = 7;
  StoreFilterControls(c, filter);
  EXPECT_TRUE(filter.IsEmpty());
  EXPECT_EQ(filter.DateFrom, 0);
  EXPECT_EQ(filter.SizeFrom, 0);
  // Clearing keeps the mode and the date kind.
  EXPECT_EQ(filter.SizeMode, 3);
  EXPECT_EQ(filter.DateKind, 2);
}

TEST(FilterMapping, EveryPartComesBackAsItWasShown) {
  TFilterControls c = allPartsValid();
  c.MaskIncluded = false;
  c.MaskExcluded = true;
  c.MaskIncludedText.clear();
  c.MaskExcludedText = "*.tmp";
  c.SizeFirst = 12;
  c.SizeLast = 99;
  c.DateKind = 1;
  c.DateLeft = Today.addDays(-30);
  c.ReadOnlyInclude = true;
  EXPECT_EQ(roundTrip(c), c);
  // An open end comes back unchecked, showing today's date.
  c.DateLeftChecked = false;
  c.DateLeft = Today.addDays(-400);
  TFilterControls back = roundTrip(c);
  EXPECT_FALSE(back.DateLeftChecked);
  EXPECT_EQ(back.DateLeft, Today);
}

TEST(FilterMapping, LoadingShowsOnlyThePartsThatAreOn) {
  TSearchFilter filter;
  filter.IncludeMasks = "*.jpg"; // part off: not shown
  filter.SizeMode = 2;
  filter.SizeFrom = 50;
  filter.AttrOn = true;
  filter.IncludeAttrs = "hR"; // letters are case-sensitive
  TFilterControls c = initial();
  LoadFilterControls(filter, c);
  TFilterControls expected = initial();
  expected.AttrSpecify = expected.HiddenInclude = true;
  EXPECT_EQ(c, expected);
}

TEST(FilterMapping, ModesAndKindsOutOfRangeKeepTheShownItem) {
  TSearchFilter filter;
  filter.SizeOn = filter.DateOn = true;
  filter.SizeMode = 9;
  filter.DateKind = 3;
  TFilterControls c = initial();
  c.SizeMode = 2;
  c.DateKind = 1;
  LoadFilterControls(filter, c);
  EXPECT_EQ(c.SizeMode, 2);
  EXPECT_EQ(c.DateKind, 1);
}

// The size checks themselves are the filter's tests; here the bounds reach it whole.
TEST(FilterMapping, LargestSizeReachesTheFilterAsSixtyFourBitBytes) {
  TFilterControls c = initial();
  c.SizeSpecify = true;
  c.SizeMode = 3;
  c.SizeFirst = 4 * 1024 * 1024;
  c.SizeLast = SizeKbMax;
  TSearchFilter filter;
  StoreFilterControls(c, filter);
  EXPECT_EQ(filter.SizeTo, 2147483647);
  EXPECT_TRUE(filter.CheckSize(int64_t(5) << 30));
  EXPECT_TRUE(filter.CheckSize(int64_t(2147483647) * 1024));
  EXPECT_FALSE(filter.CheckSize((int64_t(4) << 30) - 1));
  EXPECT_EQ(roundTrip(c).SizeLast, SizeKbMax);
}

TEST(FilterDates, TheLastDayIsKeptWhole) {
  TFilterControls c = initial();
  c.DateSpecify = true;
  c.DateLeft = c.DateRight = QDate(2026, 3, 1);
  TSearchFilter filter;
  StoreFilterControls(c, filter);
  const QDate first(2026, 3, 1);
  EXPECT_TRUE(filter.CheckDate(modifiedAt(first, 0, 0)));
  EXPECT_TRUE(filter.CheckDate(modifiedAt(first, 23, 59, 59999)));
  EXPECT_FALSE(filter.CheckDate(modifiedAt(first.addDays(1), 0, 0)));
  EXPECT_FALSE(filter.CheckDate(modifiedAt(first.addDays(-1), 23, 59, 59999)));
  EXPECT_EQ(roundTrip(c).DateRight, first); // shown again, the bound is that day
}

TEST(FilterDates, AnOpenEndIsStoredAsZero) {
  TFilterControls c = initial();
  c.DateSpecify = true;
  c.DateLeftChecked = false;
  TSearchFilter filter;
  StoreFilterControls(c, filter);
  EXPECT_EQ(filter.DateFrom, 0);
  EXPECT_GT(filter.DateTo, DayStartToDays(Today));
  c.DateLeftChecked = true;
  c.DateRightChecked = false;
  StoreFilterControls(c, filter);
  EXPECT_EQ(filter.DateFrom, DayStartToDays(Today));
  EXPECT_EQ(filter.DateTo, 0);
  // Dates before 1900 are still bounds, the day before the zero day included.
  EXPECT_NE(DayEndToDays(QDate(1899, 12, 29)), 0);
  EXPECT_EQ(DaysToDate(DayEndToDays(QDate(1899, 12, 29))), QDate(1899, 12, 29));
}

TEST(FilterDates, UncheckingTheOnlyCheckedEndChecksTheOther) {
  TFilterControls c = initial();
  c.DateLeftChecked = false;
  ApplyDateRule(TDateEnd::Left, c);
  EXPECT_FALSE(c.DateLeftChecked);
  EXPECT_TRUE(c.DateRightChecked); // one end was still checked: nothing changes
  c.DateRightChecked = false;
  ApplyDateRule(TDateEnd::Right, c);
  EXPECT_TRUE(c.DateLeftChecked);
  EXPECT_FALSE(c.DateRightChecked); // the user's own change stands
}

TEST(FilterEnabling, EachPartFollowsItsSpecifyRadio) {
  TFilterControls c = initial();
  EXPECT_EQ(FilterEnabling(c), TFilterEnabling{});
  c.MaskSpecify = true;
  c.MaskIncluded = false;
  c.MaskExcluded = true;
  EXPECT_TRUE(FilterEnabling(c).Mask); // both boxes, whichever side is chosen
  c.SizeSpecify = true;
  for (int mode = 0; mode < 4; ++mode) {
    c.SizeMode = mode;
    EXPECT_TRUE(FilterEnabling(c).SizeFirst);
    EXPECT_EQ(FilterEnabling(c).SizeLast, mode == 3);
  }
  c.SizeSpecify = false;
  EXPECT_FALSE(FilterEnabling(c).SizeLast);
  c.DateSpecify = true;
  c.DateLeftChecked = c.DateRightChecked = false;
  EXPECT_TRUE(FilterEnabling(c).Date);
}

TEST(FilterEnabling, AnAttributeStandsInOneListOnly) {
  TFilterControls c = initial();
  c.ReadOnlyInclude = true;
  EXPECT_FALSE(FilterEnabling(c).ReadOnlyInclude); // the part is off
  c.AttrSpecify = true;
  TFilterEnabling e = FilterEnabling(c);
  EXPECT_TRUE(e.AttrLabels && e.ReadOnlyInclude && e.HiddenInclude && e.HiddenExclude);
  EXPECT_FALSE(e.ReadOnlyExclude);
  c.ReadOnlyInclude = false;
  c.HiddenExclude = true;
  e = FilterEnabling(c);
  EXPECT_TRUE(e.ReadOnlyInclude && e.ReadOnlyExclude && e.HiddenExclude);
  EXPECT_FALSE(e.HiddenInclude);
}

TEST(ComparisonOptions, EachPageKeepsOneComparisonOn) {
  // The boxes artist, song, name, extension, size as "1"/"0": after the click, then after the rule.
  const struct {
    TOptionBox clicked;
    const char *shown, *kept;
  } cases[] = {
      {TOptionBox::MusicTagArtist, "00111", "01111"},   {TOptionBox::MusicTagSong, "00111", "10111"},
      {TOptionBox::MusicTagArtist, "01111", "01111"},   {TOptionBox::FilePropertyName, "11000", "11010"},
      {TOptionBox::FilePropertyExt, "11000", "11100"},  {TOptionBox::FilePropertySize, "11000", "11001"},
      {TOptionBox::FilePropertySize, "11010", "11010"},
  };
  bool TSearchOptions::*const boxes[] = {&TSearchOptions::MusicTagArtist, &TSearchOptions::MusicTagSong,
                                         &TSearchOptions::FilePropertyName, &TSearchOptions::FilePropertyExt,
                                         &TSearchOptions::FilePropertySize};
  for (const auto &k : cases) {
    TSearchOptions shown;
    for (int i = 0; i < 5; ++i)
      shown.*boxes[i] = k.shown[i] == '1';
    KeepOneComparison(k.clicked, shown);
    std::string kept;
    for (int i = 0; i < 5; ++i)
      kept += shown.*boxes[i] ? '1' : '0';
    EXPECT_EQ(kept, k.kept) << k.shown;
    EXPECT_TRUE(shown.MusicTagAlbumDiffer); // no rule of its own
  }
}
