#include "MediaFiles.h"

#include <QFile>

#include <id3v1tag.h>
#include <id3v2tag.h>
#include <mpegfile.h>

namespace media {

bool SaveImage(const QString &Path, const QImage &Image, const char *Format, int Quality) {
  return Image.save(Path, Format, Quality);
}

bool SavePicture(const QString &Path, int Width, int Height, const QColor &Color, const char *Format,
                 int Quality) {
  QImage image(Width, Height, QImage::Format_RGB32);
  image.fill(Color);
  return SaveImage(Path, image, Format, Quality);
}

namespace {
TagLib::String T(const QString &S) { return TagLib::String(S.toStdWString()); }

void Fill(TagLib::Tag *Target, const Tag &Source) {
  Target->setTitle(T(Source.title));
  Target->setArtist(T(Source.artist));
  Target->setAlbum(T(Source.album));
}
}  // namespace

bool SaveMp3(const QString &Path, const Tag *Id3v1, const Tag *Id3v2) {
  // MPEG-1 layer III, 128 kbit/s, 44.1 kHz, no padding: 417 bytes a frame.
  QByteArray frames;
  for (int i = 0; i < 8; ++i) {
    QByteArray frame(417, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFB);
    frame[2] = char(0x90);
    frame[3] = char(0x64);
    frames += frame;
  }
  {
    QFile f(Path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(frames) != frames.size())
      return false;
  }
  const QByteArray native = QFile::encodeName(Path);
  TagLib::MPEG::File file(native.constData(), false);
  if (!file.isOpen())
    return false;
  int tags = 0;
  if (Id3v1) {
    Fill(file.ID3v1Tag(true), *Id3v1);
    tags |= TagLib::MPEG::File::ID3v1;
  }
  if (Id3v2) {
    Fill(file.ID3v2Tag(true), *Id3v2);
    tags |= TagLib::MPEG::File::ID3v2;
  }
  return file.save(tags, TagLib::File::StripOthers, TagLib::ID3v2::v4, TagLib::File::DoNotDuplicate);
}

}  // namespace media
