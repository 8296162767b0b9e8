// The default assignment layouts and the game controllers whose layout differs from the
// default pad layout.
#include "settings/settings.h"

#include <array>
#include <cstring>

namespace {

enum LayoutColumn { kPadColumn, kKeyboardColumn, kXInputColumn, kCarriedColumn };

// One function of the 24: its (entry type, entry code) in the pad, keyboard and XInput
// layouts, and the carried pair all three share. Keyboard codes are DirectInput key
// offsets; 255 is unassigned; pad types 2/3 are axis halves and 8 to 11 POV directions.
struct DefaultRow {
    uint8_t pairs[4][2];
};

constexpr DefaultRow kDefaultRows[kAssignmentCount] = {
    //  pad      keyboard     XInput    carried
    {{{0, 0}, {0, 17}, {0, 13}, {0, 0}}},    // Y face button      W
    {{{0, 1}, {0, 32}, {0, 11}, {0, 1}}},    // B face button      D
    {{{0, 2}, {0, 45}, {0, 10}, {0, 2}}},    // A face button      X
    {{{0, 3}, {0, 30}, {0, 12}, {0, 3}}},    // X face button      A
    {{{0, 4}, {0, 44}, {1, 0}, {0, 4}}},     // LT                 Z
    {{{0, 5}, {0, 46}, {1, 1}, {0, 5}}},     // RT                 C
    {{{0, 6}, {0, 16}, {0, 8}, {0, 6}}},     // LB                 Q
    {{{0, 7}, {0, 18}, {0, 9}, {0, 7}}},     // RB                 E
    {{{0, 8}, {0, 47}, {0, 4}, {0, 8}}},     // start              V
    {{{0, 9}, {0, 48}, {0, 5}, {0, 9}}},     // back               B
    {{{0, 10}, {255, 0}, {0, 6}, {0, 10}}},  // left stick press
    {{{0, 11}, {255, 0}, {0, 7}, {0, 11}}},  // right stick press
    {{{8, 0}, {0, 200}, {0, 0}, {0, 12}}},   // D-pad up           Up
    {{{11, 0}, {0, 205}, {0, 3}, {0, 13}}},  // D-pad right        Right
    {{{9, 0}, {0, 208}, {0, 1}, {0, 14}}},   // D-pad down         Down
    {{{10, 0}, {0, 203}, {0, 2}, {0, 15}}},  // D-pad left         Left
    {{{3, 1}, {255, 0}, {2, 1}, {3, 1}}},    // left stick up
    {{{2, 1}, {255, 0}, {3, 1}, {2, 1}}},    // left stick down
    {{{3, 0}, {255, 0}, {3, 0}, {3, 0}}},    // left stick left
    {{{2, 0}, {255, 0}, {2, 0}, {2, 0}}},    // left stick right
    {{{3, 3}, {255, 0}, {2, 3}, {3, 3}}},    // right stick up
    {{{2, 3}, {255, 0}, {3, 3}, {2, 3}}},    // right stick down
    {{{3, 2}, {255, 0}, {3, 2}, {3, 2}}},    // right stick left
    {{{2, 2}, {255, 0}, {2, 2}, {2, 2}}},    // right stick right
};

constexpr std::array<uint32_t, kAssignmentCount> layout_column(LayoutColumn column) {
    std::array<uint32_t, kAssignmentCount> layout{};
    for (int s = 0; s < kAssignmentCount; ++s) {
        const DefaultRow& row = kDefaultRows[s];
        layout[s] = assignment_entry(row.pairs[column][0], row.pairs[column][1], row.pairs[kCarriedColumn][0],
                                     row.pairs[kCarriedColumn][1]);
    }
    return layout;
}

constexpr std::array<uint32_t, kAssignmentCount> kDefaultPadLayout = layout_column(kPadColumn);
constexpr std::array<uint32_t, kAssignmentCount> kDefaultKeyboardLayout = layout_column(kKeyboardColumn);
constexpr std::array<uint32_t, kAssignmentCount> kXInputLayout = layout_column(kXInputColumn);

void copy_layout(const uint32_t* layout, uint32_t* entries) {
    std::memcpy(entries, layout, sizeof(uint32_t) * kAssignmentCount);
}

// Overwrites type and code of each entry with the patch; the carried pairs stay.
void apply_patch(const uint8_t* patch, uint32_t* entries) {
    for (int s = 0; s < kAssignmentCount; ++s) {
        uint8_t bytes[4];
        std::memcpy(bytes, &entries[s], sizeof bytes);
        bytes[0] = patch[2 * s];
        bytes[1] = patch[2 * s + 1];
        std::memcpy(&entries[s], bytes, sizeof bytes);
    }
}

}  // namespace

const uint32_t* default_keyboard_layout() {
    return kDefaultKeyboardLayout.data();
}

const uint32_t* default_pad_layout() {
    return kDefaultPadLayout.data();
}

const uint32_t* xinput_layout() {
    return kXInputLayout.data();
}

void fill_slot_layout(unsigned slot, const char16_t* device_name, const char16_t* device_path, PadIds ids) {
    if (slot > kMaxPadSlot) return;
    uint32_t* entries = settings_record().pad_slots[slot].assignments;
    if (slot == 0) {
        copy_layout(default_keyboard_layout(), entries);
        return;
    }
    copy_layout(default_pad_layout(), entries);
    const int row = find_known_controller(device_name, device_path);
    if (row >= 0) {
        apply_patch(kKnownControllers[row].patch, entries);
        return;
    }
    const PadFamily family = pad_family_of_ids(ids);
    if (family == PadFamily::Unknown) return;
    uint8_t pairs[kAssignmentCount][2];
    pad_family_layout(family, pairs);
    apply_patch(&pairs[0][0], entries);
}
