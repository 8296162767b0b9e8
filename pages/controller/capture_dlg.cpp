// The press-a-button dialog of the controller pages.
#include "pages/controller/internal.h"

#include "nrv/peripheral/peripheral.h"
#include "res/resource.h"
#include "text/text.h"

namespace {

constexpr UINT kScanPeriodMs = 160;

}  // namespace

BEGIN_MESSAGE_MAP(CPressDlg, CDialog)
ON_MESSAGE(WM_HELP, &CPressDlg::OnHelpRequest)
ON_MESSAGE(WM_DESTROY, &CPressDlg::OnDestroy)
END_MESSAGE_MAP()

void CPressDlg::StartReading(const GUID& device) {
    SetTimer(kScanTimer, kScanPeriodMs);
    if (m_input) m_input->begin_capture(m_hWnd, device);
}

LRESULT CPressDlg::OnHelpRequest(WPARAM, LPARAM) {
    return TRUE;
}

LRESULT CPressDlg::OnDestroy(WPARAM, LPARAM) {
    KillTimer(kScanTimer);
    if (m_input) m_input->end_capture(m_hWnd);
    return 0;
}

BEGIN_MESSAGE_MAP(CBtnDlg, CPressDlg)
ON_MESSAGE(WM_TIMER, &CBtnDlg::OnTimer)
END_MESSAGE_MAP()

CBtnDlg::CBtnDlg(CWnd* owner, nrv::peripheral::run_input* input) : CPressDlg(IDD_CAPTURE, owner, input) {}

BOOL CBtnDlg::OnInitDialog() {
    const BOOL result = CDialog::OnInitDialog();
    // Only presses from now on count: a button already down when the dialog opens is taken
    // only once it was let go and pressed again. The device is read once here so that a
    // press made since its last reading is not taken for a new one.
    if (nrv::peripheral::input_device_dx8* device = find_input_device(m_input, m_device)) {
        device->poll(0.0f);
        m_presses.catch_up(device->presses());
    }
    m_captured = kNothingCaptured;
    replace_text_placeholders(m_hWnd);
    // No caption is shown; as the dialog's name the prompt is what a screen reader reads
    // when the dialog opens.
    wchar_t prompt[256] = {};
    ::GetDlgItemTextW(m_hWnd, IDC_CAPTURE_PROMPT, prompt, 256);
    SetWindowText(prompt);
    StartReading(m_device);
    return result;
}

// Presses since the last scan, whichever reading of the device saw them (the page's or
// pad navigation's). Passed-over keys are never taken, so that an OK that follows
// (Return) stores nothing.
uint8_t CBtnDlg::Scan() {
    const nrv::peripheral::input_device_dx8* device = find_input_device(m_input, m_device);
    if (!device) return kNothingCaptured;
    return take_new_press(m_presses, device->presses(), device->button_count(), device->device_kind());
}

LRESULT CBtnDlg::OnTimer(WPARAM, LPARAM) {
    m_captured = Scan();
    if (m_captured == kNothingCaptured) return 0;
    // No later tick may overwrite the result before the modal loop has noticed the end.
    KillTimer(kScanTimer);
    OnOK();
    return 0;
}
