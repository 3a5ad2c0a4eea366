// The results list: rows, check boxes, colours, hints, the status line, column widths, the group-keeping
// sort and where a step opens.
#include "settings/FileGroupExt.h"
#include "settings/FormatSize.h"
#include "settings/Language.h"
#include "tests/results/ShowRows.h"
#include "tests/support/TestEnv.h"
#include "ui/results/ResultShow.h"
#include "ui/results/ResultShowLoadImages.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

constexpr int Method = MethodContent;

// A file list, the list on a tree view and the English texts.
class ResultList : public ::testing::Test {
protected:
  ResultList()
      : lang(testenv::SourceDir() + "/Language/"),
        results(
            &tree, &status, files, lang, [this] { return method; }, 20) {
    results.SetThumbPause(0);
  }

  // A file of Method's group Group; returns its list index.
  int add(const QString &Name, qint64 Size, qint32 Group, TUseFileProperty *Owner = nullptr,
          const QString &Folder = "/data/") {
    const int index = files.AddFile(Folder, Name, Size, Owner);
    files.GetItem(index)->Viewed.SetGroup(Method, Group);
    return index;
  }
  void showAll() { ShowAllRows(model, files); }
  // Files of Size bytes in Group, shown as rows.
  void showFiles(std::initializer_list<const char *> Names, qint64 Size = 10, qint32 Group = 1) {
    for (const char *name : Names)
      add(name, Size, Group);
    showAll();
  }
  // The list on screen, Width pixels wide.
  void showTree(int Width, int Height = 300) {
    tree.resize(Width, Height);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    QCoreApplication::processEvents();
  }
  QHeaderView &header() { return *tree.header(); }
  int width(int Column) { return header().sectionSize(Column); }
  // The right edge of Column on the list's viewport.
  int rightEdge(int Column) { return header().sectionViewportPosition(Column) + width(Column); }
  // Drags the right edge of Column by Dx pixels with the mouse.
  void drag(int Column, int Dx) {
    QWidget *grip = header().viewport();
    const QPoint from(rightEdge(Column) - 1, header().height() / 2);
    QTest::mousePress(grip, Qt::LeftButton, {}, from);
    QTest::mouseMove(grip, from + QPoint(Dx / 2, 0));
    QTest::mouseMove(grip, from + QPoint(Dx, 0));
    QTest::mouseRelease(grip, Qt::LeftButton, {}, from + QPoint(Dx, 0));
  }
  // Whether Column's cell of Row shows its whole text, by the item views' own text margins.
  bool showsWhole(int Row, int Column) {
    const QString text = model.index(Row, Column).data().toString();
    const int margin = tree.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &tree) + 1;
    const int room = tree.visualRect(model.index(Row, Column)).width() - 2 * margin;
    return tree.fontMetrics().elidedText(text, Qt::ElideMiddle, room) == text;
  }
  QStringList names() {
    QStringList out;
    for (int row = 0; row < model.Count(); ++row)
      out << model.GetResultData(row)->Item->FileItem.FileName;
    return out;
  }
  QList<qint32> groups() {
    QList<qint32> out;
    for (int row = 0; row < model.Count(); ++row)
      out << model.GetResultData(row)->GetGroup(Method);
    return out;
  }
  // The status line for Marked of Grouped files.
  QString statusLine(int Marked, int Grouped, qint64 MarkedSize, qint64 GroupedSize) {
    return FormatText(lang.GetText(243) + "  ", {QString::number(Marked), QString::number(Grouped),
                                                 FormatSizeKb(MarkedSize), FormatSizeKb(GroupedSize)});
  }
  int method = Method;
  TUseFileList files;
  TLangList lang;
  QTreeView tree;
  QLabel status;
  TResultList results;
  TResultModel &model = results.Model();
};

std::vector<qint32> regroup(std::vector<qint32> Groups, std::vector<std::pair<int, int>> *Swaps = nullptr) {
  RegroupAfterSort(Groups, [&](int B, int A) {
    if (Swaps)
      Swaps->emplace_back(B, A);
  });
  return Groups;
}

