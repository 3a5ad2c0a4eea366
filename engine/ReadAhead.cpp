#include "engine/ReadAhead.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

namespace {

std::atomic<int> WorkerSetting{0};
std::atomic<int> LiveWorkers{0};
std::atomic<int> WaitingWorkers{0};
std::atomic<long> ItemsBegun{0};

// The pause and the passes it reaches; taken before any pass's own mutex.
std::mutex PauseMutex;
bool Paused = false;
std::vector<TReadAhead *> Passes;

// Waits on Condition until Ready, counting the worker in Sleeping and as waiting while it blocks.
template <typename Predicate>
void WaitCounted(std::condition_variable &Condition, std::unique_lock<std::mutex> &Lock, int &Sleeping,
                 Predicate Ready) {
  while (!Ready()) {
    ++Sleeping;
    ++WaitingWorkers;
    Condition.wait(Lock);
    --WaitingWorkers;
    --Sleeping;
  }
}

// Ends a worker's read when the pool is cancelled.
struct TCancelled {};

// Items read ahead per worker: enough to keep every worker busy behind a slow loop, few enough that a
// stopped search leaves little read for nothing.
constexpr size_t AheadPerWorker = 32;
// Items waiting to be begun before a sleeping worker is woken for them.
constexpr size_t WakeBatch = 8;

} // namespace

int DefaultReadWorkers() {
  const int Cores = int(std::thread::hardware_concurrency());
  return Cores <= 2 ? 1 : Cores;
}

void SetReadWorkers(int Count) {
  WorkerSetting = std::max(0, Count);
}

TReadWorkerAlive::TReadWorkerAlive() {
  ++LiveWorkers;
}

TReadWorkerAlive::~TReadWorkerAlive() {
  --LiveWorkers;
}

int RunningReadWorkers() {
  return LiveWorkers;
}

int ReadWorkers() {
  const int Count = WorkerSetting;
  return Count > 0 ? Count : DefaultReadWorkers();
}

void SetReadAheadPaused(bool Pause) {
  std::lock_guard Guard(PauseMutex);
  Paused = Pause;
  for (TReadAhead *Pass : Passes) {
    {
      std::lock_guard Lock(Pass->m_mutex);
      Pass->m_paused = Pause;
    }
    Pass->m_work.notify_all();
    Pass->m_resume.notify_all();
  }
}

bool ReadAheadPaused() {
  std::lock_guard Guard(PauseMutex);
  return Paused;
}

long ReadAheadItemsBegun() {
  return ItemsBegun;
}

int WaitingReadWorkers() {
  return WaitingWorkers;
}

struct TReadAhead::TSlot {
  size_t Position = 0;
  int Index = -1;
  QString Path;
  bool Gathered = false;
  bool Member = false;
  // Read by the loop itself: an item that already holds a picture grid is read as it stands.
  bool InPlace = false;
  std::unique_ptr<TUseFileProperty> Item;
  // Set under the pool's mutex from the slot's preparation on.
  // A member whose archive is not unpacked yet.
  std::atomic<bool> Held{false};
  // A member that must not be read.
  bool Skip = false;
  // Claimed by a worker or by the loop, whichever comes first.
  std::atomic<bool> Begun{false};
  std::mutex CountsMutex;
  std::vector<qint64> Counts;
  // How many of Counts the loop may take; Done is set last, after which the worker leaves the slot.
  std::atomic<size_t> Published{0};
  std::atomic<bool> Done{false};
  bool Failed = false;
};

class TReadAhead::TSlotCounter : public IReadCounter {
public:
  TSlotCounter(TReadAhead &Pool, TSlot &Slot) : m_pool(Pool), m_slot(Slot) {}
  void Count(qint64 Bytes) override {
    // A large file ahead of the loop stops between its blocks on the pause.
    if (m_pool.m_paused)
      m_pool.WaitWhilePaused(m_slot.Position);
    if (m_pool.m_cancel)
      throw TCancelled();
    {
      std::lock_guard Lock(m_slot.CountsMutex);
      m_slot.Counts.push_back(Bytes);
      m_slot.Published = m_slot.Counts.size();
    }
    m_pool.Publish(m_slot);
  }

private:
  TReadAhead &m_pool;
  TSlot &m_slot;
};

TReadAhead::TReadAhead(const TUseFileList &List, std::vector<int> Indexes, const TWhatFind &What, int Workers)
    : m_list(List), m_indexes(std::move(Indexes)), m_what(What) {
  const size_t Count = size_t(std::max(1, Workers));
  m_slots.resize(std::min(m_indexes.size(), Count * AheadPerWorker));
  for (auto &Slot : m_slots)
    Slot = std::make_unique<TSlot>();
  if (m_slots.empty())
    return;
  {
    std::lock_guard Guard(PauseMutex);
    m_paused = Paused;
    Passes.push_back(this);
  }
  for (size_t k = 0; k < m_slots.size(); ++k)
    Prepare(k);
  for (size_t w = 0; w < std::min(Count, m_indexes.size()); ++w)
    m_workers.emplace_back([this] { Work(); });
}

