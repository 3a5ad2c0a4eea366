// Reaching a file through its folders without a link on the way, and its identity.
#include "platform/FileAt.h"
#include "tests/support/TestEnv.h"

#include <QFile>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QByteArray Enc(const QString &p) {
  return QFile::encodeName(p);
}

TFileId IdOf(const QString &Path) {
  struct stat st {};
  return ::stat(Enc(Path).constData(), &st) == 0 ? TFileId{st.st_dev, st.st_ino} : TFileId{};
}

} // namespace

// Both ways of opening: in one call where the kernel can, and level by level.
TEST(FileAt, AFolderOpensOnlyWhenNoLevelIsALink) {
  TestDir dir;
  const QString real = dir.createFolder("a/b/c");
  ASSERT_TRUE(QFile::link(dir.filePath("a/b"), dir.filePath("link")));
  dir.createFile("a/file", "f");
  for (const auto open : {&platform::OpenFolderNoLinks, &platform::OpenFolderLevels}) {
    const platform::TFolderFd opened = open(Enc(real));
    ASSERT_TRUE(opened.IsOpen());
    EXPECT_EQ(opened.Id(), IdOf(real));
    EXPECT_TRUE(open(Enc(real + "/")).IsOpen());
    EXPECT_TRUE(open("/").IsOpen());
    for (const QString &bad : {dir.filePath("link/c"), dir.filePath("link"), dir.filePath("a/file"),
                               dir.filePath("a/missing"), dir.filePath("a/b/../b"), QString("a/b")})
      EXPECT_FALSE(open(Enc(bad)).IsOpen()) << bad.toStdString();
  }
}

TEST(FileAt, AFileIsTheSameOnlyWithItsDeviceInodeSizeAndTimeAndNoLinkOnTheWay) {
  TestDir dir;
  const QString path = dir.createFile("a/f.txt", "twelve bytes");
  platform::TFileIdentity seen;
  ASSERT_TRUE(platform::IdentityNoLinks(Enc(path), seen));
  EXPECT_EQ(seen.Id, IdOf(path));
  EXPECT_EQ(seen.Size, 12);
  EXPECT_TRUE(platform::IsSameFile(Enc(path), seen));
  for (auto change : {&platform::TFileIdentity::Size, &platform::TFileIdentity::ModifiedNs}) {
    platform::TFileIdentity other = seen;
    other.*change += 1;
    EXPECT_FALSE(platform::IsSameFile(Enc(path), other));
  }
  EXPECT_FALSE(platform::IsSameFile(Enc(path), platform::TFileIdentity{}));
  ASSERT_TRUE(QFile::link(dir.filePath("a"), dir.filePath("b")));
  ASSERT_TRUE(QFile::link(path, dir.filePath("a/g.txt")));
  for (const QString &linked : {dir.filePath("b/f.txt"), dir.filePath("a/g.txt")}) {
    platform::TFileIdentity through;
    EXPECT_FALSE(platform::IdentityNoLinks(Enc(linked), through)) << linked.toStdString();
    EXPECT_FALSE(platform::IsSameFile(Enc(linked), seen)) << linked.toStdString();
  }
}
