#include "ui/main/ResultSteps.h"

#include "engine/StepStorage.h"
#include "settings/FileGroupExt.h"
#include "settings/Language.h"
#include "ui/main/Helpers.h"
#include "ui/main/Main.h"
#include "ui/results/ResultShow.h"

#include <QGroupBox>
#include <QPushButton>

#include <optional>

TStepView::TStepView(TfrmMain &Window) : m_window(Window), m_steps(*Window.ResultSteps) {}

void TStepView::ShowStep(int Method) {
  TResultList &list = m_window.ResultList();
  TResultModel &model = list.Model();
  TResultUpdate bracket(model);
  list.StopThumbLoader();
  model.Clear();
  QRgb colour = GroupColor1;
  qint32 previous = 0;
  bool first = true;
  for (const qint32 index : m_steps.GetIndexes(Method)) {
    const qint32 group = m_window.FileList->GetItem(index)->Viewed.GetGroup(Method);
    if (first || group != previous)
      colour = colour == GroupColor1 ? GroupColor2 : GroupColor1;
    first = false;
    previous = group;
    m_window.AddResultNode(index, colour);
  }
  list.RestartThumbLoader();
  m_window.UpdateResultStatus();
}

void TStepView::Enter(int Method) {
  {
    std::optional<TfrmMain::TNavigationHold> hold;
    if (m_steps.Count() > 0 && Method != m_steps.GetMethod(0))
      hold.emplace(m_window);
    ShowStep(Method);
  }
  m_steps.ShownMethod = Method;
  m_window.ShowPage(m_window.tbsResults);
  m_window.boxResultsClient->setTitle(SearchMethodTitle(Method));
}

void TStepView::Next() {
  if (m_steps.Count() == 0)
    return;
  const int shown = m_steps.ShownMethod;
  if (shown == m_steps.GetMethod(m_steps.Count() - 1)) {
    if (m_window.FileList->AnyMarked()) {
      m_window.ShowActionPage();
      return;
    }
    if (m_window.ResultTreeEmpty())
      Back();
    ShowInfo(m_window.LangList->GetText(20105));
    return;
  }
  const int position = shown > 0 ? m_steps.IndexOfMethod(shown) + 1 : 0;
  Enter(m_steps.GetMethod(position));
  if (m_window.ResultTreeEmpty())
    Next();
  ResortResults();
}

void TStepView::Back() {
  if (m_steps.Count() == 0)
    return;
  QWidget *page = m_window.ActivePage();
  const bool fromActionPages = page == m_window.tbsAction || page == m_window.tbsLog;
  // Steps without rows are passed over, so the first step with rows counts as the first: answered
  // No, the question must leave that step shown, not an empty one before it.
  if (!fromActionPages &&
      (m_steps.GetMethod(0) >= m_steps.ShownMethod || !AnyRowsBefore(m_steps.ShownMethod))) {
    const auto answer = DialogService::instance().messageBox(
        &m_window, QMessageBox::Question, m_window.LangList->GetText(2045), m_window.LangList->GetText(2097),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes) {
      m_window.ResultList().Clear();
      m_window.ShowPage(m_window.ReturnPage);
    }
    return;
  }
  const int method = fromActionPages ? m_steps.GetMethod(m_steps.Count() - 1)
                                     : m_steps.GetMethod(m_steps.IndexOfMethod(m_steps.ShownMethod) - 1);
  Enter(method);
  if (m_window.ResultTreeEmpty())
    Back();
  ResortResults();
}

bool TStepView::AnyRowsBefore(int Method) const {
  for (int position = m_steps.IndexOfMethod(Method) - 1; position >= 0; --position)
    if (!m_steps.GetIndexes(m_steps.GetMethod(position)).isEmpty())
      return true;
  return false;
}

void TStepView::ResortResults() {
  TResultList &list = m_window.ResultList();
  if (list.SortColumn() == -1)
    return;
  list.Resorting = true;
  struct TLower {
    bool &Flag;
    ~TLower() { Flag = false; }
  } lower{list.Resorting};
  m_window.trvResultHeaderClick(list.SortColumn());
}
