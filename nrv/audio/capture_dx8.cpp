#include "nrv/audio/audio.h"

namespace nrv {
namespace audio {

namespace {

// Sizes of the 32-bit program; the 64-bit test build has wider pointers.
#ifndef _WIN64
static_assert(sizeof(DSCBUFFERDESC) == 28, "the capture buffer description of DirectSound 8");
#endif
static_assert(sizeof(DSCCAPS) == 16, "the capture capabilities");

}  // namespace

WAVEFORMATEX make_wave_format(const pcm_format& format) {
    WAVEFORMATEX wave = {};
    wave.wFormatTag = WAVE_FORMAT_PCM;
    wave.nChannels = static_cast<WORD>(format.channels);
    wave.nSamplesPerSec = format.rate;
    wave.nBlockAlign = static_cast<WORD>(frame_bytes(format));
    wave.nAvgBytesPerSec = bytes_per_second(format);
    wave.wBitsPerSample = static_cast<WORD>(format.bits);
    wave.cbSize = 0;
    return wave;
}

pcm_input_device_dx8::pcm_input_device_dx8() : m_library(load_dsound_library()) {
    IDirectSoundCapture* capture = nullptr;
    if (FAILED(create_voice_capture(m_library, &capture))) capture = nullptr;
    adopt(capture);
}

pcm_input_device_dx8::pcm_input_device_dx8(IDirectSoundCapture* capture) {
    adopt(capture);
}

void pcm_input_device_dx8::adopt(IDirectSoundCapture* capture) {
    m_capture.attach(capture);
    if (!m_capture) return;
    m_caps.dwSize = sizeof m_caps;
    if (FAILED(m_capture->GetCaps(&m_caps))) m_caps = {};
}

pcm_input_device_dx8::~pcm_input_device_dx8() {
    close();
    m_capture.reset();
}

bool pcm_input_device_dx8::enum_formats(pcm_format_set& formats) {
    formats.clear();
    if (!m_capture) return false;
    capture_formats(m_caps.dwFormats, formats);
    return true;
}

bool pcm_input_device_dx8::open(uint32_t channels, uint32_t rate, uint32_t bits) {
    const pcm_format format = {channels, bits, rate};
    if (!m_capture || m_buffer || !is_valid_format(format)) return false;

    m_readOffset = 0;
    m_format = make_wave_format(format);
    m_description = one_second_buffer<DSCBUFFERDESC>(DSCBCAPS_WAVEMAPPED, m_format);

    ComPtr<IDirectSoundCaptureBuffer> created;
    if (FAILED(m_capture->CreateCaptureBuffer(&m_description, created.put(), nullptr))) return false;
    ComPtr<IDirectSoundCaptureBuffer8> buffer;
    if (FAILED(
            created->QueryInterface(IID_IDirectSoundCaptureBuffer8, reinterpret_cast<void**>(buffer.put()))))
        return false;
    // The ring exists before the worker starts: its first on_notify runs at once.
    if (!m_ring.allocate(m_description.dwBufferBytes)) return false;

    CriticalSectionLock lock(m_lock);
    m_buffer = std::move(buffer);
    if (!start_notify(m_buffer.get(),
                      quarter_block_bytes(m_description.dwBufferBytes, m_format.nBlockAlign))) {
        m_buffer.reset();
        m_ring.release();
        return false;
    }
    return true;
}

bool pcm_input_device_dx8::close() {
    if (!m_buffer) return false;
    m_buffer->Stop();
    stop_notify();
    m_buffer.reset();
    m_ring.release();
    return true;
}

bool pcm_input_device_dx8::start() {
    return m_buffer && SUCCEEDED(m_buffer->Start(DSCBSTART_LOOPING));
}

bool pcm_input_device_dx8::stop() {
    return m_buffer && SUCCEEDED(m_buffer->Stop());
}

uint32_t pcm_input_device_dx8::read(void* buffer, uint32_t size) {
    if (!m_buffer || !buffer) return 0;
    CriticalSectionLock lock(m_lock);
    return m_ring.take(buffer, size);
}

void pcm_input_device_dx8::on_notify() {
    if (!m_buffer) return;
    const DWORD buffer_bytes = m_description.dwBufferBytes;
    DWORD capture_position = 0;
    DWORD read_position = 0;
    if (FAILED(m_buffer->GetCurrentPosition(&capture_position, &read_position)) ||
        read_position >= buffer_bytes)
        return;
    const DWORD amount = read_position >= m_readOffset ? read_position - m_readOffset
                                                       : read_position + buffer_bytes - m_readOffset;
    if (amount == 0) return;

    void* part1 = nullptr;
    void* part2 = nullptr;
    DWORD bytes1 = 0;
    DWORD bytes2 = 0;
    if (FAILED(m_buffer->Lock(m_readOffset, amount, &part1, &bytes1, &part2, &bytes2, 0))) return;
    m_ring.put(part1, bytes1);
    m_ring.put(part2, bytes2);
    m_buffer->Unlock(part1, bytes1, part2, bytes2);
    m_readOffset = (m_readOffset + bytes1 + bytes2) % buffer_bytes;
}

}  // namespace audio
}  // namespace nrv
