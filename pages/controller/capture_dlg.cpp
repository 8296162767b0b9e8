// The press-a-button dialog of the controller pages.
#include "pages/controller/internal.h"

#include "nrv/peripheral/peripheral.h"
#include "res/resource.h"
#include "text/text.h"

#include <cstring>

namespace {

constexpr UINT_PTR kScanTimer = 1;
constexpr UINT kScanPeriodMs = 160;

}  // namespace

HWND g_capture_dialog = nullptr;
GUID g_capture_device = {};

BEGIN_MESSAGE_MAP(CBtnDlg, CDialog)
ON_MESSAGE(WM_TIMER, &CBtnDlg::OnTimer)
ON_MESSAGE(WM_HELP, &CBtnDlg::OnHelpRequest)
ON_MESSAGE(WM_DESTROY, &CBtnDlg::OnDestroy)
END_MESSAGE_MAP()

CBtnDlg::CBtnDlg(CWnd* owner) : CDialog(IDD_CAPTURE, owner), m_pressed() {}

BOOL CBtnDlg::OnInitDialog() {
    const BOOL result = CDialog::OnInitDialog();
    // Everything counts as held at the start: a button already down when the dialog opens
    // is taken only after it was seen released.
    std::memset(m_pressed.bytes, 0xFF, sizeof m_pressed.bytes);
    m_captured = kNothingCaptured;
    replace_text_placeholders(m_hWnd);
    // No caption is shown; as the dialog's name the prompt is what a screen reader reads
    // when the dialog opens.
    wchar_t prompt[256] = {};
    ::GetDlgItemTextW(m_hWnd, IDC_CAPTURE_PROMPT, prompt, 256);
    SetWindowText(prompt);
    SetTimer(kScanTimer, kScanPeriodMs);
    g_capture_dialog = m_hWnd;
    g_capture_device = m_device;
    return result;
}

uint8_t CBtnDlg::Scan() {
    PressedButtons now = {};
    int count = 0;
    if (nrv::peripheral::input_device_dx8* device = find_input_device(m_device)) {
        count = device->button_count();
        for (int index = 0; index < count; ++index)
            set_pressed(now, index, device->is_button_down(static_cast<uint8_t>(index)));
    }
    return take_new_press(m_pressed, now, count);
}

LRESULT CBtnDlg::OnTimer(WPARAM, LPARAM) {
    m_captured = Scan();
    if (m_captured == kNothingCaptured) return 0;
    const nrv::peripheral::input_device_dx8* device = find_input_device(m_device);
    if (device && is_capture_excluded(device->device_kind(), m_captured)) {
        // Not taken. Forgotten at once, so that an OK that follows (Return) stores nothing.
        m_captured = kNothingCaptured;
        return 0;
    }
    // No later tick may overwrite the result before the modal loop has noticed the end.
    KillTimer(kScanTimer);
    OnOK();
    return 0;
}

LRESULT CBtnDlg::OnHelpRequest(WPARAM, LPARAM) {
    return TRUE;
}

LRESULT CBtnDlg::OnDestroy(WPARAM, LPARAM) {
    KillTimer(kScanTimer);
    if (g_capture_dialog == m_hWnd) g_capture_dialog = nullptr;
    return 0;
}
