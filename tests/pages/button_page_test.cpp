// The Keyboard and Controller pages in a real sheet with Wine's DirectInput and the real
// keyboard: what they show, assigning keys through the capture dialog, the default
// layout, the lit picture, the mode radios and their help.
#include "pages/button_test_support.h"
#include "support/no_direct_input.h"
#include "support/screen.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

using namespace button_test;
using test_support::run_sheet;

using test_support::send_key;

// Presses and holds a key until the capture dialog has ended, then lets it go.
std::function<void(HWND)> press_key(WORD virtual_key) {
    return [virtual_key](HWND dialog) {
        wait_for_first_tick();
        send_key(virtual_key, true);
        EXPECT_TRUE(wait_until_closed(dialog)) << "the key was not taken";
        send_key(virtual_key, false);
    };
}

std::wstring key_name(uint8_t key) {
    std::wstring name;
    nrv::peripheral::input_device_dx8* keyboard =
        current_manager() ? current_manager()->device_at(0, 0) : nullptr;
    if (keyboard) keyboard->button_name(key, name);
    return name;
}

// Answers the capture dialog with OK right after the first tick that saw Return down, as
// Return's own OK would; the test's message pump then keeps later ticks from the dialog,
// whose modal loop would have ended.
WNDPROC s_dialogProc = nullptr;
bool s_answered = false;
LRESULT CALLBACK ok_after_a_return_tick(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && s_answered) return 0;
    const LRESULT result = CallWindowProcW(s_dialogProc, dialog, message, wParam, lParam);
    nrv::peripheral::input_device_dx8* keyboard = current_manager()->device_at(0, 0);
    if (message == WM_TIMER && keyboard && keyboard->is_button_down(DIK_RETURN)) {
        s_answered = true;
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    }
    return result;
}

int s_stuckCaptures = 0;

void CALLBACK cancel_stuck_capture(HWND, UINT, UINT_PTR, DWORD) {
    if (HWND dialog = find_capture_dialog()) {
        ++s_stuckCaptures;
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }
}

uint32_t slot0_entry(int slot) {
    return settings_record().pad_slots[0].assignments[slot];
}

// The default keyboard layout's keys by slot; 0 where the slot is unassigned.
constexpr uint8_t kDefaultKeys[kFunctionCount] = {
    DIK_W,  DIK_D,     DIK_X,    DIK_A,    DIK_Z, DIK_C, DIK_Q, DIK_E, DIK_V, DIK_B, 0, 0,
    DIK_UP, DIK_RIGHT, DIK_DOWN, DIK_LEFT, 0,     0,     0,     0,     0,     0,     0, 0};

void expect_default_keys(HWND page) {
    for (int slot = 0; slot < kFunctionCount; ++slot) {
        const std::wstring expected = kDefaultKeys[slot] ? key_name(kDefaultKeys[slot]) : L"";
        EXPECT_EQ(slot_text(page, slot), expected) << "slot " << slot;
        if (kDefaultKeys[slot]) {
            EXPECT_FALSE(expected.empty()) << "the keyboard names key " << int(kDefaultKeys[slot]);
        }
    }
}

class KeyboardPage : public testing::Test {
protected:
    void SetUp() override {
        load_texts();
        build_default_settings(2, 1280, 1024);
    }
    ManagerScope m_manager;
};

