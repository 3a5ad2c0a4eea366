#include "engine/MusicTags.h"

#include <asffile.h>
#include <id3v1tag.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <tdebuglistener.h>
#include <tfilestream.h>
#include <vorbisfile.h>

#include <unistd.h>

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

template <class TFile> void RequireOpen(const TFile &File, const QString &FileName) {
  if (!File.isOpen())
    throw EReadFailed("Cannot read " + FileName.toStdString());
}

// The open file as a stream of its own (the library closes what it is given), from the start.
std::unique_ptr<TagLib::FileStream> StreamOf(const platform::TInputFile &File, const QString &FileName) {
  const int fd = File.IsOpen() ? ::dup(File.Descriptor()) : -1;
  if (fd < 0)
    throw EReadFailed("Cannot read " + FileName.toStdString());
  ::lseek(fd, 0, SEEK_SET);
  auto stream = std::make_unique<TagLib::FileStream>(fd, true);
  if (!stream->isOpen()) {
    ::close(fd);
    throw EReadFailed("Cannot read " + FileName.toStdString());
  }
  return stream;
}

} // namespace

TMusicTag ReadMusicTags(const platform::TInputFile &File, const QString &FileName) {
  SilenceTagLib();
  const QString ext = UpperExtension(FileName);
  if (ext == QLatin1String(".OGG")) {
    const auto stream = StreamOf(File, FileName);
    TagLib::Ogg::Vorbis::File file(stream.get(), false);
    RequireOpen(file, FileName);
    return FromTag(file.tag());
  }
  if (ext == QLatin1String(".WMA")) {
    const auto stream = StreamOf(File, FileName);
    TagLib::ASF::File file(stream.get(), false);
    RequireOpen(file, FileName);
    return FromTag(file.tag());
  }
  if (ext == QLatin1String(".MP3")) {
    const auto stream = StreamOf(File, FileName);
    TagLib::MPEG::File file(stream.get(), TagLib::ID3v2::FrameFactory::instance(), false);
    RequireOpen(file, FileName);
    const TMusicTag v1 = FromTag(file.ID3v1Tag(false));
    const TMusicTag v2 = FromTag(file.ID3v2Tag(false));
    return FilledCount(v1) > FilledCount(v2) ? v1 : v2;
  }
  return {};
}

TMusicTag ReadMusicTags(const QString &Path, const QString &FileName) {
  const platform::TInputFile file(Path);
  if (!file.IsOpen())
    throw EReadFailed("Cannot open " + Path.toStdString());
  return ReadMusicTags(file, FileName);
}
