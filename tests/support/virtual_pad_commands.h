// The Wine session's virtual game pads, as the end-to-end tests plug them in, press them
// and pull them out, and what DirectInput reports of them.
#pragma once

#include "e2e/driver.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <dinput.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace test_support {

namespace sdl_gamepad {
// Buttons of the mapped gamepad, as SDL numbers them.
constexpr int kPadA = 0;
constexpr int kPadB = 1;
constexpr int kPadX = 2;
constexpr int kPadBack = 4;
constexpr int kPadStart = 6;
constexpr int kPadLeftShoulder = 9;
constexpr int kPadRightShoulder = 10;
constexpr int kPadUp = 11;
constexpr int kPadDown = 12;
constexpr int kPadRight = 14;
}  // namespace sdl_gamepad

struct AttachedPad {
    std::wstring name;
    GUID instance;
};

inline BOOL CALLBACK collect_pad(const DIDEVICEINSTANCEW* instance, void* context) {
    static_cast<std::vector<AttachedPad>*>(context)->push_back(
        {instance->tszInstanceName, instance->guidInstance});
    return DIENUM_CONTINUE;
}

// The game controllers DirectInput reports to this process, as the tool would see them.
inline std::vector<AttachedPad> attached_pads() {
    std::vector<AttachedPad> pads;
    IDirectInput8W* direct_input = nullptr;
    if (FAILED(DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8W,
                                  reinterpret_cast<void**>(&direct_input), nullptr)))
        return pads;
    direct_input->EnumDevices(DI8DEVCLASS_GAMECTRL, collect_pad, &pads, DIEDFL_ATTACHEDONLY);
    direct_input->Release();
    return pads;
}

// The session's virtual pads (tools/wine-session.sh): commands go to a file that the
// HID bus's process follows; it counts the commands it has carried out in a second file.
class VirtualPads {
public:
    VirtualPads() {
        char path[MAX_PATH] = {};
        if (!GetEnvironmentVariableA("VIRTUAL_PADS_COMMANDS", path, MAX_PATH)) return;
        m_commands = std::string("Z:") + path;
        std::replace(m_commands.begin(), m_commands.end(), '/', '\\');
    }
    bool available() const { return !m_commands.empty(); }

    // Appends a command and waits until it has been carried out.
    bool send(const std::string& command) {
        {
            std::ofstream out(m_commands, std::ios::app | std::ios::binary);
            out << command << '\n';
        }
        const std::vector<uint8_t> all = e2e::read_file(m_commands);
        const long lines = static_cast<long>(std::count(all.begin(), all.end(), '\n'));
        return test_support::wait_until([&] {
            const std::vector<uint8_t> done = e2e::read_file(m_commands + ".done");
            return std::atol(std::string(done.begin(), done.end()).c_str()) >= lines;
        });
    }
    // A plain joystick: its SDL axes 0.. are X, Y, Z, Rx, Ry, Rz in that order.
    bool attach(const std::string& id, int axes, const std::string& name, int product = 1) {
        char command[300];
        std::snprintf(command, sizeof command, "attach %s 0 %d 12 1 1209 %04x %s", id.c_str(), axes, product,
                      name.c_str());
        return send(command);
    }
    // A pad mapped as a gamepad, which Wine, as Windows, shows to DirectInput with "IG_" in
    // its device path. The mapping made for the first gamepad of a product id keeps that
    // pad's name for every later one of the session: a test that needs its gamepad's name
    // gives it a product id of its own.
    bool attach_gamepad(const std::string& id, const std::string& name, int product = 0x02ff) {
        char command[300];
        std::snprintf(command, sizeof command, "attach %s 1 6 15 1 045e %04x %s", id.c_str(), product,
                      name.c_str());
        return send(command);
    }
    bool set(const char* control, const std::string& id, int n, int value) {
        return send(std::string(control) + " " + id + " " + std::to_string(n) + " " + std::to_string(value));
    }
    // Presses a button of the pad and holds it until `done` holds, then lets go; whether it
    // held. A pad first seen with the button down, or a dialog that just opened, makes the
    // tool wait for a release: the press is then made again.
    bool press_until(const std::string& id, int button, const std::function<bool()>& done) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            set("button", id, button, 1);
            const bool held = test_support::wait_until(done, 1500);
            set("button", id, button, 0);
            if (held) return true;
        }
        return false;
    }
    bool detach(const std::string& id) { return send("detach " + id); }
    bool clear() { return send("clear"); }

    // Waits until DirectInput reports `count` game controllers.
    static bool wait_for(size_t count) {
        return test_support::wait_until([&] { return attached_pads().size() == count; }, 10000);
    }

private:
    std::string m_commands;
};

// A test with the session's virtual pads, none plugged in at its start or left at its end,
// and no settings file; skipped where the session has no pads.
class PadsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!m_pads.available())
            GTEST_SKIP() << "no virtual pads in this session (tools/test.sh starts them)";
        ASSERT_TRUE(m_pads.clear());
        ASSERT_TRUE(VirtualPads::wait_for(0));
        e2e::remove_settings();
    }
    void TearDown() override {
        if (m_pads.available()) m_pads.clear();
        e2e::remove_settings();
    }

    VirtualPads m_pads;
};

}  // namespace test_support
