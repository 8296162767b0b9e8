// PCM capture and playback for the voice test: raw PCM from the default voice-capture
// device and to the default voice-playback device. The format rules, the sample ring and
// the device interfaces are plain code; the DirectSound 8 devices are Windows-only.
//
// Both DirectSound devices keep a looping one-second buffer with four position
// notifications per pass and one worker thread that services the buffer at each of them.
// Captured audio is gathered into a one-second ring; playback is written one quarter of
// the buffer (a block) at a time into the block just ahead of the hardware.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <set>

namespace nrv {
namespace audio {

// --- Formats ------------------------------------------------------------------------------

struct pcm_format {
    uint32_t channels;  // 1 or 2
    uint32_t bits;      // 8 or 16
    uint32_t rate;      // samples per second
};

// Orders formats by rate, and within one rate mono 8-bit, stereo 8-bit, mono 16-bit,
// stereo 16-bit. The key is unique for every valid format.
constexpr uint32_t format_key(const pcm_format& format) {
    return format.rate * 8 + format.bits / 4 + format.channels - 1;
}

struct pcm_format_less {
    bool operator()(const pcm_format& a, const pcm_format& b) const { return format_key(a) < format_key(b); }
};
using pcm_format_set = std::set<pcm_format, pcm_format_less>;

constexpr uint32_t kMinSampleRate = 100;
constexpr uint32_t kMaxSampleRate = 200000;

// Mono or stereo, 8 or 16 bits, a rate DirectSound accepts for a buffer.
bool is_valid_format(const pcm_format& format);
// Bytes of one sample frame and of one second.
uint32_t frame_bytes(const pcm_format& format);
uint32_t bytes_per_second(const pcm_format& format);
// Unsigned 8-bit PCM is silent at 0x80, signed 16-bit PCM at 0.
uint8_t silence_byte(uint32_t bits);

// The capture capability mask: bit (channels << (4 * group + (bits == 16 ? 2 : 0))) for
// the rate groups 11025, 22050, 44100, 48000 and 96000 Hz (the standard 1M08 ... 96S16
// wave-format flags). Empties `formats`, then inserts every format whose bit is set.
void capture_formats(uint32_t format_mask, pcm_format_set& formats);

// The playback capability flags that decide the formats of secondary buffers.
constexpr uint32_t kPlaybackMono = 0x100;
constexpr uint32_t kPlaybackStereo = 0x200;
constexpr uint32_t kPlayback8Bit = 0x400;
constexpr uint32_t kPlayback16Bit = 0x800;

struct playback_caps {
    uint32_t flags;
    uint32_t min_rate;  // both limits included
    uint32_t max_rate;
};
// Empties `formats`, then inserts, for 8000, 11025, 22050, 44100, 48000 and 96000 Hz within
// the limits, every channel count and depth the flags allow.
void playback_formats(const playback_caps& caps, pcm_format_set& formats);

// The formats present in both sets.
pcm_format_set common_formats(const pcm_format_set& a, const pcm_format_set& b);

// One quarter of a buffer, rounded down to whole sample frames so that every block starts
// on a frame.
uint32_t quarter_block_bytes(uint32_t buffer_bytes, uint32_t frame_size);
// The four notification offsets 0, q, 2q and 3q.
std::array<uint32_t, 4> notification_offsets(uint32_t block_bytes);
// The start of the block after the one holding the write cursor. A cursor in the few
// bytes past the fourth block counts as inside the fourth block.
uint32_t next_block_offset(uint32_t write_cursor, uint32_t block_bytes);

// --- The sample ring ----------------------------------------------------------------------

// A fixed byte block with a running write count and read count. The fill level never
// exceeds the capacity; bytes that do not fit are dropped (the newest are lost, nothing in
// the ring is overwritten).
class sample_ring {
public:
    // Allocates `capacity` bytes and empties the ring; false when that fails.
    bool allocate(uint32_t capacity);
    void release();

