#include "actions/ActionRun.h"

#include "actions/ActionLog.h"
#include "actions/StoreFolder.h"
#include "engine/Progress.h"
#include "engine/UsePropertyFile.h"
#include "platform/FileTransfer.h"
#include "platform/Names.h"
#include "platform/Trash.h"
#include "settings/Language.h"

#include <QThread>

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

// A file's line shows its name as the lists do, so it stays one line.
QString ActionLogLine(const QString &FullName, bool Ok, const QString &Note) {
  return platform::ShownName(FullName) +
         (Note.isEmpty() ? QString() : QStringLiteral(" (") + Note + QLatin1Char(')')) +
         (Ok ? QStringLiteral(" - ok") : QStringLiteral(" - error"));
}

QString AttributeLossNote(const platform::TAttributeLoss &Loss) {
  QStringList parts;
  if (Loss.Acl)
    parts << LangText(QStringLiteral("20135"));
  if (!Loss.Others.isEmpty()) {
    QStringList names;
    for (const QByteArray &name : Loss.Others)
      names << platform::ShownName(platform::DecodeName(name));
    parts << FormatText(LangText(QStringLiteral("20136")), {names.join(QStringLiteral(", "))});
  }
  return parts.join(QStringLiteral("; "));
}

QString ActionStoppedLine(const QString &FullName) {
  return platform::ShownName(FullName) + QStringLiteral(" - ") + LangText(QStringLiteral("20145"));
}

TCopyProgress::TCopyProgress(IProgressSink &Sink)
    : m_tick([this, &Sink] {
        try {
          Sink.ProcessActionProgress();
          return true;
        } catch (...) {
          m_stopped = std::current_exception();
          return false;
        }
      }) {}

void TCopyProgress::Rethrow() const {
  if (m_stopped)
    std::rethrow_exception(m_stopped);
}

bool DeleteToRecycleBin(const QString &FileName, const platform::TFileIdentity *Expected) {
  return platform::MoveToTrash(FileName, Expected);
}

QString ActionErrorLine(const QString &FullName, const QString &Reason) {
  return ActionLogLine(FullName, false, Reason);
}

TActOutcome ActOnFile(const QString &FileName, const platform::TFileIdentity &Identity, TAction Action,
                      const TOpenStore &Store, const platform::TCopyTick &Tick,
                      platform::TAttributeLoss *Loss) {
  if (!IsCleanAbsolutePath(FileName))
    return TActOutcome::Failed;
  // Held open from here on, the file cannot be replaced by another under its inode number.
  platform::THeldFile file;
  if (!Identity.IsKnown() || !file.OpenPath(platform::EncodeName(FileName)) || file.Identity() != Identity)
    return TActOutcome::Changed;
  // EBUSY: what the name or the file held turned out to be was not the file seen, and went back.
  const auto outcome = [](bool Ok) {
    return Ok ? TActOutcome::Done : errno == EBUSY ? TActOutcome::Changed : TActOutcome::Failed;
  };
  switch (Action) {
  case TAction::Delete:
    // Out of its name first, so only this file is ever removed.
    if (!file.TakeOut())
      return outcome(false);
    if (!file.RemoveTakenOut()) {
      const int error = errno;
      (void)file.PutBack();
      errno = error;
      return outcome(false);
    }
    return TActOutcome::Done;
  case TAction::Recycle:
    return outcome(platform::TrashHeld(file));
  case TAction::Move: {
    const TStoreTarget target = MakeStoreTargetAt(Store, FileName);
    return outcome(platform::MoveHeld(file, target.Folder.Get(), target.Name, false, Tick, Loss));
  }
  case TAction::Copy: {
    const TStoreTarget target = MakeStoreTargetAt(Store, FileName);
    return outcome(platform::CopyHeld(file, target.Folder.Get(), target.Name, Tick, Loss));
  }
  }
  return TActOutcome::Failed;
}

TActOutcome ActOnFile(const QString &FileName, const platform::TFileIdentity &Identity, TAction Action,
                      const QString &Store, const platform::TCopyTick &Tick, platform::TAttributeLoss *Loss) {
  return ActOnFile(FileName, Identity, Action,
                   TOpenStore(Action == TAction::Move || Action == TAction::Copy ? Store : QString()), Tick,
                   Loss);
}

int CountMarked(const TUseFileList &List) {
  int n = 0;
  for (int i = 0; i < List.Count(); ++i) {
    const TUseFileProperty &Item = *List.GetItem(i);
    if (Item.Viewed.Marked && !Item.Processed)
      ++n;
  }
  return n;
}

bool RemovesFiles(TAction Action) {
  return Action != TAction::Copy;
}

namespace {

// A group of one search method: the method in the high half, the group number in the low half.
quint64 GroupKey(int Method, qint32 Group) {
  return quint64(quint32(Method)) << 32 | quint32(Group);
}

template <typename F> void ForEachGroup(const TUseFileProperty &Item, F Visit) {
  for (int m = 1; m <= MethodCount; ++m)
    if (const qint32 g = Item.Viewed.GetGroup(m); g != -1)
      Visit(GroupKey(m, g));
}

// The files of the list that stay where they are: not marked and not processed, or copied.
bool Stays(const TUseFileProperty &Item) {
  return (!Item.Viewed.Marked && !Item.Processed) || Item.Copied;
}

// Whether Copy, a copy of Marked's group, is still there as it was seen. A member is as safe as its
// archive; a plain file (an entered archive too) must be itself.
bool StillThere(const TUseFileProperty &Copy, const TFileId &Marked) {
  const TUseFileProperty &file = Copy.IsArchiveMember() ? *Copy.Owner : Copy;
  const platform::TFileIdentity id = file.FileItem.Identity();
  return id.IsKnown() && id.Id != Marked && platform::IsSameFile(platform::EncodeName(file.FullName()), id);
}

} // namespace

