// The mode probe over a Direct3D 8 of the test's own.
#include "probe/probe.h"

#include <gtest/gtest.h>
#include <d3d8.h>

#include <set>
#include <utility>
#include <vector>

namespace {

// Adapter 0 lists the given modes; the enumeration of the modes at the failing indices fails.
class FakeDirect3D8 : public IDirect3D8 {
public:
    std::vector<D3DDISPLAYMODE> modes;
    std::set<UINT> failing;
    ULONG references = 1;

    STDMETHOD(QueryInterface)(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++references; }
    STDMETHOD_(ULONG, Release)() override { return --references; }
    STDMETHOD(RegisterSoftwareDevice)(void*) override { return E_NOTIMPL; }
    STDMETHOD_(UINT, GetAdapterCount)() override { return 1; }
    STDMETHOD(GetAdapterIdentifier)(UINT, DWORD, D3DADAPTER_IDENTIFIER8*) override { return E_NOTIMPL; }
    STDMETHOD_(UINT, GetAdapterModeCount)(UINT adapter) override {
        return adapter == 0 ? static_cast<UINT>(modes.size()) : 0;
    }
    STDMETHOD(EnumAdapterModes)(UINT adapter, UINT index, D3DDISPLAYMODE* mode) override {
        if (adapter != 0 || index >= modes.size() || failing.count(index)) return D3DERR_INVALIDCALL;
        *mode = modes[index];
        return D3D_OK;
    }
    STDMETHOD(GetAdapterDisplayMode)(UINT, D3DDISPLAYMODE*) override { return E_NOTIMPL; }
    STDMETHOD(CheckDeviceType)(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, WINBOOL) override { return E_NOTIMPL; }
    STDMETHOD(CheckDeviceFormat)(UINT, D3DDEVTYPE, D3DFORMAT, DWORD, D3DRESOURCETYPE, D3DFORMAT) override {
        return E_NOTIMPL;
    }
    STDMETHOD(CheckDeviceMultiSampleType)
    (UINT, D3DDEVTYPE, D3DFORMAT, WINBOOL, D3DMULTISAMPLE_TYPE) override { return E_NOTIMPL; }
    STDMETHOD(CheckDepthStencilMatch)(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT) override {
        return E_NOTIMPL;
    }
    STDMETHOD(GetDeviceCaps)(UINT, D3DDEVTYPE, D3DCAPS8*) override { return E_NOTIMPL; }
    STDMETHOD_(HMONITOR, GetAdapterMonitor)(UINT) override { return nullptr; }
    STDMETHOD(CreateDevice)
    (UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*, IDirect3DDevice8**) override { return E_NOTIMPL; }
};

using Sizes = std::vector<std::pair<int32_t, int32_t>>;

Sizes sizes_of(const ResolutionSet& set) {
    Sizes sizes;
    for (const Resolution& r : set) sizes.emplace_back(r.width, r.height);
    return sizes;
}

Sizes table_sizes() {
    Sizes sizes;
    for (const Resolution& r : resolution_table) sizes.emplace_back(r.width, r.height);
    return sizes;
}

D3DDISPLAYMODE mode(UINT width, UINT height, D3DFORMAT format) {
    return {width, height, 60, format};
}

TEST(ModeProbe, KeepsTableModesTheAdapterAndTheDesktopBothListIn16Or32Bits) {
    FakeDirect3D8 d3d;
    d3d.modes = {
        mode(640, 480, D3DFMT_X8R8G8B8),
        mode(640, 480, D3DFMT_R5G6B5),  // one size, two depths
        mode(800, 600, D3DFMT_X1R5G5B5),
        mode(1920, 1080, D3DFMT_R8G8B8),  // 24-bit only
        mode(1024, 768, D3DFMT_X8R8G8B8),
        mode(1152, 864, D3DFMT_X8R8G8B8),  // not on the desktop; not in the table
        mode(1280, 720, D3DFMT_X4R4G4B4),
        mode(1366, 768, D3DFMT_X8R8G8B8),  // 1366 x 768 fails to enumerate
        mode(1280, 1024, D3DFMT_A8R8G8B8),
        mode(1600, 900, D3DFMT_A8R3G3B2),  // an 8-bit format
        mode(1600, 1200, D3DFMT_A4R4G4B4),
        mode(2560, 1600, D3DFMT_A1R5G5B5),
    };
    d3d.failing = {7};
    const ResolutionSet desktop = {{640, 480},   {800, 600},   {1920, 1080}, {1152, 864},
                                   {1280, 720},  {1366, 768},  {1280, 1024}, {1600, 900},
                                   {1600, 1200}, {2560, 1600}, {1680, 1050}};

    DisplayModeSets sets;
    collect_display_modes(&d3d, desktop, sets);
    EXPECT_EQ(sizes_of(sets.listed), table_sizes());
    const Sizes fullscreen = {{640, 480}, {800, 600}, {1280, 720}, {1280, 1024}, {1600, 1200}, {2560, 1600}};
    EXPECT_EQ(sizes_of(sets.fullscreen), fullscreen);

    // The sheet probes again; the sets stay as they are.
    collect_display_modes(&d3d, desktop, sets);
    EXPECT_EQ(sizes_of(sets.listed), table_sizes());
    EXPECT_EQ(sizes_of(sets.fullscreen), fullscreen);
    EXPECT_EQ(d3d.references, 1u);
}

TEST(ModeProbe, WithoutAdapterModesOnly640x480IsOffered) {
    FakeDirect3D8 d3d;
    DisplayModeSets sets;
    collect_display_modes(&d3d, {{1280, 1024}}, sets);
    EXPECT_EQ(sizes_of(sets.listed), table_sizes());
    EXPECT_TRUE(sets.fullscreen.empty());

    // No Direct3D 8 at all: nothing changes.
    DisplayModeSets untouched;
    collect_display_modes(nullptr, {{1280, 1024}}, untouched);
    EXPECT_TRUE(untouched.listed.empty());

    // The process-wide full-screen set never reads empty.
    display_mode_sets() = DisplayModeSets{};
    EXPECT_EQ(sizes_of(fullscreen_modes()), (Sizes{{640, 480}}));
    display_mode_sets().fullscreen = {{1280, 1024}};
    EXPECT_EQ(sizes_of(fullscreen_modes()), (Sizes{{1280, 1024}}));
    display_mode_sets() = DisplayModeSets{};
}

}  // namespace
