// The dialog in which the players choose their pads by pressing a button on them.
#include "pages/controller/internal.h"

#include "nrv/peripheral/peripheral.h"
#include "res/resource.h"
#include "text/text.h"

#include <utility>

namespace {

using nrv::peripheral::input_device_dx8;

constexpr int kLastPlayer = 4;
constexpr int kGameControllerKind = nrv::peripheral::device_game_controller;

}  // namespace

BEGIN_MESSAGE_MAP(CPadChoiceDlg, CPressDlg)
ON_MESSAGE(WM_TIMER, &CPadChoiceDlg::OnTimer)
END_MESSAGE_MAP()

CPadChoiceDlg::CPadChoiceDlg(CWnd* owner, nrv::peripheral::run_input* input, int first_player,
                             TakeFunction take)
    : CPressDlg(IDD_PAD_CHOICE, owner, input), m_take(std::move(take)), m_player(first_player) {}

BOOL CPadChoiceDlg::OnInitDialog() {
    const BOOL result = CDialog::OnInitDialog();
    // Only presses from now on count, on every pad: the button that opened the dialog (A on
    // the pad that works the tool) is taken only once it was let go and pressed again. Each
    // pad is read once here so that a press made since its last reading is not taken for a
    // new one.
    if (m_input) {
        nrv::peripheral::input_dx8& manager = m_input->manager();
        const int count = manager.device_count(kGameControllerKind);
        for (int n = 0; n < count; ++n) {
            input_device_dx8* device = manager.device_at(kGameControllerKind, n);
            if (!device) continue;
            device->poll(0.0f);
            Pad pad = {device->instance_guid(), {}};
            pad.presses.catch_up(device->presses());
            m_pads.push_back(pad);
        }
    }
    replace_text_placeholders(m_hWnd);
    ShowPrompt(false);
    StartReading(GUID_NULL);
    return result;
}

// The prompt names the player whose turn it is. No caption is shown; as the dialog's name
// the prompt is what a screen reader reads when the dialog opens, and a new turn is
// announced as a note is.
void CPadChoiceDlg::ShowPrompt(bool announce) {
    const std::wstring prompt = fill_pattern(text_w(kPadChoicePromptText), {player_name(m_player)});
    SetWindowText(prompt.c_str());
    HWND text = GetDlgItem(IDC_PAD_CHOICE_PROMPT);
    if (!text) return;
    ::SetWindowTextW(text, prompt.c_str());
    if (announce) announce_note(text);
}

PadChoicePress CPadChoiceDlg::Scan(GUID& pressed) {
    nrv::peripheral::input_dx8& manager = m_input->manager();
    std::vector<Pad> pads;
    bool back = false;
    bool taking = false;
    const int count = manager.device_count(kGameControllerKind);
    for (int n = 0; n < count; ++n) {
        const input_device_dx8* device = manager.device_at(kGameControllerKind, n);
        if (!device) continue;
        // A pad plugged in since the last look counts every press it has made.
        Pad pad = {device->instance_guid(), {}};
        for (const Pad& known : m_pads) {
            if (IsEqualGUID(known.instance, pad.instance)) pad = known;
        }
        const PadFamily family = device_family(*device);
        const int buttons = device->button_count();
        for (int button = 0; button < buttons; ++button) {
            EntryCode entry;
            if (!pad.presses.take(device->presses(), button) ||
                !entry_for_button(*device, static_cast<uint8_t>(button), entry))
                continue;
            const PadChoicePress press = pad_choice_press(family, entry);
            if (press == PadChoicePress::Close) back = true;
            if (press == PadChoicePress::Take && !taking && !TakenInThisPass(pad.instance)) {
                taking = true;
                pressed = pad.instance;
            }
        }
        pads.push_back(pad);
    }
    m_pads.swap(pads);
    if (back) return PadChoicePress::Close;
    return taking ? PadChoicePress::Take : PadChoicePress::None;
}

bool CPadChoiceDlg::TakenInThisPass(const GUID& pad) const {
    for (const GUID& taken : m_taken) {
        if (IsEqualGUID(taken, pad)) return true;
    }
    return false;
}

LRESULT CPadChoiceDlg::OnTimer(WPARAM, LPARAM) {
    if (!m_input || m_input->manager().device_count(kGameControllerKind) == 0) {
        // The last pad went: there is nothing left to choose.
        KillTimer(kScanTimer);
        OnCancel();
        return 0;
    }
    GUID pad = GUID_NULL;
    switch (Scan(pad)) {
        case PadChoicePress::Close:
            KillTimer(kScanTimer);
            OnCancel();
            break;
        case PadChoicePress::Take:
            if (!m_take || !m_take(m_player, pad)) break;
            m_taken.push_back(pad);
            if (m_player >= kLastPlayer) {
                KillTimer(kScanTimer);
                OnOK();
                break;
            }
            ++m_player;
            ShowPrompt(true);
            break;
        case PadChoicePress::None:
            break;
    }
    return 0;
}
