#pragma once
// Writing a whole file safely: written aside under a temporary name in the same folder, flushed, and
// renamed over the target only when everything was written, so a failed save leaves an earlier file
// whole. The names go through the mapping (platform/Names.h), which Qt's QSaveFile would not take.

#include <QByteArray>
#include <QString>

namespace platform {

class TSaveFile {
public:
  explicit TSaveFile(const QString &FileName);
  // Removes the temporary file when Commit was not reached.
  ~TSaveFile();
  TSaveFile(const TSaveFile &) = delete;
  TSaveFile &operator=(const TSaveFile &) = delete;

  bool Open();
  bool Write(const QByteArray &Data);
  // Flushes the file and puts it in the target's place; false when anything failed on the way.
  bool Commit();
  // Why the last step failed, as a sentence fragment.
  QString ErrorString() const { return m_error; }

private:
  bool Fail(int Error);

  QByteArray m_target;
  QByteArray m_temp;
  int m_fd = -1;
  bool m_failed = false;
  QString m_error;
};

} // namespace platform
