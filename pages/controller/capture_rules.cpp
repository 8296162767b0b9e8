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

uint8_t take_new_press(PressedButtons& previous, const PressedButtons& now, int count) {
    if (count > 256) count = 256;
    uint8_t found = kNothingCaptured;
    for (int index = 0; index < count; ++index) {
        if (is_pressed(now, index) && !is_pressed(previous, index)) {
            found = static_cast<uint8_t>(index);
            break;
        }
    }
    previous = now;
    return found;
}

bool is_capture_excluded(int device_kind, uint8_t button) {
    if (device_kind != kKeyboardKind) return false;
    for (uint8_t key : kExcludedKeys) {
        if (key == button) return true;
    }
    return false;
}
