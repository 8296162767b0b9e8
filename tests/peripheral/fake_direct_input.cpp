#include "peripheral/fake_direct_input.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace fake {

namespace {

template <size_t N>
void copy_name(WCHAR (&field)[N], const std::wstring& name) {
    const size_t length = std::min(name.size(), N - 1);
    std::wmemcpy(field, name.c_str(), length);
    field[length] = L'\0';
}

class device final : public IDirectInputDevice8W {
public:
    explicit device(std::shared_ptr<pad> model) : m_pad(std::move(model)) { ++m_pad->live_interfaces; }
    ~device() { --m_pad->live_interfaces; }

    HRESULT WINAPI QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG WINAPI AddRef() override { return ++m_references; }
    ULONG WINAPI Release() override {
        const LONG left = --m_references;
        if (left == 0) delete this;
        return left;
    }
    HRESULT WINAPI GetCapabilities(LPDIDEVCAPS) override { return E_NOTIMPL; }
    HRESULT WINAPI EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKW callback, LPVOID context, DWORD) override {
        for (const object& reported : m_pad->objects) {
            DIDEVICEOBJECTINSTANCEW instance;
            std::memset(&instance, 0, sizeof instance);
            instance.dwSize = sizeof instance;
            instance.guidType = reported.type;
            instance.dwOfs = reported.offset;
            copy_name(instance.tszName, reported.name);
            if (callback(&instance, context) == DIENUM_STOP) break;
        }
        return m_pad->enum_objects_result;
    }
    HRESULT WINAPI GetProperty(REFGUID property, LPDIPROPHEADER header) override {
        if (&property == &DIPROP_VIDPID && m_pad->vid_pid && header->dwSize == sizeof(DIPROPDWORD)) {
            reinterpret_cast<DIPROPDWORD*>(header)->dwData = m_pad->vid_pid;
            return DI_OK;
        }
        if (&property != &DIPROP_GUIDANDPATH || m_pad->path.empty()) return DIERR_UNSUPPORTED;
        if (header->dwSize != sizeof(DIPROPGUIDANDPATH) || header->dwHow != DIPH_DEVICE)
            return DIERR_INVALIDPARAM;
        copy_name(reinterpret_cast<DIPROPGUIDANDPATH*>(header)->wszPath, m_pad->path);
        return DI_OK;
    }
    HRESULT WINAPI SetProperty(REFGUID, LPCDIPROPHEADER) override { return E_NOTIMPL; }
    HRESULT WINAPI Acquire() override {
        ++m_pad->acquire_calls;
        const HRESULT result = m_pad->acquired ? S_FALSE : m_pad->acquire_result;
        if (SUCCEEDED(result)) m_pad->acquired = true;
        return result;
    }
    HRESULT WINAPI Unacquire() override {
        ++m_pad->unacquire_calls;
        m_pad->acquired = false;
        return DI_OK;
    }
    HRESULT WINAPI GetDeviceState(DWORD size, LPVOID data) override {
        m_pad->last_state_size = size;
        if (FAILED(m_pad->state_result)) return m_pad->state_result;
        std::memset(data, 0, size);
        std::memcpy(data, m_pad->state.data(), std::min<size_t>(size, m_pad->state.size()));
        return m_pad->state_result;
    }
    HRESULT WINAPI GetDeviceData(DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT WINAPI SetDataFormat(LPCDIDATAFORMAT format) override {
        m_pad->data_format = format;
        return m_pad->data_format_result;
    }
    HRESULT WINAPI SetEventNotification(HANDLE) override { return E_NOTIMPL; }
    HRESULT WINAPI SetCooperativeLevel(HWND window, DWORD flags) override {
        m_pad->cooperative_window = window;
        m_pad->cooperative_flags = flags;
        return m_pad->cooperative_result;
    }
    // As DirectInput does once a data format is set: an object is found by its offset in
    // that format, and an offset no object has is DIERR_OBJECTNOTFOUND.
    HRESULT WINAPI GetObjectInfo(LPDIDEVICEOBJECTINSTANCEW instance, DWORD which, DWORD how) override {
        if (!instance || instance->dwSize != sizeof(DIDEVICEOBJECTINSTANCEW)) return DIERR_INVALIDPARAM;
        if (how != DIPH_BYOFFSET) return E_NOTIMPL;
        for (const object& reported : m_pad->objects) {
            if (reported.offset != which) continue;
            std::memset(instance, 0, sizeof *instance);
            instance->dwSize = sizeof *instance;
            instance->guidType = reported.type;
            instance->dwOfs = reported.offset;
            copy_name(instance->tszName, reported.name);
            return DI_OK;
        }
        return DIERR_OBJECTNOTFOUND;
    }
    HRESULT WINAPI GetDeviceInfo(LPDIDEVICEINSTANCEW instance) override {
        if (instance->dwSize != sizeof(DIDEVICEINSTANCEW)) return DIERR_INVALIDPARAM;
        copy_name(instance->tszInstanceName, m_pad->instance_name);
        copy_name(instance->tszProductName, m_pad->instance_name);
        return m_pad->info_result;
    }
    HRESULT WINAPI RunControlPanel(HWND, DWORD) override { return E_NOTIMPL; }
    HRESULT WINAPI Initialize(HINSTANCE, DWORD, REFGUID) override { return E_NOTIMPL; }
    HRESULT WINAPI CreateEffect(REFGUID, LPCDIEFFECT, LPDIRECTINPUTEFFECT*, LPUNKNOWN) override {
        return E_NOTIMPL;
    }
    HRESULT WINAPI EnumEffects(LPDIENUMEFFECTSCALLBACKW, LPVOID, DWORD) override { return E_NOTIMPL; }
    HRESULT WINAPI GetEffectInfo(LPDIEFFECTINFOW, REFGUID) override { return E_NOTIMPL; }
    HRESULT WINAPI GetForceFeedbackState(LPDWORD) override { return E_NOTIMPL; }
    HRESULT WINAPI SendForceFeedbackCommand(DWORD) override { return E_NOTIMPL; }
    HRESULT WINAPI EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT WINAPI Escape(LPDIEFFESCAPE) override { return E_NOTIMPL; }
    HRESULT WINAPI Poll() override { return m_pad->poll_result; }
    HRESULT WINAPI SendDeviceData(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT WINAPI EnumEffectsInFile(LPCWSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT WINAPI WriteEffectToFile(LPCWSTR, DWORD, LPDIFILEEFFECT, DWORD) override { return E_NOTIMPL; }
    HRESULT WINAPI BuildActionMap(LPDIACTIONFORMATW, LPCWSTR, DWORD) override { return E_NOTIMPL; }
    HRESULT WINAPI SetActionMap(LPDIACTIONFORMATW, LPCWSTR, DWORD) override { return E_NOTIMPL; }
    HRESULT WINAPI GetImageInfo(LPDIDEVICEIMAGEINFOHEADERW) override { return E_NOTIMPL; }

private:
    std::shared_ptr<pad> m_pad;
    LONG m_references = 1;
};

}  // namespace

void add_axis(pad& device, const GUID& type, const wchar_t* name) {
    static const struct {
        const GUID* type;
        DWORD offset;
    } kAxes[] = {{&GUID_XAxis, DIJOFS_X},   {&GUID_YAxis, DIJOFS_Y},   {&GUID_ZAxis, DIJOFS_Z},
                 {&GUID_RxAxis, DIJOFS_RX}, {&GUID_RyAxis, DIJOFS_RY}, {&GUID_RzAxis, DIJOFS_RZ}};
    DWORD offset = 0;
    for (const auto& axis : kAxes) {
        if (IsEqualGUID(*axis.type, type)) offset = axis.offset;
    }
    device.objects.push_back({type, name, offset});
}

void add_buttons(pad& device, int count, DWORD first_offset) {
    for (int n = 0; n < count; ++n) {
        device.objects.push_back({GUID_Button, L"Button " + std::to_wstring(n), first_offset + n});
    }
}

void add_hats(pad& device, int count) {
    for (int n = 0; n < count; ++n) {
        device.objects.push_back({GUID_POV, L"Hat " + std::to_wstring(n), DWORD(DIJOFS_POV(n % 4))});
    }
}

void add_sliders(pad& device, int count) {
    for (int n = 0; n < count; ++n) {
        device.objects.push_back({GUID_Slider, L"Slider " + std::to_wstring(n), DWORD(DIJOFS_SLIDER(n % 2))});
    }
}

std::shared_ptr<pad> make_keyboard(int highest_key) {
    auto keyboard = std::make_shared<pad>();
    keyboard->instance_name = L"Keyboard";
    keyboard->state.assign(256, 0);
    for (int key = 1; key <= highest_key; ++key) {
        keyboard->objects.push_back({GUID_Key, L"Key " + std::to_wstring(key), DWORD(key)});
    }
    return keyboard;
}

void centre(pad& device) {
    DIJOYSTATE2& state = device.joystick();
    state.lX = state.lY = state.lZ = state.lRx = state.lRy = state.lRz = 32767;
    state.rglSlider[0] = state.rglSlider[1] = 32767;
    for (DWORD& hat : state.rgdwPOV) hat = 0xFFFFFFFF;
}

HWND create_window() {
    static const ATOM window_class = [] {
        WNDCLASSW description = {};
        description.lpfnWndProc = DefWindowProcW;
        description.hInstance = GetModuleHandleW(nullptr);
        description.lpszClassName = L"peripheral_test_window";
        return RegisterClassW(&description);
    }();
    if (!window_class) return nullptr;
    return CreateWindowExW(0, L"peripheral_test_window", L"peripheral test", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                           100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

GUID guid_with_first_byte(uint8_t first) {
    GUID guid = {0x5A5A5A00, 0x1234, 0x5678, {0x9A, 0xBC, 0xDE, 0xF0, 0x11, 0x22, 0x33, 0x44}};
    // The first byte in memory order is the low byte of Data1 (little-endian).
    guid.Data1 = (guid.Data1 & 0xFFFFFF00u) | first;
    return guid;
}

direct_input::direct_input() = default;
direct_input::~direct_input() = default;

void direct_input::attach(DWORD device_class, const GUID& instance, std::shared_ptr<pad> device) {
    m_attached.push_back({device_class, instance, std::move(device)});
}

void direct_input::detach(const GUID& instance) {
    m_attached.erase(std::remove_if(m_attached.begin(), m_attached.end(),
                                    [&](const attached& a) { return IsEqualGUID(a.instance, instance); }),
                     m_attached.end());
}

int direct_input::reported(DWORD device_class) const {
    const auto found = m_reported.find(device_class);
    return found == m_reported.end() ? 0 : found->second;
}

int direct_input::enumerations(DWORD device_class) const {
    const auto found = m_enumerations.find(device_class);
    return found == m_enumerations.end() ? 0 : found->second;
}

HRESULT WINAPI direct_input::QueryInterface(REFIID, void** object) {
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG WINAPI direct_input::AddRef() {
    return ++m_references;
}

// The test owns the object on its stack; the count only shows who still holds it.
ULONG WINAPI direct_input::Release() {
    return --m_references;
}

HRESULT WINAPI direct_input::CreateDevice(REFGUID instance, LPDIRECTINPUTDEVICE8W* created, LPUNKNOWN) {
    *created = nullptr;
    for (const attached& a : m_attached) {
        if (!IsEqualGUID(a.instance, instance)) continue;
        if (FAILED(a.device->create_result)) return a.device->create_result;
        *created = new device(a.device);
        return DI_OK;
    }
    return DIERR_DEVICENOTREG;
}

HRESULT WINAPI direct_input::EnumDevices(DWORD device_class, LPDIENUMDEVICESCALLBACKW callback,
                                         LPVOID context, DWORD) {
    ++m_enumerations[device_class];
    int& reported = m_reported[device_class];
    reported = 0;
    for (const attached& a : m_attached) {
        if (a.device_class != device_class) continue;
        DIDEVICEINSTANCEW instance;
        std::memset(&instance, 0, sizeof instance);
        instance.dwSize = sizeof instance;
        instance.guidInstance = a.instance;
        copy_name(instance.tszInstanceName, a.device->instance_name);
        ++reported;
        if (callback(&instance, context) == DIENUM_STOP) break;
    }
    return DI_OK;
}

}  // namespace fake
