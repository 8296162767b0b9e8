// The Display page in a real sheet: what it shows for a record and a machine, what it
// refuses, what OK stores, and the hover help.
#include "nrv/peripheral/peripheral.h"
#include "padnav/padnav.h"
#include "pages/pages.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "support/pad_walk.h"
#include "support/replace.h"
#include "support/sheet_script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using test_support::run_sheet;

class DisplaySheet : public CPropertySheet {
public:
    DisplaySheet() : CPropertySheet(L"") { AddPage(&page); }
    CDisplayPage page;
};

// A machine that runs every tier, with full-screen modes up to 1920 x 1200.
void set_machine(float shader, int memory_mb) {
    HardwareInfo& info = hardware_info();
    info.vertex_shader_version = shader;
    info.pixel_shader_version = shader;
    info.DeclTypes = 1;
    info.video_memory_bytes = memory_mb * 1000000;
    DisplayModeSets& sets = display_mode_sets();
    sets.listed = ResolutionSet(resolution_table.begin(), resolution_table.end());
    sets.fullscreen = {{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}, {1920, 1200}};
}

void set_record(int quality_tier, int full, int width, int height) {
    build_default_settings(2, 1280, 1024);
    set_quality(quality_tier);
    set_full_screen(full);
    set_screen_width(width);
    set_screen_height(height);
}

std::wstring selected_label(HWND page) {
    HWND combo = GetDlgItem(page, IDC_RESOLUTION);
    const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    wchar_t text[128] = {};
    if (index >= 0) SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

HWND page_of(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

using test_support::click;

bool checked(HWND page, int id) {
    return test_support::is_checked(page, id);
}

void focus(HWND sheet, HWND control) {
    SendMessageW(sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

void select_resolution(HWND page, const wchar_t* prefix) {
    ASSERT_TRUE(test_support::select_combo_prefix(page, IDC_RESOLUTION, prefix)) << "not offered";
}

TEST(DisplayPage, ShowsTheStoredChoicesAndOkStoresTheControls) {
    set_machine(3.0f, 512);
    set_record(1, 1, 1024, 768);
    set_vsync(true);
    set_no_movie(false);
    DisplaySheet sheet;
    const INT_PTR result = run_sheet(sheet, [](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        EXPECT_TRUE(checked(page, IDC_QUALITY_MEDIUM));
        EXPECT_TRUE(checked(page, IDC_FULL_SCREEN_MODE));
        EXPECT_TRUE(checked(page, IDC_ASPECT_4_3));
        EXPECT_EQ(selected_label(page), L"(1024, 768)");
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_VSYNC)));

        select_resolution(page, L"(1920,1200)");
        EXPECT_TRUE(checked(page, IDC_ASPECT_16_9)) << "1920 x 1200 is wider than 4:3";
        click(page, IDC_ASPECT_4_3);  // the player may still choose 4:3
        click(page, IDC_NO_MOVIE);
        click(page, IDC_VSYNC);
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    ASSERT_EQ(result, IDOK);
    EXPECT_EQ(screen_width(), 1920);
    EXPECT_EQ(screen_height(), 1200);
    EXPECT_EQ(wide_aspect(), 0);
    EXPECT_EQ(full_screen(), 1);
    EXPECT_EQ(quality(), 1);
    EXPECT_EQ(no_movie(), 1);
    EXPECT_EQ(vsync(), 0);
    EXPECT_EQ(frame_skip(), 1);
}

TEST(DisplayPage, AResolutionThatIsNotOfferedFallsBackToTheFirst) {
    set_machine(3.0f, 512);
    set_record(0, 1, 1366, 768);  // not a full-screen mode of this machine
    DisplaySheet sheet;
    run_sheet(sheet, [](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        EXPECT_EQ(selected_label(page), L"( 640, 480)");
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_VSYNC))) << "low quality has no vertical sync";
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    EXPECT_EQ(screen_width(), 640);
    EXPECT_EQ(screen_height(), 480);
}

TEST(DisplayPage, ModesLargerThanTheScreenLeaveTheListInWindowMode) {
    set_machine(3.0f, 512);
    set_record(2, 1, 1920, 1200);
    DisplaySheet sheet;
    run_sheet(sheet, [](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        const std::wstring label = selected_label(page);
        EXPECT_EQ(label.substr(0, 11), L"(1920,1200)");
        EXPECT_GT(label.size(), 11u) << "marked as full screen only on a 1280 x 1024 screen";
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_WINDOW_MODE)));

        // The window radio is disabled for this mode; the switch is made as the page's
        // handler sees it.
        CheckDlgButton(page, IDC_FULL_SCREEN_MODE, BST_UNCHECKED);
        CheckDlgButton(page, IDC_WINDOW_MODE, BST_CHECKED);
        SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_WINDOW_MODE, BN_CLICKED), 0);
        EXPECT_EQ(selected_label(page), L"( 640, 480)");
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

