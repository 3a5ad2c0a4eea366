// The folders page's tree reopening a large folder, headless: the window's time to open again a
// folder of N subfolders that did not change, and one where a folder came and one went. Medians of
// several runs in the main thread's processor time (steadier on a busy machine).
//
//   bench_foldertree [subfolders=5000,20000] [runs=5]

#include "bench/Timing.h"
#include "ui/main/FolderTree.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

void Run(int Count, int Runs) {
  QTemporaryDir dir;
  const QString root = dir.path();
  for (int i = 0; i < Count; ++i)
    QDir().mkdir(root + QStringLiteral("/f%1").arg(i));
  TFolderTree tree;
  TFolderTreeModel &model = *tree.Model();
  const QModelIndex top = model.index(root);
  model.fetchMore(top);
  tree.expand(top);
  const auto reopen = [&] {
    tree.collapse(top);
    const double start = ThreadMs();
    tree.expand(top);
    return ThreadMs() - start;
  };
  std::vector<double> same, changed;
  for (int run = 0; run < Runs; ++run)
    same.push_back(reopen());
  for (int run = 0; run < Runs; ++run) {
    QDir().mkdir(root + QStringLiteral("/g%1").arg(run));
    QDir().rmdir(root + QStringLiteral("/f%1").arg(run * 7));
    changed.push_back(reopen());
  }
  std::printf("%6d subfolders: reopened unchanged %8.1f ms, one came and one went %8.1f ms (rows %d)\n",
              Count, Median(same), Median(changed), model.rowCount(top));
}

} // namespace

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::vector<int> counts{5000, 20000};
  if (argc > 1) {
    counts.clear();
    for (const QString &n : QString::fromLocal8Bit(argv[1]).split(QLatin1Char(',')))
      counts.push_back(n.toInt());
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  for (const int count : counts)
    Run(count, runs);
}
