// The tool as a player meets it: every page worked through its real windows, then OK or
// Cancel, and the saved file checked field by field; the sheet in all six languages, with
// a screenshot of every page for a person to look at.
#include "e2e/driver.h"
#include "nrv/storage/storage.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "support/sheet_script.h"
#include "text/text.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
#include <istream>

namespace {

using e2e::ToolProcess;

constexpr int kDisplayPage = 0;
constexpr int kOnlinePage = 3;

// The texts the tool shows, read from the same string database it carries.
void load_own_texts() {
    static bool loaded = false;
    if (loaded) return;
    HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_STRING_DATABASE), MAKEINTRESOURCEW(10));
    ASSERT_TRUE(resource);
    const void* bytes = LockResource(LoadResource(nullptr, resource));
    nrv::storage::memory_streambuf buffer(bytes, static_cast<int32_t>(SizeofResource(nullptr, resource)));
    std::istream stream(&buffer);
    ASSERT_TRUE(load_string_database(stream));
    loaded = true;
}

HWND page(HWND sheet, int index) {
    e2e::select_page(sheet, index);
    Sleep(200);
    return e2e::current_page(sheet);
}

using test_support::click;

bool checked(HWND dialog, int id) {
    return test_support::is_checked(dialog, id);
}

void choose_resolution(HWND display, const wchar_t* label) {
    ASSERT_TRUE(test_support::select_combo_prefix(display, IDC_RESOLUTION, label)) << "not offered";
}

// The changes a player makes on the Display and Online pages.
void change_display_and_online(HWND sheet) {
    HWND display = page(sheet, kDisplayPage);
    click(display, IDC_WINDOW_MODE);
    choose_resolution(display, L"( 800, 600)");
    click(display, IDC_ASPECT_16_9);
    click(display, IDC_NO_MOVIE);
    click(display, IDC_QUALITY_MEDIUM);
    EXPECT_TRUE(checked(display, IDC_WINDOW_MODE));
    EXPECT_TRUE(checked(display, IDC_QUALITY_MEDIUM));

    HWND online = page(sheet, kOnlinePage);
    if (checked(online, IDC_AUTO_PORT)) click(online, IDC_AUTO_PORT);
    SetWindowTextW(GetDlgItem(online, IDC_UDP_PORT), L"6100");
    click(online, IDC_UPNP);
    click(online, IDC_VOICE_CHAT);
}

constexpr int kKeyboardPage = 1;
constexpr uint32_t kKeyOffsetK = 0x25;  // DIK_K

// Holds a key long enough for the capture dialog's 160 ms polling to see it.
void hold_key(WORD virtual_key) {
    test_support::send_key(virtual_key, true);
    Sleep(500);
    test_support::send_key(virtual_key, false);
}

// On the Keyboard page, gives the Y function (slot 0) the K key through the capture dialog.
void assign_k_to_y(ToolProcess& tool, HWND sheet) {
    HWND keyboard = page(sheet, kKeyboardPage);
    PostMessageW(GetDlgItem(keyboard, IDC_SLOT_Y), BM_CLICK, 0, 0);
    HWND capture = nullptr;
    for (int tries = 0; tries < 100 && !capture; ++tries, Sleep(50))
        for (HWND dialog : e2e::process_windows(tool.pid(), L"#32770"))
            if (GetDlgItem(dialog, IDC_CAPTURE_PROMPT)) capture = dialog;
    ASSERT_TRUE(capture) << "no capture dialog";
    e2e::save_screenshot(capture, "capture-dialog-real");
    SetForegroundWindow(capture);
    Sleep(500);  // past the dialog's first look at the keys
    hold_key('K');
    for (int tries = 0; tries < 60 && IsWindow(capture); ++tries) Sleep(50);
    EXPECT_FALSE(IsWindow(capture)) << "the key did not end the capture";
    EXPECT_EQ(e2e::window_text(GetDlgItem(keyboard, IDC_NAME_Y)), L"K");
}

