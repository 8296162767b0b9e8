// Which control of a pad works each navigation button: the tables of pad navigation.
#include "padnav/padnav.h"

namespace padnav {

namespace {

// In nav_button order: A, B, X, Y, the shoulders, Back, Start, then the D-pad with the left
// stick beside it.
constexpr NavSlots kNavSlots[nav_button_count] = {
    {2, -1}, {1, -1}, {3, -1},  {0, -1},  {6, -1},  {7, -1},
    {9, -1}, {8, -1}, {12, 16}, {14, 17}, {15, 18}, {13, 19},
};

// XInput's button bits (XINPUT_GAMEPAD_...), as its header defines them.
constexpr struct {
    uint16_t bit;
    nav_button button;
} kXInputButtons[] = {
    {0x1000, nav_south}, {0x2000, nav_east},          {0x4000, nav_west},
    {0x8000, nav_north}, {0x0100, nav_left_shoulder}, {0x0200, nav_right_shoulder},
    {0x0020, nav_back},  {0x0010, nav_start},         {0x0001, nav_up},
    {0x0002, nav_down},  {0x0004, nav_left},          {0x0008, nav_right},
};
constexpr float kStickThreshold = 0.5f;  // half way
constexpr uint8_t kNoControl = 255;      // an unassigned entry type

}  // namespace

NavSlots nav_slots(nav_button button) {
    return button >= 0 && button < nav_button_count ? kNavSlots[button] : NavSlots{-1, -1};
}

bool nav_control(PadFamily family, nav_button button, uint8_t& type, uint8_t& code) {
    const int slot = nav_slots(button).first;
    if (slot < 0) return false;
    uint8_t pairs[kAssignmentCount][2];
    pad_family_layout(family, pairs);
    if (pairs[slot][0] == kNoControl) return false;
    type = pairs[slot][0];
    code = pairs[slot][1];
    return true;
}

uint32_t nav_buttons_of_xinput(uint16_t buttons, int16_t stick_x, int16_t stick_y) {
    uint32_t held = 0;
    for (const auto& known : kXInputButtons) {
        if (buttons & known.bit) held |= nav_bit(known.button);
    }
    const float x = stick_x / 32767.0f;
    const float y = stick_y / 32767.0f;
    return held |
           stick_direction(y > 0 ? y : 0, y < 0 ? -y : 0, x < 0 ? -x : 0, x > 0 ? x : 0, kStickThreshold);
}

int number_step(int repeats) {
    if (repeats < 10) return 1;
    if (repeats < 30) return 10;
    return 100;
}

long stepped_number(long number, int step, long lowest, long highest) {
    if (number < lowest) return lowest;
    if (number > highest) return highest;
    const long stepped = number + step;
    return stepped < lowest ? lowest : stepped > highest ? highest : stepped;
}

uint32_t stick_direction(float up, float down, float left, float right, float threshold) {
    const float vertical = up > down ? up : down;
    const float horizontal = left > right ? left : right;
    if (vertical <= threshold && horizontal <= threshold) return 0;
    if (vertical >= horizontal) return nav_bit(up > down ? nav_up : nav_down);
    return nav_bit(left > right ? nav_left : nav_right);
}

}  // namespace padnav
