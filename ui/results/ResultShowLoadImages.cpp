#include "ui/results/ResultShowLoadImages.h"

#include "engine/CompareImage.h"
#include "ui/results/ResultModel.h"

#include <algorithm>

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

TResultShowLoadImages::TResultShowLoadImages(TResultModel &Model, TThumbnailQueue &Queue, int PauseMs)
    : m_steps(&Model), m_model(&Model), m_queue(&Queue), m_pauseMs(PauseMs) {
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
  m_steps.Stop();
}

bool TResultShowLoadImages::Terminated() const {
  return m_steps.Stopped();
}

int TResultShowLoadImages::Made() const {
  return m_made;
}

int TResultShowLoadImages::FindPendingVisible() {
  int found = -1;
  TResultModel *model = m_model;
  TThumbnailQueue *queue = m_queue;
  m_steps.Run([&found, model, queue] {
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
  if (!m_steps.Run([&fileName, model, Row] {
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
  std::atomic<int> *made = &m_made;
  m_steps.Run([model, made, Row, image = std::move(image), width, height] {
    TResultShow *row = model->GetResultData(Row);
    if (!row)
      return;
    if (image.isNull()) {
      row->ThumbnailFailed = true;
      return;
    }
    row->Thumbnail = image;
    row->ImageWidth = width;
    row->ImageHeight = height;
    ++*made;
    model->RefreshCell(Row, ColPreview);
  });
}

void TResultShowLoadImages::run() {
  for (const int node : m_nodes) {
    // The rows on screen first, newest painted first; rows that fail are marked and not picked again.
    for (int row = FindPendingVisible(); row >= 0; row = FindPendingVisible()) {
      LoadOne(row);
      if (!m_steps.Sleep(m_pauseMs))
        return;
    }
    LoadOne(node);
    if (!m_steps.Sleep(m_pauseMs))
      return;
  }
}
