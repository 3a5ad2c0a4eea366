// A file swapped after gathering for a FIFO, a device link or another file is unreadable at once.
#include "engine/ResultFile.h"
#include "engine/SearchRun.h"
#include "engine/StepStorage.h"
#include "tests/support/FakeProgress.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/TestArchives.h"
#include "tests/support/TestEnv.h"

#include <QFile>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

namespace {

constexpr std::chrono::seconds Limit(30);

enum class ESwap { Fifo, LinkToZero, OtherFile };

// Puts Victim's name on a new file holding Data, as an editor that saves by renaming does.
bool SwapForOtherFile(const QString &Victim, const QByteArray &Data) {
  QFile Other(Victim + ".new");
  return Other.open(QIODevice::WriteOnly) && Other.write(Data) == Data.size() && Other.flush() &&
         QFile::remove(Victim) && Other.rename(Victim);
}

// Searches Folder swapping Victim after gathering; false when it did not end within the limit.
struct SwapRig {
  TUseFileList List;
  TStepStorage Steps;
  TProgressBarModel Bar;
  FakeProgressSink Sink{&Bar};
  std::atomic<bool> Cancel{false};

  bool SearchSwapping(const QString &Folder, const QString &Victim, ESwap Swap) {
    // Reading /dev/zero makes progress calls; this is how a hung search is ended.
    Sink.onCall = [this](int) {
      if (Cancel)
        throw EMyStop();
    };
    TSearchHooks Hooks{nullptr, nullptr, 0};
    int Phase = 0;
    Hooks.ShowStep = [&](const QString &) {
      if (++Phase != 2)
        return;
      switch (Swap) {
      case ESwap::Fifo:
        EXPECT_TRUE(hostile::SwapForFifo(Victim));
        break;
      case ESwap::LinkToZero:
        EXPECT_TRUE(hostile::SwapForLink(Victim, "/dev/zero"));
        break;
      case ESwap::OtherFile:
        EXPECT_TRUE(SwapForOtherFile(Victim, QByteArray(5000, 's')));
        break;
      }
    };
    TSearchChoice Choice{
        .WhatFind = {MethodContent, MethodUnreadable}, .IncludeFolders = {Folder}, .Archive = "z"};
    return hostile::FinishesWithin(
        Limit, [&] { RunSearch(List, Steps, Choice, Sink, Bar, Hooks); },
        [&] {
          Cancel = true;
          hostile::OpenFifoWriter(Victim);
        });
  }
  const TUseFileProperty *Find(const QString &Name) const {
    for (int i = 0; i < List.Count(); ++i)
      if (List.GetItem(i)->FileItem.FileName == Name)
        return List.GetItem(i);
    return nullptr;
  }
};

} // namespace

// A regular file swapped in holds the others' bytes and must not join their group.
TEST(SwappedFile, GatheredFileSwappedForAFifoALinkOrAnotherFileIsUnreadable) {
  for (const ESwap Swap : {ESwap::Fifo, ESwap::LinkToZero, ESwap::OtherFile}) {
    TestDir Dir;
    Dir.createFile("same1", QByteArray(5000, 's'));
    Dir.createFile("same2", QByteArray(5000, 's'));
    Dir.createFile("victim", QByteArray(5000, 'v'));
    SwapRig R;
    ASSERT_TRUE(R.SearchSwapping(Dir.path(), Dir.filePath("victim"), Swap)) << int(Swap);
    // Unreadable files are grouped by method 6, so the victim stays in the list.
    const TUseFileProperty *Victim = R.Find("victim");
    ASSERT_NE(Victim, nullptr);
    EXPECT_TRUE(Victim->FileItem.Unreadable);
    EXPECT_EQ(Victim->Viewed.GetGroup(MethodContent), -1);
    ASSERT_NE(R.Find("same1"), nullptr);
    EXPECT_NE(R.Find("same1")->Viewed.GetGroup(MethodContent), -1);
  }
}

TEST(SwappedFile, ArchiveSwappedAfterItsListingIsNotUnpacked) {
  for (const ESwap Swap : {ESwap::Fifo, ESwap::LinkToZero}) {
    TestDir Dir;
    Dir.createFile("same1", QByteArray(5000, 's'));
    Dir.createFile("same2", QByteArray(5000, 's'));
    ASSERT_TRUE(testarchive::WriteZip(Dir.filePath("box.zip"), {{"inside", QByteArray(5000, 's')}}));
    SwapRig R;
    ASSERT_TRUE(R.SearchSwapping(Dir.path(), Dir.filePath("box.zip"), Swap)) << int(Swap);
    // The member could not be unpacked: it is no copy of the two files.
    const TUseFileProperty *Member = R.Find("inside");
    if (Member)
      EXPECT_EQ(Member->Viewed.GetGroup(MethodContent), -1);
    EXPECT_NE(R.Find("same1")->Viewed.GetGroup(MethodContent), -1);
  }
}

TEST(SwappedFile, ResultFileThatIsAFifoOrALinkIsRefusedAtOnce) {
  TestDir Dir;
  TUseFileList Saved;
  Saved.Filter.WhatFind = TWhatFind{MethodContent};
  const QString Real = Dir.filePath("real.wzr");
  Saved.SaveToFile(Real);
  const QStringList Paths = hostile::NotRegularFiles(Dir.path(), Real, ".wzr");
  ASSERT_EQ(Paths.size(), 3);
  for (const QString &Path : Paths) {
    TUseFileList List;
    TProgressBarModel Bar;
    FakeProgressSink Sink(&Bar);
    EResultFileError::TKind Kind = EResultFileError::BadRecord;
    ASSERT_TRUE(hostile::FinishesWithin(
        Limit,
        [&] {
          try {
            List.LoadFromFile(Path, Bar, Sink);
          } catch (const EResultFileError &Error) {
            Kind = Error.Kind;
          }
        },
        [&] { hostile::OpenFifoWriter(Paths[0]); }))
        << qPrintable(Path);
    EXPECT_EQ(Kind, EResultFileError::NotAResultFile) << qPrintable(Path);
  }
}
