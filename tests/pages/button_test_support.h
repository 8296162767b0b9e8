// Shared by the controller page tests: a sheet with the Keyboard and Controller pages, an
// input manager for it, the string database, and ways to answer the capture dialog from
// inside its modal loop.
#pragma once

#include "nrv/peripheral/peripheral.h"
#include "nrv/storage/storage.h"
#include "padnav/padnav.h"
#include "pages/controller/controller.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "e2e/driver.h"
#include "support/accessible.h"
#include "support/replace.h"
#include "support/sheet_script.h"
#include "support/wait.h"
#include "text/text.h"

#include <gtest/gtest.h>

#include <oleacc.h>
#include <oleauto.h>

#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <vector>

namespace button_test {

// The texts of the program's own resource, in English.
inline void load_texts() {
    static const bool loaded = [] {
        HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_STRING_DATABASE), MAKEINTRESOURCEW(10));
        HGLOBAL data = resource ? LoadResource(nullptr, resource) : nullptr;
        const void* bytes = data ? LockResource(data) : nullptr;
        nrv::storage::memory_streambuf buffer(
            bytes, bytes ? static_cast<int32_t>(SizeofResource(nullptr, resource)) : 0);
        std::istream stream(&buffer);
        load_string_database(stream);
        return set_language("en", "GB");
    }();
    (void)loaded;
}

// The run's input of the sheet that is open, or null.
inline nrv::peripheral::run_input*& current_input() {
    static nrv::peripheral::run_input* input = nullptr;
    return input;
}
inline nrv::peripheral::input_dx8* current_manager() {
    return current_input() ? &current_input()->manager() : nullptr;
}

// Whether the sheets of a test get a run's input: the program always gives them one, but
// a page without one must still work.
inline bool& sheets_get_input() {
    static bool get = true;
    return get;
}
class ManagerScope {
public:
    ManagerScope() { sheets_get_input() = true; }
    ~ManagerScope() { sheets_get_input() = true; }
    ManagerScope(const ManagerScope&) = delete;
    ManagerScope& operator=(const ManagerScope&) = delete;
};

// The Keyboard and Controller pages in one sheet, with a run's input of their own started
// as the program starts it: on real DirectInput, or on the given fake, listed at once.
template <class ControllerPage = ButtonPage>
class ControllerSheet : public CPropertySheet {
public:
    explicit ControllerSheet(IDirectInput8W* direct_input = nullptr, UINT start_page = 0)
        : CPropertySheet(L"Controller pages", nullptr, start_page) {
        if (sheets_get_input()) {
            m_input.reset(new nrv::peripheral::run_input());
            const bool started = direct_input ? m_input->start(direct_input) : m_input->start();
            attached = started && m_input->manager().has_direct_input();
            current_input() = m_input.get();
        }
        keyboard.SetInput(m_input.get());
        controller.SetInput(m_input.get());
        AddPage(&keyboard);
        AddPage(&controller);
        m_psh.dwFlags |= PSH_NOAPPLYNOW;
    }
    ~ControllerSheet() override {
        if (current_input() == m_input.get()) current_input() = nullptr;
    }
    nrv::peripheral::run_input* input() const { return m_input.get(); }

    ButtonPage keyboard{0, IDS_KEYBOARD_PAGE};
    ControllerPage controller{1, IDS_CONTROLLER_PAGE};
    bool attached = false;

private:
    std::unique_ptr<nrv::peripheral::run_input> m_input;
};

