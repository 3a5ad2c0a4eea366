// Same-content search (method 1) over one folder, headless, as the program runs it: gathering,
// reading, grouping. Prints each phase's time, the peak memory and the memory held per gathered
// file; can write the groups of non-empty files for comparison with other duplicate finders.
//
//   pairhound_contentbench <folder> [--groups FILE] [--dump FILE] [--pause-ms N] [--workers N] [--archives]
//                          [--quiet]
//
// --archives enters ZIP and RAR archives, as the archive box of the folders page does.
//
// The groups file holds one line per group: the group's paths sorted and joined by tabs. The dump
// holds one line per gathered file in list order with everything reading found out about it, so that
// two builds can be compared for identical results.

#include "engine/Grouping.h"
#include "engine/ReadAhead.h"
#include "engine/SearchRun.h"
#include "engine/StepStorage.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <sys/resource.h>

namespace {

size_t HeapInUse() {
  return mallinfo2().uordblks;
}

long PeakRssKiB() {
  rusage Usage{};
  getrusage(RUSAGE_SELF, &Usage);
  return Usage.ru_maxrss;
}

bool WriteGroups(const TUseFileList &List, const QString &FileName) {
  QMap<qint32, QStringList> Groups;
  for (int i = 0; i < List.Count(); ++i) {
    const TUseFileProperty &Item = *List.GetItem(i);
    const qint32 Group = Item.Viewed.GetGroup(MethodContent);
    if (Group != -1 && Item.FileItem.Size > 0)
      Groups[Group] << QDir::cleanPath(Item.FullName());
  }
  QStringList Lines;
  for (QStringList &Paths : Groups) {
    std::sort(Paths.begin(), Paths.end());
    Lines << Paths.join(QLatin1Char('\t'));
  }
  std::sort(Lines.begin(), Lines.end());
  QFile File(FileName);
  if (!File.open(QIODevice::WriteOnly | QIODevice::Truncate))
    return false;
  for (const QString &Line : Lines)
    File.write(Line.toUtf8() + '\n');
  return File.error() == QFileDevice::NoError;
}

bool WriteDump(const TUseFileList &List, const QString &FileName) {
  QFile File(FileName);
  if (!File.open(QIODevice::WriteOnly | QIODevice::Truncate))
    return false;
  for (int i = 0; i < List.Count(); ++i) {
    const TUseFileProperty &Item = *List.GetItem(i);
    const TFileProps &P = Item.FileProps;
    QString Line = QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6")
                       .arg(i)
                       .arg(Item.FullName())
                       .arg(Item.FileItem.Size)
                       .arg(Item.FileItem.Code)
                       .arg(int(Item.FileItem.Unreadable))
                       .arg(int(Item.WhatRead_Code));
    for (double Time : {P.Created, P.Modified, P.Accessed})
      Line += QLatin1Char('\t') + QString::number(Time, 'g', 17);
    for (bool Flag : {P.ReadOnly, P.Hidden, P.SystemFile, P.ArchiveFlag, Item.UniqueSize, Item.UniqueCode})
      Line += QLatin1Char('\t') + QString::number(int(Flag));
    File.write(Line.toUtf8() + '\n');
  }
  return File.error() == QFileDevice::NoError;
}

} // namespace

