#include "engine/Grouping.h"

#include "engine/SearchOptions.h"
#include "engine/Similarity.h"
#include "engine/StepStorage.h"

#include <QThread>

#include <algorithm>
#include <cmath>
#include <functional>
#include <unordered_map>
#include <vector>

namespace {

// Comparisons between two heartbeats of the pairwise methods: a call after every 70001.
constexpr qint64 HeartbeatComparisons = 70001;
// Comparisons of the content sort between two of its heartbeats: a few milliseconds of sorting,
// where a million files would otherwise sort for seconds without a call.
constexpr qint64 SortHeartbeatComparisons = qint64(1) << 18;

// A content key beside its list index, which breaks ties.
struct TIndexedKey {
  TContentSortKey Key;
  int Index;

  auto operator<=>(const TIndexedKey &) const = default;
};

// Compare's test of same content in sort mode 0, on keys: read, readable, not unique by size or
// checksum, equal in size, checksum and hash, and not empty.
bool SameContent(const TContentSortKey &A, const TContentSortKey &B) {
  const auto Matchable = [](const TContentSortKey &K) {
    return K.WhatRead_Code && !K.Unreadable && !K.UniqueCode && !K.UniqueSize;
  };
  return Matchable(A) && Matchable(B) && A.Code == B.Code && A.Size == B.Size && A.Hash == B.Hash &&
         A.Size > 0;
}

// Which file a row names: its device and inode, or for an archive member its archive's and its path
// inside; a zero Id when not known.
struct TFileKey {
  TFileId Id;
  QString Member;

  bool operator==(const TFileKey &) const = default;
};

// Every bit of a 64-bit value stirred into every other (the finaliser of splitmix64).
quint64 Mix(quint64 X) {
  X = (X ^ (X >> 30)) * 0xbf58476d1ce4e5b9ULL;
  X = (X ^ (X >> 27)) * 0x94d049bb133111ebULL;
  return X ^ (X >> 31);
}

struct TFileKeyHash {
  size_t operator()(const TFileKey &Key) const noexcept {
    return size_t(Mix(Mix(Key.Id.m_device) ^ Key.Id.m_inode)) ^ qHash(Key.Member);
  }
};

TFileKey FileKeyOf(const TUseFileProperty &Item) {
  if (Item.IsArchiveMember())
    return {Item.Owner->FileItem.Id, Item.FullName()};
  return {Item.FileItem.Id, {}};
}

class TGroupBuilder {
public:
  TGroupBuilder(TUseFileList &List, TStepStorage &Steps, IProgressBar &Bar, IProgressSink &Sink, int PauseMs)
      : m_list(List), m_steps(Steps), m_bar(Bar), m_sink(Sink), m_pauseMs(PauseMs) {}

  void GroupMethod(bool Record, int Method) {
    if (m_list.Count() == 0)
      return;
    m_method = Method;
    m_groupCounter = 0;
    switch (Method) {
    case MethodContent:
      GroupSorted();
      break;
    case MethodPictures:
    case MethodTags:
    case MethodProperties:
      GroupPairwise();
      break;
    case MethodEmpty:
    case MethodUnreadable:
      GroupFlagged();
      break;
    default:
      break;
    }
    DropSameFileRows();
    if (Record)
      for (const TSetRow &Row : m_set)
        if (GroupOf(Row.Index) != -1)
          m_steps.AddIndex(Method, Row.Index);
    m_set.clear();
  }

private:
  void SearchProgressStep(int Amount) {
    if (Amount > 0 && qint64(m_bar.Position()) + Amount < m_bar.Max())
      m_bar.SetPosition(m_bar.Position() + Amount);
    if (m_pauseMs > 0)
      QThread::msleep(ulong(m_pauseMs));
    CountedCall();
  }

  // The numbered progress call of every step and heartbeat.
  void CountedCall() {
    if (m_progressCalls + 1 == 2147483647)
      m_progressCalls = 0;
    ++m_progressCalls;
    m_sink.ProcessProgress(QStringLiteral(" (%1)").arg(m_progressCalls));
  }

