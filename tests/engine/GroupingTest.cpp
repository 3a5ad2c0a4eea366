#include "engine/Grouping.h"
#include "engine/SearchOptions.h"
#include "engine/SearchRun.h"
#include "engine/Similarity.h"
#include "engine/StepStorage.h"
#include "tests/support/FakeProgress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

namespace {

// An item as reading would leave it: checksum read when Code is not 0.
int AddRead(TUseFileList &List, const QString &Name, qint64 Size, qint32 Code) {
  const int i = List.AddFile(QStringLiteral("/data/"), Name, Size, nullptr);
  TUseFileProperty &Item = *List.GetItem(i);
  Item.FileItem.Code = Code;
  Item.WhatRead_Code = Code != 0;
  return i;
}

// A tagged song, t<I>.mp3, as reading would leave it.
void AddSong(TUseFileList &List, int I, const QString &Artist, const QString &Song, const QString &Album) {
  TMusicTag &Tags = List.GetItem(AddRead(List, QStringLiteral("t%1.mp3").arg(I), 1000 + I, 0))->EditTags();
  Tags.Mp3_Artist = Artist;
  Tags.Mp3_SongName = Song;
  Tags.Mp3_Album = Album;
}

QList<qint32> Groups(const TUseFileList &List, int Method) {
  QList<qint32> Result;
  for (int i = 0; i < List.Count(); ++i)
    Result << List.GetItem(i)->Viewed.GetGroup(Method);
  return Result;
}

QStringList Names(const TUseFileList &List, const QList<qint32> &Indexes) {
  QStringList Result;
  for (qint32 i : Indexes)
    Result << List.GetItem(i)->FileItem.FileName;
  return Result;
}

struct GroupRun {
  TProgressBarModel Bar;
  FakeProgressSink Sink{&Bar};
  TStepStorage Steps;

  void Group(TUseFileList &List, const TWhatFind &WhatFind) {
    List.Filter.WhatFind = WhatFind;
    List.MarkUniqueSizes();
    List.MarkUniqueCodes();
    GroupResult(List, Steps, Sink, Bar, {nullptr, nullptr, 0});
  }
};

class Grouping : public ::testing::Test {
protected:
  void SetUp() override { SearchOptions().SetDefaults(); }
  void TearDown() override { SearchOptions().SetDefaults(); }
};

} // namespace

// With four methods the maximum is 820: 98.88 % of it is 810.816, 99 % would be 811.8. An empty list
// makes no progress call.
TEST_F(Grouping, TheBarEndsAt9888PerMilleWhereNinetyNinePercentWouldEndElsewhere) {
  for (const auto &[WhatFind, Files, Max, End] :
       {std::tuple{TWhatFind{1}, 0, 220, 217}, std::tuple{TWhatFind{1, 2, 3, 4}, 2, 820, 810},
        std::tuple{TWhatFind{1, 2, 3, 4, 5}, 2, 1020, 1008}}) {
    TUseFileList List;
    for (int i = 0; i < Files; ++i)
      AddRead(List, QStringLiteral("f%1").arg(i), 10, 7);
    GroupRun R;
    R.Group(List, WhatFind);
    EXPECT_EQ(R.Bar.Max(), Max);
    EXPECT_EQ(R.Bar.Position(), End);
    EXPECT_TRUE(Files > 0 ||
                (R.Sink.calls() == 0 && R.Steps.Count() == 1 && R.Steps.GetIndexes(1).isEmpty()));
  }
}

// Sizes that agree in their low 32 bits and checksums at both ends of their range stay apart.
TEST_F(Grouping, UniqueMarksTellApartSizesAndChecksumsAtTheEdgesOfTheirRange) {
  TUseFileList List;
  AddRead(List, "a", 1, std::numeric_limits<qint32>::min());
  AddRead(List, "b", (qint64(1) << 32) + 1, std::numeric_limits<qint32>::max());
  AddRead(List, "c", std::numeric_limits<qint64>::max(), -1);
  AddRead(List, "d", std::numeric_limits<qint64>::max(), 1);
  AddRead(List, "e", 1, -1);
  List.MarkUniqueSizes();
  List.MarkUniqueCodes();
  QList<bool> UniqueSize, UniqueCode;
  for (int i = 0; i < List.Count(); ++i) {
    UniqueSize << List.GetItem(i)->UniqueSize;
    UniqueCode << List.GetItem(i)->UniqueCode;
  }
  EXPECT_EQ(UniqueSize, QList<bool>({false, true, false, false, false}));
  EXPECT_EQ(UniqueCode, QList<bool>({true, true, false, true, false}));
}

