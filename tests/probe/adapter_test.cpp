// The adapter probe over a Direct3D 9 and a DirectDraw of the test's own.
#include "probe/probe.h"
#include "support/replace.h"

#include <gtest/gtest.h>
#include <d3d9.h>
#include <ddraw.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

// Reports the given caps for the HAL device of adapter 0, or fails with result.
class FakeDirect3D9 : public IDirect3D9 {
public:
    D3DCAPS9 caps = {};
    HRESULT result = D3D_OK;

    STDMETHOD(QueryInterface)(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return 2; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    STDMETHOD(RegisterSoftwareDevice)(void*) override { return E_NOTIMPL; }
    STDMETHOD_(UINT, GetAdapterCount)() override { return 1; }
    STDMETHOD(GetAdapterIdentifier)(UINT, DWORD, D3DADAPTER_IDENTIFIER9*) override { return E_NOTIMPL; }
    STDMETHOD_(UINT, GetAdapterModeCount)(UINT, D3DFORMAT) override { return 0; }
    STDMETHOD(EnumAdapterModes)(UINT, D3DFORMAT, UINT, D3DDISPLAYMODE*) override { return E_NOTIMPL; }
    STDMETHOD(GetAdapterDisplayMode)(UINT, D3DDISPLAYMODE*) override { return E_NOTIMPL; }
    STDMETHOD(CheckDeviceType)(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, WINBOOL) override { return E_NOTIMPL; }
    STDMETHOD(CheckDeviceFormat)(UINT, D3DDEVTYPE, D3DFORMAT, DWORD, D3DRESOURCETYPE, D3DFORMAT) override {
        return E_NOTIMPL;
    }
    STDMETHOD(CheckDeviceMultiSampleType)
    (UINT, D3DDEVTYPE, D3DFORMAT, WINBOOL, D3DMULTISAMPLE_TYPE, DWORD*) override { return E_NOTIMPL; }
    STDMETHOD(CheckDepthStencilMatch)(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT) override {
        return E_NOTIMPL;
    }
    STDMETHOD(CheckDeviceFormatConversion)(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT) override {
        return E_NOTIMPL;
    }
    STDMETHOD(GetDeviceCaps)(UINT adapter, D3DDEVTYPE type, D3DCAPS9* out) override {
        if (adapter != 0 || type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
        if (FAILED(result)) return result;
        *out = caps;
        return D3D_OK;
    }
    STDMETHOD_(HMONITOR, GetAdapterMonitor)(UINT) override { return nullptr; }
    STDMETHOD(CreateDevice)
    (UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*, IDirect3DDevice9**) override { return E_NOTIMPL; }
};

// Answers GetCaps like a driver: only caps structures of the DirectDraw 7 size, zero-filled
// but for their size, are accepted.
class FakeDirectDraw : public IDirectDraw {
public:
    DWORD video_memory = 0;
    HRESULT result = DD_OK;

    static bool fresh_caps(const DDCAPS* caps) {
        if (!caps || caps->dwSize != 380) return false;
        DDCAPS zero = {};
        zero.dwSize = 380;
        return std::memcmp(caps, &zero, sizeof zero) == 0;
    }

    STDMETHOD(QueryInterface)(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return 2; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    STDMETHOD(Compact)() override { return E_NOTIMPL; }
    STDMETHOD(CreateClipper)(DWORD, LPDIRECTDRAWCLIPPER*, IUnknown*) override { return E_NOTIMPL; }
    STDMETHOD(CreatePalette)(DWORD, LPPALETTEENTRY, LPDIRECTDRAWPALETTE*, IUnknown*) override {
        return E_NOTIMPL;
    }
    STDMETHOD(CreateSurface)(LPDDSURFACEDESC, LPDIRECTDRAWSURFACE*, IUnknown*) override { return E_NOTIMPL; }
    STDMETHOD(DuplicateSurface)(LPDIRECTDRAWSURFACE, LPDIRECTDRAWSURFACE*) override { return E_NOTIMPL; }
    STDMETHOD(EnumDisplayModes)(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMMODESCALLBACK) override {
        return E_NOTIMPL;
    }
    STDMETHOD(EnumSurfaces)(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMSURFACESCALLBACK) override {
        return E_NOTIMPL;
    }
    STDMETHOD(FlipToGDISurface)() override { return E_NOTIMPL; }
    STDMETHOD(GetCaps)(LPDDCAPS driver, LPDDCAPS emulation) override {
        if (!fresh_caps(driver) || !fresh_caps(emulation)) return DDERR_INVALIDPARAMS;
        if (FAILED(result)) return result;
        driver->dwVidMemTotal = video_memory;
        emulation->dwVidMemTotal = 1;
        return DD_OK;
    }
    STDMETHOD(GetDisplayMode)(LPDDSURFACEDESC) override { return E_NOTIMPL; }
    STDMETHOD(GetFourCCCodes)(LPDWORD, LPDWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetGDISurface)(LPDIRECTDRAWSURFACE*) override { return E_NOTIMPL; }
    STDMETHOD(GetMonitorFrequency)(LPDWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetScanLine)(LPDWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetVerticalBlankStatus)(WINBOOL*) override { return E_NOTIMPL; }
    STDMETHOD(Initialize)(GUID*) override { return E_NOTIMPL; }
    STDMETHOD(RestoreDisplayMode)() override { return E_NOTIMPL; }
    STDMETHOD(SetCooperativeLevel)(HWND, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(SetDisplayMode)(DWORD, DWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(WaitForVerticalBlank)(DWORD, HANDLE) override { return E_NOTIMPL; }
};

HardwareInfo earlier_values() {
    HardwareInfo info;
    info.vertex_shader_version = 9;
    info.pixel_shader_version = 9;
    info.DeclTypes = 0x7;
    return info;
}

TEST(AdapterCaps, ReadsShaderVersionsAndDeclTypesOfTheHalDevice) {
    struct Case {
        DWORD vertex, pixel, decl_types;
        float vertex_version, pixel_version;
    } cases[] = {
        {0x0101, 0x0300, 0x0, 1.1f, 3.0f},
        {D3DVS_VERSION(1, 1), D3DPS_VERSION(1, 1), 0x0, 1.1f, 1.1f},
        {D3DVS_VERSION(2, 0), D3DPS_VERSION(2, 0), 0x1, 2.0f, 2.0f},
        {D3DVS_VERSION(3, 0), D3DPS_VERSION(2, 0), 0x30F, 3.0f, 2.0f},
        {D3DVS_VERSION(3, 0), D3DPS_VERSION(3, 0), 0x30F, 3.0f, 3.0f},
    };
    for (const Case& c : cases) {
        FakeDirect3D9 d3d;
        d3d.caps.VertexShaderVersion = c.vertex;
        d3d.caps.PixelShaderVersion = c.pixel;
        d3d.caps.DeclTypes = c.decl_types;
        HardwareInfo info = earlier_values();
        read_adapter_caps(&d3d, info);
        EXPECT_EQ(info.vertex_shader_version, c.vertex_version) << std::hex << c.vertex;
        EXPECT_EQ(info.pixel_shader_version, c.pixel_version) << std::hex << c.pixel;
        EXPECT_EQ(info.DeclTypes, c.decl_types);
    }
}

TEST(AdapterCaps, FailedCapsLeaveTheVersionsAtZero) {
    FakeDirect3D9 d3d;
    d3d.result = D3DERR_NOTAVAILABLE;
    HardwareInfo info = earlier_values();
    read_adapter_caps(&d3d, info);
    EXPECT_EQ(info.vertex_shader_version, 0.0f);
    EXPECT_EQ(info.pixel_shader_version, 0.0f);
    EXPECT_EQ(shader_level(info), 0);

    // Without Direct3D 9 the earlier values stay.
    HardwareInfo untouched = earlier_values();
    read_adapter_caps(nullptr, untouched);
    EXPECT_EQ(untouched.vertex_shader_version, 9.0f);
    EXPECT_EQ(untouched.DeclTypes, 0x7u);
}

TEST(DriverVideoMemory, ReadsTheDriverTotalFromFreshCaps) {
    struct Case {
        DWORD total;
        HRESULT result;
        bool read;
    } cases[] = {
        {120000000, DD_OK, true},
        {0xFFB00000, DD_OK, true},  // Wine's answer, nearly 4 GB
        {0, DD_OK, true},
        {120000000, DDERR_GENERIC, false},
    };
    for (const Case& c : cases) {
        FakeDirectDraw ddraw;
        ddraw.video_memory = c.total;
        ddraw.result = c.result;
        uint32_t total = 0;
        EXPECT_EQ(driver_video_memory(&ddraw, total), c.read) << c.total;
        EXPECT_EQ(total, c.read ? c.total : 0u) << c.total;
    }
    uint32_t total = 5;
    EXPECT_FALSE(driver_video_memory(nullptr, total));
}

}  // namespace

// The desktop the game sees, asked of a system the test plays: Windows 10 answers through a
// thread switched to no DPI awareness, older Windows through desktop composition and its
// scaling setting, Wine not at all.
namespace played_system {

const HANDLE kUnaware = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));
const HANDLE kPerMonitorV2 = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4));
bool wine = false;
bool has_thread_awareness = true;
HANDLE thread_context = kPerMonitorV2;
std::vector<std::string> calls;
HRESULT composition_result = S_OK;
BOOL composition = TRUE;
int32_t setting = -1;

bool runs_on_wine() {
    return wine;
}
HANDLE WINAPI set_thread_context(HANDLE context) {
    if (!has_thread_awareness) return nullptr;
    calls.push_back(context == kUnaware ? "unaware" : "back");
    return std::exchange(thread_context, context);
}
int WINAPI metrics(int index) {
    calls.push_back(index == SM_CXSCREEN ? "width" : "height");
    // A 1920 x 1080 screen at 175 %: only a thread without awareness sees it scaled.
    const bool unaware = thread_context == kUnaware;
    return index == SM_CXSCREEN ? (unaware ? 1097 : 1920) : (unaware ? 617 : 1080);
}
HRESULT WINAPI is_composition_enabled(BOOL* enabled) {
    calls.push_back("composition");
    *enabled = composition;
    return composition_result;
}
DWORD version_major = 6;
DWORD version_minor = 1;
bool version_readable = true;
bool windows_version(DWORD& major, DWORD& minor) {
    major = version_major;
    minor = version_minor;
    return version_readable;
}
int32_t scaling_setting() {
    calls.push_back("setting");
    return setting;
}

}  // namespace played_system

