#include "settings/settings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void remove_tree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_tree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_root = std::string(temp) + "settings_file_test_" + std::to_string(GetCurrentProcessId());
        remove_tree(m_root);
        CreateDirectoryA(m_root.c_str(), nullptr);
        m_folder = m_root + "\\Kestrane\\Calcora\\";
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

    std::string file() const { return m_folder + "settings.dat"; }

    std::string m_root;
    std::string m_folder;
};

TEST_F(SettingsFile, SaveCreatesTheFolderAndWritesTheExactRecord) {
    ASSERT_TRUE(save_settings_to(m_folder));
    const std::vector<uint8_t> saved = read_file(file());
    ASSERT_EQ(saved.size(), 852u);
    EXPECT_EQ(saved, record_bytes());
    EXPECT_TRUE(settings_bytes_valid(saved.data(), saved.size()));
    EXPECT_FALSE(exists(m_folder + "settings.dat.new"));
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

    DeleteFileA(file().c_str());
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

TEST_F(SettingsFile, AFailedSaveKeepsThePreviousFile) {
    ASSERT_TRUE(save_settings_to(m_folder));
    const std::vector<uint8_t> old_file = read_file(file());

    // A directory where the new file would be written makes the write fail.
    ASSERT_TRUE(CreateDirectoryA((m_folder + "settings.dat.new").c_str(), nullptr));
    fill_record(0x99);
    EXPECT_FALSE(save_settings_to(m_folder));
    EXPECT_EQ(read_file(file()), old_file);
}

TEST_F(SettingsFile, AFolderThatCannotBeMadeFailsQuietly) {
    // A plain file stands where the Kestrane folder should be.
    write_file(m_root + "\\Kestrane", {1, 2, 3});
    EXPECT_FALSE(make_directories(m_folder));
    EXPECT_FALSE(save_settings_to(m_folder));
    EXPECT_EQ(read_file(m_root + "\\Kestrane"), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(SettingsFile, MakeDirectoriesCreatesEveryLevelBeforeTheLastSeparator) {
    const std::string path = m_root + "/a\\b/c\\leaf";
    EXPECT_TRUE(make_directories(path));
    EXPECT_TRUE(exists(m_root + "\\a\\b\\c"));
    EXPECT_FALSE(exists(m_root + "\\a\\b\\c\\leaf"));
    EXPECT_TRUE(make_directories(path));  // existing levels are fine
}

TEST(SettingsFolder, IsTheDocumentsFolderWithTheGameSuffix) {
    const std::string folder = settings_folder_path();
    const std::string suffix = "\\Kestrane\\Calcora\\";
    ASSERT_GT(folder.size(), suffix.size());
    EXPECT_EQ(folder.substr(folder.size() - suffix.size()), suffix);
}

}  // namespace
