// How a pad is recognised: the known controllers by name, the pad families by where their
// controls sit and the ids that pick them, and the default layout that puts each function on
// the control at its place.
#include "settings/settings.h"

#include <string_view>

namespace {

constexpr uint8_t kNone = 255;  // no control at the place (an unassigned entry type)
constexpr uint8_t kButton = 0;
constexpr uint8_t kAxisPlus = 2;
constexpr uint8_t kAxisMinus = 3;

struct TypeCode {
    uint8_t type;
    uint8_t code;
};

// A family's controls by place (PadPlace order) and the axis ordinals of its right stick,
// horizontal then vertical. Button numbers are those plain DirectInput reports.
struct FamilyControls {
    TypeCode places[kPadPlaceCount];
    uint8_t right_stick[2];
};

constexpr TypeCode button(uint8_t number) {
    return {kButton, number};
}
constexpr TypeCode kNoControl = {kNone, 0};

// Places in PadPlace order: south, east, west, north, left and right shoulder, left and right
// trigger, back, start, left and right stick press, home, extra.
// clang-format off

// The Unknown family: where the default pad layout puts the functions of the Xbox row.
constexpr FamilyControls kUnknownControls = {
    {button(2), button(1), button(3), button(0), button(6), button(7), button(4), button(5),
     button(9), button(8), button(10), button(11), kNoControl, kNoControl},
    {2, 3}};

// The triggers share the Z axis (ordinal 4 beside both sticks): LT its plus half, RT its minus.
constexpr FamilyControls kXboxControls = {
    {button(0), button(1), button(2), button(3), button(4), button(5), {kAxisPlus, 4}, {kAxisMinus, 4},
     button(6), button(7), button(8), button(9), button(10), kNoControl},
    {2, 3}};

// Square 0, Cross 1, Circle 2, Triangle 3. L2 and R2 are also the Rx and Ry axes, which rest
// at one end, so the buttons serve; the right stick is Z and Rz, after X, Y, Rx and Ry.
constexpr FamilyControls kPlayStationControls = {
    {button(1), button(2), button(0), button(3), button(4), button(5), button(6), button(7),
     button(8), button(9), button(10), button(11), button(12), button(13)},
    {4, 5}};

// B 0, A 1, Y 2, X 3 (the A button is east); ZL and ZR are digital.
constexpr FamilyControls kSwitchProControls = {
    {button(0), button(1), button(2), button(3), button(4), button(5), button(6), button(7),
     button(8), button(9), button(10), button(11), button(12), button(13)},
    {2, 3}};

// The 8BitDo models put their home button at different numbers; it is left out.
constexpr FamilyControls kEightBitDoControls = {
    {button(1), button(0), button(4), button(3), button(6), button(7), button(8), button(9),
     button(10), button(11), button(13), button(14), kNoControl, kNoControl},
    {2, 3}};
constexpr FamilyControls kEightBitDoUltimateControls = {
    {button(0), button(1), button(3), button(4), button(6), button(7), button(8), button(9),
     button(10), button(11), button(13), button(14), kNoControl, kNoControl},
    {2, 3}};
// clang-format on

const FamilyControls& controls_of(PadFamily family) {
    switch (family) {
        case PadFamily::Xbox:
            return kXboxControls;
        case PadFamily::DualShock4:
        case PadFamily::DualSense:
            return kPlayStationControls;
        case PadFamily::SwitchPro:
            return kSwitchProControls;
        case PadFamily::EightBitDo:
            return kEightBitDoControls;
        case PadFamily::EightBitDoUltimate:
            return kEightBitDoUltimateControls;
        case PadFamily::Unknown:
            break;
    }
    return kUnknownControls;
}

struct FamilyIds {
    uint16_t vendor;
    uint16_t product;
    PadFamily family;
};

constexpr uint16_t kSony = 0x054C;
constexpr uint16_t kNintendo = 0x057E;
constexpr uint16_t kEightBitDo = 0x2DC8;

constexpr FamilyIds kFamilyIds[] = {
    {kSony, 0x05C4, PadFamily::DualShock4},
    {kSony, 0x09CC, PadFamily::DualShock4},
    {kSony, 0x0BA0, PadFamily::DualShock4},  // its wireless adapter
    {kSony, 0x0CE6, PadFamily::DualSense},
    {kSony, 0x0DF2, PadFamily::DualSense},  // Edge
    {kNintendo, 0x2009, PadFamily::SwitchPro},
    {kEightBitDo, 0x6001, PadFamily::EightBitDo},  // SN30 Pro
    {kEightBitDo, 0x6003, PadFamily::EightBitDo},  // Pro 2
    {kEightBitDo, 0x6006, PadFamily::EightBitDo},  // Pro 2, wired
    {kEightBitDo, 0x3011, PadFamily::EightBitDoUltimate},
};

// The functions of slots 0 to 11 in slot order, by the place the Xbox row gives them.
constexpr PadPlace kFunctionPlaces[] = {
    PadPlace::North,       PadPlace::East,         PadPlace::South,          PadPlace::West,
    PadPlace::LeftTrigger, PadPlace::RightTrigger, PadPlace::LeftShoulder,   PadPlace::RightShoulder,
    PadPlace::Start,       PadPlace::Back,         PadPlace::LeftStickPress, PadPlace::RightStickPress,
};
constexpr int kFirstHatSlot = 12;
constexpr int kFirstStickSlot = 16;

// The D-pad on the first hat: up, right, down, left as the entry types run (8 up, 9 down,
// 10 left, 11 right).
constexpr TypeCode kHatDirections[4] = {{8, 0}, {11, 0}, {9, 0}, {10, 0}};

// Device paths are compared without regard to case, and Windows hands them out in either.
bool has_xinput_mark(const char16_t* device_path) {
    if (!device_path) return false;
    for (const char16_t* at = device_path; at[0] && at[1] && at[2]; ++at) {
        if ((at[0] == u'I' || at[0] == u'i') && (at[1] == u'G' || at[1] == u'g') && at[2] == u'_')
            return true;
    }
    return false;
}

}  // namespace

