// The hardware probe and the quality tiers: what the primary display adapter can show and
// how capable it is, measured once at start-up, and which picture-quality tier (0 low,
// 1 medium, 2 high) the machine can run.
//
// Everything above the Windows section is plain code over the probe values and builds
// natively; the probes themselves talk to Direct3D 8, Direct3D 9, DirectDraw and GDI.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <vector>

// --- Resolutions --------------------------------------------------------------------------

struct Resolution {
    int32_t width;
    int32_t height;
};

// The order of resolutions: width * 65535 + height, so by width first, then height. It is
// formed in 64 bits, so that sizes a driver reports cannot overflow it.
int64_t mode_key(const Resolution& resolution);

struct ModeKeyLess {
    bool operator()(const Resolution& a, const Resolution& b) const { return mode_key(a) < mode_key(b); }
};

// A set of resolutions without duplicates, in ascending key order.
using ResolutionSet = std::set<Resolution, ModeKeyLess>;

// The resolutions the game can use, in ascending key order.
constexpr int kResolutionTableSize = 19;
constexpr std::array<Resolution, kResolutionTableSize> resolution_table = {{
    {640, 480},   {720, 480},   {800, 600},   {960, 600},   {960, 720},   {1024, 768},  {1280, 720},
    {1280, 768},  {1280, 800},  {1280, 960},  {1280, 1024}, {1366, 768},  {1400, 1050}, {1600, 900},
    {1600, 1200}, {1920, 1080}, {1920, 1200}, {2048, 1536}, {2560, 1600},
}};

// --- Probe results ------------------------------------------------------------------------

// The two sets the mode probe fills: every table resolution the Display page may offer, and
// the table resolutions the adapter can show in full screen.
struct DisplayModeSets {
    ResolutionSet listed;
    ResolutionSet fullscreen;
};

// One display mode as the adapter lists it; format is a Direct3D format number.
struct AdapterMode {
    int32_t width;
    int32_t height;
    uint32_t format;
};

// What the adapter probe measures. Every value stays 0 when its query fails.
struct HardwareInfo {
    float vertex_shader_version = 0;  // major + minor * 0.1
    float pixel_shader_version = 0;
    uint32_t DeclTypes = 0;  // Direct3D 9 vertex declaration types; bit 0 is UBYTE4
    int32_t video_memory_bytes = 0;
    int32_t desktop_width = 0;  // the screen's real pixels, whatever the scale
    int32_t desktop_height = 0;
    int32_t desktop_bpp = 0;
};

// The process-wide results, filled by the probes at start-up.
DisplayModeSets& display_mode_sets();
HardwareInfo& hardware_info();

// The resolutions the Display page may offer; empty when Direct3D 8 was not available.
const ResolutionSet& listed_modes();
// The full-screen resolutions. An empty set gets 640 x 480 first, so it never reads empty.
const ResolutionSet& fullscreen_modes();

Resolution desktop_size();
int32_t desktop_width();
int32_t desktop_height();

// What the system answers about the desktop a program without DPI awareness (such as the
// game) is shown, gathered by the probe and turned into a size by unaware_desktop_size.
struct UnawareDesktopFacts {
    Resolution real;  // the screen's own pixels
    int32_t dpi;      // the system DPI; below 96 (or unknown, 0) counts as 96
    bool wine;        // Wine shows such programs the real desktop at any DPI
    // Windows 10 1607 and later: the size read with the thread switched to no awareness,
    // which is what the game gets whatever the history of the session and its screens.
    bool measured_known;
    Resolution measured;
    // Vista, 7 and 8: the system scales such programs only with desktop composition on and
    // its DPI scaling chosen, which is the default above 120 DPI (the DWM setting
    // UseDpiScaling: 1 on, 0 off, -1 not set). 8.1 and 10 before 1607 offer no XP-style
    // scaling: they scale such programs above 96 DPI.
    bool composition_on;
    int32_t dpi_scaling_setting;
    bool xp_style_offered;
};

// The desktop size the game sees: the measured one where known, otherwise the real size,
// divided by the scale (dpi / 96, rounded to the nearest pixel) only where the system
// scales such programs.
Resolution unaware_desktop_size(const UnawareDesktopFacts& facts);

// The 16- and 32-bit formats a full-screen mode may use: A8R8G8B8, X8R8G8B8, R5G6B5,
// X1R5G5B5, A1R5G5B5, A4R4G4B4 and X4R4G4B4.
bool is_accepted_mode_format(uint32_t format);

// Puts the whole resolution table into sets.listed, and into sets.fullscreen every table
// resolution that the adapter lists in an accepted format and the desktop modes list too.
// Running it again with the same modes changes nothing.
void record_display_modes(const std::vector<AdapterMode>& adapter_modes, const ResolutionSet& desktop_modes,
                          DisplayModeSets& sets);

