// A driver that takes long to list game controllers or to create their devices never
// freezes the tool: a dinput8.dll that sleeps in such calls (slow_dinput8.c) lies beside a
// copy of the program, with virtual pads plugged in, and the sheet is worked while it sleeps.
#include "e2e/driver.h"
#include "nrv/win32/win32.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "support/sheet_script.h"
#include "support/virtual_pad_commands.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using e2e::control_text;
using e2e::ToolProcess;
using test_support::attached_pads;
using test_support::VirtualPads;
using test_support::wait_until;

constexpr int kDisplayPage = 0;
constexpr int kControllerPage = 2;
constexpr DWORD kSleepMs = 20000;

// How long the page turn took, in milliseconds.
DWORD turn_page(HWND sheet, int index) {
    const DWORD start = GetTickCount();
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(sheet, PSM_SETCURSEL, index, 0, SMTO_NORMAL, 30000, &ignored);
    return GetTickCount() - start;
}

// Three turns from one page to the other and back (both made before), ending on `to`: the
// quickest, so that a moment of load on the machine does not count, and the slowest, which
// a thread that waits for a listing makes take seconds.
struct Turns {
    DWORD quickest = ~0u;
    DWORD slowest = 0;
};
Turns turn_pages(HWND sheet, int from, int to) {
    Turns turns;
    for (int turn = 0; turn < 6; ++turn) {
        const DWORD took = turn_page(sheet, turn % 2 ? to : from);
        turns.quickest = std::min(turns.quickest, took);
        turns.slowest = std::max(turns.slowest, took);
    }
    return turns;
}

::testing::AssertionResult turn_at_once(HWND sheet, int from, int to) {
    const Turns turns = turn_pages(sheet, from, to);
    if (turns.quickest < 100 && turns.slowest < 1000) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pages turned in " << turns.quickest << " to " << turns.slowest << " ms";
}

class SlowDriver : public test_support::PadsTest {
protected:
    void TearDown() override {
        if (m_tool) m_tool->kill();
        PadsTest::TearDown();
    }

    // Starts the copy of the tool beside the slow DLL (which the test's DLL overrides let
    // Wine load), whose calls of the kind `slow_in` from the `first_slow`-th on sleep
    // `sleep_ms`; the milliseconds until its sheet showed.
    DWORD start(DWORD sleep_ms, int first_slow = 1, const wchar_t* slow_in = L"listing") {
        m_tool = std::make_unique<ToolProcess>();
        const DWORD started = GetTickCount();
        if (!m_tool->start_program(SLOW_DRIVER_TOOL, {L"SLOW_MS=" + std::to_wstring(sleep_ms),
                                                      L"SLOW_FROM=" + std::to_wstring(first_slow),
                                                      std::wstring(L"SLOW_IN=") + slow_in}))
            return 0;
        m_sheet = m_tool->wait_for_sheet(60000);
        return m_sheet ? GetTickCount() - started : 0;
    }
    // Ends the tool with the sheet button and tells how long it took to end.
    DWORD end_with(int button) {
        const DWORD pressed = GetTickCount();
        e2e::press_sheet_button(m_sheet, button);
        EXPECT_TRUE(m_tool->wait_for_exit(30000));
        EXPECT_EQ(m_tool->exit_code(), 0u);
        return GetTickCount() - pressed;
    }
    // A settings file that gives player 1 the pad `pad` with a layout of its own.
    SettingsRecord store_player_pad(const GUID& pad) {
        std::vector<uint8_t> bytes = e2e::valid_settings_file(3, 5000);
        SettingsRecord record;
        std::memcpy(&record, bytes.data(), sizeof record);
        std::memcpy(&record.pad_slots[1].device_guid, &pad, sizeof pad);
        for (int slot = 0; slot < kAssignmentCount; ++slot)
            record.pad_slots[1].assignments[slot] =
                assignment_entry(0, static_cast<uint8_t>(23 - slot), 0, 0);
        stamp_settings_header(record);
        std::memcpy(bytes.data(), &record, sizeof record);
        EXPECT_TRUE(e2e::put_settings_file(bytes));
        return record;
    }
    bool lists(HWND page, const wchar_t* name) {
        const std::vector<std::wstring> entries = test_support::combo_entries(page, IDC_DEVICE);
        return std::find(entries.begin(), entries.end(), name) != entries.end();
    }

    std::unique_ptr<ToolProcess> m_tool;
    HWND m_sheet = nullptr;
};

