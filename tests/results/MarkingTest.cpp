// Marking in bulk: selection commands, the criterion that keeps one file a group, folders, extensions.
#include "engine/ResultFile.h"
#include "tests/results/ShowRows.h"
#include "tests/support/TestEnv.h"
#include "ui/results/ResultMarking.h"
#include "ui/results/ResultShow.h"

#include <QStandardItemModel>
#include <gtest/gtest.h>

namespace {

constexpr int Method = MethodContent;

class Marking : public ::testing::Test {
protected:
  // A file of Method's group Group with the given times; returns its row (rows follow the list).
  int add(const QString &Name, qint32 Group, qint64 Size = 100, double Created = 0, double Modified = 0,
          const QString &Folder = "/data/", TUseFileProperty *Owner = nullptr) {
    const int index = files.AddFile(Folder, Name, Size, Owner);
    TUseFileProperty *item = files.GetItem(index);
    item->Viewed.SetGroup(Method, Group);
    item->FileProps.Created = Created;
    item->FileProps.Modified = Modified;
    return index;
  }
  TUseFileProperty *item(int Row) { return files.GetItem(Row); }
  void show() { ShowAllRows(model, files); }
  // Files of the given sizes in Group, all of the same times.
  void sized(qint32 Group, std::initializer_list<qint64> Sizes) {
    for (const qint64 size : Sizes)
      add(QString::number(files.Count()), Group, size, 5, 5);
  }
  // Rows first: they point at the files.
  void restart() {
    model.Clear();
    files.Clear();
  }
  // The check of every row, "x" checked, "." not.
  std::string checks() {
    std::string out;
    for (int row = 0; row < model.Count(); ++row)
      out += model.IsChecked(row) ? 'x' : '.';
    return out;
  }
  std::string marks() {
    std::string out;
    for (int row = 0; row < files.Count(); ++row)
      out += item(row)->Viewed.Marked ? 'x' : '.';
    return out;
  }
  void check(std::initializer_list<int> Rows) {
    for (int row : Rows)
      model.SetChecked(row, true);
  }
  void criterion(TCriterionKind Kind, bool TakeLast, bool NotUseChecked = true) {
    MarkAllGroupsByCriterion(model, {Kind, TakeLast, NotUseChecked});
  }