TEST(DisplayPage, RefusesATierTheMachineCannotRun) {
    set_machine(2.0f, 200);  // medium at most
    set_record(0, 1, 640, 480);
    DisplaySheet sheet;
    test_support::MessageBoxAnswerer answerer;
    run_sheet(sheet, [](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        click(page, IDC_QUALITY_HIGH);
        EXPECT_EQ(test_support::MessageBoxAnswerer::count(), 1);
        EXPECT_TRUE(checked(page, IDC_QUALITY_MEDIUM)) << "falls back to the best lower tier";
        EXPECT_FALSE(checked(page, IDC_QUALITY_HIGH));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_VSYNC)));
        // 200 units at medium: up to 1280 x 720 pixels.
        HWND combo = GetDlgItem(page, IDC_RESOLUTION);
        EXPECT_GE(SendMessageW(combo, CB_FINDSTRING, static_cast<WPARAM>(-1),
                               reinterpret_cast<LPARAM>(L"(1024, 768)")),
                  0);
        EXPECT_LT(SendMessageW(combo, CB_FINDSTRING, static_cast<WPARAM>(-1),
                               reinterpret_cast<LPARAM>(L"(1280,1024)")),
                  0);
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    EXPECT_EQ(quality(), 1);
}

// Also a machine that offers no resolution at all: OK keeps the stored one.
TEST(DisplayPage, OnAMachineThatRunsOnlyLowHighFallsBackToLow) {
    set_machine(1.0f, 100);
    display_mode_sets().listed.clear();
    set_record(1, 0, 1366, 768);
    set_vsync(true);
    DisplaySheet sheet;
    test_support::MessageBoxAnswerer answerer;
    run_sheet(sheet, [](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        EXPECT_EQ(SendMessageW(GetDlgItem(page, IDC_RESOLUTION), CB_GETCOUNT, 0, 0), 0);
        click(page, IDC_QUALITY_HIGH);
        EXPECT_EQ(test_support::MessageBoxAnswerer::count(), 1);
        EXPECT_TRUE(checked(page, IDC_QUALITY_LOW));
        EXPECT_FALSE(checked(page, IDC_QUALITY_MEDIUM));
        EXPECT_FALSE(checked(page, IDC_QUALITY_HIGH));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_VSYNC)));
        EXPECT_TRUE(checked(page, IDC_VSYNC)) << "the check stays, greyed";
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    EXPECT_EQ(quality(), 0);
    EXPECT_TRUE(vsync());
    EXPECT_EQ(screen_width(), 1366);
    EXPECT_EQ(screen_height(), 768);
}

TEST(DisplayPage, ModeSwitchesKeepTheResolutionTheListSetsTheAspectAndLowGreysVsync) {
    set_machine(3.0f, 512);
    set_record(2, 1, 1024, 768);
    set_vsync(true);
    DisplaySheet sheet;
    run_sheet(sheet, [](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        click(page, IDC_WINDOW_MODE);
        EXPECT_EQ(selected_label(page), L"(1024, 768)");
        click(page, IDC_FULL_SCREEN_MODE);
        EXPECT_EQ(selected_label(page), L"(1024, 768)");

        click(page, IDC_QUALITY_LOW);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_VSYNC)));
        EXPECT_TRUE(checked(page, IDC_VSYNC));
        click(page, IDC_QUALITY_MEDIUM);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_VSYNC)));

        // 16:9 for a wide mode, back to 4:3 for 1280 x 1024 (3 x 320 - 1024 < 0).
        select_resolution(page, L"(1920,1200)");
        EXPECT_TRUE(checked(page, IDC_ASPECT_16_9));
        select_resolution(page, L"(1280,1024)");
        EXPECT_TRUE(checked(page, IDC_ASPECT_4_3));
        EXPECT_FALSE(checked(page, IDC_ASPECT_16_9));

        // F1 is answered by the page (the dialog manager's default answer is 0).
        HELPINFO info = {};
        info.cbSize = sizeof info;
        EXPECT_EQ(SendMessageW(page, WM_HELP, 0, reinterpret_cast<LPARAM>(&info)), TRUE);
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    EXPECT_EQ(screen_width(), 1280);
    EXPECT_EQ(wide_aspect(), 0);
    EXPECT_EQ(quality(), 1);
    EXPECT_TRUE(vsync());
}