std::pair<int32_t, int32_t> size_of(const Resolution& size) {
    return {size.width, size.height};
}

class UnawareDesktopProbe : public testing::Test {
protected:
    void SetUp() override {
        played_system::wine = false;
        played_system::has_thread_awareness = true;
        played_system::thread_context = played_system::kPerMonitorV2;
        played_system::calls.clear();
        played_system::composition_result = S_OK;
        played_system::composition = TRUE;
        played_system::setting = -1;
        played_system::version_major = 6;
        played_system::version_minor = 1;
        played_system::version_readable = true;
    }

    test_support::Replaced<RunsOnWineQuery> m_wine{g_runs_on_wine, &played_system::runs_on_wine};
    test_support::Replaced<SetThreadDpiAwarenessContextCall> m_context{g_set_thread_dpi_awareness_context,
                                                                       &played_system::set_thread_context};
    test_support::Replaced<GetSystemMetricsCall> m_metrics{g_get_system_metrics, &played_system::metrics};
    test_support::Replaced<DwmIsCompositionEnabledCall> m_composition{g_dwm_is_composition_enabled,
                                                                      &played_system::is_composition_enabled};
    test_support::Replaced<DpiScalingSettingQuery> m_setting{g_dpi_scaling_setting,
                                                             &played_system::scaling_setting};
    test_support::Replaced<WindowsVersionQuery> m_version{g_windows_version, &played_system::windows_version};
};

