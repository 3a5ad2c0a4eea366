#include "actions/RestoreRun.h"

#include "actions/ActionLog.h"
#include "actions/ActionRun.h"
#include "actions/StoreFolder.h"
#include "engine/Progress.h"
#include "engine/ScanFiles.h"
#include "platform/FileTransfer.h"
#include "platform/Folders.h"
#include "platform/Names.h"
#include "settings/Language.h"

#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class TStoreWalk {
public:
  TStoreWalk(const std::function<void(const TStoreEntry &)> &Visit, const std::atomic<bool> *Stop)
      : m_visit(Visit), m_stop(Stop) {}

  void Walk(const QString &Folder, qint64 Parent, const QList<TFileId> &Above) {
    const QString folder = AddSlash(Folder);
    // Pass 1: each subfolder, followed by its subtree.
    ForEach(
        folder, TDirEntry::EKind::Folder,
        [&](const TStoreEntry &Entry) { Walk(Entry.StorePath, Entry.Index, Entry.Folders); }, Parent, Above);
    // Pass 2: the files, from a listing of their own.
    ForEach(
        folder, TDirEntry::EKind::File, [](const TStoreEntry &) {}, Parent, Above);
  }

private:
  template <typename F>
  void ForEach(const QString &Folder, TDirEntry::EKind Kind, F After, qint64 Parent,
               const QList<TFileId> &Above) {
    TDirReader reader(platform::EncodeName(Folder));
    const QList<TFileId> folders = QList<TFileId>(Above) << reader.Id();
    TDirEntry entry;
    while (!Stopped() && reader.Next(entry)) {
      if (entry.m_kind != Kind || entry.m_name == "." || entry.m_name == "..")
        continue;
      const QString name = platform::DecodeName(entry.m_name);
      const TStoreEntry found{m_next++,
                              Parent,
                              Kind == TDirEntry::EKind::File,
                              Folder + name,
                              Kind == TDirEntry::EKind::File ? qint64(entry.m_size) : 0,
                              folders,
                              Kind == TDirEntry::EKind::File ? entry.m_id : TFileId{}};
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
  return ::lstat(platform::EncodeName(Path).constData(), &St) == 0;
}

bool IsFolder(const QString &Path) {
  struct stat st;
  return ::stat(platform::EncodeName(Path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
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
  TStoreWalk(Visit, Stop).Walk(Store, -1, {});
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

TRestoreTarget RestoreTargetName(const QString &OriginalPath, const TRestoreOptions &Options) {
  TRestoreTarget target;
  if (!IsCleanAbsolutePath(OriginalPath))
    return target;
  QList<QByteArray> parts = platform::EncodeName(OriginalPath).mid(1).split('/');
  const QByteArray name = parts.takeLast();
  platform::TFolderFd dir(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
  for (const QByteArray &part : std::as_const(parts)) {
    platform::TFolderFd next = platform::OpenFolderAt(dir.Get(), part);
    if (!next.IsOpen()) {
      struct stat st;
      if (::fstatat(dir.Get(), part.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        target.ThroughLink = S_ISLNK(st.st_mode);
        return target;
      }
      if (errno != ENOENT || !Options.CreateFolders ||
          !(next = platform::MakeFolderAt(dir.Get(), part, 0777)).IsOpen())
        return target;
    }
    dir = std::move(next);
  }
  struct stat st;
  if (::fstatat(dir.Get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    if (!Options.ReplaceExisting || !S_ISREG(st.st_mode))
      return target;
  } else if (errno != ENOENT) {
    return target;
  }
  target.Folder = std::move(dir);
  target.Name = name;
  return target;
}

namespace {

// Opens the folder holding the stored file through the folders the walk saw: the store as its path
// leads (the user chose it), each level below it without following a link; not open when any level
// is another folder now. Name receives the stored file's name.
platform::TFolderFd OpenStoreFolder(const TRestoreItem &Item, QByteArray &Name) {
  const QList<QByteArray> parts = platform::EncodeName(Item.StorePath).split('/');
  const qsizetype below = Item.Folders.size() - 1;
  if (below < 0 || parts.size() < below + 2)
    return {};
  Name = parts.last();
  const qsizetype first = parts.size() - 1 - below;
  const QByteArray store = parts.mid(0, first).join('/') + '/';
  platform::TFolderFd dir(::open(store.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (dir.Id() != Item.Folders[0])
    return {};
  for (qsizetype level = 1; level <= below; ++level) {
    dir = platform::OpenFolderAt(dir.Get(), parts[first + level - 1]);
    if (!dir.IsOpen() || dir.Id() != Item.Folders[level])
      return {};
  }
  return dir;
}

} // namespace

TMoveBack MoveBack(const TRestoreItem &Item, const TRestoreTarget &Target, bool Replace,
                   const platform::TCopyTick &Tick, platform::TAttributeLoss *Loss) {
  if (Target.ThroughLink)
    return TMoveBack::ThroughLink;
  if (!Target.Folder.IsOpen())
    return TMoveBack::Failed;
  QByteArray name;
  platform::TFolderFd folder = OpenStoreFolder(Item, name);
  if (!folder.IsOpen())
    return TMoveBack::StoreChanged;
  platform::THeldFile stored;
  if (!stored.Open(std::move(folder), name))
    return TMoveBack::Failed;
  if (Item.Id != TFileId{} && stored.Identity().Id != Item.Id)
    return TMoveBack::StoreChanged;
  if (platform::MoveHeld(stored, Target.Folder.Get(), Target.Name, Replace, Tick, Loss))
    return TMoveBack::Done;
  // EBUSY: a name swapped under the move; whatever it led to went back.
  return errno == EBUSY ? TMoveBack::StoreChanged : TMoveBack::Failed;
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
    const TRestoreTarget target = RestoreTargetName(Item.OriginalPath, Run.Options);
    const TCopyProgress progress(Run.Sink);
    platform::TAttributeLoss lost;
    const TMoveBack moved = MoveBack(Item, target, Run.Options.ReplaceExisting, progress.Tick(), &lost);
    if (progress.Stopped()) {
      Run.Log.AddLine(ActionStoppedLine(Item.OriginalPath), false);
      progress.Rethrow();
    }
    const bool ok = moved == TMoveBack::Done;
    if (ok) {
      Run.Total += Item.Size;
      ++Run.Restored;
    }
    if (moved == TMoveBack::StoreChanged)
      Run.Log.AddLine(ActionErrorLine(Item.OriginalPath, LangText(QStringLiteral("20133"))), false);
    else if (moved == TMoveBack::ThroughLink)
      Run.Log.AddLine(ActionErrorLine(Item.OriginalPath, LangText(QStringLiteral("20134"))), false);
    else
      Run.Log.AddLine(ActionLogLine(Item.OriginalPath, ok, ok ? AttributeLossNote(lost) : QString()), ok);
    Run.Sink.ProcessActionProgress();
    if (Run.FileWait.count() > 0)
      QThread::msleep(quint64(Run.FileWait.count()));
  }
}
