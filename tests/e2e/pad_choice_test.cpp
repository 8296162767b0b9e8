// Players choosing their pads by pressing them, with two virtual pads of one model on Wine's
// HID bus and the real settings.exe: a pass over the players, a pad taken from a dialog that
// a pad opened, a swap of two players' pads and layouts, undo by the pad's Back, and what
// the saved file holds.
#include "e2e/driver.h"
#include "res/resource.h"
#include "settings/expected_layouts.h"
#include "settings/settings.h"
#include "support/sheet_script.h"
#include "support/virtual_pad_commands.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using e2e::control_text;
using e2e::ToolProcess;
using test_support::attached_pads;
using test_support::VirtualPads;
using test_support::wait_until;
using namespace test_support::sdl_gamepad;

constexpr int kControllerPage = 2;

std::wstring prompt_for(int player) {
    return L"Press a button on the pad for Controller " + std::to_wstring(player) + L".";
}

HWND find_pad_choice_dialog(const ToolProcess& tool) {
    for (HWND dialog : e2e::process_windows(tool.pid(), L"#32770"))
        if (GetDlgItem(dialog, IDC_PAD_CHOICE_PROMPT)) return dialog;
    return nullptr;
}

// Clicks the page's button and brings the dialog it opens to the front, as the system does
// for the player (no window manager does it here): pads are read while the tool is in front.
HWND open_pad_choice(const ToolProcess& tool, HWND page) {
    PostMessageW(GetDlgItem(page, IDC_CHOOSE_PADS), BM_CLICK, 0, 0);
    HWND dialog = nullptr;
    wait_until([&] { return (dialog = find_pad_choice_dialog(tool)) != nullptr; });
    if (dialog) SetForegroundWindow(dialog);
    return dialog;
}

bool holds(const PadSlot& slot, const GUID& device) {
    return std::memcmp(&slot.device_guid, &device, sizeof device) == 0;
}

std::vector<uint32_t> entries_of(const PadSlot& slot) {
    return std::vector<uint32_t>(slot.assignments, slot.assignments + kAssignmentCount);
}

class PadChoiceByPress : public test_support::PadsTest {
protected:
    // The device list's entry of a pad: two pads of one name are listed in the order of
    // their instance GUIDs, the second numbered.
    std::wstring entry_of(const GUID& pad) const {
        const GUID& other = std::memcmp(&pad, &m_one, sizeof pad) == 0 ? m_two : m_one;
        return std::memcmp(&pad, &other, sizeof pad) < 0 ? m_name : m_name + L" - 2";
    }

    GUID m_one = {};
    GUID m_two = {};
    std::wstring m_name;  // as Wine names both
};