// The patches, as (entry type, entry code) for the 24 functions in slot order: four face
// buttons, LT, RT, LB, RB, start, back, stick presses, D-pad up/right/down/left, left stick
// up/down/left/right, right stick up/down/left/right.
// clang-format off
const KnownController kKnownControllers[kKnownControllerCount] = {
    {{u"PSX-USB"},
     {0, 0,  0, 1,  0, 2,  0, 3,  0, 4,  0, 5,  0, 6,  0, 7,  0, 9,  0, 8,  0, 10,  0, 11,
      0, 12,  0, 13,  0, 14,  0, 15,  3, 1,  2, 1,  3, 0,  2, 0,  3, 2,  2, 2,  3, 3,  2, 3}},
    {{u"BUFFALO", u"BGC-", u"LOAS", u"JOX-", u"PS TO PC"},
     {0, 0,  0, 1,  0, 2,  0, 3,  0, 4,  0, 5,  0, 6,  0, 7,  0, 9,  0, 8,  0, 10,  0, 11,
      8, 0,  11, 0,  9, 0,  10, 0,  3, 1,  2, 1,  3, 0,  2, 0,  3, 3,  2, 3,  3, 2,  2, 2}},
    {{u"JC-PS"},
     {0, 0,  0, 1,  0, 2,  0, 3,  0, 4,  0, 5,  0, 6,  0, 7,  0, 8,  0, 9,  0, 10,  0, 11,
      8, 0,  11, 0,  9, 0,  10, 0,  3, 1,  2, 1,  3, 0,  2, 0,  3, 3,  2, 3,  3, 2,  2, 2}},
    {{u"JC-U", u"JC - U"},
     {0, 1,  0, 3,  0, 2,  0, 0,  0, 6,  0, 7,  0, 4,  0, 5,  0, 11,  0, 10,  0, 8,  0, 9,
      8, 0,  11, 0,  9, 0,  10, 0,  3, 1,  2, 1,  3, 0,  2, 0,  3, 3,  2, 3,  3, 2,  2, 2}},
    {{u"LOGICOOL", u"Logitech", u"RumblePad"},
     {0, 3,  0, 2,  0, 1,  0, 0,  0, 6,  0, 7,  0, 4,  0, 5,  0, 9,  0, 8,  0, 10,  0, 11,
      8, 0,  11, 0,  9, 0,  10, 0,  3, 1,  2, 1,  3, 0,  2, 0,  3, 3,  2, 3,  3, 2,  2, 2}},
    {{u"SANWA", u"USB Dual Vibration Joystick"},
     {0, 3,  0, 1,  0, 0,  0, 2,  0, 5,  0, 7,  0, 4,  0, 6,  0, 9,  0, 8,  0, 10,  0, 11,
      8, 0,  11, 0,  9, 0,  10, 0,  3, 1,  2, 1,  3, 0,  2, 0,  3, 3,  2, 3,  3, 2,  2, 2}},
    {{u"JY-", u"MICRO GRIP"},
     {0, 2,  0, 0,  0, 1,  0, 3,  0, 5,  0, 7,  0, 4,  0, 6,  0, 9,  0, 8,  0, 10,  0, 11,
      8, 0,  11, 0,  9, 0,  10, 0,  3, 1,  2, 1,  3, 0,  2, 0,  3, 3,  2, 3,  3, 2,  2, 2}},
    {{u"Xbox 360", u"XBOX"},
     {0, 3,  0, 1,  0, 0,  0, 2,  2, 4,  3, 4,  0, 4,  0, 5,  0, 7,  0, 6,  0, 8,  0, 9,
      8, 0,  11, 0,  9, 0,  10, 0,  3, 1,  2, 1,  3, 0,  2, 0,  3, 3,  2, 3,  3, 2,  2, 2}},
};
// clang-format on

