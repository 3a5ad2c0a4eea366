#pragma once
// Reaching a file through its folders without following a link at any step, and telling whether a
// name still holds the file a search saw. A file action opens the file's folder here and acts
// relative to it, so a link put on the way after the search cannot lead it to another file.

#include "platform/Folders.h"

#include <QByteArray>
#include <QtGlobal>

struct stat;

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

// Opens the folder that holds the absolute Path without following a link; Name receives the last
// part of Path. Not open when Path has no last part.
TFolderFd OpenParentNoLinks(const QByteArray &Path, QByteArray &Name);

// What a search saw of a file: its device and inode, its size and its modification time.
struct TFileIdentity {
  TFileId Id;
  qint64 Size = 0;
  // Nanoseconds since the epoch.
  qint64 ModifiedNs = 0;

  // Without device and inode nothing can be compared, so nothing may be acted on.
  bool IsKnown() const { return Id != TFileId{}; }
  bool operator==(const TFileIdentity &) const = default;
};

TFileIdentity IdentityOf(const struct stat &St);

// Whether St is a regular file with exactly the identity Expected (which must be known).
bool HasIdentity(const struct stat &St, const TFileIdentity &Expected);

// Whether Name inside Dir is, by itself (not through a link), the regular file Expected saw.
bool IsSameFileAt(int Dir, const QByteArray &Name, const TFileIdentity &Expected);

// The identity of the regular file Name inside Dir, not following a link; false when it is none.
bool IdentityAt(int Dir, const QByteArray &Name, TFileIdentity &Identity);

// The identity of the regular file at the absolute Path, reached without following a link; false when
// there is none.
bool IdentityNoLinks(const QByteArray &Path, TFileIdentity &Identity);

// Whether the absolute Path, reached without following a link, is still the file Expected saw.
bool IsSameFile(const QByteArray &Path, const TFileIdentity &Expected);

// Whether A and B describe one file (device and inode).
bool SameFile(const struct stat &A, const struct stat &B);

// The folder part of Path: "/" for a name in the root, "." for a name without a folder.
QByteArray FolderOf(const QByteArray &Path);

// Writes all Size bytes to Fd, again after an interruption; false with errno set (ENOSPC when the
// system takes nothing more).
bool WriteAll(int Fd, const char *Data, size_t Size);

} // namespace platform
