#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

SettingsRecord valid_record() {
    SettingsRecord record;
    std::memset(&record, 0, sizeof record);
    record.version = kSettingsVersion;
    record.screen_width = 1024;
    record.screen_height = 768;
    record.udp_port = 5739;
    for (int i = 0; i < 248; ++i) record.reserved[i] = static_cast<uint8_t>(i * 7);
    stamp_settings_header(record);
    return record;
}

std::vector<uint8_t> bytes_of(const SettingsRecord& record) {
    const auto* p = reinterpret_cast<const uint8_t*>(&record);
    return std::vector<uint8_t>(p, p + sizeof record);
}

TEST(SettingsRecord, FieldsSitAtTheirFileOffsets) {
    EXPECT_EQ(offsetof(SettingsRecord, version), 0x004u);
    EXPECT_EQ(offsetof(SettingsRecord, size), 0x008u);
    EXPECT_EQ(offsetof(SettingsRecord, screen_width), 0x010u);
    EXPECT_EQ(offsetof(SettingsRecord, screen_height), 0x014u);
    EXPECT_EQ(offsetof(SettingsRecord, wide_aspect), 0x018u);
    EXPECT_EQ(offsetof(SettingsRecord, quality), 0x01Cu);
    EXPECT_EQ(offsetof(SettingsRecord, full_screen), 0x020u);
    EXPECT_EQ(offsetof(SettingsRecord, option_flags), 0x024u);
    const size_t slot_starts[kPadSlotCount] = {0x124, 0x194, 0x204, 0x274, 0x2E4};
    for (int k = 0; k < kPadSlotCount; ++k) {
        EXPECT_EQ(offsetof(SettingsRecord, pad_slots) + k * sizeof(PadSlot), slot_starts[k]);
    }
    EXPECT_EQ(offsetof(PadSlot, assignments), 16u);
}

TEST(SettingsChecksum, IsCrc16Gsm) {
    const char check[] = "123456789";
    EXPECT_EQ(crc16_gsm(reinterpret_cast<const uint8_t*>(check), 9), 0xCE3C);
    EXPECT_EQ(crc16_gsm(nullptr, 0), 0xFFFF);
}

TEST(SettingsChecksum, IgnoresTheChecksumFieldAndKeepsTheRecord) {
    SettingsRecord record = valid_record();
    const std::vector<uint8_t> before = bytes_of(record);
    const uint16_t sum = settings_checksum(record);
    EXPECT_EQ(bytes_of(record), before);
    record.checksum = static_cast<uint16_t>(~record.checksum);
    EXPECT_EQ(settings_checksum(record), sum);
}

TEST(SettingsChecksum, CoversEveryByteButTheChecksum) {
    const SettingsRecord record = valid_record();
    const uint16_t sum = settings_checksum(record);
    for (size_t offset = 0; offset < sizeof record; ++offset) {
        if (offset == 0x00C || offset == 0x00D) continue;
        SettingsRecord changed = record;
        reinterpret_cast<uint8_t*>(&changed)[offset] ^= 0x01;
        ASSERT_NE(settings_checksum(changed), sum) << "offset " << offset;
    }
}

TEST(SettingsValidation, AcceptsAValidRecordAndALargerSize) {
    SettingsRecord record = valid_record();
    EXPECT_TRUE(settings_bytes_valid(bytes_of(record).data(), sizeof record));

    record.size = 4096;
    record.checksum = settings_checksum(record);
    EXPECT_TRUE(settings_bytes_valid(bytes_of(record).data(), sizeof record));
}

TEST(SettingsValidation, RejectsEachBrokenHeaderField) {
    struct Case {
        const char* what;
        void (*spoil)(SettingsRecord&);
    };
    const Case cases[] = {
        {"magic", [](SettingsRecord& r) { r.magic[3] = 'G'; }},
        {"version 1", [](SettingsRecord& r) { r.version = 1; }},
        {"version 3", [](SettingsRecord& r) { r.version = 3; }},
        {"size 851", [](SettingsRecord& r) { r.size = 851; }},
        {"size 0", [](SettingsRecord& r) { r.size = 0; }},
    };
    for (const Case& c : cases) {
        SettingsRecord record = valid_record();
        c.spoil(record);
        // Even with a checksum that matches the spoilt record, the header decides.
        record.checksum = settings_checksum(record);
        EXPECT_FALSE(settings_bytes_valid(bytes_of(record).data(), sizeof record)) << c.what;
    }
}

TEST(SettingsValidation, RejectsAFlippedByteAndShortInput) {
    SettingsRecord record = valid_record();
    std::vector<uint8_t> bytes = bytes_of(record);
    bytes[0x02C + 100] ^= 0x80;  // a reserved byte
    EXPECT_FALSE(settings_bytes_valid(bytes.data(), bytes.size()));

    bytes = bytes_of(record);
    bytes[0x00C] ^= 0x01;  // the checksum itself
    EXPECT_FALSE(settings_bytes_valid(bytes.data(), bytes.size()));

    bytes = bytes_of(record);
    EXPECT_FALSE(settings_bytes_valid(bytes.data(), 851));
    EXPECT_FALSE(settings_bytes_valid(bytes.data(), 0));
    EXPECT_FALSE(settings_bytes_valid(nullptr, 852));
}

TEST(SettingsHeader, StampingWritesMagicSizeAndAMatchingChecksum) {
    SettingsRecord record = valid_record();
    std::memset(record.magic, 0, 4);
    record.size = 9999;
    stamp_settings_header(record);
    EXPECT_EQ(std::memcmp(record.magic, "CLCF", 4), 0);
    EXPECT_EQ(record.size, 852u);
    uint32_t magic_word;
    std::memcpy(&magic_word, record.magic, 4);
    EXPECT_EQ(magic_word, 0x46434C43u);
    EXPECT_EQ(record.checksum, settings_checksum(record));
}

TEST(KeyboardLayout, FollowsSlotZeroAndEndsWithTheFixedKeys) {
    SettingsRecord& record = settings_record();
    for (int i = 0; i < kAssignmentCount; ++i) record.pad_slots[0].assignments[i] = 0x1000u + i;
    refresh_keyboard_layout();
    const uint32_t* layout = active_keyboard_layout();
    for (int i = 0; i < kAssignmentCount; ++i) EXPECT_EQ(layout[i], 0x1000u + i);
    EXPECT_EQ(layout[24], 0x18001C00u);
    EXPECT_EQ(layout[25], 0x19000100u);
    EXPECT_EQ(layout[26], 0x08000100u);
}

}  // namespace
