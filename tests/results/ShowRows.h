#pragma once
// Shared by the results-list tests: every file of a list shown as a row, in list order.

#include "settings/FileGroupExt.h"
#include "ui/results/ResultShow.h"

inline void ShowAllRows(TResultModel &Model, const TUseFileList &Files) {
  Model.BeginUpdate();
  Model.Clear();
  for (int i = 0; i < Files.Count(); ++i)
    Model.AddResultNode(i, GroupColor2);
  Model.EndUpdate();
}
