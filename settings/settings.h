// The settings record: the one 852-byte block that is both the in-memory state of every
// choice and the exact content of settings.dat, which the game reads at its own start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// --- The file ------------------------------------------------------------------------
// Paths are wide strings, so that any documents folder name works.

// The folders to make, outermost first, so that every level of path up to its last
// separator exists: each is a prefix of path. What names no folder one can make is left
// out: the "\\server\share" of a UNC path, a "\\?\" or "\\?\UNC\" prefix with the drive,
// volume or share it leads to, a drive root, and "." or ".." levels.
std::vector<std::u16string> folders_to_make(const std::u16string& path);

#ifdef _WIN32
#include <windows.h>

// The system calls of loading and saving, replaceable by tests (see tests/support), each
// the system's own by default.
using DocumentsFolderLookup = bool (*)(std::wstring& folder);
using CreateFileCall = HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
using MoveFileExCall = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
using SleepCall = void(WINAPI*)(DWORD);
extern DocumentsFolderLookup g_documents_folder;  // shell_documents_folder
extern CreateFileCall g_create_file;              // CreateFileW
extern MoveFileExCall g_move_file_ex;             // MoveFileExW
extern SleepCall g_sleep;                         // Sleep

// The shell's documents folder of the user; false when it cannot be had as a path.
bool shell_documents_folder(std::wstring& folder);

// The documents folder followed by "\Kestrane\Calcora\"; "." stands for the documents
// folder when it cannot be had. Always ends in a backslash.
std::wstring settings_folder_path();
// The settings file in that folder.
std::wstring settings_file_path();
// Creates every missing level of path up to its last separator (those folders_to_make
// lists); a level that already exists is fine. On failure the system's error code is left
// for GetLastError.
bool make_directories(const std::wstring& path);

// Opening, creating and replacing the file is tried again after a short, growing pause
// (about 1.5 s in all per load or save) while it fails with access denied, a sharing
// violation or a lock violation: a virus scanner, the search indexer or a sync client
// holds a fresh file open for a moment.

// Reads settings.dat into the record; true only for a valid file. A failed load leaves
// the record untouched. error (when given) receives 0 when there is no file (or no
// folder) or its content is invalid, and otherwise the system's error code of the
// failure to open or read it.
bool load_settings(uint32_t* error = nullptr);
// Writes the record to settings.dat. The file is replaced in one step only after the
// whole record was written, so a failed save keeps the previous file and leaves no
// temporary file. On failure, error (when given) receives the system's error code of the
// step that failed.
bool save_settings(uint32_t* error = nullptr);

// The same two operations on an explicit folder (ending in a separator).
bool load_settings_from(const std::wstring& folder, uint32_t* error = nullptr);
bool save_settings_to(const std::wstring& folder, uint32_t* error = nullptr);

// What settings.dat holds now, against what a save of the record would write.
enum class SettingsFileState {
    Missing,     // no file (or no folder)
    Same,        // exactly the bytes a save would write
    Different,   // anything else, valid or not
    Unreadable,  // there, but it cannot be read even after the pauses for a lock
};
// Reads settings.dat (with the same pauses as a load) and compares it with the record as
// save_settings would write it; the record is left as it is. For Unreadable, error (when
// given) receives the system's error code.
SettingsFileState compare_settings_file(uint32_t* error = nullptr);
SettingsFileState compare_settings_file_in(const std::wstring& folder, uint32_t* error = nullptr);
#endif  // _WIN32

// --- Defaults --------------------------------------------------------------------------

// Overwrites the whole record with the defaults for a quality tier and a desktop size.
void build_default_settings(int tier, int32_t desktop_width, int32_t desktop_height);
// True when start-up must replace the record by defaults: it did not load, it asks for a
// quality above the machine's highest tier, or its quality is negative (no tier at all).
bool settings_need_defaults(bool loaded, int32_t stored_quality, int highest_tier);