TEST(RegroupAfterSort, KeepsTheOrderOfLaterGroupsAndNeverSplitsARun) {
  // X1 Y1 Z1 X2 Y2 Z2 ends X1 X2 Z1 Z2 Y2 Y1: follow the files through the swaps.
  std::vector<qint32> groups{1, 2, 3, 1, 2, 3};
  std::vector<std::string> files{"X1", "Y1", "Z1", "X2", "Y2", "Z2"};
  RegroupAfterSort(groups, [&](int B, int A) { std::swap(files[size_t(B)], files[size_t(A)]); });
  EXPECT_EQ(files, (std::vector<std::string>{"X1", "X2", "Z1", "Z2", "Y2", "Y1"}));
  EXPECT_EQ(groups, (std::vector<qint32>{1, 1, 3, 3, 2, 2}));
  // X Y Y W Y X: the walk used to end X X Y Y W Y, splitting Y.
  EXPECT_EQ(regroup({7, 2, 2, 9, 2, 7}), (std::vector<qint32>{7, 7, 2, 2, 2, 9}));
  EXPECT_EQ(regroup({1, 2, 1, 2, 1, 2, 1}), (std::vector<qint32>{1, 1, 1, 1, 2, 2, 2}));
  // Groups already together are left alone.
  std::vector<std::pair<int, int>> swaps;
  EXPECT_EQ(regroup({3, 3, 1, 5, 5, 5, 2}, &swaps), (std::vector<qint32>{3, 3, 1, 5, 5, 5, 2}));
  EXPECT_TRUE(swaps.empty());
  EXPECT_TRUE(regroup({}).empty());
  EXPECT_EQ(regroup({4}), (std::vector<qint32>{4}));
}

// Row A against row B under Column, by the rule the sort applies.
int compare(TUseFileList &Files, int A, int B, int Column) {
  const TResultShow a(Files.GetItem(A), GroupColor1), b(Files.GetItem(B), GroupColor1);
  switch (SortKind(Column)) {
  case TSortKind::Text:
    return CompareSortKeys(TextSortKey(a, Column, Method), TextSortKey(b, Column, Method));
  case TSortKind::Number:
    return CompareSortKeys(NumberSortKey(a, Column, Method), NumberSortKey(b, Column, Method));
  default:
    return 0;
  }
}

TEST_F(ResultList, RowsCompareByTheirColumnsRule) {
  const int lower = add("abc", 10240, 10);
  const int upper = add("ABC", 2048, 9);
  const int underscore = add("_x", 0, -1);
  // Only A-Z fold: "_" (95) stands before "a" (97) though it would stand after an unfolded "A" (65).
  EXPECT_EQ(compare(files, lower, upper, ColName), 0);
  EXPECT_LT(compare(files, underscore, upper, ColName), 0);
  // Sizes and groups compare as numbers, not as their texts ("10.00kb" and "10" come first as text).
  EXPECT_GT(compare(files, lower, upper, ColSize), 0);
  EXPECT_GT(compare(files, lower, upper, ColGroup), 0);
}

TEST_F(ResultList, CheckBoxesAndCellsFollowTheKindOfFile) {
  add("photo.jpg", 100, 1);
  add("song.mp3", 100, 1);
  add("quiet.mp3", 100, 1);
  const int old = add("old.png", 100, 2);
  files.GetItem(old)->Processed = true;
  const int pack = add("p.zip", 100, 2);
  files.GetItem(pack)->Owner = files.GetItem(pack);
  add("member.png", 100, 2, files.GetItem(pack), "x/");
  add("note.txt", 100, 2);
  showAll();
  // Processed files, an entered archive's own row and its members have no check box.
  for (int row = 0; row < 7; ++row)
    EXPECT_EQ(model.HasCheckBox(row), row < 3 || row == 6) << row;
  EXPECT_FALSE(model.index(5, ColName).data(Qt::CheckStateRole).isValid());
  EXPECT_TRUE(model.index(6, ColName).flags() & Qt::ItemIsUserCheckable);
  model.SetChecked(6, true);
  EXPECT_EQ(model.index(5, ColFolder).data().toString(), "/data/p.zip -> x/");
  EXPECT_EQ(model.index(6, ColSize).data().toString(), FormatSizeKb(100));
  EXPECT_EQ(model.index(6, ColGroup).data().toString(), "2");
  EXPECT_EQ(model.index(6, ColPreview).data().toString(), "");
  // Rebuilt rows keep their marks.
  showAll();
  EXPECT_EQ(model.index(6, ColName).data(Qt::CheckStateRole).toInt(), Qt::Checked);
}

