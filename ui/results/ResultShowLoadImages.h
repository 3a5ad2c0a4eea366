#pragma once
// Thumbnails of the results list. The queue remembers the picture rows painted without a thumbnail,
// newest last, so that the rows on screen are served first. The loader is a low-priority thread that
// walks every picture row of the list; it decodes pictures itself but reaches the rows and the queue
// only through worker steps on the main thread (engine/WorkerSteps.h), so a loader that was told to
// stop never touches rows, queue or list again and can always be joined.

#include "engine/WorkerSteps.h"

#include <QThread>

#include <atomic>
#include <vector>

class TResultModel;

// Rows (positions in the list) painted without a thumbnail. Holds at most Limit + 1 rows: a new row
// pushes out the oldest one. Cleared whenever the rows are rebuilt or reordered.
class TThumbnailQueue {
public:
  // Limit: the screen height divided by 60.
  explicit TThumbnailQueue(int Limit) : m_limit(Limit) {}
  int Limit() const { return m_limit; }
  // Queues Row unless it is queued already (TfrmMain.trvResultBeforeItemPaint).
  void Feed(int Row);
  void Clear() { m_rows.clear(); }
  bool Contains(int Row) const;
  // Oldest first.
  const std::vector<int> &Rows() const { return m_rows; }

private:
  int m_limit;
  std::vector<int> m_rows;
};

class TResultShowLoadImages : public QThread {
  Q_OBJECT
public:
  // Gathers the picture rows of Model in row order (in the calling, main thread) and starts at the
  // lowest priority. PauseMs is the pause after every row of the walk.
  TResultShowLoadImages(TResultModel &Model, TThumbnailQueue &Queue, int PauseMs = 100);
  // Tells the thread to stop and joins it.
  ~TResultShowLoadImages() override;

  // Main thread only. From the moment this returns no step of this loader touches the rows or the
  // queue; a decode in progress finishes and is thrown away.
  void Terminate();
  bool Terminated() const;
  // The picture rows the walk goes through.
  const std::vector<int> &Nodes() const { return m_nodes; }
  // Thumbnails this loader stored (for tests and the benchmark).
  int Made() const;

protected:
  void run() override;

private:
  // The next queued row without a thumbnail, newest first; -1 for none.
  int FindPendingVisible();
  void LoadOne(int Row);

  TWorkerSteps m_steps;
  std::atomic<int> m_made{0};
  TResultModel *m_model;
  TThumbnailQueue *m_queue;
  std::vector<int> m_nodes;
  int m_pauseMs;
};
