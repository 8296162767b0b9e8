// The Controller page with game controllers: fake DirectInput pads (pages/fake_pads.h).
#include "pages/button_test_support.h"
#include "pages/controller/internal.h"
#include "pages/fake_pads.h"
#include "support/pad_walk.h"

#include <oleacc.h>
#include <oleauto.h>
#include <servprov.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

namespace {

using namespace button_test;
using test_support::run_sheet;

// The path Windows gives the DirectInput twin of an XInput pad: "IG_" marks it.
constexpr wchar_t kXInputTwinPath[] =
    L"\\\\?\\hid#vid_045e&pid_02ff&ig_00#8&1e5a6b3&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";

// True when the edit box shows its whole text on its one line.
bool shows_whole_text(HWND edit) {
    const std::wstring text = window_text(edit);
    RECT room = {};
    SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&room));
    HDC dc = GetDC(edit);
    HGDIOBJ old_font = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old_font);
    ReleaseDC(edit, dc);
    return size.cx <= room.right - room.left;
}

// Changes the pad while the capture dialog runs, until the dialog has ended; then puts it back.
std::function<void(HWND)> change_pad(fake::pad& pad, std::function<void(DIJOYSTATE2&)> change) {
    return [&pad, change](HWND dialog) {
        wait_for_first_tick();
        const std::vector<uint8_t> rest = pad.state;
        change(pad.joystick());
        EXPECT_TRUE(wait_until_closed(dialog)) << "the press was not taken";
        pad.state = rest;
    };
}

class ControllerPage : public testing::Test {
protected:
    void SetUp() override {
        load_texts();
        build_default_settings(2, 1280, 1024);
    }
    // A pad plugged in and stored for player 1.
    std::shared_ptr<fake::pad> attach_player_pad(const wchar_t* name) {
        auto pad = make_pad(name);
        m_input.attach(DI8DEVCLASS_GAMECTRL, guid(1), pad);
        set_pad_device(1, stored(guid(1)));
        return pad;
    }

    // The DirectInput twin of an XInput pad, plugged in and stored for player 1.
    void attach_xinput_twin() { attach_player_pad(L"Twin Pad")->path = kXInputTwinPath; }

    fake::direct_input m_input;  // outlives the manager, which holds its devices
    ManagerScope m_manager;
};

TEST_F(ControllerPage, ListsPadsByDistinctNamesAndGivesEachToOnePlayer) {
    m_input.attach(DI8DEVCLASS_GAMECTRL, guid(1), make_pad(L"Gamepad Pro"));
    m_input.attach(DI8DEVCLASS_GAMECTRL, guid(2), make_pad(L"Gamepad Pro"));
    m_input.attach(DI8DEVCLASS_GAMECTRL, guid(3), make_pad(L"Gamepad"));
    set_pad_device(1, stored(guid(2)));
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        EXPECT_EQ(combo_entries(page, IDC_DEVICE),
                  (std::vector<std::wstring>{L"--", L"Gamepad Pro", L"Gamepad Pro - 2", L"Gamepad - 2"}));
        EXPECT_EQ(item_text(page, IDC_DEVICE), L"Gamepad Pro - 2") << "the stored pad";
        EXPECT_EQ(slot_text(page, 0), L"Button 0");
        EXPECT_EQ(slot_text(page, 12), L"Hat 0 U");
        EXPECT_EQ(slot_text(page, 17), L"Y +") << "left stick down";
        EXPECT_EQ(slot_text(page, 23), L"Z +") << "right stick right: ordinal 2 is Z on this pad";
        EXPECT_TRUE(enabled(page, IDC_DEFAULT_SETTINGS));
        save_screenshot(sheet_window, "controller-page-pads");

        select_entry(page, IDC_PLAYER, 1);
        EXPECT_EQ(item_text(page, IDC_DEVICE), L"--");
        EXPECT_EQ(slot_text(page, 0), L"");
        select_entry(page, IDC_DEVICE, 2);
        EXPECT_TRUE(holds(2, guid(2)));
        EXPECT_TRUE(holds(1, GUID_NULL)) << "taken from player 1";
        select_entry(page, IDC_PLAYER, 0);
        EXPECT_EQ(item_text(page, IDC_DEVICE), L"--");
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
}

TEST_F(ControllerPage, CapturedButtonsAxesAndHatsAreAssignedAndLit) {
    auto pad = attach_player_pad(L"Dual Pad");
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        ButtonPage& controller = sheet.controller;
        SetCursorPos(0, 0);

        // Button 9 (back by default) given to RT: back is left unassigned.
        EXPECT_TRUE(with_capture(page, IDC_SLOT_RT,
                                 change_pad(*pad, [](DIJOYSTATE2& s) { s.rgbButtons[9] = 0x80; })));
        EXPECT_EQ(slot_text(page, 5), L"Button 9");
        EXPECT_EQ(slot_text(page, 9), L"");

        // An axis half is stored by the axis ordinal: Z minus is (3, 2) here.
        EXPECT_TRUE(with_capture(page, IDC_SLOT_Y, change_pad(*pad, [](DIJOYSTATE2& s) { s.lZ = 0; })));
        EXPECT_EQ(slot_text(page, 0), L"Z -");
        EXPECT_EQ(settings_record().pad_slots[1].assignments[0], assignment_entry(3, 2, 0, 0));

        // The second hat stands for the first: it lights the D-pad.
        pad->joystick().rgdwPOV[1] = 0;
        EXPECT_TRUE(pump_until([&] { return controller.LitMask() == 1u << 12; }))
            << "lit " << controller.LitMask();
        save_screenshot(sheet_window, "controller-page-hat-lit");
        fake::centre(*pad);
        EXPECT_TRUE(pump_until([&] { return controller.LitMask() == 0; }));

        // Stored data may hold one button in two slots: both show it and both light.
        uint32_t entries[kFunctionCount];
        std::memcpy(entries, pad_assignments(1), sizeof entries);
        entries[3] = assignment_entry(0, 2, 0, 3);
        store_pad_assignments(1, entries);
        select_entry(page, IDC_DEVICE, 1);
        EXPECT_EQ(slot_text(page, 2), L"Button 2");
        EXPECT_EQ(slot_text(page, 3), L"Button 2");
        pad->joystick().rgbButtons[2] = 0x80;
        EXPECT_TRUE(pump_until([&] { return controller.LitMask() == (1u << 2 | 1u << 3); }))
            << "lit " << controller.LitMask();
        // Letting the pad go while its button is held leaves nothing lit.
        select_entry(page, IDC_DEVICE, 0);
        EXPECT_TRUE(pump_until([&] { return controller.LitMask() == 0; })) << "lit " << controller.LitMask();
        pad->joystick().rgbButtons[2] = 0;
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
}

