#include "e2e/driver.h"

#include "settings/settings.h"
#include "support/screen.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace e2e {
namespace {

// ctest hands over Unix paths; Wine sees the Unix root as drive Z:.
std::wstring to_windows_path(const std::string& unix_path) {
    std::wstring path = L"Z:";
    for (char c : unix_path) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return path;
}

struct SheetSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK find_sheet(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<SheetSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window)) return TRUE;
    if (!FindWindowExW(window, nullptr, WC_TABCONTROLW, nullptr)) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

ToolProcess::~ToolProcess() {
    kill();
    if (m_info.hProcess) CloseHandle(m_info.hProcess);
    if (m_info.hThread) CloseHandle(m_info.hThread);
}

bool ToolProcess::start(const std::vector<std::wstring>& environment) {
    return start_program(SETTINGS_EXE, environment);
}

bool ToolProcess::start_program(const char* unix_path, const std::vector<std::wstring>& environment) {
    std::wstring exe = to_windows_path(unix_path);
    std::wstring command = L"\"" + exe + L"\"";

    // The given variables replace those of the same name in this process's environment.
    auto name_of = [](const std::wstring& entry) { return entry.substr(0, entry.find(L'=', 1)); };
    std::wstring block;
    const wchar_t* current = GetEnvironmentStringsW();
    for (const wchar_t* p = current; *p; p += wcslen(p) + 1) {
        bool replaced = false;
        for (const std::wstring& entry : environment)
            replaced |= _wcsicmp(name_of(p).c_str(), name_of(entry).c_str()) == 0;
        if (!replaced) block.append(p).push_back(L'\0');
    }
    FreeEnvironmentStringsW(const_cast<wchar_t*>(current));
    for (const std::wstring& entry : environment) block.append(entry).push_back(L'\0');
    block.push_back(L'\0');

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    return CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                          &block[0], nullptr, &startup, &m_info) != FALSE;
}

HWND ToolProcess::wait_for_sheet(DWORD timeout_ms) const {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeout_ms) {
        SheetSearch search = {m_info.dwProcessId, nullptr};
        EnumWindows(find_sheet, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        if (WaitForSingleObject(m_info.hProcess, 100) == WAIT_OBJECT_0) return nullptr;
    }
    return nullptr;
}

bool ToolProcess::wait_for_exit(DWORD timeout_ms) const {
    return m_info.hProcess && WaitForSingleObject(m_info.hProcess, timeout_ms) == WAIT_OBJECT_0;
}

DWORD ToolProcess::exit_code() const {
    DWORD code = STILL_ACTIVE;
    if (m_info.hProcess) GetExitCodeProcess(m_info.hProcess, &code);
    return code;
}

void ToolProcess::kill() {
    if (m_info.hProcess && WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_info.hProcess, 1);
        WaitForSingleObject(m_info.hProcess, 5000);
    }
}

