#include "nrv/peripheral/core/controls.h"

#include <algorithm>
#include <cstring>

namespace nrv {
namespace peripheral {

namespace {

// How one kind of object becomes entries: their kinds in the order they are added, where
// the raw value of instance n lies (base + step * n) and how many instances are kept.
struct object_layout {
    int32_t kinds[4];
    int kind_count;
    int32_t state_base;
    int32_t state_step;
    int max_instances;
};

bool layout_of(joystick_object object, object_layout& layout) {
    switch (object) {
        case joystick_object::x_axis:
            layout = {{control_x_minus, control_x_plus}, 2, 0, 0, 1};
            return true;
        case joystick_object::y_axis:
            layout = {{control_y_minus, control_y_plus}, 2, 4, 0, 1};
            return true;
        case joystick_object::z_axis:
            layout = {{control_z_minus, control_z_plus}, 2, 8, 0, 1};
            return true;
        case joystick_object::rx_axis:
            layout = {{control_rx_minus, control_rx_plus}, 2, 12, 0, 1};
            return true;
        case joystick_object::ry_axis:
            layout = {{control_ry_minus, control_ry_plus}, 2, 16, 0, 1};
            return true;
        case joystick_object::rz_axis:
            layout = {{control_rz_minus, control_rz_plus}, 2, 20, 0, 1};
            return true;
        case joystick_object::button:
            layout = {{control_button}, 1, 48, 1, 128};
            return true;
        case joystick_object::pov:
            layout = {{control_pov_up, control_pov_right, control_pov_down, control_pov_left}, 4, 32, 4, 4};
            return true;
        case joystick_object::slider:
            layout = {{control_slider_minus, control_slider_plus}, 2, 24, 4, 2};
            return true;
        case joystick_object::other:
            break;
    }
    return false;
}

const char16_t* suffix_of(int32_t kind) {
    switch (kind) {
        case control_button:
            return u"";
        case control_pov_left:
            return u" L";
        case control_pov_right:
            return u" R";
        case control_pov_down:
            return u" D";
        case control_pov_up:
            return u" U";
        default:
            return kind % 2 == 0 ? u" +" : u" -";
    }
}

void add_control(control_table& table, const object_layout& layout, int32_t kind,
                 const std::u16string& name) {
    if (table.count >= kMaxControls) return;
    uint8_t& instances = table.instances[kind];
    if (instances >= layout.max_instances) return;
    control_entry& entry = table.entries[table.count];
    entry.name = name + suffix_of(kind);
    entry.value = 0.0f;
    entry.threshold = 0.5f;
    entry.kind = kind;
    entry.instance = instances;
    entry.state_offset = layout.state_base + layout.state_step * instances;
    ++table.count;
    ++instances;
}

// Raw values are read by byte offset; an offset that does not fit reads as 0.
template <class T>
T read_raw(const joystick_state& state, int32_t offset) {
    T value{};
    if (offset >= 0 && static_cast<size_t>(offset) + sizeof(T) <= sizeof(joystick_state)) {
        std::memcpy(&value, reinterpret_cast<const uint8_t*>(&state) + offset, sizeof(T));
    }
    return value;
}

bool is_minus_half(int32_t kind) {
    return kind >= control_slider_minus && kind <= control_rz_minus && kind % 2 == 1;
}

// Axes run from 0 to 65535 with the centre at 32767.5. The threshold is how far from the
// centre towards the end the half starts: 0 never, 1 right past the centre.
float minus_half_value(float raw, float threshold) {
    const float start = threshold * 32768.0f;
    if (start > raw && start != 0.0f) return std::min((start - raw) / start, 1.0f);
    return 0.0f;
}

float plus_half_value(float raw, float threshold) {
    const float start = 32768.0f + (1.0f - threshold) * 32767.0f;
    const float extent = threshold * 32767.0f;
    if (raw > start && extent > 0.0f) return std::min((raw - start) / extent, 1.0f);
    return 0.0f;
}

// A hat reports hundredths of a degree clockwise from up; the diagonals press both
// neighbouring directions.
void convert_hat(control_entry* directions, uint32_t angle) {
    if ((angle & 0xFFFF) == 0xFFFF) return;  // centred
    directions[0].value = (angle <= 4500 || angle >= 31500) ? 1.0f : 0.0f;
    directions[1].value = (angle >= 4500 && angle <= 13500) ? 1.0f : 0.0f;
    directions[2].value = (angle >= 13500 && angle <= 22500) ? 1.0f : 0.0f;
    directions[3].value = (angle >= 22500 && angle <= 31500) ? 1.0f : 0.0f;
}

}  // namespace

void add_object_controls(control_table& table, joystick_object object, const std::u16string& object_name) {
    object_layout layout;
    if (!layout_of(object, layout)) return;
    for (int k = 0; k < layout.kind_count; ++k) add_control(table, layout, layout.kinds[k], object_name);
}

int find_control(const control_table& table, int kind, int n) {
    for (int i = 0; i < table.count; ++i) {
        if (table.entries[i].kind == kind && n-- == 0) return i;
    }
    return -1;
}

void set_control_threshold(control_table& table, int index, float threshold) {
    if (index < 0 || index >= std::min<int>(table.count, kMaxControls)) return;
    if (!(threshold >= 0.0f && threshold <= 1.0f)) return;
    table.entries[index].threshold = threshold;
}

void clear_control_values(control_table& table) {
    const int count = std::min<int>(table.count, kMaxControls);
    for (int i = 0; i < count; ++i) table.entries[i].value = 0.0f;
}

void convert_joystick_state(control_table& table, const joystick_state& state) {
    clear_control_values(table);
    const int count = std::min<int>(table.count, kMaxControls);
    int i = 0;
    while (i < count) {
        control_entry& entry = table.entries[i];
        if (entry.kind == control_button) {
            entry.value = read_raw<uint8_t>(state, entry.state_offset) != 0 ? 1.0f : 0.0f;
            i += 1;
        } else if (is_minus_half(entry.kind)) {
            const float raw = static_cast<float>(read_raw<int32_t>(state, entry.state_offset));
            entry.value = minus_half_value(raw, entry.threshold);
            // A full table can end right after a minus half; its plus half then does not exist.
            const bool has_plus = i + 1 < count && table.entries[i + 1].kind == entry.kind - 1;
            if (has_plus) table.entries[i + 1].value = plus_half_value(raw, table.entries[i + 1].threshold);
            i += has_plus ? 2 : 1;
        } else if (entry.kind == control_pov_up) {
            // A hat whose four directions did not all fit stays unset.
            if (i <= count - 4) convert_hat(&table.entries[i], read_raw<uint32_t>(state, entry.state_offset));
            i += 4;
        } else {
            i += 1;
        }
    }
}

}  // namespace peripheral
}  // namespace nrv