TReadAhead::~TReadAhead() {
  Cancel();
}

void TReadAhead::Cancel() {
  {
    std::lock_guard Guard(PauseMutex);
    std::erase(Passes, this);
  }
  {
    std::lock_guard Lock(m_mutex);
    m_cancel = true;
  }
  m_work.notify_all();
  m_resume.notify_all();
  for (std::thread &Worker : m_workers)
    if (Worker.joinable())
      Worker.join();
}

// On the loop's thread: the item's name and what it already holds, copied into the slot's own item.
void TReadAhead::Prepare(size_t K) {
  TSlot &Slot = SlotAt(K);
  const TUseFileProperty &From = *m_list.GetItem(m_indexes[K]);
  Slot.Position = K;
  Slot.Index = m_indexes[K];
  Slot.Member = From.IsArchiveMember();
  Slot.InPlace = From.DataImage != nullptr;
  Slot.Path = Slot.Member ? QString() : From.FullName();
  Slot.Gathered = !Slot.Member && From.FileItem.Id != TFileId{};
  Slot.Item.reset();
  if (!Slot.InPlace) {
    Slot.Item = std::make_unique<TUseFileProperty>();
    TUseFileProperty &To = *Slot.Item;
    To.FileItem = From.FileItem;
    To.FileProps = From.FileProps;
    To.UniqueSize = From.UniqueSize;
    To.WhatRead_Code = From.WhatRead_Code;
    To.WhatRead_Mp3 = From.WhatRead_Mp3;
    To.SetMusicTag(From.Tags());
  }
  std::unique_lock Lock(m_mutex);
  // The loop claims items without the mutex: every slot from m_next on must hold its own position
  // before this one shows another.
  while (m_next < m_prepared && SlotAt(m_next).Begun)
    ++m_next;
  Slot.Held = Slot.Member;
  if (Slot.Member && !m_released.empty() && m_released.front().first == K) {
    Slot.Path = std::move(m_released.front().second);
    m_released.pop_front();
    Slot.Held = false;
    Slot.Skip = Slot.Path.isEmpty();
  } else {
    Slot.Skip = false;
  }
  Slot.Begun = false;
  Slot.Counts.clear();
  Slot.Published = 0;
  Slot.Done = false;
  Slot.Failed = false;
  m_prepared = K + 1;
  // A worker is woken for a few items at a time, not for each: on a busy machine every wake takes time
  // from the loop, and the loop reads an item no worker has begun itself.
  const bool Wake = m_sleeping > 0 && ReadableAtLeast(WakeBatch);
  Lock.unlock();
  if (Wake)
    m_work.notify_one();
}

// Under the mutex: whether Count slots at least could be begun now.
bool TReadAhead::ReadableAtLeast(size_t Count) const {
  size_t Found = 0;
  for (size_t K = m_next; K < m_prepared && !PausedAt(K) && Found < Count; ++K)
    if (!SlotAt(K).Held && !SlotAt(K).Begun)
      ++Found;
  return Found >= Count;
}

void TReadAhead::Release(size_t From, std::vector<QString> Paths) {
  if (Paths.empty())
    return;
  {
    std::lock_guard Lock(m_mutex);
    for (size_t K = From; K < From + Paths.size(); ++K) {
      QString &Path = Paths[K - From];
      if (K >= m_prepared) {
        m_released.emplace_back(K, std::move(Path));
        continue;
      }
      TSlot &Slot = SlotAt(K);
      Slot.Skip = Path.isEmpty();
      Slot.Path = std::move(Path);
      Slot.Held = false;
    }
    if (m_sleeping == 0)
      return;
  }
  m_work.notify_one();
}

// Under the mutex.
bool TReadAhead::PausedAt(size_t K) const {
  return m_paused && K > m_wanted;
}

void TReadAhead::WaitWhilePaused(size_t K) {
  std::unique_lock Lock(m_mutex);
  int Sleeping = 0;
  WaitCounted(m_resume, Lock, Sleeping, [&] { return m_cancel || !PausedAt(K); });
}

void TReadAhead::Publish(const TSlot &Slot) {
  // Taking the mutex before notifying closes the gap between the loop's last look and its sleep.
  if (m_waitingFor == &Slot) {
    { std::lock_guard Lock(m_mutex); }
    m_done.notify_one();
  }
}

