#pragma once
// A worker thread's steps on the main thread. The worker hands a step to the main thread and waits
// for it; the step first checks the worker's stop flag, which only the main thread sets, so a worker
// that was told to stop never touches what the main thread has since cleared (rows, queues, trees),
// however late its last step arrives. Every wait of the worker also watches the flag, so a stopped
// worker can always be joined and never waits for a main thread that waits for it.

#include <functional>
#include <memory>

class QObject;

class TWorkerSteps {
public:
  // Steps run in the thread of Context (a main-thread object). Stop the worker, and join it, before
  // Context goes; steps still queued then are dropped with it.
  explicit TWorkerSteps(QObject *Context);
  ~TWorkerSteps();
  TWorkerSteps(const TWorkerSteps &) = delete;
  TWorkerSteps &operator=(const TWorkerSteps &) = delete;

  // Main thread. From the moment this returns no step runs; the worker's waits end.
  void Stop();
  bool Stopped() const;

  // Worker thread. Runs Step on the main thread and waits until it ran; false when the worker was
  // stopped before Step ran or while waiting for it (Step then did not run, or ran whole).
  bool Run(std::function<void()> Step);
  // Worker thread. Waits Ms milliseconds unless stopped meanwhile; false when stopped.
  bool Sleep(int Ms);

private:
  struct TShared;
  // Held by every step on its way, so a step that arrives after this object went still finds the
  // stop flag.
  std::shared_ptr<TShared> m_shared;
  QObject *m_context;
};
