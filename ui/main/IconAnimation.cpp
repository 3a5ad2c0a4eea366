#include "ui/main/IconAnimation.h"

#include <QCoreApplication>
#include <QEvent>
#include <chrono>
#include <set>

namespace {
std::mutex g_liveMutex;
std::set<TIconAnimation *> g_live;
} // namespace

TIconAnimation::TIconAnimation(const QList<QIcon> &Frames, std::vector<TIconTarget> Targets)
    : m_frames(Frames), m_targets(std::move(Targets)) {
  {
    std::lock_guard lock(g_liveMutex);
    g_live.insert(this);
  }
  m_thread = QThread::create([this] { Execute(); });
  // The object deletes itself once its thread has ended after a terminate request.
  connect(m_thread, &QThread::finished, this, &QObject::deleteLater);
  m_thread->start();
}

TIconAnimation::~TIconAnimation() {
  Join();
  delete m_thread;
  std::lock_guard lock(g_liveMutex);
  g_live.erase(this);
}

void TIconAnimation::SetPriority(QThread::Priority Priority) {
  if (m_thread->isRunning())
    m_thread->setPriority(Priority);
}

void TIconAnimation::Resume() {
  {
    std::lock_guard lock(m_mutex);
    if (m_suspendCount > 0)
      --m_suspendCount;
  }
  m_wake.notify_all();
}

void TIconAnimation::Suspend() {
  std::lock_guard lock(m_mutex);
  ++m_suspendCount;
}

bool TIconAnimation::Suspended() const {
  std::lock_guard lock(m_mutex);
  return m_suspendCount > 0;
}

void TIconAnimation::Terminate() {
  {
    std::lock_guard lock(m_mutex);
    m_terminated = true;
  }
  m_wake.notify_all();
}

void TIconAnimation::Execute() {
  std::unique_lock lock(m_mutex);
  while (true) {
    m_wake.wait(lock, [this] { return m_suspendCount == 0 || m_terminated; });
    if (m_terminated)
      return;
    lock.unlock();
    QMetaObject::invokeMethod(this, &TIconAnimation::Step, Qt::BlockingQueuedConnection);
    lock.lock();
    m_wake.wait_for(lock, std::chrono::milliseconds(StepIntervalMs), [this] { return m_terminated.load(); });
    if (m_terminated)
      return;
  }
}

void TIconAnimation::Step() {
  // The main thread may have restored the final icon after the terminate request while this step
  // was still queued; a late step must not overwrite it.
  if (!m_frames.isEmpty()) {
    for (const auto &target : m_targets)
      if (!m_terminated)
        target(m_frames.at(m_frameIndex));
  }
  if (m_frameIndex >= m_frames.size() - 1)
    m_frameIndex = 0;
  else
    ++m_frameIndex;
}

void TIconAnimation::Join() {
  Terminate();
  // The worker may be waiting for a step on this thread: run only our own queued steps meanwhile.
  while (!m_thread->wait(5))
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void TIconAnimation::JoinAll() {
  std::set<TIconAnimation *> live;
  {
    std::lock_guard lock(g_liveMutex);
    live = g_live;
  }
  for (TIconAnimation *animation : live)
    delete animation;
}
