// Game controllers as a player meets them: virtual pads that Wine's own HID bus presents to
// DirectInput are plugged in, pressed and pulled out while the real settings.exe runs, and
// the saved file is checked against layouts built here from the tables.
#include "e2e/driver.h"
#include "res/resource.h"
#include "settings/expected_layouts.h"
#include "settings/settings.h"
#include "support/own_texts.h"
#include "support/screen.h"
#include "support/sheet_script.h"
#include "support/virtual_pad_commands.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <dinput.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using e2e::control_text;
using e2e::ToolProcess;

constexpr int kDisplayPage = 0;
constexpr int kControllerPage = 2;

// SDL hat bits, as the pad commands take them.
constexpr int kHatUp = 1;
constexpr int kHatRight = 2;

using test_support::attached_pads;
using test_support::AttachedPad;
using test_support::VirtualPads;
using test_support::wait_until;
using namespace test_support::sdl_gamepad;

// --- the tool's windows --------------------------------------------------------------------

HWND show_page(HWND sheet, int index) {
    e2e::select_page(sheet, index);
    Sleep(200);
    return e2e::current_page(sheet);
}

using test_support::combo_entries;
using test_support::enabled;

void choose_device(HWND page, const wchar_t* text) {
    const LRESULT index = SendMessageW(GetDlgItem(page, IDC_DEVICE), CB_FINDSTRINGEXACT,
                                       static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
    if (index < 0) {
        std::wstring listed;
        for (const std::wstring& entry : combo_entries(page, IDC_DEVICE)) listed += L" [" + entry + L"]";
        FAIL() << "not listed; the list:" << std::string(listed.begin(), listed.end());
    }
    test_support::select_combo_entry(page, IDC_DEVICE, index);
}

void choose_player(HWND page, int player) {
    test_support::select_combo_entry(page, IDC_PLAYER, player - 1);
}

std::wstring slot_text(HWND page, int slot) {
    return control_text(page, test_support::kSlotNameBoxes[slot]);
}

bool all_slots_empty(HWND page) {
    for (int slot = 0; slot < kAssignmentCount; ++slot)
        if (!slot_text(page, slot).empty()) return false;
    return true;
}

HWND wait_for_capture_dialog(const ToolProcess& tool, DWORD timeout_ms = 5000) {
    HWND found = nullptr;
    wait_until(
        [&] {
            for (HWND dialog : e2e::process_windows(tool.pid(), L"#32770"))
                if (GetDlgItem(dialog, IDC_CAPTURE_PROMPT)) found = dialog;
            return found != nullptr;
        },
        timeout_ms);
    return found;
}

// Clicks a function's slot button and works the capture dialog with `act`; true when the
// dialog then closed by itself or through `act`.
bool capture(const ToolProcess& tool, HWND page, int slot_button, const std::function<void(HWND)>& act) {
    PostMessageW(GetDlgItem(page, slot_button), BM_CLICK, 0, 0);
    HWND dialog = wait_for_capture_dialog(tool);
    if (!dialog) return false;
    Sleep(400);  // past the dialog's first look at the pad
    act(dialog);
    return wait_until([&] { return !IsWindow(dialog); });
}

// Moves a control of a pad for as long as the capture dialog needs to see it.
std::function<void(HWND)> move(VirtualPads& pads, const char* control, const std::string& id, int n,
                               int value) {
    return [&pads, control, id, n, value](HWND dialog) {
        pads.set(control, id, n, value);
        wait_until([&] { return !IsWindow(dialog); });
        pads.set(control, id, n, 0);
    };
}

using test_support::screen_pixels;

// --- the saved file ------------------------------------------------------------------------

SettingsRecord saved_record() {
    const std::vector<uint8_t> bytes = e2e::read_file(e2e::settings_file());
    SettingsRecord record;
    std::memset(&record, 0, sizeof record);
    EXPECT_TRUE(settings_bytes_valid(bytes.data(), bytes.size()));
    if (bytes.size() == sizeof record) std::memcpy(&record, bytes.data(), sizeof record);
    return record;
}

bool stored_guid_is(const PadSlot& slot, const GUID& guid) {
    return std::memcmp(&slot.device_guid, &guid, sizeof guid) == 0;
}

// The default pad layout, patched by known-controller row `row` (1 to 8; 0 for none).
std::vector<uint32_t> expected_pad_layout(int row) {
    std::vector<uint32_t> entries;
    for (int slot = 0; slot < kAssignmentCount; ++slot) {
        const TypeCode pair = row ? kExpectedPatches[slot][row - 1] : kExpectedDefaults[slot].pad;
        entries.push_back(expected_entry(pair, kExpectedDefaults[slot].carried));
    }
    return entries;
}

std::vector<uint32_t> entries_of(const PadSlot& slot) {
    return std::vector<uint32_t>(slot.assignments, slot.assignments + kAssignmentCount);
}

uint32_t entry(uint8_t type, uint8_t code, int slot) {
    return expected_entry({type, code}, kExpectedDefaults[slot].carried);
}

// The names printed on the pads of a family, in place order: a text of the tool's string
// database in the language the tool takes from the locale.
std::vector<std::wstring> printed_names(uint32_t text) {
    char language[9] = "en";
    char country[9] = "GB";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, language, sizeof language);
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SISO3166CTRYNAME, country, sizeof country);
    if (!test_support::load_own_texts(language, country)) return {};
    return text_parts_w(text);
}

