#pragma once
// Giving a copy its source's extended attributes, the access control list among them, so that a
// target that cannot hold the list never leaves the copy open to more people than the source was,
// and telling which attributes the target could not hold.

#include <QByteArray>
#include <QList>

#include <sys/types.h>

namespace platform {

// What a copy could not keep of its source's attributes.
struct TAttributeLoss {
  bool Acl = false;         // the access (or default) ACL could not be set
  QList<QByteArray> Others; // names of other extended attributes that could not be set
  bool Any() const { return Acl || !Others.isEmpty(); }
};

// Gives Out the extended attributes of In (ACLs among them). Mode is the permission bits the caller
// sets on Out afterwards (the source's st_mode & 07777); when the source's access ACL cannot be kept,
// Mode's group bits are narrowed to what that ACL allowed the owning group, and both group and other
// bits to what it allowed each named user or group, so the copy never grants more than the source
// did. An access ACL Out inherited from its folder is removed unless it is the source's. Returns what
// was left out.
TAttributeLoss CopyAttributes(int In, int Out, mode_t &Mode);

} // namespace platform
