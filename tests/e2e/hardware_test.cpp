// The tool on this machine and on one that cannot run the lowest quality (Direct3D 9
// switched off): the defaults it builds, the warning, the refused quality and a stored
// quality above what the machine runs.
#include "e2e/driver.h"
#include "nrv/storage/storage.h"
#include "probe/probe.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "text/text.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
#include <istream>

namespace {

using e2e::ToolProcess;

bool direct3d9_switched_off() {
    char value[8] = {};
    return GetEnvironmentVariableA("SETTINGS_TEST_NO_D3D9", value, sizeof value) > 0;
}

void load_texts_in_english() {
    HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_STRING_DATABASE), MAKEINTRESOURCEW(10));
    ASSERT_TRUE(resource);
    nrv::storage::memory_streambuf buffer(LockResource(LoadResource(nullptr, resource)),
                                          static_cast<int32_t>(SizeofResource(nullptr, resource)));
    std::istream stream(&buffer);
    ASSERT_TRUE(load_string_database(stream));
    set_language("en", "GB");
}

std::vector<uint8_t> record_bytes() {
    const auto* p = reinterpret_cast<const uint8_t*>(&settings_record());
    return std::vector<uint8_t>(p, p + sizeof(SettingsRecord));
}

// Answers the below-minimum warning, checking its texts, and returns the sheet.
HWND pass_the_warning(ToolProcess& tool) {
    HWND box = e2e::wait_for_message_box(tool.pid());
    EXPECT_TRUE(box) << "no warning on a machine below the minimum";
    if (!box) return nullptr;
    EXPECT_FALSE(e2e::process_has_sheet(tool.pid())) << "the warning comes before the sheet exists";
    EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
    EXPECT_EQ(e2e::window_text(box), text_w(3));
    EXPECT_EQ(e2e::message_box_text(box), text_w(8));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    HWND sheet = tool.wait_for_sheet();
    EXPECT_EQ(e2e::wait_for_message_box(tool.pid(), 500), nullptr) << "the warning comes once";
    return sheet;
}

class Hardware : public ::testing::Test {
protected:
    void SetUp() override {
        load_texts_in_english();
        e2e::remove_settings();
    }
    void TearDown() override { e2e::remove_settings(); }
};

TEST_F(Hardware, AFreshStartSavesTheDefaultsForThisMachine) {
    if (direct3d9_switched_off()) GTEST_SKIP() << "for a machine with Direct3D";
    probe_display_modes();
    probe_adapter();
    ASSERT_TRUE(can_run_tier(0)) << "this machine should run the lowest tier";
    build_default_settings(highest_runnable_tier(), desktop_width(), desktop_height());
    const std::vector<uint8_t> expected = record_bytes();

    ToolProcess tool;
    ASSERT_TRUE(tool.start());
    HWND sheet = tool.wait_for_sheet();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(e2e::wait_for_message_box(tool.pid(), 0), nullptr) << "no warning on a capable machine";
    e2e::press_sheet_button(sheet, PSBTN_OK);
    ASSERT_TRUE(tool.wait_for_exit());

    // The Display page, shown first, stores the resolution it selected: the default one
    // when it offers it, else the first one it offers.
    std::vector<uint8_t> saved = e2e::read_file(e2e::settings_file());
    ASSERT_EQ(saved.size(), expected.size());
    SettingsRecord record;
    std::memcpy(&record, saved.data(), sizeof record);
    EXPECT_TRUE(fullscreen_modes().count({record.screen_width, record.screen_height}))
        << record.screen_width << " x " << record.screen_height;
    EXPECT_EQ(std::memcmp(saved.data(), expected.data(), 0x0C), 0) << "magic, version and size";
    EXPECT_EQ(std::memcmp(saved.data() + 0x0E, expected.data() + 0x0E, 2), 0) << "display options";
    EXPECT_EQ(std::memcmp(saved.data() + 0x18, expected.data() + 0x18, expected.size() - 0x18), 0)
        << "everything after the resolution is this machine's defaults";
}