const GUID* guid_of(const std::vector<AttachedPad>& pads, const wchar_t* name) {
    for (const AttachedPad& pad : pads)
        if (pad.name == name) return &pad.instance;
    return nullptr;
}

class Controllers : public test_support::PadsTest {
protected:
    // Starts the tool and shows its Controller page.
    HWND start_on_controller_page() {
        m_tool = std::make_unique<ToolProcess>();
        if (!m_tool->start()) return nullptr;
        m_sheet = m_tool->wait_for_sheet();
        if (!m_sheet) ADD_FAILURE() << "no sheet; the tool's exit code: " << m_tool->exit_code();
        if (!m_sheet) return nullptr;
        HWND page = show_page(m_sheet, kControllerPage);
        // A loaded machine may list the pads after the sheet opens: the page's note says
        // that pads are still looked for until they are in.
        if (!wait_until([&] { return control_text(page, IDC_TAKEN_NOTE).empty(); }, 10000))
            ADD_FAILURE() << "the pads were still looked for after ten seconds";
        return page;
    }
    // Plugs in one pad, starts the tool and chooses the pad for player 1.
    HWND start_with_pad(const std::string& id, const char* name) {
        if (!m_pads.attach(id, 4, name) || !VirtualPads::wait_for(1)) {
            ADD_FAILURE() << "the pad did not come: " << attached_pads().size() << " attached";
            return nullptr;
        }
        HWND page = start_on_controller_page();
        const std::wstring device(name, name + std::strlen(name));
        if (page) choose_device(page, device.c_str());
        return page;
    }
    void press_ok() {
        e2e::press_sheet_button(m_sheet, PSBTN_OK);
        EXPECT_TRUE(m_tool->wait_for_exit());
        EXPECT_EQ(m_tool->exit_code(), 0u);
    }

    std::unique_ptr<ToolProcess> m_tool;
    HWND m_sheet = nullptr;
};

TEST_F(Controllers, PadsAreListedByNameAndEachPlayerGetsTheLayoutOfItsName) {
    ASSERT_TRUE(m_pads.attach("psx", 4, "PSX-USB Pad"));
    ASSERT_TRUE(m_pads.attach("logi", 4, "Logitech Dual Action", 2));
    ASSERT_TRUE(m_pads.attach("xbox", 6, "XBOX Compatible Pad", 3));
    for (const char* id : {"plain1", "plain2", "plain3"}) ASSERT_TRUE(m_pads.attach(id, 4, "Plain Pad", 4));
    ASSERT_TRUE(VirtualPads::wait_for(6));
    const std::vector<AttachedPad> attached = attached_pads();

    HWND page = start_on_controller_page();
    ASSERT_TRUE(page);
    std::vector<std::wstring> listed = combo_entries(page, IDC_DEVICE);
    ASSERT_EQ(listed.size(), 7u);
    EXPECT_EQ(listed[0], L"--");
    std::vector<std::wstring> names(listed.begin() + 1, listed.end());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Logitech Dual Action", L"PSX-USB Pad", L"Plain Pad",
                                                L"Plain Pad - 2", L"Plain Pad - 3", L"XBOX Compatible Pad"}));

    const wchar_t* chosen[4] = {L"PSX-USB Pad", L"Logitech Dual Action", L"XBOX Compatible Pad",
                                L"Plain Pad - 3"};
    for (int player = 1; player <= 4; ++player) {
        choose_player(page, player);
        ASSERT_NO_FATAL_FAILURE(choose_device(page, chosen[player - 1]));
        EXPECT_EQ(control_text(page, IDC_DEVICE), chosen[player - 1]);
        EXPECT_TRUE(enabled(page, IDC_DEFAULT_SETTINGS));
    }
    EXPECT_EQ(slot_text(page, 0), L"Button 0") << "Y of an unknown pad";
    EXPECT_EQ(slot_text(page, 20), L"Z Axis -") << "right stick up: ordinal 3 is Z on a four-axis pad";

    // More pads than the tool lists: seven with the keyboard; those listed keep their place.
    ASSERT_TRUE(m_pads.attach("extra1", 2, "Extra Pad", 5));
    ASSERT_TRUE(m_pads.attach("extra2", 2, "Extra Pad", 5));
    ASSERT_TRUE(VirtualPads::wait_for(8));
    show_page(m_sheet, kDisplayPage);
    page = show_page(m_sheet, kControllerPage);
    std::vector<std::wstring> relisted;
    EXPECT_TRUE(wait_until([&] {
        relisted = combo_entries(page, IDC_DEVICE);
        return relisted.size() >= 8;
    })) << "the new pads were not listed";
    ASSERT_EQ(relisted.size(), 8u) << "at most eight devices, the keyboard among them";
    EXPECT_TRUE(std::equal(listed.begin(), listed.end(), relisted.begin()));
    EXPECT_EQ(relisted[7], L"Extra Pad");
    EXPECT_EQ(control_text(page, IDC_DEVICE), L"Plain Pad - 3");
    press_ok();

    const SettingsRecord saved = saved_record();
    const int rows[4] = {1, 5, 8, 0};
    for (int player = 1; player <= 4; ++player) {
        EXPECT_EQ(entries_of(saved.pad_slots[player]), expected_pad_layout(rows[player - 1]))
            << "player " << player;
        EXPECT_FALSE(stored_guid_is(saved.pad_slots[player], GUID_NULL)) << "player " << player;
    }
    for (int player = 1; player <= 3; ++player)
        EXPECT_TRUE(stored_guid_is(saved.pad_slots[player], *guid_of(attached, chosen[player - 1])));
}

