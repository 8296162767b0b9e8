#include "pages/pages.h"

#include "nrv/audio/audio.h"
#include "res/resource.h"
#include "text/text.h"

#include <new>

namespace {

constexpr UINT_PTR kPumpTimer = 1;
// Captured audio is moved to playback this often; the playback block is a quarter second.
constexpr UINT kPumpPeriodMs = 160;

}  // namespace

BEGIN_MESSAGE_MAP(CVoiceDlg, CDialog)
ON_MESSAGE(WM_TIMER, &CVoiceDlg::OnTimer)
ON_MESSAGE(WM_HELP, &CVoiceDlg::OnHelpRequest)
ON_MESSAGE(WM_DESTROY, &CVoiceDlg::OnDestroy)
END_MESSAGE_MAP()

CVoiceDlg::CVoiceDlg() : CDialog(IDD_VOICE_TEST, nullptr) {}

CVoiceDlg::~CVoiceDlg() {
    ReleaseDevices();
}

void CVoiceDlg::ReleaseDevices() {
    if (m_capture) {
        m_capture->stop();
        m_capture->close();
        delete m_capture;
        m_capture = nullptr;
    }
    if (m_playback) {
        m_playback->stop();
        m_playback->close();
        delete m_playback;
        m_playback = nullptr;
    }
}

BOOL CVoiceDlg::OnInitDialog() {
    const BOOL result = CDialog::OnInitDialog();
    replace_text_placeholders(m_hWnd);

    m_playback = new (std::nothrow) nrv::audio::pcm_output_device_dx8(m_hWnd);
    m_capture = new (std::nothrow) nrv::audio::pcm_input_device_dx8();
    if (m_playback && m_capture && nrv::audio::open_common_format(*m_playback, *m_capture, nullptr)) {
        m_playback->start();
        m_capture->start();
        SetTimer(kPumpTimer, kPumpPeriodMs);
        return result;
    }

    // The devices go before the message: nothing keeps the sound system busy meanwhile.
    ReleaseDevices();
    MessageBox(text_w(kSoundFailedText).c_str(), text_w(kSoundDeviceTestText).c_str(), MB_ICONERROR);
    EndDialog(IDCANCEL);
    return result;
}

LRESULT CVoiceDlg::OnTimer(WPARAM, LPARAM) {
    if (m_capture && m_playback) nrv::audio::pump_capture_to_playback(*m_capture, *m_playback);
    return 0;
}

LRESULT CVoiceDlg::OnHelpRequest(WPARAM, LPARAM) {
    // F1 does nothing: the tool has no help.
    return TRUE;
}

LRESULT CVoiceDlg::OnDestroy(WPARAM, LPARAM) {
    KillTimer(kPumpTimer);
    return 0;
}
