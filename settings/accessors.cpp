// The small accessors through which the pages read and change single settings.
#include "settings/settings.h"

#include <cstring>

namespace {

constexpr uint16_t kVsyncBit = 1u << 0;
constexpr uint16_t kFrameSkipBit = 1u << 1;
constexpr uint16_t kNoMovieBit = 1u << 2;
constexpr uint32_t kVoiceChatBit = 1u << 0;
constexpr uint32_t kAutoPortBit = 1u << 1;
constexpr uint32_t kUpnpBit = 1u << 2;
constexpr uint32_t kXInputBit = 1u << 3;

// Handed out for a slot number above 4; zeroed again on every such call.
SettingsGuid g_dummy_guid;

// A writable copy of the XInput layout for pad_assignments, so that a caller editing the
// table it gets cannot change the constant.
uint32_t g_xinput_entries[kAssignmentCount];

template <class Flags>
void set_bit(Flags& flags, Flags bit, bool on) {
    flags = static_cast<Flags>(on ? (flags | bit) : (flags & ~bit));
}

bool same_guid(const SettingsGuid& a, const SettingsGuid& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

PadSlot& pad_slot(unsigned slot) {
    return settings_record().pad_slots[slot];
}

}  // namespace

int32_t screen_width() {
    return settings_record().screen_width;
}
void set_screen_width(int32_t value) {
    settings_record().screen_width = value;
}
int32_t screen_height() {
    return settings_record().screen_height;
}
void set_screen_height(int32_t value) {
    settings_record().screen_height = value;
}
int32_t wide_aspect() {
    return settings_record().wide_aspect;
}
void set_wide_aspect(int32_t value) {
    settings_record().wide_aspect = value;
}
int32_t quality() {
    return settings_record().quality;
}
void set_quality(int32_t value) {
    settings_record().quality = value;
}
int32_t full_screen() {
    return settings_record().full_screen;
}
void set_full_screen(int32_t value) {
    settings_record().full_screen = value;
}
int32_t udp_port() {
    return settings_record().udp_port;
}
void set_udp_port(int32_t value) {
    settings_record().udp_port = value;
}

bool vsync() {
    return (settings_record().display_flags & kVsyncBit) != 0;
}
void set_vsync(bool on) {
    set_bit(settings_record().display_flags, kVsyncBit, on);
}
bool frame_skip() {
    return (settings_record().display_flags & kFrameSkipBit) != 0;
}
void set_frame_skip(bool on) {
    set_bit(settings_record().display_flags, kFrameSkipBit, on);
}
bool no_movie() {
    return (settings_record().display_flags & kNoMovieBit) != 0;
}
void set_no_movie(bool on) {
    set_bit(settings_record().display_flags, kNoMovieBit, on);
}
bool voice_chat() {
    return (settings_record().option_flags & kVoiceChatBit) != 0;
}
void set_voice_chat(bool on) {
    set_bit(settings_record().option_flags, kVoiceChatBit, on);
}
bool auto_port() {
    return (settings_record().option_flags & kAutoPortBit) != 0;
}
void set_auto_port(bool on) {
    set_bit(settings_record().option_flags, kAutoPortBit, on);
}
bool upnp() {
    return (settings_record().option_flags & kUpnpBit) != 0;
}
void set_upnp(bool on) {
    set_bit(settings_record().option_flags, kUpnpBit, on);
}
bool xinput() {
    return (settings_record().option_flags & kXInputBit) != 0;
}
void set_xinput(bool on) {
    set_bit(settings_record().option_flags, kXInputBit, on);
}

SettingsGuid& pad_device(unsigned slot) {
    if (slot > kMaxPadSlot) {
        g_dummy_guid = SettingsGuid{};
        return g_dummy_guid;
    }
    return pad_slot(slot).device_guid;
}

uint32_t* pad_assignments(unsigned slot) {
    if (slot > kMaxPadSlot) return nullptr;
    if (slot == 0) return active_keyboard_layout();
    if (xinput()) {
        std::memcpy(g_xinput_entries, xinput_layout(), sizeof g_xinput_entries);
        return g_xinput_entries;
    }
    return pad_slot(slot).assignments;
}

bool store_pad_assignments(unsigned slot, const uint32_t* entries) {
    if (slot > kMaxPadSlot || !entries) return false;
    // entries may be the table pad_assignments handed out, so the copies may overlap.
    std::memmove(pad_slot(slot).assignments, entries, sizeof(uint32_t) * kAssignmentCount);
    if (slot == 0)
        std::memmove(active_keyboard_layout(), pad_slot(0).assignments, sizeof(uint32_t) * kAssignmentCount);
    return true;
}

void set_pad_device(unsigned slot, const SettingsGuid& guid, const char16_t* device_name,
                    const char16_t* device_path, PadIds ids) {
    if (slot > kMaxPadSlot) return;
    if (same_guid(pad_slot(slot).device_guid, guid)) return;
    // guid may refer to another slot's GUID, which the loop below clears: keep a copy.
    const SettingsGuid device = guid;
    pad_slot(slot).device_guid = device;
    fill_slot_layout(slot, device_name, device_path, ids);
    // A device is held by one controller slot at most; the other slot keeps its entries.
    for (unsigned other = 1; other <= kMaxPadSlot; ++other) {
        if (other == slot || !same_guid(pad_slot(other).device_guid, device)) continue;
        pad_slot(other).device_guid = SettingsGuid{};
        break;
    }
}

void reset_pad_layout(unsigned slot, const char16_t* device_name, const char16_t* device_path, PadIds ids) {
    if (slot > kMaxPadSlot) return;
    fill_slot_layout(slot, device_name, device_path, ids);
    if (slot == 0) refresh_keyboard_layout();
}