    uint32_t capacity() const { return m_capacity; }
    uint32_t fill_level() const { return m_writeCount - m_readCount; }
    // Copies as much of `data` as fits; returns the bytes taken.
    uint32_t put(const void* data, uint32_t size);
    // Copies out up to `size` bytes, oldest first; returns the bytes given.
    uint32_t take(void* out, uint32_t size);

private:
    std::unique_ptr<uint8_t[]> m_bytes;
    uint32_t m_capacity = 0;
    uint32_t m_writeCount = 0;
    uint32_t m_readCount = 0;  // always below the capacity
};

// --- Device interfaces --------------------------------------------------------------------

// A capture device. The defaults are the answers of a device that can do nothing.
class pcm_input_device {
public:
    pcm_input_device() = default;
    virtual ~pcm_input_device();
    pcm_input_device(const pcm_input_device&) = delete;
    pcm_input_device& operator=(const pcm_input_device&) = delete;

    // Empties `formats` and fills in what the device can record.
    virtual bool enum_formats(pcm_format_set& formats);
    virtual bool open(uint32_t channels, uint32_t rate, uint32_t bits);
    virtual bool close();
    virtual bool start();
    virtual bool stop();
    // Copies up to `size` captured bytes, oldest first; the count copied.
    virtual uint32_t read(void* buffer, uint32_t size);
    // Latency and format reports; the DirectSound device does not give them.
    virtual uint32_t get_latency();
    virtual bool get_format(uint32_t* channels, uint32_t* rate, uint32_t* bits);
};

// A playback device written one block at a time.
class pcm_output_device {
public:
    pcm_output_device() = default;
    virtual ~pcm_output_device();
    pcm_output_device(const pcm_output_device&) = delete;
    pcm_output_device& operator=(const pcm_output_device&) = delete;

    virtual bool enum_formats(pcm_format_set& formats);
    virtual bool open(uint32_t channels, uint32_t rate, uint32_t bits);
    virtual bool close();
    virtual bool start();
    virtual bool stop();
    // The open format; each out-value may be null. False when closed.
    virtual bool get_format(uint32_t* channels, uint32_t* rate, uint32_t* bits);
    // The writable block and its size, or null. A non-null block holds the device until
    // unlock_block, which the same thread must call.
    virtual void* lock_block(uint32_t* size) = 0;
    // Releases the block lock_block gave. An address that is not that block's is refused
    // (false), but the block is released all the same so that the device is never left
    // held.
    virtual bool unlock_block(void* address) = 0;
    // Bytes of blocks the hardware has passed since open.
    virtual uint64_t get_block_position() = 0;
    virtual bool set_block_position(uint64_t position) = 0;

    // Writes into the current block at the write position: a position left behind the
    // block, or beyond it, restarts at the block's start. Returns the bytes written, at
    // most what is left of the block; the rest is the caller's to drop or keep.
    uint32_t write(const void* data, uint32_t count);

    uint64_t write_position() const { return m_writePosition; }

private:
    uint64_t m_writePosition = 0;
};

// Opens both devices in the lowest format (by key) that both offer and both can open:
// playback first, then capture; after a failure both are closed and the next common
// format is tried. False when none works; `chosen` gets the format on success.
bool open_common_format(pcm_output_device& output, pcm_input_device& input, pcm_format* chosen);

// Moves everything captured so far to the playback device, 4096 bytes at a time.
// Whatever does not fit the current playback block is dropped.
void pump_capture_to_playback(pcm_input_device& input, pcm_output_device& output);

}  // namespace audio
}  // namespace nrv

// --- DirectSound 8 devices ----------------------------------------------------------------
#ifdef _WIN32
#include "nrv/win32/win32.h"

#include <mmsystem.h>
#include <dsound.h>

#include <atomic>

