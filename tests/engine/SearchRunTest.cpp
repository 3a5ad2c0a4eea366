#include "engine/SearchRun.h"
#include "engine/StepStorage.h"
#include "settings/Language.h"
#include "tests/settings/Printers.h"
#include "tests/support/FakeProgress.h"
#include "tests/support/TestEnv.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

struct SearchRig {
  TUseFileList List;
  TStepStorage Steps;
  TProgressBarModel Bar;
  FakeProgressSink Sink{&Bar};
  QStringList StepTexts;
  int Resets = 0;

  TSearchHooks Hooks() {
    TSearchHooks H;
    H.ShowStep = [this](const QString &Text) { StepTexts << Text; };
    H.ResetProgress = [this] { ++Resets; };
    H.GroupingPauseMs = 0;
    return H;
  }
  void Search(const QString &Folder, const TWhatFind &WhatFind, const QString &Archive = QString()) {
    TSearchChoice Choice;
    Choice.WhatFind = WhatFind;
    Choice.IncludeFolders = {Folder};
    Choice.Archive = Archive;
    RunSearch(List, Steps, Choice, Sink, Bar, Hooks());
  }
  // The names of each method's step rows, grouped as "name name | name name".
  QString Rows(int Method) const {
    QStringList Parts;
    qint32 Last = -2;
    QString Part;
    for (qint32 i : Steps.GetIndexes(Method)) {
      const TUseFileProperty &Item = *List.GetItem(i);
      const qint32 Group = Item.Viewed.GetGroup(Method);
      if (Group != Last && !Part.isEmpty())
        Parts << Part.trimmed(), Part.clear();
      Last = Group;
      Part += Item.FileItem.FileName + QLatin1Char(' ');
    }
    if (!Part.isEmpty())
      Parts << Part.trimmed();
    return Parts.join(QStringLiteral(" | "));
  }
};

void MakeTree(TestDir &Dir) {
  Dir.createFile("a1.txt", "same content");
  Dir.createFile("sub/a2.txt", "same content");
  Dir.createFile("sub/deeper/a3.txt", "same content");
  Dir.createFile("b1.txt", "other words!"); // same size as the a files, other content
  Dir.createFile("c1.bin", QByteArray(5000, 'c'));
  Dir.createFile("sub/c2.bin", QByteArray(5000, 'c'));
  Dir.createFile("alone.txt", "nothing like it");
  Dir.createFile("empty1", "");
  Dir.createFile("sub/empty2", "");
}

} // namespace

TEST(SearchRun, ContentAndEmptyFilesFromFoldersToSteps) {
  TestDir Dir;
  MakeTree(Dir);
  SearchRig R;
  R.Search(Dir.path(), {1, 5});
  EXPECT_EQ(R.StepTexts, QStringList({LangText("2042"), LangText("2043"), LangText("2044")}));
  EXPECT_EQ(R.Resets, 1);
  EXPECT_EQ(R.Steps.Steps, QList<int>({1, 5}));
  // Breadth-first gathering, then content order: each group's second file first.
  EXPECT_EQ(R.Rows(1), QStringLiteral("a2.txt a1.txt a3.txt | c2.bin c1.bin"));
  EXPECT_EQ(R.Rows(5), QStringLiteral("empty1 empty2"));
  EXPECT_EQ(R.List.Count(), 7); // "alone.txt" and "b1.txt" compacted away
}

TEST(SearchRun, StopAtAnyCallEndsTheRunWithTheProgressReset) {
  TestDir Dir;
  MakeTree(Dir);
  int Total = 0;
  {
    SearchRig R;
    R.Search(Dir.path(), {1, 4, 5});
    Total = R.Sink.calls();
  }
  ASSERT_GT(Total, 10);
  for (int N = 1; N <= Total; ++N) {
    SearchRig R;
    R.Sink.stopAtCall = N;
    EXPECT_THROW(R.Search(Dir.path(), {1, 4, 5}), EMyStop) << N;
    EXPECT_EQ(R.Resets, 1) << N;
  }
}

// The archives box, the method boxes and the checked folders.
TEST(SearchRun, ChoicesOfThePagesBecomeTheFilter) {
  EXPECT_EQ(ArchiveKinds(true), QStringLiteral("zr"));
  EXPECT_EQ(ArchiveKinds(false), QString());
  EXPECT_EQ(BuildWhatFind(true, false, true, false, true), TWhatFind({1, 3, 5}));
  EXPECT_EQ(BuildWhatFind(false, true, false, true, false), TWhatFind({2, 4}));
  EXPECT_TRUE(BuildWhatFind(false, false, false, false, false).IsEmpty());
  EXPECT_EQ(CollectCheckedFolders({}), QStringList());
}