namespace {

struct ProcessWindowSearch {
    DWORD pid;
    const wchar_t* class_name;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_process_window(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ProcessWindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (pid == search->pid && IsWindowVisible(window) && wcscmp(name, search->class_name) == 0)
        search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK collect_child(HWND window, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> process_windows(DWORD pid, const wchar_t* class_name) {
    ProcessWindowSearch search = {pid, class_name, {}};
    EnumWindows(collect_process_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND wait_for_message_box(DWORD pid, DWORD timeout_ms) {
    const DWORD start = GetTickCount();
    do {
        for (HWND box : process_windows(pid, L"#32770"))
            if (!FindWindowExW(box, nullptr, WC_TABCONTROLW, nullptr)) return box;
        Sleep(50);
    } while (GetTickCount() - start < timeout_ms);
    return nullptr;
}

std::wstring message_box_text(HWND box) {
    return window_text(GetDlgItem(box, 0xFFFF));
}

std::vector<HWND> child_windows(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, collect_child, reinterpret_cast<LPARAM>(&children));
    return children;
}

void press_sheet_button(HWND sheet, int button) {
    PostMessageW(sheet, PSM_PRESSBUTTON, button, 0);
}

void select_page(HWND sheet, int index) {
    SendMessageW(sheet, PSM_SETCURSEL, index, 0);
}

HWND current_page(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

std::wstring window_text(HWND window) {
    wchar_t text[512] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    return text;
}

std::wstring control_text(HWND dialog, int id) {
    return window_text(GetDlgItem(dialog, id));
}

std::wstring tab_title(HWND sheet, int index) {
    HWND tab = FindWindowExW(sheet, nullptr, WC_TABCONTROLW, nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(tab, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!tab || !process) return L"?";
    // The item and its text buffer live in the sheet's process, where the tab control
    // writes them.
    struct Item {
        TCITEMW item;
        wchar_t text[128];
    };
    auto* remote =
        static_cast<Item*>(VirtualAllocEx(process, nullptr, sizeof(Item), MEM_COMMIT, PAGE_READWRITE));
    Item local = {};
    local.item.mask = TCIF_TEXT;
    local.item.pszText = remote ? remote->text : nullptr;
    local.item.cchTextMax = 128;
    std::wstring title = L"?";
    if (remote && WriteProcessMemory(process, remote, &local, sizeof local, nullptr) &&
        SendMessageW(tab, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(remote)) &&
        ReadProcessMemory(process, remote, &local, sizeof local, nullptr)) {
        local.text[127] = 0;
        title = local.text;
    }
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return title;
}

namespace {

BOOL CALLBACK find_any_sheet(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<SheetSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !FindWindowExW(window, nullptr, WC_TABCONTROLW, nullptr)) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

bool process_has_sheet(DWORD pid) {
    SheetSearch search = {pid, nullptr};
    EnumWindows(find_any_sheet, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
}

std::string settings_folder() {
    char documents[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, documents);
    return std::string(documents) + "\\Kestrane\\Calcora\\";
}

std::string settings_file() {
    return settings_folder() + "settings.dat";
}

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool file_exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void remove_settings() {
    DeleteFileA(settings_file().c_str());
    const std::string temp = settings_folder() + "settings.dat.new";
    RemoveDirectoryA(temp.c_str());
    DeleteFileA(temp.c_str());
}

void make_folders(const std::string& path) {
    std::string prefix;
    for (char c : path) {
        if ((c == '\\' || c == '/') && !prefix.empty()) CreateDirectoryA(prefix.c_str(), nullptr);
        prefix += c;
    }
}

::testing::AssertionResult run_tool_and_press(int button) {
    ToolProcess tool;
    if (!tool.start()) return ::testing::AssertionFailure() << "the tool did not start";
    HWND sheet = tool.wait_for_sheet();
    if (!sheet) return ::testing::AssertionFailure() << "the sheet never appeared";
    press_sheet_button(sheet, button);
    if (!tool.wait_for_exit()) return ::testing::AssertionFailure() << "the tool did not end";
    if (tool.exit_code() != 0) return ::testing::AssertionFailure() << "exit code " << tool.exit_code();
    return ::testing::AssertionSuccess();
}

std::vector<uint8_t> valid_settings_file(uint8_t seed, int32_t udp_port) {
    SettingsRecord record;
    std::memset(&record, 0, sizeof record);
    record.version = kSettingsVersion;
    record.screen_width = 640;
    record.screen_height = 480;
    record.full_screen = 1;
    record.udp_port = udp_port;
    for (int i = 0; i < 248; ++i) record.reserved[i] = static_cast<uint8_t>(seed ^ i);
    stamp_settings_header(record);
    const auto* p = reinterpret_cast<const uint8_t*>(&record);
    return std::vector<uint8_t>(p, p + sizeof record);
}

bool put_settings_file(const std::vector<uint8_t>& bytes) {
    make_folders(settings_folder());
    return write_file(settings_file(), bytes);
}

void save_screenshot(HWND window, const std::string& name) {
    char folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("SETTINGS_ARTIFACTS", folder, MAX_PATH) || !window) return;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    RECT rect;
    GetWindowRect(window, &rect);
    const std::vector<uint32_t> pixels = test_support::screen_pixels(rect);
    if (pixels.empty()) return;

    // A 24-bit BMP: rows from the bottom, blue, green, red, each row padded to 4 bytes.
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const DWORD stride = ((width * 3 + 3) / 4) * 4;
    std::vector<uint8_t> rows(static_cast<size_t>(stride) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t pixel = pixels[static_cast<size_t>(y) * width + x];
            uint8_t* out = &rows[static_cast<size_t>(height - 1 - y) * stride + x * 3];
            out[0] = static_cast<uint8_t>(pixel);
            out[1] = static_cast<uint8_t>(pixel >> 8);
            out[2] = static_cast<uint8_t>(pixel >> 16);
        }
    }
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(rows.size());
    std::string path = folder;
    if (path.size() && path[0] == '/') {
        for (char& c : path) c = c == '/' ? '\\' : c;
        path = "Z:" + path;
    }
    // Taken at another DPI than 96, the name says which.
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    path += "\\" + name + (dpi == 96 ? "" : "-" + std::to_string(dpi) + "dpi") + ".bmp";
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&header, sizeof header, 1, out);
        std::fwrite(rows.data(), 1, rows.size(), out);
        std::fclose(out);
    }
}

}  // namespace e2e

namespace e2e {
namespace {

// A copy of the control's font. A font of another process cannot be read here: the pages'
// dialog font, 8-point MS Shell Dlg at the screen's DPI, stands in for it.
HFONT copy_of_control_font(HWND control, HDC dc) {
    LOGFONTW font = {};
    const auto shown = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (!shown || !GetObjectW(shown, sizeof font, &font)) {
        font = {};
        font.lfHeight = -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72);
        font.lfWeight = FW_NORMAL;
        font.lfCharSet = DEFAULT_CHARSET;
        wcscpy(font.lfFaceName, L"MS Shell Dlg");
    }
    return CreateFontIndirectW(&font);
}

// The width a one-line control leaves its text; 0 for controls measured otherwise or not
// at all.
int one_line_room(HWND control, HDC dc, const std::wstring& class_name, LONG style, int width) {
    if (_wcsicmp(class_name.c_str(), L"Button") != 0 || (style & BS_MULTILINE)) return 0;
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    INT digit_width = 0;
    GetCharWidth32W(dc, L'0', L'0', &digit_width);
    switch (style & BS_TYPEMASK) {
        case BS_PUSHBUTTON:
        case BS_DEFPUSHBUTTON:
            return width - 2 * MulDiv(2, dpi, 96);  // inside the button's edge
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            return width - (MulDiv(12, dpi, 96) + 1) - digit_width / 2;  // beside the box
        case BS_GROUPBOX:
            return width - 2 * digit_width;  // between the frame's corners
        default:
            return 0;
    }
}

}  // namespace

std::vector<std::wstring> overflowing_texts(HWND dialog) {
    std::vector<std::wstring> overflowing;
    for (HWND control : child_windows(dialog)) {
        const std::wstring text = window_text(control);
        if (text.empty() || !IsWindowVisible(control)) continue;
        wchar_t class_name[32] = {};
        GetClassNameW(control, class_name, 32);
        const LONG style = GetWindowLongW(control, GWL_STYLE);
        RECT client = {};
        GetClientRect(control, &client);

        HDC dc = GetDC(control);
        HFONT font = copy_of_control_font(control, dc);
        HGDIOBJ previous = SelectObject(dc, font);
        bool fits = true;
        if (const int room = one_line_room(control, dc, class_name, style, client.right)) {
            RECT needed = {};
            DrawTextW(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_SINGLELINE);
            fits = needed.right <= room;
        } else if (_wcsicmp(class_name, L"Static") == 0 && (style & SS_TYPEMASK) <= SS_RIGHT) {
            RECT needed = {0, 0, client.right, 0};
            const UINT prefix = (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
            DrawTextW(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | prefix);
            fits = needed.right <= client.right && needed.bottom <= client.bottom;
        }
        SelectObject(dc, previous);
        DeleteObject(font);
        ReleaseDC(control, dc);
        if (!fits) overflowing.push_back(std::to_wstring(GetDlgCtrlID(control)) + L" " + text);
    }
    return overflowing;
}

}  // namespace e2e
