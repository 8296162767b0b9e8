// Feeds arbitrary bytes to the BMP reader and works every image it accepts.
#include "nrv/graphic/graphic.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <istream>
#include <sstream>
#include <string>

using nrv::graphic::image_dib;

namespace {

bool load(image_dib& image, const void* data, size_t size) {
    nrv::storage::memory_streambuf buffer(data, static_cast<int32_t>(size));
    std::istream in(&buffer);
    return image.load(in);
}

// 64 KB of pixels with a header and a 256-colour palette: the controller picture's size.
constexpr size_t kMaxInput = (1u << 16) + 2048;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInput) return 0;
    image_dib image;
    if (!load(image, data, size)) return 0;

    // An accepted file's pixels lie inside it.
    if (image.header().biSizeImage > size) __builtin_trap();

    // Every pixel reads, and a 32-bit copy reproduces each colour.
    image_dib canvas;
    if (!canvas.create(image.width(), image.height(), 32) || !canvas.copy_from(image)) __builtin_trap();
    const int32_t w = image.width(), h = image.height();
    for (int32_t y = 0; y < h; y += 1 + h / 16)
        for (int32_t x = 0; x < w; x += 1 + w / 16)
            if (canvas.get_pixel(x, y) != image.get_pixel(x, y)) __builtin_trap();

    // What is saved loads back to the same pixels.
    std::ostringstream out;
    if (!image.save(out)) __builtin_trap();
    const std::string file = out.str();
    image_dib again;
    if (!load(again, file.data(), file.size())) __builtin_trap();
    if (again.header().biSizeImage != image.header().biSizeImage ||
        std::memcmp(again.bits(), image.bits(), image.header().biSizeImage) != 0)
        __builtin_trap();
    return 0;
}
