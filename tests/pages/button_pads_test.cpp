// The Controller page with game controllers: fake DirectInput pads. A pad answers object
// queries by offset, so only the axes it has count: on these pads X, Y, Z and Rz have the
// ordinals 0 to 3.
#include "pages/button_test_support.h"
#include "peripheral/fake_direct_input.h"

#include <dbt.h>

#include <cstring>

namespace {

using namespace button_test;
using test_support::run_sheet;

// Two sticks (X, Y, Z, Rz), two hats and twelve buttons, reported in that order.
std::shared_ptr<fake::pad> make_pad(const wchar_t* name) {
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

GUID guid(uint8_t first) {
    return fake::guid_with_first_byte(first);
}

SettingsGuid stored(const GUID& device) {
    SettingsGuid value;
    std::memcpy(&value, &device, sizeof value);
    return value;
}

bool holds(unsigned player, const GUID& device) {
    const SettingsGuid value = stored(device);
    return std::memcmp(&pad_device(player), &value, sizeof value) == 0;
}

// Changes the pad while the capture dialog runs, until the dialog has ended; then puts it back.
std::function<void(HWND)> change_pad(fake::pad& pad, std::function<void(DIJOYSTATE2&)> change) {
    return [&pad, change](HWND dialog) {
        wait_for_first_tick();
        const std::vector<uint8_t> rest = pad.state;
        change(pad.joystick());
        EXPECT_TRUE(wait_until_closed(dialog)) << "the press was not taken";
        pad.state = rest;
    };
}

class ControllerPage : public testing::Test {
protected:
    void SetUp() override {
        load_texts();
        build_default_settings(2, 1280, 1024);
    }
    fake::direct_input m_input;  // outlives the manager, which holds its devices
    ManagerScope m_manager;
};

TEST_F(ControllerPage, ListsPadsByDistinctNamesAndGivesEachToOnePlayer) {
    m_input.attach(DI8DEVCLASS_GAMECTRL, guid(1), make_pad(L"Gamepad Pro"));
    m_input.attach(DI8DEVCLASS_GAMECTRL, guid(2), make_pad(L"Gamepad Pro"));
    m_input.attach(DI8DEVCLASS_GAMECTRL, guid(3), make_pad(L"Gamepad"));
    set_pad_device(1, stored(guid(2)));
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        EXPECT_EQ(combo_entries(page, IDC_DEVICE),
                  (std::vector<std::wstring>{L"--", L"Gamepad Pro", L"Gamepad Pro - 2", L"Gamepad - 2"}));
        EXPECT_EQ(item_text(page, IDC_DEVICE), L"Gamepad Pro - 2") << "the stored pad";
        EXPECT_EQ(slot_text(page, 0), L"Button 0");
        EXPECT_EQ(slot_text(page, 12), L"Hat 0 U");
        EXPECT_EQ(slot_text(page, 17), L"Y +") << "left stick down";
        EXPECT_EQ(slot_text(page, 23), L"Z +") << "right stick right: ordinal 2 is Z on this pad";
        EXPECT_TRUE(enabled(page, IDC_DEFAULT_SETTINGS));
        save_screenshot(sheet_window, "controller-page-pads");

        select_entry(page, IDC_PLAYER, 1);
        EXPECT_EQ(item_text(page, IDC_DEVICE), L"--");
        EXPECT_EQ(slot_text(page, 0), L"");
        select_entry(page, IDC_DEVICE, 2);
        EXPECT_TRUE(holds(2, guid(2)));
        EXPECT_TRUE(holds(1, GUID_NULL)) << "taken from player 1";
        select_entry(page, IDC_PLAYER, 0);
        EXPECT_EQ(item_text(page, IDC_DEVICE), L"--");
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
}

TEST_F(ControllerPage, CapturedButtonsAxesAndHatsAreAssignedAndLit) {
    auto pad = make_pad(L"Dual Pad");
    m_input.attach(DI8DEVCLASS_GAMECTRL, guid(1), pad);
    set_pad_device(1, stored(guid(1)));
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        ButtonPage& controller = sheet.controller;
        SetCursorPos(0, 0);

        // Button 9 (back by default) given to RT: back is left unassigned.
        EXPECT_TRUE(with_capture(page, IDC_SLOT_RT,
                                 change_pad(*pad, [](DIJOYSTATE2& s) { s.rgbButtons[9] = 0x80; })));
        EXPECT_EQ(slot_text(page, 5), L"Button 9");
        EXPECT_EQ(slot_text(page, 9), L"");

        // An axis half is stored by the axis ordinal: Z minus is (3, 2) here.
        EXPECT_TRUE(with_capture(page, IDC_SLOT_Y, change_pad(*pad, [](DIJOYSTATE2& s) { s.lZ = 0; })));
        EXPECT_EQ(slot_text(page, 0), L"Z -");
        EXPECT_EQ(settings_record().pad_slots[1].assignments[0], assignment_entry(3, 2, 0, 0));

        // The second hat stands for the first: it lights the D-pad.
        pad->joystick().rgdwPOV[1] = 0;
        EXPECT_TRUE(pump_until([&] { return controller.LitMask() == 1u << 12; }))
            << "lit " << controller.LitMask();
        save_screenshot(sheet_window, "controller-page-hat-lit");
        fake::centre(*pad);
        EXPECT_TRUE(pump_until([&] { return controller.LitMask() == 0; }));

        // Stored data may hold one button in two slots: both show it and both light.
        uint32_t entries[kFunctionCount];
        std::memcpy(entries, pad_assignments(1), sizeof entries);
        entries[3] = assignment_entry(0, 2, 0, 3);
        store_pad_assignments(1, entries);
        select_entry(page, IDC_DEVICE, 1);
        EXPECT_EQ(slot_text(page, 2), L"Button 2");
        EXPECT_EQ(slot_text(page, 3), L"Button 2");
        pad->joystick().rgbButtons[2] = 0x80;
        EXPECT_TRUE(pump_until([&] { return controller.LitMask() == (1u << 2 | 1u << 3); }))
            << "lit " << controller.LitMask();
        pad->joystick().rgbButtons[2] = 0;
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
}

// A pad that comes back while the page is shown is the player's again, layout and all. The
// notifications of its arrival are what the sheet hands on; a burst of them is one refresh.
TEST_F(ControllerPage, PadThatComesBackIsSelectedAgainWithItsLayout) {
    set_pad_device(1, stored(guid(1)));
    uint32_t entries[kFunctionCount];
    std::memcpy(entries, pad_assignments(1), sizeof entries);
    entries[0] = assignment_entry(0, 11, 0, 0);
    store_pad_assignments(1, entries);
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        EXPECT_EQ(item_text(page, IDC_DEVICE), L"--");
        EXPECT_EQ(slot_text(page, 0), L"");
        EXPECT_FALSE(enabled(page, IDC_DEFAULT_SETTINGS));

        m_input.attach(DI8DEVCLASS_GAMECTRL, guid(1), make_pad(L"Returning Pad"));
        DEV_BROADCAST_DEVICEINTERFACE_W arrival = {};
        arrival.dbcc_size = sizeof arrival;
        arrival.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        arrival.dbcc_classguid = nrv::peripheral::hid_interface_class;
        const int before = m_input.enumerations(DI8DEVCLASS_GAMECTRL);
        for (int burst = 0; burst < 4; ++burst)
            on_device_change(sheet_window, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&arrival));
        EXPECT_TRUE(pump_until([&] { return item_text(page, IDC_DEVICE) == L"Returning Pad"; }));
        test_support::pump_messages(400);
        // The sheet refreshes the devices once, and the page once as it is filled again.
        EXPECT_EQ(m_input.enumerations(DI8DEVCLASS_GAMECTRL) - before, 2);
        EXPECT_EQ(slot_text(page, 0), L"Button 11");
        EXPECT_TRUE(enabled(page, IDC_DEFAULT_SETTINGS));
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    EXPECT_TRUE(holds(1, guid(1)));
    EXPECT_EQ(pad_assignments(1)[0], assignment_entry(0, 11, 0, 0));
}

}  // namespace
