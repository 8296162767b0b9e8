// Feeds arbitrary bytes to the zlib decompressor; whatever it accepts must pass its check.
#include "nrv/storage/storage.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t kLimit = 1u << 20;
    std::vector<uint8_t> out;
    const bool accepted = nrv::storage::inflate_zlib(data, size, kLimit, out);
    if (!accepted && !out.empty()) __builtin_trap();
    if (out.size() > kLimit) __builtin_trap();
    return 0;
}
