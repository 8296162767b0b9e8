// The mode probe: which table resolutions the primary adapter can show in full screen,
// from Direct3D 8's adapter modes and the display settings the system lists.
#include "probe/probe.h"

#include "nrv/win32/win32.h"

#include <d3d8.h>

namespace {

constexpr UINT kDirect3D8SdkVersion = 220;

using Direct3DCreate8Fn = IDirect3D8*(WINAPI*)(UINT);

std::vector<AdapterMode> adapter_modes(IDirect3D8* d3d) {
    std::vector<AdapterMode> modes;
    const UINT count = d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT);
    for (UINT index = 0; index < count; ++index) {
        D3DDISPLAYMODE mode = {};
        if (FAILED(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, index, &mode))) continue;
        modes.push_back({static_cast<int32_t>(mode.Width), static_cast<int32_t>(mode.Height),
                         static_cast<uint32_t>(mode.Format)});
    }
    return modes;
}

}  // namespace

ResolutionSet desktop_display_modes() {
    ResolutionSet modes;
    DEVMODEW mode = {};
    mode.dmSize = sizeof mode;
    for (DWORD index = 0; EnumDisplaySettingsW(nullptr, index, &mode); ++index) {
        modes.insert({static_cast<int32_t>(mode.dmPelsWidth), static_cast<int32_t>(mode.dmPelsHeight)});
        mode.dmSize = sizeof mode;
    }
    return modes;
}

void collect_display_modes(IDirect3D8* d3d, const ResolutionSet& desktop_modes, DisplayModeSets& sets) {
    if (!d3d) return;
    record_display_modes(adapter_modes(d3d), desktop_modes, sets);
}

void probe_display_modes() {
    // Loaded at run time: a machine without Direct3D 8 still runs the tool, without modes.
    UniqueModule library(load_library_as_game_does(L"d3d8.dll"));
    const auto create = library.proc<Direct3DCreate8Fn>("Direct3DCreate8");
    if (!create) return;
    ComPtr<IDirect3D8> d3d;
    d3d.attach(create(kDirect3D8SdkVersion));
    if (!d3d) return;
    collect_display_modes(d3d.get(), desktop_display_modes(), display_mode_sets());
}
