#include "probe/probe.h"

#include <windows.h>

namespace {
int32_t g_desktop_width = 640;
int32_t g_desktop_height = 480;
}  // namespace

void probe_display_modes() {}
void probe_adapter() {
    g_desktop_width = GetSystemMetrics(SM_CXSCREEN);
    g_desktop_height = GetSystemMetrics(SM_CYSCREEN);
}
bool can_run_tier(int) {
    return true;
}
int highest_runnable_tier() {
    return 0;
}
int32_t desktop_width() {
    return g_desktop_width;
}
int32_t desktop_height() {
    return g_desktop_height;
}
