#include "nrv/win32/win32.h"
#include "support/replace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using test_support::Replaced;

// LoadLibraryExW as a test answers it: every call is noted, and each answers in turn from
// `answers` (null with the error, or a made-up module).
struct LoadCall {
    std::wstring name;
    DWORD flags;
};
struct Answer {
    HMODULE module;
    DWORD error;
};
std::vector<LoadCall> g_calls;
std::vector<Answer> g_answers;

HMODULE WINAPI answering_load(LPCWSTR name, HANDLE, DWORD flags) {
    g_calls.push_back({name, flags});
    const Answer answer = g_calls.size() <= g_answers.size() ? g_answers[g_calls.size() - 1] : Answer{};
    SetLastError(answer.error);
    return answer.module;
}

std::wstring system_folder() {
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    return folder;
}

HMODULE fake_module() {
    return reinterpret_cast<HMODULE>(0x10000000);
}

TEST(LoadSystemLibrary, AsksForTheSystemFolderOnly) {
    struct Case {
        const char* what;
        std::vector<Answer> answers;
        std::vector<LoadCall> expected_calls;
        bool loaded;
    };
    const std::wstring full_path = system_folder() + L"\\oleacc.dll";
    const Case cases[] = {
        {"a system that knows the search flags",
         {{fake_module(), 0}},
         {{L"oleacc.dll", LOAD_LIBRARY_SEARCH_SYSTEM32}},
         true},
        {"a DLL the system does not have is not looked for elsewhere",
         {{nullptr, ERROR_MOD_NOT_FOUND}},
         {{L"oleacc.dll", LOAD_LIBRARY_SEARCH_SYSTEM32}},
         false},
        // Windows Vista and 7 without update KB2533623 refuse the flag.
        {"a system without the search flags gets the full system path",
         {{nullptr, ERROR_INVALID_PARAMETER}, {fake_module(), 0}},
         {{L"oleacc.dll", LOAD_LIBRARY_SEARCH_SYSTEM32}, {full_path, LOAD_WITH_ALTERED_SEARCH_PATH}},
         true},
    };
    Replaced<LoadLibraryExCall> load(g_load_library_ex, &answering_load);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_calls.clear();
        g_answers = c.answers;
        EXPECT_EQ(load_system_library(L"oleacc.dll"), c.loaded ? fake_module() : nullptr);
        ASSERT_EQ(g_calls.size(), c.expected_calls.size());
        for (size_t i = 0; i < g_calls.size(); ++i) {
            EXPECT_EQ(g_calls[i].name, c.expected_calls[i].name);
            EXPECT_EQ(g_calls[i].flags, c.expected_calls[i].flags);
        }
    }
}

TEST(LoadLibraryAsGameDoes, KeepsTheNormalSearchOrder) {
    Replaced<LoadLibraryExCall> load(g_load_library_ex, &answering_load);
    g_calls.clear();
    g_answers = {{fake_module(), 0}};
    EXPECT_EQ(load_library_as_game_does(L"d3d9.dll"), fake_module());
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].name, L"d3d9.dll");
    EXPECT_EQ(g_calls[0].flags, 0u);
}

// --- A planted oleacc.dll beside the program ---------------------------------------------

std::wstring module_path(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    return path;
}

// In the copy of this program that the test below starts beside a planted oleacc.dll: loads
// oleacc.dll as PLANTED_LOAD says ("system" or "search") and writes which one came to the
// file PLANTED_REPORT ("planted", "system" or "none").
TEST(PlantedOleaccChild, Reports) {
    wchar_t how[16] = {}, report[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"PLANTED_LOAD", how, 16) ||
        !GetEnvironmentVariableW(L"PLANTED_REPORT", report, MAX_PATH))
        GTEST_SKIP() << "only in the copy beside the planted DLL";
    HMODULE module =
        std::wstring(how) == L"system" ? load_system_library(L"oleacc.dll") : LoadLibraryW(L"oleacc.dll");
    const char* found = !module ? "none" : GetProcAddress(module, "planted_library") ? "planted" : "system";
    HANDLE file = CreateFileW(report, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, found, static_cast<DWORD>(strlen(found)), &written, nullptr);
    CloseHandle(file);
}

std::wstring windows_path(const std::string& unix_path) {
    std::wstring path = L"Z:";
    for (char c : unix_path) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return path;
}

// Runs this program's copy in `folder` as the child above; what it found.
std::string run_child(const std::wstring& folder, const wchar_t* how) {
    const std::wstring report = folder + L"\\report.txt";
    DeleteFileW(report.c_str());
    SetEnvironmentVariableW(L"PLANTED_LOAD", how);
    SetEnvironmentVariableW(L"PLANTED_REPORT", report.c_str());
    std::wstring command = L"\"" + folder + L"\\libraries_test.exe\" --gtest_filter=PlantedOleaccChild.*";
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                        folder.c_str(), &startup, &process);
    SetEnvironmentVariableW(L"PLANTED_LOAD", nullptr);
    SetEnvironmentVariableW(L"PLANTED_REPORT", nullptr);
    if (!started) return "not started";
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    char found[16] = {};
    DWORD read = 0;
    HANDLE file = CreateFileW(report.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "no report";
    ReadFile(file, found, sizeof found - 1, &read, nullptr);
    CloseHandle(file);
    return found;
}

TEST(LoadSystemLibrary, NeverLoadsAnOleaccPlantedBesideTheProgram) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"planted_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(module_path(nullptr).c_str(), (folder + L"\\libraries_test.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(windows_path(PLANTED_OLEACC).c_str(), (folder + L"\\oleacc.dll").c_str(), FALSE));

    const std::string searched = run_child(folder, L"search");
    const std::string system = run_child(folder, L"system");
    for (const wchar_t* name : {L"libraries_test.exe", L"oleacc.dll", L"report.txt"})
        DeleteFileW((folder + L"\\" + name).c_str());
    RemoveDirectoryW(folder.c_str());

    EXPECT_EQ(system, "system") << "the system's own oleacc.dll, not the planted one";
    // Wine loads a DLL found beside the program only when the prefix prefers native DLLs to
    // its own (the test's run sets oleacc=n,b); Windows always does.
    if (searched != "planted") GTEST_SKIP() << "the normal search order skips the planted DLL here too";
}

}  // namespace