TEST_F(ResultList, ProcessedNamesAreGreyAndOtherCellsTakeTheGroupColour) {
  add("a", 10, 1);
  add("b", 10, 1);
  files.GetItem(0)->Processed = true;
  model.BeginUpdate();
  model.AddResultNode(0, GroupColor1);
  model.AddResultNode(1, GroupColor2);
  model.EndUpdate();
  const QColor name = model.index(0, ColName).data(Qt::ForegroundRole).value<QBrush>().color();
  EXPECT_NE(name, QColor(GroupColor1));
  EXPECT_EQ(name, QApplication::palette().color(QPalette::Disabled, QPalette::Text));
  for (int column : {ColFolder, ColSize, ColGroup})
    EXPECT_EQ(model.index(0, column).data(Qt::ForegroundRole).value<QColor>(), QColor(GroupColor1)) << column;
  for (int column : {ColName, ColFolder, ColSize, ColGroup})
    EXPECT_EQ(model.index(1, column).data(Qt::ForegroundRole).value<QColor>(), QColor(GroupColor2)) << column;
}

// A time never read (0) shows nothing, not 30 December 1899.
TEST_F(ResultList, HintListsTimesAndAttributes) {
  add("a", 10, 1);
  add("b", 10, 1);
  TFileProps &props = files.GetItem(0)->FileProps;
  props.Created = 0;        // never read, as for an archive member of a loaded result file
  props.Modified = 45419.5; // 2024-05-07 12:00 local time
  props.Accessed = 0;
  files.GetItem(1)->FileProps.ReadOnly = true;
  files.GetItem(1)->FileProps.Hidden = true;
  showAll();
  const QStringList lines = model.index(0, ColFolder).data(Qt::ToolTipRole).toString().split('\n');
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[0], lang.GetText(2639) + ' ');
  EXPECT_EQ(lines[1],
            lang.GetText(2640) + ' ' +
                QLocale().toString(QDateTime(QDate(2024, 5, 7), QTime(12, 0)), QLocale::ShortFormat));
  EXPECT_EQ(lines[2], lang.GetText(2641) + ' ');
  EXPECT_EQ(lines[3], lang.GetText(2642) + ' ' + lang.GetText(2638));
  const QString both = model.index(1, ColFolder).data(Qt::ToolTipRole).toString();
  EXPECT_TRUE(both.endsWith(' ' + lang.GetText(2630) + ',' + lang.GetText(2631)));
  // Only the folder column has a hint.
  EXPECT_FALSE(model.index(0, ColName).data(Qt::ToolTipRole).isValid());
}

TEST_F(ResultList, ADoubleClickOrSpaceTogglesTheRowsCheck) {
  add("c", 512, -1); // in no group: not counted
  showFiles({"a", "b"});
  showTree(500, 200);
  const QRect cell = tree.visualRect(model.index(2, ColFolder));
  QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_TRUE(model.IsChecked(2));
  EXPECT_TRUE(files.GetItem(2)->Viewed.Marked);
  EXPECT_EQ(status.text(), statusLine(1, 2, 10, 20));
  QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_FALSE(model.IsChecked(2));
  // Space does the same for the focused row, whichever of its cells has the focus.
  tree.setCurrentIndex(model.index(1, ColSize));
  QTest::keyClick(&tree, Qt::Key_Space);
  EXPECT_TRUE(model.IsChecked(1));
}