// --- Accessors and default layouts ----------------------------------------------------
// Pages read and change the record only through these. Values are stored as given: the
// pages pass only valid ones.

int32_t screen_width();
void set_screen_width(int32_t value);
int32_t screen_height();
void set_screen_height(int32_t value);
int32_t wide_aspect();  // 0 = 4:3 picture, 1 = 16:9
void set_wide_aspect(int32_t value);
int32_t quality();  // 0 low, 1 medium, 2 high
void set_quality(int32_t value);
int32_t full_screen();
void set_full_screen(int32_t value);
int32_t udp_port();
void set_udp_port(int32_t value);

// Single bits of display_flags and option_flags; a setter leaves the other bits alone.
bool vsync();
void set_vsync(bool on);
bool frame_skip();
void set_frame_skip(bool on);
bool no_movie();
void set_no_movie(bool on);
bool voice_chat();
void set_voice_chat(bool on);
bool auto_port();
void set_auto_port(bool on);
bool upnp();
void set_upnp(bool on);
bool xinput();  // controllers read through XInput instead of DirectInput
void set_xinput(bool on);

// Controller slots: 0 is the keyboard, 1 to 4 the game controllers.
constexpr unsigned kMaxPadSlot = 4;

// An assignment entry as stored: byte 0 entry type, byte 1 entry code, bytes 2 and 3 the
// carried pair, which only the default layouts set.
constexpr uint32_t assignment_entry(uint8_t type, uint8_t code, uint8_t carried_first,
                                    uint8_t carried_second) {
    return static_cast<uint32_t>(type) | static_cast<uint32_t>(code) << 8 |
           static_cast<uint32_t>(carried_first) << 16 | static_cast<uint32_t>(carried_second) << 24;
}

// The layouts a slot starts from: the keyboard's for slot 0, the pad's for slots 1 to 4.
// The XInput layout is what slots 1 to 4 show while xinput is set; it is never stored.
// Each is 24 entries long.
const uint32_t* default_keyboard_layout();
const uint32_t* default_pad_layout();
const uint32_t* xinput_layout();

// A game controller whose buttons differ from the default pad layout: fragments of its
// device name (case-sensitive; unused ones null) and its (entry type, entry code) per
// function, which replace the pad layout's while its carried pairs stay.
struct KnownController {
    const char16_t* fragments[5];
    uint8_t patch[2 * kAssignmentCount];
};
constexpr int kKnownControllerCount = 8;
extern const KnownController kKnownControllers[kKnownControllerCount];

// The row of the Xbox controllers in that table.
constexpr int kXboxControllerRow = 7;

// The row of the first fragment, rows and fragments in table order, found anywhere in
// device_name; -1 when none is (also for a null or empty name). A name no fragment
// matches gets the Xbox row when the device path holds "IG_" in any case: Windows shows
// every XInput pad to DirectInput with that row's layout, whatever its name, and marks its
// path so.
int find_known_controller(const char16_t* device_name, const char16_t* device_path = nullptr);

// --- Pad families --------------------------------------------------------------------------
// Pads whose controls are known by where they sit: the Xbox family by its name or the "IG_"
// of its path, the others by their USB ids.

// A pad's USB vendor and product ids, as DirectInput's DIPROP_VIDPID gives them; 0 unknown.
struct PadIds {
    uint16_t vendor = 0;
    uint16_t product = 0;
};

enum class PadFamily { Unknown, Xbox, DualShock4, DualSense, SwitchPro, EightBitDo, EightBitDoUltimate };

// Where a control sits, whatever is printed on it. Back is also Share, Create, Select and -,
// Start also Options and +; Home is the Guide, PS or Home button; Extra the touchpad or the
// Capture button.
enum class PadPlace {
    South,
    East,
    West,
    North,
    LeftShoulder,
    RightShoulder,
    LeftTrigger,
    RightTrigger,
    Back,
    Start,
    LeftStickPress,
    RightStickPress,
    Home,
    Extra,
};
constexpr int kPadPlaceCount = 14;

