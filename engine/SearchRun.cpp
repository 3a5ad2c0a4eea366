#include "engine/SearchRun.h"

#include "engine/Archive.h"
#include "engine/Grouping.h"
#include "engine/ReadAhead.h"
#include "engine/ReadProperties.h"
#include "engine/ScanFiles.h"
#include "engine/StepStorage.h"
#include "platform/Folders.h"
#include "settings/Language.h"

#include <algorithm>
#include <vector>

namespace {

// Comparisons of a unique-mark sort between two progress calls: a few milliseconds of sorting.
constexpr qint64 SortProgressComparisons = qint64(1) << 18;

// Sets Flag of every item to "no other item has the same key"; KeepSingle leaves a lone item as it is.
// The keys are sorted beside their list indexes, never through the items. A long sort reports to Sink,
// when given, with an empty text.
template <typename KeyOf>
void MarkUnique(TUseFileList &List, KeyOf Key, bool TUseFileProperty::*Flag, bool KeepSingle,
                IProgressSink *Sink) {
  const int N = List.Count();
  if (N == 0)
    return;
  if (N == 1) {
    if (!KeepSingle)
      List.GetItem(0)->*Flag = true;
    return;
  }
  using TKey = std::pair<qint64, int>;
  std::vector<TKey> Sorted(static_cast<size_t>(N));
  for (int i = 0; i < N; ++i)
    Sorted[size_t(i)] = {Key(*List.GetItem(i)), i};
  qint64 Comparisons = 0;
  std::sort(Sorted.begin(), Sorted.end(), [&](const TKey &A, const TKey &B) {
    if (Sink && ++Comparisons % SortProgressComparisons == 0)
      Sink->ProcessProgress(QString());
    return A < B;
  });
  for (size_t k = 0; k < Sorted.size(); ++k) {
    const bool SameAsBefore = k > 0 && Sorted[k - 1].first == Sorted[k].first;
    const bool SameAsAfter = k + 1 < Sorted.size() && Sorted[k].first == Sorted[k + 1].first;
    List.GetItem(Sorted[k].second)->*Flag = !SameAsBefore && !SameAsAfter;
  }
}

} // namespace

QString ArchiveKinds(bool SearchArchives) {
  return SearchArchives ? QStringLiteral("zr") : QString();
}

QStringList CollectCheckedFolders(QStringList Checked) {
  std::sort(Checked.begin(), Checked.end());
  // Every kept folder, not only the last: "/a b" sorts between "/a" and "/a/c".
  QStringList Kept;
  const auto inside = [](const QString &Folder, const QString &Outer) {
    const QString Prefix = Outer.endsWith(QLatin1Char('/')) ? Outer : Outer + QLatin1Char('/');
    return Folder == Outer || Folder.startsWith(Prefix);
  };
  for (const QString &Folder : Checked)
    if (!Folder.isEmpty() &&
        std::none_of(Kept.cbegin(), Kept.cend(), [&](const QString &Outer) { return inside(Folder, Outer); }))
      Kept << Folder;
  return Kept;
}

QStringList SystemFoldersToWarn(const QStringList &SystemFolders, const QStringList &Checked) {
  std::vector<QByteArray> CheckedPaths;
  for (const QString &Folder : Checked)
    CheckedPaths.push_back(ComparableFolder(Folder));
  QStringList Found;
  for (const QString &System : SystemFolders) {
    const QByteArray Path = ComparableFolder(System);
    if (std::any_of(CheckedPaths.cbegin(), CheckedPaths.cend(),
                    [&](const QByteArray &Outer) { return FolderInside(Path, Outer); }))
      Found << System;
  }
  return Found;
}

bool NothingToSearch(const TSearchChoice &Choice) {
  // As the walk does: a folder is skipped when it is an excluded one or lies inside one.
  const TExcludedFolders Excluded(Choice.ExcludeFolders);
  return std::all_of(Choice.IncludeFolders.cbegin(), Choice.IncludeFolders.cend(),
                     [&](const QString &Folder) {
                       const QByteArray Path = ComparableFolder(Folder);
                       return Path.isEmpty() || Excluded.Covers(Path);
                     });
}

TWhatFind BuildWhatFind(bool Content, bool Pictures, bool Tags, bool Properties, bool Empty) {
  TWhatFind WhatFind;
  const bool Boxes[] = {Content, Pictures, Tags, Properties, Empty};
  for (int m = 1; m <= 5; ++m)
    if (Boxes[m - 1])
      WhatFind.Include(m);
  return WhatFind;
}

int CompareBySize(const TUseFileProperty *A, const TUseFileProperty *B) {
  return A->FileItem.Size < B->FileItem.Size ? -1 : (A->FileItem.Size > B->FileItem.Size ? 1 : 0);
}

int CompareByCode(const TUseFileProperty *A, const TUseFileProperty *B) {
  return A->FileItem.Code < B->FileItem.Code ? -1 : (A->FileItem.Code > B->FileItem.Code ? 1 : 0);
}

qint64 TUseFileList::TotalSize() const {
  qint64 Sum = 0;
  for (const auto &Item : m_items)
    Sum += Item->FileItem.Size;
  return Sum;
}

void TUseFileList::MarkUniqueSizes(IProgressSink *Sink) {
  MarkUnique(
      *this, [](const TUseFileProperty &Item) { return Item.FileItem.Size; }, &TUseFileProperty::UniqueSize,
      false, Sink);
}

void TUseFileList::MarkUniqueCodes(IProgressSink *Sink) {
  MarkUnique(
      *this, [](const TUseFileProperty &Item) { return qint64(Item.FileItem.Code); },
      &TUseFileProperty::UniqueCode, true, Sink);
}

