// The keyboard device, first against a fake DirectInput keyboard, then for real: Wine's
// DirectInput 8 reports the system keyboard, and a key sent with SendInput must read as
// down at the next update.
#include "support/sheet_script.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "nrv/peripheral/peripheral.h"
#include "peripheral/fake_direct_input.h"

namespace {

using nrv::peripheral::input_dx8;
using nrv::peripheral::input_keyboard_dx8;

struct release_reference {
    void operator()(nrv::refrence_counter* object) const { object->release(); }
};
using keyboard_ptr = std::unique_ptr<input_keyboard_dx8, release_reference>;

class FakeKeyboardTest : public testing::Test {
protected:
    keyboard_ptr open(int highest_key) {
        m_keys = fake::make_keyboard(highest_key);
        m_input.attach(DI8DEVCLASS_KEYBOARD, GUID_SysKeyboard, m_keys);
        keyboard_ptr keyboard(new input_keyboard_dx8());
        EXPECT_TRUE(keyboard->open(&m_input, reinterpret_cast<HWND>(0x1234), GUID_SysKeyboard, false));
        return keyboard;
    }

    fake::direct_input m_input;
    std::shared_ptr<fake::pad> m_keys;
};

TEST_F(FakeKeyboardTest, KeysAreButtonsNumberedByTheirOffset) {
    keyboard_ptr keyboard = open(DIK_RWIN);
    EXPECT_EQ(m_keys->data_format, &c_dfDIKeyboard);
    EXPECT_EQ(keyboard->device_kind(), 0);
    // Every reported key, the highest too, can be read and named.
    EXPECT_EQ(keyboard->button_count(), DIK_RWIN + 1);
    std::wstring name;
    EXPECT_TRUE(keyboard->button_name(DIK_RWIN, name));
    EXPECT_EQ(name, L"Key 220");
    EXPECT_TRUE(keyboard->button_name(0, name));  // offset 0 is no key: no name
    EXPECT_EQ(name, L"");
    EXPECT_FALSE(keyboard->button_name(DIK_RWIN + 1, name));

    int kind = -1, instance = -1;
    EXPECT_TRUE(keyboard->button_info(30, &kind, &instance));
    EXPECT_EQ(kind, 1);
    EXPECT_EQ(instance, 30);
    EXPECT_TRUE(keyboard->button_info(30, nullptr, nullptr));
    EXPECT_FALSE(keyboard->button_info(DIK_RWIN + 1, &kind, &instance));
    EXPECT_EQ(keyboard->find_button(1, 0), -1);
}

TEST_F(FakeKeyboardTest, KeyCountStaysWithinTheEightBitCount) {
    keyboard_ptr keyboard = open(255);
    EXPECT_EQ(keyboard->button_count(), 255);
}

TEST_F(FakeKeyboardTest, KeyIsDownWhileBitSevenIsSet) {
    keyboard_ptr keyboard = open(DIK_RWIN);
    m_keys->state[DIK_A] = 0x80;
    m_keys->state[DIK_S] = 0x7F;
    m_keys->state[DIK_RWIN] = 0x81;
    m_keys->state[DIK_RWIN + 1] = 0x80;  // beyond the reported keys
    ASSERT_TRUE(keyboard->poll(0.166f));
    EXPECT_EQ(m_keys->last_state_size, 256u);
    EXPECT_TRUE(keyboard->is_button_down(DIK_A));
    EXPECT_EQ(keyboard->button_value(DIK_A), 1.0f);
    EXPECT_FALSE(keyboard->is_button_down(DIK_S));
    EXPECT_EQ(keyboard->button_value(DIK_S), 0.0f);
    EXPECT_TRUE(keyboard->is_button_down(DIK_RWIN));
    EXPECT_FALSE(keyboard->is_button_down(DIK_RWIN + 1));
    keyboard->set_threshold(DIK_A, 0.0f);  // keys have no threshold
    EXPECT_TRUE(keyboard->is_button_down(DIK_A));
}

TEST_F(FakeKeyboardTest, UnreadableKeyboardReadsAsNothingPressed) {
    keyboard_ptr keyboard = open(DIK_RWIN);
    m_keys->state[DIK_A] = 0x80;
    ASSERT_TRUE(keyboard->poll(0.166f));
    ASSERT_TRUE(keyboard->is_button_down(DIK_A));

    m_keys->state_result = DIERR_INPUTLOST;
    EXPECT_FALSE(keyboard->poll(0.166f));
    EXPECT_FALSE(keyboard->is_button_down(DIK_A));

    m_keys->acquired = false;
    m_keys->acquire_result = DIERR_OTHERAPPHASPRIO;
    EXPECT_FALSE(keyboard->poll(0.166f));
    EXPECT_FALSE(keyboard->is_button_down(DIK_A));

    m_keys->acquire_result = DI_OK;
    m_keys->state_result = DI_OK;
    EXPECT_TRUE(keyboard->poll(0.166f));
    EXPECT_TRUE(keyboard->is_button_down(DIK_A));
    EXPECT_EQ(m_keys->acquire_calls, 3);
}

// --- the real keyboard under Wine ---------------------------------------------------------

using test_support::send_key;

void pump_messages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

// Polls until the key reads as wanted; input reaches DirectInput asynchronously.
bool key_reads(input_dx8& manager, BYTE key, bool down) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        pump_messages();
        manager.update(0.166f);
        if (manager.device_at(0, 0)->is_button_down(key) == down) return true;
        Sleep(20);
    }
    return false;
}

TEST(SystemKeyboard, KeyPressedIntoTheWindowReadsAsDown) {
    HWND window = fake::create_window();
    if (!window) GTEST_SKIP() << "no window can be created here";
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    {
        input_dx8 manager;
        if (!manager.attach_window(window) || manager.device_count(0) == 0) {
            DestroyWindow(window);
            GTEST_SKIP() << "no DirectInput keyboard here";
        }
        EXPECT_EQ(manager.device_count(0), 1);
        EXPECT_EQ(manager.device_count(2), 0);
        nrv::peripheral::input_device_dx8* keyboard = manager.device_at(0, 0);
        ASSERT_NE(keyboard, nullptr);
        EXPECT_TRUE(IsEqualGUID(keyboard->instance_guid(), GUID_SysKeyboard));
        std::wstring instance, key;
        EXPECT_TRUE(keyboard->instance_name(instance));
        EXPECT_FALSE(instance.empty());
        EXPECT_GT(keyboard->button_count(), DIK_A);
        EXPECT_TRUE(keyboard->button_name(DIK_A, key));
        EXPECT_FALSE(key.empty());
        std::printf("system keyboard \"%ls\": button count %d, key A named \"%ls\"\n", instance.c_str(),
                    keyboard->button_count(), key.c_str());

        EXPECT_TRUE(key_reads(manager, DIK_A, false));
        send_key('A', true);
        EXPECT_TRUE(key_reads(manager, DIK_A, true));
        send_key('A', false);
        EXPECT_TRUE(key_reads(manager, DIK_A, false));
    }
    DestroyWindow(window);
}

}  // namespace
