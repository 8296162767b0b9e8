#include "nrv/graphic/graphic.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

using nrv::graphic::colour;
using nrv::graphic::image_dib;

constexpr colour kBlack{0, 0, 0, 255};

// A BMP file assembled field by field, so that each case can bend one field.
struct bmp_builder {
    uint16_t type = 0x4D42;
    uint32_t info_size = 40;
    int32_t width = 3;
    int32_t height = 2;
    uint16_t depth = 8;
    uint32_t compression = 0;
    uint32_t colours_used = 0;
    std::vector<uint8_t> palette;  // raw 4-byte entries
    std::vector<uint32_t> masks;
    int64_t pixel_offset = -1;  // -1: right after the headers
    std::vector<uint8_t> pixels;

    std::string bytes() const {
        std::string out;
        auto u16 = [&](uint32_t v) {
            out.push_back(char(v & 0xFF));
            out.push_back(char(v >> 8 & 0xFF));
        };
        auto u32 = [&](uint32_t v) {
            u16(v & 0xFFFF);
            u16(v >> 16);
        };
        const uint32_t offset = pixel_offset >= 0 ? uint32_t(pixel_offset)
                                                  : uint32_t(14 + 40 + palette.size() + 4 * masks.size());
        u16(type);
        u32(offset + uint32_t(pixels.size()));
        u32(0);
        u32(offset);
        u32(info_size);
        u32(uint32_t(width));
        u32(uint32_t(height));
        u16(1);
        u16(depth);
        u32(compression);
        u32(uint32_t(pixels.size()));
        u32(0);
        u32(0);
        u32(colours_used);
        u32(0);
        out.append(palette.begin(), palette.end());
        for (uint32_t m : masks) u32(m);
        if (offset < (1u << 20)) out.resize(std::max<size_t>(out.size(), offset), '\0');
        out.append(pixels.begin(), pixels.end());
        return out;
    }
};

// A 3 x 2 8-bit picture whose palette entry i is (i, 2i, 3i) and whose stored rows hold
// the indices 1 2 3 (bottom) and 4 5 6 (top).
bmp_builder small_8bit() {
    bmp_builder b;
    for (int i = 0; i < 256; ++i)
        b.palette.insert(b.palette.end(), {uint8_t(i), uint8_t(2 * i), uint8_t(3 * i), 0});
    b.pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    return b;
}

bool load_bytes(image_dib& image, const std::string& bytes) {
    // The tool reads its pictures from resource memory; so do the tests.
    nrv::storage::memory_streambuf buffer(bytes.data(), int32_t(bytes.size()));
    std::istream in(&buffer);
    return image.load(in);
}

std::string saved(const image_dib& image) {
    std::ostringstream out;
    EXPECT_TRUE(image.save(out));
    return out.str();
}

uint32_t u32_at(const std::string& s, size_t at) {
    uint32_t v;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}

TEST(ImageDib, CreateLaysOutRowsAndPalette) {
    struct row {
        int32_t width, height, depth;
        uint32_t stride, size_image, palette_size;
        colour last_palette_entry;
    } const rows[] = {
        {52, 27, 8, 52, 1404, 256, {255, 255, 255, 255}},
        {38, 38, 8, 40, 1520, 256, {255, 255, 255, 255}},
        {33, 2, 1, 8, 16, 2, {255, 255, 255, 255}},
        {3, 1, 4, 4, 4, 16, {255, 255, 255, 255}},
        {3, 2, 16, 8, 16, 0, {0, 0, 0, 0}},
        {3, 1, 24, 12, 12, 0, {0, 0, 0, 0}},
        {2, 2, 32, 8, 16, 0, {0, 0, 0, 0}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.width << "x" << r.height << "x" << r.depth);
        image_dib image;
        ASSERT_TRUE(image.create(r.width, r.height, r.depth));
        EXPECT_EQ(image.stride(), r.stride);
        EXPECT_EQ(image.header().biSizeImage, r.size_image);
        EXPECT_EQ(image.palette_size(), r.palette_size);
        EXPECT_EQ(image.bitmap_info()->bmiHeader.biSizeImage, r.size_image);
        EXPECT_EQ(image.get_palette_entry(r.palette_size ? r.palette_size - 1 : 0), r.last_palette_entry);
    }
    image_dib grey;
    ASSERT_TRUE(grey.create(1, 1, 4));
    EXPECT_EQ(grey.get_palette_entry(3), (colour{51, 51, 51, 255}));
}

