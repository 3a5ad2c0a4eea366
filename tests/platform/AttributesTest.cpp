// A copy's extended attributes and ACL: a target that cannot hold the ACL never leaves the copy open to
// more than the source was, and what it could not hold is named.
#include "platform/Attributes.h"
#include "tests/support/MountOver.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// The kernel's bytes of an ACL written as setfacl does ("u::rw-,u:65534:rw-,m::rw-").
QByteArray AclBytes(const char *Text) {
  QByteArray bytes(4, '\0');
  qToLittleEndian<quint32>(2, bytes.data());
  for (const QByteArray &entry : QByteArray(Text).split(',')) {
    const QList<QByteArray> part = entry.split(':');
    const bool named = !part[1].isEmpty();
    const QByteArray tags = named ? "u\x02g\x08" : "u\x01g\x04m\x10o\x20";
    char e[8];
    qToLittleEndian<quint16>(quint16(tags[tags.indexOf(part[0][0]) + 1]), e);
    qToLittleEndian<quint16>(
        quint16((part[2][0] == 'r') << 2 | (part[2][1] == 'w') << 1 | (part[2][2] == 'x')), e + 2);
    qToLittleEndian<quint32>(named ? part[1].toUInt() : ~0u, e + 4);
    bytes.append(e, 8);
  }
  return bytes;
}

QByteArray Attribute(int Fd, const char *Name) {
  QByteArray value(4096, '\0');
  const ssize_t n = ::fgetxattr(Fd, Name, value.data(), size_t(value.size()));
  return n < 0 ? QByteArrayLiteral("<none>") : value.left(n);
}

const char *const Access = "system.posix_acl_access";

struct TCase {
  const char *Name;
  bool Ramfs;                   // the copy on a file system without extended attributes
  const char *Acl;              // the source's, on a 0640 file
  QList<QByteArray> Attributes; // the source's other attributes (each with its name as value)
  mode_t Mode;                  // of the copy
  bool AclLost;
  QList<QByteArray> Lost;
  const char *FolderDefault = nullptr; // the default ACL of the copy's folder
};

void PrintTo(const TCase &C, std::ostream *Out) {
  *Out << C.Name;
}

class AttributeCopy : public ::testing::TestWithParam<TCase> {};

TEST_P(AttributeCopy, NeverGrantsMoreAndNamesWhatItLeftOut) {
  const TCase &c = GetParam();
  TestDir dir;
  const QByteArray source = QFile::encodeName(dir.createFile("source", "data"));
  ASSERT_EQ(::chmod(source.constData(), 0640), 0);
  auto setAcl = [](const QString &Path, const char *Name, const char *Acl) {
    const QByteArray bytes = AclBytes(Acl);
    return ::setxattr(QFile::encodeName(Path).constData(), Name, bytes.constData(), size_t(bytes.size()),
                      0) == 0;
  };
  if (c.Acl && !setAcl(QFile::decodeName(source), Access, c.Acl))
    GTEST_SKIP() << "the temporary folder holds no ACL";
  for (const QByteArray &name : c.Attributes)
    if (::setxattr(source.constData(), name.constData(), name.constData(), size_t(name.size()), 0) != 0)
      GTEST_SKIP() << "cannot give the source " << name.toStdString();
  const QString folder = dir.filePath("target");
  std::optional<TMountOver> ramfs;
  if (c.Ramfs && !ramfs.emplace(folder, "ramfs", "ramfs", "mode=0755").Mounted())
    GTEST_SKIP() << "needs a ramfs: " << ramfs->Reason();
  ASSERT_TRUE(QDir().mkpath(folder));
  if (c.FolderDefault && !setAcl(folder, "system.posix_acl_default", c.FolderDefault))
    GTEST_SKIP() << "the temporary folder holds no ACL";
  const int in = ::open(source.constData(), O_RDONLY | O_CLOEXEC);
  const int out =
      ::open(QFile::encodeName(folder + "/copy").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_TRUE(in >= 0 && out >= 0);
  struct stat st;
  ASSERT_EQ(::fstat(in, &st), 0);
  mode_t mode = st.st_mode & 07777;
  platform::TAttributeLoss loss = platform::CopyAttributes(in, out, mode);
  std::sort(loss.Others.begin(), loss.Others.end()); // in the order the file system lists them
  ASSERT_EQ(::fchmod(out, mode), 0);
  ASSERT_EQ(::fstat(out, &st), 0);
  EXPECT_EQ(st.st_mode & 07777, c.Mode);
  EXPECT_EQ(loss.Acl, c.AclLost);
  EXPECT_EQ(loss.Others, c.Lost);
  EXPECT_EQ(loss.Any(), c.AclLost || !c.Lost.isEmpty());
  if (!c.Ramfs) {
    EXPECT_EQ(Attribute(out, Access), Attribute(in, Access));
    for (const QByteArray &name : c.Attributes)
      EXPECT_EQ(Attribute(out, name.constData()), name);
  }
  ::close(in);
  ::close(out);
}

const char *const NobodyWrites = "u::rw-,u:65534:rw-,g::r--,m::rw-,o::---"; // mode -rw-rw----

INSTANTIATE_TEST_SUITE_P(
    Table, AttributeCopy,
    ::testing::Values(
        TCase{"AclOnRamfsLeavesTheGroupWhatItHad", true, NobodyWrites, {}, 0640, true, {}},
        TCase{"UserAttributeOnRamfsIsNamed", true, nullptr, {"user.note"}, 0640, false, {"user.note"}},
        TCase{"ANamedUserWithLessNarrowsGroupAndOthers",
              true,
              "u::rw-,u:65534:---,g::rw-,m::rw-,o::r--",
              {},
              0600,
              true,
              {}},
        TCase{"ANamedGroupWithLessNarrowsTheOthersOnly",
              true,
              "u::rw-,g::rw-,g:65534:---,m::rw-,o::r--",
              {},
              0660,
              true,
              {}},
        // Root could have kept a trusted attribute elsewhere; a security label is the target's to give.
        TCase{"OnlyAttributesSomeTargetCouldKeepAreNamed",
              true,
              NobodyWrites,
              {"user.note", "trusted.note", "security.selinux"},
              0640,
              true,
              {"trusted.note", "user.note"}},
        TCase{"TheSameFileSystemKeepsAll", false, NobodyWrites, {"user.note"}, 0660, false, {}},
        TCase{"AListTheFolderGaveGoesWhenTheSourceHasNone",
              false,
              nullptr,
              {},
              0640,
              false,
              {},
              "u::rwx,u:65534:rwx,g::r-x,m::rwx,o::---"}),
    [](const auto &Info) { return std::string(Info.param.Name); });

} // namespace
