// The Controller page as a screen reader reads it from its own process: names, roles and
// values through AccessibleObjectFromWindow, which reach the tool's accessible objects
// through WM_GETOBJECT and COM's marshalling.
#include "e2e/driver.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "support/accessible.h"
#include "support/sheet_script.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kControllerPage = 2;

// Player 1's pad stored but not plugged in: the page shows its kept layout, so that every
// slot has an input for a reader to hear.
bool put_stored_pad_layout() {
    std::vector<uint8_t> bytes = e2e::valid_settings_file(7, 5000);
    SettingsRecord record;
    std::memcpy(&record, bytes.data(), sizeof record);
    record.pad_slots[1].device_guid = {0x5EADE12u, 0x40, 0x40, {1, 2, 3, 4, 5, 6, 7, 8}};
    std::memcpy(record.pad_slots[1].assignments, default_pad_layout(),
                sizeof record.pad_slots[1].assignments);
    stamp_settings_header(record);
    std::memcpy(bytes.data(), &record, sizeof record);
    return e2e::put_settings_file(bytes);
}

TEST(ScreenReader, ReadsTheControllerPageFromAnotherProcess) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(put_stored_pad_layout());
    e2e::ToolProcess tool;
    ASSERT_TRUE(tool.start());
    HWND sheet = tool.wait_for_sheet();
    ASSERT_TRUE(sheet);
    // The sheet's OK button has the system's own object. Where a second process reads no name
    // or role of any window, the system's objects included (seen under 64-bit Wine 8), there
    // is nothing of the tool's to check; and Wine's objects give buttons and combo boxes the
    // role of a plain client area.
    const test_support::AccessibleView ok = test_support::accessible_view(GetDlgItem(sheet, IDOK));
    if (ok.name.empty() || ok.role == 0) {
        e2e::remove_settings();
        GTEST_SKIP() << "this Wine reads no accessible name or role from another process, the "
                        "system's own objects included";
    }
    const bool generic_roles = ok.role == ROLE_SYSTEM_CLIENT;
    const auto role_of = [generic_roles](LONG role) { return generic_roles ? ROLE_SYSTEM_CLIENT : role; };

    e2e::select_page(sheet, kControllerPage);
    HWND page = nullptr;
    ASSERT_TRUE(test_support::wait_until([&] {
        page = e2e::current_page(sheet);
        return page && !e2e::window_text(GetDlgItem(page, IDC_NAME_Y)).empty();
    }));
    const auto text = [page](int id) { return e2e::window_text(GetDlgItem(page, id)); };

    // Per control, what a reader must hear: a slot button by its function with the input its
    // name box shows as value, the box by the same function with that input, a combo box by
    // its label, a mode by its own text.
    struct Case {
        int id;
        std::wstring name;
        LONG role;
        std::optional<std::wstring> value;
    };
    std::vector<Case> cases;
    for (size_t slot = 0; slot < std::size(test_support::kSlotButtons); ++slot) {
        const int button = test_support::kSlotButtons[slot];
        const int box = test_support::kSlotNameBoxes[slot];
        cases.push_back({button, text(button), role_of(ROLE_SYSTEM_PUSHBUTTON), text(box)});
        cases.push_back({box, text(button), ROLE_SYSTEM_TEXT, text(box)});
    }
    cases.push_back({IDC_PLAYER, text(IDC_PLAYER_LABEL), role_of(ROLE_SYSTEM_COMBOBOX), std::nullopt});
    cases.push_back({IDC_DEVICE, text(IDC_DEVICE_LABEL), role_of(ROLE_SYSTEM_COMBOBOX), std::nullopt});
    cases.push_back({IDC_DIRECTINPUT, text(IDC_DIRECTINPUT), role_of(ROLE_SYSTEM_RADIOBUTTON), std::nullopt});
    cases.push_back({IDC_XINPUT, text(IDC_XINPUT), role_of(ROLE_SYSTEM_RADIOBUTTON), std::nullopt});
    for (const Case& c : cases) {
        const test_support::AccessibleView view = test_support::accessible_view(GetDlgItem(page, c.id));
        EXPECT_FALSE(c.name.empty()) << c.id;
        EXPECT_EQ(view.name, c.name) << c.id;
        EXPECT_EQ(view.role, c.role) << c.id;
        if (c.value) {
            EXPECT_FALSE(c.value->empty()) << c.id;
            EXPECT_EQ(view.value, *c.value) << c.id;
        }
    }

    e2e::press_sheet_button(sheet, PSBTN_CANCEL);
    EXPECT_TRUE(tool.wait_for_exit());
    e2e::remove_settings();
    CoUninitialize();
}

}  // namespace
