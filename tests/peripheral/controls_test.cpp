#include "nrv/peripheral/core/controls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using namespace nrv::peripheral;

std::u16string u16(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

// Object n is named "On".
control_table table_of(const std::vector<joystick_object>& objects) {
    control_table table;
    int n = 0;
    for (joystick_object object : objects) add_object_controls(table, object, u16("O" + std::to_string(n++)));
    return table;
}

joystick_state resting_state() {
    joystick_state state{};
    state.x = state.y = state.z = state.rx = state.ry = state.rz = 32767;
    state.sliders[0] = state.sliders[1] = 32767;
    for (uint32_t& hat : state.povs) hat = 0xFFFFFFFF;
    return state;
}

std::vector<float> values_of(const control_table& table) {
    std::vector<float> values;
    for (int i = 0; i < table.count; ++i) values.push_back(table.entries[i].value);
    return values;
}

// Names, kinds and instances as the device reports them are tested with the devices; here
// the state offsets, which come from the running count and not from the objects.
TEST(ControlTable, TwoStickPadEntriesReadTheirOwnFields) {
    std::vector<joystick_object> objects = {joystick_object::x_axis, joystick_object::y_axis,
                                            joystick_object::z_axis, joystick_object::rz_axis,
                                            joystick_object::pov};
    objects.insert(objects.end(), 12, joystick_object::button);
    const control_table table = table_of(objects);

    ASSERT_EQ(table.count, 24);
    const int32_t offsets[12] = {0, 0, 4, 4, 8, 8, 20, 20, 32, 32, 32, 32};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(table.entries[i].state_offset, offsets[i]) << i;
    for (int n = 0; n < 12; ++n) {
        EXPECT_EQ(table.entries[12 + n].state_offset, 48 + n);
        EXPECT_EQ(table.entries[12 + n].instance, n);
    }
    EXPECT_TRUE(table.entries[13].name == u"O6");
    EXPECT_EQ(find_control(table, control_button, 3), 15);
    EXPECT_EQ(find_control(table, control_pov_left, 1), -1);
}

TEST(ControlTable, KeepsOnlyTheFirstObjectsOfEachKind) {
    struct row {
        const char* what;
        joystick_object object;
        int reported;
        int kept_entries;
        int32_t last_offset;
    };
    const row rows[] = {
        {"129 buttons", joystick_object::button, 129, 64, 48 + 63},  // the 64-entry cap comes first
        {"5 hats", joystick_object::pov, 5, 16, 32 + 12},
        {"3 sliders", joystick_object::slider, 3, 4, 28},
        {"2 X axes", joystick_object::x_axis, 2, 2, 0},
        {"an unknown object", joystick_object::other, 3, 0, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        const control_table table = table_of(std::vector<joystick_object>(r.reported, r.object));
        EXPECT_EQ(table.count, r.kept_entries);
        if (r.kept_entries > 0) {
            EXPECT_EQ(table.entries[r.kept_entries - 1].state_offset, r.last_offset);
        }
    }

    // 128 buttons fit once the table has room: the 129th is refused by the instance limit.
    control_table buttons;
    for (int n = 0; n < 129; ++n) {
        if (buttons.count == kMaxControls) buttons.count = 0;  // make room, counters stay
        add_object_controls(buttons, joystick_object::button, u"B");
    }
    EXPECT_EQ(buttons.instances[control_button], 128);
    EXPECT_EQ(buttons.entries[(128 - 1) % kMaxControls].state_offset, 48 + 127);
}

TEST(ControlTable, SixtyFifthControlIsNotAdded) {
    control_table table = table_of(std::vector<joystick_object>(63, joystick_object::button));
    add_object_controls(table, joystick_object::button, u"64th");
    add_object_controls(table, joystick_object::button, u"65th");
    add_object_controls(table, joystick_object::x_axis, u"X");
    EXPECT_EQ(table.count, 64);
    EXPECT_TRUE(table.entries[63].name == u"64th");
}

TEST(ControlTable, ThresholdsOutsideZeroToOneAreIgnored) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        int index;
        float threshold;
        float first, second;
    } rows[] = {{0, -0.1f, 0.5f, 0.5f}, {0, 1.5f, 0.5f, 0.5f}, {0, nan, 0.5f, 0.5f},
                {0, 0.0f, 0.0f, 0.5f},  {0, 1.0f, 1.0f, 0.5f}, {1, 0.25f, 0.5f, 0.25f},
                {2, 0.3f, 0.5f, 0.5f},  {-1, 0.3f, 0.5f, 0.5f}};
    for (const auto& r : rows) {
        control_table table = table_of({joystick_object::x_axis});
        table.entries[2].threshold = 0.5f;  // beyond the count: must stay untouched
        set_control_threshold(table, r.index, r.threshold);
        EXPECT_EQ(table.entries[0].threshold, r.first) << r.index << " " << r.threshold;
        EXPECT_EQ(table.entries[1].threshold, r.second) << r.index << " " << r.threshold;
        EXPECT_EQ(table.entries[2].threshold, 0.5f);
    }
}

TEST(ConvertJoystickState, ButtonsReadTheirOwnByte) {
    control_table table = table_of(std::vector<joystick_object>(4, joystick_object::button));
    joystick_state state = resting_state();
    state.buttons[1] = 0x80;
    state.buttons[3] = 0x01;  // any non-zero byte is pressed
    state.buttons[4] = 0x80;  // no fifth button
    convert_joystick_state(table, state);
    EXPECT_EQ(values_of(table), (std::vector<float>{0.0f, 1.0f, 0.0f, 1.0f}));
}

