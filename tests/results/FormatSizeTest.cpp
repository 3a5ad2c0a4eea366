#include "settings/FormatSize.h"

#include <gtest/gtest.h>

namespace {
QString kb(qint64 Bytes) {
  return FormatSizeKb(Bytes, QLocale::c());
}
} // namespace

TEST(FormatSizeKb, TruncatesToTwoDecimalsGroupsDigitsInThreesAndUsesTheLocaleSeparator) {
  EXPECT_EQ(kb(0), "0.00kb");
  EXPECT_EQ(kb(1023), "0.99kb"); // truncated, not rounded up to 1.00
  EXPECT_EQ(kb(1536), "1.50kb");
  EXPECT_EQ(kb(1048576), "1 024.00kb");
  // A digit count that is a multiple of three gets no leading blank.
  EXPECT_EQ(kb(999 * 1024), "999.00kb");
  EXPECT_EQ(kb(qint64(123456) * 1024), "123 456.00kb");
  EXPECT_EQ(kb(qint64(1000000) * 1024 + 1023), "1 000 000.99kb");
  // Huge counts do not overflow: 2^62 bytes = 2^52 kb exactly.
  EXPECT_EQ(kb(qint64(1) << 62), "4 503 599 627 370 496.00kb");
  EXPECT_EQ(kb(std::numeric_limits<qint64>::max()), "9 007 199 254 740 991.99kb");
  // Negative counts keep their sign.
  EXPECT_EQ(kb(-1536), "-1.50kb");
  EXPECT_EQ(kb(-qint64(999) * 1024), "-999.00kb");
  // The locale's decimal separator.
  EXPECT_EQ(FormatSizeKb(1048576, QLocale(QLocale::German, QLocale::Germany)), "1 024,00kb");
}