// Flagged methods make one group even of a single file.
TEST_F(Grouping, EmptyFilesNeverFormAContentGroupButFormAnEmptyGroup) {
  const auto Fill = [](TUseFileList &List) {
    AddRead(List, "e1", 0, -1);
    AddRead(List, "e2", 0, -1);
    AddRead(List, "full", 5, 3);
    List.GetItem(AddRead(List, "bad", 7, -1))->FileItem.Unreadable = true;
  };
  TUseFileList List;
  Fill(List);
  GroupRun R;
  R.Group(List, {1});
  EXPECT_EQ(List.Count(), 0);
  EXPECT_FALSE(List.AnyGrouped());
  Fill(List);
  GroupRun R2;
  R2.Group(List, {1, 5, 6});
  ASSERT_EQ(List.Count(), 3);
  EXPECT_EQ(Groups(List, 1), QList<qint32>({-1, -1, -1}));
  EXPECT_EQ(Groups(List, 5), QList<qint32>({0, 0, -1}));
  EXPECT_EQ(Groups(List, 6), QList<qint32>({-1, -1, 0}));
  EXPECT_EQ(R2.Steps.GetIndexes(5), QList<qint32>({0, 1}));
  EXPECT_EQ(Names(List, R2.Steps.GetIndexes(6)), QStringList({"bad"}));
}

// Names share four of eight letters with their neighbour only: 50 % similar. F3 is not joined through F2;
// every ungrouped candidate uses up a number.
// Compaction drops what is in no group, but keeps entered archives and music with tags.
TEST_F(Grouping, CompactionKeepsArchivesAndTaggedMusic) {
  TUseFileList List;
  const int Archive = AddRead(List, "box.zip", 100, 5);
  List.GetItem(Archive)->Owner = List.GetItem(Archive);
  List.AddFile(QString(), QStringLiteral("inner.txt"), 3, List.GetItem(Archive));
  const int Song = AddRead(List, "song.mp3", 200, 6);
  List.GetItem(Song)->EditTags().Mp3_SongName = QStringLiteral("Title");
  AddRead(List, "untagged.mp3", 300, 7);
  AddRead(List, "plain.txt", 400, 8);
  GroupRun R;
  R.Group(List, {1});
  EXPECT_EQ(Names(List, {0, 1}), QStringList({"box.zip", "song.mp3"}));
  EXPECT_TRUE(List.GetItem(0)->IsArchive());
}

TEST_F(Grouping, PairwiseSimilarityIsNotChained) {
  TSearchOptions &O = SearchOptions();
  O.FilePropertySize = false;
  O.FilePropertyExt = false;
  O.FilePropertyNamePercent = 50;
  TUseFileList List;
  AddRead(List, "aaaabbbb.txt", 1, 0);
  AddRead(List, "bbbbcccc.txt", 2, 0);
  AddRead(List, "ccccdddd.txt", 3, 0);
  AddRead(List, "zzzzzzzz.txt", 4, 0);
  AddRead(List, "ccccdddd.dat", 5, 0);
  GroupRun R;
  R.Group(List, {4});
  ASSERT_EQ(List.Count(), 4);
  EXPECT_EQ(Names(List, R.Steps.GetIndexes(4)),
            QStringList({"aaaabbbb.txt", "bbbbcccc.txt", "ccccdddd.txt", "ccccdddd.dat"}));
  EXPECT_EQ(Groups(List, 4), QList<qint32>({1, 1, 2, 2}));
}

TEST_F(Grouping, StopAtEveryProgressCallLeavesWithTheBarAtItsEnd) {
  auto Fill = [](TUseFileList &List) {
    for (int i = 0; i < 12; ++i)
      AddRead(List, QStringLiteral("f%1.txt").arg(i % 6), i % 4 + 1, i % 4 + 1);
    AddRead(List, "empty", 0, -1);
  };
  int Total = 0; // the calls of a run without a stop (N = 0)
  for (int N = 0; N <= Total; ++N) {
    for (bool Halt : {false, true}) {
      TUseFileList List;
      Fill(List);
      GroupRun R;
      R.Sink.stopAtCall = N;
      R.Sink.haltInsteadOfStop = Halt;
      // A halt asks the window nothing more; a stop may make the routine's closing call.
      if (N == 0) {
        R.Group(List, {1, 4, 5});
        Total = R.Sink.calls();
        ASSERT_GT(Total, 20);
        continue;
      }
      if (Halt) {
        EXPECT_THROW(R.Group(List, {1, 4, 5}), EMyHalt) << N;
        EXPECT_EQ(R.Sink.calls(), N);
      } else {
        EXPECT_THROW(R.Group(List, {1, 4, 5}), EMyStop) << N;
        EXPECT_LE(R.Sink.calls(), N + 1);
      }
      EXPECT_EQ(R.Bar.Position(), int(R.Bar.Max() * 0.9888)) << N;
    }
  }
}

