#pragma once
// Reading what the chosen search methods need of each file: the checksum, the music tags, the picture
// grid, and always the times and flags. One TReadPass carries the progress of a whole read pass.

#include "engine/Progress.h"
#include "engine/UsePropertyFile.h"

#include <stdexcept>

// A file that could not be opened or read.
class EReadFailed : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Progress state of one read pass over the file list.
class TReadPass {
public:
  TReadPass(const TWhatFind &WhatFind, IProgressSink *Sink, IProgressBar *Bar)
      : WhatFind(WhatFind), Sink(Sink), Bar(Bar) {}

  // The methods chosen for this search.
  TWhatFind WhatFind;
  IProgressSink *Sink;
  // May be null.
  IProgressBar *Bar;
  double BytesRead = 0;
  double BytesTotal = 0;
  int ReadCallCount = 0;

  // Begins a pass over files of TotalBytes: counters to 0, bar from 0 to 100 (to 0 without items).
  void Start(qint64 TotalBytes, bool HasItems);
  // Counts Bytes; every tenth call, and every forced one, moves the bar (never to 99 or more) and reports
  // " (Index)".
  void UpdateReadProgress(qint64 Bytes, bool Forced, int Index);
};

// What one read of a file found: the checksum register, the hash of the same bytes and their count.
struct TContentCode {
  quint32 Crc = 0;
  TContentHash Hash;
  qint64 Bytes = 0;
};

// Takes the amounts a read counts towards the progress of its pass: every block of the checksum, or
// the whole size when only the tags were read. May throw to end the read.
class IReadCounter {
public:
  virtual ~IReadCounter() = default;
  virtual void Count(qint64 Bytes) = 0;
};

// The checksum and hash of the rest of an open file, read in blocks of the shared read buffer; every
// block is counted in Pass. Throws EReadFailed when a read fails.
TContentCode ComputeFileCode(platform::TInputFile &File, TReadPass &Pass, int Index);
// The same with a buffer of ReadBufferSize bytes and a hasher of the caller's own.
TContentCode ComputeFileCode(platform::TInputFile &File, char *Buffer, TContentHasher &Hasher,
                             IReadCounter &Counter);

// Reads of Item what the methods What need, then its times and flags, without any progress call: the
// work of ReadProperties that a read-ahead worker does into an item of its own. Gathered: the file must
// still be the one gathering saw. Throws on any failure; the item may then be half read.
void ReadFileParts(TUseFileProperty &Item, const QString &Path, bool Gathered, const TWhatFind &What,
                   char *Buffer, TContentHasher &Hasher, IReadCounter &Counter);
// What a failed read leaves: no checksum, unreadable.
void MarkReadFailed(TUseFileProperty &Item);

// Fills Props from the file system; false and Props unchanged when the file is not found.
bool GetFileProps(const QString &Path, TFileProps &Props);