TEST_F(PadChoiceByPress, PlayersTakeAndSwapPadsByPressingThemAndBackUndoes) {
    ASSERT_TRUE(m_pads.attach_gamepad("one", "Twin Gamepad") && VirtualPads::wait_for(1));
    m_one = attached_pads()[0].instance;
    m_name = attached_pads()[0].name;
    ASSERT_TRUE(m_pads.attach_gamepad("two", "Twin Gamepad") && VirtualPads::wait_for(2));
    for (const auto& pad : attached_pads())
        if (std::memcmp(&pad.instance, &m_one, sizeof m_one) != 0) m_two = pad.instance;

    ToolProcess tool;
    ASSERT_TRUE(tool.start());
    HWND sheet = tool.wait_for_sheet();
    ASSERT_TRUE(sheet);
    SetForegroundWindow(sheet);  // pads are read while the tool is in front
    e2e::select_page(sheet, kControllerPage);
    HWND page = e2e::current_page(sheet);
    ASSERT_TRUE(wait_until([&] { return test_support::enabled(page, IDC_CHOOSE_PADS); }));

    // Back on any pad closes the dialog; nothing changes.
    HWND dialog = open_pad_choice(tool, page);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(control_text(dialog, IDC_PAD_CHOICE_PROMPT), prompt_for(1));
    EXPECT_TRUE(m_pads.press_until("two", kPadBack, [&] { return !IsWindow(dialog); }));
    EXPECT_EQ(control_text(page, IDC_DEVICE), L"--");

    // One pass from Controller 1: each pad pressed goes to the player whose turn it is.
    dialog = open_pad_choice(tool, page);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(m_pads.press_until(
        "one", kPadA, [&] { return control_text(dialog, IDC_PAD_CHOICE_PROMPT) == prompt_for(2); }));
    EXPECT_TRUE(m_pads.press_until(
        "two", kPadA, [&] { return control_text(dialog, IDC_PAD_CHOICE_PROMPT) == prompt_for(3); }));
    test_support::click(dialog, IDCANCEL);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); }));
    EXPECT_EQ(control_text(page, IDC_PLAYER), L"Controller 2") << "the last player taken";
    EXPECT_EQ(control_text(page, IDC_DEVICE), entry_of(m_two));
    test_support::select_combo_entry(page, IDC_PLAYER, 0);
    EXPECT_EQ(control_text(page, IDC_DEVICE), entry_of(m_one));

    // Back on a pad undoes the take for Controller 2.
    test_support::select_combo_entry(page, IDC_PLAYER, 1);
    SetForegroundWindow(sheet);
    EXPECT_TRUE(m_pads.press_until("one", kPadBack, [&] { return control_text(page, IDC_DEVICE) == L"--"; }));

    // Opened for Controller 2 by A on the first pad, the dialog takes the second pad pressed,
    // not the press that opened it.
    SendMessageW(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(page, IDC_CHOOSE_PADS)), TRUE);
    EXPECT_TRUE(
        m_pads.press_until("one", kPadA, [&] { return (dialog = find_pad_choice_dialog(tool)) != nullptr; }));
    ASSERT_TRUE(dialog) << "A on the focused button did not open the dialog";
    EXPECT_FALSE(
        wait_until([&] { return control_text(dialog, IDC_PAD_CHOICE_PROMPT) != prompt_for(2); }, 1000))
        << "the opening press was taken";
    EXPECT_TRUE(m_pads.press_until(
        "two", kPadB, [&] { return control_text(dialog, IDC_PAD_CHOICE_PROMPT) == prompt_for(3); }));
    SetForegroundWindow(dialog);
    test_support::send_key(VK_ESCAPE, true);
    test_support::send_key(VK_ESCAPE, false);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); })) << "Escape did not close the dialog";
    EXPECT_EQ(control_text(page, IDC_DEVICE), entry_of(m_two));

    // Player 1's layout made its own (Y emptied); the first pad pressed in Controller 2's
    // dialog swaps the two players' pads and layouts, and Back swaps them back.
    test_support::select_combo_entry(page, IDC_PLAYER, 0);
    SendMessageW(GetDlgItem(page, IDC_SLOT_Y), WM_KEYDOWN, VK_DELETE, 0);
    ASSERT_EQ(control_text(page, IDC_NAME_Y), L"");
    test_support::select_combo_entry(page, IDC_PLAYER, 1);
    const std::wstring y_of_two = control_text(page, IDC_NAME_Y);
    EXPECT_NE(y_of_two, L"");
    dialog = open_pad_choice(tool, page);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(m_pads.press_until(
        "one", kPadX, [&] { return control_text(dialog, IDC_PAD_CHOICE_PROMPT) == prompt_for(3); }));
    test_support::click(dialog, IDCANCEL);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); }));
    EXPECT_EQ(control_text(page, IDC_DEVICE), entry_of(m_one));
    EXPECT_EQ(control_text(page, IDC_NAME_Y), L"") << "player 1's layout did not come with the pad";
    EXPECT_EQ(control_text(page, IDC_TAKEN_NOTE), L"Controller 1 and Controller 2 swapped pads.");
    SetForegroundWindow(sheet);
    EXPECT_TRUE(m_pads.press_until("two", kPadBack,
                                   [&] { return control_text(page, IDC_DEVICE) == entry_of(m_two); }));
    EXPECT_EQ(control_text(page, IDC_NAME_Y), y_of_two);

    e2e::press_sheet_button(sheet, PSBTN_OK);
    ASSERT_TRUE(tool.wait_for_exit());
    EXPECT_EQ(tool.exit_code(), 0u);
    const std::vector<uint8_t> bytes = e2e::read_file(e2e::settings_file());
    ASSERT_EQ(bytes.size(), sizeof(SettingsRecord));
    SettingsRecord saved;
    std::memcpy(&saved, bytes.data(), sizeof saved);
    EXPECT_TRUE(holds(saved.pad_slots[1], m_one));
    EXPECT_TRUE(holds(saved.pad_slots[2], m_two)) << "the file does not hold the second pad for Controller 2";
    std::vector<uint32_t> layout = expected_pad_entries(kXboxControllerRow);
    EXPECT_EQ(entries_of(saved.pad_slots[2]), layout);
    layout[0] = expected_entry({255, 0}, kExpectedDefaults[0].carried);
    EXPECT_EQ(entries_of(saved.pad_slots[1]), layout);
}

}  // namespace
