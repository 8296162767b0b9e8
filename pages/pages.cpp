#include "pages/pages.h"

#include "res/resource.h"

ButtonPage::ButtonPage(int index, UINT) : CPropertyPage(IDD_BUTTON_PAGE), m_index(index) {}

ButtonPage::~ButtonPage() = default;
