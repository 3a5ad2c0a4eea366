// The freedesktop trash. GIO does the ordinary case; our own code steps in where GLib 2.74 goes
// wrong: a relative XDG_DATA_HOME (GLib uses it as given, so the file lands below the current folder),
// a name too long for its record beside it (GLib refuses), and a full file system (GLib moves the file
// and leaves an empty record, which no desktop can put back).

// GLib's headers use "signals" as a plain name, which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

#include "platform/FileAt.h"
#include "platform/FileTransfer.h"
#include "platform/Names.h"

#include <QDateTime>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// "<name>.trashinfo" must fit in one name; room is kept for a ".NNNN" that makes a name unique.
constexpr qsizetype NameMax = 255;
constexpr qsizetype RecordSuffix = 10; // ".trashinfo"
constexpr qsizetype UniqueRoom = 5;
constexpr int NameTries = 1000;
constexpr qsizetype RecordCap = 64 * 1024;
constexpr int FirstGuesses = 8;

bool Lstat(const QByteArray &Path, struct stat &St) {
  return ::lstat(Path.constData(), &St) == 0;
}

// The user's data folder by the XDG rule: a relative XDG_DATA_HOME is ignored.
QByteArray DataHome() {
  const QByteArray xdg = qgetenv("XDG_DATA_HOME");
  if (xdg.startsWith('/'))
    return xdg;
  const QByteArray home = qgetenv("HOME");
  return home.startsWith('/') ? home + "/.local/share" : QByteArray();
}

// Makes each missing level of the data folder Path (mode 0700); true when Path leads to a folder
// afterwards. A data folder that is a link to a folder (a dotfile setup) is the user's choice and is
// followed, as GLib follows it; the trash folders inside are checked on their own.
bool MakeFolders(const QByteArray &Path) {
  struct stat st;
  if (::stat(Path.constData(), &st) == 0)
    return S_ISDIR(st.st_mode);
  if (errno != ENOENT || Path == "/" || !MakeFolders(FolderOf(Path)))
    return false;
  return (::mkdir(Path.constData(), 0700) == 0 || errno == EEXIST) && ::stat(Path.constData(), &st) == 0 &&
         S_ISDIR(st.st_mode);
}

// A folder of a trash: made when missing, and only used when it is a real folder of our own.
bool OwnFolder(const QByteArray &Path) {
  if (::mkdir(Path.constData(), 0700) != 0 && errno != EEXIST)
    return false;
  struct stat st;
  if (!Lstat(Path, st) || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
    errno = EACCES;
    return false;
  }
  return true;
}

// The top folder of the file system that holds Folder.
QByteArray TopOf(const QByteArray &Folder) {
  QByteArray top = Folder;
  struct stat here;
  if (!Lstat(top, here))
    return {};
  while (top != "/") {
    const QByteArray up = FolderOf(top);
    struct stat above;
    if (!Lstat(up, above) || above.st_dev != here.st_dev)
      break;
    top = up;
  }
  return top;
}

QByteArray Below(const QByteArray &Top, const QByteArray &Name) {
  return Top == "/" ? "/" + Name : Top + "/" + Name;
}

// The trash folders a file on the file system topped by Top may go to, in the order they are tried.
QList<QByteArray> TopTrashes(const QByteArray &Top) {
  const QByteArray uid = QByteArray::number(::geteuid());
  QList<QByteArray> out;
  struct stat shared;
  const QByteArray dotTrash = Below(Top, ".Trash");
  // A shared .Trash counts only when it is a real sticky folder.
  if (Lstat(dotTrash, shared) && S_ISDIR(shared.st_mode) && (shared.st_mode & S_ISVTX))
    out << dotTrash + "/" + uid;
  out << Below(Top, ".Trash-" + uid);
  return out;
}

QByteArray RecordText(const QByteArray &Path) {
  char *escaped = g_uri_escape_string(Path.constData(), "/", FALSE);
  const QByteArray text =
      "[Trash Info]\nPath=" + QByteArray(escaped) + "\nDeletionDate=" +
      QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'hh:mm:ss")).toLatin1() + "\n";
  g_free(escaped);
  return text;
}

