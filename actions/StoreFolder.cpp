#include "actions/StoreFolder.h"

#include "engine/ScanFiles.h"
#include "platform/Folders.h"
#include "platform/Names.h"

#include <QDir>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Native(const QString &Path) {
  return platform::EncodeName(Path);
}

// Calls Visit with each entry name of Folder except "." and ".." until Visit returns false. Returns
// false when the folder could not be listed.
template <typename F> bool ForEachEntry(const QString &Folder, F Visit) {
  const std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(Native(Folder).constData()), &::closedir);
  if (!dir)
    return false;
  while (const dirent *entry = ::readdir(dir.get())) {
    const QByteArray name(entry->d_name);
    if (name == "." || name == "..")
      continue;
    if (!Visit(name))
      break;
  }
  return true;
}

// Opens the mirrored folder for Source below the opened Store, making each missing level; Failed
// receives the path of a level that cannot be made. Not open when Source is not clean.
platform::TFolderFd OpenMirroredFolder(const TOpenStore &Store, const QString &Source, QString &Failed) {
  Failed.clear();
  if (!Store.Fd().IsOpen()) {
    Failed = AddSlash(Store.Path());
    return {};
  }
  if (!IsCleanAbsolutePath(Source))
    return {};
  QString path = AddSlash(Store.Path());
  platform::TFolderFd dir(::dup(Store.Fd().Get()));
  const QStringList folders = Source.mid(1, Source.lastIndexOf(QLatin1Char('/'))).split(QLatin1Char('/'));
  for (const QString &folder : folders) {
    if (folder.isEmpty())
      continue;
    path += folder + QLatin1Char('/');
    // Reached through opened folders it could be made deeper, but nothing could name it afterwards.
    if (Native(path).size() >= PATH_MAX)
      dir = {};
    else
      dir = platform::MakeFolderAt(dir.Get(), Native(folder), 0777);
    if (!dir.IsOpen()) {
      Failed = path;
      return {};
    }
  }
  return dir;
}

bool NameTaken(int Dir, const QByteArray &Name) {
  struct stat st;
  return ::fstatat(Dir, Name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT;
}

} // namespace

bool IsCleanAbsolutePath(const QString &Path) {
  if (!Path.startsWith(QLatin1Char('/')) || Path.contains(QChar(0)))
    return false;
  const QStringList parts = Path.mid(1).split(QLatin1Char('/'));
  for (const QString &part : parts)
    if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
      return false;
  return true;
}

TOpenStore::TOpenStore(const QString &Store) : m_path(AddSlash(Store)) {
  // The store's own levels are the user's choice and may pass through links.
  if (m_path.startsWith(QLatin1Char('/')) && ForceFolderChain(m_path))
    m_fd = platform::TFolderFd(::open(Native(m_path).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
}

QString MakeStorePath(const QString &Source, const QString &Store, QString *FailedFolder) {
  if (!AddSlash(Store).startsWith(QLatin1Char('/')) || !IsCleanAbsolutePath(Source))
    return {};
  QString failed;
  const platform::TFolderFd folder = OpenMirroredFolder(TOpenStore(Store), Source, failed);
  if (FailedFolder)
    *FailedFolder = failed;
  return folder.IsOpen() ? AddSlash(Store) + Source.mid(1, Source.lastIndexOf(QLatin1Char('/'))) : QString();
}

TStoreTarget MakeStoreTargetAt(const TOpenStore &Store, const QString &Source) {
  QString failed;
  TStoreTarget target;
  target.Folder = OpenMirroredFolder(Store, Source, failed);
  if (!target.Folder.IsOpen())
    throw EStoreFolder(failed.isEmpty() ? AddSlash(Store.Path()) : failed);
  const qsizetype slash = Source.lastIndexOf(QLatin1Char('/'));
  const QString folder = AddSlash(Store.Path()) + Source.mid(1, slash);
  const QString name = Source.mid(slash + 1);
  // "name.ext" becomes "name-copy-N.ext"; a name whose only dot leads it keeps it whole.
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  const QString stem = dot > 0 ? name.left(dot) : name;
  const QString extension = dot > 0 ? name.mid(dot) : QString();
  QString candidate = name;
  for (qint64 n = 2; NameTaken(target.Folder.Get(), Native(candidate)); ++n)
    candidate = stem + QStringLiteral("-copy-") + QString::number(n) + extension;
  target.Name = Native(candidate);
  target.Path = folder + candidate;
  return target;
}

QString MakeStoreTarget(const QString &Store, const QString &Source) {
  return MakeStoreTargetAt(TOpenStore(Store), Source).Path;
}

bool IsFolderWritable(const QString &Folder) {
  const QString folder = AddSlash(Folder);
  if (folder.isEmpty())
    return false;
  QByteArray probe = Native(folder) + ".pairhound-probe-XXXXXX";
  const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
  if (fd < 0)
    return false;
  ::close(fd);
  return ::unlink(probe.constData()) == 0;
}

bool IsFolderEmpty(const QString &Folder) {
  bool empty = true;
  ForEachEntry(AddSlash(Folder), [&](const QByteArray &) { return empty = false; });
  return empty;
}

bool HoldsOnlyDriveLetters(const QString &Folder) {
  const QByteArray folder = Native(AddSlash(Folder));
  bool only = true;
  ForEachEntry(AddSlash(Folder), [&](const QByteArray &Name) {
    struct stat entry, root;
    only = ::lstat((folder + Name).constData(), &entry) == 0 && S_ISDIR(entry.st_mode) &&
           ::stat(("/" + Name).constData(), &root) == 0 && S_ISDIR(root.st_mode);
    return only;
  });
  return only;
}

TStoreCheck CheckStoreFolder(const QString &StoreFolder, qint64 MarkedSize,
                             const std::function<qint64(const QString &)> &FreeSpaceOf) {
  if (!QDir::isAbsolutePath(StoreFolder) || !IsFolderPath(StoreFolder))
    return {2073, {}};
  if (!IsFolderWritable(StoreFolder))
    return {2512, {}};
  const qint64 free = FreeSpaceOf ? FreeSpaceOf(StoreFolder) : FreeSpace(StoreFolder);
  if (MarkedSize >= free)
    return {2513, platform::ShownName(MountRootOf(StoreFolder))};
  if (!IsFolderEmpty(StoreFolder))
    return {2514, {}};
  return {};
}
