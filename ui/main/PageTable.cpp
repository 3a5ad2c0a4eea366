// The window's side of the page table: Next and Back looked up for the page shown, the one owner of
// their enabled state, and the busy-run helper that every long run from a page goes through.
#include "ui/main/PageTable.h"

#include "engine/SearchFilter.h"
#include "ui/main/Main.h"

#include <QPushButton>

void TfrmMain::btnNextClick() {
  RunGuarded([this] { m_pages.Next(ActivePage()); });
}

void TfrmMain::btnBackClick() {
  RunGuarded([this] { m_pages.Back(ActivePage()); });
}

TPageMoves TfrmMain::ProgressPageMoves() {
  return {[this] { TogglePause(); }, [this] { ConfirmStop(); }, {}, {}};
}

void TfrmMain::UpdateNavigation() {
  QWidget *page = ActivePage();
  const bool free = m_navigationHolds == 0;
  btnNext->setEnabled(free && m_pages.NextEnabled(page));
  btnBack->setEnabled(free && m_pages.BackEnabled(page));
}

TfrmMain::TNavigationHold::TNavigationHold(TfrmMain &Window) : m_window(Window) {
  ++m_window.m_navigationHolds;
  m_window.UpdateNavigation();
}

TfrmMain::TNavigationHold::~TNavigationHold() {
  --m_window.m_navigationHolds;
  m_window.UpdateNavigation();
}

void TfrmMain::PageShown(QWidget *Page) {
  UpdateNavigation();
  // Every new search starts without the filter of an earlier one.
  if (Page == tbsFirst)
    SearchFilter().Clear();
}

void TfrmMain::RunBusy(const TBusyRun &Run) {
  if (Run.LockOptions)
    btnOptions->setEnabled(false);
  EnterBusyButtons();
  bool stopped = false;
  QString failure;
  {
    struct TCleanUp {
      TfrmMain &Window;
      bool Options;
      ~TCleanUp() {
        Window.FlushProgress();
        Window.LeaveBusyButtons();
        if (Options)
          Window.btnOptions->setEnabled(true);
      }
    } cleanUp{*this, Run.LockOptions};
    try {
      ShowPage(Run.ProgressPage);
      Run.Run();
    } catch (const EMyStop &) {
      stopped = true;
    } catch (const EMyHalt &) {
      throw;
    } catch (const std::exception &error) {
      failure = QString::fromUtf8(error.what());
      // A run that failed without words still failed.
      if (failure.isEmpty())
        failure = QStringLiteral("?");
    }
  }
  if (stopped && Run.Stopped)
    Run.Stopped();
  else if (!failure.isEmpty() && Run.Failed)
    Run.Failed(failure);
}
