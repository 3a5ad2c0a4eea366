#pragma once
// Archives are read through a descriptor opened as every file is read (a regular file only, never
// through a link at its end, never waiting on a FIFO or a device); the reader closes it when freed.

#include "platform/Folders.h"

#include <QString>

struct archive;

// Opens the libarchive reader A on the archive at FileName: ARCHIVE_OK, or a libarchive error code
// (also when FileName does not name a regular file, or not the file with the Expected device and
// inode when that is given).
int OpenArchiveFile(archive *A, const QString &FileName, const TFileId *Expected = nullptr);
