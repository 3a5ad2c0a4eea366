#include "engine/StepStorage.h"

#include <algorithm>

void TStepStorage::Clear() {
  Steps.clear();
  for (auto &list : Indexes)
    list.clear();
}

void TStepStorage::Sort() {
  std::sort(Steps.begin(), Steps.end());
}

void TStepStorage::AddIndex(int Method, qint32 Index) {
  if (Method >= 1 && Method <= MethodCount)
    Indexes[size_t(Method - 1)].append(Index);
}

const QList<qint32> &TStepStorage::GetIndexes(int Method) const {
  static const QList<qint32> none;
  return (Method >= 1 && Method <= MethodCount) ? Indexes[size_t(Method - 1)] : none;
}

void TStepStorage::Setup(const TWhatFind &WhatFind) {
  Clear();
  ShownMethod = -1;
  for (int method = 1; method <= MethodCount; ++method)
    if (WhatFind.Contains(method) && IndexOfMethod(method) < 0)
      AddStep(method);
  Sort();
}
