#include "settings/ImageFormats.h"
#include "tests/settings/PictureMasks.h"

#include <gtest/gtest.h>

TEST(ImageFormats, MaskListJoinsTheExtensionsAsStarDotMasks) {
  EXPECT_EQ(GetImageExtensionList(), ExpectedPictureMasks);
  EXPECT_EQ(GetImageExtensions().join(' '),
            "bmp cur gif icns ico jpeg jpg mng pbm pgm png ppm svg svgz tga tif "
            "tiff wbmp webp xbm xpm");
}
