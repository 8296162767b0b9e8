// The settings record: the one 852-byte block that is both the in-memory state of every
// choice and the exact content of settings.dat, which the game reads at its own start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A GUID in the Windows memory layout, without needing windows.h.
struct SettingsGuid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

constexpr int kPadSlotCount = 5;
constexpr int kAssignmentCount = 24;
constexpr int kKeyboardLayoutCount = 27;  // slot 0's 24 entries and three fixed keys

#pragma pack(push, 1)
struct PadSlot {
    SettingsGuid device_guid;
    uint32_t assignments[kAssignmentCount];
};

struct SettingsRecord {
    char magic[4];
    uint32_t version;
    uint32_t size;
    uint16_t checksum;
    uint16_t display_flags;
    int32_t screen_width;
    int32_t screen_height;
    int32_t wide_aspect;
    int32_t quality;
    int32_t full_screen;
    uint32_t option_flags;
    int32_t udp_port;
    uint8_t reserved[248];
    PadSlot pad_slots[kPadSlotCount];
};
#pragma pack(pop)

constexpr uint32_t kSettingsSize = 852;
constexpr uint32_t kSettingsVersion = 2;
constexpr char kSettingsMagic[4] = {'C', 'L', 'C', 'F'};

static_assert(sizeof(PadSlot) == 112, "a controller slot is 112 bytes");
static_assert(sizeof(SettingsRecord) == kSettingsSize, "the record is 852 bytes");
static_assert(offsetof(SettingsRecord, checksum) == 0x00C, "layout");
static_assert(offsetof(SettingsRecord, display_flags) == 0x00E, "layout");
static_assert(offsetof(SettingsRecord, udp_port) == 0x028, "layout");
static_assert(offsetof(SettingsRecord, reserved) == 0x02C, "layout");
static_assert(offsetof(SettingsRecord, pad_slots) == 0x124, "layout");

// The process-wide record. Pages use the accessors, never the bytes.
SettingsRecord& settings_record();

// The active keyboard layout: slot 0's 24 entries followed by Return, Escape and Escape.
uint32_t* active_keyboard_layout();
void refresh_keyboard_layout();

// CRC-16/GSM over all 852 bytes with the checksum field taken as zero.
uint16_t settings_checksum(const SettingsRecord& record);
uint16_t crc16_gsm(const uint8_t* data, size_t size);

// Checks a file's bytes as load_settings does: magic, version, size (at least 852) and
// checksum. Only the first 852 bytes are looked at; fewer than 852 never pass.
bool settings_bytes_valid(const uint8_t* data, size_t size);

// Sets magic and size and recomputes the checksum, as done right before every write.
void stamp_settings_header(SettingsRecord& record);

// --- The file (Windows build only) ---------------------------------------------------

// The documents folder followed by "\Kestrane\Calcora\"; "." stands for the documents
// folder when the shell cannot tell it. Always ends in a backslash.
std::string settings_folder_path();
// Creates every missing level of path up to its last separator.
bool make_directories(const std::string& path);
// Reads settings.dat into the record; true only for a valid file. A failed load leaves
// the record untouched.
bool load_settings();
// Writes the record to settings.dat. The file is replaced in one step only after the
// whole record was written, so a failed save keeps the previous file. Silent.
void save_settings();

// The same two operations on an explicit folder (ending in a separator); true on success.
bool load_settings_from(const std::string& folder);
bool save_settings_to(const std::string& folder);

// --- Defaults --------------------------------------------------------------------------

// Overwrites the whole record with the defaults for a quality tier and a desktop size.
void build_default_settings(int tier, int32_t desktop_width, int32_t desktop_height);
