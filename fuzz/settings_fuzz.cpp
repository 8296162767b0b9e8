// Takes the first 852 bytes as a settings file that passes the check (the target stamps a
// valid header and checksum, so hostile field values get through) and works the loaded record
// the way the tool does: the rebuild rule, the accessors, the controller slots in both input
// modes, the Display page's resolution list and the names the button grid shows. The bytes
// after the record describe the machine and a game controller.
#include "nrv/peripheral/core/controls.h"
#include "pages/controller/controller.h"
#include "pages/pages.h"
#include "settings/settings.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// The machine and device the record meets, read from the bytes after the record.
class Tail {
public:
    Tail(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    int32_t i16() {
        const int low = byte();
        return static_cast<int16_t>(low | byte() << 8);
    }
    size_t left() const { return m_size - m_at; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

void check(bool condition) {
    if (!condition) __builtin_trap();
}

// Every flag setter changes its own flag and nothing else in the record.
void check_flag(bool (*get)(), void (*set)(bool)) {
    SettingsRecord before;
    std::memcpy(&before, &settings_record(), sizeof before);
    const bool was = get();
    set(!was);
    check(get() == !was);
    set(was);
    check(std::memcmp(&before, &settings_record(), sizeof before) == 0);
}

void work_accessors() {
    check_flag(vsync, set_vsync);
    check_flag(frame_skip, set_frame_skip);
    check_flag(no_movie, set_no_movie);
    check_flag(voice_chat, set_voice_chat);
    check_flag(auto_port, set_auto_port);
    check_flag(upnp, set_upnp);
    check_flag(xinput, set_xinput);
    const int32_t port = udp_port();
    set_udp_port(port);
    check(udp_port() == port && screen_width() == settings_record().screen_width);
}

// Both input modes: XInput shows its own layout on slots 1 to 4 and stores nothing.
void work_pad_slots() {
    const bool was = xinput();
    for (bool on : {false, true}) {
        set_xinput(on);
        for (unsigned slot = 0; slot <= kMaxPadSlot + 1; ++slot) {
            const uint32_t* entries = pad_assignments(slot);
            check((entries == nullptr) == (slot > kMaxPadSlot));
            if (!entries) continue;
            const uint32_t* expected =
                on && slot > 0 ? xinput_layout() : settings_record().pad_slots[slot].assignments;
            check(std::memcmp(entries, expected, kAssignmentCount * sizeof *entries) == 0);
            // The keyboard's list goes on with Return, Escape and Escape.
            if (slot == 0)
                check(entry_code_of(entries[kKeyboardLayoutCount - 1]) ==
                      entry_code_of(entries[kKeyboardLayoutCount - 2]));
        }
    }
    set_xinput(was);
}

void work_display_list(Tail& tail) {
    ResolutionSet listed(resolution_table.begin(), resolution_table.end());
    ResolutionSet fullscreen;
    for (int i = 0; i < kResolutionTableSize; i += 8) {
        const uint8_t mask = tail.byte();
        for (int bit = 0; bit < 8 && i + bit < kResolutionTableSize; ++bit)
            if (mask >> bit & 1) fullscreen.insert(resolution_table[i + bit]);
    }
    const Resolution screen = {tail.i16(), tail.i16()};
    const Resolution limit = max_resolution_for(quality(), tail.i16());
    const Resolution stored = {screen_width(), screen_height()};
    for (bool want_full_screen : {false, true}) {
        const std::vector<OfferedMode> offered =
            offered_resolutions(listed, fullscreen, screen, limit, want_full_screen);
        for (const OfferedMode& mode : offered) {
            check(int64_t{mode.resolution.width} * mode.resolution.height <=
                  int64_t{limit.width} * limit.height);
            check(resolution_label(mode, u"w", u"f").size() >= 11);
            // The page selects the stored resolution when it is offered.
            if (mode.resolution.width == stored.width && mode.resolution.height == stored.height)
                check(fits_screen(stored, screen) || fullscreen.count(stored) != 0);
        }
    }
    (void)is_wider_than_4_3(stored);
}

// A game controller described by the tail: its objects, then the names its slots' entries
// show, then assignments made through it.
void work_button_names(Tail& tail) {
    nrv::peripheral::control_table table;
    const int objects = tail.byte() % 24;
    for (int i = 0; i < objects; ++i) {
        const auto object = static_cast<nrv::peripheral::joystick_object>(tail.byte() % 10);
        add_object_controls(table, object, std::u16string(1 + i % 3, static_cast<char16_t>(u'A' + i)));
    }
    const AxisPresence axes = tail.byte();
    for (unsigned slot = 1; slot <= kMaxPadSlot; ++slot) {
        const uint32_t* entries = pad_assignments(slot);
        for (int s = 0; s < kFunctionCount; ++s) {
            for (int i = 0; i < table.count; ++i) {
                EntryCode entry;
                if (!entry_for_control(table.entries[i].kind, table.entries[i].instance, axes, entry))
                    continue;
                if (entry == entry_code_of(entries[s])) {
                    check(!table.entries[i].name.empty());
                    break;
                }
            }
        }
    }
    // Assigning a control's entry leaves it in exactly that slot.
    if (table.count == 0) return;
    const auto& control = table.entries[tail.byte() % table.count];
    EntryCode entry;
    if (!entry_for_control(control.kind, control.instance, axes, entry)) return;
    const unsigned slot = 1 + tail.byte() % kMaxPadSlot;
    uint32_t entries[kAssignmentCount];
    std::memcpy(entries, pad_assignments(slot), sizeof entries);
    const int target = tail.byte() % kFunctionCount;
    assign_entry(entries, target, entry);
    check(slot_for_entry(entries, entry, 0) == target && slot_for_entry(entries, entry, target + 1) == -1);
    check(store_pad_assignments(slot, entries));
}

int slots_holding(const SettingsGuid& guid, unsigned except) {
    int count = 0;
    for (unsigned slot = 1; slot <= kMaxPadSlot; ++slot)
        if (slot != except && std::memcmp(&pad_device(slot), &guid, sizeof guid) == 0) ++count;
    return count;
}

// A device given to a slot from the tail: a slot that already holds it keeps everything,
// otherwise the first other controller slot holding it loses it.
void work_device(Tail& tail) {
    SettingsGuid guid;
    std::memset(&guid, 0, sizeof guid);
    guid.data1 = tail.byte();
    char16_t name[16] = {};
    for (int i = 0; i < 15 && tail.left(); ++i) name[i] = static_cast<char16_t>(tail.byte());
    const unsigned slot = 1 + tail.byte() % kMaxPadSlot;
    const bool held = std::memcmp(&pad_device(slot), &guid, sizeof guid) == 0;
    const int others = slots_holding(guid, slot);
    set_pad_device(slot, guid, name);
    check(std::memcmp(&pad_device(slot), &guid, sizeof guid) == 0);
    // Losing a device leaves the zero GUID, so "none" is not counted.
    if (guid.data1 != 0) check(slots_holding(guid, slot) == (held || others == 0 ? others : others - 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The check itself on the raw bytes: a file that passes carries its own checksum.
    if (settings_bytes_valid(data, size)) {
        SettingsRecord raw;
        std::memcpy(&raw, data, sizeof raw);
        check(raw.checksum == settings_checksum(raw));
    }
    if (size < kSettingsSize) return 0;

    SettingsRecord& record = settings_record();
    std::memcpy(&record, data, kSettingsSize);
    record.version = kSettingsVersion;
    stamp_settings_header(record);
    check(settings_bytes_valid(reinterpret_cast<const uint8_t*>(&record), kSettingsSize));
    refresh_keyboard_layout();

    Tail tail(data + kSettingsSize, size - kSettingsSize);
    const int highest_tier = tail.byte() % 3;
    const int32_t desktop_width = tail.i16();
    const int32_t desktop_height = tail.i16();
    if (settings_need_defaults(true, quality(), highest_tier)) {
        build_default_settings(highest_tier, desktop_width, desktop_height);
        check(quality() == highest_tier && !settings_need_defaults(true, quality(), highest_tier));
    }
    check(quality() >= 0 && quality() <= highest_tier);

    work_accessors();
    work_pad_slots();
    work_display_list(tail);
    work_button_names(tail);
    work_device(tail);
    return 0;
}
