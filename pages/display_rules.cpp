#include "pages/pages.h"

#include <cstdio>

namespace {

int64_t pixel_count(const Resolution& mode) {
    return int64_t{mode.width} * mode.height;
}

}  // namespace

bool fits_screen(const Resolution& mode, const Resolution& screen) {
    return mode.width <= screen.width && mode.height <= screen.height;
}

bool is_wider_than_4_3(const Resolution& mode) {
    // In 64 bits: a resolution read from a damaged file must not overflow the test.
    return 3 * (int64_t{mode.width} / 4) - mode.height > 0;
}

std::vector<OfferedMode> offered_resolutions(const ResolutionSet& listed, const ResolutionSet& fullscreen,
                                             const Resolution& screen, const Resolution& limit,
                                             bool want_full_screen) {
    std::vector<OfferedMode> offered;
    for (const Resolution& mode : listed) {
        const bool window_only = fullscreen.count(mode) == 0;
        const bool too_big = !fits_screen(mode, screen);
        if (window_only && want_full_screen) continue;
        if (too_big && !want_full_screen) continue;
        if (pixel_count(mode) > pixel_count(limit)) continue;
        const ModeLabel label =
            window_only ? ModeLabel::WindowOnly : (too_big ? ModeLabel::FullScreenOnly : ModeLabel::Plain);
        offered.push_back({mode, label});
    }
    return offered;
}

std::u16string resolution_label(const OfferedMode& mode, const std::u16string& window_only_text,
                                const std::u16string& full_screen_only_text) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "(%4d,%4d)", static_cast<int>(mode.resolution.width),
                  static_cast<int>(mode.resolution.height));
    std::u16string label(digits, digits + std::char_traits<char>::length(digits));
    if (mode.label == ModeLabel::WindowOnly) label += u" - " + window_only_text;
    if (mode.label == ModeLabel::FullScreenOnly) label += u" - " + full_screen_only_text;
    return label;
}
