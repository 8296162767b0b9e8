// What must survive: damaged settings files, a process killed while saving, a save that
// fails, a documents folder named outside the code page, and many starts in a row.
#include "e2e/driver.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "support/own_texts.h"
#include "support/screen.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <tlhelp32.h>

#include <cstring>
#include <random>

namespace {

using e2e::ToolProcess;

std::vector<uint8_t> valid_file() {
    return e2e::valid_settings_file(0, 7000);
}

int count_processes(const wchar_t* name) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    PROCESSENTRY32W entry = {sizeof entry};
    int count = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        count += _wcsicmp(entry.szExeFile, name) == 0;
    CloseHandle(snapshot);
    return count;
}

// A text of the tool in the language it shows: that of SETTINGS_TEST_LOCALE ("de_DE"), or
// English.
std::wstring tool_text(UINT id) {
    char locale[16] = "en_GB";
    GetEnvironmentVariableA("SETTINGS_TEST_LOCALE", locale, sizeof locale);
    const std::string language(locale, 2), country(locale + 3, 2);
    EXPECT_TRUE(test_support::load_own_texts(language.c_str(), country.c_str()));
    return text_w(id);
}

std::wstring wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// Documents\Kestrane, which one test blocks with a plain file.
std::string game_folder() {
    const std::string calcora = e2e::settings_folder();
    return calcora.substr(0, calcora.size() - std::strlen("\\Calcora\\"));
}

class Reliability : public ::testing::Test {
protected:
    void SetUp() override {
        e2e::remove_settings();
        e2e::make_folders(e2e::settings_folder());
    }
    void TearDown() override {
        SetFileAttributesA(e2e::settings_file().c_str(), FILE_ATTRIBUTE_NORMAL);
        e2e::remove_settings();
        DeleteFileA(game_folder().c_str());  // a blocking file a failed test left behind
    }
};

TEST_F(Reliability, DamagedFilesAreKeptOnCancelAndReplacedByDefaultsOnOk) {
    const std::vector<uint8_t> good = valid_file();
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases = {{"empty", {}},
                               {"short", std::vector<uint8_t>(good.begin(), good.begin() + 500)}};
    std::vector<uint8_t> version = good;
    version[4] = 7;
    cases.push_back({"wrong version", version});
    std::vector<uint8_t> checksum = good;
    checksum[0x100] ^= 0xFF;
    cases.push_back({"wrong checksum", checksum});
    std::vector<uint8_t> garbage(852);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 131 + 7);
    cases.push_back({"garbage", garbage});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(e2e::write_file(e2e::settings_file(), c.bytes));
        ASSERT_TRUE(e2e::run_tool_and_press(PSBTN_CANCEL));
        EXPECT_EQ(e2e::read_file(e2e::settings_file()), c.bytes) << "Cancel must not touch the file";

        ASSERT_TRUE(e2e::run_tool_and_press(PSBTN_OK));
        const std::vector<uint8_t> saved = e2e::read_file(e2e::settings_file());
        ASSERT_EQ(saved.size(), 852u);
        EXPECT_TRUE(settings_bytes_valid(saved.data(), saved.size()));
        SettingsRecord record;
        std::memcpy(&record, saved.data(), sizeof record);
        EXPECT_EQ(record.udp_port, 5739) << "defaults replace a damaged file";
    }
}

TEST_F(Reliability, ALongerFileIsReadAndSavedAtItsProperSize) {
    std::vector<uint8_t> bytes = valid_file();
    SettingsRecord record;
    std::memcpy(&record, bytes.data(), sizeof record);
    record.size = 1000;
    record.checksum = settings_checksum(record);
    std::memcpy(bytes.data(), &record, sizeof record);
    bytes.resize(1000, 0x5A);
    ASSERT_TRUE(e2e::write_file(e2e::settings_file(), bytes));

    ASSERT_TRUE(e2e::run_tool_and_press(PSBTN_OK));
    const std::vector<uint8_t> saved = e2e::read_file(e2e::settings_file());
    ASSERT_EQ(saved.size(), 852u);
    std::memcpy(&record, saved.data(), sizeof record);
    EXPECT_EQ(record.udp_port, 7000) << "the longer file was accepted, not replaced by defaults";
    EXPECT_TRUE(settings_bytes_valid(saved.data(), saved.size()));
}

