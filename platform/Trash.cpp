// The freedesktop trash, done here rather than by GLib, whose trash works by path: a folder swapped
// for a link between its check and its rename sent another folder's file to the trash, and it took a
// name as free when only a file (no record) held it. Here the file is held open in its own folder,
// and everything after the data folder is reached through opened folders, never by a path: the record
// is made exclusively and flushed before the file moves, the move is one rename out of the held folder
// that replaces nothing, and the name that arrived must hold the held file.

#include "platform/Trash.h"

#include "platform/Names.h"

#include <QDateTime>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// "<name>.trashinfo" must fit in one name.
constexpr qsizetype NameMax = 255;
constexpr qsizetype RecordSuffix = 10; // ".trashinfo"
// A tail this short after the last dot is an extension: it stays at the end of a cut or unique name.
constexpr qsizetype ExtensionMax = 16;
// The name itself, then random ones: only a trash crowded with leftovers runs out, and the time a
// file takes never grows with the names already there.
constexpr int NameTries = 16;

// The user's data folder by the XDG rule: a relative XDG_DATA_HOME is ignored.
QByteArray DataHome() {
  const QByteArray xdg = qgetenv("XDG_DATA_HOME");
  if (xdg.startsWith('/'))
    return xdg;
  const QByteArray home = qgetenv("HOME");
  return home.startsWith('/') ? home + "/.local/share" : QByteArray();
}

constexpr int FollowedFolder = O_PATH | O_DIRECTORY | O_CLOEXEC;

// Opens the data folder Path, making each missing level (0700). Links on the way are followed: a data
// folder that is a link to a folder (a dotfile setup) is the user's choice, as it is for GLib. The
// trash folders inside are checked on their own.
TFolderFd OpenDataFolder(const QByteArray &Path) {
  TFolderFd dir(::open("/", FollowedFolder));
  for (const QByteArray &part : Path.split('/')) {
    if (part.isEmpty() || !dir.IsOpen())
      continue;
    TFolderFd next(::openat(dir.Get(), part.constData(), FollowedFolder));
    if (!next.IsOpen() && errno == ENOENT &&
        (::mkdirat(dir.Get(), part.constData(), 0700) == 0 || errno == EEXIST))
      next = TFolderFd(::openat(dir.Get(), part.constData(), FollowedFolder));
    dir = std::move(next);
  }
  return dir;
}

// A folder of a trash inside Parent: made (0700) when missing, and used only when it is a real folder
// (not a link) of this user's own, so no one else can swap or read what goes in.
TFolderFd OwnFolderAt(int Parent, const QByteArray &Name) {
  TFolderFd dir = MakeFolderAt(Parent, Name, 0700);
  struct stat st;
  if (dir.IsOpen() && (::fstat(dir.Get(), &st) != 0 || st.st_uid != ::geteuid())) {
    errno = EACCES;
    return {};
  }
  return dir;
}

// The two folders of one trash.
struct TTrashFolders {
  TFolderFd Files;
  TFolderFd Info;
};

bool OpenTrash(int Parent, const QByteArray &Name, TTrashFolders &Trash) {
  const TFolderFd trash = OwnFolderAt(Parent, Name);
  if (!trash.IsOpen())
    return false;
  Trash.Files = OwnFolderAt(trash.Get(), "files");
  if (Trash.Files.IsOpen())
    Trash.Info = OwnFolderAt(trash.Get(), "info");
  return Trash.Info.IsOpen();
}

// The name a file goes into the trash under: Base with Unique put before its extension, cut so that
// its record's name fits. The cut falls between UTF-8 characters and keeps a short extension.
QByteArray TrashName(const QByteArray &Base, const QByteArray &Unique) {
  const qsizetype dot = Base.lastIndexOf('.');
  const qsizetype stemSize = dot > 0 && Base.size() - dot <= ExtensionMax ? dot : Base.size();
  QByteArray stem = Base.left(stemSize);
  const QByteArray extension = Base.mid(stemSize);
  const qsizetype room = NameMax - RecordSuffix - Unique.size() - extension.size();
  if (stem.size() > room) {
    const auto inCharacter = [&stem](qsizetype At) { return (uchar(stem.at(At)) & 0xC0) == 0x80; };
    // A character takes at most four bytes; where the name is no UTF-8 it is cut where it must be.
    qsizetype cut = room;
    while (cut > room - 3 && inCharacter(cut))
      --cut;
    stem.truncate(inCharacter(cut) ? room : cut);
  }
  return stem + Unique + extension;
}

// What makes a name unique when the name itself is taken: "." and a random number in base 36.
QByteArray UniquePart() {
  return "." + QByteArray::number(QRandomGenerator::global()->generate(), 36);
}

// Path escaped as in a URI: the unreserved bytes of RFC 2396 and '/' stay, every other byte is %XX.
QByteArray RecordText(const QByteArray &Path, const QByteArray &Date) {
  return "[Trash Info]\nPath=" + Path.toPercentEncoding("/!*'()") + "\nDeletionDate=" + Date + "\n";
}

