// Game controllers plugged in or pulled out while the sheet runs. The input manager
// registers the sheet window for arrivals and removals of HID interfaces; the sheet hands
// each WM_DEVICECHANGE here.
#include "pages/controller/internal.h"

#include "nrv/peripheral/peripheral.h"

#include <commctrl.h>
#include <dbt.h>

namespace {

constexpr UINT_PTR kDeviceChangeTimer = 0x4443;  // on the sheet window, beside pad navigation's
// One pad coming or going sends several notifications within a few milliseconds.
constexpr UINT kSettleMs = 250;

}  // namespace

bool is_hid_interface_change(WPARAM event, LPARAM data) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return false;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (!header || header->dbch_size < sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) ||
        header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
        return false;
    const auto* interface_change = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(data);
    return IsEqualGUID(interface_change->dbcc_classguid, nrv::peripheral::hid_interface_class) != FALSE;
}

namespace {

void CALLBACK on_devices_settled(HWND sheet, UINT, UINT_PTR timer, DWORD) {
    KillTimer(sheet, timer);
    if (g_input_manager) g_input_manager->refresh_devices();
    HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    if (page) SendMessageW(page, kDevicesChangedMessage, 0, 0);
    SendMessageW(sheet, kDevicesChangedMessage, 0, 0);  // its pad navigation
}

}  // namespace

LRESULT on_device_change(HWND sheet, WPARAM event, LPARAM data) {
    // Setting the timer again restarts it: the refresh follows the last notification.
    if (is_hid_interface_change(event, data))
        SetTimer(sheet, kDeviceChangeTimer, kSettleMs, &on_devices_settled);
    return TRUE;
}
