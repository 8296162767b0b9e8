// The pad navigator: presses become actions once, held directions repeat.
#include "padnav/padnav.h"

namespace padnav {

namespace {

constexpr nav_action kActionOf[nav_button_count] = {
    nav_action::activate,      nav_action::cancel,    nav_action::clear,     nav_action::help,
    nav_action::previous_page, nav_action::next_page, nav_action::undo,      nav_action::ok,
    nav_action::move_up,       nav_action::move_down, nav_action::move_left, nav_action::move_right,
};

bool is_direction(int button) {
    return button >= nav_up && button <= nav_right;
}

constexpr uint32_t kDirections = nav_bit(nav_up) | nav_bit(nav_down) | nav_bit(nav_left) | nav_bit(nav_right);

// Time comparison that survives the wrap of a 32-bit millisecond clock.
bool reached(uint32_t now, uint32_t when) {
    return int32_t(now - when) >= 0;
}

}  // namespace

void pad_navigator::update(uint32_t held, uint32_t now_ms, std::vector<nav_action>& actions) {
    if (m_block_held) {
        // Whatever is held at the first reading after a wait, also what was pressed while
        // no readings came (a capture dialog took the press), acts only after release.
        m_blocked = held;
        m_block_held = false;
    }
    m_blocked &= held;  // a released button is free again
    uint32_t pressed = held & ~m_held & ~m_blocked;
    // One move per press: a direction that goes down while another is or was held at the
    // last reading does nothing, also once that one is let go (a D-pad rolled, or a stick
    // turned, from one direction to the next), and of directions that go down together only
    // one moves, up or down before left or right.
    const uint32_t new_directions = pressed & kDirections;
    if (new_directions) {
        const bool another_held = (m_held & kDirections) != 0;
        const uint32_t moving = another_held ? 0 : new_directions & (~new_directions + 1);
        m_blocked |= new_directions & ~moving;
        pressed &= ~(new_directions & ~moving);
    }
    m_held = held;
    for (int button = 0; button < nav_button_count; ++button) {
        if (!(pressed & (1u << button))) continue;
        actions.push_back(kActionOf[button]);
        if (is_direction(button)) {
            m_repeating = button;
            m_repeats = 0;
            m_next_repeat_ms = now_ms + m_timing.first_repeat_ms;
        }
    }
    if (m_repeating < 0) return;
    if (!(held & (1u << m_repeating)) || (m_blocked & (1u << m_repeating))) {
        m_repeating = -1;
        return;
    }
    if (!(pressed & (1u << m_repeating)) && reached(now_ms, m_next_repeat_ms)) {
        actions.push_back(kActionOf[m_repeating]);
        ++m_repeats;
        m_next_repeat_ms = now_ms + m_timing.repeat_ms;
    }
}

void pad_navigator::release_held_first() {
    m_blocked |= m_held;
    m_repeating = -1;
}

void pad_navigator::wait_for_release() {
    m_block_held = true;
    m_repeating = -1;
}

}  // namespace padnav
