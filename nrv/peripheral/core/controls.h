// The joystick's logical buttons without DirectInput: the control table a device builds
// from the objects it reports, the conversion of a raw joystick state into button values,
// the press log its readers share, and the worker that lists devices. Portable, so that it
// builds and is tested natively as well.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace nrv {
namespace peripheral {

// What a logical button is. Minus halves are the odd kinds 3..15, each added right before
// its plus half; a hat adds up, right, down, left in that order.
enum control_kind : int32_t {
    control_none = 0,
    control_button = 1,
    control_slider_plus = 2,
    control_slider_minus = 3,
    control_x_plus = 4,
    control_x_minus = 5,
    control_y_plus = 6,
    control_y_minus = 7,
    control_z_plus = 8,
    control_z_minus = 9,
    control_rx_plus = 10,
    control_rx_minus = 11,
    control_ry_plus = 12,
    control_ry_minus = 13,
    control_rz_plus = 14,
    control_rz_minus = 15,
    control_pov_left = 16,
    control_pov_right = 17,
    control_pov_down = 18,
    control_pov_up = 19,
};
constexpr int kControlKindCount = 20;
constexpr int kMaxControls = 64;

// The kinds of object a joystick reports, by the type GUID DirectInput gives them.
enum class joystick_object { x_axis, y_axis, z_axis, rx_axis, ry_axis, rz_axis, button, pov, slider, other };

// Same layout as DirectInput's DIJOYSTATE2 (272 bytes); the Windows code checks the offsets.
struct joystick_state {
    int32_t x, y, z;
    int32_t rx, ry, rz;
    int32_t sliders[2];
    uint32_t povs[4];
    uint8_t buttons[128];
    int32_t velocity[6];
    int32_t velocity_sliders[2];
    int32_t acceleration[6];
    int32_t acceleration_sliders[2];
    int32_t force[6];
    int32_t force_sliders[2];
};
static_assert(sizeof(joystick_state) == 272, "joystick_state must mirror DIJOYSTATE2");
static_assert(offsetof(joystick_state, buttons) == 48, "joystick_state must mirror DIJOYSTATE2");

struct control_entry {
    std::u16string name;
    float value = 0.0f;
    float threshold = 0.5f;
    int32_t kind = control_none;
    int32_t instance = 0;
    int32_t state_offset = 0;  // byte offset of the raw value inside joystick_state
};

struct control_table {
    std::array<control_entry, kMaxControls> entries;
    int32_t count = 0;
    // How many entries of each kind were ever added; limits the instances per kind.
    std::array<uint8_t, kControlKindCount> instances{};
};

// Appends the logical buttons of one reported object: two halves for an axis or slider,
// four directions for a hat, one for a button; none once the table or the kind is full.
void add_object_controls(control_table& table, joystick_object object, const std::u16string& object_name);

// Index of the n-th entry of the kind in table order, or -1.
int find_control(const control_table& table, int kind, int n);

// Sets the threshold of an existing entry when it lies in [0, 1]; otherwise nothing.
void set_control_threshold(control_table& table, int index, float threshold);

void clear_control_values(control_table& table);

// Sets every entry's value from the raw state (entries it does not set read 0.0): buttons 0 or 1, axis halves
// and hat directions from 0.0 to 1.0 as their thresholds and positions say.
void convert_joystick_state(control_table& table, const joystick_state& state);

// How often each of a device's logical buttons went down, as its readings saw it: every
// reading adds one press to each button that is down and was up at the reading before. A
// reader that looks less often than the device is read (the capture dialog beside pad
// navigation, each reading on its own timer) still sees every press that any reading saw.
constexpr int kMaxLogicalButtons = 256;
class press_log {
public:
    void note(int index, bool down);
    uint32_t presses(int index) const;

private:
    std::array<uint32_t, kMaxLogicalButtons> m_presses{};
    std::array<bool, kMaxLogicalButtons> m_down{};
};

// One reader's place in a device's press log: which buttons went down since it last looked.
class press_reader {
public:
    // From now on only later presses count.
    void catch_up(const press_log& log);
    // True when the button went down since the last look; the press is then taken.
    bool take(const press_log& log, int index);

private:
    std::array<uint32_t, kMaxLogicalButtons> m_seen{};
};

// Device listings done one at a time on a worker thread of its own, so that a driver that
// takes seconds to answer never holds up the thread that shows the windows. The listing
// function runs on the worker; `done` runs there too, after a result was stored, and only
// while the worker's owner still exists. A listing asked for while one runs is done once
// more after it, never beside it. The owner waits for a listing only as long as it says
// when it stops the worker: one stuck in a driver is left behind and ends with the process.
class listing_worker {
public:
    using device_ids = std::vector<std::array<uint8_t, 16>>;
    // Lists the devices into `ids`; false when nothing could be listed.
    using list_function = std::function<bool(device_ids& ids)>;
    using done_function = std::function<void()>;

    listing_worker(list_function list, done_function done);
    ~listing_worker();
    listing_worker(const listing_worker&) = delete;
    listing_worker& operator=(const listing_worker&) = delete;

    // Starts a listing, or asks for one more after the one that runs.
    void request();
    // The newest listing not taken yet; false when there is none.
    bool take(device_ids& ids);
    // A listing runs or is asked for.
    bool busy() const;
    // How many listings have ended so far.
    unsigned finished() const;
    // Lets no further listing start and waits up to `wait` for the worker thread to end,
    // having let go of what its listings used; true when it ended. A process that ends
    // while its worker is inside a driver could find a lock of that driver's left taken.
    bool stop(std::chrono::milliseconds wait);

private:
    struct shared;
    static void run(std::shared_ptr<shared> state);
    static void list_once(shared& state, std::unique_lock<std::mutex>& lock);
    std::shared_ptr<shared> m_shared;
    bool m_threaded = false;  // false where no thread could be started: listings run in request
};

}  // namespace peripheral
}  // namespace nrv