TEST(ImageDib, CreateRefusesUnsupportedDepthsAndSizes) {
    const int32_t rows[][3] = {{4, 4, 0},  {4, 4, 2},          {4, 4, 7},          {4, 4, 33},
                               {4, 4, -8}, {0, 4, 8},          {4, 0, 8},          {-4, 4, 8},
                               {4, -4, 8}, {65536, 65536, 32}, {0x7FFFFFFF, 2, 32}};
    for (const auto& r : rows) {
        image_dib image;
        EXPECT_FALSE(image.create(r[0], r[1], r[2])) << r[0] << "x" << r[1] << "x" << r[2];
        EXPECT_EQ(image.bits(), nullptr);
        EXPECT_EQ(image.bitmap_info(), nullptr);
        EXPECT_EQ(image.get_pixel(0, 0), (colour{0, 0, 0, 0}));
        EXPECT_FALSE(image.set_index(0, 0, 1));
    }
}

TEST(ImageDib, OneBitIndexAddressesTheBitFromTheLeft) {
    image_dib image;
    ASSERT_TRUE(image.create(33, 2, 1));
    ASSERT_TRUE(image.fill(kBlack));
    EXPECT_TRUE(image.set_index(32, 0, 1));
    // The top row is the last stored row; pixel 32 is the top bit of its fifth byte.
    EXPECT_EQ(image.bits()[8 + 4], 0x80);
    EXPECT_EQ(image.get_index(32, 0), 1);
    EXPECT_EQ(image.get_index(31, 0), 0);
    EXPECT_EQ(image.get_pixel(32, 0), (colour{255, 255, 255, 255}));
    EXPECT_TRUE(image.set_index(32, 0, 0));
    EXPECT_EQ(image.bits()[12], 0);
    EXPECT_FALSE(image.set_index(33, 0, 1));
}

TEST(ImageDib, FourBitIndicesUseHighNibbleForEvenX) {
    image_dib image;
    ASSERT_TRUE(image.create(3, 1, 4));
    EXPECT_TRUE(image.set_index(0, 0, 0xA));
    EXPECT_TRUE(image.set_index(1, 0, 0x1B));  // only the low 4 bits are kept
    EXPECT_TRUE(image.set_index(2, 0, 0x5));
    EXPECT_EQ(image.bits()[0], 0xAB);
    EXPECT_EQ(image.bits()[1], 0x50);
    EXPECT_EQ(image.get_index(0, 0), 0xA);
    EXPECT_EQ(image.get_index(1, 0), 0xB);
    EXPECT_EQ(image.get_index(2, 0), 0x5);
}

TEST(ImageDib, PixelAccessOutsideTheImageIsRefused) {
    image_dib image;
    ASSERT_TRUE(image.create(4, 3, 24));
    const int32_t outside[][2] = {{-1, 0}, {0, -1}, {4, 0}, {0, 3}, {INT32_MIN, 0}, {0, INT32_MAX}};
    for (const auto& p : outside) {
        image.set_pixel(p[0], p[1], colour{9, 9, 9, 255});
        EXPECT_EQ(image.get_pixel(p[0], p[1]), (colour{0, 0, 0, 0}));
        EXPECT_EQ(image.get_index(p[0], p[1]), 0);
    }
    for (uint32_t i = 0; i < image.header().biSizeImage; ++i) ASSERT_EQ(image.bits()[i], 0) << i;
}

