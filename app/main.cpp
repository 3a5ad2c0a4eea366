// The program block: the application, the data module and the main window, then the event loop.
// Every ending leaves with exit code 0, after the file-type groups are written back.
#include "ui/main/Main.h"
#include "engine/Progress.h"
#include "settings/FileGroupExt.h"
#include "ui/main/DMMain.h"
#include "ui/main/IconAnimation.h"

#include <QApplication>

int main(int argc, char *argv[]) {
  {
    QApplication app(argc, argv);
    QApplication::setApplicationName(GetProgramTitle());
    CreateFileGroupList();
    TdtmMain dataModule;
    {
      TfrmMain window(QCoreApplication::applicationDirPath());
      window.show();
      try {
        QApplication::exec();
      } catch (const EMyHalt &) {
        // The window was closed during a run; everything on the way has cleaned up.
      }
      TIconAnimation::JoinAll();
    }
    // The groups are written back while the translations are gone: only their masks are stored.
    FreeFileGroupList();
  }
  return 0;
}
