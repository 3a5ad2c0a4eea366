#include "tests/support/HostileFiles.h"

#include "engine/CRC.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace hostile {

const std::array<quint32, 256> &CrcTable() {
  static const auto table = [] {
    std::array<quint32, 256> t{};
    for (quint32 n = 0; n < 256; ++n) {
      quint32 c = n;
      for (int k = 0; k < 8; ++k)
        c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

quint32 ReferenceCrc(quint32 Crc, const QByteArray &Data) {
  for (char ch : Data)
    Crc = CrcTable()[(Crc ^ quint8(ch)) & 0xFF] ^ (Crc >> 8);
  return Crc;
}

QByteArray WithCode(const QByteArray &Data, qint32 Target) {
  // Each step of the register ends with a table entry whose top byte (unique among the 256) shows which
  // entry it was, so the last four entries can be read backwards off the target; then the bytes that
  // select them.
  quint8 k[4];
  quint32 x = quint32(Target);
  for (int i = 3; i >= 0; --i) {
    k[i] = quint8(
        std::find_if(CrcTable().begin(), CrcTable().end(), [&](quint32 e) { return e >> 24 == x >> 24; }) -
        CrcTable().begin());
    x = (x ^ CrcTable()[k[i]]) << 8;
  }
  quint32 r = UpdateCrc32(CrcStart, Data.constData(), Data.size());
  QByteArray out = Data;
  for (quint8 index : k) {
    out.append(char(index ^ (r & 0xFF)));
    r = CrcTable()[index] ^ (r >> 8);
  }
  return out;
}

QList<QByteArray> Colliding(int Count, int Size, quint32 Seed) {
  QRandomGenerator gen(Seed);
  const qint32 target = qint32(gen.generate());
  QList<QByteArray> out;
  while (out.size() < Count) {
    QByteArray head(Size - 4, Qt::Uninitialized);
    for (char &c : head)
      c = char(gen.bounded(256));
    const QByteArray whole = WithCode(head, target);
    if (!out.contains(whole))
      out << whole;
  }
  return out;
}

QStringList NotRegularFiles(const QString &Folder, const QString &Plain, const QString &Suffix) {
  const QString fifo = Folder + "/fifo" + Suffix, zero = Folder + "/zero" + Suffix,
                link = Folder + "/link" + Suffix;
  if (!MakeFifo(fifo) || !QFile::link("/dev/zero", zero) || !QFile::link(Plain, link))
    return {};
  return {fifo, zero, link};
}

bool MakeFifo(const QString &Path) {
  return ::mkfifo(QFile::encodeName(Path).constData(), 0600) == 0;
}

bool SwapForFifo(const QString &Path) {
  return QFile::remove(Path) && MakeFifo(Path);
}

bool SwapForLink(const QString &Path, const QString &Target) {
  return QFile::remove(Path) && QFile::link(Target, Path);
}

void OpenFifoWriter(const QString &Path) {
  const int fd = ::open(QFile::encodeName(Path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0)
    ::close(fd);
}

bool FinishesWithin(std::chrono::seconds Limit, const std::function<void()> &Work,
                    const std::function<void()> &Unstick) {
  std::packaged_task<void()> task(Work);
  std::future<void> done = task.get_future();
  std::thread worker(std::move(task));
  const bool inTime = done.wait_for(Limit) == std::future_status::ready;
  // Asked again until it returns: a reader may reach the FIFO only after the first try.
  while (!inTime && done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
    Unstick();
  worker.join();
  done.get();
  return inTime;
}

bool FinishesWithoutWaitingOn(const QString &Fifo, const std::function<void()> &Work) {
  return FinishesWithin(std::chrono::seconds(60), Work, [&] { OpenFifoWriter(Fifo); });
}

} // namespace hostile
