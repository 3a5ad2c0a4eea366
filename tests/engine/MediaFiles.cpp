#include "MediaFiles.h"
#include "tests/support/TestArchives.h"

#include <QFile>

#include <id3v1tag.h>
#include <id3v2tag.h>
#include <mpegfile.h>

namespace media {

bool SavePicture(const QString &Path, int Width, int Height, const QColor &Color, const char *Format,
                 int Quality) {
  QImage image(Width, Height, QImage::Format_RGB32);
  image.fill(Color);
  return image.save(Path, Format, Quality);
}

namespace {
void Fill(TagLib::Tag *Target, const Tag &Source) {
  Target->setTitle(TagLib::String(Source.title.toStdWString()));
  Target->setArtist(TagLib::String(Source.artist.toStdWString()));
  Target->setAlbum(TagLib::String(Source.album.toStdWString()));
}
} // namespace

bool SaveMp3(const QString &Path, const Tag *Id3v1, const Tag *Id3v2) {
  // MPEG-1 layer III, 128 kbit/s, 44.1 kHz, no padding: 417 bytes a frame.
  if (!testarchive::WriteBytes(Path, (QByteArray("\xFF\xFB\x90\x64", 4) + QByteArray(413, '\0')).repeated(8)))
    return false;
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

} // namespace media
