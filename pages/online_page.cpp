#include "pages/pages.h"

#include "res/resource.h"
#include "settings/settings.h"
#include "text/text.h"

#include <shellapi.h>

#include <cstddef>

namespace {

// The descriptor layout without the activation-context field: it ends after the header
// subtitle (48 bytes in the 32-bit program).
constexpr UINT kPageDescriptorSize = offsetof(PROPSHEETPAGEW, pszHeaderSubTitle) + sizeof(LPCWSTR);
#ifndef _WIN64
static_assert(kPageDescriptorSize == 48, "the page descriptor ends after the header subtitle");
#endif

}  // namespace

ShellExecuteCall g_shell_execute = &ShellExecuteW;

BEGIN_MESSAGE_MAP(COnlinePage, CPropertyPage)
ON_BN_CLICKED(IDC_AUTO_PORT, &COnlinePage::OnAutoPort)
ON_BN_CLICKED(IDC_UPNP, &COnlinePage::OnUpnp)
ON_BN_CLICKED(IDC_VOICE_CHAT, &COnlinePage::OnVoiceChat)
ON_BN_CLICKED(IDC_SOUND_PROPERTIES, &COnlinePage::OnSoundProperties)
ON_BN_CLICKED(IDC_VOICE_TEST, &COnlinePage::OnVoiceTest)
ON_MESSAGE(WM_HELP, &COnlinePage::OnHelpRequest)
END_MESSAGE_MAP()

namespace {

bool is_checked(HWND button) {
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void set_checked(HWND button, bool checked) {
    SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace

COnlinePage::COnlinePage() : CPropertyPage(IDD_ONLINE_PAGE) {
    m_psp.dwSize = kPageDescriptorSize;
    m_psp.dwFlags &= ~PSP_HASHELP;
}

BOOL COnlinePage::OnInitDialog() {
    if (HWND button = GetDlgItem(IDC_AUTO_PORT)) {
        set_checked(button, auto_port());
        ApplyAutoRule();
    }
    if (GetDlgItem(IDC_UDP_PORT)) SetDlgItemInt(IDC_UDP_PORT, static_cast<UINT>(udp_port()), FALSE);
    if (HWND button = GetDlgItem(IDC_UPNP)) set_checked(button, upnp());
    if (HWND button = GetDlgItem(IDC_VOICE_CHAT)) {
        set_checked(button, voice_chat());
        ApplyVoiceRule();
    }
    // The voice test stays out of reach of the user.
    if (HWND button = GetDlgItem(IDC_VOICE_TEST)) ShowWindow(button, SW_HIDE);
    replace_text_placeholders(m_hWnd);
    return CPropertyPage::OnInitDialog();
}

void COnlinePage::OnOK() {
    if (HWND button = GetDlgItem(IDC_AUTO_PORT)) set_auto_port(is_checked(button));
    if (GetDlgItem(IDC_UDP_PORT)) {
        // An empty or unreadable edit reads as 0 and is ignored like any other bad port.
        const UINT port = GetDlgItemInt(IDC_UDP_PORT, nullptr, FALSE);
        if (port >= kLowestUdpPort && port <= kHighestUdpPort) set_udp_port(static_cast<int32_t>(port));
    }
    if (HWND button = GetDlgItem(IDC_UPNP)) set_upnp(is_checked(button));
    if (HWND button = GetDlgItem(IDC_VOICE_CHAT)) set_voice_chat(is_checked(button));
}

void COnlinePage::ApplyAutoRule() {
    HWND button = GetDlgItem(IDC_AUTO_PORT);
    HWND edit = GetDlgItem(IDC_UDP_PORT);
    if (button && edit) EnableWindow(edit, !is_checked(button));
}

void COnlinePage::ApplyVoiceRule() {
    HWND button = GetDlgItem(IDC_VOICE_CHAT);
    if (!button) return;
    const BOOL enable = is_checked(button);
    if (HWND sound = GetDlgItem(IDC_SOUND_PROPERTIES)) EnableWindow(sound, enable);
    if (HWND test = GetDlgItem(IDC_VOICE_TEST)) EnableWindow(test, enable);
}

void COnlinePage::OnAutoPort() {
    ApplyAutoRule();
}

void COnlinePage::OnUpnp() {
    // Read on OK.
}

void COnlinePage::OnVoiceChat() {
    ApplyVoiceRule();
}

void COnlinePage::OnSoundProperties() {
    g_shell_execute(m_hWnd, L"open", L"control", L"mmsys.cpl", nullptr, SW_SHOWNORMAL);
}

void COnlinePage::OnVoiceTest() {
    CVoiceDlg dialog;
    dialog.DoModal();
}

LRESULT COnlinePage::OnHelpRequest(WPARAM, LPARAM) {
    // F1 does nothing: the tool has no help.
    return TRUE;
}
