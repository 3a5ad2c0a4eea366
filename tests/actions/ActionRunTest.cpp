// Whole action runs on real files, read back through the disk, the log, the flags and the total.

#include "platform/Names.h"
#include "tests/actions/ActionFixture.h"
#include "tests/actions/Environments.h"

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
      EXPECT_FALSE(QFileInfo::exists(trashFiles() + '/' + name));
      break;
    case TAction::Recycle:
      EXPECT_EQ(testenv::ReadFile(trashFiles() + '/' + name), Contents);
      EXPECT_TRUE(QFileInfo(trashFiles() + "/../info/" + name + ".trashinfo").isFile());
      break;
    default:
      EXPECT_EQ(testenv::ReadFile(stored(Path)), Contents);
    }
    EXPECT_EQ(testenv::ReadFile(Path), GetParam() == TAction::Copy ? Contents : "<missing>")
        << Path.toStdString();
  }
};

TEST_P(EveryAction, ActsOnAwkwardNamesAndLogsAMissingFileAsError) {
  struct {
    QString relative;
    QByteArray contents;
  } files[] = {{"a folder/plain.txt", "one"},
               {"a folder/ with  blanks .txt", "two two"},
               {"odd/line\nbreak.txt", "three"},
               {"odd/Grüße ✓ ünï.txt", "four!"},
               {"empty", ""}};
  for (const auto &f : files)
    addFile(f.relative, f.contents);
  // Found by the search, removed before the action.
  TUseFileProperty &gone = addFile("gone.txt", "gone");
  ASSERT_TRUE(QFile::remove(source("gone.txt")));
  EXPECT_EQ(run(GetParam()), "");
  ASSERT_EQ(oks(), "+++++-");
  for (int i = 0; i < 5; ++i) {
    EXPECT_TRUE(list.GetItem(i)->Processed) << i;
    EXPECT_FALSE(list.GetItem(i)->Viewed.Marked) << i;
    expectDone(source(files[i].relative), files[i].contents);
  }
  EXPECT_EQ(log.Lines[0].Text, source("a folder/plain.txt") + " - ok");
  // A newline in a name must not split the file's line; it reads as in the lists.
  EXPECT_EQ(log.Lines[2].Text, source("odd/line\\x0Abreak.txt") + " - ok");
  EXPECT_EQ(log.Lines[5], leftAlone(source("gone.txt"), "20130"));
  EXPECT_FALSE(gone.Processed);
  EXPECT_TRUE(gone.Viewed.Marked);
  EXPECT_EQ(total, 3 + 7 + 5 + 5 + 0);
  EXPECT_FALSE(log.Updating);
  EXPECT_EQ(sink.calls(), 6);
  // The bar runs over the files after the first.
  EXPECT_EQ(bar.Max(), 5);
  EXPECT_EQ(bar.Position(), 5);
}

TEST_P(EveryAction, SparseFilesOfMoreThanFourGiBCountInFull) {
  const qint64 sizes[] = {5 * (qint64(1) << 30) + 3, 3 * (qint64(1) << 30) + 1};
  for (int i = 0; i < 2; ++i) {
    const QString path = dir.createFile(QStringLiteral("src/big%1.bin").arg(i), "head");
    ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), sizes[i]), 0);
    addPath(path);
  }
  EXPECT_EQ(run(GetParam()), "");
  EXPECT_EQ(oks(), "++");
  EXPECT_EQ(total, sizes[0] + sizes[1]);
  if (GetParam() == TAction::Copy) {
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(stored(source("big0.bin"))).constData(), &st), 0);
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
    const QString path = source(QStringLiteral("f%1").arg(i));
    EXPECT_EQ(list.GetItem(i)->Processed, i < 3) << i;
    EXPECT_EQ(list.GetItem(i)->Viewed.Marked, i >= 3) << i;
    if (i < 3)
      expectDone(path, QByteArray::number(i));
    else
      EXPECT_TRUE(testenv::ReadFile(path) == QByteArray::number(i) && !QFileInfo::exists(stored(path))) << i;
  }
  EXPECT_EQ(total, 3);
  EXPECT_EQ(CountMarked(list), 2);
}

