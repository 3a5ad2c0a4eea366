// Move and copy between two file systems: the data is copied under a temporary name and the source
// goes only after the copy stands in place, so a failure at any step leaves exactly the source.

#include "tests/actions/ActionFixture.h"
#include "tests/actions/Environments.h"

namespace {

using actionenv::TOtherFileSystem;

class CrossDevice : public ActionFixture, public ::testing::WithParamInterface<TAction> {};

TEST_P(CrossDevice, KeepsContentsPermissionsAndTimes) {
  TOtherFileSystem other(64 << 20);
  if (!other.IsValid())
    GTEST_SKIP() << other.Reason().toStdString();
  ASSERT_TRUE(actionenv::OnDifferentDevices(other.Path(), dir.path()));
  const QByteArray contents = QByteArray(300000, 'p') + "end";
  const QString path = dir.createFile("src/photo.jpg", contents);
  const QString readOnly = dir.createFile("src/ro.txt", "read only");
  ASSERT_TRUE(Chmod(path, 0640) && Chmod(readOnly, 0444));
  const QDateTime when = QDateTime::fromSecsSinceEpoch(1100000000);
  ASSERT_TRUE(TestDir::setTimes(path, when, when));
  const TFileState photo = StateOf(path), ro = StateOf(readOnly);
  addPath(path);
  addPath(readOnly);
  run(GetParam(), other.Path() + '/');
  ASSERT_EQ(oks(), "++");
  EXPECT_EQ(StateOf(other.Path() + path), photo);
  EXPECT_EQ(StateOf(other.Path() + readOnly), ro);
  EXPECT_EQ(StateOf(readOnly), GetParam() == TAction::Copy ? ro : TFileState{"<missing>"});
  // No temporary file stays beside the copies.
  EXPECT_EQ(filesBelow(other.Path()).size(), 2);
  EXPECT_EQ(total, contents.size() + 9);
}

TEST_P(CrossDevice, ATargetThatFillsUpHalfWayLeavesTheSourceAndNoPartialFile) {
  TOtherFileSystem other(256 << 10, true);
  if (!other.IsMounted())
    GTEST_SKIP() << "needs a small file system of its own to fill: " << other.Reason().toStdString();
  const QString path = dir.createFileOfSize("src/big.bin", 1 << 20, 7);
  const QByteArray contents = testenv::ReadFile(path);
  addPath(path);
  run(GetParam(), other.Path() + '/');
  ASSERT_EQ(oks(), "-");
  EXPECT_EQ(testenv::ReadFile(path), contents);
  EXPECT_EQ(filesBelow(other.Path()), QStringList());
  EXPECT_FALSE(list.GetItem(0)->Processed);
  EXPECT_TRUE(list.GetItem(0)->Viewed.Marked);
  EXPECT_EQ(total, 0);
}

INSTANTIATE_TEST_SUITE_P(Actions, CrossDevice, ::testing::Values(TAction::Move, TAction::Copy),
                         [](const auto &Info) { return ActionName(Info.param).toStdString(); });

using CrossDeviceMove = ActionFixture;

TEST_F(CrossDeviceMove, ASourceThatCannotBeRemovedStaysAndItsCopyIsTakenBack) {
  TOtherFileSystem other(1 << 20, true);
  if (!other.IsMounted())
    GTEST_SKIP() << "needs a read-only file system of its own: " << other.Reason().toStdString();
  const QString path = other.Path() + "/keep.txt";
  ASSERT_TRUE(writeFile(path, "keep me"));
  ASSERT_TRUE(other.MakeReadOnly());
  addPath(path);
  run(TAction::Move);
  ASSERT_EQ(oks(), "-");
  EXPECT_EQ(testenv::ReadFile(path), "keep me");
  EXPECT_EQ(filesBelow(store()), QStringList());
}

} // namespace
