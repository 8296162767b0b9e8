// The voice test dialog, opened the way the Online page's hidden button would. With a sound
// server it negotiates a format and runs until closed; without one (a separate run of this
// program, see CMakeLists.txt) it shows the failure message and closes by itself.
#include "nrv/audio/audio.h"
#include "pages/pages.h"
#include "res/resource.h"
#include "support/own_texts.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs `step` on every tick of a thread timer until it returns true or time runs out;
// modal loops of dialogs and message boxes dispatch the ticks.
class TimerScript {
public:
    explicit TimerScript(std::function<bool()> step) {
        s_step = std::move(step);
        s_ticks = 0;
        m_timer = SetTimer(nullptr, 0, 50, &TimerScript::tick);
    }
    ~TimerScript() { KillTimer(nullptr, m_timer); }
    static int ticks() { return s_ticks; }

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
        if (!s_step) return;
        // Ten seconds at most, then give up so that the test fails instead of hanging.
        if (++s_ticks > 200 || s_step()) s_step = nullptr;
    }
    static std::function<bool()> s_step;
    static int s_ticks;
    UINT_PTR m_timer = 0;
};
std::function<bool()> TimerScript::s_step;
int TimerScript::s_ticks = 0;

struct WindowSearch {
    const std::function<bool(HWND)>* match;
    HWND found;
};

BOOL CALLBACK match_window(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    if (!(*search->match)(window)) return TRUE;
    search->found = window;
    return FALSE;
}

// The first top-level window of this thread that `match` accepts.
HWND find_thread_window(const std::function<bool(HWND)>& match) {
    WindowSearch search = {&match, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), &match_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The icon control of the system's message box dialog.
constexpr int kMessageBoxIcon = 0x440;

HWND find_voice_dialog() {
    return find_thread_window([](HWND window) { return GetDlgItem(window, IDC_VOICE_LINE_1) != nullptr; });
}

bool voice_devices_present() {
    nrv::audio::pcm_output_device_dx8 output;
    nrv::audio::pcm_input_device_dx8 input;
    nrv::audio::pcm_format_set formats;
    return output.enum_formats(formats) && input.enum_formats(formats);
}

TEST(VoiceDialog, PlaysCaptureBackInTheLowestCommonFormatUntilClosed) {
    if (!voice_devices_present()) GTEST_SKIP() << "no voice devices (is a sound server running?)";

    CVoiceDlg dialog;
    uint32_t channels = 0, rate = 0, bits = 0;
    bool format_known = false;
    HWND message_box = nullptr;
    LONG_PTR style = 0;
    LRESULT help_answer = 0;
    TimerScript script([&] {
        HWND window = find_voice_dialog();
        if (!window || !IsWindowVisible(window)) return false;
        message_box =
            find_thread_window([&](HWND w) { return w != window && GetWindow(w, GW_OWNER) == window; });
        format_known =
            dialog.PlaybackDevice() && dialog.PlaybackDevice()->get_format(&channels, &rate, &bits);
        style = GetWindowLongPtrW(window, GWL_STYLE);
        HELPINFO info = {};
        info.cbSize = sizeof info;
        // Answered as handled; the dialog manager's default would answer 0.
        help_answer = SendMessageW(window, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(message_box, nullptr);
    ASSERT_TRUE(format_known);
    EXPECT_EQ(channels, 1u);
    EXPECT_EQ(rate, 11025u);
    EXPECT_EQ(bits, 8u);
    EXPECT_EQ(style & WS_CAPTION, 0);
    EXPECT_EQ(help_answer, TRUE) << "F1 must be swallowed";
    // The devices live until the dialog object goes.
    EXPECT_NE(dialog.CaptureDevice(), nullptr);
    EXPECT_NE(dialog.PlaybackDevice(), nullptr);
}

// Run only where the voice devices cannot be opened.
TEST(VoiceDialogWithoutSound, ShowsTheFailureMessageAndCloses) {
    ASSERT_FALSE(voice_devices_present()) << "this run must have no sound server or no DirectSound";

    ASSERT_TRUE(test_support::load_own_texts());
    CVoiceDlg dialog;
    HWND message_box = nullptr;
    wchar_t caption[256] = {};
    wchar_t message[512] = {};
    HICON icon = nullptr;
    bool devices_released = false;
    bool dialog_shown = true;
    TimerScript script([&] {
        HWND window = find_voice_dialog();
        if (!window) return false;
        message_box =
            find_thread_window([&](HWND w) { return w != window && GetWindow(w, GW_OWNER) == window; });
        if (!message_box) return false;
        GetWindowTextW(message_box, caption, 256);
        GetDlgItemTextW(message_box, 0xFFFF, message, 512);
        icon = reinterpret_cast<HICON>(SendDlgItemMessageW(message_box, kMessageBoxIcon, STM_GETICON, 0, 0));
        devices_released = !dialog.CaptureDevice() && !dialog.PlaybackDevice();
        dialog_shown = IsWindowVisible(window) != FALSE;
        PostMessageW(message_box, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    ASSERT_NE(message_box, nullptr) << "no failure message within " << TimerScript::ticks() << " ticks";
    EXPECT_EQ(std::wstring(caption), text_w(73));
    EXPECT_EQ(std::wstring(message), text_w(77));
    EXPECT_FALSE(text_w(77).empty());
    EXPECT_EQ(icon, LoadIconW(nullptr, IDI_HAND)) << "the error icon";
    EXPECT_TRUE(devices_released) << "the devices go before the message is shown";
    EXPECT_FALSE(dialog_shown);
}

}  // namespace
