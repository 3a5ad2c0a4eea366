#include "engine/WorkerSteps.h"

#include <QMetaObject>
#include <QObject>

#include <chrono>
#include <condition_variable>
#include <mutex>

struct TWorkerSteps::TShared {
  mutable std::mutex Mutex;
  std::condition_variable Wake;
  bool Stopped = false;
};

TWorkerSteps::TWorkerSteps(QObject *Context) : m_shared(std::make_shared<TShared>()), m_context(Context) {}

TWorkerSteps::~TWorkerSteps() {
  Stop();
}

void TWorkerSteps::Stop() {
  {
    std::lock_guard lock(m_shared->Mutex);
    m_shared->Stopped = true;
  }
  m_shared->Wake.notify_all();
}

bool TWorkerSteps::Stopped() const {
  std::lock_guard lock(m_shared->Mutex);
  return m_shared->Stopped;
}

bool TWorkerSteps::Run(std::function<void()> Step) {
  if (Stopped())
    return false;
  auto done = std::make_shared<bool>(false);
  QMetaObject::invokeMethod(
      m_context,
      [shared = m_shared, done, Step = std::move(Step)] {
        bool stopped;
        {
          std::lock_guard lock(shared->Mutex);
          stopped = shared->Stopped;
        }
        // Only the main thread stops a worker, and this runs on the main thread: the flag cannot
        // change while Step runs.
        if (!stopped)
          Step();
        {
          std::lock_guard lock(shared->Mutex);
          *done = true;
        }
        shared->Wake.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(m_shared->Mutex);
  m_shared->Wake.wait(lock, [&] { return *done || m_shared->Stopped; });
  return !m_shared->Stopped;
}

bool TWorkerSteps::Sleep(int Ms) {
  std::unique_lock lock(m_shared->Mutex);
  m_shared->Wake.wait_for(lock, std::chrono::milliseconds(Ms), [&] { return m_shared->Stopped; });
  return !m_shared->Stopped;
}
