// Runs a property sheet modally in a test and works it from inside its modal loop, the
// way a player would, then lets the test look at what it left behind.
#pragma once

#include "framework/framework.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

struct WindowSearch {
    const wchar_t* class_name;
    std::vector<HWND> found;
};

inline BOOL CALLBACK collect_window(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (IsWindowVisible(window) && std::wstring(name) == search->class_name) search->found.push_back(window);
    return TRUE;
}

// The visible top-level windows of this thread whose class is `class_name`.
inline std::vector<HWND> thread_windows(const wchar_t* class_name) {
    WindowSearch search = {class_name, {}};
    EnumThreadWindows(GetCurrentThreadId(), collect_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The sheet window of this thread: a dialog holding a tab control.
inline HWND find_sheet() {
    for (HWND window : thread_windows(L"#32770"))
        if (FindWindowExW(window, nullptr, WC_TABCONTROLW, nullptr)) return window;
    return nullptr;
}

// Clicks a button as the mouse would (works on another process's windows too).
inline void click(HWND dialog, int id) {
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

inline bool is_checked(HWND dialog, int id) {
    return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Selects combo entry `index` and tells the dialog, as a choice from the list would.
inline void select_combo_entry(HWND dialog, int id, LRESULT index) {
    HWND combo = GetDlgItem(dialog, id);
    SendMessageW(combo, CB_SETCURSEL, index, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

// Selects the first combo entry starting with `prefix`; false when there is none.
inline bool select_combo_prefix(HWND dialog, int id, const wchar_t* prefix) {
    const LRESULT index = SendMessageW(GetDlgItem(dialog, id), CB_FINDSTRING, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(prefix));
    if (index < 0) return false;
    select_combo_entry(dialog, id, index);
    return true;
}

// Presses or releases a key through the system's input queue, as the keyboard would.
inline void send_key(WORD virtual_key, bool down) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtual_key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
}

// Lets the message loop run for a while, as time passing with the sheet open.
inline void pump_messages(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}

// The help popups open after each of the page timer's ticks, sent one by one without
// pumping messages: `rest_ticks` ticks with the cursor at rest_at, then `away_ticks` with it
// at away_at.
inline std::vector<size_t> popups_per_tick(HWND page, std::pair<POINT, POINT> places, int rest_ticks,
                                           int away_ticks) {
    std::vector<size_t> counts;
    SetCursorPos(places.first.x, places.first.y);
    for (int tick = 0; tick < rest_ticks + away_ticks; ++tick) {
        if (tick == rest_ticks) SetCursorPos(places.second.x, places.second.y);
        SendMessageW(page, WM_TIMER, 2, 0);
        counts.push_back(thread_windows(L"CalcoraHelpPopup").size());
    }
    return counts;
}

inline std::function<void(HWND)>& pending_script() {
    static std::function<void(HWND)> script;
    return script;
}

inline void CALLBACK run_pending_script(HWND, UINT, UINT_PTR id, DWORD) {
    HWND sheet = find_sheet();
    if (!sheet) return;
    KillTimer(nullptr, id);
    std::function<void(HWND)> script = std::move(pending_script());
    pending_script() = nullptr;
    if (script) script(sheet);
    // A fatal failure returns from the script before it closes the sheet: close it here, so
    // the test reports instead of waiting for its time limit.
    if (testing::Test::HasFatalFailure() && IsWindow(sheet))
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

// Runs the sheet; `script` gets the sheet window once it is shown and should end it (with
// PSM_PRESSBUTTON). Returns the modal result.
inline INT_PTR run_sheet(CPropertySheet& sheet, std::function<void(HWND)> script) {
    pending_script() = std::move(script);
    SetTimer(nullptr, 0, 20, &run_pending_script);
    return sheet.DoModal();
}

// The outer size of a window.
inline SIZE window_size(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// Answers every message box that opens from now on with its default button and counts
// them; stops when the object goes.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer() {
        s_count = 0;
        s_answered.clear();
        m_timer = SetTimer(nullptr, 0, 50, &answer);
    }
    ~MessageBoxAnswerer() { KillTimer(nullptr, m_timer); }
    static int count() { return s_count; }
    static std::wstring last_text() { return s_text; }
    // The outer size of the last box answered.
    static SIZE last_size() { return s_size; }

private:
    static void CALLBACK answer(HWND, UINT, UINT_PTR, DWORD) {
        for (HWND box : thread_windows(L"#32770")) {
            if (FindWindowExW(box, nullptr, WC_TABCONTROLW, nullptr)) continue;
            if (GetWindowLongW(box, GWL_STYLE) & WS_CHILD) continue;
            if (std::find(s_answered.begin(), s_answered.end(), box) != s_answered.end()) continue;
            s_answered.push_back(box);
            wchar_t text[512] = {};
            GetDlgItemTextW(box, 0xFFFF, text, 512);
            s_text = text;
            s_size = window_size(box);
            ++s_count;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    }
    UINT_PTR m_timer;
    static inline int s_count = 0;
    static inline std::wstring s_text;
    static inline SIZE s_size = {};
    static inline std::vector<HWND> s_answered;
};

// While it lives, answers the next box over the sheet with the button `answer`.
class NextBoxAnswer {
public:
    explicit NextBoxAnswer(int answer) {
        s_answer = answer;
        s_answered = false;
        m_timer = SetTimer(nullptr, 0, 50, &answer_box);
    }
    ~NextBoxAnswer() { KillTimer(nullptr, m_timer); }
    NextBoxAnswer(const NextBoxAnswer&) = delete;
    NextBoxAnswer& operator=(const NextBoxAnswer&) = delete;
    // Whether the box came and was answered.
    bool answered() const { return s_answered; }

private:
    static void CALLBACK answer_box(HWND, UINT, UINT_PTR id, DWORD) {
        HWND box = GetActiveWindow();
        if (!box || box == GetAncestor(box, GA_ROOTOWNER)) return;  // no box yet
        KillTimer(nullptr, id);
        s_answered = true;
        PostMessageW(box, WM_COMMAND, s_answer, 0);
    }
    UINT_PTR m_timer;
    static inline int s_answer = 0;
    static inline bool s_answered = false;
};

// Whether a control of a page or dialog is enabled.
inline bool enabled(HWND page, int id) {
    return IsWindowEnabled(GetDlgItem(page, id)) != FALSE;
}

// The texts of a combo box's entries, in order.
inline std::vector<std::wstring> combo_entries(HWND page, int id) {
    std::vector<std::wstring> entries;
    HWND combo = GetDlgItem(page, id);
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
        wchar_t text[600] = {};
        SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

// The name boxes of the 24 controller functions, in slot order.
constexpr int kSlotNameBoxes[24] = {
    IDC_NAME_Y,
    IDC_NAME_B,
    IDC_NAME_A,
    IDC_NAME_X,
    IDC_NAME_LT,
    IDC_NAME_RT,
    IDC_NAME_LB,
    IDC_NAME_RB,
    IDC_NAME_START,
    IDC_NAME_BACK,
    IDC_NAME_LSTICK_PRESS,
    IDC_NAME_RSTICK_PRESS,
    IDC_NAME_DPAD_UP,
    IDC_NAME_DPAD_RIGHT,
    IDC_NAME_DPAD_DOWN,
    IDC_NAME_DPAD_LEFT,
    IDC_NAME_LSTICK_UP,
    IDC_NAME_LSTICK_DOWN,
    IDC_NAME_LSTICK_LEFT,
    IDC_NAME_LSTICK_RIGHT,
    IDC_NAME_RSTICK_UP,
    IDC_NAME_RSTICK_DOWN,
    IDC_NAME_RSTICK_LEFT,
    IDC_NAME_RSTICK_RIGHT,
};

// Their slot buttons, in the same order.
constexpr int kSlotButtons[24] = {
    IDC_SLOT_Y,
    IDC_SLOT_B,
    IDC_SLOT_A,
    IDC_SLOT_X,
    IDC_SLOT_LT,
    IDC_SLOT_RT,
    IDC_SLOT_LB,
    IDC_SLOT_RB,
    IDC_SLOT_START,
    IDC_SLOT_BACK,
    IDC_SLOT_LSTICK_PRESS,
    IDC_SLOT_RSTICK_PRESS,
    IDC_SLOT_DPAD_UP,
    IDC_SLOT_DPAD_RIGHT,
    IDC_SLOT_DPAD_DOWN,
    IDC_SLOT_DPAD_LEFT,
    IDC_SLOT_LSTICK_UP,
    IDC_SLOT_LSTICK_DOWN,
    IDC_SLOT_LSTICK_LEFT,
    IDC_SLOT_LSTICK_RIGHT,
    IDC_SLOT_RSTICK_UP,
    IDC_SLOT_RSTICK_DOWN,
    IDC_SLOT_RSTICK_LEFT,
    IDC_SLOT_RSTICK_RIGHT,
};

}  // namespace test_support
