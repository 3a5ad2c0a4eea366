#pragma once
// One row of the results list: the columns, the row object TResultShow, and the rule by which two
// rows compare under a column, which the sort applies.

#include "engine/UsePropertyFile.h"

#include <QImage>
#include <QRgb>
#include <QString>

// Columns of the results list.
enum TResultColumn : int {
  ColName = 0,
  ColFolder = 1,
  ColSize = 2,
  ColGroup = 3,
  ColPreview = 4,
  ResultColumnCount = 5
};

// Thumbnails are made this size at most, keeping the picture's aspect ratio.
inline constexpr int ThumbnailWidth = 80;
inline constexpr int ThumbnailHeight = 60;

// The object behind one results row.
class TResultShow {
public:
  TResultShow(TUseFileProperty *Item, QRgb GroupColour);

  // The file shown; the file list owns it.
  TUseFileProperty *Item;
  // Null until the thumbnail loader made it.
  QImage Thumbnail;
  QRgb GroupColour;
  // The picture's own size, set with the thumbnail.
  qint32 ImageWidth = 0;
  qint32 ImageHeight = 0;
  // The picture could not be read: no loader or queue picks this row again.
  bool ThumbnailFailed = false;
  // The file's name is that of a picture.
  bool IsPicture;

  // The folder; for an archive member the archive's full name, " -> " and the folder inside it.
  QString GetFolderText() const;
  // Name, folder, size, group number (for Method); other columns "".
  QString GetCellText(int Column, int Method) const;
  // The file's mark; only a file that can take one (a plain file not yet processed) is marked.
  void SetMarked(bool Value);
  qint32 GetGroup(int Method) const { return Item->Viewed.GetGroup(Method); }
  // Whether the loader makes a thumbnail for this row at all.
  bool WantsThumbnail() const;
  // Wants one, has none yet, and no attempt failed.
  bool NeedsThumbnail() const { return WantsThumbnail() && Thumbnail.isNull() && !ThumbnailFailed; }
};

// The rule by which two rows compare under a column, which the sort applies: under Name and Folder
// their cell texts with only A-Z folded to a-z (so that the order is the same under every locale),
// compared by code; under Size and Group their numbers; under the preview column nothing, all rows
// are equal there.
enum class TSortKind { None, Text, Number };
TSortKind SortKind(int Column);
QString TextSortKey(const TResultShow &Row, int Column, int Method);
qint64 NumberSortKey(const TResultShow &Row, int Column, int Method);
// Two keys in ascending order: -1, 0 or 1 (TfrmMain.trvResultCompareNodes on the keys of two rows).
inline int CompareSortKeys(const QString &A, const QString &B) {
  const int order = A.compare(B);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}
inline int CompareSortKeys(qint64 A, qint64 B) {
  return A < B ? -1 : (A > B ? 1 : 0);
}
