#include "engine/Archive.h"
#include "engine/CRC.h"
#include "engine/ReadProperties.h"
#include "engine/UsePropertyFile.h"
#include "platform/Folders.h"
#include "tests/support/FakeProgress.h"
#include "tests/support/TestArchives.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <zlib.h>

using testarchive::Entry;

namespace {

int64_t g_freeSpace = 0;
int64_t FakeFree() {
  return g_freeSpace;
}

// The stored checksum of a file holding Data: the complement of the standard CRC-32.
qint32 CodeOf(const QByteArray &Data) {
  return qint32(~quint32(crc32(0L, reinterpret_cast<const Bytef *>(Data.constData()), uInt(Data.size()))));
}

class ArchivePass : public ::testing::Test {
protected:
  void SetUp() override {
    FreeSpaceProbe = &FakeFree;
    g_freeSpace = int64_t(1) << 40;
    list.Clear();
  }
  void TearDown() override { FreeSpaceProbe = &FreeSpaceOnScratchDrive; }

  // Writes the archive (its kind chosen by the name) and adds it and its members as gathering would;
  // returns the archive's index.
  int Pack(const QString &name, const QList<Entry> &entries) {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(testarchive::WriteByName(path, entries)) << name.toStdString();
    list.SetFilter({MethodContent}, QStringList{dir.path()}, {}, "zr");
    const int index = list.AddFile(dir.path() + "/", name, QFileInfo(path).size(), nullptr);
    TUseFileProperty *archive = list.GetItem(index);
    archive->Owner = archive;
    for (const Entry &e : entries) {
      const qsizetype slash = e.name.lastIndexOf('/');
      list.AddFile(e.name.left(slash + 1), e.name.mid(slash + 1), e.data.size(), archive);
    }
    return index;
  }

  void Run(int index) {
    TReadPass pass(list.Filter.WhatFind, &sink, &bar);
    pass.Start(0, true);
    ProcessArchive(list, index, pass);
  }

  TUseFileProperty *Member(int i) const { return list.GetItem(i); }

  QStringList ScratchFolders() const {
    return QDir(GetTempDir()).entryList({"TWTemp*"}, QDir::AllEntries | QDir::Hidden | QDir::System);
  }

  TestDir dir;
  TUseFileList list;
  TProgressBarModel bar;
  FakeProgressSink sink{&bar};
};

} // namespace

// Room for the packed size and the reserve, not for the unpacked size, unpacks nothing.
TEST_F(ArchivePass, NothingIsUnpackedWithoutRoomBeyondTheReserve) {
  const QByteArray data(10000, 'q');
  const int at = Pack("p.zip", {{"q.bin", data}});
  ASSERT_LT(QFileInfo(dir.filePath("p.zip")).size(), 1000);
  g_freeSpace = 10000 + ScratchReserve;
  Run(at);
  EXPECT_TRUE(Member(1)->FileItem.Unreadable);
  EXPECT_EQ(Member(1)->FileItem.Code, -1);
  EXPECT_TRUE(ScratchFolders().isEmpty());
  g_freeSpace = 10001 + ScratchReserve;
  Member(1)->FileItem.Unreadable = false;
  Run(at);
  EXPECT_FALSE(Member(1)->FileItem.Unreadable);
  EXPECT_EQ(Member(1)->FileItem.Code, CodeOf(data));
}

TEST_F(ArchivePass, MembersNamedOutsideTheScratchFolderAreNeverRead) {
  const QString victim = GetTempDir() + "/victim.txt";
  ASSERT_TRUE(testarchive::WriteBytes(victim, "outside"));
  Run(Pack("evil.zip", {{"../victim.txt", "inside"}, {victim, "inside too"}}));
  for (int i : {1, 2}) {
    EXPECT_TRUE(Member(i)->FileItem.Unreadable) << i;
    EXPECT_NE(Member(i)->FileItem.Code, CodeOf("outside"));
  }
  EXPECT_EQ(testenv::ReadFile(victim), "outside");
  EXPECT_TRUE(ScratchFolders().isEmpty());
}

TEST_F(ArchivePass, MembersThatNeedNoReadingOnlyLoseTheirTimes) {
  const int at = Pack("p.zip", {{"a.txt", "alpha"}});
  list.Filter.WhatFind = {MethodProperties};
  g_freeSpace = 0;
  Run(at);
  EXPECT_FALSE(Member(1)->FileItem.Unreadable);
  EXPECT_EQ(Member(1)->FileProps, TFileProps{});
}

TEST_F(ArchivePass, AnArchiveThatNoLongerOpensLeavesItsMembersUnread) {
  const int at = Pack("p.zip", {{"a.txt", "alpha"}});
  ASSERT_TRUE(testarchive::WriteBytes(dir.filePath("p.zip"), "damaged since"));
  Run(at);
  EXPECT_TRUE(Member(1)->FileItem.Unreadable);
  EXPECT_TRUE(ScratchFolders().isEmpty());
}

// Only the first entry of a path is read: a later one would be read from whichever was written last.
TEST_F(ArchivePass, EntriesThatUnpackOntoOnePathNeverLendTheirContent) {
  for (const QString name : {"p.zip", "r.rar"}) {
    list.Clear();
    const int at = Pack(name, {{"a.txt", "first"},
                               {"a.txt", "second!"},
                               {"x/./y", "dot"},
                               {"x/y", "plain"},
                               {"x//y", "slashes"},
                               {"./c.txt", "sea"},
                               {"c.txt", "see"},
                               {"b.txt", "bravo"}});
    Run(at);
    EXPECT_NE(Member(1)->FileProps.Modified, 0); // times come from the unpacked copy
    for (const auto &[i, data] : {std::pair{1, "first"}, {3, "dot"}, {6, "sea"}, {8, "bravo"}}) {
      EXPECT_FALSE(Member(i)->FileItem.Unreadable) << name.toStdString() << " " << i;
      EXPECT_EQ(Member(i)->FileItem.Code, CodeOf(data)) << name.toStdString() << " " << i;
    }
    for (int i : {2, 4, 5, 7}) {
      EXPECT_TRUE(Member(i)->FileItem.Unreadable) << name.toStdString() << " " << i;
      EXPECT_EQ(Member(i)->FileItem.Code, -1) << name.toStdString() << " " << i;
    }
    EXPECT_TRUE(ScratchFolders().isEmpty());
  }
}

TEST_F(ArchivePass, ALargeArchivesScratchFolderIsDeletedWithProgressAndAStopThereGoesOn) {
  const int entries = 2 * FolderTreeTickEntries + 1;
  const int at = Pack("many.zip", testarchive::Parts(entries, 8));
  const TUseFileProperty *last = Member(entries);

  // Calls made once every member was read, while the scratch folder is still there: the deletion's.
  QList<int> deletionCalls;
  sink.onCall = [&](int call) {
    if (last->FileItem.Code != 0 && !ScratchFolders().isEmpty())
      deletionCalls << call;
  };
  Run(at);
  EXPECT_GE(deletionCalls.size(), 2);
  EXPECT_TRUE(ScratchFolders().isEmpty());

  // A stop at the deletion's first call still deletes the whole folder, then goes on.
  ASSERT_FALSE(deletionCalls.isEmpty());
  FakeProgressSink stopping{&bar};
  stopping.stopAtCall = deletionCalls.first();
  TReadPass pass(list.Filter.WhatFind, &stopping, &bar);
  pass.Start(0, true);
  EXPECT_THROW(ProcessArchive(list, at, pass), EMyStop);
  EXPECT_EQ(stopping.calls(), deletionCalls.first());
  EXPECT_TRUE(ScratchFolders().isEmpty());
}
