#pragma once
// Animates the program's icons while a search runs: a worker thread asks the main thread every
// 100 ms to show the next frame. The worker only sleeps and asks; the icons are touched only on the
// main thread, in Step.
//
// Made suspended; Resume lets it run. Suspensions nest: every Suspend needs its own Resume. Callers
// stop it with Terminate and never delete it: it deletes itself once its thread has ended, and
// JoinAll ends and joins every animation still alive at shutdown.

#include <QIcon>
#include <QList>
#include <QObject>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

class TIconAnimation : public QObject {
  Q_OBJECT
public:
  // One icon to animate: receives each frame to show.
  using TIconTarget = std::function<void(const QIcon &)>;

  TIconAnimation(const QList<QIcon> &Frames, std::vector<TIconTarget> Targets);
  ~TIconAnimation() override;

  void SetPriority(QThread::Priority Priority);
  void Resume();
  void Suspend();
  bool Suspended() const;
  // Asks the thread to end; it ends within one sleep and then deletes the object.
  void Terminate();
  bool Terminated() const { return m_terminated; }

  // One step, on the main thread: the current frame into every target (unless terminated), then
  // the next frame index.
  void Step();
  int FrameIndex() const { return m_frameIndex; }

  // Ends and joins every animation still alive; for shutdown.
  static void JoinAll();

  static constexpr int StepIntervalMs = 100;

private:
  void Execute();
  void Join();

  QList<QIcon> m_frames;
  std::vector<TIconTarget> m_targets;
  int m_frameIndex = 0;

  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  int m_suspendCount = 1; // made suspended
  std::atomic<bool> m_terminated{false};
  QThread *m_thread = nullptr;
};
