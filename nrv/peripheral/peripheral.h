// Input devices of the support library: the DirectInput 8 keyboard and game controllers,
// each seen as a numbered list of logical buttons, and the input manager that finds,
// owns and polls them.
#pragma once

#include <windows.h>
#include <dinput.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "nrv/peripheral/core/controls.h"
#include "nrv/storage/storage.h"
#include "nrv/win32/win32.h"

namespace nrv {
namespace peripheral {

// The device-interface class of HID devices, game controllers among them: the manager
// registers its window for arrivals and removals of this class.
// {4D1E55B2-F16F-11CF-88CB-001111000030}
constexpr GUID hid_interface_class = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// What device_kind reports.
enum device_kind_number : int { device_keyboard = 0, device_game_controller = 2, device_other = 3 };

// A device as a flat list of logical buttons (indices 0..255), each pressed or not and
// with a value from 0.0 to 1.0. Devices are reference-counted; their owner releases them.
class input_device : public refrence_counter {
public:
    virtual bool is_ready() const = 0;
    virtual uint8_t button_count() const = 0;
    virtual bool is_button_down(uint8_t index) const = 0;
    virtual float button_value(uint8_t index) const = 0;
    // The device's instance name; false, leaving name alone, when there is none.
    virtual bool instance_name(std::wstring& name) const = 0;
    virtual int device_kind() const = 0;
    virtual bool button_name(uint8_t index, std::wstring& name) const = 0;
    // The button's control kind and instance number, each written when given.
    virtual bool button_info(uint8_t index, int* kind, int* instance) const = 0;
    // Index of the n-th button of the control kind, or -1.
    virtual int find_button(int kind, int n) const = 0;
    virtual void set_threshold(uint8_t index, float threshold) = 0;
    virtual bool enumerate_controls() = 0;
    // Reads the device; false while it cannot be acquired or read. elapsed is not used.
    virtual bool poll(float elapsed) = 0;
    // How often each logical button went down, as the readings saw it (see press_log).
    virtual const press_log& presses() const = 0;
};

class input_physical_device : public input_device {};

// A device over one IDirectInputDevice8W.
class input_device_dx8 : public input_physical_device {
public:
    ~input_device_dx8() override;

    bool is_ready() const override;
    uint8_t button_count() const override;
    bool is_button_down(uint8_t index) const override;
    float button_value(uint8_t index) const override;
    bool instance_name(std::wstring& name) const override;
    int device_kind() const override;
    bool button_name(uint8_t index, std::wstring& name) const override;
    bool button_info(uint8_t index, int* kind, int* instance) const override;
    int find_button(int kind, int n) const override;
    void set_threshold(uint8_t index, float threshold) override;
    const press_log& presses() const override { return m_presses; }

    // Creates the DirectInput device for the instance, or takes `created`, one already
    // created for it (with a reference of its own), then sets its data format and cooperative
    // level (foreground or background, never exclusive) and lists its controls. With an
    // event, DirectInput signals it whenever the device's state changes. The device is
    // acquired by the first poll.
    bool open(IDirectInput8W* direct_input, HWND window, const GUID& instance, bool foreground,
              HANDLE state_event = nullptr, IDirectInputDevice8W* created = nullptr);

    const GUID& instance_guid() const { return m_instance; }
    // The device's interface path as DirectInput reports it (DIPROP_GUIDANDPATH); false,
    // leaving path alone, when there is none.
    bool device_path(std::wstring& path) const;
    // The device's USB vendor and product ids as DirectInput reports them (DIPROP_VIDPID);
    // false, leaving both alone, when there are none.
    bool product_ids(uint16_t& vendor, uint16_t& product) const;
    // For asking DirectInput about objects by offset; null before a successful open.
    IDirectInputDevice8W* direct_input_device() const { return m_device.get(); }

protected:
    explicit input_device_dx8(const DIDATAFORMAT* data_format);

    GUID m_instance{};
    DIDEVICEINSTANCEW m_device_instance{};
    // Adds the buttons that went down since the last reading to the press log.
    void note_presses();

    ComPtr<IDirectInputDevice8W> m_device;
    bool m_acquired = false;
    const DIDATAFORMAT* m_data_format;
    press_log m_presses;
};

// The system keyboard: logical button n is the key with DirectInput key offset n.
class input_keyboard_dx8 : public input_device_dx8 {
public:
    input_keyboard_dx8();
    ~input_keyboard_dx8() override;

    uint8_t button_count() const override;
    bool is_button_down(uint8_t index) const override;
    float button_value(uint8_t index) const override;
    int device_kind() const override;
    bool button_name(uint8_t index, std::wstring& name) const override;
    bool button_info(uint8_t index, int* kind, int* instance) const override;
    bool enumerate_controls() override;
    bool poll(float elapsed) override;

private:
    static BOOL CALLBACK on_object(const DIDEVICEOBJECTINSTANCEW* object, void* context);

