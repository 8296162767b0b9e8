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

namespace {

// DPI_AWARENESS_CONTEXT_UNAWARE.
const HANDLE kUnawareContext = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));

bool system_runs_on_wine() {
    // Wine's ntdll exports its version.
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

HANDLE WINAPI system_set_thread_dpi_awareness_context(HANDLE context) {
    using Fn = HANDLE(WINAPI*)(HANDLE);
    static const auto set_context = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
    return set_context ? set_context(context) : nullptr;
}

HRESULT WINAPI system_dwm_is_composition_enabled(BOOL* enabled) {
    // Windows XP has no desktop window manager; the library stays loaded once asked for.
    using Fn = HRESULT(WINAPI*)(BOOL*);
    static const auto is_enabled = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        GetProcAddress(load_system_library(L"dwmapi.dll"), "DwmIsCompositionEnabled")));
    return is_enabled ? is_enabled(enabled) : E_NOTIMPL;
}

int32_t system_dpi_scaling_setting() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\DWM", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return -1;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    const LSTATUS status =
        RegQueryValueExW(key, L"UseDpiScaling", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return -1;
    return value != 0 ? 1 : 0;
}

}  // namespace

RunsOnWineQuery g_runs_on_wine = &system_runs_on_wine;
SetThreadDpiAwarenessContextCall g_set_thread_dpi_awareness_context =
    &system_set_thread_dpi_awareness_context;
GetSystemMetricsCall g_get_system_metrics = &GetSystemMetrics;
DwmIsCompositionEnabledCall g_dwm_is_composition_enabled = &system_dwm_is_composition_enabled;
DpiScalingSettingQuery g_dpi_scaling_setting = &system_dpi_scaling_setting;
WindowsVersionQuery g_windows_version = &windows_version;

UnawareDesktopFacts unaware_desktop_facts() {
    UnawareDesktopFacts facts = {};
    facts.real = real_screen_size();
    facts.dpi = system_dpi();
    facts.wine = g_runs_on_wine();
    if (facts.wine) return facts;
    // The thread's own awareness goes back at once; the pages never see the switch.
    if (const HANDLE previous = g_set_thread_dpi_awareness_context(kUnawareContext)) {
        facts.measured = {g_get_system_metrics(SM_CXSCREEN), g_get_system_metrics(SM_CYSCREEN)};
        g_set_thread_dpi_awareness_context(previous);
        facts.measured_known = true;
        return facts;
    }
    BOOL composition = FALSE;
    facts.composition_on = SUCCEEDED(g_dwm_is_composition_enabled(&composition)) && composition;
    facts.dpi_scaling_setting = g_dpi_scaling_setting();
    // Windows 8.1 is 6.3; an unreadable version counts as the older systems.
    DWORD major = 0;
    DWORD minor = 0;
    facts.xp_style_offered = !g_windows_version(major, minor) || major < 6 || (major == 6 && minor < 3);
    return facts;
}

Resolution game_desktop_size() {
    return unaware_desktop_size(unaware_desktop_facts());
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
