#include "nrv/storage/storage.h"

namespace nrv {

refrence_counter::refrence_counter() {
    m_count.exchange(1);
}

refrence_counter::~refrence_counter() = default;

void refrence_counter::on_last_release() {}

int32_t refrence_counter::add_ref() {
    return ++m_count;
}

int32_t refrence_counter::release() {
    const int32_t left = --m_count;
    if (left == 0) {
        on_last_release();
        delete this;
    }
    return left;
}

int32_t refrence_counter::reference_count() const {
    return m_count.load();
}

namespace storage {

namespace {
const std::streambuf::pos_type kInvalidPosition = std::streambuf::pos_type(std::streambuf::off_type(-1));
}

memory_streambuf::memory_streambuf(const void* base, int32_t size)
    : m_base(static_cast<char*>(const_cast<void*>(base))), m_size(base && size > 0 ? size : 0) {
    // The stream only reads; the put area exists because the block is the stream's whole
    // extent in both directions, and overflow() keeps writes inside it.
    setg(m_base, m_base, m_base + m_size);
    setp(m_base, m_base + m_size);
}

memory_streambuf::~memory_streambuf() = default;

memory_streambuf::int_type memory_streambuf::overflow(int_type) {
    return traits_type::eof();
}

memory_streambuf::int_type memory_streambuf::pbackfail(int_type) {
    return traits_type::eof();
}

memory_streambuf::pos_type memory_streambuf::seekpos(pos_type position, std::ios_base::openmode which) {
    const off_type target = off_type(position);
    if (target < 0 || target >= m_size) return kInvalidPosition;
    if (which & std::ios_base::in) setg(m_base, m_base + target, m_base + m_size);
    if (which & std::ios_base::out) {
        setp(m_base, m_base + m_size);
        pbump(static_cast<int>(target));
    }
    return position;
}

memory_streambuf::pos_type memory_streambuf::seekoff(off_type offset, std::ios_base::seekdir origin,
                                                     std::ios_base::openmode which) {
    const bool in = (which & std::ios_base::in) != 0;
    const bool out = (which & std::ios_base::out) != 0;
    if (!in && !out) return kInvalidPosition;

    // The current position of each selected area must agree when both are moved from the
    // current position; the input position decides, as for a plain read stream.
    off_type reference = 0;
    if (origin == std::ios_base::cur)
        reference = in ? gptr() - m_base : pptr() - m_base;
    else if (origin == std::ios_base::end)
        reference = m_size;

    const off_type target = reference + offset;
    // Refused instead of clamped: a position outside the block would let a later read
    // or write leave it.
    if (target < 0 || target > m_size) return kInvalidPosition;
    if (in) setg(m_base, m_base + target, m_base + m_size);
    if (out) {
        setp(m_base, m_base + m_size);
        pbump(static_cast<int>(target));
    }
    return pos_type(target);
}

}  // namespace storage
}  // namespace nrv
