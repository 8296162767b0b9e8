#include "pages/pages.h"

#include "res/resource.h"

CDisplayPage::CDisplayPage() : CPropertyPage(IDD_DISPLAY_PAGE) {
    m_psp.dwFlags &= ~PSP_HASHELP;
}

ButtonPage::ButtonPage(int index, UINT) : CPropertyPage(IDD_BUTTON_PAGE), m_index(index) {}

ButtonPage::~ButtonPage() = default;

COnlinePage::COnlinePage() : CPropertyPage(IDD_ONLINE_PAGE) {}