inline HWND page_of(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

inline HWND show_page(HWND sheet, int index) {
    SendMessageW(sheet, PSM_SETCURSEL, index, 0);
    return page_of(sheet);
}

using test_support::click;

using e2e::save_screenshot;
using e2e::window_text;

inline std::wstring item_text(HWND page, int id) {
    return window_text(GetDlgItem(page, id));
}

using test_support::combo_entries;
using test_support::enabled;

inline void select_entry(HWND page, int id, int index) {
    test_support::select_combo_entry(page, id, index);
}

inline std::wstring slot_text(HWND page, int slot) {
    return item_text(page, test_support::kSlotNameBoxes[slot]);
}

// --- the capture dialog -------------------------------------------------------------------

// The open capture dialog of this thread (or the dialog with that prompt), or null.
inline HWND find_capture_dialog(int prompt = IDC_CAPTURE_PROMPT) {
    for (HWND window : test_support::thread_windows(L"#32770"))
        if (GetDlgItem(window, prompt)) return window;
    return nullptr;
}

// Lets the message loop run until the condition holds or the time is up.
inline bool pump_until(const std::function<bool()>& condition, DWORD milliseconds = 3000) {
    return test_support::wait_until(condition, milliseconds);
}

inline std::function<void(HWND)>& capture_action() {
    static std::function<void(HWND)> action;
    return action;
}
inline int& capture_prompt() {
    static int prompt = IDC_CAPTURE_PROMPT;
    return prompt;
}

inline void CALLBACK run_capture_action(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = find_capture_dialog(capture_prompt());
    if (!dialog) return;
    KillTimer(nullptr, id);
    std::function<void(HWND)> action = std::move(capture_action());
    capture_action() = nullptr;
    if (action) action(dialog);
}

// Clicks a control that opens the capture dialog (or presses `key` on it) and runs `action`
// on the dialog from inside its modal loop. True when the dialog opened. Another dialog is
// found by its prompt's id.
inline bool with_capture(HWND page, int control, std::function<void(HWND)> action, WORD key = 0,
                         int prompt = IDC_CAPTURE_PROMPT) {
    capture_prompt() = prompt;
    bool opened = false;
    capture_action() = [&opened, action](HWND dialog) {
        opened = true;
        action(dialog);
    };
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, &run_capture_action);
    if (key)
        SendMessageW(GetDlgItem(page, control), WM_KEYDOWN, key, 0);
    else
        click(page, control);
    KillTimer(nullptr, timer);
    capture_action() = nullptr;
    return opened;
}

// A press the dialog can take: one made after its first tick. Anything already down at
// that tick counts as held since the dialog opened.
inline void wait_for_first_tick() {
    test_support::pump_messages(400);
}

// Waits (pumping) until the dialog has ended.
inline bool wait_until_closed(HWND dialog, DWORD milliseconds = 3000) {
    return pump_until([dialog] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, milliseconds);
}

// The accessible name (or value) and role of a control's client area, as screen readers
// read them.
inline std::wstring accessible_text(HWND control, bool value) {
    const test_support::AccessibleView view = test_support::accessible_view(control);
    return value ? view.value : view.name;
}
inline LONG accessible_role(HWND control) {
    return test_support::accessible_view(control).role;
}

// The object events screen readers hear (show to live-region change) raised in this process
// while it is alive, as "event object" pairs per window, in order.
class HeardEvents {
public:
    HeardEvents() {
        heard().clear();
        m_hook = SetWinEventHook(EVENT_OBJECT_SHOW, 0x8019, nullptr, &HeardEvents::Hear,
                                 GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    }
    ~HeardEvents() {
        if (m_hook) UnhookWinEvent(m_hook);
    }
    HeardEvents(const HeardEvents&) = delete;
    HeardEvents& operator=(const HeardEvents&) = delete;

    // What was heard about the client area of `window`: the event numbers.
    std::vector<DWORD> Of(HWND window) const {
        test_support::pump_messages(100);
        std::vector<DWORD> events;
        for (const Heard& entry : heard())
            if (entry.window == window && entry.object == OBJID_CLIENT) events.push_back(entry.event);
        return events;
    }

private:
    struct Heard {
        DWORD event;
        HWND window;
        LONG object;
    };
    static std::vector<Heard>& heard() {
        static std::vector<Heard> events;
        return events;
    }
    static void CALLBACK Hear(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG, DWORD, DWORD) {
        heard().push_back({event, window, object});
    }
    HWINEVENTHOOK m_hook = nullptr;
};

}  // namespace button_test
