// The similar-picture search over generated pictures, reading on one worker against the machine's
// default pool. Decoding is processor work, so this is where reading ahead on every core shows most.
// The pictures are made once (640 x 480 JPEG and PNG, every fifth one a re-encoded look-alike of
// another) and kept for later runs.
// Run: bench_pictures [--count N] [--rounds R] [--folder F]

#include "engine/ReadAhead.h"
#include "engine/SearchRun.h"
#include "engine/StepStorage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

QImage Picture(quint32 Seed) {
  QImage Image(640, 480, QImage::Format_RGB32);
  QRandomGenerator Gen(Seed);
  QLinearGradient Gradient(0, 0, 640, 480);
  Gradient.setColorAt(0, QColor::fromRgb(Gen.generate() | 0xFF000000u));
  Gradient.setColorAt(1, QColor::fromRgb(Gen.generate() | 0xFF000000u));
  QPainter Painter(&Image);
  Painter.fillRect(Image.rect(), Gradient);
  for (int i = 0; i < 30; ++i) {
    Painter.setBrush(QColor::fromRgb(Gen.generate() | 0xFF000000u));
    Painter.drawEllipse(Gen.bounded(640), Gen.bounded(480), Gen.bounded(20, 200), Gen.bounded(20, 200));
  }
  return Image;
}

bool MakePictures(const QString &Folder, int Count) {
  const QString Done = Folder + QStringLiteral("/.complete");
  if (QFile::exists(Done))
    return true;
  QDir().mkpath(Folder);
  for (int i = 0; i < Count; ++i) {
    const bool LookAlike = i % 5 == 4;
    const QImage Image = Picture(quint32(LookAlike ? i - 3 : i));
    const bool Png = i % 3 == 0;
    const QString Name =
        QStringLiteral("%1/d%2/pic%3.%4").arg(Folder).arg(i % 20).arg(i).arg(Png ? "png" : "jpg");
    QDir().mkpath(QFileInfo(Name).path());
    if (!Image.save(Name, Png ? "PNG" : "JPEG", LookAlike ? 70 : 90))
      return false;
  }
  QFile Mark(Done);
  return Mark.open(QIODevice::WriteOnly);
}

double SearchMs(const QString &Folder, int Workers, int &Grouped) {
  SetReadWorkers(Workers);
  TUseFileList List;
  TStepStorage Steps;
  TNullProgressSink Sink;
  TProgressBarModel Bar;
  TSearchChoice Choice;
  Choice.WhatFind = TWhatFind({MethodPictures});
  Choice.IncludeFolders = {Folder};
  TSearchHooks Hooks;
  Hooks.GroupingPauseMs = 0;
  const auto Start = std::chrono::steady_clock::now();
  RunSearch(List, Steps, Choice, Sink, Bar, Hooks);
  const auto End = std::chrono::steady_clock::now();
  Grouped = int(Steps.GetIndexes(MethodPictures).size());
  SetReadWorkers(0);
  return std::chrono::duration<double, std::milli>(End - Start).count();
}

double Median(std::vector<double> Values) {
  std::sort(Values.begin(), Values.end());
  return Values[Values.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
  QCoreApplication App(argc, argv);
  int Count = 2000, Rounds = 5;
  QString Folder = QStringLiteral("/var/tmp/pairhound-bench-pictures");
  const QStringList Args = App.arguments();
  for (int i = 1; i + 1 < Args.size(); i += 2) {
    if (Args[i] == QLatin1String("--count"))
      Count = Args[i + 1].toInt();
    else if (Args[i] == QLatin1String("--rounds"))
      Rounds = std::max(1, Args[i + 1].toInt());
    else if (Args[i] == QLatin1String("--folder"))
      Folder = Args[i + 1];
  }
  Folder += QStringLiteral("-%1").arg(Count);
  if (!MakePictures(Folder, Count)) {
    std::fprintf(stderr, "cannot make the pictures in %s\n", qPrintable(Folder));
    return 1;
  }
  std::vector<double> One, Many;
  int GroupedOne = 0, GroupedMany = 0;
  SearchMs(Folder, 0, GroupedMany); // warms the cache
  for (int r = 0; r < Rounds; ++r) {
    One.push_back(SearchMs(Folder, 1, GroupedOne));
    Many.push_back(SearchMs(Folder, 0, GroupedMany));
  }
  std::printf("pictures %d, rounds %d, default workers %d\n", Count, Rounds, DefaultReadWorkers());
  std::printf("one worker     %9.1f ms (median), %d files grouped\n", Median(One), GroupedOne);
  std::printf("%2d workers     %9.1f ms (median), %d files grouped\n", DefaultReadWorkers(), Median(Many),
              GroupedMany);
  std::printf("speed-up       %9.2f\n", Median(One) / Median(Many));
  return GroupedOne == GroupedMany ? 0 : 1;
}
