#pragma once
// The one mapping between a file name's bytes and the program's text. Every name handed to the
// operating system, or taken from it, passes through these two, so the rule lives in one place.
//
// Valid UTF-8 is decoded as it stands. A byte that is not part of valid UTF-8 (a Latin-1 letter, a
// cut sequence, an overlong form, an encoded surrogate) becomes the lone surrogate U+DC00 + byte,
// which no valid UTF-8 decodes to, and encoding turns it back into that byte. So every byte string
// survives decoding and encoding unchanged, and a name that is valid UTF-8 gives its usual text.
// Qt's own file classes encode names their own way and would turn such a surrogate into other bytes:
// they get an open descriptor or bytes from here, never such a text.

#include <QByteArray>
#include <QString>

namespace platform {

QByteArray EncodeName(const QString &Name);

QString DecodeName(const QByteArray &Bytes);

// A name (or path) as text to show, the same in every list and log: a backslash as "\\", each byte
// that is not UTF-8 and each control character as "\xE9" or "\x0A", and each character that breaks
// the line or turns the text around as "\u2028". Only for showing: no name is ever read back from it.
QString ShownName(const QString &Name);

} // namespace platform
