// The run's input: the hidden window the devices live on, the listing worker and the
// dialog that takes the pads' presses.
#include "nrv/peripheral/peripheral.h"

#include <dbt.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <map>
#include <mutex>
#include <new>

namespace nrv {
namespace peripheral {

namespace {

constexpr wchar_t kWindowClass[] = L"SettingsRunInput";
// Not empty: a second instance looks for the sheet by its caption, which is empty when
// the texts are missing, and must not find this window instead.
constexpr wchar_t kWindowTitle[] = L"settings input";
// Posted by the worker when a listing ended.
constexpr UINT kListingDoneMessage = WM_APP + 6;
constexpr UINT_PTR kSettleTimer = 0x4443;
// One pad coming or going sends several notifications within a few milliseconds.
constexpr UINT kSettleMs = 250;
// How long the end of the run waits for a listing under way.
constexpr int kStopWaitMs = 1000;

// DirectInput of the given dinput8.dll; null when it cannot be had.
ComPtr<IDirectInput8W> create_direct_input(HMODULE library) {
    ComPtr<IDirectInput8W> direct_input;
    const auto create =
        g_direct_input_create
            ? g_direct_input_create
            : reinterpret_cast<direct_input_create_fn>(
                  library ? reinterpret_cast<void*>(GetProcAddress(library, "DirectInput8Create")) : nullptr);
    if (!create || FAILED(create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8W,
                                 reinterpret_cast<void**>(direct_input.put()), nullptr)))
        direct_input.reset();
    return direct_input;
}

// What the worker thread lists with: its own DirectInput, made at its first listing and
// used on that thread only, so that a listing stuck in a driver holds nothing the window
// thread needs. It comes from the very dinput8.dll the window thread loaded. The game
// controllers that arrived since the last listing are created here too, since creating one
// takes a driver about as long as listing them; the window thread takes each over, under
// the lock, when it opens the device, and then alone uses it.
struct worker_direct_input {
    HMODULE library = nullptr;
    ComPtr<IDirectInput8W> object;
    guid_set last_found;  // of the last listing, on the worker thread only

    bool list(listing_worker::device_ids& ids) {
        if (!object) object = create_direct_input(library);
        if (!object) return false;
        guid_set found;
        list_devices(object.get(), found);
        create_arrived_controllers(found);
        for (const GUID& instance : found) {
            std::array<uint8_t, 16> bytes;
            std::memcpy(bytes.data(), &instance, sizeof instance);
            ids.push_back(bytes);
        }
        return true;
    }

    // The device created for the instance, taken over by the caller; null when there is none.
    ComPtr<IDirectInputDevice8W> take(const GUID& instance) {
        std::lock_guard<std::mutex> guard(lock);
        ComPtr<IDirectInputDevice8W> device;
        const auto entry = created.find(instance);
        if (entry != created.end()) {
            device = std::move(entry->second);
            created.erase(entry);
        }
        return device;
    }

private:
    void create_arrived_controllers(const guid_set& found) {
        std::map<GUID, ComPtr<IDirectInputDevice8W>, guid_less> arrived;
        for (const GUID& instance : found) {
            if (last_found.count(instance) || IsEqualGUID(instance, GUID_SysKeyboard) ||
                IsEqualGUID(instance, GUID_SysMouse))
                continue;
            ComPtr<IDirectInputDevice8W> device;
            if (SUCCEEDED(object->CreateDevice(instance, device.put(), nullptr)) && device)
                arrived.emplace(instance, std::move(device));
        }
        last_found = found;
        std::lock_guard<std::mutex> guard(lock);
        // A device that went again before the window thread took it is of no more use.
        for (auto entry = created.begin(); entry != created.end();)
            entry = found.count(entry->first) ? std::next(entry) : created.erase(entry);
        for (auto& entry : arrived) created[entry.first] = std::move(entry.second);
    }

    std::mutex lock;
    std::map<GUID, ComPtr<IDirectInputDevice8W>, guid_less> created;
};

}  // namespace

bool is_hid_interface_change(WPARAM event, LPARAM data) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return false;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (!header || header->dbch_size < sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) ||
        header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
        return false;
    const auto* interface_change = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(data);
    return IsEqualGUID(interface_change->dbcc_classguid, hid_interface_class) != FALSE;
}

run_input::run_input() = default;

run_input::~run_input() {
    // Waits for a wait callback that runs, so that none posts to a window that is gone.
    if (m_state_wait) UnregisterWaitEx(m_state_wait, INVALID_HANDLE_VALUE);
    if (m_notification) UnregisterDeviceNotification(m_notification);
    // A listing that is under way is given a moment to end, so that the process does not
    // end with the worker inside DirectInput; one stuck in a driver is left behind.
    if (m_worker) m_worker->stop(std::chrono::milliseconds(kStopWaitMs));
    m_worker.reset();
    if (m_window) DestroyWindow(m_window);
}

bool run_input::create_window() {
    static const ATOM window_class = [] {
        WNDCLASSEXW description = {sizeof description};
        description.lpfnWndProc = &run_input::window_procedure;
        description.hInstance = GetModuleHandleW(nullptr);
        description.lpszClassName = kWindowClass;
        return RegisterClassExW(&description);
    }();
    if (!window_class) return false;
    m_window = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, kWindowTitle, WS_POPUP, 0, 0, 0, 0, nullptr,
                               nullptr, GetModuleHandleW(nullptr), this);
    return m_window != nullptr;
}

