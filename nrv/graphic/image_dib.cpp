// image_dib: creation, pixel and palette access, fill, copy, colour matching and the BMP
// file format.
#include "nrv/graphic/graphic.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace nrv {
namespace graphic {

namespace {

constexpr uint8_t kOpaque = 255;

colour opaque(uint8_t blue, uint8_t green, uint8_t red) {
    return colour{blue, green, red, kOpaque};
}

// 5 bits per channel, bit 15 from a nonzero alpha.
uint16_t pack_555(colour value) {
    return static_cast<uint16_t>((value.red >> 3) << 10 | (value.green >> 3) << 5 | value.blue >> 3 |
                                 (value.alpha ? 0x8000 : 0));
}

// Widens a 5-bit channel so that 31 reads back as 255.
uint8_t widen_5(uint32_t channel) {
    return static_cast<uint8_t>(channel << 3 | channel >> 2);
}

colour unpack_555(uint16_t value) {
    return opaque(widen_5(value & 0x1F), widen_5(value >> 5 & 0x1F), widen_5(value >> 10 & 0x1F));
}

bool depth_supported(int32_t depth) {
    return depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

uint32_t palette_entries_for_depth(int32_t depth) {
    return depth <= 8 ? 1u << depth : 0;
}

// The size of the pixel rows, each padded to whole 32-bit words. False for sizes that are
// not positive or that would pass 2 GiB, so that every later offset fits an int32.
bool pixel_bytes(int32_t width, int32_t height, int32_t depth, uint32_t* size_image) {
    if (width <= 0 || height <= 0) return false;
    const uint64_t stride = (uint64_t{uint32_t(width)} * uint32_t(depth) + 31) / 32 * 4;
    const uint64_t total = stride * uint32_t(height);
    if (total > 0x7FFFFFFF) return false;
    *size_image = static_cast<uint32_t>(total);
    return true;
}

uint32_t squared_distance(colour a, colour b) {
    const int db = a.blue - b.blue, dg = a.green - b.green, dr = a.red - b.red, da = a.alpha - b.alpha;
    return static_cast<uint32_t>(db * db + dg * dg + dr * dr + da * da);
}

}  // namespace

image_dib::image_dib() = default;

image_dib::~image_dib() {
    release();
}

int32_t image_dib::width() const {
    return m_header.biWidth;
}

int32_t image_dib::height() const {
    return m_header.biHeight;
}

int32_t image_dib::bit_count() const {
    return m_header.biBitCount;
}

uint32_t image_dib::stride() const {
    if (is_empty() || m_header.biHeight <= 0) return 0;
    return m_header.biSizeImage / static_cast<uint32_t>(m_header.biHeight);
}

bool image_dib::contains(int32_t x, int32_t y) const {
    return !is_empty() && x >= 0 && y >= 0 && x < m_header.biWidth && y < m_header.biHeight;
}

uint8_t* image_dib::row(int32_t y) const {
    // Rows are stored bottom-up.
    return m_bits.get() + size_t{stride()} * static_cast<size_t>(m_header.biHeight - 1 - y);
}

colour image_dib::get_pixel(int32_t x, int32_t y) const {
    if (!contains(x, y)) return colour{0, 0, 0, 0};
    const uint8_t* line = row(y);
    switch (m_header.biBitCount) {
        case 1:
        case 4:
        case 8:
            return get_palette_entry(static_cast<uint32_t>(get_index(x, y)));
        case 16:
            return unpack_555(static_cast<uint16_t>(line[2 * x] | line[2 * x + 1] << 8));
        case 24:
            return opaque(line[3 * x], line[3 * x + 1], line[3 * x + 2]);
        case 32:
            return opaque(line[4 * x], line[4 * x + 1], line[4 * x + 2]);
        default:
            return colour{0, 0, 0, 0};
    }
}

void image_dib::set_pixel(int32_t x, int32_t y, colour value) {
    if (!contains(x, y)) return;
    uint8_t* line = row(y);
    switch (m_header.biBitCount) {
        case 1:
        case 4:
        case 8:
            set_index(x, y, static_cast<int32_t>(nearest_index(value)));
            break;
        case 16: {
            const uint16_t packed = pack_555(value);
            line[2 * x] = static_cast<uint8_t>(packed);
            line[2 * x + 1] = static_cast<uint8_t>(packed >> 8);
            break;
        }
        case 24:
            line[3 * x] = value.blue;
            line[3 * x + 1] = value.green;
            line[3 * x + 2] = value.red;
            break;
        case 32:
            line[4 * x] = value.blue;
            line[4 * x + 1] = value.green;
            line[4 * x + 2] = value.red;
            line[4 * x + 3] = 0;
            break;
        default:
            break;
    }
}

uint32_t image_dib::palette_size() const {
    return m_palette_size;
}

colour image_dib::get_palette_entry(uint32_t index) const {
    if (index >= m_palette_size) return colour{0, 0, 0, 0};
    const palette_entry& entry = m_bitmap_info->bmiColors[index];
    return opaque(entry.rgbBlue, entry.rgbGreen, entry.rgbRed);
}

bool image_dib::set_palette_entry(uint32_t index, colour value) {
    if (index >= m_palette_size) return false;
    m_bitmap_info->bmiColors[index] = palette_entry{value.blue, value.green, value.red, 0};
    return true;
}

int32_t image_dib::get_index(int32_t x, int32_t y) const {
    if (!contains(x, y)) return 0;
    const uint8_t* line = row(y);
    switch (m_header.biBitCount) {
        case 1:
            return line[x / 8] >> (7 - x % 8) & 1;
        case 4:
            return x % 2 == 0 ? line[x / 2] >> 4 : line[x / 2] & 0x0F;
        case 8:
            return line[x];
        default:
            return 0;
    }
}

bool image_dib::set_index(int32_t x, int32_t y, int32_t index) {
    if (!contains(x, y)) return false;
    uint8_t* line = row(y);
    switch (m_header.biBitCount) {
        case 1: {
            const uint8_t bit = static_cast<uint8_t>(0x80 >> x % 8);
            line[x / 8] = static_cast<uint8_t>(index ? line[x / 8] | bit : line[x / 8] & ~bit);
            return true;
        }
        case 4: {
            uint8_t& pair = line[x / 2];
            const uint8_t nibble = static_cast<uint8_t>(index & 0x0F);
            pair = static_cast<uint8_t>(x % 2 == 0 ? (pair & 0x0F) | nibble << 4 : (pair & 0xF0) | nibble);
            return true;
        }
        case 8:
            line[x] = static_cast<uint8_t>(index);
            return true;
        default:
            return false;
    }
}

bool image_dib::fill(colour value) {
    if (is_empty()) return false;
    // Every depth is filled: palette images with the nearest entry, the others with the
    // colour itself, each pixel as set_pixel would store it.
    const int32_t index = static_cast<int32_t>(nearest_index(value));
    const bool indexed = m_header.biBitCount <= 8;
    for (int32_t y = 0; y < m_header.biHeight; ++y) {
        for (int32_t x = 0; x < m_header.biWidth; ++x) {
            if (indexed)
                set_index(x, y, index);
            else
                set_pixel(x, y, value);
        }
    }
    return true;
}

bool image_dib::copy_from(const image& source) {
    if (is_empty()) return false;
    const int32_t w = std::min(width(), source.width());
    const int32_t h = std::min(height(), source.height());
    // A picture of the same shape without a palette: its rows as they are.
    const auto* same = dynamic_cast<const image_dib*>(&source);
    if (same && !same->is_empty() && same->width() == width() && same->height() == height() &&
        same->bit_count() == bit_count() && m_palette_size == 0 && same->m_palette_size == 0) {
        std::memcpy(m_bits.get(), same->m_bits.get(), size_t{stride()} * static_cast<size_t>(height()));
        return true;
    }
    const uint32_t entries = source.palette_size();
    if (m_palette_size > 0 && entries > 0 && m_palette_size >= entries) {
        for (uint32_t i = 0; i < entries; ++i) set_palette_entry(i, source.get_palette_entry(i));
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) set_index(x, y, source.get_index(x, y));
        return true;
    }
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) set_pixel(x, y, source.get_pixel(x, y));
    return true;
}