namespace nrv {
namespace audio {

// The wave format DirectSound is given for a PCM format.
WAVEFORMATEX make_wave_format(const pcm_format& format);

// The description of a capture (DSCBUFFERDESC) or playback (DSBUFFERDESC) buffer that holds
// one second of `format`, which it points at.
template <class Description>
Description one_second_buffer(DWORD flags, WAVEFORMATEX& format) {
    Description description = {};
    description.dwSize = sizeof description;
    description.dwFlags = flags;
    description.dwBufferBytes = format.nAvgBytesPerSec;
    description.lpwfxFormat = &format;
    return description;
}

// dsound.dll, loaded at run time so that the tool starts without it.
UniqueModule load_dsound_library();
// DirectSoundCreate8 (export 11) and DirectSoundCaptureCreate8 (export 12) of the library
// on the default voice devices; E_NOINTERFACE when the library or the export is missing.
HRESULT create_voice_playback(const UniqueModule& library, IDirectSound8** sound);
HRESULT create_voice_capture(const UniqueModule& library, IDirectSoundCapture** capture);

// The notification thread of a device: four positions of the buffer signal one event, and
// the thread runs on_notify under the device lock at start and after every signal.
class ds8_notify_base {
public:
    ds8_notify_base();
    virtual void on_notify() = 0;
    virtual ~ds8_notify_base();
    ds8_notify_base(const ds8_notify_base&) = delete;
    ds8_notify_base& operator=(const ds8_notify_base&) = delete;

protected:
    // Sets the notifications at 0, q, 2q and 3q of `buffer` and starts the thread.
    bool start_notify(IUnknown* buffer, uint32_t block_bytes);
    // Ends the thread and drops the notifications; nothing when not started. Must not be
    // called with the device lock held by a locked block.
    void stop_notify();
    bool notify_running() const { return static_cast<bool>(m_notify); }

    CRITICAL_SECTION m_lock;  // the device lock

private:
    static DWORD WINAPI worker(void* self);

    UniqueHandle m_event;
    UniqueHandle m_thread;
    std::atomic<bool> m_stop{false};
    ComPtr<IDirectSoundNotify> m_notify;
};

class pcm_input_device_dx8 : public pcm_input_device, public ds8_notify_base {
public:
    // The default voice-capture device; without it every operation fails.
    pcm_input_device_dx8();
    // Adopts one reference to a capture object (null: a device without one).
    explicit pcm_input_device_dx8(IDirectSoundCapture* capture);
    ~pcm_input_device_dx8() override;

    bool enum_formats(pcm_format_set& formats) override;
    bool open(uint32_t channels, uint32_t rate, uint32_t bits) override;
    bool close() override;
    bool start() override;
    bool stop() override;
    uint32_t read(void* buffer, uint32_t size) override;
    void on_notify() override;

private:
    void adopt(IDirectSoundCapture* capture);

    UniqueModule m_library;  // outlives every interface below
    ComPtr<IDirectSoundCapture> m_capture;
    DSCCAPS m_caps = {};
    WAVEFORMATEX m_format = {};
    DSCBUFFERDESC m_description = {};
    ComPtr<IDirectSoundCaptureBuffer8> m_buffer;
    sample_ring m_ring;
    uint32_t m_readOffset = 0;
};

class pcm_output_device_dx8 : public pcm_output_device, public ds8_notify_base {
public:
    // The default voice-playback device at the normal cooperative level for `window`, or
    // for the active window when none is given.
    explicit pcm_output_device_dx8(HWND window = nullptr);
    // Adopts one reference to a DirectSound object (null: a device without one).
    pcm_output_device_dx8(IDirectSound8* sound, HWND window);
    ~pcm_output_device_dx8() override;

    bool enum_formats(pcm_format_set& formats) override;
    bool open(uint32_t channels, uint32_t rate, uint32_t bits) override;
    bool close() override;
    bool start() override;
    bool stop() override;
    bool get_format(uint32_t* channels, uint32_t* rate, uint32_t* bits) override;
    void* lock_block(uint32_t* size) override;
    bool unlock_block(void* address) override;
    uint64_t get_block_position() override;
    bool set_block_position(uint64_t position) override;
    void on_notify() override;

private:
    void adopt(IDirectSound8* sound, HWND window);
    bool fill_with_silence(uint32_t offset, uint32_t size);

    UniqueModule m_library;  // outlives every interface below
    ComPtr<IDirectSound8> m_sound;
    DSCAPS m_caps = {};
    WAVEFORMATEX m_format = {};
    DSBUFFERDESC m_description = {};
    ComPtr<IDirectSoundBuffer8> m_buffer;
    uint32_t m_blockBytes = 0;
    uint64_t m_blockPosition = 0;
    uint32_t m_nextBlock = 0;
    void* m_lockedBlock = nullptr;
    void* m_lockedPart1 = nullptr;
    DWORD m_lockedBytes1 = 0;
    void* m_lockedPart2 = nullptr;
    DWORD m_lockedBytes2 = 0;
};

}  // namespace audio
}  // namespace nrv
#endif