TEST(ConvertJoystickState, AxisHalvesFollowPositionAndThreshold) {
    struct row {
        int32_t raw;
        float threshold;
        float minus, plus;
    };
    const row rows[] = {
        {32767, 0.5f, 0.0f, 0.0f}, {32768, 0.5f, 0.0f, 0.0f},  {0, 0.5f, 1.0f, 0.0f},
        {65535, 0.5f, 0.0f, 1.0f}, {8192, 0.5f, 0.5f, 0.0f},   {16384, 0.5f, 0.0f, 0.0f},
        {49151, 0.5f, 0.0f, 0.0f}, {0, 0.0f, 0.0f, 0.0f},      {65535, 0.0f, 0.0f, 0.0f},
        {0, 1.0f, 1.0f, 0.0f},     {65535, 1.0f, 0.0f, 1.0f},  {32768, 1.0f, 0.0f, 0.0f},
        {-5000, 0.5f, 1.0f, 0.0f}, {100000, 0.5f, 0.0f, 1.0f},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << "raw " << r.raw << " threshold " << r.threshold);
        control_table table = table_of({joystick_object::y_axis});
        set_control_threshold(table, 0, r.threshold);
        set_control_threshold(table, 1, r.threshold);
        joystick_state state = resting_state();
        state.y = r.raw;
        convert_joystick_state(table, state);
        EXPECT_FLOAT_EQ(table.entries[0].value, r.minus);
        EXPECT_FLOAT_EQ(table.entries[1].value, r.plus);
    }

    // Threshold 1: both halves start right at the centre.
    control_table table = table_of({joystick_object::y_axis});
    set_control_threshold(table, 0, 1.0f);
    set_control_threshold(table, 1, 1.0f);
    joystick_state state = resting_state();
    state.y = 32767;
    convert_joystick_state(table, state);
    EXPECT_GT(table.entries[0].value, 0.0f);
    state.y = 32769;
    convert_joystick_state(table, state);
    EXPECT_EQ(table.entries[0].value, 0.0f);
    EXPECT_GT(table.entries[1].value, 0.0f);
}

TEST(ConvertJoystickState, EachAxisAndSliderReadsItsOwnField) {
    const control_table layout =
        table_of({joystick_object::x_axis, joystick_object::y_axis, joystick_object::z_axis,
                  joystick_object::rx_axis, joystick_object::ry_axis, joystick_object::rz_axis,
                  joystick_object::slider, joystick_object::slider});
    int32_t joystick_state::*fields[6] = {&joystick_state::x,  &joystick_state::y,  &joystick_state::z,
                                          &joystick_state::rx, &joystick_state::ry, &joystick_state::rz};
    for (int axis = 0; axis < 8; ++axis) {
        control_table table = layout;
        joystick_state state = resting_state();
        if (axis < 6) {
            state.*fields[axis] = 0;
        } else {
            state.sliders[axis - 6] = 0;
        }
        convert_joystick_state(table, state);
        std::vector<float> expected(16, 0.0f);
        expected[2 * axis] = 1.0f;  // only this axis's minus half
        EXPECT_EQ(values_of(table), expected) << "axis " << axis;
    }
}

TEST(ConvertJoystickState, HatDirectionsIncludeBothNeighboursOnDiagonals) {
    struct row {
        uint32_t angle;
        float up, right, down, left;
    };
    const row rows[] = {
        {0, 1, 0, 0, 0},     {4500, 1, 1, 0, 0},       {9000, 0, 1, 0, 0},   {13500, 0, 1, 1, 0},
        {18000, 0, 0, 1, 0}, {22500, 0, 0, 1, 1},      {27000, 0, 0, 0, 1},  {31500, 1, 0, 0, 1},
        {35999, 1, 0, 0, 0}, {0xFFFFFFFF, 0, 0, 0, 0}, {0xFFFF, 0, 0, 0, 0}, {0x1234FFFF, 0, 0, 0, 0},
    };
    for (const row& r : rows) {
        control_table table = table_of({joystick_object::pov, joystick_object::pov});
        joystick_state state = resting_state();
        state.povs[1] = r.angle;  // the second hat reads the second field
        convert_joystick_state(table, state);
        EXPECT_EQ(values_of(table), (std::vector<float>{0, 0, 0, 0, r.up, r.right, r.down, r.left}))
            << "angle " << r.angle;
    }
}

// The 64th entry can be the minus half of an axis whose plus half no longer fits, or the
// third direction of a hat. Conversion must stay inside the table and leave it intact.
TEST(ConvertJoystickState, PairsAndHatsCutByTheCapStayInsideTheTable) {
    control_table axis_cut = table_of(std::vector<joystick_object>(63, joystick_object::button));
    add_object_controls(axis_cut, joystick_object::slider, u"S");
    ASSERT_EQ(axis_cut.count, 64);
    EXPECT_EQ(axis_cut.entries[63].kind, control_slider_minus);
    const auto instances_before = axis_cut.instances;
    joystick_state state = resting_state();
    state.sliders[0] = 0;
    convert_joystick_state(axis_cut, state);
    EXPECT_EQ(axis_cut.entries[63].value, 1.0f);
    EXPECT_EQ(axis_cut.count, 64);
    EXPECT_EQ(axis_cut.instances, instances_before);

    control_table hat_cut = table_of(std::vector<joystick_object>(61, joystick_object::button));
    add_object_controls(hat_cut, joystick_object::pov, u"H");
    ASSERT_EQ(hat_cut.count, 64);
    EXPECT_EQ(hat_cut.entries[63].kind, control_pov_down);
    state.povs[0] = 18000;
    state.buttons[60] = 0x80;
    convert_joystick_state(hat_cut, state);
    EXPECT_EQ(hat_cut.entries[60].value, 1.0f);
    EXPECT_EQ(hat_cut.entries[61].value + hat_cut.entries[62].value + hat_cut.entries[63].value, 0.0f);
}

}  // namespace