// A Direct3D shader version word (major in bits 8 to 15, minor in bits 0 to 7) as
// major + minor * 0.1, with 0.1 taken in single precision and the sum in double.
float shader_version(uint32_t version_word);

// The driver's video memory plus the desktop's share, (bpp / 4) bytes per desktop pixel.
// The sum saturates at the limits of a 32-bit count instead of wrapping.
int32_t estimated_video_memory(uint32_t driver_total_bytes, int32_t desktop_bpp, int32_t desktop_width,
                               int32_t desktop_height);

// --- Quality tiers ------------------------------------------------------------------------

constexpr int kTierCount = 3;

// 0 to 5 from the smaller of the two shader versions: below 1, exactly 1, between 1 and 2,
// exactly 2, between 2 and 3, 3 or more. The comparisons are exact float comparisons.
int shader_level(const HardwareInfo& info);
// Video memory in units of 1,000,000 bytes, truncated.
int video_memory_mb(const HardwareInfo& info);
// False for any tier but 0, 1 and 2.
bool can_run_tier(const HardwareInfo& info, int tier);
// 0 when tier 0 or tier 1 cannot run, otherwise 2 when tier 2 can run, otherwise 1.
int highest_runnable_tier(const HardwareInfo& info);

// The same over the process-wide probe results.
int shader_level();
int video_memory_mb();
bool can_run_tier(int tier);
int highest_runnable_tier();

// The largest resolution a tier may use with this much video memory (in units of
// 1,000,000 bytes). Callers compare it with a candidate by pixel count.
Resolution max_resolution_for(int tier, int memory_mb);

// --- The probes (Windows) -----------------------------------------------------------------
#ifdef _WIN32
#include <windows.h>

struct IDirect3D8;
struct IDirect3D9;
struct IDirectDraw;

// Fills the process-wide mode sets through Direct3D 8 and EnumDisplaySettingsW. Without
// Direct3D 8 the sets stay as they are.
void probe_display_modes();
// Fills the process-wide hardware info through Direct3D 9, DirectDraw and GDI.
void probe_adapter();

// The pieces of the probes, each over the object it asks, so that tests can hand in their
// own implementations of the interfaces.

// The primary screen's real size in pixels (DESKTOPHORZRES, DESKTOPVERTRES), which GDI
// gives whether the tool is DPI-aware or not.
Resolution real_screen_size();
// The system's DPI: that of the primary screen when the session started.
int32_t system_dpi();
// The system's answers unaware_desktop_size needs, asked through the calls below.
UnawareDesktopFacts unaware_desktop_facts();
// The desktop the game sees on this machine, read afresh.
Resolution game_desktop_size();

// The system calls behind unaware_desktop_facts, which tests replace to play another system.
// Functions that not every system has are loaded at run time: without them the first gives
// null, the third E_NOTIMPL.
using RunsOnWineQuery = bool (*)();
using SetThreadDpiAwarenessContextCall = HANDLE(WINAPI*)(HANDLE context);
using GetSystemMetricsCall = int(WINAPI*)(int index);
using DwmIsCompositionEnabledCall = HRESULT(WINAPI*)(BOOL* enabled);
using DpiScalingSettingQuery = int32_t (*)();
// The running Windows version (GetVersionExW, which the manifest lets tell 8.1 and 10); false
// when it cannot be read.
using WindowsVersionQuery = bool (*)(DWORD& major, DWORD& minor);
extern RunsOnWineQuery g_runs_on_wine;
extern SetThreadDpiAwarenessContextCall g_set_thread_dpi_awareness_context;
extern GetSystemMetricsCall g_get_system_metrics;
extern DwmIsCompositionEnabledCall g_dwm_is_composition_enabled;
extern DpiScalingSettingQuery g_dpi_scaling_setting;
extern WindowsVersionQuery g_windows_version;

// The sizes EnumDisplaySettingsW lists for the primary display, at any depth or rate.
ResolutionSet desktop_display_modes();
// Adds adapter 0's modes to sets (see record_display_modes); a mode that cannot be
// enumerated is skipped. A null d3d leaves the sets as they are.
void collect_display_modes(IDirect3D8* d3d, const ResolutionSet& desktop_modes, DisplayModeSets& sets);
// Sets both shader versions to 0, then fills them and DeclTypes from the HAL caps of
// adapter 0 when they can be read. A null d3d leaves info as it is.
void read_adapter_caps(IDirect3D9* d3d, HardwareInfo& info);
// Direct3D 9's share of probe_adapter: read_adapter_caps over the system's Direct3D 9.
// Without Direct3D 9, info keeps its earlier caps.
void probe_adapter_caps(HardwareInfo& info);
// The total video memory of the DirectDraw driver; false when the caps cannot be read.
bool driver_video_memory(IDirectDraw* ddraw, uint32_t& total_bytes);

#endif
