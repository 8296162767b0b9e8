#include "settings/settings.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> read_file(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    FILE* in = _wfopen(path.c_str(), L"rb");
    if (!in) return bytes;
    for (int c; (c = std::fgetc(in)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(in);
    return bytes;
}

void write_file(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    FILE* out = _wfopen(path.c_str(), L"wb");
    ASSERT_TRUE(out);
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
}

bool exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void remove_tree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_tree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

// A documents folder whose name no Western code page can hold.
const wchar_t kForeignName[] = L"\u0414\u043e\u043a\u0443\u043c\u0435\u043d\u0442\u044b";

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        // Every case works under a folder named outside the code page.
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        m_root = std::wstring(temp) + kForeignName + L"_" + std::to_wstring(GetCurrentProcessId());
        remove_tree(m_root);
        CreateDirectoryW(m_root.c_str(), nullptr);
        m_folder = m_root + L"\\Kestrane\\Calcora\\";
        fill_record(0x11);
    }
    void TearDown() override { remove_tree(m_root); }

    // A recognisable valid record in memory.
    static void fill_record(uint8_t seed) {
        SettingsRecord& record = settings_record();
        std::memset(&record, 0, sizeof record);
        record.version = kSettingsVersion;
        record.screen_width = 1280;
        record.screen_height = 720;
        record.quality = 2;
        for (int i = 0; i < 248; ++i) record.reserved[i] = static_cast<uint8_t>(seed + i);
        for (int i = 0; i < kAssignmentCount; ++i)
            record.pad_slots[0].assignments[i] = 0x01000000u * seed + i;
        stamp_settings_header(record);
    }

    static std::vector<uint8_t> record_bytes() {
        const auto* p = reinterpret_cast<const uint8_t*>(&settings_record());
        return std::vector<uint8_t>(p, p + sizeof(SettingsRecord));
    }

    std::wstring file() const { return m_folder + L"settings.dat"; }

    std::wstring m_root;
    std::wstring m_folder;
};

TEST_F(SettingsFile, SaveCreatesTheFolderAndWritesTheExactRecord) {
    ASSERT_TRUE(save_settings_to(m_folder));
    const std::vector<uint8_t> saved = read_file(file());
    ASSERT_EQ(saved.size(), 852u);
    EXPECT_EQ(saved, record_bytes());
    EXPECT_TRUE(settings_bytes_valid(saved.data(), saved.size()));
    EXPECT_FALSE(exists(m_folder + L"settings.dat.new"));
}

TEST_F(SettingsFile, LoadAfterSaveRestoresEveryByte) {
    ASSERT_TRUE(save_settings_to(m_folder));
    const std::vector<uint8_t> saved = read_file(file());
    fill_record(0x77);
    ASSERT_TRUE(load_settings_from(m_folder));
    EXPECT_EQ(record_bytes(), saved);
    EXPECT_EQ(active_keyboard_layout()[0], 0x11000000u);

    // Saving an unchanged loaded record writes back what was read, reserved bytes too.
    ASSERT_TRUE(save_settings_to(m_folder));
    EXPECT_EQ(read_file(file()), saved);
}

TEST_F(SettingsFile, RejectedFilesLeaveTheRecordAlone) {
    ASSERT_TRUE(save_settings_to(m_folder));
    const std::vector<uint8_t> good = read_file(file());

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"short", std::vector<uint8_t>(good.begin(), good.end() - 1)});
    std::vector<uint8_t> flipped = good;
    flipped[0x02C + 5] ^= 0x40;
    cases.push_back({"reserved byte flipped", flipped});
    std::vector<uint8_t> slot = good;
    slot[0x2E4 + 20] ^= 0x01;
    cases.push_back({"last slot byte flipped", slot});
    std::vector<uint8_t> version = good;
    version[4] = 3;
    cases.push_back({"version", version});

    for (const Case& c : cases) {
        write_file(file(), c.bytes);
        fill_record(0x55);
        const std::vector<uint8_t> before = record_bytes();
        EXPECT_FALSE(load_settings_from(m_folder)) << c.what;
        EXPECT_EQ(record_bytes(), before) << c.what;
    }

    DeleteFileW(file().c_str());
    EXPECT_FALSE(load_settings_from(m_folder));
}

