#include "settings/settings.h"
#include "settings/expected_layouts.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

namespace {

std::vector<uint8_t> record_bytes() {
    const auto* p = reinterpret_cast<const uint8_t*>(&settings_record());
    return std::vector<uint8_t>(p, p + sizeof(SettingsRecord));
}

// The offsets whose bytes differ between two snapshots of the record.
std::vector<size_t> changed_offsets(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after) {
    std::vector<size_t> offsets;
    for (size_t i = 0; i < before.size(); ++i)
        if (before[i] != after[i]) offsets.push_back(i);
    return offsets;
}

SettingsGuid guid_of(uint8_t fill) {
    SettingsGuid guid;
    std::memset(&guid, fill, sizeof guid);
    return guid;
}

bool is_zero(const SettingsGuid& guid) {
    const SettingsGuid zero = guid_of(0);
    return std::memcmp(&guid, &zero, sizeof guid) == 0;
}

TEST(FieldAccessors, EachWritesItsOwnFieldOnly) {
    struct Case {
        void (*set)(int32_t);
        int32_t (*get)();
        size_t offset;
    } cases[] = {
        {set_screen_width, screen_width, 0x10}, {set_screen_height, screen_height, 0x14},
        {set_wide_aspect, wide_aspect, 0x18},   {set_quality, quality, 0x1C},
        {set_full_screen, full_screen, 0x20},   {set_udp_port, udp_port, 0x28},
    };
    for (const Case& c : cases) {
        std::memset(&settings_record(), 0, sizeof(SettingsRecord));
        const std::vector<uint8_t> before = record_bytes();
        c.set(-0x12345679);  // stored unchecked, sign included
        EXPECT_EQ(c.get(), -0x12345679) << "offset " << c.offset;
        EXPECT_EQ(changed_offsets(before, record_bytes()),
                  (std::vector<size_t>{c.offset, c.offset + 1, c.offset + 2, c.offset + 3}))
            << "offset " << c.offset;
    }
}

TEST(BitAccessors, EachSetsAndClearsOneBitAndReadsZeroOrOne) {
    struct Case {
        void (*set)(bool);
        bool (*get)();
        size_t byte_offset;
        uint8_t mask;
    } cases[] = {
        {set_vsync, vsync, 0x0E, 0x01},         {set_frame_skip, frame_skip, 0x0E, 0x02},
        {set_no_movie, no_movie, 0x0E, 0x04},   {set_voice_chat, voice_chat, 0x24, 0x01},
        {set_auto_port, auto_port, 0x24, 0x02}, {set_upnp, upnp, 0x24, 0x04},
        {set_xinput, xinput, 0x24, 0x08},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "byte " << c.byte_offset << " mask " << int(c.mask));
        std::memset(&settings_record(), 0, sizeof(SettingsRecord));
        c.set(true);
        std::vector<uint8_t> expected(sizeof(SettingsRecord), 0);
        expected[c.byte_offset] = c.mask;
        EXPECT_EQ(record_bytes(), expected);
        EXPECT_EQ(c.get(), true);

        std::memset(&settings_record(), 0xFF, sizeof(SettingsRecord));
        c.set(false);
        expected.assign(sizeof(SettingsRecord), 0xFF);
        expected[c.byte_offset] = static_cast<uint8_t>(~c.mask);
        EXPECT_EQ(record_bytes(), expected);
        EXPECT_EQ(c.get(), false);
    }
}

TEST(PadAssignments, HandOutTheKeyboardLayoutTheSlotsXInputOrNothing) {
    build_default_settings(0, 1280, 1024);
    EXPECT_EQ(pad_assignments(0), active_keyboard_layout());
    EXPECT_EQ(pad_assignments(4), settings_record().pad_slots[4].assignments);
    EXPECT_EQ(pad_assignments(5), nullptr);
    EXPECT_EQ(pad_assignments(UINT_MAX), nullptr);
    pad_device(UINT_MAX) = guid_of(0x77);  // the dummy GUID is zeroed again on each call
    EXPECT_TRUE(is_zero(pad_device(5)));

    set_xinput(true);
    EXPECT_EQ(pad_assignments(0), active_keyboard_layout());
    for (unsigned slot = 1; slot <= 4; ++slot) {
        uint32_t* entries = pad_assignments(slot);
        for (int s = 0; s < 24; ++s)
            ASSERT_EQ(entries[s], expected_entry(kExpectedDefaults[s].xinput, kExpectedDefaults[s].carried));
        entries[0] = 0xFFu;  // editing the handed-out table changes nothing else
    }
    EXPECT_EQ(pad_assignments(1)[0],
              expected_entry(kExpectedDefaults[0].xinput, kExpectedDefaults[0].carried));

    // Storing still writes the slot's own entries.
    uint32_t entries[24];
    for (int s = 0; s < 24; ++s) entries[s] = 0x100u * s;
    EXPECT_TRUE(store_pad_assignments(2, entries));
    EXPECT_EQ(std::memcmp(settings_record().pad_slots[2].assignments, entries, sizeof entries), 0);
    set_xinput(false);
    EXPECT_EQ(pad_assignments(2)[23], 0x100u * 23);
}

