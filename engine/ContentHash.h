#pragma once
// The proof of equal content beside the checksum: a 128-bit hash (XXH3-128) of a file's bytes, computed
// in the same read as the checksum. Two files of one size and checksum may still differ (a CRC-32
// collides by chance among enough files, and can be made to on purpose); the hash cannot be matched
// either way.

#include <QByteArray>
#include <QtGlobal>

#include <compare>
#include <memory>

struct TContentHash {
  quint64 Low = 0;
  quint64 High = 0;

  auto operator<=>(const TContentHash &) const = default;
};

// Feeds blocks of one file, then gives its hash. One object serves file after file.
class TContentHasher {
public:
  TContentHasher();
  ~TContentHasher();
  TContentHasher(const TContentHasher &) = delete;
  TContentHasher &operator=(const TContentHasher &) = delete;

  void Reset();
  void Update(const void *Buffer, qint64 Length);
  TContentHash Digest() const;

private:
  struct TState;
  std::unique_ptr<TState> m_state;
};

// The hash of a whole block of data.
TContentHash ContentHashOf(const QByteArray &Data);