int main(int argc, char **argv) {
  QCoreApplication App(argc, argv);
  QString Folder, GroupsFile, DumpFile;
  int PauseMs = GroupingPauseMs;
  bool Quiet = false, Archives = false;
  const QStringList Args = App.arguments();
  bool BadArgument = false;
  for (int i = 1; i < Args.size(); ++i) {
    if (Args[i] == QLatin1String("--groups") && i + 1 < Args.size())
      GroupsFile = Args[++i];
    else if (Args[i] == QLatin1String("--dump") && i + 1 < Args.size())
      DumpFile = Args[++i];
    else if (Args[i] == QLatin1String("--pause-ms") && i + 1 < Args.size())
      PauseMs = Args[++i].toInt();
    else if (Args[i] == QLatin1String("--workers") && i + 1 < Args.size())
      SetReadWorkers(Args[++i].toInt());
    else if (Args[i] == QLatin1String("--quiet"))
      Quiet = true;
    else if (Args[i] == QLatin1String("--archives"))
      Archives = true;
    else if (Folder.isEmpty() && !Args[i].startsWith(QLatin1Char('-')))
      Folder = Args[i];
    else
      BadArgument = true;
  }
  if (BadArgument || Folder.isEmpty() || !QDir(Folder).exists()) {
    std::fprintf(stderr,
                 "usage: %s <folder> [--groups FILE] [--dump FILE] [--pause-ms N] [--workers N] [--archives] "
                 "[--quiet]\n",
                 argv[0]);
    return 2;
  }

  TUseFileList List;
  TStepStorage Steps;
  TNullProgressSink Sink;
  TProgressBarModel Bar;
  TSearchChoice Choice;
  Choice.WhatFind = TWhatFind({MethodContent});
  Choice.IncludeFolders = {QDir::cleanPath(QDir(Folder).absolutePath())};
  Choice.Archive = ArchiveKinds(Archives);

  // Phase boundaries come from the step texts the run shows: gathering, reading, grouping.
  QElapsedTimer Clock;
  qint64 Marks[4] = {0, 0, 0, 0};
  int Phase = 0;
  size_t HeapBefore = HeapInUse(), HeapGathered = 0;
  int Gathered = 0;
  bool DumpOk = true;
  TSearchHooks Hooks;
  Hooks.GroupingPauseMs = PauseMs;
  Hooks.ShowStep = [&](const QString &) {
    Marks[Phase++] = Clock.nsecsElapsed();
    if (Phase == 2) {
      HeapGathered = HeapInUse();
      Gathered = List.Count();
    }
    // Every gathered file is still in the list when grouping begins (the dump adds to its time).
    if (Phase == 3 && !DumpFile.isEmpty())
      DumpOk = WriteDump(List, DumpFile);
  };
  Clock.start();
  RunSearch(List, Steps, Choice, Sink, Bar, Hooks);
  Marks[3] = Clock.nsecsElapsed();

  qint64 Grouped = 0, GroupedFiles = 0;
  QMap<qint32, int> Sizes;
  for (int i = 0; i < List.Count(); ++i)
    if (List.GetItem(i)->Viewed.GetGroup(MethodContent) != -1)
      ++Sizes[List.GetItem(i)->Viewed.GetGroup(MethodContent)], ++GroupedFiles;
  Grouped = Sizes.size();

  if (!GroupsFile.isEmpty() && !WriteGroups(List, GroupsFile)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(GroupsFile));
    return 1;
  }
  if (!DumpOk) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(DumpFile));
    return 1;
  }
  if (!Quiet) {
    auto Ms = [](qint64 Ns) { return double(Ns) / 1e6; };
    std::printf("files gathered        %d\n", Gathered);
    std::printf("groups / files        %lld / %lld\n", Grouped, GroupedFiles);
    std::printf("gathering             %9.1f ms\n", Ms(Marks[1] - Marks[0]));
    std::printf("reading (checksums)   %9.1f ms\n", Ms(Marks[2] - Marks[1]));
    std::printf("grouping              %9.1f ms (pause %d ms per progress step)\n", Ms(Marks[3] - Marks[2]),
                PauseMs);
    std::printf("whole search          %9.1f ms\n", Ms(Marks[3]));
    std::printf("peak memory           %9.1f MiB\n", double(PeakRssKiB()) / 1024);
    if (Gathered > 0)
      std::printf("heap per file         %9.0f bytes (after gathering)\n",
                  double(HeapGathered - HeapBefore) / Gathered);
  }
  return 0;
}
