// What must survive: damaged settings files, a process killed while saving, and many
// starts in a row.
#include "e2e/driver.h"
#include "settings/settings.h"

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

class Reliability : public ::testing::Test {
protected:
    void SetUp() override {
        e2e::remove_settings();
        e2e::make_folders(e2e::settings_folder());
    }
    void TearDown() override {
        SetFileAttributesA(e2e::settings_file().c_str(), FILE_ATTRIBUTE_NORMAL);
        e2e::remove_settings();
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

TEST_F(Reliability, AReadOnlyFileIsEitherKeptOrReplacedWhole) {
    const std::vector<uint8_t> before = valid_file();
    ASSERT_TRUE(e2e::write_file(e2e::settings_file(), before));
    SetFileAttributesA(e2e::settings_file().c_str(), FILE_ATTRIBUTE_READONLY);

    ASSERT_TRUE(e2e::run_tool_and_press(PSBTN_OK));
    const std::vector<uint8_t> after = e2e::read_file(e2e::settings_file());
    ASSERT_EQ(after.size(), 852u);
    EXPECT_TRUE(settings_bytes_valid(after.data(), after.size()));
    EXPECT_FALSE(e2e::file_exists(e2e::settings_folder() + "settings.dat.new"));
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

TEST_F(Reliability, FiftyStartsInARowLeaveNoProcessBehind) {
    for (int run = 0; run < 50; ++run) {
        SCOPED_TRACE(run);
        ASSERT_TRUE(e2e::run_tool_and_press(run % 2 ? PSBTN_OK : PSBTN_CANCEL));
    }
    Sleep(500);
    EXPECT_EQ(count_processes(L"settings.exe"), 0);
}

}  // namespace
