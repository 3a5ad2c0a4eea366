// An archive listed and unpacked as a search does it: as a ZIP, a RAR or a self-extracting program
// (the first byte chooses). Nothing may be written outside the scratch folder, every member path is
// inside it or refused, and the folder is gone afterwards.
#include "engine/Archive.h"
#include "engine/Progress.h"
#include "fuzz/FuzzSupport.h"

#include <QDirIterator>

namespace {

int64_t PlentyOfSpace() {
  return int64_t(1) << 40;
}

// Everything below Folder, links not followed.
QStringList Tree(const QString &Folder) {
  QStringList all;
  QDirIterator it(Folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext())
    all << it.next();
  all.sort();
  return all;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzz::Init(false);
  FreeSpaceProbe = &PlentyOfSpace;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  if (Size < 1)
    return 0;
  static const char *const names[] = {"input.zip", "input.rar", "input.exe"};
  const QString path = fuzz::WriteFile(QString::fromLatin1(names[Data[0] % 3]), Data + 1, Size - 1);
  const QStringList before = Tree(fuzz::Dir());
  std::unique_ptr<TArcList> archive = CreateArcList(path);
  if (!archive)
    return 0;
  try {
    archive->ReadList();
  } catch (const EArchiveError &) {
  }
  // Unpacked only where the disk rule would allow it here, with room for a small archive.
  if (archive->UnpackedTotal() > (int64_t(64) << 20) || !archive->MakeScratchFolder())
    return 0;
  const QString scratch = archive->ScratchFolder;
  fuzz::Check(scratch.startsWith(fuzz::Dir() + QLatin1Char('/')) && scratch.endsWith(QLatin1Char('/')),
              "the scratch folder lies in the temporary folder");
  TNullProgressSink sink;
  archive->Extract(sink);
  for (int i = 0; i < archive->Count(); ++i) {
    const QString member = archive->ScratchPathOf(archive->GetItem(i).Name);
    fuzz::Check(member.isEmpty() || member.startsWith(scratch), "a member lies inside the scratch folder");
  }
  for (const QString &entry : Tree(fuzz::Dir()))
    fuzz::Check((entry + QLatin1Char('/')).startsWith(scratch) || before.contains(entry),
                "nothing is written outside the scratch folder");
  for (const QString &entry : Tree(scratch))
    fuzz::Check(!QFileInfo(entry).isSymLink(), "no link is unpacked");
  archive->DeleteScratchFolder();
  fuzz::Check(Tree(fuzz::Dir()) == before, "the scratch folder is gone with everything in it");
  return 0;
}
