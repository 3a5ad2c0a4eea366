// The action road of the page machine: from the results to the chosen action, its store folder,
// its progress page and its log. The action run itself lives in actions/.
#include "ui/main/Main.h"
#include "ui/main/ResultSteps.h"

void TfrmMain::AddActionRoad() {
  // Next waits for the action run; Back returns to the last result step.
  m_pages.Add(tbsAction, {{}, [this] { StepView().Back(); }, {}, {}});
  m_pages.Add(tbsDeleting, ProgressPageMoves());
  m_pages.Add(tbsOpenMoveFolder, {});
  m_pages.Add(tbsLog, {{}, {}, [] { return false; }, {}});
}
