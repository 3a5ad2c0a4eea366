#pragma once
// Hostile files made for real: bytes of one size and checksum, files swapped for a FIFO or a link, and a
// guard that fails a test which would hang.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <chrono>
#include <functional>

namespace hostile {

// The checksum's table by its definition (reflected polynomial 0xEDB88320), and the register after feeding
// Data byte by byte through it: to hold the fast ways against and to forge checksums with.
const std::array<quint32, 256> &CrcTable();
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

// Runs Work on a thread of its own and waits at most Limit (a hang guard, no measure) for it. If it has not
// returned by then, Unstick is called until it does (it must make Work return) and the answer is false.
bool FinishesWithin(std::chrono::seconds Limit, const std::function<void()> &Work,
                    const std::function<void()> &Unstick);

// Opens and closes the writing end of the FIFO at Path without waiting, which ends a reader's wait.
void OpenFifoWriter(const QString &Path);

bool MakeFifo(const QString &Path);
// FinishesWithin a minute, a hang taken to be a wait on Fifo.
bool FinishesWithoutWaitingOn(const QString &Fifo, const std::function<void()> &Work);

} // namespace hostile