  // The closing progress step of a grouping routine runs however the routine is left; a halt
  // unwinds without asking the window again.
  template <typename Body> void WithClosingStep(Body &&Run) {
    try {
      Run();
    } catch (const EMyHalt &) {
      throw;
    } catch (...) {
      SearchProgressStep(0);
      throw;
    }
    SearchProgressStep(0);
  }

  // Moves the bar by the whole units that Accumulator gains with Step.
  void AdvanceFraction(double &Accumulator, double Step) {
    const qint64 Before = qint64(std::trunc(Accumulator));
    const qint64 After = qint64(std::trunc(Accumulator + Step));
    if (After > Before)
      SearchProgressStep(int(After - Before));
    Accumulator += Step;
  }

  // Kept in the order they were set, and recorded once the method's groups are settled. Every
  // routine sets the rows of one group one after another, so each group is one run here.
  void SetItemGroup(int Index, qint32 Group) {
    TUseFileProperty &Item = *m_list.GetItem(Index);
    Item.Viewed.SetGroup(m_method, Group);
    // The key's hash is taken while the item is at hand: later it would be fetched again from
    // anywhere in memory.
    const TFileKey Key = FileKeyOf(Item);
    m_set.push_back({Index, Group, Key.Id == TFileId{} ? 0 : std::max<size_t>(1, TFileKeyHash()(Key))});
  }

  // Two rows of one group that name one file (a folder swapped for a link after a result was saved,
  // a name changed while the search ran) would let an action on one remove the other's only copy:
  // the later row leaves the group, and a group left with one row goes, unless one file alone makes
  // a group under this method.
  void DropSameFileRows() {
    std::vector<std::pair<size_t, int>> Keys;
    for (size_t First = 0; First < m_set.size();) {
      size_t End = First + 1;
      while (End < m_set.size() && m_set[End].Group == m_set[First].Group)
        ++End;
      // Sorted by key hash and then list index, the later of two rows with one key comes second.
      Keys.clear();
      for (size_t k = First; k < End; ++k)
        if (m_set[k].KeyHash != 0)
          Keys.emplace_back(m_set[k].KeyHash, m_set[k].Index);
      std::sort(Keys.begin(), Keys.end());
      int Left = int(End - First);
      for (size_t k = 1; k < Keys.size(); ++k)
        for (size_t j = k; j-- > 0 && Keys[j].first == Keys[k].first;)
          if (GroupOf(Keys[j].second) != -1 &&
              FileKeyOf(*m_list.GetItem(Keys[j].second)) == FileKeyOf(*m_list.GetItem(Keys[k].second))) {
            m_list.GetItem(Keys[k].second)->Viewed.SetGroup(m_method, -1);
            --Left;
            break;
          }
      const bool OneIsAGroup = m_method == MethodEmpty || m_method == MethodUnreadable;
      if (Left == 1 && Left < int(End - First) && !OneIsAGroup)
        for (size_t k = First; k < End; ++k)
          m_list.GetItem(m_set[k].Index)->Viewed.SetGroup(m_method, -1);
      First = End;
    }
  }

  qint32 GroupOf(int Index) const { return m_list.GetItem(Index)->Viewed.GetGroup(m_method); }

  // Same content: sort all files, then every maximal run of equal neighbours of a size above 0 is a
  // group; the run's second file is recorded first, then its first, then the rest.
  void GroupSorted() {
    const int N = m_list.Count();
    WithClosingStep([&] {
      m_bar.SetPosition(m_bar.Position() + 1);
      SearchProgressStep(0);
      // The order of Compare's sort mode, from keys taken once and sorted beside the list index: the
      // items themselves lie all over the memory. The index ends the order, so equal files keep list
      // order and the result is the same on every run. The heartbeat neither moves the bar nor pauses.
      std::vector<TIndexedKey> Keys;
      Keys.reserve(size_t(N));
      for (int i = 0; i < N; ++i) {
        Keys.push_back({ContentSortKey(*m_list.GetItem(i)), i});
        if ((i + 1) % SortHeartbeatComparisons == 0)
          CountedCall();
      }
      qint64 Comparisons = 0;
      std::sort(Keys.begin(), Keys.end(), [&](const TIndexedKey &A, const TIndexedKey &B) {
        if (++Comparisons % SortHeartbeatComparisons == 0)
          CountedCall();
        return A < B;
      });
      SearchProgressStep(20);
      const double Step = 100.0 / N / 10;
      double Accumulator = 0;
      bool RunOpen = false;
      for (size_t k = 1; k < size_t(N); ++k) {
        AdvanceFraction(Accumulator, Step);
        const TIndexedKey &Cur = Keys[k];
        const TIndexedKey &Prev = Keys[k - 1];
        if (SameContent(Cur.Key, Prev.Key)) {
          if (!RunOpen) {
            RunOpen = true;
            SetItemGroup(Cur.Index, m_groupCounter);
            SetItemGroup(Prev.Index, m_groupCounter);
          } else {
            SetItemGroup(Cur.Index, m_groupCounter);
          }
        } else {
          RunOpen = false;
          ++m_groupCounter;
        }
      }
    });
  }

