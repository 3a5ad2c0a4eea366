#include "engine/MusicTags.h"

#include <QFile>

#include <asffile.h>
#include <id3v1tag.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <tdebuglistener.h>
#include <vorbisfile.h>

namespace {

// TagLib reports damaged files on stderr; a search over thousands of files must stay quiet.
class TSilentTagLib : public TagLib::DebugListener {
public:
  void printMessage(const TagLib::String &) override {}
};

void SilenceTagLib() {
  static TSilentTagLib listener;
  static const bool once = (TagLib::setDebugListener(&listener), true);
  (void)once;
}

QString ToQString(const TagLib::String &S) {
  return QString::fromStdWString(S.toWString());
}

TMusicTag FromTag(const TagLib::Tag *Tag) {
  TMusicTag result;
  if (Tag) {
    result.Mp3_SongName = ToQString(Tag->title());
    result.Mp3_Artist = ToQString(Tag->artist());
    result.Mp3_Album = ToQString(Tag->album());
  }
  return result;
}

int FilledCount(const TMusicTag &Tag) {
  return (Tag.Mp3_SongName.isEmpty() ? 0 : 1) + (Tag.Mp3_Artist.isEmpty() ? 0 : 1);
}

template <class TFile> void RequireOpen(const TFile &File, const QString &Path) {
  if (!File.isOpen())
    throw EReadFailed("Cannot open " + Path.toStdString());
}

} // namespace

TMusicTag ReadMusicTags(const QString &Path, const QString &FileName) {
  SilenceTagLib();
  const QString ext = UpperExtension(FileName);
  const QByteArray native = QFile::encodeName(Path);
  if (ext == QLatin1String(".OGG")) {
    TagLib::Ogg::Vorbis::File file(native.constData(), false);
    RequireOpen(file, Path);
    return FromTag(file.tag());
  }
  if (ext == QLatin1String(".WMA")) {
    TagLib::ASF::File file(native.constData(), false);
    RequireOpen(file, Path);
    return FromTag(file.tag());
  }
  if (ext == QLatin1String(".MP3")) {
    TagLib::MPEG::File file(native.constData(), false);
    RequireOpen(file, Path);
    const TMusicTag v1 = FromTag(file.ID3v1Tag(false));
    const TMusicTag v2 = FromTag(file.ID3v2Tag(false));
    return FilledCount(v1) > FilledCount(v2) ? v1 : v2;
  }
  return {};
}
