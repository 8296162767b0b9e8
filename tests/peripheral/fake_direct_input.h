// DirectInput 8 stand-ins for the device and manager tests: a fake IDirectInput8W that
// enumerates and creates fake IDirectInputDevice8W objects, each a view of a fake_pad
// the test keeps and changes.
#pragma once

#include <windows.h>
#include <dinput.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fake {

struct object {
    GUID type;
    std::wstring name;
    DWORD offset;  // in c_dfDIJoystick2, as DirectInput reports it and finds the object by it
};

// One attached device: what it reports, what its calls return and what was done to it.
struct pad {
    std::wstring instance_name = L"Pad";
    std::wstring path;  // DIPROP_GUIDANDPATH's; empty: the property is not supported
    DWORD vid_pid = 0;  // DIPROP_VIDPID's, vendor in the low word; 0: not supported
    std::vector<object> objects;
    std::vector<uint8_t> state = std::vector<uint8_t>(sizeof(DIJOYSTATE2));

    HRESULT create_result = DI_OK;
    HRESULT data_format_result = DI_OK;
    HRESULT cooperative_result = DI_OK;
    HRESULT info_result = DI_OK;
    HRESULT enum_objects_result = DI_OK;
    HRESULT acquire_result = DI_OK;
    HRESULT poll_result = DI_NOEFFECT;
    HRESULT state_result = DI_OK;

    int live_interfaces = 0;
    int acquire_calls = 0;
    int unacquire_calls = 0;
    bool acquired = false;
    DWORD cooperative_flags = 0;
    HWND cooperative_window = nullptr;
    const DIDATAFORMAT* data_format = nullptr;
    DWORD last_state_size = 0;

    DIJOYSTATE2& joystick() { return *reinterpret_cast<DIJOYSTATE2*>(state.data()); }
};

// Builders for the usual object lists.
void add_axis(pad& device, const GUID& type, const wchar_t* name);
void add_buttons(pad& device, int count, DWORD first_offset = DIJOFS_BUTTON0);
void add_hats(pad& device, int count);
void add_sliders(pad& device, int count);
// A keyboard reporting keys 1..highest_key named "Key n".
std::shared_ptr<pad> make_keyboard(int highest_key);
// A joystick state with every axis and slider at rest and every hat centred.
void centre(pad& device);

class direct_input final : public IDirectInput8W {
public:
    direct_input();
    ~direct_input();

    // Attaches a device of the class (DI8DEVCLASS_KEYBOARD or DI8DEVCLASS_GAMECTRL);
    // enumeration reports the devices of a class in attach order.
    void attach(DWORD device_class, const GUID& instance, std::shared_ptr<pad> device);
    void detach(const GUID& instance);
    int references() const { return m_references; }
    // How many devices each enumeration of the class reported last time.
    int reported(DWORD device_class) const;
    // How many enumerations of the class there were.
    int enumerations(DWORD device_class) const;

    HRESULT WINAPI QueryInterface(REFIID riid, void** object) override;
    ULONG WINAPI AddRef() override;
    ULONG WINAPI Release() override;
    HRESULT WINAPI CreateDevice(REFGUID instance, LPDIRECTINPUTDEVICE8W* device, LPUNKNOWN outer) override;
    HRESULT WINAPI EnumDevices(DWORD device_class, LPDIENUMDEVICESCALLBACKW callback, LPVOID context,
                               DWORD flags) override;
    HRESULT WINAPI GetDeviceStatus(REFGUID) override { return E_NOTIMPL; }
    HRESULT WINAPI RunControlPanel(HWND, DWORD) override { return E_NOTIMPL; }
    HRESULT WINAPI Initialize(HINSTANCE, DWORD) override { return E_NOTIMPL; }
    HRESULT WINAPI FindDevice(REFGUID, LPCWSTR, LPGUID) override { return E_NOTIMPL; }
    HRESULT WINAPI EnumDevicesBySemantics(LPCWSTR, LPDIACTIONFORMATW, LPDIENUMDEVICESBYSEMANTICSCBW, LPVOID,
                                          DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT WINAPI ConfigureDevices(LPDICONFIGUREDEVICESCALLBACK, LPDICONFIGUREDEVICESPARAMSW, DWORD,
                                    LPVOID) override {
        return E_NOTIMPL;
    }

private:
    struct attached {
        DWORD device_class;
        GUID instance;
        std::shared_ptr<pad> device;
    };
    std::vector<attached> m_attached;
    std::map<DWORD, int> m_reported;
    std::map<DWORD, int> m_enumerations;
    LONG m_references = 1;
};

// A hidden top-level window to attach devices to; null where none can be created.
HWND create_window();

// GUIDs that differ in their first byte only, so they sort by that byte.
GUID guid_with_first_byte(uint8_t first);

}  // namespace fake
