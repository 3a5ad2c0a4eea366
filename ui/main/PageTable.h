#pragma once
// The page machine's one table: for every page of the wizard what Next and Back do and whether each
// of the two buttons may be pressed. Each road (SearchRoad, ActionRoad, RestoreRoad) fills in its own
// pages; the window only looks the shown page up.

#include <QHash>
#include <functional>

class QWidget;

struct TPageMoves {
  // What the button does on the page; empty: nothing.
  std::function<void()> Next;
  std::function<void()> Back;
  // Whether the button may be pressed while the page is shown; empty: always.
  std::function<bool()> NextEnabled;
  std::function<bool()> BackEnabled;
};

class TPageTable {
public:
  // A page added twice keeps the later moves.
  void Add(QWidget *Page, TPageMoves Moves) { m_moves.insert(Page, std::move(Moves)); }
  void Next(QWidget *Page) const { run(Page, &TPageMoves::Next); }
  void Back(QWidget *Page) const { run(Page, &TPageMoves::Back); }
  bool NextEnabled(QWidget *Page) const { return allowed(Page, &TPageMoves::NextEnabled); }
  bool BackEnabled(QWidget *Page) const { return allowed(Page, &TPageMoves::BackEnabled); }

private:
  using TMove = std::function<void()> TPageMoves::*;
  using TRule = std::function<bool()> TPageMoves::*;
  void run(QWidget *Page, TMove Move) const {
    const auto found = m_moves.constFind(Page);
    if (found != m_moves.cend() && (*found).*Move)
      ((*found).*Move)();
  }
  bool allowed(QWidget *Page, TRule Rule) const {
    const auto found = m_moves.constFind(Page);
    return found == m_moves.cend() || !((*found).*Rule) || ((*found).*Rule)();
  }

  QHash<QWidget *, TPageMoves> m_moves;
};

// A long operation started from a page: shown on its progress page in busy mode (Next is Pause,
// Back is Stop) and ended by one of three outcomes.
struct TBusyRun {
  QWidget *ProgressPage = nullptr;
  // Options locked for the length of the run.
  bool LockOptions = false;
  std::function<void()> Run;
  // After the clean-up, when the user stopped the run (search: empty the lists and go back; action
  // and restore: on to their log page).
  std::function<void()> Stopped;
  // After the clean-up, when the run failed with Message.
  std::function<void(const QString &Message)> Failed;
};