    uint8_t m_key_state[256] = {};
    std::wstring m_key_names[256];
    int32_t m_key_count = 0;
};

// A game controller: buttons, axis and slider halves and hat directions, in the order
// DirectInput reports the objects (see core/controls.h).
class input_joystick_dx8 : public input_device_dx8 {
public:
    input_joystick_dx8();
    ~input_joystick_dx8() override;

    uint8_t button_count() const override;
    bool is_button_down(uint8_t index) const override;
    float button_value(uint8_t index) const override;
    int device_kind() const override;
    bool button_name(uint8_t index, std::wstring& name) const override;
    bool button_info(uint8_t index, int* kind, int* instance) const override;
    int find_button(int kind, int n) const override;
    void set_threshold(uint8_t index, float threshold) override;
    bool enumerate_controls() override;
    bool poll(float elapsed) override;

private:
    static BOOL CALLBACK on_object(const DIDEVICEOBJECTINSTANCEW* object, void* context);
    bool acquire_baseline();
    bool read_state();

    joystick_state m_baseline{};
    bool m_fresh = false;
    control_table m_controls;
};

// The input manager's interface. Every query answers empty by default.
class input {
public:
    virtual ~input();
    virtual bool refresh_devices();
    virtual bool update(float elapsed);
    virtual int device_count(int kind) const;
    virtual bool is_device_ready(int kind, int n) const;
    // The n-th listed device of the kind, or null. The pointer carries no reference and
    // stays valid until the next refresh_devices or the manager's end.
    virtual input_device* device_at(int kind, int n) const;
};

// What attach_window calls to create DirectInput (null: DirectInput8Create of dinput8.dll)
// and to register for device notifications; tests put in their own to make either fail.
using direct_input_create_fn = HRESULT(WINAPI*)(HINSTANCE, DWORD, REFIID, void**, IUnknown*);
using register_notification_fn = HDEVNOTIFY(WINAPI*)(HANDLE, LPVOID, DWORD);
extern direct_input_create_fn g_direct_input_create;
extern register_notification_fn g_register_device_notification;

// Instance GUIDs in the order the manager lists new devices: byte by byte as they lie in memory.
struct guid_less {
    bool operator()(const GUID& a, const GUID& b) const;
};
using guid_set = std::set<GUID, guid_less>;

// Asks for the arrivals and removals of HID interfaces to be sent to the window as
// WM_DEVICECHANGE; null when they cannot be.
HDEVNOTIFY register_for_hid_interfaces(HWND window);

// The keyboards and game controllers DirectInput reports attached, at most eight (the
// game-controller class still adds its first when the keyboards reached eight).
void list_devices(IDirectInput8W* direct_input, guid_set& found);

// Owns DirectInput 8 (loaded from dinput8.dll at run time) and the attached keyboard and
// game controllers. Devices keep their place in the list while they stay attached; new
// ones are appended when a listing is applied.
class input_dx8 : public input {
public:
    input_dx8();
    ~input_dx8() override;
    input_dx8(const input_dx8&) = delete;
    input_dx8& operator=(const input_dx8&) = delete;

    // Asks for a listing of the devices: of the run's listing worker when one was set (the
    // devices then change when its listing is applied), otherwise done here and now.
    bool refresh_devices() override;
    bool update(float elapsed) override;
    int device_count(int kind) const override;
    bool is_device_ready(int kind, int n) const override;
    input_device_dx8* device_at(int kind, int n) const override;

    // Creates DirectInput, lists the devices and asks for device-interface notifications
    // on the window. Without dinput8.dll it fails and the manager stays empty.
    bool attach_window(HWND window);
    // The same with a DirectInput object the caller created; takes its own reference.
    bool attach_window(HWND window, IDirectInput8W* direct_input);

    // The run's way: devices are opened on `window` with this DirectInput object (the
    // manager takes a reference) and listed by whoever `request_listing` asks, which hands
    // its result to apply_listing later. Lists nothing itself.
    void use_direct_input(HWND window, IDirectInput8W* direct_input, std::function<void()> request_listing);
    // Where a device that the lister already created for an instance comes from, so that
    // creating it (slow in some drivers) is not done here; null when there is none.
    using created_device_source = std::function<ComPtr<IDirectInputDevice8W>(const GUID& instance)>;
    void take_created_devices_from(created_device_source source) { m_created_devices = std::move(source); }
    // Opens the system keyboard without waiting for a listing; true when it is listed.
    bool open_keyboard();
    // Drops the devices the listing no longer holds and opens the new ones; true when a
    // device came or went. The keyboard opened by open_keyboard stays.
    bool apply_listing(const guid_set& listed);
    // Game controllers opened from now on signal this event whenever their state changes.
    void set_state_event(HANDLE event) { m_state_event = event; }
    bool has_direct_input() const { return static_cast<bool>(m_direct_input); }

private:
    struct release_device {
        void operator()(input_device_dx8* device) const { device->release(); }
    };
    using device_ptr = std::unique_ptr<input_device_dx8, release_device>;

