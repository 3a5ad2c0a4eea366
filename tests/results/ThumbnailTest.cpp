// The thumbnail queue and the loader thread.
#include "settings/FileGroupExt.h"
#include "settings/Language.h"
#include "tests/results/ShowRows.h"
#include "tests/support/TestEnv.h"
#include "ui/results/ResultList.h"
#include "ui/results/ResultShow.h"
#include "ui/results/ResultShowLoadImages.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QLabel>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

TEST(ThumbnailQueue, HoldsEachRowOnceAndDropsTheOldest) {
  TThumbnailQueue queue(2);
  queue.Feed(5);
  queue.Feed(5);
  EXPECT_EQ(queue.Rows(), (std::vector<int>{5}));
  queue.Feed(6);
  queue.Feed(7); // the limit plus one fit
  EXPECT_EQ(queue.Rows(), (std::vector<int>{5, 6, 7}));
  queue.Feed(8);
  EXPECT_EQ(queue.Rows(), (std::vector<int>{6, 7, 8}));
  queue.Feed(6); // present: no change of order either
  EXPECT_EQ(queue.Rows(), (std::vector<int>{6, 7, 8}));
}

// Runs the main thread's side until Loader ends.
bool finish(TResultShowLoadImages &Loader) {
  QDeadlineTimer deadline(20000);
  while (!Loader.isFinished() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    Loader.wait(1);
  }
  return Loader.isFinished();
}

class Thumbnails : public ::testing::Test {
protected:
  Thumbnails() : model(files, [] { return MethodPictures; }) {}

  // A picture file of Width x Height, listed; returns its list index.
  int picture(const QString &Name, int Width = 16, int Height = 16) {
    QImage image(Width, Height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    EXPECT_TRUE(image.save(dir.filePath(Name)));
    return add(Name);
  }
  int add(const QString &Name, TUseFileProperty *Owner = nullptr) {
    const int index = files.AddFile(dir.path() + '/', Name, 100, Owner);
    files.GetItem(index)->Viewed.SetGroup(MethodPictures, 1);
    return index;
  }
  void addPictures(int Count) {
    for (int i = 0; i < Count; ++i)
      picture(QStringLiteral("p%1.png").arg(i));
    showAll();
  }
  void showAll() { ShowAllRows(model, files); }

  TestDir dir;
  TUseFileList files;
  TResultModel model;
  TThumbnailQueue queue{10};
};

TEST_F(Thumbnails, EveryPictureRowThatCanShowOneGetsAThumbnailKeepingItsShape) {
  picture("wide.png", 200, 100);
  add("notes.txt");
  const int done = add("done.png");
  files.GetItem(done)->Processed = true;
  const int pack = add("p.zip");
  files.GetItem(pack)->Owner = files.GetItem(pack);
  add("inside.png", files.GetItem(pack));
  picture("tall.PNG", 30, 90);
  picture("small.png", 20, 10);
  showAll();
  TResultShowLoadImages loader(model, queue, 0);
  EXPECT_EQ(loader.Nodes(), (std::vector<int>{0, 5, 6}));
  ASSERT_TRUE(finish(loader));
  EXPECT_EQ(loader.Made(), 3);
  const TResultShow *wide = model.GetResultData(0);
  EXPECT_EQ(wide->Thumbnail.size(), QSize(80, 40));
  EXPECT_EQ(wide->ImageWidth, 200);
  EXPECT_EQ(wide->ImageHeight, 100);
  EXPECT_EQ(model.GetResultData(5)->Thumbnail.size(), QSize(20, 60));
  EXPECT_EQ(model.GetResultData(6)->Thumbnail.size(), QSize(20, 10)); // never enlarged
}

TEST_F(Thumbnails, ARowThatFailsOrWhoseFileWasProcessedMeanwhileIsPassedOver) {
  dir.createFile("broken.png", "this is no picture");
  add("broken.png");
  picture("good.png", 8, 8);
  const int gone = picture("gone.png", 8, 8);
  showAll();
  queue.Feed(0); // would keep the loader on this row forever if failures were forgotten
  queue.Feed(gone);
  TResultShowLoadImages loader(model, queue, 0);
  // The file actions run while the results rows and their loader still stand.
  files.GetItem(gone)->Processed = true; // before the loader's first step can run
  ASSERT_TRUE(finish(loader));
  EXPECT_TRUE(model.GetResultData(0)->ThumbnailFailed);
  EXPECT_TRUE(model.GetResultData(0)->Thumbnail.isNull());
  EXPECT_FALSE(model.GetResultData(1)->Thumbnail.isNull());
  EXPECT_TRUE(model.GetResultData(gone)->Thumbnail.isNull());
  // A later loader (after a sort) does not try the failed row again.
  queue.Clear();
  TResultShowLoadImages again(model, queue, 0);
  ASSERT_TRUE(finish(again));
  EXPECT_EQ(again.Made(), 0);
}

TEST_F(Thumbnails, AStoppedLoaderNeverTouchesTheRowsAgainAndJoinsWithoutTheMainThread) {
  addPictures(5);
  auto loader = std::make_unique<TResultShowLoadImages>(model, queue, 0);
  // Its first step may already wait in the event queue; the rows go before it can run.
  loader->Terminate();
  model.Clear();
  showAll();
  for (int i = 0; i < 20; ++i)
    QCoreApplication::processEvents();
  EXPECT_TRUE(loader->wait(5000)); // joins without the main thread's help
  EXPECT_EQ(loader->Made(), 0);
  for (int row = 0; row < model.Count(); ++row)
    EXPECT_TRUE(model.GetResultData(row)->Thumbnail.isNull());
  // One waiting for its first step, no events processed, can be joined as well.
  TResultShowLoadImages waiting(model, queue, 0);
  waiting.wait(50);
  waiting.Terminate();
  EXPECT_TRUE(waiting.wait(5000));
}

// The list's painting feeds the queue: the picture rows on screen that still need a thumbnail, not a file of
// another kind, a processed picture or one that has its thumbnail already.
TEST_F(Thumbnails, PaintingQueuesVisiblePictureRowsWithoutThumbnail) {
  add("notes.txt");
  files.GetItem(picture("done.png"))->Processed = true;
  picture("shown.png");
  addPictures(30);
  TLangList lang(testenv::SourceDir() + "/Language/");
  QTreeView tree;
  QLabel status;
  TResultList list(
      &tree, &status, files, lang, [] { return MethodPictures; }, 4);
  tree.resize(500, 300);
  tree.show();
  QCoreApplication::processEvents();
  for (int i = 0; i < files.Count(); ++i)
    list.Model().AddResultNode(i, GroupColor2);
  list.Model().GetResultData(2)->Thumbnail = QImage(8, 8, QImage::Format_RGB888);
  tree.grab();
  const std::vector<int> &rows = list.Queue().Rows();
  ASSERT_FALSE(rows.empty());
  EXPECT_LE(int(rows.size()), 5);
  // The list is scrolled to the top: the first pictures are the visible ones.
  EXPECT_EQ(rows.front(), 3);
  for (int row : {0, 1, 2})
    EXPECT_FALSE(list.Queue().Contains(row)) << row;
  // Rows further down are queued once they are painted, pushing out the oldest.
  tree.scrollToBottom();
  tree.grab();
  EXPECT_EQ(rows.back(), 32);
  EXPECT_FALSE(list.Queue().Contains(3));
}

} // namespace