TEST(DisplayPage, HoverHelpOpensAfterTwoRestingTicksAndClosesAtTheFirstAway) {
    set_machine(3.0f, 512);
    set_record(1, 1, 1024, 768);
    DisplaySheet sheet;
    run_sheet(sheet, [](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        RECT low;
        GetWindowRect(GetDlgItem(page, IDC_QUALITY_LOW), &low);
        const POINT on_low = {(low.left + low.right) / 2, (low.top + low.bottom) / 2};
        // The first tick sees the cursor arrive, two more at rest open the popup.
        EXPECT_EQ(test_support::popups_per_tick(page, {on_low, {low.right + 300, low.bottom + 300}}, 3, 1),
                  (std::vector<size_t>{0, 0, 1, 0}));
        SetCursorPos(on_low.x, on_low.y);
        for (int tick = 0; tick < 3; ++tick) SendMessageW(page, WM_TIMER, 2, 0);
        const std::vector<HWND> popups = test_support::thread_windows(L"CalcoraHelpPopup");
        EXPECT_EQ(popups.size(), 1u);
        if (!popups.empty()) {
            RECT popup;
            GetWindowRect(popups[0], &popup);
            EXPECT_GE(popup.top, low.bottom) << "below the control";
        }

        // F1 shows the focused control's help, while the focus stays on it; a control
        // without help shows none.
        SetCursorPos(low.right + 300, low.bottom + 300);
        SendMessageW(page, WM_TIMER, 2, 0);
        HELPINFO info = {};
        info.cbSize = sizeof info;
        for (int control : {IDC_RESOLUTION, IDC_ASPECT_16_9, IDC_ASPECT_4_3}) {
            SetFocus(GetDlgItem(page, control));
            SendMessageW(page, WM_TIMER, 2, 0);
            SendMessageW(page, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
            SendMessageW(page, WM_TIMER, 2, 0);
            EXPECT_EQ(test_support::thread_windows(L"CalcoraHelpPopup").size(),
                      control == IDC_RESOLUTION ? 0u : 1u)
                << "control " << control;
        }
        SetFocus(GetDlgItem(page, IDC_RESOLUTION));
        SendMessageW(page, WM_TIMER, 2, 0);
        EXPECT_TRUE(test_support::thread_windows(L"CalcoraHelpPopup").empty()) << "the focus moved on";
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

// The tab stops of a dialog and the dialogs within it, in window order.
void collect_tab_stops(HWND parent, std::vector<HWND>& stops) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child) || !IsWindowEnabled(child)) continue;
        if (GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_CONTROLPARENT)
            collect_tab_stops(child, stops);
        else if (GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP)
            stops.push_back(child);
    }
}

// The next tab stop as Windows documents it, whatever kind of control it is. (Wine passes
// over a radio group whose checked button is disabled.)
HWND WINAPI plain_next_tab_stop(HWND dialog, HWND control, BOOL previous) {
    std::vector<HWND> stops;
    collect_tab_stops(dialog, stops);
    if (stops.empty()) return nullptr;
    const auto at = std::find(stops.begin(), stops.end(), control);
    if (at == stops.end()) return previous ? stops.back() : stops.front();
    const size_t index = static_cast<size_t>(at - stops.begin());
    return stops[previous ? (index + stops.size() - 1) % stops.size() : (index + 1) % stops.size()];
}