SettingsRecord read_saved_record() {
    const std::vector<uint8_t> bytes = e2e::read_file(e2e::settings_file());
    SettingsRecord record;
    std::memset(&record, 0, sizeof record);
    EXPECT_EQ(bytes.size(), 852u);
    EXPECT_TRUE(settings_bytes_valid(bytes.data(), bytes.size()));
    if (bytes.size() == sizeof record) std::memcpy(&record, bytes.data(), sizeof record);
    return record;
}

class Acceptance : public ::testing::Test {
protected:
    void SetUp() override { e2e::remove_settings(); }
    void TearDown() override { e2e::remove_settings(); }
};

// Starts the tool, makes the player's changes on the Display, Online and Keyboard pages,
// and ends the sheet with `button`.
void run_with_every_change(int button) {
    ToolProcess tool;
    ASSERT_TRUE(tool.start());
    HWND sheet = tool.wait_for_sheet();
    ASSERT_TRUE(sheet);
    change_display_and_online(sheet);
    assign_k_to_y(tool, sheet);
    e2e::press_sheet_button(sheet, button);
    ASSERT_TRUE(tool.wait_for_exit());
}

TEST_F(Acceptance, EveryChangeReachesTheFileOnOk) {
    ASSERT_NO_FATAL_FAILURE(run_with_every_change(PSBTN_OK));

    const SettingsRecord saved = read_saved_record();
    EXPECT_EQ(std::memcmp(saved.magic, "CLCF", 4), 0);
    EXPECT_EQ(saved.version, 2u);
    EXPECT_EQ(saved.size, 852u);
    EXPECT_EQ(saved.screen_width, 800);
    EXPECT_EQ(saved.screen_height, 600);
    EXPECT_EQ(saved.wide_aspect, 1) << "the player chose 16:9 after the resolution";
    EXPECT_EQ(saved.full_screen, 0);
    EXPECT_EQ(saved.quality, 1);
    EXPECT_EQ(saved.display_flags, 0x0002 | 0x0004) << "frame skipping kept, movies switched off";
    EXPECT_EQ(saved.option_flags, 0x00000001u) << "voice chat on, automatic port and UPnP off";
    EXPECT_EQ(saved.udp_port, 6100);
    for (uint8_t byte : saved.reserved) ASSERT_EQ(byte, 0);

    // The keyboard slot holds K for Y and nowhere else; the game-controller slots stay as
    // the defaults built for this machine.
    EXPECT_EQ(saved.pad_slots[0].assignments[0] & 0xFFFF, kKeyOffsetK << 8u);
    for (int slot = 1; slot < kAssignmentCount; ++slot)
        EXPECT_NE(saved.pad_slots[0].assignments[slot] & 0xFFFF, kKeyOffsetK << 8u) << "slot " << slot;
    build_default_settings(0, 1280, 1024);
    const PadSlot* defaults = settings_record().pad_slots;
    EXPECT_EQ(std::memcmp(&saved.pad_slots[0].device_guid, &defaults[0].device_guid, 16), 0);
    EXPECT_EQ(std::memcmp(&saved.pad_slots[1], &defaults[1], 4 * sizeof(PadSlot)), 0);
}

TEST_F(Acceptance, CancelKeepsTheFileAsItWas) {
    // A first run with OK writes this machine's defaults.
    ASSERT_TRUE(e2e::run_tool_and_press(PSBTN_OK));
    const std::vector<uint8_t> before = e2e::read_file(e2e::settings_file());
    ASSERT_EQ(before.size(), 852u);

    ASSERT_NO_FATAL_FAILURE(run_with_every_change(PSBTN_CANCEL));
    EXPECT_EQ(e2e::read_file(e2e::settings_file()), before);
}

