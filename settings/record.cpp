#include "settings/settings.h"

#include <array>
#include <cstring>

namespace {

SettingsRecord g_record;
uint32_t g_keyboard_layout[kKeyboardLayoutCount];

// Return for "accept", Escape for "back" and Escape for "pause": fixed in every layout.
constexpr uint32_t kFixedKeyboardEntries[3] = {0x18001C00u, 0x19000100u, 0x08000100u};

std::array<uint16_t, 256> build_crc_table() {
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned value = i << 8;
        for (int bit = 0; bit < 8; ++bit) {
            const bool top = (value & 0x8000u) != 0;
            value = (value << 1) & 0xFFFFu;
            if (top) value ^= 0x1021u;
        }
        table[i] = static_cast<uint16_t>(value);
    }
    return table;
}

}  // namespace

SettingsRecord& settings_record() {
    return g_record;
}

uint32_t* active_keyboard_layout() {
    return g_keyboard_layout;
}

void refresh_keyboard_layout() {
    std::memcpy(g_keyboard_layout, g_record.pad_slots[0].assignments,
                sizeof(g_record.pad_slots[0].assignments));
    for (int i = 0; i < 3; ++i) g_keyboard_layout[kAssignmentCount + i] = kFixedKeyboardEntries[i];
}

uint16_t crc16_gsm(const uint8_t* data, size_t size) {
    static const std::array<uint16_t, 256> table = build_crc_table();
    unsigned crc = 0;
    for (size_t i = 0; i < size; ++i) crc = ((crc << 8) & 0xFFFFu) ^ table[((crc >> 8) ^ data[i]) & 0xFFu];
    return static_cast<uint16_t>(~crc & 0xFFFFu);
}

uint16_t settings_checksum(const SettingsRecord& record) {
    SettingsRecord copy;
    std::memcpy(&copy, &record, sizeof copy);
    copy.checksum = 0;
    return crc16_gsm(reinterpret_cast<const uint8_t*>(&copy), sizeof copy);
}

bool settings_bytes_valid(const uint8_t* data, size_t size) {
    if (!data || size < kSettingsSize) return false;
    SettingsRecord record;
    std::memcpy(&record, data, sizeof record);
    if (std::memcmp(record.magic, kSettingsMagic, sizeof record.magic) != 0) return false;
    if (record.version != kSettingsVersion) return false;
    if (record.size < kSettingsSize) return false;
    return record.checksum == settings_checksum(record);
}

void stamp_settings_header(SettingsRecord& record) {
    std::memcpy(record.magic, kSettingsMagic, sizeof record.magic);
    record.size = kSettingsSize;
    record.checksum = settings_checksum(record);
}
