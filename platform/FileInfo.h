#pragma once
// File times and attribute flags as the program shows and filters them, read from the file system, and
// the one way the program opens a file to read it: never through a link, never waiting on a FIFO or a
// device, only a regular file.
// Times are local time in days since 30 December 1899 (the fraction is the time of day).

#include "platform/FileAt.h"
#include "platform/Folders.h"

#include <QString>
#include <QtGlobal>

// Times and attribute flags of one file.
struct TFileProps {
  double Created = 0;
  double Modified = 0;
  double Accessed = 0;
  bool ReadOnly = false;
  bool Hidden = false;
  bool SystemFile = false;
  bool ArchiveFlag = false;

  bool operator==(const TFileProps &) const = default;
};

namespace platform {

// Fills Props from the file at Path (symbolic links are followed). Returns false and leaves Props
// unchanged when the file cannot be found.
// Read-only: the owner may not write. Hidden: the name begins with ".". System and archive are never
// set here. Created is the birth time where the file system records it, else the status-change time.
bool ReadFileProps(const QString &Path, TFileProps &Props);

// How opening a file for reading ended.
struct TOpenedFile {
  // The descriptor (close-on-exec, blocking reads), or -1.
  int Fd = -1;
  // Why Fd is -1: the error number of the system call that failed, or 0 when Refused.
  int Error = 0;
  // The path named something that is not read: a link, a FIFO, a device, a folder, a socket, or a
  // file other than the one expected.
  bool Refused = false;
};

// Opens Path for reading without following a link at its end and without waiting for a writer or a
// device, and keeps it only when it is a regular file (and, when Expected is given, the file with
// that device and inode). Every file the program reads by path is opened here.
TOpenedFile OpenRegularFile(const QString &Path, const TFileId *Expected = nullptr);

// A file read from its start to its end without buffering, opened by OpenRegularFile; closed when
// destroyed.
class TInputFile {
public:
  explicit TInputFile(const QString &Path, const TFileId *Expected = nullptr);
  ~TInputFile();
  TInputFile(const TInputFile &) = delete;
  TInputFile &operator=(const TInputFile &) = delete;

  bool IsOpen() const { return m_fd >= 0; }
  // The path named something other than a regular file (or another file than expected).
  bool Refused() const { return m_refused; }
  // The error number when opening failed otherwise.
  int Error() const { return m_error; }
  // Why the file is not open, as a sentence fragment ("No such file or directory").
  QString ErrorText() const;
  // The descriptor, still owned by this object.
  int Descriptor() const { return m_fd; }
  // Hands the descriptor to the caller, who closes it.
  int Release();
  // The size the open file has now; -1 when it cannot be told.
  qint64 Size() const;
  // Fills Buffer with up to Size bytes, fewer only at the end of the file; -1 when nothing could be read
  // because of an error.
  qint64 Read(char *Buffer, qint64 Size);
  // Device, inode, size and modification time of the open file; false when they cannot be told.
  bool Identity(TFileIdentity &Identity) const;
  // As ReadFileProps for the path, but of the open file: after reading, without a second path lookup.
  bool ReadProps(TFileProps &Props) const;

private:
  QString m_path;
  int m_fd = -1;
  int m_error = 0;
  bool m_refused = false;
  bool m_atEnd = false;
};

// Seconds and nanoseconds since the Unix epoch as local time in days since 30 December 1899, with
// millisecond precision.
double UnixTimeToDays(qint64 Seconds, qint64 Nanoseconds);

// The reverse, for tests and filters: local days since 30 December 1899 to milliseconds since the epoch.
qint64 DaysToUnixMsecs(double Days);

} // namespace platform
