#include "engine/ConfirmContent.h"

#include "engine/Archive.h"
#include "engine/ReadProperties.h"
#include "settings/Language.h"

#include <QSet>

#include <algorithm>
#include <map>
#include <unordered_map>
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

// Reads Path again as Item's file; true and its hash kept when it still has the saved size and
// checksum. A plain file must be the file loading took its identity from, still unchanged: a row
// without that identity (changed since the result was saved, or reached through a link) proves
// nothing. An unpacked member is judged by its bytes alone.
bool ConfirmFile(TUseFileProperty &Item, int Index, TReadPass &Pass, const QString &Path) {
  TFileItem &F = Item.FileItem;
  const bool Plain = !Item.IsArchiveMember();
  qint64 Counted = 0;
  bool Same = false;
  if (!Path.isEmpty() && (!Plain || F.Identity().IsKnown())) {
    platform::TInputFile File(Path, Plain ? &F.Id : nullptr);
    platform::TFileIdentity Before;
    if (File.IsOpen() && File.Identity(Before) && Before.Size == F.Size &&
        (!Plain || Before == F.Identity())) {
      try {
        const TContentCode Code = ComputeFileCode(File, Pass, Index);
        Counted = Code.Bytes;
        // A file written to while it was read proves nothing.
        platform::TFileIdentity After;
        Same = Code.Bytes == F.Size && qint32(Code.Crc) == F.Code && File.Identity(After) && After == Before;
        if (Same)
          F.Hash = Code.Hash;
      } catch (const EReadFailed &) {
        // unreadable now: it leaves its group below
      }
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

// Unpacks the Members (list indexes, in list order) of the archive at Index into a scratch folder of
// their own and reads each there; the folder goes afterwards, also on a stop.
void ConfirmMembers(TUseFileList &List, int Index, const std::vector<int> &Members, TReadPass &Pass) {
  TNullProgressSink Quiet;
  IProgressSink &Sink = Pass.Sink ? *Pass.Sink : Quiet;
  QSet<QString> Names;
  for (int i : Members)
    Names.insert(List.GetItem(i)->FullName());
  TUnpackedArchive Unpacked(List, Index, Sink, &Names);
  Unpacked.Unpack(Sink, {});
  for (int i : Members)
    ConfirmFile(*List.GetItem(i), i, Pass, Unpacked.MemberPath(*List.GetItem(i)));
  Unpacked.DeleteScratchFolder(Sink);
}

} // namespace

void ConfirmContentGroups(TUseFileList &List, IProgressSink &Sink, IProgressBar &Bar,
                          const std::function<void(const QString &Text)> &ShowStep) {
  if (!List.Filter.WhatFind.Contains(MethodContent))
    return;
  const std::vector<std::vector<int>> Runs = SharedCodes(List);
  qint64 Total = 0;
  int Files = 0;
  std::vector<int> Plain;
  // The members to confirm, by the list index of their archive.
  std::map<int, std::vector<int>> Members;
  std::unordered_map<const TUseFileProperty *, int> IndexOf;
  for (int i = 0; i < List.Count(); ++i)
    IndexOf[List.GetItem(i)] = i;
  for (const std::vector<int> &Run : Runs)
    for (int i : Run) {
      const TUseFileProperty &Item = *List.GetItem(i);
      Total += Item.FileItem.Size;
      ++Files;
      if (Item.IsArchiveMember())
        Members[IndexOf.at(Item.Owner)].push_back(i);
      else
        Plain.push_back(i);
    }
  if (ShowStep)
    ShowStep(LangText(QStringLiteral("2043")));
  TReadPass Pass(List.Filter.WhatFind, &Sink, &Bar);
  Pass.Start(Total, Files > 0);
  for (int i : Plain)
    ConfirmFile(*List.GetItem(i), i, Pass, List.GetItem(i)->FullName());
  for (auto &[Archive, Indexes] : Members) {
    std::sort(Indexes.begin(), Indexes.end());
    ConfirmMembers(List, Archive, Indexes, Pass);
  }
}
