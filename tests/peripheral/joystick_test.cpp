// Joystick devices against fake DirectInput devices: opening, the control table as the
// rest of the tool sees it, polling with acquisition and the baseline rule.
#include <gtest/gtest.h>

#include <memory>

#include "nrv/peripheral/peripheral.h"
#include "peripheral/fake_direct_input.h"

namespace {

using nrv::peripheral::input_joystick_dx8;

struct release_reference {
    void operator()(nrv::refrence_counter* object) const { object->release(); }
};
using joystick_ptr = std::unique_ptr<input_joystick_dx8, release_reference>;

const GUID kPadGuid = fake::guid_with_first_byte(0x40);

// The two-stick pad: X, Y, Z, Z rotation, one hat and 12 buttons, reported in that order.
std::shared_ptr<fake::pad> make_two_stick_pad() {
    auto pad = std::make_shared<fake::pad>();
    pad->instance_name = L"Two Stick Pad";
    fake::add_axis(*pad, GUID_XAxis, L"X Axis");
    fake::add_axis(*pad, GUID_YAxis, L"Y Axis");
    fake::add_axis(*pad, GUID_ZAxis, L"Z Axis");
    fake::add_axis(*pad, GUID_RzAxis, L"Z Rotation");
    fake::add_hats(*pad, 1);
    fake::add_buttons(*pad, 12);
    fake::centre(*pad);
    return pad;
}

class JoystickTest : public testing::Test {
protected:
    joystick_ptr open(std::shared_ptr<fake::pad> pad, bool expect_open = true) {
        m_pad = pad;
        m_input.attach(DI8DEVCLASS_GAMECTRL, kPadGuid, pad);
        joystick_ptr joystick(new input_joystick_dx8());
        EXPECT_EQ(joystick->open(&m_input, m_window, kPadGuid, false), expect_open);
        return joystick;
    }
    // Polls until the device holds its baseline, i.e. the first poll.
    void acquire(input_joystick_dx8& joystick) { ASSERT_TRUE(joystick.poll(0.166f)); }

    fake::direct_input m_input;
    HWND m_window = reinterpret_cast<HWND>(0x1234);  // the fake only records it
    std::shared_ptr<fake::pad> m_pad;
};

TEST_F(JoystickTest, OpenSetsUpTheDeviceInTheBackground) {
    joystick_ptr joystick = open(make_two_stick_pad());
    EXPECT_TRUE(joystick->is_ready());
    EXPECT_EQ(m_pad->data_format, &c_dfDIJoystick2);
    EXPECT_EQ(m_pad->cooperative_flags, DWORD(DISCL_NONEXCLUSIVE | DISCL_BACKGROUND));
    EXPECT_EQ(m_pad->cooperative_window, m_window);
    EXPECT_EQ(m_pad->acquire_calls, 0);  // the first poll acquires
    EXPECT_TRUE(IsEqualGUID(joystick->instance_guid(), kPadGuid));
    EXPECT_EQ(joystick->device_kind(), 2);
    std::wstring name;
    EXPECT_TRUE(joystick->instance_name(name));
    EXPECT_EQ(name, L"Two Stick Pad");
}

TEST_F(JoystickTest, OpenFailsWhenAnySetUpStepFails) {
    struct row {
        const char* what;
        HRESULT fake::pad::*step;
        HRESULT result;
    };
    const row rows[] = {
        {"create", &fake::pad::create_result, DIERR_DEVICENOTREG},
        {"data format", &fake::pad::data_format_result, DIERR_ACQUIRED},
        {"cooperative level", &fake::pad::cooperative_result, E_HANDLE},
        {"cooperative level, not exactly DI_OK", &fake::pad::cooperative_result, S_FALSE},
        {"device information", &fake::pad::info_result, DIERR_INVALIDPARAM},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        fake::direct_input input;
        auto pad = make_two_stick_pad();
        (*pad).*r.step = r.result;
        input.attach(DI8DEVCLASS_GAMECTRL, kPadGuid, pad);
        joystick_ptr joystick(new input_joystick_dx8());
        EXPECT_FALSE(joystick->open(&input, m_window, kPadGuid, false));
        EXPECT_FALSE(joystick->is_ready());
        EXPECT_EQ(joystick->button_count(), 0);
        EXPECT_EQ(pad->live_interfaces, 0);
        std::wstring name = L"kept";
        EXPECT_FALSE(joystick->instance_name(name));
        EXPECT_EQ(name, L"kept");
        EXPECT_TRUE(joystick->poll(0.166f));  // nothing to read, nothing to report
    }
}

TEST_F(JoystickTest, TwoStickPadListsTwentyFourNamedButtons) {
    joystick_ptr joystick = open(make_two_stick_pad());
    ASSERT_EQ(joystick->button_count(), 24);
    const struct {
        int index;
        const wchar_t* name;
        int kind, instance;
    } rows[] = {{0, L"X Axis -", 5, 0},      {1, L"X Axis +", 4, 0},  {6, L"Z Rotation -", 15, 0},
                {7, L"Z Rotation +", 14, 0}, {8, L"Hat 0 U", 19, 0},  {9, L"Hat 0 R", 17, 0},
                {10, L"Hat 0 D", 18, 0},     {11, L"Hat 0 L", 16, 0}, {12, L"Button 0", 1, 0},
                {23, L"Button 11", 1, 11}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.index);
        std::wstring name;
        EXPECT_TRUE(joystick->button_name(r.index, name));
        EXPECT_EQ(name, r.name);
        int kind = -1, instance = -1;
        EXPECT_TRUE(joystick->button_info(r.index, &kind, &instance));
        EXPECT_EQ(kind, r.kind);
        EXPECT_EQ(instance, r.instance);
    }
    int kind = -1;
    EXPECT_TRUE(joystick->button_info(3, &kind, nullptr));
    EXPECT_EQ(kind, 6);
    EXPECT_FALSE(joystick->button_info(3, nullptr, nullptr));
    EXPECT_FALSE(joystick->button_info(24, &kind, nullptr));
    std::wstring name;
    EXPECT_FALSE(joystick->button_name(24, name));
    EXPECT_EQ(joystick->find_button(1, 11), 23);
    EXPECT_EQ(joystick->find_button(17, 0), 9);
    EXPECT_EQ(joystick->find_button(2, 0), -1);
}

