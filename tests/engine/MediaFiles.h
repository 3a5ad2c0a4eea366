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

} // namespace media