// A pad that comes back while the page is shown is the player's again, layout and all. The
// notifications of its arrival are what the sheet hands on; a burst of them is one refresh.
TEST_F(ControllerPage, PadThatComesBackIsSelectedAgainWithItsLayout) {
    set_pad_device(1, stored(guid(1)));
    uint32_t entries[kFunctionCount];
    std::memcpy(entries, pad_assignments(1), sizeof entries);
    entries[0] = assignment_entry(0, 11, 0, 0);
    store_pad_assignments(1, entries);
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        EXPECT_EQ(item_text(page, IDC_DEVICE), L"Not connected");
        EXPECT_EQ(slot_text(page, 0), L"Button 12");
        EXPECT_FALSE(enabled(page, IDC_DEFAULT_SETTINGS));

        m_input.attach(DI8DEVCLASS_GAMECTRL, guid(1), make_pad(L"Returning Pad"));
        const int before = m_input.enumerations(DI8DEVCLASS_GAMECTRL);
        for (int burst = 0; burst < 4; ++burst) send_hid_change(sheet.input()->window(), DBT_DEVICEARRIVAL);
        EXPECT_TRUE(pump_until([&] { return item_text(page, IDC_DEVICE) == L"Returning Pad"; }));
        test_support::pump_messages(400);
        // The devices are listed once, and the page is filled from that.
        EXPECT_EQ(m_input.enumerations(DI8DEVCLASS_GAMECTRL) - before, 1);
        EXPECT_EQ(slot_text(page, 0), L"Button 11");
        EXPECT_TRUE(enabled(page, IDC_DEFAULT_SETTINGS));
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    EXPECT_TRUE(holds(1, guid(1)));
    EXPECT_EQ(pad_assignments(1)[0], assignment_entry(0, 11, 0, 0));
}

// The entry of a slot with the input taken away: type 255, code 0, carried pair kept.
uint32_t unassigned(uint32_t entry) {
    return (entry & 0xFFFF0000u) | kUnassignedType;
}

// Chooses the first item of the popup menu that is open, as the keyboard would.
void CALLBACK choose_first_menu_item(HWND, UINT, UINT_PTR id, DWORD) {
    const std::vector<HWND> menus = test_support::thread_windows(L"#32768");
    if (menus.empty()) return;
    KillTimer(nullptr, id);
    PostMessageW(menus[0], WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menus[0], WM_KEYDOWN, VK_RETURN, 0);
}

std::wstring s_launched;
HINSTANCE WINAPI record_launch(HWND, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR, INT show) {
    s_launched =
        std::wstring(verb) + L" " + file + L" " + parameters + (show == SW_SHOWNORMAL ? L" normal" : L"");
    return reinterpret_cast<HINSTANCE>(33);
}

TEST_F(ControllerPage, TakenInputIsNotedAndSlotsAreClearedByKeyAndMenu) {
    auto pad = attach_player_pad(L"Dual Pad");
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        const std::vector<uint32_t> before(pad_assignments(1), pad_assignments(1) + kFunctionCount);
        EXPECT_EQ(item_text(page, IDC_TAKEN_NOTE), L"");

        // Button 9 is back's: given to RT (Enter on its slot button opens the capture), the
        // note says so and back's box flashes; screen readers hear the note change.
        HeardEvents heard;
        EXPECT_TRUE(with_capture(
            page, IDC_SLOT_RT, change_pad(*pad, [](DIJOYSTATE2& s) { s.rgbButtons[9] = 0x80; }), VK_RETURN));
        EXPECT_EQ(item_text(page, IDC_TAKEN_NOTE), L"Button 9 moved from Back to Right trigger.");
        HWND note = GetDlgItem(page, IDC_TAKEN_NOTE);
        EXPECT_EQ(heard.Of(note), (std::vector<DWORD>{EVENT_OBJECT_NAMECHANGE, 0x8019}))
            << "a changed name and a changed live region";
        EXPECT_EQ(accessible_text(note, false), L"Button 9 moved from Back to Right trigger.");
        HDC dc = GetDC(page);
        const LRESULT brush = SendMessageW(page, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                           reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_NAME_BACK)));
        ReleaseDC(page, dc);
        EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_HIGHLIGHT)))
            << "back's box is not lit";
        EXPECT_EQ(pad_assignments(1)[9], unassigned(before[9]));
        SetFocus(GetDlgItem(page, IDC_SLOT_RT));
        SendMessageW(GetDlgItem(page, IDC_SLOT_RT), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS),
                     0);
        test_support::pump_messages(200);
        save_screenshot(sheet_window, "controller-page-taken-note");

        // Delete on the focused slot empties it; the note goes with the next change, and
        // screen readers hear that too.
        SendMessageW(GetDlgItem(page, IDC_SLOT_RT), WM_KEYDOWN, VK_DELETE, 0);
        EXPECT_EQ(pad_assignments(1)[5], unassigned(before[5]));
        EXPECT_EQ(slot_text(page, 5), L"");
        EXPECT_EQ(item_text(page, IDC_TAKEN_NOTE), L"");
        EXPECT_EQ(heard.Of(note),
                  (std::vector<DWORD>{EVENT_OBJECT_NAMECHANGE, 0x8019, EVENT_OBJECT_NAMECHANGE}))
            << "the emptied note was not told";
        // Backspace, and "Clear" of the slot button's menu, do the same.
        SendMessageW(GetDlgItem(page, IDC_SLOT_A), WM_KEYDOWN, VK_BACK, 0);
        EXPECT_EQ(pad_assignments(1)[2], unassigned(before[2]));
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, &choose_first_menu_item);
        SendMessageW(GetDlgItem(page, IDC_SLOT_Y), WM_CONTEXTMENU,
                     reinterpret_cast<WPARAM>(GetDlgItem(page, IDC_SLOT_Y)), -1);
        KillTimer(nullptr, timer);
        EXPECT_EQ(pad_assignments(1)[0], unassigned(before[0]));
        for (int slot : {1, 3, 4, 6}) EXPECT_EQ(pad_assignments(1)[slot], before[slot]) << "slot " << slot;

        // The system's game controller settings open as the sound settings do.
        {
            test_support::Replaced<ShellExecuteCall> shell(g_shell_execute, &record_launch);
            click(page, IDC_CONTROLLER_SETTINGS);
        }
        EXPECT_EQ(s_launched, L"open control joy.cpl normal");
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
}

