// A result file loaded, grouped, saved and loaded again: the second load must take what the first
// save wrote, and saving it again must write the same bytes.
#include "engine/Grouping.h"
#include "engine/ResultFile.h"
#include "engine/StepStorage.h"
#include "fuzz/FuzzSupport.h"

#include <optional>
#include <vector>

namespace {

// What a record keeps of a file, taken while its list's folders are still in the shared path table.
struct TKept {
  QString Path, Name, Song, Artist, Album;
  qint64 Size;
  qint32 Code;
  bool ReadCode, ReadMp3, Member;
  std::optional<TDataImage> Grid;
  bool operator==(const TKept &) const = default;
};

std::vector<TKept> Keep(const TUseFileList &List) {
  std::vector<TKept> kept;
  for (int i = 0; i < List.Count(); ++i) {
    const TUseFileProperty &f = *List.GetItem(i);
    kept.push_back({f.FileItem.GetPath(), f.FileItem.FileName, f.Tags().Mp3_SongName, f.Tags().Mp3_Artist, f.Tags().Mp3_Album,
                    f.FileItem.Size, f.FileItem.Code, f.WhatRead_Code, f.WhatRead_Mp3, f.IsArchiveMember(),
                    f.DataImage ? std::optional<TDataImage>(*f.DataImage) : std::nullopt});
  }
  return kept;
}

// Loads Path into List; false when the loader refused the file.
bool Load(TUseFileList &List, const QString &Path) {
  TProgressBarModel bar;
  TNullProgressSink sink;
  try {
    List.LoadFromFile(Path, bar, sink);
    return true;
  } catch (const EResultFileError &) {
    return false;
  }
}

} // namespace

PAIRHOUND_FUZZ_INIT(false)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  TUseFileList first;
  if (!Load(first, fuzz::WriteFile(QStringLiteral("input.wzr"), Data, Size)))
    return 0;
  TStepStorage steps;
  steps.Setup(first.Filter.WhatFind);
  first.ClearGroups(-1);
  TProgressBarModel bar;
  TNullProgressSink sink;
  BuildGroups(first, steps, first.Filter.WhatFind, bar, sink, 0);
  const QString saved = fuzz::Dir() + QStringLiteral("/saved.wzr");
  first.SaveToFile(saved);
  const std::vector<TKept> firstKept = Keep(first);

  TUseFileList second;
  fuzz::Check(Load(second, saved), "a saved result loads again");
  fuzz::Check(second.Filter.WhatFind == first.Filter.WhatFind &&
                  second.Filter.PathsInclude == first.Filter.PathsInclude &&
                  second.Filter.Archive == first.Filter.Archive,
              "the filter line reads back");
  fuzz::Check(Keep(second) == firstKept, "every saved file reads back exactly: names, tags, grids, members");
  // An archive whose members all went reads back as a plain file; from then on the file is stable.
  const QString again = fuzz::Dir() + QStringLiteral("/again.wzr");
  second.SaveToFile(again);
  TUseFileList third;
  fuzz::Check(Load(third, again), "a saved result loads again");
  const QString thirdSaved = fuzz::Dir() + QStringLiteral("/third.wzr");
  third.SaveToFile(thirdSaved);
  fuzz::Check(fuzz::ReadFile(thirdSaved) == fuzz::ReadFile(again),
              "saving a loaded result writes the same bytes");
  return 0;
}
