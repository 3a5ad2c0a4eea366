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
  EXPECT_TRUE(f.IsEmpty());
  f.IncludeMasks = "*.jpg"; // ignored while the part is off
  f.SizeFrom = 100;
  EXPECT_TRUE(f.CheckMask("x.txt"));
  EXPECT_TRUE(f.CheckSize(0));
  EXPECT_TRUE(f.CheckDate(Props(1, 1, 1)));
  EXPECT_TRUE(f.CheckAttributes(Props(0, 0, 0, true, true)));
  f.AttrOn = true;
  EXPECT_FALSE(f.IsEmpty());
}

TEST(SearchFilter, MasksIncludeThenExclude) {
  TSearchFilter f;
  f.MaskOn = true;
  EXPECT_TRUE(f.CheckMask("anything")); // both texts empty
  f.IncludeMasks = "*.jpg;*.png";
  EXPECT_TRUE(f.CheckMask("A.JPG"));
  EXPECT_TRUE(f.CheckMask("b.png"));
  EXPECT_FALSE(f.CheckMask("c.gif"));
  f.ExcludeMasks = "~*";
  EXPECT_FALSE(f.CheckMask("~a.jpg"));
  EXPECT_TRUE(f.CheckMask("a.jpg"));
  f.IncludeMasks.clear();
  EXPECT_TRUE(f.CheckMask("c.gif"));
  EXPECT_FALSE(f.CheckMask("~c.gif"));
}

TEST(SearchFilter, ChangedMaskTextsAreUsedAtOnce) {
  TSearchFilter f;
  f.MaskOn = true;
  f.IncludeMasks = "*.jpg; *.png";
  EXPECT_FALSE(f.CheckMask("b.png")); // the second mask begins with a blank
  f.IncludeMasks = "*.jpg;*.png";
  EXPECT_TRUE(f.CheckMask("b.png"));
  f.ExcludeMasks = "b*";
  EXPECT_FALSE(f.CheckMask("b.png"));
  f.ExcludeMasks = "c*";
  EXPECT_TRUE(f.CheckMask("b.png"));
}

TEST(SearchFilter, SizeModesInKilobytes) {
  TSearchFilter f;
  f.SizeOn = true;
  f.SizeMode = 3;
  f.SizeFrom = 1;
  f.SizeTo = 1;
  EXPECT_TRUE(f.CheckSize(1024));
  EXPECT_FALSE(f.CheckSize(1023));
  EXPECT_FALSE(f.CheckSize(1025));
  f.SizeMode = 0;
  f.SizeFrom = 0;
  EXPECT_TRUE(f.CheckSize(1));
  EXPECT_FALSE(f.CheckSize(0));
  f.SizeMode = 2;
  EXPECT_TRUE(f.CheckSize(0));
  EXPECT_FALSE(f.CheckSize(1));
  f.SizeMode = 1;
  f.SizeFrom = 2;
  EXPECT_TRUE(f.CheckSize(2047));
  EXPECT_FALSE(f.CheckSize(2048));
  f.SizeMode = 3;
  f.SizeFrom = 5;
  f.SizeTo = 4; // bounds the wrong way round let nothing pass
  EXPECT_FALSE(f.CheckSize(4 * 1024));
  EXPECT_FALSE(f.CheckSize(5 * 1024));
  f.SizeMode = 7;
  EXPECT_TRUE(f.CheckSize(123));
}

TEST(SearchFilter, SizesAreSixtyFourBit) {
  TSearchFilter f;
  f.SizeOn = true;
  f.SizeMode = 0;
  f.SizeFrom = 4000000;
  const int64_t fiveGiB = int64_t(5) << 30;
  EXPECT_TRUE(f.CheckSize(fiveGiB));
  EXPECT_FALSE(f.CheckSize(fiveGiB & 0xFFFFFFFF)); // what a 32-bit size would have held
  f.SizeMode = 2;
  f.SizeFrom = fiveGiB / 1024;
  EXPECT_TRUE(f.CheckSize(fiveGiB));

  // Bounds too large to turn into bytes stay beyond every size instead of wrapping around.
  f.SizeFrom = int64_t(1) << 60;
  f.SizeMode = 1;
  EXPECT_TRUE(f.CheckSize(fiveGiB));
  f.SizeMode = 0;
  EXPECT_FALSE(f.CheckSize(fiveGiB));
  f.SizeMode = 3;
  f.SizeFrom = 0;
  f.SizeTo = std::numeric_limits<int64_t>::max();
  EXPECT_TRUE(f.CheckSize(fiveGiB));
  f.SizeFrom = -(int64_t(1) << 60);
  f.SizeTo = 1;
  EXPECT_TRUE(f.CheckSize(0));
}

TEST(SearchFilter, DatesCompareTheChosenTimeWithInclusiveBounds) {
  TSearchFilter f;
  f.DateOn = true;
  EXPECT_TRUE(f.CheckDate(Props(10, 20, 30))); // both bounds 0
  f.DateFrom = 15.5;
  f.DateTo = 20.25;
  f.DateKind = 0;
  EXPECT_TRUE(f.CheckDate(Props(10, 20, 30)));
  EXPECT_TRUE(f.CheckDate(Props(10, 20.25, 30)));
  EXPECT_FALSE(f.CheckDate(Props(10, 20.26, 30))); // the time of day counts
  EXPECT_TRUE(f.CheckDate(Props(10, 15.5, 30)));
  EXPECT_FALSE(f.CheckDate(Props(10, 15.49, 30)));
  f.DateKind = 1; // creation, whatever the last write says
  EXPECT_FALSE(f.CheckDate(Props(10, 20, 30)));
  EXPECT_TRUE(f.CheckDate(Props(16, 99, 99)));
  f.DateKind = 2;
  EXPECT_TRUE(f.CheckDate(Props(0, 0, 17)));
  f.DateKind = 9; // tests the time 0
  EXPECT_FALSE(f.CheckDate(Props(16, 16, 16)));
  f.DateFrom = 0;
  EXPECT_TRUE(f.CheckDate(Props(16, 16, 16)));
}

TEST(SearchFilter, AttributeLetters) {
  TSearchFilter f;
  f.AttrOn = true;
  const TFileProps plain = Props(0, 0, 0);
  const TFileProps readOnly = Props(0, 0, 0, true, false);
  const TFileProps hidden = Props(0, 0, 0, false, true);
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
  f.IncludeAttrs = "R"; // letters are case-sensitive: nothing matches
  EXPECT_FALSE(f.CheckAttributes(readOnly));
  EXPECT_FALSE(f.CheckAttributes(Props(0, 0, 0, true, true)));
}

TEST(SearchFilter, ClearKeepsSizeModeAndDateKind) {
  TSearchFilter f;
  f.MaskOn = f.SizeOn = f.DateOn = f.AttrOn = true;
  f.SizeMode = 3;
  f.DateKind = 2;
  f.IncludeMasks = "*";
  f.SizeFrom = 5;
  f.DateTo = 7;
  f.ExcludeAttrs = "h";
  f.Clear();
  EXPECT_TRUE(f.IsEmpty());
  EXPECT_EQ(f.SizeMode, 3);
  EXPECT_EQ(f.DateKind, 2);
  EXPECT_TRUE(f.IncludeMasks.isEmpty());
  EXPECT_EQ(f.SizeFrom, 0);
  EXPECT_EQ(f.DateTo, 0);
  EXPECT_TRUE(f.ExcludeAttrs.isEmpty());
}
