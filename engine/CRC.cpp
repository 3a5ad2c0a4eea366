#include "engine/CRC.h"

#include <zlib.h>

// zlib complements the register on the way in and out, so its value for our register R is ~R.
quint32 UpdateCrc32(quint32 Crc, const void *Buffer, qint64 Length) {
  if (Buffer == nullptr || Length <= 0)
    return Crc;
  return ~quint32(crc32_z(~Crc, static_cast<const Bytef *>(Buffer), size_t(Length)));
}