// A gamepad that no name fragment matches gets the Xbox layout by the "IG_" of its path.
TEST_F(Controllers, GamepadOfAnUnknownNameGetsTheXboxLayout) {
    ASSERT_TRUE(m_pads.attach_gamepad("pad", "Wireless Gamepad For Windows", 0x02e0));
    ASSERT_TRUE(VirtualPads::wait_for(1));
    HWND page = start_on_controller_page();
    ASSERT_TRUE(page);
    ASSERT_NO_FATAL_FAILURE(choose_device(page, L"Wireless Gamepad For Windows"));
    press_ok();
    EXPECT_EQ(entries_of(saved_record().pad_slots[1]), expected_pad_layout(kXboxControllerRow + 1));
}

// A DualShock 4 shown raw, with its ids and its own button order (Wine would present a pad
// of six axes and fourteen buttons as a gamepad): each function of the Xbox row on the
// button at the same place, and the buttons named as printed on the pad.
TEST_F(Controllers, DualShock4IsLaidOutByPlaceAndNamedAsPrinted) {
    ASSERT_TRUE(m_pads.send("attach ds4 0 6 13 1 054c 09cc Wireless Controller"));
    ASSERT_TRUE(VirtualPads::wait_for(1));
    HWND page = start_on_controller_page();
    ASSERT_TRUE(page);
    ASSERT_NO_FATAL_FAILURE(choose_device(page, L"Wireless Controller"));

    const std::vector<std::wstring> names = printed_names(kDualShock4NamesText);
    ASSERT_EQ(names.size(), 14u);
    // Function slot and the place of its button: south, east, west, north, L1, R1, L2, R2,
    // Share, Options, L3, R3, PS, touchpad.
    const struct {
        int slot;
        int place;
    } named[] = {{2, 0}, {1, 1}, {3, 2}, {0, 3}, {6, 4},   {7, 5},
                 {4, 6}, {5, 7}, {9, 8}, {8, 9}, {10, 10}, {11, 11}};
    for (const auto& n : named) EXPECT_EQ(slot_text(page, n.slot), names[n.place]) << "slot " << n.slot;
    EXPECT_EQ(slot_text(page, 22), L"Z Axis -") << "right stick left: the pad's Z";
    EXPECT_EQ(e2e::overflowing_texts(page), std::vector<std::wstring>{});

    // A capture names the button as printed: PS for back.
    EXPECT_TRUE(capture(*m_tool, page, IDC_SLOT_BACK, move(m_pads, "button", "ds4", 12, 1)));
    EXPECT_EQ(slot_text(page, 9), names[12]);
    e2e::save_screenshot(m_sheet, "controller-page-dualshock4");
    test_support::click(page, IDC_DEFAULT_SETTINGS);
    EXPECT_EQ(slot_text(page, 9), names[8]);
    press_ok();

    std::vector<uint32_t> expected;
    for (int slot = 0; slot < kAssignmentCount; ++slot)
        expected.push_back(entry(kExpectedFamilyLayouts[slot][kPlayStationColumn].type,
                                 kExpectedFamilyLayouts[slot][kPlayStationColumn].code, slot));
    EXPECT_EQ(entries_of(saved_record().pad_slots[1]), expected);
}

