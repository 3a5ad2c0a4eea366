// Files that are still the ones a search saw can be acted on: those of a result saved before file
// times were kept, and those below a folder that was chosen through a link.

#include "engine/ConfirmContent.h"
#include "engine/ResultFile.h"
#include "engine/SearchRun.h"
#include "engine/StepStorage.h"
#include "tests/actions/ActionFixture.h"

#include <QRegularExpression>

namespace {

const QByteArray Letter = "the same letter";

class Reachable : public ActionFixture {
protected:
  // Gathers and reads the files below Folder; Grouped groups them too (and drops the rest).
  void search(const QString &Folder, const QStringList &Excluded = {}, bool Grouped = true) {
    TSearchChoice choice;
    choice.WhatFind = {MethodContent, MethodProperties};
    choice.IncludeFolders = {Folder};
    choice.ExcludeFolders = Excluded;
    if (Grouped)
      RunSearch(list, steps, choice, sink, bar, {nullptr, nullptr, 0});
    else
      RunSearchPhases(list, choice, sink, bar, {});
  }
  // What opening a result file does: load, confirm the content groups, group.
  void open(const QString &File) {
    list.LoadFromFile(File, bar, sink);
    ConfirmContentGroups(list, sink, bar);
    GroupResult(list, steps, sink, bar, {nullptr, nullptr, 0});
  }
  // The item of the file at Path, marked; null when the list has none.
  TUseFileProperty *mark(const QString &Path) {
    for (int i = 0; i < list.Count(); ++i)
      if (list.GetItem(i)->FullName() == Path) {
        list.GetItem(i)->Viewed.Marked = true;
        return list.GetItem(i);
      }
    return nullptr;
  }
  // The files in a content group, by their full names, sorted.
  QStringList grouped() const {
    QStringList names;
    for (int i = 0; i < list.Count(); ++i)
      if (list.GetItem(i)->Viewed.GetGroup(MethodContent) != -1)
        names << list.GetItem(i)->FullName();
    names.sort();
    return names;
  }

  TStepStorage steps;
};

// A result saved before file times were kept: its records hold no time.
TEST_F(Reachable, AResultWithoutSavedTimesCanBeActedOnWhileItsFilesKeepTheirSize) {
  const QString kept = source("keep/letter.txt");
  const QString marked = source("mark/letter.txt");
  for (const bool grown : {false, true}) {
    list.Clear();
    log.Lines.clear();
    writeFile(kept, Letter);
    writeFile(marked, Letter);
    search(dir.filePath("src"));
    const QString saved = dir.filePath("old.wzr");
    list.SaveToFile(saved);
    QString text = QString::fromUtf8(testenv::ReadFile(saved));
    ASSERT_EQ(text.count("<Main_Modified="), 2);
    text.remove(QRegularExpression("<Main_Modified=[-0-9]*>"));
    ASSERT_TRUE(writeFile(saved, text.toUtf8()));
    if (grown) {
      ASSERT_TRUE(writeFile(marked, Letter + "!"));
    }

    open(saved);
    ASSERT_NE(mark(marked), nullptr);
    run(TAction::Delete);
    if (grown) {
      EXPECT_EQ(log.Lines, QList<TActionLogLines::TLine>{leftAlone(marked, "20130")});
      EXPECT_EQ(testenv::ReadFile(marked), Letter + "!");
    } else {
      EXPECT_EQ(grouped(), (QStringList{kept, marked}));
      EXPECT_EQ(log.Lines, logged(marked, true));
      EXPECT_FALSE(QFileInfo::exists(marked));
    }
    EXPECT_EQ(testenv::ReadFile(kept), Letter) << grown;
  }
}

// The folder's parent is a link, as a home folder below a linked /home: the files are gathered by the
// paths the link leads to, and acted on by them.
TEST_F(Reachable, AFolderChosenThroughALinkedParentIsSearchedWhereItReallyIs) {
  const QString real = QFileInfo(dir.createFolder("data/home")).canonicalFilePath();
  ASSERT_FALSE(real.isEmpty());
  ASSERT_TRUE(QFile::link(real, dir.filePath("home")));
  writeFile(real + "/ann/keep/letter.txt", Letter);
  writeFile(real + "/ann/mark/letter.txt", Letter);
  const QString marked = real + "/ann/mark/letter.txt";

  search(dir.filePath("home/ann"));
  EXPECT_EQ(grouped(), (QStringList{real + "/ann/keep/letter.txt", marked}));
  ASSERT_NE(mark(marked), nullptr);
  run(TAction::Delete);
  EXPECT_EQ(log.Lines, logged(marked, true));
  EXPECT_FALSE(QFileInfo::exists(marked));
  EXPECT_EQ(testenv::ReadFile(real + "/ann/keep/letter.txt"), Letter);

  // An excluded folder named through the same link is left out; the filter keeps the chosen text.
  writeFile(marked, Letter);
  for (const QString &excluded : {dir.filePath("home/ann/mark"), real + "/ann/mark/"}) {
    search(dir.filePath("home/ann/"), {excluded}, false);
    ASSERT_EQ(list.Count(), 1) << excluded.toStdString();
    EXPECT_EQ(list.GetItem(0)->FullName(), real + "/ann/keep/letter.txt");
    EXPECT_EQ(list.Filter.PathsInclude, dir.filePath("home/ann/") + ';');
  }
}

} // namespace
