// The tool worked by game pad for the whole run. Readings only read the pads and post
// actions; each action is done when a message loop comes to it, so that a dialog an action
// opens runs its own loop, in which the pads go on being read.
#include "padnav/padnav.h"

#include "pages/controller/controller.h"
#include "pages/pages.h"
#include "text/text.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <string>

using nrv::peripheral::input_device_dx8;
using padnav::nav_action;
using padnav::nav_button;
using padnav::nav_button_count;

NextTabItemCall g_next_dlg_tab_item = &GetNextDlgTabItem;
GetForegroundWindowCall g_get_foreground_window = &GetForegroundWindow;
XInputGetStateCall g_xinput_get_state = nullptr;

namespace {

constexpr UINT_PTR kNavigationTimer = 0x4E41;
// 25 readings a second while a button is held (directions repeat, presses follow each
// other); at rest the pads are read when they change, and twice a second besides, for pads
// that do not tell.
constexpr UINT kHeldPeriodMs = 40;
constexpr UINT kRestPeriodMs = 500;
// Asking an empty XInput slot costs time on Windows: every 2 s only.
constexpr uint32_t kEmptySlotsEveryMs = 2000;

static_assert(XINPUT_GAMEPAD_A == 0x1000 && XINPUT_GAMEPAD_DPAD_UP == 0x0001 &&
                  XINPUT_GAMEPAD_START == 0x0010,
              "the navigation rules know XInput's button bits");

bool same_guid(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The keyboard's own repeat: a delay of 250 to 1000 ms, then 2.5 to 30 repeats a second.
padnav::nav_timing keyboard_timing() {
    padnav::nav_timing timing;
    int delay = 1;
    DWORD speed = 31;
    if (SystemParametersInfoW(SPI_GETKEYBOARDDELAY, 0, &delay, 0) && delay >= 0 && delay <= 3)
        timing.first_repeat_ms = static_cast<uint32_t>(250 * (delay + 1));
    if (SystemParametersInfoW(SPI_GETKEYBOARDSPEED, 0, &speed, 0) && speed <= 31)
        timing.repeat_ms = static_cast<uint32_t>(400 - speed * 367 / 31);
    return timing;
}

// The entries a pad's presses are read through: those of the player slot holding the pad,
// unless they name none of its buttons (the XInput layout), else the family's default.
void navigation_layout(const input_device_dx8& device, uint32_t (&entries)[kFunctionCount]) {
    for (unsigned slot = 1; slot <= kMaxPadSlot; ++slot) {
        if (std::memcmp(&pad_device(slot), &device.instance_guid(), sizeof(GUID)) != 0) continue;
        const uint32_t* shown = pad_assignments(slot);
        if (shown && button_for_entry(device, shown[2]) >= 0) {
            std::memcpy(entries, shown, sizeof entries);
            return;
        }
    }
    uint8_t pairs[kAssignmentCount][2];
    pad_family_layout(device_family(device), pairs);
    for (int slot = 0; slot < kFunctionCount; ++slot)
        entries[slot] = assignment_entry(pairs[slot][0], pairs[slot][1], 0, 0);
}

// An XInput pad's key among the pads: no DirectInput instance GUID looks like it.
GUID xinput_key(DWORD user) {
    return {0x58494E50, 0, 0, {0, 0, 0, 0, 0, 0, 0, static_cast<BYTE>(user)}};
}

// DirectInput's twin of an XInput pad, marked so in its path.
bool is_xinput_twin(const input_device_dx8& device) {
    std::wstring path;
    device.device_path(path);
    for (wchar_t& c : path) c = static_cast<wchar_t>(towupper(c));
    return path.find(L"IG_") != std::wstring::npos;
}

// Whether one of this process's windows is the foreground window: pads are read only then.
bool tool_in_foreground() {
    DWORD process = 0;
    GetWindowThreadProcessId(g_get_foreground_window(), &process);
    return process == GetCurrentProcessId();
}

bool has_class(HWND window, const wchar_t* name) {
    wchar_t found[32] = {};
    return window && GetClassNameW(window, found, 32) && _wcsicmp(found, name) == 0;
}

LONG button_type(HWND window) {
    return has_class(window, L"Button") ? GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK : -1;
}

bool is_radio(HWND window) {
    const LONG type = button_type(window);
    return type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON;
}

bool is_drop_list(HWND window) {
    return has_class(window, L"ComboBox") && (GetWindowLongW(window, GWL_STYLE) & 3) == CBS_DROPDOWNLIST;
}

// A text box for a number alone: the Online page's port.
bool is_number_box(HWND window) {
    return has_class(window, L"Edit") && IsWindowEnabled(window) &&
           (GetWindowLongW(window, GWL_STYLE) & (ES_NUMBER | ES_READONLY)) == ES_NUMBER;
}

bool is_open_list(HWND window) {
    return has_class(window, L"ComboBox") && SendMessageW(window, CB_GETDROPPEDSTATE, 0, 0);
}

bool is_checked(HWND window) {
    return SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// The checked button of the radio group the control belongs to, disabled ones included;
// null when none is checked. A group runs from a control with WS_GROUP to the next one.
HWND checked_in_group(HWND control) {
    HWND first = control;
    while (!(GetWindowLongW(first, GWL_STYLE) & WS_GROUP)) {
        HWND previous = GetWindow(first, GW_HWNDPREV);
        if (!previous) break;
        first = previous;
    }
    for (HWND member = first; member; member = GetWindow(member, GW_HWNDNEXT)) {
        if (member != first && (GetWindowLongW(member, GWL_STYLE) & WS_GROUP)) break;
        if (is_radio(member) && is_checked(member)) return member;
    }
    return nullptr;
}

// Where a move to the control lands. Windows clicks an automatic radio button that gets the
// focus, so a move never lands on one that is not checked: it goes to the group's checked
// button instead, and passes the group over (null) when that button cannot take the focus.
HWND landing_place(HWND control) {
    if (!control || !is_radio(control) || is_checked(control)) return control;
    HWND checked = checked_in_group(control);
    return checked && IsWindowEnabled(checked) && IsWindowVisible(checked) ? checked : nullptr;
}

// The next control a move up or down lands on, groups it passes over left out.
HWND next_landing(HWND dialog, HWND focus, bool backwards) {
    HWND item = focus;
    for (int step = 0; step < 256; ++step) {
        item = g_next_dlg_tab_item(dialog, item, backwards);
        if (!item || item == focus) return nullptr;
        if (HWND landing = landing_place(item)) return landing;
    }
    return nullptr;
}

POINT centre_of(HWND window) {
    RECT box = {};
    GetWindowRect(window, &box);
    return {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
}

// The tab stop nearest the focus to its left or right, rows counting more than columns.
HWND sideways_neighbour(HWND dialog, HWND focus, bool right) {
    const POINT from = centre_of(focus);
    HWND best = nullptr;
    long best_distance = 0;
    HWND first = g_next_dlg_tab_item(dialog, focus, FALSE);
    HWND item = first;
    for (int step = 0; item && step < 256; ++step) {
        HWND candidate = landing_place(item);
        const POINT at = candidate ? centre_of(candidate) : from;
        const long dx = right ? at.x - from.x : from.x - at.x;
        if (candidate && candidate != focus && dx > 4) {
            const long distance = dx + 3 * std::labs(at.y - from.y);
            if (!best || distance < best_distance) {
                best = candidate;
                best_distance = distance;
            }
        }
        item = g_next_dlg_tab_item(dialog, item, FALSE);
        if (item == first) break;
    }
    return best;
}

// The button that answers B in a message box: Cancel, else No, else the one button.
HWND refusing_button(HWND box) {
    for (int id : {IDCANCEL, IDNO, IDOK}) {
        if (HWND button = GetDlgItem(box, id)) return button;
    }
    return nullptr;
}

// The sheet that Ctrl+Z undoes on while it runs, and the run's input window it posts to.
HWND g_undo_sheet = nullptr;
HWND g_undo_window = nullptr;

bool is_writable_edit(HWND window) {
    return has_class(window, L"Edit") && !(GetWindowLongW(window, GWL_STYLE) & ES_READONLY);
}

// Ctrl+Z, outside text boxes, which have an undo of their own, is the pad's Back. AltGr,
// which Windows reports as Ctrl and Alt together, is not Ctrl.
LRESULT CALLBACK on_key(int code, WPARAM key, LPARAM flags) {
    const bool first_press = !(flags & 0x80000000) && !(flags & 0x40000000);
    const bool ctrl_alone = GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0;
    if (code == HC_ACTION && key == 'Z' && first_press && ctrl_alone && g_undo_sheet &&
        IsWindowEnabled(g_undo_sheet) && !is_writable_edit(GetFocus())) {
        PostMessageW(g_undo_window, kPadActionMessage, static_cast<WPARAM>(nav_action::undo), 0);
        return 1;
    }
    return CallNextHookEx(nullptr, code, key, flags);
}

}  // namespace

PadNavigation::PadNavigation(nrv::peripheral::run_input& input) : m_input(input) {}

PadNavigation::~PadNavigation() {
    if (m_keyboardHook) UnhookWindowsHookEx(m_keyboardHook);
    if (m_timerPeriod) KillTimer(m_window, kNavigationTimer);
    if (g_undo_sheet && g_undo_sheet == m_sheet) {
        g_undo_sheet = nullptr;
        g_undo_window = nullptr;
    }
    m_input.set_message_handler(nullptr);
}

namespace {

// The system's XInputGetState, from the first XInput DLL there is; loaded once and kept
// until the process ends: XInput reads the pads on a thread of its own, which must never
// run on into a DLL that was unloaded.
XInputGetStateCall system_xinput_get_state() {
    static const XInputGetStateCall get_state = [] {
        for (const wchar_t* name : {L"xinput1_4.dll", L"xinput1_3.dll", L"xinput9_1_0.dll"}) {
            HMODULE library = load_system_library(name);
            const auto found = library ? reinterpret_cast<XInputGetStateCall>(reinterpret_cast<void*>(
                                             GetProcAddress(library, "XInputGetState")))
                                       : nullptr;
            if (found) return found;
            if (library) FreeLibrary(library);  // no XInput in it: never used
        }
        return XInputGetStateCall(nullptr);
    }();
    return get_state;
}

}  // namespace

void PadNavigation::Start() {
    m_window = m_input.window();
    m_getXInputState = g_xinput_get_state ? g_xinput_get_state : system_xinput_get_state();
    m_timing = keyboard_timing();
    m_input.set_message_handler([this](UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
        return HandleMessage(message, wparam, lparam, result);
    });
    UpdateTimer();
}

void PadNavigation::SetSheet(HWND sheet) {
    m_sheet = sheet;
    m_openList = nullptr;
    m_editing = nullptr;
    if (sheet) {
        const SettingsRecord& record = settings_record();
        const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
        m_recordAtStart.assign(bytes, bytes + sizeof record);
    }
    // Ctrl+Z undoes on the sheet's pages, and only while the sheet runs.
    g_undo_sheet = sheet;
    g_undo_window = sheet ? m_window : nullptr;
    if (sheet && !m_keyboardHook)
        m_keyboardHook = SetWindowsHookExW(WH_KEYBOARD, on_key, nullptr, GetCurrentThreadId());
    if (!sheet && m_keyboardHook) {
        UnhookWindowsHookEx(m_keyboardHook);
        m_keyboardHook = nullptr;
    }
}

bool PadNavigation::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_TIMER:
            if (wparam != kNavigationTimer) return false;
            ReadPads();
            return true;
        case nrv::peripheral::kPadStateChangedMessage:
            // A pad changed: read it now rather than at the next tick.
            if (m_timerPeriod) ReadPads();
            return true;
        case nrv::peripheral::kDevicesChangedMessage:
            m_emptySlotsIn = GetTickCount();  // a pad may have come to an empty XInput slot
            UpdateTimer();
            // New pads are seen at once: a press that follows then acts.
            if (m_timerPeriod) ReadPads();
            return true;
        case WM_ACTIVATEAPP:
            // The tool came to the front: what the pads hold now waits for its release,
            // and a press after this acts.
            if (wparam && m_timerPeriod) ReadPads();
            return false;
        case kPadActionMessage:
            OnAction(static_cast<nav_action>(wparam), static_cast<int>(lparam));
            return true;
        default:
            return false;
    }
}

// The pads are read while one is attached; held buttons call for the quicker readings.
void PadNavigation::UpdateTimer() {
    UINT period = 0;
    if (m_window && m_input.manager().device_count(nrv::peripheral::device_game_controller) > 0) {
        // Quicker while a button is held, and while a list the pad opened is open, so that
        // its closing by other means is seen.
        period = m_openList ? kHeldPeriodMs : kRestPeriodMs;
        for (const Pad& pad : m_pads) {
            if (pad.navigator.held() != 0) period = kHeldPeriodMs;
        }
    }
    if (period == m_timerPeriod) return;
    m_timerPeriod = period;
    if (period)
        SetTimer(m_window, kNavigationTimer, period, nullptr);
    else
        KillTimer(m_window, kNavigationTimer);
}

// After an action: what was held at the last reading acts only after release, and a press
// that comes later, even before the next reading, acts.
void PadNavigation::WaitForRelease() {
    for (Pad& pad : m_pads) pad.navigator.release_held_first();
}

// The tool's window a press goes to: its active window when that is a dialog or a box of
// the tool, the sheet or one whose owners lead to it, or, before and after the sheet, a box
// of its own. Never a popup or a tooltip, which the system does not make active.
HWND PadNavigation::Target() const {
    HWND active = GetActiveWindow();
    if (!active || !has_class(active, L"#32770")) return nullptr;
    const HWND root = GetAncestor(active, GA_ROOTOWNER);
    if (m_sheet) return root == m_sheet ? active : nullptr;
    return root == active ? active : nullptr;
}

void PadNavigation::ReadPads() {
    // What the pad remembers of a list holds only while the list stays open: the mouse or the
    // keyboard may close it, and open it again with another choice.
    if (m_openList && !is_open_list(m_openList)) m_openList = nullptr;
    if (!tool_in_foreground()) {
        // Whatever is held when the tool comes to the front acts only after its release.
        for (Pad& pad : m_pads) pad.navigator.wait_for_release();
        m_lastTarget = nullptr;
        UpdateTimer();
        return;
    }
    nrv::peripheral::input_dx8& manager = m_input.manager();
    manager.update(kHeldPeriodMs / 1000.0f);
    // A dialog that opens or closes takes the buttons held then with it (its layout may
    // have changed too). Readings go on while it runs, but one may come only after the
    // dialog took a press.
    const HWND target = Target();
    if (target != m_lastTarget) {
        for (Pad& pad : m_pads) pad.navigator.wait_for_release();
        m_lastTarget = target;
    }

    std::vector<Pad> pads;
    const uint32_t now = GetTickCount();
    // Each press once: pads XInput reads are not read again through DirectInput.
    const bool skip_twins = ReadXInputPads(now, pads);
    const int count = manager.device_count(nrv::peripheral::device_game_controller);
    for (int n = 0; n < count; ++n) {
        input_device_dx8* device = manager.device_at(nrv::peripheral::device_game_controller, n);
        if (!device || !device->is_ready() || (skip_twins && is_xinput_twin(*device))) continue;
        Pad pad = {device->instance_guid(), padnav::pad_navigator(m_timing), {}, is_xinput_twin(*device)};
        pad.presses.catch_up(device->presses());
        Dispatch(pad, 0, now, pads, false);
    }
    m_pads.swap(pads);
    UpdateTimer();
}

bool PadNavigation::ReadXInputPads(uint32_t now, std::vector<Pad>& pads) {
    if (!m_getXInputState) return false;
    const bool ask_empty = static_cast<int32_t>(now - m_emptySlotsIn) >= 0;
    if (ask_empty) m_emptySlotsIn = now + kEmptySlotsEveryMs;
    bool any = false;
    for (DWORD user = 0; user < XUSER_MAX_COUNT; ++user) {
        if (!m_xinputConnected[user] && !ask_empty) continue;
        XINPUT_STATE state = {};
        m_xinputConnected[user] = m_getXInputState(user, &state) == ERROR_SUCCESS;
        if (!m_xinputConnected[user]) continue;
        any = true;
        Pad pad = {xinput_key(user), padnav::pad_navigator(m_timing), {}, false};
        const XINPUT_GAMEPAD& buttons = state.Gamepad;
        Dispatch(pad, padnav::nav_buttons_of_xinput(buttons.wButtons, buttons.sThumbLX, buttons.sThumbLY),
                 now, pads, true);
    }
    return any;
}

// The navigation buttons a DirectInput pad holds, read through its layout (the one a player
// slot holding it shows, else its family's default), a button pressed and let go since the
// last reading counting as held.
uint32_t PadNavigation::HeldThroughLayout(const input_device_dx8& device, Pad& pad) {
    uint32_t entries[kFunctionCount];
    navigation_layout(device, entries);
    uint32_t held = 0;
    float stick[4] = {};  // the left stick's halves, up, down, left, right
    for (int nav = 0; nav < nav_button_count; ++nav) {
        const padnav::NavSlots slots = padnav::nav_slots(static_cast<nav_button>(nav));
        for (int slot : {slots.first, slots.second}) {
            if (slot < 0) continue;
            const int button = button_for_entry(device, entries[slot]);
            if (button < 0) continue;
            const bool pressed_since = pad.presses.take(device.presses(), button);
            const bool down_now = device.is_button_down(static_cast<uint8_t>(button));
            if (slot == slots.first && (down_now || pressed_since)) held |= 1u << nav;
            // A stick half let go since the last reading counts as pushed all the way.
            if (slot == slots.second && (down_now || pressed_since))
                stick[nav - padnav::nav_up] =
                    down_now ? device.button_value(static_cast<uint8_t>(button)) : 1.0f;
        }
    }
    return held | padnav::stick_direction(stick[0], stick[1], stick[2], stick[3], 0.0f);
}

// Turns one pad's reading into posted actions, the pad keeping its navigator and its place
// in the press log from the last reading; a pad seen for the first time waits for what it
// holds to be released.
void PadNavigation::Dispatch(Pad& reading, uint32_t held, uint32_t now, std::vector<Pad>& pads,
                             bool xinput_pad) {
    Pad pad = reading;
    pad.navigator.wait_for_release();
    bool known_pad = false;
    for (const Pad& known : m_pads) {
        if (!same_guid(known.instance, pad.instance)) continue;
        pad = known;
        known_pad = true;
    }
    // XInput shows a pad some time after DirectInput did: the pad goes on where its twin
    // was, so that no press is lost or taken twice.
    for (Pad& twin : m_pads) {
        if (known_pad || !xinput_pad || !twin.xinput_twin) continue;
        pad.navigator = twin.navigator;
        twin.xinput_twin = false;
        break;
    }
    if (!xinput_pad) {
        if (const input_device_dx8* device = m_input.find_device(pad.instance))
            held = HeldThroughLayout(*device, pad);
    }
    std::vector<nav_action> actions;
    pad.navigator.update(held, now, actions);
    pads.push_back(pad);
    HWND capture = m_input.capture_dialog();
    // Every press of the watched pad is the capture's (every pad's when it watches all);
    // another pad's B cancels it. An XInput pad may be the watched one when the capture
    // watches an XInput pad's twin.
    const GUID& watched_device = m_input.capture_device();
    bool watched = same_guid(watched_device, GUID_NULL) || same_guid(watched_device, pad.instance);
    if (capture && xinput_pad && !same_guid(watched_device, GUID_NULL)) {
        const input_device_dx8* device = m_input.find_device(watched_device);
        watched = device && is_xinput_twin(*device);
    }
    for (nav_action action : actions) {
        if (!capture)
            PostMessageW(m_window, kPadActionMessage, static_cast<WPARAM>(action), pad.navigator.repeats());
        else if (!watched && action == nav_action::cancel)
            PostMessageW(capture, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
}

void PadNavigation::ShowFocusMark(HWND window) {
    SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

void PadNavigation::OnAction(nav_action action, int repeats) {
    const HWND target = Target();
    if (!target || target == m_input.capture_dialog()) return;
    if (target != m_sheet) {
        ActInDialog(target, action);
        return;
    }
    ShowFocusMark(m_sheet);
    HWND focus = GetFocus();
    // What the pad remembers of a list or a number it works holds only while it is open or
    // has the focus: the mouse or the keyboard may have closed or left it since.
    if (m_openList && !is_open_list(m_openList)) m_openList = nullptr;
    if (m_editing && focus != m_editing) m_editing = nullptr;
    if (is_open_list(focus)) {
        ActInList(focus, action);
        return;
    }
    if (m_editing) {
        ActInNumber(action, repeats);
        return;
    }
    ActInSheet(action);
}

void PadNavigation::ActInSheet(nav_action action) {
    HWND focus = GetFocus();
    if (!focus || !IsChild(m_sheet, focus)) focus = GetNextDlgTabItem(m_sheet, nullptr, FALSE);
    switch (action) {
        case nav_action::move_up:
        case nav_action::move_down:
            MoveFocus(next_landing(m_sheet, focus, action == nav_action::move_up));
            break;
        case nav_action::move_left:
        case nav_action::move_right:
            MoveFocus(sideways_neighbour(m_sheet, focus, action == nav_action::move_right));
            break;
        case nav_action::activate:
            Activate(focus);
            break;
        case nav_action::cancel:
            Cancel();
            break;
        case nav_action::clear:
            // As Delete on a slot button; nothing anywhere else.
            if (dynamic_cast<CSlotButton*>(CWnd::FromSubclassed(focus)))
                SendMessageW(focus, WM_KEYDOWN, VK_DELETE, 0);
            break;
        case nav_action::help: {
            HELPINFO help = {sizeof help};
            help.iContextType = HELPINFO_WINDOW;
            help.iCtrlId = GetDlgCtrlID(focus);
            help.hItemHandle = focus;
            help.MousePos = centre_of(focus);
            SendMessageW(focus, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
            break;
        }
        case nav_action::previous_page:
        case nav_action::next_page:
            TurnPage(action == nav_action::next_page ? 1 : -1);
            break;
        case nav_action::ok:
            PostMessageW(m_sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
            WaitForRelease();
            break;
        case nav_action::undo:
            SendMessageW(reinterpret_cast<HWND>(SendMessageW(m_sheet, PSM_GETCURRENTPAGEHWND, 0, 0)),
                         kUndoMessage, 0, 0);
            break;
    }
}

void PadNavigation::MoveFocus(HWND target) {
    if (target) SendMessageW(m_sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
}

void PadNavigation::Activate(HWND focus) {
    if (is_number_box(focus)) {
        // The pad edits the number: the D-pad steps it, A or Start keeps it, B puts back
        // what was there.
        m_editing = focus;
        m_numberBefore = read_window_text(focus);
        SendMessageW(focus, EM_SETSEL, 0, -1);
        return;
    }
    if (is_drop_list(focus)) {
        m_openList = focus;
        m_choiceBefore = SendMessageW(focus, CB_GETCURSEL, 0, 0);
        SendMessageW(focus, CB_SHOWDROPDOWN, TRUE, 0);
        UpdateTimer();
        return;
    }
    const LONG type = button_type(focus);
    if (type < 0 || !IsWindowEnabled(focus)) return;
    if (is_radio(focus) && SendMessageW(focus, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        // A on the checked button of a group checks the next one.
        HWND next = GetNextDlgGroupItem(GetParent(focus), focus, FALSE);
        if (!next || next == focus) return;
        focus = next;
    }
    // May run a dialog (capture, a question) before it returns.
    SendMessageW(focus, BM_CLICK, 0, 0);
    WaitForRelease();
}

void PadNavigation::ActInList(HWND list, nav_action action) {
    if (list != m_openList) {  // opened by mouse or keyboard
        m_openList = list;
        m_choiceBefore = SendMessageW(list, CB_GETCURSEL, 0, 0);
        UpdateTimer();
    }
    switch (action) {
        case nav_action::move_up:
        case nav_action::move_down: {
            const LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
            LRESULT choice =
                SendMessageW(list, CB_GETCURSEL, 0, 0) + (action == nav_action::move_up ? -1 : 1);
            if (choice < 0) choice = 0;
            if (choice < count) SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(choice), 0);
            break;
        }
        case nav_action::activate:
            CloseList(true);
            break;
        case nav_action::cancel:
            CloseList(false);
            break;
        default:
            break;
    }
}

void PadNavigation::CloseList(bool keep_choice) {
    HWND list = m_openList;
    const LRESULT choice = SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (!keep_choice) SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(m_choiceBefore), 0);
    SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
    m_openList = nullptr;
    WaitForRelease();
    if (!keep_choice || choice == m_choiceBefore) return;
    SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

// Whether OK would save other settings than the sheet started with, however they were
// changed (mouse, touch, keyboard or pad): every page that was made writes its controls as
// OK would, the record is compared, and then put back as it was.
bool PadNavigation::AnythingChanged() const {
    SettingsRecord& record = settings_record();
    const SettingsRecord now = record;
    HWND tabs = reinterpret_cast<HWND>(SendMessageW(m_sheet, PSM_GETTABCONTROL, 0, 0));
    const int pages = tabs ? TabCtrl_GetItemCount(tabs) : 0;
    for (int index = 0; index < pages; ++index) {
        HWND page = reinterpret_cast<HWND>(SendMessageW(m_sheet, PSM_INDEXTOHWND, index, 0));
        if (page) SendMessageW(page, kPageWriteAsOkMessage, 0, 0);
    }
    const bool changed = m_recordAtStart.size() != sizeof record ||
                         std::memcmp(m_recordAtStart.data(), &record, sizeof record) != 0;
    record = now;
    return changed;
}

// The number the pad edits: up and down step it by one, faster the longer they are held,
// left and right by a hundred, within the range the page takes; A or Start keeps it and B
// puts back what was there. Meanwhile the shoulders and Start leave the sheet alone.
void PadNavigation::ActInNumber(nav_action action, int repeats) {
    HWND box = m_editing;
    int step = 0;
    switch (action) {
        case nav_action::move_up:
        case nav_action::move_down:
            step = padnav::number_step(repeats) * (action == nav_action::move_up ? 1 : -1);
            break;
        case nav_action::move_left:
        case nav_action::move_right:
            step = action == nav_action::move_right ? 100 : -100;
            break;
        case nav_action::activate:
        case nav_action::ok:
            m_editing = nullptr;
            WaitForRelease();
            return;
        case nav_action::cancel:
            SetWindowTextW(box, m_numberBefore.c_str());
            m_editing = nullptr;
            WaitForRelease();
            return;
        default:
            return;
    }
    const long now = std::wcstol(read_window_text(box).c_str(), nullptr, 10);
    const long stepped = padnav::stepped_number(now, step, kLowestUdpPort, kHighestUdpPort);
    SetWindowTextW(box, std::to_wstring(stepped).c_str());
    SendMessageW(box, EM_SETSEL, 0, -1);
}

void PadNavigation::Cancel() {
    if (AnythingChanged()) {
        // A discards the changes and closes, B goes back to the sheet.
        const int answer = MessageBoxW(m_sheet, text_w(kDiscardChangesText).c_str(),
                                       text_w(kSheetTitleText).c_str(), MB_OKCANCEL | MB_ICONQUESTION);
        WaitForRelease();
        if (answer != IDOK) return;
    }
    PostMessageW(m_sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    WaitForRelease();
}

void PadNavigation::TurnPage(int step) {
    HWND tabs = reinterpret_cast<HWND>(SendMessageW(m_sheet, PSM_GETTABCONTROL, 0, 0));
    if (!tabs) return;
    const int index = TabCtrl_GetCurSel(tabs) + step;
    if (index < 0 || index >= TabCtrl_GetItemCount(tabs)) return;
    SendMessageW(m_sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    WaitForRelease();
    // The focus stays with the tabs, or goes to the new page's first control when it was on
    // the page that went.
    HWND focus = GetFocus();
    if (focus && IsWindowVisible(focus)) return;
    HWND page = reinterpret_cast<HWND>(SendMessageW(m_sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    if (page) MoveFocus(next_landing(page, nullptr, FALSE));
}

void PadNavigation::ActInDialog(HWND dialog, nav_action action) {
    ShowFocusMark(dialog);
    switch (action) {
        case nav_action::move_up:
        case nav_action::move_left:
            SendMessageW(dialog, WM_NEXTDLGCTL, TRUE, FALSE);
            break;
        case nav_action::move_down:
        case nav_action::move_right:
            SendMessageW(dialog, WM_NEXTDLGCTL, FALSE, FALSE);
            break;
        case nav_action::activate: {
            HWND focus = GetFocus();
            if (focus && GetParent(focus) == dialog && button_type(focus) >= 0)
                SendMessageW(focus, BM_CLICK, 0, 0);
            break;
        }
        case nav_action::cancel:
            if (HWND button = refusing_button(dialog)) SendMessageW(button, BM_CLICK, 0, 0);
            break;
        default:
            break;
    }
}
