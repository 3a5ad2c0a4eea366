#pragma once
// The picture grid of similar-picture search: a picture reduced to 10 x 8 cells of darkness values,
// the similarity test between two grids, the sort order of method 2, and the thumbnail maker that
// loads any supported picture file into a 24-bit image of a given size.

#include <QImage>
#include <QString>
#include <QtGlobal>

#include <array>

class TDataImage {
public:
  static constexpr int Columns = 10;
  static constexpr int Rows = 8;
  static constexpr int GridWidth = 300;
  static constexpr int GridHeight = 230;
  // A picture smaller than this in width or height is not used.
  static constexpr int MinPictureSide = 35;
  static constexpr double CloseCellPercent = 90.0;

  struct TCell {
    // Sum of darkness values while filling; average times 1000 once finished.
    qint64 p = 0;
    // Number of pixels.
    qint64 c = 0;
    bool operator==(const TCell &) const = default;
  };

  // Column by column: column 1 rows 1 to 8, then column 2 ...
  std::array<TCell, Columns * Rows> Cells{};
  // Darkness figure of the whole picture; 0: no usable picture.
  qint64 Total = 0;

  // Column I (1 to 10, left to right), row J (1 to 8, top to bottom).
  TCell &Cell(int I, int J) { return Cells[size_t((I - 1) * Rows + (J - 1))]; }
  const TCell &Cell(int I, int J) const { return Cells[size_t((I - 1) * Rows + (J - 1))]; }

  // Fills the grid from a picture file. Without a usable picture the grid is left as it was; a failure
  // while filling leaves Total 0. Never throws.
  void LoadFromFile(const QString &FileName);
  // Fills the grid from a 300 x 230 picture (any format; drawn as 24-bit).
  void FillFromBitmap(const QImage &Bitmap);

  static bool IsSimilar(const TDataImage &A, const TDataImage &B);
  // -1 when A's Total is greater, 1 when smaller, 0 when equal: the larger Total sorts first.
  static qint32 CompareTotal(const TDataImage &A, const TDataImage &B);
  // Percentage of two finished cell values.
  static double CellSimilarity(quint32 a, quint32 b);

  // The grid as a tagged record: CRC (the Total), then p and c of every cell, column by column
  // (ResultFile.cpp). LoadFromText reads that record, values as signed 32-bit numbers.
  QString SaveToText() const;
  void LoadFromText(const QString &Record);

  bool operator==(const TDataImage &) const = default;
};

// Darkness of one pixel: 1000 - (R + G + B), from 235 (white) to 1000 (black).
inline int Darkness(int R, int G, int B) {
  return 1000 - (R + G + B);
}

// Loads a picture file into a new 24-bit (RGB888) image of Width x Height, white where the picture does
// not reach. PicWidth and PicHeight receive the size of the picture as decoded (JPEG files without
// KeepAspect are decoded at one eighth). KeepAspect false stretches over the whole image; true keeps the
// aspect ratio in the top-left corner and never enlarges. Returns a null image on any failure.
// Safe to call from any thread.
QImage CreateThumbnail(const QString &FileName, int Width, int Height, int &PicWidth, int &PicHeight,
                       bool KeepAspect);

// The rectangle the picture is drawn into, anchored at the top-left corner.
QRect FitRect(int Width, int Height, int PicWidth, int PicHeight, bool KeepAspect);
