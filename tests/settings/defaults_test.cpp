#include "settings/settings.h"
#include "settings/expected_layouts.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace {

enum Layout { kPad, kKeyboard, kXInput };

uint32_t expected_layout_entry(Layout layout, int function) {
    const ExpectedDefaultRow& row = kExpectedDefaults[function];
    const TypeCode pair = layout == kPad ? row.pad : layout == kKeyboard ? row.keyboard : row.xinput;
    return expected_entry(pair, row.carried);
}

void put_layout(Layout layout, uint32_t* entries) {
    for (int s = 0; s < 24; ++s) entries[s] = expected_layout_entry(layout, s);
}

// The default record written out field by field from the documented values.
SettingsRecord expected_defaults(int quality, int32_t width, int32_t height, int32_t wide) {
    SettingsRecord record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(record.magic, "CLCF", 4);
    record.version = 2;
    record.size = 852;
    record.display_flags = 0x0002;
    record.screen_width = width;
    record.screen_height = height;
    record.wide_aspect = wide;
    record.quality = quality;
    record.full_screen = 1;
    record.option_flags = 0x00000006;
    record.udp_port = 5739;
    const uint8_t keyboard_guid[16] = {0x61, 0x2B, 0x1D, 0x6F, 0xA0, 0xD5, 0xCF, 0x11,
                                       0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00};
    std::memcpy(&record.pad_slots[0].device_guid, keyboard_guid, sizeof keyboard_guid);
    put_layout(kKeyboard, record.pad_slots[0].assignments);
    for (int slot = 1; slot < 5; ++slot) put_layout(kPad, record.pad_slots[slot].assignments);
    record.checksum = settings_checksum(record);
    return record;
}

void expect_same_bytes(const SettingsRecord& actual, const SettingsRecord& expected) {
    const auto* a = reinterpret_cast<const uint8_t*>(&actual);
    const auto* e = reinterpret_cast<const uint8_t*>(&expected);
    for (size_t offset = 0; offset < sizeof actual; ++offset)
        ASSERT_EQ(a[offset], e[offset]) << "offset 0x" << std::hex << offset;
}

TEST(DefaultSettings, FollowTheDesktopShapeAndTheTier) {
    struct Case {
        int tier;
        int32_t desktop_width, desktop_height;
        int quality;
        int32_t width, height, wide;
    } cases[] = {
        {2, 1280, 1024, 2, 1024, 768, 0},  // 5:4 counts as not wider than 4:3
        {2, 1366, 768, 2, 1280, 720, 1},   // 3 * 341 - 768 > 0
        {1, 1024, 600, 1, 960, 600, 1},    // the wide candidate just fits
        {1, 800, 480, 1, 640, 480, 0},     // wide, but 960 x 600 does not fit
        {2, 1280, 960, 2, 1024, 768, 0},   // exactly 4:3
        {2, 1024, 768, 2, 1024, 768, 0},   // fits exactly
        {2, 800, 600, 2, 640, 480, 0},     // too small for its tier
        {0, 1920, 1080, 0, 720, 480, 1},
        {0, 640, 480, 0, 640, 480, 0},
        {1, 1919, 1440, 1, 800, 600, 0},  // 3 * 479 - 1440 < 0
        {2, 0, 0, 2, 640, 480, 0},        // no desktop measured
        {0, INT_MAX, 1, 0, 640, 480, 0},  // absurd sizes neither overflow nor fit
        {0, INT_MIN, INT_MIN, 0, 640, 480, 0},
        {7, 1920, 1080, 2, 1280, 720, 1},  // tiers outside 0 to 2 are held to the range
        {-1, 1920, 1080, 0, 720, 480, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "tier " << c.tier << " desktop " << c.desktop_width << "x" << c.desktop_height);
        std::memset(&settings_record(), 0xA5, sizeof(SettingsRecord));
        build_default_settings(c.tier, c.desktop_width, c.desktop_height);
        expect_same_bytes(settings_record(), expected_defaults(c.quality, c.width, c.height, c.wide));
    }
}

TEST(DefaultSettings, RefreshTheActiveKeyboardLayout) {
    std::memset(active_keyboard_layout(), 0xEE, 27 * sizeof(uint32_t));
    build_default_settings(1, 1280, 1024);
    const uint32_t* layout = active_keyboard_layout();
    for (int s = 0; s < 24; ++s) EXPECT_EQ(layout[s], expected_layout_entry(kKeyboard, s)) << "entry " << s;
    EXPECT_EQ(layout[24], 0x18001C00u);
    EXPECT_EQ(layout[25], 0x19000100u);
    EXPECT_EQ(layout[26], 0x08000100u);
}

TEST(KnownControllers, EachRowPatchesTypeAndCodeAndKeepsThePadCarriedPairs) {
    const char16_t* first_fragments[8] = {u"PSX-USB",  u"BUFFALO", u"JC-PS", u"JC-U",
                                          u"Logitech", u"SANWA",   u"JY-",   u"Xbox 360"};
    build_default_settings(0, 1280, 1024);
    for (int row = 0; row < 8; ++row) {
        SCOPED_TRACE(testing::Message() << "row " << row + 1);
        reset_pad_layout(3, first_fragments[row]);
        const uint32_t* entries = settings_record().pad_slots[3].assignments;
        for (int s = 0; s < 24; ++s) {
            EXPECT_EQ(entries[s], expected_entry(kExpectedPatches[s][row], kExpectedDefaults[s].carried))
                << "function " << s;
        }
    }
}

TEST(KnownControllers, FirstFragmentInTableOrderWinsCaseSensitively) {
    struct Case {
        const char16_t* name;
        int row;  // 0-based, -1 for none
        const char16_t* path = nullptr;
    } cases[] = {
        {u"Logitech RumblePad 2 USB", 4},
        {u"logicool dual action", -1},  // case differs
        {u"LOGICOOL Dual Action", 4},
        {u"BUFFALO JC-U3312 pad", 1},  // rows 2 and 4: the earlier row
        {u"JC-PS101U JC-U", 2},
        {u"ELECOM JC - U2312", 3},
        {u"SANWA USB Dual Vibration Joystick", 5},
        {u"Controller (Xbox 360 Wireless Receiver)", 7},
        {u"XBOX ONE pad", 7},
        {u"xbox pad", -1},
        {u"Twin USB PSX-USB Joystick", 0},
        {u"MICRO GRIP JY-P70", 6},
        {u"PS TO PC converter", 1},
        {u"Generic USB Joystick", -1},
        {u"", -1},
        {nullptr, -1},
        // An XInput pad, marked "IG_" in its path: the Xbox row unless a fragment matched.
        {u"Controller (Xbox One For Windows)", 7,
         u"\\\\?\\HID#VID_045E&PID_02FF&IG_00#8&1e5a6b3&0&0000#{4d1e55b2}"},
        {u"Controller (Xbox One For Windows)", 7, u"\\\\?\\hid#vid_045e&pid_02ff&ig_00#8&1e5a6b3&0&0000"},
        {u"Controller (Xbox One For Windows)", -1, u"\\\\?\\hid#vid_045e&pid_02ff#8&1e5a6b3&0&0000"},
        {u"Logitech Dual Action", 4, u"\\\\?\\hid#vid_046d&pid_c216&ig_00#7&2b1c&0&0000"},
        {nullptr, 7, u"IG_"},
        {u"Pad", -1, u"IG"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(find_known_controller(c.name, c.path), c.row) << "case " << &c - cases;
}

}  // namespace
