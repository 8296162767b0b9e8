// Pad navigation: the whole run of the tool worked by game pad as by keyboard, every box and
// dialog it shows, before, over and after the sheet. The rules at the top are plain code
// over values, built natively too; the rest needs Windows.
#pragma once

#include "settings/settings.h"

#include <cstdint>
#include <vector>

namespace padnav {

// A pad's buttons by the place they have on an Xbox-style pad (south is A there), whatever
// the pad: the caller reads them through the pad's layout.
enum nav_button : int {
    nav_south,
    nav_east,
    nav_west,
    nav_north,
    nav_left_shoulder,
    nav_right_shoulder,
    nav_back,
    nav_start,
    nav_up,
    nav_down,
    nav_left,
    nav_right,
    nav_button_count
};
constexpr uint32_t nav_bit(nav_button button) {
    return 1u << button;
}

enum class nav_action {
    move_up,
    move_down,
    move_left,
    move_right,
    activate,       // south: the focused control's action
    cancel,         // east
    clear,          // west: empty the focused slot
    help,           // north: the focused control's help
    previous_page,  // left shoulder
    next_page,      // right shoulder
    undo,           // back
    ok,             // start
};

// How directions repeat while held, as the keyboard's own repeat does.
struct nav_timing {
    uint32_t first_repeat_ms = 500;
    uint32_t repeat_ms = 33;
};

// Turns successive readings of one pad into navigation actions. A button acts when it goes
// down; only the directions repeat while held. One direction moves at a time: one that goes
// down while another is held does nothing until it is let go and pressed again. After
// wait_for_release every button held at the next reading acts only once it has been
// released and pressed again.
class pad_navigator {
public:
    explicit pad_navigator(nav_timing timing = {}) : m_timing(timing) {}

    // One reading (bit n: nav_button n held) at now_ms; appends the actions it leads to.
    void update(uint32_t held, uint32_t now_ms, std::vector<nav_action>& actions);
    void wait_for_release();
    // Only the buttons held at the last reading act only after release, and no direction
    // repeats: for readings that went on while a dialog ran, where a later press is new.
    void release_held_first();
    uint32_t held() const { return m_held; }
    // How often the direction held has repeated so far: 0 at its press.
    int repeats() const { return m_repeats; }

private:
    nav_timing m_timing;
    uint32_t m_held = 0;
    uint32_t m_blocked = 0;
    bool m_block_held = false;
    int m_repeating = -1;  // the direction that repeats, or -1
    int m_repeats = 0;
    uint32_t m_next_repeat_ms = 0;
};

// The function slot (of the 24) whose control works each navigation button: the face
// buttons, shoulders, Back and Start by their own slot, the D-pad by its slot with the left
// stick's beside it (`second` is -1 where there is none).
struct NavSlots {
    int first;
    int second;
};
NavSlots nav_slots(nav_button button);

// The control (entry type and code) that works a navigation button on a pad of the family
// laid out by its default; false where the family has none. The D-pad is the first hat.
bool nav_control(PadFamily family, nav_button button, uint8_t& type, uint8_t& code);

// An XInput pad's buttons (XINPUT_GAMEPAD_ bits) and left stick as navigation buttons.
uint32_t nav_buttons_of_xinput(uint16_t buttons, int16_t stick_x, int16_t stick_y);

// How far the number being edited moves per step of up or down: by one, and faster the
// longer the direction has been held (`repeats` of its repeat so far).
int number_step(int repeats);
// The number moved by `step`, held within [lowest, highest]; a number outside that range
// (one not yet typed whole) starts from the nearer end.
long stepped_number(long number, int step, long lowest, long highest);

// The one direction a stick points in, as a navigation button's bit: of the four halves'
// values (0 to 1), those past `threshold` count, and the axis pushed further wins, so that
// a stick pushed diagonally moves once. 0 when none is past it.
uint32_t stick_direction(float up, float down, float left, float right, float threshold);

}  // namespace padnav

#ifdef _WIN32
#include "nrv/peripheral/peripheral.h"

#include <windows.h>
#include <xinput.h>

#include <string>

// Posted to the run's input window by pad navigation: one action of a pad (wParam: a
// nav_action; lParam: how often a direction has repeated), done when a message loop, the
// sheet's or a box's, comes to it.
constexpr UINT kPadActionMessage = WM_APP + 3;

