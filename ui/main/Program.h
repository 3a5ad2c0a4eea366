#pragma once
// The main window's life: made over the program's folder, shown, the event loop run until it
// closes, then freed. Every ending returns 0, also a run unwound by closing the window.

#include <QString>

int RunMainWindow(const QString &ProgramFolder);