TEST_P(EveryAction, PathsThatAreNotCleanAndAbsoluteAndArchiveMembersAreRefused) {
  const QString real = dir.createFile("src/sub/x.txt", "x");
  dir.createFolder("src/other");
  addPath(source("other/../sub/x.txt"));
  addPath(source("sub/./x.txt"));
  addPath(source("sub//x.txt"));
  addPath("src/sub/x.txt");
  TUseFileProperty &archive = addFile("a.zip", "zip");
  archive.Viewed.Marked = false;
  archive.Owner = &archive;
  // A member's name is its path inside the archive; here it happens to name a real file.
  TUseFileProperty &member = addPath(real);
  member.Owner = &archive;
  EXPECT_EQ(run(GetParam()), "");
  EXPECT_EQ(oks(), "-----");
  EXPECT_FALSE(member.Processed);
  EXPECT_EQ(testenv::ReadFile(real), "x");
  EXPECT_EQ(QDir(store()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            (QStringList{"src", "store"}));
  EXPECT_EQ(total, 0);
}

TEST_P(EveryAction, AFolderWithoutWritePermission) {
  RUN_AS_ORDINARY_USER();
  ASSERT_NE(::geteuid(), 0u);
  const QString path = dir.createFile("src/locked/f.txt", "kept");
  ASSERT_TRUE(Chmod(source("locked"), 0555));
  addPath(path);
  run(GetParam());
  Chmod(source("locked"), 0755);
  EXPECT_EQ(testenv::ReadFile(path), "kept");
  if (GetParam() == TAction::Copy) {
    // Copying only reads the source.
    EXPECT_EQ(oks(), "+");
    EXPECT_EQ(testenv::ReadFile(stored(path)), "kept");
    return;
  }
  EXPECT_EQ(oks(), "-");
  EXPECT_FALSE(list.GetItem(0)->Processed);
  EXPECT_TRUE(list.GetItem(0)->Viewed.Marked);
  EXPECT_TRUE(filesBelow(store()).isEmpty());
  EXPECT_FALSE(QFileInfo::exists(trashFiles() + "/f.txt"));
  EXPECT_EQ(total, 0);
}

TEST(ActionLogLines, SeparatorsAndBidirectionalControlsAreShownEscapedSoOneFileStaysOneLine) {
  const QString name = QString::fromUtf8("/d/a\u2028b\u2029c\u202Ed\u202Ae\u2066f\u2069g\u200Fh\u0085i.txt");
  const QString line = ActionLogLine(name, true);
  EXPECT_EQ(line, "/d/a\\u2028b\\u2029c\\u202Ed\\u202Ae\\u2066f\\u2069g\\u200Fh\\u0085i.txt - ok");
  EXPECT_EQ(ActionStoppedLine("/d/x\u202Ey"), "/d/x\\u202Ey - " + LangText("20145"));
  // Ordinary text of any script stays as it is.
  EXPECT_EQ(ActionLogLine(QString::fromUtf8("/d/Grüße ✓ שלום.txt"), false),
            QString::fromUtf8("/d/Grüße ✓ שלום.txt - error"));
  // Each name reads as the lists show it, and differs from the one beside it that spells its escape.
  const struct {
    QString name;
    const char *line;
  } names[] = {{"/d/line\nfeed", "/d/line\\x0Afeed"},
               {"/d/line\\x0Afeed", "/d/line\\\\x0Afeed"},
               {"/d/caf" + QString(QChar(0xDCE9)) + ".txt", "/d/caf\\xE9.txt"},
               {"/d/caf\\xE9.txt", "/d/caf\\\\xE9.txt"},
               {"/d/a\u2028b", "/d/a\\u2028b"},
               {"/d/a\\u2028b", "/d/a\\\\u2028b"},
               {"/d/\\", "/d/\\\\"}};
  for (const auto &n : names) {
    EXPECT_EQ(ActionLogLine(n.name, true), QString(n.line) + " - ok");
    EXPECT_EQ(ActionLogLine(n.name, true), platform::ShownName(n.name) + " - ok");
  }
  EXPECT_EQ(ActionErrorLine("/d/line\nfeed", "gone"), "/d/line\\x0Afeed (gone) - error");
}

INSTANTIATE_TEST_SUITE_P(Actions, EveryAction,
                         ::testing::Values(TAction::Delete, TAction::Recycle, TAction::Move, TAction::Copy),
                         [](const auto &Info) { return ActionName(Info.param).toStdString(); });

using Runs = ActionFixture;

TEST_F(Runs, ASecondRunActsOnlyOnFilesMarkedSinceTheFirst) {
  addFile("a", "a");
  addFile("b", "b");
  run(TAction::Copy);
  // The result steps refuse the action page when nothing is marked.
  EXPECT_FALSE(list.AnyMarked());
  // A Delete right after the Copy would delete the originals the user can no longer see as marked.
  run(TAction::Delete);
  EXPECT_TRUE(log.Lines.isEmpty());
  EXPECT_EQ(testenv::ReadFile(source("b")), "b");
  // A processed file cannot be marked again through the list, but even a stray mark is no order.
  list.GetItem(0)->Viewed.Marked = true;
  addFile("c", "c");
  run(TAction::Delete);
  EXPECT_EQ(log.Lines, logged(source("c"), true));
  EXPECT_TRUE(QFileInfo::exists(source("a")));
}

TEST_F(Runs, AMirroredFolderThatCannotBeMadeEndsTheRunWithWhatWasDone) {
  const QString first = dir.createFile("src/x/a", "a");
  const QString second = dir.createFile("src/y/b", "b");
  addPath(first);
  addPath(second);
  addPath(dir.createFile("src/z/c", "c"));
  // A file stands where the folder for the second source must go.
  const QString blocker = stored(source("y"));
  ASSERT_FALSE(dir.createFile("store" + source("y"), "blocker").isEmpty());
  EXPECT_EQ(run(TAction::Move), "folder " + (blocker + '/').toStdString());
  EXPECT_TRUE(list.GetItem(0)->Processed);
  EXPECT_FALSE(list.GetItem(1)->Processed);
  EXPECT_TRUE(list.GetItem(1)->Viewed.Marked);
  EXPECT_FALSE(list.GetItem(2)->Processed);
  EXPECT_EQ(oks(), "+");
  EXPECT_FALSE(log.Updating);
  EXPECT_EQ(total, 1);
  EXPECT_EQ(testenv::ReadFile(second), "b");
  EXPECT_EQ(testenv::ReadFile(blocker), "blocker");
}

TEST_F(Runs, OnlyRegularFilesAreActedOn) {
  const QString target = dir.createFile("src/target", "target");
  ASSERT_TRUE(QFile::link(target, source("link")));
  ASSERT_EQ(::mkfifo(QFile::encodeName(source("fifo")).constData(), 0644), 0);
  dir.createFolder("src/folder");
  addPath(source("link"), 6);
  addPath(source("fifo"), 0);
  addPath(source("folder"), 0);
  for (TAction action : {TAction::Copy, TAction::Move, TAction::Recycle, TAction::Delete}) {
    run(action);
    EXPECT_EQ(oks(), "---") << ActionName(action).toStdString();
  }
  EXPECT_TRUE(QFileInfo(source("link")).isSymLink());
  EXPECT_EQ(testenv::ReadFile(target), "target");
  EXPECT_TRUE(filesBelow(store()).isEmpty());
}

} // namespace
