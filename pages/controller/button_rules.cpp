// Assignment entries of device buttons and the lit controller picture, without windows.
#include "pages/controller/controller.h"

namespace {

// Stored entry types besides the plain button (0).
constexpr uint8_t kAxisPlusType = 2;
constexpr uint8_t kAxisMinusType = 3;
constexpr uint8_t kPovUpType = 8;
constexpr uint8_t kPovDownType = 9;
constexpr uint8_t kPovLeftType = 10;
constexpr uint8_t kPovRightType = 11;

// Control kinds as the devices report them (see nrv/peripheral/core/controls.h).
constexpr int kButtonKind = 1;
constexpr int kSliderPlusKind = 2;
constexpr int kSliderMinusKind = 3;
constexpr int kRzMinusKind = 15;
constexpr int kPovLeftKind = 16;
constexpr int kPovRightKind = 17;
constexpr int kPovDownKind = 18;
constexpr int kPovUpKind = 19;

// The axis of the half-axis kinds 4 to 15, two kinds per axis (plus, then minus).
constexpr AxisOrder kAxisOfKindPair[6] = {axis_x, axis_y, axis_z, axis_rx, axis_ry, axis_rz};

// The arrows of the hat directions, up, down, left and right as the entry types run.
constexpr char16_t kHatArrows[4] = {u'\u2191', u'\u2193', u'\u2190', u'\u2192'};

// Opaque enough to be hovered, and drawn at all.
constexpr uint8_t kHoverGreenLimit = 250;
constexpr uint8_t kDrawnGreenLimit = 254;

// Pixels read from inside an image carry alpha 255; an image without pixels (never loaded,
// or released) answers alpha 0 everywhere and is neither drawn nor hovered.
bool is_opaque(const nrv::graphic::colour& pixel, uint8_t green_limit) {
    return pixel.alpha != 0 && pixel.green < green_limit;
}

bool is_axis_entry(int kind, int instance, AxisPresence present, EntryCode& entry) {
    int axis = -1;
    bool plus = false;
    if (kind == kSliderPlusKind || kind == kSliderMinusKind) {
        if (instance < 0 || instance > 1) return false;
        axis = axis_slider0 + instance;
        plus = kind == kSliderPlusKind;
    } else if (kind > kSliderMinusKind && kind <= kRzMinusKind) {
        axis = kAxisOfKindPair[(kind - 4) / 2];
        plus = kind % 2 == 0;
    } else {
        return false;
    }
    entry = {plus ? kAxisPlusType : kAxisMinusType, static_cast<uint8_t>(axis_ordinal(present, axis))};
    return true;
}

// Puts the value in place of the first occurrence of the placeholder, if any.
void fill_placeholder(std::u16string& text, const char16_t* placeholder, const std::u16string& value) {
    const size_t at = text.find(placeholder);
    if (at != std::u16string::npos) text.replace(at, 2, value);
}

std::u16string counted(int number) {
    const std::string digits = std::to_string(number);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace

const PicturePlace kOverlayPlaces[kFunctionCount] = {
    {191, 93},  {208, 109}, {188, 125}, {170, 110}, {47, 45},   {181, 45},  {28, 65},   {177, 65},
    {143, 111}, {90, 111},  {37, 109},  {144, 143}, {84, 137},  {99, 152},  {84, 167},  {69, 152},
    {47, 108},  {47, 138},  {32, 123},  {62, 123},  {155, 142}, {155, 172}, {140, 157}, {170, 157},
};

int axis_ordinal(AxisPresence present, int axis) {
    int ordinal = 0;
    for (int before = 0; before < axis && before < kAxisOrderCount; ++before) {
        if (present >> before & 1) ++ordinal;
    }
    return ordinal;
}

bool entry_for_control(int kind, int instance, AxisPresence present, EntryCode& entry) {
    switch (kind) {
        case kButtonKind:
            if (instance < 0 || instance > 255) return false;
            entry = {0, static_cast<uint8_t>(instance)};
            return true;
        case kPovLeftKind:
            entry = {kPovLeftType, 0};
            return true;
        case kPovRightKind:
            entry = {kPovRightType, 0};
            return true;
        case kPovDownKind:
            entry = {kPovDownType, 0};
            return true;
        case kPovUpKind:
            entry = {kPovUpType, 0};
            return true;
        default:
            return is_axis_entry(kind, instance, present, entry);
    }
}

int slot_for_entry(const uint32_t* entries, EntryCode entry, int start) {
    if (!entries) return -1;
    for (int slot = start < 0 ? 0 : start; slot < kFunctionCount; ++slot) {
        if (entry_code_of(entries[slot]) == entry) return slot;
    }
    return -1;
}

void assign_entry(uint32_t* entries, int slot, EntryCode entry) {
    if (!entries || slot < 0 || slot >= kFunctionCount) return;
    const auto with_code = [](uint32_t stored, EntryCode code) {
        return (stored & 0xFFFF0000u) | code.type | static_cast<uint32_t>(code.code) << 8;
    };
    for (int other = 0; other < kFunctionCount; ++other) {
        if (entry_code_of(entries[other]) == entry)
            entries[other] = with_code(entries[other], {kUnassignedType, 0});
    }
    entries[slot] = with_code(entries[slot], entry);
}

int slot_taken_from(const uint32_t* entries, EntryCode entry, int slot) {
    for (int other = slot_for_entry(entries, entry, 0); other >= 0;
         other = slot_for_entry(entries, entry, other + 1))
        if (other != slot) return other;
    return -1;
}

int hovered_slot(const nrv::graphic::image* const* overlays, int x, int y) {
    if (!overlays) return -1;
    for (int slot = kFunctionCount - 1; slot >= 0; --slot) {
        const nrv::graphic::image* overlay = overlays[slot];
        if (!overlay) continue;
        const PicturePlace& place = kOverlayPlaces[slot];
        if (x <= place.x || x >= place.x + overlay->width() || y <= place.y ||
            y >= place.y + overlay->height())
            continue;
        if (is_opaque(overlay->get_pixel(x - place.x, y - place.y), kHoverGreenLimit)) return slot;
    }
    return -1;
}

void draw_overlay(nrv::graphic::image& canvas, const nrv::graphic::image& overlay, int x, int y,
                  const nrv::graphic::colour* solid) {
    const int32_t width = overlay.width();
    const int32_t height = overlay.height();
    for (int32_t row = 0; row < height; ++row) {
        for (int32_t column = 0; column < width; ++column) {
            const nrv::graphic::colour pixel = overlay.get_pixel(column, row);
            if (is_opaque(pixel, kDrawnGreenLimit))
                canvas.set_pixel(x + column, y + row, solid ? *solid : pixel);
        }
    }
}

int picture_coordinate(int drawn, int picture_length, int drawn_length) {
    if (drawn_length <= 0) return drawn;
    // Rounded down, so that a point just left of or above the picture stays outside it.
    const int64_t scaled = int64_t{drawn} * picture_length;
    const int64_t down = scaled >= 0 ? scaled / drawn_length : (scaled - drawn_length + 1) / drawn_length;
    return static_cast<int>(down);
}

bool draw_lit_picture(nrv::graphic::image& canvas, const nrv::graphic::image& picture,
                      const nrv::graphic::image* const* overlays, uint32_t lit_mask, int scale,
                      const nrv::graphic::colour* solid) {
    // From the plain picture each time, so that overlays never pile up.
    if (!canvas.copy_from(picture)) return false;
    for (int slot = 0; slot < kFunctionCount; ++slot) {
        if (lit_mask >> slot & 1)
            draw_overlay(canvas, *overlays[slot], scale * kOverlayPlaces[slot].x,
                         scale * kOverlayPlaces[slot].y, solid);
    }
    return true;
}

bool xinput_supported(unsigned major_version, unsigned minor_version) {
    return major_version > 4 && !(major_version == 5 && minor_version == 0);
}

std::u16string kept_entry_name(uint32_t entry, const KeptEntryPatterns& patterns) {
    const EntryCode code = entry_code_of(entry);
    std::u16string name;
    if (code.type == 0) {
        name = patterns.button;
        fill_placeholder(name, u"%d", counted(code.code + 1));
    } else if (code.type == kAxisPlusType || code.type == kAxisMinusType) {
        name = patterns.axis_half;
        fill_placeholder(name, u"%d", counted(code.code + 1));
        fill_placeholder(name, u"%s", code.type == kAxisPlusType ? u"+" : u"-");
    } else if (code.type >= kPovUpType && code.type <= kPovRightType) {
        name = patterns.hat_direction;
        fill_placeholder(name, u"%s", std::u16string(1, kHatArrows[code.type - kPovUpType]));
    }
    return name;
}
