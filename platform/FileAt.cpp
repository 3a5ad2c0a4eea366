#include "platform/FileAt.h"

#include <QList>
#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr int FolderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Set once the kernel (or a sandbox) refused openat2, so later calls go level by level at once.
std::atomic<bool> NoOpenat2{false};

// Whether every part between the slashes is a real name: "." and ".." would step past the check.
bool IsPlainFolderPath(const QByteArray &Folder) {
  if (!Folder.startsWith('/') || Folder.contains('\0'))
    return false;
  for (const QByteArray &part : Folder.mid(1).split('/'))
    if (part == "." || part == "..")
      return false;
  return true;
}

int OpenWhole(const QByteArray &Folder) {
  if (NoOpenat2.load(std::memory_order_relaxed))
    return -2;
  open_how how{};
  how.flags = FolderFlags;
  how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
  const int fd = int(::syscall(SYS_openat2, AT_FDCWD, Folder.constData(), &how, sizeof how));
  if (fd < 0 && (errno == ENOSYS || errno == EPERM || errno == E2BIG)) {
    NoOpenat2.store(true, std::memory_order_relaxed);
    return -2;
  }
  return fd;
}

int OpenLevels(const QByteArray &Folder) {
  if (!IsPlainFolderPath(Folder))
    return -1;
  TFolderFd dir(::open("/", FolderFlags));
  for (const QByteArray &part : Folder.mid(1).split('/')) {
    if (part.isEmpty())
      continue;
    dir = OpenFolderAt(dir.Get(), part);
    if (!dir.IsOpen())
      return -1;
  }
  return dir.Release();
}

