#include "app/app.h"

#include "nrv/peripheral/peripheral.h"
#include "nrv/storage/storage.h"
#include "probe/probe.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "text/text.h"

#include <istream>
#include <string>

namespace {

// Static objects in start-up order: the guard mutex, then the application, then the
// product mutex, which the game's other programs may look for; the tool only holds it.
NamedMutex g_toolMutex("CALCORA8 steeings");
CsettingApp g_app;
NamedMutex g_productMutex("Calcora");

// How long after the probe the sheet waits for the first listing of game controllers; the
// pads come in when it ends. An ordinary listing ends well within it; one that a slow driver
// holds up delays the sheet by this much and no more.
constexpr DWORD kListingWaitMs = 1500;

void load_texts() {
    DWORD size = 0;
    const void* bytes = resource_bytes(IDR_STRING_DATABASE, RT_RCDATA, size);
    nrv::storage::memory_streambuf buffer(bytes, static_cast<int32_t>(size));
    std::istream stream(&buffer);
    load_string_database(stream);

    // When the locale cannot be read the codes stay empty, which falls back to the
    // first language block.
    char language[8] = {};
    char country[8] = {};
    if (!GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, language, sizeof language))
        language[0] = 0;
    if (!GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SISO3166CTRYNAME, country, sizeof country))
        country[0] = 0;
    set_language(language, country);
}

void bring_first_instance_forward() {
    HWND sheet = FindWindowW(nullptr, text_w(kSheetTitleText).c_str());
    if (sheet) SetForegroundWindow(sheet);
}

// Tells the player that settings.dat could not be read or written and why, followed by
// the text `consequence` when there is one; true when the player asks to try again.
bool ask_to_retry(uint32_t error, UINT consequence = 0) {
    std::wstring text = file_error_text(settings_file_path(), error);
    if (consequence) text += L"\n\n" + text_w(consequence);
    return MessageBoxW(nullptr, text.c_str(), text_w(kSheetTitleText).c_str(),
                       MB_ICONSTOP | MB_RETRYCANCEL) == IDRETRY;
}

// Loads settings.dat, or builds defaults when there is none, it is invalid, or it asks
// for more quality than this machine can run. A file that is there but cannot be read is
// never silently taken for a missing one: the player may try again or go on with defaults.
// True when the player went on without reading such a file: it must not be replaced unasked.
bool load_or_build_settings(int highest_tier) {
    uint32_t error = 0;
    bool loaded = load_settings(&error);
    while (!loaded && error != 0 && ask_to_retry(error, kCancelKeepsUnreadFileText))
        loaded = load_settings(&error);
    if (settings_need_defaults(loaded, settings_record().quality, highest_tier))
        build_default_settings(highest_tier, desktop_width(), desktop_height());
    return !loaded && error != 0;
}

// Whether OK may write over a settings.dat that could not be read at start. The file is
// read once more: one that now holds other settings than the player's is replaced only
// when the player agrees, and one that still cannot be read is never replaced.
bool may_replace_unread_file() {
    for (;;) {
        uint32_t error = 0;
        switch (compare_settings_file(&error)) {
            case SettingsFileState::Missing:
            case SettingsFileState::Same:
                return true;
            case SettingsFileState::Different:
                return MessageBoxW(
                           nullptr,
                           file_notice_text(settings_file_path(), text_w(kReplaceUnreadFileText)).c_str(),
                           text_w(kSheetTitleText).c_str(),
                           MB_ICONWARNING | MB_YESNO | MB_DEFBUTTON2) == IDYES;
            case SettingsFileState::Unreadable:
                if (!ask_to_retry(error, kStillUnreadableText)) return false;
                break;
        }
    }
}

// Saves the choices of this run. A failed save is never silent: the player is told why
// and may try again (after freeing the disk, say) or give up, which leaves the old file.
void save_or_ask_to_retry() {
    uint32_t error = 0;
    while (!save_settings(&error)) {
        if (!ask_to_retry(error)) return;
    }
}

}  // namespace

BOOL CsettingApp::InitInstance() {
    load_texts();

    if (!g_toolMutex.first_instance()) {
        bring_first_instance_forward();
        return FALSE;
    }

    InitCommonControls();
    CWinApp::InitInstance();
    AfxEnableControlContainer();

    // The game controllers are listed on a thread of their own beside the probe; a driver
    // that takes long to answer holds up the sheet by a second and a half at most. The pads work
    // every box and dialog from here on.
    nrv::peripheral::run_input input;
    input.start();
    PadNavigation navigation(input);
    navigation.Start();

    probe_display_modes();
    probe_adapter();
    const DWORD probed = GetTickCount();
    const bool warned = !can_run_tier(0);
    if (warned)
        MessageBoxW(nullptr, text_w(kBelowMinimumText).c_str(), text_w(kSheetTitleText).c_str(),
                    MB_ICONERROR);
    const int highest_tier = highest_runnable_tier();
    const bool unread_file_kept = load_or_build_settings(highest_tier);
    input.wait_for_first_listing(probed + kListingWaitMs);

    {
        // The display may have changed while the warning was open; otherwise the modes
        // probed a moment ago still hold.
        CSettingSheet sheet(warned, &input, &navigation);
        m_pMainWnd = &sheet;
        const INT_PTR result = sheet.DoModal();
        // The boxes after the sheet answer the pad as boxes of their own.
        navigation.SetSheet(nullptr);
        if (result == IDOK && (!unread_file_kept || may_replace_unread_file())) save_or_ask_to_retry();
        m_pMainWnd = nullptr;
    }
    return FALSE;
}
