// Feeds arbitrary bytes to the settings-file check.
#include "settings/settings.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (settings_bytes_valid(data, size)) {
        // A file that passes must carry its own checksum.
        SettingsRecord record;
        __builtin_memcpy(&record, data, sizeof record);
        if (record.checksum != settings_checksum(record)) __builtin_trap();
    }
    return 0;
}
