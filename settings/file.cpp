// settings.dat in the user's documents folder: reading, validating and writing it.
#include "settings/settings.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <io.h>

namespace {

const char kFolderSuffix[] = "\\Kestrane\\Calcora\\";
const char kFileName[] = "settings.dat";
const char kTempFileName[] = "settings.dat.new";

std::string documents_folder() {
    LPITEMIDLIST pidl = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_PERSONAL, &pidl)) || !pidl) return ".";
    char path[MAX_PATH] = {};
    const BOOL ok = SHGetPathFromIDListA(pidl, path);
    CoTaskMemFree(pidl);
    // The shell may know the folder but fail to give it as an ANSI path.
    if (!ok || path[0] == '\0') return ".";
    return path;
}

bool is_separator(char c) {
    return c == '\\' || c == '/';
}

// Writes all of the record to path and forces it to the disk; false on any shortfall.
bool write_record_file(const std::string& path, const SettingsRecord& record) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(&record, 1, sizeof record, file) == sizeof record;
    ok = std::fflush(file) == 0 && ok;
    ok = _commit(_fileno(file)) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

}  // namespace

std::string settings_folder_path() {
    return documents_folder() + kFolderSuffix;
}

bool make_directories(const std::string& path) {
    std::string prefix;
    for (char c : path) {
        if (is_separator(c) && !prefix.empty() &&
            GetFileAttributesA(prefix.c_str()) == INVALID_FILE_ATTRIBUTES &&
            !CreateDirectoryA(prefix.c_str(), nullptr)) {
            return false;
        }
        prefix += c;
    }
    return true;
}

bool load_settings_from(const std::string& folder) {
    FILE* file = std::fopen((folder + kFileName).c_str(), "rb");
    if (!file) return false;
    uint8_t bytes[kSettingsSize];
    const size_t read = std::fread(bytes, 1, sizeof bytes, file);
    std::fclose(file);
    // A truncated file is rejected outright rather than completed from whatever the
    // record held before.
    if (read != sizeof bytes || !settings_bytes_valid(bytes, read)) return false;
    std::memcpy(&settings_record(), bytes, sizeof bytes);
    refresh_keyboard_layout();
    return true;
}

bool save_settings_to(const std::string& folder) {
    make_directories(folder);
    SettingsRecord& record = settings_record();
    stamp_settings_header(record);

    // The old file is replaced only once the new one is complete on disk, so a crash, a
    // full disk or a failed write never leaves a short settings.dat behind.
    const std::string target = folder + kFileName;
    const std::string temp = folder + kTempFileName;
    if (!write_record_file(temp, record)) {
        DeleteFileA(temp.c_str());
        return false;
    }
    if (!MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp.c_str());
        return false;
    }
    return true;
}

bool load_settings() {
    return load_settings_from(settings_folder_path());
}

void save_settings() {
    save_settings_to(settings_folder_path());
}
