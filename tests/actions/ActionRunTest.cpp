// Whole action runs on real files, read back through the disk, the log, the flags and the total.

#include "actions/StoreFolder.h"
#include "engine/ResultFile.h"
#include "tests/actions/ActionFixture.h"
#include "tests/actions/Environments.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class EveryAction : public ActionFixture, public ::testing::WithParamInterface<TAction> {
protected:
  // What the action should have left: the file gone from its place, and where it went.
  void expectDone(const QString &Path, const QByteArray &Contents) {
    const QString name = QFileInfo(Path).fileName();
    switch (GetParam()) {
    case TAction::Delete:
      EXPECT_FALSE(QFileInfo::exists(Path)) << Path.toStdString();
      EXPECT_FALSE(QFileInfo::exists(trashFiles() + QLatin1Char('/') + name));
      break;
    case TAction::Recycle:
      EXPECT_FALSE(QFileInfo::exists(Path)) << Path.toStdString();
      EXPECT_EQ(testenv::ReadFile(trashFiles() + QLatin1Char('/') + name), Contents);
      EXPECT_TRUE(QFileInfo(trashFiles() + QStringLiteral("/../info/") + name + QStringLiteral(".trashinfo"))
                      .isFile());
      break;
    case TAction::Move:
      EXPECT_FALSE(QFileInfo::exists(Path)) << Path.toStdString();
      EXPECT_EQ(testenv::ReadFile(stored(Path)), Contents);
      break;
    case TAction::Copy:
      EXPECT_EQ(testenv::ReadFile(Path), Contents);
      EXPECT_EQ(testenv::ReadFile(stored(Path)), Contents);
      break;
    }
  }
  // Nothing may have happened to the file at Path.
  void expectUntouched(const QString &Path, const QByteArray &Contents) {
    EXPECT_EQ(testenv::ReadFile(Path), Contents) << Path.toStdString();
    EXPECT_FALSE(QFileInfo::exists(stored(Path)));
  }
};

std::string ParamName(const ::testing::TestParamInfo<TAction> &Info) {
  return ActionName(Info.param).toStdString();
}

TEST_P(EveryAction, ActsOnAwkwardNamesAndLogsAMissingFileAsError) {
  struct {
    QString relative;
    QByteArray contents;
  } files[] = {{QStringLiteral("a folder/plain.txt"), "one"},
               {QStringLiteral("a folder/ with  blanks .txt"), "two two"},
               {QStringLiteral("odd/line\nbreak.txt"), "three"},
               {QStringLiteral("odd/Grüße ✓ ünï.txt"), "four!"},
               {QStringLiteral("empty"), ""}};
  for (const auto &f : files)
    addFile(f.relative, f.contents);
  // Found by the search, removed before the action.
  TUseFileProperty &gone = addFile(QStringLiteral("gone.txt"), "gone");
  ASSERT_TRUE(QFile::remove(source(QStringLiteral("gone.txt"))));

  EXPECT_EQ(run(GetParam()), "");

  ASSERT_EQ(log.Lines.size(), 6);
  for (int i = 0; i < 5; ++i) {
    EXPECT_TRUE(log.Lines[i].Ok) << i;
    EXPECT_TRUE(list.GetItem(i)->Processed) << i;
    EXPECT_FALSE(list.GetItem(i)->Viewed.Marked) << i;
    expectDone(source(files[i].relative), files[i].contents);
  }
  EXPECT_EQ(log.Lines[0].Text, source(QStringLiteral("a folder/plain.txt")) + QStringLiteral(" - ok"));
  // A newline in a name must not split the file's line.
  EXPECT_EQ(log.Lines[2].Text, source(QStringLiteral("odd/line\u240Abreak.txt")) + QStringLiteral(" - ok"));
  EXPECT_EQ(log.Lines[5],
            (TActionLogLines::TLine{source(QStringLiteral("gone.txt")) + QStringLiteral(" - error"), false}));
  EXPECT_FALSE(gone.Processed);
  EXPECT_TRUE(gone.Viewed.Marked);
  EXPECT_EQ(total, 3 + 7 + 5 + 5 + 0);
  EXPECT_FALSE(log.Updating);
  EXPECT_EQ(sink.calls(), 6);
  EXPECT_EQ(bar.Position(), bar.Max());
}