// Writes the whole record to the descriptor, flushed; closes it either way.
bool FillRecord(int Fd, const QByteArray &Text) {
  bool ok = Fd >= 0 && WriteAll(Fd, Text.constData(), size_t(Text.size())) && ::fsync(Fd) == 0;
  const int saved = errno;
  if (Fd >= 0 && ::close(Fd) != 0 && ok)
    return false;
  errno = saved;
  return ok;
}

// Whether the record at Info names the file Path (absolute, or relative to Top) and has a date.
bool RecordNames(const QByteArray &Info, const QByteArray &Path, const QByteArray &Top) {
  const int fd = ::open(Info.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return false;
  QByteArray text(RecordCap, Qt::Uninitialized);
  const ssize_t n = ::read(fd, text.data(), size_t(text.size()));
  ::close(fd);
  if (n <= 0)
    return false;
  text.truncate(n);
  const QList<QByteArray> lines = text.split('\n');
  if (lines.value(0).trimmed() != "[Trash Info]")
    return false;
  bool named = false, dated = false;
  for (const QByteArray &line : lines) {
    if (line.startsWith("Path=")) {
      char *path = g_uri_unescape_string(line.mid(5).constData(), nullptr);
      const QByteArray read = path ? QByteArray(path) : QByteArray();
      g_free(path);
      named = !read.isEmpty() && (read == Path || (!read.startsWith('/') && Below(Top, read) == Path));
    } else if (line.startsWith("DeletionDate=")) {
      dated = line.size() > 13;
    }
  }
  return named && dated;
}

// A name for the trash, short enough to have its record beside it; cut at a character boundary,
// keeping a short extension.
QByteArray TrashName(const QByteArray &Base) {
  const qsizetype room = NameMax - RecordSuffix - UniqueRoom;
  if (Base.size() <= room)
    return Base;
  const qsizetype dot = Base.lastIndexOf('.');
  const QByteArray ext = dot > 0 && Base.size() - dot <= 16 ? Base.mid(dot) : QByteArray();
  qsizetype cut = room - ext.size();
  while (cut > 0 && (uchar(Base.at(cut)) & 0xC0) == 0x80)
    --cut;
  return Base.left(cut) + ext;
}

// Moves Source (whose identity is Before) into the trash folder Trash, under a free name with a
// complete record of RecordPath beside it.
bool TrashInto(const QByteArray &Source, const struct stat &Before, const QByteArray &Trash,
               const QByteArray &RecordPath) {
  const QByteArray files = Trash + "/files", info = Trash + "/info";
  if (!OwnFolder(Trash) || !OwnFolder(files) || !OwnFolder(info))
    return false;
  const QByteArray record = RecordText(RecordPath);
  const QByteArray name = TrashName(Source.mid(Source.lastIndexOf('/') + 1));
  for (int i = 1; i <= NameTries; ++i) {
    const QByteArray candidate = i == 1 ? name : name + "." + QByteArray::number(i);
    const QByteArray infoPath = info + "/" + candidate + ".trashinfo";
    const int fd = ::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST)
        continue;
      return false;
    }
    if (!FillRecord(fd, record)) {
      const int saved = errno;
      ::unlink(infoPath.constData());
      errno = saved;
      return false;
    }
    const QByteArray target = files + "/" + candidate;
    if (RenameNoReplaceAt(AT_FDCWD, Source, AT_FDCWD, target)) {
      struct stat now;
      if (Lstat(target, now) && SameFile(now, Before))
        return true;
      // Someone swapped the file under us: put back what was moved.
      if (RenameNoReplaceAt(AT_FDCWD, target, AT_FDCWD, Source))
        ::unlink(infoPath.constData());
      errno = EBUSY;
      return false;
    }
    const int saved = errno;
    ::unlink(infoPath.constData());
    errno = saved;
    if (saved != EEXIST)
      return false;
  }
  errno = EEXIST;
  return false;
}

// Our own trashing: the home trash when the file shares its file system, else the volume's own.
bool TrashOurselves(const QByteArray &Source, const struct stat &Before, const QByteArray &Home) {
  struct stat homeSt;
  if (::stat(Home.constData(), &homeSt) == 0 && homeSt.st_dev == Before.st_dev)
    return TrashInto(Source, Before, Home + "/Trash", Source);
  const QByteArray top = TopOf(FolderOf(Source));
  if (top.isEmpty())
    return false;
  const QByteArray relative = top == "/" ? Source.mid(1) : Source.mid(top.size() + 1);
  for (const QByteArray &trash : TopTrashes(top))
    if (TrashInto(Source, Before, trash, relative))
      return true;
  return false;
}

