#pragma once
// The restore: walking a store folder, the place a stored file came from, moving it back there and the
// loop over the files the user checked, with one log line per file. Restoring never loses a copy: a
// file at the place is replaced only in one atomic step, and the stored file goes only after its copy
// stands in place.

#include "platform/FileAt.h"
#include "platform/FileTransfer.h"
#include "platform/Folders.h"

#include <QList>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <functional>

class IActionLog;
class IProgressBar;
class IProgressSink;

// One entry of a store as the walk finds it. Entries are numbered from 0 in the order of the walk;
// Parent is the number of the folder it lies in, -1 at the store's top level.
struct TStoreEntry {
  qint64 Index = 0;
  qint64 Parent = -1;
  bool IsFile = false;
  QString StorePath;
  qint64 Size = 0;
  // Device and inode of the store and of each folder below it down to the one that holds the entry,
  // as the walk opened them: the restore goes only through these same folders.
  QList<TFileId> Folders;
  // A file's own device and inode as the walk saw them.
  TFileId Id;
};

// Walks Store: inside every folder first its subfolders (each followed by its whole subtree), then its
// files, in the order the file system lists them. Only regular files and real folders are visited;
// links, devices, pipes and sockets are neither listed nor followed, nor are names that are not text.
// Stop, when given, is tested after each entry: once set, every open folder level ends its pass.
void WalkStore(const QString &Store, const std::function<void(const TStoreEntry &)> &Visit,
               const std::atomic<bool> *Stop = nullptr);

// Where the entry at StorePath (below Store) came from: S/x/y/name came from /x/y/name; a folder's
// place ends in "/". Empty when StorePath does not lie below Store.
QString RestoreOriginalPath(const QString &Store, const QString &StorePath, bool IsFile);

// What the restore list shows about a place: for a file, whether something already stands at it
// (TakenPlace); for a folder, whether no folder exists there any more (FolderGone).
enum class TRestoreState : quint8 { None = 0, FolderGone = 1, TakenPlace = 2 };
TRestoreState RestoreState(const QString &OriginalPath, bool IsFile);

// The options of a restore run.
struct TRestoreOptions {
  bool CreateFolders = true;
  bool ReplaceExisting = true;
};

// The place of one file: its folder, opened from "/" without following a link at any level, and its
// name there. Not open to skip the file: the place is taken and may not be replaced, or is taken by
// something other than a regular file, or its folder is missing and may not or could not be made, or
// a level on the way is a link (ThroughLink). Missing levels are made one by one inside the level
// above (only when Options allow it), never through a link. Nothing is deleted here.
struct TRestoreTarget {
  platform::TFolderFd Folder;
  QByteArray Name;
  bool ThroughLink = false;
};
TRestoreTarget RestoreTargetName(const QString &OriginalPath, const TRestoreOptions &Options);

// One checked file of the restore list.
struct TRestoreItem {
  QString StorePath;
  QString OriginalPath;
  qint64 Size = 0;
  // The folders the walk went through to it (TStoreEntry::Folders).
  QList<TFileId> Folders;
  // The stored file as the walk saw it (TStoreEntry::Id); zero when not known.
  TFileId Id;
};

// How moving one stored file back ended.
enum class TMoveBack { Done, Failed, StoreChanged, ThroughLink };

// Moves the stored regular file Item.StorePath to Target, inside Target's opened folder. The store's
// folder (the one Item.Folders begins with) and each folder below it are opened without following a
// link and must still be the folders the walk saw, and the stored file the one it saw, else
// StoreChanged and nothing moves. With Replace a regular file at the place is replaced in one step
// (an exchange, the old file removed once the move is done); across file systems a complete copy under
// a fresh name in the place's folder (flushed, with the stored file's permissions and times) takes its
// place, and the stored file is removed only then. On any failure both the file at the place and the
// stored file stay as they were. Failed for a Target that is not open or a stored entry that is no
// regular file. Tick is called between the blocks of a copy; false abandons it. Loss, when given,
// receives what a copy could not keep of the file's attributes.
TMoveBack MoveBack(const TRestoreItem &Item, const TRestoreTarget &Target, bool Replace,
                   const platform::TCopyTick &Tick = {}, platform::TAttributeLoss *Loss = nullptr);

// The state of one restore run.
struct TRestoreRun {
  QList<TRestoreItem> Items;
  TRestoreOptions Options;
  IProgressSink &Sink;
  IProgressBar &Bar;
  IActionLog &Log;
  // Bytes of the files moved back.
  qint64 Total = 0;
  // Files moved back.
  qint64 Restored = 0;
  // The wait after each file.
  std::chrono::milliseconds FileWait{50};
};

// Sets the bar for a run over Count files: range 0 to Count, position 1.
void PrepareRestoreBar(IProgressBar &Bar, int Count);

// Moves every item back in order, writing each file's line (its place + " - ok" or " - error") to the
// log and calling the sink's ProcessActionProgress after it (and between the blocks of a copy), which
// may end the loop by EMyStop; a copy it abandons is logged as such (text 20145).
// Zeroes and fills Run.Total and Run.Restored; the log is closed however the loop ends.
void RestoreLoop(TRestoreRun &Run);
