#pragma once
// Moving, copying and trashing one file without ever losing it: nothing is overwritten, a copy is
// written under a temporary name and put in place only when complete, and a source is removed only
// after its copy stands in place. Every routine acts on regular files only and never follows a link
// at the last step of a path.

#include "platform/FileAt.h"

#include <QString>

#include <functional>

namespace platform {

// Called between the blocks of a copy, at least every 64 MiB and about every 40 ms; returning false
// abandons the copy (errno ECANCELED): its temporary file is removed and the source stays as it was.
using TCopyTick = std::function<bool()>;

// Renames Source to Target unless Target exists. False (errno set) on any failure; EXDEV when the two
// lie on different file systems.
bool RenameNoReplace(const QString &Source, const QString &Target);

// Copies the regular file Source to Target: the data goes into a fresh temporary file in Target's
// folder, which is flushed to disk, given Source's extended attributes and ACL (those the target can
// hold), owner (as root), permissions and times, and then renamed to Target unless Target exists.
// Holes of a sparse file stay holes. On failure nothing is left at Target and the temporary file is
// removed.
bool CopyFileSafely(const QString &Source, const QString &Target, const TCopyTick &Tick = {});

// Moves the regular file Source to Target: a rename on one file system, otherwise CopyFileSafely and
// then the removal of Source. When Source cannot be removed, the copy is taken back and the result is
// false, so a failed move leaves exactly the source.
bool MoveFileSafely(const QString &Source, const QString &Target, const TCopyTick &Tick = {});

// Moves the regular file Source over the regular file Target in one step: a rename on one file system;
// otherwise a complete copy under a temporary name takes Target's place and Source is removed after.
// On any failure both files stay as they were. Refused when Target is no regular file.
bool MoveFileReplacing(const QString &Source, const QString &Target, const TCopyTick &Tick = {});

// Copy and move of a file reached through an open folder: Name inside Dir, which must still be the
// regular file Expected describes (a copy checks the file it opened; a move checks the name before
// it renames and the file it renamed after, and puts back another file that took the name between).
// False for an identity that is not known.
bool CopyFileAt(int Dir, const QByteArray &Name, const TFileIdentity &Expected, const QString &Target,
                const TCopyTick &Tick = {});
bool MoveFileAt(int Dir, const QByteArray &Name, const TFileIdentity &Expected, const QString &Target,
                const TCopyTick &Tick = {});

// Moves the regular file Name inside Dir to Target: with Replace over a regular file at Target as
// MoveFileReplacing does, else as MoveFileSafely does.
bool MoveBackAt(int Dir, const QByteArray &Name, const QString &Target, bool Replace,
                const TCopyTick &Tick = {});

// Sends the regular file FileName (an absolute path) to the freedesktop trash: the home trash, or the
// trash folder of its own file system. True only when the file has left its place and stands in the
// "files" folder of a trash folder beside a complete record (Path and DeletionDate) that names it;
// a name too long for its record is trashed under a shorter one. Never deletes instead, never hangs,
// and makes nothing outside the data folder and the trash folders. With Expected, only while the path
// still leads to the file it describes.
bool MoveToTrash(const QString &FileName, const TFileIdentity *Expected = nullptr);

// Whether Path names a regular file itself (a link to one does not count).
bool IsRegularFile(const QString &Path);

} // namespace platform
