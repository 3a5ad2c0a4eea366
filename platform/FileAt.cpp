#include "platform/FileAt.h"

#include <QList>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
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

TFileId TFolderFd::Id() const {
  struct stat st;
  if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
    return {};
  return {uint64_t(st.st_dev), uint64_t(st.st_ino)};
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

TFolderFd OpenParentNoLinks(const QByteArray &Path, QByteArray &Name) {
  const qsizetype slash = Path.lastIndexOf('/');
  Name = slash >= 0 ? Path.mid(slash + 1) : QByteArray();
  if (slash < 0 || Name.isEmpty() || Name == "." || Name == "..")
    return {};
  return OpenFolderNoLinks(slash == 0 ? QByteArrayLiteral("/") : Path.left(slash));
}

TFileIdentity IdentityOf(const struct stat &St) {
  return {{uint64_t(St.st_dev), uint64_t(St.st_ino)},
          qint64(St.st_size),
          qint64(St.st_mtim.tv_sec) * 1000000000 + St.st_mtim.tv_nsec};
}

bool HasIdentity(const struct stat &St, const TFileIdentity &Expected) {
  return Expected.IsKnown() && S_ISREG(St.st_mode) && IdentityOf(St) == Expected;
}

bool IdentityAt(int Dir, const QByteArray &Name, TFileIdentity &Identity) {
  struct stat st;
  if (Dir < 0 || Name.isEmpty() || ::fstatat(Dir, Name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
      !S_ISREG(st.st_mode))
    return false;
  Identity = IdentityOf(st);
  return true;
}

bool IsSameFileAt(int Dir, const QByteArray &Name, const TFileIdentity &Expected) {
  TFileIdentity now;
  return Expected.IsKnown() && IdentityAt(Dir, Name, now) && now == Expected;
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

bool SameFile(const struct stat &A, const struct stat &B) {
  return A.st_dev == B.st_dev && A.st_ino == B.st_ino;
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
