// The DirectSound devices against fake DirectSound objects.
#include "fake_dsound.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using nrv::audio::pcm_format_set;
using nrv::audio::pcm_input_device_dx8;
using nrv::audio::pcm_output_device_dx8;

constexpr DWORD kAllPlaybackFlags =
    DSCAPS_SECONDARYMONO | DSCAPS_SECONDARYSTEREO | DSCAPS_SECONDARY8BIT | DSCAPS_SECONDARY16BIT;

FakeSound* make_sound() {
    auto* sound = new FakeSound;
    sound->caps.dwFlags = kAllPlaybackFlags;
    sound->caps.dwMinSecondarySampleRate = 100;
    sound->caps.dwMaxSecondarySampleRate = 200000;
    return sound;
}

FakeCapture* make_capture() {
    auto* capture = new FakeCapture;
    capture->caps.dwFormats = 0xFFFFF;
    capture->caps.dwChannels = 2;
    return capture;
}

// Signals the device's notification event and waits until its worker ran on_notify.
template <class Buffer>
bool notify_and_wait(Buffer& buffer) {
    const int before = buffer.position_queries;
    buffer.notify.signal();
    return wait_for([&] { return buffer.position_queries > before; });
}

TEST(PlaybackDx8, EnumeratesTheSecondaryBufferFormatsOfTheCaps) {
    std::unique_ptr<FakeSound> sound(make_sound());
    sound->caps.dwMinSecondarySampleRate = 8000;
    sound->caps.dwMaxSecondarySampleRate = 48000;
    sound->AddRef();
    pcm_output_device_dx8 device(sound.get(), reinterpret_cast<HWND>(0x1234));
    EXPECT_EQ(sound->cooperative_window, reinterpret_cast<HWND>(0x1234));
    EXPECT_EQ(sound->cooperative_level, static_cast<DWORD>(DSSCL_NORMAL));

    pcm_format_set formats;
    ASSERT_TRUE(device.enum_formats(formats));
    ASSERT_EQ(formats.size(), 20u);
    EXPECT_EQ(formats.begin()->rate, 8000u);
    EXPECT_EQ(formats.begin()->channels, 1u);
    EXPECT_EQ(formats.begin()->bits, 8u);
    EXPECT_EQ(formats.rbegin()->rate, 48000u);
}

TEST(PlaybackDx8, ARefusedCooperativeLevelLeavesADeviceWithoutSound) {
    std::unique_ptr<FakeSound> sound(make_sound());
    sound->cooperative_result = DSERR_INVALIDPARAM;
    sound->AddRef();
    {
        pcm_output_device_dx8 device(sound.get(), nullptr);
        EXPECT_EQ(sound->refs.count(), 0u);  // released at once
        pcm_format_set formats = {{1, 8, 11025}};
        uint32_t size = 0;
        uint8_t byte = 0;
        EXPECT_FALSE(device.enum_formats(formats));
        EXPECT_TRUE(formats.empty());
        EXPECT_FALSE(device.open(1, 11025, 8));
        EXPECT_FALSE(device.start());
        EXPECT_FALSE(device.stop());
        EXPECT_FALSE(device.close());
        EXPECT_FALSE(device.get_format(nullptr, nullptr, nullptr));
        EXPECT_EQ(device.lock_block(&size), nullptr);
        EXPECT_EQ(device.write(&byte, 1), 0u);
    }
}

