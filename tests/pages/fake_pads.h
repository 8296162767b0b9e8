// Shared by the Controller page tests with fake DirectInput pads: a pad of the usual shape,
// GUIDs that tell pads apart, the controller slots as the settings record holds them, and
// the system's word that pads came or went.
#pragma once

#include "nrv/peripheral/peripheral.h"
#include "pages/controller/controller.h"
#include "peripheral/fake_direct_input.h"
#include "settings/expected_layouts.h"
#include "settings/settings.h"

#include <dbt.h>

#include <cstring>
#include <memory>
#include <vector>

namespace button_test {

// Two sticks (X, Y, Z, Rz), two hats and twelve buttons, reported in that order. A pad
// answers object queries by offset, so only the axes it has count: X, Y, Z and Rz have the
// ordinals 0 to 3.
inline std::shared_ptr<fake::pad> make_pad(const wchar_t* name) {
    auto pad = std::make_shared<fake::pad>();
    pad->instance_name = name;
    fake::add_axis(*pad, GUID_XAxis, L"X");
    fake::add_axis(*pad, GUID_YAxis, L"Y");
    fake::add_axis(*pad, GUID_ZAxis, L"Z");
    fake::add_axis(*pad, GUID_RzAxis, L"Rz");
    fake::add_hats(*pad, 2);
    fake::add_buttons(*pad, 12);
    fake::centre(*pad);
    return pad;
}

inline GUID guid(uint8_t first) {
    return fake::guid_with_first_byte(first);
}

inline SettingsGuid stored(const GUID& device) {
    SettingsGuid value;
    std::memcpy(&value, &device, sizeof value);
    return value;
}

inline bool holds(unsigned player, const GUID& device) {
    const SettingsGuid value = stored(device);
    return std::memcmp(&pad_device(player), &value, sizeof value) == 0;
}

// Gives the player's slot a device and a layout of its own: slot s holds button 23 - s.
inline void store_own_layout(unsigned player, const GUID& device) {
    pad_device(player) = stored(device);
    uint32_t entries[kFunctionCount];
    for (int slot = 0; slot < kFunctionCount; ++slot)
        entries[slot] = assignment_entry(0, static_cast<uint8_t>(23 - slot), 0, 0);
    store_pad_assignments(player, entries);
}

inline std::vector<uint32_t> entries_of(unsigned player) {
    const uint32_t* entries = pad_assignments(player);
    return std::vector<uint32_t>(entries, entries + kFunctionCount);
}

// The default pad layout patched by known-controller row `row` (0-based; -1 for none).
inline std::vector<uint32_t> pad_layout(int row) {
    return expected_pad_entries(row);
}

// Tells the run's input window that a HID device arrived or went (`event`), as Windows does.
inline void send_hid_change(HWND input_window, WPARAM event) {
    DEV_BROADCAST_DEVICEINTERFACE_W change = {};
    change.dbcc_size = sizeof change;
    change.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    change.dbcc_classguid = nrv::peripheral::hid_interface_class;
    SendMessageW(input_window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&change));
}

}  // namespace button_test