// While the player's stored pad is not connected, its kept layout is listed and shown by
// generic names, with nothing to capture or light; the next pad picked takes it over.
TEST_F(ControllerPage, KeptLayoutOfAPadNotConnectedIsShownAndTakenOver) {
    m_input.attach(DI8DEVCLASS_GAMECTRL, guid(1), make_pad(L"Gamepad"));
    store_own_layout(1, guid(9));
    store_own_layout(2, guid(8));
    uint32_t entries[kFunctionCount];
    std::memcpy(entries, pad_assignments(1), sizeof entries);
    entries[12] = assignment_entry(8, 0, 0, 0);
    entries[16] = assignment_entry(3, 1, 0, 0);
    store_pad_assignments(1, entries);
    const std::vector<uint32_t> kept = entries_of(1);

    // In every language: the entry and the generic names fit their boxes.
    const char* const languages[][2] = {{"en", "GB"}, {"fr", "FR"}, {"de", "DE"},
                                        {"it", "IT"}, {"es", "ES"}, {"pt", "PT"}};
    for (const auto& language : languages) {
        set_language(language[0], language[1]);
        ControllerSheet<> sheet(&m_input, 1);
        run_sheet(sheet, [&](HWND sheet_window) {
            HWND page = page_of(sheet_window);
            EXPECT_EQ(combo_entries(page, IDC_DEVICE),
                      (std::vector<std::wstring>{L"--", text_w(150), L"Gamepad"}));
            EXPECT_EQ(item_text(page, IDC_DEVICE), text_w(150));
            EXPECT_FALSE(text_w(150).empty());
            for (int slot = 0; slot < kFunctionCount; ++slot) {
                HWND box = GetDlgItem(page, test_support::kSlotNameBoxes[slot]);
                EXPECT_TRUE(shows_whole_text(box))
                    << language[0] << ": " << testing::PrintToString(window_text(box));
            }
            save_screenshot(sheet_window, std::string("controller-page-not-connected-") + language[0]);
            SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        });
    }
    set_language("en", "GB");

    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        ButtonPage& controller = sheet.controller;
        EXPECT_EQ(slot_text(page, 0), L"Button 24");
        EXPECT_EQ(slot_text(page, 12), L"D-pad \u2191");
        EXPECT_EQ(slot_text(page, 16), L"Axis 2 -");
        EXPECT_FALSE(enabled(page, IDC_DEFAULT_SETTINGS));
        EXPECT_FALSE(with_capture(page, IDC_SLOT_Y, [](HWND dialog) { click(dialog, IDCANCEL); }));
        RECT picture;
        GetWindowRect(GetDlgItem(page, IDC_PICTURE), &picture);
        SetCursorPos(picture.left + kOverlayPlaces[0].x + 12, picture.top + kOverlayPlaces[0].y + 12);
        test_support::pump_messages(400);
        EXPECT_EQ(controller.LitMask(), 0u) << "nothing lights for a pad that is not there";
        EXPECT_EQ(entries_of(1), kept);

        // "--" lets player 2's pad go, and its entry with it.
        select_entry(page, IDC_PLAYER, 1);
        EXPECT_EQ(item_text(page, IDC_DEVICE), L"Not connected");
        select_entry(page, IDC_DEVICE, 0);
        EXPECT_TRUE(holds(2, GUID_NULL));
        EXPECT_EQ(entries_of(2), pad_layout(-1));
        EXPECT_EQ(combo_entries(page, IDC_DEVICE), (std::vector<std::wstring>{L"--", L"Gamepad"}));

        // Player 1 picks the pad there is: it takes the kept layout, and Default settings
        // gives it its own.
        select_entry(page, IDC_PLAYER, 0);
        select_entry(page, IDC_DEVICE, 2);
        EXPECT_TRUE(holds(1, guid(1)));
        EXPECT_EQ(entries_of(1), kept);
        EXPECT_EQ(combo_entries(page, IDC_DEVICE), (std::vector<std::wstring>{L"--", L"Gamepad"}));
        EXPECT_EQ(item_text(page, IDC_DEVICE), L"Gamepad");
        EXPECT_EQ(slot_text(page, 0), L"");  // button 23: the pad has twelve
        EXPECT_EQ(slot_text(page, 12), L"Hat 0 U");
        click(page, IDC_DEFAULT_SETTINGS);
        EXPECT_EQ(entries_of(1), pad_layout(-1));
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
}

// What a screen reader reads of a control: its accessible name, or its value.

// Which of the interfaces a client could use to reach past a control's accessible object
// the object answers: IServiceProvider, IEnumVARIANT, IAccIdentity, one letter each.
std::string reachable_interfaces(HWND control) {
    // IAccIdentity's id, which the headers declare but do not define.
    static const IID kAccIdentity = {
        0x7852b78d, 0x1cfd, 0x41c1, {0xa6, 0x15, 0x9c, 0x0c, 0x85, 0x96, 0x0b, 0x5f}};
    ComPtr<IAccessible> object;
    if (FAILED(AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible),
                                          reinterpret_cast<void**>(object.put()))))
        return "no object";
    std::string found;
    const std::pair<char, IID> interfaces[] = {
        {'S', __uuidof(IServiceProvider)}, {'E', __uuidof(IEnumVARIANT)}, {'I', kAccIdentity}};
    for (const auto& [letter, iid] : interfaces) {
        IUnknown* other = nullptr;
        if (SUCCEEDED(object->QueryInterface(iid, reinterpret_cast<void**>(&other))) && other) {
            found += letter;
            other->Release();
        }
    }
    return found;
}