// The dialog's next tab stop (GetNextDlgTabItem) unless a test puts its own in: Windows and
// Wine differ in what it gives in a radio group.
using NextTabItemCall = HWND(WINAPI*)(HWND dialog, HWND control, BOOL previous);
extern NextTabItemCall g_next_dlg_tab_item;

// The window in front (GetForegroundWindow) unless a test puts its own in, to play another
// program in front of the tool.
using GetForegroundWindowCall = HWND(WINAPI*)();
extern GetForegroundWindowCall g_get_foreground_window;

// XInputGetState of the system's XInput DLL, which Start loads, unless a test puts its own in
// before Start (null: the system's).
using XInputGetStateCall = DWORD(WINAPI*)(DWORD user, XINPUT_STATE* state);
extern XInputGetStateCall g_xinput_get_state;

// The tool worked by game pad for the whole run. While the tool is in the foreground and a
// pad is attached, the pads are read (through XInput, or through DirectInput and the layout a
// player slot holding the pad shows, otherwise its family's default) whenever one of them
// changes, and every 40 ms while a button is held; their presses become actions on the
// tool's active dialog or box: focus moves through the dialog's own order, A the focused
// control's action, B closes a list or cancels, the shoulders turn the sheet's pages, Start
// is OK. Everything happens on the run's input window, which lives as long as the run.
class PadNavigation {
public:
    explicit PadNavigation(nrv::peripheral::run_input& input);
    ~PadNavigation();
    PadNavigation(const PadNavigation&) = delete;
    PadNavigation& operator=(const PadNavigation&) = delete;

    // Reads the pads from now on, before the first box can appear.
    void Start();
    // The settings sheet while it runs, null before and after: the window whose pages the
    // shoulders turn and whose changes B asks about.
    void SetSheet(HWND sheet);
    // Does one action as a press of the pad would (what kPadActionMessage leads to); for a
    // direction, `repeats` tells how often it has repeated while held.
    void OnAction(padnav::nav_action action, int repeats = 0);
    // Whether the pads are read on a timer now (only while a pad is attached).
    bool Reading() const { return m_timerPeriod != 0; }

private:
    struct Pad {
        GUID instance;
        padnav::pad_navigator navigator;
        nrv::peripheral::press_reader presses;
        bool xinput_twin;  // read through DirectInput while XInput did not show it yet
    };
    bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);
    void UpdateTimer();
    void ReadPads();
    // Reads the XInput pads; false when XInput has none (or is not there).
    bool ReadXInputPads(uint32_t now, std::vector<Pad>& pads);
    void Dispatch(Pad& pad, uint32_t held, uint32_t now, std::vector<Pad>& pads, bool xinput_pad);
    uint32_t HeldThroughLayout(const nrv::peripheral::input_device_dx8& device, Pad& pad);
    // The tool's window a press goes to: its active dialog or box, never a popup.
    HWND Target() const;
    void WaitForRelease();
    void ShowFocusMark(HWND window);
    void ActInSheet(padnav::nav_action action);
    void ActInDialog(HWND dialog, padnav::nav_action action);
    void ActInList(HWND list, padnav::nav_action action);
    void ActInNumber(padnav::nav_action action, int repeats);
    void CloseList(bool keep_choice);
    void MoveFocus(HWND target);
    void Activate(HWND focus);
    void Cancel();
    void TurnPage(int step);
    bool AnythingChanged() const;

    nrv::peripheral::run_input& m_input;
    HWND m_window = nullptr;  // the run's input window, where reading and acting happen
    HWND m_sheet = nullptr;
    UINT m_timerPeriod = 0;       // 0 while not reading
    HWND m_lastTarget = nullptr;  // the window presses went to at the last reading
    padnav::nav_timing m_timing;
    std::vector<Pad> m_pads;
    std::vector<uint8_t> m_recordAtStart;
    XInputGetStateCall m_getXInputState = nullptr;
    bool m_xinputConnected[XUSER_MAX_COUNT] = {};
    uint32_t m_emptySlotsIn = 0;     // when the empty XInput slots are asked again (GetTickCount)
    HHOOK m_keyboardHook = nullptr;  // Ctrl+Z, which the sheet's own loop gives no page
    HWND m_openList = nullptr;       // the list the pad works, and its choice when it opened
    LRESULT m_choiceBefore = -1;
    HWND m_editing = nullptr;  // the number box the pad edits, and its text before
    std::wstring m_numberBefore;
};

#endif  // _WIN32
