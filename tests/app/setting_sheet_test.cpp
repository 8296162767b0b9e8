#include "app/app.h"
#include "nrv/peripheral/peripheral.h"
#include "probe/probe.h"
#include "support/own_texts.h"
#include "support/sheet_script.h"

#include <gtest/gtest.h>

#include <dbt.h>

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

// Counts the device enumerations that the sheet and its pages ask for.
class CountingManager : public nrv::peripheral::input_dx8 {
public:
    bool refresh_devices() override {
        ++refreshes;
        return input_dx8::refresh_devices();
    }
    int refreshes = 0;
};

class ManagerInPlace {
public:
    explicit ManagerInPlace(nrv::peripheral::input_dx8* manager) { g_input_manager = manager; }
    ~ManagerInPlace() { g_input_manager = nullptr; }
    ManagerInPlace(const ManagerInPlace&) = delete;
    ManagerInPlace& operator=(const ManagerInPlace&) = delete;
};

// The sheet hands WM_DEVICECHANGE on: a burst of HID arrivals, and then a removal, each
// enumerate the devices once, the Controller page shown included.
TEST(SettingSheet, DeviceArrivalsAndRemovalsEnumerateTheDevicesOnce) {
    CountingManager manager;
    ManagerInPlace in_place(&manager);
    CSettingSheet sheet(false);
    test_support::run_sheet(sheet, [&](HWND window) {
        SendMessageW(window, PSM_SETCURSEL, 2, 0);  // the Controller page
        DEV_BROADCAST_DEVICEINTERFACE_W record = {};
        record.dbcc_size = sizeof record;
        record.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        record.dbcc_classguid = nrv::peripheral::hid_interface_class;
        const struct {
            WPARAM event;
            int notifications;
        } changes[] = {{DBT_DEVICEARRIVAL, 3}, {DBT_DEVICEREMOVECOMPLETE, 1}};
        for (const auto& change : changes) {
            const int before = manager.refreshes;
            for (int n = 0; n < change.notifications; ++n)
                SendMessageW(window, WM_DEVICECHANGE, change.event, reinterpret_cast<LPARAM>(&record));
            test_support::pump_messages(600);
            EXPECT_EQ(manager.refreshes - before, 1) << "event " << change.event;
        }
        SendMessageW(window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
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