TEST(ImageDib, DirectColourPixelsStoreAsDescribed) {
    const colour c{0x12, 0x34, 0x56, 0};
    image_dib i16, i24, i32;
    ASSERT_TRUE(i16.create(2, 1, 16));
    ASSERT_TRUE(i24.create(2, 1, 24));
    ASSERT_TRUE(i32.create(2, 1, 32));
    i16.set_pixel(1, 0, c);
    i16.set_pixel(0, 0, colour{255, 255, 255, 1});
    i24.set_pixel(1, 0, c);
    i32.set_pixel(1, 0, colour{0x12, 0x34, 0x56, 0x78});

    // 5-5-5 with bit 15 from a nonzero alpha.
    EXPECT_EQ(i16.bits()[2] | i16.bits()[3] << 8, (0x56 >> 3) << 10 | (0x34 >> 3) << 5 | 0x12 >> 3);
    EXPECT_EQ(i16.bits()[0] | i16.bits()[1] << 8, 0xFFFF);
    EXPECT_EQ(i16.get_pixel(0, 0), (colour{255, 255, 255, 255}));
    EXPECT_EQ(i16.get_pixel(1, 0), (colour{0x10 | 0x10 >> 5, 0x30 | 0x30 >> 5, 0x50 | 0x50 >> 5, 255}));
    EXPECT_EQ(std::vector<uint8_t>(i24.bits() + 3, i24.bits() + 6), (std::vector<uint8_t>{0x12, 0x34, 0x56}));
    EXPECT_EQ(i24.get_pixel(1, 0), (colour{0x12, 0x34, 0x56, 255}));
    EXPECT_EQ(std::vector<uint8_t>(i32.bits() + 4, i32.bits() + 8),
              (std::vector<uint8_t>{0x12, 0x34, 0x56, 0}));
    EXPECT_EQ(i32.get_pixel(1, 0), (colour{0x12, 0x34, 0x56, 255}));
}

TEST(ImageDib, PaletteEntriesAreBoundedAndKeepAZeroReservedByte) {
    image_dib image;
    ASSERT_TRUE(image.create(2, 2, 1));
    EXPECT_TRUE(image.set_palette_entry(1, colour{1, 2, 3, 4}));
    EXPECT_EQ(image.get_palette_entry(1), (colour{1, 2, 3, 255}));
    EXPECT_EQ(image.bitmap_info()->bmiColors[1].rgbReserved, 0);
    EXPECT_FALSE(image.set_palette_entry(2, colour{1, 2, 3, 4}));
    EXPECT_EQ(image.get_palette_entry(2), (colour{0, 0, 0, 0}));

    image_dib direct;
    ASSERT_TRUE(direct.create(2, 2, 24));
    EXPECT_FALSE(direct.set_palette_entry(0, kBlack));
    EXPECT_EQ(direct.nearest_index(kBlack), 0u);
}

TEST(ImageDib, NearestIndexIgnoresNoByteOfTheColour) {
    image_dib image;
    ASSERT_TRUE(image.create(1, 1, 4));  // grey ramp in steps of 17
    image.set_palette_entry(5, colour{0, 0, 200, 0});
    EXPECT_EQ(image.nearest_index(colour{0, 0, 200, 255}), 5u);  // exact match
    // Alpha 0 never matches exactly (entries read back with alpha 255): the nearest wins.
    EXPECT_EQ(image.nearest_index(colour{0, 0, 200, 0}), 5u);
    EXPECT_EQ(image.nearest_index(colour{36, 36, 36, 0}), 2u);
    EXPECT_EQ(image.nearest_index(colour{43, 43, 43, 255}), 3u);  // 51 is nearer than 34
    // Equal distances: the first entry is kept.
    image.set_palette_entry(7, colour{0, 0, 200, 0});
    EXPECT_EQ(image.nearest_index(colour{0, 0, 201, 255}), 5u);
    image.set_pixel(0, 0, colour{0, 0, 199, 0});
    EXPECT_EQ(image.get_index(0, 0), 5);
}

