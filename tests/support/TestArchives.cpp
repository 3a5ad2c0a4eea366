#include "tests/support/TestArchives.h"

#include "platform/Names.h"

#include <locale.h>
#include "tests/support/TestEnv.h"

#include <QFile>

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <memory>

namespace testarchive {

void PutLE(QByteArray &out, quint64 value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.append(char((value >> (8 * i)) & 0xFF));
}

namespace {

quint32 Crc32(const QByteArray &b) {
  return quint32(crc32(0L, reinterpret_cast<const Bytef *>(b.constData()), uInt(b.size())));
}

// A RAR 4 block: its CRC (low 16 bits of the CRC-32 of everything after the CRC field) in front.
QByteArray Block(const QByteArray &afterCrc) {
  QByteArray b;
  PutLE(b, quint16(Crc32(afterCrc) & 0xFFFF), 2);
  b.append(afterCrc);
  return b;
}

} // namespace

bool WriteBytes(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

bool WriteZip(const QString &path, const QList<Entry> &entries, const QByteArray &password) {
  std::unique_ptr<archive, decltype(&archive_write_free)> a(archive_write_new(), &archive_write_free);
  if (archive_write_set_format_zip(a.get()) != ARCHIVE_OK)
    return false;
  if (!password.isEmpty() &&
      (archive_write_set_format_option(a.get(), "zip", "encryption", "zipcrypt") != ARCHIVE_OK ||
       archive_write_set_passphrase(a.get(), password.constData()) != ARCHIVE_OK))
    return false;
  if (archive_write_open_filename(a.get(), platform::EncodeName(path).constData()) != ARCHIVE_OK)
    return false;
  for (const Entry &e : entries) {
    std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(),
                                                                        &archive_entry_free);
    const QByteArray name = e.name.toUtf8();
    if (e.rawName.isEmpty())
      archive_entry_set_pathname_utf8(entry.get(), name.constData());
    else
      archive_entry_set_pathname(entry.get(), e.rawName.constData());
    const bool link = !e.linkTarget.isEmpty();
    archive_entry_set_filetype(entry.get(), e.folder ? AE_IFDIR : link ? AE_IFLNK : AE_IFREG);
    archive_entry_set_perm(entry.get(), e.folder ? 0755 : 0644);
    archive_entry_set_size(entry.get(), e.folder || link ? 0 : e.data.size());
    if (link)
      archive_entry_set_symlink_utf8(entry.get(), e.linkTarget.toUtf8().constData());
    archive_entry_set_mtime(entry.get(), 1600000000, 0);
    // The writer marks a name UTF-8 when the locale is; in the C locale raw bytes go as they are.
    const locale_t plain = e.rawName.isEmpty() ? locale_t(nullptr) : newlocale(LC_CTYPE_MASK, "C", locale_t(nullptr));
    const locale_t before = plain ? uselocale(plain) : locale_t(nullptr);
    const bool written = archive_write_header(a.get(), entry.get()) == ARCHIVE_OK;
    if (plain) {
      uselocale(before);
      freelocale(plain);
    }
    if (!written)
      return false;
    if (!e.folder && !link && !e.data.isEmpty() &&
        archive_write_data(a.get(), e.data.constData(), size_t(e.data.size())) != e.data.size())
      return false;
  }
  return archive_write_close(a.get()) == ARCHIVE_OK;
}

QList<Entry> Parts(int count, int size) {
  QList<Entry> entries;
  for (int i = 0; i < count; ++i) {
    QByteArray data(size, char('a' + i % 26));
    data[i % size] = 'x';
    entries.append({QStringLiteral("part%1.bin").arg(i), data});
  }
  return entries;
}

QByteArray SfxStub() {
  QByteArray stub("MZ");
  stub.append(QByteArray("This program unpacks the archive that follows it.\r\n"));
  stub.append(QByteArray(4096 - stub.size(), '\0'));
  return stub;
}

bool WriteSelfExtractingZip(const QString &path, const QList<Entry> &entries) {
  const QString inner = path + QStringLiteral(".part");
  if (!WriteZip(inner, entries))
    return false;
  const QByteArray zip = testenv::ReadFile(inner);
  QFile::remove(inner);
  return WriteBytes(path, SfxStub() + zip);
}

QByteArray RarStored(const QList<Entry> &entries) {
  QByteArray out("Rar!\x1A\x07\x00", 7);
  // Main header: type 0x73, no flags, 13 bytes, reserved fields zero.
  out.append(Block(QByteArray("\x73\0\0\x0D\0\0\0\0\0\0\0", 11)));
  for (const Entry &e : entries) {
    QByteArray name = e.name.toLocal8Bit();
    name.replace('/', '\\');
    const QByteArray data = e.folder ? QByteArray() : e.data;
    QByteArray h;
    h.append(char(0x74));
    // Long block (the packed data follows); folders carry the dictionary bits 111.
    PutLE(h, quint16(0x8000 | (e.folder ? 0x00E0 : 0)), 2);
    PutLE(h, quint16(32 + name.size()), 2);
    PutLE(h, quint32(data.size()), 4);                                      // packed size
    PutLE(h, quint32(e.claimedSize >= 0 ? e.claimedSize : data.size()), 4); // unpacked size
    h.append(char(2));                                                      // host: Windows
    PutLE(h, Crc32(data), 4);
    PutLE(h, (quint32(2020 - 1980) << 25) | (1u << 21) | (1u << 16), 4); // 2020-01-01 00:00 (DOS time)
    h.append(char(29));                                                  // version needed: 2.9
    h.append(char(0x30));                                                // method: stored
    PutLE(h, quint16(name.size()), 2);
    PutLE(h, e.folder ? 0x10 : 0x20, 4); // attributes: folder or archive bit
    h.append(name);
    out.append(Block(h));
    out.append(data);
  }
  out.append(Block(QByteArray("\x7B\0\x40\x07\0", 5))); // end of archive
  return out;
}

bool WriteRar(const QString &path, const QList<Entry> &entries) {
  return WriteBytes(path, RarStored(entries));
}

bool WriteByName(const QString &path, const QList<Entry> &entries, const QByteArray &password) {
  if (path.endsWith(QStringLiteral(".rar")))
    return WriteRar(path, entries);
  if (path.endsWith(QStringLiteral(".exe")))
    return WriteSelfExtractingZip(path, entries);
  return WriteZip(path, entries, password);
}

} // namespace testarchive
