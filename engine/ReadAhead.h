#pragma once
// Reading ahead of the read loop on a small pool of worker threads. The loop of the user-interface
// thread still walks the list in order and makes every progress call itself; the workers only open,
// read, checksum, hash and decode into items of their own, never touching the list or the window.
// Archive members wait until the loop has unpacked their archive and says where they lie. While the
// search is paused the workers read nothing ahead of the item the loop waits for.

#include "engine/ReadProperties.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
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

// The search's Pause: while set, the workers of every read pass wait (beside the item the loop waits
// for) until it is cleared or their pass ends. Set and cleared by the window's Pause button.
void SetReadAheadPaused(bool Paused);
bool ReadAheadPaused();
// For tests: the items workers have begun since the program started, and the workers waiting now (for
// an item, for an archive to be unpacked, or on the pause).
long ReadAheadItemsBegun();
int WaitingReadWorkers();

class TReadAhead {
public:
  // Reads the items of List at Indexes, in that order, at most a window of items ahead of Take. The
  // items must stay in place and unread by others while this object lives. Archive members are read
  // only once released.
  TReadAhead(const TUseFileList &List, std::vector<int> Indexes, const TWhatFind &What, int Workers);
  // Cancels at once what lies ahead and waits for the workers.
  ~TReadAhead();
  TReadAhead(const TReadAhead &) = delete;
  TReadAhead &operator=(const TReadAhead &) = delete;

  const std::vector<int> &Indexes() const { return m_indexes; }

  // Lets the workers read the archive members at Indexes[From] on from Paths, their files in the
  // scratch folder; for an empty path, Take marks the member unreadable without reading it. From rises
  // from call to call.
  void Release(size_t From, std::vector<QString> Paths);

  // Takes the read of Indexes[K], K rising by one from 0: counts its blocks into Pass as the worker
  // reads them, moves what was read into the list's item and makes the closing call, the same calls
  // in the same order as TUseFileProperty::ReadProperties. EMyStop and EMyHalt from the sink pass
  // through. A member must have been released.
  void Take(size_t K, TReadPass &Pass);

  // Cancels what lies ahead and waits until no worker reads any more; nothing may be taken afterwards.
  void Cancel();

private:
  struct TSlot;
  class TSlotCounter;
  friend void SetReadAheadPaused(bool Paused);

  TSlot &SlotAt(size_t K) const { return *m_slots[K % m_slots.size()]; }
  void Prepare(size_t K);
  TSlot *ClaimNext();
  bool ReadableAtLeast(size_t Count) const;
  void CountWhileRead(TSlot &Slot, TReadPass &Pass);
  bool PausedAt(size_t K) const;
  void WaitWhilePaused(size_t K);
  void Work();
  // Wakes the loop when it waits for Slot.
  void Publish(const TSlot &Slot);

  const TUseFileList &m_list;
  const std::vector<int> m_indexes;
  const TWhatFind m_what;
  std::vector<std::unique_ptr<TSlot>> m_slots;
  // Paths of released members whose slots are not prepared yet, in rising K.
  std::deque<std::pair<size_t, QString>> m_released;
  // Guards the hand-out of items, the pause and the sleeping of workers and loop; a slot's block
  // counts have a lock of their own, so a worker's blocks wake nobody unless the loop waits for that
  // very slot.
  std::mutex m_mutex;
  // Workers waiting for an item to read.
  std::condition_variable m_work;
  int m_sleeping = 0;
  // Workers waiting between the blocks of an item on the pause.
  std::condition_variable m_resume;
  // The loop waiting for a worker's blocks or result.
  std::condition_variable m_done;
  size_t m_prepared = 0;
  // The first position not begun.
  size_t m_next = 0;
  // The item the loop takes now or next: the only one read while paused.
  std::atomic<size_t> m_wanted{0};
  std::atomic<bool> m_paused{false};
  std::atomic<bool> m_cancel{false};
  std::atomic<const TSlot *> m_waitingFor{nullptr};
  std::vector<std::thread> m_workers;
};
