#pragma once
// A second thread that repeats one step (two names exchanged, a folder swapped for a link) as fast as
// it can while it lives, so a test can act while the names change under it. The step runs at most
// MaxSteps times: a racer never decides how long a test takes, the test's own count of runs does.

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

class TRacer {
public:
  // The racer is running when this returns; its first step comes after Delay, so that across many
  // runs with growing delays it begins before, during and after what the test does meanwhile.
  explicit TRacer(std::function<void()> Step, std::chrono::nanoseconds Delay = {}, long MaxSteps = 20'000'000)
      : m_thread([this, Step = std::move(Step), Delay, MaxSteps] {
          m_running = true;
          const auto start = std::chrono::steady_clock::now();
          while (std::chrono::steady_clock::now() - start < Delay &&
                 !m_stop.load(std::memory_order_relaxed)) {
          }
          for (long i = 0; i < MaxSteps && !m_stop.load(std::memory_order_relaxed); ++i)
            Step();
        }) {
    while (!m_running.load())
      std::this_thread::yield();
  }
  ~TRacer() {
    m_stop = true;
    m_thread.join();
  }
  TRacer(const TRacer &) = delete;
  TRacer &operator=(const TRacer &) = delete;

private:
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_running{false};
  std::thread m_thread;
};
