#include "engine/ContentHash.h"

#include <new>

#include <xxhash.h>
#if defined(__x86_64__) || defined(__i386__)
// The library picks the widest vector unit of this processor at run time.
#include <xxh_x86dispatch.h>
#endif

struct TContentHasher::TState {
  XXH3_state_t *m_xxh = XXH3_createState();
  ~TState() { XXH3_freeState(m_xxh); }
};

TContentHasher::TContentHasher() : m_state(std::make_unique<TState>()) {
  if (!m_state->m_xxh)
    throw std::bad_alloc();
  Reset();
}

TContentHasher::~TContentHasher() = default;

void TContentHasher::Reset() {
  XXH3_128bits_reset(m_state->m_xxh);
}

void TContentHasher::Update(const void *Buffer, qint64 Length) {
  if (Buffer && Length > 0)
    XXH3_128bits_update(m_state->m_xxh, Buffer, size_t(Length));
}

TContentHash TContentHasher::Digest() const {
  const XXH128_hash_t h = XXH3_128bits_digest(m_state->m_xxh);
  return {h.low64, h.high64};
}

TContentHash ContentHashOf(const QByteArray &Data) {
  TContentHasher hasher;
  hasher.Update(Data.constData(), Data.size());
  return hasher.Digest();
}
