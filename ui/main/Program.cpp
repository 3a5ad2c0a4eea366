#include "ui/main/Program.h"

#include "engine/Progress.h"
#include "ui/main/IconAnimation.h"
#include "ui/main/Main.h"

#include <QApplication>

int RunMainWindow(const QString &ProgramFolder) {
  {
    TfrmMain window(ProgramFolder);
    window.show();
    try {
      QApplication::exec();
    } catch (const EMyHalt &) {
      // Reaching here means a run let it through a handler; everything on the way has cleaned up.
    }
  }
  TIconAnimation::JoinAll();
  return 0;
}