TEST(ImageDib, FillCoversEveryPixelOfEveryDepth) {
    const colour c{10, 200, 30, 255};
    for (int32_t depth : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(depth);
        image_dib image;
        ASSERT_TRUE(image.create(5, 3, depth));
        EXPECT_TRUE(image.fill(c));
        const colour first = image.get_pixel(0, 0);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 5; ++x) ASSERT_EQ(image.get_pixel(x, y), first) << x << "," << y;
        if (depth == 32) {
            EXPECT_EQ(first, (colour{10, 200, 30, 255}));
            EXPECT_EQ(image.bits()[3], 0);
        }
        if (depth == 8) {
            EXPECT_EQ(image.get_index(4, 2), int32_t(image.nearest_index(c)));
        }
    }
    image_dib empty;
    EXPECT_FALSE(empty.fill(c));
}

TEST(ImageDib, CopyFromEightBitsIntoThirtyTwoReproducesPaletteColours) {
    image_dib source;
    ASSERT_TRUE(load_bytes(source, small_8bit().bytes()));
    image_dib canvas;
    ASSERT_TRUE(canvas.create(source.width(), source.height(), 32));
    ASSERT_TRUE(canvas.copy_from(source));
    for (int32_t y = 0; y < source.height(); ++y)
        for (int32_t x = 0; x < source.width(); ++x) {
            const int index = y == 0 ? 4 + x : 1 + x;  // top row 4 5 6, bottom row 1 2 3
            EXPECT_EQ(canvas.get_pixel(x, y),
                      (colour{uint8_t(index), uint8_t(2 * index), uint8_t(3 * index), 255}));
            const uint8_t* px = canvas.bits() + canvas.stride() * uint32_t(source.height() - 1 - y) + 4 * x;
            EXPECT_EQ(px[3], 0);
        }
}

TEST(ImageDib, CopyFromBetweenPalettesCopiesIndicesAndClipsToTheSmallerImage) {
    image_dib source;
    ASSERT_TRUE(source.create(4, 4, 4));
    source.set_palette_entry(3, colour{1, 2, 3, 255});
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x) source.set_index(x, y, 3);

    image_dib target;
    ASSERT_TRUE(target.create(2, 3, 8));
    ASSERT_TRUE(target.fill(kBlack));
    EXPECT_TRUE(target.copy_from(source));
    EXPECT_EQ(target.get_palette_entry(3), (colour{1, 2, 3, 255}));
    EXPECT_EQ(target.get_index(1, 2), 3);

    // A smaller palette cannot hold the source's indices: colours are matched instead.
    image_dib small;
    ASSERT_TRUE(small.create(4, 4, 1));
    EXPECT_TRUE(small.copy_from(target));
    EXPECT_EQ(small.get_index(0, 0), 0);
    EXPECT_EQ(small.get_palette_entry(1), (colour{255, 255, 255, 255}));

    small.release();
    EXPECT_FALSE(small.copy_from(target));
}

TEST(ImageDib, SaveThenLoadRoundTripsEveryDepth) {
    struct row {
        int32_t depth;
        uint32_t pixel_offset;
    } const rows[] = {{1, 62}, {4, 118}, {8, 1078}, {16, 66}, {24, 54}, {32, 66}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.depth);
        image_dib image;
        ASSERT_TRUE(image.create(7, 3, r.depth));
        if (image.palette_size()) image.set_palette_entry(1, colour{40, 80, 120, 255});
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 7; ++x)
                image.set_pixel(x, y, colour{uint8_t(x * 36), uint8_t(y * 100), uint8_t(x * y * 12), 255});
        const std::string file = saved(image);
        EXPECT_EQ(file.size(), r.pixel_offset + image.header().biSizeImage);
        EXPECT_EQ(u32_at(file, 2), file.size());
        EXPECT_EQ(u32_at(file, 10), r.pixel_offset);

        image_dib copy;
        ASSERT_TRUE(load_bytes(copy, file));
        EXPECT_EQ(copy.width(), 7);
        EXPECT_EQ(copy.height(), 3);
        EXPECT_EQ(copy.bit_count(), r.depth);
        EXPECT_EQ(copy.palette_size(), image.palette_size());
        for (uint32_t i = 0; i < image.palette_size(); ++i)
            ASSERT_EQ(copy.get_palette_entry(i), image.get_palette_entry(i)) << i;
        EXPECT_EQ(0, std::memcmp(copy.bits(), image.bits(), image.header().biSizeImage));
        EXPECT_EQ(saved(copy), file);
    }
}

