#include "nrv/audio/audio.h"

#include <algorithm>
#include <cstring>

namespace nrv {
namespace audio {

pcm_input_device::~pcm_input_device() = default;

bool pcm_input_device::enum_formats(pcm_format_set&) {
    return false;
}
bool pcm_input_device::open(uint32_t, uint32_t, uint32_t) {
    return false;
}
bool pcm_input_device::close() {
    return false;
}
bool pcm_input_device::start() {
    return false;
}
bool pcm_input_device::stop() {
    return false;
}
uint32_t pcm_input_device::read(void*, uint32_t) {
    return 0;
}
uint32_t pcm_input_device::get_latency() {
    return 0;
}
bool pcm_input_device::get_format(uint32_t*, uint32_t*, uint32_t*) {
    return false;
}

pcm_output_device::~pcm_output_device() = default;

bool pcm_output_device::enum_formats(pcm_format_set&) {
    return false;
}
bool pcm_output_device::open(uint32_t, uint32_t, uint32_t) {
    return false;
}
bool pcm_output_device::close() {
    return false;
}
bool pcm_output_device::start() {
    return false;
}
bool pcm_output_device::stop() {
    return false;
}
bool pcm_output_device::get_format(uint32_t*, uint32_t*, uint32_t*) {
    return false;
}

uint32_t pcm_output_device::write(const void* data, uint32_t count) {
    uint32_t size = 0;
    void* block = lock_block(&size);
    if (!block) return 0;
    const uint64_t base = get_block_position();
    if (m_writePosition < base || m_writePosition > base + size) m_writePosition = base;
    const uint32_t offset = static_cast<uint32_t>(m_writePosition - base);
    const uint32_t written = data ? std::min(count, size - offset) : 0;
    if (written) std::memcpy(static_cast<uint8_t*>(block) + offset, data, written);
    m_writePosition += written;
    unlock_block(block);
    return written;
}

bool open_common_format(pcm_output_device& output, pcm_input_device& input, pcm_format* chosen) {
    pcm_format_set playable;
    pcm_format_set recordable;
    output.enum_formats(playable);
    input.enum_formats(recordable);
    for (const pcm_format& format : common_formats(playable, recordable)) {
        if (output.open(format.channels, format.rate, format.bits) &&
            input.open(format.channels, format.rate, format.bits)) {
            if (chosen) *chosen = format;
            return true;
        }
        output.close();
        input.close();
    }
    return false;
}

void pump_capture_to_playback(pcm_input_device& input, pcm_output_device& output) {
    uint8_t buffer[4096];
    for (;;) {
        const uint32_t captured = input.read(buffer, sizeof buffer);
        if (captured == 0) break;
        output.write(buffer, captured);
    }
}

}  // namespace audio
}  // namespace nrv
