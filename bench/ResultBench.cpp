// Result-file and grouping speed on large lists: saving and loading 100,000 records (plain and with
// picture grids), and grouping by file properties when many files share one size. Also the long
// steps of large work: opening a result of one million records and grouping it by content (peak
// memory over the file's size, the longest stretch without a progress call), and unpacking a ZIP
// archive of 200,000 entries (the longest stretch, and the one after the last call, which is the
// scratch folder's deletion).
// Run: bench_result [--benchmark_repetitions=N]; quote the medians.

#include "engine/Grouping.h"
#include "engine/ResultFile.h"
#include "engine/SearchOptions.h"
#include "engine/SearchRun.h"
#include "engine/StepStorage.h"

#include "engine/Archive.h"
#include "engine/ReadProperties.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <archive.h>
#include <archive_entry.h>
#include <benchmark/benchmark.h>

#include <functional>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kItems = 100000;

QTemporaryDir &Scratch() {
  static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/pairhound-bench-XXXXXX"));
  return dir;
}

void Fill(TUseFileList &List, bool Pictures) {
  List.SetFilter({1, 2}, QStringList{QStringLiteral("/data/")}, {}, QString());
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
  const QString Name =
      Scratch().filePath(Pictures ? QStringLiteral("pictures.wzr") : QStringLiteral("plain.wzr"));
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
    List.SetFilter({4}, QStringList(), {}, QString());
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

// Measures the longest stretch of work between two progress calls (or the start or the end).
class TSilenceSink : public IProgressSink {
public:
  void Start() {
    m_clock.start();
    m_last = 0;
  }
  void ProcessProgress(const QString &) override { Tick(); }
  void ProcessActionProgress() override { Tick(); }
  // Ends the measurement; returns the stretch after the last call in milliseconds.
  double Finish() {
    const double Tail = double(m_clock.nsecsElapsed() - m_last) / 1e6;
    Tick();
    return Tail;
  }
  double LongestMs() const { return double(m_longest) / 1e6; }
  qint64 Calls = 0;

private:
  void Tick() {
    const qint64 Now = m_clock.nsecsElapsed();
    m_longest = std::max(m_longest, Now - m_last);
    m_last = Now;
    ++Calls;
  }
  QElapsedTimer m_clock;
  qint64 m_last = 0;
  qint64 m_longest = 0;
};

// Runs Work in a child process, so that its peak memory is its own, and hands back its figures.
std::vector<double> InChild(const std::function<std::vector<double>()> &Work, size_t Count) {
  int Pipe[2];
  if (pipe(Pipe) != 0)
    return {};
  const pid_t Child = fork();
  if (Child == 0) {
    close(Pipe[0]);
    const std::vector<double> Values = Work();
    [[maybe_unused]] const ssize_t Written = write(Pipe[1], Values.data(), Values.size() * sizeof(double));
    _exit(0);
  }
  close(Pipe[1]);
  std::vector<double> Values(Count, 0.0);
  [[maybe_unused]] const ssize_t Got = read(Pipe[0], Values.data(), Count * sizeof(double));
  close(Pipe[0]);
  waitpid(Child, nullptr, 0);
  return Values;
}

// A line of /proc/self/status in kB ("VmRSS", "VmHWM").
double StatusKiB(const char *Key) {
  QFile Status(QStringLiteral("/proc/self/status"));
  if (!Status.open(QIODevice::ReadOnly))
    return 0;
  for (const QByteArray &Line : Status.readAll().split('\n'))
    if (Line.startsWith(Key))
      return Line.mid(qsizetype(strlen(Key)) + 1).trimmed().split(' ').value(0).toDouble();
  return 0;
}

void ResetPeakMemory() {
  QFile Refs(QStringLiteral("/proc/self/clear_refs"));
  if (Refs.open(QIODevice::WriteOnly))
    Refs.write("5");
}

// One million records as a search of photos would leave them: 10,000 folders of 100 files each, one
// folder after the other as gathering walks them, sizes shared by a few files, every file read. Written by a
// child process, whose heap the measuring children do not inherit.
QString SavedMillion() {
  const QString Name = Scratch().filePath(QStringLiteral("million.wzr"));
  if (!QFile::exists(Name))
    InChild(
        [&] {
          TUseFileList List;
          List.SetFilter({1}, QStringList{QStringLiteral("/home/user/Pictures/")}, {}, QString());
          for (int i = 0; i < 1000000; ++i) {
            const int k =
                List.AddFile(QStringLiteral("/home/user/Pictures/%1/%2/").arg(2000 + i / 50000).arg(i / 100),
                             QStringLiteral("IMG_%1.JPG").arg(i), 100000 + i % 300000, nullptr);
            TUseFileProperty &Item = *List.GetItem(k);
            Item.FileItem.Code = (i % 300000) * 7919 + (i / 300000) % 2;
            Item.WhatRead_Code = true;
          }
          List.SaveToFile(Name);
          return std::vector<double>{};
        },
        0);
  return Name;
}

// Opening the million-record result and grouping it by content, in a process of its own.
void BM_OpenMillion(benchmark::State &State) {
  const QString Name = SavedMillion();
  const double FileKiB = double(QFile(Name).size()) / 1024;
  std::vector<double> V;
  for (auto _ : State)
    V = InChild(
        [&] {
          ResetPeakMemory();
          const double Before = StatusKiB("VmRSS");
          TUseFileList List;
          TProgressBarModel Bar;
          TSilenceSink Load;
          Load.Start();
          List.LoadFromFile(Name, Bar, Load);
          Load.Finish();
          const double Peak = StatusKiB("VmHWM");
          const double Held = StatusKiB("VmRSS");
          TStepStorage Steps;
          TSilenceSink Group;
          Group.Start();
          GroupResult(List, Steps, Group, Bar, {nullptr, nullptr, 0});
          Group.Finish();
          return std::vector<double>{(Peak - Before) / FileKiB, (Held - Before) / FileKiB, Load.LongestMs(),
                                     Group.LongestMs()};
        },
        4);
  State.counters["file_MiB"] = FileKiB / 1024;
  State.counters["load_peak_x_file"] = V[0];
  State.counters["loaded_x_file"] = V[1];
  State.counters["load_silence_ms"] = V[2];
  State.counters["group_silence_ms"] = V[3];
}

// A stored ZIP of 200,000 small entries in 200 folders.
QString ManyEntryZip() {
  const QString Name = Scratch().filePath(QStringLiteral("many.zip"));
  if (QFile::exists(Name))
    return Name;
  archive *A = archive_write_new();
  archive_write_set_format_zip(A);
  archive_write_set_options(A, "zip:compression=store");
  archive_write_open_filename(A, QFile::encodeName(Name).constData());
  archive_entry *E = archive_entry_new();
  for (int i = 0; i < 200000; ++i) {
    const QByteArray Path = QStringLiteral("d%1/e%2.txt").arg(i % 200).arg(i).toUtf8();
    const QByteArray Data = QByteArray::number(i);
    archive_entry_clear(E);
    archive_entry_set_pathname(E, Path.constData());
    archive_entry_set_filetype(E, AE_IFREG);
    archive_entry_set_perm(E, 0644);
    archive_entry_set_size(E, Data.size());
    archive_write_header(A, E);
    archive_write_data(A, Data.constData(), size_t(Data.size()));
  }
  archive_entry_free(E);
  archive_write_close(A);
  archive_write_free(A);
  return Name;
}

// Unpacking and reading the archive's members, then deleting its scratch folder.
void BM_ArchiveManyEntries(benchmark::State &State) {
  const QString Name = ManyEntryZip();
  double Longest = 0, Tail = 0;
  for (auto _ : State) {
    State.PauseTiming();
    TUseFileList List;
    List.SetFilter({1}, QStringList{Scratch().path() + QStringLiteral("/")}, {}, QStringLiteral("z"));
    const int Index = List.AddFile(Scratch().path() + QStringLiteral("/"), QStringLiteral("many.zip"),
                                   QFile(Name).size(), nullptr);
    List.GetItem(Index)->Owner = List.GetItem(Index);
    for (int i = 0; i < 200000; ++i)
      List.AddFile(QStringLiteral("d%1/").arg(i % 200), QStringLiteral("e%1.txt").arg(i),
                   QByteArray::number(i).size(), List.GetItem(Index));
    TSilenceSink Sink;
    TProgressBarModel Bar;
    TReadPass Pass(List.Filter.WhatFind, &Sink, &Bar);
    Pass.Start(0, true);
    State.ResumeTiming();
    Sink.Start();
    ProcessArchive(List, Index, Pass);
    Tail = Sink.Finish();
    Longest = Sink.LongestMs();
  }
  State.counters["longest_silence_ms"] = Longest;
  State.counters["silence_after_last_call_ms"] = Tail;
}

} // namespace

BENCHMARK(BM_OpenMillion)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ArchiveManyEntries)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Load)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Save)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GroupPropertiesSharedSizes)
    ->Arg(20000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char **argv) {
  QCoreApplication App(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
