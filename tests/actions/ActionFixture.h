#pragma once
// A file list with marked files on disk, a store folder and a whole action run over them, read back
// through the log lines, the items' flags and the disk.

#include "actions/ActionLog.h"
#include "actions/ActionRun.h"
#include "actions/StoreFolder.h"
#include "engine/UsePropertyFile.h"
#include "settings/Language.h"
#include "tests/support/FakeProgress.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

// What a file holds and the mode and time it has ("<missing>" when there is none).
struct TFileState {
  QByteArray contents;
  mode_t mode = 0;
  qint64 mtimeNs = 0;
  bool operator==(const TFileState &) const = default;
};

inline TFileState StateOf(const QString &Path) {
  struct stat st {};
  if (::lstat(QFile::encodeName(Path).constData(), &st) != 0)
    return {"<missing>", 0, 0};
  return {testenv::ReadFile(Path), st.st_mode & 07777,
          qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

inline bool Chmod(const QString &Path, mode_t Mode) {
  return ::chmod(QFile::encodeName(Path).constData(), Mode) == 0;
}

class ActionFixture : public ::testing::Test {
protected:
  TestDir dir;
  TUseFileList list;
  TProgressBarModel bar;
  FakeProgressSink sink{&bar};
  TActionLogLines log;
  qint64 total = 0;

  QString source(const QString &Relative) const { return dir.filePath("src/" + Relative); }
  QString store() const { return dir.filePath("store"); }
  // Where Move and Copy put the file at Path.
  QString stored(const QString &Path) const { return store() + Path; }

  // A file of the given contents under src/, on the list and marked.
  TUseFileProperty &addFile(const QString &Relative, const QByteArray &Contents) {
    return addPath(dir.createFile("src/" + Relative, Contents));
  }
  // Any path on the list, marked; Size < 0 takes the file's size. The identity is what gathering would
  // see now (the path's own entry, not what a link leads to).
  TUseFileProperty &addPath(const QString &Path, qint64 Size = -1) {
    const qsizetype slash = Path.lastIndexOf('/');
    const qint64 size = Size >= 0 ? Size : QFileInfo(Path).size();
    TUseFileProperty &item =
        *list.GetItem(list.AddFile(Path.left(slash + 1), Path.mid(slash + 1), size, nullptr));
    item.Viewed.Marked = true;
    seen(item);
    return item;
  }
  // Takes the identity of the item's file as it is now, as a search would.
  static void seen(TUseFileProperty &Item) {
    const platform::TFileIdentity now = testenv::IdentityNow(QFile::encodeName(Item.FullName()));
    if (now.IsKnown())
      Item.FileItem.SetIdentity(now);
  }

  // One whole run; returns what ended it early: "stop", or "folder " and the store folder it could not
  // make ("" when nothing did).
  std::string run(TAction Action, const QString &Store = {}) {
    QDir().mkpath(store());
    TActionRun r{list, Action, Store.isEmpty() ? store() + '/' : Store, sink, bar, log};
    r.FileWait = std::chrono::milliseconds(0);
    PrepareActionBar(bar, CountMarked(list));
    std::string ended;
    try {
      ActionLoop(r);
    } catch (const EMyStop &) {
      ended = "stop";
    } catch (const EStoreFolder &e) {
      ended = "folder " + e.Folder().toStdString();
    }
    total = r.Total;
    return ended;
  }

  // The outcome of every logged file: "+" done, "-" failed.
  std::string oks() const {
    std::string out;
    for (const auto &line : log.Lines)
      out += line.Ok ? '+' : '-';
    return out;
  }

  // The log of one file at Path.
  static QList<TActionLogLines::TLine> logged(const QString &Path, bool Ok) {
    return {{Path + (Ok ? " - ok" : " - error"), Ok}};
  }
  // The log of a file left alone for the reason of text Id.
  static TActionLogLines::TLine leftAlone(const QString &Path, const char *Id) {
    return {Path + " (" + LangText(Id) + ") - error", false};
  }

  // Every regular file below Folder, as paths relative to it.
  static QStringList filesBelow(const QString &Folder) {
    QStringList files;
    QDirIterator it(Folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
      files << QDir(Folder).relativeFilePath(it.next());
    files.sort();
    return files;
  }

  // A file at an absolute Path, its folders made as needed.
  static bool writeFile(const QString &Path, const QByteArray &Contents) {
    QDir().mkpath(QFileInfo(Path).absolutePath());
    QFile f(Path);
    return f.open(QIODevice::WriteOnly) && f.write(Contents) == Contents.size();
  }

  // Writes Contents over the start of the file at Path in place and gives it back its modification
  // time: the device, inode, size and time stay what the search saw.
  static void rewriteKeepingTime(const QString &Path, const QByteArray &Contents) {
    const QByteArray path = QFile::encodeName(Path);
    struct stat before {};
    ASSERT_EQ(::stat(path.constData(), &before), 0);
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, Contents.constData(), size_t(Contents.size())), Contents.size());
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::futimens(fd, times), 0);
    ::close(fd);
  }
  static QString trashFiles() { return QFile::decodeName(qgetenv("XDG_DATA_HOME")) + "/Trash/files"; }
};

inline QString ActionName(TAction Action) {
  return Action == TAction::Delete    ? "Delete"
         : Action == TAction::Recycle ? "Recycle"
         : Action == TAction::Move    ? "Move"
                                      : "Copy";
}