int find_known_controller(const char16_t* device_name, const char16_t* device_path) {
    if (device_name) {
        const std::u16string_view name(device_name);
        for (int row = 0; row < kKnownControllerCount; ++row) {
            for (const char16_t* fragment : kKnownControllers[row].fragments) {
                if (fragment && name.find(fragment) != std::u16string_view::npos) return row;
            }
        }
    }
    return has_xinput_mark(device_path) ? kXboxControllerRow : -1;
}

PadFamily pad_family_of_ids(PadIds ids) {
    for (const FamilyIds& known : kFamilyIds) {
        if (known.vendor == ids.vendor && known.product == ids.product) return known.family;
    }
    return PadFamily::Unknown;
}

PadFamily pad_family(const char16_t* device_name, const char16_t* device_path, PadIds ids) {
    const int row = find_known_controller(device_name, device_path);
    if (row == kXboxControllerRow) return PadFamily::Xbox;
    if (row >= 0) return PadFamily::Unknown;
    return pad_family_of_ids(ids);
}

bool pad_place_entry(PadFamily family, PadPlace place, uint8_t& type, uint8_t& code) {
    const int index = static_cast<int>(place);
    if (index < 0 || index >= kPadPlaceCount) return false;
    const TypeCode control = controls_of(family).places[index];
    if (control.type == kNone) return false;
    type = control.type;
    code = control.code;
    return true;
}

int pad_place_of_entry(PadFamily family, uint8_t type, uint8_t code) {
    if (type == kNone) return -1;
    const FamilyControls& controls = controls_of(family);
    for (int place = 0; place < kPadPlaceCount; ++place) {
        if (controls.places[place].type == type && controls.places[place].code == code) return place;
    }
    return -1;
}

void pad_family_layout(PadFamily family, uint8_t (&pairs)[kAssignmentCount][2]) {
    const FamilyControls& controls = controls_of(family);
    int slot = 0;
    for (PadPlace place : kFunctionPlaces) {
        const TypeCode control = controls.places[static_cast<int>(place)];
        pairs[slot][0] = control.type;
        pairs[slot][1] = control.code;
        ++slot;
    }
    for (int direction = 0; direction < 4; ++direction) {
        pairs[kFirstHatSlot + direction][0] = kHatDirections[direction].type;
        pairs[kFirstHatSlot + direction][1] = kHatDirections[direction].code;
    }
    // Each stick: up, down, left, right; up and left are the minus halves.
    const uint8_t stick_axes[2][2] = {{0, 1}, {controls.right_stick[0], controls.right_stick[1]}};
    for (int stick = 0; stick < 2; ++stick) {
        const uint8_t horizontal = stick_axes[stick][0];
        const uint8_t vertical = stick_axes[stick][1];
        const TypeCode directions[4] = {
            {kAxisMinus, vertical}, {kAxisPlus, vertical}, {kAxisMinus, horizontal}, {kAxisPlus, horizontal}};
        for (int direction = 0; direction < 4; ++direction) {
            pairs[kFirstStickSlot + 4 * stick + direction][0] = directions[direction].type;
            pairs[kFirstStickSlot + 4 * stick + direction][1] = directions[direction].code;
        }
    }
}