  // Counts Amount comparisons, with a heartbeat after every 70001. Pairs skipped because they cannot
  // match are not counted: they take no time, and with 100,000 files their heartbeats alone would
  // pause the run for over a quarter of an hour.
  void CountComparisons(qint64 Amount) {
    const qint64 Total = m_comparisons + Amount;
    m_comparisons = Total % HeartbeatComparisons;
    for (qint64 Beats = Total / HeartbeatComparisons; Beats > 0; --Beats)
      SearchProgressStep(0);
  }

  // Candidates that cannot match under the options share no bucket: the comparison would answer
  // "not the same" for every pair across buckets, so those pairs are skipped.
  // Sizes and albums must be equal when they are compared; a name, extension or tag that must be
  // fully similar needs the same letters, in any order (the measure only reaches 100 % for texts
  // of one length whose pieces use up both texts).
  std::vector<int> BucketsOf(const std::vector<int> &Candidates) const {
    std::vector<int> Bucket(Candidates.size(), 0);
    const TSearchOptions &Options = SearchOptions();
    // The letters of a text in order, after its length, so that joined keys cannot run together.
    const auto Letters = [](QString Text) {
      std::sort(Text.begin(), Text.end());
      return QString::number(Text.size()) + QLatin1Char(':') + Text;
    };
    std::function<QString(const TUseFileProperty &)> KeyOf;
    if (m_method == MethodProperties) {
      const bool BySize = Options.FilePropertySize;
      const bool ByName = Options.FilePropertyName && Options.FilePropertyNamePercent >= 100;
      const bool ByExt = Options.FilePropertyExt && Options.FilePropertyExtPercent >= 100;
      if (BySize || ByName || ByExt)
        KeyOf = [=](const TUseFileProperty &Item) {
          const TFileItem &F = Item.FileItem;
          QString Key;
          if (BySize)
            Key += QString::number(F.Size) + QLatin1Char(';');
          if (ByName)
            Key += Letters(RemoveExtension(F.FileName).toUpper());
          if (ByExt)
            Key += Letters(UpperExtension(F.FileName));
          return Key;
        };
    } else if (m_method == MethodTags) {
      const bool ByAlbum = Options.MusicTagAlbumDiffer;
      const bool ByArtist = Options.MusicTagArtist && Options.MusicTagArtistPercent >= 100;
      const bool BySong = Options.MusicTagSong && Options.MusicTagSongPercent >= 100;
      if (ByAlbum || ByArtist || BySong)
        KeyOf = [=](const TUseFileProperty &Item) {
          QString Key;
          if (ByAlbum)
            Key += QString::number(Item.Tags().Mp3_Album.size()) + QLatin1Char(':') + Item.Tags().Mp3_Album;
          if (ByArtist)
            Key += Letters(TagText(Item.Tags().Mp3_Artist));
          if (BySong)
            Key += Letters(TagText(Item.Tags().Mp3_SongName));
          return Key;
        };
    }
    if (!KeyOf)
      return Bucket;
    std::unordered_map<QString, int> Ids;
    for (size_t i = 0; i < Candidates.size(); ++i)
      Bucket[i] = Ids.try_emplace(KeyOf(*m_list.GetItem(Candidates[i])), int(Ids.size())).first->second;
    return Bucket;
  }