bool TUseFileList::AnyMarked() const {
  return std::any_of(m_items.begin(), m_items.end(),
                     [](const auto &Item) { return Item->IsMarked(); });
}

bool TUseFileList::AnyGrouped() const {
  return std::any_of(m_items.begin(), m_items.end(),
                     [](const auto &Item) { return Item->Viewed.InAnyGroup(); });
}

void TUseFileList::LinkArchiveMembers() {
  const int N = Count();
  // Owner of every item as a list index, -1 for none; Lists: the item had an index text.
  std::vector<int> OwnerIndex(size_t(N), -1);
  std::vector<bool> Lists(size_t(N), false);
  for (int i = 0; i < N; ++i) {
    QString &Indexes = m_items[size_t(i)]->TempArchiveIndexs;
    if (Indexes.isEmpty())
      continue;
    Lists[size_t(i)] = true;
    OwnerIndex[size_t(i)] = i;
    // Every "q" + j + "q" in the text names member j; entries may share their letters q.
    for (qsizetype p = 0; p < Indexes.size(); ++p) {
      if (Indexes[p] != QLatin1Char('q'))
        continue;
      qsizetype e = p + 1;
      while (e < Indexes.size() && Indexes[e].isDigit() && Indexes[e].unicode() < 128)
        ++e;
      if (e == p + 1 || e >= Indexes.size() || Indexes[e] != QLatin1Char('q'))
        continue;
      const QString Digits = Indexes.mid(p + 1, e - p - 1);
      bool Ok = false;
      const qint64 j = Digits.toLongLong(&Ok);
      // "q01q" does not name member 1: the text must be the number as written in decimal.
      if (Ok && j < N && QString::number(j) == Digits)
        OwnerIndex[size_t(j)] = i;
    }
    Indexes.clear();
  }
  // An archive that a later archive names as its member is a member itself; its own members go
  // to the archive that holds it, so every owner is an archive (compaction keeps archives only).
  // A later archive has a larger index, so going down finds each outer archive settled.
  for (int i = N - 1; i >= 0; --i)
    if (Lists[size_t(i)] && OwnerIndex[size_t(i)] != i)
      OwnerIndex[size_t(i)] = OwnerIndex[size_t(OwnerIndex[size_t(i)])];
  for (int i = 0; i < N; ++i) {
    const int Owner = OwnerIndex[size_t(i)];
    if (Owner < 0)
      continue;
    const int Archive = Lists[size_t(i)] ? Owner : OwnerIndex[size_t(Owner)];
    m_items[size_t(i)]->Owner = m_items[size_t(Archive)].get();
  }
}

void TUseFileList::Compact() {
  std::erase_if(m_items, [](const std::unique_ptr<TUseFileProperty> &Item) {
    return !Item->Viewed.InAnyGroup() && !Item->IsArchive() && !Item->HasTags();
  });
}

void TUseFileList::ReadAllProperties(IProgressSink &Sink, IProgressBar *Bar) {
  TReadPass Pass(Filter.WhatFind, &Sink, Bar);
  Pass.Start(TotalSize(), Count() > 0);
  Sink.ProcessProgress(QString());
  // An archive's members are read right after it, once it is unpacked.
  std::vector<int> Order;
  for (int i = 0; i < Count();) {
    const TUseFileProperty &Item = *GetItem(i);
    const int End = Item.IsArchive() ? ArchiveMembersEnd(*this, i) : i + 1;
    if (Item.Owner == nullptr || Item.IsArchive())
      for (int k = i; k < End; ++k)
        Order.push_back(k);
    i = End;
  }
  TReadAhead Ahead(*this, std::move(Order), Filter.WhatFind, ReadWorkers());
  for (size_t k = 0; k < Ahead.Indexes().size();) {
    const int Index = Ahead.Indexes()[k];
    Ahead.Take(k++, Pass);
    if (GetItem(Index)->IsArchive())
      k = ReadArchiveMembers(*this, Index, Ahead, k, Pass);
  }
}

namespace {

void ShowStep(const TSearchHooks &Hooks, const char *TextId) {
  if (Hooks.ShowStep)
    Hooks.ShowStep(LangText(QString::fromLatin1(TextId)));
}

} // namespace

void RunSearchPhases(TUseFileList &List, const TSearchChoice &Choice, IProgressSink &Sink, IProgressBar &Bar,
                     const TSearchHooks &Hooks) {
  List.SetFilter(Choice.WhatFind, Choice.IncludeFolders, Choice.ExcludeFolders, Choice.Archive);
  struct Reset {
    const TSearchHooks &Hooks;
    ~Reset() {
      if (Hooks.ResetProgress)
        Hooks.ResetProgress();
    }
  } ResetAtEnd{Hooks};
  ShowStep(Hooks, "2042");
  List.ScanAll(Sink, Bar);
  List.MarkUniqueSizes(&Sink);
  ShowStep(Hooks, "2043");
  List.ReadAllProperties(Sink, &Bar);
  List.MarkUniqueCodes(&Sink);
}

void RunSearch(TUseFileList &List, TStepStorage &Steps, const TSearchChoice &Choice, IProgressSink &Sink,
               IProgressBar &Bar, const TSearchHooks &Hooks) {
  RunSearchPhases(List, Choice, Sink, Bar, Hooks);
  ShowStep(Hooks, "2044");
  GroupResult(List, Steps, Sink, Bar, Hooks);
}

void GroupResult(TUseFileList &List, TStepStorage &Steps, IProgressSink &Sink, IProgressBar &Bar,
                 const TSearchHooks &Hooks) {
  const TWhatFind WhatFind = List.Filter.WhatFind;
  Steps.Setup(WhatFind);
  List.ClearGroups(-1);
  BuildGroups(List, Steps, WhatFind, Bar, Sink, Hooks.GroupingPauseMs);
}
