#include "actions/ActionRun.h"

#include "actions/ActionLog.h"
#include "actions/StoreFolder.h"
#include "engine/Progress.h"
#include "engine/UsePropertyFile.h"
#include "platform/FileTransfer.h"

#include <QFile>
#include <QThread>

#include <unistd.h>

QString ActionLogLine(const QString &FullName, bool Ok) {
  QString line = FullName;
  for (QChar &c : line) {
    if (c.unicode() < 0x20)
      c = QChar(0x2400 + c.unicode());
    else if (c.unicode() == 0x7f)
      c = QChar(0x2421);
  }
  return line + (Ok ? QStringLiteral(" - ok") : QStringLiteral(" - error"));
}

bool DeleteToRecycleBin(const QString &FileName) {
  return platform::MoveToTrash(FileName);
}

bool ActOnFile(const QString &FileName, TAction Action, const QString &Store) {
  if (!IsCleanAbsolutePath(FileName) || !platform::IsRegularFile(FileName))
    return false;
  switch (Action) {
  case TAction::Delete:
    return ::unlink(QFile::encodeName(FileName).constData()) == 0;
  case TAction::Recycle:
    return DeleteToRecycleBin(FileName);
  case TAction::Move:
    return platform::MoveFileSafely(FileName, MakeStoreTarget(Store, FileName));
  case TAction::Copy:
    return platform::CopyFileSafely(FileName, MakeStoreTarget(Store, FileName));
  }
  return false;
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
  for (int i = 0; i < Run.List.Count(); ++i) {
    TUseFileProperty &Item = *Run.List.GetItem(i);
    if (!Item.Viewed.Marked || Item.Processed)
      continue;
    if (Run.Bar.Position() < Run.Bar.Max())
      Run.Bar.SetPosition(Run.Bar.Position() + 1);
    const QString name = Item.FullName();
    // An archive member's name is its path inside the archive, not a file of its own.
    const bool ok = !Item.IsArchiveMember() && ActOnFile(name, Run.Action, Run.StoreFolder);
    if (ok)
      Run.Total += Item.FileItem.Size;
    Run.Log.AddLine(ActionLogLine(name, ok), ok);
    if (ok)
      Item.ProcessPending = true;
    Run.Sink.ProcessActionProgress();
    if (Run.FileWait.count() > 0)
      QThread::msleep(quint64(Run.FileWait.count()));
  }
}