TEST(SearchRun, CheckedFoldersBecomeTheFilter) {
  EXPECT_EQ(CollectCheckedFolders({"/home/b", "/data", "/home/b/inner", "/home/bb", "/data/"}),
            (QStringList{"/data", "/home/b", "/home/bb"}));
  EXPECT_EQ(CollectCheckedFolders({"/srv", "/"}), QStringList{"/"});
  // A sibling whose name goes on with a blank sorts between a folder and its subfolders.
  EXPECT_EQ(CollectCheckedFolders({"/a/c", "/a b", "/a"}), (QStringList{"/a", "/a b"}));
  // Names are kept exactly: a ";" or a trailing blank is part of the name.
  EXPECT_EQ(CollectCheckedFolders({"/m/music ", "/m/a;b", "/m/a"}),
            (QStringList{"/m/a", "/m/a;b", "/m/music "}));
}

TEST(SearchRun, NothingToSearchWhenEveryIncludedFolderIsLeftOut) {
  const auto nothing = [](const QStringList &Include, const QStringList &Exclude) {
    TSearchChoice Choice;
    Choice.IncludeFolders = Include;
    Choice.ExcludeFolders = Exclude;
    return NothingToSearch(Choice);
  };
  // A folder inside a left-out one, also reached through a link or "..", is left out with it; a relative
  // folder is never searched.
  TestDir Dir;
  Dir.createFolder("sys/lib");
  ASSERT_TRUE(QFile::link(Dir.filePath("sys"), Dir.filePath("link")));
  EXPECT_TRUE(nothing({"/etc", "/opt/"}, {"/usr", "/etc", "/opt/"}));
  EXPECT_TRUE(nothing({Dir.filePath("sys/lib"), Dir.filePath("link")}, {Dir.filePath("sys")}));
  EXPECT_TRUE(nothing({Dir.filePath("sys/lib/..")}, {Dir.filePath("link")}));
  EXPECT_TRUE(nothing({"etc", ""}, {}));
  // A folder that holds a left-out one still has the rest to search; exclusion is by the exact folder,
  // letter case included.
  EXPECT_FALSE(nothing({"/"}, {"/usr", "/etc"}));
  EXPECT_FALSE(nothing({"/Etc"}, {"/etc"}));
  EXPECT_FALSE(nothing({"/etc2"}, {"/etc"}));
}

TEST(SearchRun, SystemFoldersAreFoundWhereverTheyReallyAre) {
  TestDir Dir;
  Dir.createFolder("sys/lib");
  Dir.createFolder("sys2");
  Dir.createFolder("home/me");
  const QString Sys = Dir.filePath("sys");
  ASSERT_TRUE(QFile::link(Sys, Dir.filePath("home/me/sys-link")));
  ASSERT_TRUE(QFile::link(Dir.filePath("sys/lib"), Dir.filePath("lib")));
  const QStringList System{Sys, Dir.filePath("sys2"), "/nowhere/else"};

  // A checked folder that is a link to a system folder: its path text does not show it.
  EXPECT_EQ(SystemFoldersToWarn(System, {Dir.filePath("home/me/sys-link")}), QStringList{Sys});
  // A system folder listed through a link, inside a checked folder; it is named as listed.
  EXPECT_EQ(SystemFoldersToWarn({Dir.filePath("lib")}, {Sys}), QStringList{Dir.filePath("lib")});
  // A link inside a checked folder is not walked, so what it leads to raises no warning.
  EXPECT_TRUE(SystemFoldersToWarn({Dir.filePath("home/me/sys-link")}, {Dir.filePath("home")}).isEmpty());
  // In list order, each once, also when two checked folders hold it.
  EXPECT_EQ(SystemFoldersToWarn(System, {Dir.path(), Dir.filePath("home/me/sys-link")}),
            (QStringList{Sys, Dir.filePath("sys2")}));
  // A checked folder inside a system folder raises no warning; "sys2" is not inside "sys".
  EXPECT_TRUE(SystemFoldersToWarn(System, {Dir.filePath("lib"), Dir.filePath("sys/lib")}).isEmpty());
  // Folders that do not exist compare by their text; an empty entry matches nothing.
  EXPECT_TRUE(SystemFoldersToWarn(System, {"/nowhere/el", QString()}).isEmpty());
}
