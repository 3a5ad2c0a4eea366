#pragma once
// Moving and copying one file without ever losing it, inside folders opened without following links:
// nothing is overwritten but a regular file the caller asks to replace, and that in one step; a copy
// is written under a fresh name and put in place only when complete; a source leaves its name only
// after its copy stands in place, and only while it is the file that was copied.

#include "platform/Attributes.h"
#include "platform/FileAt.h"

#include <QString>

#include <functional>

namespace platform {

// Called between the blocks of a copy, at least every 64 MiB and about every 40 ms; returning false
// abandons the copy (errno ECANCELED): its temporary file is removed and the source stays as it was.
using TCopyTick = std::function<bool()>;

// Copies the held file to ToName inside the folder ToDir: the data goes into a fresh file there, which
// is flushed to disk, given the source's extended attributes and ACL (those the target can hold), owner
// (as root), permissions and times, and then renamed to ToName unless that exists. Holes stay holes.
// The source must be the file that was held, unchanged, before and after it was read. On failure
// nothing is left in ToDir. Loss, when given, receives the attributes the copy could not keep.
bool CopyHeld(const THeldFile &File, int ToDir, const QByteArray &ToName, const TCopyTick &Tick = {},
              TAttributeLoss *Loss = nullptr);

// Moves the held file to ToName inside ToDir. On one file system one rename, after which the name
// there must hold the held file (anything else goes back where it came from); across file systems a
// copy as CopyHeld makes, after which the source is taken out of its name, checked and removed. With
// Replace a regular file at ToName is replaced in one step and removed only once the move is done;
// without, an existing ToName fails. On any failure the file and whatever stood at ToName stay.
bool MoveHeld(THeldFile &File, int ToDir, const QByteArray &ToName, bool Replace, const TCopyTick &Tick = {},
              TAttributeLoss *Loss = nullptr);

} // namespace platform
