#include "nrv/storage/storage.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using nrv::storage::inflate_zlib;

std::vector<uint8_t> sample(const std::string& name) {
    std::ifstream file(std::string(ZLIB_SAMPLE_DIR) + "/" + name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

constexpr size_t kNoLimit = 1 << 24;

TEST(InflateZlib, ReadsEveryWayOfCompressing) {
    const std::vector<uint8_t> data = sample("data.bin");
    ASSERT_GT(data.size(), 100000u);
    for (const char* way : {"stored", "fast", "best", "fixed", "huffman", "rle"}) {
        SCOPED_TRACE(way);
        const std::vector<uint8_t> stream = sample(std::string(way) + ".z");
        std::vector<uint8_t> out;
        ASSERT_TRUE(inflate_zlib(stream.data(), stream.size(), kNoLimit, out));
        EXPECT_TRUE(out == data);
    }
    const std::vector<uint8_t> empty = sample("empty.z");
    std::vector<uint8_t> out = {1, 2};
    EXPECT_TRUE(inflate_zlib(empty.data(), empty.size(), kNoLimit, out));
    EXPECT_TRUE(out.empty());
}

TEST(InflateZlib, RefusesDamagedStreamsAndOutputBeyondTheLimit) {
    const std::vector<uint8_t> data = sample("data.bin");
    for (const char* way : {"stored", "best", "fixed"}) {
        SCOPED_TRACE(way);
        const std::vector<uint8_t> stream = sample(std::string(way) + ".z");
        std::vector<uint8_t> out;
        EXPECT_FALSE(inflate_zlib(stream.data(), stream.size() - 1, kNoLimit, out)) << "cut short";
        EXPECT_TRUE(out.empty());
        EXPECT_FALSE(inflate_zlib(stream.data(), stream.size(), data.size() - 1, out)) << "over the limit";
        EXPECT_TRUE(inflate_zlib(stream.data(), stream.size(), data.size(), out)) << "exactly the limit";

        std::vector<uint8_t> damaged = stream;
        damaged.back() ^= 1;
        EXPECT_FALSE(inflate_zlib(damaged.data(), damaged.size(), kNoLimit, out)) << "check";
        damaged = stream;
        damaged[0] = 0x79;  // method 9
        EXPECT_FALSE(inflate_zlib(damaged.data(), damaged.size(), kNoLimit, out)) << "method";
        damaged = stream;
        damaged[damaged.size() / 2] ^= 0x5A;
        EXPECT_FALSE(inflate_zlib(damaged.data(), damaged.size(), kNoLimit, out)) << "middle";
    }
    std::vector<uint8_t> out;
    EXPECT_FALSE(inflate_zlib(nullptr, 0, kNoLimit, out));

    // A stored block "abc" that is not the last, with nothing after it; and as the last
    // block with a check of 1, which is the check of no bytes at all.
    const std::vector<std::vector<uint8_t>> hand_made = {
        {0x78, 0x01, 0x00, 0x03, 0x00, 0xFC, 0xFF, 'a', 'b', 'c'},
        {0x78, 0x01, 0x01, 0x03, 0x00, 0xFC, 0xFF, 'a', 'b', 'c', 0, 0, 0, 1}};
    for (const std::vector<uint8_t>& stream : hand_made) {
        EXPECT_FALSE(inflate_zlib(stream.data(), stream.size(), kNoLimit, out)) << stream.size();
        EXPECT_TRUE(out.empty()) << stream.size();
    }
}

}  // namespace
