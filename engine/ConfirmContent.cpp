#include "engine/ConfirmContent.h"

#include "engine/ReadProperties.h"
#include "settings/Language.h"

#include <algorithm>
#include <set>
#include <vector>

namespace {

// The files that may share a content group: read, readable and not empty, in runs of one size and
// checksum with at least two files each.
std::vector<std::vector<int>> SharedCodes(const TUseFileList &List) {
  std::vector<int> Order;
  for (int i = 0; i < List.Count(); ++i) {
    const TUseFileProperty &Item = *List.GetItem(i);
    if (Item.WhatRead_Code && !Item.FileItem.Unreadable && Item.FileItem.Size > 0)
      Order.push_back(i);
  }
  const auto Key = [&](int i) {
    const TFileItem &F = List.GetItem(i)->FileItem;
    return std::make_pair(F.Size, F.Code);
  };
  std::stable_sort(Order.begin(), Order.end(), [&](int A, int B) { return Key(A) < Key(B); });
  std::vector<std::vector<int>> Runs;
  for (size_t k = 0; k < Order.size();) {
    size_t End = k + 1;
    while (End < Order.size() && Key(Order[End]) == Key(Order[k]))
      ++End;
    if (End - k >= 2)
      Runs.emplace_back(Order.begin() + qsizetype(k), Order.begin() + qsizetype(End));
    k = End;
  }
  return Runs;
}

// Reads the file of Item again; true and its hash kept when it still has the saved size and checksum.
bool ConfirmFile(TUseFileProperty &Item, int Index, TReadPass &Pass) {
  TFileItem &F = Item.FileItem;
  qint64 Counted = 0;
  bool Same = false;
  platform::TInputFile File(Item.FullName());
  if (File.IsOpen() && File.Size() == F.Size) {
    try {
      const TContentCode Code = ComputeFileCode(File, Pass, Index);
      Counted = Code.Bytes;
      Same = Code.Bytes == F.Size && qint32(Code.Crc) == F.Code;
      if (Same)
        F.Hash = Code.Hash;
    } catch (const EReadFailed &) {
      // unreadable now: it leaves its group below
    }
  }
  if (!Same) {
    Item.WhatRead_Code = false;
    F.Code = 0;
    F.Hash = {};
  }
  // The bytes not read count at the file's end, so the bar reaches the same place either way.
  Pass.UpdateReadProgress(std::max<qint64>(0, F.Size - Counted), true, Index);
  return Same;
}

} // namespace

void ConfirmContentGroups(TUseFileList &List, IProgressSink &Sink, IProgressBar &Bar,
                          const std::function<void(const QString &Text)> &ShowStep) {
  if (!List.Filter.WhatFind.Contains(MethodContent))
    return;
  const std::vector<std::vector<int>> Runs = SharedCodes(List);
  qint64 Total = 0;
  int Files = 0;
  for (const std::vector<int> &Run : Runs)
    for (int i : Run)
      if (!List.GetItem(i)->IsArchiveMember()) {
        Total += List.GetItem(i)->FileItem.Size;
        ++Files;
      }
  if (ShowStep)
    ShowStep(LangText(QStringLiteral("2043")));
  TReadPass Pass(List.Filter.WhatFind, &Sink, &Bar);
  Pass.Start(Total, Files > 0);
  for (const std::vector<int> &Run : Runs) {
    std::set<TContentHash> Hashes;
    for (int i : Run) {
      TUseFileProperty &Item = *List.GetItem(i);
      if (!Item.IsArchiveMember() && ConfirmFile(Item, i, Pass))
        Hashes.insert(Item.FileItem.Hash);
    }
    // A member goes with the plain files when they agree; where they split, it cannot be told
    // which of them it equals, and it stays with the members of its checksum only.
    if (Hashes.size() == 1)
      for (int i : Run)
        if (List.GetItem(i)->IsArchiveMember())
          List.GetItem(i)->FileItem.Hash = *Hashes.begin();
  }
}