TEST_F(Reliability, AReadOnlyFileIsEitherReplacedWholeOrKeptWithAMessage) {
    const std::vector<uint8_t> before = valid_file();
    ASSERT_TRUE(e2e::write_file(e2e::settings_file(), before));
    SetFileAttributesA(e2e::settings_file().c_str(), FILE_ATTRIBUTE_READONLY);

    ToolProcess tool;
    ASSERT_TRUE(tool.start());
    HWND sheet = tool.wait_for_sheet();
    ASSERT_TRUE(sheet);
    e2e::press_sheet_button(sheet, PSBTN_OK);
    // Whether a read-only file may be replaced is the system's call; when it may not, the
    // player is told (after the tries that an access denial gets) and gives up.
    if (HWND box = e2e::wait_for_message_box(tool.pid(), 6000)) {
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(tool.wait_for_exit());
        EXPECT_EQ(e2e::read_file(e2e::settings_file()), before);
    }
    ASSERT_TRUE(tool.wait_for_exit());
    const std::vector<uint8_t> after = e2e::read_file(e2e::settings_file());
    ASSERT_EQ(after.size(), 852u);
    EXPECT_TRUE(settings_bytes_valid(after.data(), after.size()));
    EXPECT_FALSE(e2e::file_exists(e2e::settings_folder() + "settings.dat.new"));
}

// The system's own text for an error code, as the tool shows it.
std::wstring system_error_text(DWORD error) {
    wchar_t* buffer = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = buffer ? buffer : L"";
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return text;
}