// Where GIO put the file Before: the trash folder and the name in its "files" folder.
bool FindTrashed(const struct stat &Before, const QByteArray &Base, const QList<QByteArray> &Trashes,
                 QByteArray &Trash, QByteArray &Name) {
  // GIO names a file "a.tar.gz", then "a.2.tar.gz", "a.3.tar.gz" ...: those first, so a full trash
  // is rarely read.
  const qsizetype dot = Base.indexOf('.');
  for (int i = 1; i <= FirstGuesses; ++i) {
    const QByteArray number = "." + QByteArray::number(i);
    const QByteArray guess = i == 1 ? Base : dot < 0 ? Base + number : Base.left(dot) + number + Base.mid(dot);
    for (const QByteArray &t : Trashes) {
      struct stat st;
      if (Lstat(t + "/files/" + guess, st) && SameFile(st, Before)) {
        Trash = t;
        Name = guess;
        return true;
      }
    }
  }
  for (const QByteArray &t : Trashes) {
    const QByteArray files = t + "/files";
    DIR *dir = ::opendir(files.constData());
    if (!dir)
      continue;
    while (const struct dirent *entry = ::readdir(dir)) {
      struct stat st;
      if (entry->d_ino != Before.st_ino || !Lstat(files + "/" + entry->d_name, st) || !SameFile(st, Before))
        continue;
      Trash = t;
      Name = entry->d_name;
      ::closedir(dir);
      return true;
    }
    ::closedir(dir);
  }
  return false;
}

// GIO has moved the file: it counts only beside a complete record. An incomplete record is written
// anew; when even that fails, the file goes back to its place.
bool CheckTrashed(const QByteArray &Source, const struct stat &Before, const QByteArray &Home) {
  const QByteArray top = TopOf(FolderOf(Source));
  QList<QByteArray> trashes{Home + "/Trash"};
  if (!top.isEmpty())
    trashes << TopTrashes(top);
  QByteArray trash, name;
  if (!FindTrashed(Before, Source.mid(Source.lastIndexOf('/') + 1), trashes, trash, name)) {
    errno = ENOENT;
    return false;
  }
  const QByteArray info = trash + "/info/" + name + ".trashinfo";
  if (RecordNames(info, Source, top))
    return true;
  const QByteArray path = trash == Home + "/Trash" || top.isEmpty() ? Source
                          : top == "/"                              ? Source.mid(1)
                                                                    : Source.mid(top.size() + 1);
  if (FillRecord(::open(info.constData(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC), RecordText(path)) &&
      RecordNames(info, Source, top))
    return true;
  const int saved = errno;
  if (RenameNoReplaceAt(AT_FDCWD, trash + "/files/" + name, AT_FDCWD, Source))
    ::unlink(info.constData());
  errno = saved ? saved : EIO;
  return false;
}

} // namespace

bool MoveToTrash(const QString &FileName, const TFileIdentity *Expected) {
  const QByteArray source = EncodeName(FileName);
  struct stat before;
  if (!source.startsWith('/') || !Lstat(source, before) || !S_ISREG(before.st_mode) ||
      (Expected && !IsSameFile(source, *Expected)))
    return false;
  const QByteArray home = DataHome();
  if (home.isEmpty() || !MakeFolders(home))
    return false;
  // GLib reads the data folder once and keeps a relative one; then the trash is all ours.
  if (home != QByteArray(g_get_user_data_dir()))
    return TrashOurselves(source, before, home);

  GFile *file = g_file_new_for_path(source.constData());
  GError *error = nullptr;
  const bool moved = g_file_trash(file, nullptr, &error);
  g_object_unref(file);
  if (!moved) {
    const bool tooLong = error && error->domain == G_IO_ERROR && error->code == G_IO_ERROR_FILENAME_TOO_LONG;
    g_clear_error(&error);
    struct stat now;
    // GLib refuses a name whose record would not fit; ours is shortened.
    return tooLong && Lstat(source, now) && SameFile(now, before) && TrashOurselves(source, before, home);
  }
  return CheckTrashed(source, before, home);
}

bool TrashHeld(THeldFile &File) {
  return MoveToTrash(DecodeName(File.Path()), &File.Identity());
}

} // namespace platform
