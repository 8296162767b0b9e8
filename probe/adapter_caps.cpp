// Shader versions and vertex declaration types from Direct3D 9. Kept apart from the mode
// probe because d3d8.h and d3d9.h cannot share a translation unit.
#include "probe/probe.h"

#include "nrv/win32/win32.h"

#include <d3d9.h>

namespace {

constexpr UINT kDirect3D9SdkVersion = 32;

using Direct3DCreate9Fn = IDirect3D9*(WINAPI*)(UINT);

}  // namespace

void read_adapter_caps(IDirect3D9* d3d, HardwareInfo& info) {
    if (!d3d) return;
    info.vertex_shader_version = 0;
    info.pixel_shader_version = 0;
    D3DCAPS9 caps = {};
    if (FAILED(d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps))) return;
    info.vertex_shader_version = shader_version(caps.VertexShaderVersion);
    info.pixel_shader_version = shader_version(caps.PixelShaderVersion);
    info.DeclTypes = caps.DeclTypes;
}

void probe_adapter_caps(HardwareInfo& info) {
    UniqueModule library(load_library_as_game_does(L"d3d9.dll"));
    const auto create = library.proc<Direct3DCreate9Fn>("Direct3DCreate9");
    if (!create) return;
    ComPtr<IDirect3D9> d3d;
    d3d.attach(create(kDirect3D9SdkVersion));
    read_adapter_caps(d3d.get(), info);
}
