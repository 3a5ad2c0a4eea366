// A file swapped after gathering for a FIFO or a device link is unreadable at once (another file in its
// place: the read-ahead tests).
#include "engine/ResultFile.h"
#include "engine/SearchRun.h"
#include "engine/StepStorage.h"
#include "tests/support/FakeProgress.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/TestArchives.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

namespace {

constexpr std::chrono::seconds Limit(30);

enum class ESwap { Fifo, LinkToZero };

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
      EXPECT_TRUE(Swap == ESwap::Fifo ? hostile::SwapForFifo(Victim)
                                      : hostile::SwapForLink(Victim, "/dev/zero"));
    };
    TSearchChoice Choice;
    Choice.WhatFind = {MethodContent, MethodUnreadable};
    Choice.IncludeFolders = {Folder};
    Choice.Archive = "z";
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

// Unreadable files are grouped by method 6, so the victim stays in the list. A swapped archive cannot be
// unpacked: its member is no copy of the two files.
TEST(SwappedFile, GatheredFileSwappedForAFifoOrALinkIsUnreadable) {
  for (const bool Archive : {false, true})
    for (const ESwap Swap : {ESwap::Fifo, ESwap::LinkToZero}) {
      TestDir Dir;
      Dir.createFile("same1", QByteArray(5000, 's'));
      Dir.createFile("same2", QByteArray(5000, 's'));
      Dir.createFile("victim", QByteArray(5000, 'v'));
      ASSERT_TRUE(testarchive::WriteZip(Dir.filePath("box.zip"), {{"inside", QByteArray(5000, 's')}}));
      SwapRig R;
      ASSERT_TRUE(R.SearchSwapping(Dir.path(), Dir.filePath(Archive ? "box.zip" : "victim"), Swap))
          << int(Swap);
      ASSERT_NE(R.Find("same1"), nullptr);
      EXPECT_NE(R.Find("same1")->Viewed.GetGroup(MethodContent), -1);
      const TUseFileProperty *Victim = R.Find(Archive ? "inside" : "victim");
      if (!Archive) {
        ASSERT_TRUE(Victim && Victim->FileItem.Unreadable) << int(Swap);
      }
      EXPECT_TRUE(!Victim || Victim->Viewed.GetGroup(MethodContent) == -1) << Archive << int(Swap);
    }
}