TEST_F(Controllers, PressesAreCapturedAndLightThePicture) {
    ASSERT_TRUE(m_pads.attach("four", 4, "Four Axis Pad"));
    ASSERT_TRUE(m_pads.attach("six", 6, "Six Axis Pad", 2));
    ASSERT_TRUE(VirtualPads::wait_for(2));
    HWND page = start_on_controller_page();
    ASSERT_TRUE(page);
    ASSERT_NO_FATAL_FAILURE(choose_device(page, L"Four Axis Pad"));
    EXPECT_EQ(slot_text(page, 9), L"Button 9") << "back";
    EXPECT_EQ(slot_text(page, 6), L"Button 6") << "LB";

    // Pressed: A (button 2) and the hat up (the D-pad) light the picture.
    SetCursorPos(0, 0);
    HWND picture = GetDlgItem(page, IDC_PICTURE);
    Sleep(400);
    const std::vector<uint32_t> at_rest = screen_pixels(picture);
    m_pads.set("button", "four", 2, 1);
    m_pads.set("hat", "four", 0, kHatUp);
    EXPECT_TRUE(wait_until([&] { return screen_pixels(picture) != at_rest; })) << "nothing lit";
    Sleep(400);
    e2e::save_screenshot(m_sheet, "controller-page-pad-pressed");
    m_pads.set("button", "four", 2, 0);
    m_pads.set("hat", "four", 0, 0);
    EXPECT_TRUE(wait_until([&] { return screen_pixels(picture) == at_rest; })) << "still lit";

    // A button taken from its old slot: back had button 9.
    EXPECT_TRUE(capture(*m_tool, page, IDC_SLOT_RT, move(m_pads, "button", "four", 9, 1)));
    EXPECT_EQ(slot_text(page, 5), L"Button 9");
    EXPECT_EQ(slot_text(page, 9), L"");
    // An axis half and a hat direction. On this pad X, Y, Z and Rx: Z has the ordinal 3.
    EXPECT_TRUE(capture(*m_tool, page, IDC_SLOT_Y, move(m_pads, "axis", "four", 2, -32768)));
    EXPECT_EQ(slot_text(page, 0), L"Z Axis -");
    EXPECT_TRUE(capture(*m_tool, page, IDC_SLOT_X, move(m_pads, "hat", "four", 0, kHatRight)));
    EXPECT_EQ(slot_text(page, 3), L"Hat Switch R");

    // Escape and Cancel change nothing.
    EXPECT_TRUE(capture(*m_tool, page, IDC_SLOT_LB, [](HWND dialog) {
        SetForegroundWindow(dialog);
        Sleep(200);
        test_support::send_key(VK_ESCAPE, true);
        test_support::send_key(VK_ESCAPE, false);
    }));
    EXPECT_TRUE(
        capture(*m_tool, page, IDC_SLOT_LB, [](HWND dialog) { test_support::click(dialog, IDCANCEL); }));
    EXPECT_EQ(slot_text(page, 6), L"Button 6");

    // On a pad with all six axes, Z comes after X, Y, Rx and Ry: ordinal 4.
    choose_player(page, 2);
    ASSERT_NO_FATAL_FAILURE(choose_device(page, L"Six Axis Pad"));
    EXPECT_TRUE(capture(*m_tool, page, IDC_SLOT_Y, move(m_pads, "axis", "six", 2, -32768)));
    EXPECT_EQ(slot_text(page, 0), L"Z Axis -");

    // Pulled out while the dialog waits: it stays, and the tool with it, until cancelled.
    PostMessageW(GetDlgItem(page, IDC_SLOT_B), BM_CLICK, 0, 0);
    HWND dialog = wait_for_capture_dialog(*m_tool);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(m_pads.detach("six"));
    ASSERT_TRUE(VirtualPads::wait_for(1));
    Sleep(1000);
    EXPECT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog)) << "the dialog did not wait";
    EXPECT_EQ(m_tool->exit_code(), static_cast<DWORD>(STILL_ACTIVE));
    test_support::click(dialog, IDCANCEL);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); }));
    press_ok();

    const SettingsRecord saved = saved_record();
    std::vector<uint32_t> player1 = expected_pad_layout(0);
    player1[5] = entry(0, 9, 5);
    player1[9] = entry(255, 0, 9);
    player1[0] = entry(3, 3, 0);
    player1[20] = entry(255, 0, 20);  // Z minus was right stick up
    player1[3] = entry(11, 0, 3);
    player1[13] = entry(255, 0, 13);  // hat right was the D-pad's
    EXPECT_EQ(entries_of(saved.pad_slots[1]), player1);
    EXPECT_EQ(saved.pad_slots[2].assignments[0], entry(3, 4, 0));
}

TEST_F(Controllers, XInputWithPadsAttachedAndBack) {
    HWND page = start_with_pad("pad", "Switch Pad");
    ASSERT_TRUE(page);
    ASSERT_EQ(control_text(page, IDC_DEVICE), L"Switch Pad");

    test_support::click(page, IDC_XINPUT);
    EXPECT_EQ(control_text(page, IDC_DEVICE), L"--");
    EXPECT_TRUE(all_slots_empty(page));
    for (int id : {IDC_DEVICE, IDC_PLAYER, IDC_PICTURE, IDC_SLOT_Y, IDC_NAME_Y})
        EXPECT_FALSE(enabled(page, id)) << id;
    EXPECT_TRUE(enabled(page, IDC_DIRECTINPUT) && enabled(page, IDC_XINPUT));

    // Back to DirectInput in the same run: the player's pad is back with its layout.
    test_support::click(page, IDC_DIRECTINPUT);
    EXPECT_TRUE(enabled(page, IDC_DEVICE) && enabled(page, IDC_SLOT_Y));
    EXPECT_EQ(control_text(page, IDC_DEVICE), L"Switch Pad");
    EXPECT_TRUE(enabled(page, IDC_DEFAULT_SETTINGS));
    press_ok();

    const SettingsRecord saved = saved_record();
    EXPECT_EQ(saved.option_flags & 0x8u, 0u) << "XInput off again";
    EXPECT_TRUE(stored_guid_is(saved.pad_slots[1], attached_pads()[0].instance));
    for (int player = 1; player <= 4; ++player) {
        if (player > 1) {
            EXPECT_TRUE(stored_guid_is(saved.pad_slots[player], GUID_NULL)) << "player " << player;
        }
        EXPECT_EQ(entries_of(saved.pad_slots[player]), expected_pad_layout(0)) << "player " << player;
    }
}

