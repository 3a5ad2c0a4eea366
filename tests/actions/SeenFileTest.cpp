// An action touches only the file the search saw, reached without following a link, and a run that
// removes files never removes the last copy of a group.

#include "platform/FileTransfer.h"
#include "platform/Trash.h"
#include "tests/actions/ActionFixture.h"
#include "tests/actions/Environments.h"
#include "tests/support/Racer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray Letter = "the same letter";

class TwoCopies : public ActionFixture {
protected:
  // A kept copy in keep/ and a marked one in mark/, both seen by the search, in one content group.
  void twoCopies() {
    kept = &addFile("keep/letter.txt", Letter);
    kept->Viewed.Marked = false;
    marked = &addFile("mark/letter.txt", Letter);
    for (TUseFileProperty *item : {kept, marked})
      item->Viewed.SetGroup(MethodContent, 1);
  }
  // Nothing happened to the marked file's name, the kept copy or the store.
  void expectLeftAlone(const char *Reason) {
    EXPECT_EQ(log.Lines, QList<TActionLogLines::TLine>{leftAlone(marked->FullName(), Reason)});
    EXPECT_FALSE(marked->Processed);
    EXPECT_TRUE(marked->Viewed.Marked);
    EXPECT_EQ(total, 0);
    EXPECT_TRUE(filesBelow(store()).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(trashFiles() + "/letter.txt"));
  }
  static void replaceWithLink(const QString &Path, const QString &To) {
    ASSERT_TRUE(QFileInfo(Path).isDir() ? QDir(Path).removeRecursively() : QFile::remove(Path));
    ASSERT_TRUE(QFile::link(To, Path));
  }

  TUseFileProperty *kept = nullptr;
  TUseFileProperty *marked = nullptr;
};

class SeenFile : public TwoCopies, public ::testing::WithParamInterface<TAction> {};

TEST_P(SeenFile, AMarkedFileEditedOrTouchedSinceTheSearchIsLeftAlone) {
  twoCopies();
  // Rewritten under its name: another size and another inode.
  const QString edited = dir.createFile("edit/new.txt", Letter + " with a long postscript added");
  ASSERT_EQ(
      ::rename(QFile::encodeName(edited).constData(), QFile::encodeName(marked->FullName()).constData()), 0);
  run(GetParam());
  expectLeftAlone("20130");
  EXPECT_EQ(testenv::ReadFile(marked->FullName()), Letter + " with a long postscript added");

  // Only the time tells.
  seen(*marked);
  marked->FileItem.Size = QFileInfo(marked->FullName()).size();
  ASSERT_TRUE(TestDir::setTimes(marked->FullName(), QDateTime::fromSecsSinceEpoch(1500000000),
                                QDateTime::fromSecsSinceEpoch(1500000000)));
  run(GetParam());
  expectLeftAlone("20130");

  // Rewritten in place and given its old time back, as a tag editor does: only the change time tells.
  seen(*marked);
  rewriteKeepingTime(marked->FullName(), "THE");
  run(GetParam());
  expectLeftAlone("20130");
}

// The marked name exchanged with another file of its folder, again and again, while the action
// runs: it acts on the file the search saw or on nothing, never on the other file.
TEST_P(SeenFile, ANameExchangedAgainAndAgainNeverLetsTheActionTakeTheOtherFile) {
  const bool storing = GetParam() == TAction::Move || GetParam() == TAction::Copy;
  // A store on another file system makes a move a copy and a removal.
  std::unique_ptr<actionenv::TOtherFileSystem> other;
  QDir(QFileInfo(trashFiles()).path()).removeRecursively();
  for (const bool across : storing ? QList<bool>{false, true} : QList<bool>{false}) {
    if (across && !(other = std::make_unique<actionenv::TOtherFileSystem>(8 << 20))->IsValid())
      continue;
    const QString storeFolder = across ? other->Path() + '/' : store() + '/';
    for (int i = 0; i < 300; ++i) {
      list.Clear();
      const QByteArray seenText = "seen " + QByteArray::number(i),
                       otherText = "other " + QByteArray::number(i);
      const QString name = addFile("race/m.txt", seenText).FullName();
      const QString otherName = dir.createFile("src/race/o.txt", otherText);
      {
        const TRacer racer(
            [m = QFile::encodeName(name), o = QFile::encodeName(otherName)] {
              ::renameat2(AT_FDCWD, m.constData(), AT_FDCWD, o.constData(), RENAME_EXCHANGE);
            },
            std::chrono::microseconds((i % 100) * (storing ? 10 : 1)));
        run(GetParam(), storeFolder);
      }
      ASSERT_EQ(log.Lines.size(), 1);
      const bool done = log.Lines[0].Ok;
      if (!done) {
        EXPECT_EQ(log.Lines[0], leftAlone(name, "20130")) << i << " " << log.Lines[0].Text.toStdString();
      }
      QList<QByteArray> left;
      for (const QString &f : filesBelow(source("race")))
        left << testenv::ReadFile(source("race/") + f);
      std::sort(left.begin(), left.end());
      const bool removes = GetParam() != TAction::Copy;
      const QList<QByteArray> expected =
          removes && done ? QList<QByteArray>{otherText} : QList<QByteArray>{otherText, seenText};
      EXPECT_EQ(left, expected) << i << " across " << across;
      const QStringList stored = filesBelow(storeFolder);
      EXPECT_EQ(stored.size(), storing && done ? 1 : 0) << i;
      for (const QString &f : stored)
        EXPECT_EQ(testenv::ReadFile(storeFolder + f), seenText) << i;
      const QStringList trashed = filesBelow(trashFiles());
      EXPECT_EQ(trashed.size(), GetParam() == TAction::Recycle && done ? 1 : 0) << i;
      for (const QString &f : trashed)
        EXPECT_EQ(testenv::ReadFile(trashFiles() + '/' + f), seenText) << i;
      QDir(QFileInfo(trashFiles()).path()).removeRecursively();
      QDir(source("race")).removeRecursively();
      QDir(storeFolder).removeRecursively();
      if (HasFailure())
        return;
    }
  }
}