bool run_input::start() {
    if (!create_window()) return false;
    m_state_event.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    // dinput8.dll stays loaded until the process ends: DirectInput's own threads (a keyboard
    // hook, the readers of the HID devices) may still run at the end of the run, and code of
    // an unloaded DLL would crash them.
    if (!g_direct_input_create) m_library = load_library_as_game_does(L"dinput8.dll");
    auto listing_input = std::make_shared<worker_direct_input>();
    listing_input->library = m_library;
    const HWND window = m_window;
    m_worker.reset(new (std::nothrow) listing_worker(
        [listing_input](listing_worker::device_ids& ids) { return listing_input->list(ids); },
        [window] { PostMessageW(window, kListingDoneMessage, 0, 0); }));
    if (m_worker) m_worker->request();

    const ComPtr<IDirectInput8W> direct_input = create_direct_input(m_library);
    m_manager.use_direct_input(m_window, direct_input.get(), [this] {
        if (m_worker) m_worker->request();
    });
    m_manager.take_created_devices_from(
        [listing_input](const GUID& instance) { return listing_input->take(instance); });
    m_manager.set_state_event(m_state_event.get());
    if (direct_input) m_manager.open_keyboard();
    m_notification = register_for_hid_interfaces(m_window);
    watch_state_event();
    return true;
}

bool run_input::start(IDirectInput8W* direct_input) {
    if (!create_window()) return false;
    m_state_event.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    m_manager.use_direct_input(m_window, direct_input, nullptr);
    m_manager.set_state_event(m_state_event.get());
    m_manager.refresh_devices();
    m_first_listing_done = true;
    m_notification = register_for_hid_interfaces(m_window);
    watch_state_event();
    return true;
}

void run_input::watch_state_event() {
    if (!m_state_event) return;
    RegisterWaitForSingleObject(&m_state_wait, m_state_event.get(), &run_input::on_state_changed, this,
                                INFINITE, WT_EXECUTEINWAITTHREAD);
}

// On the system's wait thread: one message at a time is on its way to the window.
void CALLBACK run_input::on_state_changed(void* context, BOOLEAN) {
    auto* self = static_cast<run_input*>(context);
    if (InterlockedExchange(&self->m_state_posted, 1) == 0)
        PostMessageW(self->m_window, kPadStateChangedMessage, 0, 0);
}

input_device_dx8* run_input::find_device(const GUID& instance) const {
    return find_device_by_guid(m_manager, instance);
}

bool run_input::wait_for_first_listing(DWORD deadline) {
    while (still_looking()) {
        const LONG left = static_cast<LONG>(deadline - GetTickCount());
        if (left <= 0) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                return m_first_listing_done;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return m_first_listing_done;
}

bool run_input::still_looking() const {
    return m_worker && !m_first_listing_done;
}

void run_input::add_watcher(HWND window) {
    if (std::find(m_watchers.begin(), m_watchers.end(), window) == m_watchers.end())
        m_watchers.push_back(window);
}

void run_input::remove_watcher(HWND window) {
    m_watchers.erase(std::remove(m_watchers.begin(), m_watchers.end(), window), m_watchers.end());
}

void run_input::begin_capture(HWND dialog, const GUID& device) {
    m_capture_dialog = dialog;
    m_capture_device = device;
}

void run_input::end_capture(HWND dialog) {
    if (m_capture_dialog != dialog) return;
    m_capture_dialog = nullptr;
    m_capture_device = GUID_NULL;
}

HWND run_input::capture_dialog() const {
    return m_capture_dialog && IsWindow(m_capture_dialog) ? m_capture_dialog : nullptr;
}

void run_input::take_listing() {
    listing_worker::device_ids ids;
    const bool listed = m_worker && m_worker->take(ids);
    const bool first = !m_first_listing_done;
    m_first_listing_done = true;
    bool changed = false;
    if (listed) {
        guid_set found;
        for (const auto& bytes : ids) {
            GUID instance;
            std::memcpy(&instance, bytes.data(), sizeof instance);
            found.insert(instance);
        }
        changed = m_manager.apply_listing(found);
    }
    if (changed || first) tell_watchers();
}

void run_input::tell_watchers() {
    const std::vector<HWND> watchers = m_watchers;  // a watcher may go meanwhile
    for (HWND watcher : watchers) {
        if (IsWindow(watcher)) SendMessageW(watcher, kDevicesChangedMessage, 0, 0);
    }
    LRESULT ignored = 0;
    if (m_handler) m_handler(kDevicesChangedMessage, 0, 0, ignored);
}

LRESULT CALLBACK run_input::window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* self = reinterpret_cast<run_input*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || self->m_window != window) return DefWindowProcW(window, message, wparam, lparam);
    return self->handle(message, wparam, lparam);
}

LRESULT run_input::handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case kListingDoneMessage:
            take_listing();
            return 0;
        case WM_DEVICECHANGE:
            // Setting the timer again restarts it: the listing follows the last notification.
            if (is_hid_interface_change(wparam, lparam)) SetTimer(m_window, kSettleTimer, kSettleMs, nullptr);
            return TRUE;
        case WM_TIMER:
            if (wparam != kSettleTimer) break;
            KillTimer(m_window, kSettleTimer);
            m_manager.refresh_devices();
            if (!m_worker) tell_watchers();  // listed here and now
            return 0;
        case kPadStateChangedMessage:
            InterlockedExchange(&m_state_posted, 0);
            break;
        default:
            break;
    }
    LRESULT result = 0;
    if (m_handler && m_handler(message, wparam, lparam, result)) return result;
    return DefWindowProcW(m_window, message, wparam, lparam);
}

}  // namespace peripheral
}  // namespace nrv