TEST(PlaybackDx8, OpenDescribesAOneSecondBufferWithFourNotifications) {
    std::unique_ptr<FakeSound> sound(make_sound());
    sound->AddRef();
    pcm_output_device_dx8 device(sound.get(), nullptr);
    ASSERT_TRUE(device.open(1, 11025, 8));

    EXPECT_EQ(sound->description.dwSize, sizeof(DSBUFFERDESC));
    EXPECT_EQ(sound->description.dwFlags, 0x18100u);
    EXPECT_EQ(sound->description.dwBufferBytes, 11025u);
    EXPECT_EQ(sound->format.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(sound->format.nChannels, 1);
    EXPECT_EQ(sound->format.nSamplesPerSec, 11025u);
    EXPECT_EQ(sound->format.nAvgBytesPerSec, 11025u);
    EXPECT_EQ(sound->format.nBlockAlign, 1);
    EXPECT_EQ(sound->format.wBitsPerSample, 8);
    EXPECT_EQ(sound->format.cbSize, 0);

    const std::vector<DSBPOSITIONNOTIFY>& positions = sound->buffer.notify.positions;
    ASSERT_EQ(positions.size(), 4u);
    const DWORD expected[4] = {0, 2756, 5512, 8268};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(positions[i].dwOffset, expected[i]);
        EXPECT_EQ(positions[i].hEventNotify, positions[0].hEventNotify);
    }

    // The whole buffer starts silent (unsigned 8-bit silence), never the fake's filler.
    ASSERT_TRUE(wait_for([&] { return device.get_block_position() > 0; }));
    for (uint8_t byte : sound->buffer.memory.bytes) ASSERT_EQ(byte, 0x80);

    uint32_t channels = 0, rate = 0, bits = 0;
    ASSERT_TRUE(device.get_format(&channels, &rate, &bits));
    EXPECT_EQ(channels, 1u);
    EXPECT_EQ(rate, 11025u);
    EXPECT_EQ(bits, 8u);
    EXPECT_FALSE(device.open(1, 11025, 8));  // already open

    ASSERT_TRUE(device.start());
    EXPECT_EQ(sound->buffer.play_flags, static_cast<DWORD>(DSBPLAY_LOOPING));
    EXPECT_TRUE(device.close());
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(positions[0].hEventNotify, &flags)) << "the event outlives close";
    EXPECT_EQ(sound->buffer.refs.count(), 0u);
    EXPECT_EQ(sound->buffer.notify.refs.count(), 0u);
    EXPECT_EQ(sound->buffer.memory.bad_unlocks, 0);
}

TEST(PlaybackDx8, SixteenBitSilenceIsZeroAndBadFormatsAreRefused) {
    std::unique_ptr<FakeSound> sound(make_sound());
    sound->AddRef();
    pcm_output_device_dx8 device(sound.get(), nullptr);
    EXPECT_FALSE(device.open(0, 11025, 8));
    EXPECT_FALSE(device.open(1, 11025, 12));
    EXPECT_FALSE(device.open(1, 50, 8));
    ASSERT_TRUE(device.open(2, 22050, 16));
    EXPECT_EQ(sound->description.dwBufferBytes, 88200u);
    // 22050 would split a 4-byte frame; the blocks start on whole frames.
    EXPECT_EQ(sound->buffer.notify.positions[1].dwOffset, 22048u);
    ASSERT_TRUE(wait_for([&] { return device.get_block_position() > 0; }));
    for (uint8_t byte : sound->buffer.memory.bytes) ASSERT_EQ(byte, 0);
}

TEST(PlaybackDx8, EachNotificationAdvancesTheBlockAndSilencesTheNextOne) {
    std::unique_ptr<FakeSound> sound(make_sound());
    sound->AddRef();
    pcm_output_device_dx8 device(sound.get(), nullptr);
    ASSERT_TRUE(device.open(1, 11025, 8));
    // The worker's first on_notify, at its start.
    ASSERT_TRUE(wait_for([&] { return device.get_block_position() == 2756; }));

    sound->buffer.write_cursor = 3000;  // in the second quarter: the third is next
    ASSERT_TRUE(notify_and_wait(sound->buffer));
    uint32_t size = 0;
    void* block = device.lock_block(&size);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block, sound->buffer.memory.bytes.data() + 5512);
    EXPECT_EQ(size, 2756u);
    EXPECT_EQ(device.get_block_position(), 2 * 2756u);
    std::memset(block, 0x11, size);
    EXPECT_TRUE(device.unlock_block(block));

    sound->buffer.write_cursor = 9000;  // the fourth quarter: the first is next
    ASSERT_TRUE(notify_and_wait(sound->buffer));
    uint8_t data[3000];
    std::memset(data, 0x22, sizeof data);
    // The writer's position (0) is behind the block position: it restarts at the block.
    EXPECT_EQ(device.write(data, sizeof data), 2756u);
    EXPECT_EQ(device.write_position(), 3 * 2756u + 2756u);
    EXPECT_EQ(sound->buffer.memory.bytes[0], 0x22);
    EXPECT_EQ(sound->buffer.memory.bytes[2755], 0x22);
    EXPECT_EQ(sound->buffer.memory.bytes[2756], 0x80);
    EXPECT_EQ(sound->buffer.memory.bytes[5512], 0x11);

    EXPECT_TRUE(device.set_block_position(7));
    EXPECT_EQ(device.get_block_position(), 7u);
    device.close();
    EXPECT_EQ(sound->buffer.memory.locks, sound->buffer.memory.unlocks);
}

