#include "engine/CRC.h"

#include <zlib.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PAIRHOUND_CRC_FOLD 1
#endif

namespace {

// zlib complements the register on the way in and out, so its value for our register R is ~R.
quint32 ZlibUpdate(quint32 Crc, const unsigned char *Buffer, size_t Length) {
  return ~quint32(crc32_z(~Crc, Buffer, Length));
}

#ifdef PAIRHOUND_CRC_FOLD

#define PAIRHOUND_FOLD_TARGET __attribute__((target("pclmul,sse4.1")))

PAIRHOUND_FOLD_TARGET inline __m128i Load(const unsigned char *P) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i *>(P));
}

// X carried 128 bits further by the constants in K, then Data added.
PAIRHOUND_FOLD_TARGET inline __m128i Fold(__m128i X, __m128i K, __m128i Data) {
  return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(X, K, 0x11), _mm_clmulepi64_si128(X, K, 0x00)),
                       Data);
}

// The last of the folding: the four lanes x1 to x4 of the 64 bytes before Buffer, then Length more bytes
// (a multiple of 16, less than 64), down to the 32-bit register.
PAIRHOUND_FOLD_TARGET quint32 FoldTail(__m128i x1, __m128i x2, __m128i x3, __m128i x4,
                                       const unsigned char *Buffer, size_t Length) {
  alignas(16) static const quint64 k3k4[] = {0x01751997d0, 0x00ccaa009e};
  alignas(16) static const quint64 k5k0[] = {0x0163cd6124, 0x0000000000};
  alignas(16) static const quint64 poly[] = {0x01db710641, 0x01f7011641};
  __m128i k = _mm_load_si128(reinterpret_cast<const __m128i *>(k3k4));
  x1 = Fold(x1, k, x2);
  x1 = Fold(x1, k, x3);
  x1 = Fold(x1, k, x4);
  for (; Length >= 16; Buffer += 16, Length -= 16)
    x1 = Fold(x1, k, Load(Buffer));

  // 128 bits to 64.
  const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
  x2 = _mm_clmulepi64_si128(x1, k, 0x10);
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2);
  k = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(k5k0));
  x2 = _mm_srli_si128(x1, 4);
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x00), x2);

  // Barrett reduction to 32 bits.
  k = _mm_load_si128(reinterpret_cast<const __m128i *>(poly));
  x2 = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x10);
  x2 = _mm_clmulepi64_si128(_mm_and_si128(x2, low32), k, 0x00);
  x1 = _mm_xor_si128(x1, x2);
  return quint32(_mm_extract_epi32(x1, 1));
}

// Carry-less multiplication folds 64 bytes at a time (the method of Intel's "Fast CRC computation for
// generic polynomials using PCLMULQDQ"), about four times zlib's table speed on cached files.
// Length is a multiple of 16 and at least 64; Crc is the register, as is the result.
PAIRHOUND_FOLD_TARGET quint32 FoldUpdate(quint32 Crc, const unsigned char *Buffer, size_t Length) {
  // Constants x^(n) mod P, bit-reflected and shifted left by one, for n = 512 + 32 and 512 - 32: one fold
  // carries a lane 512 bits further.
  alignas(16) static const quint64 k1k2[] = {0x0154442bd4, 0x01c6e41596};
  __m128i x1 = _mm_xor_si128(Load(Buffer), _mm_cvtsi32_si128(int(Crc)));
  __m128i x2 = Load(Buffer + 16), x3 = Load(Buffer + 32), x4 = Load(Buffer + 48);
  Buffer += 64;
  Length -= 64;
  const __m128i k = _mm_load_si128(reinterpret_cast<const __m128i *>(k1k2));
  for (; Length >= 64; Buffer += 64, Length -= 64) {
    x1 = Fold(x1, k, Load(Buffer));
    x2 = Fold(x2, k, Load(Buffer + 16));
    x3 = Fold(x3, k, Load(Buffer + 32));
    x4 = Fold(x4, k, Load(Buffer + 48));
  }
  return FoldTail(x1, x2, x3, x4, Buffer, Length);
}

#define PAIRHOUND_WIDE_TARGET __attribute__((target("avx512f,avx512bw,vpclmulqdq,pclmul,sse4.1")))

