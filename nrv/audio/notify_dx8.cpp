#include "nrv/audio/audio.h"

#include "nrv/win32/win32.h"

namespace nrv {
namespace audio {

namespace {

// DirectSound's creation functions are taken by ordinal, as the library exports them.
constexpr WORD kDirectSoundCreate8Ordinal = 11;
constexpr WORD kDirectSoundCaptureCreate8Ordinal = 12;

using DirectSoundCreate8Fn = HRESULT(WINAPI*)(const GUID*, IDirectSound8**, IUnknown*);
using DirectSoundCaptureCreate8Fn = HRESULT(WINAPI*)(const GUID*, IDirectSoundCapture**, IUnknown*);

}  // namespace

UniqueModule load_dsound_library() {
    return UniqueModule(load_library_as_game_does(L"dsound.dll"));
}

HRESULT create_voice_playback(const UniqueModule& library, IDirectSound8** sound) {
    *sound = nullptr;
    const auto create = library.proc<DirectSoundCreate8Fn>(MAKEINTRESOURCEA(kDirectSoundCreate8Ordinal));
    return create ? create(&DSDEVID_DefaultVoicePlayback, sound, nullptr) : E_NOINTERFACE;
}

HRESULT create_voice_capture(const UniqueModule& library, IDirectSoundCapture** capture) {
    *capture = nullptr;
    const auto create =
        library.proc<DirectSoundCaptureCreate8Fn>(MAKEINTRESOURCEA(kDirectSoundCaptureCreate8Ordinal));
    return create ? create(&DSDEVID_DefaultVoiceCapture, capture, nullptr) : E_NOINTERFACE;
}

ds8_notify_base::ds8_notify_base() {
    InitializeCriticalSection(&m_lock);
}

ds8_notify_base::~ds8_notify_base() {
    stop_notify();
    DeleteCriticalSection(&m_lock);
}

bool ds8_notify_base::start_notify(IUnknown* buffer, uint32_t block_bytes) {
    if (m_notify || !buffer) return false;
    UniqueHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!event) return false;

    ComPtr<IDirectSoundNotify> notify;
    if (FAILED(buffer->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(notify.put()))))
        return false;

    DSBPOSITIONNOTIFY positions[4];
    const std::array<uint32_t, 4> offsets = notification_offsets(block_bytes);
    for (size_t i = 0; i < offsets.size(); ++i) positions[i] = {offsets[i], event.get()};
    if (FAILED(notify->SetNotificationPositions(4, positions))) return false;

    m_stop = false;
    m_event = std::move(event);
    m_thread.reset(CreateThread(nullptr, 0, &ds8_notify_base::worker, this, 0, nullptr));
    if (!m_thread) {
        m_event.reset();
        return false;
    }
    m_notify = std::move(notify);
    return true;
}

void ds8_notify_base::stop_notify() {
    if (!m_notify) return;
    {
        CriticalSectionLock lock(m_lock);
        m_stop = true;
    }
    SetEvent(m_event.get());
    DWORD exit_code = STILL_ACTIVE;
    while (GetExitCodeThread(m_thread.get(), &exit_code) && exit_code == STILL_ACTIVE) Sleep(1);
    m_thread.reset();
    m_event.reset();
    m_notify.reset();
}

DWORD WINAPI ds8_notify_base::worker(void* context) {
    auto* self = static_cast<ds8_notify_base*>(context);
    do {
        {
            CriticalSectionLock lock(self->m_lock);
            self->on_notify();
        }
        WaitForSingleObject(self->m_event.get(), INFINITE);
    } while (!self->m_stop);
    return 0;
}

}  // namespace audio
}  // namespace nrv
