#pragma once
// One file action over the marked files of a search: delete them, send them to the trash, move them
// into the store folder or copy them there, with one log line per file. A file whose action succeeded
// becomes Processed (and no longer marked) when the loop ends, also when it ends by Stop.

#include "platform/FileAt.h"
#include "platform/FileTransfer.h"

#include <QString>
#include <QtGlobal>

#include <chrono>
#include <exception>

class IActionLog;
class IProgressBar;
class IProgressSink;
class TOpenStore;
class TUseFileList;

// The four actions, as the action page offers them.
enum class TAction { Delete, Recycle, Move, Copy };

// How the action on one file ended.
enum class TActOutcome {
  Done,
  // The action was tried and failed.
  Failed,
  // The name no longer holds the file the search saw (or its identity was never known): left alone.
  Changed,
  // A group of the file had unmarked copies at the start of the run and none of them is left as it
  // was: the file, perhaps the last copy, is left alone.
  NoCopyLeft
};

// Performs Action on the file FileName; Store is the store folder of Move and Copy. The file's folder
// is opened from "/" down without following a link, and the file is held open and acted on inside
// that folder only while it is the regular file Identity describes (device, inode, size and times);
// otherwise Changed and nothing is done. What removes or moves the name takes the file out of it
// first and checks it where it went; anything else that went goes back. A name that is not a clean
// absolute path is refused. Throws EStoreFolder when the mirrored folder for a Move or Copy cannot be
// made. Tick is called between the blocks of a copy; false abandons it. Loss, when given, receives
// what a Move or Copy could not keep of the file's attributes.
TActOutcome ActOnFile(const QString &FileName, const platform::TFileIdentity &Identity, TAction Action,
                      const TOpenStore &Store, const platform::TCopyTick &Tick = {},
                      platform::TAttributeLoss *Loss = nullptr);
TActOutcome ActOnFile(const QString &FileName, const platform::TFileIdentity &Identity, TAction Action,
                      const QString &Store, const platform::TCopyTick &Tick = {},
                      platform::TAttributeLoss *Loss = nullptr);

// Hands the sink's progress call to a copy between its blocks, so a large file keeps the window
// answering: Pause waits there, and a Stop or Halt abandons the copy and is kept to be thrown again
// once the copy has cleaned up after itself.
class TCopyProgress {
public:
  explicit TCopyProgress(IProgressSink &Sink);
  TCopyProgress(const TCopyProgress &) = delete;
  TCopyProgress &operator=(const TCopyProgress &) = delete;
  const platform::TCopyTick &Tick() const { return m_tick; }
  bool Stopped() const { return bool(m_stopped); }
  // Throws what ended the copy, if anything did.
  void Rethrow() const;

private:
  std::exception_ptr m_stopped;
  platform::TCopyTick m_tick;
};

// Sends one file to the trash (with Expected, only the file it describes); never deletes it instead.
bool DeleteToRecycleBin(const QString &FileName, const platform::TFileIdentity *Expected = nullptr);

// Marked files still to act on (a processed file no longer counts).
int CountMarked(const TUseFileList &List);

// Whether the action removes the files from their place (all but Copy).
bool RemovesFiles(TAction Action);

// Groups (of any method) that a run removing the marked files would leave without a copy: each has a
// marked file, and every other file of it still on the list is marked too (an archive member, which
// cannot be marked, is a copy; so is a copied file while it is still there unchanged).
int GroupsLosingEveryCopy(const TUseFileList &List);

// The log line of a file left alone for Reason: its name, the reason in brackets, " - error".
QString ActionErrorLine(const QString &FullName, const QString &Reason);

// The bracketed note of a file whose copy could not keep all of its attributes ("" when it kept them).
QString AttributeLossNote(const platform::TAttributeLoss &Loss);

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
// calling the sink's ProcessActionProgress after it. A run that removes files never removes the last
// copy: see TActOutcome::NoCopyLeft; an unmarked archive member counts as a copy while its archive is
// still there unchanged. Zeroes and fills Run.Total. Whatever ends the loop
// (EMyStop, EMyHalt, EStoreFolder), the items done so far are committed as Processed before it passes on.
void ActionLoop(TActionRun &Run);
