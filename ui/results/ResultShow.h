#pragma once
// The results list, one row per file of the shown search method, groups told apart by two
// alternating text colours:
// - ResultRow.h: the row object TResultShow and the rule by which rows compare under a column;
// - ResultModel.h: the rows (object, height, check box and check state travel together) and the
//   sort that keeps groups together;
// - ResultDelegate.h: painting the preview cell, feeding the thumbnail queue, toggling checks;
// - ResultColumns.h: the column widths;
// - ResultList.h: all of it on the tree view trvResult with its status line and thumbnail loader.

#include "ui/results/ResultColumns.h"
#include "ui/results/ResultDelegate.h"
#include "ui/results/ResultList.h"
#include "ui/results/ResultModel.h"
#include "ui/results/ResultRow.h"