uint32_t image_dib::nearest_index(colour value) const {
    constexpr uint32_t kNoMatchBound = 4 * 255 * 255;
    uint32_t best = 0;
    uint32_t best_distance = kNoMatchBound;
    for (uint32_t i = 0; i < m_palette_size; ++i) {
        const colour entry = get_palette_entry(i);
        if (entry == value) return i;
        const uint32_t distance = squared_distance(entry, value);
        if (distance < best_distance) {
            best = i;
            best_distance = distance;
        }
    }
    return best;
}

bool image_dib::create(int32_t width, int32_t height, int32_t depth) {
    release();
    uint32_t size_image = 0;
    if (!depth_supported(depth) || !pixel_bytes(width, height, depth, &size_image)) return false;
    const uint32_t entries = palette_entries_for_depth(depth);

    std::unique_ptr<bitmap_info_block> info(new (std::nothrow) bitmap_info_block());
    std::unique_ptr<uint8_t[]> bits(new (std::nothrow) uint8_t[size_image]());
    if (!info || !bits) return false;

    bitmap_info_header& header = info->bmiHeader;
    header.biSize = sizeof(bitmap_info_header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<uint16_t>(depth);
    header.biCompression = 0;
    header.biSizeImage = size_image;

    for (uint32_t i = 0; i < entries; ++i) {
        const uint8_t grey = static_cast<uint8_t>(i * (255 / (entries - 1)));
        info->bmiColors[i] = palette_entry{grey, grey, grey, 0};
    }

    m_header = header;
    m_bitmap_info = std::move(info);
    m_bits = std::move(bits);
    m_palette_size = entries;
    return true;
}

namespace {

constexpr uint16_t kBmpType = 0x4D42;  // "BM"
constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kMaskBytes = 12;
constexpr uint32_t kUncompressed = 0;  // BI_RGB
constexpr uint32_t kBitFields = 3;     // BI_BITFIELDS: three colour masks follow the header

struct bmp_file_header {
    uint16_t type;
    uint32_t file_size;
    uint16_t reserved1;
    uint16_t reserved2;
    uint32_t pixel_offset;
};

struct colour_masks {
    uint32_t red;
    uint32_t green;
    uint32_t blue;
};

bool read_u16(std::istream& in, uint16_t* value) {
    unsigned char b[2];
    if (!in.read(reinterpret_cast<char*>(b), sizeof b)) return false;
    *value = static_cast<uint16_t>(b[0] | b[1] << 8);
    return true;
}

bool read_u32(std::istream& in, uint32_t* value) {
    unsigned char b[4];
    if (!in.read(reinterpret_cast<char*>(b), sizeof b)) return false;
    *value = uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
    return true;
}

bool read_i32(std::istream& in, int32_t* value) {
    uint32_t raw = 0;
    if (!read_u32(in, &raw)) return false;
    *value = static_cast<int32_t>(raw);
    return true;
}

void put_u16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void put_u32(std::vector<uint8_t>& out, uint32_t value) {
    put_u16(out, value & 0xFFFF);
    put_u16(out, value >> 16);
}

bool read_file_header(std::istream& in, bmp_file_header* file) {
    return read_u16(in, &file->type) && read_u32(in, &file->file_size) && read_u16(in, &file->reserved1) &&
           read_u16(in, &file->reserved2) && read_u32(in, &file->pixel_offset);
}

bool read_info_header(std::istream& in, bitmap_info_header* info) {
    return read_u32(in, &info->biSize) && read_i32(in, &info->biWidth) && read_i32(in, &info->biHeight) &&
           read_u16(in, &info->biPlanes) && read_u16(in, &info->biBitCount) &&
           read_u32(in, &info->biCompression) && read_u32(in, &info->biSizeImage) &&
           read_i32(in, &info->biXPelsPerMeter) && read_i32(in, &info->biYPelsPerMeter) &&
           read_u32(in, &info->biClrUsed) && read_u32(in, &info->biClrImportant);
}

bool read_masks(std::istream& in, colour_masks* masks) {
    return read_u32(in, &masks->red) && read_u32(in, &masks->green) && read_u32(in, &masks->blue);
}

// Bottom-up rows of a known depth, uncompressed or with bit-field masks at 16 and 32 bits.
// Top-down images (negative height), compressed data and longer info headers are not read.
bool info_header_supported(const bitmap_info_header& info) {
    if (info.biSize != kInfoHeaderSize || info.biWidth <= 0 || info.biHeight <= 0) return false;
    if (!depth_supported(info.biBitCount)) return false;
    if (info.biCompression == kUncompressed) return true;
    return info.biCompression == kBitFields && (info.biBitCount == 16 || info.biBitCount == 32);
}

bool is_565(const colour_masks& masks) {
    return masks.red == 0xF800 && masks.green == 0x07E0;
}

// Bit-field masks are only understood in the layouts that the pixel access reads.
bool bit_fields_supported(uint32_t depth, const colour_masks& masks) {
    if (depth == 16)
        return masks.blue == 0x001F && (is_565(masks) || (masks.red == 0x7C00 && masks.green == 0x03E0));
    return masks.red == 0xFF0000 && masks.green == 0x00FF00 && masks.blue == 0x0000FF;
}

// The number of palette entries a file of this depth carries.
uint32_t palette_entries_in_file(uint32_t depth, uint32_t colours_used) {
    if (depth == 1) return 2;
    if (depth == 4) return colours_used ? colours_used : 16;
    if (depth == 8) return colours_used ? colours_used : 256;
    return 0;
}

// The stream's length, with its position left where it was; -1 when it cannot seek.
std::streamoff stream_length(std::istream& in) {
    const std::streampos here = in.tellg();
    if (here == std::streampos(-1)) return -1;
    in.seekg(0, std::ios_base::end);
    const std::streampos end = in.tellg();
    in.clear();
    in.seekg(here);
    if (!in || end == std::streampos(-1)) return -1;
    return std::streamoff(end);
}

// Drops the lowest green bit of 5-6-5 pixels to reach the 5-5-5 layout.
void convert_565_to_555(uint8_t* bits, uint32_t size) {
    for (uint32_t i = 0; i + 1 < size; i += 2) {
        const uint16_t v = static_cast<uint16_t>(bits[i] | bits[i + 1] << 8);
        const uint16_t converted = static_cast<uint16_t>((v >> 1 & 0x7FE0) | (v & 0x001F));
        bits[i] = static_cast<uint8_t>(converted);
        bits[i + 1] = static_cast<uint8_t>(converted >> 8);
    }
}

}  // namespace

bool image_dib::load(std::istream& in) {
    in.unsetf(std::ios_base::skipws);
    bmp_file_header file{};
    if (!read_file_header(in, &file) || file.type != kBmpType) return false;
    bitmap_info_header info{};
    if (!read_info_header(in, &info) || !info_header_supported(info)) return false;
    const int32_t depth = info.biBitCount;
    uint32_t size_image = 0;
    if (!pixel_bytes(info.biWidth, info.biHeight, depth, &size_image)) return false;

    // Everything is read and checked before the image changes, so a refused file leaves
    // the image as it was.
    palette_entry palette[256] = {};
    const uint32_t in_file = palette_entries_in_file(depth, info.biClrUsed);
    const bool palette_read = in_file > 0 && in_file <= palette_entries_for_depth(depth);
    if (palette_read && !in.read(reinterpret_cast<char*>(palette), in_file * sizeof(palette_entry)))
        return false;

    bool convert_565 = false;
    if (depth == 16 || info.biCompression == kBitFields) {
        colour_masks masks{};
        const bool have_masks = read_masks(in, &masks);
        if (info.biCompression == kBitFields && (!have_masks || !bit_fields_supported(depth, masks)))
            return false;
        // Without bit fields the twelve bytes may as well be pixels of a small file.
        if (!have_masks) in.clear();
        convert_565 = depth == 16 && have_masks && is_565(masks);
    }

    const std::streamoff length = stream_length(in);
    if (length < 0 || std::streamoff{file.pixel_offset} + size_image > length) return false;

    if (!create(info.biWidth, info.biHeight, depth)) return false;
    if (palette_read) std::copy(palette, palette + in_file, m_bitmap_info->bmiColors);
    if (!in.seekg(std::streamoff{file.pixel_offset}) ||
        !in.read(reinterpret_cast<char*>(m_bits.get()), size_image)) {
        release();
        return false;
    }
    if (convert_565) convert_565_to_555(m_bits.get(), size_image);
    return true;
}

bool image_dib::save(std::ostream& out) const {
    if (is_empty()) return false;
    const uint32_t depth = m_header.biBitCount;
    const bool masked = depth == 16 || depth == 32;
    const uint32_t palette_bytes = depth <= 8 ? 4 * (1u << depth) : 0;
    const uint32_t pixel_offset =
        kFileHeaderSize + kInfoHeaderSize + palette_bytes + (masked ? kMaskBytes : 0);

    std::vector<uint8_t> head;
    put_u16(head, kBmpType);
    put_u32(head, pixel_offset + m_header.biSizeImage);
    put_u16(head, 0);
    put_u16(head, 0);
    put_u32(head, pixel_offset);

    put_u32(head, m_header.biSize);
    put_u32(head, static_cast<uint32_t>(m_header.biWidth));
    put_u32(head, static_cast<uint32_t>(m_header.biHeight));
    put_u16(head, m_header.biPlanes);
    put_u16(head, m_header.biBitCount);
    put_u32(head, m_header.biCompression);
    put_u32(head, m_header.biSizeImage);
    put_u32(head, static_cast<uint32_t>(m_header.biXPelsPerMeter));
    put_u32(head, static_cast<uint32_t>(m_header.biYPelsPerMeter));
    put_u32(head, m_header.biClrUsed);
    put_u32(head, m_header.biClrImportant);

    const uint8_t* palette = reinterpret_cast<const uint8_t*>(m_bitmap_info->bmiColors);
    head.insert(head.end(), palette, palette + palette_bytes);
    if (depth == 16) {
        put_u32(head, 0x7C00);
        put_u32(head, 0x03E0);
        put_u32(head, 0x001F);
    } else if (depth == 32) {
        put_u32(head, 0xFF0000);
        put_u32(head, 0x00FF00);
        put_u32(head, 0x0000FF);
    }

    out.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
    out.write(reinterpret_cast<const char*>(m_bits.get()), m_header.biSizeImage);
    return static_cast<bool>(out);
}

void image_dib::release() {
    m_bitmap_info.reset();
    m_bits.reset();
    m_palette_size = 0;
}

bool load_bmp_sequence(const uint8_t* bytes, size_t size, image_dib* images, int count) {
    constexpr size_t kFileHeaderSize = 14;
    size_t offset = 0;
    for (int n = 0; n < count; ++n) {
        if (!bytes || size - offset < kFileHeaderSize) return false;
        const uint8_t* file = bytes + offset;
        const uint32_t file_size = file[2] | file[3] << 8 | file[4] << 16 | uint32_t{file[5]} << 24;
        if (file_size < kFileHeaderSize || file_size > size - offset) return false;
        storage::memory_streambuf buffer(file, static_cast<int32_t>(file_size));
        std::istream in(&buffer);
        if (!images[n].load(in)) return false;
        offset += file_size;
    }
    return true;
}

}  // namespace graphic
}  // namespace nrv
