// Engine speed: the checksum reading routine against a plain read of the same cached file with the same
// buffer, and the time to make one picture grid from a large JPEG and a large PNG.
// Run: bench_engine [--benchmark_repetitions=N]; the ratio line uses the medians.

#include "engine/CompareImage.h"
#include "engine/ReadProperties.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

namespace {

constexpr qint64 kFileSize = qint64(512) << 20;

QTemporaryDir &Scratch() {
  static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/pairhound-bench-XXXXXX"));
  return dir;
}

QString BigFile() {
  static const QString path = [] {
    const QString p = Scratch().filePath(QStringLiteral("big.bin"));
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly))
      return QString();
    QByteArray block(1 << 20, Qt::Uninitialized);
    QRandomGenerator gen(1);
    for (qint64 done = 0; done < kFileSize; done += block.size()) {
      gen.fillRange(reinterpret_cast<quint32 *>(block.data()), block.size() / 4);
      f.write(block);
    }
    return p;
  }();
  return path;
}

// A photograph-like picture: gradients, shapes and some noise, so neither format compresses it away.
QString Picture(const char *format, const char *suffix) {
  QImage image(4000, 3000, QImage::Format_RGB32);
  QLinearGradient gradient(0, 0, 4000, 3000);
  gradient.setColorAt(0, QColor(30, 90, 160));
  gradient.setColorAt(1, QColor(230, 200, 120));
  QPainter painter(&image);
  painter.fillRect(image.rect(), gradient);
  QRandomGenerator gen(2);
  for (int i = 0; i < 400; ++i) {
    painter.setBrush(QColor::fromRgb(gen.generate() | 0xFF000000u));
    painter.drawEllipse(gen.bounded(4000), gen.bounded(3000), gen.bounded(50, 600), gen.bounded(50, 600));
  }
  painter.end();
  for (int y = 0; y < image.height(); y += 2) {
    auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
    for (int x = 0; x < image.width(); x += 3)
      line[x] ^= gen.bounded(16);
  }
  const QString path = Scratch().filePath(QStringLiteral("picture.") + QLatin1String(suffix));
  image.save(path, format, 90);
  return path;
}

void BM_ChecksumRead(benchmark::State &state) {
  const QString path = BigFile();
  const qint64 size = QFile(path).size();
  TUseFileList list;
  const int index =
      list.AddFile(QFileInfo(path).path() + QLatin1Char('/'), QFileInfo(path).fileName(), size, nullptr);
  TUseFileProperty *item = list.GetItem(index);
  for (auto _ : state) {
    TReadPass pass({1}, nullptr, nullptr);
    item->ReadProperties(index, {}, pass);
    if (item->FileItem.Unreadable)
      state.SkipWithError("read failed");
    benchmark::DoNotOptimize(item->FileItem.Code);
  }
  state.SetBytesProcessed(state.iterations() * size);
}

void BM_PlainRead(benchmark::State &state) {
  const QString path = BigFile();
  const qint64 size = QFile(path).size();
  for (auto _ : state) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
      state.SkipWithError("open failed");
    qint64 n;
    while ((n = f.read(ReadBuffer(), ReadBufferSize)) > 0)
      benchmark::DoNotOptimize(ReadBuffer()[0]);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * size);
}

void GridOf(benchmark::State &state, const QString &path) {
  for (auto _ : state) {
    TDataImage grid;
    grid.LoadFromFile(path);
    if (grid.Total == 0)
      state.SkipWithError("no grid");
    benchmark::DoNotOptimize(grid.Total);
  }
}

void BM_GridFromJpeg4000x3000(benchmark::State &state) {
  static const QString path = Picture("JPEG", "jpg");
  GridOf(state, path);
}

void BM_GridFromPng4000x3000(benchmark::State &state) {
  static const QString path = Picture("PNG", "png");
  GridOf(state, path);
}

BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ChecksumRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GridFromJpeg4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GridFromPng4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints as usual and keeps the byte rates, to show checksum against plain reading at the end.
class TRateReporter : public benchmark::ConsoleReporter {
public:
  std::map<std::string, double> rates;
  void ReportRuns(const std::vector<Run> &runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run &run : runs) {
      const auto it = run.counters.find("bytes_per_second");
      if (it == run.counters.end() || run.error_occurred)
        continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      const std::string name = run.run_name.function_name;
      if (median || (run.run_type == Run::RT_Iteration && !rates.count(name + "/median")))
        rates[median ? name + "/median" : name] = it->second;
    }
  }
  double Rate(const std::string &name) const {
    if (auto it = rates.find(name + "/median"); it != rates.end())
      return it->second;
    auto it = rates.find(name);
    return it == rates.end() ? 0 : it->second;
  }
};

} // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  {
    // Bring the file into the page cache before either reading benchmark runs.
    QFile warm(BigFile());
    if (warm.open(QIODevice::ReadOnly))
      while (warm.read(ReadBuffer(), ReadBufferSize) > 0) {
      }
  }
  TRateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double plain = reporter.Rate("BM_PlainRead"), crc = reporter.Rate("BM_ChecksumRead");
  if (plain > 0 && crc > 0)
    std::printf("\nplain read %.0f MiB/s, checksum read %.0f MiB/s, checksum / plain = %.2f\n",
                plain / 1048576, crc / 1048576, crc / plain);
  return 0;
}