// Buckets of 374, 22, 6 and 3 files make exactly 70,000 comparisons; one more pair, 70,001.
TEST_F(Grouping, FirstHeartbeatComesAfterExactly70001Comparisons) {
  TSearchOptions &O = SearchOptions();
  O.FilePropertySize = true;
  O.FilePropertyName = true;
  O.FilePropertyExt = false;
  O.FilePropertyNamePercent = 99;
  const auto CallsWithLastPair = [](bool Paired) {
    TUseFileList List;
    int Name = 0;
    for (const int Bucket : {374, 22, 6, 3})
      for (int i = 0; i < Bucket; ++i)
        AddRead(List, QStringLiteral("f%1").arg(Name++), 1000 + Bucket, 0);
    AddRead(List, "last-a", 7, 0);
    AddRead(List, "last-b", Paired ? 7 : 8, 0);
    GroupRun R;
    R.Group(List, {4});
    EXPECT_EQ(List.Count(), 0);
    return R.Sink.calls();
  };
  const int At70000 = CallsWithLastPair(false);
  // As many candidates, each of its own size, so that nothing is compared: as many calls.
  TUseFileList Apart;
  for (int i = 0; i < 407; ++i)
    AddRead(Apart, QStringLiteral("f%1").arg(i), 1 + i, 0);
  GroupRun R;
  R.Group(Apart, {4});
  EXPECT_EQ(At70000, R.Sink.calls());
  EXPECT_EQ(CallsWithLastPair(true), At70000 + 1);
}

// The documented pairwise grouping, every pair compared, run on the list the second pass saw.
void ExpectEveryPairOrder(const TUseFileList &List, const GroupRun &R, int Method) {
  QList<qint32> Expected(List.Count(), -1);
  QList<qint32> ExpectedRows;
  qint32 Counter = 0;
  for (int a = 0; a < List.Count(); ++a) {
    if (!List.GetItem(a)->HasKind(Method) || Expected[a] != -1)
      continue;
    ++Counter;
    bool Partner = false;
    for (int b = a + 1; b < List.Count(); ++b) {
      if (List.GetItem(b)->HasKind(Method) && Expected[b] == -1 &&
          TUseFileProperty::Compare(*List.GetItem(a), *List.GetItem(b), Method, 0) == 0) {
        if (!Partner) {
          Partner = true;
          Expected[a] = Counter;
          ExpectedRows << a;
        }
        Expected[b] = Counter;
        ExpectedRows << b;
      }
    }
  }
  EXPECT_EQ(Groups(List, Method), Expected);
  EXPECT_EQ(R.Steps.GetIndexes(Method), ExpectedRows);
}

// Fully similar names need the same letters, though not every reordering reaches 100 %.
TEST_F(Grouping, SkippingPairsOfOtherLettersChangesNothing) {
  const QStringList Names = {"aaaabbbb.txt",  "bbbbaaaa.txt", "abababab.txt", "aaaabbbb.TXT", "AAAABBBB.txt",
                             "abcdabcd.txt",  "dcbadcba.txt", "abcdabcd.xtt", "aaaabbbb",     ".txt",
                             "abcd.abcd.txt", "abcdabcd.ttx", "Straße.txt",   "STRASSE.txt",  "abcdabcd.txt"};
  for (bool Sizes : {false, true})
    for (int Ext : {0, 100})
      for (int Name : {99, 100}) {
        TSearchOptions &O = SearchOptions();
        O.FilePropertySize = Sizes;
        O.FilePropertyExt = Ext > 0;
        O.FilePropertyExtPercent = Ext;
        O.FilePropertyNamePercent = Name;
        std::mt19937 Random(Ext + Name + (Sizes ? 1 : 0));
        TUseFileList List;
        for (int i = 0; i < 200; ++i)
          AddRead(List, Names[int(Random() % Names.size())], qint64(Random() % 3), 0);
        GroupRun R;
        R.Group(List, {4});
        ASSERT_GT(List.Count(), 20);
        ExpectEveryPairOrder(List, R, MethodProperties);
      }
}

