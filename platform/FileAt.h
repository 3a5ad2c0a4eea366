#pragma once
// Reaching a file through its folders without following a link at any step, and telling whether a
// name still holds the file a search saw. A file action opens the file's folder here and acts
// relative to it, so a link put on the way after the search cannot lead it to another file.

#include "platform/Folders.h"

#include <QByteArray>
#include <QtGlobal>

struct stat;
struct statx;

namespace platform {

// An open folder (a path descriptor: enough to look up, open, rename and remove the names in it);
// closed when destroyed. Not open when the folder could not be reached.
class TFolderFd {
public:
  TFolderFd() = default;
  explicit TFolderFd(int Fd) : m_fd(Fd) {}
  ~TFolderFd();
  TFolderFd(TFolderFd &&Other) noexcept : m_fd(Other.m_fd) { Other.m_fd = -1; }
  TFolderFd &operator=(TFolderFd &&Other) noexcept;
  TFolderFd(const TFolderFd &) = delete;
  TFolderFd &operator=(const TFolderFd &) = delete;

  bool IsOpen() const { return m_fd >= 0; }
  int Get() const { return m_fd; }
  // Hands the descriptor to the caller, who closes it.
  int Release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
  }
  // Device and inode of the folder; zero when not open.
  TFileId Id() const;

private:
  int m_fd = -1;
};

// Opens the absolute folder Folder from "/" down without following a link at any level (one call
// where the kernel can refuse links on the whole way, else one level at a time). Not open when a level
// is a link or no folder, or cannot be reached.
TFolderFd OpenFolderNoLinks(const QByteArray &Folder);

// The same, always one level at a time (what OpenFolderNoLinks does where the kernel cannot refuse
// links on the whole way in one call).
TFolderFd OpenFolderLevels(const QByteArray &Folder);

// Opens the folder Name (one level) inside Dir without following a link.
TFolderFd OpenFolderAt(int Dir, const QByteArray &Name);

// The same, making the folder (with Mode) where it is missing; never through a link.
TFolderFd MakeFolderAt(int Dir, const QByteArray &Name, mode_t Mode);

// Device and inode of the open file or folder Fd; zero when it cannot be read.
TFileId IdOfFd(int Fd);

// Opens the folder that holds the absolute Path without following a link; Name receives the last
// part of Path. Not open when Path has no last part.
TFolderFd OpenParentNoLinks(const QByteArray &Path, QByteArray &Name);

// What a search saw of a file: its device and inode, its size and its times.
struct TFileIdentity {
  TFileId Id;
  qint64 Size = 0;
  // Nanoseconds since the epoch.
  qint64 ModifiedNs = 0;
  // The change time: every write, rename or change of attributes sets it and no user can set it back,
  // so a file rewritten and given its old modification time still differs.
  qint64 ChangedNs = 0;
  // The birth time where the file system keeps one, else 0: a new file given a freed inode number
  // differs by it too.
  qint64 BornNs = 0;

  // Without device and inode nothing can be compared, so nothing may be acted on.
  bool IsKnown() const { return Id != TFileId{}; }
  bool operator==(const TFileIdentity &) const = default;
  // Equal but for the change time, which a rename sets: how a file is recognised where it was moved.
  bool SameButChanged(const TFileIdentity &Other) const {
    return Id == Other.Id && Size == Other.Size && ModifiedNs == Other.ModifiedNs && BornNs == Other.BornNs;
  }
};

// statx of Name inside Dir (Flags as for fstatat; AT_EMPTY_PATH with "" for Dir itself), asking for the
// fields of an identity.
bool StatxAt(int Dir, const char *Name, int Flags, struct statx &St);

TFileIdentity IdentityOf(const struct statx &St);

// The identity of the open regular file Fd; false when it is none.
bool IdentityOfFd(int Fd, TFileIdentity &Identity);

// The identity of the regular file Name inside Dir, not following a link; false when it is none.
bool IdentityAt(int Dir, const QByteArray &Name, TFileIdentity &Identity);

// The identity of the regular file at the absolute Path, reached without following a link; false when
// there is none.
bool IdentityNoLinks(const QByteArray &Path, TFileIdentity &Identity);

// Whether the absolute Path, reached without following a link, is still the file Expected saw.
bool IsSameFile(const QByteArray &Path, const TFileIdentity &Expected);

// A regular file reached through its folder and held open (by a path descriptor) while it is acted
// on. While it is held its inode cannot go to another file, so a name that shows its device and inode
// holds this very file: that is how it is recognised after it was moved, in its own folder or another.
class THeldFile {
public:
  THeldFile() = default;
  THeldFile(THeldFile &&) = default;
  THeldFile &operator=(THeldFile &&) = default;

  // Opens Name inside Folder without following a link; not open unless it is a regular file.
  bool Open(TFolderFd Folder, const QByteArray &Name);
  // The same for an absolute Path, its folders opened from "/" without following a link.
  bool OpenPath(const QByteArray &Path);

  bool IsOpen() const { return m_fd.IsOpen(); }
  // The absolute path it was opened by; empty when it was opened inside a folder.
  const QByteArray &Path() const { return m_path; }
  int Folder() const { return m_folder.Get(); }
  const QByteArray &Name() const { return m_name; }
  int Fd() const { return m_fd.Get(); }
  // The identity it had when opened.
  const TFileIdentity &Identity() const { return m_identity; }

  // Whether Name inside Dir holds this file, with the size and times it had when opened but for the
  // change time (which a rename sets).
  bool IsAt(int Dir, const QByteArray &Name) const;
  // Whether it still has every time it had when opened, the change time too: nothing wrote it.
  bool Unchanged() const;
  // Whether it has lost a name since it was opened: a removal of it took effect.
  bool LostName() const;

  // Takes the file out of its name: renames it to a fresh hidden name in its folder (never over
  // another). True only when what left the name is this file; anything else goes back to the name
  // it came from (never over another) and the result is false.
  bool TakeOut();
  // Puts the file taken out back to its own name, never over another; false when the name is taken.
  bool PutBack();
  // Removes the file taken out; true only when it then lost its name.
  bool RemoveTakenOut();

private:
  TFolderFd m_folder;
  QByteArray m_path;
  QByteArray m_name;
  QByteArray m_out;
  TFolderFd m_fd;
  TFileIdentity m_identity;
  quint64 m_links = 0;
};

// Renames FromName inside FromDir to ToName inside ToDir unless ToName exists (a hard link and an
// unlink where the file system has no such rename). False (errno set) on any failure.
bool RenameNoReplaceAt(int FromDir, const QByteArray &FromName, int ToDir, const QByteArray &ToName);

// A fresh name in Dir, free when it was made: Prefix and random letters.
QByteArray FreshName(int Dir, const QByteArray &Prefix);

// The folder part of Path: "/" for a name in the root, "." for a name without a folder.
QByteArray FolderOf(const QByteArray &Path);

// Writes all Size bytes to Fd, again after an interruption; false with errno set (ENOSPC when the
// system takes nothing more).
bool WriteAll(int Fd, const char *Data, size_t Size);

} // namespace platform
