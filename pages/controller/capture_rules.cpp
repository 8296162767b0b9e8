// What the press-a-button dialog takes as a press, without windows.
#include "pages/controller/controller.h"

namespace {

// DirectInput key offsets a keyboard capture passes over: Escape and Return keep their
// dialog meaning, lock and input-mode keys change state rather than play.
constexpr uint8_t kExcludedKeys[] = {
    0x01,  // Escape
    0x1C,  // Return
    0x45,  // Num Lock
    0x46,  // Scroll Lock
    0x70,  // Kana
    0x94,  // Kanji
    0x9C,  // keypad Enter
    0x39,  // Space
    0x3A,  // Caps Lock
    0xDB,  // left Windows
    0xDC,  // right Windows
};

constexpr int kKeyboardKind = 0;

}  // namespace

uint8_t take_new_press(nrv::peripheral::press_reader& reader, const nrv::peripheral::press_log& log,
                       int count, int device_kind) {
    if (count > nrv::peripheral::kMaxLogicalButtons) count = nrv::peripheral::kMaxLogicalButtons;
    uint8_t found = kNothingCaptured;
    for (int index = 0; index < count; ++index) {
        const bool pressed = reader.take(log, index);
        if (pressed && found == kNothingCaptured &&
            !is_capture_excluded(device_kind, static_cast<uint8_t>(index)))
            found = static_cast<uint8_t>(index);
    }
    return found;
}

bool is_capture_excluded(int device_kind, uint8_t button) {
    if (device_kind != kKeyboardKind) return false;
    for (uint8_t key : kExcludedKeys) {
        if (key == button) return true;
    }
    return false;
}
