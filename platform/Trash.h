#pragma once
// The freedesktop trash, kept by this program itself inside folders opened without following links: a
// file goes to the home trash or to its own volume's beside a record made before it moves, never takes
// the place of anything already there, and is never deleted instead.

#include "platform/FileAt.h"

#include <QString>

namespace platform {

// Sends the held file, opened by its absolute path, to the trash: the home trash when it is on the
// data folder's device, else its volume's ($top/.Trash/$uid where $top/.Trash is a real folder with
// the sticky bit, else $top/.Trash-$uid). Its record is made under a free name and written whole and
// flushed first; the file then moves in by one rename from the folder it is held in, never over
// another name, and must arrive there as the held file (anything else goes back to its name). True
// only when it stands in the trash beside its complete record; on any failure it stays where it was.
bool TrashHeld(THeldFile &File);

// Sends the regular file FileName (an absolute path, its folders reached without following a link) to
// the trash as TrashHeld does; a name too long for its record is trashed under a shorter one. Never
// deletes instead, never hangs, and makes nothing outside the data folder and the trash folders. With
// Expected, only while the path still leads to the file it describes.
bool MoveToTrash(const QString &FileName, const TFileIdentity *Expected = nullptr);

} // namespace platform
