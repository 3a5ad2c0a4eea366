#pragma once
// Reading files that may be hostile: only a regular file is opened, never through a symbolic link and
// never waiting on a FIFO or a device, and never more of it than a cap allows.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Opens Path read-only (close-on-exec) when it is a regular file and not a symbolic link; -1 otherwise.
// Size, when given, receives the file's size. The caller closes the descriptor.
int OpenRegularFile(const QString &Path, qint64 *Size = nullptr);

// The whole file behind Fd (read from its current position) when it holds at most Cap bytes. False
// when it is larger, also when it grew past Cap while being read, or on a read error.
bool ReadWhole(int Fd, qint64 Cap, QByteArray &Data);

// OpenRegularFile and ReadWhole in one.
bool ReadRegularFile(const QString &Path, qint64 Cap, QByteArray &Data);