// A radio group whose checked button is disabled (full screen checked, and the full-screen
// button disabled as a resolution no full screen shows would leave it). Windows clicks an
// automatic radio button that gets the focus, so no pad move may land on the window button:
// the group is passed over, and no move changes a value.
TEST(DisplayPage, PadMovesPassOverAGroupWhoseCheckedButtonIsDisabled) {
    const test_support::Replaced<NextTabItemCall> windows_order(g_next_dlg_tab_item, &plain_next_tab_stop);
    set_machine(3.0f, 512);
    set_record(2, 1, 1024, 768);
    DisplaySheet sheet;
    test_support::run_sheet_with_pad(sheet, [&](HWND sheet_window, PadNavigation& navigation) {
        HWND page = page_of(sheet_window);
        ASSERT_TRUE(checked(page, IDC_FULL_SCREEN_MODE));
        EnableWindow(GetDlgItem(page, IDC_FULL_SCREEN_MODE), FALSE);
        // The window button a tab stop, as its template makes it (checking a radio button
        // moves the tab stop of its group to it, but not every way of checking does).
        HWND window_button = GetDlgItem(page, IDC_WINDOW_MODE);
        SetWindowLongW(window_button, GWL_STYLE, GetWindowLongW(window_button, GWL_STYLE) | WS_TABSTOP);
        const std::vector<std::wstring> before = test_support::page_state(page);
        int reached = 0;  // moves that went past the group to the resolution list
        test_support::walk_every_move(sheet_window, navigation, [&](HWND from, padnav::nav_action move) {
            EXPECT_NE(GetFocus(), GetDlgItem(page, IDC_WINDOW_MODE))
                << "move " << static_cast<int>(move) << " from control " << GetDlgCtrlID(from);
            reached += GetFocus() == GetDlgItem(page, IDC_RESOLUTION) &&
                       plain_next_tab_stop(sheet_window, from, FALSE) == GetDlgItem(page, IDC_WINDOW_MODE);
            EXPECT_EQ(test_support::page_state(page), before)
                << "move " << static_cast<int>(move) << " from control " << GetDlgCtrlID(from);
        });
        EXPECT_GT(reached, 0) << "no move passed the group over";
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

// B asks before it throws away a change the pad made that the record does not show yet (the
// page writes it at OK); asking leaves the record as it was. A box ticked and unticked again
// is no change: B closes at once.
TEST(DisplayPage, PadsBAsksAboutAChangeOkWouldSaveAndOnlyThen) {
    set_machine(3.0f, 512);
    const struct {
        const char* what;
        int ticks;
        bool asks;
    } cases[] = {{"ticked", 1, true}, {"ticked and unticked", 2, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        set_record(1, 1, 1024, 768);
        set_vsync(false);
        DisplaySheet sheet;
        test_support::run_sheet_with_pad(sheet, [&](HWND sheet_window, PadNavigation& navigation) {
            HWND page = page_of(sheet_window);
            focus(sheet_window, GetDlgItem(page, IDC_VSYNC));
            for (int tick = 0; tick < c.ticks; ++tick) navigation.OnAction(padnav::nav_action::activate);
            EXPECT_EQ(checked(page, IDC_VSYNC), c.ticks % 2 == 1);
            const test_support::NextBoxAnswer back_to_the_sheet(IDCANCEL);
            navigation.OnAction(padnav::nav_action::cancel);
            EXPECT_EQ(back_to_the_sheet.answered(), c.asks);
            EXPECT_FALSE(vsync()) << "asking changed the record";
            SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        });
    }
}

// A on the checked radio button of a group checks the next one: the pad has no other way to
// choose in a group, its moves never check one.
TEST(DisplayPage, PadsAOnTheCheckedRadioButtonChecksTheNext) {
    set_machine(3.0f, 512);
    set_record(0, 1, 1024, 768);
    DisplaySheet sheet;
    test_support::run_sheet_with_pad(sheet, [](HWND sheet_window, PadNavigation& navigation) {
        HWND page = page_of(sheet_window);
        focus(sheet_window, GetDlgItem(page, IDC_QUALITY_LOW));
        navigation.OnAction(padnav::nav_action::activate);
        EXPECT_TRUE(checked(page, IDC_QUALITY_MEDIUM));
        EXPECT_FALSE(checked(page, IDC_QUALITY_LOW));
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

}  // namespace
