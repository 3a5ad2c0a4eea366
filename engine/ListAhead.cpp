#include "engine/ListAhead.h"

#include "engine/ReadAhead.h"

#include <algorithm>
#include <iterator>

namespace {

// Folders listed ahead per worker, and entries handed over at a time: a stopped walk leaves little
// listed for nothing, and the walk never waits long for a large folder's first entries.
constexpr size_t AheadPerWorker = 8;
constexpr size_t EntriesPerBatch = 256;

} // namespace

struct TListAhead::TSlot {
  explicit TSlot(const QByteArray &Folder) : Path(Folder) {}
  const QByteArray Path;
  // Set by the worker before Started.
  bool Ok = false;
  TFileId Id;
  // Listed and not yet taken by the walk.
  std::mutex EntriesMutex;
  std::vector<TDirEntry> Entries;
  std::atomic<size_t> Published{0};
  std::atomic<bool> Started{false};
  // Set last: the worker leaves the slot after it.
  std::atomic<bool> Done{false};
  // The walk needs no more of this folder.
  std::atomic<bool> Abandoned{false};
  size_t Consumed = 0;
};

TListAhead::TListAhead(const TVirtualFileSystems &Virtual, int Workers)
    : m_virtual(Virtual), m_window(size_t(std::max(1, Workers)) * AheadPerWorker) {
  for (int w = 0; w < std::max(1, Workers); ++w)
    m_workers.emplace_back([this] { Work(); });
}

TListAhead::~TListAhead() {
  {
    std::lock_guard Lock(m_mutex);
    m_cancel = true;
  }
  m_work.notify_all();
  for (std::thread &Worker : m_workers)
    Worker.join();
}

void TListAhead::Add(const QByteArray &Path) {
  std::lock_guard Lock(m_mutex);
  m_slots.push_back(std::make_unique<TSlot>(Path));
  if (m_sleeping > 0)
    m_work.notify_one();
}

void TListAhead::Publish(const TSlot &Slot) {
  // Taking the mutex before notifying closes the gap between the walk's last look and its sleep.
  if (m_waitingFor == &Slot) {
    { std::lock_guard Lock(m_mutex); }
    m_done.notify_one();
  }
}

void TListAhead::Work() {
  const TReadWorkerAlive Alive;
  std::vector<TDirEntry> Batch;
  for (;;) {
    TSlot *Slot = nullptr;
    {
      std::unique_lock Lock(m_mutex);
      ++m_sleeping;
      m_work.wait(Lock, [this] {
        return m_cancel || (m_next < m_first + m_slots.size() && m_next < m_first + m_window);
      });
      --m_sleeping;
      if (m_cancel)
        return;
      Slot = m_slots[m_next++ - m_first].get();
    }
    TDirReader Reader(Slot->Path);
    Slot->Ok = Reader.IsOpen() && !Reader.IsVirtual(m_virtual);
    Slot->Id = Reader.Id();
    Slot->Started = true;
    Publish(*Slot);
    const auto Flush = [&] {
      {
        std::lock_guard Lock(Slot->EntriesMutex);
        std::move(Batch.begin(), Batch.end(), std::back_inserter(Slot->Entries));
        Slot->Published += Batch.size();
      }
      Batch.clear();
      Publish(*Slot);
    };
    TDirEntry Entry;
    while (Slot->Ok && !m_cancel && !Slot->Abandoned && Reader.Next(Entry)) {
      Batch.push_back(std::move(Entry));
      if (Batch.size() == EntriesPerBatch)
        Flush();
    }
    Flush();
    Slot->Done = true;
    Publish(*Slot);
  }
}

bool TListAhead::Open(TFileId &Id) {
  std::unique_lock Lock(m_mutex);
  if (m_current) {
    // The worker must be done with a slot before it goes.
    m_current->Abandoned = true;
    m_waitingFor = m_current;
    m_done.wait(Lock, [this] { return m_current->Done.load(); });
    m_slots.pop_front();
    ++m_first;
    if (m_sleeping > 0)
      m_work.notify_all();
  }
  m_current = m_slots.front().get();
  m_waitingFor = m_current;
  m_done.wait(Lock, [this] { return m_current->Started.load(); });
  m_waitingFor = nullptr;
  m_taken.clear();
  m_takenPos = 0;
  Id = m_current->Id;
  return m_current->Ok;
}

bool TListAhead::Refill() {
  TSlot &Slot = *m_current;
  for (;;) {
    // Done is read before the count, so that a finished folder's entries are all there.
    const bool Done = Slot.Done;
    if (Slot.Published > Slot.Consumed) {
      m_taken.clear();
      m_takenPos = 0;
      std::lock_guard Lock(Slot.EntriesMutex);
      m_taken.swap(Slot.Entries);
      Slot.Consumed += m_taken.size();
      return true;
    }
    if (Done)
      return false;
    std::unique_lock Lock(m_mutex);
    m_waitingFor = &Slot;
    m_done.wait(Lock, [&] { return Slot.Published > Slot.Consumed || Slot.Done; });
    m_waitingFor = nullptr;
  }
}

bool TListAhead::Next(TDirEntry &Entry) {
  if (m_takenPos == m_taken.size() && !Refill())
    return false;
  Entry = std::move(m_taken[m_takenPos++]);
  return true;
}