// Whether Fd is a folder (a path descriptor opened with O_NOFOLLOW could name a link otherwise).
bool IsFolder(int Fd) {
  struct stat st;
  return ::fstat(Fd, &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

TFolderFd::~TFolderFd() {
  if (m_fd >= 0) {
    const int saved = errno;
    ::close(m_fd);
    errno = saved;
  }
}

TFolderFd &TFolderFd::operator=(TFolderFd &&Other) noexcept {
  if (this != &Other) {
    TFolderFd old(m_fd);
    m_fd = Other.m_fd;
    Other.m_fd = -1;
  }
  return *this;
}

TFileId IdOfFd(int Fd) {
  struct stat st;
  if (Fd < 0 || ::fstat(Fd, &st) != 0)
    return {};
  return {uint64_t(st.st_dev), uint64_t(st.st_ino)};
}

TFileId TFolderFd::Id() const {
  return IdOfFd(m_fd);
}

TFolderFd OpenFolderNoLinks(const QByteArray &Folder) {
  if (!IsPlainFolderPath(Folder))
    return {};
  int fd = OpenWhole(Folder);
  if (fd == -2)
    fd = OpenLevels(Folder);
  TFolderFd dir(fd);
  return dir.IsOpen() && IsFolder(dir.Get()) ? std::move(dir) : TFolderFd();
}

TFolderFd OpenFolderLevels(const QByteArray &Folder) {
  TFolderFd dir(OpenLevels(Folder));
  return dir.IsOpen() && IsFolder(dir.Get()) ? std::move(dir) : TFolderFd();
}

TFolderFd OpenFolderAt(int Dir, const QByteArray &Name) {
  if (Dir < 0 || Name.isEmpty() || Name.contains('/') || Name == "." || Name == "..")
    return {};
  TFolderFd dir(::openat(Dir, Name.constData(), FolderFlags));
  return dir.IsOpen() && IsFolder(dir.Get()) ? std::move(dir) : TFolderFd();
}

TFolderFd MakeFolderAt(int Dir, const QByteArray &Name, mode_t Mode) {
  TFolderFd dir = OpenFolderAt(Dir, Name);
  if (!dir.IsOpen() && errno == ENOENT && (::mkdirat(Dir, Name.constData(), Mode) == 0 || errno == EEXIST))
    dir = OpenFolderAt(Dir, Name);
  return dir;
}

TFolderFd OpenParentNoLinks(const QByteArray &Path, QByteArray &Name) {
  const qsizetype slash = Path.lastIndexOf('/');
  Name = slash >= 0 ? Path.mid(slash + 1) : QByteArray();
  if (slash < 0 || Name.isEmpty() || Name == "." || Name == "..")
    return {};
  return OpenFolderNoLinks(slash == 0 ? QByteArrayLiteral("/") : Path.left(slash));
}

namespace {

constexpr unsigned IdentityMask =
    STATX_TYPE | STATX_MODE | STATX_NLINK | STATX_INO | STATX_SIZE | STATX_MTIME | STATX_CTIME | STATX_BTIME;

qint64 Nanoseconds(const struct statx_timestamp &T) {
  return qint64(T.tv_sec) * 1000000000 + T.tv_nsec;
}

} // namespace

bool StatxAt(int Dir, const char *Name, int Flags, struct statx &St) {
  return ::statx(Dir, Name, Flags | AT_NO_AUTOMOUNT, IdentityMask, &St) == 0;
}

TFileIdentity IdentityOf(const struct statx &St) {
  return {{uint64_t(makedev(St.stx_dev_major, St.stx_dev_minor)), uint64_t(St.stx_ino)},
          qint64(St.stx_size),
          Nanoseconds(St.stx_mtime),
          Nanoseconds(St.stx_ctime),
          (St.stx_mask & STATX_BTIME) ? Nanoseconds(St.stx_btime) : 0};
}

namespace {

bool RegularIdentity(int Dir, const char *Name, int Flags, TFileIdentity &Identity,
                     quint64 *Links = nullptr) {
  struct statx st;
  if (Dir < 0 || !StatxAt(Dir, Name, Flags, st) || !S_ISREG(st.stx_mode))
    return false;
  Identity = IdentityOf(st);
  if (Links)
    *Links = st.stx_nlink;
  return true;
}

} // namespace

bool IdentityOfFd(int Fd, TFileIdentity &Identity) {
  return RegularIdentity(Fd, "", AT_EMPTY_PATH, Identity);
}

bool IdentityAt(int Dir, const QByteArray &Name, TFileIdentity &Identity) {
  return !Name.isEmpty() && RegularIdentity(Dir, Name.constData(), AT_SYMLINK_NOFOLLOW, Identity);
}

bool IdentityNoLinks(const QByteArray &Path, TFileIdentity &Identity) {
  QByteArray name;
  const TFolderFd dir = OpenParentNoLinks(Path, name);
  return dir.IsOpen() && IdentityAt(dir.Get(), name, Identity);
}

bool IsSameFile(const QByteArray &Path, const TFileIdentity &Expected) {
  TFileIdentity now;
  return Expected.IsKnown() && IdentityNoLinks(Path, now) && now == Expected;
}

bool THeldFile::Open(TFolderFd Folder, const QByteArray &Name) {
  *this = THeldFile();
  if (!Folder.IsOpen() || Name.isEmpty() || Name.contains('/') || Name == "." || Name == "..")
    return false;
  // A path descriptor needs no read permission and never blocks; with O_NOFOLLOW a link is opened
  // as itself, and then refused as no regular file.
  TFolderFd fd(::openat(Folder.Get(), Name.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.IsOpen() || !RegularIdentity(fd.Get(), "", AT_EMPTY_PATH, m_identity, &m_links))
    return false;
  m_folder = std::move(Folder);
  m_name = Name;
  m_fd = std::move(fd);
  return true;
}

bool THeldFile::OpenPath(const QByteArray &Path) {
  QByteArray name;
  TFolderFd folder = OpenParentNoLinks(Path, name);
  if (!Open(std::move(folder), name))
    return false;
  m_path = Path;
  return true;
}

bool THeldFile::IsAt(int Dir, const QByteArray &Name) const {
  TFileIdentity there;
  return IsOpen() && IdentityAt(Dir, Name, there) && there.SameButChanged(m_identity);
}

bool THeldFile::Unchanged() const {
  TFileIdentity now;
  return IsOpen() && RegularIdentity(m_fd.Get(), "", AT_EMPTY_PATH, now) && now == m_identity;
}

bool THeldFile::LostName() const {
  TFileIdentity now;
  quint64 links = 0;
  return IsOpen() && RegularIdentity(m_fd.Get(), "", AT_EMPTY_PATH, now, &links) && links < m_links;
}

bool THeldFile::TakeOut() {
  if (!IsOpen() || !m_out.isEmpty())
    return false;
  for (int attempt = 0; attempt < 16; ++attempt) {
    const QByteArray out = FreshName(m_folder.Get(), ".pairhound-out-");
    if (!RenameNoReplaceAt(m_folder.Get(), m_name, m_folder.Get(), out)) {
      if (errno == EEXIST)
        continue;
      return false;
    }
    m_out = out;
    if (IsAt(m_folder.Get(), m_out))
      return true;
    // Another file took the name between the check and the rename: it goes back.
    (void)PutBack();
    errno = EBUSY;
    return false;
  }
  errno = EEXIST;
  return false;
}

bool THeldFile::PutBack() {
  if (m_out.isEmpty() || !RenameNoReplaceAt(m_folder.Get(), m_out, m_folder.Get(), m_name))
    return false;
  m_out.clear();
  return true;
}

bool THeldFile::RemoveTakenOut() {
  if (m_out.isEmpty() || !IsAt(m_folder.Get(), m_out)) {
    errno = EBUSY;
    return false;
  }
  if (::unlinkat(m_folder.Get(), m_out.constData(), 0) != 0)
    return false;
  if (LostName())
    return true;
  errno = EBUSY;
  return false;
}

bool RenameNoReplaceAt(int FromDir, const QByteArray &FromName, int ToDir, const QByteArray &ToName) {
  if (::renameat2(FromDir, FromName.constData(), ToDir, ToName.constData(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
    return false;
  // A file system without the no-replace rename: a hard link fails on an existing name as well.
  if (::linkat(FromDir, FromName.constData(), ToDir, ToName.constData(), 0) == 0) {
    if (::unlinkat(FromDir, FromName.constData(), 0) == 0)
      return true;
    const int saved = errno;
    ::unlinkat(ToDir, ToName.constData(), 0);
    errno = saved;
    return false;
  }
  if (errno == EEXIST || errno == EXDEV)
    return false;
  // Nor hard links (some network and FUSE file systems): a look first, the best that can be done.
  struct stat st;
  if (::fstatat(ToDir, ToName.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::renameat(FromDir, FromName.constData(), ToDir, ToName.constData()) == 0;
}

QByteArray FreshName(int Dir, const QByteArray &Prefix) {
  static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  for (;;) {
    QByteArray name = Prefix;
    for (int i = 0; i < 10; ++i)
      name += Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))];
    struct stat st;
    // Free, or it cannot be looked at: the exclusive step that follows decides.
    if (::fstatat(Dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
      return name;
  }
}

QByteArray FolderOf(const QByteArray &Path) {
  const qsizetype slash = Path.lastIndexOf('/');
  if (slash < 0)
    return QByteArrayLiteral(".");
  return slash == 0 ? QByteArrayLiteral("/") : Path.left(slash);
}

bool WriteAll(int Fd, const char *Data, size_t Size) {
  while (Size > 0) {
    const ssize_t n = ::write(Fd, Data, Size);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      if (n == 0)
        errno = ENOSPC;
      return false;
    }
    Data += n;
    Size -= size_t(n);
  }
  return true;
}

} // namespace platform
