// A same-content search through the real main window (offscreen), next to the same search run
// headless by the engine and to jdupes, in the same run and on the same warm folder tree. The window
// is driven as a user drives it: first page, the content method alone, the folder checked in the
// tree, Next; its time ends when the first result step is on screen. Medians of several rounds and
// the ratios window / headless and window / jdupes.
//
//   bench_window [folder] [--rounds N] [--window-only] [--cold]
//
// --window-only runs the window's search alone, for a profiler; PAIRHOUND_BENCH_HEADLESS_ONLY=1 in the
// environment runs the headless search alone, to compare the two profiles.
// --cold drops the page cache before every timed search (root only), so each reads from the disk.
// Without a folder it uses the tree of bench/peers.sh (100,000 files), making it when missing.

#include "engine/SearchRun.h"
#include "engine/StepStorage.h"
#include "ui/dialogs/DialogService.h"
#include "ui/main/DMMain.h"
#include "ui/main/FolderTree.h"
#include "ui/main/Main.h"
#include "ui/main/ResultSteps.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

double Median(std::vector<double> Values) {
  std::sort(Values.begin(), Values.end());
  const size_t n = Values.size();
  return n % 2 ? Values[n / 2] : (Values[n / 2 - 1] + Values[n / 2]) / 2;
}

double Seconds(const QElapsedTimer &Timer) {
  return double(Timer.nsecsElapsed()) / 1e9;
}

// The main thread's processor time in the last timed search.
double LastCpu = 0;

// Processor time of the calling thread, in seconds.
double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The search through a new window; -1 when it did not end on the results page. Show: the time to
// show the first result step once more, the part of the window's time that no headless run has.
double WindowSearch(const QString &Folder, int &Files, double &Show) {
  TfrmMain window(QString::fromUtf8(PAIRHOUND_SOURCE_DIR));
  window.show();
  QApplication::processEvents();
  window.rbtFirstFind->setChecked(true);
  window.btnNext->click();
  for (QCheckBox *box : {window.cbxSearchMethodImage, window.cbxSearchMethodMp3,
                         window.cbxSearchMethodProperty, window.cbxSearchMethodZero})
    box->setChecked(false);
  window.cbxSearchMethodCrc->setChecked(true);
  window.btnNext->click();
  window.trvFolders->Model()->ClearChecks();
  window.trvFolders->Model()->SetChecked(Folder, true);
  // A user takes a moment to tick a folder: the folder tree has read its folders by then.
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 1000) {
    QApplication::processEvents();
    QThread::msleep(5);
  }
  const double cpu = ThreadSeconds();
  timer.start();
  window.btnNext->click();
  QApplication::processEvents();
  const double took = Seconds(timer);
  LastCpu = ThreadSeconds() - cpu;
  Files = window.FileList->Count();
  if (window.pgcMain->currentWidget() != window.tbsResults)
    return -1;
  timer.start();
  window.StepView().ShowStep(window.ResultSteps->ShownMethod);
  QApplication::processEvents();
  Show = Seconds(timer);
  return took;
}

double HeadlessSearch(const QString &Folder, int &Files) {
  TUseFileList list;
  TStepStorage steps;
  TNullProgressSink sink;
  TProgressBarModel bar;
  TSearchChoice choice;
  choice.WhatFind = TWhatFind({MethodContent});
  choice.IncludeFolders = {Folder};
  QElapsedTimer timer;
  const double cpu = ThreadSeconds();
  timer.start();
  RunSearch(list, steps, choice, sink, bar);
  const double took = Seconds(timer);
  LastCpu = ThreadSeconds() - cpu;
  Files = list.Count();
  return took;
}

std::optional<double> JdupesSearch(const QString &Program, const QString &Folder) {
  QProcess process;
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setStandardErrorFile(QProcess::nullDevice());
  QElapsedTimer timer;
  timer.start();
  process.start(Program, {QStringLiteral("-r"), QStringLiteral("-q"), Folder});
  if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit)
    return std::nullopt;
  return Seconds(timer);
}

QString DefaultTree() {
  const QString tree = QStringLiteral("/var/tmp/pairhound-bench-100000-0.2-1");
  if (!QFile::exists(tree + QStringLiteral("/.complete"))) {
    std::printf("making the tree %s ...\n", qPrintable(tree));
    std::fflush(stdout);
    const QString maker = QCoreApplication::applicationDirPath() + QStringLiteral("/pairhound_maketree");
    if (QProcess::execute(maker, {tree + QStringLiteral("/data"), QStringLiteral("--files"),
                                  QStringLiteral("100000"), QStringLiteral("--dup-share"),
                                  QStringLiteral("0.2"), QStringLiteral("--seed"), QStringLiteral("1")}) != 0)
      return {};
    QFile mark(tree + QStringLiteral("/.complete"));
    if (!mark.open(QIODevice::WriteOnly))
      return {};
  }
  return tree + QStringLiteral("/data");
}

