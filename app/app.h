// The application shell: start-up, the single-instance guard and the settings sheet.
#pragma once

#include "framework/framework.h"
#include "padnav/padnav.h"
#include "pages/controller/controller.h"
#include "pages/pages.h"

// The one run of the program. InitInstance does everything and returns FALSE, so the
// process ends without a message loop.
class CsettingApp : public CWinApp {
public:
    BOOL InitInstance() override;
};

// The modal sheet with the Display, Keyboard, Controller and Online pages.
class CSettingSheet : public CPropertySheet {
public:
    // probe_modes_again asks the adapter for its display modes once more; without it the
    // sheet uses the modes the start-up probe found. The pages list the devices of `input`,
    // the run's, without it none; `navigation`, the run's pad navigation, is told of the
    // sheet while it runs.
    CSettingSheet(bool probe_modes_again, nrv::peripheral::run_input* input,
                  PadNavigation* navigation = nullptr);
    ~CSettingSheet() override;
    BOOL OnInitDialog() override;

    DECLARE_MESSAGE_MAP()

private:
    void AddTitledPage(CPropertyPage& page, wchar_t* title_buffer, UINT title_text);

    PadNavigation* m_navigation;
    CDisplayPage m_displayPage;
    COnlinePage m_onlinePage;
    ButtonPage* m_buttonPages[2] = {nullptr, nullptr};
};

// The text of the box that reports a file that could not be read or written: the file's
// full path on a line of its own, then the system's reason for the error code, or, when the
// system has no text for it, the code in decimal and hexadecimal.
std::wstring file_error_text(const std::wstring& path, uint32_t error);
// The file's full path on a line of its own, then the notice.
std::wstring file_notice_text(const std::wstring& path, const std::wstring& notice);

// A named mutex created at static initialisation and released and closed at exit.
class NamedMutex {
public:
    explicit NamedMutex(const char* name);
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;
    // True when this process created the mutex, or when creating it failed.
    bool first_instance() const { return m_firstInstance; }

private:
    HANDLE m_handle = nullptr;
    bool m_firstInstance = false;
};
