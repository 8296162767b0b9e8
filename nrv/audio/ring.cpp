#include "nrv/audio/audio.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace nrv {
namespace audio {

bool sample_ring::allocate(uint32_t capacity) {
    release();
    if (capacity == 0) return false;
    m_bytes.reset(new (std::nothrow) uint8_t[capacity]);
    if (!m_bytes) return false;
    m_capacity = capacity;
    return true;
}

void sample_ring::release() {
    m_bytes.reset();
    m_capacity = 0;
    m_writeCount = 0;
    m_readCount = 0;
}

uint32_t sample_ring::put(const void* data, uint32_t size) {
    if (!m_bytes || !data) return 0;
    const uint32_t count = std::min(size, m_capacity - fill_level());
    const uint32_t start = m_writeCount % m_capacity;
    const uint32_t first = std::min(count, m_capacity - start);
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::memcpy(m_bytes.get() + start, bytes, first);
    std::memcpy(m_bytes.get(), bytes + first, count - first);
    m_writeCount += count;
    return count;
}

uint32_t sample_ring::take(void* out, uint32_t size) {
    if (!m_bytes || !out) return 0;
    const uint32_t count = std::min(size, fill_level());
    const uint32_t first = std::min(count, m_capacity - m_readCount);
    auto* bytes = static_cast<uint8_t*>(out);
    std::memcpy(bytes, m_bytes.get() + m_readCount, first);
    std::memcpy(bytes + first, m_bytes.get(), count - first);
    m_readCount += count;
    if (m_readCount >= m_capacity) {
        m_readCount -= m_capacity;
        m_writeCount -= m_capacity;
    }
    return count;
}

}  // namespace audio
}  // namespace nrv
