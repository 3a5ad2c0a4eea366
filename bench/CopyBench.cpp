// The longest stretch without a progress call while the Copy action copies one large file, and while
// Move carries it to another file system. Usage: bench_copy [MiB] [runs] [other-file-system folder].
// Prints every run and the medians.

#include "bench/Timing.h"
#include "actions/ActionLog.h"
#include "actions/ActionRun.h"
#include "engine/Progress.h"
#include "engine/UsePropertyFile.h"
#include "platform/Names.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class TGapSink : public IProgressSink {
public:
  void ProcessProgress(const QString &) override { Tick(); }
  void ProcessActionProgress() override { Tick(); }
  void Start() {
    m_clock.start();
    m_last = 0;
    Longest = 0;
    Calls = 0;
  }
  void Finish() { Tick(); }
  qint64 Longest = 0;
  int Calls = 0;

private:
  void Tick() {
    const qint64 now = m_clock.nsecsElapsed();
    Longest = std::max(Longest, now - m_last);
    if (qEnvironmentVariableIsSet("BENCH_COPY_GAPS"))
      std::printf("  call %d after %.0f ms\n", Calls, double(now - m_last) / 1e6);
    m_last = now;
    ++Calls;
  }
  QElapsedTimer m_clock;
  qint64 m_last = 0;
};

bool MakeFile(const QString &Path, qint64 MiB) {
  QFile f(Path);
  if (!f.open(QIODevice::WriteOnly))
    return false;
  QByteArray block(1 << 20, Qt::Uninitialized);
  for (qint64 i = 0; i < MiB; ++i) {
    for (int j = 0; j < block.size(); j += 8)
      *reinterpret_cast<quint64 *>(block.data() + j) = quint64(i * 1000003 + j) * 0x9E3779B97F4A7C15ull;
    if (f.write(block) != block.size())
      return false;
  }
  return f.flush();
}

struct TResult {
  double LongestMs = 0;
  double TotalMs = 0;
  int Calls = 0;
};

TResult RunOnce(const QString &Path, TAction Action, const QString &Store) {
  TUseFileList list;
  const qsizetype slash = Path.lastIndexOf('/');
  struct stat st {};
  ::lstat(platform::EncodeName(Path).constData(), &st);
  TUseFileProperty &item =
      *list.GetItem(list.AddFile(Path.left(slash + 1), Path.mid(slash + 1), qint64(st.st_size), nullptr));
  // What a search would have seen of it.
  platform::TFileIdentity seen;
  platform::IdentityNoLinks(platform::EncodeName(Path), seen);
  item.FileItem.SetIdentity(seen);
  item.Viewed.Marked = true;
  TProgressBarModel bar;
  TGapSink sink;
  TActionLogLines log;
  TActionRun run{list, Action, Store, sink, bar, log};
  run.FileWait = std::chrono::milliseconds(0);
  PrepareActionBar(bar, 1);
  QElapsedTimer total;
  total.start();
  sink.Start();
  ActionLoop(run);
  sink.Finish();
  if (log.Lines.size() != 1 || !log.Lines[0].Ok)
    std::fprintf(stderr, "the action failed\n");
  return {double(sink.Longest) / 1e6, double(total.nsecsElapsed()) / 1e6, sink.Calls};
}


void Report(const char *What, const std::vector<TResult> &Runs) {
  std::vector<double> longest, total;
  for (const TResult &r : Runs) {
    std::printf("%s: longest gap %.0f ms, whole file %.0f ms, %d progress calls\n", What, r.LongestMs,
                r.TotalMs, r.Calls);
    longest.push_back(r.LongestMs);
    total.push_back(r.TotalMs);
  }
  std::printf("%s median: longest gap %.0f ms of %.0f ms\n", What, Median(longest), Median(total));
}

} // namespace

int main(int argc, char **argv) {
  const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;
  const int runs = argc > 2 ? QByteArray(argv[2]).toInt() : 3;
  const QString other = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("/dev/shm");
  QTemporaryDir dir;
  const QString source = dir.filePath(QStringLiteral("src/big.bin"));
  QDir().mkpath(dir.filePath(QStringLiteral("src")));
  const bool made = MakeFile(source, mib);
  ::sync();
  if (!made) {
    std::fprintf(stderr, "cannot write %lld MiB in %s\n", static_cast<long long>(mib), qPrintable(dir.path()));
    return 1;
  }
  std::vector<TResult> copies, moves;
  for (int i = 0; i < runs; ++i) {
    QTemporaryDir store(dir.filePath(QStringLiteral("store-XXXXXX")));
    copies.push_back(RunOnce(source, TAction::Copy, store.path() + QLatin1Char('/')));
  }
  Report("copy", copies);
  QTemporaryDir away(other + QStringLiteral("/bench-copy-XXXXXX"));
  if (away.isValid()) {
    for (int i = 0; i < runs; ++i) {
      QTemporaryDir store(away.filePath(QStringLiteral("store-XXXXXX")));
      moves.push_back(RunOnce(source, TAction::Move, store.path() + QLatin1Char('/')));
      // Back for the next run, outside the measurement.
      if (!QFile::copy(store.path() + source, source))
        return 1;
      // A file still being written out is slow to remove; an ordinary source is not.
      ::sync();
    }
    Report("move to another file system", moves);
  }
  return 0;
}
