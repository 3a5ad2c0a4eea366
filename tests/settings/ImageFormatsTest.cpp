#include "settings/ImageFormats.h"
#include "tests/settings/PictureMasks.h"

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
  EXPECT_EQ(GetImageExtensionList(), ExpectedPictureMasks);
  EXPECT_EQ(GetImageExtensions().join(' '),
            "bmp cur gif icns ico jpeg jpg mng pbm pgm png ppm svg svgz tga tif "
            "tiff wbmp webp xbm xpm");
}
