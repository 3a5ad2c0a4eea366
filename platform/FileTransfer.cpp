#include "platform/FileTransfer.h"

#include "platform/Attributes.h"
#include "platform/FileAt.h"
#include "platform/Names.h"

#include <QList>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

QByteArray Native(const QString &Path) {
  return EncodeName(Path);
}

// Closes a descriptor once; keeps errno of the failure that made the caller give up.
class TFd {
public:
  explicit TFd(int Fd = -1) : m_fd(Fd) {}
  ~TFd() {
    if (m_fd >= 0) {
      const int saved = errno;
      ::close(m_fd);
      errno = saved;
    }
  }
  TFd(const TFd &) = delete;
  TFd &operator=(const TFd &) = delete;
  int get() const { return m_fd; }
  // Closes now and reports whether the close (the last chance for a write error) succeeded.
  bool Close() {
    const int fd = m_fd;
    m_fd = -1;
    return fd < 0 || ::close(fd) == 0;
  }

private:
  int m_fd;
};

// A file named by its path, or by its name inside a folder the caller opened.
struct TAt {
  int Dir = AT_FDCWD;
  QByteArray Name;

  static TAt Path(const QByteArray &Path) { return {AT_FDCWD, Path}; }
  const char *c() const { return Name.constData(); }
  // The folder that holds it, named the same way.
  TAt Folder() const { return Dir == AT_FDCWD ? Path(FolderOf(Name)) : TAt{Dir, QByteArrayLiteral(".")}; }
  bool Lstat(struct stat &St) const { return ::fstatat(Dir, c(), &St, AT_SYMLINK_NOFOLLOW) == 0; }
  bool Unlink() const { return ::unlinkat(Dir, c(), 0) == 0; }
};

bool Unchanged(const struct stat &A, const struct stat &B) {
  return SameFile(A, B) && A.st_size == B.st_size && A.st_mtim.tv_sec == B.st_mtim.tv_sec &&
         A.st_mtim.tv_nsec == B.st_mtim.tv_nsec;
}

bool WriteAll(int Fd, const char *Data, size_t Size, off_t Offset) {
  while (Size > 0) {
    const ssize_t n = ::pwrite(Fd, Data, Size, Offset);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    if (n == 0) {
      errno = ENOSPC;
      return false;
    }
    Data += n;
    Size -= size_t(n);
    Offset += n;
  }
  return true;
}

// Calls the caller's tick between blocks, often enough to keep a window answering, and starts the
// write-back of every finished chunk so the final flush stays short.
class TPacer {
public:
  TPacer(const TCopyTick &Tick, int Out) : m_tick(Tick), m_out(Out), m_last(Clock::now()) {}
  // Bytes up to End are written. False (errno ECANCELED) when the tick says to give up.
  bool Step(off_t End) {
    if (End - m_flushed >= ChunkBytes) {
      (void)::sync_file_range(m_out, m_flushed, End - m_flushed, SYNC_FILE_RANGE_WRITE);
      m_flushed = End;
    }
    // A small file is done before anyone could press a button: it makes no call at all.
    const off_t since = End - m_ticked;
    if (!m_tick || since < MinimumBytes || (since < ChunkBytes && Clock::now() - m_last < TickEvery))
      return true;
    m_ticked = End;
    m_last = Clock::now();
    if (m_tick())
      return true;
    errno = ECANCELED;
    return false;
  }

private:
  using Clock = std::chrono::steady_clock;
  static constexpr off_t ChunkBytes = 64 << 20;
  static constexpr off_t MinimumBytes = 2 << 20;
  static constexpr std::chrono::milliseconds TickEvery{40};
  const TCopyTick &m_tick;
  int m_out;
  Clock::time_point m_last;
  off_t m_ticked = 0;
  off_t m_flushed = 0;
};

// Copies the bytes [From, To) of In to the same place in Out; a source that ends early is a failure,
// since the file changed while it was copied.
bool CopyRange(int In, int Out, off_t From, off_t To, std::vector<char> &Buffer, TPacer &Pacer) {
  while (From < To) {
    const size_t want = size_t(std::min<off_t>(To - From, off_t(Buffer.size())));
    const ssize_t n = ::pread(In, Buffer.data(), want, From);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    if (!WriteAll(Out, Buffer.data(), size_t(n), From))
      return false;
    From += n;
    if (!Pacer.Step(From))
      return false;
  }
  return true;
}

