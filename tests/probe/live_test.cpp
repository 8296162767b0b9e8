// The real probes on this machine: Wine under the 1280 x 1024 Xvfb screen of the test
// session. Run once as the machine is and once with Direct3D and DirectDraw switched off.
#include "probe/probe.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

bool exported(const wchar_t* library, const char* function) {
    HMODULE module = LoadLibraryW(library);
    if (!module) return false;
    const bool found = GetProcAddress(module, function) != nullptr;
    FreeLibrary(module);
    return found;
}

bool has_direct3d8() {
    return exported(L"d3d8.dll", "Direct3DCreate8");
}

bool contains(const ResolutionSet& set, int32_t width, int32_t height) {
    return set.count({width, height}) != 0;
}

void expect_test_session_desktop() {
    EXPECT_EQ(desktop_width(), 1280);
    EXPECT_EQ(desktop_height(), 1024);
    EXPECT_GT(hardware_info().desktop_bpp, 0);
}

TEST(LiveProbe, MeasuresThisMachine) {
    if (!has_direct3d8()) GTEST_SKIP() << "no Direct3D 8 here";
    probe_display_modes();
    probe_adapter();

    expect_test_session_desktop();
    EXPECT_EQ(listed_modes().size(), static_cast<size_t>(kResolutionTableSize));
    // Xvfb offers its screen size as the one display mode, and it is a table resolution.
    EXPECT_TRUE(contains(fullscreen_modes(), 1280, 1024));

    const HardwareInfo& info = hardware_info();
    if (info.vertex_shader_version == 0) {
        GTEST_SKIP() << "Direct3D 9 reports no HAL caps here (no OpenGL?)";
    }
    EXPECT_GT(info.pixel_shader_version, 0.0f);
    // Wine's DirectDraw reports nearly 4 GB; held as a count it must not turn negative.
    EXPECT_GT(info.video_memory_bytes, 0);
    EXPECT_GE(video_memory_mb(), 64);
    // The session's software renderer reports shader 3.0 and UBYTE4 vertices, and the
    // memory is above 256 MB: every tier runs here.
    EXPECT_EQ(shader_level(), 5);
    EXPECT_NE(info.DeclTypes & 1u, 0u);
    EXPECT_EQ(highest_runnable_tier(), 2);
}

// Run only with Direct3D 8, Direct3D 9 and DirectDraw switched off (see CMakeLists.txt).
TEST(ProbeWithoutDirectX, FallsBackAndStillMeasuresTheDesktop) {
    ASSERT_FALSE(has_direct3d8()) << "this run must have Direct3D 8 switched off";
    ASSERT_FALSE(exported(L"d3d9.dll", "Direct3DCreate9")) << "this run must have Direct3D 9 switched off";
    ASSERT_FALSE(exported(L"ddraw.dll", "DirectDrawCreate")) << "this run must have DirectDraw switched off";
    probe_display_modes();
    probe_adapter();

    EXPECT_TRUE(listed_modes().empty());
    EXPECT_EQ(fullscreen_modes().size(), 1u);
    EXPECT_TRUE(contains(fullscreen_modes(), 640, 480));
    expect_test_session_desktop();

    const HardwareInfo& info = hardware_info();
    EXPECT_EQ(info.vertex_shader_version, 0.0f);
    EXPECT_EQ(info.pixel_shader_version, 0.0f);
    EXPECT_EQ(info.DeclTypes, 0u);
    EXPECT_FALSE(can_run_tier(0));
    EXPECT_EQ(highest_runnable_tier(), 0);
    // Without DirectDraw the memory is estimated from the desktop.
    EXPECT_EQ(info.video_memory_bytes, info.desktop_bpp / 4 * 1280 * 1024);
}

}  // namespace
