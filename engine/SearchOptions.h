#pragma once
// The comparison options of tag and property search (one global instance, edited by the comparison
// options dialog and never saved: every run starts with the defaults) and the comparisons that use them.

#include <QtGlobal>

class TUseFileProperty;

class TSearchOptions {
public:
  TSearchOptions() { SetDefaults(); }
  void SetDefaults();

  bool MusicTagArtist;
  qint32 MusicTagArtistPercent;
  bool MusicTagSong;
  qint32 MusicTagSongPercent;
  bool MusicTagAlbumDiffer;
  bool FilePropertyName;
  qint32 FilePropertyNamePercent;
  bool FilePropertyExt;
  qint32 FilePropertyExtPercent;
  bool FilePropertySize;

  // Method 3: CompareTags, method 4: CompareProperties; 0 when A and B count as the same, else -1.
  // Any other method gives -1.
  qint32 Compare(int Method, const TUseFileProperty &A, const TUseFileProperty &B) const;
  qint32 CompareTags(const TUseFileProperty &A, const TUseFileProperty &B) const;
  qint32 CompareProperties(const TUseFileProperty &A, const TUseFileProperty &B) const;

  bool operator==(const TSearchOptions &) const = default;
};

// The one instance the comparisons read.
TSearchOptions &SearchOptions();
