#include "platform/Folders.h"

#include "platform/FileAt.h"
#include "platform/Names.h"
#include "settings/StringRoutines.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace {

bool IsFolder(const QByteArray &Path) {
  struct stat st;
  return ::stat(Path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

TFileId IdOf(const struct stat &St) {
  return {static_cast<uint64_t>(St.st_dev), static_cast<uint64_t>(St.st_ino)};
}

// Opens the folder Name inside Fd (known to be a folder) without following a link, making it
// searchable when it is not.
int OpenSubfolder(int Fd, const char *Name) {
  constexpr int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
  int sub = ::openat(Fd, Name, flags);
  if (sub < 0 && errno == EACCES && ::fchmodat(Fd, Name, 0700, 0) == 0)
    sub = ::openat(Fd, Name, flags);
  if (sub >= 0)
    ::fchmod(sub, 0700);
  return sub;
}

// Calls the caller's tick after every so many entries removed.
class TRemovalTicker {
public:
  explicit TRemovalTicker(const std::function<void()> &Tick) : m_tick(Tick) {}
  void Removed() {
    if (m_tick && ++m_count % FolderTreeTickEntries == 0)
      m_tick();
  }

private:
  const std::function<void()> &m_tick;
  qint64 m_count = 0;
};

// Removes the entries of the open folder Fd that are not folders; the names of its folders are
// returned in Folders. False when something could not be removed or listed.
bool RemoveFilesOf(int Fd, std::vector<QByteArray> &Folders, TRemovalTicker &Ticker) {
  const int listFd = ::dup(Fd);
  if (listFd < 0)
    return false;
  DIR *dir = ::fdopendir(listFd);
  if (!dir) {
    ::close(listFd);
    return false;
  }
  bool ok = true;
  while (dirent *e = ::readdir(dir)) {
    const char *name = e->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
      continue;
    struct stat st;
    if (::fstatat(Fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
      ok = false;
    else if (S_ISDIR(st.st_mode))
      Folders.emplace_back(name);
    else if (::unlinkat(Fd, name, 0) != 0)
      ok = false;
    else
      Ticker.Removed();
  }
  ::closedir(dir);
  return ok;
}

// Removes everything inside the open folder Fd; never follows a link. The walk holds one folder
// open at a time and climbs back through "..", checked against the folder it came from, so no
// depth of nesting runs out of descriptors.
bool DeleteContents(int Fd, TRemovalTicker &Ticker) {
  struct TLevel {
    TFileId m_id;
    QByteArray m_name; // in the level above
    std::vector<QByteArray> m_folders;
  };
  struct stat st;
  int fd = ::dup(Fd);
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    if (fd >= 0)
      ::close(fd);
    return false;
  }
  std::vector<TLevel> levels;
  levels.push_back({IdOf(st), {}, {}});
  bool ok = RemoveFilesOf(fd, levels.back().m_folders, Ticker);
  for (;;) {
    TLevel &level = levels.back();
    if (!level.m_folders.empty()) {
      QByteArray name = std::move(level.m_folders.back());
      level.m_folders.pop_back();
      const int sub = OpenSubfolder(fd, name.constData());
      if (sub < 0 || ::fstat(sub, &st) != 0) {
        if (sub >= 0)
          ::close(sub);
        ok = false;
        continue;
      }
      ::close(fd);
      fd = sub;
      levels.push_back({IdOf(st), std::move(name), {}});
      ok = RemoveFilesOf(fd, levels.back().m_folders, Ticker) && ok;
      continue;
    }
    if (levels.size() == 1)
      break;
    const int up = ::openat(fd, "..", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    ::close(fd);
    fd = up;
    const QByteArray name = std::move(level.m_name);
    levels.pop_back();
    if (fd < 0 || ::fstat(fd, &st) != 0 || !(IdOf(st) == levels.back().m_id)) {
      // Moved away while being deleted: go no further from here.
      if (fd >= 0)
        ::close(fd);
      return false;
    }
    if (::unlinkat(fd, name.constData(), AT_REMOVEDIR) != 0)
      ok = false;
    else
      Ticker.Removed();
  }
  ::close(fd);
  return ok;
}

// Magic numbers of file systems without real files (statfs f_type).
bool IsVirtualMagic(unsigned long Type) {
  switch (Type) {
  case PROC_SUPER_MAGIC:
  case SYSFS_MAGIC:
  case DEVPTS_SUPER_MAGIC:
  case CGROUP_SUPER_MAGIC:
  case CGROUP2_SUPER_MAGIC:
  case DEBUGFS_MAGIC:
  case TRACEFS_MAGIC:
  case SECURITYFS_MAGIC:
  case PSTOREFS_MAGIC:
  case BPF_FS_MAGIC:
  case 0x62656570: // configfs
  case 0x19800202: // mqueue
  case 0x65735543: // fusectl
  case EFIVARFS_MAGIC:
  case SELINUX_MAGIC:
  case SMACK_MAGIC:
  case BINFMTFS_MAGIC:
  case NSFS_MAGIC:
  case HUGETLBFS_MAGIC:
    return true;
  default:
    return false;
  }
}

} // namespace

bool ForceFolderChain(const QString &Path) {
  // Blanks and control characters only: other white space may end a folder's name.
  QByteArray path = platform::EncodeName(TrimBlanks(Path));
  if (!path.endsWith('/'))
    path += '/';
  for (qsizetype i = 1; i < path.size(); ++i) {
    if (path.at(i) != '/')
      continue;
    const QByteArray prefix = path.left(i);
    if (IsFolder(prefix))
      continue;
    if (::mkdir(prefix.constData(), 0777) != 0 && !(errno == EEXIST && IsFolder(prefix)))
      return false;
  }
  return !path.isEmpty();
}

int64_t FreeSpace(const QString &Path) {
  // The volume of a folder still to be made is the one of its nearest existing parent.
  QByteArray path = platform::EncodeName(QDir::cleanPath(Path.isEmpty() ? QDir::currentPath() : Path));
  if (!path.startsWith('/'))
    path = platform::EncodeName(QDir::currentPath()) + '/' + path;
  for (;;) {
    struct statvfs fs {};
    if (::statvfs(path.constData(), &fs) == 0)
      return int64_t(fs.f_bavail) * int64_t(fs.f_frsize);
    if ((errno != ENOENT && errno != ENOTDIR) || path == "/")
      return 0;
    const qsizetype slash = path.lastIndexOf('/');
    path = slash <= 0 ? QByteArray("/") : path.left(slash);
  }
}

bool IsFolderPath(const QString &Path) {
  return !Path.isEmpty() && IsFolder(platform::EncodeName(Path));
}

bool IsFilePath(const QString &Path) {
  struct stat st;
  return !Path.isEmpty() && ::stat(platform::EncodeName(Path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool PathExists(const QString &Path) {
  struct stat st;
  return !Path.isEmpty() && ::lstat(platform::EncodeName(Path).constData(), &st) == 0;
}

QString MountRootOf(const QString &Path) {
  QByteArray path = platform::EncodeName(QDir::cleanPath(Path));
  struct stat st;
  while (path.size() > 1 && ::stat(path.constData(), &st) != 0)
    path = path.left(std::max<qsizetype>(1, path.lastIndexOf('/')));
  if (!path.startsWith('/') || ::stat(path.constData(), &st) != 0)
    return QStringLiteral("/");
  // Climbs while the parent lies on the same device.
  while (path.size() > 1) {
    const QByteArray parent = path.left(std::max<qsizetype>(1, path.lastIndexOf('/')));
    struct stat up;
    if (::stat(parent.constData(), &up) != 0 || up.st_dev != st.st_dev)
      break;
    path = parent;
  }
  return platform::DecodeName(path);
}

int CreateFolderExclusive(const QString &Path) {
  if (::mkdir(platform::EncodeName(Path).constData(), 0700) == 0)
    return 0;
  return errno;
}

bool DeleteFolderTree(const QString &Path, const std::function<void()> &Tick) {
  QString path = Path;
  while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
    path.chop(1);
  const QByteArray bytes = platform::EncodeName(path);
  const int fd = ::open(bytes.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0)
    return errno == ENOENT;
  TRemovalTicker ticker(Tick);
  bool ok = DeleteContents(fd, ticker);
  ::close(fd);
  if (::rmdir(bytes.constData()) != 0)
    ok = false;
  return ok;
}

QString NeverExistingPath() {
  return QStringLiteral("/dev/null/missing");
}

QByteArray CanonicalFolder(const QByteArray &Path) {
  if (Path.isEmpty())
    return {};
  char *resolved = ::realpath(Path.constData(), nullptr);
  if (!resolved)
    return {};
  QByteArray canonical(resolved);
  std::free(resolved);
  if (!IsFolder(canonical))
    return {};
  if (!canonical.endsWith('/'))
    canonical += '/';
  return canonical;
}

QByteArray LinkFreeFolder(const QString &Folder) {
  if (!Folder.startsWith(QLatin1Char('/')))
    return {};
  QByteArray path = platform::EncodeName(Folder);
  while (path.size() > 1 && path.endsWith('/'))
    path.chop(1);
  const qsizetype slash = path.lastIndexOf('/');
  const QByteArray last = path.mid(slash + 1);
  // The root has no last part, and "." or ".." is never a link of its own.
  if (last.isEmpty() || last == "." || last == "..")
    return CanonicalFolder(path);
  const QByteArray parent = CanonicalFolder(slash == 0 ? QByteArrayLiteral("/") : path.left(slash));
  return parent.isEmpty() ? QByteArray() : parent + last + '/';
}

QByteArray ComparableFolder(const QString &Folder) {
  if (!Folder.startsWith(QLatin1Char('/')))
    return {};
  const QByteArray canonical = CanonicalFolder(platform::EncodeName(Folder));
  if (!canonical.isEmpty())
    return canonical;
  const QByteArray text = platform::EncodeName(QDir::cleanPath(Folder));
  return text.endsWith('/') ? text : text + '/';
}

bool FolderInside(const QByteArray &Inner, const QByteArray &Outer) {
  return !Outer.isEmpty() && Inner.startsWith(Outer);
}

TVirtualFileSystems::TVirtualFileSystems() {
  // devtmpfs shares its magic number with tmpfs, so the mount table names the devices to avoid.
  static const char *const kinds[] = {"proc",     "sysfs",     "devtmpfs",    "devpts",     "cgroup",
                                      "cgroup2",  "debugfs",   "tracefs",     "securityfs", "pstore",
                                      "bpf",      "configfs",  "mqueue",      "hugetlbfs",  "fusectl",
                                      "efivarfs", "selinuxfs", "binfmt_misc", "nsfs",       "rpc_pipefs"};
  QFile mounts(QStringLiteral("/proc/self/mountinfo"));
  if (!mounts.open(QIODevice::ReadOnly))
    return;
  while (!mounts.atEnd()) {
    const QByteArray line = mounts.readLine();
    const QList<QByteArray> fields = line.split(' ');
    const qsizetype dash = fields.indexOf("-");
    if (fields.size() < 3 || dash < 0 || dash + 1 >= fields.size())
      continue;
    const QByteArray &kind = fields.at(dash + 1);
    bool isVirtual = false;
    for (const char *k : kinds)
      if (kind == k)
        isVirtual = true;
    if (!isVirtual)
      continue;
    const QList<QByteArray> majorMinor = fields.at(2).split(':');
    if (majorMinor.size() == 2)
      m_devices.insert(makedev(majorMinor.at(0).toUInt(), majorMinor.at(1).toUInt()));
  }
}

bool TVirtualFileSystems::Contains(int Fd, uint64_t Device) const {
  if (m_devices.count(Device))
    return true;
  struct statfs fs;
  return ::fstatfs(Fd, &fs) == 0 && IsVirtualMagic(static_cast<unsigned long>(fs.f_type));
}

TDirReader::TDirReader(const QByteArray &Path) {
  // A trailing "/" would make the system follow a link in the last place.
  QByteArray path = Path;
  while (path.size() > 1 && path.endsWith('/'))
    path.chop(1);
  m_fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
  if (m_fd < 0)
    return;
  struct stat st;
  if (::fstat(m_fd, &st) != 0) {
    ::close(m_fd);
    m_fd = -1;
    return;
  }
  m_id = IdOf(st);
  const int listFd = ::dup(m_fd);
  if (listFd >= 0) {
    m_dir = ::fdopendir(listFd);
    if (!m_dir)
      ::close(listFd);
  }
}

TDirReader::~TDirReader() {
  if (m_dir)
    ::closedir(static_cast<DIR *>(m_dir));
  if (m_fd >= 0)
    ::close(m_fd);
}

bool TDirReader::IsVirtual(const TVirtualFileSystems &Virtual) const {
  return m_fd >= 0 && Virtual.Contains(m_fd, m_id.m_device);
}

bool TDirReader::Next(TDirEntry &Entry) {
  if (!m_dir)
    return false;
  Entry.m_size = 0;
  Entry.m_id = {};
  Entry.m_modifiedNs = Entry.m_changedNs = Entry.m_bornNs = 0;
  Entry.m_linked = false;
  // "." and ".." come first, whatever order the file system keeps.
  if (m_dotsGiven < 2) {
    Entry.m_name = m_dotsGiven++ == 0 ? QByteArray(".") : QByteArray("..");
    Entry.m_kind = TDirEntry::EKind::Folder;
    return true;
  }
  dirent *e = ::readdir(static_cast<DIR *>(m_dir));
  while (e && (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0))
    e = ::readdir(static_cast<DIR *>(m_dir));
  if (!e)
    return false;
  Entry.m_name = QByteArray(e->d_name);
  Entry.m_kind = TDirEntry::EKind::Other;
  if (e->d_type == DT_DIR) {
    Entry.m_kind = TDirEntry::EKind::Folder;
    return true;
  }
  if (e->d_type != DT_REG && e->d_type != DT_UNKNOWN)
    return true;
  struct statx st;
  if (!platform::StatxAt(m_fd, e->d_name, AT_SYMLINK_NOFOLLOW, st))
    return true;
  if (S_ISREG(st.stx_mode)) {
    const platform::TFileIdentity id = platform::IdentityOf(st);
    Entry.m_kind = TDirEntry::EKind::File;
    Entry.m_size = id.Size;
    Entry.m_id = id.Id;
    Entry.m_modifiedNs = id.ModifiedNs;
    Entry.m_changedNs = id.ChangedNs;
    Entry.m_bornNs = id.BornNs;
    Entry.m_linked = st.stx_nlink > 1;
  } else if (S_ISDIR(st.stx_mode)) {
    Entry.m_kind = TDirEntry::EKind::Folder;
  }
  return true;
}