// A pad that is not plugged in when the tool starts keeps the player's layout, shown as not
// connected, until the player chooses another device, which takes the layout over; pads
// plugged in or pulled out show at once.
TEST_F(Controllers, StoredPadThatIsPulledOutKeepsItsLayout) {
    ASSERT_TRUE(m_pads.attach("kept", 4, "Kept Pad"));
    ASSERT_TRUE(VirtualPads::wait_for(1));
    const GUID kept = attached_pads()[0].instance;
    ASSERT_TRUE(m_pads.detach("kept"));
    ASSERT_TRUE(VirtualPads::wait_for(0));

    std::vector<uint8_t> bytes = e2e::valid_settings_file(7, 5000);
    SettingsRecord record;
    std::memcpy(&record, bytes.data(), sizeof record);
    std::memcpy(&record.pad_slots[1].device_guid, &kept, sizeof kept);
    for (int slot = 0; slot < kAssignmentCount; ++slot)
        record.pad_slots[1].assignments[slot] = entry(0, static_cast<uint8_t>(23 - slot), slot);
    stamp_settings_header(record);
    std::memcpy(bytes.data(), &record, sizeof record);
    ASSERT_TRUE(e2e::put_settings_file(bytes));

    HWND page = start_on_controller_page();
    ASSERT_TRUE(page);
    auto expect_kept_shown = [&] {
        EXPECT_EQ(control_text(page, IDC_DEVICE), L"Not connected");
        EXPECT_EQ(slot_text(page, 0), L"Button 24");
        EXPECT_EQ(slot_text(page, 23), L"Button 1");
        EXPECT_FALSE(enabled(page, IDC_DEFAULT_SETTINGS));
    };
    expect_kept_shown();
    e2e::save_screenshot(m_sheet, "controller-page-stored-pad-missing");

    // Plugged in and pulled out while the page is shown.
    ASSERT_TRUE(m_pads.attach("new", 4, "New Pad", 2));
    EXPECT_TRUE(wait_until([&] { return combo_entries(page, IDC_DEVICE).size() == 3; }))
        << "the pad plugged in is not listed";
    expect_kept_shown();
    ASSERT_TRUE(m_pads.detach("new"));
    EXPECT_TRUE(wait_until([&] { return combo_entries(page, IDC_DEVICE).size() == 2; }))
        << "the pad pulled out is still listed";
    choose_player(page, 2);
    choose_player(page, 1);
    expect_kept_shown();
    press_ok();
    SettingsRecord saved = saved_record();
    EXPECT_EQ(std::memcmp(&saved.pad_slots[1], &record.pad_slots[1], sizeof(PadSlot)), 0) << "layout lost";

    // Plugged in again, the pad is a new device to Wine; picked, it takes the kept layout.
    ASSERT_TRUE(m_pads.attach("again", 4, "Kept Pad"));
    ASSERT_TRUE(VirtualPads::wait_for(1));
    page = start_on_controller_page();
    ASSERT_TRUE(page);
    expect_kept_shown();
    ASSERT_NO_FATAL_FAILURE(choose_device(page, L"Kept Pad"));
    EXPECT_EQ(slot_text(page, 12), L"Button 11");
    press_ok();
    saved = saved_record();
    EXPECT_TRUE(stored_guid_is(saved.pad_slots[1], attached_pads()[0].instance));
    EXPECT_EQ(entries_of(saved.pad_slots[1]), entries_of(record.pad_slots[1]));

    // Only the player's own choice of "--" lets it go.
    page = start_on_controller_page();
    ASSERT_TRUE(page);
    test_support::select_combo_entry(page, IDC_DEVICE, 0);
    press_ok();
    saved = saved_record();
    EXPECT_TRUE(stored_guid_is(saved.pad_slots[1], GUID_NULL));
    EXPECT_EQ(entries_of(saved.pad_slots[1]), expected_pad_layout(0));
}

// The control of the tool that has the keyboard focus.
HWND focused_control(HWND page) {
    GUITHREADINFO info = {sizeof info};
    return GetGUIThreadInfo(GetWindowThreadProcessId(page, nullptr), &info) ? info.hwndFocus : nullptr;
}

void press_key(WORD key) {
    test_support::send_key(key, true);
    test_support::send_key(key, false);
    Sleep(200);
}

// The keyboard alone: Tab to a slot, Space opens the capture dialog and a pad button fills
// the slot; Tab on to the next slot, Delete empties it.
TEST_F(Controllers, KeyboardAloneAssignsAndClearsSlots) {
    HWND page = start_with_pad("walk", "Walk Pad");
    ASSERT_TRUE(page);
    ASSERT_EQ(control_text(page, IDC_DEVICE), L"Walk Pad");
    SetForegroundWindow(m_sheet);
    SendMessageW(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(page, IDC_DEVICE)), TRUE);
    Sleep(200);
    press_key(VK_TAB);
    ASSERT_EQ(focused_control(page), GetDlgItem(page, IDC_CHOOSE_PADS)) << "Tab did not reach the pad choice";
    press_key(VK_TAB);
    ASSERT_EQ(focused_control(page), GetDlgItem(page, IDC_SLOT_LT)) << "Tab did not reach the first slot";

    test_support::send_key(VK_SPACE, true);
    test_support::send_key(VK_SPACE, false);
    HWND dialog = wait_for_capture_dialog(*m_tool);
    ASSERT_TRUE(dialog) << "Space did not open the capture dialog";
    Sleep(400);
    move(m_pads, "button", "walk", 11, 1)(dialog);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); }));
    EXPECT_EQ(slot_text(page, 4), L"Button 11");
    e2e::save_screenshot(m_sheet, "controller-page-keyboard-walk");

    press_key(VK_TAB);  // the slot's name box
    press_key(VK_TAB);
    ASSERT_EQ(focused_control(page), GetDlgItem(page, IDC_SLOT_LB));
    press_key(VK_DELETE);
    EXPECT_EQ(slot_text(page, 6), L"");
    test_support::send_key(VK_CONTROL, true);
    press_key('Z');
    test_support::send_key(VK_CONTROL, false);
    EXPECT_NE(slot_text(page, 6), L"") << "Ctrl+Z did not undo the clear";
    press_key(VK_DELETE);
    press_ok();

    std::vector<uint32_t> expected = expected_pad_layout(0);
    for (int slot = 0; slot < kAssignmentCount; ++slot)
        if ((expected[slot] & 0xFFFF) == 11u << 8) expected[slot] = entry(255, 0, slot);
    expected[4] = entry(0, 11, 4);
    expected[6] = entry(255, 0, 6);
    EXPECT_EQ(entries_of(saved_record().pad_slots[1]), expected);
}