// Writes back and drops the page cache, dentries and inodes; false where the machine does not allow it.
bool DropCaches() {
  ::sync();
  QFile control(QStringLiteral("/proc/sys/vm/drop_caches"));
  return control.open(QIODevice::WriteOnly) && control.write("3\n") == 2 && control.flush();
}

} // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  // A new user's settings (tray icon and animation on), kept away from the real ones. The home
  // folder is not below /tmp: the folder tree watches the folders it shows, and a busy /tmp (other
  // programs' scratch files) would make it re-read them all through the search.
  QTemporaryDir home(QStringLiteral("/var/tmp/pairhound-bench-home-XXXXXX"));
  for (const char *variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
    qputenv(variable, home.path().toUtf8());
  QApplication app(argc, argv);
  QString folder;
  int rounds = 3;
  bool windowOnly = false;
  bool cold = false;
  const QStringList args = app.arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--rounds") && i + 1 < args.size())
      rounds = std::max(1, args[++i].toInt());
    else if (args[i] == QLatin1String("--window-only"))
      windowOnly = true;
    else if (args[i] == QLatin1String("--cold"))
      cold = true;
    else if (folder.isEmpty() && !args[i].startsWith(QLatin1Char('-')))
      folder = args[i];
    else {
      std::fprintf(stderr, "usage: %s [folder] [--rounds N] [--window-only] [--cold]\n", argv[0]);
      return 2;
    }
  }
  if (folder.isEmpty())
    folder = DefaultTree();
  folder = QDir::cleanPath(QDir(folder).absolutePath());
  if (folder.isEmpty() || !QDir(folder).exists()) {
    std::fprintf(stderr, "no folder to search\n");
    return 2;
  }
  const QString jdupes = QStandardPaths::findExecutable(QStringLiteral("jdupes"));
  // Every timed search starts from the same cache: the disk's (cold) or the one the last left (warm).
  const auto settle = [&] {
    if (cold && !DropCaches()) {
      std::fprintf(stderr, "--cold: the page cache cannot be dropped here (needs root)\n");
      std::exit(2);
    }
  };

  TdtmMain dataModule;
  // Warm the cache and the program once before anything is timed.
  int files = 0;
  if (qEnvironmentVariableIsSet("PAIRHOUND_BENCH_HEADLESS_ONLY")) {
    for (int round = 0; round < rounds; ++round)
      std::printf("round %d: headless %.3f s\n", round + 1, HeadlessSearch(folder, files));
    return 0;
  }
  if (windowOnly) {
    for (int round = 0; round < rounds; ++round) {
      double shown = 0;
      settle();
      const double w = WindowSearch(folder, files, shown);
      std::printf("round %d: window %.3f s (main thread busy %.3f s)\n", round + 1, w, LastCpu);
    }
    return 0;
  }
  HeadlessSearch(folder, files);
  std::vector<double> window, headless, peer, show, windowCpu, headlessCpu;
  int windowFiles = 0;
  for (int round = 0; round < rounds; ++round) {
    double shown = 0;
    settle();
    const double w = WindowSearch(folder, windowFiles, shown);
    show.push_back(shown);
    if (w < 0) {
      std::fprintf(stderr, "the window's search did not end on the results page\n");
      return 1;
    }
    window.push_back(w);
    windowCpu.push_back(LastCpu);
    settle();
    headless.push_back(HeadlessSearch(folder, files));
    headlessCpu.push_back(LastCpu);
    settle();
    if (!jdupes.isEmpty())
      if (const auto j = JdupesSearch(jdupes, folder))
        peer.push_back(*j);
    std::printf("round %d: window %.3f s (main thread busy %.3f s), headless %.3f s (%.3f s)", round + 1,
                window.back(), windowCpu.back(), headless.back(), headlessCpu.back());
    if (!peer.empty())
      std::printf(", jdupes %.3f s", peer.back());
    std::printf("\n");
    std::fflush(stdout);
  }
  if (windowFiles != files) {
    std::fprintf(stderr, "the window kept %d files, the engine %d\n", windowFiles, files);
    return 1;
  }
  const double w = Median(window), h = Median(headless);
  std::printf("folder: %s (%d files kept after grouping), %s cache\n", qPrintable(folder), files,
              cold ? "cold" : "warm");
  std::printf("median of %d rounds: window %.3f s, headless engine %.3f s", rounds, w, h);
  if (!peer.empty())
    std::printf(", jdupes %.3f s", Median(peer));
  std::printf("\nmain thread busy: window %.3f s, headless %.3f s", Median(windowCpu), Median(headlessCpu));
  std::printf("\nof the window's time, showing the first result step: %.3f s\n", Median(show));
  std::printf("window / headless: %.2f (target 1.10 or less)\n", w / h);
  if (!peer.empty())
    std::printf("window / jdupes: %.2f, headless / jdupes: %.2f\n", w / Median(peer), h / Median(peer));
  else
    std::printf("jdupes not found: install it to compare (apt-get install jdupes)\n");
  return 0;
}
