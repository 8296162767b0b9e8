// Bitmap images of the support library: an in-memory device-independent bitmap that is
// created at a size and depth, loaded from and saved to a BMP file stream, read and
// written pixel by pixel, and handed to GDI for drawing. Portable: no windows.h here.
#pragma once

#include "nrv/storage/storage.h"

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>

namespace nrv {
namespace graphic {

// A colour in the memory order of an RGBQUAD. Colours read from inside an image always
// carry alpha 255.
struct colour {
    uint8_t blue;
    uint8_t green;
    uint8_t red;
    uint8_t alpha;
};

inline bool operator==(const colour& a, const colour& b) {
    return a.blue == b.blue && a.green == b.green && a.red == b.red && a.alpha == b.alpha;
}
inline bool operator!=(const colour& a, const colour& b) {
    return !(a == b);
}

// The 40-byte BITMAPINFOHEADER, field for field.
struct bitmap_info_header {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};

// A palette entry as GDI reads it (RGBQUAD): blue, green, red, reserved.
struct palette_entry {
    uint8_t rgbBlue;
    uint8_t rgbGreen;
    uint8_t rgbRed;
    uint8_t rgbReserved;
};

// The BITMAPINFO handed to GDI: the header followed by the palette. Room for the largest
// palette is always there; GDI reads as many entries as the depth has.
struct bitmap_info_block {
    bitmap_info_header bmiHeader;
    palette_entry bmiColors[256];
};

static_assert(sizeof(bitmap_info_header) == 40, "BITMAPINFOHEADER is 40 bytes");
static_assert(sizeof(palette_entry) == 4, "RGBQUAD is 4 bytes");
static_assert(offsetof(bitmap_info_block, bmiColors) == 40, "the palette follows the header");

// Base of everything that has pixels.
class surface : public refrence_counter {
public:
    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;
    virtual int32_t bit_count() const = 0;
    // All four bytes 0 outside the image, for an empty image or an unknown depth.
    virtual colour get_pixel(int32_t x, int32_t y) const = 0;
    // Depths up to 8 store the nearest palette index; nothing happens outside the image.
    virtual void set_pixel(int32_t x, int32_t y, colour value) = 0;
};

// A surface with an optional palette.
class image : public surface {
public:
    virtual uint32_t palette_size() const = 0;
    virtual colour get_palette_entry(uint32_t index) const = 0;
    virtual bool set_palette_entry(uint32_t index, colour value) = 0;
    virtual int32_t get_index(int32_t x, int32_t y) const = 0;
    virtual bool set_index(int32_t x, int32_t y, int32_t index) = 0;
    virtual bool fill(colour value) = 0;
    virtual bool copy_from(const image& source) = 0;
    virtual uint32_t nearest_index(colour value) const = 0;
    virtual bool create(int32_t width, int32_t height, int32_t depth) = 0;
};

// An image that can be read from and written to a file stream.
class image_file : public image {
public:
    virtual bool load(std::istream& in) = 0;
    virtual bool save(std::ostream& out) const = 0;
};

// The in-memory DIB: bottom-up pixel rows of 1, 4, 8, 16 (5-5-5), 24 or 32 bits. To draw
// it, pass bitmap_info() as the BITMAPINFO and bits() as the pixels to StretchDIBits
// with DIB_RGB_COLORS.
class image_dib : public image_file {
public:
    image_dib();
    ~image_dib() override;

    int32_t width() const override;
    int32_t height() const override;
    int32_t bit_count() const override;
    colour get_pixel(int32_t x, int32_t y) const override;
    void set_pixel(int32_t x, int32_t y, colour value) override;
    uint32_t palette_size() const override;
    colour get_palette_entry(uint32_t index) const override;
    bool set_palette_entry(uint32_t index, colour value) override;
    int32_t get_index(int32_t x, int32_t y) const override;
    bool set_index(int32_t x, int32_t y, int32_t index) override;
    bool fill(colour value) override;
    bool copy_from(const image& source) override;
    uint32_t nearest_index(colour value) const override;
    // Width and height must be positive and the pixels at most 2 GiB; depth 1, 4, 8, 16,
    // 24 or 32. Palettes start as a grey ramp; the pixels start at 0.
    bool create(int32_t width, int32_t height, int32_t depth) override;
    // Reads a bottom-up, uncompressed BMP with a 40-byte info header (16 and 32 bits may
    // also carry bit-field masks). Anything else, or a file too short for its pixels, is
    // refused and leaves the image as it was.
    bool load(std::istream& in) override;
    bool save(std::ostream& out) const override;
    virtual void release();

    // Null while the image is empty.
    const bitmap_info_block* bitmap_info() const { return m_bitmap_info.get(); }
    const uint8_t* bits() const { return m_bits.get(); }
    // The header as last created; it keeps its values after release().
    const bitmap_info_header& header() const { return m_header; }
    // Bytes per pixel row (rows are padded to whole 32-bit words); 0 while empty.
    uint32_t stride() const;

private:
    bool is_empty() const { return !m_bits; }
    bool contains(int32_t x, int32_t y) const;
    uint8_t* row(int32_t y) const;

    std::unique_ptr<bitmap_info_block> m_bitmap_info;
    std::unique_ptr<uint8_t[]> m_bits;
    bitmap_info_header m_header{};
    uint32_t m_palette_size = 0;
};

// Reads `count` BMP files stored back to back, each as long as the size in its file
// header, into `images`. False when one is missing or unreadable.
bool load_bmp_sequence(const uint8_t* bytes, size_t size, image_dib* images, int count);

// Draws `source` into all of `target` at the target's size (24 or 32 bits), each target
// pixel the average of the source area it covers, weighted by the share of each source
// pixel inside it: a box filter, right for shrinking a picture drawn large. False, and the
// target untouched, for an empty image or another target depth.
bool resample_area(const image& source, image& target);
// The same for the target pixels from (left, top) to before (right, bottom) only, each as
// the whole resampling makes it; the rest of the target stays as it is.
bool resample_area(const image& source, image& target, int32_t left, int32_t top, int32_t right,
                   int32_t bottom);

}  // namespace graphic
}  // namespace nrv