// --- a pad alone ----------------------------------------------------------------------------

int shown_page_index(HWND sheet) {
    return TabCtrl_GetCurSel(reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0)));
}

// What the Controller page shows that a move could change.
std::vector<std::wstring> page_values(HWND page) {
    std::vector<std::wstring> values = {control_text(page, IDC_PLAYER), control_text(page, IDC_DEVICE),
                                        std::to_wstring(IsDlgButtonChecked(page, IDC_XINPUT))};
    for (int slot = 0; slot < kAssignmentCount; ++slot) values.push_back(slot_text(page, slot));
    return values;
}

// Presses a button of the pad `id` and holds it until the condition holds, then lets go;
// whether it held. A pad first seen with the button down, or a dialog that just opened,
// makes the tool wait for a release: the press is then made again.
bool press_until(VirtualPads& pads, const std::string& id, int button, const std::function<bool()>& done) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        pads.set("button", id, button, 1);
        const bool held = wait_until(done, 1500);
        pads.set("button", id, button, 0);
        if (held) return true;
    }
    return false;
}

class PadAlone : public Controllers {
protected:
    // Plugs in the gamepad and starts the tool, which the pad then works alone.
    bool start_with_gamepad() {
        if (!m_pads.attach_gamepad("nav", "Nav Gamepad") || !VirtualPads::wait_for(1)) return false;
        m_tool = std::make_unique<ToolProcess>();
        if (!m_tool->start() || !(m_sheet = m_tool->wait_for_sheet())) return false;
        SetForegroundWindow(m_sheet);  // no window manager here brings it to the front
        return true;
    }
    // Presses a button for a moment, as a player does, and lets it go.
    void hold(int button) {
        m_pads.set("button", "nav", button, 1);
        Sleep(150);
        m_pads.set("button", "nav", button, 0);
    }
    // Presses a button of the gamepad until what it does has happened.
    bool press(int button, const std::function<bool()>& done) {
        return press_until(m_pads, "nav", button, done);
    }
    bool press_to_move(int button) {
        const HWND from = focus();
        return press(button, [&] { return focus() != from; });
    }
    bool press_to_turn(int button) {
        const int from = shown_page_index(m_sheet);
        return press(button, [&] { return shown_page_index(m_sheet) != from; });
    }
    HWND focus() { return focused_control(m_sheet); }
    // Walks the focus down to the control; false when it is not reached in a few steps.
    bool walk_to(HWND control) {
        for (int step = 0; step < 8 && focus() != control; ++step)
            if (!press_to_move(kPadDown)) return false;
        return focus() == control;
    }
    // Opens the focused list, moves down one entry and closes it with the button `close`.
    bool choose_next_in_list(HWND list, int close) {
        const LRESULT before = SendMessageW(list, CB_GETCURSEL, 0, 0);
        return press(kPadA, [&] { return SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0) != 0; }) &&
               press(kPadDown, [&] { return SendMessageW(list, CB_GETCURSEL, 0, 0) != before; }) &&
               press(close, [&] { return SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0) == 0; });
    }
    // The question the tool asks over its sheet; null when there is none.
    HWND question() {
        for (HWND dialog : e2e::process_windows(m_tool->pid(), L"#32770"))
            if (GetWindow(dialog, GW_OWNER) == m_sheet && !GetDlgItem(dialog, IDC_CAPTURE_PROMPT))
                return dialog;
        return nullptr;
    }
};

// RB twice shows the Controller page; the D-pad walks to player 1's device list without
// changing anything on the way; A opens it, D-pad down and A choose the pad, B in a list
// closes only the list, and Start closes the sheet with OK.
TEST_F(PadAlone, ChoosesItsOwnDeviceAndSavesWithStart) {
    ASSERT_TRUE(start_with_gamepad());
    ASSERT_TRUE(press_to_turn(kPadRightShoulder));
    ASSERT_TRUE(press_to_turn(kPadRightShoulder));
    ASSERT_EQ(shown_page_index(m_sheet), kControllerPage);
    HWND page = e2e::current_page(m_sheet);
    HWND list = GetDlgItem(page, IDC_DEVICE);
    const std::vector<std::wstring> before = page_values(page);
    for (int step = 0; step < 8 && focus() != list; ++step) {
        ASSERT_TRUE(press_to_move(kPadDown));
        ASSERT_EQ(page_values(page), before) << "a move changed a value at step " << step;
    }
    ASSERT_EQ(focus(), list);

    ASSERT_TRUE(choose_next_in_list(list, kPadB));
    EXPECT_TRUE(IsWindow(m_sheet)) << "B in a list closed the sheet";
    EXPECT_EQ(page_values(page), before) << "B in a list kept its choice";

    ASSERT_TRUE(choose_next_in_list(list, kPadA));
    EXPECT_EQ(control_text(page, IDC_DEVICE), attached_pads()[0].name);
    e2e::save_screenshot(m_sheet, "controller-page-pad-alone");
    // Whole on a handheld's screen of 1280 x 800 at 96 DPI.
    RECT box = {};
    GetWindowRect(m_sheet, &box);
    EXPECT_LE(box.right - box.left, 1280);
    EXPECT_LE(box.bottom - box.top, 800);
    ASSERT_TRUE(press(kPadStart, [&] { return !IsWindow(m_sheet); }));
    ASSERT_TRUE(m_tool->wait_for_exit());
    EXPECT_EQ(m_tool->exit_code(), 0u);
    EXPECT_TRUE(stored_guid_is(saved_record().pad_slots[1], attached_pads()[0].instance));
}

