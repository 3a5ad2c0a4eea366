#include "platform/Attributes.h"

#include <QtEndian>

#include <cerrno>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace platform {
namespace {

const char *const AccessAcl = "system.posix_acl_access";
const char *const DefaultAcl = "system.posix_acl_default";

// The kernel's form of an ACL: a little-endian version, then {tag, permissions, id} per entry.
constexpr quint32 AclVersion = 2;
constexpr qsizetype AclHeader = 4, AclEntry = 8;
enum : quint16 { AclUser = 0x02, AclGroupObj = 0x04, AclGroup = 0x08, AclMask = 0x10 };

// Fills Value by Call(Buffer, Size) after asking its size with Call(nullptr, 0); one that grows in
// between is asked for again. False (errno set) when it cannot be read.
template <class TCall> bool ReadSized(const TCall &Call, QByteArray &Value) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const ssize_t size = Call(nullptr, 0);
    if (size < 0)
      return false;
    Value.resize(size);
    const ssize_t got = Call(Value.data(), size_t(Value.size()));
    if (got >= 0 && got <= Value.size()) {
      Value.truncate(got);
      return true;
    }
    if (got >= 0)
      errno = ERANGE;
    else if (errno != ERANGE)
      return false;
  }
  return false;
}

QList<QByteArray> Names(int Fd) {
  QByteArray list;
  if (!ReadSized([Fd](char *Buffer, size_t Size) { return ::flistxattr(Fd, Buffer, Size); }, list))
    return {};
  QList<QByteArray> names = list.split('\0');
  names.removeAll(QByteArray());
  return names;
}

// Mode for a copy that lost the access ACL Acl. Once the list is gone, a user it named falls to the
// owning group's or the others' bits, so those keep only what every named user (and, for the others,
// every named group) was allowed, and the group's bits only what the list allowed the owning group.
mode_t WithoutAcl(const QByteArray &Acl, mode_t Mode) {
  if (Acl.size() < AclHeader || (Acl.size() - AclHeader) % AclEntry != 0 ||
      qFromLittleEndian<quint32>(Acl.constData()) != AclVersion)
    return Mode & ~mode_t(S_IRWXG | S_IRWXO); // unreadable: whom it let in is unknown
  mode_t mask = 7, owningGroup = 7, users = 7, groups = 7;
  bool named = false;
  for (qsizetype at = AclHeader; at < Acl.size(); at += AclEntry) {
    const mode_t allowed = qFromLittleEndian<quint16>(Acl.constData() + at + 2) & 7;
    switch (qFromLittleEndian<quint16>(Acl.constData() + at)) {
    case AclUser:
      users &= allowed;
      named = true;
      break;
    case AclGroupObj:
      owningGroup &= allowed;
      break;
    case AclGroup:
      groups &= allowed;
      named = true;
      break;
    case AclMask:
      mask = allowed;
      break;
    }
  }
  // The mask limits every entry but the owner's and the others'.
  const mode_t group = owningGroup & users & mask;
  const mode_t other = named ? users & groups & mask : 7;
  return (Mode & ~mode_t(S_IRWXG | S_IRWXO)) | (Mode & (group << 3)) | (Mode & other);
}

// Failures no target would have spared are left out of the loss, so a user hears only of real ones:
// the target labels its files by its own policy (security.selinux), and a process without the
// capability may set no other security.* nor trusted.* attribute anywhere. Root's are named.
bool Unavoidable(const QByteArray &Name, int Error) {
  return Name == "security.selinux" || ((Error == EPERM || Error == EACCES) &&
                                        (Name.startsWith("security.") || Name.startsWith("trusted.")));
}

} // namespace

TAttributeLoss CopyAttributes(int In, int Out, mode_t &Mode) {
  TAttributeLoss loss;
  bool aclKept = false;
  QByteArray value;
  for (const QByteArray &name : Names(In)) {
    const char *const c = name.constData();
    const bool read =
        ReadSized([&](char *Buffer, size_t Size) { return ::fgetxattr(In, c, Buffer, Size); }, value);
    if (!read && errno == ENODATA)
      continue; // removed since the listing
    if (read && ::fsetxattr(Out, c, value.constData(), size_t(value.size()), 0) == 0) {
      aclKept |= name == AccessAcl;
      continue;
    }
    const int error = errno;
    if (name == AccessAcl) {
      loss.Acl = true;
      Mode = WithoutAcl(read ? value : QByteArray(), Mode);
    } else if (name == DefaultAcl) {
      loss.Acl = true;
    } else if (!Unavoidable(name, error)) {
      loss.Others << name;
    }
  }
  // A list the copy took from its folder's default ACL would let in whom the source did not, which a
  // rename on one file system never does.
  if (!aclKept && ::fremovexattr(Out, AccessAcl) != 0 && errno != ENODATA && errno != EOPNOTSUPP)
    loss.Acl = true;
  return loss;
}

} // namespace platform
