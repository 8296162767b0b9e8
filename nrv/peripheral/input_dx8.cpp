#include "nrv/peripheral/peripheral.h"

#include "nrv/win32/win32.h"

#include <dbt.h>

#include <cstring>
#include <new>
#include <utility>

namespace nrv {
namespace peripheral {

direct_input_create_fn g_direct_input_create = nullptr;
register_notification_fn g_register_device_notification = &RegisterDeviceNotificationW;

namespace {

// Enumeration stops once this many instance GUIDs were found.
constexpr size_t kMaxEnumeratedDevices = 8;

// Owns a device-notification registration.
class device_notification {
public:
    device_notification() = default;
    ~device_notification() { reset(); }
    device_notification(const device_notification&) = delete;
    device_notification& operator=(const device_notification&) = delete;

    HDEVNOTIFY get() const { return m_handle; }
    void reset(HDEVNOTIFY handle = nullptr) {
        if (m_handle) UnregisterDeviceNotification(m_handle);
        m_handle = handle;
    }

private:
    HDEVNOTIFY m_handle = nullptr;
};

input_dx8* g_live_manager = nullptr;
WNDPROC g_previous_procedure = nullptr;
device_notification g_notification;

// Arrivals and removals are picked up by the next refresh_devices; the window keeps its
// own handling of every message.
LRESULT CALLBACK forward_to_previous(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!g_previous_procedure) return DefWindowProcW(window, message, wparam, lparam);
    return CallWindowProcW(g_previous_procedure, window, message, wparam, lparam);
}

bool hook_window(HWND window) {
    const auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
    if (current == &forward_to_previous) return true;  // hooked already; never forward to itself
    SetLastError(0);
    const LONG_PTR previous =
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&forward_to_previous));
    if (previous == 0 && GetLastError() != 0) return false;
    g_previous_procedure = reinterpret_cast<WNDPROC>(previous);
    return true;
}

}  // namespace

