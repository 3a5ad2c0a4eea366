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

namespace {

using testarchive::PutLE;

quint32 OggCrc(const QByteArray &Page) {
  quint32 crc = 0;
  for (char ch : Page) {
    crc ^= quint32(quint8(ch)) << 24;
    for (int k = 0; k < 8; ++k)
      crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
  }
  return crc;
}

// One Ogg page holding whole packets, each shorter than 255 bytes (one lacing value).
QByteArray OggPage(const QList<QByteArray> &Packets, int Sequence, bool First) {
  QByteArray segments, body;
  for (const QByteArray &packet : Packets) {
    segments.append(char(packet.size()));
    body += packet;
  }
  QByteArray page("OggS");
  page.append(char(0));
  page.append(char(First ? 0x02 : 0x00));
  PutLE(page, 0, 8);
  PutLE(page, 0x1234, 4);
  PutLE(page, quint64(Sequence), 4);
  PutLE(page, 0, 4);
  page.append(char(segments.size()));
  page += segments + body;
  const quint32 crc = OggCrc(page);
  for (int i = 0; i < 4; ++i)
    page[22 + i] = char((crc >> (8 * i)) & 0xFF);
  return page;
}

// Little-endian hosts only.
QByteArray Utf16z(const QString &S) {
  return QByteArray(reinterpret_cast<const char *>(S.utf16()), (S.size() + 1) * 2);
}

} // namespace

bool SaveOgg(const QString &Path, const Tag &Fields) {
  // Version 0, one channel, 44.1 kHz, 128 kbit/s nominal, block sizes, framing.
  const QByteArray ident =
      "\x01vorbis" + QByteArray::fromHex("000000000144ac00000000000000f4010000000000b801");
  QByteArray comment("\x03vorbis", 7);
  const QByteArray vendor("test");
  PutLE(comment, quint64(vendor.size()), 4);
  comment += vendor;
  const QList<QByteArray> fields{"TITLE=" + Fields.title.toUtf8(), "ARTIST=" + Fields.artist.toUtf8(),
                                 "ALBUM=" + Fields.album.toUtf8()};
  PutLE(comment, quint64(fields.size()), 4);
  for (const QByteArray &field : fields) {
    PutLE(comment, quint64(field.size()), 4);
    comment += field;
  }
  comment.append(char(1));
  const QByteArray setup = QByteArray("\x05vorbis", 7) + QByteArray(16, '\0');
  return testarchive::WriteBytes(Path, OggPage({ident}, 0, true) + OggPage({comment, setup}, 1, false));
}

bool SaveWma(const QString &Path, const Tag &Fields) {
  const QByteArray guidTail = QByteArray::fromHex("8e66cf11a6d900aa0062ce6c");
  const QByteArray title = Utf16z(Fields.title), author = Utf16z(Fields.artist), empty = Utf16z({});
  QByteArray content = QByteArray::fromHex("3326b275") + guidTail; // the content description object
  PutLE(content, quint64(24 + 10 + title.size() + author.size() + 3 * empty.size()), 8);
  for (const QByteArray *s : {&title, &author, &empty, &empty, &empty})
    PutLE(content, quint64(s->size()), 2);
  content += title + author + empty + empty + empty;
  QByteArray header = QByteArray::fromHex("3026b275") + guidTail; // the header object
  PutLE(header, quint64(30 + content.size()), 8);
  PutLE(header, 1, 4);
  header.append(char(1));
  header.append(char(2));
  return testarchive::WriteBytes(Path, header + content);
}

} // namespace media
