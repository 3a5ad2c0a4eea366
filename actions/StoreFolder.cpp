#include "actions/StoreFolder.h"

#include "engine/ScanFiles.h"
#include "platform/Folders.h"
#include "platform/Names.h"

#include <QDir>

#include <cerrno>
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

// Makes one level below the store; an existing level must be a real folder, not a link.
bool MakeLevel(const QByteArray &Level) {
  if (::mkdir(Level.constData(), 0777) == 0)
    return true;
  if (errno != EEXIST)
    return false;
  struct stat st;
  return ::lstat(Level.constData(), &st) == 0 && S_ISDIR(st.st_mode);
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

QString MakeStorePath(const QString &Source, const QString &Store, QString *FailedFolder) {
  const QString store = AddSlash(Store);
  if (!store.startsWith(QLatin1Char('/')) || !IsCleanAbsolutePath(Source))
    return {};
  auto fail = [&](const QString &Folder) {
    if (FailedFolder)
      *FailedFolder = Folder;
    return QString();
  };
  // The store's own levels are the user's choice and may pass through links.
  if (!ForceFolderChain(store))
    return fail(store);
  QString result = store;
  const QStringList folders = Source.mid(1, Source.lastIndexOf(QLatin1Char('/'))).split(QLatin1Char('/'));
  for (const QString &folder : folders) {
    if (folder.isEmpty())
      continue;
    // Without the trailing "/", which would make lstat follow a link.
    if (!MakeLevel(Native(result + folder)))
      return fail(result + folder + QLatin1Char('/'));
    result += folder + QLatin1Char('/');
  }
  return result;
}

QString MakeStoreTarget(const QString &Store, const QString &Source) {
  QString failed;
  const QString folder = MakeStorePath(Source, Store, &failed);
  if (folder.isEmpty())
    throw EStoreFolder(failed.isEmpty() ? AddSlash(Store) : failed);
  const QString name = Source.mid(Source.lastIndexOf(QLatin1Char('/')) + 1);
  const QString target = folder + name;
  if (!PathExists(target))
    return target;
  // "name.ext" becomes "name-copy-N.ext"; a name whose only dot leads it keeps it whole.
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  const QString stem = dot > 0 ? name.left(dot) : name;
  const QString extension = dot > 0 ? name.mid(dot) : QString();
  for (qint64 n = 2;; ++n) {
    const QString candidate = folder + stem + QStringLiteral("-copy-") + QString::number(n) + extension;
    if (!PathExists(candidate))
      return candidate;
  }
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
