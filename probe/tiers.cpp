// Which picture-quality tiers the probed hardware can run.
#include "probe/probe.h"

#include <algorithm>

namespace {

struct TierRequirement {
    int shader_level;
    bool needs_ubyte4;
    int memory_mb;
};

constexpr TierRequirement kTierRequirements[kTierCount] = {
    {1, false, 64},
    {3, true, 128},
    {5, true, 256},
};

constexpr uint32_t kDeclTypeUByte4 = 0x1;

constexpr Resolution kResolutionLimits[] = {{720, 480}, {1280, 720}, {1920, 1200}};

// Per tier: the memory from which the larger limit applies, and the limits below and above.
struct ResolutionLimitRule {
    int memory_mb;
    int index_below;
    int index_from;
};

constexpr ResolutionLimitRule kResolutionLimitRules[kTierCount] = {
    {128, 0, 1},
    {256, 1, 2},
    {512, 1, 2},
};

}  // namespace

int shader_level(const HardwareInfo& info) {
    const float m = std::min(info.vertex_shader_version, info.pixel_shader_version);
    if (m < 1.0f) return 0;
    if (m == 1.0f) return 1;
    if (m < 2.0f) return 2;
    if (m == 2.0f) return 3;
    if (m < 3.0f) return 4;
    return 5;
}

int video_memory_mb(const HardwareInfo& info) {
    return info.video_memory_bytes / 1000000;
}

bool can_run_tier(const HardwareInfo& info, int tier) {
    if (tier < 0 || tier >= kTierCount) return false;
    const TierRequirement& need = kTierRequirements[tier];
    if (shader_level(info) < need.shader_level) return false;
    if (need.needs_ubyte4 && !(info.DeclTypes & kDeclTypeUByte4)) return false;
    return video_memory_mb(info) >= need.memory_mb;
}

int highest_runnable_tier(const HardwareInfo& info) {
    // Tiers are tried from the lowest and the search stops at the first that fails, so a
    // machine that runs none still answers 0.
    if (!can_run_tier(info, 0) || !can_run_tier(info, 1)) return 0;
    return can_run_tier(info, 2) ? 2 : 1;
}

int shader_level() {
    return shader_level(hardware_info());
}

int video_memory_mb() {
    return video_memory_mb(hardware_info());
}

bool can_run_tier(int tier) {
    return can_run_tier(hardware_info(), tier);
}

int highest_runnable_tier() {
    return highest_runnable_tier(hardware_info());
}

Resolution max_resolution_for(int tier, int memory_mb) {
    // Only tiers 0 to 2 have a rule; anything else gets the smallest limit.
    if (tier < 0 || tier >= kTierCount) return kResolutionLimits[0];
    const ResolutionLimitRule& rule = kResolutionLimitRules[tier];
    return kResolutionLimits[memory_mb < rule.memory_mb ? rule.index_below : rule.index_from];
}
