#pragma once
// A result file keeps each file's size and checksum, not the proof that the files of a content group
// hold the same bytes, and its files may have changed since it was saved. Before a reopened result is
// grouped, the files that could share a content group are read again and compared by their hash.

#include "engine/Progress.h"
#include "engine/UsePropertyFile.h"

#include <functional>

// Reads again every file of List whose size and checksum another item shares, and keeps the hash of
// its bytes. A plain file is opened as the file loading took its identity from, and must still have
// that identity (device, inode, size and time) before and after the read; a file loading found
// changed or behind a link has none and proves nothing. Archive members are unpacked from their
// archive, opened safely as during a search, into a scratch folder of their own that goes afterwards,
// and read there. A file that is gone, changed, or no longer a regular file, a member that is missing
// or different, or whose archive is gone or unreadable, leaves content grouping: its checksum becomes
// "not read". Nothing is read when the result's methods leave out same content. ShowStep receives the
// reading text; the bar runs from 0 to 100 by bytes with the progress calls of reading, so Pause and
// Stop act; EMyStop and EMyHalt pass through.
void ConfirmContentGroups(TUseFileList &List, IProgressSink &Sink, IProgressBar &Bar,
                          const std::function<void(const QString &Text)> &ShowStep = {});
