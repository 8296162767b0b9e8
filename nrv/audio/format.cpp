#include "nrv/audio/audio.h"

#include <algorithm>
#include <iterator>

namespace nrv {
namespace audio {

namespace {

constexpr uint32_t kCaptureRates[] = {11025, 22050, 44100, 48000, 96000};
constexpr uint32_t kPlaybackRates[] = {8000, 11025, 22050, 44100, 48000, 96000};

// Within one rate, in key order.
constexpr pcm_format kLayouts[] = {{1, 8, 0}, {2, 8, 0}, {1, 16, 0}, {2, 16, 0}};

uint32_t capture_format_bit(uint32_t rate_group, uint32_t channels, uint32_t bits) {
    return channels << (4 * rate_group + (bits == 16 ? 2 : 0));
}

bool playback_supports(uint32_t flags, uint32_t channels, uint32_t bits) {
    const uint32_t channel_flag = channels == 1 ? kPlaybackMono : kPlaybackStereo;
    const uint32_t depth_flag = bits == 8 ? kPlayback8Bit : kPlayback16Bit;
    return (flags & channel_flag) && (flags & depth_flag);
}

}  // namespace

bool is_valid_format(const pcm_format& format) {
    return (format.channels == 1 || format.channels == 2) && (format.bits == 8 || format.bits == 16) &&
           format.rate >= kMinSampleRate && format.rate <= kMaxSampleRate;
}

uint32_t frame_bytes(const pcm_format& format) {
    return format.channels * (format.bits / 8);
}

uint32_t bytes_per_second(const pcm_format& format) {
    return format.rate * frame_bytes(format);
}

uint8_t silence_byte(uint32_t bits) {
    return bits == 8 ? 0x80 : 0x00;
}

void capture_formats(uint32_t format_mask, pcm_format_set& formats) {
    formats.clear();
    for (uint32_t group = 0; group < std::size(kCaptureRates); ++group) {
        for (const pcm_format& layout : kLayouts) {
            if (format_mask & capture_format_bit(group, layout.channels, layout.bits))
                formats.insert({layout.channels, layout.bits, kCaptureRates[group]});
        }
    }
}

void playback_formats(const playback_caps& caps, pcm_format_set& formats) {
    formats.clear();
    for (uint32_t rate : kPlaybackRates) {
        if (rate < caps.min_rate || rate > caps.max_rate) continue;
        for (const pcm_format& layout : kLayouts) {
            if (playback_supports(caps.flags, layout.channels, layout.bits))
                formats.insert({layout.channels, layout.bits, rate});
        }
    }
}

pcm_format_set common_formats(const pcm_format_set& a, const pcm_format_set& b) {
    pcm_format_set both;
    std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::inserter(both, both.end()),
                          pcm_format_less());
    return both;
}

uint32_t quarter_block_bytes(uint32_t buffer_bytes, uint32_t frame_size) {
    const uint32_t quarter = buffer_bytes / 4;
    return frame_size ? quarter - quarter % frame_size : quarter;
}

std::array<uint32_t, 4> notification_offsets(uint32_t block_bytes) {
    return {0, block_bytes, 2 * block_bytes, 3 * block_bytes};
}

uint32_t next_block_offset(uint32_t write_cursor, uint32_t block_bytes) {
    if (block_bytes == 0) return 0;
    const uint32_t block = std::min<uint32_t>(write_cursor / block_bytes, 3);
    return block_bytes * ((block + 1) % 4);
}

}  // namespace audio
}  // namespace nrv
