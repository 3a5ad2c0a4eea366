// Grouping alone: the unique marks and the same-content grouping of a list of 100,000 and 300,000
// read files, with sizes and checksums spread like a real tree (about a third of the files share
// their content with another). Prints the median of several rounds per size and the growth exponent
// log(t300k / t100k) / log 3; n log n gives about 1.1.
// Run: bench_group [rounds]

#include "engine/SearchRun.h"
#include "engine/StepStorage.h"
#include "engine/UsePropertyFile.h"

#include <QRandomGenerator>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void Fill(TUseFileList &List, int N) {
  TWhatFind WhatFind;
  WhatFind.Include(MethodContent);
  List.SetFilter(WhatFind, QStringList{QStringLiteral("/bench")}, QStringList(), QString());
  QRandomGenerator Gen(7);
  const QString Folder = QStringLiteral("/bench/folder");
  for (int i = 0; i < N; ++i) {
    // Every third file copies an earlier one; the rest are distinct, some sharing only the size.
    const bool Copy = i > 10 && i % 3 == 0;
    const int From = Copy ? int(Gen.bounded(i)) : i;
    const qint64 Size = Copy ? List.GetItem(From)->FileItem.Size : qint64(Gen.bounded(1, 4000000));
    const int Index = List.AddFile(Folder, QStringLiteral("f%1").arg(i), Size, nullptr);
    TUseFileProperty &Item = *List.GetItem(Index);
    // Each its own file, as gathering records them.
    Item.FileItem.Id = {1, quint64(i) + 1};
    Item.WhatRead_Code = true;
    if (Copy) {
      Item.FileItem.Code = List.GetItem(From)->FileItem.Code;
      Item.FileItem.Hash = List.GetItem(From)->FileItem.Hash;
    } else {
      Item.FileItem.Code = qint32(Gen.generate());
      Item.FileItem.Hash = {Gen.generate64(), Gen.generate64()};
    }
  }
}

double RoundMs(int N) {
  TUseFileList List;
  Fill(List, N);
  TStepStorage Steps;
  TNullProgressSink Sink;
  TProgressBarModel Bar;
  TSearchHooks Hooks;
  Hooks.GroupingPauseMs = 0;
  const auto Start = std::chrono::steady_clock::now();
  List.MarkUniqueSizes();
  List.MarkUniqueCodes();
  GroupResult(List, Steps, Sink, Bar, Hooks);
  const auto End = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::milli>(End - Start).count();
}

double MedianMs(int N, int Rounds) {
  std::vector<double> Times;
  for (int r = 0; r < Rounds; ++r)
    Times.push_back(RoundMs(N));
  std::sort(Times.begin(), Times.end());
  return Times[Times.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
  const int Rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  const double Small = MedianMs(100000, Rounds);
  const double Large = MedianMs(300000, Rounds);
  std::printf("grouping 100000 files: %.1f ms (median of %d)\n", Small, Rounds);
  std::printf("grouping 300000 files: %.1f ms (median of %d)\n", Large, Rounds);
  std::printf("growth exponent: %.2f\n", std::log(Large / Small) / std::log(3.0));
  return 0;
}
