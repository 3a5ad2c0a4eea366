#pragma once
// The result steps of the current result: one step per chosen search method, in method order, and for
// each method the file-list indices of its grouped files in the order grouping recorded them.

#include "engine/UsePropertyFile.h"

#include <QList>

#include <array>

class TStepStorage {
public:
  // Empties the steps and every method's index list.
  void Clear();
  int Count() const { return int(Steps.size()); }
  // Method number of step I (0-based).
  int GetMethod(int I) const { return Steps.at(I); }
  // Position of the method's step, -1 when it has none.
  int IndexOfMethod(int Method) const { return int(Steps.indexOf(Method)); }
  void AddStep(int Method) { Steps.append(Method); }
  // Steps by method number, ascending.
  void Sort();
  // Appends a file-list index to the method's list (methods outside 1 to 6 are ignored).
  void AddIndex(int Method, qint32 Index);
  // The method's index list (empty outside 1 to 6).
  const QList<qint32> &GetIndexes(int Method) const;
  // Clear, no step shown, then one step per chosen method 1 to 6, ascending.
  void Setup(const TWhatFind &WhatFind);

  // Method numbers of the steps.
  QList<int> Steps;
  // Indexes[m - 1] holds the files of method m.
  std::array<QList<qint32>, MethodCount> Indexes;
  // The method whose step the results page shows; -1: none yet.
  int ShownMethod = -1;
};
