// The program block: the application, the file-type groups, the data module and the main window.
// Every ending leaves with exit code 0, after the file-type groups are written back.
#include "settings/FileGroupExt.h"
#include "ui/main/DMMain.h"
#include "ui/main/Program.h"

#include <QApplication>

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(GetProgramTitle());
  CreateFileGroupList();
  {
    TdtmMain dataModule;
    RunMainWindow(QCoreApplication::applicationDirPath());
  }
  FreeFileGroupList();
  return 0;
}
