// Pad navigation's rules without windows: the navigator that turns readings into actions,
// and which control of each pad family and which XInput button does what.
#include "padnav/padnav.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace padnav;

// The navigator over timelines of readings: (held buttons, time) in turn, and the actions
// all of them led to.
struct nav_reading {
    uint32_t held;
    uint32_t ms;
};

std::vector<nav_action> navigate(const std::vector<nav_reading>& readings, uint32_t release_after = ~0u,
                                 uint32_t start_ms = 0) {
    pad_navigator navigator(nav_timing{500, 50});
    std::vector<nav_action> actions;
    for (size_t i = 0; i < readings.size(); ++i) {
        navigator.update(readings[i].held, start_ms + readings[i].ms, actions);
        if (i == release_after) navigator.wait_for_release();
    }
    return actions;
}

TEST(PadNavigator, ButtonsActOncePerPressAndOnlyDirectionsRepeat) {
    const uint32_t a = nav_bit(nav_south), start = nav_bit(nav_start), down = nav_bit(nav_down);
    const uint32_t up = nav_bit(nav_up), rb = nav_bit(nav_right_shoulder);
    const uint32_t left = nav_bit(nav_left), right = nav_bit(nav_right);
    using A = nav_action;
    struct {
        const char* what;
        std::vector<nav_reading> readings;
        std::vector<nav_action> expected;
    } cases[] = {
        {"A held two seconds", {{a, 0}, {a, 600}, {a, 2000}, {0, 2050}}, {A::activate}},
        {"A pressed twice", {{a, 0}, {0, 50}, {a, 100}}, {A::activate, A::activate}},
        {"down held: once, then after the delay at the rate",
         {{down, 0}, {down, 450}, {down, 500}, {down, 520}, {down, 550}, {0, 600}, {0, 1200}},
         {A::move_down, A::move_down, A::move_down}},
        {"a direction pressed while another is held does nothing, the first goes on repeating",
         {{down, 0}, {down | up, 100}, {down | up, 600}},
         {A::move_down, A::move_down}},
        {"a D-pad rolled on: the next direction waits for its release",
         {{down, 0}, {down | right, 100}, {right, 200}, {right, 900}, {0, 1000}, {right, 1100}},
         {A::move_down, A::move_right}},
        {"a stick turned from up to right: one move",
         {{up, 0}, {right, 100}, {right, 700}, {0, 800}, {right, 900}},
         {A::move_up, A::move_right}},
        {"a released direction stops", {{up, 0}, {up, 400}, {0, 450}, {0, 900}}, {A::move_up}},
        {"two directions at once: one move, up or down first",
         {{down | right, 0}, {0, 100}, {left | up, 200}},
         {A::move_down, A::move_up}},
        {"two at once", {{start | rb, 0}}, {A::next_page, A::ok}},
        {"every button in its place",
         {{0x0FFF, 0}, {0, 50}, {down, 100}, {0, 150}, {left, 200}, {0, 250}, {right, 300}},
         {A::activate, A::cancel, A::clear, A::help, A::previous_page, A::next_page, A::undo, A::ok,
          A::move_up, A::move_down, A::move_left, A::move_right}},
    };
    for (const auto& c : cases) EXPECT_EQ(navigate(c.readings), c.expected) << c.what;
}

TEST(PadNavigator, AButtonHeldAcrossAWaitActsOnlyAfterItsRelease) {
    const uint32_t start = nav_bit(nav_start), down = nav_bit(nav_down), a = nav_bit(nav_south);
    // Start captured in a dialog and still held when it closes: no OK until pressed again.
    EXPECT_EQ(navigate({{start, 0}, {start, 100}, {start, 900}, {0, 1000}, {start, 1100}}, 0),
              (std::vector<nav_action>{nav_action::ok, nav_action::ok}));
    // Start pressed while no readings came (it was being captured): the first reading after
    // the wait sees it held, and it does not act.
    EXPECT_EQ(navigate({{0, 0}, {start, 900}, {0, 1000}, {start, 1100}}, 0),
              (std::vector<nav_action>{nav_action::ok}));
    // Held at the last reading only: a press that comes before the next one acts.
    pad_navigator navigator(nav_timing{500, 50});
    std::vector<nav_action> actions;
    navigator.update(start | down, 0, actions);
    navigator.release_held_first();
    navigator.update(a, 900, actions);
    navigator.update(a | start | down, 1000, actions);
    EXPECT_EQ(actions, (std::vector<nav_action>{nav_action::ok, nav_action::move_down, nav_action::activate,
                                                nav_action::ok, nav_action::move_down}));
    // A direction held across the wait stops repeating; another button still acts.
    EXPECT_EQ(navigate({{down, 0}, {down, 100}, {down | a, 700}, {down | a, 1400}}, 0),
              (std::vector<nav_action>{nav_action::move_down, nav_action::activate}));
}

TEST(PadNavigator, RepeatsAcrossTheClocksWrap) {
    const uint32_t down = nav_bit(nav_down);
    EXPECT_EQ(navigate({{down, 0}, {down, 400}, {down, 550}}, ~0u, 0xFFFFFF00u).size(), 2u);
}

