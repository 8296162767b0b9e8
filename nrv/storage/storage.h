// The support library's basics: the reference-counted base of its objects, a stream
// buffer that reads a block of memory (a resource of the executable) as a stream, and the
// decompression of zlib streams (the pictures drawn for high DPI are stored compressed).
#pragma once

#include <atomic>
#include <cstdint>
#include <cstddef>
#include <streambuf>
#include <vector>

namespace nrv {

// Reference-counted base of images and input devices. The count starts at 1; whoever
// drops the last reference calls release(), which runs on_last_release and deletes.
class refrence_counter {
public:
    refrence_counter();
    virtual ~refrence_counter();
    virtual void on_last_release();

    int32_t add_ref();
    // Drops one reference; on the last one, runs on_last_release and deletes the object.
    // Returns the count that is left.
    int32_t release();
    int32_t reference_count() const;

    refrence_counter(const refrence_counter&) = delete;
    refrence_counter& operator=(const refrence_counter&) = delete;

private:
    std::atomic<int32_t> m_count;
};

namespace storage {

// Read access to a caller-owned block of memory through a std::streambuf. The get and put
// areas both span the whole block; writing past it or putting back always fails, and no
// seek can move a position outside [0, size].
class memory_streambuf : public std::streambuf {
public:
    memory_streambuf(const void* base, int32_t size);
    ~memory_streambuf() override;

    memory_streambuf(const memory_streambuf&) = delete;
    memory_streambuf& operator=(const memory_streambuf&) = delete;

protected:
    int_type overflow(int_type ch) override;
    int_type pbackfail(int_type ch) override;
    pos_type seekoff(off_type offset, std::ios_base::seekdir origin, std::ios_base::openmode which) override;
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override;

private:
    char* m_base;
    int32_t m_size;
};

// Decompresses a zlib stream (RFC 1950 around deflate, RFC 1951) into `out`. False, with
// `out` empty, for a damaged or unsupported stream, a failed check or more than `limit`
// bytes of output.
bool inflate_zlib(const void* data, size_t size, size_t limit, std::vector<uint8_t>& out);

}  // namespace storage
}  // namespace nrv
