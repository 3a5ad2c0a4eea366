#pragma once
// File times and attribute flags as the program shows and filters them, read from the file system, and
// the plain sequential file reading the checksums use.
// Times are local time in days since 30 December 1899 (the fraction is the time of day).

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

// A file read from its start to its end without buffering; closed when destroyed.
class TInputFile {
public:
  explicit TInputFile(const QString &Path);
  ~TInputFile();
  TInputFile(const TInputFile &) = delete;
  TInputFile &operator=(const TInputFile &) = delete;

  bool IsOpen() const { return m_fd >= 0; }
  // Fills Buffer with up to Size bytes, fewer only at the end of the file; -1 when nothing could be read
  // because of an error.
  qint64 Read(char *Buffer, qint64 Size);
  // As ReadFileProps for the path, but of the open file: after reading, without a second path lookup.
  bool ReadProps(TFileProps &Props) const;

private:
  QString m_path;
  int m_fd = -1;
  bool m_atEnd = false;
};

// Seconds and nanoseconds since the Unix epoch as local time in days since 30 December 1899, with
// millisecond precision.
double UnixTimeToDays(qint64 Seconds, qint64 Nanoseconds);

// The reverse, for tests and filters: local days since 30 December 1899 to milliseconds since the epoch.
qint64 DaysToUnixMsecs(double Days);

} // namespace platform
