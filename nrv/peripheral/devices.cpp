#include "nrv/peripheral/peripheral.h"

#include <cstddef>
#include <cstring>
#include <cwchar>

namespace nrv {
namespace peripheral {

static_assert(sizeof(DIDEVICEINSTANCEW) == 1100, "the device instance record is 1100 bytes");
static_assert(sizeof(joystick_state) == sizeof(DIJOYSTATE2), "joystick_state mirrors DIJOYSTATE2");
static_assert(offsetof(joystick_state, rz) == offsetof(DIJOYSTATE2, lRz),
              "joystick_state mirrors DIJOYSTATE2");
static_assert(offsetof(joystick_state, sliders) == offsetof(DIJOYSTATE2, rglSlider),
              "joystick_state mirrors DIJOYSTATE2");
static_assert(offsetof(joystick_state, povs) == offsetof(DIJOYSTATE2, rgdwPOV),
              "joystick_state mirrors DIJOYSTATE2");
static_assert(offsetof(joystick_state, buttons) == offsetof(DIJOYSTATE2, rgbButtons),
              "joystick_state mirrors DIJOYSTATE2");

namespace {

// Acquire reports S_FALSE when the device was acquired already.
bool acquire_succeeded(HRESULT result) {
    return result == DI_OK || result == S_FALSE;
}

// DirectInput's fixed-size name fields need not be terminated.
template <size_t N>
std::wstring name_from(const WCHAR (&field)[N]) {
    return std::wstring(field, wcsnlen(field, N));
}

joystick_object object_of(const GUID& type) {
    if (IsEqualGUID(type, GUID_XAxis)) return joystick_object::x_axis;
    if (IsEqualGUID(type, GUID_YAxis)) return joystick_object::y_axis;
    if (IsEqualGUID(type, GUID_ZAxis)) return joystick_object::z_axis;
    if (IsEqualGUID(type, GUID_RxAxis)) return joystick_object::rx_axis;
    if (IsEqualGUID(type, GUID_RyAxis)) return joystick_object::ry_axis;
    if (IsEqualGUID(type, GUID_RzAxis)) return joystick_object::rz_axis;
    if (IsEqualGUID(type, GUID_Button)) return joystick_object::button;
    if (IsEqualGUID(type, GUID_POV)) return joystick_object::pov;
    if (IsEqualGUID(type, GUID_Slider)) return joystick_object::slider;
    return joystick_object::other;
}

// Reads a property of the whole device into `property`, a DirectInput property structure
// that starts with its header.
template <class Property>
bool read_device_property(IDirectInputDevice8W* device, REFGUID which, Property& property) {
    if (!device) return false;
    std::memset(&property, 0, sizeof property);
    property.diph.dwSize = sizeof property;
    property.diph.dwHeaderSize = sizeof property.diph;
    property.diph.dwHow = DIPH_DEVICE;
    return SUCCEEDED(device->GetProperty(which, &property.diph));
}

}  // namespace

// --- input_device_dx8 ---------------------------------------------------------------------

input_device_dx8::input_device_dx8(const DIDATAFORMAT* data_format) : m_data_format(data_format) {}

input_device_dx8::~input_device_dx8() {
    if (m_device && m_acquired) m_device->Unacquire();
}

bool input_device_dx8::is_ready() const {
    return static_cast<bool>(m_device);
}

uint8_t input_device_dx8::button_count() const {
    return 0;
}

bool input_device_dx8::is_button_down(uint8_t) const {
    return false;
}

float input_device_dx8::button_value(uint8_t) const {
    return 0.0f;
}

bool input_device_dx8::instance_name(std::wstring& name) const {
    if (!m_device) return false;
    name = name_from(m_device_instance.tszInstanceName);
    return true;
}

int input_device_dx8::device_kind() const {
    return device_other;
}

bool input_device_dx8::device_path(std::wstring& path) const {
    DIPROPGUIDANDPATH property;
    if (!read_device_property(m_device.get(), DIPROP_GUIDANDPATH, property)) return false;
    path = name_from(property.wszPath);
    return true;
}

bool input_device_dx8::product_ids(uint16_t& vendor, uint16_t& product) const {
    DIPROPDWORD property;
    if (!read_device_property(m_device.get(), DIPROP_VIDPID, property)) return false;
    vendor = LOWORD(property.dwData);
    product = HIWORD(property.dwData);
    return true;
}

bool input_device_dx8::button_name(uint8_t, std::wstring&) const {
    return false;
}

bool input_device_dx8::button_info(uint8_t, int*, int*) const {
    return false;
}

int input_device_dx8::find_button(int, int) const {
    return -1;
}

void input_device_dx8::set_threshold(uint8_t, float) {}

bool input_device_dx8::open(IDirectInput8W* direct_input, HWND window, const GUID& instance, bool foreground,
                            HANDLE state_event, IDirectInputDevice8W* created) {
    if (created) {
        created->AddRef();
        m_device.attach(created);
    } else if (!direct_input || FAILED(direct_input->CreateDevice(instance, m_device.put(), nullptr))) {
        m_device.reset();
        return false;
    }
    std::memset(&m_device_instance, 0, sizeof m_device_instance);
    m_device_instance.dwSize = sizeof m_device_instance;
    const DWORD cooperation = DISCL_NONEXCLUSIVE | (foreground ? DISCL_FOREGROUND : DISCL_BACKGROUND);
    if (m_device->SetDataFormat(m_data_format) != DI_OK ||
        m_device->SetCooperativeLevel(window, cooperation) != DI_OK ||
        m_device->GetDeviceInfo(&m_device_instance) != DI_OK) {
        m_device.reset();
        return false;
    }
    m_instance = instance;
    enumerate_controls();  // a device whose objects cannot be listed is still used
    // Only before the first acquisition; a device that cannot signal is still read on time.
    if (state_event) m_device->SetEventNotification(state_event);
    return true;
}

void input_device_dx8::note_presses() {
    const int count = button_count();
    for (int index = 0; index < count; ++index)
        m_presses.note(index, is_button_down(static_cast<uint8_t>(index)));
}

// --- input_keyboard_dx8 -------------------------------------------------------------------

input_keyboard_dx8::input_keyboard_dx8() : input_device_dx8(&c_dfDIKeyboard) {}

input_keyboard_dx8::~input_keyboard_dx8() = default;

uint8_t input_keyboard_dx8::button_count() const {
    return static_cast<uint8_t>(m_key_count);
}

bool input_keyboard_dx8::is_button_down(uint8_t index) const {
    return index < m_key_count && (m_key_state[index] & 0x80) != 0;
}

float input_keyboard_dx8::button_value(uint8_t index) const {
    return is_button_down(index) ? 1.0f : 0.0f;
}

int input_keyboard_dx8::device_kind() const {
    return device_keyboard;
}

bool input_keyboard_dx8::button_name(uint8_t index, std::wstring& name) const {
    if (index >= m_key_count) return false;
    name = m_key_names[index];
    return true;
}

bool input_keyboard_dx8::button_info(uint8_t index, int* kind, int* instance) const {
    if (index >= m_key_count) return false;
    if (kind) *kind = control_button;
    if (instance) *instance = index;
    return true;
}

// The key count is one past the highest key offset reported, so that every reported key
// can be read and named; it stays within the 8-bit button count, which leaves out only
// offset 255, a code no key has.
BOOL CALLBACK input_keyboard_dx8::on_object(const DIDEVICEOBJECTINSTANCEW* object, void* context) {
    auto* keyboard = static_cast<input_keyboard_dx8*>(context);
    if (object && IsEqualGUID(object->guidType, GUID_Key) && object->dwOfs < 256) {
        keyboard->m_key_names[object->dwOfs] = name_from(object->tszName);
        const int32_t count = static_cast<int32_t>(object->dwOfs) + 1;
        if (count > keyboard->m_key_count) keyboard->m_key_count = count < 255 ? count : 255;
    }
    return DIENUM_CONTINUE;
}

bool input_keyboard_dx8::enumerate_controls() {
    if (!m_device) return false;
    return m_device->EnumObjects(&input_keyboard_dx8::on_object, this, DIDFT_ALL) == DI_OK;
}

bool input_keyboard_dx8::poll(float) {
    if (!m_device) return true;
    if (!m_acquired) {
        m_acquired = acquire_succeeded(m_device->Acquire());
        if (!m_acquired) {
            std::memset(m_key_state, 0, sizeof m_key_state);
            return false;
        }
    }
    if (m_device->GetDeviceState(sizeof m_key_state, m_key_state) != DI_OK) m_acquired = false;
    if (!m_acquired) std::memset(m_key_state, 0, sizeof m_key_state);
    note_presses();
    return m_acquired;
}

// --- input_joystick_dx8 -------------------------------------------------------------------

input_joystick_dx8::input_joystick_dx8() : input_device_dx8(&c_dfDIJoystick2) {}

input_joystick_dx8::~input_joystick_dx8() = default;

uint8_t input_joystick_dx8::button_count() const {
    return m_device ? static_cast<uint8_t>(m_controls.count) : 0;
}

bool input_joystick_dx8::is_button_down(uint8_t index) const {
    return index < m_controls.count && m_controls.entries[index].value > 0.0f;
}

float input_joystick_dx8::button_value(uint8_t index) const {
    return index < m_controls.count ? m_controls.entries[index].value : 0.0f;
}

int input_joystick_dx8::device_kind() const {
    return device_game_controller;
}

bool input_joystick_dx8::button_name(uint8_t index, std::wstring& name) const {
    if (index >= m_controls.count) return false;
    const std::u16string& entry_name = m_controls.entries[index].name;
    name.assign(entry_name.begin(), entry_name.end());
    return true;
}

bool input_joystick_dx8::button_info(uint8_t index, int* kind, int* instance) const {
    if (index >= m_controls.count || !kind) return false;
    *kind = m_controls.entries[index].kind;
    if (instance) *instance = m_controls.entries[index].instance;
    return true;
}

int input_joystick_dx8::find_button(int kind, int n) const {
    return find_control(m_controls, kind, n);
}

void input_joystick_dx8::set_threshold(uint8_t index, float threshold) {
    set_control_threshold(m_controls, index, threshold);
}

BOOL CALLBACK input_joystick_dx8::on_object(const DIDEVICEOBJECTINSTANCEW* object, void* context) {
    auto* joystick = static_cast<input_joystick_dx8*>(context);
    if (object) {
        add_object_controls(joystick->m_controls, object_of(object->guidType),
                            u16_from(name_from(object->tszName)));
    }
    return DIENUM_CONTINUE;
}

// Runs once, from open: the instance counters keep counting from earlier objects.
bool input_joystick_dx8::enumerate_controls() {
    m_controls.count = 0;
    if (!m_device) return false;
    return m_device->EnumObjects(&input_joystick_dx8::on_object, this, DIDFT_ALL) == DI_OK;
}

// Acquires the device and keeps the state it reads then as the baseline.
bool input_joystick_dx8::acquire_baseline() {
    if (!acquire_succeeded(m_device->Acquire())) return false;
    if (FAILED(m_device->Poll())) return false;
    if (FAILED(m_device->GetDeviceState(sizeof m_baseline, &m_baseline))) return false;
    m_acquired = true;
    m_fresh = true;
    return true;
}

// Until the state first differs from the one read at acquisition, nothing reads as
// pressed: some drivers report a resting axis at an end until it is first moved.
bool input_joystick_dx8::poll(float) {
    if (!m_device) return true;
    const bool read = read_state();
    note_presses();
    return read;
}

bool input_joystick_dx8::read_state() {
    clear_control_values(m_controls);
    if (!m_acquired) return acquire_baseline();

    joystick_state state;
    if (FAILED(m_device->Poll()) || FAILED(m_device->GetDeviceState(sizeof state, &state))) {
        m_acquired = false;
        return false;
    }
    if (m_fresh && std::memcmp(&state, &m_baseline, sizeof state) == 0) return true;
    convert_joystick_state(m_controls, state);
    m_fresh = false;
    return true;
}

}  // namespace peripheral
}  // namespace nrv
