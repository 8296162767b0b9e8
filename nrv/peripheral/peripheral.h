// Input devices of the support library: the DirectInput 8 keyboard and game controllers,
// each seen as a numbered list of logical buttons, and the input manager that finds,
// owns and polls them.
#pragma once

#include <windows.h>
#include <dinput.h>

#include <cstdint>
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

    // Creates the DirectInput device for the instance, sets its data format and
    // cooperative level (foreground or background, never exclusive) and lists its controls.
    // The device is acquired by the first poll.
    bool open(IDirectInput8W* direct_input, HWND window, const GUID& instance, bool foreground);

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
    ComPtr<IDirectInputDevice8W> m_device;
    bool m_acquired = false;
    const DIDATAFORMAT* m_data_format;
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

// Owns DirectInput 8 (loaded from dinput8.dll at run time) and the attached keyboard and
// game controllers. Devices keep their place in the list while they stay attached; new
// ones are appended by refresh_devices.
class input_dx8 : public input {
public:
    input_dx8();
    ~input_dx8() override;
    input_dx8(const input_dx8&) = delete;
    input_dx8& operator=(const input_dx8&) = delete;

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

private:
    struct release_device {
        void operator()(input_device_dx8* device) const { device->release(); }
    };
    using device_ptr = std::unique_ptr<input_device_dx8, release_device>;
    struct guid_less {
        bool operator()(const GUID& a, const GUID& b) const;
    };

    static BOOL CALLBACK on_device_found(const DIDEVICEINSTANCEW* instance, void* context);
    void remove_detached_devices();
    void add_new_devices();
    bool is_listed(const GUID& instance) const;

    UniqueModule m_library;  // dinput8.dll; outlives every DirectInput object below
    std::vector<device_ptr> m_devices;
    HWND m_window = nullptr;
    bool m_foreground = false;
    ComPtr<IDirectInput8W> m_direct_input;
    std::set<GUID, guid_less> m_guids;
};

// The listed device with this instance GUID in the live manager (or the given one), or
// null. Tries the device kinds in turn, so two pads of one model are told apart.
input_device_dx8* find_device_by_guid(const GUID& instance);
input_device_dx8* find_device_by_guid(const input_dx8& manager, const GUID& instance);

}  // namespace peripheral
}  // namespace nrv
