#include "engine/UsePropertyFile.h"

#include <gtest/gtest.h>

namespace {

class FileModel : public ::testing::Test {
protected:
  void SetUp() override { list.Clear(); }
  TUseFileList list;
};

} // namespace

TEST_F(FileModel, EveryItemGetsItsOwnPathEntryAndClearEmptiesTheTable) {
  const int a = list.AddFile("/data/", "a.txt", 10, nullptr);
  const int b = list.AddFile("/data/", "b.txt", 10, nullptr);
  const auto *ia = list.GetItem(a);
  const auto *ib = list.GetItem(b);
  EXPECT_NE(ia->FileItem.PathIndex, ib->FileItem.PathIndex);
  EXPECT_EQ(ia->FileItem.GetPath(), ib->FileItem.GetPath());
  EXPECT_EQ(ib->FullName(), "/data/b.txt");
  EXPECT_EQ(PathTable().Count(), 2);
  EXPECT_THROW(list.GetItem(2), std::out_of_range);
  EXPECT_THROW(list.GetItem(-1), std::out_of_range);
  EXPECT_THROW(list.Delete(3), std::out_of_range);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(PathTable().Count(), 0);
}

TEST_F(FileModel, KindTests) {
  auto *empty = list.GetItem(list.AddFile("/d/", "e.txt", 0, nullptr));
  auto *song = list.GetItem(list.AddFile("/d/", "Song.Mp3", 100, nullptr));
  auto *pic = list.GetItem(list.AddFile("/d/", "photo.jpeg", 100, nullptr));
  auto *noext = list.GetItem(list.AddFile("/d/", "README", 100, nullptr));
  for (auto *item : {empty, song, pic, noext})
    EXPECT_TRUE(!item->HasKind(0) && !item->HasKind(1) && item->HasKind(4) && !item->HasKind(7));
  EXPECT_TRUE(empty->HasKind(5) && !song->HasKind(5));
  // Sizes are kept whole: 4 GiB is not an empty file.
  auto *big = list.GetItem(list.AddFile("/d/", "big.iso", qint64(4) << 30, nullptr));
  EXPECT_EQ(big->FileItem.Size, qint64(4) << 30);
  EXPECT_FALSE(big->IsEmptyFile() || big->HasKind(5));
  EXPECT_TRUE(song->IsMusicFile() && song->HasKind(3) && !noext->IsMusicFile());
  pic->DataImage = std::make_unique<TDataImage>();
  EXPECT_FALSE(pic->HasPicture());
  pic->DataImage->Total = 705000;
  EXPECT_TRUE(pic->HasKind(2));
  EXPECT_FALSE(noext->HasKind(6));
  noext->FileItem.Unreadable = true;
  EXPECT_TRUE(noext->HasKind(6));
}

// Ogg and WMA are music as much as MP3; only pictures are measured.
TEST_F(FileModel, ReadNeedsFollowTheChosenMethods) {
  auto *song = list.GetItem(list.AddFile("/d/", "a.ogg", 10, nullptr));
  auto *wma = list.GetItem(list.AddFile("/d/", "b.WMA", 10, nullptr));
  auto *pic = list.GetItem(list.AddFile("/d/", "a.png", 10, nullptr));
  EXPECT_FALSE(song->NeedAnyRead({4, 5}));
  EXPECT_TRUE(song->NeedCrc({1}));
  song->UniqueSize = true;
  EXPECT_FALSE(song->NeedCrc({1}));
  EXPECT_TRUE(song->NeedTags({3}) && wma->NeedTags({3}) && wma->NeedAnyRead({3}));
  EXPECT_FALSE(pic->NeedTags({3}));
  EXPECT_TRUE(pic->NeedPicture({2}));
  EXPECT_FALSE(song->NeedPicture({2}));
  EXPECT_TRUE(pic->NeedAnyRead({2}));
}