TEST(ImageDib, LoadsTheFirstPixelFromTheLastStoredRow) {
    image_dib image;
    ASSERT_TRUE(load_bytes(image, small_8bit().bytes()));
    EXPECT_EQ(image.width(), 3);
    EXPECT_EQ(image.height(), 2);
    EXPECT_EQ(image.palette_size(), 256u);
    EXPECT_EQ(image.get_pixel(0, 0), (colour{4, 8, 12, 255}));
    EXPECT_EQ(image.get_pixel(2, 1), (colour{3, 6, 9, 255}));

    // The same file read through a standard string stream.
    std::istringstream in(small_8bit().bytes());
    in >> std::skipws;
    image_dib again;
    ASSERT_TRUE(again.load(in));
    EXPECT_EQ(again.get_index(1, 0), 5);
}

TEST(ImageDib, SixteenBitMasksDecideTheConversion) {
    bmp_builder b;
    b.width = 2;
    b.height = 1;
    b.depth = 16;
    b.pixels = {0xE0, 0x07, 0xFF, 0xFF};  // 0x07E0, 0xFFFF

    struct row {
        uint32_t compression;
        std::vector<uint32_t> masks;
        uint16_t first, second;
    } const rows[] = {
        {3, {0xF800, 0x07E0, 0x001F}, 0x03E0, 0x7FFF},  // 5-6-5 converted to 5-5-5
        {0, {0xF800, 0x07E0, 0x001F}, 0x03E0, 0x7FFF},  // the masks decide, not the compression
        {3, {0x7C00, 0x03E0, 0x001F}, 0x07E0, 0xFFFF},  // 5-5-5 as stored
        {0, {0, 0, 0}, 0x07E0, 0xFFFF},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.masks[0]);
        b.compression = r.compression;
        b.masks = r.masks;
        image_dib image;
        ASSERT_TRUE(load_bytes(image, b.bytes()));
        EXPECT_EQ(image.bits()[0] | image.bits()[1] << 8, r.first);
        EXPECT_EQ(image.bits()[2] | image.bits()[3] << 8, r.second);
    }
    b.compression = 3;
    b.masks = {0x0F00, 0x00F0, 0x000F};  // 4-4-4 is not a layout the pixels are read in
    image_dib image;
    EXPECT_FALSE(load_bytes(image, b.bytes()));
}

TEST(ImageDib, LoadReadsOnlyAPaletteThatFits) {
    bmp_builder b = small_8bit();
    b.colours_used = 2;
    b.palette.resize(8);
    image_dib image;
    ASSERT_TRUE(load_bytes(image, b.bytes()));
    EXPECT_EQ(image.get_palette_entry(1), (colour{1, 2, 3, 255}));
    EXPECT_EQ(image.get_palette_entry(4), (colour{4, 4, 4, 255}));  // grey ramp

    b = small_8bit();
    b.colours_used = 300;  // more than 256: nothing is read, the grey ramp stays
    b.pixel_offset = 14 + 40 + 1024;
    ASSERT_TRUE(load_bytes(image, b.bytes()));
    EXPECT_EQ(image.get_palette_entry(4), (colour{4, 4, 4, 255}));
}