TEST_F(JoystickTest, ObjectsListedBeforeAnEnumerationFailureStay) {
    auto pad = make_two_stick_pad();
    pad->enum_objects_result = DIERR_NOTINITIALIZED;
    joystick_ptr joystick = open(pad);
    EXPECT_TRUE(joystick->is_ready());
    EXPECT_EQ(joystick->button_count(), 24);
}

TEST_F(JoystickTest, ButtonsAreReadByEnumerationPosition) {
    auto pad = std::make_shared<fake::pad>();
    fake::add_buttons(*pad, 3, DIJOFS_BUTTON(40));  // reported offsets 88..90
    joystick_ptr joystick = open(pad);
    acquire(*joystick);
    pad->joystick().rgbButtons[1] = 0x80;
    ASSERT_TRUE(joystick->poll(0.166f));
    EXPECT_FALSE(joystick->is_button_down(0));
    EXPECT_TRUE(joystick->is_button_down(1));
    EXPECT_EQ(joystick->button_value(1), 1.0f);
    EXPECT_FALSE(joystick->is_button_down(2));
    EXPECT_FALSE(joystick->is_button_down(200));
    EXPECT_EQ(joystick->button_value(200), 0.0f);
}

TEST_F(JoystickTest, PollReadsTheWholeJoystickState) {
    joystick_ptr joystick = open(make_two_stick_pad());
    acquire(*joystick);
    EXPECT_EQ(m_pad->last_state_size, sizeof(DIJOYSTATE2));
    m_pad->joystick().lX = 0;
    m_pad->joystick().lRz = 65535;
    m_pad->joystick().rgdwPOV[0] = 4500;
    ASSERT_TRUE(joystick->poll(0.166f));
    for (int index : {0, 7, 8, 9}) EXPECT_TRUE(joystick->is_button_down(index)) << index;
    for (int index : {1, 2, 3, 4, 5, 6, 10, 11, 12}) EXPECT_FALSE(joystick->is_button_down(index)) << index;
}