// Under the mutex: claims the first prepared slot not yet begun, past members still held; null when
// there is none. Every position from m_next on lies within the window, so its slot holds that position.
TReadAhead::TSlot *TReadAhead::ClaimNext() {
  for (size_t K = m_next; K < m_prepared && !PausedAt(K); ++K) {
    TSlot &Slot = SlotAt(K);
    if (Slot.Held || Slot.Begun.exchange(true))
      continue;
    ++ItemsBegun;
    while (m_next < m_prepared && SlotAt(m_next).Begun)
      ++m_next;
    return &Slot;
  }
  return nullptr;
}

void TReadAhead::Work() {
  const TReadWorkerAlive Alive;
  std::vector<char> Buffer(static_cast<size_t>(ReadBufferSize));
  TContentHasher Hasher;
  for (;;) {
    TSlot *Claimed = nullptr;
    bool WakeAnother = false;
    {
      std::unique_lock Lock(m_mutex);
      WaitCounted(m_work, Lock, m_sleeping, [&] { return m_cancel || (Claimed = ClaimNext()) != nullptr; });
      if (m_cancel)
        return;
      WakeAnother = m_sleeping > 0 && ReadableAtLeast(WakeBatch);
    }
    // Workers wake one another for batches of items, so that the loop wakes at most one.
    if (WakeAnother)
      m_work.notify_one();
    TSlot &Slot = *Claimed;
    if (!Slot.InPlace && !Slot.Skip) {
      try {
        TSlotCounter Counter(*this, Slot);
        ReadFileParts(*Slot.Item, Slot.Path, Slot.Gathered, m_what, Buffer.data(), Hasher, Counter);
      } catch (const TCancelled &) {
        return;
      } catch (...) {
        MarkReadFailed(*Slot.Item);
        Slot.Failed = true;
      }
    }
    Slot.Done = true;
    Publish(Slot);
  }
}

// Counts the slot's blocks into Pass as its worker publishes them, so that a large file moves the bar,
// and Pause and Stop answer, while it is read; returns once the worker is done.
void TReadAhead::CountWhileRead(TSlot &Slot, TReadPass &Pass) {
  size_t Counted = 0;
  std::vector<qint64> Fresh;
  for (;;) {
    // Done is read before the counts, so that a finished slot's counts are all there.
    const bool Done = Slot.Done;
    if (!Done && Slot.Published == Counted) {
      std::unique_lock Lock(m_mutex);
      m_waitingFor = &Slot;
      m_done.wait(Lock, [&] { return Slot.Published > Counted || Slot.Done; });
      m_waitingFor = nullptr;
      continue;
    }
    {
      std::lock_guard Lock(Slot.CountsMutex);
      Fresh.assign(Slot.Counts.begin() + qsizetype(Counted), Slot.Counts.end());
    }
    for (qint64 Bytes : Fresh) {
      Pass.UpdateReadProgress(Bytes, false, Slot.Index);
      ++Counted;
    }
    if (Done)
      return;
  }
}

void TReadAhead::Take(size_t K, TReadPass &Pass) {
  TSlot &Slot = SlotAt(K);
  TUseFileProperty &Item = *m_list.GetItem(Slot.Index);
  if (Slot.Held)
    throw std::logic_error("an archive member was taken before it was released");
  m_wanted = K;
  // Not begun by any worker (all busy, or just released): reading it here costs less than waiting.
  const bool ReadHere = !Slot.Begun.exchange(true);
  if (ReadHere) {
    ++ItemsBegun;
  } else {
    // The item the loop waits for is read even while paused.
    if (m_paused) {
      { std::lock_guard Lock(m_mutex); }
      m_resume.notify_all();
    }
    CountWhileRead(Slot, Pass);
  }
  if (Slot.Skip) {
    Item.FileItem.Unreadable = true;
    Item.FileItem.Code = -1;
  } else if (ReadHere || Slot.InPlace) {
    Item.ReadProperties(Slot.Index, Slot.Member ? Slot.Path : QString(), Pass);
    Slot.Item.reset();
  } else {
    TUseFileProperty &Read = *Slot.Item;
    Item.FileItem.Code = Read.FileItem.Code;
    Item.FileItem.Hash = Read.FileItem.Hash;
    Item.FileItem.Unreadable = Read.FileItem.Unreadable;
    Item.FileProps = Read.FileProps;
    Item.WhatRead_Code = Read.WhatRead_Code;
    Item.WhatRead_Mp3 = Read.WhatRead_Mp3;
    Item.SetMusicTag(Read.Tags());
    Item.DataImage = std::move(Read.DataImage);
    Slot.Item.reset();
    if (!Slot.Failed)
      Pass.UpdateReadProgress(Item.FileItem.Size, true, Slot.Index);
    else if (Pass.Sink)
      Pass.Sink->ProcessProgress(QString());
  }
  if (K + m_slots.size() < m_indexes.size())
    Prepare(K + m_slots.size());
}