// Each family's pad navigates by where its buttons sit: A confirms on the button at the
// south place, whatever is printed on it; the D-pad is the first hat on every pad.
TEST(NavControls, EachFamilyNavigatesByPlace) {
    // clang-format off
    const struct { PadFamily family; uint8_t south, east, west, north, left_shoulder, right_shoulder, back, start; } rows[] = {
        {PadFamily::Unknown,            2, 1, 3, 0, 6, 7, 9,  8},
        {PadFamily::Xbox,               0, 1, 2, 3, 4, 5, 6,  7},
        {PadFamily::DualShock4,         1, 2, 0, 3, 4, 5, 8,  9},
        {PadFamily::DualSense,          1, 2, 0, 3, 4, 5, 8,  9},
        {PadFamily::SwitchPro,          0, 1, 2, 3, 4, 5, 8,  9},
        {PadFamily::EightBitDo,         1, 0, 4, 3, 6, 7, 10, 11},
        {PadFamily::EightBitDoUltimate, 0, 1, 3, 4, 6, 7, 10, 11},
    };
    // clang-format on
    for (const auto& row : rows) {
        const uint8_t buttons[] = {row.south,         row.east,           row.west, row.north,
                                   row.left_shoulder, row.right_shoulder, row.back, row.start};
        for (int nav = nav_south; nav <= nav_start; ++nav) {
            uint8_t type = 99, code = 99;
            ASSERT_TRUE(nav_control(row.family, static_cast<nav_button>(nav), type, code));
            EXPECT_EQ(type, 0) << "family " << int(row.family) << ", navigation button " << nav;
            EXPECT_EQ(code, buttons[nav]) << "family " << int(row.family) << ", navigation button " << nav;
        }
        const uint8_t hat_types[] = {8, 9, 10, 11};  // up, down, left, right
        for (int nav = nav_up; nav <= nav_right; ++nav) {
            uint8_t type = 0, code = 99;
            ASSERT_TRUE(nav_control(row.family, static_cast<nav_button>(nav), type, code));
            EXPECT_EQ(type, hat_types[nav - nav_up]);
            EXPECT_EQ(code, 0);
        }
    }
    EXPECT_EQ(nav_slots(nav_up).second, 16) << "the left stick moves beside the D-pad";
}

TEST(NavRules, AStickPointsOneWayAndANumberStepsWithinItsRange) {
    // clang-format off
    const struct { float up, down, left, right; uint32_t direction; } sticks[] = {
        {0.9f, 0,    0,    0.6f, nav_bit(nav_up)},     // pushed up and a little right
        {0,    0.6f, 0.9f, 0,    nav_bit(nav_left)},   // left and a little down
        {0.7f, 0,    0,    0.7f, nav_bit(nav_up)},     // exactly diagonal: up or down first
        {0.4f, 0,    0,    0.3f, 0},                   // within the threshold
        {0,    0,    0,    0.51f, nav_bit(nav_right)},
    };
    // clang-format on
    for (const auto& stick : sticks)
        EXPECT_EQ(stick_direction(stick.up, stick.down, stick.left, stick.right, 0.5f), stick.direction)
            << stick.up << " " << stick.down << " " << stick.left << " " << stick.right;

    EXPECT_EQ(number_step(0), 1);
    EXPECT_EQ(number_step(9), 1);
    EXPECT_EQ(number_step(10), 10) << "faster while held";
    EXPECT_EQ(number_step(40), 100);
    // clang-format off
    const struct { long number; int step; long stepped; } numbers[] = {
        {5000, 1, 5001}, {5000, -100, 4900}, {1025, -1, 1025}, {65534, 100, 65534},
        {65500, 100, 65534}, {0, 1, 1025} /* empty */, {99999, -1, 65534},
    };
    // clang-format on
    for (const auto& number : numbers)
        EXPECT_EQ(stepped_number(number.number, number.step, 1025, 65534), number.stepped)
            << number.number << " by " << number.step;
}

TEST(NavControls, XInputButtonsAndTheLeftStick) {
    // clang-format off
    const struct { uint16_t buttons; int16_t x, y; uint32_t held; } rows[] = {
        {0x1000, 0, 0,           nav_bit(nav_south)},
        {0x2000 | 0x0010, 0, 0,  nav_bit(nav_east) | nav_bit(nav_start)},
        {0x0100 | 0x0200, 0, 0,  nav_bit(nav_left_shoulder) | nav_bit(nav_right_shoulder)},
        {0x4000 | 0x8000, 0, 0,  nav_bit(nav_west) | nav_bit(nav_north)},
        {0x0020, 0, 0,           nav_bit(nav_back)},
        {0x000F, 0, 0,           nav_bit(nav_up) | nav_bit(nav_down) | nav_bit(nav_left) | nav_bit(nav_right)},
        {0x0040 | 0x0080, 0, 0,  0},  // the stick presses do nothing
        {0, 0, 20000,            nav_bit(nav_up)},
        {0, 0, -20000,           nav_bit(nav_down)},
        {0, -20000, 0,           nav_bit(nav_left)},
        {0, 20000, 0,            nav_bit(nav_right)},
        {0, 16000, -16000,       0},  // within half way
        {0, 30000, -20000,       nav_bit(nav_right)},  // diagonal: the axis pushed further
    };
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(nav_buttons_of_xinput(row.buttons, row.x, row.y), row.held)
            << "buttons " << row.buttons << ", stick " << row.x << " " << row.y;
}

}  // namespace
