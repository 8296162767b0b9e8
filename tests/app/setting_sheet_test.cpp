#include "app/app.h"
#include "probe/probe.h"
#include "support/own_texts.h"

#include <gtest/gtest.h>

namespace {

// Start-up has just probed the display modes; the sheet asks the adapter again only when
// told to (after the below-minimum warning, while which the display may have changed).
TEST(SettingSheet, ProbesTheDisplayModesAgainOnlyWhenAsked) {
    display_mode_sets() = {};
    { CSettingSheet sheet(false); }
    EXPECT_TRUE(display_mode_sets().listed.empty()) << "the start-up probe's modes are used as they are";

    { CSettingSheet sheet(true); }
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

}  // namespace
