// Which presses choose a pad, which close the choice and which do nothing, by where the
// control sits on pads of each family.
#include "pages/controller/controller.h"

#include <gtest/gtest.h>

namespace {

constexpr EntryCode button(uint8_t number) {
    return {0, number};
}

TEST(PadChoiceRules, FaceButtonsAndStartTakeThePadAndBackCloses) {
    using Press = PadChoicePress;
    const struct {
        PadFamily family;
        EntryCode entry;
        Press press;
    } rows[] = {
        // clang-format off
        {PadFamily::Xbox,        button(0),  Press::Take},   // A
        {PadFamily::Xbox,        button(3),  Press::Take},   // Y
        {PadFamily::Xbox,        button(7),  Press::Take},   // Start
        {PadFamily::Xbox,        button(6),  Press::Close},  // View
        {PadFamily::Xbox,        button(4),  Press::None},   // LB
        {PadFamily::Xbox,        button(10), Press::None},   // Guide
        {PadFamily::Xbox,        {2, 4},     Press::None},   // LT, a half of Z
        {PadFamily::Xbox,        {8, 0},     Press::None},   // D-pad up
        {PadFamily::DualShock4,  button(1),  Press::Take},   // Cross, south
        {PadFamily::DualShock4,  button(0),  Press::Take},   // Square, west
        {PadFamily::DualShock4,  button(9),  Press::Take},   // Options
        {PadFamily::DualShock4,  button(8),  Press::Close},  // Share
        {PadFamily::DualShock4,  button(12), Press::None},   // PS
        {PadFamily::DualShock4,  button(13), Press::None},   // touchpad
        {PadFamily::DualSense,   button(8),  Press::Close},  // Create
        {PadFamily::SwitchPro,   button(0),  Press::Take},   // B, south
        {PadFamily::SwitchPro,   button(9),  Press::Take},   // +
        {PadFamily::SwitchPro,   button(8),  Press::Close},  // -
        {PadFamily::SwitchPro,   button(13), Press::None},   // Capture
        {PadFamily::EightBitDo,  button(4),  Press::Take},   // west
        {PadFamily::EightBitDo,  button(2),  Press::None},   // at no place
        {PadFamily::EightBitDo,  button(10), Press::Close},
        {PadFamily::Unknown,     button(2),  Press::Take},   // where the default layout puts A
        {PadFamily::Unknown,     button(8),  Press::Take},   // its Start
        {PadFamily::Unknown,     button(9),  Press::Close},  // its Back
        {PadFamily::Unknown,     button(6),  Press::None},
        {PadFamily::Unknown,     {3, 1},     Press::None},   // left stick up
        {PadFamily::Unknown,     {255, 0},   Press::None},   // unassigned
        // clang-format on
    };
    for (const auto& row : rows) {
        EXPECT_EQ(pad_choice_press(row.family, row.entry), row.press)
            << "family " << static_cast<int>(row.family) << ", entry " << int(row.entry.type) << "/"
            << int(row.entry.code);
    }
}

}  // namespace
