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

CSettingSheet::CSettingSheet(bool probe_modes_again, nrv::peripheral::run_input* input,
                             PadNavigation* navigation)
    : CPropertySheet(L"", nullptr, 0), m_navigation(navigation) {
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
    if (m_navigation) m_navigation->SetSheet(nullptr);
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
END_MESSAGE_MAP()

BOOL CSettingSheet::OnInitDialog() {
    const BOOL result = CPropertySheet::OnInitDialog();
    SetWindowText(text_w(kSheetTitleText).c_str());
    ::SetDlgItemTextW(m_hWnd, IDCANCEL, text_w(kCancelText).c_str());
    if (m_navigation) m_navigation->SetSheet(m_hWnd);
    return result;
}
