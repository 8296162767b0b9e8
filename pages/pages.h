// The pages of the settings sheet and the dialogs they open. The rules at the top are
// plain code over values, built natively too; the page classes need Windows.
#pragma once

#include "probe/probe.h"

#include <cstdint>
#include <string>
#include <vector>

// --- Display page rules -------------------------------------------------------------------

// How a resolution is labelled in the Display page's list.
enum class ModeLabel { Plain, WindowOnly, FullScreenOnly };

struct OfferedMode {
    Resolution resolution;
    ModeLabel label;
};

// True when the resolution is no larger than the screen in either direction.
bool fits_screen(const Resolution& mode, const Resolution& screen);
// True for a picture wider than 4:3, judged as 3 * (width / 4) - height > 0 with integer
// division, so 4:3 itself and 5:4 count as not wide.
bool is_wider_than_4_3(const Resolution& mode);
// The resolutions the Display page offers, in ascending order: in full-screen mode every
// full-screen resolution (those larger than the screen labelled full-screen-only); in window
// mode every resolution that fits the screen (those the adapter cannot show in full screen
// labelled window-only); in both only up to the pixel count of `limit`.
std::vector<OfferedMode> offered_resolutions(const ResolutionSet& listed, const ResolutionSet& fullscreen,
                                             const Resolution& screen, const Resolution& limit,
                                             bool want_full_screen);
// The list label: "( 640, 480)", plus " - " and the suffix text for a labelled mode.
std::u16string resolution_label(const OfferedMode& mode, const std::u16string& window_only_text,
                                const std::u16string& full_screen_only_text);

#ifdef _WIN32
#include "framework/framework.h"
#include "settings/settings.h"

// Shows `text` in a small help popup of the tool's own, which takes no focus, whose top edge
// is centred on `anchor` (screen coordinates). It belongs to the owner's top-level window and
// goes with it. Returns the popup window.
HWND show_help_popup(HWND owner, const std::wstring& text, POINT anchor);
// Closes a popup show_help_popup opened, if it is still there.
void close_help_popup(HWND popup);
// The whole text of a window.
std::wstring read_window_text(HWND window);

// Answers WM_GETOBJECT for a control whose accessible name (or value) is the window text of
// another control, and whose role is `role` unless it is 0; 0 when it cannot, and the caller
// then lets the control answer itself.
enum class BorrowedText { Name, Value };
LRESULT accessible_with_borrowed_text(HWND control, WPARAM wParam, LPARAM lParam, HWND lender,
                                      BorrowedText what, LONG role = 0);
// True when the system's own accessible object of the control is named after `label`.
bool system_names_after(HWND control, HWND label);
// True when `name` is what the system reads from the label `label`: the same text without
// mnemonic marks and a colon at the end.
bool is_label_name(const std::wstring& name, const std::wstring& label);
// Tells screen readers that a note's text changed: its name changed, and it is a polite live
// region whose content changed, where the system knows live regions.
void announce_note(HWND note);

// A control of a page and the text that explains it.
struct ControlHelp {
    int control;
    uint32_t text;
};

// The help popups of a page: the mouse resting two page-timer ticks on a control that has
// help opens its popup, and moving off closes it; F1 opens the focused control's popup, and
// moving the focus off closes it. The page closes it when it is left.
class PageHelp {
public:
    PageHelp(const ControlHelp* texts, size_t count) : m_texts(texts), m_count(count) {}
    // One tick of the page timer.
    void Tick(HWND page);
    // F1: false when the focused control has no help.
    bool ShowForFocus(HWND page);
    void Close();

private:
    static constexpr int kRestTicks = 2;
    uint32_t TextFor(HWND page, HWND control) const;
    void Show(HWND page, HWND control, uint32_t text, bool by_keyboard);

    const ControlHelp* m_texts;
    size_t m_count;
    POINT m_lastCursor = {-1, -1};
    int m_stillTicks = 0;
    HWND m_control = nullptr;  // the control whose popup is open
    HWND m_window = nullptr;
    bool m_byKeyboard = false;
};

// Screen mode, resolution, aspect, quality and rendering options.
class CDisplayPage : public CPropertyPage {
public:
    CDisplayPage();

    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;
    void OnOK() override;

    DECLARE_MESSAGE_MAP()

private:
    void FillResolutions(bool want_full_screen, bool use_given, int32_t given_width, int32_t given_height);
    void UpdateScreenModeRadios();
    void OnSelchangeResolution();
    void OnScreenMode();
    void OnQuality();
    LRESULT OnTimer(WPARAM, LPARAM);
    LRESULT OnHelpRequest(WPARAM, LPARAM);

    int CheckedTier() const;
    bool SelectedMode(Resolution& mode) const;
    static Resolution ScreenSize();

    std::vector<Resolution> m_offeredModes;
    PageHelp m_help;
};

// How the pages open a control panel: the shell's ShellExecuteW unless a test puts its
// own in to watch the call.
using ShellExecuteCall = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
extern ShellExecuteCall g_shell_execute;

// UDP port, UPnP, voice chat and the sound control panel. The page keeps no state of its
// own: it shows the settings record and writes it back on OK.
class COnlinePage : public CPropertyPage {
public:
    COnlinePage();

    BOOL OnInitDialog() override;
    void OnOK() override;

    DECLARE_MESSAGE_MAP()

private:
    void OnAutoPort();
    void OnUpnp();
    void OnVoiceChat();
    void OnSoundProperties();
    void OnVoiceTest();
    LRESULT OnHelpRequest(WPARAM, LPARAM);

    // The port edit is enabled exactly when Auto is not checked.
    void ApplyAutoRule();
    // The sound and voice test buttons are enabled exactly when voice chat is checked.
    void ApplyVoiceRule();
};

// The lowest and highest port OK stores; anything else keeps the previous port.
constexpr UINT kLowestUdpPort = 1025;
constexpr UINT kHighestUdpPort = 65534;

namespace nrv {
namespace audio {
class pcm_input_device;
class pcm_output_device;
}  // namespace audio
}  // namespace nrv

// The voice device test: plays the default voice-capture device back through the default
// voice-playback device until closed. When no format works on both, it shows the failure
// message and closes by itself. It owns both devices while it is open.
class CVoiceDlg : public CDialog {
public:
    CVoiceDlg();
    ~CVoiceDlg() override;

    BOOL OnInitDialog() override;

    // The devices in use; null before initialisation and after a failure.
    nrv::audio::pcm_input_device* CaptureDevice() const { return m_capture; }
    nrv::audio::pcm_output_device* PlaybackDevice() const { return m_playback; }

    DECLARE_MESSAGE_MAP()

private:
    LRESULT OnTimer(WPARAM, LPARAM);
    LRESULT OnHelpRequest(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);
    // Deletes both devices, stopping and closing them first.
    void ReleaseDevices();

    nrv::audio::pcm_input_device* m_capture = nullptr;
    nrv::audio::pcm_output_device* m_playback = nullptr;
};

#endif  // _WIN32