// The pad's family. A name that the known-controller table matches decides first: its Xbox
// row gives the Xbox family, its other rows no family (those pads have layouts of their own).
// Then "IG_" in the path gives the Xbox family (Windows, Wine and mappers present gamepads
// so, in the Xbox order, whatever their ids); then the ids pick the family.
PadFamily pad_family(const char16_t* device_name, const char16_t* device_path, PadIds ids);
// The family of the ids alone; Unknown for ids of no known family.
PadFamily pad_family_of_ids(PadIds ids);

// What the family's control at a place is stored as: the (entry type, entry code) of an
// assignment entry; false when the family's pads have no control there. For the Unknown
// family the places are where the default pad layout puts the functions of the Xbox row
// (the A-button function's button at South, and so on).
bool pad_place_entry(PadFamily family, PadPlace place, uint8_t& type, uint8_t& code);
// The place of the family's control stored as (type, code); -1 when it is at none of them.
int pad_place_of_entry(PadFamily family, uint8_t type, uint8_t code);
// The family's default layout, 24 (entry type, entry code) pairs in slot order: each
// function of the Xbox row on the control at the same place, the D-pad on the hat and the
// sticks on the family's stick axes. The Unknown family's is the default pad layout's.
void pad_family_layout(PadFamily family, uint8_t (&pairs)[kAssignmentCount][2]);

// Refills a slot's assignments with its default layout; for slots 1 to 4 the pad layout
// patched for the known controller the device name (or path) matches, or else laid out for
// the family of its ids. Slots above 4 are ignored.
void fill_slot_layout(unsigned slot, const char16_t* device_name, const char16_t* device_path = nullptr,
                      PadIds ids = {});

// DirectInput's system keyboard, the device of slot 0.
extern const SettingsGuid kSysKeyboardGuid;

// The slot's device GUID, writable. A slot above 4 gets a dummy GUID, zeroed on each call.
SettingsGuid& pad_device(unsigned slot);
// The entries a page shows for a slot: for slot 0 the active keyboard layout (27 entries),
// for slots 1 to 4 a copy of the XInput layout while xinput is set and otherwise the slot's
// own 24 entries; null above 4. Edits reach the record only through store_pad_assignments.
uint32_t* pad_assignments(unsigned slot);
// Copies 24 entries into the slot (and for slot 0 into the active keyboard layout as well).
// False for a slot above 4 or no entries.
bool store_pad_assignments(unsigned slot, const uint32_t* entries);
// Gives the slot a device. A slot that already holds it keeps its entries; otherwise it
// gets the default layout for the device name, path and ids (either text may be null), and the first
// other controller slot that held the device loses it but keeps its entries.
void set_pad_device(unsigned slot, const SettingsGuid& guid, const char16_t* device_name = nullptr,
                    const char16_t* device_path = nullptr, PadIds ids = {});
// Refills the slot with its default layout for the device name, path and ids (either text may
// be null).
void reset_pad_layout(unsigned slot, const char16_t* device_name = nullptr,
                      const char16_t* device_path = nullptr, PadIds ids = {});

#ifdef _WIN32
// The same for names held as Windows wide strings (16-bit wchar_t).
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide strings are 16-bit");
inline void set_pad_device(unsigned slot, const SettingsGuid& guid, const wchar_t* device_name,
                           const wchar_t* device_path = nullptr, PadIds ids = {}) {
    set_pad_device(slot, guid, reinterpret_cast<const char16_t*>(device_name),
                   reinterpret_cast<const char16_t*>(device_path), ids);
}
inline void reset_pad_layout(unsigned slot, const wchar_t* device_name, const wchar_t* device_path = nullptr,
                             PadIds ids = {}) {
    reset_pad_layout(slot, reinterpret_cast<const char16_t*>(device_name),
                     reinterpret_cast<const char16_t*>(device_path), ids);
}
#endif
