// Whether two files count as the same under a search method, and the sort orders of content and
// picture grouping.
#include "engine/SearchOptions.h"
#include "engine/Similarity.h"
#include "engine/UsePropertyFile.h"

namespace {

template <class T> int Order(const T &A, const T &B) {
  return A < B ? -1 : (B < A ? 1 : 0);
}

qint32 CompareContent(const TUseFileProperty &A, const TUseFileProperty &B, int SortMode) {
  if (SortMode == 0) {
    const bool same = A.WhatRead_Code && B.WhatRead_Code && !A.FileItem.Unreadable &&
                      !B.FileItem.Unreadable && !A.UniqueCode && !B.UniqueCode && !A.UniqueSize &&
                      !B.UniqueSize && A.FileItem.Code == B.FileItem.Code &&
                      A.FileItem.Size == B.FileItem.Size && A.FileItem.Hash == B.FileItem.Hash;
    return same ? 0 : -1;
  }
  // Field by field, so that items equal in all of them always sort next to each other.
  return Order(ContentSortKey(A), ContentSortKey(B));
}

qint32 ComparePictures(const TUseFileProperty &A, const TUseFileProperty &B, int SortMode) {
  if (!A.DataImage || !B.DataImage)
    return -1;
  if (SortMode == 0)
    return TDataImage::IsSimilar(*A.DataImage, *B.DataImage) ? 0 : -1;
  return TDataImage::CompareTotal(*A.DataImage, *B.DataImage);
}

// The similarity falls short of a whole-number threshold.
bool Below(qint32 Threshold, double Similarity) {
  return double(Threshold) > Similarity;
}

} // namespace

TContentSortKey ContentSortKey(const TUseFileProperty &Item) {
  // The hash splits what size and checksum join; the equality test leaves unreadable files out, so
  // they must not sit between files it joins.
  const TFileItem &F = Item.FileItem;
  return {Item.UniqueSize, F.Code, F.Size, F.Hash, Item.WhatRead_Code, Item.UniqueCode, F.Unreadable};
}

qint32 TUseFileProperty::Compare(const TUseFileProperty &A, const TUseFileProperty &B, int Method,
                                 int SortMode) {
  switch (Method) {
  case MethodContent:
    return CompareContent(A, B, SortMode);
  case MethodPictures:
    return ComparePictures(A, B, SortMode);
  case MethodTags:
  case MethodProperties:
    return SearchOptions().Compare(Method, A, B);
  default:
    return -1;
  }
}

void TSearchOptions::SetDefaults() {
  MusicTagArtist = true;
  MusicTagArtistPercent = 100;
  MusicTagSong = true;
  MusicTagSongPercent = 100;
  MusicTagAlbumDiffer = true;
  FilePropertyName = true;
  FilePropertyNamePercent = 100;
  FilePropertyExt = true;
  FilePropertyExtPercent = 100;
  FilePropertySize = true;
}

qint32 TSearchOptions::Compare(int Method, const TUseFileProperty &A, const TUseFileProperty &B) const {
  switch (Method) {
  case MethodTags:
    return CompareTags(A, B);
  case MethodProperties:
    return CompareProperties(A, B);
  default:
    return -1;
  }
}

qint32 TSearchOptions::CompareTags(const TUseFileProperty &A, const TUseFileProperty &B) const {
  if (MusicTagArtist && Below(MusicTagArtistPercent, TagSimilarity(A.Tags().Mp3_Artist, B.Tags().Mp3_Artist)))
    return -1;
  if (MusicTagSong && Below(MusicTagSongPercent, TagSimilarity(A.Tags().Mp3_SongName, B.Tags().Mp3_SongName)))
    return -1;
  if (MusicTagAlbumDiffer && A.Tags().Mp3_Album != B.Tags().Mp3_Album)
    return -1;
  return 0;
}

qint32 TSearchOptions::CompareProperties(const TUseFileProperty &A, const TUseFileProperty &B) const {
  if (FilePropertySize && A.FileItem.Size != B.FileItem.Size)
    return -1;
  if (FilePropertyName &&
      Below(FilePropertyNamePercent, TextSimilarity(RemoveExtension(A.FileItem.FileName).toUpper(),
                                                    RemoveExtension(B.FileItem.FileName).toUpper())))
    return -1;
  if (FilePropertyExt && Below(FilePropertyExtPercent, TextSimilarity(UpperExtension(A.FileItem.FileName),
                                                                      UpperExtension(B.FileItem.FileName))))
    return -1;
  return 0;
}

TSearchOptions &SearchOptions() {
  static TSearchOptions options;
  return options;
}
