#include "app/app.h"
#include "probe/probe.h"

#include <gtest/gtest.h>

namespace {

// Start-up has just probed the display modes; the sheet asks the adapter again only when
// told to (after the below-minimum warning, while which the display may have changed).
TEST(SettingSheet, ProbesTheDisplayModesAgainOnlyWhenAsked) {
    display_mode_sets() = {};
    { CSettingSheet sheet(false); }
    EXPECT_TRUE(display_mode_sets().listed.empty()) << "the start-up probe's modes are used as they are";

    { CSettingSheet sheet(true); }
    EXPECT_FALSE(display_mode_sets().listed.empty()) << "the adapter was asked again";
}

}  // namespace