TEST(PlaybackDx8, UnlockWithAForeignAddressIsRefusedButReleasesTheDevice) {
    std::unique_ptr<FakeSound> sound(make_sound());
    sound->AddRef();
    pcm_output_device_dx8 device(sound.get(), nullptr);
    ASSERT_TRUE(device.open(1, 11025, 8));
    EXPECT_FALSE(device.unlock_block(nullptr));  // nothing locked

    uint32_t size = 0;
    void* block = device.lock_block(&size);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(device.lock_block(&size), nullptr);  // one block at a time
    uint8_t foreign = 0;
    EXPECT_FALSE(device.unlock_block(&foreign));
    EXPECT_FALSE(device.unlock_block(block));  // already released

    // The worker can take the device lock again: it was not left held.
    ASSERT_TRUE(notify_and_wait(sound->buffer));
    EXPECT_EQ(sound->buffer.memory.locks, sound->buffer.memory.unlocks);
    EXPECT_EQ(sound->buffer.memory.bad_unlocks, 0);

    // Closing with a block still locked neither hangs nor leaves the buffer locked.
    ASSERT_NE(device.lock_block(&size), nullptr);
    EXPECT_TRUE(device.close());
    EXPECT_EQ(sound->buffer.memory.locks, sound->buffer.memory.unlocks);
}

TEST(PlaybackDx8, FailedCreationOrNotifyLeavesTheDeviceClosed) {
    std::unique_ptr<FakeSound> sound(make_sound());
    sound->AddRef();
    pcm_output_device_dx8 device(sound.get(), nullptr);
    sound->fail_create = true;
    EXPECT_FALSE(device.open(1, 11025, 8));
    sound->fail_create = false;
    sound->buffer.notify.result = DSERR_INVALIDPARAM;
    const DWORD handles = handle_count();
    EXPECT_FALSE(device.open(1, 11025, 8));
    EXPECT_EQ(handle_count(), handles);
    EXPECT_EQ(sound->buffer.refs.count(), 0u);
    EXPECT_EQ(sound->buffer.notify.refs.count(), 0u);
    EXPECT_FALSE(device.start());
    sound->buffer.notify.result = DS_OK;
    EXPECT_TRUE(device.open(1, 11025, 8));
}

TEST(CaptureDx8, EnumeratesTheFormatsOfTheCapabilityMask) {
    std::unique_ptr<FakeCapture> capture(make_capture());
    capture->caps.dwFormats = WAVE_FORMAT_1M08 | WAVE_FORMAT_4S16;
    capture->AddRef();
    pcm_input_device_dx8 device(capture.get());
    pcm_format_set formats;
    ASSERT_TRUE(device.enum_formats(formats));
    ASSERT_EQ(formats.size(), 2u);
    EXPECT_EQ(formats.begin()->rate, 11025u);
    EXPECT_EQ(formats.rbegin()->rate, 44100u);
    EXPECT_EQ(formats.rbegin()->channels, 2u);
    EXPECT_EQ(formats.rbegin()->bits, 16u);
}

TEST(CaptureDx8, ADeviceWithoutCaptureObjectFailsEverything) {
    pcm_input_device_dx8 device(nullptr);
    pcm_format_set formats;
    uint8_t byte = 0;
    EXPECT_FALSE(device.enum_formats(formats));
    EXPECT_FALSE(device.open(1, 11025, 8));
    EXPECT_FALSE(device.start());
    EXPECT_FALSE(device.stop());
    EXPECT_FALSE(device.close());
    EXPECT_EQ(device.read(&byte, 1), 0u);
}

