#pragma once
// The window's side of the result steps: the results list filled for one search method at a time,
// and Next and Back between the steps, on to the action page after the last one and back to the
// page that started the result before the first.

class TfrmMain;
class TStepStorage;

class TStepView {
public:
  explicit TStepView(TfrmMain &Window);

  // Fills the results list with Method's files in group order, the groups in alternating colours
  // (the first in GroupColor2), and starts a thumbnail loader over the new rows.
  void ShowStep(int Method);
  // The next method's step (the first when none is shown yet), passing over empty steps; after the
  // last step the action page, or message 20105 when nothing is marked.
  void Next();
  // The step before; before the first, question 2097 and, on Yes, the page that started the result.
  // From the action and log pages, the last step.
  void Back();
  // Applies the list's sort column and direction again to the rows just shown.
  void ResortResults();

private:
  // Shows Method's step: buttons held while the rows are built, the method's title, the page.
  void Enter(int Method);
  // Whether a step before Method's has rows to show.
  bool AnyRowsBefore(int Method) const;
  TfrmMain &m_window;
  TStepStorage &m_steps;
};