TEST(ImageDib, LoadRefusesWhatItDoesNotReadAndKeepsTheImage) {
    struct row {
        const char* what;
        void (*bend)(bmp_builder&);
    } const rows[] = {
        {"not BM", [](bmp_builder& b) { b.type = 0x4D41; }},
        {"top-down", [](bmp_builder& b) { b.height = -2; }},
        {"zero width", [](bmp_builder& b) { b.width = 0; }},
        {"RLE8", [](bmp_builder& b) { b.compression = 1; }},
        {"bit fields at 8 bits", [](bmp_builder& b) { b.compression = 3; }},
        {"longer info header", [](bmp_builder& b) { b.info_size = 108; }},
        {"core header", [](bmp_builder& b) { b.info_size = 12; }},
        {"depth 2", [](bmp_builder& b) { b.depth = 2; }},
        {"pixels cut short", [](bmp_builder& b) { b.pixels.pop_back(); }},
        {"rows larger than the file", [](bmp_builder& b) { b.width = 0x10000; }},
        {"rows past 2 GiB", [](bmp_builder& b) { b.width = 0x7FFFFFFF, b.height = 0x7FFFFFFF; }},
        {"pixel offset past the end", [](bmp_builder& b) { b.pixel_offset = 0x7FFFFFF0; }},
        {"pixel offset wraps", [](bmp_builder& b) { b.pixel_offset = 0xFFFFFFFF; }},
        {"palette cut short", [](bmp_builder& b) { b.palette.resize(100), b.pixels.clear(); }},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        image_dib image;
        ASSERT_TRUE(image.create(2, 2, 24));
        image.set_pixel(1, 1, colour{7, 8, 9, 255});
        bmp_builder b = small_8bit();
        r.bend(b);
        EXPECT_FALSE(load_bytes(image, b.bytes()));
        EXPECT_EQ(image.width(), 2);
        EXPECT_EQ(image.bit_count(), 24);
        EXPECT_EQ(image.get_pixel(1, 1), (colour{7, 8, 9, 255}));
    }
    const std::string whole = small_8bit().bytes();
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        image_dib image;
        ASSERT_FALSE(load_bytes(image, whole.substr(0, cut))) << cut;
    }
}

TEST(ImageDib, ReleaseEmptiesButKeepsTheHeader) {
    image_dib image;
    ASSERT_TRUE(image.create(6, 5, 8));
    image.release();
    EXPECT_EQ(image.bits(), nullptr);
    EXPECT_EQ(image.bitmap_info(), nullptr);
    EXPECT_EQ(image.palette_size(), 0u);
    EXPECT_EQ(image.width(), 6);
    EXPECT_EQ(image.height(), 5);
    EXPECT_EQ(image.get_pixel(0, 0), (colour{0, 0, 0, 0}));
    EXPECT_FALSE(image.set_index(0, 0, 1));
    EXPECT_FALSE(image.fill(kBlack));
    std::ostringstream out;
    EXPECT_FALSE(image.save(out));
    EXPECT_TRUE(out.str().empty());
}

TEST(ImageDib, ReferenceCountingDeletesOnTheLastRelease) {
    auto* image = new image_dib;
    ASSERT_TRUE(image->create(2, 2, 8));
    EXPECT_EQ(image->add_ref(), 2);
    EXPECT_EQ(image->refrence_counter::release(), 1);
    EXPECT_EQ(image->refrence_counter::release(), 0);  // deleted here; ASan checks the rest
}

}  // namespace

