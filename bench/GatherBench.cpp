// Gathering rate: the engine's walk over a generated tree of 100,000 files in 1,000 folders, next
// to `find` over the same tree in the same run. Prints medians and ratios.
//
//   bench_gather [folder] [rounds]
//
// Without a folder the tree is made in a temporary folder and removed afterwards.

#include "engine/Progress.h"
#include "engine/SearchFilter.h"
#include "engine/UsePropertyFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int TopFolders = 10;
constexpr int SubFoldersEach = 99;  // 10 + 10 x 99 = 1,000 folders
constexpr int FilesPerFolder = 100; // 100,000 files

int MakeTree(const QString &root) {
  int files = 0;
  QByteArray data;
  auto fill = [&](const QString &folder) {
    QDir().mkpath(folder);
    for (int f = 0; f < FilesPerFolder; ++f) {
      QFile file(folder + QStringLiteral("/file%1.dat").arg(f));
      if (!file.open(QIODevice::WriteOnly))
        continue;
      data.fill(char('a' + f % 26), files % 4096);
      file.write(data);
      ++files;
    }
  };
  for (int t = 0; t < TopFolders; ++t) {
    const QString top = root + QStringLiteral("/top%1").arg(t);
    fill(top);
    for (int s = 0; s < SubFoldersEach; ++s)
      fill(top + QStringLiteral("/sub%1").arg(s));
  }
  return files;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Seconds for one run of find with the given arguments, its output thrown away.
double TimeFind(const QStringList &args) {
  QProcess find;
  find.setStandardOutputFile(QProcess::nullDevice());
  QElapsedTimer t;
  t.start();
  find.start(QStringLiteral("find"), args);
  find.waitForFinished(-1);
  return t.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  QTemporaryDir temp;
  QString root = args.size() > 1 ? args.at(1) : temp.path() + QStringLiteral("/tree");
  const int rounds = args.size() > 2 ? std::max(1, args.at(2).toInt()) : 7;

  int files = 0;
  if (!QDir(root).exists() || QDir(root).isEmpty()) {
    std::printf("making the tree in %s ...\n", qPrintable(root));
    files = MakeTree(root);
  }

  SearchFilter().Clear();
  TUseFileList list;
  TNullProgressSink sink;
  TProgressBarModel bar;
  std::vector<double> engine, findNames, findSizes;
  // One run each first, so that every timed run finds the tree in the page cache.
  TimeFind({root});
  for (int r = 0; r < rounds + 1; ++r) {
    list.SetFilter({MethodContent}, QStringList{root}, {}, {});
    QElapsedTimer t;
    t.start();
    list.ScanAll(sink, bar);
    const double seconds = t.nsecsElapsed() / 1e9;
    files = list.Count();
    if (r > 0)
      engine.push_back(seconds);
    findNames.push_back(TimeFind({root}));
    // find that also asks every file's size, as the walk does.
    findSizes.push_back(TimeFind({root, QStringLiteral("-type"), QStringLiteral("f"),
                                  QStringLiteral("-printf"), QStringLiteral("%s\\n")}));
  }
  list.SetFilter({}, QStringList(), {}, {});

  const double e = Median(engine);
  const double fn = Median(findNames);
  const double fs = Median(findSizes);
  std::printf("files gathered: %d (median of %d rounds)\n", files, rounds);
  std::printf("engine walk:           %8.1f ms  %10.0f files/s\n", e * 1e3, files / e);
  std::printf("find DIR:              %8.1f ms  %10.0f files/s  engine/find = %.2f\n", fn * 1e3, files / fn,
              e / fn);
  std::printf("find DIR -printf %%s:   %8.1f ms  %10.0f files/s  engine/find = %.2f\n", fs * 1e3, files / fs,
              e / fs);
  return 0;
}
