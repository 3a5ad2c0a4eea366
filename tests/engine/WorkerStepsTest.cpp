// A worker's steps on the main thread: they run there, and none runs once the worker was stopped,
// however late it arrives; a stopped worker never hangs in a wait.
#include "engine/WorkerSteps.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace {

// Pumps the main thread's events until Done or a generous deadline.
template <typename Pred> bool pumpUntil(Pred Done) {
  QDeadlineTimer deadline(20000);
  while (!Done() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return Done();
}

class WorkerSteps : public ::testing::Test {
protected:
  template <typename Body> std::unique_ptr<QThread> worker(Body B) {
    std::unique_ptr<QThread> thread(QThread::create(std::move(B)));
    thread->start();
    return thread;
  }
  QObject context; // a main-thread object
  TWorkerSteps steps{&context};
};

TEST_F(WorkerSteps, AStepQueuedBeforeTheStopNeverRuns) {
  std::atomic<bool> posted{false}, result{true};
  bool ran = false;
  auto thread = worker([&] {
    posted = true;
    result = steps.Run([&] { ran = true; });
  });
  // The step is on its way, the main thread has not run it: stop first. The worker is released without
  // the main thread's help, the late step does nothing and later steps are refused at once.
  while (!posted)
    QThread::yieldCurrentThread();
  QThread::msleep(20);
  steps.Stop();
  EXPECT_TRUE(thread->wait(20000));
  EXPECT_FALSE(result);
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents();
  EXPECT_FALSE(ran);
  auto again = worker([&] { result = steps.Run([&] { ran = true; }); });
  EXPECT_TRUE(again->wait(20000));
  QCoreApplication::sendPostedEvents();
  EXPECT_FALSE(result);
  EXPECT_FALSE(ran);
}

// The owner stops and destroys its steps while one of them is still queued: it must not run when delivered.
TEST_F(WorkerSteps, AStepOutlivingItsStepsObjectStillFindsTheStop) {
  auto owned = std::make_unique<TWorkerSteps>(&context);
  bool ran = false;
  std::atomic<bool> posted{false};
  auto thread = worker([&, s = owned.get()] {
    posted = true;
    s->Run([&] { ran = true; });
  });
  while (!posted)
    QThread::yieldCurrentThread();
  QThread::msleep(20);
  owned->Stop();
  ASSERT_TRUE(thread->wait(20000));
  owned.reset();
  QCoreApplication::sendPostedEvents();
  EXPECT_FALSE(ran);
}

TEST_F(WorkerSteps, SleepEndsEarlyWhenStopped) {
  std::atomic<int> result{-1};
  auto thread = worker([&] { result = steps.Sleep(60 * 60 * 1000) ? 1 : 0; });
  QThread::msleep(20);
  steps.Stop();
  ASSERT_TRUE(thread->wait(20000)); // not an hour
  EXPECT_EQ(result, 0);
  TWorkerSteps fresh(&context); // never stopped: a short sleep completes
  EXPECT_TRUE(fresh.Sleep(1) && !fresh.Stopped() && steps.Stopped());
}

} // namespace
