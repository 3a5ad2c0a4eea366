#pragma once
// Hostile files for the tests, made for real: byte strings of one size and one checksum but other
// bytes, a file swapped for a FIFO or a link, and a guard that fails a test which would hang.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <chrono>
#include <functional>

namespace hostile {

// The checksum's table by its definition (reflected polynomial 0xEDB88320), to hold the fast ways
// against and to forge checksums with.
const std::array<quint32, 256> &CrcTable();
// The register after feeding Data, byte by byte through that table.
quint32 ReferenceCrc(quint32 Crc, const QByteArray &Data);

// Data followed by four bytes chosen so that the stored checksum (CrcCode) of the whole is Target.
QByteArray WithCode(const QByteArray &Data, qint32 Target);

// Count byte strings of Size bytes (at least 4), every one different, all with the same CrcCode.
QList<QByteArray> Colliding(int Count, int Size, quint32 Seed = 1);

// Beside the regular file Plain, in Folder: a FIFO, a link to /dev/zero and a link to Plain, named
// "fifo", "zero" and "link" + Suffix; their paths in this order, or none when one cannot be made.
QStringList NotRegularFiles(const QString &Folder, const QString &Plain, const QString &Suffix = {});

// Replaces the file at Path by a FIFO, or by a symbolic link to Target; false on failure.
bool SwapForFifo(const QString &Path);
bool SwapForLink(const QString &Path, const QString &Target);

// Runs Work on a thread of its own and waits at most Limit for it. When it has not returned by then,
// Unstick is called (it must make Work return: open a FIFO's other end, make the next progress call
// stop) and the answer is false. The limit only guards against a hang; it measures nothing.
bool FinishesWithin(std::chrono::seconds Limit, const std::function<void()> &Work,
                    const std::function<void()> &Unstick);

// Opens and closes the writing end of the FIFO at Path without waiting, which ends a reader's wait.
void OpenFifoWriter(const QString &Path);

} // namespace hostile
