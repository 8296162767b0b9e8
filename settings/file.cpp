// settings.dat in the user's documents folder: reading, validating and writing it.
//
// Every path is a wide string and every file-system call the wide form, so a documents
// folder whose name the system code page cannot hold (a Cyrillic or Greek user name on a
// Western system, say) works like any other.
#include "settings/settings.h"

#include "nrv/win32/win32.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

namespace {

const wchar_t kFolderSuffix[] = L"\\Kestrane\\Calcora\\";
const wchar_t kCurrentFolder[] = L".";
const wchar_t kFileName[] = L"settings.dat";
const wchar_t kTempFileName[] = L"settings.dat.new";

bool is_separator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// The errors of a file that another program holds open for a moment.
bool is_short_lived_lock(DWORD code) {
    return code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
}

// Runs the steps of one load or save, each step again after a growing pause while it
// fails with a short-lived lock, until the pauses (1.5 s in all) are used up.
class LockRetries {
public:
    // step returns 0 on success, otherwise the system's error code.
    template <typename Step>
    DWORD run(Step step) {
        static const DWORD kPauses[] = {50, 100, 200, 400, 750};
        DWORD code = step();
        while (is_short_lived_lock(code) && m_nextPause < sizeof kPauses / sizeof kPauses[0]) {
            g_sleep(kPauses[m_nextPause++]);
            code = step();
        }
        return code;
    }

private:
    size_t m_nextPause = 0;
};

// Writes all of the record to path and forces it to the disk. On any shortfall returns
// the system's error code for the step that failed; 0 on success.
DWORD write_record_file(const std::wstring& path, const SettingsRecord& record) {
    UniqueHandle file(g_create_file(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    DWORD written = 0;
    if (!WriteFile(file.get(), &record, sizeof record, &written, nullptr)) return GetLastError();
    if (written != sizeof record) return ERROR_HANDLE_DISK_FULL;
    if (!FlushFileBuffers(file.get())) return GetLastError();
    if (!file.close()) return GetLastError();
    return ERROR_SUCCESS;
}

// Reads up to size bytes from the start of path into bytes and their count into read;
// 0 on success, otherwise the system's error code. The file is shared for reading,
// writing and deletion, as other readers share it, so that a sync client or an editor
// holding it open does not make it unreadable.
DWORD read_file_start(const std::wstring& path, uint8_t* bytes, DWORD size, DWORD& read) {
    read = 0;
    UniqueHandle file(g_create_file(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    while (read < size) {
        DWORD count = 0;
        if (!ReadFile(file.get(), bytes + read, size - read, &count, nullptr)) return GetLastError();
        if (count == 0) break;
        read += count;
    }
    return ERROR_SUCCESS;
}

DWORD replace_file(const std::wstring& from, const std::wstring& to) {
    return g_move_file_ex(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? ERROR_SUCCESS
               : GetLastError();
}

bool is_folder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Makes the folders folders_to_make lists; 0 or the system's error code.
DWORD make_folders(const std::wstring& path) {
    for (const std::u16string& level : folders_to_make(u16_from(path))) {
        const std::wstring folder = wide_from(level);
        // A level made by another program a moment ago is as good as one made here.
        if (!is_folder(folder) && !CreateDirectoryW(folder.c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            return GetLastError();
    }
    return ERROR_SUCCESS;
}

bool fail(uint32_t* error, DWORD code) {
    if (error) *error = code;
    return false;
}

}  // namespace

DocumentsFolderLookup g_documents_folder = &shell_documents_folder;
CreateFileCall g_create_file = &CreateFileW;
MoveFileExCall g_move_file_ex = &MoveFileExW;
SleepCall g_sleep = &Sleep;

bool shell_documents_folder(std::wstring& folder) {
    LPITEMIDLIST pidl = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_PERSONAL, &pidl)) || !pidl) return false;
    wchar_t path[MAX_PATH] = {};
    const BOOL ok = SHGetPathFromIDListW(pidl, path);
    CoTaskMemFree(pidl);
    // The shell may know the folder but fail to give it as a path.
    if (!ok || path[0] == L'\0') return false;
    folder = path;
    return true;
}

std::wstring settings_folder_path() {
    std::wstring documents;
    if (!g_documents_folder || !g_documents_folder(documents) || documents.empty())
        documents = kCurrentFolder;
    // The shell may end the folder with a separator; the suffix brings its own.
    while (documents.size() > 1 && is_separator(documents.back())) documents.pop_back();
    return documents + kFolderSuffix;
}

std::wstring settings_file_path() {
    return settings_folder_path() + kFileName;
}

bool make_directories(const std::wstring& path) {
    const DWORD code = make_folders(path);
    SetLastError(code);
    return code == ERROR_SUCCESS;
}

bool load_settings_from(const std::wstring& folder, uint32_t* error) {
    if (error) *error = 0;
    uint8_t bytes[kSettingsSize];
    DWORD read = 0;
    const std::wstring path = folder + kFileName;
    const DWORD code = LockRetries().run([&] { return read_file_start(path, bytes, sizeof bytes, read); });
    // Only a missing file or folder means there are no settings yet; a file that is there
    // but cannot be read must not be taken for one and replaced by defaults.
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return false;
    if (code != ERROR_SUCCESS) return fail(error, code);
    // A truncated file is rejected outright rather than completed from whatever the
    // record held before.
    if (read != sizeof bytes || !settings_bytes_valid(bytes, sizeof bytes)) return false;
    std::memcpy(&settings_record(), bytes, sizeof bytes);
    refresh_keyboard_layout();
    return true;
}

bool save_settings_to(const std::wstring& folder, uint32_t* error) {
    if (const DWORD code = make_folders(folder)) return fail(error, code);
    SettingsRecord& record = settings_record();
    stamp_settings_header(record);

    // The old file is replaced only once the new one is complete on disk, so a crash, a
    // full disk or a failed write never leaves a short settings.dat behind. A replace that
    // meets a lock is tried again with the finished temporary file as it is. The temporary
    // file has one fixed name and the replace is a rename, so a save killed part-way leaves
    // at most that one file, which the next save overwrites and renames, or deletes when it
    // fails: no leftover outlives the next save, and no other file is ever touched.
    const std::wstring target = folder + kFileName;
    const std::wstring temp = folder + kTempFileName;
    LockRetries retries;
    DWORD code = retries.run([&] { return write_record_file(temp, record); });
    if (code == ERROR_SUCCESS) code = retries.run([&] { return replace_file(temp, target); });
    if (code != ERROR_SUCCESS) {
        DeleteFileW(temp.c_str());
        return fail(error, code);
    }
    return true;
}

SettingsFileState compare_settings_file_in(const std::wstring& folder, uint32_t* error) {
    if (error) *error = 0;
    // One byte more than a record, so that a longer file is not taken for the same one.
    uint8_t bytes[kSettingsSize + 1];
    DWORD read = 0;
    const std::wstring path = folder + kFileName;
    const DWORD code = LockRetries().run([&] { return read_file_start(path, bytes, sizeof bytes, read); });
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return SettingsFileState::Missing;
    if (code != ERROR_SUCCESS) {
        fail(error, code);
        return SettingsFileState::Unreadable;
    }
    SettingsRecord written = settings_record();
    stamp_settings_header(written);
    return read == sizeof written && std::memcmp(bytes, &written, sizeof written) == 0
               ? SettingsFileState::Same
               : SettingsFileState::Different;
}

SettingsFileState compare_settings_file(uint32_t* error) {
    return compare_settings_file_in(settings_folder_path(), error);
}

bool load_settings(uint32_t* error) {
    return load_settings_from(settings_folder_path(), error);
}

bool save_settings(uint32_t* error) {
    return save_settings_to(settings_folder_path(), error);
}
