// Searches over files, folders and archive members whose names are not UTF-8: every road that opens
// such a file reaches it by its own bytes, and a saved result leads back to the same files.
#include "engine/Archive.h"
#include "engine/CompareImage.h"
#include "engine/SearchRun.h"
#include "engine/StepStorage.h"
#include "platform/Names.h"
#include "tests/support/FakeProgress.h"
#include "tests/support/TestArchives.h"
#include "tests/support/TestEnv.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>
#include <sys/stat.h>

using platform::DecodeName;
using platform::EncodeName;

namespace {

class OddNames : public ::testing::Test {
protected:
  void Search(const TWhatFind &What, const QString &Archive = {}) {
    TSearchChoice Choice;
    Choice.WhatFind = What;
    Choice.IncludeFolders = {Dir.path()};
    Choice.Archive = Archive;
    TSearchHooks Hooks;
    Hooks.GroupingPauseMs = 0;
    RunSearch(List, Steps, Choice, Sink, Bar, Hooks);
  }
  // The full names of the files in Method's step; false unless they all are in one group.
  bool OneGroup(int Method, QStringList &Names) const {
    Names.clear();
    const QList<qint32> Rows = Steps.GetIndexes(Method);
    for (qint32 i : Rows) {
      Names << List.GetItem(i)->FullName();
      if (List.GetItem(i)->Viewed.GetGroup(Method) != List.GetItem(Rows.first())->Viewed.GetGroup(Method))
        return false;
    }
    Names.sort();
    return !Rows.isEmpty();
  }
  // The file of a plain item is the one gathered: same device and inode under the name's bytes.
  static bool SameFile(const TUseFileProperty &Item, const TFileId &Id) {
    struct stat st;
    return ::lstat(EncodeName(Item.FullName()).constData(), &st) == 0 && uint64_t(st.st_dev) == Id.m_device &&
           uint64_t(st.st_ino) == Id.m_inode;
  }

  TestDir Dir;
  const QByteArray Root = EncodeName(Dir.path()) + '/';
  TUseFileList List;
  TStepStorage Steps;
  TProgressBarModel Bar;
  FakeProgressSink Sink{&Bar};
};

const QByteArray Words = "the same words under names from an older system";

} // namespace

TEST_F(OddNames, ContentSearchFindsFilesFoldersAndArchiveMembersByTheirBytes) {
  ASSERT_TRUE(testenv::WriteRaw(Root + "plain.txt", Words));
  QList<testarchive::Entry> Members;
  QStringList Expected{Dir.path() + "/plain.txt"};
  for (const QByteArray &Odd : testenv::OddNames()) {
    ASSERT_TRUE(testenv::WriteRaw(Root + Odd + "/" + Odd + ".txt", Words));
    Expected << DecodeName(Root + Odd + "/" + Odd + ".txt");
    // Members keep their bytes, in folders of such names too.
    Members.append({QString(), Words, false, {}, -1, Odd + "/" + Odd + ".txt"});
    Expected << DecodeName(Odd + "/" + Odd + ".txt");
  }
  ASSERT_TRUE(testarchive::WriteZip(DecodeName(Root + "old\xE9.zip"), Members));
  // The members are unpacked below a temporary folder of such a name too.
  const QByteArray Temp = qgetenv("TMPDIR");
  ASSERT_TRUE(testenv::MakeRawFolder(Root + "tmp\xE9"));
  qputenv("TMPDIR", Root + "tmp\xE9");
  EXPECT_EQ(GetTempDir(), DecodeName(Root + "tmp\xE9"));
  Search({MethodContent}, "z");
  qputenv("TMPDIR", Temp);
  QStringList Names;
  ASSERT_TRUE(OneGroup(MethodContent, Names));
  Expected.sort();
  EXPECT_EQ(Names, Expected);
  for (int i = 0; i < List.Count(); ++i) {
    const TUseFileProperty &Item = *List.GetItem(i);
    if (!Item.IsArchiveMember())
      EXPECT_TRUE(SameFile(Item, Item.FileItem.Id)) << i;
    else
      EXPECT_EQ(Item.Owner->FullName(), DecodeName(Root + "old\xE9.zip"));
  }
}

TEST_F(OddNames, PictureSearchReadsAndThumbnailsPicturesByTheirBytes) {
  QImage Picture(64, 48, QImage::Format_RGB32);
  Picture.fill(Qt::white);
  QPainter(&Picture).fillRect(0, 0, 32, 48, Qt::darkBlue);
  QByteArray Png;
  QBuffer Buffer(&Png);
  ASSERT_TRUE(Buffer.open(QIODevice::WriteOnly) && Picture.save(&Buffer, "PNG"));
  for (const QByteArray &Odd : testenv::OddNames())
    ASSERT_TRUE(testenv::WriteRaw(Root + Odd + "/" + Odd + ".png", Png));
  Search({MethodPictures});
  QStringList Names;
  ASSERT_TRUE(OneGroup(MethodPictures, Names));
  EXPECT_EQ(Names.size(), testenv::OddNames().size());
  for (const QString &Name : Names) {
    int Width = 0, Height = 0;
    EXPECT_FALSE(CreateThumbnail(Name, 80, 60, Width, Height, true).isNull()) << Name.toStdString();
    EXPECT_EQ(Width, 64);
    EXPECT_EQ(Height, 48);
  }
}

TEST_F(OddNames, ASavedResultReopensOnTheSameFiles) {
  ASSERT_TRUE(testenv::WriteRaw(Root + "plain.txt", Words));
  for (const QByteArray &Odd : testenv::OddNames())
    ASSERT_TRUE(testenv::WriteRaw(Root + Odd + "/" + Odd + ".txt", Words));
  Search({MethodContent});
  ASSERT_EQ(List.Count(), 1 + testenv::OddNames().size());
  // The result file itself may lie under such a name too.
  const QString Saved = DecodeName(Root + "r\xE9sult\xFF.wzr");
  List.SaveToFile(Saved);
  // Kept as the record text already escaped lone surrogates before.
  EXPECT_TRUE(testenv::ReadRaw(Root + "r\xE9sult\xFF.wzr").contains("caf%uDCE9")) << "escaped as before";

  TUseFileList Loaded;
  Loaded.LoadFromFile(Saved, Bar, Sink);
  ASSERT_EQ(Loaded.Count(), List.Count());
  for (int i = 0; i < List.Count(); ++i) {
    EXPECT_EQ(Loaded.GetItem(i)->FullName(), List.GetItem(i)->FullName()) << i;
    EXPECT_TRUE(SameFile(*Loaded.GetItem(i), List.GetItem(i)->FileItem.Id)) << i;
    // Read again from the disk by the name's bytes.
    EXPECT_NE(Loaded.GetItem(i)->FileProps.Modified, 0) << i;
  }
}