TEST(AccessibleNames, ALabelNamesAControlAsTheSystemReadsIt) {
    struct Row {
        const wchar_t* name;
        const wchar_t* label;
        bool same;
    } rows[] = {
        {L"Controller", L"Controller", true},
        {L"Device", L"&Device:", true},
        {L"Gerät", L"Gerät :", true},
        {L"Controller 1", L"Controller", false},
        {L"", L"", false},
        {L"Named Pad", L"Device", false},
    };
    for (const Row& row : rows) EXPECT_EQ(is_label_name(row.name, row.label), row.same) << row.name;
}

// The slot buttons in the order the player reads them: left column, then right column.
constexpr int kReadingOrder[kFunctionCount] = {IDC_SLOT_LT,
                                               IDC_SLOT_LB,
                                               IDC_SLOT_DPAD_UP,
                                               IDC_SLOT_DPAD_LEFT,
                                               IDC_SLOT_DPAD_DOWN,
                                               IDC_SLOT_DPAD_RIGHT,
                                               IDC_SLOT_LSTICK_UP,
                                               IDC_SLOT_LSTICK_LEFT,
                                               IDC_SLOT_LSTICK_DOWN,
                                               IDC_SLOT_LSTICK_RIGHT,
                                               IDC_SLOT_LSTICK_PRESS,
                                               IDC_SLOT_BACK,
                                               IDC_SLOT_RT,
                                               IDC_SLOT_RB,
                                               IDC_SLOT_Y,
                                               IDC_SLOT_X,
                                               IDC_SLOT_A,
                                               IDC_SLOT_B,
                                               IDC_SLOT_RSTICK_UP,
                                               IDC_SLOT_RSTICK_LEFT,
                                               IDC_SLOT_RSTICK_DOWN,
                                               IDC_SLOT_RSTICK_RIGHT,
                                               IDC_SLOT_RSTICK_PRESS,
                                               IDC_SLOT_START};

TEST_F(ControllerPage, ScreenReadersFindNamesValuesAndTheReadingOrder) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    attach_player_pad(L"Named Pad");
    ControllerSheet<> sheet(&m_input, 0);
    run_sheet(sheet, [&](HWND sheet_window) {
        for (int index : {0, 1}) {
            SCOPED_TRACE(index ? "Controller page" : "Keyboard page");
            HWND page = show_page(sheet_window, index);
            for (HWND control = GetWindow(page, GW_CHILD); control;
                 control = GetWindow(control, GW_HWNDNEXT)) {
                if (!(GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) || !IsWindowVisible(control) ||
                    !IsWindowEnabled(control))
                    continue;
                EXPECT_NE(accessible_text(control, false), L"") << "control " << GetDlgCtrlID(control);
            }
            EXPECT_EQ(accessible_text(GetDlgItem(page, IDC_SLOT_LT), false), L"Left trigger");
            EXPECT_EQ(accessible_text(GetDlgItem(page, IDC_NAME_LT), false), L"Left trigger");
            EXPECT_EQ(accessible_text(GetDlgItem(page, IDC_PICTURE), false), L"Controller picture");
            EXPECT_EQ(IsWindowVisible(GetDlgItem(page, IDC_CONTROLLER_SETTINGS)) != FALSE, index == 1);

            // Tab takes the slot buttons in reading order, and each one's value is the input
            // its name box shows (the box follows its button).
            std::vector<int> order;
            HWND stop = GetDlgItem(page, kReadingOrder[0]);
            for (int step = 0; step < 100 && order.size() < kFunctionCount; ++step) {
                const int id = GetDlgCtrlID(stop);
                if (std::find(std::begin(kReadingOrder), std::end(kReadingOrder), id) !=
                    std::end(kReadingOrder))
                    order.push_back(id);
                stop = GetNextDlgTabItem(page, stop, FALSE);
            }
            EXPECT_EQ(order, std::vector<int>(std::begin(kReadingOrder), std::end(kReadingOrder)));
            for (int id : kReadingOrder) {
                HWND button = GetDlgItem(page, id);
                EXPECT_EQ(accessible_text(button, true), window_text(GetWindow(button, GW_HWNDNEXT)))
                    << "slot " << id;
            }
        }
        EXPECT_EQ(accessible_text(GetDlgItem(page_of(sheet_window), IDC_NAME_Y), true), L"Button 0");

        // The objects that borrow a text lead nowhere else.
        HWND page = page_of(sheet_window);
        for (int id : {IDC_SLOT_Y, IDC_NAME_Y})
            EXPECT_EQ(reachable_interfaces(GetDlgItem(page, id)), "") << id;
        // Wine's own object names a combo box after its selection, so here the label's text is
        // lent; Windows names it after its label and keeps its object.
        for (int id : {IDC_PLAYER, IDC_DEVICE}) {
            HWND combo = GetDlgItem(page, id);
            EXPECT_EQ(accessible_text(combo, false), window_text(GetWindow(combo, GW_HWNDPREV))) << id;
        }
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    CoUninitialize();
}

// A high-contrast theme for the length of a test: the tool is told it is on, and the system
// colours are those of a black theme; both are put back at the end.
class HighContrastScope {
public:
    HighContrastScope() {
        for (size_t index = 0; index < kColours; ++index) m_saved[index] = GetSysColor(kElements[index]);
        SetSysColors(kColours, kElements, kBlackTheme);
    }
    ~HighContrastScope() { SetSysColors(kColours, kElements, m_saved); }
    HighContrastScope(const HighContrastScope&) = delete;
    HighContrastScope& operator=(const HighContrastScope&) = delete;

private:
    static constexpr size_t kColours = 8;
    static constexpr INT kElements[kColours] = {COLOR_BTNFACE, COLOR_WINDOW,    COLOR_WINDOWTEXT,
                                                COLOR_BTNTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT,
                                                COLOR_INFOBK,  COLOR_INFOTEXT};
    static constexpr COLORREF kBlackTheme[kColours] = {
        RGB(0, 0, 0),      RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 255, 255),
        RGB(26, 235, 255), RGB(0, 0, 0), RGB(0, 0, 0),       RGB(255, 255, 255)};
    test_support::Replaced<HighContrastQuery> m_query{g_high_contrast_on, [] { return true; }};
    COLORREF m_saved[kColours] = {};
};