TEST_P(EveryAction, SparseFilesOfMoreThanFourGiBCountInFull) {
  const qint64 sizes[] = {5 * (qint64(1) << 30) + 3, 3 * (qint64(1) << 30) + 1};
  for (int i = 0; i < 2; ++i) {
    const QString path = dir.createFile(QStringLiteral("src/big%1.bin").arg(i), "head");
    ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), sizes[i]), 0);
    addPath(path);
  }
  EXPECT_EQ(run(GetParam()), "");
  ASSERT_EQ(log.Lines.size(), 2);
  EXPECT_TRUE(log.Lines[0].Ok && log.Lines[1].Ok);
  EXPECT_EQ(total, sizes[0] + sizes[1]);
  if (GetParam() == TAction::Copy) {
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(stored(source(QStringLiteral("big0.bin")))).constData(), &st), 0);
    EXPECT_EQ(st.st_size, sizes[0]);
    // The holes stay holes: the copy did not write gigabytes of zeros.
    EXPECT_LT(qint64(st.st_blocks) * 512, qint64(1) << 24);
  }
}

TEST_P(EveryAction, StopAfterTheThirdFileLeavesTheRestMarkedAndUntouched) {
  for (int i = 0; i < 5; ++i)
    addFile(QStringLiteral("f%1").arg(i), QByteArray::number(i));
  sink.stopAtCall = 3;
  EXPECT_EQ(run(GetParam()), "stop");
  EXPECT_EQ(log.Lines.size(), 3);
  EXPECT_FALSE(log.Updating);
  for (int i = 0; i < 5; ++i) {
    const TUseFileProperty &item = *list.GetItem(i);
    EXPECT_EQ(item.Processed, i < 3) << i;
    EXPECT_EQ(item.Viewed.Marked, i >= 3) << i;
    if (i < 3)
      expectDone(source(QStringLiteral("f%1").arg(i)), QByteArray::number(i));
    else
      expectUntouched(source(QStringLiteral("f%1").arg(i)), QByteArray::number(i));
  }
  EXPECT_EQ(total, 3);
  EXPECT_EQ(CountMarked(list), 2);
}