TEST_F(KeyboardPage, ShowsTheDefaultKeysAndAssignsThePressedKey) {
    ControllerSheet<> sheet;
    const INT_PTR result = run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = show_page(sheet_window, 0);
        if (!sheet.attached || current_manager()->device_count(0) == 0) {
            ADD_FAILURE() << "no DirectInput keyboard here";
            SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            return;
        }
        SetForegroundWindow(sheet_window);
        expect_default_keys(page);
        EXPECT_EQ(item_text(page, IDC_DEVICE), L"Keyboard");
        EXPECT_FALSE(enabled(page, IDC_DEVICE));
        EXPECT_FALSE(enabled(page, IDC_XINPUT));
        EXPECT_TRUE(enabled(page, IDC_DEFAULT_SETTINGS));
        save_screenshot(sheet_window, "keyboard-page");

        // D belongs to slot 1; given to slot 0 it leaves slot 1 unassigned.
        EXPECT_TRUE(with_capture(page, IDC_SLOT_Y, [sheet_window](HWND dialog) {
            wait_for_first_tick();
            save_screenshot(sheet_window, "capture-dialog");
            press_key('D')(dialog);
        }));
        EXPECT_EQ(slot_text(page, 0), key_name(DIK_D));
        EXPECT_EQ(slot_text(page, 1), L"");
        EXPECT_EQ(slot0_entry(0), assignment_entry(0, DIK_D, 0, 0));
        EXPECT_EQ(slot0_entry(1), assignment_entry(kUnassignedType, 0, 0, 1));
        EXPECT_EQ(active_keyboard_layout()[0], slot0_entry(0)) << "the layout the page reads follows";

        // Escape cancels: nothing changes. The key must reach the dialog's own message
        // loop, so the action only sends it; a guard cancels a dialog that stays open.
        const PadSlot before = settings_record().pad_slots[0];
        const UINT_PTR guard = SetTimer(nullptr, 0, 3000, &cancel_stuck_capture);
        s_stuckCaptures = 0;
        EXPECT_TRUE(with_capture(page, IDC_SLOT_X, [](HWND dialog) {
            EXPECT_EQ(item_text(dialog, IDC_CAPTURE_PROMPT), text_w(47));
            EXPECT_EQ(window_text(dialog), text_w(47)) << "a screen reader reads the prompt as it opens";
            EXPECT_TRUE(SendMessageW(dialog, WM_HELP, 0, 0)) << "F1 shows no help";
            wait_for_first_tick();
            send_key(VK_ESCAPE, true);
            send_key(VK_ESCAPE, false);
        }));
        KillTimer(nullptr, guard);
        EXPECT_EQ(s_stuckCaptures, 0) << "Escape did not close the dialog";
        EXPECT_EQ(std::memcmp(&before, &settings_record().pad_slots[0], sizeof before), 0);

        // A key held while the dialog opens is taken only after it was let go and pressed
        // again; Caps Lock never (pressed twice, to leave it as it was). The Windows keys,
        // excluded as well, do not reach DirectInput from SendInput under Wine.
        send_key('G', true);
        EXPECT_TRUE(with_capture(page, IDC_SLOT_Y, [](HWND dialog) {
            wait_for_first_tick();
            send_key(VK_CAPITAL, true);
            wait_for_first_tick();
            EXPECT_TRUE(IsWindowVisible(dialog)) << "a held or excluded key was taken";
            send_key(VK_CAPITAL, false);
            send_key('G', false);
            test_support::pump_messages(200);
            send_key(VK_CAPITAL, true);
            test_support::pump_messages(200);
            send_key(VK_CAPITAL, false);
            press_key('G')(dialog);
        }));
        EXPECT_EQ(slot_text(page, 0), key_name(DIK_G));

        // Return seen by a tick of the dialog, then its OK right after that tick: nothing
        // is stored.
        const PadSlot held = settings_record().pad_slots[0];
        EXPECT_TRUE(with_capture(page, IDC_SLOT_X, [](HWND dialog) {
            wait_for_first_tick();
            s_answered = false;
            s_dialogProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ok_after_a_return_tick)));
            send_key(VK_RETURN, true);
            EXPECT_TRUE(wait_until_closed(dialog)) << "no OK after Return";
            send_key(VK_RETURN, false);
        }));
        EXPECT_EQ(std::memcmp(&held, &settings_record().pad_slots[0], sizeof held), 0);

        click(page, IDC_DEFAULT_SETTINGS);
        expect_default_keys(page);

        EXPECT_TRUE(with_capture(page, IDC_SLOT_LSTICK_UP, press_key('K')));
        EXPECT_EQ(slot_text(page, 16), key_name(DIK_K));
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(slot0_entry(16), assignment_entry(0, DIK_K, 3, 1)) << "in the record that OK saves";
    EXPECT_EQ(slot0_entry(0), assignment_entry(0, DIK_W, 0, 0));
}

