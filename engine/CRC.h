#pragma once
// The checksum of content search. The stored Code is the CRC-32 register after the last byte without
// the final exclusive-or, that is the bitwise complement of the standard CRC-32 (zlib, ZIP), kept as a
// signed 32-bit number.

#include <QByteArray>
#include <QtGlobal>

// Register value before the first byte.
constexpr quint32 CrcStart = 0xFFFFFFFFu;

// The register after feeding Length bytes of Buffer (reflected polynomial 0xEDB88320). No buffer or a
// length of 0 returns Crc unchanged.
quint32 UpdateCrc32(quint32 Crc, const void *Buffer, qint64 Length);

// The stored Code of a whole block of data.
inline qint32 CrcCode(const QByteArray &Data) {
  return qint32(UpdateCrc32(CrcStart, Data.constData(), Data.size()));
}

// The ways the register can be computed; all give the same result. Tests pin each one in turn so that
// every way this processor can run is checked, not only the fastest.
enum class TCrcPath { Widest, Fold128, Table };
// Limits UpdateCrc32 to Path and narrower; returns false when this processor cannot run Path.
bool LimitCrcPath(TCrcPath Path);