TEST_P(SeenFile, TheKeptCopyRenamedOverTheMarkedNameIsNotTouched) {
  twoCopies();
  ASSERT_EQ(::rename(QFile::encodeName(kept->FullName()).constData(),
                     QFile::encodeName(marked->FullName()).constData()),
            0);
  run(GetParam());
  expectLeftAlone("20130");
  EXPECT_EQ(testenv::ReadFile(marked->FullName()), Letter);
}

// The marked file's folder, or the file itself, replaced by a link after the search: the name now
// leads to the kept copy, which must survive.
TEST_P(SeenFile, ALinkOnTheWayLeadsNowhere) {
  for (const bool folder : {true, false}) {
    list.Clear();
    dir.createFolder("mark");
    twoCopies();
    if (folder)
      replaceWithLink(source("mark"), source("keep"));
    else
      replaceWithLink(marked->FullName(), kept->FullName());
    run(GetParam());
    expectLeftAlone("20130");
    EXPECT_EQ(testenv::ReadFile(kept->FullName()), Letter) << folder;
    QFile::remove(source(folder ? "mark" : "mark/letter.txt"));
  }
}

TEST_P(SeenFile, AFileWhoseIdentityWasNeverKnownIsLeftAlone) {
  twoCopies();
  marked->FileItem.Id = {};
  run(GetParam());
  expectLeftAlone("20130");
  EXPECT_EQ(testenv::ReadFile(marked->FullName()), Letter);
}

INSTANTIATE_TEST_SUITE_P(Actions, SeenFile,
                         ::testing::Values(TAction::Delete, TAction::Recycle, TAction::Move, TAction::Copy),
                         [](const auto &Info) { return ActionName(Info.param).toStdString(); });

class LastCopy : public SeenFile {};

TEST_P(LastCopy, AGroupWhoseUnmarkedCopiesAreGoneOrChangedKeepsItsMarkedFiles) {
  twoCopies();
  TUseFileProperty &second = addFile("mark/second.txt", Letter);
  second.Viewed.SetGroup(MethodContent, 1);
  ASSERT_TRUE(QFile::remove(kept->FullName()));
  run(GetParam());
  EXPECT_EQ(log.Lines, (QList<TActionLogLines::TLine>{leftAlone(marked->FullName(), "20131"),
                                                      leftAlone(second.FullName(), "20131")}));
  EXPECT_EQ(testenv::ReadFile(marked->FullName()), Letter);
  EXPECT_EQ(testenv::ReadFile(second.FullName()), Letter);

  // Back, but edited: no longer a copy.
  dir.createFile("src/keep/letter.txt", "another text");
  run(GetParam());
  EXPECT_EQ(oks(), "--");
  EXPECT_EQ(testenv::ReadFile(marked->FullName()), Letter);
}

// The kept copy's bytes replaced by others of the same size and given back its time, in place or as a
// new file (which the file system may give the freed inode number): it is no copy any more.
TEST_P(LastCopy, AKeptCopyReplacedUnderItsOldSizeAndTimeIsNoCopy) {
  for (const bool inPlace : {true, false}) {
    list.Clear();
    twoCopies();
    if (inPlace) {
      rewriteKeepingTime(kept->FullName(), "THE SAME LETTER");
    } else {
      const QByteArray path = QFile::encodeName(kept->FullName());
      struct stat before {};
      ASSERT_EQ(::stat(path.constData(), &before), 0);
      ASSERT_TRUE(QFile::remove(kept->FullName()));
      dir.createFile("src/keep/letter.txt", "THE SAME LETTER");
      const struct timespec times[2] = {before.st_atim, before.st_mtim};
      ASSERT_EQ(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);
    }
    run(GetParam());
    EXPECT_EQ(log.Lines, QList<TActionLogLines::TLine>{leftAlone(marked->FullName(), "20131")}) << inPlace;
    EXPECT_EQ(testenv::ReadFile(marked->FullName()), Letter);
  }
}

