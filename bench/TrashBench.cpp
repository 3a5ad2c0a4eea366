// Trashing many files of one name into a fresh trash: the time per file at 500 and at 2,000 files,
// which stays flat when a free name in the trash is found without going through the names already
// taken. Usage: bench_trash [runs] [folder on the file system to test]. Prints every run, the
// medians and their ratio.

#include "bench/Timing.h"
#include "platform/Names.h"
#include "platform/Trash.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

// Microseconds per file for trashing Count files named "same.txt", each in a folder of its own.
double TrashOnce(const QString &Root, int Count) {
  QTemporaryDir run(Root + QStringLiteral("/run-XXXXXX"));
  qputenv("XDG_DATA_HOME", platform::EncodeName(run.filePath(QStringLiteral("data"))));
  QStringList paths;
  for (int i = 0; i < Count; ++i) {
    const QString folder = run.filePath(QStringLiteral("src/%1").arg(i));
    QFile file(folder + QStringLiteral("/same.txt"));
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) || file.write("same") != 4)
      return -1;
    paths << file.fileName();
  }
  QElapsedTimer clock;
  clock.start();
  for (const QString &path : paths)
    if (!platform::MoveToTrash(path))
      return -1;
  return double(clock.nsecsElapsed()) / 1e3 / Count;
}

} // namespace

int main(int argc, char **argv) {
  const int runs = argc > 1 ? QByteArray(argv[1]).toInt() : 5;
  const QString root = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath();
  QTemporaryDir dir(root + QStringLiteral("/bench-trash-XXXXXX"));
  std::vector<double> medians;
  for (const int count : {500, 2000}) {
    std::vector<double> perFile;
    for (int i = 0; i < runs; ++i) {
      const double us = TrashOnce(dir.path(), count);
      if (us < 0) {
        std::fprintf(stderr, "could not make or trash %d files in %s\n", count, qPrintable(dir.path()));
        return 1;
      }
      std::printf("%5d files: %.1f us per file\n", count, us);
      perFile.push_back(us);
    }
    medians.push_back(Median(perFile));
    std::printf("%5d files median: %.1f us per file\n", count, medians.back());
  }
  std::printf("2000 against 500, per file: %.2f\n", medians[1] / medians[0]);
  return 0;
}