// Tags that must be fully similar match only when they hold the same letters once trimmed, upper-cased
// and rid of separators; case, separators and order vary here. 100 letters and one more are 99 % alike.
TEST_F(Grouping, SkippingPairsOfTagsOfOtherLettersChangesNothing) {
  const QString Long = QString(60, 'a') + QString(40, 'b');
  const QStringList Tags = {"Aaaa Bbbb", "aaaabbbb",    "bbbb-aaaa",       "BBBBAAAA",
                            "abab abab", " aaaabbbb\t", "a.a.a.a.b.b.b.b", "aaaabbb",
                            "",          "!!",          "Straße",          "STRASSE",
                            Long,        Long + "c"};
  for (bool Album : {false, true})
    for (int Artist : {0, 99, 100})
      for (int Song : {0, 99, 100}) {
        TSearchOptions &O = SearchOptions();
        O.MusicTagAlbumDiffer = Album;
        O.MusicTagArtist = Artist > 0;
        O.MusicTagArtistPercent = Artist;
        O.MusicTagSong = Song > 0;
        O.MusicTagSongPercent = Song;
        std::mt19937 Random(Artist * 3 + Song + (Album ? 1 : 0));
        TUseFileList List;
        for (int i = 0; i < 150; ++i) {
          const QString Artist = Tags[int(Random() % Tags.size())];
          const QString Song = Tags[int(Random() % Tags.size())];
          AddSong(List, i, Artist, Song, QStringLiteral("Album %1").arg(Random() % 2));
        }
        GroupRun R;
        R.Group(List, {3});
        ExpectEveryPairOrder(List, R, MethodTags);
      }
}

// 60,000 shuffled files, two of each size: about a million comparisons in the sort.
TEST_F(Grouping, AContentSortOfManyFilesCallsInBetweenAndAStopThereUnwinds) {
  std::vector<int> Sizes(60000);
  for (size_t i = 0; i < Sizes.size(); ++i)
    Sizes[i] = int(i / 2) + 1;
  std::shuffle(Sizes.begin(), Sizes.end(), std::mt19937(3));
  TUseFileList Stopped;
  for (size_t i = 0; i < Sizes.size(); ++i)
    AddRead(Stopped, QStringLiteral("f%1").arg(i), Sizes[i], Sizes[i]);
  // A stop at the sort's first call: closing call, bar at its end, list whole and ungrouped.
  GroupRun S;
  S.Sink.stopAtCall = 2;
  EXPECT_THROW(S.Group(Stopped, {1}), EMyStop);
  EXPECT_EQ(S.Sink.calls(), 3);
  EXPECT_EQ(S.Bar.Position(), int(S.Bar.Max() * 0.9888));
  EXPECT_EQ(Stopped.Count(), 60000);
  EXPECT_FALSE(Stopped.AnyGrouped());
}

// Rows that name one file (same device and inode, or the same path in one archive) never share a
// group under any method: the later row leaves, a group left with one row goes, except where one file
// alone is a group; a row without a known identity is never taken for another.
TEST_F(Grouping, RowsThatNameOneFileNeverShareAGroup) {
  TUseFileList List;
  const auto Add = [&](const QString &Name, qint64 Size, TFileId Id, TUseFileProperty *Owner = nullptr) {
    const int i = AddRead(List, Name, Size, 7);
    List.GetItem(i)->FileItem.Id = Id;
    List.GetItem(i)->Owner = Owner;
    return i;
  };
  // pair: two rows of one file; trio: one file twice beside another; unknown: no identity; box:
  // an archive named twice, each with its member.
  Add("pair.f", 10, {1, 1});
  Add("pair.f", 10, {1, 1});
  Add("trio.f", 20, {1, 2});
  Add("trio.f", 20, {1, 3});
  Add("trio.f", 20, {1, 2});
  Add("unknown.f", 30, {});
  Add("unknown.f", 30, {});
  const int Box1 = Add("box.zip", 40, {1, 4});
  Add("m.f", 50, {}, List.GetItem(Box1));
  const int Box2 = Add("box.zip", 40, {1, 4});
  Add("m.f", 50, {}, List.GetItem(Box2));
  List.GetItem(Box1)->Owner = List.GetItem(Box1);
  List.GetItem(Box2)->Owner = List.GetItem(Box2);
  Add("empty.f", 0, {1, 5});
  Add("empty.f", 0, {1, 5});
  GroupRun R;
  R.Group(List, {MethodContent, MethodProperties, MethodEmpty});
  QStringList Kept;
  for (int Method : {MethodContent, MethodProperties, MethodEmpty}) {
    QStringList Rows;
    for (qint32 i : R.Steps.GetIndexes(Method))
      Rows << RemoveExtension(List.GetItem(i)->FileItem.FileName) +
                  QString::number(List.GetItem(i)->FileItem.Id.m_inode);
    Rows.sort();
    Kept << Rows.join(' ');
  }
  EXPECT_EQ(Kept, QStringList({"trio2 trio3 unknown0 unknown0", "trio2 trio3 unknown0 unknown0", "empty5"}));
  // The rows left out of every group went with compaction, but for the two archives.
  EXPECT_EQ(List.Count(), 7);
}
