// The whole program as a player meets it: start, OK, Cancel, a second start, a save that
// cannot be written (more of that in the reliability tests).
#include "e2e/driver.h"
#include "settings/settings.h"
#include "support/own_texts.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>

namespace {

using e2e::ToolProcess;

std::vector<uint8_t> distinctive_file() {
    return e2e::valid_settings_file(0xA0, 6001);
}

// The four pages in order with their titles, OK and Cancel only.
void expect_sheet_layout(HWND sheet) {
    ASSERT_TRUE(test_support::load_own_texts());
    const uint32_t titles[] = {32, 50, 78, 51};
    HWND tab = FindWindowExW(sheet, nullptr, WC_TABCONTROLW, nullptr);
    ASSERT_EQ(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 4);
    for (int page = 0; page < 4; ++page) EXPECT_EQ(e2e::tab_title(sheet, page), text_w(titles[page])) << page;
    EXPECT_EQ(e2e::window_text(sheet), text_w(3));
    EXPECT_EQ(e2e::window_text(GetDlgItem(sheet, IDCANCEL)), text_w(30));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(sheet, IDOK)));
    constexpr int kApplyButton = 0x3021;
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(sheet, kApplyButton))) << "no Apply button";
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(sheet, IDHELP))) << "no Help button";
}

class Startup : public ::testing::Test {
protected:
    void SetUp() override { e2e::remove_settings(); }
    void TearDown() override { e2e::remove_settings(); }
};

TEST_F(Startup, OkWritesAValidSettingsFile) {
    ToolProcess tool;
    ASSERT_TRUE(tool.start());
    HWND sheet = tool.wait_for_sheet();
    ASSERT_TRUE(sheet) << "the sheet never appeared";
    EXPECT_FALSE(e2e::file_exists(e2e::settings_file())) << "nothing is written before OK";
    e2e::save_screenshot(sheet, "startup-sheet");
    expect_sheet_layout(sheet);

    e2e::press_sheet_button(sheet, PSBTN_OK);
    ASSERT_TRUE(tool.wait_for_exit());
    EXPECT_EQ(tool.exit_code(), 0u);

    const std::vector<uint8_t> saved = e2e::read_file(e2e::settings_file());
    ASSERT_EQ(saved.size(), 852u);
    EXPECT_TRUE(settings_bytes_valid(saved.data(), saved.size()));
    EXPECT_FALSE(e2e::file_exists(e2e::settings_folder() + "settings.dat.new"));
}

TEST_F(Startup, CancelLeavesTheFileAsItWas) {
    const std::vector<uint8_t> before = distinctive_file();
    ASSERT_TRUE(e2e::put_settings_file(before));
    ASSERT_TRUE(e2e::run_tool_and_press(PSBTN_CANCEL));
    EXPECT_EQ(e2e::read_file(e2e::settings_file()), before);
}

TEST_F(Startup, CancelWithoutAFileWritesNone) {
    ASSERT_TRUE(e2e::run_tool_and_press(PSBTN_CANCEL));
    EXPECT_FALSE(e2e::file_exists(e2e::settings_file()));
}

TEST_F(Startup, OkKeepsWhatALoadedFileHolds) {
    const std::vector<uint8_t> before = distinctive_file();
    ASSERT_TRUE(e2e::put_settings_file(before));
    ASSERT_TRUE(e2e::run_tool_and_press(PSBTN_OK));
    const std::vector<uint8_t> after = e2e::read_file(e2e::settings_file());
    ASSERT_EQ(after.size(), 852u);
    // The reserved bytes and the online port survive a save untouched.
    EXPECT_TRUE(std::equal(before.begin() + 0x2C, before.begin() + 0x124, after.begin() + 0x2C));
    EXPECT_EQ(std::memcmp(&before[0x28], &after[0x28], 4), 0);
}

TEST_F(Startup, ASecondStartBringsTheFirstForwardAndEnds) {
    ToolProcess first;
    ASSERT_TRUE(first.start());
    HWND sheet = first.wait_for_sheet();
    ASSERT_TRUE(sheet);

    ToolProcess second;
    ASSERT_TRUE(second.start());
    EXPECT_TRUE(second.wait_for_exit(30000)) << "the second instance did not end by itself";
    EXPECT_EQ(second.wait_for_sheet(0), nullptr);
    EXPECT_EQ(GetForegroundWindow(), sheet);
    EXPECT_FALSE(e2e::file_exists(e2e::settings_file()));

    e2e::press_sheet_button(sheet, PSBTN_CANCEL);
    EXPECT_TRUE(first.wait_for_exit());
}

TEST_F(Startup, ASecondStartWhileTheFirstHasNoSheetYetEndsSilently) {
    // Holding the guard mutex stands for a first instance that is still probing.
    HANDLE guard = CreateMutexA(nullptr, FALSE, "CALCORA8 steeings");
    ASSERT_TRUE(guard);
    ToolProcess second;
    ASSERT_TRUE(second.start());
    const bool ended = second.wait_for_exit(15000);
    CloseHandle(guard);
    EXPECT_TRUE(ended) << "the second instance did not end by itself";
    EXPECT_EQ(second.exit_code(), 0u);
    EXPECT_FALSE(e2e::process_has_sheet(second.pid()));
    EXPECT_FALSE(e2e::file_exists(e2e::settings_file()));
}

TEST_F(Startup, WithoutTextsTheSheetShowsEmptyCaptionsAndASecondStartStillEnds) {
    ToolProcess first;
    ASSERT_TRUE(first.start_program(SETTINGS_WITHOUT_TEXTS_EXE));
    HWND sheet = first.wait_for_sheet();
    ASSERT_TRUE(sheet) << "the sheet never appeared";
    EXPECT_EQ(e2e::window_text(sheet), L"");
    EXPECT_EQ(e2e::window_text(GetDlgItem(sheet, IDCANCEL)), L"");
    for (int page = 0; page < 4; ++page) EXPECT_EQ(e2e::tab_title(sheet, page), L"") << page;

    ToolProcess second;
    ASSERT_TRUE(second.start_program(SETTINGS_WITHOUT_TEXTS_EXE));
    EXPECT_TRUE(second.wait_for_exit(15000)) << "the second instance did not end by itself";
    EXPECT_FALSE(e2e::process_has_sheet(second.pid()));

    e2e::press_sheet_button(sheet, PSBTN_OK);
    ASSERT_TRUE(first.wait_for_exit());
    const std::vector<uint8_t> saved = e2e::read_file(e2e::settings_file());
    EXPECT_TRUE(settings_bytes_valid(saved.data(), saved.size())) << "the sheet still saves";
}

TEST_F(Startup, ASaveThatCannotBeWrittenIsToldAndKeepsTheOldFile) {
    const std::vector<uint8_t> before = distinctive_file();
    ASSERT_TRUE(e2e::put_settings_file(before));
    // A folder standing where the new file would be written makes the write fail.
    ASSERT_TRUE(CreateDirectoryA((e2e::settings_folder() + "settings.dat.new").c_str(), nullptr));
    ToolProcess tool;
    ASSERT_TRUE(tool.start());
    HWND sheet = tool.wait_for_sheet();
    ASSERT_TRUE(sheet);
    e2e::press_sheet_button(sheet, PSBTN_OK);
    HWND box = e2e::wait_for_message_box(tool.pid(), 10000);
    ASSERT_TRUE(box) << "the failed save must be told";
    PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(tool.wait_for_exit());
    EXPECT_EQ(tool.exit_code(), 0u) << "the tool must end normally, not crash";
    EXPECT_EQ(e2e::read_file(e2e::settings_file()), before);
}

}  // namespace
