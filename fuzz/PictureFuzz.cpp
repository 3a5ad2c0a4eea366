// A picture file of every format the program reads (the first byte chooses the extension) through
// the picture grid and the thumbnail maker.
#include "engine/CompareImage.h"
#include "fuzz/FuzzSupport.h"
#include "settings/ImageFormats.h"

PAIRHOUND_FUZZ_INIT(true)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  if (Size < 1)
    return 0;
  static const QStringList extensions = GetImageExtensions();
  const QString path = fuzz::WriteFile(QStringLiteral("input.") + extensions.at(Data[0] % extensions.size()),
                                       Data + 1, Size - 1);
  TDataImage grid;
  grid.LoadFromFile(path);
  if (grid.Total != 0) {
    fuzz::Check(grid.Total >= 705000 && grid.Total <= 3000000,
                "the grid's total lies between white and black");
    fuzz::Check(TDataImage::IsSimilar(grid, grid), "a grid is similar to itself");
  }
  int width = 0, height = 0;
  const QImage thumb = CreateThumbnail(path, 80, 60, width, height, true);
  if (!thumb.isNull())
    fuzz::Check(thumb.size() == QSize(80, 60) && width > 0 && height > 0, "a thumbnail has its size");
  return 0;
}