// The screen point of a point of the controller picture.
// A point of the 256 x 256 picture on the screen, wherever and however large it is drawn.
POINT picture_point(HWND page, int x, int y) {
    HWND picture = GetDlgItem(page, IDC_PICTURE);
    RECT rect = {};
    GetWindowRect(picture, &rect);
    POINT point = {MulDiv(x, rect.right - rect.left, 256), MulDiv(y, rect.bottom - rect.top, 256)};
    ClientToScreen(picture, &point);
    return point;
}

// The picture keeps its share of the page's width, within a few pixels, at every DPI: the
// page is 576 pixels wide at 96 DPI, where the picture has its own size.
constexpr double kPictureShareOfPage = 256.0 / 576;

// The picture is square, and no slot button covers its name box.
SIZE expect_drawn_in_proportion(HWND page) {
    const SIZE picture = test_support::window_size(GetDlgItem(page, IDC_PICTURE));
    EXPECT_EQ(picture.cy, picture.cx);
    // No slot button covers any part of its name box, whatever the dialog font's size.
    for (int slot = 0; slot < kFunctionCount; ++slot) {
        RECT button = {};
        RECT box = {};
        RECT common = {};
        GetWindowRect(GetDlgItem(page, test_support::kSlotButtons[slot]), &button);
        GetWindowRect(GetDlgItem(page, test_support::kSlotNameBoxes[slot]), &box);
        EXPECT_FALSE(IntersectRect(&common, &button, &box))
            << "slot " << slot << "'s button ends at " << button.right << ", its box begins at " << box.left;
        EXPECT_GT(button.right - button.left, picture.cx / 16) << "slot " << slot;
    }
    return picture;
}

TEST_F(KeyboardPage, PressedKeysAndTheMouseLightThePicture) {
    ControllerSheet<> sheet;
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = show_page(sheet_window, 0);
        if (!sheet.attached || current_manager()->device_count(0) == 0) {
            ADD_FAILURE() << "no DirectInput keyboard here";
            SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            return;
        }
        SetForegroundWindow(sheet_window);
        SetCursorPos(0, 0);
        ButtonPage& keyboard = sheet.keyboard;
        // DirectInput follows keys from the keyboard's acquisition at the first tick on.
        test_support::pump_messages(400);
        ASSERT_EQ(keyboard.LitMask(), 0u);

        // W lights Y, and so does every slot holding W.
        uint32_t entries[kFunctionCount];
        std::memcpy(entries, pad_assignments(0), sizeof entries);
        entries[5] = assignment_entry(0, DIK_W, 0, 5);
        store_pad_assignments(0, entries);
        send_key('W', true);
        EXPECT_TRUE(pump_until([&] { return keyboard.LitMask() == (1u << 0 | 1u << 5); }))
            << "lit " << keyboard.LitMask();
        save_screenshot(sheet_window, "keyboard-page-key-lit");
        send_key('W', false);
        EXPECT_TRUE(pump_until([&] { return keyboard.LitMask() == 0; }));

        // Resting over the D-pad's up arrow lights it; a click there assigns to it.
        const POINT up = picture_point(page, 92, 145);
        SetCursorPos(up.x, up.y);
        EXPECT_TRUE(pump_until([&] { return keyboard.HoverSlot() == 12 && keyboard.LitMask() == 1u << 12; }))
            << "hover " << keyboard.HoverSlot();
        save_screenshot(sheet_window, "keyboard-page-hover-lit");

        // With nothing changing, a tick draws nothing: its cost.
        constexpr int kTicks = 50;
        const auto start = std::chrono::steady_clock::now();
        for (int tick = 0; tick < kTicks; ++tick) SendMessageW(page, WM_TIMER, 2, 0);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::printf("page timer tick with nothing changed: %.3f ms\n", ms / kTicks);
        EXPECT_EQ(keyboard.LitMask(), 1u << 12);

        EXPECT_TRUE(with_capture(page, IDC_PICTURE, press_key('J')));
        EXPECT_EQ(slot_text(page, 12), key_name(DIK_J));
        SetCursorPos(0, 0);
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    EXPECT_EQ(settings_record().pad_slots[0].assignments[12], assignment_entry(0, DIK_J, 0, 12));
}

