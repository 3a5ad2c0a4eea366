#pragma once
// Listing folders ahead of the walk on worker threads. The walk still takes every folder and every
// entry in its own order on its own thread; the workers only open folders and list them (the file
// sizes and identities cost a system call each), in the order the walk asked for them.

#include "platform/Folders.h"

#include <QByteArray>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TListAhead {
public:
  TListAhead(const TVirtualFileSystems &Virtual, int Workers);
  // Cancels what lies ahead and waits for the workers.
  ~TListAhead();
  TListAhead(const TListAhead &) = delete;
  TListAhead &operator=(const TListAhead &) = delete;

  // Queues a folder; it is opened by Path exactly as TDirReader opens it.
  void Add(const QByteArray &Path);
  // The next queued folder, in the order of Add: false when it could not be opened or lies on a virtual
  // file system; else Id is its identity and Next gives its entries, "." and ".." first.
  bool Open(TFileId &Id);
  bool Next(TDirEntry &Entry);

private:
  struct TSlot;

  void Work();
  void Publish(const TSlot &Slot);
  // Moves the listed entries of the current folder not yet taken into m_taken; false at its end.
  bool Refill();

  const TVirtualFileSystems &m_virtual;
  std::mutex m_mutex;
  std::condition_variable m_work;
  std::condition_variable m_done;
  // Queued folders from the current one on; workers list those within the window.
  std::deque<std::unique_ptr<TSlot>> m_slots;
  size_t m_first = 0; // number of the front slot
  size_t m_next = 0;  // next slot number a worker takes
  size_t m_window;
  int m_sleeping = 0;
  std::atomic<bool> m_cancel{false};
  std::atomic<const TSlot *> m_waitingFor{nullptr};
  std::vector<TDirEntry> m_taken;
  size_t m_takenPos = 0;
  TSlot *m_current = nullptr;
  std::vector<std::thread> m_workers;
};
