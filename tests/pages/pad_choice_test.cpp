// Choosing pads by pressing them on the Controller page, with fake DirectInput pads of one
// model: the dialog's turns from player to player, a swap, what undo gives back, when the
// choice can be made, and the dialog in every language.
#include "pages/button_test_support.h"
#include "pages/controller/internal.h"
#include "pages/fake_pads.h"

#include <string>

namespace {

using namespace button_test;
using test_support::run_sheet;

// Buttons of the fake pads: no family is known for them, so they sit where the default pad
// layout puts them.
constexpr int kNorth = 0;
constexpr int kEast = 1;
constexpr int kSouth = 2;
constexpr int kStart = 8;
constexpr int kBack = 9;

std::wstring prompt_for(int player) {
    return fill_pattern(text_w(kPadChoicePromptText), {player_name(player)});
}

// A dialog that failed to close by itself would hold the test in its modal loop.
void cancel_if_open(HWND dialog) {
    if (IsWindowVisible(dialog)) click(dialog, IDCANCEL);
}

class PadChoice : public testing::Test {
protected:
    void SetUp() override {
        load_texts();
        build_default_settings(2, 1280, 1024);
        m_pads[0] = make_pad(L"Twin Pad");
        m_pads[1] = make_pad(L"Twin Pad");
        m_input.attach(DI8DEVCLASS_GAMECTRL, guid(1), m_pads[0]);
        m_input.attach(DI8DEVCLASS_GAMECTRL, guid(2), m_pads[1]);
    }
    // Sets a button of pad `pad` (0 or 1) and waits until the sheet's input has read it so.
    // A pad is first read at rest: what it holds at its first reading never counts.
    void set_button(nrv::peripheral::run_input& input, int pad, int button, bool down) {
        EXPECT_TRUE(pump_until([&] { return m_pads[pad]->acquired; }));
        m_pads[pad]->joystick().rgbButtons[button] = down ? 0x80 : 0;
        const nrv::peripheral::input_device_dx8* device =
            input.find_device(guid(static_cast<uint8_t>(pad + 1)));
        ASSERT_TRUE(device);
        const int index = device->find_button(nrv::peripheral::control_button, button);
        EXPECT_TRUE(pump_until([&] { return device->is_button_down(static_cast<uint8_t>(index)) == down; }));
    }
    // Presses and lets go a button of a pad, the press held until `done` holds; whether it did.
    bool press(nrv::peripheral::run_input& input, int pad, int button, const std::function<bool()>& done) {
        set_button(input, pad, button, true);
        const bool held = pump_until(done);
        set_button(input, pad, button, false);
        return held;
    }
    fake::direct_input m_input;  // outlives the manager, which holds its devices
    std::shared_ptr<fake::pad> m_pads[2];
    ManagerScope m_manager;
};

// From Controller 1 on, each press of a face button or Start on a pad gives it to the player
// whose turn it is; the press that opened the dialog and a pad taken already in the pass do
// not count, Back closes, and each take is one undo step.
TEST_F(PadChoice, EachPlayerInTurnTakesThePadPressedAndUndoGivesItBack) {
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        nrv::peripheral::run_input& input = *sheet.input();
        EXPECT_TRUE(enabled(page, IDC_CHOOSE_PADS));
        set_button(input, 0, kSouth, true);  // as A on the pad that works the tool opens it
        EXPECT_TRUE(with_capture(
            page, IDC_CHOOSE_PADS,
            [&](HWND dialog) {
                EXPECT_EQ(window_text(dialog), prompt_for(1)) << "the dialog's name";
                EXPECT_EQ(item_text(dialog, IDC_PAD_CHOICE_PROMPT), prompt_for(1));
                wait_for_first_tick();
                set_button(input, 0, kSouth, false);
                EXPECT_FALSE(pump_until([&] { return window_text(dialog) != prompt_for(1); }, 500))
                    << "the opening press was taken";
                EXPECT_TRUE(press(input, 1, kEast, [&] { return window_text(dialog) == prompt_for(2); }));
                EXPECT_TRUE(press(input, 0, kNorth, [&] { return window_text(dialog) == prompt_for(3); }));
                set_button(input, 1, kStart, true);
                EXPECT_FALSE(pump_until([&] { return window_text(dialog) != prompt_for(3); }, 500))
                    << "a pad taken in this pass was taken again";
                set_button(input, 1, kStart, false);
                EXPECT_TRUE(press(input, 0, kBack, [&] { return !IsWindowVisible(dialog); }));
                cancel_if_open(dialog);
            },
            0, IDC_PAD_CHOICE_PROMPT));
        EXPECT_TRUE(holds(1, guid(2)) && holds(2, guid(1)) && holds(3, GUID_NULL));
        EXPECT_EQ(item_text(page, IDC_PLAYER), player_name(2)) << "the last player taken";
        EXPECT_EQ(item_text(page, IDC_DEVICE), L"Twin Pad");
        EXPECT_EQ(slot_text(page, 2), L"Button 2");

        SendMessageW(page, kUndoMessage, 0, 0);
        EXPECT_TRUE(holds(1, guid(2)) && holds(2, GUID_NULL));
        EXPECT_EQ(item_text(page, IDC_DEVICE), L"--");
        SendMessageW(page, kUndoMessage, 0, 0);
        EXPECT_TRUE(holds(1, GUID_NULL));
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
}

// A pad another player holds is swapped with the player's own, each layout going with its
// pad; the note says who swapped, and undo swaps back. Undoing a take gives the player its
// old pad even when another player chose that pad since, who then lets it go.
TEST_F(PadChoice, APadOfAnotherPlayerIsSwappedLayoutsAndAll) {
    store_own_layout(1, guid(1));
    const std::vector<uint32_t> own = entries_of(1);
    set_pad_device(2, stored(guid(2)));
    const std::vector<uint32_t> plain = entries_of(2);
    auto third = make_pad(L"Third Pad");
    m_input.attach(DI8DEVCLASS_GAMECTRL, guid(3), third);
    ControllerSheet<> sheet(&m_input, 1);
    run_sheet(sheet, [&](HWND sheet_window) {
        HWND page = page_of(sheet_window);
        nrv::peripheral::run_input& input = *sheet.input();
        select_entry(page, IDC_PLAYER, 1);
        EXPECT_TRUE(with_capture(
            page, IDC_CHOOSE_PADS,
            [&](HWND dialog) {
                wait_for_first_tick();
                EXPECT_TRUE(press(input, 0, kSouth, [&] { return window_text(dialog) == prompt_for(3); }));
                click(dialog, IDCANCEL);
            },
            0, IDC_PAD_CHOICE_PROMPT));
        EXPECT_TRUE(holds(2, guid(1)) && holds(1, guid(2)));
        EXPECT_EQ(entries_of(2), own);
        EXPECT_EQ(entries_of(1), plain);
        EXPECT_EQ(item_text(page, IDC_TAKEN_NOTE), L"Controller 1 and Controller 2 swapped pads.");
        EXPECT_EQ(slot_text(page, 12), L"Button 11") << "player 1's layout";

        SendMessageW(page, kUndoMessage, 0, 0);
        EXPECT_TRUE(holds(1, guid(1)) && holds(2, guid(2)));
        EXPECT_EQ(entries_of(1), own);
        EXPECT_EQ(entries_of(2), plain);
        EXPECT_EQ(slot_text(page, 12), L"Hat 0 U");

        // Player 1 takes the third pad; player 2 then chooses player 1's old one in the list.
        select_entry(page, IDC_PLAYER, 0);
        EXPECT_TRUE(with_capture(
            page, IDC_CHOOSE_PADS,
            [&](HWND dialog) {
                wait_for_first_tick();
                third->joystick().rgbButtons[kStart] = 0x80;
                EXPECT_TRUE(pump_until([&] { return window_text(dialog) == prompt_for(2); }));
                third->joystick().rgbButtons[kStart] = 0;
                click(dialog, IDCANCEL);
            },
            0, IDC_PAD_CHOICE_PROMPT));
        EXPECT_TRUE(holds(1, guid(3)));
        select_entry(page, IDC_PLAYER, 1);
        ASSERT_TRUE(test_support::select_combo_prefix(page, IDC_DEVICE, L"Twin Pad"));
        EXPECT_TRUE(holds(2, guid(1)));
        SendMessageW(page, kUndoMessage, 0, 0);
        EXPECT_TRUE(holds(1, guid(1)) && holds(2, GUID_NULL)) << "one pad held by two players";
        EXPECT_EQ(entries_of(1), own);
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
}

// The choice is the Controller page's, in DirectInput mode, with a pad attached; the last
// pad going closes the dialog.
TEST_F(PadChoice, IsOfferedOnlyWithPadsInDirectInputMode) {
    ControllerSheet<> sheet(&m_input, 0);
    run_sheet(sheet, [&](HWND sheet_window) {
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(page_of(sheet_window), IDC_CHOOSE_PADS))) << "Keyboard page";
        HWND page = show_page(sheet_window, 1);
        EXPECT_TRUE(enabled(page, IDC_CHOOSE_PADS));
        EXPECT_EQ(accessible_text(GetDlgItem(page, IDC_CHOOSE_PADS), false), text_w(kChoosePadsText));
        click(page, IDC_XINPUT);
        EXPECT_FALSE(enabled(page, IDC_CHOOSE_PADS));
        click(page, IDC_DIRECTINPUT);
        EXPECT_TRUE(enabled(page, IDC_CHOOSE_PADS));

        EXPECT_TRUE(with_capture(
            page, IDC_CHOOSE_PADS,
            [&](HWND dialog) {
                m_input.detach(guid(1));
                m_input.detach(guid(2));
                send_hid_change(sheet.input()->window(), DBT_DEVICEREMOVECOMPLETE);
                EXPECT_TRUE(wait_until_closed(dialog)) << "the dialog stayed without pads";
                cancel_if_open(dialog);
            },
            0, IDC_PAD_CHOICE_PROMPT));
        EXPECT_TRUE(pump_until([&] { return !enabled(page, IDC_CHOOSE_PADS); }));
        EXPECT_TRUE(holds(1, GUID_NULL));
        SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

// The button, the dialog and the note of a swap show their whole texts in every language.
TEST_F(PadChoice, TextsFitInEveryLanguage) {
    const char* const languages[][2] = {{"en", "GB"}, {"fr", "FR"}, {"de", "DE"},
                                        {"it", "IT"}, {"es", "ES"}, {"pt", "PT"}};
    for (const auto& language : languages) {
        const std::string name = language[0];
        SCOPED_TRACE(name);
        set_language(language[0], language[1]);
        build_default_settings(2, 1280, 1024);
        set_pad_device(1, stored(guid(1)));
        ControllerSheet<> sheet(&m_input, 1);
        run_sheet(sheet, [&](HWND sheet_window) {
            HWND page = page_of(sheet_window);
            select_entry(page, IDC_PLAYER, 1);
            EXPECT_TRUE(with_capture(
                page, IDC_CHOOSE_PADS,
                [&](HWND dialog) {
                    EXPECT_EQ(item_text(dialog, IDC_PAD_CHOICE_PROMPT), prompt_for(2));
                    EXPECT_EQ(e2e::overflowing_texts(dialog), std::vector<std::wstring>{});
                    if (name == "en" || name == "de") save_screenshot(dialog, "pad-choice-dialog-" + name);
                    EXPECT_TRUE(press(*sheet.input(), 0, kSouth,
                                      [&] { return window_text(dialog) == prompt_for(3); }));
                    click(dialog, IDCANCEL);
                },
                0, IDC_PAD_CHOICE_PROMPT));
            EXPECT_NE(item_text(page, IDC_TAKEN_NOTE), L"");
            EXPECT_EQ(e2e::overflowing_texts(page), std::vector<std::wstring>{});
            if (name == "en" || name == "de")
                save_screenshot(sheet_window, "controller-page-pads-swapped-" + name);
            SendMessageW(sheet_window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        });
    }
    set_language("en", "GB");
}

}  // namespace
