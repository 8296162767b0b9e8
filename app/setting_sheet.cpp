#include "app/app.h"

#include "nrv/peripheral/peripheral.h"
#include "probe/probe.h"
#include "res/resource.h"
#include "text/text.h"

#include <cwchar>
#include <new>

namespace {

constexpr size_t kTitleLength = 128;
// The page descriptors point at these, so they live as long as the process.
wchar_t g_displayTitle[kTitleLength];
wchar_t g_buttonTitles[2][kTitleLength];
wchar_t g_onlineTitle[kTitleLength];

// The Keyboard and Controller pages: the tab texts, and the captions the pages are created
// with (string table), which the tab texts replace.
constexpr uint32_t kButtonPageTitles[2] = {kKeyboardText, kControllerText};
constexpr UINT kButtonPageCaptions[2] = {IDS_KEYBOARD_PAGE, IDS_CONTROLLER_PAGE};

}  // namespace

CSettingSheet::CSettingSheet(bool probe_modes_again, nrv::peripheral::run_input* input)
    : CPropertySheet(L"", nullptr, 0), m_input(input) {
    if (probe_modes_again) probe_display_modes();

    AddTitledPage(m_displayPage, g_displayTitle, kDisplayText);
    for (int index = 0; index < 2; ++index) {
        m_buttonPages[index] = new (std::nothrow) ButtonPage(index, kButtonPageCaptions[index]);
        // A page that could not be allocated is left out of the sheet.
        if (!m_buttonPages[index]) continue;
        m_buttonPages[index]->SetInput(input);
        AddTitledPage(*m_buttonPages[index], g_buttonTitles[index], kButtonPageTitles[index]);
    }
    AddTitledPage(m_onlinePage, g_onlineTitle, kOnlineText);

    m_psh.dwFlags |= PSH_NOAPPLYNOW | PSH_USEHICON;
    m_psh.dwFlags &= ~PSH_HASHELP;
    m_psh.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_SETTINGS));
}

CSettingSheet::~CSettingSheet() {
    if (m_input && m_watching) m_input->remove_watcher(m_watching);
    for (ButtonPage*& page : m_buttonPages) {
        delete page;
        page = nullptr;
    }
}

void CSettingSheet::AddTitledPage(CPropertyPage& page, wchar_t* title_buffer, UINT title_text) {
    // Longer titles are cut to the buffer; a percent sign is kept as it stands.
    std::wcsncpy(title_buffer, text_w(title_text).c_str(), kTitleLength - 1);
    title_buffer[kTitleLength - 1] = L'\0';
    page.m_psp.pszTitle = title_buffer;
    page.m_psp.dwFlags |= PSP_USETITLE;
    AddPage(&page);
}

BEGIN_MESSAGE_MAP(CSettingSheet, CPropertySheet)
ON_MESSAGE(nrv::peripheral::kDevicesChangedMessage, &CSettingSheet::OnDevicesChanged)
ON_MESSAGE(WM_ACTIVATEAPP, &CSettingSheet::OnActivateApp)
ON_MESSAGE(WM_TIMER, &CSettingSheet::OnTimer)
ON_MESSAGE(kPadActionMessage, &CSettingSheet::OnPadAction)
END_MESSAGE_MAP()

// Game controllers came or went (the pages watch the run's input themselves).
LRESULT CSettingSheet::OnDevicesChanged(WPARAM, LPARAM) {
    m_padNavigation.OnDevicesChanged();
    return 0;
}

LRESULT CSettingSheet::OnActivateApp(WPARAM active, LPARAM) {
    m_padNavigation.OnActivateApp(active != FALSE);
    return 0;
}

LRESULT CSettingSheet::OnTimer(WPARAM timer, LPARAM) {
    m_padNavigation.OnTimer(timer);
    return 0;
}

LRESULT CSettingSheet::OnPadAction(WPARAM action, LPARAM) {
    m_padNavigation.OnAction(action);
    return 0;
}

BOOL CSettingSheet::OnInitDialog() {
    const BOOL result = CPropertySheet::OnInitDialog();
    if (m_input) m_input->add_watcher(m_watching = m_hWnd);
    SetWindowText(text_w(kSheetTitleText).c_str());
    ::SetDlgItemTextW(m_hWnd, IDCANCEL, text_w(kCancelText).c_str());
    m_padNavigation.Attach(m_hWnd, m_input);
    return result;
}