HDEVNOTIFY register_for_hid_interfaces(HWND window) {
    DEV_BROADCAST_DEVICEINTERFACE_W filter;
    static_assert(sizeof filter == 32, "the notification filter is 32 bytes");
    std::memset(&filter, 0, sizeof filter);
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = hid_interface_class;
    return g_register_device_notification(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

// --- input --------------------------------------------------------------------------------

input::~input() = default;

bool input::refresh_devices() {
    return false;
}

bool input::update(float) {
    return false;
}

int input::device_count(int) const {
    return 0;
}

bool input::is_device_ready(int, int) const {
    return false;
}

input_device* input::device_at(int, int) const {
    return nullptr;
}

// --- input_dx8 ----------------------------------------------------------------------------

bool guid_less::operator()(const GUID& a, const GUID& b) const {
    return std::memcmp(&a, &b, sizeof(GUID)) < 0;
}

namespace {

BOOL CALLBACK on_device_found(const DIDEVICEINSTANCEW* instance, void* context) {
    auto* found = static_cast<guid_set*>(context);
    if (instance) found->insert(instance->guidInstance);
    return found->size() < kMaxEnumeratedDevices ? DIENUM_CONTINUE : DIENUM_STOP;
}

}  // namespace

void list_devices(IDirectInput8W* direct_input, guid_set& found) {
    found.clear();
    if (!direct_input) return;
    direct_input->EnumDevices(DI8DEVCLASS_KEYBOARD, &on_device_found, &found, DIEDFL_ATTACHEDONLY);
    direct_input->EnumDevices(DI8DEVCLASS_GAMECTRL, &on_device_found, &found, DIEDFL_ATTACHEDONLY);
}

input_dx8::input_dx8() {
    g_live_manager = this;
    g_notification.reset();
}

input_dx8::~input_dx8() {
    for (device_ptr& device : m_devices) device.reset();
    m_devices.clear();
    m_direct_input.reset();
    if (g_live_manager == this) g_live_manager = nullptr;
    g_notification.reset();
    // The window procedure stays hooked: the window is gone by now, and the forwarding
    // procedure needs nothing of the manager.
}

bool input_dx8::attach_window(HWND window) {
    m_window = window;
    m_foreground = false;
    if (!m_library) m_library.reset(load_library_as_game_does(L"dinput8.dll"));
    const auto create = g_direct_input_create ? g_direct_input_create
                                              : m_library.proc<direct_input_create_fn>("DirectInput8Create");
    if (!create) return false;
    ComPtr<IDirectInput8W> direct_input;
    const HRESULT result = create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8W,
                                  reinterpret_cast<void**>(direct_input.put()), nullptr);
    if (FAILED(result) || !direct_input) return false;
    return attach_window(window, direct_input.get());
}

bool input_dx8::attach_window(HWND window, IDirectInput8W* direct_input) {
    m_window = window;
    m_foreground = false;
    if (!direct_input) return false;
    direct_input->AddRef();
    m_direct_input.attach(direct_input);
    refresh_devices();
    if (!hook_window(window)) return false;
    g_notification.reset(register_for_hid_interfaces(window));
    return g_notification.get() != nullptr;
}

void input_dx8::use_direct_input(HWND window, IDirectInput8W* direct_input,
                                 std::function<void()> request_listing) {
    m_window = window;
    m_foreground = false;
    m_request_listing = std::move(request_listing);
    if (!direct_input) return;
    direct_input->AddRef();
    m_direct_input.attach(direct_input);
}

bool input_dx8::open_keyboard() {
    if (is_listed(GUID_SysKeyboard)) return true;
    m_keyboard_opened = open_device(GUID_SysKeyboard);
    return m_keyboard_opened;
}

bool input_dx8::refresh_devices() {
    if (m_request_listing) {
        m_request_listing();
        return true;
    }
    if (!m_direct_input) return true;
    list_devices(m_direct_input.get(), m_guids);
    apply_listing(m_guids);
    return true;
}

bool input_dx8::apply_listing(const guid_set& listed) {
    if (&listed != &m_guids) m_guids = listed;
    const bool removed = remove_detached_devices(listed);
    const bool added = add_new_devices(listed);
    return removed || added;
}

bool input_dx8::remove_detached_devices(const guid_set& listed) {
    bool removed = false;
    auto detached = m_devices.begin();
    while (detached != m_devices.end()) {
        const GUID& instance = (*detached)->instance_guid();
        const bool kept_keyboard = m_keyboard_opened && IsEqualGUID(instance, GUID_SysKeyboard);
        if (listed.count(instance) == 0 && !kept_keyboard) {
            detached = m_devices.erase(detached);
            removed = true;
        } else {
            ++detached;
        }
    }
    return removed;
}

bool input_dx8::is_listed(const GUID& instance) const {
    for (const device_ptr& device : m_devices) {
        if (IsEqualGUID(device->instance_guid(), instance)) return true;
    }
    return false;
}

bool input_dx8::add_new_devices(const guid_set& listed) {
    bool added = false;
    for (const GUID& instance : listed) {
        if (is_listed(instance) || IsEqualGUID(instance, GUID_SysMouse)) continue;
        added = open_device(instance) || added;
    }
    return added;
}

bool input_dx8::open_device(const GUID& instance) {
    device_ptr device;
    const bool keyboard = IsEqualGUID(instance, GUID_SysKeyboard) != FALSE;
    if (keyboard) {
        device.reset(new (std::nothrow) input_keyboard_dx8());
    } else {
        device.reset(new (std::nothrow) input_joystick_dx8());
    }
    const ComPtr<IDirectInputDevice8W> created =
        m_created_devices && !keyboard ? m_created_devices(instance) : ComPtr<IDirectInputDevice8W>();
    if (!device || !device->open(m_direct_input.get(), m_window, instance, m_foreground,
                                 keyboard ? nullptr : m_state_event, created.get()))
        return false;
    m_devices.push_back(std::move(device));
    return true;
}

bool input_dx8::update(float elapsed) {
    for (const device_ptr& device : m_devices) device->poll(elapsed);
    return true;
}

int input_dx8::device_count(int kind) const {
    int count = 0;
    for (const device_ptr& device : m_devices) {
        if (device->device_kind() == kind) ++count;
    }
    return count;
}

bool input_dx8::is_device_ready(int kind, int n) const {
    const input_device_dx8* device = device_at(kind, n);
    return device && device->is_ready();
}

input_device_dx8* input_dx8::device_at(int kind, int n) const {
    if (n < 0) return nullptr;
    for (const device_ptr& device : m_devices) {
        if (device->device_kind() == kind && n-- == 0) return device.get();
    }
    return nullptr;
}

// --- device lookup ------------------------------------------------------------------------

input_device_dx8* find_device_by_guid(const input_dx8& manager, const GUID& instance) {
    for (int kind = 0; kind <= device_other; ++kind) {
        const int count = manager.device_count(kind);
        for (int n = 0; n < count; ++n) {
            input_device_dx8* device = manager.device_at(kind, n);
            if (device && std::memcmp(&device->instance_guid(), &instance, sizeof(GUID)) == 0) return device;
        }
    }
    return nullptr;
}

input_device_dx8* find_device_by_guid(const GUID& instance) {
    return g_live_manager ? find_device_by_guid(*g_live_manager, instance) : nullptr;
}

}  // namespace peripheral
}  // namespace nrv
