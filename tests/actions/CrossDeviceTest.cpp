// Move and copy between two file systems: the data is copied under a temporary name and the source
// goes only after the copy stands in place, so a failure at any step leaves exactly the source.

#include "actions/RestoreRun.h"
#include "settings/Language.h"
#include "tests/actions/ActionFixture.h"
#include "tests/actions/Environments.h"
#include "tests/support/MountOver.h"

#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>

#include <sys/xattr.h>

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

// The stored file at StorePath as the restore list gives it.
TRestoreItem Stored(const QString &Store, const QString &StorePath) {
  TRestoreItem item;
  WalkStore(Store, [&](const TStoreEntry &E) {
    if (E.IsFile && E.StorePath == StorePath)
      item = {E.StorePath, RestoreOriginalPath(Store, E.StorePath, true), E.Size, E.Folders, E.Id};
  });
  return item;
}

// The value of one extended attribute ("<none>" when there is none).
QByteArray Attribute(const QString &Path, const char *Name) {
  QByteArray value(4096, Qt::Uninitialized);
  const ssize_t n = ::lgetxattr(QFile::encodeName(Path).constData(), Name, value.data(), size_t(value.size()));
  return n < 0 ? QByteArrayLiteral("<none>") : value.left(n);
}

TEST_P(CrossDevice, KeepsExtendedAttributesAndTheAclThereAndBackAgain) {
  TOtherFileSystem other(64 << 20);
  if (!other.IsValid())
    GTEST_SKIP() << other.Reason().toStdString();
  const QString path = dir.createFile("src/tagged.txt", "tagged");
  const QByteArray native = QFile::encodeName(path);
  if (::setxattr(native.constData(), "user.xdg.comment", "a comment", 9, 0) != 0)
    GTEST_SKIP() << "the temporary folder holds no extended attributes";
  const QString setfacl = QStandardPaths::findExecutable("setfacl");
  ASSERT_FALSE(setfacl.isEmpty()) << "scripts/install-deps.sh installs the acl package";
  ASSERT_EQ(QProcess::execute(setfacl, {"-m", "u:65534:rw,m:rw", path}), 0);
  const QByteArray acl = Attribute(path, "system.posix_acl_access");
  ASSERT_NE(acl, "<none>");
  const TFileState state = StateOf(path);
  addPath(path);
  run(GetParam(), other.Path() + '/');
  ASSERT_EQ(oks(), "+");
  const QString away = other.Path() + path;
  EXPECT_EQ(Attribute(away, "user.xdg.comment"), "a comment");
  EXPECT_EQ(Attribute(away, "system.posix_acl_access"), acl);
  EXPECT_EQ(StateOf(away), state);
  if (GetParam() == TAction::Copy)
    return;
  // The restore brings it back across the file systems with all of it.
  ASSERT_EQ(MoveBack(Stored(other.Path(), away), RestoreTargetName(path, {}), false), TMoveBack::Done);
  EXPECT_EQ(Attribute(path, "user.xdg.comment"), "a comment");
  EXPECT_EQ(Attribute(path, "system.posix_acl_access"), acl);
  EXPECT_EQ(StateOf(path), state);
}

// Onto a file system that holds no ACL (nor any extended attribute), the copy's owning group gets no
// more than the ACL allowed it (the mode's group bits are the ACL's mask), and the file's line says
// what was left out.
TEST_P(CrossDevice, OntoAFileSystemWithoutAclsTheGroupGetsNoMoreAndTheLineSaysWhatWasLeftOut) {
  const QString path = dir.createFile("src/shared.txt", "shared");
  if (::setxattr(QFile::encodeName(path).constData(), "user.xdg.comment", "a comment", 9, 0) != 0)
    GTEST_SKIP() << "the temporary folder holds no extended attributes";
  const QString setfacl = QStandardPaths::findExecutable("setfacl");
  ASSERT_FALSE(setfacl.isEmpty()) << "scripts/install-deps.sh installs the acl package";
  ASSERT_TRUE(Chmod(path, 0640));
  ASSERT_EQ(QProcess::execute(setfacl, {"-m", "g::r,u:65534:rw,m:rw", path}), 0);
  ASSERT_EQ(StateOf(path).mode, 0660u);
  const QString ramfs = dir.filePath("ramfs");
  const TMountOver mount(ramfs, "ramfs", "ramfs", "mode=0700");
  if (!mount.Mounted())
    GTEST_SKIP() << "needs a ramfs: " << mount.Reason();
  addPath(path);
  run(GetParam(), ramfs + '/');
  ASSERT_EQ(oks(), "+");
  EXPECT_EQ(StateOf(ramfs + path).mode, 0640u);
  const QString note =
      LangText("20135") + "; " + FormatText(LangText("20136"), {QStringLiteral("user.xdg.comment")});
  EXPECT_EQ(log.Lines[0].Text, path + " (" + note + ") - ok");
}

