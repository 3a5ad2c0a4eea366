#pragma once
// Title, artist and album of music files: MP3 (ID3v1 or ID3v2), Ogg Vorbis and WMA.

#include "engine/ReadProperties.h"

// Reads the tags of the open file; the reader is chosen by the upper-cased extension of FileName.
// Another extension gives three empty fields. Throws EReadFailed when the file cannot be read.
// For MP3, the tag (ID3v1 or ID3v2) with more of title and artist filled wins; ties go to ID3v2.
TMusicTag ReadMusicTags(const platform::TInputFile &File, const QString &FileName);
// The same for the file at Path, opened as every file is read; EReadFailed when it cannot be.
TMusicTag ReadMusicTags(const QString &Path, const QString &FileName);