PAIRHOUND_WIDE_TARGET inline __m512i Load512(const unsigned char *P) {
  return _mm512_loadu_si512(P);
}

PAIRHOUND_WIDE_TARGET inline __m512i Fold512(__m512i X, __m512i K, __m512i Data) {
  // 0x96: the exclusive-or of all three.
  return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(X, K, 0x11), _mm512_clmulepi64_epi128(X, K, 0x00),
                                   Data, 0x96);
}

// The same folding four 64-byte registers wide, 256 bytes a turn, where the processor multiplies four
// lanes at once (AVX-512 with VPCLMULQDQ): about four times FoldUpdate's speed. Length is a multiple
// of 16 and at least 256.
PAIRHOUND_WIDE_TARGET quint32 WideFoldUpdate(quint32 Crc, const unsigned char *Buffer, size_t Length) {
  // As in FoldUpdate, for 2048 bits (one turn) and 512 bits (one register), in every lane.
  const __m512i k2048 = _mm512_set_epi64(0x01322d1430, 0x011542778a, 0x01322d1430, 0x011542778a, 0x01322d1430,
                                         0x011542778a, 0x01322d1430, 0x011542778a);
  const __m512i k512 = _mm512_set_epi64(0x01c6e41596, 0x0154442bd4, 0x01c6e41596, 0x0154442bd4, 0x01c6e41596,
                                        0x0154442bd4, 0x01c6e41596, 0x0154442bd4);
  __m512i z0 = _mm512_xor_si512(Load512(Buffer), _mm512_zextsi128_si512(_mm_cvtsi32_si128(int(Crc))));
  __m512i z1 = Load512(Buffer + 64), z2 = Load512(Buffer + 128), z3 = Load512(Buffer + 192);
  Buffer += 256;
  Length -= 256;
  for (; Length >= 256; Buffer += 256, Length -= 256) {
    z0 = Fold512(z0, k2048, Load512(Buffer));
    z1 = Fold512(z1, k2048, Load512(Buffer + 64));
    z2 = Fold512(z2, k2048, Load512(Buffer + 128));
    z3 = Fold512(z3, k2048, Load512(Buffer + 192));
  }
  z0 = Fold512(z0, k512, z1);
  z0 = Fold512(z0, k512, z2);
  z0 = Fold512(z0, k512, z3);
  for (; Length >= 64; Buffer += 64, Length -= 64)
    z0 = Fold512(z0, k512, Load512(Buffer));
  // The four lanes are now what FoldUpdate holds after its loop.
  alignas(64) __m128i lanes[4];
  _mm512_store_si512(lanes, z0);
  return FoldTail(lanes[0], lanes[1], lanes[2], lanes[3], Buffer, Length);
}

bool CanFold() {
  static const bool can = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
  return can;
}

bool CanFoldWide() {
  static const bool can = CanFold() && __builtin_cpu_supports("avx512f") &&
                          __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("vpclmulqdq");
  return can;
}

#endif

TCrcPath g_limit = TCrcPath::Widest;

} // namespace

bool LimitCrcPath(TCrcPath Path) {
#ifdef PAIRHOUND_CRC_FOLD
  const bool can = Path == TCrcPath::Table || (Path == TCrcPath::Fold128 ? CanFold() : CanFoldWide());
#else
  const bool can = Path == TCrcPath::Table;
#endif
  if (can)
    g_limit = Path;
  return can;
}

quint32 UpdateCrc32(quint32 Crc, const void *Buffer, qint64 Length) {
  if (Buffer == nullptr || Length <= 0)
    return Crc;
  auto *bytes = static_cast<const unsigned char *>(Buffer);
  size_t left = size_t(Length);
#ifdef PAIRHOUND_CRC_FOLD
  if (left >= 64 && g_limit != TCrcPath::Table && CanFold()) {
    const size_t whole = left & ~size_t(15);
    const bool wide = whole >= 256 && g_limit == TCrcPath::Widest && CanFoldWide();
    Crc = wide ? WideFoldUpdate(Crc, bytes, whole) : FoldUpdate(Crc, bytes, whole);
    bytes += whole;
    left -= whole;
  }
#endif
  return left ? ZlibUpdate(Crc, bytes, left) : Crc;
}