  // Similar pictures, same tags, same properties: each ungrouped candidate opens a group with every
  // later ungrouped candidate that equals it; similarity is not chained.
  void GroupPairwise() {
    SearchProgressStep(0);
    std::vector<int> Candidates;
    for (int i = 0; i < m_list.Count(); ++i)
      if (m_list.GetItem(i)->HasKind(m_method))
        Candidates.push_back(i);
    const qint64 Count = qint64(Candidates.size());
    WithClosingStep([&] {
      double Step = 0;
      if (Count > 0) {
        SearchProgressStep(0);
        Step = 100.0 / double(Count);
      } else {
        SearchProgressStep(100);
      }
      const std::vector<int> Bucket = BucketsOf(Candidates);
      std::vector<std::vector<qint64>> Members;
      for (qint64 p = 0; p < Count; ++p) {
        const size_t b = size_t(Bucket[size_t(p)]);
        if (Members.size() <= b)
          Members.resize(b + 1);
        Members[b].push_back(p);
      }
      std::vector<size_t> PlaceInBucket(static_cast<size_t>(Count));
      for (const std::vector<qint64> &List : Members)
        for (size_t k = 0; k < List.size(); ++k)
          PlaceInBucket[size_t(List[k])] = k;

      double Accumulator = 0;
      m_comparisons = 0;
      for (qint64 PA = 0; PA < Count; ++PA) {
        AdvanceFraction(Accumulator, Step);
        const int A = Candidates[size_t(PA)];
        if (GroupOf(A) != -1)
          continue;
        ++m_groupCounter;
        bool Partner = false;
        const std::vector<qint64> &Same = Members[size_t(Bucket[size_t(PA)])];
        for (size_t k = PlaceInBucket[size_t(PA)] + 1; k < Same.size(); ++k) {
          const int B = Candidates[size_t(Same[k])];
          if (GroupOf(B) == -1 &&
              TUseFileProperty::Compare(*m_list.GetItem(A), *m_list.GetItem(B), m_method, 0) == 0) {
            if (!Partner) {
              Partner = true;
              SetItemGroup(A, m_groupCounter);
            }
            SetItemGroup(B, m_groupCounter);
          }
          CountComparisons(1);
        }
      }
    });
  }

  // Empty files, unreadable files: every file of the kind joins one group, even a single one.
  void GroupFlagged() {
    SearchProgressStep(50);
    for (int i = 0; i < m_list.Count(); ++i)
      if (m_list.GetItem(i)->HasKind(m_method))
        SetItemGroup(i, m_groupCounter);
    SearchProgressStep(50);
  }

  TUseFileList &m_list;
  TStepStorage &m_steps;
  IProgressBar &m_bar;
  IProgressSink &m_sink;
  const int m_pauseMs;
  qint64 m_progressCalls = 0;
  qint64 m_comparisons = 0;
  qint32 m_groupCounter = 0;
  int m_method = 0;
  struct TSetRow {
    int Index;
    qint32 Group;
    // 0: the file is not known.
    size_t KeyHash;
  };
  std::vector<TSetRow> m_set;
};

} // namespace

void BuildGroups(TUseFileList &List, TStepStorage &Steps, const TWhatFind &WhatFind, IProgressBar &Bar,
                 IProgressSink &Sink, int PauseMs) {
  Bar.SetMin(0);
  Bar.SetPosition(0);
  Bar.SetMax(200 * WhatFind.CountMethods() + 20);
  TGroupBuilder Builder(List, Steps, Bar, Sink, PauseMs);
  auto Pass = [&](bool Record) {
    for (int Method = 1; Method <= MethodCount; ++Method) {
      if (!WhatFind.Contains(Method))
        continue;
      List.ClearGroups(Method);
      Builder.GroupMethod(Record, Method);
    }
  };
  struct FinalPosition {
    IProgressBar &Bar;
    ~FinalPosition() { Bar.SetPosition(int(std::trunc(Bar.Max() * 0.9888))); }
  } Final{Bar};
  Pass(false);
  List.Compact();
  Pass(true);
}
