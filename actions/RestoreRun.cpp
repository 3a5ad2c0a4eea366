#include "actions/RestoreRun.h"

#include "actions/ActionLog.h"
#include "actions/StoreFolder.h"
#include "engine/Progress.h"
#include "engine/ScanFiles.h"
#include "platform/FileTransfer.h"
#include "platform/Folders.h"

#include <QFile>
#include <QThread>

#include <cerrno>
#include <sys/stat.h>

namespace {

class TStoreWalk {
public:
  TStoreWalk(const std::function<void(const TStoreEntry &)> &Visit, const std::atomic<bool> *Stop)
      : m_visit(Visit), m_stop(Stop) {}

  void Walk(const QString &Folder, qint64 Parent) {
    const QString folder = AddSlash(Folder);
    // Pass 1: each subfolder, followed by its subtree.
    ForEach(
        folder, TDirEntry::EKind::Folder,
        [&](const TStoreEntry &Entry) { Walk(Entry.StorePath, Entry.Index); }, Parent);
    // Pass 2: the files, from a listing of their own.
    ForEach(
        folder, TDirEntry::EKind::File, [](const TStoreEntry &) {}, Parent);
  }

private:
  template <typename F> void ForEach(const QString &Folder, TDirEntry::EKind Kind, F After, qint64 Parent) {
    TDirReader reader(QFile::encodeName(Folder));
    TDirEntry entry;
    while (!Stopped() && reader.Next(entry)) {
      if (entry.m_kind != Kind || entry.m_name == "." || entry.m_name == "..")
        continue;
      // A name that does not read back as the same bytes would lead to another file or none.
      const QString name = NameText(entry.m_name);
      if (name.isEmpty())
        continue;
      const TStoreEntry found{m_next++, Parent, Kind == TDirEntry::EKind::File, Folder + name,
                              Kind == TDirEntry::EKind::File ? qint64(entry.m_size) : 0};
      m_visit(found);
      After(found);
    }
  }

  bool Stopped() const { return m_stop && m_stop->load(std::memory_order_relaxed); }

  const std::function<void(const TStoreEntry &)> &m_visit;
  const std::atomic<bool> *m_stop;
  qint64 m_next = 0;
};

bool Lstat(const QString &Path, struct stat &St) {
  return ::lstat(QFile::encodeName(Path).constData(), &St) == 0;
}

bool IsFolder(const QString &Path) {
  struct stat st;
  return ::stat(QFile::encodeName(Path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString FolderPart(const QString &Path) {
  return Path.left(Path.lastIndexOf(QLatin1Char('/')) + 1);
}

// Closes the log however the loop ends.
class TLogEnd {
public:
  explicit TLogEnd(IActionLog &Log) : m_log(Log) {}
  ~TLogEnd() { m_log.EndRun(); }

private:
  IActionLog &m_log;
};

} // namespace

void WalkStore(const QString &Store, const std::function<void(const TStoreEntry &)> &Visit,
               const std::atomic<bool> *Stop) {
  TStoreWalk(Visit, Stop).Walk(Store, -1);
}

QString RestoreOriginalPath(const QString &Store, const QString &StorePath, bool IsFile) {
  const QString store = AddSlash(Store);
  if (store.isEmpty() || !StorePath.startsWith(store) || StorePath.size() == store.size())
    return {};
  QString path = QLatin1Char('/') + StorePath.mid(store.size());
  if (!IsFile && !path.endsWith(QLatin1Char('/')))
    path += QLatin1Char('/');
  return path;
}

TRestoreState RestoreState(const QString &OriginalPath, bool IsFile) {
  if (IsFile) {
    struct stat st;
    return Lstat(OriginalPath, st) ? TRestoreState::TakenPlace : TRestoreState::None;
  }
  return IsFolder(FolderPart(OriginalPath)) ? TRestoreState::None : TRestoreState::FolderGone;
}

QString RestoreTargetName(const QString &OriginalPath, const TRestoreOptions &Options) {
  if (!IsCleanAbsolutePath(OriginalPath))
    return {};
  struct stat st;
  if (Lstat(OriginalPath, st)) {
    if (!Options.ReplaceExisting || !S_ISREG(st.st_mode))
      return {};
  } else if (errno != ENOENT && errno != ENOTDIR) {
    return {};
  }
  const QString folder = FolderPart(OriginalPath);
  if (!IsFolder(folder) && Options.CreateFolders && !ForceFolderChain(folder))
    return {};
  return OriginalPath;
}

bool MoveBack(const QString &StorePath, const QString &Target, bool Replace) {
  if (Target.isEmpty() || !IsCleanAbsolutePath(Target) || !platform::IsRegularFile(StorePath))
    return false;
  if (Replace && platform::IsRegularFile(Target))
    return platform::MoveFileReplacing(StorePath, Target);
  return platform::MoveFileSafely(StorePath, Target);
}

void PrepareRestoreBar(IProgressBar &Bar, int Count) {
  Bar.SetMin(0);
  Bar.SetMax(Count);
  Bar.SetPosition(std::min(1, Count));
}

void RestoreLoop(TRestoreRun &Run) {
  Run.Total = 0;
  Run.Restored = 0;
  Run.Log.BeginRun();
  TLogEnd end(Run.Log);
  for (const TRestoreItem &Item : std::as_const(Run.Items)) {
    if (Run.Bar.Position() < Run.Bar.Max())
      Run.Bar.SetPosition(Run.Bar.Position() + 1);
    const QString target = RestoreTargetName(Item.OriginalPath, Run.Options);
    const bool ok = MoveBack(Item.StorePath, target, Run.Options.ReplaceExisting);
    if (ok) {
      Run.Total += Item.Size;
      ++Run.Restored;
    }
    Run.Log.AddLine(ActionLogLine(Item.OriginalPath, ok), ok);
    Run.Sink.ProcessActionProgress();
    if (Run.FileWait.count() > 0)
      QThread::msleep(quint64(Run.FileWait.count()));
  }
}