// Copies Size bytes, skipping the holes the file system reports, so a sparse file stays sparse.
bool CopyData(int In, int Out, off_t Size, TPacer &Pacer) {
  std::vector<char> buffer(1 << 20);
  off_t offset = 0;
  while (offset < Size) {
    const off_t data = ::lseek(In, offset, SEEK_DATA);
    if (data < 0) {
      if (errno == ENXIO)
        break; // the rest is a hole
      return CopyRange(In, Out, offset, Size, buffer, Pacer);
    }
    if (data >= Size)
      break;
    off_t hole = ::lseek(In, data, SEEK_HOLE);
    if (hole < 0 || hole > Size)
      hole = Size;
    if (!CopyRange(In, Out, data, hole, buffer, Pacer))
      return false;
    offset = hole;
  }
  return ::ftruncate(Out, Size) == 0;
}

// Opens a regular file for reading without following a link and without blocking on a FIFO; when
// Expected is given, only the file it describes.
int OpenRegular(const TAt &Source, struct stat &St, const TFileIdentity *Expected = nullptr) {
  const int fd = ::openat(Source.Dir, Source.c(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return -1;
  if (::fstat(fd, &St) != 0 || !S_ISREG(St.st_mode) || (Expected && !HasIdentity(St, *Expected))) {
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

bool SyncFolder(const TAt &Folder) {
  TFd fd(::openat(Folder.Dir, Folder.c(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return fd.get() >= 0 && ::fsync(fd.get()) == 0;
}

// Copies Source into a fresh temporary file in Target's folder, flushed and with Source's extended
// attributes, permissions and times; Temp receives its name, Placed its identity. Tick is called
// between blocks. On failure, a Stop among them, nothing is left behind.
bool CopyToTemp(const TAt &Source, const QByteArray &Target, struct stat &SourceSt, struct stat &Placed,
                QByteArray &Temp, const TCopyTick &Tick, const TFileIdentity *Expected = nullptr) {
  TFd in(OpenRegular(Source, SourceSt, Expected));
  if (in.get() < 0)
    return false;
  Temp = FolderOf(Target) + "/.pairhound-XXXXXX";
  TFd out(::mkostemp(Temp.data(), O_CLOEXEC));
  if (out.get() < 0)
    return false;
  TPacer pacer(Tick, out.get());
  bool ok = CopyData(in.get(), out.get(), SourceSt.st_size, pacer);
  if (ok) {
    // Ownership can be kept only by root; permissions and times by anyone. The attributes come after
    // the owner, whose change drops some of them, and before the mode, which the ACL's mask follows.
    if (::geteuid() == 0)
      (void)::fchown(out.get(), SourceSt.st_uid, SourceSt.st_gid);
    mode_t mode = SourceSt.st_mode & 07777;
    (void)CopyAttributes(in.get(), out.get(), mode);
    const struct timespec times[2] = {SourceSt.st_atim, SourceSt.st_mtim};
    ok = ::fchmod(out.get(), mode) == 0 && ::futimens(out.get(), times) == 0 && ::fsync(out.get()) == 0 &&
         ::fstat(out.get(), &Placed) == 0;
  }
  // The close is the last chance for a write error, but must not hide an earlier one.
  if (ok)
    ok = out.Close();
  if (!ok) {
    const int saved = errno;
    ::unlink(Temp.constData());
    errno = saved;
  }
  return ok;
}

// The copy of CopyFileSafely; Placed receives the identity of the file now at Target.
bool CopyInto(const TAt &Source, const QByteArray &Target, struct stat &SourceSt, struct stat &Placed,
              const TCopyTick &Tick, const TFileIdentity *Expected = nullptr) {
  QByteArray temp;
  if (!CopyToTemp(Source, Target, SourceSt, Placed, temp, Tick, Expected))
    return false;
  if (!RenameNoReplace(DecodeName(temp), DecodeName(Target))) {
    const int saved = errno;
    ::unlink(temp.constData());
    errno = saved;
    return false;
  }
  (void)SyncFolder(TAt::Path(FolderOf(Target)));
  return true;
}

// Whether this process may remove an entry of Folder owned by Owner.
bool MayRemoveFrom(const TAt &Folder, uid_t Owner) {
  struct stat dir;
  if (::fstatat(Folder.Dir, Folder.c(), &dir, 0) != 0 ||
      ::faccessat(Folder.Dir, Folder.c(), W_OK | X_OK, 0) != 0)
    return false;
  const uid_t me = ::geteuid();
  return !(dir.st_mode & S_ISVTX) || me == 0 || me == Owner || me == dir.st_uid;
}

// Removes Path only when it is still the file Id (never a file someone put there since).
void RemoveIfSame(const QByteArray &Path, const struct stat &Id) {
  struct stat now;
  if (::lstat(Path.constData(), &now) == 0 && SameFile(now, Id))
    ::unlink(Path.constData());
}

} // namespace

bool IsRegularFile(const QString &Path) {
  struct stat st;
  return ::lstat(Native(Path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

namespace {

bool RenameNoReplaceAt(const TAt &From, const TAt &To) {
  if (::renameat2(From.Dir, From.c(), To.Dir, To.c(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
    return false;
  // A file system without the no-replace rename: a hard link fails on an existing name as well.
  if (::linkat(From.Dir, From.c(), To.Dir, To.c(), 0) == 0) {
    if (From.Unlink())
      return true;
    const int saved = errno;
    To.Unlink();
    errno = saved;
    return false;
  }
  if (errno == EEXIST || errno == EXDEV)
    return false;
  struct stat st;
  if (To.Lstat(st)) {
    errno = EEXIST;
    return false;
  }
  return ::renameat(From.Dir, From.c(), To.Dir, To.c()) == 0;
}

// The regular file Source, with the identity Expected when given; Before receives what it is.
bool IsExpectedFile(const TAt &Source, const TFileIdentity *Expected, struct stat &Before) {
  if (!Source.Lstat(Before) || !S_ISREG(Before.st_mode) || (Expected && !HasIdentity(Before, *Expected))) {
    errno = EINVAL;
    return false;
  }
  return true;
}

bool MoveFile(const TAt &From, const QByteArray &To, const TFileIdentity *Expected, const TCopyTick &Tick) {
  struct stat before;
  if (!IsExpectedFile(From, Expected, before))
    return false;
  const TAt to = TAt::Path(To);
  if (RenameNoReplaceAt(From, to)) {
    // Another file may have taken the name between the look and the rename: it goes back.
    struct stat moved;
    if (to.Lstat(moved) && SameFile(moved, before))
      return true;
    (void)RenameNoReplaceAt(to, From);
    errno = EBUSY;
    return false;
  }
  if (errno != EXDEV || !MayRemoveFrom(From.Folder(), before.st_uid))
    return false;

  struct stat copied, placed;
  if (!CopyInto(From, To, copied, placed, Tick, Expected))
    return false;
  // The source goes only when it is still the file that was copied, unchanged.
  struct stat now;
  if (!SameFile(copied, before) || !From.Lstat(now) || !Unchanged(now, copied) || !From.Unlink()) {
    const int saved = errno;
    RemoveIfSame(To, placed);
    errno = saved ? saved : EBUSY;
    return false;
  }
  (void)SyncFolder(From.Folder());
  return true;
}

} // namespace

bool RenameNoReplace(const QString &Source, const QString &Target) {
  return RenameNoReplaceAt(TAt::Path(Native(Source)), TAt::Path(Native(Target)));
}

bool CopyFileSafely(const QString &Source, const QString &Target, const TCopyTick &Tick) {
  struct stat source, placed;
  return CopyInto(TAt::Path(Native(Source)), Native(Target), source, placed, Tick);
}

bool MoveFileSafely(const QString &Source, const QString &Target, const TCopyTick &Tick) {
  return MoveFile(TAt::Path(Native(Source)), Native(Target), nullptr, Tick);
}

bool CopyFileAt(int Dir, const QByteArray &Name, const TFileIdentity &Expected, const QString &Target,
                const TCopyTick &Tick) {
  struct stat source, placed;
  return Expected.IsKnown() && CopyInto({Dir, Name}, Native(Target), source, placed, Tick, &Expected);
}

bool MoveFileAt(int Dir, const QByteArray &Name, const TFileIdentity &Expected, const QString &Target,
                const TCopyTick &Tick) {
  return Expected.IsKnown() && MoveFile({Dir, Name}, Native(Target), &Expected, Tick);
}

namespace {

// Swaps the names A and B in one step; EINVAL, ENOSYS or EOPNOTSUPP where the file system cannot.
bool Exchange(const QByteArray &A, const QByteArray &B) {
  return ::renameat2(AT_FDCWD, A.constData(), AT_FDCWD, B.constData(), RENAME_EXCHANGE) == 0;
}

// Puts the finished copy Temp in the place of the regular file Target and then removes Source
// (copied as Copied); when Source cannot go, the old Target comes back and the copy is dropped.
bool ReplaceWithCopy(const TAt &Source, const QByteArray &Temp, const QByteArray &Target,
                     const struct stat &Copied) {
  auto sourceGone = [&] {
    struct stat now;
    return Source.Lstat(now) && Unchanged(now, Copied) && Source.Unlink();
  };
  auto fail = [](int Error) {
    errno = Error ? Error : EBUSY;
    return false;
  };
  if (Exchange(Temp, Target)) {
    // Temp now names the old file.
    if (!sourceGone()) {
      const int saved = errno;
      if (Exchange(Temp, Target))
        ::unlink(Temp.constData());
      return fail(saved);
    }
    ::unlink(Temp.constData());
  } else {
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
      return fail(errno);
    // No exchange here: a second name keeps the old file until the source is gone.
    QByteArray backup = FolderOf(Target) + "/.pairhound-old-XXXXXX";
    TFd probe(::mkostemp(backup.data(), O_CLOEXEC));
    if (probe.get() < 0 || ::unlink(backup.constData()) != 0 ||
        ::link(Target.constData(), backup.constData()) != 0)
      return fail(errno);
    if (::rename(Temp.constData(), Target.constData()) != 0) {
      const int saved = errno;
      ::unlink(backup.constData());
      return fail(saved);
    }
    if (!sourceGone()) {
      const int saved = errno;
      (void)::rename(backup.constData(), Target.constData());
      return fail(saved);
    }
    ::unlink(backup.constData());
  }
  (void)SyncFolder(TAt::Path(FolderOf(Target)));
  (void)SyncFolder(Source.Folder());
  return true;
}

bool MoveReplacing(const TAt &From, const QByteArray &To, const TCopyTick &Tick) {
  const TAt to = TAt::Path(To);
  struct stat before, old;
  if (!From.Lstat(before) || !S_ISREG(before.st_mode) || !to.Lstat(old) || !S_ISREG(old.st_mode)) {
    errno = EINVAL;
    return false;
  }
  if (SameFile(before, old)) {
    errno = EEXIST;
    return false;
  }
  if (::renameat(From.Dir, From.c(), AT_FDCWD, To.constData()) == 0) {
    (void)SyncFolder(to.Folder());
    return true;
  }
  if (errno != EXDEV || !MayRemoveFrom(From.Folder(), before.st_uid))
    return false;
  struct stat copied, placed;
  QByteArray temp;
  if (!CopyToTemp(From, To, copied, placed, temp, Tick))
    return false;
  if (!ReplaceWithCopy(From, temp, To, copied)) {
    const int saved = errno;
    RemoveIfSame(temp, placed);
    errno = saved;
    return false;
  }
  return true;
}

} // namespace

bool MoveFileReplacing(const QString &Source, const QString &Target, const TCopyTick &Tick) {
  return MoveReplacing(TAt::Path(Native(Source)), Native(Target), Tick);
}

bool MoveBackAt(int Dir, const QByteArray &Name, const QString &Target, bool Replace, const TCopyTick &Tick) {
  const TAt from{Dir, Name};
  struct stat old;
  if (Replace && TAt::Path(Native(Target)).Lstat(old) && S_ISREG(old.st_mode))
    return MoveReplacing(from, Native(Target), Tick);
  return MoveFile(from, Native(Target), nullptr, Tick);
}

} // namespace platform
