// Sheets worked by the pad in page tests: a sheet run with pad navigation over it, and a walk
// of every move of the pad from every control, for tests that check that moves change nothing.
#pragma once

#include "padnav/padnav.h"
#include "support/sheet_script.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace test_support {

// Runs the sheet as run_sheet does, with pad navigation over it on a run's input of its own;
// `script` gets the sheet window and the navigation.
inline INT_PTR run_sheet_with_pad(CPropertySheet& sheet,
                                  const std::function<void(HWND sheet, PadNavigation& navigation)>& script) {
    nrv::peripheral::run_input input;
    input.start();
    PadNavigation navigation(input);
    return run_sheet(sheet, [&](HWND sheet_window) {
        navigation.Start();
        navigation.SetSheet(sheet_window);
        script(sheet_window, navigation);
    });
}

// What a page shows and the record holds, as a list of texts: every child's text, list
// choice and check, then the record's bytes.
inline std::vector<std::wstring> page_state(HWND page) {
    std::vector<std::wstring> state;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t text[256] = {};
        GetWindowTextW(child, text, 256);
        state.push_back(text);
        state.push_back(std::to_wstring(SendMessageW(child, CB_GETCURSEL, 0, 0)));
        state.push_back(std::to_wstring(SendMessageW(child, BM_GETCHECK, 0, 0)));
    }
    const SettingsRecord& record = settings_record();
    const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
    state.emplace_back(bytes, bytes + sizeof record);
    return state;
}

// Each of the four moves from each tab stop of the sheet, the focus put there first; after
// every move `check` is called with the stop and the move. Unchecked radio buttons are not
// started from: focus put on one checks it on Windows. Returns the tab stops walked.
inline size_t walk_every_move(HWND sheet, PadNavigation& navigation,
                              const std::function<void(HWND from, padnav::nav_action move)>& check) {
    std::vector<HWND> stops;
    for (HWND stop = GetNextDlgTabItem(sheet, nullptr, FALSE);
         stop && std::find(stops.begin(), stops.end(), stop) == stops.end();
         stop = GetNextDlgTabItem(sheet, stop, FALSE))
        stops.push_back(stop);
    using padnav::nav_action;
    for (HWND stop : stops) {
        const LONG type = GetWindowLongW(stop, GWL_STYLE) & BS_TYPEMASK;
        wchar_t name[16] = {};
        GetClassNameW(stop, name, 16);
        if (std::wstring(name) == L"Button" && (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON) &&
            SendMessageW(stop, BM_GETCHECK, 0, 0) != BST_CHECKED)
            continue;
        for (nav_action move :
             {nav_action::move_up, nav_action::move_down, nav_action::move_left, nav_action::move_right}) {
            SendMessageW(sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(stop), TRUE);
            navigation.OnAction(move);
            check(stop, move);
        }
    }
    return stops.size();
}

}  // namespace test_support