TEST_F(JoystickTest, StateUnchangedSinceAcquisitionReadsAsNothingPressed) {
    auto pad = make_two_stick_pad();
    pad->joystick().lX = 0;  // an axis sitting at its end from the start
    pad->joystick().rgbButtons[0] = 0x80;
    joystick_ptr joystick = open(pad);
    EXPECT_TRUE(joystick->poll(0.166f));
    EXPECT_EQ(pad->acquire_calls, 1);
    EXPECT_TRUE(joystick->poll(0.166f));
    for (int index = 0; index < 24; ++index) EXPECT_FALSE(joystick->is_button_down(index)) << index;

    pad->joystick().lY = 40000;  // any change ends the rule, and for good
    EXPECT_TRUE(joystick->poll(0.166f));
    EXPECT_TRUE(joystick->is_button_down(0));
    EXPECT_TRUE(joystick->is_button_down(12));
    pad->joystick().lY = 32767;  // back to the baseline: now converted as it is
    EXPECT_TRUE(joystick->poll(0.166f));
    EXPECT_TRUE(joystick->is_button_down(0));
}

TEST_F(JoystickTest, LostAcquisitionReleasesEverythingUntilReacquired) {
    joystick_ptr joystick = open(make_two_stick_pad());
    acquire(*joystick);
    m_pad->joystick().rgbButtons[2] = 0x80;
    ASSERT_TRUE(joystick->poll(0.166f));
    ASSERT_TRUE(joystick->is_button_down(14));

    m_pad->state_result = DIERR_INPUTLOST;
    m_pad->acquired = false;
    EXPECT_FALSE(joystick->poll(0.166f));
    EXPECT_FALSE(joystick->is_button_down(14));

    // Acquiring again fails while the device is gone...
    m_pad->acquire_result = DIERR_UNPLUGGED;
    EXPECT_FALSE(joystick->poll(0.166f));
    EXPECT_EQ(m_pad->acquire_calls, 2);

    // ...and succeeds once it is back, with a new baseline holding the pressed button.
    m_pad->acquire_result = DI_OK;
    m_pad->state_result = DI_OK;
    EXPECT_TRUE(joystick->poll(0.166f));
    EXPECT_EQ(m_pad->acquire_calls, 3);
    EXPECT_TRUE(joystick->poll(0.166f));
    EXPECT_FALSE(joystick->is_button_down(14));
    m_pad->joystick().rgbButtons[3] = 0x80;
    EXPECT_TRUE(joystick->poll(0.166f));
    EXPECT_TRUE(joystick->is_button_down(14));
    EXPECT_TRUE(joystick->is_button_down(15));
}

TEST_F(JoystickTest, FailedPollOrBaselineReadKeepsTheDeviceUnacquired) {
    struct row {
        const char* what;
        HRESULT fake::pad::*step;
        HRESULT result;
        bool acquires;
    };
    const row rows[] = {
        {"acquire", &fake::pad::acquire_result, DIERR_OTHERAPPHASPRIO, false},
        {"poll", &fake::pad::poll_result, DIERR_INPUTLOST, false},
        {"baseline read", &fake::pad::state_result, DIERR_NOTACQUIRED, false},
        {"poll with no effect", &fake::pad::poll_result, DI_NOEFFECT, true},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        auto pad = make_two_stick_pad();
        (*pad).*r.step = r.result;
        fake::direct_input input;
        input.attach(DI8DEVCLASS_GAMECTRL, kPadGuid, pad);
        joystick_ptr joystick(new input_joystick_dx8());
        ASSERT_TRUE(joystick->open(&input, m_window, kPadGuid, false));
        EXPECT_EQ(joystick->poll(0.166f), r.acquires);
        EXPECT_EQ(joystick->poll(0.166f), r.acquires);
        EXPECT_EQ(pad->acquire_calls, r.acquires ? 1 : 2);  // a failure retries at the next poll
    }
}

TEST_F(JoystickTest, DestructionUnacquiresAndReleasesTheDevice) {
    joystick_ptr joystick = open(make_two_stick_pad());
    acquire(*joystick);
    ASSERT_EQ(m_pad->live_interfaces, 1);
    joystick.reset();
    EXPECT_EQ(m_pad->unacquire_calls, 1);
    EXPECT_EQ(m_pad->live_interfaces, 0);
}

}  // namespace
