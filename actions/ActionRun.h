#pragma once
// One file action over the marked files of a search: delete them, send them to the trash, move them
// into the store folder or copy them there, with one log line per file. A file whose action succeeded
// becomes Processed (and no longer marked) when the loop ends, also when it ends by Stop.

#include <QString>
#include <QtGlobal>

#include <chrono>

class IActionLog;
class IProgressBar;
class IProgressSink;
class TUseFileList;

// The four actions, as the action page offers them.
enum class TAction { Delete, Recycle, Move, Copy };

// Performs Action on the file FileName; Store is the store folder of Move and Copy. True only when the
// action succeeded. A name that is not a clean absolute path, or that no longer names a regular file,
// is refused. Throws EStoreFolder when the mirrored folder for a Move or Copy cannot be made.
bool ActOnFile(const QString &FileName, TAction Action, const QString &Store);

// Sends one file to the trash; never deletes it instead.
bool DeleteToRecycleBin(const QString &FileName);

// Marked files still to act on (a processed file no longer counts).
int CountMarked(const TUseFileList &List);

// The state of one run.
struct TActionRun {
  TUseFileList &List;
  TAction Action;
  QString StoreFolder;
  IProgressSink &Sink;
  IProgressBar &Bar;
  IActionLog &Log;
  // Bytes of the files whose action succeeded.
  qint64 Total = 0;
  // The wait after each file.
  std::chrono::milliseconds FileWait{50};
};

// Sets the bar for a run over Marked files: range 0 to Marked - 1, position 1.
void PrepareActionBar(IProgressBar &Bar, int Marked);

// Acts on every marked, unprocessed item in list order, writing each file's line to the log and
// calling the sink's ProcessActionProgress after it. Zeroes and fills Run.Total. Whatever ends the loop
// (EMyStop, EMyHalt, EStoreFolder), the items done so far are committed as Processed before it passes on.
void ActionLoop(TActionRun &Run);
