// Device buttons as assignment entries: the rules of button_rules.cpp applied to a
// DirectInput device.
#include "pages/controller/internal.h"

#include "nrv/peripheral/peripheral.h"

#include <cstring>

namespace {

using nrv::peripheral::input_device_dx8;

static_assert(sizeof(DIDEVICEOBJECTINSTANCEW) == 576, "DirectInput's object record is 576 bytes");

bool is_half_axis_kind(int kind) {
    return kind >= nrv::peripheral::control_slider_plus && kind <= nrv::peripheral::control_rz_minus;
}

// Reads entries of one device, asking DirectInput for its axes at most once.
class EntryReader {
public:
    explicit EntryReader(const input_device_dx8& device) : m_device(device) {}

    bool entry(uint8_t button, EntryCode& entry) {
        int kind = 0;
        int instance = 0;
        if (!m_device.button_info(button, &kind, &instance)) return false;
        if (is_half_axis_kind(kind) && !m_knowsAxes) {
            m_axes = axis_presence(m_device);
            m_knowsAxes = true;
        }
        return entry_for_control(kind, instance, m_axes, entry);
    }

private:
    const input_device_dx8& m_device;
    AxisPresence m_axes = kAllAxesPresent;
    bool m_knowsAxes = false;
};

}  // namespace

AxisPresence axis_presence(const input_device_dx8& device) {
    IDirectInputDevice8W* direct_input = device.direct_input_device();
    if (!direct_input) return kAllAxesPresent;
    AxisPresence present = 0;
    for (int axis = 0; axis < kAxisOrderCount; ++axis) {
        DIDEVICEOBJECTINSTANCEW object;
        std::memset(&object, 0, sizeof object);
        object.dwSize = sizeof object;
        if (direct_input->GetObjectInfo(&object, kAxisStateOffsets[axis], DIPH_BYOFFSET) !=
            DIERR_OBJECTNOTFOUND)
            present = static_cast<AxisPresence>(present | 1u << axis);
    }
    return present;
}

bool entry_for_button(const input_device_dx8& device, uint8_t button, EntryCode& entry) {
    return EntryReader(device).entry(button, entry);
}

int button_for_entry(const input_device_dx8& device, uint32_t entry) {
    const EntryCode wanted = entry_code_of(entry);
    EntryReader reader(device);
    const int count = device.button_count();
    for (int button = 0; button < count; ++button) {
        EntryCode found;
        if (reader.entry(static_cast<uint8_t>(button), found) && found == wanted) return button;
    }
    return -1;
}

int slot_for_button(const input_device_dx8& device, uint8_t button, int start, const uint32_t* entries) {
    EntryCode entry;
    if (start >= kFunctionCount || !entry_for_button(device, button, entry)) return -1;
    return slot_for_entry(entries, entry, start);
}