// A capture opened with A takes the next press, not A; the pad's B cancels the Keyboard
// page's capture, which watches the keyboard; B on the sheet asks before changes are lost.
TEST_F(PadAlone, CapturesTheNextPressAndAsksBeforeCancelling) {
    ASSERT_TRUE(start_with_gamepad());
    ASSERT_TRUE(press_to_turn(kPadRightShoulder));
    ASSERT_TRUE(press_to_turn(kPadRightShoulder));
    HWND page = e2e::current_page(m_sheet);
    ASSERT_TRUE(walk_to(GetDlgItem(page, IDC_DEVICE)));
    ASSERT_TRUE(choose_next_in_list(GetDlgItem(page, IDC_DEVICE), kPadA));
    ASSERT_EQ(control_text(page, IDC_DEVICE), attached_pads()[0].name);
    ASSERT_TRUE(walk_to(GetDlgItem(page, IDC_SLOT_LT)));
    const std::vector<std::wstring> before_capture = page_values(page);
    const std::wstring x_name = slot_text(page, 3);
    HWND dialog = nullptr;
    ASSERT_TRUE(press(kPadA, [&] { return (dialog = wait_for_capture_dialog(*m_tool, 0)) != nullptr; }))
        << "A did not open the capture dialog";
    ASSERT_TRUE(press(kPadX, [&] { return !IsWindow(dialog); }));
    EXPECT_EQ(slot_text(page, 4), x_name) << "the capture took A instead of the next press";
    EXPECT_TRUE(press(kPadBack, [&] { return page_values(page) == before_capture; }))
        << "Back did not give both slots back what they held";

    ASSERT_TRUE(press_to_turn(kPadLeftShoulder));
    HWND keyboard_page = e2e::current_page(m_sheet);
    ASSERT_NE(keyboard_page, page);
    ASSERT_TRUE(walk_to(GetDlgItem(keyboard_page, IDC_SLOT_LT)));
    const std::wstring key_before = slot_text(keyboard_page, 4);
    ASSERT_TRUE(press(kPadA, [&] { return (dialog = wait_for_capture_dialog(*m_tool, 0)) != nullptr; }));
    EXPECT_TRUE(press(kPadB, [&] { return !IsWindow(dialog); })) << "B did not cancel the keyboard's capture";
    EXPECT_EQ(slot_text(keyboard_page, 4), key_before);

    ASSERT_TRUE(press(kPadB, [&] { return question() != nullptr; })) << "B cancelled changes without asking";
    HWND box = question();
    e2e::save_screenshot(box, "pad-discard-question");
    EXPECT_TRUE(press(kPadB, [&] { return !IsWindow(box); }));
    EXPECT_TRUE(IsWindow(m_sheet)) << "B in the question closed the sheet";
    ASSERT_TRUE(press(kPadB, [&] { return question() != nullptr; }));
    box = question();
    ASSERT_TRUE(press(kPadA, [&] { return !IsWindow(box); }));
    ASSERT_TRUE(m_tool->wait_for_exit());
    const std::vector<uint8_t> saved = e2e::read_file(e2e::settings_file());
    EXPECT_TRUE(saved.empty() || !stored_guid_is(saved_record().pad_slots[1], attached_pads()[0].instance))
        << "the changes were saved";
}

