#pragma once
// A whole search without a window: from the chosen folders, methods and archive letters through
// gathering, the unique marks and reading to a grouped result with its steps. The main window's
// RunSearch wraps this with its tray icon, animation and labels; a headless run calls it directly:
// both run the same sequence.

#include "engine/Progress.h"
#include "engine/UsePropertyFile.h"

#include <QString>
#include <QStringList>

#include <functional>

class TStepStorage;

// What the folders and methods pages chose: exactly the filter the search puts on its list.
using TSearchChoice = TFilter;

// What the window does between the phases. Every member may be empty.
struct TSearchHooks {
  // Shows the phase text (already translated) in the step label.
  std::function<void(const QString &Text)> ShowStep;
  // Clears the pause and stop flags and the progress bar after the reading phase, also on a stop.
  std::function<void()> ResetProgress;
  // Pause of every grouping progress step, in milliseconds.
  int GroupingPauseMs = 10;
};

// The choices of the folders and methods pages as the filter takes them.
// Archive letters: "zr" when archives are searched, else "".
QString ArchiveKinds(bool SearchArchives);
// The checked folders sorted, without those inside a folder kept before them; every path exactly as
// given (never trimmed), since a folder's name may hold blanks and ";".
QStringList CollectCheckedFolders(QStringList Checked);
// The system folders (as listed, in list order) that a search of the checked folders would walk:
// each that is a checked folder or lies inside one, both sides compared by their canonical paths, so
// a link does not hide a system folder.
QStringList SystemFoldersToWarn(const QStringList &SystemFolders, const QStringList &Checked);
// Methods 1 to 5 from the five method boxes; method 6 is never chosen here.
TWhatFind BuildWhatFind(bool Content, bool Pictures, bool Tags, bool Properties, bool Empty);

// True when the choice leaves no folder to walk: none is included, or every included folder is one
// of the excluded folders.
bool NothingToSearch(const TSearchChoice &Choice);

// Orders of the unique-mark passes: by the 64-bit size, by the signed checksum.
int CompareBySize(const TUseFileProperty *A, const TUseFileProperty *B);
int CompareByCode(const TUseFileProperty *A, const TUseFileProperty *B);

// Sets the list's filter from Choice, gathers, marks unique sizes, reads every file and marks
// unique checksums; ResetProgress runs however this is left. EMyStop and EMyHalt pass through.
void RunSearchPhases(TUseFileList &List, const TSearchChoice &Choice, IProgressSink &Sink, IProgressBar &Bar,
                     const TSearchHooks &Hooks = {});

// Groups a gathered or loaded list for the methods of its filter and records the steps: the grouping
// steps shared by a search and by opening a result file.
void GroupResult(TUseFileList &List, TStepStorage &Steps, IProgressSink &Sink, IProgressBar &Bar,
                 const TSearchHooks &Hooks = {});

// The whole search: an emptied list, the phases, then the grouping. Afterwards List.AnyGrouped()
// tells whether anything was found.
void RunSearch(TUseFileList &List, TStepStorage &Steps, const TSearchChoice &Choice, IProgressSink &Sink,
               IProgressBar &Bar, const TSearchHooks &Hooks = {});
