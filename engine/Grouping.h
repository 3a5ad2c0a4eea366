#pragma once
// Grouping: divides the gathered (or loaded) files into groups of equal or similar files for each
// chosen search method, drops the files that no group keeps, and records each method's files in
// group order in the step storage. This is the work of the main window's BuildGroups; the window
// only brackets it with its tree's update mode.

#include "engine/Progress.h"
#include "engine/UsePropertyFile.h"

class TStepStorage;

// The pause of every grouping progress step, in milliseconds. It lets the window breathe while a
// large result is grouped; tests and benchmarks may shorten it.
inline constexpr int GroupingPauseMs = 10;

// Groups List for every method of WhatFind, in two passes around List.Compact(): the first pass
// decides what compaction keeps, the second numbers the kept files again and records the steps.
// Steps must have been set up with WhatFind and every group slot reset (ClearGroups(-1)).
// Bar stands for the search progress bar. EMyStop and EMyHalt from Sink pass through; the bar still
// ends at 98.88 % of its maximum.
void BuildGroups(TUseFileList &List, TStepStorage &Steps, const TWhatFind &WhatFind, IProgressBar &Bar,
                 IProgressSink &Sink, int PauseMs = GroupingPauseMs);