// A Stop or a closed window while a large file is being copied abandons that file: no partial copy
// anywhere, the source as it was, and a log line that says so.
TEST_P(CrossDevice, StopOrHaltDuringALargeCopyAbandonsThatFileAndSaysSo) {
  TOtherFileSystem other(512 << 20);
  if (!other.IsValid())
    GTEST_SKIP() << other.Reason().toStdString();
  const qint64 size = 160 << 20;
  const QString path = dir.createFileOfSize("src/big.bin", size, 3);
  const TFileState before = StateOf(path);
  // How much of the copy stood when the first progress call came.
  qint64 written = -1;
  sink.onCall = [&](int) {
    QDirIterator it(other.Path(), {".pairhound-*"}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    if (written < 0 && it.hasNext())
      written = QFileInfo(it.next()).size();
  };
  for (const bool halt : {false, true}) {
    written = -1;
    list.Clear();
    addPath(path);
    sink.stopAtCall = sink.calls() + 1;
    sink.haltInsteadOfStop = halt;
    if (halt)
      EXPECT_THROW(run(GetParam(), other.Path() + '/'), EMyHalt);
    else
      EXPECT_EQ(run(GetParam(), other.Path() + '/'), "stop");
    ASSERT_EQ(log.Lines.size(), 1);
    EXPECT_EQ(log.Lines[0], (TActionLogLines::TLine{path + " - " + LangText("20145"), false}));
    EXPECT_EQ(StateOf(path), before);
    EXPECT_EQ(filesBelow(other.Path()), QStringList());
    EXPECT_FALSE(list.GetItem(0)->Processed);
    EXPECT_GT(written, 0);
    EXPECT_LT(written, size);
  }
  // Written while it is copied, even given its old time back: the copy is dropped, the source stays.
  sink.stopAtCall = 0;
  const QByteArray start = before.contents.left(17);
  sink.onCall = [&](int) { rewriteKeepingTime(path, "written meanwhile"); };
  list.Clear();
  addPath(path);
  EXPECT_EQ(run(GetParam(), other.Path() + '/'), "");
  EXPECT_EQ(oks(), "-");
  EXPECT_EQ(testenv::ReadFile(path).left(17), "written meanwhile");
  EXPECT_EQ(filesBelow(other.Path()), QStringList());
  sink.onCall = {};
  rewriteKeepingTime(path, start);
  if (GetParam() == TAction::Copy)
    return;
  // The restore across file systems abandons its copy the same way.
  sink.stopAtCall = 0;
  list.Clear();
  addPath(path);
  ASSERT_EQ(run(TAction::Move, other.Path() + '/'), "");
  TRestoreRun restore{{Stored(other.Path(), other.Path() + path)}, {}, sink, bar, log};
  restore.FileWait = std::chrono::milliseconds(0);
  sink.stopAtCall = sink.calls() + 1;
  sink.haltInsteadOfStop = false;
  EXPECT_THROW(RestoreLoop(restore), EMyStop);
  ASSERT_EQ(log.Lines.size(), 1);
  EXPECT_EQ(log.Lines[0].Text, path + " - " + LangText("20145"));
  EXPECT_EQ(StateOf(other.Path() + path), before);
  EXPECT_EQ(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden), QStringList());
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