TEST(StorePadAssignments, KeyboardSlotAlsoFillsTheActiveLayout) {
    build_default_settings(0, 1280, 1024);
    uint32_t entries[24];
    for (int s = 0; s < 24; ++s) entries[s] = 0xFF000000u | s;
    EXPECT_TRUE(store_pad_assignments(0, entries));
    EXPECT_EQ(std::memcmp(settings_record().pad_slots[0].assignments, entries, sizeof entries), 0);
    EXPECT_EQ(std::memcmp(active_keyboard_layout(), entries, sizeof entries), 0);
    EXPECT_EQ(active_keyboard_layout()[24], 0x18001C00u);

    // The page edits the table it got and stores it back.
    uint32_t* active = pad_assignments(0);
    active[5] = 0x3100u;
    EXPECT_TRUE(store_pad_assignments(0, active));
    EXPECT_EQ(settings_record().pad_slots[0].assignments[5], 0x3100u);

    const std::vector<uint8_t> before = record_bytes();
    EXPECT_FALSE(store_pad_assignments(5, entries));
    EXPECT_FALSE(store_pad_assignments(1, nullptr));
    EXPECT_EQ(record_bytes(), before);
}

TEST(SetPadDevice, ADeviceMovesToTheNewSlotAndTheOldSlotKeepsItsEntries) {
    build_default_settings(0, 1280, 1024);
    set_pad_device(3, guid_of(0x33), u"Logitech Dual Action");
    EXPECT_EQ(settings_record().pad_slots[3].assignments[0],
              expected_entry(kExpectedPatches[0][4], kExpectedDefaults[0].carried));
    uint32_t slot3_entries[24];
    std::memcpy(slot3_entries, settings_record().pad_slots[3].assignments, sizeof slot3_entries);

    set_pad_device(2, pad_device(3), u"XBOX pad");  // the GUID handed in by reference
    EXPECT_EQ(pad_device(2).data1, 0x33333333u);
    EXPECT_TRUE(is_zero(pad_device(3)));
    EXPECT_EQ(std::memcmp(settings_record().pad_slots[3].assignments, slot3_entries, sizeof slot3_entries),
              0);
    EXPECT_EQ(settings_record().pad_slots[2].assignments[4],
              expected_entry(kExpectedPatches[4][7], kExpectedDefaults[4].carried));

    // The same device again changes nothing, edits included.
    settings_record().pad_slots[2].assignments[0] = 0xFFu;
    const std::vector<uint8_t> before = record_bytes();
    set_pad_device(2, guid_of(0x33), u"PSX-USB");
    set_pad_device(5, guid_of(0x55), u"PSX-USB");
    EXPECT_EQ(record_bytes(), before);
}

TEST(SetPadDevice, ClearingADeviceRestoresThePadLayout) {
    build_default_settings(0, 1280, 1024);
    set_pad_device(1, guid_of(0x11), u"JC-U3312");
    set_pad_device(1, guid_of(0), u"");
    EXPECT_TRUE(is_zero(pad_device(1)));
    for (int s = 0; s < 24; ++s)
        EXPECT_EQ(settings_record().pad_slots[1].assignments[s],
                  expected_entry(kExpectedDefaults[s].pad, kExpectedDefaults[s].carried));
}

TEST(ResetPadLayout, KeyboardSlotRefreshesTheActiveLayout) {
    build_default_settings(0, 1280, 1024);
    uint32_t entries[24] = {};
    store_pad_assignments(0, entries);
    reset_pad_layout(0, u"Logitech");  // the keyboard slot ignores names
    reset_pad_layout(9, u"PSX-USB");   // ignored
    for (int s = 0; s < 24; ++s)
        EXPECT_EQ(active_keyboard_layout()[s],
                  expected_entry(kExpectedDefaults[s].keyboard, kExpectedDefaults[s].carried));
}

}  // namespace