TEST_F(ControllerPage, HighContrastDrawsLitPartsInTheSelectionColour) {
    auto pad = attach_player_pad(L"Contrast Pad");
    HighContrastScope contrast;
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        HWND picture = GetDlgItem(page, IDC_PICTURE);
        SetCursorPos(0, 0);
        // A point A's overlay draws on (slot 2).
        const nrv::graphic::image& overlay = *function_overlays()[2];
        POINT lit = {-1, -1};
        for (int y = 0; y < overlay.height() && lit.x < 0; ++y)
            for (int x = 0; x < overlay.width() && lit.x < 0; ++x)
                if (overlay.get_pixel(x, y).green < 250)
                    lit = {kOverlayPlaces[2].x + x, kOverlayPlaces[2].y + y};
        ASSERT_GE(lit.x, 0);

        test_support::pump_messages(400);  // the pad's state at rest, read by the first ticks
        pad->joystick().rgbButtons[2] = 0x80;
        EXPECT_TRUE(pump_until([&] { return sheet.controller.LitMask() == 1u << 2; }));
        SetFocus(GetDlgItem(page, IDC_SLOT_A));
        SendMessageW(GetDlgItem(page, IDC_SLOT_A), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS),
                     0);
        UpdateWindow(sheet_window);
        HDC dc = GetDC(picture);
        EXPECT_EQ(GetPixel(dc, lit.x, lit.y), GetSysColor(COLOR_HIGHLIGHT))
            << "the lit part is not in the selection colour";
        ReleaseDC(picture, dc);
        save_screenshot(sheet_window, "controller-page-high-contrast");
        pad->joystick().rgbButtons[2] = 0;
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

// XInput empties the four slots, as the file keeps them then; DirectInput chosen again in
// the same run puts back what they held, an absent pad's kept layout as well.
TEST_F(ControllerPage, XInputTriedAndUndoneKeepsEveryPlayersPad) {
    m_input.attach(DI8DEVCLASS_GAMECTRL, guid(1), make_pad(L"Gamepad"));
    store_own_layout(1, guid(1));
    store_own_layout(3, guid(9));
    const std::vector<uint32_t> own = entries_of(1);
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        click(page, IDC_XINPUT);
        click(page, IDC_XINPUT);  // the radio already checked
        EXPECT_TRUE(xinput());
        for (unsigned player = 1; player <= 4; ++player) {
            EXPECT_TRUE(holds(player, GUID_NULL)) << "player " << player;
            EXPECT_EQ(std::vector<uint32_t>(settings_record().pad_slots[player].assignments,
                                            settings_record().pad_slots[player].assignments + kFunctionCount),
                      pad_layout(-1))
                << "player " << player;
        }

        click(page, IDC_DIRECTINPUT);
        EXPECT_FALSE(xinput());
        EXPECT_TRUE(holds(1, guid(1)) && holds(3, guid(9)) && holds(2, GUID_NULL));
        EXPECT_EQ(entries_of(1), own);
        EXPECT_EQ(entries_of(3), own);
        EXPECT_EQ(item_text(page, IDC_DEVICE), L"Gamepad");
        EXPECT_EQ(slot_text(page, 12), L"Button 11");
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
}

// A pad that Windows marks "IG_" in its path (an XInput pad seen through DirectInput) gets
// the Xbox layout and names though no fragment of its name is known, and so does Default
// settings.
TEST_F(ControllerPage, PadMarkedForXInputGetsTheXboxLayout) {
    auto pad = make_pad(L"Controller (Xbox One For Windows)");
    pad->path = kXInputTwinPath;
    m_input.attach(DI8DEVCLASS_GAMECTRL, guid(1), pad);
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        select_entry(page, IDC_DEVICE, 1);
        EXPECT_EQ(entries_of(1), pad_layout(kXboxControllerRow));
        // Named as printed on the pad; a trigger on a Z axis half this pad lacks, none.
        EXPECT_EQ(slot_text(page, 2), L"A");
        EXPECT_EQ(slot_text(page, 8), L"Start");
        EXPECT_EQ(slot_text(page, 4), L"");
        EXPECT_EQ(slot_text(page, 12), L"Hat 0 U") << "the D-pad keeps its own name";
        store_pad_assignments(1, default_pad_layout());
        click(page, IDC_DEFAULT_SETTINGS);
        EXPECT_EQ(entries_of(1), pad_layout(kXboxControllerRow));
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
}

// What a move could change on the page: every list's choice, button's check and box's
// text, and the settings record.
using test_support::page_state;