TEST_F(ResultList, AStepOpensAtItsTopWithItsFirstRowCurrent) {
  for (int i = 0; i < 200; ++i)
    add(QString("f%1").arg(i, 3, 10, QLatin1Char('0')), 10 + i, i / 2);
  showAll();
  showTree(500, 200);
  tree.setCurrentIndex(model.index(190, ColName));
  tree.scrollToBottom();
  ASSERT_GT(tree.verticalScrollBar()->value(), 0);
  showAll(); // the next step
  QCoreApplication::processEvents();
  EXPECT_EQ(tree.verticalScrollBar()->value(), 0);
  EXPECT_EQ(tree.indexAt(QPoint(1, 1)).row(), 0);
  EXPECT_EQ(results.FocusedRow(), 0);
  // A user's sort lets the current row follow its file (the smallest, now last) ...
  results.HeaderClick(ColSize);
  EXPECT_EQ(results.FocusedRow(), 199);
  tree.scrollToBottom();
  // ... but the sort that a step just shown re-applies leaves it at its top.
  showAll();
  results.Resorting = true;
  results.HeaderClick(ColSize);
  results.Resorting = false;
  QCoreApplication::processEvents();
  EXPECT_EQ(names().first(), "f199");
  EXPECT_EQ(results.FocusedRow(), 0);
  EXPECT_EQ(tree.verticalScrollBar()->value(), 0);
  // An empty step has no current row.
  files.Clear();
  showAll();
  EXPECT_EQ(results.FocusedRow(), -1);
}

// --- Column widths ---

TEST_F(ResultList, NoNumberIsCutShortHoweverNarrowTheList) {
  add("disk.img", 2993101312LL, 123456789);
  add("copy.img", 2993101312LL, 123456789);
  add("empty", 0, 7);
  add("note", 100, 7);
  showAll();
  showTree(700);
  EXPECT_EQ(model.index(0, ColSize).data().toString(), FormatSizeKb(2993101312LL));
  for (int width : {700, 300}) {
    tree.resize(width, 300);
    QCoreApplication::processEvents();
    for (int row = 0; row < model.Count(); ++row) {
      EXPECT_TRUE(showsWhole(row, ColSize)) << width << " " << row;
      EXPECT_TRUE(showsWhole(row, ColGroup)) << width << " " << row;
    }
  }
  // The user cannot drag a number column so narrow that its numbers are cut.
  drag(ColSize, -width(ColSize));
  drag(ColGroup, -width(ColGroup));
  EXPECT_TRUE(showsWhole(0, ColSize));
  EXPECT_TRUE(showsWhole(0, ColGroup));
  // A step of small files narrows the size column again to what it needs.
  const int large = width(ColSize);
  files.Clear();
  showFiles({"a", "b"}, 100);
  EXPECT_LT(width(ColSize), large);
  EXPECT_TRUE(showsWhole(0, ColSize));
  EXPECT_GE(width(ColSize), header().sectionSizeHint(ColSize)); // nor is its title cut
  // A row added on its own, outside an update bracket, widens the column when it needs more.
  model.AddResultNode(add("huge", 4000000000000LL, 2), GroupColor1);
  EXPECT_TRUE(showsWhole(2, ColSize));
  EXPECT_GT(width(ColSize), large);
}