  TUseFileList files;
  TResultModel model{files, [] { return Method; }};
};

TEST_F(Marking, SelectCopiesTouchesOnlyTheRunOfTheFocusedGroup) {
  sized(1, {1});
  sized(2, {1, 1, 1});
  sized(3, {1});
  sized(2, {1}); // the same group further down, after another group: not adjacent
  show();
  check({2});
  ASSERT_TRUE(SelectCopies(model, 2, Method));
  EXPECT_EQ(checks(), ".x.x..");
  // A group of one: only that row is unchecked.
  check({4});
  ASSERT_TRUE(SelectCopies(model, 4, Method));
  EXPECT_EQ(checks(), ".x.x..");
  EXPECT_FALSE(SelectCopies(model, -1, Method));
  EXPECT_FALSE(SelectCopies(model, 6, Method));
  EXPECT_FALSE(ToggleResultCheck(model, 6));
  EXPECT_TRUE(ToggleResultCheck(model, 0));
  EXPECT_EQ(checks(), "xx.x..");
}

TEST_F(Marking, AllNoneAndInvertKeepArchiveMembersAndProcessedFilesUnmarked) {
  add("plain", 1);
  add("other", 1);
  const int pack = add("pack.zip", 1);
  item(pack)->Owner = item(pack);
  add("member", 1, 100, 0, 0, "/in/", item(pack));
  const int done = add("done", 1);
  item(done)->Processed = true;
  show();
  check({0});
  SetResultChecks(model, TCheckRule::Invert);
  // Only the rows with a check box turn: the archive, its member and the processed file hold no
  // check, shown or not, and no mark.
  EXPECT_EQ(checks(), ".x...");
  EXPECT_EQ(marks(), ".x...");
  SetResultChecks(model, TCheckRule::Invert);
  EXPECT_EQ(checks(), "x....");
  EXPECT_EQ(marks(), "x....");
  SetResultChecks(model, TCheckRule::All);
  EXPECT_EQ(checks(), "xx...");
  EXPECT_EQ(marks(), "xx...");
  SetResultChecks(model, TCheckRule::None);
  EXPECT_EQ(checks(), ".....");
  EXPECT_EQ(marks(), ".....");
}

// Two duplicate archives that were entered show no check box, and no command marks either.
TEST_F(Marking, EnteredArchivesTakeNoMarkFromAnyCommand) {
  const int first = add("a.zip", 1, 100, 2, 2);
  const int second = add("b.zip", 1, 100, 1, 1);
  for (int pack : {first, second})
    item(pack)->Owner = item(pack);
  show();
  EXPECT_FALSE(model.HasCheckBox(0) || model.HasCheckBox(1));
  criterion(TCriterionKind::DateCreate, false);
  EXPECT_EQ(marks(), "..");
  SetResultChecks(model, TCheckRule::All);
  EXPECT_EQ(marks(), "..");
  SetResultChecks(model, TCheckRule::Invert);
  EXPECT_EQ(marks(), "..");
  EXPECT_TRUE(ToggleResultCheck(model, 0));
  EXPECT_TRUE(SelectCopies(model, 0, Method));
  EXPECT_EQ(marks(), "..");
  EXPECT_EQ(checks(), "..");
  // A mark set behind the rows' back counts nowhere.
  item(first)->Viewed.Marked = true;
  EXPECT_EQ(files.GetStatistics().MarkedCount, 0);
  EXPECT_FALSE(files.AnyMarked());
  // Nor does the folder or extension list offer them.
  EXPECT_TRUE(GatherFolders(model).isEmpty());
  EXPECT_TRUE(GatherExtensions(model).isEmpty());
}

TEST_F(Marking, EachCriterionKeepsItsFileAndTiesKeepTheFirst) {
  // Created 3, 1, 2; modified 1, 3, 2; sizes 20, 10, 30.
  const auto fill = [this] {
    restart();
    add("a", 1, 20, 3, 1);
    add("b", 1, 10, 1, 3);
    add("c", 1, 30, 2, 2);
    show();
  };
  const struct {
    TCriterionKind Kind;
    bool TakeLast;
    const char *Expected;
  } cases[] = {
      {TCriterionKind::DateCreate, false, "x.x"}, {TCriterionKind::DateCreate, true, ".xx"},
      {TCriterionKind::DateUpdate, false, ".xx"}, {TCriterionKind::DateUpdate, true, "x.x"},
      {TCriterionKind::Size, false, "x.x"},       {TCriterionKind::Size, true, "xx."},
  };
  for (const auto &c : cases) {
    fill();
    criterion(c.Kind, c.TakeLast);
    EXPECT_EQ(checks(), c.Expected) << int(c.Kind) << " last " << c.TakeLast;
    EXPECT_EQ(marks(), c.Expected);
  }
  // Equal times: the first row of the group is kept.
  restart();
  sized(1, {1, 1, 1});
  show();
  criterion(TCriterionKind::DateCreate, false);
  EXPECT_EQ(checks(), ".xx");
  criterion(TCriterionKind::Size, true, false);
  EXPECT_EQ(checks(), ".xx");
}

TEST_F(Marking, SizesCompareAsSixtyFourBitNumbers) {
  const qint64 GiB = qint64(1) << 30;
  // 3 GiB is negative and 4 GiB + 1 is 1 as a signed 32-bit number.
  sized(1, {3 * GiB, 1024});
  sized(2, {4 * GiB + 1, 100});
  show();
  criterion(TCriterionKind::Size, true);
  EXPECT_EQ(checks(), ".x.x");
  SetResultChecks(model, TCheckRule::None);
  criterion(TCriterionKind::Size, false);
  EXPECT_EQ(checks(), "x.x.");
}

TEST_F(Marking, GroupsWithOneCountedRowAreLeftAloneAndCheckedRowsStayOutOnRequest) {
  // A group of two with one processed file; a group of one; a pair beside them.
  sized(1, {10, 20});
  item(1)->Processed = true;
  sized(2, {5});
  sized(3, {1, 2});
  show();
  criterion(TCriterionKind::Size, true);
  EXPECT_EQ(checks(), "...x.");
  // An already checked row stays out while the option is on, and is compared when it is off.
  restart();
  sized(1, {30, 10, 20});
  show();
  check({0});
  criterion(TCriterionKind::Size, true);
  EXPECT_EQ(checks(), "xx.");
  criterion(TCriterionKind::Size, true, false);
  EXPECT_EQ(checks(), ".xx");
}

TEST_F(Marking, AnArchiveMemberIsTheChoiceUnlessALaterFileBeatsIt) {
  const int pack = add("pack.zip", 9, 500);
  item(pack)->Owner = item(pack);
  add("plain", 1, 50);
  add("member1", 1, 10, 0, 0, "/in/", item(pack));
  add("member2", 1, 5, 0, 0, "/in/", item(pack));
  add("later", 1, 100);
  add("small", 1, 1);
  show();
  // Largest: the last member displaced "plain", then "later" beat it.
  criterion(TCriterionKind::Size, true);
  EXPECT_EQ(checks(), ".x...x");
  EXPECT_EQ(marks(), ".x...x");
  // Smallest: no later file beats the last member, which is kept; members stay unmarked.
  SetResultChecks(model, TCheckRule::None);
  files.GetItem(5)->FileItem.Size = 7;
  criterion(TCriterionKind::Size, false);
  EXPECT_EQ(checks(), ".x..xx");
  EXPECT_EQ(marks(), ".x..xx");
}

TEST_F(Marking, FoldersAreGatheredOnceAndARowMatchesOnlyItsOwnFolder) {
  const char *folders[] = {"/a/", "/a/b/", "/ab/", "/a/", "/", "/A/", "/gone/"};
  for (int i = 0; i < 7; ++i)
    add("f", i / 2 + 1, 1, 0, 0, folders[i]);
  item(6)->Processed = true;
  show();
  EXPECT_EQ(GatherFolders(model), QStringList({"/", "/A", "/a", "/a/b", "/ab"}));
  MarkByFolders(model, {"/a/"}, true);
  EXPECT_EQ(checks(), "x..x...");
  MarkByFolders(model, {"/a/b/", "/"}, true);
  EXPECT_EQ(checks(), "xx.xx..");
  MarkByFolders(model, {"/a/"}, false);
  EXPECT_EQ(checks(), ".x..x..");
}

TEST_F(Marking, AFolderNameWithAngleBracketsMarksOnlyItself) {
  for (const char *folder : {"/p/a></q/", "/q/", "/p/a>/"})
    add("f", 1, 1, 0, 0, folder);
  show();
  QStandardItemModel tree;
  for (const QString &folder : GatherFolders(model))
    AddPathToTree(tree.invisibleRootItem(), folder);
  QStandardItem *p = FindSiblingByText(tree.invisibleRootItem()->child(0), "p");
  ASSERT_NE(p, nullptr);
  QStandardItem *odd = FindSiblingByText(p, "a><");
  ASSERT_NE(odd, nullptr);
  // "/p/a></q/" checked: as one searched text "</p/a></q/>" it would hold "</q/>" as well.
  odd->child(0)->setCheckState(Qt::Checked);
  MarkByFolders(model, CheckedFoldersList(tree.invisibleRootItem()), true);
  EXPECT_EQ(checks(), "x..");
  FindSiblingByText(p, "a>")->setCheckState(Qt::Checked);
  MarkByFolders(model, CheckedFoldersList(tree.invisibleRootItem()), true);
  EXPECT_EQ(checks(), "x.x");
}

// A name that is not UTF-8 shows its odd byte as "\xE9"; a folder whose name is that very text shows
// its backslash doubled, and each node stands for its own folder.
TEST_F(Marking, AFolderNameThatIsNotTextShowsEscapedAndMarksOnlyItself) {
  const QString odd = QStringLiteral("/m/caf") + QChar(0xDCE9) + QStringLiteral("/");
  for (const QString &folder : {odd, QStringLiteral("/m/caf\\xE9/")})
    add("f", 1, 1, 0, 0, folder);
  show();
  QStandardItemModel tree;
  FillFolderTree(tree.invisibleRootItem(), GatherFolders(model));
  QStandardItem *m = FindSiblingByText(tree.invisibleRootItem()->child(0), "m");
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(m->rowCount(), 2);
  QStringList shown{m->child(0)->text(), m->child(1)->text()};
  shown.sort();
  EXPECT_EQ(shown, QStringList({"caf\\\\xE9", "caf\\xE9"}));
  QStandardItem *node = FindSiblingByText(m, odd.mid(3).chopped(1));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(GetFolderNodePath(node), odd);
  node->setCheckState(Qt::Checked);
  MarkByFolders(model, CheckedFoldersList(tree.invisibleRootItem()), true);
  EXPECT_EQ(checks(), "x.");
}

TEST_F(Marking, ExtensionsIncludeNoneAndMergeLetterCase) {
  EXPECT_EQ(FileExtensionKey("a.tar.gz"), ".gz");
  EXPECT_EQ(FileExtensionKey("README"), "(none)");
  EXPECT_EQ(FileExtensionKey(".bashrc"), ".bashrc");
  add("x.JPG", 1);
  add("README", 1);
  add("y.jpg", 2);
  add("z.txt", 2);
  const int done = add("gone.old", 3);
  item(done)->Processed = true;
  show();
  EXPECT_EQ(GatherExtensions(model), QStringList({"(none)", ".JPG", ".txt"}));
  MarkByExtensions(model, {"(none)"}, true);
  EXPECT_EQ(checks(), ".x...");
  MarkByExtensions(model, {".JPG"}, true);
  EXPECT_EQ(checks(), "xxx..");
  MarkByExtensions(model, {".jpg", ".txt"}, false);
  EXPECT_EQ(checks(), ".x...");
  MarkByExtensions(model, {}, true);
  EXPECT_EQ(checks(), ".x...");
}

} // namespace