TEST_F(UnawareDesktopProbe, Windows10MeasuresWithTheThreadUnawareAndSwitchesBack) {
    const Resolution seen = game_desktop_size();
    EXPECT_EQ(seen.width, 1097);
    EXPECT_EQ(seen.height, 617);
    EXPECT_EQ(played_system::calls, (std::vector<std::string>{"unaware", "width", "height", "back"}));
    EXPECT_EQ(played_system::thread_context, played_system::kPerMonitorV2);
}

TEST_F(UnawareDesktopProbe, OlderWindowsIsAskedForCompositionAndItsSetting) {
    played_system::has_thread_awareness = false;
    played_system::setting = 1;
    UnawareDesktopFacts facts = unaware_desktop_facts();
    EXPECT_FALSE(facts.measured_known);
    EXPECT_TRUE(facts.composition_on);
    EXPECT_EQ(facts.dpi_scaling_setting, 1);
    EXPECT_EQ(played_system::calls, (std::vector<std::string>{"composition", "setting"}));

    // Composition off, or no desktop window manager at all (Windows XP).
    played_system::composition = FALSE;
    EXPECT_FALSE(unaware_desktop_facts().composition_on);
    played_system::composition = TRUE;
    played_system::composition_result = E_NOTIMPL;
    facts = unaware_desktop_facts();
    EXPECT_FALSE(facts.composition_on);
    EXPECT_EQ(size_of(game_desktop_size()), size_of(real_screen_size()));
}

// Vista, 7 and 8 offer XP-style scaling, which leaves the game unscaled at 125 % while the
// setting is not chosen; 8.1 (6.3) and 10 before 1607 scale it above 96 DPI.
TEST_F(UnawareDesktopProbe, OnlyVista7And8OfferXpStyleScaling) {
    played_system::has_thread_awareness = false;
    struct Row {
        const char* system;
        DWORD major, minor;
        bool readable;
        bool xp_style_offered;
        Resolution seen_at_125;
    };
    // clang-format off
    const Row rows[] = {
        {"Vista",           6,  0, true,  true,  {1920, 1080}},
        {"7",               6,  1, true,  true,  {1920, 1080}},
        {"8",               6,  2, true,  true,  {1920, 1080}},
        {"8.1",             6,  3, true,  false, {1536, 864}},
        {"10 before 1607", 10,  0, true,  false, {1536, 864}},
        {"unreadable",     10,  0, false, true,  {1920, 1080}},
    };
    // clang-format on
    for (const Row& row : rows) {
        played_system::version_major = row.major;
        played_system::version_minor = row.minor;
        played_system::version_readable = row.readable;
        UnawareDesktopFacts facts = unaware_desktop_facts();
        EXPECT_EQ(facts.xp_style_offered, row.xp_style_offered) << row.system;
        facts.real = {1920, 1080};
        facts.dpi = 120;
        EXPECT_EQ(size_of(unaware_desktop_size(facts)), size_of(row.seen_at_125)) << row.system;
    }
}

TEST_F(UnawareDesktopProbe, WineIsNotAskedAndGivesTheRealDesktop) {
    played_system::wine = true;
    EXPECT_EQ(size_of(game_desktop_size()), size_of(real_screen_size()));
    EXPECT_TRUE(played_system::calls.empty());
}
