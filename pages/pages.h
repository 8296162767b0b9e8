// The pages of the settings sheet and the dialogs they open.
#pragma once

#include "framework/framework.h"

// Screen mode, resolution, aspect, quality and rendering options.
class CDisplayPage : public CPropertyPage {
public:
    CDisplayPage();
};

// The Keyboard page (index 0) and the Controller page (index 1).
class ButtonPage : public CPropertyPage {
public:
    ButtonPage(int index, UINT title_string);
    ~ButtonPage() override;

private:
    int m_index;
};

// UDP port, UPnP, voice chat and the sound control panel.
class COnlinePage : public CPropertyPage {
public:
    COnlinePage();
};
