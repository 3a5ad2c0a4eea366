#include "tests/support/HangGuard.h"

#include <QFile>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

bool FinishesWithoutWaitingOn(const QString &Fifo, const std::function<void()> &Work) {
  std::packaged_task<void()> task(Work);
  std::future<void> done = task.get_future();
  std::thread worker(std::move(task));
  bool finished = done.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
  if (!finished) {
    const QByteArray name = QFile::encodeName(Fifo);
    while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
      const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0)
        ::close(fd);
    }
  }
  worker.join();
  done.get();
  return finished;
}

bool MakeFifo(const QString &Path) {
  return ::mkfifo(QFile::encodeName(Path).constData(), 0600) == 0;
}
