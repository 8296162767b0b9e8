#include "probe/probe.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

HardwareInfo machine(float vertex, float pixel, uint32_t decl_types, int32_t memory_bytes) {
    HardwareInfo info;
    info.vertex_shader_version = vertex;
    info.pixel_shader_version = pixel;
    info.DeclTypes = decl_types;
    info.video_memory_bytes = memory_bytes;
    return info;
}

TEST(ShaderLevel, ComparesTheSmallerVersionExactly) {
    struct Case {
        float vertex, pixel;
        int level;
    } cases[] = {
        {0.0f, 3.0f, 0}, {0.9f, 1.0f, 0}, {1.0f, 1.0f, 1}, {1.1f, 3.0f, 2}, {1.4f, 1.4f, 2}, {2.0f, 3.0f, 3},
        {3.0f, 2.0f, 3}, {2.1f, 3.0f, 4}, {2.0f, 2.1f, 3}, {3.0f, 3.0f, 5}, {3.1f, 4.0f, 5}, {-1.0f, 3.0f, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shader_level(machine(c.vertex, c.pixel, 1, 0)), c.level) << c.vertex << " / " << c.pixel;
}

TEST(ShaderVersion, SplitsTheVersionWord) {
    EXPECT_EQ(shader_version(0x0101), 1.1f);
    EXPECT_EQ(shader_version(0x0200), 2.0f);
    EXPECT_EQ(shader_version(0x0300), 3.0f);
    EXPECT_EQ(shader_version(0xFFFE0300), 3.0f);  // a vertex shader token keeps its high bits
    EXPECT_EQ(shader_version(0xFFFF0104), 1.4f);
    EXPECT_EQ(shader_level(machine(shader_version(0x0101), shader_version(0x0101), 1, 0)), 2);
}

TEST(VideoMemory, SumsTheDriverAndTheDesktopWithoutWrapping) {
    struct Case {
        uint32_t driver;
        int32_t bpp, width, height;
        int32_t bytes;
    } cases[] = {
        {120000000u, 32, 1280, 1024, 130485760},
        {120000000u, 16, 1280, 1024, 125242880},
        {120000000u, 15, 1280, 1024, 123932160},  // 15 / 4 is 3 bytes a pixel
        {0u, 24, 800, 600, 2880000},
        {0xFFB00000u, 24, 1280, 1024, INT_MAX},  // what DirectDraw reports under Wine
        {0x7FFFFFFFu, 32, 1, 1, INT_MAX},
        {0u, 32, 0, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(estimated_video_memory(c.driver, c.bpp, c.width, c.height), c.bytes) << c.driver;
}

TEST(Tiers, FollowShadersUByte4AndMemory) {
    constexpr uint32_t ubyte4 = 0x1;
    struct Case {
        const char* what;
        HardwareInfo info;
        bool runs[3];
        int highest;
    } cases[] = {
        {"nothing measured", machine(0, 0, 0, 0), {false, false, false}, 0},
        {"high machine", machine(3, 3, 0x30F, 256000000), {true, true, true}, 2},
        {"vs 3.0 ps 2.0", machine(3, 2, ubyte4, 512000000), {true, true, false}, 1},
        {"shaders 1.0", machine(1, 1, 0, 64000000), {true, false, false}, 0},
        {"127 units", machine(3, 3, ubyte4, 127999999), {true, false, false}, 0},
        {"no UBYTE4", machine(3, 3, 0x30E, 512000000), {true, false, false}, 0},
        {"63,999,999 bytes", machine(3, 3, ubyte4, 63999999), {false, false, false}, 0},
        {"255 units", machine(3, 3, ubyte4, 255999999), {true, true, false}, 1},
        {"negative memory", machine(3, 3, ubyte4, -1), {false, false, false}, 0},
    };
    for (const Case& c : cases) {
        for (int tier = 0; tier < 3; ++tier)
            EXPECT_EQ(can_run_tier(c.info, tier), c.runs[tier]) << c.what << ", tier " << tier;
        EXPECT_EQ(highest_runnable_tier(c.info), c.highest) << c.what;
        EXPECT_FALSE(can_run_tier(c.info, -1)) << c.what;
        EXPECT_FALSE(can_run_tier(c.info, 3)) << c.what;
    }
}

TEST(Tiers, MemoryUnitsTruncate) {
    EXPECT_EQ(video_memory_mb(machine(0, 0, 0, 63999999)), 63);
    EXPECT_EQ(video_memory_mb(machine(0, 0, 0, INT_MAX)), 2147);
    EXPECT_EQ(video_memory_mb(machine(0, 0, 0, -1999999)), -1);
}

TEST(MaxResolution, PicksTheLimitByTierAndMemory) {
    struct Case {
        int tier, memory_mb;
        int32_t width, height;
    } cases[] = {
        {0, 127, 720, 480},   {0, 128, 1280, 720},  {0, -5, 720, 480},    {1, 255, 1280, 720},
        {1, 256, 1920, 1200}, {1, 300, 1920, 1200}, {2, 300, 1280, 720},  {2, 511, 1280, 720},
        {2, 512, 1920, 1200}, {3, 4096, 720, 480},  {-1, 4096, 720, 480},
    };
    for (const Case& c : cases) {
        const Resolution limit = max_resolution_for(c.tier, c.memory_mb);
        EXPECT_EQ(limit.width, c.width) << c.tier << " / " << c.memory_mb;
        EXPECT_EQ(limit.height, c.height) << c.tier << " / " << c.memory_mb;
    }
}

TEST(ResolutionSet, OrdersByWidthThenHeightAndIgnoresDuplicates) {
    ResolutionSet set = {{1280, 1024}, {1280, 720}, {640, 480}, {1280, 720}, {65535, 0}, {-1, 7}};
    std::vector<std::pair<int32_t, int32_t>> order;
    for (const Resolution& r : set) order.emplace_back(r.width, r.height);
    EXPECT_EQ(order, (std::vector<std::pair<int32_t, int32_t>>{
                         {-1, 7}, {640, 480}, {1280, 720}, {1280, 1024}, {65535, 0}}));

    // The key weighs width by 65535, not 65536, and is formed without overflow: a height
    // of 65535 ties with the next width, and widths far beyond 32767 still order.
    struct Case {
        Resolution a, b;
        bool a_first, b_first;
    };
    const Case cases[] = {
        {{1, 65535}, {2, 0}, false, false},  // equal keys: one entry of a set
        {{1, 65536}, {2, 0}, false, true},
        {{30000, 1}, {40000, 1}, true, false},
        {{INT_MAX - 1, INT_MAX}, {INT_MAX, 0}, false, true},
        {{-1, 0}, {0, -70000}, false, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ModeKeyLess()(c.a, c.b), c.a_first) << c.a.width << "x" << c.a.height;
        EXPECT_EQ(ModeKeyLess()(c.b, c.a), c.b_first) << c.a.width << "x" << c.a.height;
    }

    // The table is in ascending key order already.
    for (int i = 1; i < kResolutionTableSize; ++i)
        EXPECT_LT(mode_key(resolution_table[i - 1]), mode_key(resolution_table[i])) << i;
}

}  // namespace
