#include "settings/expected_layouts.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kNoRow = -1;
constexpr int kNoFamilyLayout = -1;

std::vector<uint32_t> slot_entries(unsigned slot) {
    const uint32_t* entries = settings_record().pad_slots[slot].assignments;
    return std::vector<uint32_t>(entries, entries + 24);
}

// The default pad layout patched by a known-controller row (0-based) or laid out for a family
// column, with the pad layout's carried pairs.
std::vector<uint32_t> expected_layout(int row, int family_column) {
    std::vector<uint32_t> entries;
    for (int s = 0; s < 24; ++s) {
        TypeCode pair = kExpectedDefaults[s].pad;
        if (row != kNoRow) pair = kExpectedPatches[s][row];
        if (family_column != kNoFamilyLayout) pair = kExpectedFamilyLayouts[s][family_column];
        entries.push_back(expected_entry(pair, kExpectedDefaults[s].carried));
    }
    return entries;
}

constexpr const char16_t* kGamepadPath = u"\\\\?\\hid#vid_054c&pid_09cc&ig_00#8&1e5a6b3&0&0000";
constexpr const char16_t* kRawPath = u"\\\\?\\hid#vid_054c&pid_09cc#8&1e5a6b3&0&0000";

// The family a pad gets, and the layout a slot gets for it: the name table first, then
// "IG_", then the ids.
TEST(PadFamilies, NameTableThenGamepadMarkThenIdsChooseFamilyAndLayout) {
    struct Case {
        const char16_t* name;
        const char16_t* path;
        PadIds ids;
        PadFamily family;
        int row;
        int family_column;
    } cases[] = {
        {u"Wireless Controller",
         kRawPath,
         {0x054C, 0x09CC},
         PadFamily::DualShock4,
         kNoRow,
         kPlayStationColumn},
        {u"Wireless Controller",
         nullptr,
         {0x054C, 0x05C4},
         PadFamily::DualShock4,
         kNoRow,
         kPlayStationColumn},
        {u"DUALSHOCK 4 USB Wireless Adaptor",
         nullptr,
         {0x054C, 0x0BA0},
         PadFamily::DualShock4,
         kNoRow,
         kPlayStationColumn},
        {u"DualSense Wireless Controller",
         nullptr,
         {0x054C, 0x0CE6},
         PadFamily::DualSense,
         kNoRow,
         kPlayStationColumn},
        {u"DualSense Edge Wireless Controller",
         nullptr,
         {0x054C, 0x0DF2},
         PadFamily::DualSense,
         kNoRow,
         kPlayStationColumn},
        {u"Pro Controller", nullptr, {0x057E, 0x2009}, PadFamily::SwitchPro, kNoRow, kSwitchProColumn},
        {u"8BitDo SN30 Pro", nullptr, {0x2DC8, 0x6001}, PadFamily::EightBitDo, kNoRow, kEightBitDoColumn},
        {u"8BitDo Pro 2", nullptr, {0x2DC8, 0x6003}, PadFamily::EightBitDo, kNoRow, kEightBitDoColumn},
        {u"8BitDo Pro 2 Wired Controller",
         nullptr,
         {0x2DC8, 0x6006},
         PadFamily::EightBitDo,
         kNoRow,
         kEightBitDoColumn},
        {u"8BitDo Ultimate Wired Controller",
         nullptr,
         {0x2DC8, 0x3011},
         PadFamily::EightBitDoUltimate,
         kNoRow,
         kUltimateColumn},
        // Ids of no family, or a family's ids half matched.
        {u"Wireless Controller", nullptr, {0x054C, 0x0268}, PadFamily::Unknown, kNoRow, kNoFamilyLayout},
        {u"Pad", nullptr, {0x054D, 0x09CC}, PadFamily::Unknown, kNoRow, kNoFamilyLayout},
        {u"Pad", nullptr, {0x2DC8, 0x2009}, PadFamily::Unknown, kNoRow, kNoFamilyLayout},
        {nullptr, nullptr, {}, PadFamily::Unknown, kNoRow, kNoFamilyLayout},
        // A pad presented as a gamepad is in the Xbox order whatever its ids.
        {u"Wireless Controller",
         kGamepadPath,
         {0x054C, 0x09CC},
         PadFamily::Xbox,
         kXboxControllerRow,
         kNoFamilyLayout},
        // A name of the table wins over the ids: its own row.
        {u"PS TO PC converter", nullptr, {0x054C, 0x05C4}, PadFamily::Unknown, 1, kNoFamilyLayout},
        {u"Logitech Dual Action", kGamepadPath, {0x057E, 0x2009}, PadFamily::Unknown, 4, kNoFamilyLayout},
        {u"XBOX pad", nullptr, {0x054C, 0x0CE6}, PadFamily::Xbox, kXboxControllerRow, kNoFamilyLayout},
    };
    build_default_settings(0, 1280, 1024);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        EXPECT_EQ(pad_family(c.name, c.path, c.ids), c.family);
        reset_pad_layout(2, c.name, c.path, c.ids);
        EXPECT_EQ(slot_entries(2), expected_layout(c.row, c.family_column));
    }
    // A new device gets its family's layout too; the keyboard slot never does.
    set_pad_device(4, SettingsGuid{7}, u"Pro Controller", nullptr, {0x057E, 0x2009});
    EXPECT_EQ(slot_entries(4), expected_layout(kNoRow, kSwitchProColumn));
    reset_pad_layout(0, u"Wireless Controller", nullptr, {0x054C, 0x09CC});
    for (int s = 0; s < 24; ++s)
        EXPECT_EQ(slot_entries(0)[s],
                  expected_entry(kExpectedDefaults[s].keyboard, kExpectedDefaults[s].carried));
}