// From every control the focus can reach, each of the four moves by pad leaves every value
// as it was: moves go through the dialog's focus order, never as arrow keys.
TEST_F(ControllerPage, PadMovesFromEveryControlChangeNoValue) {
    attach_player_pad(L"Walked Pad");
    m_input.attach(DI8DEVCLASS_GAMECTRL, guid(2), make_pad(L"Other Pad"));
    set_xinput(false);
    ControllerSheet<> sheet(&m_input, 1);
    PadNavigation navigation(*sheet.input());
    run_sheet(sheet, [&](HWND sheet_window) {
        navigation.Start();
        navigation.SetSheet(sheet_window);
        HWND page = page_of(sheet_window);
        const std::vector<std::wstring> before = page_state(page);
        const size_t stops =
            test_support::walk_every_move(sheet_window, navigation, [&](HWND from, padnav::nav_action move) {
                EXPECT_NE(GetFocus(), nullptr);
                EXPECT_EQ(page_state(page), before)
                    << "move " << static_cast<int>(move) << " from control " << GetDlgCtrlID(from);
            });
        EXPECT_GE(stops, 24u) << "the walk missed the slots";
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

PadNavigation* s_navigation = nullptr;
HWND s_popup = nullptr;

// Once a box is up over the sheet, the pad's B; a box that B left open ends with 0, so that
// the test goes on.
void CALLBACK press_b_in_box(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = GetActiveWindow();
    if (!box || box == GetAncestor(box, GA_ROOTOWNER)) return;  // the box is not up yet
    KillTimer(nullptr, id);
    s_navigation->OnAction(padnav::nav_action::cancel);
    if (IsWindowVisible(box)) EndDialog(box, 0);
}

// A press goes to the box over the sheet, not to the help popup the page shows. B answers
// with the button that refuses: Cancel, else No, else the one button.
TEST_F(ControllerPage, PadAnswersTheBoxNotAPopupOverIt) {
    ControllerSheet<> sheet(&m_input, 1);
    PadNavigation navigation(*sheet.input());
    run_sheet(sheet, [&](HWND sheet_window) {
        navigation.Start();
        navigation.SetSheet(sheet_window);
        s_navigation = &navigation;
        s_popup = show_help_popup(GetDlgItem(page_of(sheet_window), IDC_XINPUT), L"A help popup", {10, 10});
        EXPECT_TRUE(s_popup) << "no popup was shown";
        const struct {
            UINT type;
            int answer;
        } boxes[] = {{MB_OKCANCEL, IDCANCEL}, {MB_YESNO, IDNO}, {MB_OK, IDOK}};
        for (const auto& box : boxes) {
            const UINT_PTR timer = SetTimer(nullptr, 0, 50, &press_b_in_box);
            EXPECT_EQ(MessageBoxW(sheet_window, L"Pad?", L"Box", box.type), box.answer)
                << "B did not answer the box of type " << box.type;
            KillTimer(nullptr, timer);
        }
        if (s_popup) DestroyWindow(s_popup);
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

// Pad navigation over a sheet, reading the test's pads when told to.
class Navigated {
public:
    Navigated(nrv::peripheral::run_input& input, HWND sheet) : m_input(input), m_navigation(input) {
        m_navigation.Start();
        m_navigation.SetSheet(sheet);
        SetForegroundWindow(sheet);  // pads are read only while the tool is in front
    }
    // One reading of the pads, and the actions it leads to done.
    void read() {
        SendMessageW(m_input.window(), nrv::peripheral::kPadStateChangedMessage, 0, 0);
        test_support::pump_messages(30);
    }
    PadNavigation& navigation() { return m_navigation; }

private:
    nrv::peripheral::run_input& m_input;
    PadNavigation m_navigation;
};

// A D-pad rolled from one direction to the next, a D-pad and a stick pushed diagonally
// each move the focus once, and no move changes a value.
TEST_F(ControllerPage, RolledAndDiagonalPressesMoveTheFocusOnce) {
    auto pad = attach_player_pad(L"Rolled Pad");
    set_xinput(false);
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        Navigated pads(*sheet.input(), sheet_window);
        HWND page = page_of(sheet_window);
        const std::vector<std::wstring> before = page_state(page);
        DIJOYSTATE2& state = pad->joystick();
        auto centred = [&] {
            fake::centre(*pad);
            pads.read();
        };
        pads.read();  // at rest: the pad is seen
        const struct {
            const char* what;
            std::vector<std::function<void()>> changes;
        } presses[] = {
            {"a rolled D-pad",
             {[&] { state.rgdwPOV[0] = 18000; }, [&] { state.rgdwPOV[0] = 13500; },
              [&] { state.rgdwPOV[0] = 9000; }}},
            {"a diagonal D-pad", {[&] { state.rgdwPOV[0] = 13500; }}},
            {"a diagonal stick", {[&] { state.lX = 65535, state.lY = 0; }}},
            {"a stick pushed right and a little up", {[&] { state.lX = 65535, state.lY = 15000; }}},
        };
        HWND start = GetDlgItem(page, IDC_SLOT_DPAD_LEFT);
        auto focus_start = [&] {
            SendMessageW(sheet_window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(start), TRUE);
        };
        focus_start();
        pads.navigation().OnAction(padnav::nav_action::move_right);
        HWND to_the_right = GetFocus();
        for (const auto& press : presses) {
            focus_start();
            int moves = 0;
            for (const auto& change : press.changes) {
                HWND focus = GetFocus();
                change();
                pads.read();
                moves += GetFocus() != focus;
            }
            const HWND landed = GetFocus();
            centred();
            EXPECT_EQ(moves, 1) << press.what;
            EXPECT_EQ(page_state(page), before) << press.what;
            if (press.changes.size() == 1 && std::string(press.what).find("right") != std::string::npos) {
                EXPECT_EQ(landed, to_the_right) << press.what << ": the dominant direction moves";
            }
        }
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

// A list the pad opened and the keyboard closed with another choice: opened again by the
// mouse, B closes it with the choice it had when it opened last, the one the page has; and
// B on the list closed asks before the sheet closes.
TEST_F(ControllerPage, BAfterAListClosedByTheKeyboardKeepsThePagesChoice) {
    attach_player_pad(L"First Pad");
    m_input.attach(DI8DEVCLASS_GAMECTRL, guid(2), make_pad(L"Second Pad"));
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        Navigated pads(*sheet.input(), sheet_window);
        HWND page = page_of(sheet_window);
        HWND list = GetDlgItem(page, IDC_DEVICE);
        SendMessageW(sheet_window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
        pads.navigation().OnAction(padnav::nav_action::activate);
        pads.navigation().OnAction(padnav::nav_action::move_down);
        // The keyboard's Return: the choice kept and told, the list closed.
        SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
        SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_DEVICE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        ASSERT_EQ(item_text(page, IDC_DEVICE), L"Second Pad");
        pads.read();
        SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);  // the mouse
        pads.navigation().OnAction(padnav::nav_action::cancel);
        EXPECT_FALSE(SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0));
        EXPECT_EQ(item_text(page, IDC_DEVICE), L"Second Pad");
        EXPECT_TRUE(holds(1, guid(2)));

        const test_support::NextBoxAnswer back_to_the_sheet(IDCANCEL);
        pads.navigation().OnAction(padnav::nav_action::cancel);
        EXPECT_TRUE(back_to_the_sheet.answered()) << "B on the closed list did not ask";
        EXPECT_EQ(item_text(page, IDC_DEVICE), L"Second Pad");
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

// AltGr+Z, which Windows reports as Ctrl+Alt+Z, types a character on many keyboards: it
// undoes nothing, where Ctrl+Z does.
TEST_F(ControllerPage, AltGrZUndoesNothingWhereCtrlZDoes) {
    attach_player_pad(L"Undone Pad");
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        Navigated pads(*sheet.input(), sheet_window);
        HWND page = page_of(sheet_window);
        SendMessageW(sheet_window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(page, IDC_SLOT_A)),
                     TRUE);
        const std::wstring held = slot_text(page, 2);
        SendMessageW(GetDlgItem(page, IDC_SLOT_A), WM_KEYDOWN, VK_DELETE, 0);
        ASSERT_EQ(slot_text(page, 2), L"");
        auto press_z_with = [](std::initializer_list<WORD> keys) {
            for (WORD key : keys) test_support::send_key(key, true);
            test_support::send_key('Z', true);
            test_support::send_key('Z', false);
            for (WORD key : keys) test_support::send_key(key, false);
            test_support::pump_messages(100);
        };
        press_z_with({VK_CONTROL, VK_MENU});
        EXPECT_EQ(slot_text(page, 2), L"") << "AltGr+Z undid the clear";
        press_z_with({VK_CONTROL});
        EXPECT_EQ(slot_text(page, 2), held) << "Ctrl+Z did not undo the clear";
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

// The default layout's A and B on the test's pads.
constexpr int kPadA = 2;
constexpr int kPadB = 1;

// An XInput pad in the first slot while the object lives, holding `buttons`
// (XINPUT_GAMEPAD_ bits). Made before pad navigation starts, which takes its XInputGetState.
class XInputPad {
public:
    XInputPad() {
        s_buttons = 0;
        forget_asks();
    }
    void hold(WORD buttons) { s_buttons = buttons; }
    // How often each slot was asked since the last forget_asks.
    int asks(DWORD user) const { return s_asks[user]; }
    void forget_asks() { std::fill(std::begin(s_asks), std::end(s_asks), 0); }

private:
    static DWORD WINAPI get_state(DWORD user, XINPUT_STATE* state) {
        if (user < XUSER_MAX_COUNT) ++s_asks[user];
        if (user != 0) return ERROR_DEVICE_NOT_CONNECTED;
        *state = {};
        state->dwPacketNumber = ++s_packet;
        state->Gamepad.wButtons = s_buttons;
        return ERROR_SUCCESS;
    }
    static inline WORD s_buttons = 0;
    static inline DWORD s_packet = 0;
    static inline int s_asks[XUSER_MAX_COUNT] = {};
    test_support::Replaced<XInputGetStateCall> m_call{g_xinput_get_state, &XInputPad::get_state};
};

void focus(HWND sheet, HWND control) {
    SendMessageW(sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}
bool dropped(HWND list) {
    return SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

// The window in front, as the tests play it: null is none of the tool's.
HWND s_in_front = nullptr;
HWND WINAPI window_in_front() {
    return s_in_front;
}

// While no window of the tool is in front, a press does nothing; the same press with the
// tool in front acts (A opens the focused list).
TEST_F(ControllerPage, PadIsIgnoredWhileAnotherProgramIsInFront) {
    auto pad = attach_player_pad(L"Background Pad");
    const test_support::Replaced<GetForegroundWindowCall> front(g_get_foreground_window, &window_in_front);
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        s_in_front = sheet_window;
        HWND list = GetDlgItem(page_of(sheet_window), IDC_DEVICE);
        focus(sheet_window, list);
        Navigated pads(*sheet.input(), sheet_window);
        pads.read();  // the pad is seen at rest
        for (HWND in_front : {static_cast<HWND>(nullptr), sheet_window}) {
            s_in_front = in_front;
            pads.read();  // what was held before is let go
            pads.read();
            pad->joystick().rgbButtons[kPadA] = 0x80;
            pads.read();
            pad->joystick().rgbButtons[kPadA] = 0;
            EXPECT_EQ(dropped(list), in_front != nullptr)
                << (in_front ? "the tool in front" : "another program");
        }
        SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

// A button an XInput pad holds when it is first seen acts only once it was let go and
// pressed again.
TEST_F(ControllerPage, AButtonHeldWhenAnXInputPadIsFirstSeenWaitsForItsRelease) {
    attach_xinput_twin();
    XInputPad xinput;
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND list = GetDlgItem(page_of(sheet_window), IDC_DEVICE);
        focus(sheet_window, list);
        xinput.hold(XINPUT_GAMEPAD_A);
        Navigated pads(*sheet.input(), sheet_window);
        pads.read();
        EXPECT_FALSE(dropped(list)) << "A held when the pad was first seen acted";
        xinput.hold(0);
        pads.read();
        xinput.hold(XINPUT_GAMEPAD_A);
        pads.read();
        xinput.hold(0);
        EXPECT_TRUE(dropped(list)) << "A pressed again did not act";
        SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

// Asking an empty XInput slot costs time on Windows: readings in a row ask the pad's slot
// each time and the empty ones once in a while, not at every reading.
TEST_F(ControllerPage, ReadingsInARowLeaveTheEmptyXInputSlotsAlone) {
    attach_xinput_twin();
    XInputPad xinput;
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        Navigated pads(*sheet.input(), sheet_window);
        pads.read();
        xinput.forget_asks();
        for (int reading = 0; reading < 3; ++reading) pads.read();
        EXPECT_GE(xinput.asks(0), 3);
        for (DWORD user = 1; user < XUSER_MAX_COUNT; ++user)
            EXPECT_EQ(xinput.asks(user), 0) << "slot " << user;
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

// The pads are read on a timer only while one is attached: without one, pad navigation
// costs nothing at idle.
TEST_F(ControllerPage, PadsAreReadOnATimerOnlyWhileOneIsAttached) {
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        PadNavigation navigation(*sheet.input());
        navigation.Start();
        EXPECT_FALSE(navigation.Reading()) << "read with no pad attached";
        m_input.attach(DI8DEVCLASS_GAMECTRL, guid(1), make_pad(L"Arriving Pad"));
        send_hid_change(sheet.input()->window(), DBT_DEVICEARRIVAL);
        EXPECT_TRUE(pump_until([&] { return navigation.Reading(); })) << "the pad that came is not read";
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

// A capture that watches the DirectInput twin of an XInput pad takes that pad's presses, read
// through XInput, B included: B cancels it only from another pad.
TEST_F(ControllerPage, CaptureOfAnXInputPadsTwinKeepsItsBAndAnotherPadsBCancels) {
    attach_xinput_twin();
    auto other = make_pad(L"Other Pad");
    m_input.attach(DI8DEVCLASS_GAMECTRL, guid(2), other);
    XInputPad xinput;
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        Navigated pads(*sheet.input(), sheet_window);
        pads.read();
        EXPECT_TRUE(with_capture(page_of(sheet_window), IDC_SLOT_Y, [&](HWND dialog) {
            pads.read();  // the dialog is the target now
            xinput.hold(XINPUT_GAMEPAD_B);
            pads.read();
            xinput.hold(0);
            EXPECT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog)) << "the watched pad's B cancelled";
            pads.read();
            other->joystick().rgbButtons[kPadB] = 0x80;
            pads.read();
            other->joystick().rgbButtons[kPadB] = 0;
            EXPECT_TRUE(wait_until_closed(dialog)) << "another pad's B did not cancel";
            if (IsWindow(dialog)) click(dialog, IDCANCEL);
        }));
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

// Undo takes back Default settings; a step of a player whose device changed since is
// dropped, and the new device keeps its layout.
TEST_F(ControllerPage, UndoTakesBackDefaultSettingsButNeverOntoAnotherDevice) {
    m_input.attach(DI8DEVCLASS_GAMECTRL, guid(1), make_pad(L"Gamepad"));
    m_input.attach(DI8DEVCLASS_GAMECTRL, guid(2), make_pad(L"Other Gamepad"));
    store_own_layout(1, guid(1));
    const std::vector<uint32_t> own = entries_of(1);
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        click(page, IDC_DEFAULT_SETTINGS);
        ASSERT_NE(entries_of(1), own);
        SendMessageW(page, kUndoMessage, 0, 0);
        EXPECT_EQ(entries_of(1), own) << "Default settings were not undone";

        SendMessageW(GetDlgItem(page, IDC_SLOT_A), WM_KEYDOWN, VK_DELETE, 0);
        select_entry(page, IDC_DEVICE, 2);
        ASSERT_TRUE(holds(1, guid(2)));
        const std::vector<uint32_t> other = entries_of(1);
        SendMessageW(page, kUndoMessage, 0, 0);
        EXPECT_EQ(entries_of(1), other) << "the first pad's layout was put on the other";
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

// Only the arrival or removal of a HID interface is acted on.
// A keyboard request has -1 in both coordinates; one of them alone is a mouse position on a
// screen left of or above the primary one.
TEST(SlotContextMenu, OpensUnderTheButtonOnlyForTheKeyboard) {
    const RECT button = {100, 200, 130, 220};
    struct Row {
        LPARAM position;
        POINT at;
    } rows[] = {
        {-1, {100, 220}},
        {static_cast<LPARAM>(0xFFFFFFFFu), {100, 220}},  // as a 64-bit program may get it
        {MAKELPARAM(-1, 300), {-1, 300}},
        {MAKELPARAM(50, -1), {50, -1}},
        {MAKELPARAM(-5, -7), {-5, -7}},
        {MAKELPARAM(640, 480), {640, 480}},
    };
    for (const Row& row : rows) {
        const POINT at = context_menu_point(row.position, button);
        EXPECT_EQ(at.x, row.at.x) << std::hex << row.position;
        EXPECT_EQ(at.y, row.at.y) << std::hex << row.position;
    }
}

TEST(DeviceChange, OnlyHidInterfaceArrivalsAndRemovalsCount) {
    DEV_BROADCAST_DEVICEINTERFACE_W hid = {};
    hid.dbcc_size = sizeof hid;
    hid.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    hid.dbcc_classguid = nrv::peripheral::hid_interface_class;
    DEV_BROADCAST_DEVICEINTERFACE_W usb = hid;
    usb.dbcc_classguid = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
    DEV_BROADCAST_DEVICEINTERFACE_W header_only = hid;
    header_only.dbcc_size = sizeof(DEV_BROADCAST_HDR);
    DEV_BROADCAST_DEVICEINTERFACE_W volume = hid;
    volume.dbcc_devicetype = DBT_DEVTYP_VOLUME;
    const struct {
        WPARAM event;
        const void* data;
        bool counts;
    } cases[] = {
        {DBT_DEVICEARRIVAL, &hid, true},        {DBT_DEVICEREMOVECOMPLETE, &hid, true},
        {DBT_DEVICEARRIVAL, &usb, false},       {DBT_DEVICEREMOVECOMPLETE, &usb, false},
        {DBT_DEVNODES_CHANGED, nullptr, false}, {DBT_DEVNODES_CHANGED, &hid, false},
        {DBT_DEVICEQUERYREMOVE, &hid, false},   {DBT_DEVICEARRIVAL, &header_only, false},
        {DBT_DEVICEARRIVAL, &volume, false},    {DBT_DEVICEARRIVAL, nullptr, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(nrv::peripheral::is_hid_interface_change(c.event, reinterpret_cast<LPARAM>(c.data)),
                  c.counts)
            << "case " << &c - cases;
    }
}

}  // namespace
