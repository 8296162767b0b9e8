// Fakes of the DirectSound 8 interfaces the PCM devices use: a playback object and buffer,
// a capture object and buffer, and the notify interface of either buffer. The test owns
// each fake; reference counts are kept so that a test can see every reference dropped.
#pragma once

#include "nrv/audio/audio.h"

#include <atomic>
#include <vector>

// Counts references without deleting: the test owns the object.
class FakeRefCount {
public:
    ULONG add() { return ++m_count; }
    ULONG drop() { return --m_count; }
    ULONG count() const { return m_count; }

private:
    std::atomic<ULONG> m_count{0};
};

class FakeNotify : public IDirectSoundNotify {
public:
    explicit FakeNotify(IUnknown* owner) : m_owner(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return m_owner->QueryInterface(riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return refs.add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs.drop(); }
    HRESULT STDMETHODCALLTYPE SetNotificationPositions(DWORD count,
                                                       const DSBPOSITIONNOTIFY* positions) override;

    // Signals the event of the notifications, as the hardware does at a position.
    void signal() const;

    FakeRefCount refs;
    std::vector<DSBPOSITIONNOTIFY> positions;
    HRESULT result = DS_OK;

private:
    IUnknown* m_owner;
};

// The bytes of a looping buffer and the Lock/Unlock bookkeeping both buffers share.
class FakeBufferBytes {
public:
    HRESULT lock(DWORD offset, DWORD size, void** part1, DWORD* bytes1, void** part2, DWORD* bytes2);
    HRESULT unlock(void* part1, DWORD bytes1, void* part2, DWORD bytes2);

    std::vector<uint8_t> bytes;
    std::atomic<int> locks{0};
    std::atomic<int> unlocks{0};
    std::atomic<int> bad_unlocks{0};
    bool fail_lock = false;

private:
    void* m_lastPart1 = nullptr;
    DWORD m_lastBytes1 = 0;
};

class FakePlaybackBuffer : public IDirectSoundBuffer8 {
public:
    FakePlaybackBuffer() : notify(this) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return refs.add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs.drop(); }
    HRESULT STDMETHODCALLTYPE GetCaps(DSBCAPS*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(DWORD* play, DWORD* write) override;
    HRESULT STDMETHODCALLTYPE GetFormat(WAVEFORMATEX*, DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVolume(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPan(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFrequency(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStatus(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Initialize(IDirectSound*, const DSBUFFERDESC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Lock(DWORD offset, DWORD size, void** part1, DWORD* bytes1, void** part2,
                                   DWORD* bytes2, DWORD flags) override {
        return memory.lock(offset, size, part1, bytes1, part2, bytes2);
    }
    HRESULT STDMETHODCALLTYPE Play(DWORD, DWORD, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE SetCurrentPosition(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetFormat(const WAVEFORMATEX*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetVolume(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPan(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetFrequency(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stop() override {
        ++stops;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE Unlock(void* part1, DWORD bytes1, void* part2, DWORD bytes2) override {
        return memory.unlock(part1, bytes1, part2, bytes2);
    }
    HRESULT STDMETHODCALLTYPE Restore() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetFX(DWORD, DSEFFECTDESC*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AcquireResources(DWORD, DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetObjectInPath(REFGUID, DWORD, REFGUID, void**) override { return E_NOTIMPL; }

    FakeRefCount refs;
    FakeNotify notify;
    FakeBufferBytes memory;
    std::atomic<DWORD> write_cursor{0};
    std::atomic<int> position_queries{0};
    std::atomic<int> plays{0};
    std::atomic<int> stops{0};
    DWORD play_flags = 0;
};

class FakeSound : public IDirectSound8 {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return refs.add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs.drop(); }
    HRESULT STDMETHODCALLTYPE CreateSoundBuffer(const DSBUFFERDESC* description, IDirectSoundBuffer** buffer,
                                                IUnknown* outer) override;
    HRESULT STDMETHODCALLTYPE GetCaps(DSCAPS* caps) override;
    HRESULT STDMETHODCALLTYPE DuplicateSoundBuffer(IDirectSoundBuffer*, IDirectSoundBuffer**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD level) override;
    HRESULT STDMETHODCALLTYPE Compact() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSpeakerConfig(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSpeakerConfig(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Initialize(const GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE VerifyCertification(DWORD*) override { return E_NOTIMPL; }

    FakeRefCount refs;
    DSCAPS caps = {};
    HRESULT cooperative_result = DS_OK;
    HWND cooperative_window = nullptr;
    DWORD cooperative_level = 0;
    FakePlaybackBuffer buffer;
    bool fail_create = false;
    DSBUFFERDESC description = {};
    WAVEFORMATEX format = {};
};

class FakeCaptureBuffer : public IDirectSoundCaptureBuffer8 {
public:
    FakeCaptureBuffer() : notify(this) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return refs.add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs.drop(); }
    HRESULT STDMETHODCALLTYPE GetCaps(DSCBCAPS*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(DWORD* capture, DWORD* read) override;
    HRESULT STDMETHODCALLTYPE GetFormat(WAVEFORMATEX*, DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStatus(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Initialize(IDirectSoundCapture*, const DSCBUFFERDESC*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Lock(DWORD offset, DWORD size, void** part1, DWORD* bytes1, void** part2,
                                   DWORD* bytes2, DWORD) override {
        return memory.lock(offset, size, part1, bytes1, part2, bytes2);
    }
    HRESULT STDMETHODCALLTYPE Start(DWORD flags) override {
        start_flags = flags;
        ++starts;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE Stop() override {
        ++stops;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE Unlock(void* part1, DWORD bytes1, void* part2, DWORD bytes2) override {
        return memory.unlock(part1, bytes1, part2, bytes2);
    }
    HRESULT STDMETHODCALLTYPE GetObjectInPath(REFGUID, DWORD, REFGUID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFXStatus(DWORD, DWORD*) override { return E_NOTIMPL; }

    FakeRefCount refs;
    FakeNotify notify;
    FakeBufferBytes memory;
    std::atomic<DWORD> read_position{0};
    std::atomic<int> position_queries{0};
    std::atomic<int> starts{0};
    std::atomic<int> stops{0};
    DWORD start_flags = 0;
};

class FakeCapture : public IDirectSoundCapture {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return refs.add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs.drop(); }
    HRESULT STDMETHODCALLTYPE CreateCaptureBuffer(const DSCBUFFERDESC* description,
                                                  IDirectSoundCaptureBuffer** buffer,
                                                  IUnknown* outer) override;
    HRESULT STDMETHODCALLTYPE GetCaps(DSCCAPS* caps) override;
    HRESULT STDMETHODCALLTYPE Initialize(const GUID*) override { return E_NOTIMPL; }

    FakeRefCount refs;
    DSCCAPS caps = {};
    FakeCaptureBuffer buffer;
    bool fail_create = false;
    DSCBUFFERDESC description = {};
    WAVEFORMATEX format = {};
};

// The threads and handles of this process right now.
int thread_count();
DWORD handle_count();