// The colour shown on the screen at a point, copied as a screenshot copies it.
COLORREF screen_pixel(POINT point) {
    const uint32_t rgb = test_support::screen_pixels({point.x, point.y, point.x + 1, point.y + 1}).at(0);
    return RGB(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
}

int colour_distance(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
           std::abs(GetBValue(a) - GetBValue(b));
}

// The help popup's text, wrapped as the popup wraps it and measured with the font it is
// drawn in (its owner's), fits inside its margins.
void expect_popup_text_fits(HWND popup, int dpi) {
    RECT client = {};
    GetClientRect(popup, &client);
    const int margin = scale_to_dpi(6, dpi);
    RECT needed = {0, 0, client.right - 2 * margin, 0};
    HDC dc = GetDC(popup);
    HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(GetWindow(popup, GW_OWNER), WM_GETFONT, 0, 0)));
    DrawTextW(dc, window_text(popup).c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(popup, dc);
    EXPECT_LE(needed.right, client.right - 2 * margin) << "dpi " << dpi;
    EXPECT_LE(needed.bottom, client.bottom - 2 * margin) << "dpi " << dpi;
}

// At the session's DPI, then after a move to a screen of one and a half times that DPI.
TEST_F(KeyboardPage, DrawnPartsFollowTheDpiAndItsChange) {
    ControllerSheet<> sheet;
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = show_page(sheet_window, 0);
        SetCursorPos(0, 0);
        const int dpi = window_dpi(page);
        const SIZE picture = expect_drawn_in_proportion(page);
        const int page_width = test_support::window_size(page).cx;
        EXPECT_NEAR(picture.cx, kPictureShareOfPage * page_width, scale_to_dpi(4, dpi))
            << "the picture's share of a page " << page_width << " pixels wide at dpi " << dpi;
        EXPECT_EQ(e2e::overflowing_texts(page), std::vector<std::wstring>{}) << "dpi " << dpi;
        HWND popup = show_help_popup(page, text_w(70), {100, 100});
        ASSERT_TRUE(popup);
        expect_popup_text_fits(popup, dpi);
        DestroyWindow(popup);

        // The mouse over the D-pad's up arrow lights it where it is drawn.
        ButtonPage& keyboard = sheet.keyboard;
        const POINT up = picture_point(page, 92, 145);
        const COLORREF unlit = screen_pixel(up);
        SetCursorPos(up.x, up.y);
        EXPECT_TRUE(pump_until([&] { return keyboard.HoverSlot() == 12; }))
            << "hover " << keyboard.HoverSlot();
        EXPECT_TRUE(pump_until([&] { return colour_distance(screen_pixel(up), unlit) > 60; }))
            << "the lit arrow is drawn under the mouse at dpi " << dpi;
        save_screenshot(sheet_window, "keyboard-page-hover");
        SetCursorPos(0, 0);

        const int next = dpi * 3 / 2;
        RECT suggested = {};
        GetWindowRect(sheet_window, &suggested);
        suggested.right = suggested.left + MulDiv(suggested.right - suggested.left, 3, 2);
        suggested.bottom = suggested.top + MulDiv(suggested.bottom - suggested.top, 3, 2);
        SendMessageW(sheet_window, kWmDpiChanged, MAKEWPARAM(next, next),
                     reinterpret_cast<LPARAM>(&suggested));
        test_support::pump_messages(50);
        RECT taken = {};
        GetWindowRect(sheet_window, &taken);
        EXPECT_TRUE(EqualRect(&taken, &suggested)) << "the sheet takes the suggested rectangle";
        // Wine leaves the page's own layout as it was: only what the page draws grows here.
        EXPECT_GT(expect_drawn_in_proportion(page).cx, picture.cx * 5 / 4) << "dpi " << next;

        // The mouse maps onto the picture at its new size.
        const POINT moved = picture_point(page, 92, 145);
        SetCursorPos(moved.x, moved.y);
        EXPECT_TRUE(pump_until([&] { return keyboard.HoverSlot() == 12; }))
            << "hover " << keyboard.HoverSlot();
        SetCursorPos(0, 0);
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

// The per-window DPI the played system answers.
int s_windowDpi = 0;
UINT WINAPI played_window_dpi(HWND) {
    return static_cast<UINT>(s_windowDpi);
}

// What Windows' default handling of WM_DPICHANGED_AFTERPARENT does to a child dialog: its
// controls laid out again at the new DPI, and its new font.
void lay_out_as_windows_does(HWND page, int from_dpi, int to_dpi, HFONT font) {
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect = {};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
        MoveWindow(child, MulDiv(rect.left, to_dpi, from_dpi), MulDiv(rect.top, to_dpi, from_dpi),
                   MulDiv(rect.right - rect.left, to_dpi, from_dpi),
                   MulDiv(rect.bottom - rect.top, to_dpi, from_dpi), FALSE);
    }
    SendMessageW(page, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

// The owner on a 150 % screen, the popup made where the system answers 96 DPI for it (the
// primary screen): the popup is measured and painted at its owner's DPI.
HWND s_popupOwner = nullptr;
UINT WINAPI owner_at_150_percent(HWND window) {
    return window == s_popupOwner ? 144 : 96;
}

TEST_F(KeyboardPage, TheHelpPopupIsMeasuredAtItsOwnersDpiAndReadAsATooltip) {
    ControllerSheet<> sheet;
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = show_page(sheet_window, 0);
        s_popupOwner = sheet_window;
        test_support::Replaced<GetDpiForWindowCall> played(g_get_dpi_for_window, &owner_at_150_percent);
        HeardEvents heard;
        HWND popup = show_help_popup(page, text_w(70), {100, 100});
        ASSERT_TRUE(popup);
        expect_popup_text_fits(popup, 144);
        // Screen readers hear a tooltip show and read its text.
        EXPECT_EQ(heard.Of(popup), std::vector<DWORD>{EVENT_OBJECT_SHOW});
        EXPECT_EQ(accessible_role(popup), ROLE_SYSTEM_TOOLTIP);
        EXPECT_EQ(accessible_text(popup, false), text_w(70));
        RECT client = {};
        GetClientRect(popup, &client);
        EXPECT_GT(client.right, scale_to_dpi(300, 120)) << "the text wraps at its width for 144 DPI";
        DestroyWindow(popup);
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

// A move to a 150 % screen as Windows 10 sends it under per-monitor awareness version 2: the
// window's DPI is new at once, the sheet gets WM_DPICHANGED while its pages still have their
// old font, and each page gets its new font in the default handling of its own
// WM_DPICHANGED_AFTERPARENT, after the page has seen it.
TEST_F(KeyboardPage, PagesFollowADpiChangeOnceTheSystemGaveThemTheirNewFont) {
    ControllerSheet<> sheet;
    GdiObject<HFONT> new_font;
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = show_page(sheet_window, 0);
        SetCursorPos(0, 0);
        const int dpi = window_dpi(page);
        const int next = dpi * 3 / 2;
        const SIZE before = expect_drawn_in_proportion(page);
        LOGFONTW description = {};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(page, WM_GETFONT, 0, 0)), sizeof description,
                   &description);
        description.lfHeight = MulDiv(description.lfHeight, next, dpi);
        new_font.reset(CreateFontIndirectW(&description));

        s_windowDpi = next;
        test_support::Replaced<GetDpiForWindowCall> played(g_get_dpi_for_window, &played_window_dpi);
        RECT suggested = {};
        GetWindowRect(sheet_window, &suggested);
        SendMessageW(sheet_window, kWmDpiChanged, MAKEWPARAM(next, next),
                     reinterpret_cast<LPARAM>(&suggested));
        SendMessageW(page, kWmDpiChangedAfterParent, 0, 0);
        lay_out_as_windows_does(page, dpi, next, new_font.get());
        test_support::pump_messages(50);

        const SIZE after = expect_drawn_in_proportion(page);
        EXPECT_NEAR(after.cx, MulDiv(before.cx, 3, 2), before.cx / 8)
            << "the picture at " << next << " DPI with the page's font of " << description.lfHeight
            << " pixels";
        // The slot pictures fill the buttons as laid out at the new DPI.
        for (int slot : {0, 4, 23}) {
            const SIZE button = test_support::window_size(GetDlgItem(page, test_support::kSlotButtons[slot]));
            const SIZE picture = sheet.keyboard.SlotButton(slot).PictureSize();
            EXPECT_EQ(picture.cx,
                      std::min({MulDiv(20, layout_dpi(page, next), 96), int(button.cx), int(button.cy)}))
                << "slot " << slot << " in a button of " << button.cx << " x " << button.cy;
        }
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

// With no input manager, and with one whose DirectInput could not be created.
TEST_F(KeyboardPage, NothingBreaksWithoutAnInputManagerOrDirectInput) {
    for (bool manager : {false, true}) {
        SCOPED_TRACE(manager ? "DirectInput refused" : "no input manager");
        sheets_get_input() = manager;
        test_support::NoDirectInput no_direct_input;
        ControllerSheet<> sheet;
        run_sheet(sheet, [&](HWND sheet_window) {
            EXPECT_FALSE(sheet.attached);
            HWND page = show_page(sheet_window, 0);
            for (int slot = 0; slot < kFunctionCount; ++slot) EXPECT_EQ(slot_text(page, slot), L"");
            EXPECT_FALSE(enabled(page, IDC_DEFAULT_SETTINGS));
            EXPECT_FALSE(with_capture(page, IDC_SLOT_Y, [](HWND dialog) {
                SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            })) << "no device, no capture";
            page = show_page(sheet_window, 1);
            EXPECT_EQ(combo_entries(page, IDC_DEVICE), std::vector<std::wstring>{L"--"});
            test_support::pump_messages(400);  // a few ticks
            SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        });
    }
}

// --- the controller page without game controllers ---------------------------------------

// A machine whose Windows is too old for XInput.
class OldWindowsPage : public ButtonPage {
public:
    using ButtonPage::ButtonPage;

protected:
    bool ReadWindowsVersion(DWORD& major, DWORD& minor) const override {
        major = 5;
        minor = 0;
        return true;
    }
};

TEST_F(KeyboardPage, ControllerPageSwitchesToXInputAndBack) {
    const SettingsGuid held = {0x11, 0x22, 0x33, {1, 2, 3, 4, 5, 6, 7, 8}};
    pad_device(3) = held;
    ControllerSheet<> sheet(nullptr, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        EXPECT_EQ(
            combo_entries(page, IDC_PLAYER),
            (std::vector<std::wstring>{L"Controller 1", L"Controller 2", L"Controller 3", L"Controller 4"}));
        EXPECT_EQ(combo_entries(page, IDC_DEVICE), std::vector<std::wstring>{L"--"});
        for (int slot = 0; slot < kFunctionCount; ++slot) EXPECT_EQ(slot_text(page, slot), L"");
        EXPECT_TRUE(IsDlgButtonChecked(page, IDC_DIRECTINPUT));
        EXPECT_FALSE(enabled(page, IDC_DEFAULT_SETTINGS));
        save_screenshot(sheet_window, "controller-page");

        click(page, IDC_XINPUT);
        EXPECT_TRUE(xinput());
        const SettingsGuid none = {};
        for (unsigned player = 1; player <= 4; ++player)
            EXPECT_EQ(std::memcmp(&pad_device(player), &none, sizeof none), 0) << "player " << player;
        for (int id : {IDC_PICTURE, IDC_PLAYER, IDC_DEVICE, IDC_SLOT_Y, IDC_NAME_Y})
            EXPECT_FALSE(enabled(page, id)) << "control " << id;
        EXPECT_TRUE(enabled(page, IDC_XINPUT));
        EXPECT_TRUE(enabled(page, IDC_DIRECTINPUT));

        click(page, IDC_DIRECTINPUT);
        EXPECT_FALSE(xinput());
        for (int id : {IDC_PICTURE, IDC_PLAYER, IDC_DEVICE, IDC_SLOT_Y, IDC_NAME_Y})
            EXPECT_TRUE(enabled(page, id)) << "control " << id;
        EXPECT_EQ(item_text(page, IDC_DEVICE), L"--");

        // Help for a radio once the cursor has rested on it for two ticks, gone at the first
        // tick after it left. The ticks are sent here one by one; no message is pumped.
        RECT radio;
        GetWindowRect(GetDlgItem(page, IDC_XINPUT), &radio);
        const std::vector<size_t> popups = test_support::popups_per_tick(
            page, {{radio.left + 10, (radio.top + radio.bottom) / 2}, {0, 0}}, 3, 1);
        EXPECT_EQ(popups, (std::vector<size_t>{0, 0, 1, 0}));
        SetCursorPos(radio.left + 10, (radio.top + radio.bottom) / 2);
        for (int tick = 0; tick < 3; ++tick) SendMessageW(page, WM_TIMER, 2, 0);
        const std::vector<HWND> shown = test_support::thread_windows(L"CalcoraHelpPopup");
        EXPECT_EQ(shown.size(), 1u);
        if (!shown.empty()) {
            EXPECT_EQ(window_text(shown[0]), text_w(70));
        }
        SetCursorPos(0, 0);
        SendMessageW(page, WM_TIMER, 2, 0);

        // F1 on the focused radio shows the same help; leaving the page closes it.
        SetFocus(GetDlgItem(page, IDC_DIRECTINPUT));
        HELPINFO info = {};
        info.cbSize = sizeof info;
        SendMessageW(page, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        const std::vector<HWND> asked = test_support::thread_windows(L"CalcoraHelpPopup");
        EXPECT_EQ(asked.size(), 1u);
        if (!asked.empty()) {
            EXPECT_EQ(window_text(asked[0]), text_w(71));
        }
        show_page(sheet_window, 0);
        EXPECT_TRUE(test_support::thread_windows(L"CalcoraHelpPopup").empty()) << "left with its page";
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
}

TEST_F(KeyboardPage, XInputIsRefusedOnWindowsBeforeXp) {
    set_xinput(false);
    ControllerSheet<OldWindowsPage> sheet(nullptr, 1);
    test_support::MessageBoxAnswerer answerer;
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        click(page, IDC_XINPUT);
        EXPECT_EQ(test_support::MessageBoxAnswerer::count(), 1);
        EXPECT_EQ(test_support::MessageBoxAnswerer::last_text(), text_w(111));
        EXPECT_TRUE(IsDlgButtonChecked(page, IDC_DIRECTINPUT));
        EXPECT_FALSE(IsDlgButtonChecked(page, IDC_XINPUT));
        EXPECT_TRUE(enabled(page, IDC_SLOT_Y));
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    EXPECT_FALSE(xinput());
}

}  // namespace