// Every group of a file counts: here the content group still has its copy, the properties group not.
TEST_P(LastCopy, EveryGroupOfTheFileMustKeepACopy) {
  twoCopies();
  TUseFileProperty &other = addFile("other/letter.txt", "other text");
  other.Viewed.Marked = false;
  other.Viewed.SetGroup(MethodProperties, 7);
  marked->Viewed.SetGroup(MethodProperties, 7);
  ASSERT_TRUE(QFile::remove(other.FullName()));
  run(GetParam());
  EXPECT_EQ(log.Lines, QList<TActionLogLines::TLine>{leftAlone(marked->FullName(), "20131")});
  dir.createFile("src/other/letter.txt", "other text");
  seen(other);
  run(GetParam());
  EXPECT_EQ(oks(), "+");
}

// An unmarked archive member is a copy while its archive is there unchanged.
TEST_P(LastCopy, AnArchiveMemberCountsWhileItsArchiveIsUnchanged) {
  for (const bool archiveGone : {true, false}) {
    list.Clear();
    TUseFileProperty &archive = addFile("box.zip", "zip bytes");
    archive.Viewed.Marked = false;
    archive.Owner = &archive;
    TUseFileProperty &member = *list.GetItem(list.AddFile("in/", "letter.txt", Letter.size(), &archive));
    TUseFileProperty &file = addFile("mark/letter.txt", Letter);
    member.Viewed.SetGroup(MethodContent, 3);
    file.Viewed.SetGroup(MethodContent, 3);
    if (archiveGone) {
      ASSERT_TRUE(QFile::remove(archive.FullName()));
    }
    run(GetParam());
    EXPECT_EQ(oks(), archiveGone ? "-" : "+") << archiveGone;
    EXPECT_EQ(testenv::ReadFile(file.FullName()) == Letter, archiveGone);
    dir.createFile("src/box.zip", "zip bytes");
  }
}

INSTANTIATE_TEST_SUITE_P(Actions, LastCopy,
                         ::testing::Values(TAction::Delete, TAction::Recycle, TAction::Move),
                         [](const auto &Info) { return ActionName(Info.param).toStdString(); });

using Copies = TwoCopies;

// The trash reaches the file through folders opened without a link: a path that now leads through
// one reaches nothing, not even the file the link leads to.
TEST_F(Copies, TheTrashTakesOnlyTheFileItWasToldOf) {
  twoCopies();
  const platform::TFileIdentity seenThen = marked->FileItem.Identity();
  replaceWithLink(source("mark"), source("keep"));
  EXPECT_FALSE(platform::MoveToTrash(marked->FullName(), &seenThen));
  const platform::TFileIdentity keptNow = kept->FileItem.Identity();
  EXPECT_FALSE(platform::MoveToTrash(marked->FullName(), &keptNow));
  EXPECT_EQ(testenv::ReadFile(kept->FullName()), Letter);
  EXPECT_TRUE(platform::MoveToTrash(kept->FullName(), &keptNow));
  EXPECT_FALSE(QFileInfo::exists(kept->FullName()));
}

TEST_F(Copies, CopyingLeavesEveryFileSoItNeedsNoUnmarkedCopy) {
  twoCopies();
  ASSERT_TRUE(QFile::remove(kept->FullName()));
  run(TAction::Copy);
  EXPECT_EQ(oks(), "+");
  EXPECT_EQ(testenv::ReadFile(stored(marked->FullName())), Letter);
}

TEST_F(Copies, GroupsLosingEveryCopyCountEachMethodsGroupOnce) {
  twoCopies();
  EXPECT_EQ(GroupsLosingEveryCopy(list), 0);
  kept->Viewed.Marked = true;
  EXPECT_EQ(GroupsLosingEveryCopy(list), 1);
  // The same two files also form a group of another method; a processed file is no copy.
  kept->Viewed.SetGroup(MethodProperties, 1);
  marked->Viewed.SetGroup(MethodProperties, 1);
  TUseFileProperty &done = addFile("done.txt", Letter);
  done.Viewed.Marked = false;
  done.Processed = true;
  done.Viewed.SetGroup(MethodProperties, 1);
  EXPECT_EQ(GroupsLosingEveryCopy(list), 2);
  // An archive member, never marked, keeps its group.
  TUseFileProperty &archive = addFile("box.zip", "zip");
  archive.Viewed.Marked = false;
  archive.Owner = &archive;
  TUseFileProperty &member = *list.GetItem(list.AddFile("in/", "letter.txt", Letter.size(), &archive));
  member.Viewed.SetGroup(MethodContent, 1);
  EXPECT_EQ(GroupsLosingEveryCopy(list), 1);
  EXPECT_TRUE(RemovesFiles(TAction::Move) && !RemovesFiles(TAction::Copy));
}

} // namespace
