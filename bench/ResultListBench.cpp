// The results list with a large step, headless: the time to show a step of N rows (rows built,
// thumbnail loader started, the list laid out and painted once) and to sort it by each sortable
// column keeping groups together (sort, regrouping, colours, repaint); the bulk marking commands in
// one list update each (select all, invert, the three automatic markings). Medians of several runs,
// in wall time and in the main thread's processor time (steadier on a busy machine). Last, the
// marking dialog opened over rows that each lie in their own subfolder of one parent.
//
//   bench_resultlist [rows=100000] [runs=5] [sibling folders=40000]

#include "bench/Timing.h"
#include "engine/StepStorage.h"
#include "settings/Language.h"
#include "ui/main/DMMain.h"
#include "ui/main/Main.h"
#include "ui/main/ResultSteps.h"
#include "ui/results/Marker.h"
#include "ui/results/ResultMarking.h"
#include "ui/results/ResultModel.h"
#include "ui/results/ResultShow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <random>
#include <sys/resource.h>

namespace {

long PeakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}


// Rows groups of two to five files with scattered names, folders and sizes; every tenth a picture
// (that does not exist, so its thumbnail fails quickly), every twentieth a marked file.
void Fill(TfrmMain &Window, int Rows) {
  std::mt19937 random(7);
  TUseFileList &list = *Window.FileList;
  TStepStorage &steps = *Window.ResultSteps;
  steps.Setup(TWhatFind{MethodContent});
  int group = 0;
  while (list.Count() < Rows) {
    const int members = 2 + int(random() % 4);
    const qint64 size = qint64(random() % 50000000);
    for (int m = 0; m < members && list.Count() < Rows; ++m) {
      const int n = list.Count();
      const QString folder =
          QStringLiteral("/data/archive %1/set %2/").arg(random() % 300).arg(random() % 40);
      const QString name =
          QStringLiteral("%1 file %2.%3").arg(random() % 100000).arg(n).arg(n % 10 == 0 ? "jpg" : "dat");
      const int index = list.AddFile(folder, name, size, nullptr);
      TUseFileProperty *item = list.GetItem(index);
      item->Viewed.SetGroup(MethodContent, group * 7);
      item->Viewed.Marked = n % 20 == 0;
      steps.AddIndex(MethodContent, index);
    }
    ++group;
  }
}

} // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir home;
  qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
  QApplication app(argc, argv);
  const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;

  TdtmMain dataModule;
  TfrmMain window(QString::fromUtf8(PAIRHOUND_SOURCE_DIR));
  window.resize(900, 700);
  window.show();
  window.ShowPage(window.tbsResults);
  QApplication::processEvents();
  Fill(window, rows);
  window.ResultSteps->ShownMethod = MethodContent;

  const auto paint = [&] { window.trvResult->viewport()->grab(); };
  QElapsedTimer timer;
  std::vector<double> show, showCpu;
  for (int run = 0; run < runs; ++run) {
    timer.start();
    const double cpu = ThreadMs();
    window.StepView().ShowStep(MethodContent);
    paint();
    show.push_back(double(timer.nsecsElapsed()) / 1e6);
    showCpu.push_back(ThreadMs() - cpu);
  }
  std::printf("rows: %d, groups of 2 to 5, every tenth row a picture\n", rows);
  std::printf("show a step:          median %8.1f ms  (min %.1f, max %.1f, %d runs), processor %.1f ms\n",
              Median(show), *std::min_element(show.begin(), show.end()),
              *std::max_element(show.begin(), show.end()), runs, Median(showCpu));

  const char *names[] = {"name", "folder", "size", "group"};
  for (int column = ColName; column <= ColGroup; ++column) {
    std::vector<double> times, cpuTimes;
    for (int run = 0; run < runs; ++run) {
      timer.start();
      const double cpu = ThreadMs();
      window.trvResultHeaderClick(column);
      paint();
      times.push_back(double(timer.nsecsElapsed()) / 1e6);
      cpuTimes.push_back(ThreadMs() - cpu);
    }
    std::printf("sort by %-6s        median %8.1f ms  (min %.1f, max %.1f), processor %.1f ms\n",
                names[column], Median(times), *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()), Median(cpuTimes));
  }
  // Bulk marking, each in one list update, then the status line and a repaint.
  {
    TResultModel &model = window.ResultList().Model();
    QStringList folders = GatherFolders(model);
    const QStringList extensions = GatherExtensions(model);
    QStringList someFolders;
    for (qsizetype i = 0; i < folders.size(); i += 3)
      someFolders << folders[i] + "/";
    const struct {
      const char *Name;
      std::function<void()> Run;
    } commands[] = {
        {"select all", [&] { SetResultChecks(model, TCheckRule::All); }},
        {"invert", [&] { SetResultChecks(model, TCheckRule::Invert); }},
        {"keep earliest created",
         [&] {
           MarkAllGroupsByCriterion(model, {TCriterionKind::DateCreate, false, false});
         }},
        {"keep latest modified",
         [&] {
           MarkAllGroupsByCriterion(model, {TCriterionKind::DateUpdate, true, false});
         }},
        {"keep largest",
         [&] {
           MarkAllGroupsByCriterion(model, {TCriterionKind::Size, true, false});
         }},
        {"by folders (1 in 3)", [&] { MarkByFolders(model, someFolders, true); }},
        {"by extension", [&] { MarkByExtensions(model, {extensions.first()}, true); }},
    };
    std::vector<double> opening;
    for (int run = 0; run < runs; ++run) {
      timer.start();
      TfrmMarker marker(model, *window.LangList, {}, &window);
      opening.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("open the marking dialog (folder tree and extension list): median %.1f ms\n",
                Median(opening));
    std::printf("marking (%lld folders, %lld extensions in the dialog's lists):\n", (long long)folders.size(),
                (long long)extensions.size());
    for (const auto &command : commands) {
      std::vector<double> times, cpuTimes;
      for (int run = 0; run < runs; ++run) {
        SetResultChecks(model, TCheckRule::None);
        timer.start();
        const double cpu = ThreadMs();
        command.Run();
        window.UpdateResultStatus();
        paint();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpuTimes.push_back(ThreadMs() - cpu);
      }
      std::printf("  %-22s median %8.1f ms  (min %.1f, max %.1f), processor %.1f ms\n", command.Name,
                  Median(times), *std::min_element(times.begin(), times.end()),
                  *std::max_element(times.begin(), times.end()), Median(cpuTimes));
    }
  }
  // The regrouping walk alone, on the worst order for it: every group's rows spread over the list.
  {
    std::vector<qint32> groups(static_cast<size_t>(rows));
    for (int i = 0; i < rows; ++i)
      groups[size_t(i)] = i % (rows / 3);
    timer.start();
    long swaps = 0;
    RegroupAfterSort(groups, [&swaps](int, int) { ++swaps; });
    std::printf("regroup walk, groups spread out: %.1f ms, %ld swaps\n", double(timer.nsecsElapsed()) / 1e6,
                swaps);
  }
  // The marking dialog's folder tree when every row has its own subfolder of one parent.
  {
    const int siblings = argc > 3 ? std::atoi(argv[3]) : 40000;
    TUseFileList files;
    TResultModel model(files, [] { return MethodContent; });
    model.BeginUpdate();
    for (int i = 0; i < siblings; ++i) {
      const int index = files.AddFile(QStringLiteral("/data/shared/folder %1/").arg(i, 6, 10, QLatin1Char('0')),
                                      QStringLiteral("file.dat"), 1, nullptr);
      files.GetItem(index)->Viewed.SetGroup(MethodContent, i / 2);
      model.AddResultNode(index, 0);
    }
    model.EndUpdate();
    std::vector<double> times, cpuTimes;
    for (int run = 0; run < runs; ++run) {
      timer.start();
      const double cpu = ThreadMs();
      TfrmMarker marker(model, *window.LangList, {}, &window);
      times.push_back(double(timer.nsecsElapsed()) / 1e6);
      cpuTimes.push_back(ThreadMs() - cpu);
    }
    std::printf("open the marking dialog over %d sibling folders: median %.1f ms  (min %.1f, max %.1f), "
                "processor %.1f ms\n",
                siblings, Median(times), *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()), Median(cpuTimes));
  }
  std::printf("peak memory: %ld MiB\n", PeakRssKiB() / 1024);
  return 0;
}
