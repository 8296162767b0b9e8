// A fresh settings record for a machine: from its desktop size and its quality tier.
#include "settings/settings.h"

#include <algorithm>
#include <cstring>

namespace {

struct DefaultResolution {
    int32_t width;
    int32_t height;
};

// Per tier: the resolution for a desktop of at most 4:3, and for a wider one.
constexpr DefaultResolution kDefaultResolutions[3][2] = {
    {{640, 480}, {720, 480}},
    {{800, 600}, {960, 600}},
    {{1024, 768}, {1280, 720}},
};

constexpr DefaultResolution kFallbackResolution = {640, 480};

bool wider_than_4_3(int32_t width, int32_t height) {
    // Integer division truncating toward zero, in 64 bits so no desktop size overflows.
    return 3 * (static_cast<int64_t>(width) / 4) - height > 0;
}

}  // namespace

const SettingsGuid kSysKeyboardGuid = {
    0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

bool settings_need_defaults(bool loaded, int32_t stored_quality, int highest_tier) {
    return !loaded || highest_tier < stored_quality || stored_quality < 0;
}

void build_default_settings(int tier, int32_t desktop_width, int32_t desktop_height) {
    // Tiers come from the probe as 0 to 2; anything else is held to that range rather
    // than indexing past the table or storing a quality no page can show.
    tier = std::min(std::max(tier, 0), 2);

    SettingsRecord& record = settings_record();
    std::memset(&record, 0, sizeof record);

    const bool wide = wider_than_4_3(desktop_width, desktop_height);
    const DefaultResolution candidate = kDefaultResolutions[tier][wide ? 1 : 0];
    const bool fits = candidate.width <= desktop_width && candidate.height <= desktop_height;
    const DefaultResolution resolution = fits ? candidate : kFallbackResolution;
    record.screen_width = resolution.width;
    record.screen_height = resolution.height;
    record.wide_aspect = wide && fits ? 1 : 0;

    record.quality = tier;
    record.version = kSettingsVersion;
    record.display_flags = 0x0002;
    record.udp_port = 5739;
    record.option_flags = 0x00000006;
    record.full_screen = 1;

    record.pad_slots[0].device_guid = kSysKeyboardGuid;
    for (unsigned slot = 0; slot <= kMaxPadSlot; ++slot) fill_slot_layout(slot, nullptr);

    stamp_settings_header(record);
    refresh_keyboard_layout();
}