TEST_F(SettingsFile, LargerSizeAndTrailingBytesAreAccepted) {
    SettingsRecord& record = settings_record();
    make_directories(m_folder);
    record.size = 1000;
    record.checksum = settings_checksum(record);
    std::vector<uint8_t> bytes = record_bytes();
    bytes.resize(1000, 0xAB);
    write_file(file(), bytes);

    fill_record(0x22);
    ASSERT_TRUE(load_settings_from(m_folder));
    EXPECT_EQ(settings_record().size, 1000u);
    ASSERT_TRUE(save_settings_to(m_folder));
    const std::vector<uint8_t> saved = read_file(file());
    ASSERT_EQ(saved.size(), 852u);
    EXPECT_EQ(saved[8], 0x54);  // 852 = 0x354
    EXPECT_EQ(saved[9], 0x03);
    EXPECT_TRUE(settings_bytes_valid(saved.data(), saved.size()));
}

TEST_F(SettingsFile, AFailedSaveKeepsThePreviousFileAndNamesTheFailure) {
    ASSERT_TRUE(save_settings_to(m_folder));
    const std::vector<uint8_t> old_file = read_file(file());

    // A directory where the new file would be written makes the write fail.
    ASSERT_TRUE(CreateDirectoryW((m_folder + L"settings.dat.new").c_str(), nullptr));
    fill_record(0x99);
    uint32_t error = 0;
    EXPECT_FALSE(save_settings_to(m_folder, &error));
    EXPECT_NE(error, 0u);
    EXPECT_EQ(read_file(file()), old_file);
}

TEST_F(SettingsFile, AFolderThatCannotBeMadeFailsWithTheSystemsReason) {
    // A plain file stands where the Kestrane folder should be.
    write_file(m_root + L"\\Kestrane", {1, 2, 3});
    EXPECT_FALSE(make_directories(m_folder));
    const DWORD expected = GetLastError();
    uint32_t error = 0;
    EXPECT_FALSE(save_settings_to(m_folder, &error));
    EXPECT_EQ(error, expected);
    EXPECT_NE(error, 0u);
    EXPECT_EQ(read_file(m_root + L"\\Kestrane"), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(SettingsFile, MakeDirectoriesCreatesEveryLevelBeforeTheLastSeparator) {
    const std::wstring path = m_root + L"/a\\b/c\\leaf";
    EXPECT_TRUE(make_directories(path));
    EXPECT_TRUE(exists(m_root + L"\\a\\b\\c"));
    EXPECT_FALSE(exists(m_root + L"\\a\\b\\c\\leaf"));
    EXPECT_TRUE(make_directories(path));  // existing levels are fine
}

bool no_documents_folder(std::wstring&) {
    return false;
}

bool foreign_documents_folder(std::wstring& folder) {
    folder = std::wstring(L"C:\\users\\") + kForeignName + L"\\";
    return true;
}

TEST(SettingsFolder, IsTheDocumentsFolderWithTheGameSuffixOrTheCurrentFolder) {
    wchar_t documents[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents), S_OK);
    EXPECT_EQ(settings_folder_path(), std::wstring(documents) + L"\\Kestrane\\Calcora\\");
    EXPECT_EQ(settings_folder_path(foreign_documents_folder),
              std::wstring(L"C:\\users\\") + kForeignName + L"\\Kestrane\\Calcora\\");
    EXPECT_EQ(settings_folder_path(no_documents_folder), L".\\Kestrane\\Calcora\\");
}

TEST_F(SettingsFile, WithoutADocumentsFolderTheFileLivesUnderTheCurrentFolder) {
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(m_root.c_str()));
    const std::wstring fallback = settings_folder_path(no_documents_folder);
    const bool saved = save_settings_to(fallback);
    fill_record(0x44);
    const bool loaded = load_settings_from(fallback);
    SetCurrentDirectoryW(previous);

    EXPECT_TRUE(saved);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(read_file(file()), record_bytes()) << "written to and read from .\\Kestrane\\Calcora";
}

}  // namespace
