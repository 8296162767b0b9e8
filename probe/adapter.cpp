// The adapter probe: Direct3D 9 caps, DirectDraw's video memory and the desktop from GDI.
#include "probe/probe.h"

#include "nrv/win32/win32.h"

#include <ddraw.h>

namespace {

// The DirectDraw 7 caps structure; the driver is asked with its size set.
constexpr DWORD kDirectDrawCapsSize = 380;
static_assert(sizeof(DDCAPS) == kDirectDrawCapsSize, "DirectDraw caps are 380 bytes");

using DirectDrawCreateFn = HRESULT(WINAPI*)(GUID*, IDirectDraw**, IUnknown*);

uint32_t probe_video_memory() {
    UniqueModule library(load_library_as_game_does(L"ddraw.dll"));
    const auto create = library.proc<DirectDrawCreateFn>("DirectDrawCreate");
    if (!create) return 0;
    ComPtr<IDirectDraw> ddraw;
    if (FAILED(create(nullptr, ddraw.put(), nullptr)) || !ddraw) return 0;
    uint32_t total = 0;
    return driver_video_memory(ddraw.get(), total) ? total : 0;
}

int screen_caps(int index) {
    HDC screen = GetDC(nullptr);
    if (!screen) return 0;
    const int value = GetDeviceCaps(screen, index);
    ReleaseDC(nullptr, screen);
    return value;
}

void probe_desktop(HardwareInfo& info) {
    const Resolution real = real_screen_size();
    info.desktop_width = real.width;
    info.desktop_height = real.height;
    info.desktop_bpp = screen_caps(BITSPIXEL);
}

}  // namespace

Resolution real_screen_size() {
    // HORZRES and VERTRES are the scaled-down size on a scaled screen when the process is
    // not DPI-aware (1097 x 617 for 1920 x 1080 at 175 %); these are the screen's pixels.
    return {screen_caps(DESKTOPHORZRES), screen_caps(DESKTOPVERTRES)};
}

int32_t system_dpi() {
    return screen_caps(LOGPIXELSY);
}

UnawareDesktop unaware_desktop_rule() {
    // Wine's ntdll exports its version; Wine shows programs without DPI awareness the real
    // desktop, where Windows scales it down for them.
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const bool wine = ntdll && GetProcAddress(ntdll, "wine_get_version");
    return wine ? UnawareDesktop::Real : UnawareDesktop::Scaled;
}

Resolution game_desktop_size() {
    return unaware_desktop_size(real_screen_size(), system_dpi(), unaware_desktop_rule());
}

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
