#pragma once
// Every test process gets its own home, settings, data folder (trash) and temporary folder.

#include "platform/FileAt.h"

#include <QByteArray>
#include <QList>
#include <QDateTime>
#include <QString>
#include <QTemporaryDir>

namespace testenv {

// Points HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME and TMPDIR at fresh folders of one
// temporary root. Must run before the first QSettings or QStandardPaths use.
void IsolateUserFolders();

// The root made by IsolateUserFolders (empty before).
QString IsolatedRoot();

// Removes every value of the program's settings store.
void ClearSettings();

// The source tree, for shipped files such as Language/English.wzl.
QString SourceDir();

// The whole contents of a file, or "<missing>" (never passing for an empty file).
QByteArray ReadFile(const QString &path);

// Names that are not UTF-8: a Latin-1 letter, bytes that never begin UTF-8, a lone continuation byte,
// a cut multi-byte sequence and an overlong form.
QList<QByteArray> OddNames();
// A file or folder made under its exact bytes (folders on the way too); false when it fails.
bool WriteRaw(const QByteArray &path, const QByteArray &contents);
bool MakeRawFolder(const QByteArray &path);
// The whole contents of the file at these bytes, or "<missing>".
QByteArray ReadRaw(const QByteArray &path);

// What a search sees of the entry at these bytes now (not what a link there leads to); unknown when
// there is none.
platform::TFileIdentity IdentityNow(const QByteArray &path);

} // namespace testenv

// A temporary folder that creates files with given contents, sizes and times.
class TestDir {
public:
  TestDir();
  // Removes also what Qt's own removal cannot name (names that are not UTF-8).
  ~TestDir();
  bool isValid() const { return m_dir.isValid(); }
  // The folder, without a trailing slash.
  QString path() const { return m_dir.path(); }
  // Absolute path of a relative name inside the folder.
  QString filePath(const QString &relative) const;
  // Creates a file (and its folders) with the given contents; returns its absolute path.
  QString createFile(const QString &relative, const QByteArray &contents);
  // Creates a file of the given size filled with a byte pattern seeded by seed.
  QString createFileOfSize(const QString &relative, qint64 size, quint32 seed = 1);
  QString createFolder(const QString &relative);
  // Sets the last-write and last-access times of an existing file.
  static bool setTimes(const QString &absolute, const QDateTime &modified, const QDateTime &accessed);

private:
  QTemporaryDir m_dir;
};
