// The global file filter: its four parts and how they combine.
#include "engine/SearchFilter.h"
#include "platform/FileInfo.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

TFileProps Props(double created, double modified, double accessed, bool readOnly = false,
                 bool hidden = false) {
  TFileProps p;
  p.Created = created;
  p.Modified = modified;
  p.Accessed = accessed;
  p.ReadOnly = readOnly;
  p.Hidden = hidden;
  return p;
}

} // namespace

TEST(SearchFilter, AllPartsOffLetsEverythingPass) {
  TSearchFilter f;
  f.IncludeMasks = "*.jpg"; // ignored while the part is off
  f.SizeFrom = 100;
  f.ExcludeAttrs = "h";
  EXPECT_TRUE(f.CheckMask("x.txt") && f.CheckSize(0) && f.CheckDate(Props(1, 1, 1)) &&
              f.CheckAttributes(Props(0, 0, 0, true, true)));
}

// Include first, then exclude; an empty include lets all through; changed texts are used at once. The
// masks themselves are the mask tests'.
TEST(SearchFilter, MasksIncludeThenExclude) {
  TSearchFilter f;
  f.MaskOn = true;
  f.ExcludeMasks = "~*";
  EXPECT_TRUE(f.CheckMask("c.gif"));
  EXPECT_FALSE(f.CheckMask("~c.gif"));
  f.IncludeMasks = "*.png";
  EXPECT_TRUE(f.CheckMask("b.png"));
  EXPECT_FALSE(f.CheckMask("~b.png"));
  EXPECT_FALSE(f.CheckMask("c.gif"));
}

// Modes: 0 at least, 1 at most, 2 exactly, 3 between (in KiB); other modes let all through. Sizes are 64
// bits wide, and bounds too large for bytes stay beyond every size instead of wrapping around.
TEST(SearchFilter, SizeModesInKilobytes) {
  constexpr int64_t fiveGiB = int64_t(5) << 30, huge = int64_t(1) << 60;
  TSearchFilter f;
  f.SizeOn = true;
  // clang-format off
  const struct {
    int mode;
    int64_t from, to, size;
    bool pass;
  } cases[] = {
      {3, 1, 1, 1024, true}, {3, 1, 1, 1023, false}, {3, 1, 1, 1025, false}, {0, 0, 0, 1, true},
      {0, 0, 0, 0, false}, {2, 0, 0, 0, true}, {2, 0, 0, 1, false}, {1, 2, 0, 2047, true},
      {1, 2, 0, 2048, false}, {3, 5, 4, 4 * 1024, false}, {3, 5, 4, 5 * 1024, false}, {7, 5, 4, 123, true},
      {0, 4000000, 0, fiveGiB, true}, {0, 4000000, 0, fiveGiB & 0xFFFFFFFF, false},
      {2, fiveGiB / 1024, 0, fiveGiB, true}, {1, huge, 0, fiveGiB, true}, {0, huge, 0, fiveGiB, false},
      {3, 0, std::numeric_limits<int64_t>::max(), fiveGiB, true}, {3, -huge, 1, 0, true}};
  // clang-format on
  for (const auto &c : cases) {
    f.SizeMode = c.mode;
    f.SizeFrom = c.from;
    f.SizeTo = c.to;
    EXPECT_EQ(f.CheckSize(c.size), c.pass) << c.mode << " " << c.from << " " << c.to << " " << c.size;
  }
}

// Kinds: 0 last write, 1 creation, 2 last access, others the time 0; bounds are inclusive, time of day
// counts.
TEST(SearchFilter, DatesCompareTheChosenTimeWithInclusiveBounds) {
  TSearchFilter f;
  f.DateOn = true;
  EXPECT_TRUE(f.CheckDate(Props(10, 20, 30))); // both bounds 0
  // clang-format off
  const struct {
    int kind;
    double from, created, modified, accessed;
    bool pass;
  } cases[] = {
      {0, 15.5, 10, 20, 30, true},     {0, 15.5, 10, 20.25, 30, true},
      {0, 15.5, 10, 20.26, 30, false}, {0, 15.5, 10, 15.5, 30, true},
      {0, 15.5, 10, 15.49, 30, false}, {1, 15.5, 10, 20, 30, false},
      {1, 15.5, 16, 99, 99, true},     {2, 15.5, 0, 0, 17, true},
      {9, 15.5, 16, 16, 16, false},    {9, 0, 16, 16, 16, true}};
  // clang-format on
  f.DateTo = 20.25;
  for (const auto &c : cases) {
    f.DateKind = c.kind;
    f.DateFrom = c.from;
    EXPECT_EQ(f.CheckDate(Props(c.created, c.modified, c.accessed)), c.pass) << &c - cases;
  }
}

// Letters are case-sensitive: "R" matches nothing.
TEST(SearchFilter, AttributeLetters) {
  TSearchFilter f;
  f.AttrOn = true;
  const TFileProps plain = Props(0, 0, 0), readOnly = Props(0, 0, 0, true),
                   hidden = Props(0, 0, 0, false, true);
  EXPECT_TRUE(f.CheckAttributes(plain));
  f.IncludeAttrs = "rh";
  EXPECT_TRUE(f.CheckAttributes(readOnly));
  EXPECT_TRUE(f.CheckAttributes(hidden));
  EXPECT_FALSE(f.CheckAttributes(plain));
  f.IncludeAttrs.clear();
  f.ExcludeAttrs = "h";
  EXPECT_FALSE(f.CheckAttributes(hidden));
  EXPECT_TRUE(f.CheckAttributes(readOnly));
  f.ExcludeAttrs.clear();
  f.IncludeAttrs = "R";
  EXPECT_FALSE(f.CheckAttributes(readOnly));
  EXPECT_FALSE(f.CheckAttributes(Props(0, 0, 0, true, true)));
}
