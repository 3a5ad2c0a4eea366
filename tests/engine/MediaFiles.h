#pragma once
// Test pictures and music files made at run time.

#include <QColor>
#include <QImage>
#include <QString>

namespace media {

// A picture of one colour, saved in the format given by Format ("PNG", "BMP", "JPEG").
bool SavePicture(const QString &Path, int Width, int Height, const QColor &Color, const char *Format,
                 int Quality = 95);

struct Tag {
  QString title, artist, album;
};

// An MP3 file of a few silent MPEG-1 layer III frames, with an ID3v1 and/or an ID3v2 tag holding
// exactly the given fields (the other tag is not written when its pointer is null).
bool SaveMp3(const QString &Path, const Tag *Id3v1, const Tag *Id3v2);

// An Ogg Vorbis file of its three header packets, the comment header holding the given fields.
bool SaveOgg(const QString &Path, const Tag &Fields);

// A WMA (ASF) file of a header object with a content description (title and artist only).
bool SaveWma(const QString &Path, const Tag &Fields);

} // namespace media