TEST_F(Acceptance, RestingTheMouseOnAQualityShowsItsHelp) {
    load_own_texts();
    set_language("en", "GB");
    ToolProcess tool;
    ASSERT_TRUE(tool.start());
    HWND sheet = tool.wait_for_sheet();
    ASSERT_TRUE(sheet);
    HWND display = page(sheet, kDisplayPage);
    RECT medium;
    GetWindowRect(GetDlgItem(display, IDC_QUALITY_MEDIUM), &medium);
    SetCursorPos((medium.left + medium.right) / 2, (medium.top + medium.bottom) / 2);
    Sleep(1000);
    const std::vector<HWND> popups = e2e::process_windows(tool.pid(), L"CalcoraHelpPopup");
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(e2e::window_text(popups[0]), text_w(114));
    e2e::save_screenshot(sheet, "hover-help");

    SetCursorPos(5, 5);
    Sleep(600);
    EXPECT_TRUE(e2e::process_windows(tool.pid(), L"CalcoraHelpPopup").empty());
    e2e::press_sheet_button(sheet, PSBTN_CANCEL);
    ASSERT_TRUE(tool.wait_for_exit());
}

struct Locale {
    const char* name;  // as LANG takes it
    const char* language;
    const char* country;
};

const Locale kLocales[] = {
    {"en_GB", "en", "GB"}, {"fr_FR", "fr", "FR"}, {"de_DE", "de", "DE"}, {"it_IT", "it", "IT"},
    {"es_ES", "es", "ES"}, {"pt_PT", "pt", "PT"}, {"ja_JP", "ja", "JP"},  // no Japanese block: the first
                                                                          // block, English, stands in
};

// No control of the page may still show a placeholder.
void expect_no_placeholders(HWND page) {
    for (HWND child : e2e::child_windows(page)) {
        const std::wstring text = e2e::window_text(child);
        EXPECT_NE(text.rfind(L"TEXT_ID_", 0), 0u)
            << "control " << GetDlgCtrlID(child) << " shows a placeholder";
    }
}

// Run once per language, with LANG set for the whole Wine process (the locale a program
// sees comes from its Unix environment) and SETTINGS_TEST_LOCALE naming it.
TEST_F(Acceptance, EveryPageSpeaksTheLanguageOfTheLocale) {
    char name[16] = {};
    if (!GetEnvironmentVariableA("SETTINGS_TEST_LOCALE", name, sizeof name))
        GTEST_SKIP() << "no locale given";
    const Locale* locale = nullptr;
    for (const Locale& candidate : kLocales)
        if (std::strcmp(candidate.name, name) == 0) locale = &candidate;
    ASSERT_TRUE(locale) << name;

    load_own_texts();
    set_language(locale->language, locale->country);
    ASSERT_FALSE(text_w(3).empty());

    ToolProcess tool;
    ASSERT_TRUE(tool.start());
    HWND sheet = tool.wait_for_sheet();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(e2e::window_text(sheet), text_w(3));
    EXPECT_EQ(e2e::window_text(GetDlgItem(sheet, IDCANCEL)), text_w(30));

    for (int index = 0; index < 4; ++index) {
        HWND shown = page(sheet, index);
        ASSERT_TRUE(shown);
        expect_no_placeholders(shown);
        EXPECT_EQ(e2e::overflowing_texts(shown), std::vector<std::wstring>{}) << "page " << index + 1;
        e2e::save_screenshot(sheet, std::string(locale->name) + "-page" + std::to_string(index + 1));
    }

    // A second start in the same language finds this sheet by its caption and ends.
    ToolProcess second;
    ASSERT_TRUE(second.start());
    EXPECT_TRUE(second.wait_for_exit());
    EXPECT_EQ(GetForegroundWindow(), sheet);
    HWND display = page(sheet, kDisplayPage);
    EXPECT_EQ(e2e::window_text(GetDlgItem(display, IDC_QUALITY_LOW)), text_w(38));
    HWND online = page(sheet, kOnlinePage);
    EXPECT_EQ(e2e::window_text(GetDlgItem(online, IDC_UPNP)), text_w(49));

    e2e::press_sheet_button(sheet, PSBTN_CANCEL);
    ASSERT_TRUE(tool.wait_for_exit());
}

}  // namespace
