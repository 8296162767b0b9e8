// The adapter probe: Direct3D 9 caps, DirectDraw's video memory and the desktop from GDI.
#include "probe/probe.h"

#include "framework/framework.h"

#include <ddraw.h>

namespace {

// The DirectDraw 7 caps structure; the driver is asked with its size set.
constexpr DWORD kDirectDrawCapsSize = 380;
static_assert(sizeof(DDCAPS) == kDirectDrawCapsSize, "DirectDraw caps are 380 bytes");

using DirectDrawCreateFn = HRESULT(WINAPI*)(GUID*, IDirectDraw**, IUnknown*);

uint32_t probe_video_memory() {
    UniqueModule library(LoadLibraryW(L"ddraw.dll"));
    const auto create = library.proc<DirectDrawCreateFn>("DirectDrawCreate");
    if (!create) return 0;
    ComPtr<IDirectDraw> ddraw;
    if (FAILED(create(nullptr, ddraw.put(), nullptr)) || !ddraw) return 0;
    uint32_t total = 0;
    return driver_video_memory(ddraw.get(), total) ? total : 0;
}

void probe_desktop(HardwareInfo& info) {
    HDC screen = GetDC(nullptr);
    if (!screen) return;
    info.desktop_width = GetDeviceCaps(screen, HORZRES);
    info.desktop_height = GetDeviceCaps(screen, VERTRES);
    info.desktop_bpp = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
}

}  // namespace

bool driver_video_memory(IDirectDraw* ddraw, uint32_t& total_bytes) {
    if (!ddraw) return false;
    DDCAPS driver = {};
    DDCAPS emulation = {};
    driver.dwSize = kDirectDrawCapsSize;
    emulation.dwSize = kDirectDrawCapsSize;
    if (FAILED(ddraw->GetCaps(&driver, &emulation))) return false;
    total_bytes = driver.dwVidMemTotal;
    return true;
}

void probe_adapter() {
    HardwareInfo& info = hardware_info();
    probe_adapter_caps(info);
    const uint32_t driver_total = probe_video_memory();
    probe_desktop(info);
    info.video_memory_bytes =
        estimated_video_memory(driver_total, info.desktop_bpp, info.desktop_width, info.desktop_height);
}
