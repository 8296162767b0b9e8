// The Online page in a modeless sheet, driven as a user would: what it shows for a record,
// how its controls enable one another, and what OK and Cancel leave in the record.
#include "pages/pages.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "support/pad_walk.h"
#include "support/replace.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct OnlineChoices {
    bool auto_port;
    int32_t port;
    bool upnp;
    bool voice_chat;
};

void set_record(const OnlineChoices& choices) {
    build_default_settings(1, 1280, 1024);
    set_auto_port(choices.auto_port);
    set_udp_port(choices.port);
    set_upnp(choices.upnp);
    set_voice_chat(choices.voice_chat);
}

// Keeps the sheet unmapped: under a display without a window manager, hiding a mapped
// window waits two seconds for the X server's answer.
int CALLBACK hidden_sheet(HWND, UINT message, LPARAM lParam) {
    if (message == PSCB_PRECREATE && lParam) {
        auto* words = reinterpret_cast<WORD*>(lParam);
        auto* style = reinterpret_cast<DWORD*>(words[1] == 0xFFFF ? words + 6 : words);
        *style &= ~static_cast<DWORD>(WS_VISIBLE);
    }
    return 0;
}

// A modeless sheet holding one Online page, destroyed with the object.
class OnlineSheet {
public:
    OnlineSheet() {
        PROPSHEETHEADERW header = {};
        header.dwSize = sizeof header;
        header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS | PSH_NOAPPLYNOW | PSH_USECALLBACK;
        header.pfnCallback = &hidden_sheet;
        header.hInstance = GetModuleHandleW(nullptr);
        header.pszCaption = L"Online";
        header.nPages = 1;
        header.ppsp = &m_page.m_psp;
        m_sheet = reinterpret_cast<HWND>(PropertySheetW(&header));
        if (m_sheet)
            m_pageWindow = reinterpret_cast<HWND>(SendMessageW(m_sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    }
    ~OnlineSheet() {
        if (IsWindow(m_sheet)) DestroyWindow(m_sheet);
    }

    HWND sheet() const { return m_sheet; }
    HWND page() const { return m_pageWindow; }
    HWND control(int id) const { return GetDlgItem(m_pageWindow, id); }
    bool checked(int id) const { return IsDlgButtonChecked(m_pageWindow, id) == BST_CHECKED; }
    bool enabled(int id) const { return IsWindowEnabled(control(id)) != FALSE; }
    // Shown by its own style; the sheet itself stays unmapped.
    bool shown(int id) const { return (GetWindowLongW(control(id), GWL_STYLE) & WS_VISIBLE) != 0; }
    void click(int id) const { SendMessageW(control(id), BM_CLICK, 0, 0); }
    void set_port_text(const wchar_t* text) const {
        SendMessageW(control(IDC_UDP_PORT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    }
    std::wstring port_text() const {
        wchar_t text[32] = {};
        GetWindowTextW(control(IDC_UDP_PORT), text, 32);
        return text;
    }
    void press(int button) const {
        SendMessageW(m_sheet, PSM_PRESSBUTTON, button, 0);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }

private:
    COnlinePage m_page;
    HWND m_sheet = nullptr;
    HWND m_pageWindow = nullptr;
};

OnlineChoices stored_choices() {
    return {auto_port(), udp_port(), upnp(), voice_chat()};
}

TEST(OnlinePage, ShowsTheRecordAndNeverTheVoiceTestButton) {
    const OnlineChoices rows[] = {{true, 5739, false, true}, {false, 1234, true, false}};
    for (const OnlineChoices& row : rows) {
        set_record(row);
        OnlineSheet sheet;
        ASSERT_NE(sheet.page(), nullptr);
        EXPECT_EQ(sheet.checked(IDC_AUTO_PORT), row.auto_port);
        EXPECT_EQ(sheet.enabled(IDC_UDP_PORT), !row.auto_port);
        EXPECT_EQ(sheet.port_text(), std::to_wstring(row.port));
        EXPECT_EQ(sheet.checked(IDC_UPNP), row.upnp);
        EXPECT_EQ(sheet.checked(IDC_VOICE_CHAT), row.voice_chat);
        EXPECT_EQ(sheet.enabled(IDC_SOUND_PROPERTIES), row.voice_chat);
        EXPECT_EQ(sheet.enabled(IDC_VOICE_TEST), row.voice_chat);
        ASSERT_NE(sheet.control(IDC_VOICE_TEST), nullptr);
        EXPECT_FALSE(sheet.shown(IDC_VOICE_TEST));
        EXPECT_TRUE(sheet.shown(IDC_SOUND_PROPERTIES));
    }
}

TEST(OnlinePage, ClicksApplyTheirRuleAtOnceAndOkStoresEveryControl) {
    set_record({true, 5739, false, true});
    OnlineSheet sheet;
    ASSERT_NE(sheet.page(), nullptr);

    sheet.click(IDC_AUTO_PORT);
    EXPECT_TRUE(sheet.enabled(IDC_UDP_PORT));
    sheet.click(IDC_AUTO_PORT);
    EXPECT_FALSE(sheet.enabled(IDC_UDP_PORT));
    sheet.click(IDC_AUTO_PORT);
    EXPECT_TRUE(sheet.enabled(IDC_UDP_PORT));

    sheet.click(IDC_VOICE_CHAT);
    EXPECT_FALSE(sheet.enabled(IDC_SOUND_PROPERTIES));
    EXPECT_FALSE(sheet.enabled(IDC_VOICE_TEST));
    EXPECT_FALSE(sheet.shown(IDC_VOICE_TEST));
    sheet.click(IDC_VOICE_CHAT);
    EXPECT_TRUE(sheet.enabled(IDC_SOUND_PROPERTIES));
    EXPECT_FALSE(sheet.shown(IDC_VOICE_TEST));
    sheet.click(IDC_VOICE_CHAT);

    sheet.click(IDC_UPNP);
    sheet.set_port_text(L"6000");
    // Nothing reaches the record before OK.
    EXPECT_TRUE(auto_port());
    EXPECT_EQ(udp_port(), 5739);
    EXPECT_FALSE(upnp());
    EXPECT_TRUE(voice_chat());

    sheet.press(PSBTN_OK);
    const OnlineChoices stored = stored_choices();
    EXPECT_FALSE(stored.auto_port);
    EXPECT_EQ(stored.port, 6000);
    EXPECT_TRUE(stored.upnp);
    EXPECT_FALSE(stored.voice_chat);
}

TEST(OnlinePage, OkStoresOnlyPortsFrom1025To65534) {
    struct Row {
        const wchar_t* text;
        int32_t stored;
    };
    const Row rows[] = {
        {L"1024", 5739},       {L"1025", 1025},  {L"65534", 65534},     {L"65535", 5739}, {L"", 5739},
        {L"0", 5739},          {L"99999", 5739}, {L"4294967297", 5739},  // wraps to 1 if unchecked
        {L"4294968321", 5739},                                           // wraps to 1025
        {L"01030", 1030},
    };
    for (const Row& row : rows) {
        set_record({false, 5739, true, true});
        OnlineSheet sheet;
        ASSERT_NE(sheet.page(), nullptr);
        sheet.set_port_text(row.text);
        sheet.press(PSBTN_OK);
        EXPECT_EQ(udp_port(), row.stored)
            << "port text \"" << std::string(row.text, row.text + wcslen(row.text)) << "\"";
    }
}

TEST(OnlinePage, AGreyedPortEditIsStillStoredOnOk) {
    set_record({true, 5739, false, false});
    OnlineSheet sheet;
    ASSERT_NE(sheet.page(), nullptr);
    ASSERT_FALSE(sheet.enabled(IDC_UDP_PORT));
    sheet.set_port_text(L"2000");
    sheet.press(PSBTN_OK);
    EXPECT_EQ(udp_port(), 2000);
    EXPECT_TRUE(auto_port());
}

TEST(OnlinePage, CancelLeavesTheRecordAsItWas) {
    set_record({true, 5739, false, true});
    SettingsRecord before;
    std::memcpy(&before, &settings_record(), sizeof before);
    OnlineSheet sheet;
    ASSERT_NE(sheet.page(), nullptr);
    sheet.click(IDC_AUTO_PORT);
    sheet.click(IDC_UPNP);
    sheet.click(IDC_VOICE_CHAT);
    sheet.set_port_text(L"4000");
    sheet.press(PSBTN_CANCEL);
    EXPECT_EQ(std::memcmp(&before, &settings_record(), sizeof before), 0);
}

struct ShellCall {
    int count;
    HWND owner;
    std::wstring verb, file, parameters;
    bool no_directory;
    INT show;
};
ShellCall g_shellCall;

HINSTANCE WINAPI record_shell_call(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                                   LPCWSTR directory, INT show) {
    g_shellCall = {
        g_shellCall.count + 1, owner, verb ? verb : L"", file ? file : L"", parameters ? parameters : L"",
        directory == nullptr,  show};
    return reinterpret_cast<HINSTANCE>(33);
}

TEST(OnlinePage, TheSoundButtonOpensTheSoundControlPanel) {
    set_record({false, 5739, false, true});
    OnlineSheet sheet;
    ASSERT_NE(sheet.page(), nullptr);
    g_shellCall = {};
    {
        test_support::Replaced<ShellExecuteCall> shell(g_shell_execute, &record_shell_call);
        sheet.click(IDC_SOUND_PROPERTIES);
    }
    EXPECT_EQ(g_shellCall.count, 1);
    EXPECT_EQ(g_shellCall.owner, sheet.page());
    EXPECT_EQ(g_shellCall.verb, L"open");
    EXPECT_EQ(g_shellCall.file, L"control");
    EXPECT_EQ(g_shellCall.parameters, L"mmsys.cpl");
    EXPECT_TRUE(g_shellCall.no_directory);
    EXPECT_EQ(g_shellCall.show, SW_SHOWNORMAL);
}

// Counts the help requests that reach the sheet window.
int g_sheetHelpRequests = 0;
WNDPROC g_sheetProc = nullptr;
LRESULT CALLBACK counting_sheet_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HELP) ++g_sheetHelpRequests;
    return CallWindowProcW(g_sheetProc, window, message, wParam, lParam);
}

TEST(OnlinePage, F1IsAnsweredByThePageAndGoesNoFurther) {
    set_record({false, 5739, false, true});
    OnlineSheet sheet;
    ASSERT_NE(sheet.page(), nullptr);
    g_sheetHelpRequests = 0;
    g_sheetProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(sheet.sheet(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&counting_sheet_proc)));

    // Help asked on a control climbs to its parent unless someone answers it.
    HELPINFO info = {};
    info.cbSize = sizeof info;
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = IDC_UDP_PORT;
    info.hItemHandle = sheet.control(IDC_UDP_PORT);
    SendMessageW(sheet.control(IDC_UDP_PORT), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    SendMessageW(sheet.page(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(g_sheetHelpRequests, 0);

    SetWindowLongPtrW(sheet.sheet(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_sheetProc));
}

// The Online page in a modal sheet, shown as the program shows it, for the pad.
class ShownOnlineSheet : public CPropertySheet {
public:
    ShownOnlineSheet() : CPropertySheet(L"Online") { AddPage(&page); }
    COnlinePage page;
};

// The port box of the sheet, focused.
HWND focused_port(HWND sheet) {
    HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    HWND port = GetDlgItem(page, IDC_UDP_PORT);
    SendMessageW(sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(port), TRUE);
    return port;
}

std::wstring text_of(HWND window) {
    wchar_t text[32] = {};
    GetWindowTextW(window, text, 32);
    return text;
}

// A edits the port, up steps it, and B puts back the number it had.
TEST(OnlinePage, PadsBPutsBackThePortItWasEditing) {
    set_record({false, 6000, false, false});
    ShownOnlineSheet sheet;
    test_support::run_sheet_with_pad(sheet, [](HWND sheet_window, PadNavigation& navigation) {
        HWND port = focused_port(sheet_window);
        navigation.OnAction(padnav::nav_action::activate);
        navigation.OnAction(padnav::nav_action::move_up);
        ASSERT_EQ(text_of(port), L"6001");
        navigation.OnAction(padnav::nav_action::cancel);
        EXPECT_EQ(text_of(port), L"6000");
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

// Ctrl+Z in a text box is the box's own undo, not the page's.
TEST(OnlinePage, CtrlZInThePortIsTheBoxsOwnUndo) {
    set_record({false, 6000, false, false});
    ShownOnlineSheet sheet;
    test_support::run_sheet_with_pad(sheet, [](HWND sheet_window, PadNavigation&) {
        SetForegroundWindow(sheet_window);
        HWND port = focused_port(sheet_window);
        SendMessageW(port, EM_SETSEL, 0, -1);
        SendMessageW(port, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"7000"));
        test_support::send_key(VK_CONTROL, true);
        test_support::send_key('Z', true);
        test_support::send_key('Z', false);
        test_support::send_key(VK_CONTROL, false);
        EXPECT_TRUE(test_support::wait_until([&] { return text_of(port) == L"6000"; }, 1000))
            << "the box did not undo: " << testing::PrintToString(text_of(port));
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

}  // namespace
