#include "app/app.h"
#include "e2e/driver.h"
#include "nrv/peripheral/peripheral.h"
#include "probe/probe.h"
#include "support/own_texts.h"
#include "support/sheet_script.h"
#include "text/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

// Start-up has just probed the display modes; the sheet asks the adapter again only when
// told to (after the below-minimum warning, while which the display may have changed).
TEST(SettingSheet, ProbesTheDisplayModesAgainOnlyWhenAsked) {
    display_mode_sets() = {};
    { CSettingSheet sheet(false, nullptr); }
    EXPECT_TRUE(display_mode_sets().listed.empty()) << "the start-up probe's modes are used as they are";

    { CSettingSheet sheet(true, nullptr); }
    EXPECT_FALSE(display_mode_sets().listed.empty()) << "the adapter was asked again";
}

}  // namespace

namespace {

// The box for a settings file that cannot be read or written names the file, then why.
TEST(FileErrorText, NamesTheFullPathOnItsOwnLineThenTheReasonOrTheCode) {
    ASSERT_TRUE(test_support::load_own_texts());
    const std::wstring path = L"C:\\Docs\\Kestrane\\Calcora\\settings.dat";
    const std::wstring text = file_error_text(path, ERROR_PATH_NOT_FOUND);
    ASSERT_EQ(text.compare(0, path.size() + 2, path + L"\n\n"), 0) << text;
    EXPECT_GT(text.size(), path.size() + 2) << "the system's reason follows";
    EXPECT_EQ(text.find(L"0x"), std::wstring::npos) << "no bare code where the system has a text";

    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    const std::wstring full = std::wstring(current) + L"\\Kestrane\\settings.dat\n\n";
    EXPECT_EQ(
        file_error_text(L".\\Kestrane\\settings.dat", ERROR_PATH_NOT_FOUND).compare(0, full.size(), full), 0)
        << "a relative path is shown in full";

    // A code the system has no text for is shown in decimal and hexadecimal.
    EXPECT_EQ(file_error_text(path, 0x2000ABCD), path + L"\n\nError 536914893 (0x2000ABCD)");
    ASSERT_TRUE(test_support::load_own_texts("fr", "FR"));
    EXPECT_EQ(file_error_text(path, 0x2000ABCD), path + L"\n\nErreur 536914893 (0x2000ABCD)");
    test_support::load_own_texts();
}

// A handheld's screen as Proton shows it: 1280 x 800 at 96 DPI.
constexpr SIZE kHandheldScreen = {1280, 800};
constexpr int kSmallestReadableText = 9;

bool fits_handheld(SIZE size) {
    return size.cx <= kHandheldScreen.cx && size.cy <= kHandheldScreen.cy;
}

// The height of the characters (the em, without the font's internal leading) that the
// window writes in; a window without a font of its own writes in the system font.
int character_height(HWND window) {
    const auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    HDC dc = GetDC(window);
    HGDIOBJ previous = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(window, dc);
    return metrics.tmHeight - metrics.tmInternalLeading;
}

// The smallest character height of the window and its visible controls.
int smallest_text(HWND window) {
    int height = character_height(window);
    for (HWND control : e2e::child_windows(window)) {
        if (IsWindowVisible(control)) height = std::min(height, character_height(control));
    }
    return height;
}

INT_PTR CALLBACK template_only(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// The sheet, each of its pages shown in turn, and the dialogs that open over it fit the
// screen whole, and none of them writes smaller than the smallest readable text.
TEST(HandheldScreen, TheSheetAndItsDialogsFitWithReadableText) {
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
    ReleaseDC(nullptr, screen);
    ASSERT_TRUE(test_support::load_own_texts("de", "DE"));
    CSettingSheet sheet(false, nullptr);
    test_support::run_sheet(sheet, [](HWND window) {
        for (int page = 0; page < 4; ++page) {
            SendMessageW(window, PSM_SETCURSEL, page, 0);
            test_support::pump_messages(100);
            EXPECT_TRUE(fits_handheld(test_support::window_size(window))) << "page " << page;
            EXPECT_GE(smallest_text(window), kSmallestReadableText) << "page " << page;
        }
        for (int id : {IDD_CAPTURE, IDD_VOICE_TEST, IDD_PAD_CHOICE}) {
            HWND dialog =
                CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), window, template_only, 0);
            ASSERT_TRUE(dialog) << "dialog " << id;
            ShowWindow(dialog, SW_SHOWNA);
            EXPECT_TRUE(fits_handheld(test_support::window_size(dialog))) << "dialog " << id;
            EXPECT_GE(smallest_text(dialog), kSmallestReadableText) << "dialog " << id;
            DestroyWindow(dialog);
        }
        SendMessageW(window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    test_support::load_own_texts();
}

// The texts of every message box the tool shows, in the language loaded now; the file
// boxes name a settings file deep in a handheld's Proton prefix.
std::vector<std::wstring> message_box_texts() {
    const std::wstring path = L"C:\\users\\steamuser\\Documents\\Kestrane\\Calcora\\settings.dat";
    const std::wstring file_error = file_error_text(path, ERROR_ACCESS_DENIED);
    return {
        text_w(kBelowMinimumText),
        text_w(kQualityRefusedText),
        text_w(kXInputRefusedText),
        text_w(kSoundFailedText),
        text_w(kDiscardChangesText),
        file_error + L"\n\n" + text_w(kCancelKeepsUnreadFileText),
        file_error + L"\n\n" + text_w(kStillUnreadableText),
        file_notice_text(path, text_w(kReplaceUnreadFileText)),
    };
}

// Every message box fits the screen whole in the language that makes it longest. (Each
// box is shown once: Wine takes two seconds to take one down without a window manager.)
TEST(HandheldScreen, EveryMessageBoxFitsInItsLongestLanguage) {
    std::vector<std::wstring> longest;
    for (const auto& language :
         {std::pair{"en", "GB"}, {"fr", "FR"}, {"de", "DE"}, {"it", "IT"}, {"es", "ES"}, {"pt", "PT"}}) {
        ASSERT_TRUE(test_support::load_own_texts(language.first, language.second));
        const std::vector<std::wstring> texts = message_box_texts();
        longest.resize(texts.size());
        for (size_t box = 0; box < texts.size(); ++box) {
            if (texts[box].size() > longest[box].size()) longest[box] = texts[box];
        }
    }
    for (const std::wstring& text : longest) {
        test_support::MessageBoxAnswerer answerer;
        MessageBoxW(nullptr, text.c_str(), L"Calcora", MB_ICONWARNING | MB_OKCANCEL);
        ASSERT_EQ(test_support::MessageBoxAnswerer::count(), 1);
        const SIZE size = test_support::MessageBoxAnswerer::last_size();
        EXPECT_TRUE(fits_handheld(size))
            << size.cx << " x " << size.cy << " for "
            << std::string(text.begin(), text.begin() + std::min<size_t>(text.size(), 40));
    }
    test_support::load_own_texts();
}

}  // namespace