// Makes the record Name in Info, never over an existing one, written whole and flushed. On failure
// nothing is left (errno EEXIST when the name is taken).
bool MakeRecord(int Info, const QByteArray &Name, const QByteArray &Text) {
  const int fd = ::openat(Info, Name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0)
    return false;
  bool ok = WriteAll(fd, Text.constData(), size_t(Text.size())) && ::fsync(fd) == 0;
  int saved = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (!ok) {
    ::unlinkat(Info, Name.constData(), 0);
    errno = saved;
  }
  return ok;
}

// Moves the held file into Trash under a free name, beside a complete record of Text.
bool TrashInto(const THeldFile &File, const TTrashFolders &Trash, const QByteArray &Text) {
  const int files = Trash.Files.Get(), info = Trash.Info.Get();
  for (int i = 0; i < NameTries; ++i) {
    const QByteArray name = TrashName(File.Name(), i == 0 ? QByteArray() : UniquePart());
    const QByteArray record = name + ".trashinfo";
    if (!MakeRecord(info, record, Text)) {
      if (errno == EEXIST)
        continue;
      return false;
    }
    if (!RenameNoReplaceAt(File.Folder(), File.Name(), files, name)) {
      const int saved = errno;
      ::unlinkat(info, record.constData(), 0);
      errno = saved;
      // A file without a record (left by an interrupted trash or another program) holds the name.
      if (saved == EEXIST)
        continue;
      return false;
    }
    if (File.IsAt(files, name))
      return true;
    // Another file took the held file's name before the rename: it goes back to that name in the same
    // folder. Should the name be taken again meanwhile, it stays in the trash beside its record (which
    // names where it came from) rather than be lost.
    if (RenameNoReplaceAt(files, name, File.Folder(), File.Name()))
      ::unlinkat(info, record.constData(), 0);
    errno = EBUSY;
    return false;
  }
  errno = EEXIST;
  return false;
}

// The top folder of the held file's volume: the file's folders are opened from "/" down without
// following a link, and the highest of those on the file's device is the top. Below receives the
// file's path relative to it. Not open unless the path still leads to the folder the file is held in.
TFolderFd OpenVolumeTop(const THeldFile &File, QByteArray &Below) {
  TFolderFd level(::open("/", FollowedFolder));
  TFolderFd top(level.IsOpen() ? ::fcntl(level.Get(), F_DUPFD_CLOEXEC, 0) : -1);
  uint64_t device = IdOfFd(level.Get()).m_device;
  QList<QByteArray> below;
  for (const QByteArray &part : FolderOf(File.Path()).split('/')) {
    if (part.isEmpty())
      continue;
    level = OpenFolderAt(level.Get(), part);
    if (!level.IsOpen())
      return {};
    const uint64_t here = IdOfFd(level.Get()).m_device;
    if (here != device) {
      top = TFolderFd(::fcntl(level.Get(), F_DUPFD_CLOEXEC, 0));
      below.clear();
    } else {
      below << part;
    }
    device = here;
  }
  if (IdOfFd(level.Get()) != IdOfFd(File.Folder()) || device != File.Identity().Id.m_device) {
    errno = EBUSY;
    return {};
  }
  Below = (below << File.Name()).join('/');
  return top;
}

bool TrashOnVolume(const THeldFile &File, const QByteArray &Date) {
  QByteArray below;
  const TFolderFd top = OpenVolumeTop(File, below);
  if (!top.IsOpen())
    return false;
  const QByteArray text = RecordText(below, Date);
  const QByteArray uid = QByteArray::number(::geteuid());
  TTrashFolders trash;
  // A shared .Trash counts only as a real folder with the sticky bit: in any other, one user could
  // take away or swap another's folder.
  const TFolderFd shared = OpenFolderAt(top.Get(), ".Trash");
  struct stat st;
  if (shared.IsOpen() && ::fstat(shared.Get(), &st) == 0 && (st.st_mode & S_ISVTX) &&
      OpenTrash(shared.Get(), uid, trash))
    return TrashInto(File, trash, text);
  return OpenTrash(top.Get(), ".Trash-" + uid, trash) && TrashInto(File, trash, text);
}

} // namespace

bool TrashHeld(THeldFile &File) {
  if (!File.IsOpen() || !File.Path().startsWith('/')) {
    errno = EINVAL;
    return false;
  }
  const QByteArray date =
      QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'hh:mm:ss")).toLatin1();
  const QByteArray home = DataHome();
  const TFolderFd data = home.isEmpty() ? TFolderFd() : OpenDataFolder(home);
  if (!data.IsOpen())
    return false;
  if (data.Id().m_device != File.Identity().Id.m_device)
    return TrashOnVolume(File, date);
  // The record must name where the file was: the path still leads to the folder it is held in.
  if (OpenFolderNoLinks(FolderOf(File.Path())).Id() != IdOfFd(File.Folder())) {
    errno = EBUSY;
    return false;
  }
  TTrashFolders trash;
  return OpenTrash(data.Get(), "Trash", trash) && TrashInto(File, trash, RecordText(File.Path(), date));
}

bool MoveToTrash(const QString &FileName, const TFileIdentity *Expected) {
  THeldFile file;
  if (!file.OpenPath(EncodeName(FileName)))
    return false;
  if (Expected && file.Identity() != *Expected) {
    errno = EBUSY;
    return false;
  }
  return TrashHeld(file);
}

} // namespace platform