TEST(CaptureDx8, CapturedBytesReachReadInOrderAcrossTheWrap) {
    std::unique_ptr<FakeCapture> capture(make_capture());
    capture->AddRef();
    pcm_input_device_dx8 device(capture.get());
    ASSERT_TRUE(device.open(1, 11025, 8));
    EXPECT_EQ(capture->description.dwSize, sizeof(DSCBUFFERDESC));
    EXPECT_EQ(capture->description.dwFlags, 0x80000000u);
    EXPECT_EQ(capture->description.dwBufferBytes, 11025u);
    EXPECT_EQ(capture->format.nAvgBytesPerSec, 11025u);
    ASSERT_EQ(capture->buffer.notify.positions.size(), 4u);
    EXPECT_EQ(capture->buffer.notify.positions[3].dwOffset, 8268u);

    ASSERT_TRUE(device.start());
    EXPECT_EQ(capture->buffer.start_flags, static_cast<DWORD>(DSCBSTART_LOOPING));

    std::vector<uint8_t> out(20000);
    capture->buffer.read_position = 1000;
    ASSERT_TRUE(notify_and_wait(capture->buffer));
    ASSERT_EQ(device.read(out.data(), 600), 600u);
    ASSERT_EQ(device.read(out.data() + 600, 20000), 400u);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(out[i], i % 251) << i;

    // The read position wrapped: the bytes from 1000 to the end, then from the start.
    capture->buffer.read_position = 500;
    ASSERT_TRUE(notify_and_wait(capture->buffer));
    ASSERT_EQ(device.read(out.data(), 20000), 10525u);
    for (int i = 0; i < 10025; ++i) ASSERT_EQ(out[i], (1000 + i) % 251) << i;
    for (int i = 0; i < 500; ++i) ASSERT_EQ(out[10025 + i], i % 251) << i;

    EXPECT_EQ(device.read(out.data(), 20000), 0u);
    EXPECT_TRUE(device.stop());
    EXPECT_TRUE(device.close());
    EXPECT_EQ(device.read(out.data(), 1), 0u);
    EXPECT_EQ(capture->buffer.refs.count(), 0u);
    EXPECT_EQ(capture->buffer.memory.locks, capture->buffer.memory.unlocks);
}

TEST(Dx8Devices, OpenStartStopCloseCyclesLeaveNoThreadOrHandle) {
    std::unique_ptr<FakeSound> sound(make_sound());
    std::unique_ptr<FakeCapture> capture(make_capture());
    sound->AddRef();
    capture->AddRef();
    const int threads = thread_count();
    const DWORD handles = handle_count();
    {
        pcm_output_device_dx8 output(sound.get(), nullptr);
        pcm_input_device_dx8 input(capture.get());
        for (int round = 0; round < 100; ++round) {
            ASSERT_TRUE(output.open(1, 11025, 8)) << round;
            ASSERT_TRUE(input.open(1, 11025, 8)) << round;
            EXPECT_EQ(thread_count(), threads + 2);
            output.start();
            input.start();
            if (round % 3 == 0) notify_and_wait(sound->buffer);
            output.stop();
            input.stop();
            ASSERT_TRUE(output.close());
            ASSERT_TRUE(input.close());
            ASSERT_EQ(thread_count(), threads) << round;
        }
        // Destroying open devices ends their threads as well.
        ASSERT_TRUE(output.open(1, 11025, 8));
        ASSERT_TRUE(input.open(1, 11025, 8));
    }
    EXPECT_EQ(thread_count(), threads);
    EXPECT_EQ(handle_count(), handles);
    EXPECT_EQ(sound->refs.count(), 0u);
    EXPECT_EQ(sound->buffer.refs.count(), 0u);
    EXPECT_EQ(capture->refs.count(), 0u);
    EXPECT_EQ(capture->buffer.refs.count(), 0u);
}

TEST(DsoundLibrary, TheCreationFunctionsAreExports11And12) {
    UniqueModule library = nrv::audio::load_dsound_library();
    if (!library) GTEST_SKIP() << "no dsound.dll on this system";
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(library.get(), MAKEINTRESOURCEA(11))),
              reinterpret_cast<void*>(GetProcAddress(library.get(), "DirectSoundCreate8")));
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(library.get(), MAKEINTRESOURCEA(12))),
              reinterpret_cast<void*>(GetProcAddress(library.get(), "DirectSoundCaptureCreate8")));
}

}  // namespace