int GroupsLosingEveryCopy(const TUseFileList &List) {
  std::unordered_map<quint64, bool> keepsCopy;
  for (int i = 0; i < List.Count(); ++i) {
    const TUseFileProperty &Item = *List.GetItem(i);
    if (Item.Processed && !Item.Copied)
      continue;
    // A copied file counts only while it is still there unchanged.
    const bool stays = Stays(Item) && (!Item.Copied || StillThere(Item, {}));
    ForEachGroup(Item, [&](quint64 Key) { keepsCopy[Key] = keepsCopy[Key] || stays; });
  }
  return int(std::count_if(keepsCopy.begin(), keepsCopy.end(), [](const auto &G) { return !G.second; }));
}

namespace {

// The unmarked files of every group as the run found them at its start, and whether one of them is
// still there unchanged when a marked file of the group is about to go.
class TCopyWatch {
public:
  explicit TCopyWatch(const TUseFileList &List) {
    for (int i = 0; i < List.Count(); ++i) {
      const TUseFileProperty &Item = *List.GetItem(i);
      if (Stays(Item))
        ForEachGroup(Item, [&](quint64 Key) { m_unmarked[Key].push_back(&Item); });
    }
  }

  // Whether every group of Item that had unmarked files still has one, other than Item's own file.
  bool CopyLeft(const TUseFileProperty &Item) const {
    bool left = true;
    ForEachGroup(Item, [&](quint64 Key) {
      const auto found = m_unmarked.find(Key);
      if (left && found != m_unmarked.end())
        left = std::any_of(found->second.begin(), found->second.end(),
                           [&](const TUseFileProperty *Copy) { return StillThere(*Copy, Item.FileItem.Id); });
    });
    return left;
  }

private:
  std::unordered_map<quint64, std::vector<const TUseFileProperty *>> m_unmarked;
};

} // namespace

void PrepareActionBar(IProgressBar &Bar, int Marked) {
  Bar.SetMin(0);
  Bar.SetMax(Marked - 1);
  Bar.SetPosition(std::min(1, std::max(0, Marked - 1)));
}

namespace {

// Commits the done items and closes the log however the loop ends.
class TLoopEnd {
public:
  TLoopEnd(TActionRun &Run) : m_run(Run) {}
  ~TLoopEnd() {
    m_run.List.CommitPending();
    m_run.Log.EndRun();
  }

private:
  TActionRun &m_run;
};

} // namespace

void ActionLoop(TActionRun &Run) {
  Run.Total = 0;
  Run.Log.BeginRun();
  TLoopEnd end(Run);
  Run.List.SetAllPending(false);
  std::optional<TCopyWatch> copies;
  if (RemovesFiles(Run.Action))
    copies.emplace(Run.List);
  // Opened once: a link put on the store's path during the run cannot take the files elsewhere.
  const TOpenStore store(Run.Action == TAction::Move || Run.Action == TAction::Copy ? Run.StoreFolder
                                                                                    : QString());
  for (int i = 0; i < Run.List.Count(); ++i) {
    TUseFileProperty &Item = *Run.List.GetItem(i);
    if (!Item.Viewed.Marked || Item.Processed)
      continue;
    if (Run.Bar.Position() < Run.Bar.Max())
      Run.Bar.SetPosition(Run.Bar.Position() + 1);
    const QString name = Item.FullName();
    TActOutcome outcome = TActOutcome::Failed;
    platform::TAttributeLoss lost;
    const TCopyProgress progress(Run.Sink);
    // An archive member's name is its path inside the archive, not a file of its own.
    if (!Item.IsArchiveMember()) {
      const platform::TFileIdentity identity = Item.FileItem.Identity();
      if (!identity.IsKnown() || (copies && !platform::IsSameFile(platform::EncodeName(name), identity)))
        outcome = TActOutcome::Changed;
      else if (copies && !copies->CopyLeft(Item))
        outcome = TActOutcome::NoCopyLeft;
      else
        outcome = ActOnFile(name, identity, Run.Action, store, progress.Tick(), &lost);
    }
    if (progress.Stopped()) {
      Run.Log.AddLine(ActionStoppedLine(name), false);
      progress.Rethrow();
    }
    const bool ok = outcome == TActOutcome::Done;
    if (ok)
      Run.Total += Item.FileItem.Size;
    if (outcome == TActOutcome::Changed)
      Run.Log.AddLine(ActionErrorLine(name, LangText(QStringLiteral("20130"))), false);
    else if (outcome == TActOutcome::NoCopyLeft)
      Run.Log.AddLine(ActionErrorLine(name, LangText(QStringLiteral("20131"))), false);
    else
      Run.Log.AddLine(ActionLogLine(name, ok, ok ? AttributeLossNote(lost) : QString()), ok);
    if (ok) {
      Item.ProcessPending = true;
      Item.Copied = Run.Action == TAction::Copy;
    }
    Run.Sink.ProcessActionProgress();
    if (Run.FileWait.count() > 0)
      QThread::msleep(quint64(Run.FileWait.count()));
  }
}
