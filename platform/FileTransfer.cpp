#include "platform/FileTransfer.h"

#include "platform/Attributes.h"
#include "platform/FileAt.h"
#include "platform/Names.h"

#include <QList>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

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
  int Release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
  }
  void Reset(int Fd) {
    TFd old(m_fd);
    m_fd = Fd;
  }
  // Closes now and reports whether the close (the last chance for a write error) succeeded.
  bool Close() {
    const int fd = m_fd;
    m_fd = -1;
    return fd < 0 || ::close(fd) == 0;
  }

private:
  int m_fd;
};

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

bool SyncFolder(int Dir) {
  TFd fd(::openat(Dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return fd.get() >= 0 && ::fsync(fd.get()) == 0;
}

// Removes Name inside Dir only while it is the file Id (never a file someone put there since).
void RemoveIfSame(int Dir, const QByteArray &Name, const TFileId &Id) {
  const int saved = errno;
  TFileIdentity now;
  if (IdentityAt(Dir, Name, now) && now.Id == Id)
    ::unlinkat(Dir, Name.constData(), 0);
  errno = saved;
}

// Opens the held file for reading by its name, without following a link or blocking; only while the
// name holds the held file, unchanged (Opened receives what it is).
int OpenHeld(const THeldFile &File, TFileIdentity &Opened) {
  TFd fd(::openat(File.Folder(), File.Name().constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0 || !IdentityOfFd(fd.get(), Opened) || Opened != File.Identity()) {
    if (fd.get() >= 0)
      errno = EBUSY;
    return -1;
  }
  ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  return fd.Release();
}

// Copies the held file into a fresh file in ToDir, flushed and with its extended attributes,
// permissions and times; Temp receives its name, Placed its identity. Tick is called between blocks.
// A source written while it was read is a failure. On failure, a Stop among them, nothing is left.
bool CopyToTemp(const THeldFile &File, int ToDir, QByteArray &Temp, TFileIdentity &Placed,
                const TCopyTick &Tick, TAttributeLoss *Loss) {
  TFileIdentity opened;
  TFd in(OpenHeld(File, opened));
  if (in.get() < 0)
    return false;
  TFd out;
  for (int attempt = 0; out.get() < 0; ++attempt) {
    Temp = FreshName(ToDir, ".pairhound-");
    out.Reset(::openat(ToDir, Temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (out.get() < 0 && (errno != EEXIST || attempt >= 16))
      return false;
  }
  struct stat source;
  TPacer pacer(Tick, out.get());
  bool ok = ::fstat(in.get(), &source) == 0 && CopyData(in.get(), out.get(), source.st_size, pacer);
  if (ok) {
    // Ownership can be kept only by root; permissions and times by anyone. The attributes come after
    // the owner, whose change drops some of them, and before the mode, which the ACL's mask follows.
    if (::geteuid() == 0)
      (void)::fchown(out.get(), source.st_uid, source.st_gid);
    mode_t mode = source.st_mode & 07777;
    const TAttributeLoss lost = CopyAttributes(in.get(), out.get(), mode);
    if (Loss)
      *Loss = lost;
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    ok = ::fchmod(out.get(), mode) == 0 && ::futimens(out.get(), times) == 0 && ::fsync(out.get()) == 0 &&
         IdentityOfFd(out.get(), Placed);
  }
  // The source must not have been written while it was read.
  TFileIdentity after;
  if (ok && (!IdentityOfFd(in.get(), after) || after != opened)) {
    ok = false;
    errno = EBUSY;
  }
  // The close is the last chance for a write error, but must not hide an earlier one.
  if (ok)
    ok = out.Close();
  if (!ok) {
    const int saved = errno;
    ::unlinkat(ToDir, Temp.constData(), 0);
    errno = saved;
  }
  return ok;
}

// Whether this process may remove an entry of the folder Dir owned by Owner: a copy across file
// systems that could not remove its source afterwards is not worth making.
bool MayRemoveFrom(int Dir, uid_t Owner) {
  struct stat dir;
  if (::fstat(Dir, &dir) != 0 || ::faccessat(Dir, ".", W_OK | X_OK, 0) != 0)
    return false;
  const uid_t me = ::geteuid();
  return !(dir.st_mode & S_ISVTX) || me == 0 || me == Owner || me == dir.st_uid;
}

bool CannotExchange(int Error) {
  return Error == EINVAL || Error == ENOSYS || Error == EOPNOTSUPP;
}

// Where the old file stands after another took its place: its folder and name there.
struct TOldPlace {
  int Dir = -1;
  QByteArray Name;
};

// Puts FromName (in FromDir) in the place of ToName (in ToDir) in one step. The file that stood there
// stays reachable at Old until the caller removes it or Unreplace puts everything back.
bool Replace(int FromDir, const QByteArray &FromName, int ToDir, const QByteArray &ToName, TOldPlace &Old) {
  if (::renameat2(FromDir, FromName.constData(), ToDir, ToName.constData(), RENAME_EXCHANGE) == 0) {
    Old = {FromDir, FromName};
    return true;
  }
  if (!CannotExchange(errno))
    return false;
  // No exchange here: a second name keeps the old file until the caller is done (a hard link where
  // the file system has them, so the place is never empty).
  const QByteArray backup = FreshName(ToDir, ".pairhound-old-");
  if (::linkat(ToDir, ToName.constData(), ToDir, backup.constData(), 0) == 0) {
    if (::renameat(FromDir, FromName.constData(), ToDir, ToName.constData()) == 0) {
      Old = {ToDir, backup};
      return true;
    }
    const int saved = errno;
    ::unlinkat(ToDir, backup.constData(), 0);
    errno = saved;
    return false;
  }
  if (!RenameNoReplaceAt(ToDir, ToName, ToDir, backup))
    return false;
  if (RenameNoReplaceAt(FromDir, FromName, ToDir, ToName)) {
    Old = {ToDir, backup};
    return true;
  }
  const int saved = errno;
  (void)RenameNoReplaceAt(ToDir, backup, ToDir, ToName);
  errno = saved;
  return false;
}

// Takes a Replace back: the newcomer returns to FromName, the old file to ToName.
void Unreplace(int FromDir, const QByteArray &FromName, int ToDir, const QByteArray &ToName,
               const TOldPlace &Old) {
  const int saved = errno;
  if (Old.Dir == FromDir && Old.Name == FromName)
    (void)::renameat2(FromDir, FromName.constData(), ToDir, ToName.constData(), RENAME_EXCHANGE);
  else if (RenameNoReplaceAt(ToDir, ToName, FromDir, FromName))
    (void)RenameNoReplaceAt(Old.Dir, Old.Name, ToDir, ToName);
  errno = saved;
}

// Puts FromName (in FromDir) at ToName (in ToDir): over the regular file Old there when given, else
// only where nothing stands. OldAt receives where the old file went.
bool Place(int FromDir, const QByteArray &FromName, int ToDir, const QByteArray &ToName,
           const TFileIdentity *Old, TOldPlace &OldAt) {
  return Old ? Replace(FromDir, FromName, ToDir, ToName, OldAt)
             : RenameNoReplaceAt(FromDir, FromName, ToDir, ToName);
}

// Removes the old file a Place replaced, once the move it made room for is done.
void DropOld(const TFileIdentity *Old, const TOldPlace &OldAt) {
  if (Old)
    RemoveIfSame(OldAt.Dir, OldAt.Name, Old->Id);
}

// Moves the held file across file systems: a copy in ToDir takes ToName, then the source leaves its
// name and goes; when it cannot, the copy is taken back and the old file (Old) returns.
bool MoveByCopy(THeldFile &File, int ToDir, const QByteArray &ToName, const TFileIdentity *Old,
                const TCopyTick &Tick, TAttributeLoss *Loss) {
  struct stat st;
  if (::fstat(File.Fd(), &st) != 0 || !MayRemoveFrom(File.Folder(), st.st_uid))
    return false;
  QByteArray temp;
  TFileIdentity placed;
  if (!CopyToTemp(File, ToDir, temp, placed, Tick, Loss))
    return false;
  TOldPlace oldAt;
  if (!Place(ToDir, temp, ToDir, ToName, Old, oldAt)) {
    RemoveIfSame(ToDir, temp, placed.Id);
    return false;
  }
  // The source goes only while it is still the file that was copied, unchanged.
  errno = EBUSY;
  if (File.Unchanged() && File.TakeOut()) {
    if (File.RemoveTakenOut()) {
      DropOld(Old, oldAt);
      (void)SyncFolder(ToDir);
      (void)SyncFolder(File.Folder());
      return true;
    }
    const int removal = errno;
    (void)File.PutBack();
    errno = removal;
  }
  const int saved = errno;
  if (Old)
    Unreplace(ToDir, temp, ToDir, ToName, oldAt);
  RemoveIfSame(ToDir, Old ? temp : ToName, placed.Id);
  errno = saved;
  return false;
}

} // namespace

bool CopyHeld(const THeldFile &File, int ToDir, const QByteArray &ToName, const TCopyTick &Tick,
              TAttributeLoss *Loss) {
  QByteArray temp;
  TFileIdentity placed;
  if (!File.IsOpen() || !CopyToTemp(File, ToDir, temp, placed, Tick, Loss))
    return false;
  if (!RenameNoReplaceAt(ToDir, temp, ToDir, ToName)) {
    RemoveIfSame(ToDir, temp, placed.Id);
    return false;
  }
  (void)SyncFolder(ToDir);
  return true;
}

bool MoveHeld(THeldFile &File, int ToDir, const QByteArray &ToName, bool Replace, const TCopyTick &Tick,
              TAttributeLoss *Loss) {
  if (!File.IsOpen())
    return false;
  TFileIdentity old;
  const bool replacing = Replace && IdentityAt(ToDir, ToName, old);
  if (replacing && old.Id == File.Identity().Id) {
    errno = EEXIST;
    return false;
  }
  const TFileIdentity *oldFile = replacing ? &old : nullptr;
  TOldPlace oldAt;
  if (Place(File.Folder(), File.Name(), ToDir, ToName, oldFile, oldAt)) {
    // Another file may have taken the name between the look and the rename: it goes back, and so
    // does the old file it replaced.
    if (File.IsAt(ToDir, ToName)) {
      DropOld(oldFile, oldAt);
      (void)SyncFolder(ToDir);
      return true;
    }
    if (replacing)
      Unreplace(File.Folder(), File.Name(), ToDir, ToName, oldAt);
    else
      (void)RenameNoReplaceAt(ToDir, ToName, File.Folder(), File.Name());
    errno = EBUSY;
    return false;
  }
  if (errno != EXDEV)
    return false;
  return MoveByCopy(File, ToDir, ToName, oldFile, Tick, Loss);
}

} // namespace platform
