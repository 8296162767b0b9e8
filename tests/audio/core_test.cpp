#include "nrv/audio/audio.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using nrv::audio::pcm_format;
using nrv::audio::pcm_format_set;

std::string describe(const pcm_format& f) {
    return std::to_string(f.rate) + "/" + std::to_string(f.channels) + "ch/" + std::to_string(f.bits);
}

TEST(PcmFormat, KeyOrdersRateFirstThenMono8Stereo8Mono16Stereo16) {
    pcm_format_set formats = {{2, 16, 11025}, {1, 8, 22050}, {1, 16, 11025}, {2, 8, 11025}, {1, 8, 11025}};
    std::vector<std::string> order;
    for (const pcm_format& f : formats) order.push_back(describe(f));
    EXPECT_EQ(order, (std::vector<std::string>{"11025/1ch/8", "11025/2ch/8", "11025/1ch/16", "11025/2ch/16",
                                               "22050/1ch/8"}));
}

TEST(PcmFormat, CaptureMaskGivesEveryFlaggedFormatFrom11025Up) {
    pcm_format_set formats = {{1, 8, 8000}};  // emptied first
    nrv::audio::capture_formats(0xFFFFF, formats);
    ASSERT_EQ(formats.size(), 20u);
    EXPECT_EQ(describe(*formats.begin()), "11025/1ch/8");
    EXPECT_EQ(describe(*formats.rbegin()), "96000/2ch/16");

    struct Row {
        uint32_t mask;
        std::vector<std::string> formats;
    };
    const Row rows[] = {
        {0x00001, {"11025/1ch/8"}},   // 1M08
        {0x00002, {"11025/2ch/8"}},   // 1S08
        {0x00004, {"11025/1ch/16"}},  // 1M16
        {0x00008, {"11025/2ch/16"}},  // 1S16
        {0x00800, {"44100/2ch/16"}},  // 4S16
        {0x10000, {"96000/1ch/8"}},   // 96M08
        {0x80000, {"96000/2ch/16"}},  // 96S16
        {0x00000, {}},                // nothing
        {0xFFF00000, {}},             // bits beyond the five rate groups
        {0x01041, {"11025/1ch/8", "22050/1ch/16", "48000/1ch/8"}},
    };
    for (const Row& row : rows) {
        nrv::audio::capture_formats(row.mask, formats);
        std::vector<std::string> got;
        for (const pcm_format& f : formats) got.push_back(describe(f));
        EXPECT_EQ(got, row.formats) << "mask " << std::hex << row.mask;
    }
}

TEST(PcmFormat, PlaybackFormatsFollowRateLimitsAndFlags) {
    using nrv::audio::kPlayback16Bit;
    using nrv::audio::kPlayback8Bit;
    using nrv::audio::kPlaybackMono;
    using nrv::audio::kPlaybackStereo;
    const uint32_t all = kPlaybackMono | kPlaybackStereo | kPlayback8Bit | kPlayback16Bit;
    pcm_format_set formats;

    nrv::audio::playback_formats({all, 100, 200000}, formats);
    ASSERT_EQ(formats.size(), 24u);
    EXPECT_EQ(describe(*formats.begin()), "8000/1ch/8");

    struct Row {
        nrv::audio::playback_caps caps;
        size_t count;
        std::string first;
    };
    const Row rows[] = {
        {{all, 8001, 200000}, 20, "11025/1ch/8"},  // 8000 Hz below the minimum
        {{all, 11025, 11025}, 4, "11025/1ch/8"},   // limits included
        {{all, 44101, 47999}, 0, ""},              // no listed rate inside
        {{kPlaybackMono | kPlayback16Bit, 0, 200000}, 6, "8000/1ch/16"},
        {{kPlaybackStereo | kPlayback8Bit, 0, 200000}, 6, "8000/2ch/8"},
        {{kPlaybackMono | kPlaybackStereo, 0, 200000}, 0, ""},  // no depth
        {{all, 200000, 100}, 0, ""},                            // inverted limits
    };
    for (const Row& row : rows) {
        nrv::audio::playback_formats(row.caps, formats);
        EXPECT_EQ(formats.size(), row.count) << row.caps.min_rate << "-" << row.caps.max_rate;
        const std::string first = formats.empty() ? "" : describe(*formats.begin());
        EXPECT_EQ(first, row.first);
    }
}