// 32 x 32 pixels (0x00RRGGBB): an icon of this process drawn on the dialog colour, or what
// the screen shows at the top left of a window (icons of another process cannot be drawn
// here).
std::vector<uint32_t> icon_pixels(HICON icon, HWND shown = nullptr) {
    if (shown) {
        RedrawWindow(shown, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        Sleep(300);
        RECT rect;
        GetWindowRect(shown, &rect);
        return test_support::screen_pixels(RECT{rect.left, rect.top, rect.left + 32, rect.top + 32});
    }
    std::vector<uint32_t> pixels;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 32, 32);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    RECT all = {0, 0, 32, 32};
    FillRect(memory, &all, GetSysColorBrush(COLOR_3DFACE));
    DrawIconEx(memory, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const COLORREF c = GetPixel(memory, x, y);
            pixels.push_back(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
        }
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

std::vector<uint32_t> message_box_icon_pixels(HWND box) {
    for (HWND child : e2e::child_windows(box))
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return icon_pixels(nullptr, child);
    return {};
}

TEST_F(Reliability, AFailedSaveSaysWhyAndRetryOrCancelDecide) {
    // A plain file stands where the Kestrane folder must be created.
    const std::string calcora = e2e::settings_folder();
    const std::string kestrane = game_folder();
    RemoveDirectoryA(calcora.c_str());
    RemoveDirectoryA(kestrane.c_str());
    const std::vector<uint8_t> obstacle = {1, 2, 3};
    for (bool retry : {false, true}) {
        SCOPED_TRACE(retry ? "Retry" : "Cancel");
        ASSERT_TRUE(e2e::write_file(kestrane, obstacle));
        ASSERT_FALSE(CreateDirectoryA(calcora.c_str(), nullptr));
        const std::wstring reason = system_error_text(GetLastError());
        ASSERT_FALSE(reason.empty());
        const std::string path = e2e::settings_file();

        ToolProcess tool;
        ASSERT_TRUE(tool.start());
        HWND sheet = tool.wait_for_sheet();
        ASSERT_TRUE(sheet);
        const std::wstring caption = e2e::window_text(sheet);
        e2e::press_sheet_button(sheet, PSBTN_OK);
        HWND box = e2e::wait_for_message_box(tool.pid(), 10000);
        ASSERT_TRUE(box) << "a failed save must say so";
        if (!retry) e2e::save_screenshot(box, "save-failed-box");
        EXPECT_EQ(e2e::window_text(box), caption);
        EXPECT_EQ(e2e::message_box_text(box), std::wstring(path.begin(), path.end()) + L"\n\n" + reason)
            << "the file on its own line, then the reason";
        const std::vector<uint32_t> icon = message_box_icon_pixels(box);
        EXPECT_EQ(icon, icon_pixels(LoadIconW(nullptr, IDI_HAND))) << "the stop icon";
        EXPECT_NE(icon, icon_pixels(LoadIconW(nullptr, IDI_EXCLAMATION)));
        EXPECT_TRUE(GetDlgItem(box, IDRETRY) && GetDlgItem(box, IDCANCEL) && !GetDlgItem(box, IDOK));
        if (retry) DeleteFileA(kestrane.c_str());
        PostMessageW(box, WM_COMMAND, retry ? IDRETRY : IDCANCEL, 0);
        ASSERT_TRUE(tool.wait_for_exit());
        EXPECT_EQ(tool.exit_code(), 0u);

        const std::vector<uint8_t> saved = e2e::read_file(e2e::settings_file());
        if (retry) {
            ASSERT_EQ(saved.size(), 852u);
            EXPECT_TRUE(settings_bytes_valid(saved.data(), saved.size()));
        } else {
            EXPECT_TRUE(saved.empty());
            EXPECT_EQ(e2e::read_file(kestrane), obstacle) << "Cancel writes nothing";
            DeleteFileA(kestrane.c_str());
        }
    }
}

// A file that is there but cannot be read (a sync client holding it, a cloud file whose
// provider is not running) is not taken for a missing one: the player is told before the
// sheet opens, and what Cancel leads to; Retry reads it again, Cancel goes on with defaults.
TEST_F(Reliability, AFileThatCannotBeReadIsToldBeforeTheSheetOpens) {
    const std::string path = e2e::settings_file();
    const std::wstring expected_text =
        wide(path) + L"\n\n" + system_error_text(ERROR_SHARING_VIOLATION) + L"\n\n" + tool_text(175);
    for (bool retry : {false, true}) {
        SCOPED_TRACE(retry ? "Retry" : "Cancel");
        ASSERT_TRUE(e2e::write_file(path, valid_file()));
        HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);

        ToolProcess tool;
        ASSERT_TRUE(tool.start());
        HWND box = e2e::wait_for_message_box(tool.pid(), 20000);
        ASSERT_TRUE(box) << "an unreadable file must be told";
        if (!retry) e2e::save_screenshot(box, "load-failed-box");
        EXPECT_FALSE(e2e::process_has_sheet(tool.pid())) << "before the sheet opens";
        EXPECT_EQ(e2e::message_box_text(box), expected_text);
        EXPECT_TRUE(GetDlgItem(box, IDRETRY) && GetDlgItem(box, IDCANCEL) && !GetDlgItem(box, IDOK));
        const std::wstring caption = e2e::window_text(box);
        if (retry) CloseHandle(holder);
        PostMessageW(box, WM_COMMAND, retry ? IDRETRY : IDCANCEL, 0);

        HWND sheet = tool.wait_for_sheet();
        ASSERT_TRUE(sheet);
        EXPECT_EQ(e2e::window_text(sheet), caption);
        e2e::select_page(sheet, 3);
        const std::wstring port = e2e::window_text(GetDlgItem(e2e::current_page(sheet), IDC_UDP_PORT));
        if (retry)
            EXPECT_EQ(port, L"7000") << "Retry reads the file";
        else
            EXPECT_NE(port, L"7000") << "Cancel goes on with defaults";
        e2e::press_sheet_button(sheet, PSBTN_CANCEL);
        ASSERT_TRUE(tool.wait_for_exit());
        if (!retry) CloseHandle(holder);
        EXPECT_EQ(e2e::read_file(path), valid_file()) << "the file is left as it was";
    }
}

// Whether Enter presses the button `id` of a box: the dialog names it (as Windows does), or
// it has the default push button's style (Wine's boxes mark it only so).
bool is_default_button(HWND box, int id) {
    return LOWORD(SendMessageW(box, DM_GETDEFID, 0, 0)) == id ||
           (GetWindowLongW(GetDlgItem(box, id), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

// A file kept unread with Cancel is never replaced unasked: OK reads it again; one that now
// holds other settings is replaced only after Yes (No is the default), one still held is not
// replaced at all, and Retry reads it once more.
TEST_F(Reliability, OkAfterCancellingAnUnreadableFileNeverReplacesItUnasked) {
    const std::string path = e2e::settings_file();
    const std::vector<uint8_t> held = valid_file();
    const std::wstring replace_question = wide(path) + L"\n\n" + tool_text(176);
    struct Case {
        const char* what;
        bool released_before_ok;
        int answer;
        bool replaced;
    };
    const Case cases[] = {
        {"released, No", true, IDNO, false},
        {"released, Yes", true, IDYES, true},
        {"still held, Cancel", false, IDCANCEL, false},
        {"still held, released, Retry, No", false, IDRETRY, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        e2e::HeldSettingsFile holder(held);
        ASSERT_TRUE(holder.held());

        ToolProcess tool;
        ASSERT_TRUE(tool.start());
        HWND load_box = e2e::wait_for_message_box(tool.pid(), 20000);
        ASSERT_TRUE(load_box);
        PostMessageW(load_box, WM_COMMAND, IDCANCEL, 0);
        HWND sheet = tool.wait_for_sheet();
        ASSERT_TRUE(sheet);
        if (c.released_before_ok) holder.release();
        e2e::press_sheet_button(sheet, PSBTN_OK);

        HWND box = e2e::wait_for_message_box(tool.pid(), 20000);
        ASSERT_TRUE(box) << "OK must not replace the file unasked";
        if (c.released_before_ok) {
            if (c.answer == IDNO) e2e::save_screenshot(box, "replace-unread-file-box");
            EXPECT_EQ(e2e::message_box_text(box), replace_question);
            EXPECT_TRUE(GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) && !GetDlgItem(box, IDCANCEL));
            EXPECT_TRUE(is_default_button(box, IDNO)) << "No is not the default";
        } else {
            if (c.answer == IDCANCEL) e2e::save_screenshot(box, "still-unreadable-box");
            EXPECT_EQ(
                e2e::message_box_text(box),
                wide(path) + L"\n\n" + system_error_text(ERROR_SHARING_VIOLATION) + L"\n\n" + tool_text(177));
            EXPECT_TRUE(GetDlgItem(box, IDRETRY) && GetDlgItem(box, IDCANCEL) && !GetDlgItem(box, IDOK));
        }
        if (c.answer == IDRETRY) holder.release();
        PostMessageW(box, WM_COMMAND, c.answer, 0);
        if (c.answer == IDRETRY) {
            // The file is read again: it holds other settings now, so the tool asks.
            ASSERT_TRUE(test_support::wait_until([&] { return !IsWindow(box); }));
            box = e2e::wait_for_message_box(tool.pid(), 20000);
            ASSERT_TRUE(box) << "Retry did not read the file again";
            EXPECT_EQ(e2e::message_box_text(box), replace_question);
            PostMessageW(box, WM_COMMAND, IDNO, 0);
        }
        ASSERT_TRUE(tool.wait_for_exit());
        EXPECT_EQ(tool.exit_code(), 0u);
        holder.release();

        const std::vector<uint8_t> after = e2e::read_file(path);
        if (c.replaced) {
            ASSERT_EQ(after.size(), 852u);
            EXPECT_TRUE(settings_bytes_valid(after.data(), after.size()));
            EXPECT_NE(after, held) << "Yes writes the player's settings";
        } else {
            EXPECT_EQ(after, held) << "the file is left as it was";
        }
    }
}

TEST_F(Reliability, AKillDuringASaveLeavesTheOldOrTheNewFile) {
    std::mt19937 random(12345);
    int killed_with_file = 0;
    for (int round = 0; round < 25; ++round) {
        ToolProcess saver;
        ASSERT_TRUE(saver.start_program(SAVE_LOOP_EXE));
        Sleep(40 + random() % 200);
        saver.kill();

        const std::vector<uint8_t> file = e2e::read_file(e2e::settings_file());
        if (file.empty() && !e2e::file_exists(e2e::settings_file()))
            continue;  // killed before the first save
        ++killed_with_file;
        ASSERT_EQ(file.size(), 852u) << "round " << round;
        ASSERT_TRUE(settings_bytes_valid(file.data(), file.size())) << "round " << round;
        EXPECT_TRUE(file[0x2C] == 0xA1 || file[0x2C] == 0xB2);
    }
    EXPECT_GT(killed_with_file, 0) << "no round got as far as a first save";
}

TEST_F(Reliability, TwentyStartsInARowLeaveNoProcessBehind) {
    for (int run = 0; run < 20; ++run) {
        SCOPED_TRACE(run);
        ASSERT_TRUE(e2e::run_tool_and_press(run % 2 ? PSBTN_OK : PSBTN_CANCEL));
    }
    Sleep(500);
    EXPECT_EQ(count_processes(L"settings.exe"), 0);
}

// The player's documents folder, moved for one test to the folder the parameter names
// (environment variables expanded) and put back afterwards.
class MovedDocumentsFolder : public ::testing::TestWithParam<const wchar_t*> {
protected:
    static constexpr const wchar_t* kShellFolders =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

    void SetUp() override {
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, KEY_READ | KEY_WRITE, &m_key),
                  ERROR_SUCCESS);
        wchar_t old[MAX_PATH] = {};
        DWORD size = sizeof old;
        m_hadOld = RegQueryValueExW(m_key, L"Personal", nullptr, &m_oldType, reinterpret_cast<BYTE*>(old),
                                    &size) == ERROR_SUCCESS;
        m_old = old;
        wchar_t documents[MAX_PATH] = {};
        ASSERT_TRUE(ExpandEnvironmentStringsW(GetParam(), documents, MAX_PATH));
        m_documents = documents;
        // A network share exists before the player's folder on it. Wine keeps shares as
        // folders (dosdevices/unc/server/share), so the test can make one.
        if (m_documents.compare(0, 2, L"\\\\") == 0) {
            make_wine_unc_folder();
            m_share = m_documents.substr(0, m_documents.find(L'\\', m_documents.find(L'\\', 2) + 1));
            m_server = m_share.substr(0, m_share.find(L'\\', 2));
            CreateDirectoryW(m_server.c_str(), nullptr);
            CreateDirectoryW(m_share.c_str(), nullptr);
        }
        CreateDirectoryW(m_documents.c_str(), nullptr);
        ASSERT_EQ(
            RegSetValueExW(m_key, L"Personal", 0, REG_SZ, reinterpret_cast<const BYTE*>(m_documents.c_str()),
                           static_cast<DWORD>((m_documents.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
        m_folder = m_documents + L"\\Kestrane\\Calcora\\";
        m_file = m_folder + L"settings.dat";
    }
    void TearDown() override {
        if (m_hadOld)
            RegSetValueExW(m_key, L"Personal", 0, m_oldType, reinterpret_cast<const BYTE*>(m_old.c_str()),
                           static_cast<DWORD>((m_old.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(m_key);
        DeleteFileW(m_file.c_str());
        RemoveDirectoryW(m_folder.c_str());
        RemoveDirectoryW((m_documents + L"\\Kestrane").c_str());
        RemoveDirectoryW(m_documents.c_str());
        if (!m_share.empty()) RemoveDirectoryW(m_share.c_str());
        if (!m_server.empty()) RemoveDirectoryW(m_server.c_str());
    }

    // The folder of the prefix that holds the shares, which a new prefix may lack.
    static void make_wine_unc_folder() {
        wchar_t prefix[MAX_PATH] = {};
        if (!GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH) || prefix[0] != L'/') return;
        std::wstring folder = std::wstring(L"Z:") + prefix + L"/dosdevices/unc";
        for (wchar_t& c : folder) c = c == L'/' ? L'\\' : c;
        CreateDirectoryW(folder.c_str(), nullptr);
    }

    HKEY m_key = nullptr;
    bool m_hadOld = false;
    DWORD m_oldType = REG_EXPAND_SZ;
    std::wstring m_old, m_documents, m_server, m_share, m_folder, m_file;
};

// A name the system code page cannot hold, and a network share as schools and offices
// redirect Documents to.
INSTANTIATE_TEST_SUITE_P(
    Folders, MovedDocumentsFolder,
    ::testing::Values(L"%USERPROFILE%\\\u0414\u043e\u043a\u0443\u043c\u0435\u043d\u0442\u044b",
                      L"\\\\calcora-server\\share\\Documents"));

TEST_P(MovedDocumentsFolder, OkSavesThereTheNextStartLoadsItAndCancelKeepsIt) {
    ASSERT_TRUE(e2e::run_tool_and_press(PSBTN_OK));
    std::vector<uint8_t> saved = e2e::read_file(m_file);
    ASSERT_EQ(saved.size(), 852u) << "OK writes Kestrane\\Calcora\\settings.dat under the documents folder";
    EXPECT_TRUE(settings_bytes_valid(saved.data(), saved.size()));

    // A stored fixed port is shown on the next start, and Cancel leaves the file alone.
    const std::vector<uint8_t> stored = valid_file();
    ASSERT_TRUE(e2e::write_file(m_file, stored));
    ToolProcess tool;
    ASSERT_TRUE(tool.start());
    HWND sheet = tool.wait_for_sheet();
    ASSERT_TRUE(sheet);
    e2e::select_page(sheet, 3);
    EXPECT_EQ(e2e::window_text(GetDlgItem(e2e::current_page(sheet), IDC_UDP_PORT)), L"7000");
    e2e::press_sheet_button(sheet, PSBTN_CANCEL);
    ASSERT_TRUE(tool.wait_for_exit());
    EXPECT_EQ(e2e::read_file(m_file), stored);
}

}  // namespace
