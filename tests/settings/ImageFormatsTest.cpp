#include "settings/ImageFormats.h"

#include <gtest/gtest.h>

TEST(ImageFormats, ListHoldsTheCommonFormatsSortedWithoutRepeats) {
  const QStringList ext = GetImageExtensions();
  for (const char *must : {"bmp", "gif", "jpeg", "jpg", "png"})
    EXPECT_TRUE(ext.contains(QString::fromLatin1(must))) << must;
  QStringList sorted = ext;
  sorted.sort(Qt::CaseInsensitive);
  EXPECT_EQ(ext, sorted);
  QStringList unique = ext;
  EXPECT_EQ(unique.removeDuplicates(), 0);
  for (const QString &e : ext) {
    EXPECT_EQ(e, e.toLower());
    EXPECT_FALSE(e.startsWith('.'));
  }
}

TEST(ImageFormats, MaskListJoinsTheExtensionsAsStarDotMasks) {
  const QStringList ext = GetImageExtensions();
  const QString list = GetImageExtensionList();
  const QStringList masks = list.split(';');
  ASSERT_EQ(masks.size(), ext.size());
  for (int i = 0; i < ext.size(); ++i)
    EXPECT_EQ(masks.at(i), "*." + ext.at(i));
  EXPECT_FALSE(list.endsWith(';'));
}