// A change made by the mouse counts: B asks before it is thrown away (B in the question goes
// back to the sheet, A discards it) and the file stays as it was; with nothing changed B
// closes at once. The port, the one value a player types, is entered by the pad alone.
TEST_F(PadAlone, AsksAboutAChangeByTheMouseAndEntersThePort) {
    const std::vector<uint8_t> file = e2e::valid_settings_file(9, 6000);
    ASSERT_TRUE(e2e::put_settings_file(file));
    ASSERT_TRUE(start_with_gamepad());
    auto question = [&] { return this->question(); };
    test_support::click(e2e::current_page(m_sheet), IDC_VSYNC);  // as the mouse does
    ASSERT_TRUE(press_until(m_pads, "nav", kPadB, [&] { return question() != nullptr; })) << "B did not ask";
    HWND box = question();
    ASSERT_TRUE(press_until(m_pads, "nav", kPadB, [&] { return !IsWindow(box); }));
    EXPECT_TRUE(IsWindow(m_sheet)) << "B in the question closed the sheet";
    ASSERT_TRUE(press_until(m_pads, "nav", kPadB, [&] { return question() != nullptr; }));
    box = question();
    ASSERT_TRUE(press_until(m_pads, "nav", kPadA, [&] { return !IsWindow(box); }));
    ASSERT_TRUE(m_tool->wait_for_exit());
    EXPECT_EQ(e2e::read_file(e2e::settings_file()), file) << "the discarded change was saved";

    // Nothing changed: B closes without a question.
    m_tool = std::make_unique<ToolProcess>();
    ASSERT_TRUE(m_tool->start() && (m_sheet = m_tool->wait_for_sheet()));
    SetForegroundWindow(m_sheet);
    ASSERT_TRUE(press_until(m_pads, "nav", kPadB, [&] { return !IsWindow(m_sheet); })) << "B did not close";
    EXPECT_EQ(question(), nullptr);
    ASSERT_TRUE(m_tool->wait_for_exit());

    // The port: to the Online page, down to the port box; A edits it, up three times,
    // right once, the shoulder does nothing meanwhile, A keeps it and Start saves.
    m_tool = std::make_unique<ToolProcess>();
    ASSERT_TRUE(m_tool->start() && (m_sheet = m_tool->wait_for_sheet()));
    SetForegroundWindow(m_sheet);
    constexpr int kOnlinePage = 3;
    for (int page = 1; page <= kOnlinePage; ++page)
        ASSERT_TRUE(
            press_until(m_pads, "nav", kPadRightShoulder, [&] { return shown_page_index(m_sheet) == page; }));
    HWND port = GetDlgItem(e2e::current_page(m_sheet), IDC_UDP_PORT);
    for (int step = 0; step < 6 && focus() != port; ++step) {
        HWND from = focus();
        ASSERT_TRUE(press_until(m_pads, "nav", kPadDown, [&] { return focus() != from; }));
    }
    ASSERT_EQ(focus(), port);
    const std::wstring before = e2e::window_text(port);
    auto shows = [&](const wchar_t* text) { return [&, text] { return e2e::window_text(port) == text; }; };
    ASSERT_EQ(before, L"6000");
    hold(kPadA);
    for (const wchar_t* expected : {L"6001", L"6002", L"6003"})
        ASSERT_TRUE(press_until(m_pads, "nav", kPadUp, shows(expected))) << "up did not step to " << expected;
    ASSERT_TRUE(press_until(m_pads, "nav", kPadRight, shows(L"6103")));
    hold(kPadLeftShoulder);
    EXPECT_EQ(shown_page_index(m_sheet), kOnlinePage)
        << "the shoulder turned the page while the port was edited";
    hold(kPadA);
    ASSERT_TRUE(press_until(m_pads, "nav", kPadStart, [&] { return !IsWindow(m_sheet); }));
    ASSERT_TRUE(m_tool->wait_for_exit());
    EXPECT_EQ(saved_record().udp_port, 6103);
}

// With the settings file held by another program past the tool's retries, the pad alone
// answers the box before the sheet (B is Cancel, and the sheet opens) and the box after it
// (Start is OK, and B in the box that says the file still cannot be read ends the tool),
// through XInput and through DirectInput alike; the file stays as it was.
TEST_F(PadAlone, AnswersTheBoxesBeforeAndAfterTheSheet) {
    const struct {
        const char* what;
        bool gamepad;  // XInput reads it; else a plain DirectInput pad of no family
        int b, start;
    } pads[] = {{"XInput pad", true, kPadB, kPadStart}, {"DirectInput pad", false, 1, 8}};
    const std::vector<uint8_t> file = e2e::valid_settings_file(5, 6000);
    for (const auto& pad : pads) {
        SCOPED_TRACE(pad.what);
        ASSERT_TRUE(m_pads.clear() && VirtualPads::wait_for(0));
        ASSERT_TRUE(pad.gamepad ? m_pads.attach_gamepad("box", "Box Gamepad")
                                : m_pads.attach("box", 4, "Box Pad"));
        ASSERT_TRUE(VirtualPads::wait_for(1));
        e2e::HeldSettingsFile held(file);
        ASSERT_TRUE(held.held());
        m_tool = std::make_unique<ToolProcess>();
        ASSERT_TRUE(m_tool->start());
        HWND box = e2e::wait_for_message_box(m_tool->pid(), 20000);
        ASSERT_TRUE(box) << "no box about the file";
        SetForegroundWindow(box);  // no window manager here brings it to the front
        ASSERT_TRUE(press_until(m_pads, "box", pad.b, [&] { return !IsWindow(box); })) << "B did not cancel";
        m_sheet = m_tool->wait_for_sheet();
        ASSERT_TRUE(m_sheet) << "the sheet did not open after Cancel";
        SetForegroundWindow(m_sheet);
        ASSERT_TRUE(press_until(m_pads, "box", pad.start, [&] {
            box = e2e::wait_for_message_box(m_tool->pid(), 0);
            return box != nullptr;
        })) << "Start did not press OK";
        EXPECT_NE(e2e::message_box_text(box).find(L"still cannot be read"), std::wstring::npos)
            << e2e::message_box_text(box);
        SetForegroundWindow(box);
        ASSERT_TRUE(press_until(m_pads, "box", pad.b, [&] { return !IsWindow(box); })) << "B did not cancel";
        EXPECT_TRUE(m_tool->wait_for_exit());
        held.release();
        EXPECT_EQ(e2e::read_file(e2e::settings_file()), file) << "the file was touched";
    }
}

}  // namespace
