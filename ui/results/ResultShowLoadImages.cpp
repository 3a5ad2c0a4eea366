#include "ui/results/ResultShowLoadImages.h"

#include "engine/CompareImage.h"
#include "ui/results/ResultShow.h"

#include <algorithm>
#include <chrono>

void TThumbnailQueue::Feed(int Row) {
  if (Contains(Row))
    return;
  if (int(m_rows.size()) > m_limit && !m_rows.empty())
    m_rows.erase(m_rows.begin());
  m_rows.push_back(Row);
}

bool TThumbnailQueue::Contains(int Row) const {
  return std::find(m_rows.begin(), m_rows.end(), Row) != m_rows.end();
}

// What the worker and the steps it posts to the main thread share. The steps hold it by shared_ptr,
// so a step that arrives after the loader was destroyed still finds its stop flag set.
struct TResultShowLoadImages::TShared {
  std::mutex Mutex;
  std::condition_variable Wake;
  bool Stopped = false; // written on the main thread only
  int Made = 0;
};

TResultShowLoadImages::TResultShowLoadImages(TResultModel &Model, TThumbnailQueue &Queue, int PauseMs)
    : m_shared(std::make_shared<TShared>()), m_model(&Model), m_queue(&Queue), m_pauseMs(PauseMs) {
  setObjectName(QStringLiteral("TResultShowLoadImages"));
  for (int row = 0; row < Model.Count(); ++row)
    if (Model.GetResultData(row)->WantsThumbnail())
      m_nodes.push_back(row);
  start(QThread::LowestPriority);
}

TResultShowLoadImages::~TResultShowLoadImages() {
  Terminate();
  wait();
}

void TResultShowLoadImages::Terminate() {
  {
    std::lock_guard lock(m_shared->Mutex);
    m_shared->Stopped = true;
  }
  m_shared->Wake.notify_all();
}

bool TResultShowLoadImages::Terminated() const {
  std::lock_guard lock(m_shared->Mutex);
  return m_shared->Stopped;
}

int TResultShowLoadImages::Made() const {
  std::lock_guard lock(m_shared->Mutex);
  return m_shared->Made;
}

template <typename Step> bool TResultShowLoadImages::OnMainThread(Step &&S) {
  auto done = std::make_shared<bool>(false);
  auto shared = m_shared;
  // The model is the context: should it go first, the step is dropped and the stop flag (set before
  // any model goes) releases the wait below.
  QMetaObject::invokeMethod(
      m_model,
      [shared, done, S = std::forward<Step>(S)]() mutable {
        bool stopped;
        {
          std::lock_guard lock(shared->Mutex);
          stopped = shared->Stopped;
        }
        if (!stopped)
          S(*shared);
        {
          std::lock_guard lock(shared->Mutex);
          *done = true;
        }
        shared->Wake.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(m_shared->Mutex);
  m_shared->Wake.wait(lock, [&] { return *done || m_shared->Stopped; });
  return !m_shared->Stopped;
}

int TResultShowLoadImages::FindPendingVisible() {
  int found = -1;
  TResultModel *model = m_model;
  TThumbnailQueue *queue = m_queue;
  OnMainThread([&found, model, queue](TShared &) {
    const std::vector<int> &rows = queue->Rows();
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
      const TResultShow *row = model->GetResultData(*it);
      // The same test as LoadOne's: a row it would refuse (its file processed meanwhile) must not
      // be picked again and again.
      if (row && row->NeedsThumbnail()) {
        found = *it;
        return;
      }
    }
  });
  return Terminated() ? -1 : found;
}

void TResultShowLoadImages::LoadOne(int Row) {
  QString fileName;
  TResultModel *model = m_model;
  if (!OnMainThread([&fileName, model, Row](TShared &) {
        const TResultShow *row = model->GetResultData(Row);
        if (row && row->NeedsThumbnail())
          fileName = row->Item->FullName();
      }))
    return;
  if (fileName.isEmpty())
    return;
  // Decoding happens here, off the main thread, so a large picture never holds up the window.
  int width = 0, height = 0;
  QImage image = CreateThumbnail(fileName, ThumbnailWidth, ThumbnailHeight, width, height, true);
  if (!image.isNull())
    image = image.copy(FitRect(ThumbnailWidth, ThumbnailHeight, width, height, true));
  OnMainThread([model, Row, image = std::move(image), width, height](TShared &Shared) mutable {
    TResultShow *row = model->GetResultData(Row);
    if (!row)
      return;
    if (image.isNull()) {
      row->ThumbnailFailed = true;
      return;
    }
    row->Thumbnail = std::move(image);
    row->ImageWidth = width;
    row->ImageHeight = height;
    {
      std::lock_guard lock(Shared.Mutex);
      ++Shared.Made;
    }
    model->RefreshCell(Row, ColPreview);
  });
}

bool TResultShowLoadImages::Pause() {
  std::unique_lock lock(m_shared->Mutex);
  m_shared->Wake.wait_for(lock, std::chrono::milliseconds(m_pauseMs), [&] { return m_shared->Stopped; });
  return !m_shared->Stopped;
}

void TResultShowLoadImages::run() {
  for (const int node : m_nodes) {
    // The rows on screen first, newest painted first; rows that fail are marked and not picked again.
    for (int row = FindPendingVisible(); row >= 0; row = FindPendingVisible()) {
      LoadOne(row);
      if (Terminated() || !Pause())
        return;
    }
    LoadOne(node);
    if (Terminated() || !Pause())
      return;
  }
}
