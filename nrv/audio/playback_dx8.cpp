#include "nrv/audio/audio.h"

#include <cstring>

namespace nrv {
namespace audio {

namespace {

// Sizes of the 32-bit program; the 64-bit test build has wider pointers.
#ifndef _WIN64
static_assert(sizeof(DSBUFFERDESC) == 36, "the buffer description with its 3D algorithm");
#endif
static_assert(sizeof(DSCAPS) == 96, "the DirectSound capabilities");

constexpr DWORD kPlaybackBufferFlags =
    DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS | DSBCAPS_CTRLPOSITIONNOTIFY;

}  // namespace

pcm_output_device_dx8::pcm_output_device_dx8(HWND window) : m_library(load_dsound_library()) {
    IDirectSound8* sound = nullptr;
    if (FAILED(create_voice_playback(m_library, &sound))) sound = nullptr;
    adopt(sound, window);
}

pcm_output_device_dx8::pcm_output_device_dx8(IDirectSound8* sound, HWND window) {
    adopt(sound, window);
}

void pcm_output_device_dx8::adopt(IDirectSound8* sound, HWND window) {
    m_sound.attach(sound);
    if (!m_sound) return;
    m_caps.dwSize = sizeof m_caps;
    if (FAILED(m_sound->GetCaps(&m_caps))) m_caps = {};
    if (FAILED(m_sound->SetCooperativeLevel(window ? window : GetActiveWindow(), DSSCL_NORMAL)))
        m_sound.reset();
}

pcm_output_device_dx8::~pcm_output_device_dx8() {
    close();
    m_sound.reset();
}

bool pcm_output_device_dx8::enum_formats(pcm_format_set& formats) {
    formats.clear();
    if (!m_sound) return false;
    playback_formats({m_caps.dwFlags, m_caps.dwMinSecondarySampleRate, m_caps.dwMaxSecondarySampleRate},
                     formats);
    return true;
}

bool pcm_output_device_dx8::fill_with_silence(uint32_t offset, uint32_t size) {
    void* part1 = nullptr;
    void* part2 = nullptr;
    DWORD bytes1 = 0;
    DWORD bytes2 = 0;
    if (FAILED(m_buffer->Lock(offset, size, &part1, &bytes1, &part2, &bytes2, 0))) return false;
    const uint8_t silence = silence_byte(m_format.wBitsPerSample);
    if (part1) std::memset(part1, silence, bytes1);
    if (part2) std::memset(part2, silence, bytes2);
    m_buffer->Unlock(part1, bytes1, part2, bytes2);
    return true;
}

bool pcm_output_device_dx8::open(uint32_t channels, uint32_t rate, uint32_t bits) {
    const pcm_format format = {channels, bits, rate};
    if (!m_sound || m_buffer || !is_valid_format(format)) return false;

    m_format = make_wave_format(format);
    m_description = one_second_buffer<DSBUFFERDESC>(kPlaybackBufferFlags, m_format);

    ComPtr<IDirectSoundBuffer> created;
    if (FAILED(m_sound->CreateSoundBuffer(&m_description, created.put(), nullptr))) return false;
    ComPtr<IDirectSoundBuffer8> buffer;
    if (FAILED(created->QueryInterface(IID_IDirectSoundBuffer8, reinterpret_cast<void**>(buffer.put()))))
        return false;

    // The worker's first on_notify runs at once and waits for this lock: every field it
    // uses is set before it may run.
    CriticalSectionLock lock(m_lock);
    m_buffer = std::move(buffer);
    fill_with_silence(0, m_description.dwBufferBytes);
    m_blockBytes = quarter_block_bytes(m_description.dwBufferBytes, m_format.nBlockAlign);
    m_blockPosition = 0;
    m_nextBlock = 0;
    m_lockedBlock = nullptr;
    if (!start_notify(m_buffer.get(), m_blockBytes)) {
        m_buffer.reset();
        return false;
    }
    return true;
}

bool pcm_output_device_dx8::close() {
    if (!m_buffer) return false;
    // A block still locked by this thread would keep the worker from ever ending.
    if (m_lockedBlock) unlock_block(m_lockedBlock);
    m_buffer->Stop();
    stop_notify();
    m_buffer.reset();
    return true;
}

bool pcm_output_device_dx8::start() {
    return m_buffer && SUCCEEDED(m_buffer->Play(0, 0, DSBPLAY_LOOPING));
}

bool pcm_output_device_dx8::stop() {
    return m_buffer && SUCCEEDED(m_buffer->Stop());
}

bool pcm_output_device_dx8::get_format(uint32_t* channels, uint32_t* rate, uint32_t* bits) {
    if (!m_buffer) return false;
    if (channels) *channels = m_format.nChannels;
    if (rate) *rate = m_format.nSamplesPerSec;
    if (bits) *bits = m_format.wBitsPerSample;
    return true;
}

void* pcm_output_device_dx8::lock_block(uint32_t* size) {
    EnterCriticalSection(&m_lock);
    // One block at a time: a second lock_block before unlock_block gets nothing.
    if (!m_buffer || m_lockedBlock ||
        FAILED(m_buffer->Lock(m_nextBlock, m_blockBytes, &m_lockedPart1, &m_lockedBytes1, &m_lockedPart2,
                              &m_lockedBytes2, 0)) ||
        !m_lockedPart1) {
        LeaveCriticalSection(&m_lock);
        return nullptr;
    }
    m_lockedBlock = m_lockedPart1;
    if (size) *size = m_lockedBytes1;
    return m_lockedBlock;
}

bool pcm_output_device_dx8::unlock_block(void* address) {
    // Only the thread that holds the block gets past this while a block is locked.
    EnterCriticalSection(&m_lock);
    if (!m_lockedBlock) {
        LeaveCriticalSection(&m_lock);
        return false;
    }
    const bool own_block = address == m_lockedBlock;
    m_buffer->Unlock(m_lockedPart1, m_lockedBytes1, m_lockedPart2, m_lockedBytes2);
    m_lockedBlock = nullptr;
    LeaveCriticalSection(&m_lock);  // this call's
    LeaveCriticalSection(&m_lock);  // lock_block's
    return own_block;
}

uint64_t pcm_output_device_dx8::get_block_position() {
    return m_blockPosition;
}

bool pcm_output_device_dx8::set_block_position(uint64_t position) {
    m_blockPosition = position;
    return true;
}

void pcm_output_device_dx8::on_notify() {
    if (!m_buffer || m_blockBytes == 0) return;
    DWORD play_cursor = 0;
    DWORD write_cursor = 0;
    if (FAILED(m_buffer->GetCurrentPosition(&play_cursor, &write_cursor))) return;
    m_blockPosition += m_blockBytes;
    m_nextBlock = next_block_offset(write_cursor, m_blockBytes);
    fill_with_silence(m_nextBlock, m_blockBytes);
}

}  // namespace audio
}  // namespace nrv