// The places of the Xbox family are those of the Xbox row, and the Unknown family's those of
// the default pad layout; each family's control at a place is found back at that place.
TEST(PadFamilies, PlacesAgreeWithTheLayoutsAndAreFoundBack) {
    uint8_t pairs[24][2];
    pad_family_layout(PadFamily::Xbox, pairs);
    for (int s = 0; s < 24; ++s) {
        EXPECT_EQ(pairs[s][0], kExpectedPatches[s][kXboxControllerRow].type) << "function " << s;
        EXPECT_EQ(pairs[s][1], kExpectedPatches[s][kXboxControllerRow].code) << "function " << s;
    }
    pad_family_layout(PadFamily::Unknown, pairs);
    for (int s = 0; s < 24; ++s) {
        EXPECT_EQ(pairs[s][0], kExpectedDefaults[s].pad.type) << "function " << s;
        EXPECT_EQ(pairs[s][1], kExpectedDefaults[s].pad.code) << "function " << s;
    }

    const PadFamily families[] = {PadFamily::Unknown,           PadFamily::Xbox,      PadFamily::DualShock4,
                                  PadFamily::DualSense,         PadFamily::SwitchPro, PadFamily::EightBitDo,
                                  PadFamily::EightBitDoUltimate};
    for (PadFamily family : families) {
        SCOPED_TRACE(testing::Message() << "family " << static_cast<int>(family));
        pad_family_layout(family, pairs);
        uint8_t type = 0;
        uint8_t code = 0;
        // The A-button function is on the control at south, whatever the family.
        ASSERT_TRUE(pad_place_entry(family, PadPlace::South, type, code));
        EXPECT_EQ(type, pairs[2][0]);
        EXPECT_EQ(code, pairs[2][1]);
        for (int place = 0; place < kPadPlaceCount; ++place) {
            if (pad_place_entry(family, static_cast<PadPlace>(place), type, code))
                EXPECT_EQ(pad_place_of_entry(family, type, code), place) << "place " << place;
        }
        EXPECT_EQ(pad_place_of_entry(family, 3, 1), -1) << "a stick is at no place";
        EXPECT_EQ(pad_place_of_entry(family, 255, 0), -1) << "unassigned";
    }
    uint8_t type = 0;
    uint8_t code = 0;
    EXPECT_FALSE(pad_place_entry(PadFamily::EightBitDo, PadPlace::Home, type, code));
    EXPECT_FALSE(pad_place_entry(PadFamily::Xbox, static_cast<PadPlace>(kPadPlaceCount), type, code));
    ASSERT_TRUE(pad_place_entry(PadFamily::DualShock4, PadPlace::Extra, type, code));
    EXPECT_EQ(code, 13) << "the touchpad";
}

}  // namespace