TEST_F(Hardware, BelowTheMinimumTheWarningComesOnceBeforeTheSheet) {
    if (!direct3d9_switched_off()) GTEST_SKIP() << "needs Direct3D 9 switched off";
    ToolProcess tool;
    ASSERT_TRUE(tool.start());
    HWND sheet = pass_the_warning(tool);
    ASSERT_TRUE(sheet);

    // Medium quality cannot run either: the page refuses it and falls back to low.
    e2e::select_page(sheet, 0);
    HWND display = e2e::current_page(sheet);
    PostMessageW(GetDlgItem(display, IDC_QUALITY_MEDIUM), BM_CLICK, 0, 0);
    HWND refusal = e2e::wait_for_message_box(tool.pid(), 5000);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(e2e::window_text(refusal), text_w(37));
    EXPECT_EQ(e2e::message_box_text(refusal), text_w(82));
    PostMessageW(refusal, WM_COMMAND, IDOK, 0);
    Sleep(500);
    EXPECT_EQ(SendMessageW(GetDlgItem(display, IDC_QUALITY_LOW), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(GetDlgItem(display, IDC_QUALITY_MEDIUM), BM_GETCHECK, 0, 0), BST_UNCHECKED);

    e2e::press_sheet_button(sheet, PSBTN_CANCEL);
    ASSERT_TRUE(tool.wait_for_exit());
}

TEST_F(Hardware, AStoredQualityAboveTheMachineIsReplacedOnlyOnOk) {
    if (!direct3d9_switched_off()) GTEST_SKIP() << "needs Direct3D 9 switched off";
    std::vector<uint8_t> high = e2e::valid_settings_file(0x33, 6200);
    SettingsRecord record;
    std::memcpy(&record, high.data(), sizeof record);
    record.quality = 2;
    stamp_settings_header(record);
    std::memcpy(high.data(), &record, sizeof record);
    ASSERT_TRUE(e2e::put_settings_file(high));

    for (int button : {PSBTN_CANCEL, PSBTN_OK}) {
        ToolProcess tool;
        ASSERT_TRUE(tool.start());
        HWND sheet = pass_the_warning(tool);
        ASSERT_TRUE(sheet);
        e2e::press_sheet_button(sheet, button);
        ASSERT_TRUE(tool.wait_for_exit());
        if (button == PSBTN_CANCEL) {
            EXPECT_EQ(e2e::read_file(e2e::settings_file()), high);
        }
    }
    const std::vector<uint8_t> saved = e2e::read_file(e2e::settings_file());
    ASSERT_EQ(saved.size(), 852u);
    std::memcpy(&record, saved.data(), sizeof record);
    EXPECT_EQ(record.quality, 0);
    EXPECT_EQ(record.udp_port, 5739) << "the whole record went back to defaults";
    EXPECT_EQ(record.reserved[0], 0);
}

// A stored quality equal to the machine's highest tier is kept with the whole record; a
// negative one gives this machine's defaults.
TEST_F(Hardware, AStoredQualityUpToTheMachineIsKeptAndANegativeOneIsNot) {
    probe_adapter();
    const int highest = highest_runnable_tier();
    for (int32_t stored : {highest, -1}) {
        std::vector<uint8_t> file = e2e::valid_settings_file(0x44, 6300);
        SettingsRecord record;
        std::memcpy(&record, file.data(), sizeof record);
        record.quality = stored;
        stamp_settings_header(record);
        std::memcpy(file.data(), &record, sizeof record);
        ASSERT_TRUE(e2e::put_settings_file(file));

        ToolProcess tool;
        ASSERT_TRUE(tool.start());
        HWND sheet = direct3d9_switched_off() ? pass_the_warning(tool) : tool.wait_for_sheet();
        ASSERT_TRUE(sheet);
        e2e::press_sheet_button(sheet, PSBTN_OK);
        ASSERT_TRUE(tool.wait_for_exit());

        const std::vector<uint8_t> saved = e2e::read_file(e2e::settings_file());
        ASSERT_EQ(saved.size(), 852u);
        std::memcpy(&record, saved.data(), sizeof record);
        EXPECT_EQ(record.quality, highest) << "stored " << stored;
        EXPECT_EQ(record.udp_port, stored < 0 ? 5739 : 6300) << "stored " << stored;
    }
}

}  // namespace