    bool remove_detached_devices(const guid_set& listed);
    bool add_new_devices(const guid_set& listed);
    bool open_device(const GUID& instance);
    bool is_listed(const GUID& instance) const;

    UniqueModule m_library;  // dinput8.dll; outlives every DirectInput object below
    std::vector<device_ptr> m_devices;
    HWND m_window = nullptr;
    bool m_foreground = false;
    bool m_keyboard_opened = false;  // by open_keyboard, whatever a listing says
    ComPtr<IDirectInput8W> m_direct_input;
    guid_set m_guids;
    std::function<void()> m_request_listing;
    created_device_source m_created_devices;
    HANDLE m_state_event = nullptr;
};

// --- the run's input ---------------------------------------------------------------------

// Sent to the windows that watch the run's input once a listing changed the devices.
constexpr UINT kDevicesChangedMessage = WM_APP + 1;
// Posted to the run's input window when a game controller's state changed; its message
// handler (pad navigation) then reads the pads.
constexpr UINT kPadStateChangedMessage = WM_APP + 5;

// True for the arrival or removal of a HID interface, the only notifications acted on.
bool is_hid_interface_change(WPARAM event, LPARAM data);

// The input of one run of the program: the manager and its devices, the hidden top-level
// window they are opened on (DirectInput's cooperative level needs a window, and the run
// shows message boxes before and after the sheet), the worker thread that lists the devices
// so that a slow driver never freezes the windows, and which dialog takes the pads' presses.
// It lives on the thread that shows the windows; only the listing crosses to the worker.
class run_input {
public:
    run_input();
    ~run_input();
    run_input(const run_input&) = delete;
    run_input& operator=(const run_input&) = delete;

    // Creates the window, DirectInput of dinput8.dll (loaded as the game loads it) with the
    // system keyboard opened at once, and starts the first listing of the game controllers
    // on the worker thread. False when the window cannot be created; the run then has no
    // devices but goes on.
    bool start();
    // The same with a DirectInput object the caller made (a fake in tests), listed here and
    // now, without a worker.
    bool start(IDirectInput8W* direct_input);

    HWND window() const { return m_window; }
    input_dx8& manager() { return m_manager; }
    const input_dx8& manager() const { return m_manager; }
    input_device_dx8* find_device(const GUID& instance) const;

    // Lets the window's messages through until the first listing was applied or the
    // GetTickCount time `deadline` came; true when it was applied.
    bool wait_for_first_listing(DWORD deadline);
    // No listing was applied yet and one is running: game controllers are still being
    // looked for.
    bool still_looking() const;

    // Windows sent kDevicesChangedMessage after a listing changed the devices.
    void add_watcher(HWND window);
    void remove_watcher(HWND window);
    // Handles the window's messages that the run's input does not (pad navigation's
    // timers and actions); returns true, with the result, when it handled one.
    using message_handler = std::function<bool(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result)>;
    void set_message_handler(message_handler handler) { m_handler = std::move(handler); }

    // A dialog that takes the presses of one pad (its instance GUID), or of every pad (a
    // null GUID), while it is open: pad navigation then leaves those presses to it.
    void begin_capture(HWND dialog, const GUID& device);
    void end_capture(HWND dialog);
    // The capturing dialog while it exists, else null.
    HWND capture_dialog() const;
    const GUID& capture_device() const { return m_capture_device; }

private:
    static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static void CALLBACK on_state_changed(void* context, BOOLEAN timed_out);
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
    bool create_window();
    void take_listing();
    void tell_watchers();
    void watch_state_event();

    HMODULE m_library = nullptr;  // dinput8.dll, never freed (see start)
    UniqueHandle m_state_event;   // signalled by the game controllers on every change; outlives them
    input_dx8 m_manager;
    HWND m_window = nullptr;
    std::unique_ptr<listing_worker> m_worker;
    bool m_first_listing_done = false;  // one ended and was applied
    std::vector<HWND> m_watchers;
    message_handler m_handler;
    HANDLE m_state_wait = nullptr;
    volatile LONG m_state_posted = 0;  // a state message is on its way
    HDEVNOTIFY m_notification = nullptr;
    HWND m_capture_dialog = nullptr;
    GUID m_capture_device = {};
};

// The listed device with this instance GUID in the live manager (or the given one), or
// null. Tries the device kinds in turn, so two pads of one model are told apart.
input_device_dx8* find_device_by_guid(const GUID& instance);
input_device_dx8* find_device_by_guid(const input_dx8& manager, const GUID& instance);

}  // namespace peripheral
}  // namespace nrv
