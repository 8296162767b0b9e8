// The DirectSound devices for real: the default voice devices of the sound server. Where
// no device opens (no sound server), the tests skip.
#include "nrv/audio/audio.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

using nrv::audio::pcm_format;
using nrv::audio::pcm_format_set;

// A plain window to own the playback device's cooperative level.
class OwnerWindow {
public:
    OwnerWindow() {
        m_hwnd = CreateWindowExW(0, L"STATIC", L"voice devices", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    }
    ~OwnerWindow() {
        if (m_hwnd) DestroyWindow(m_hwnd);
    }
    HWND get() const { return m_hwnd; }

private:
    HWND m_hwnd = nullptr;
};

// A square wave at 1/32 of the rate, loud and far from the 8-bit silence of 0x80.
std::vector<uint8_t> square_wave(size_t size) {
    std::vector<uint8_t> wave(size);
    for (size_t i = 0; i < size; ++i) wave[i] = (i / 16) % 2 ? 0x20 : 0xE0;
    return wave;
}

TEST(VoiceDevices, NegotiateLowRateMonoAndCarryPlaybackToCapture) {
    OwnerWindow owner;
    nrv::audio::pcm_output_device_dx8 output(owner.get());
    nrv::audio::pcm_input_device_dx8 input;
    pcm_format_set playable;
    pcm_format_set recordable;
    if (!output.enum_formats(playable) || !input.enum_formats(recordable))
        GTEST_SKIP() << "no default voice playback or capture device (is a sound server running?)";

    pcm_format chosen = {};
    if (!nrv::audio::open_common_format(output, input, &chosen))
        GTEST_SKIP() << "the voice devices offer no format both can open";
    EXPECT_EQ(chosen.rate, 11025u);
    EXPECT_EQ(chosen.channels, 1u);
    EXPECT_EQ(chosen.bits, 8u);

    ASSERT_TRUE(output.start());
    ASSERT_TRUE(input.start());
    const std::vector<uint8_t> wave = square_wave(4096);
    std::vector<uint8_t> captured(4096);
    int loudest = 0;
    size_t captured_bytes = 0;
    // The sound server's null sink hands what is played to its monitor, which is the
    // default capture source: the wave comes back after some latency.
    for (int tick = 0; tick < 200 && loudest < 64; ++tick) {
        output.write(wave.data(), static_cast<uint32_t>(wave.size()));
        for (uint32_t n; (n = input.read(captured.data(), static_cast<uint32_t>(captured.size()))) != 0;) {
            captured_bytes += n;
            for (uint32_t i = 0; i < n; ++i) loudest = std::max(loudest, std::abs(int(captured[i]) - 0x80));
        }
        Sleep(20);
    }
    EXPECT_GT(captured_bytes, 0u);
    EXPECT_GE(loudest, 64) << "the played wave never reached the capture side";

    EXPECT_TRUE(input.stop());
    EXPECT_TRUE(output.stop());
    EXPECT_TRUE(input.close());
    EXPECT_TRUE(output.close());
    // Closed devices open again.
    EXPECT_TRUE(output.open(chosen.channels, chosen.rate, chosen.bits));
    EXPECT_TRUE(input.open(chosen.channels, chosen.rate, chosen.bits));
}

}  // namespace
