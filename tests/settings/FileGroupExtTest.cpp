#include "settings/FileGroupExt.h"
#include "settings/Language.h"
#include "settings/Registry.h"
#include "tests/support/TestEnv.h"

#include "tests/settings/PictureMasks.h"
#include "tests/settings/Printers.h"

#include <gtest/gtest.h>

namespace {

// Group names as a translation provides them, registered for the length of a test.
class GroupNames : public ::testing::Test {
protected:
  void SetUp() override {
    m_dir.createFile("en.wzl", "Language=English\n2645=Audio\n2646=Pictures\n2647=Video\n2648=Documents\n"
                               "2649=Programs\n2650=Temporary files\n2651=User group\n");
    m_list = std::make_unique<TLangList>(m_dir.path());
    SetCurrentLangList(m_list.get());
  }
  void TearDown() override {
    SetCurrentLangList(nullptr);
    FreeFileGroupList();
  }

  TestDir m_dir;
  std::unique_ptr<TLangList> m_list;
};

} // namespace

TEST_F(GroupNames, NoStoredGroupsGiveTheEightBuiltInGroupsAndAHugeCountIsCapped) {
  // No count stored, then a count of 0, then one below 0.
  for (const int stored : {1, 0, -4}) {
    if (stored < 1)
      RegWriteInteger("group-ext-count", stored);
    TListFileGroupExt list;
    ASSERT_EQ(list.GetCount(), 8) << stored;
    EXPECT_EQ(list.GetItem(1)->Ext, QString(ExpectedPictureMasks));
    EXPECT_EQ(list.GetItem(7)->Ext, "");
  }
  // A damaged huge count does not stall the start.
  RegWriteInteger("group-ext-count", 2000000000);
  RegWriteString("group-ext-item-0-ext", "*.A");
  TListFileGroupExt list;
  EXPECT_EQ(list.GetCount(), 1000);
  EXPECT_EQ(list.GetItem(0)->Ext, "*.a");
  EXPECT_EQ(list.GetItem(999)->Ext, "");
}

TEST_F(GroupNames, NamesComeFromTheTranslationAndTheUserGroupsAreNumbered) {
  TListFileGroupExt list;
  const char *expected[] = {"Audio",    "Pictures",        "Video",        "Documents",
                            "Programs", "Temporary files", "User group 1", "User group 2"};
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(list.GetItem(i)->Name, expected[i]);
  // They follow a language switch at the next fetch, and are "no translated" without a translation.
  m_dir.createFile("de.wzl", "Language=Deutsch\n2645=Musik\n2651=Eigene Gruppe\n");
  TLangList both(m_dir.path());
  SetCurrentLangList(&both);
  EXPECT_EQ(list.GetItem(0)->Name, "Audio");
  both.CurrentName = "Deutsch";
  EXPECT_EQ(list.GetItem(0)->Name, "Musik");
  EXPECT_EQ(list.GetItem(7)->Name, "Eigene Gruppe 2");
  EXPECT_EQ(list.GetItem(1)->Name, "no translated");
  SetCurrentLangList(nullptr);
  EXPECT_EQ(list.GetItem(0)->Name, "no translated");
  EXPECT_EQ(list.GetItem(6)->Name, "no translated 1");
}

TEST_F(GroupNames, ListsAreStoredWithoutNamesAndEditedMasksAsAssigned) {
  { TListFileGroupExt list; }
  ASSERT_EQ(RegReadInteger("group-ext-count", 0), 8);
  EXPECT_EQ(RegReadString("group-ext-item-1-ext", "x"), QString(ExpectedPictureMasks));
  EXPECT_EQ(RegReadString("group-ext-item-8-ext", "none"), "none");
  {
    TListFileGroupExt list;
    list.GetItem(6)->Ext = "*.ZIP;*.Rar";
    list.SaveToRegistry();
    EXPECT_EQ(RegReadString("group-ext-item-6-ext", ""), "*.ZIP;*.Rar");
  }
  TListFileGroupExt next;
  EXPECT_EQ(next.GetItem(6)->Ext, "*.zip;*.rar");
}
