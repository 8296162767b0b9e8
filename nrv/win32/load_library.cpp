#include "nrv/win32/win32.h"

#include <string>

LoadLibraryExCall g_load_library_ex = &LoadLibraryExW;

// Not in older SDK headers.
#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace {

// The system folder followed by a backslash; empty when the system cannot say.
std::wstring system_folder() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    return std::wstring(folder, length) + L"\\";
}

}  // namespace

HMODULE load_system_library(const wchar_t* name) {
    HMODULE module = g_load_library_ex(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Windows Vista and 7 know the flag only with update KB2533623 and refuse it as an
    // invalid parameter without it. There the DLL is named by its full path in the system
    // folder, and its dependencies are looked for beside it first.
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    const std::wstring folder = system_folder();
    if (folder.empty()) return nullptr;
    return g_load_library_ex((folder + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE load_library_as_game_does(const wchar_t* name) {
    return g_load_library_ex(name, nullptr, 0);
}
