// The hardware probe and the quality tiers. (Placeholder surface until the probe lands.)
#pragma once

#include <cstdint>

void probe_display_modes();
void probe_adapter();
bool can_run_tier(int tier);
int highest_runnable_tier();
int32_t desktop_width();
int32_t desktop_height();
