#include "tests/support/HangGuard.h"
#include "tests/support/HostileFiles.h"

#include <QFile>

#include <sys/stat.h>

bool FinishesWithoutWaitingOn(const QString &Fifo, const std::function<void()> &Work) {
  return hostile::FinishesWithin(std::chrono::seconds(60), Work, [&] { hostile::OpenFifoWriter(Fifo); });
}

bool MakeFifo(const QString &Path) {
  return ::mkfifo(QFile::encodeName(Path).constData(), 0600) == 0;
}