// A folder covers only what lies below its own name: "/a" never swallows "/ab", nor "/A" "/a/b".
TEST(FolderTree, PrefixPathsGoOnlyBelowTheirOwnName) {
  for (auto [paths, kept] :
       {std::pair<QStringList, QStringList>{{"/a", "/a/b", "/a/b/c", "/ab", "/b"}, {"/a/b/c", "/ab", "/b"}},
        {{"/", "/x"}, {"/x"}},
        {{"/A", "/a/b"}, {"/A", "/a/b"}}}) {
    RemovePrefixPaths(paths);
    EXPECT_EQ(paths, kept);
  }
}

namespace {

// A tree as text: each node's name, its children in braces, siblings separated by "|".
QString DumpTree(const QStandardItem *Node) {
  QStringList children;
  for (int row = 0; row < Node->rowCount(); ++row) {
    const QStandardItem *child = Node->child(row);
    children << child->text() + (child->hasChildren() ? "{" + DumpTree(child) + "}" : QString()) +
                    (child->checkState() == Qt::Unchecked ? "" : "!");
  }
  return children.join('|');
}

} // namespace

// The dialog's tree is built through a lookup by name; it must give exactly the tree that adding
// the folders one by one gives, in the same order, on names that differ only in case, by blanks, by
// Unicode composition, by an empty component or by nesting.
TEST(FolderTree, TheTreeByNameLookupMatchesTheTreeBuiltFolderByFolder) {
  TUseFileList files;
  TResultModel model(files, [] { return MethodContent; });
  const QString composed = QString::fromUtf8("/x/\xc3\xa9/");
  const QString decomposed = QString::fromUtf8("/x/e\xcc\x81/");
  const QStringList rowFolders = {"/a/b/c/", "/a/", "/A/", "/a/B/", "/ab/", "/a b/", "/a/b /", "/a/b/c/",
                                  composed, decomposed, "//net/share/", "/a/b/", "/A/b/", "/z/y/x/w/",
                                  "/", "/a/B/d/"};
  for (const QString &folder : rowFolders)
    files.AddFile(folder, "f", 1, nullptr);
  ShowAllRows(model, files);
  QStringList folders = GatherFolders(model);
  RemovePrefixPaths(folders);

  QStandardItemModel reference;
  for (const QString &folder : folders)
    AddPathToTree(reference.invisibleRootItem(), folder);
  QStandardItemModel tree;
  int insertions = 0;
  QObject::connect(&tree, &QAbstractItemModel::rowsInserted, [&] { ++insertions; });
  FillFolderTree(tree.invisibleRootItem(), folders);

  const QString expected =
      QString::fromUtf8("/{{net{share}}|A{b}|a{B{d}|b{c}|b }|a b|ab|x{e\xcc\x81|\xc3\xa9}|z{y{x{w}}}}");
  EXPECT_EQ(DumpTree(reference.invisibleRootItem()).toStdString(), expected.toStdString());
  EXPECT_EQ(DumpTree(tree.invisibleRootItem()).toStdString(), expected.toStdString());
  // The model heard of the whole tree once; every node can take a check and starts without one.
  EXPECT_EQ(insertions, 1);
  QStandardItem *leaf = tree.item(0)->child(2)->child(1)->child(0);
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(GetFolderNodePath(leaf), "/a/b/c/");
  // Deep nodes belong to the model too, so a check on them is heard.
  EXPECT_EQ(leaf->model(), &tree);
  EXPECT_TRUE(leaf->isCheckable());
  EXPECT_FALSE(leaf->isEditable());

  // Nothing to add leaves the model alone.
  QStandardItemModel empty;
  FillFolderTree(empty.invisibleRootItem(), {});
  EXPECT_EQ(empty.rowCount(), 0);
}