// At start-up the sheet waits for the listing two seconds at most (a second and a half after
// the probe, which leaves room for the probe's own spread), then works with what it
// has: the player's pad is shown by its kept layout, pages turn at once, OK saves what is
// shown and Cancel ends at once; the pads come in when the listing ends.
TEST_F(SlowDriver, StartUpWaitsTwoSecondsAtMostAndThePadsComeLater) {
    ASSERT_TRUE(m_pads.attach("slow", 4, "Slow Pad"));
    ASSERT_TRUE(VirtualPads::wait_for(1));
    const SettingsRecord stored = store_player_pad(attached_pads()[0].instance);

    // What start-up and Cancel take without the sleep, and with it: the better of two of
    // each, so that a moment of load on the machine does not count. (Wine itself takes a
    // while to close the sheet, which the times without the sleep include.)
    DWORD start_without = ~0u, start_with = ~0u, end_without = ~0u;
    for (int round = 0; round < 2; ++round) {
        start_without = std::min(start_without, start(0));
        ASSERT_NE(start_without, 0u) << "no sheet without the sleep";
        end_without = std::min(end_without, end_with(PSBTN_CANCEL));
        start_with = std::min(start_with, start(kSleepMs));
        ASSERT_NE(start_with, 0u) << "no sheet with the sleep";
        if (round == 1) {
            EXPECT_LT(end_with(PSBTN_CANCEL), end_without + 2000) << "Cancel waited for the listing";
            continue;
        }
        // Pages turn at once (after the first showing, which makes the page), and OK while
        // the listing sleeps saves the layout the page shows: the kept one.
        turn_page(m_sheet, kControllerPage);
        EXPECT_TRUE(turn_at_once(m_sheet, kDisplayPage, kControllerPage));
        HWND page = e2e::current_page(m_sheet);
        EXPECT_NE(control_text(page, IDC_TAKEN_NOTE), L"") << "no word that pads are still looked for";
        EXPECT_EQ(test_support::combo_entries(page, IDC_DEVICE).size(), 2u)
            << "\"--\" and the kept pad alone";
        e2e::save_screenshot(m_sheet, "controller-page-looking-for-pads");
        EXPECT_LT(end_with(PSBTN_OK), end_without + 2000) << "OK waited for the listing";
        const std::vector<uint8_t> saved = e2e::read_file(e2e::settings_file());
        ASSERT_EQ(saved.size(), sizeof(SettingsRecord));
        EXPECT_EQ(std::memcmp(saved.data() + offsetof(SettingsRecord, pad_slots), &stored.pad_slots,
                              sizeof stored.pad_slots),
                  0)
            << "the players' pads and layouts were not saved as shown";
    }
    EXPECT_LT(start_with, start_without + 2500)
        << "start-up took " << start_with << " ms with the sleep, " << start_without << " without";

    // Left open, the sheet lists the pad once the listing ends, and gives it back to its player.
    ASSERT_NE(start(kSleepMs), 0u);
    turn_page(m_sheet, kControllerPage);
    HWND page = e2e::current_page(m_sheet);
    EXPECT_TRUE(wait_until([&] { return control_text(page, IDC_DEVICE) == L"Slow Pad"; }, kSleepMs + 10000))
        << "the pad was not listed when the listing ended";
    EXPECT_EQ(control_text(page, IDC_TAKEN_NOTE), L"");
    end_with(PSBTN_CANCEL);
}

// A pad plugged in while the sheet is open is listed after the sleep, in its listing or in
// the creation of its device, and the sheet works meanwhile.
struct SlowCall {
    const wchar_t* in;
    int first_slow;  // the start-up listing goes through
    const char* name;
    bool listings_go_through;  // only a later creation would sleep
};
void PrintTo(const SlowCall& call, std::ostream* out) {
    *out << call.name;
}
class SlowCallAfterADeviceChange : public SlowDriver, public ::testing::WithParamInterface<SlowCall> {};

TEST_P(SlowCallAfterADeviceChange, NeverFreezesTheSheet) {
    ASSERT_NE(start(kSleepMs, GetParam().first_slow, GetParam().in), 0u);
    turn_page(m_sheet, kControllerPage);
    const UniqueHandle sleeping(CreateEventW(nullptr, TRUE, FALSE, L"slow_dinput8 sleeping"));
    ASSERT_TRUE(m_pads.attach("late", 4, "Late Pad"));
    ASSERT_TRUE(VirtualPads::wait_for(1));
    ASSERT_EQ(WaitForSingleObject(sleeping.get(), 10000), WAIT_OBJECT_0)
        << "the tool did not list the pads again";
    EXPECT_TRUE(turn_at_once(m_sheet, kDisplayPage, kControllerPage));
    HWND page = e2e::current_page(m_sheet);
    EXPECT_FALSE(lists(page, L"Late Pad")) << "listed before the sleep ended";
    // The sheet answers at once all the while, also once the sleep has ended.
    DWORD slowest = 0;
    EXPECT_TRUE(wait_until(
        [&] {
            slowest = std::max(slowest, turn_page(m_sheet, kControllerPage));
            return lists(page, L"Late Pad");
        },
        kSleepMs + 10000))
        << "the pad was not listed when the sleep ended";
    EXPECT_LT(slowest, 1000u) << "the sheet did not answer for " << slowest << " ms";
    if (GetParam().listings_go_through) {
        // A pad's device is created once: the listing that showing the page again asks for
        // creates none.
        turn_page(m_sheet, kDisplayPage);
        turn_page(m_sheet, kControllerPage);
        EXPECT_EQ(WaitForSingleObject(sleeping.get(), 2000), static_cast<DWORD>(WAIT_TIMEOUT))
            << "the listed pad's device was created again";
    }
    end_with(PSBTN_CANCEL);
}

INSTANTIATE_TEST_SUITE_P(SlowDriver, SlowCallAfterADeviceChange,
                         ::testing::Values(SlowCall{L"listing", 2, "Listing", false},
                                           SlowCall{L"creation", 1, "Creation", true}),
                         [](const ::testing::TestParamInfo<SlowCall>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