TEST(PcmFormat, CommonFormatsOfSixteenBitPlaybackAndEightBitCaptureIsEmpty) {
    pcm_format_set playback;
    pcm_format_set capture;
    nrv::audio::playback_formats({nrv::audio::kPlaybackMono | nrv::audio::kPlayback16Bit, 0, 200000},
                                 playback);
    nrv::audio::capture_formats(0x33333, capture);  // every 8-bit format
    EXPECT_TRUE(nrv::audio::common_formats(playback, capture).empty());

    nrv::audio::playback_formats({0xF00, 0, 200000}, playback);
    nrv::audio::capture_formats(0xFFFFF, capture);
    const pcm_format_set both = nrv::audio::common_formats(playback, capture);
    EXPECT_EQ(both.size(), 20u);
    EXPECT_EQ(describe(*both.begin()), "11025/1ch/8");  // capture offers no 8000 Hz
}

TEST(Blocks, QuartersStartOnWholeFrames) {
    struct Row {
        uint32_t buffer_bytes;
        uint32_t frame;
        uint32_t quarter;
    };
    const Row rows[] = {
        {11025, 1, 2756},    // 11025 Hz mono 8-bit
        {22050, 2, 5512},    // 11025 Hz mono 16-bit
        {44100, 4, 11024},   // 11025 Hz stereo 16-bit: 11025 would split a frame
        {44100, 2, 11024},   // 22050 Hz mono 16-bit
        {88200, 4, 22048},   // 22050 Hz stereo 16-bit
        {176400, 4, 44100},  // 44100 Hz stereo 16-bit
        {3, 1, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(nrv::audio::quarter_block_bytes(row.buffer_bytes, row.frame), row.quarter)
            << row.buffer_bytes;

    EXPECT_EQ(nrv::audio::notification_offsets(2756), (std::array<uint32_t, 4>{0, 2756, 5512, 8268}));
}

TEST(Blocks, NextBlockFollowsTheQuarterOfTheWriteCursor) {
    struct Row {
        uint32_t cursor;
        uint32_t next;
    };
    const Row rows[] = {
        {0, 2756},    {2755, 2756}, {2756, 5512}, {5511, 5512}, {5512, 8268},
        {8267, 8268}, {8268, 0},    {11023, 0},   {11024, 0},  // the byte past the fourth block belongs to it
    };
    for (const Row& row : rows)
        EXPECT_EQ(nrv::audio::next_block_offset(row.cursor, 2756), row.next) << row.cursor;
    EXPECT_EQ(nrv::audio::next_block_offset(100, 0), 0u);
}

TEST(SampleRing, AFullRingDropsTheNewestBytes) {
    nrv::audio::sample_ring ring;
    ASSERT_TRUE(ring.allocate(11025));
    std::vector<uint8_t> old_bytes(11000, 1);
    ASSERT_EQ(ring.put(old_bytes.data(), 11000), 11000u);

    std::vector<uint8_t> put(100);
    for (size_t i = 0; i < put.size(); ++i) put[i] = static_cast<uint8_t>(100 + i);
    EXPECT_EQ(ring.put(put.data(), 100), 25u);
    EXPECT_EQ(ring.fill_level(), 11025u);
    EXPECT_EQ(ring.put(put.data(), 1), 0u);

    std::vector<uint8_t> out(20000);
    ASSERT_EQ(ring.take(out.data(), 20000), 11025u);
    EXPECT_EQ(out[10999], 1);
    EXPECT_EQ(out[11000], 100);
    EXPECT_EQ(out[11024], 124);  // the 25 oldest of the put, nothing of its tail
    EXPECT_EQ(ring.fill_level(), 0u);
}

TEST(SampleRing, BytesComeOutInOrderAcrossTheWrap) {
    nrv::audio::sample_ring ring;
    ASSERT_TRUE(ring.allocate(10));
    uint8_t counter = 0;
    uint8_t expected = 0;
    // Uneven put and take sizes make both counts pass the end of the block many times.
    for (int round = 0; round < 50; ++round) {
        uint8_t chunk[7];
        for (uint8_t& b : chunk) b = counter++;
        const uint32_t taken_in = ring.put(chunk, 1 + round % 7);
        counter = static_cast<uint8_t>(counter - 7 + taken_in);
        uint8_t out[6];
        const uint32_t given = ring.take(out, 1 + round % 6);
        for (uint32_t i = 0; i < given; ++i) ASSERT_EQ(out[i], expected++) << "round " << round;
        ASSERT_LE(ring.fill_level(), ring.capacity());
    }
}

TEST(SampleRing, ClosedOrEmptyRingIsHarmless) {
    nrv::audio::sample_ring ring;
    uint8_t byte = 7;
    EXPECT_EQ(ring.put(&byte, 1), 0u);
    EXPECT_EQ(ring.take(&byte, 1), 0u);
    EXPECT_FALSE(ring.allocate(0));
    ASSERT_TRUE(ring.allocate(4));
    EXPECT_EQ(ring.take(&byte, 1), 0u);
    EXPECT_EQ(ring.put(nullptr, 1), 0u);
    ring.release();
    EXPECT_EQ(ring.capacity(), 0u);
    EXPECT_EQ(ring.put(&byte, 1), 0u);
}

// A playback device over a plain buffer of four blocks, as the tests steer it.
class FakeOutput : public nrv::audio::pcm_output_device {
public:
    explicit FakeOutput(uint32_t block) : bytes(4 * block, 0), block_bytes(block) {}

    void* lock_block(uint32_t* size) override {
        if (fail_lock || locked) return nullptr;
        locked = true;
        *size = block_bytes;
        return bytes.data() + next_block;
    }
    bool unlock_block(void* address) override {
        const bool own = locked && address == bytes.data() + next_block;
        locked = false;
        ++unlocks;
        return own;
    }
    uint64_t get_block_position() override { return block_position; }
    bool set_block_position(uint64_t position) override {
        block_position = position;
        return true;
    }

    std::vector<uint8_t> bytes;
    uint32_t block_bytes;
    uint32_t next_block = 0;
    uint64_t block_position = 0;
    bool locked = false;
    bool fail_lock = false;
    int unlocks = 0;
};

TEST(PcmOutputWrite, WritesAtMostTheRestOfTheBlock) {
    FakeOutput output(100);
    std::vector<uint8_t> data(250);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);

    EXPECT_EQ(output.write(data.data(), 60), 60u);
    EXPECT_EQ(output.write(data.data() + 60, 190), 40u);  // only what is left of the block
    EXPECT_EQ(output.write(data.data(), 10), 0u);         // the block is full
    EXPECT_EQ(output.write_position(), 100u);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(output.bytes[i], i);
    EXPECT_EQ(output.unlocks, 3);
    EXPECT_FALSE(output.locked);
}

TEST(PcmOutputWrite, AStalledPositionCatchesUpWithTheCurrentBlock) {
    FakeOutput output(100);
    uint8_t data[150];
    std::memset(data, 0xAB, sizeof data);
    ASSERT_EQ(output.write(data, 30), 30u);  // position 30 in block 0

    // The hardware moved on three blocks; the writer's position is far behind.
    output.block_position = 300;
    output.next_block = 200;
    EXPECT_EQ(output.write(data, 150), 100u);
    EXPECT_EQ(output.write_position(), 400u);
    EXPECT_EQ(output.bytes[200], 0xAB);
    EXPECT_EQ(output.bytes[299], 0xAB);
    EXPECT_EQ(output.bytes[199], 0);

    // A position ahead of the block (the block position was set back) restarts too.
    output.block_position = 100;
    output.next_block = 0;
    EXPECT_EQ(output.write(data, 10), 10u);
    EXPECT_EQ(output.write_position(), 110u);
}

TEST(PcmOutputWrite, NothingIsWrittenWithoutABlock) {
    FakeOutput output(100);
    output.fail_lock = true;
    uint8_t data[4] = {};
    EXPECT_EQ(output.write(data, 4), 0u);
    EXPECT_EQ(output.unlocks, 0);
    output.fail_lock = false;
    EXPECT_EQ(output.write(nullptr, 4), 0u);
    EXPECT_EQ(output.unlocks, 1);
}

// Devices that offer given formats and refuse to open some of them; they log every call.
class ScriptedInput : public nrv::audio::pcm_input_device {
public:
    bool enum_formats(pcm_format_set& formats) override {
        formats = offered;
        return true;
    }
    bool open(uint32_t channels, uint32_t rate, uint32_t bits) override {
        log->push_back("in.open " + describe({channels, bits, rate}));
        return refused.count({channels, bits, rate}) == 0;
    }
    bool close() override {
        log->push_back("in.close");
        return true;
    }
    uint32_t read(void* buffer, uint32_t size) override {
        if (chunks.empty()) return 0;
        const uint32_t n = std::min<uint32_t>(size, static_cast<uint32_t>(chunks.front().size()));
        std::memcpy(buffer, chunks.front().data(), n);
        chunks.erase(chunks.begin());
        return n;
    }
    pcm_format_set offered;
    pcm_format_set refused;
    std::vector<std::string>* log = nullptr;
    std::vector<std::vector<uint8_t>> chunks;
};

class ScriptedOutput : public FakeOutput {
public:
    ScriptedOutput() : FakeOutput(1000) {}
    bool enum_formats(pcm_format_set& formats) override {
        formats = offered;
        return true;
    }
    bool open(uint32_t channels, uint32_t rate, uint32_t bits) override {
        log->push_back("out.open " + describe({channels, bits, rate}));
        return refused.count({channels, bits, rate}) == 0;
    }
    bool close() override {
        log->push_back("out.close");
        return true;
    }
    pcm_format_set offered;
    pcm_format_set refused;
    std::vector<std::string>* log = nullptr;
};

TEST(OpenCommonFormat, TriesCommonFormatsLowestFirstAndClosesBothAfterAFailure) {
    std::vector<std::string> log;
    ScriptedOutput output;
    ScriptedInput input;
    output.log = input.log = &log;
    output.offered = {{1, 8, 8000}, {1, 8, 11025}, {2, 8, 11025}, {1, 16, 22050}};
    input.offered = {{1, 8, 11025}, {2, 8, 11025}, {1, 16, 22050}, {2, 16, 22050}};
    input.refused = {{1, 8, 11025}};   // playback opens it, capture does not
    output.refused = {{2, 8, 11025}};  // playback refuses it

    pcm_format chosen = {};
    ASSERT_TRUE(nrv::audio::open_common_format(output, input, &chosen));
    EXPECT_EQ(describe(chosen), "22050/1ch/16");
    EXPECT_EQ(log, (std::vector<std::string>{"out.open 11025/1ch/8", "in.open 11025/1ch/8", "out.close",
                                             "in.close", "out.open 11025/2ch/8", "out.close", "in.close",
                                             "out.open 22050/1ch/16", "in.open 22050/1ch/16"}));
}

TEST(OpenCommonFormat, FailsWithoutACommonFormat) {
    std::vector<std::string> log;
    ScriptedOutput output;
    ScriptedInput input;
    output.log = input.log = &log;
    output.offered = {{1, 16, 11025}};
    input.offered = {{1, 8, 11025}};
    EXPECT_FALSE(nrv::audio::open_common_format(output, input, nullptr));
    EXPECT_TRUE(log.empty());
}

TEST(Pump, MovesEveryCapturedChunkAndDropsWhatTheBlockCannotTake) {
    ScriptedOutput output;  // blocks of 1000 bytes
    ScriptedInput input;
    input.chunks = {std::vector<uint8_t>(600, 1), std::vector<uint8_t>(600, 2), std::vector<uint8_t>(10, 3)};
    nrv::audio::pump_capture_to_playback(input, output);
    EXPECT_TRUE(input.chunks.empty());
    EXPECT_EQ(output.write_position(), 1000u);
    EXPECT_EQ(output.bytes[599], 1);
    EXPECT_EQ(output.bytes[600], 2);
    EXPECT_EQ(output.bytes[999], 2);
    EXPECT_EQ(output.bytes[1000], 0);
}

}  // namespace