namespace {

// Red values row by row; green and blue stay 0.
struct Picture {
    int32_t width;
    int32_t height;
    std::vector<int> red;
};

void draw_picture(image_dib& image, const Picture& p, int depth) {
    image.create(p.width, p.height, depth);
    if (depth == 8) {
        for (int i = 0; i < 256; ++i) image.set_palette_entry(i, {0, 0, static_cast<uint8_t>(i), 255});
    }
    for (int32_t y = 0; y < p.height; ++y)
        for (int32_t x = 0; x < p.width; ++x)
            image.set_pixel(x, y, {0, 0, static_cast<uint8_t>(p.red[y * p.width + x]), 255});
}

TEST(ResampleArea, EachTargetPixelAveragesTheSourceAreaItCovers) {
    struct Case {
        const char* what;
        Picture source;
        Picture expected;
    } cases[] = {
        {"halving averages 2 x 2 blocks", {4, 2, {0, 100, 200, 255, 40, 60, 0, 1}}, {2, 1, {50, 114}}},
        {"3 to 2 weighs the middle pixel by half", {3, 1, {90, 30, 240}}, {2, 1, {70, 170}}},
        {"the same size copies", {2, 2, {1, 2, 3, 4}}, {2, 2, {1, 2, 3, 4}}},
        {"2 to 3 blends only the middle", {2, 1, {0, 100}}, {3, 1, {0, 50, 100}}},
        {"3 to 2 rows", {1, 3, {0, 30, 60}}, {1, 2, {10, 50}}},
    };
    for (const Case& c : cases) {
        for (int depth : {8, 32}) {
            SCOPED_TRACE(testing::Message() << c.what << ", " << depth << "-bit source");
            image_dib source;
            draw_picture(source, c.source, depth);
            image_dib target;
            ASSERT_TRUE(target.create(c.expected.width, c.expected.height, 32));
            ASSERT_TRUE(nrv::graphic::resample_area(source, target));
            for (int32_t y = 0; y < c.expected.height; ++y)
                for (int32_t x = 0; x < c.expected.width; ++x)
                    EXPECT_EQ(
                        target.get_pixel(x, y),
                        (colour{0, 0, static_cast<uint8_t>(c.expected.red[y * c.expected.width + x]), 255}))
                        << "at " << x << "," << y;
        }
    }
}

TEST(ResampleArea, AnEvenColourStaysEvenAtEveryScaleAndOtherDepthsAreRefused) {
    image_dib source;
    ASSERT_TRUE(source.create(64, 64, 32));
    source.fill({247, 245, 244, 255});
    for (int32_t size : {80, 96, 112, 128, 45}) {
        image_dib target;
        ASSERT_TRUE(target.create(size, size, 24));
        ASSERT_TRUE(nrv::graphic::resample_area(source, target));
        EXPECT_EQ(target.get_pixel(0, 0), (colour{247, 245, 244, 255})) << size;
        EXPECT_EQ(target.get_pixel(size - 1, size / 2), (colour{247, 245, 244, 255})) << size;
    }
    image_dib empty;
    image_dib paletted;
    ASSERT_TRUE(paletted.create(4, 4, 8));
    image_dib direct;
    ASSERT_TRUE(direct.create(4, 4, 32));
    EXPECT_FALSE(nrv::graphic::resample_area(empty, direct));
    EXPECT_FALSE(nrv::graphic::resample_area(source, paletted));
    EXPECT_FALSE(nrv::graphic::resample_area(source, empty));
}

}  // namespace

namespace {

TEST(LoadBmpSequence, ReadsFilesBackToBackByTheSizeInTheirHeaders) {
    image_dib first;
    ASSERT_TRUE(first.create(3, 2, 8));
    first.set_index(2, 1, 7);
    image_dib second;
    ASSERT_TRUE(second.create(5, 1, 24));
    second.set_pixel(4, 0, {1, 2, 3, 255});
    const std::string files = saved(first) + saved(second);
    const auto* bytes = reinterpret_cast<const uint8_t*>(files.data());

    image_dib read[2];
    ASSERT_TRUE(nrv::graphic::load_bmp_sequence(bytes, files.size(), read, 2));
    EXPECT_EQ(read[0].get_index(2, 1), 7);
    EXPECT_EQ(read[1].width(), 5);
    EXPECT_EQ(read[1].get_pixel(4, 0), (colour{1, 2, 3, 255}));

    image_dib more[3];
    EXPECT_FALSE(nrv::graphic::load_bmp_sequence(bytes, files.size(), more, 3)) << "one file short";
    EXPECT_FALSE(nrv::graphic::load_bmp_sequence(bytes, files.size() - 1, read, 2)) << "cut short";
    std::string oversized = files;
    oversized[2] = '\xFF';
    oversized[5] = '\x7F';
    EXPECT_FALSE(nrv::graphic::load_bmp_sequence(reinterpret_cast<const uint8_t*>(oversized.data()),
                                                 oversized.size(), read, 2))
        << "a size past the end";
}

}  // namespace
