#include "fake_dsound.h"

#include <tlhelp32.h>

#include <cstring>

HRESULT FakeNotify::SetNotificationPositions(DWORD count, const DSBPOSITIONNOTIFY* list) {
    if (FAILED(result)) return result;
    positions.assign(list, list + count);
    return DS_OK;
}

void FakeNotify::signal() const {
    if (!positions.empty()) SetEvent(positions.front().hEventNotify);
}

HRESULT FakeBufferBytes::lock(DWORD offset, DWORD size, void** part1, DWORD* bytes1, void** part2,
                              DWORD* bytes2) {
    const DWORD total = static_cast<DWORD>(bytes.size());
    if (fail_lock || offset >= total || size == 0 || size > total) return DSERR_INVALIDPARAM;
    const DWORD first = size < total - offset ? size : total - offset;
    *part1 = bytes.data() + offset;
    *bytes1 = first;
    if (part2) *part2 = first < size ? bytes.data() : nullptr;
    if (bytes2) *bytes2 = size - first;
    m_lastPart1 = *part1;
    m_lastBytes1 = first;
    ++locks;
    return DS_OK;
}

HRESULT FakeBufferBytes::unlock(void* part1, DWORD bytes1, void*, DWORD) {
    ++unlocks;
    if (part1 != m_lastPart1 || bytes1 != m_lastBytes1) {
        ++bad_unlocks;
        return DSERR_INVALIDPARAM;
    }
    return DS_OK;
}

HRESULT FakePlaybackBuffer::QueryInterface(REFIID riid, void** object) {
    *object = nullptr;
    if (IsEqualGUID(riid, IID_IDirectSoundNotify)) {
        notify.AddRef();
        *object = static_cast<IDirectSoundNotify*>(&notify);
        return S_OK;
    }
    if (IsEqualGUID(riid, IID_IDirectSoundBuffer8) || IsEqualGUID(riid, IID_IDirectSoundBuffer) ||
        IsEqualGUID(riid, IID_IUnknown)) {
        AddRef();
        *object = this;
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT FakePlaybackBuffer::GetCurrentPosition(DWORD* play, DWORD* write) {
    ++position_queries;
    if (play) *play = write_cursor;
    if (write) *write = write_cursor;
    return DS_OK;
}

HRESULT FakePlaybackBuffer::Play(DWORD, DWORD, DWORD flags) {
    play_flags = flags;
    ++plays;
    return DS_OK;
}

HRESULT FakeSound::CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** created, IUnknown*) {
    description = *desc;
    format = *desc->lpwfxFormat;
    if (fail_create) return DSERR_INVALIDPARAM;
    buffer.memory.bytes.assign(desc->dwBufferBytes, 0x55);
    buffer.AddRef();
    // The version 8 interface begins with the layout of the first one.
    *created = reinterpret_cast<IDirectSoundBuffer*>(static_cast<IDirectSoundBuffer8*>(&buffer));
    return DS_OK;
}

HRESULT FakeSound::GetCaps(DSCAPS* out) {
    if (out->dwSize != sizeof(DSCAPS)) return DSERR_INVALIDPARAM;
    *out = caps;
    out->dwSize = sizeof(DSCAPS);
    return DS_OK;
}

HRESULT FakeSound::SetCooperativeLevel(HWND window, DWORD level) {
    cooperative_window = window;
    cooperative_level = level;
    return cooperative_result;
}

HRESULT FakeCaptureBuffer::QueryInterface(REFIID riid, void** object) {
    *object = nullptr;
    if (IsEqualGUID(riid, IID_IDirectSoundNotify)) {
        notify.AddRef();
        *object = static_cast<IDirectSoundNotify*>(&notify);
        return S_OK;
    }
    if (IsEqualGUID(riid, IID_IDirectSoundCaptureBuffer8) ||
        IsEqualGUID(riid, IID_IDirectSoundCaptureBuffer) || IsEqualGUID(riid, IID_IUnknown)) {
        AddRef();
        *object = this;
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT FakeCaptureBuffer::GetCurrentPosition(DWORD* capture, DWORD* read) {
    ++position_queries;
    if (capture) *capture = read_position;
    if (read) *read = read_position;
    return DS_OK;
}

HRESULT FakeCapture::CreateCaptureBuffer(const DSCBUFFERDESC* desc, IDirectSoundCaptureBuffer** created,
                                         IUnknown*) {
    description = *desc;
    format = *desc->lpwfxFormat;
    if (fail_create) return DSERR_INVALIDPARAM;
    // Recognisable content: byte i of the buffer holds i modulo 251.
    buffer.memory.bytes.resize(desc->dwBufferBytes);
    for (size_t i = 0; i < buffer.memory.bytes.size(); ++i)
        buffer.memory.bytes[i] = static_cast<uint8_t>(i % 251);
    buffer.AddRef();
    *created = &buffer;
    return DS_OK;
}

HRESULT FakeCapture::GetCaps(DSCCAPS* out) {
    if (out->dwSize != sizeof(DSCCAPS)) return DSERR_INVALIDPARAM;
    *out = caps;
    out->dwSize = sizeof(DSCCAPS);
    return DS_OK;
}

int thread_count() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    CloseHandle(snapshot);
    return count;
}

DWORD handle_count() {
    // GetProcessHandleCount answers 0 under Wine, so the handle table is probed instead:
    // handle values are multiples of 4 and freed ones are reused from the lowest, so every
    // handle of a test process lies well inside this range.
    constexpr uintptr_t kHighestProbed = 0x10000;
    DWORD count = 0;
    for (uintptr_t value = 4; value <= kHighestProbed; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}
