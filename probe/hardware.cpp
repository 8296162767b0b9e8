// The probe results and the plain rules that turn what the platform reports into them.
#include "probe/probe.h"

#include <algorithm>
#include <limits>

namespace {

DisplayModeSets g_mode_sets;
HardwareInfo g_hardware;

constexpr Resolution kSmallestFullscreenMode = {640, 480};

bool in_resolution_table(const Resolution& mode) {
    return std::any_of(resolution_table.begin(), resolution_table.end(), [&](const Resolution& entry) {
        return entry.width == mode.width && entry.height == mode.height;
    });
}

}  // namespace

int64_t mode_key(const Resolution& resolution) {
    return static_cast<int64_t>(resolution.width) * 65535 + resolution.height;
}

DisplayModeSets& display_mode_sets() {
    return g_mode_sets;
}

HardwareInfo& hardware_info() {
    return g_hardware;
}

const ResolutionSet& listed_modes() {
    return g_mode_sets.listed;
}

const ResolutionSet& fullscreen_modes() {
    if (g_mode_sets.fullscreen.empty()) g_mode_sets.fullscreen.insert(kSmallestFullscreenMode);
    return g_mode_sets.fullscreen;
}

Resolution desktop_size() {
    return {g_hardware.desktop_width, g_hardware.desktop_height};
}

int32_t desktop_width() {
    return g_hardware.desktop_width;
}

int32_t desktop_height() {
    return g_hardware.desktop_height;
}

Resolution unaware_desktop_size(const UnawareDesktopFacts& facts) {
    constexpr int64_t kUnscaledDpi = 96;
    // XP-style scaling: at 120 DPI and below the system leaves such programs unscaled
    // unless its DPI scaling was chosen.
    constexpr int32_t kHighestXpStyleDpi = 120;
    if (facts.wine) return facts.real;
    if (facts.measured_known && facts.measured.width > 0 && facts.measured.height > 0) return facts.measured;
    const bool scaling_chosen =
        !facts.xp_style_offered ||
        (facts.dpi_scaling_setting == -1 ? facts.dpi > kHighestXpStyleDpi : facts.dpi_scaling_setting != 0);
    const int64_t dpi = facts.dpi;
    if (!facts.composition_on || !scaling_chosen || dpi <= kUnscaledDpi) return facts.real;
    const auto scaled = [dpi](int32_t length) {
        return static_cast<int32_t>((int64_t{length} * kUnscaledDpi + dpi / 2) / dpi);
    };
    return {scaled(facts.real.width), scaled(facts.real.height)};
}

bool is_accepted_mode_format(uint32_t format) {
    switch (format) {
        case 21:  // A8R8G8B8
        case 22:  // X8R8G8B8
        case 23:  // R5G6B5
        case 24:  // X1R5G5B5
        case 25:  // A1R5G5B5
        case 26:  // A4R4G4B4
        case 30:  // X4R4G4B4
            return true;
        default:
            return false;
    }
}

void record_display_modes(const std::vector<AdapterMode>& adapter_modes, const ResolutionSet& desktop_modes,
                          DisplayModeSets& sets) {
    sets.listed.insert(resolution_table.begin(), resolution_table.end());
    for (const AdapterMode& mode : adapter_modes) {
        const Resolution size = {mode.width, mode.height};
        if (!is_accepted_mode_format(mode.format)) continue;
        if (desktop_modes.count(size) && in_resolution_table(size)) sets.fullscreen.insert(size);
    }
}

float shader_version(uint32_t version_word) {
    const uint32_t major = (version_word >> 8) & 0xFFu;
    const uint32_t minor = version_word & 0xFFu;
    const double tenth = 0.1f;
    return static_cast<float>(static_cast<double>(major) + static_cast<double>(minor) * tenth);
}

int32_t estimated_video_memory(uint32_t driver_total_bytes, int32_t desktop_bpp, int32_t desktop_width,
                               int32_t desktop_height) {
    // DirectDraw may report nearly 4 GB (Wine does), which a signed 32-bit count cannot
    // hold; read as negative it would fail every tier.
    const int64_t desktop_share = static_cast<int64_t>(desktop_bpp / 4) * desktop_width * desktop_height;
    const int64_t sum = static_cast<int64_t>(driver_total_bytes) + desktop_share;
    const int64_t low = std::numeric_limits<int32_t>::min();
    const int64_t high = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::min(std::max(sum, low), high));
}
