// Result-file and grouping speed on large lists: saving and loading 100,000 records (plain and with
// picture grids), and grouping by file properties when many files share one size.
// Run: bench_result [--benchmark_repetitions=N]; quote the medians.

#include "engine/Grouping.h"
#include "engine/ResultFile.h"
#include "engine/SearchOptions.h"
#include "engine/SearchRun.h"
#include "engine/StepStorage.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kItems = 100000;

QTemporaryDir &Scratch() {
  static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/pairhound-bench-XXXXXX"));
  return dir;
}

void Fill(TUseFileList &List, bool Pictures) {
  List.SetFilter({1, 2}, QStringLiteral("/data/;"), QString(), QString());
  for (int i = 0; i < kItems; ++i) {
    const int k = List.AddFile(QStringLiteral("/data/folder%1/").arg(i % 500),
                               QStringLiteral("file%1.jpg").arg(i), 1000 + i % 7000, nullptr);
    TUseFileProperty &Item = *List.GetItem(k);
    Item.FileItem.Code = i * 7919;
    Item.WhatRead_Code = true;
    if (Pictures) {
      Item.DataImage = std::make_unique<TDataImage>();
      Item.DataImage->Total = 700000 + i;
      for (int c = 1; c <= 10; ++c)
        for (int r = 1; r <= 8; ++r)
          Item.DataImage->Cell(c, r) = {235000 + (i + c * r) % 1000, 860 + r};
    }
  }
}

QString Saved(bool Pictures) {
  const QString Name = Scratch().filePath(Pictures ? QStringLiteral("pictures.wzr") : QStringLiteral("plain.wzr"));
  if (!QFile::exists(Name)) {
    TUseFileList List;
    Fill(List, Pictures);
    List.SaveToFile(Name);
  }
  return Name;
}

void BM_Load(benchmark::State &State) {
  const QString Name = Saved(State.range(0) != 0);
  TProgressBarModel Bar;
  TNullProgressSink Sink;
  for (auto _ : State) {
    TUseFileList List;
    List.LoadFromFile(Name, Bar, Sink);
    benchmark::DoNotOptimize(List.Count());
  }
}

void BM_Save(benchmark::State &State) {
  TUseFileList List;
  Fill(List, State.range(0) != 0);
  const QString Name = Scratch().filePath(QStringLiteral("save.wzr"));
  for (auto _ : State)
    List.SaveToFile(Name);
}

// Counts the progress calls; each one costs the grouping pause in the program.
class TCountingSink : public IProgressSink {
public:
  void ProcessProgress(const QString &) override { ++Calls; }
  void ProcessActionProgress() override {}
  qint64 Calls = 0;
};

// Method 4 with the default options over files of which many share a size, as small files do. The
// counter "pauses" is the number of progress calls, each of which sleeps 10 ms in the program.
void BM_GroupPropertiesSharedSizes(benchmark::State &State) {
  SearchOptions().SetDefaults();
  qint64 Pauses = 0;
  for (auto _ : State) {
    State.PauseTiming();
    TUseFileList List;
    List.SetFilter({4}, QString(), QString(), QString());
    for (int i = 0; i < State.range(0); ++i)
      List.AddFile(QStringLiteral("/d/"), QStringLiteral("name%1.txt").arg(i % (State.range(0) / 2)), i % 20,
                   nullptr);
    TStepStorage Steps;
    TProgressBarModel Bar;
    TCountingSink Sink;
    State.ResumeTiming();
    GroupResult(List, Steps, Sink, Bar, {nullptr, nullptr, 0});
    benchmark::DoNotOptimize(Steps.GetIndexes(4).size());
    Pauses = Sink.Calls;
  }
  State.counters["pauses"] = double(Pauses);
}

} // namespace

BENCHMARK(BM_Load)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Save)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GroupPropertiesSharedSizes)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv) {
  QCoreApplication App(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
