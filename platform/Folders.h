#pragma once
// Folder services: path helpers, free space, scratch folders that are made exclusively and removed
// without following links, and the folder listing that gathering walks with.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_set>

// Makes every missing level of Path (trimmed); true when all levels exist afterwards.
bool ForceFolderChain(const QString &Path);

// Bytes the user may still write on the volume holding Path (or its nearest existing parent);
// 0 when unknown.
int64_t FreeSpace(const QString &Path);

// Whether Path names a folder, a regular file, or anything at all (links followed for the first two),
// by the mapping's bytes.
bool IsFolderPath(const QString &Path);
bool IsFilePath(const QString &Path);
bool PathExists(const QString &Path);

// The folder on which the file system holding Path (or its nearest existing parent) is mounted; "/"
// when unknown.
QString MountRootOf(const QString &Path);

// Creates Path with mode 0700, never reusing an existing entry (a folder, a file or a link).
// Returns 0 on success, else the error number (EEXIST when the name is taken).
int CreateFolderExclusive(const QString &Path);

// Entries removed between two calls of DeleteFolderTree's Tick.
constexpr int FolderTreeTickEntries = 1024;

// Deletes Path with everything in it, permanently. Links inside are removed, never followed; a Path
// that is itself a link is not touched. False when anything stayed behind. Tick, when given, is
// called after every FolderTreeTickEntries entries removed, so that a large tree can report
// progress; it must not throw.
bool DeleteFolderTree(const QString &Path, const std::function<void()> &Tick = {});

// A path that names no file on any system (below a device that is not a folder): reading it fails
// like reading a missing file.
QString NeverExistingPath();

// The folder Path with every link and "." or ".." resolved, ending in "/"; empty when Path names no
// folder. Two texts name the same folder exactly when their canonical folders are equal.
QByteArray CanonicalFolder(const QByteArray &Path);

// The absolute Folder with the links, "." and ".." of its leading parts resolved and its last part
// kept as it is, ending in "/": a link there stays a link, which a walk never follows, and every
// folder below it is reached by a path that holds no link. Empty for an empty or relative text, or
// when the leading parts name no folder.
QByteArray LinkFreeFolder(const QString &Folder);

// The canonical folder of Folder or, when Folder names no folder, its cleaned text ending in "/";
// empty for an empty or relative text. Compares folders that may not exist.
QByteArray ComparableFolder(const QString &Folder);

// Whether Inner is Outer or lies inside it; both canonical folders ending in "/".
bool FolderInside(const QByteArray &Inner, const QByteArray &Outer);

// Identity of a file or folder on this machine.
struct TFileId {
  uint64_t m_device = 0;
  uint64_t m_inode = 0;
  bool operator==(const TFileId &Other) const = default;
};

struct TFileIdHash {
  size_t operator()(const TFileId &Id) const noexcept {
    return std::hash<uint64_t>()(Id.m_inode * 31 + Id.m_device);
  }
};

using TFileIdSet = std::unordered_set<TFileId, TFileIdHash>;

// The mounted file systems that hold no real files (proc, sysfs, devtmpfs, ...): reading them can
// hang or never end, so a walk never enters them. Taken once per walk, since mounts change.
class TVirtualFileSystems {
public:
  TVirtualFileSystems();
  // Fd is an open folder.
  bool Contains(int Fd, uint64_t Device) const;

private:
  std::unordered_set<uint64_t> m_devices;
};

// One entry of a folder listing, as the operating system gives it.
struct TDirEntry {
  enum class EKind { File, Folder, Other };
  QByteArray m_name;
  EKind m_kind = EKind::Other;
  int64_t m_size = 0;
  TFileId m_id;
  // The modification, change and birth times in nanoseconds since the epoch (birth 0 where the file
  // system keeps none).
  int64_t m_modifiedNs = 0;
  int64_t m_changedNs = 0;
  int64_t m_bornNs = 0;
  // More than one name leads to this file (hard links).
  bool m_linked = false;
};

// Lists one folder, "." and ".." first. Links are reported as Other and never followed; only
// regular files are File.
class TDirReader {
public:
  // Path itself is never followed when it is a link, with or without a trailing "/".
  explicit TDirReader(const QByteArray &Path);
  ~TDirReader();
  TDirReader(const TDirReader &) = delete;
  TDirReader &operator=(const TDirReader &) = delete;

  bool IsOpen() const { return m_dir != nullptr; }
  const TFileId &Id() const { return m_id; }
  bool IsVirtual(const TVirtualFileSystems &Virtual) const;
  // False at the end of the listing.
  bool Next(TDirEntry &Entry);

private:
  void *m_dir = nullptr; // the DIR stream
  int m_dotsGiven = 0;
  int m_fd = -1;
  TFileId m_id;
};