TEST_F(ResultList, DraggingAColumnNeverPushesAnotherOutOfSight) {
  showFiles({"a", "b"});
  showTree(600);
  const auto allInSight = [&] {
    for (int column = 0; column < ResultColumnCount; ++column)
      if (rightEdge(column) > tree.viewport()->width())
        return false;
    return true;
  };
  // Name taken wider: Folder gives way, down to its minimum.
  const int before = width(ColName) + width(ColFolder);
  drag(ColName, 100);
  EXPECT_TRUE(allInSight());
  EXPECT_EQ(width(ColName) + width(ColFolder), before);
  drag(ColName, 2000);
  EXPECT_TRUE(allInSight());
  EXPECT_GT(width(ColName), 300);
  // Any other column taken wider takes its room from Name and Folder, and no more than they have.
  drag(ColGroup, 2000);
  EXPECT_TRUE(allInSight());
  drag(ColPreview, 2000);
  EXPECT_TRUE(allInSight());
  // Given back, the room goes to Name and Folder.
  const int shared = width(ColName) + width(ColFolder);
  const int group = width(ColGroup);
  drag(ColGroup, -50);
  EXPECT_EQ(width(ColName) + width(ColFolder), shared + (group - width(ColGroup)));
  EXPECT_LT(width(ColGroup), group);
  EXPECT_TRUE(allInSight());
}

// --- Sorting ---

TEST_F(ResultList, SortingKeepsEveryGroupTogetherAndRowsTheirState) {
  // Names interleave the groups, so a plain sort by name would split each of them.
  add("a1", 30, 1);
  add("c1", 30, 1);
  const int pack = add("b2", 20, 2);
  files.GetItem(pack)->Owner = files.GetItem(pack);
  add("a2", 20, 2);
  add("b3", 10, 3);
  add("c3.jpg", 10, 3);
  showAll();
  model.SetChecked(1, true);
  tree.setCurrentIndex(model.index(5, ColName));
  const int pictureHeight = model.RowHeight(5);
  results.HeaderClick(ColName);
  EXPECT_EQ(results.SortColumn(), ColName);
  EXPECT_EQ(results.SortDirection(), Qt::DescendingOrder); // the first click flips the initial direction
  EXPECT_EQ(names(), (QStringList{"c3.jpg", "b3", "c1", "a1", "a2", "b2"}));
  // Checks, heights, check boxes and the current row move with their files.
  for (int row = 0; row < 6; ++row) {
    EXPECT_EQ(model.IsChecked(row), row == 2) << row;
    EXPECT_EQ(model.HasCheckBox(row), row != 5) << row;
    EXPECT_EQ(model.RowHeight(row), row == 0 ? pictureHeight : 0) << row;
  }
  EXPECT_EQ(results.FocusedRow(), 0);
  results.HeaderClick(ColName);
  EXPECT_EQ(results.SortDirection(), Qt::AscendingOrder);
  EXPECT_EQ(names(), (QStringList{"a1", "c1", "b2", "a2", "b3", "c3.jpg"}));
  // Another column flips the direction again.
  results.HeaderClick(ColSize);
  EXPECT_EQ(results.SortDirection(), Qt::DescendingOrder);
  EXPECT_EQ(groups(), (QList<qint32>{1, 1, 2, 2, 3, 3}));
  // Colours are laid anew from the first colour.
  const QRgb expected[] = {GroupColor1, GroupColor1, GroupColor2, GroupColor2, GroupColor1, GroupColor1};
  for (int row = 0; row < 6; ++row)
    EXPECT_EQ(model.GetResultData(row)->GroupColour, expected[row]) << row;
}

TEST_F(ResultList, SortingStopsTheLoaderAndStartsANewOneOverTheNewOrder) {
  add("b.png", 10, 1);
  showFiles({"a.png"}, 10, 2);
  results.SetThumbPause(60000); // the first loader stays busy
  results.RestartThumbLoader();
  QPointer<TResultShowLoadImages> first = results.ThumbLoader();
  results.Queue().Feed(1);
  results.HeaderClick(ColName);
  // Told to stop (and perhaps already gone).
  EXPECT_TRUE(first.isNull() || first->Terminated());
  EXPECT_NE(results.ThumbLoader(), first.data());
  EXPECT_TRUE(results.Queue().Rows().empty());
  EXPECT_EQ(results.ThumbLoader()->Nodes(), (std::vector<int>{0, 1}));
}

} // namespace
