// Starts the real settings.exe inside Wine and works its windows.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "support/files.h"

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

// A running settings.exe.
class ToolProcess {
public:
    ToolProcess() = default;
    ~ToolProcess();
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    // Starts the tool; environment additions are "NAME=value" strings.
    bool start(const std::vector<std::wstring>& environment = {});
    // Starts another program of the build, given by its Unix path.
    bool start_program(const char* unix_path, const std::vector<std::wstring>& environment = {});
    // The visible property sheet of this process, waited for up to timeout_ms.
    HWND wait_for_sheet(DWORD timeout_ms = 30000) const;
    // Waits for the process to end by itself; false on timeout.
    bool wait_for_exit(DWORD timeout_ms = 30000) const;
    DWORD exit_code() const;
    DWORD pid() const { return m_info.dwProcessId; }
    void kill();

private:
    PROCESS_INFORMATION m_info = {};
};

// The visible top-level windows of process `pid` with the given class (e.g. "#32770").
std::vector<HWND> process_windows(DWORD pid, const wchar_t* class_name);
// A message box of process `pid`, waited for up to timeout_ms; null if none came.
HWND wait_for_message_box(DWORD pid, DWORD timeout_ms = 30000);
// The text of a message box (its static text control).
std::wstring message_box_text(HWND box);
// Every child window of `parent`, at any depth.
std::vector<HWND> child_windows(HWND parent);

// Presses a sheet button (PSBTN_OK, PSBTN_CANCEL) the way a click would.
void press_sheet_button(HWND sheet, int button);
// Shows page `index` of the sheet.
void select_page(HWND sheet, int index);
// The current page's window.
HWND current_page(HWND sheet);

std::wstring window_text(HWND window);
// The text of control `id` of a dialog in another process.
std::wstring control_text(HWND dialog, int id);
// The title of tab `index` of a sheet in another process, read through that process's memory.
std::wstring tab_title(HWND sheet, int index);
// Whether a window of process `pid`, shown or not, holds a tab control: its sheet exists.
bool process_has_sheet(DWORD pid);

// Documents\Kestrane\Calcora of this Wine prefix, with a trailing backslash.
std::string settings_folder();
std::string settings_file();
std::vector<uint8_t> read_file(const std::string& path);
bool write_file(const std::string& path, const std::vector<uint8_t>& bytes);
// The same for any path, also one the code page cannot hold.
using test_support::read_file;
using test_support::write_file;
bool file_exists(const std::string& path);
void remove_settings();
void make_folders(const std::string& path);

// Starts the tool, waits for its sheet, ends it with `button` (PSBTN_OK, PSBTN_CANCEL)
// and checks that the tool then ends by itself, normally.
::testing::AssertionResult run_tool_and_press(int button);

// A valid settings file with a recognisable port and reserved bytes.
std::vector<uint8_t> valid_settings_file(uint8_t seed, int32_t udp_port);
// Writes a settings file, creating its folder.
bool put_settings_file(const std::vector<uint8_t>& bytes);

// A settings file the tool cannot read while the object holds it: another program holds it
// open, sharing nothing.
class HeldSettingsFile {
public:
    explicit HeldSettingsFile(const std::vector<uint8_t>& bytes) {
        put_settings_file(bytes);
        m_handle = CreateFileA(settings_file().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    ~HeldSettingsFile() { release(); }
    HeldSettingsFile(const HeldSettingsFile&) = delete;
    HeldSettingsFile& operator=(const HeldSettingsFile&) = delete;
    bool held() const { return m_handle != INVALID_HANDLE_VALUE; }
    void release() {
        if (held()) CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

// Saves the window's pixels as a BMP in the artifacts folder (SETTINGS_ARTIFACTS), if set;
// at another DPI than 96 the file's name ends in it ("-144dpi").
void save_screenshot(HWND window, const std::string& name);

// The controls of `dialog` whose text needs more room than the control gives it, measured
// with the control's own font, each described by its id and text: text on one line (push
// buttons, check boxes, radio buttons, group boxes) wider than the room, wrapped static
// text taller than the control or with a word wider than it.
std::vector<std::wstring> overflowing_texts(HWND dialog);

}  // namespace e2e
