// Decompressing a zlib stream (deflate with the zlib header and Adler-32 check), as
// Python's zlib module writes them for the pictures drawn at build time.
#include "nrv/storage/storage.h"

namespace nrv {
namespace storage {

namespace {

constexpr int kMaxCodeLength = 15;
constexpr int kLiteralCodes = 288;
constexpr int kDistanceCodes = 30;
constexpr int kEndOfBlock = 256;

// Bits from least significant up, bytes in order, as deflate packs them.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    // The next `count` bits (at most 16); 0 and failed() once the data runs out.
    uint32_t bits(int count) {
        while (m_held < count) {
            if (m_next >= m_size) {
                m_failed = true;
                return 0;
            }
            m_buffer |= uint32_t{m_data[m_next++]} << m_held;
            m_held += 8;
        }
        const uint32_t value = m_buffer & ((1u << count) - 1);
        m_buffer >>= count;
        m_held -= count;
        return value;
    }
    // Drops the bits left in the current byte.
    void align() {
        m_buffer = 0;
        m_held = 0;
    }
    bool byte(uint8_t& value) {
        if (m_next >= m_size) return false;
        value = m_data[m_next++];
        return true;
    }
    bool failed() const { return m_failed; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_next = 0;
    uint32_t m_buffer = 0;
    int m_held = 0;
    bool m_failed = false;
};

// A canonical Huffman code: how many codes each length has, and the symbols in code order.
struct Huffman {
    int16_t count[kMaxCodeLength + 1];
    int16_t symbol[kLiteralCodes];
};

enum class CodeShape { Complete, Incomplete, Invalid };

CodeShape build(Huffman& code, const uint8_t* lengths, int symbols) {
    for (int16_t& count : code.count) count = 0;
    for (int s = 0; s < symbols; ++s) ++code.count[lengths[s]];
    if (code.count[0] == symbols) return CodeShape::Incomplete;
    int left = 1;
    for (int length = 1; length <= kMaxCodeLength; ++length) {
        left = left * 2 - code.count[length];
        if (left < 0) return CodeShape::Invalid;
    }
    int16_t offsets[kMaxCodeLength + 1] = {};
    for (int length = 1; length < kMaxCodeLength; ++length)
        offsets[length + 1] = static_cast<int16_t>(offsets[length] + code.count[length]);
    for (int s = 0; s < symbols; ++s) {
        if (lengths[s] != 0) code.symbol[offsets[lengths[s]]++] = static_cast<int16_t>(s);
    }
    return left == 0 ? CodeShape::Complete : CodeShape::Incomplete;
}

// The next symbol, or -1 for a code the table does not have or data that ran out.
int decode(BitReader& in, const Huffman& code) {
    int bits = 0;
    int first = 0;
    int index = 0;
    for (int length = 1; length <= kMaxCodeLength; ++length) {
        bits |= static_cast<int>(in.bits(1));
        if (in.failed()) return -1;
        const int count = code.count[length];
        if (bits - first < count) return code.symbol[index + bits - first];
        index += count;
        first = (first + count) * 2;
        bits *= 2;
    }
    return -1;
}

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistanceBase[kDistanceCodes] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistanceExtra[kDistanceCodes] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

bool inflate_codes(BitReader& in, const Huffman& literals, const Huffman& distances,
                   std::vector<uint8_t>& out, size_t limit) {
    for (;;) {
        int symbol = decode(in, literals);
        if (symbol < 0) return false;
        if (symbol < kEndOfBlock) {
            if (out.size() >= limit) return false;
            out.push_back(static_cast<uint8_t>(symbol));
            continue;
        }
        if (symbol == kEndOfBlock) return true;
        symbol -= kEndOfBlock + 1;
        if (symbol >= 29) return false;
        const size_t length = kLengthBase[symbol] + in.bits(kLengthExtra[symbol]);
        const int distance_symbol = decode(in, distances);
        if (distance_symbol < 0 || distance_symbol >= kDistanceCodes) return false;
        const size_t distance = kDistanceBase[distance_symbol] + in.bits(kDistanceExtra[distance_symbol]);
        if (in.failed() || distance > out.size() || length > limit - out.size()) return false;
        for (size_t n = 0; n < length; ++n) out.push_back(out[out.size() - distance]);
    }
}

bool inflate_stored(BitReader& in, std::vector<uint8_t>& out, size_t limit) {
    in.align();
    uint8_t bytes[4];
    for (uint8_t& b : bytes) {
        if (!in.byte(b)) return false;
    }
    const unsigned length = bytes[0] | bytes[1] << 8;
    const unsigned complement = bytes[2] | bytes[3] << 8;
    if (length != (~complement & 0xFFFFu) || length > limit - out.size()) return false;
    for (unsigned n = 0; n < length; ++n) {
        uint8_t b;
        if (!in.byte(b)) return false;
        out.push_back(b);
    }
    return true;
}

bool inflate_fixed(BitReader& in, std::vector<uint8_t>& out, size_t limit) {
    uint8_t lengths[kLiteralCodes];
    for (int s = 0; s < kLiteralCodes; ++s) lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
    Huffman literals;
    build(literals, lengths, kLiteralCodes);
    for (int s = 0; s < kDistanceCodes; ++s) lengths[s] = 5;
    Huffman distances;
    build(distances, lengths, kDistanceCodes);
    return inflate_codes(in, literals, distances, out, limit);
}

bool inflate_dynamic(BitReader& in, std::vector<uint8_t>& out, size_t limit) {
    static constexpr uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    const int literal_count = static_cast<int>(in.bits(5)) + 257;
    const int distance_count = static_cast<int>(in.bits(5)) + 1;
    const int length_count = static_cast<int>(in.bits(4)) + 4;
    if (in.failed() || literal_count > 286 || distance_count > kDistanceCodes) return false;

    uint8_t lengths[kLiteralCodes + kDistanceCodes] = {};
    for (int n = 0; n < length_count; ++n) lengths[kOrder[n]] = static_cast<uint8_t>(in.bits(3));
    Huffman length_code;
    if (in.failed() || build(length_code, lengths, 19) != CodeShape::Complete) return false;

    const int total = literal_count + distance_count;
    for (int n = 0; n < total;) {
        const int symbol = decode(in, length_code);
        if (symbol < 0) return false;
        if (symbol < 16) {
            lengths[n++] = static_cast<uint8_t>(symbol);
            continue;
        }
        uint8_t repeated = 0;
        int times = 0;
        if (symbol == 16) {
            if (n == 0) return false;
            repeated = lengths[n - 1];
            times = 3 + static_cast<int>(in.bits(2));
        } else {
            times = symbol == 17 ? 3 + static_cast<int>(in.bits(3)) : 11 + static_cast<int>(in.bits(7));
        }
        if (in.failed() || n + times > total) return false;
        while (times-- > 0) lengths[n++] = repeated;
    }
    if (lengths[kEndOfBlock] == 0) return false;

    // An incomplete code is only allowed with a single code of length 1.
    Huffman literals;
    const CodeShape literal_shape = build(literals, lengths, literal_count);
    if (literal_shape == CodeShape::Invalid ||
        (literal_shape == CodeShape::Incomplete && literal_count - literals.count[0] != 1))
        return false;
    Huffman distances;
    const CodeShape distance_shape = build(distances, lengths + literal_count, distance_count);
    if (distance_shape == CodeShape::Invalid ||
        (distance_shape == CodeShape::Incomplete && distance_count - distances.count[0] != 1))
        return false;
    return inflate_codes(in, literals, distances, out, limit);
}

uint32_t adler32(const std::vector<uint8_t>& bytes) {
    uint32_t a = 1;
    uint32_t b = 0;
    for (uint8_t byte : bytes) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

// The stream's blocks into `out`, then its check; false as soon as anything is wrong,
// with whatever was already written left in `out`.
bool inflate_checked(const uint8_t* bytes, size_t size, size_t limit, std::vector<uint8_t>& out) {
    // Deflate (method 8) with a window of at most 32 KiB, no preset dictionary.
    if (!bytes || size < 6 || (bytes[0] & 0x0F) != 8 || (bytes[0] >> 4) > 7 || (bytes[1] & 0x20) ||
        (bytes[0] * 256 + bytes[1]) % 31 != 0)
        return false;
    BitReader in(bytes + 2, size - 2);
    for (bool last = false; !last;) {
        last = in.bits(1) == 1;
        const uint32_t type = in.bits(2);
        if (in.failed()) return false;
        bool done = false;
        if (type == 0) done = inflate_stored(in, out, limit);
        if (type == 1) done = inflate_fixed(in, out, limit);
        if (type == 2) done = inflate_dynamic(in, out, limit);
        if (!done) return false;
    }
    in.align();
    uint32_t check = 0;
    for (int n = 0; n < 4; ++n) {
        uint8_t b;
        if (!in.byte(b)) return false;
        check = check << 8 | b;
    }
    return check == adler32(out);
}

}  // namespace

bool inflate_zlib(const void* data, size_t size, size_t limit, std::vector<uint8_t>& out) {
    out.clear();
    if (inflate_checked(static_cast<const uint8_t*>(data), size, limit, out)) return true;
    out.clear();
    return false;
}

}  // namespace storage
}  // namespace nrv
