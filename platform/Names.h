#pragma once
// The one mapping between a file name's bytes and the program's text. Every name handed to the
// operating system, or taken from it, passes through these two, so the rule lives in one place.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace platform {

inline QByteArray EncodeName(const QString &Name) { return QFile::encodeName(Name); }

inline QString DecodeName(const QByteArray &Bytes) { return QFile::decodeName(Bytes); }

} // namespace platform
