#pragma once
// Archives made at run time: ZIP through libarchive (optionally encrypted), self-extracting ZIP (a program
// stub in front), and stored RAR 4 from a small writer of our own.

#include <QByteArray>
#include <QList>
#include <QString>

namespace testarchive {

struct Entry {
  // Path inside the archive, "/" between folders (written as "\" into RAR).
  QString name;
  QByteArray data;
  bool folder = false;
  // ZIP: a symbolic link to this target instead of a file.
  QString linkTarget = {};
  // RAR: the unpacked size the header claims, when not the true one.
  qint64 claimedSize = -1;
  // ZIP: the name's bytes as they stand, without the UTF-8 flag (an archive from an older system),
  // in place of name.
  QByteArray rawName = {};
};

// Writes a ZIP archive (deflate), every entry encrypted (traditional PKWARE) when a password is given.
bool WriteZip(const QString &path, const QList<Entry> &entries, const QByteArray &password = {});

// Count entries "part0.bin", "part1.bin" ... of Size bytes each, every one different.
QList<Entry> Parts(int count, int size);

// A small stand-in for a program that unpacks what follows it, and that stub + a ZIP archive.
QByteArray SfxStub();
bool WriteSelfExtractingZip(const QString &path, const QList<Entry> &entries);

// The bytes of a stored (uncompressed) RAR 4 archive with the entries in order.
QByteArray RarStored(const QList<Entry> &entries);
bool WriteRar(const QString &path, const QList<Entry> &entries);

// Writes a RAR archive for a name ending in ".rar", a self-extracting ZIP for ".exe", else a ZIP.
bool WriteByName(const QString &path, const QList<Entry> &entries, const QByteArray &password = {});

bool WriteBytes(const QString &path, const QByteArray &bytes);
// Appends the low Bytes bytes of Value, least significant first.
void PutLE(QByteArray &out, quint64 value, int bytes);

} // namespace testarchive
