#pragma once
// Reading ahead of the read loop on a small pool of worker threads. The loop of the user-interface
// thread still walks the list in order and makes every progress call itself; the workers only open,
// read, checksum, hash and decode into items of their own, never touching the list or the window.

#include "engine/ReadProperties.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Workers for this machine: one per core, at least one, and one only when there are two cores or fewer.
int DefaultReadWorkers();
// The worker count of the next read passes; 0 brings back DefaultReadWorkers(). For tests and
// benchmarks.
void SetReadWorkers(int Count);
int ReadWorkers();
// Read-ahead and listing workers alive in the process now; 0 whenever no walk or read pass runs.
int RunningReadWorkers();
// Counts its thread in RunningReadWorkers() for as long as it lives.
struct TReadWorkerAlive {
  TReadWorkerAlive();
  ~TReadWorkerAlive();
};

class TReadAhead {
public:
  // Reads the items of List at Indexes, in that order, at most a window of items ahead of Take.
  // The items must stay in place and unread by others while this object lives.
  TReadAhead(const TUseFileList &List, std::vector<int> Indexes, const TWhatFind &What, int Workers);
  // Cancels at once what lies ahead and waits for the workers.
  ~TReadAhead();
  TReadAhead(const TReadAhead &) = delete;
  TReadAhead &operator=(const TReadAhead &) = delete;

  // Takes the read of Indexes[K], K rising by one from 0: counts its blocks into Pass as the worker
  // reads them, moves what was read into the list's item and makes the closing call, the same calls
  // in the same order as TUseFileProperty::ReadProperties. EMyStop and EMyHalt from the sink pass
  // through.
  void Take(size_t K, TReadPass &Pass);

private:
  struct TSlot;
  class TSlotCounter;

  void Prepare(size_t K);
  void Work();
  // Wakes the loop when it waits for Slot.
  void Publish(const TSlot &Slot);

  const TUseFileList &m_list;
  const std::vector<int> m_indexes;
  const TWhatFind m_what;
  std::vector<std::unique_ptr<TSlot>> m_slots;
  // Guards the hand-out of items and the sleeping of workers and loop; a slot's block counts have a
  // lock of their own, so a worker's blocks wake nobody unless the loop waits for that very slot.
  std::mutex m_mutex;
  std::condition_variable m_work;
  std::condition_variable m_done;
  size_t m_prepared = 0;
  size_t m_next = 0;
  int m_sleeping = 0;
  std::atomic<bool> m_cancel{false};
  std::atomic<const TSlot *> m_waitingFor{nullptr};
  std::vector<std::thread> m_workers;
};
