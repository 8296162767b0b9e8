// settings.dat in the user's documents folder: reading, validating and writing it.
//
// Every path is a wide string and every file-system call the wide form, so a documents
// folder whose name the system code page cannot hold (a Cyrillic or Greek user name on a
// Western system, say) works like any other.
#include "settings/settings.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <utility>

namespace {

const wchar_t kFolderSuffix[] = L"\\Kestrane\\Calcora\\";
const wchar_t kCurrentFolder[] = L".";
const wchar_t kFileName[] = L"settings.dat";
const wchar_t kTempFileName[] = L"settings.dat.new";

// Owns a file handle from CreateFileW.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    ~FileHandle() { close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool is_open() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_handle; }
    // Closes the file; false when the system reports a failure.
    bool close() { return !is_open() || CloseHandle(std::exchange(m_handle, INVALID_HANDLE_VALUE)); }

private:
    HANDLE m_handle;
};

bool is_separator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// Writes all of the record to path and forces it to the disk. On any shortfall returns
// the system's error code for the step that failed; 0 on success.
DWORD write_record_file(const std::wstring& path, const SettingsRecord& record) {
    FileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.is_open()) return GetLastError();
    DWORD written = 0;
    if (!WriteFile(file.get(), &record, sizeof record, &written, nullptr)) return GetLastError();
    if (written != sizeof record) return ERROR_HANDLE_DISK_FULL;
    if (!FlushFileBuffers(file.get())) return GetLastError();
    if (!file.close()) return GetLastError();
    return ERROR_SUCCESS;
}

// Reads up to size bytes from the start of path; the count read, or -1 when the file
// cannot be opened.
long read_file_start(const std::wstring& path, uint8_t* bytes, DWORD size) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.is_open()) return -1;
    DWORD total = 0;
    while (total < size) {
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes + total, size - total, &read, nullptr) || read == 0) break;
        total += read;
    }
    return static_cast<long>(total);
}

bool fail(uint32_t* error, DWORD code) {
    if (error) *error = code;
    return false;
}

}  // namespace

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

std::wstring settings_folder_path(DocumentsFolderLookup lookup) {
    std::wstring documents;
    if (!lookup || !lookup(documents) || documents.empty()) documents = kCurrentFolder;
    // The shell may end the folder with a separator; the suffix brings its own.
    while (documents.size() > 1 && is_separator(documents.back())) documents.pop_back();
    return documents + kFolderSuffix;
}

bool make_directories(const std::wstring& path) {
    std::wstring prefix;
    for (wchar_t c : path) {
        if (is_separator(c) && !prefix.empty() &&
            GetFileAttributesW(prefix.c_str()) == INVALID_FILE_ATTRIBUTES &&
            !CreateDirectoryW(prefix.c_str(), nullptr)) {
            return false;
        }
        prefix += c;
    }
    return true;
}

bool load_settings_from(const std::wstring& folder) {
    uint8_t bytes[kSettingsSize];
    const long read = read_file_start(folder + kFileName, bytes, sizeof bytes);
    // A truncated file is rejected outright rather than completed from whatever the
    // record held before.
    if (read != static_cast<long>(sizeof bytes) || !settings_bytes_valid(bytes, sizeof bytes)) return false;
    std::memcpy(&settings_record(), bytes, sizeof bytes);
    refresh_keyboard_layout();
    return true;
}

bool save_settings_to(const std::wstring& folder, uint32_t* error) {
    if (!make_directories(folder)) return fail(error, GetLastError());
    SettingsRecord& record = settings_record();
    stamp_settings_header(record);

    // The old file is replaced only once the new one is complete on disk, so a crash, a
    // full disk or a failed write never leaves a short settings.dat behind.
    const std::wstring target = folder + kFileName;
    const std::wstring temp = folder + kTempFileName;
    DWORD code = write_record_file(temp, record);
    if (code == ERROR_SUCCESS &&
        !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        code = GetLastError();
    if (code != ERROR_SUCCESS) {
        DeleteFileW(temp.c_str());
        return fail(error, code);
    }
    return true;
}

bool load_settings() {
    return load_settings_from(settings_folder_path());
}

bool save_settings(uint32_t* error) {
    return save_settings_to(settings_folder_path(), error);
}