TEST_P(EveryAction, PathsThatAreNotCleanAndAbsoluteAreRefused) {
  const QString real = dir.createFile(QStringLiteral("src/sub/x.txt"), "x");
  dir.createFolder(QStringLiteral("src/other"));
  addPath(source(QStringLiteral("other/../sub/x.txt")));
  addPath(source(QStringLiteral("sub/./x.txt")));
  addPath(source(QStringLiteral("sub//x.txt")));
  addPath(QStringLiteral("src/sub/x.txt"));
  EXPECT_EQ(run(GetParam()), "");
  ASSERT_EQ(log.Lines.size(), 4);
  for (const auto &line : log.Lines)
    EXPECT_FALSE(line.Ok) << line.Text.toStdString();
  EXPECT_EQ(testenv::ReadFile(real), "x");
  EXPECT_TRUE(filesBelow(store()).isEmpty());
  EXPECT_EQ(QDir(store()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            (QStringList{QStringLiteral("src"), QStringLiteral("store")}));
  EXPECT_EQ(total, 0);
}

TEST_P(EveryAction, AnArchiveMemberIsNeverActedOn) {
  TUseFileProperty &archive = addFile(QStringLiteral("a.zip"), "zip");
  archive.Viewed.Marked = false;
  archive.Owner = &archive;
  // A member's name is its path inside the archive; here it happens to name a real file.
  TUseFileProperty &member = addFile(QStringLiteral("inner.txt"), "inner");
  member.Owner = &archive;
  EXPECT_EQ(run(GetParam()), "");
  ASSERT_EQ(log.Lines.size(), 1);
  EXPECT_FALSE(log.Lines[0].Ok);
  expectUntouched(source(QStringLiteral("inner.txt")), "inner");
  EXPECT_FALSE(member.Processed);
}

TEST_P(EveryAction, AFolderWithoutWritePermission) {
  RUN_AS_ORDINARY_USER();
  ASSERT_NE(::geteuid(), 0u);
  const QString path = dir.createFile(QStringLiteral("src/locked/f.txt"), "kept");
  const QByteArray locked = QFile::encodeName(source(QStringLiteral("locked")));
  ASSERT_EQ(::chmod(locked.constData(), 0555), 0);
  addPath(path);
  run(GetParam());
  ::chmod(locked.constData(), 0755);

  ASSERT_EQ(log.Lines.size(), 1);
  EXPECT_EQ(testenv::ReadFile(path), "kept");
  if (GetParam() == TAction::Copy) {
    // Copying only reads the source.
    EXPECT_TRUE(log.Lines[0].Ok);
    EXPECT_EQ(testenv::ReadFile(stored(path)), "kept");
    return;
  }
  EXPECT_FALSE(log.Lines[0].Ok);
  EXPECT_FALSE(list.GetItem(0)->Processed);
  EXPECT_TRUE(list.GetItem(0)->Viewed.Marked);
  EXPECT_TRUE(filesBelow(store()).isEmpty());
  EXPECT_FALSE(QFileInfo::exists(trashFiles() + QStringLiteral("/f.txt")));
  EXPECT_EQ(total, 0);
}

INSTANTIATE_TEST_SUITE_P(Actions, EveryAction,
                         ::testing::Values(TAction::Delete, TAction::Recycle, TAction::Move, TAction::Copy),
                         ParamName);

using Runs = ActionFixture;

TEST_F(Runs, ASecondRunActsOnlyOnFilesMarkedSinceTheFirst) {
  addFile(QStringLiteral("a"), "a");
  addFile(QStringLiteral("b"), "b");
  run(TAction::Copy);
  EXPECT_EQ(CountMarked(list), 0);
  // The result steps refuse the action page when nothing is marked.
  EXPECT_FALSE(list.AnyMarked());
  EXPECT_EQ(list.GetStatistics().MarkedSize, 0);

  // A Delete right after the Copy would delete the originals the user can no longer see as marked.
  run(TAction::Delete);
  EXPECT_TRUE(log.Lines.isEmpty());
  EXPECT_EQ(testenv::ReadFile(source(QStringLiteral("a"))), "a");
  EXPECT_EQ(testenv::ReadFile(source(QStringLiteral("b"))), "b");

  // A processed file cannot be marked again through the list, but even a stray mark is no order.
  list.GetItem(0)->Viewed.Marked = true;
  addFile(QStringLiteral("c"), "c");
  EXPECT_EQ(CountMarked(list), 1);
  run(TAction::Delete);
  ASSERT_EQ(log.Lines.size(), 1);
  EXPECT_EQ(log.Lines[0].Text, source(QStringLiteral("c")) + QStringLiteral(" - ok"));
  EXPECT_TRUE(QFileInfo::exists(source(QStringLiteral("a"))));
}

TEST_F(Runs, TwoSourcesOnOneTargetGetNumberedNames) {
  const QString path = dir.createFile(QStringLiteral("src/a.txt"), "same");
  addPath(path);
  addPath(path);
  addPath(path);
  run(TAction::Copy);
  const QString folder = stored(source(QString()));
  EXPECT_EQ(filesBelow(folder), (QStringList{QStringLiteral("a-copy-2.txt"), QStringLiteral("a-copy-3.txt"),
                                             QStringLiteral("a.txt")}));
  EXPECT_EQ(testenv::ReadFile(folder + QStringLiteral("a-copy-3.txt")), "same");
  EXPECT_EQ(total, 12);

  // Moved once, the same source is gone for the second.
  addPath(dir.createFile(QStringLiteral("src/b.txt"), "b"));
  addPath(source(QStringLiteral("b.txt")));
  run(TAction::Move);
  ASSERT_EQ(log.Lines.size(), 2);
  EXPECT_TRUE(log.Lines[0].Ok);
  EXPECT_FALSE(log.Lines[1].Ok);
  EXPECT_EQ(testenv::ReadFile(folder + QStringLiteral("b.txt")), "b");
}

TEST_F(Runs, AMirroredFolderThatCannotBeMadeEndsTheRunWithWhatWasDone) {
  const QString first = dir.createFile(QStringLiteral("src/x/a"), "a");
  const QString second = dir.createFile(QStringLiteral("src/y/b"), "b");
  addPath(first);
  addPath(second);
  addPath(dir.createFile(QStringLiteral("src/z/c"), "c"));
  // A file stands where the folder for the second source must go.
  const QString blocker = stored(source(QStringLiteral("y")));
  ASSERT_TRUE(QDir().mkpath(QFileInfo(blocker).absolutePath()));
  ASSERT_FALSE(dir.createFile(QStringLiteral("store") + source(QStringLiteral("y")), "blocker").isEmpty());

  QDir().mkpath(store());
  TActionRun r{list, TAction::Move, store() + QLatin1Char('/'), sink, bar, log};
  r.FileWait = std::chrono::milliseconds(0);
  try {
    ActionLoop(r);
    FAIL() << "the run went on past a folder it could not make";
  } catch (const EStoreFolder &e) {
    EXPECT_EQ(e.Folder(), blocker + QLatin1Char('/'));
  }
  EXPECT_TRUE(list.GetItem(0)->Processed);
  EXPECT_FALSE(list.GetItem(1)->Processed);
  EXPECT_TRUE(list.GetItem(1)->Viewed.Marked);
  EXPECT_FALSE(list.GetItem(2)->Processed);
  ASSERT_EQ(log.Lines.size(), 1);
  EXPECT_FALSE(log.Updating);
  EXPECT_EQ(r.Total, 1);
  EXPECT_EQ(testenv::ReadFile(second), "b");
  EXPECT_EQ(testenv::ReadFile(blocker), "blocker");
}

TEST_F(Runs, TrashGoesIntoADataFolderThatDidNotExistYet) {
  const QString data = dir.filePath(QStringLiteral("fresh/data"));
  qputenv("XDG_DATA_HOME", QFile::encodeName(data));
  const QString here = dir.createFolder(QStringLiteral("cwd"));
  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(here));
  addFile(QStringLiteral("t.txt"), "trash me");
  run(TAction::Recycle);
  QDir::setCurrent(before);

  ASSERT_EQ(log.Lines.size(), 1);
  EXPECT_TRUE(log.Lines[0].Ok);
  EXPECT_FALSE(QFileInfo::exists(source(QStringLiteral("t.txt"))));
  EXPECT_EQ(testenv::ReadFile(data + QStringLiteral("/Trash/files/t.txt")), "trash me");
  EXPECT_TRUE(QFileInfo(data + QStringLiteral("/Trash/info/t.txt.trashinfo")).isFile());
  EXPECT_TRUE(QDir(here).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

TEST_F(Runs, OnlyRegularFilesAreActedOn) {
  const QString target = dir.createFile(QStringLiteral("src/target"), "target");
  ASSERT_EQ(::symlink(QFile::encodeName(target).constData(),
                      QFile::encodeName(source(QStringLiteral("link"))).constData()),
            0);
  ASSERT_EQ(::mkfifo(QFile::encodeName(source(QStringLiteral("fifo"))).constData(), 0644), 0);
  dir.createFolder(QStringLiteral("src/folder"));
  addPath(source(QStringLiteral("link")), 6);
  addPath(source(QStringLiteral("fifo")), 0);
  addPath(source(QStringLiteral("folder")), 0);
  for (TAction action : {TAction::Copy, TAction::Move, TAction::Recycle, TAction::Delete}) {
    run(action);
    ASSERT_EQ(log.Lines.size(), 3);
    for (const auto &line : log.Lines)
      EXPECT_FALSE(line.Ok) << ActionName(action).toStdString() << " " << line.Text.toStdString();
  }
  EXPECT_TRUE(QFileInfo(source(QStringLiteral("link"))).isSymLink());
  EXPECT_EQ(testenv::ReadFile(target), "target");
  EXPECT_TRUE(filesBelow(store()).isEmpty());
}

TEST_F(Runs, TheBarRunsOverTheFilesAfterTheFirst) {
  PrepareActionBar(bar, 1);
  EXPECT_EQ(bar.Max(), 0);
  EXPECT_EQ(bar.Position(), 0);
  PrepareActionBar(bar, 4);
  EXPECT_EQ(bar.Min(), 0);
  EXPECT_EQ(bar.Max(), 3);
  EXPECT_EQ(bar.Position(), 1);
}

} // namespace
