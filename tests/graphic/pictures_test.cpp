// Checks the generated controller picture, its overlays and the slot-button bitmaps as
// the Controller page reads them.
#include "nrv/graphic/graphic.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

using nrv::graphic::colour;
using nrv::graphic::image_dib;

struct overlay_place {
    int slot, bitmap_id, overlay_id, x, y, width, height;
};

// Where the page draws each slot's overlay on the picture.
const overlay_place kPlaces[] = {
    {0, IDB_SLOT_Y, IDR_OVERLAY_Y, 191, 93, 24, 24},
    {1, IDB_SLOT_B, IDR_OVERLAY_B, 208, 109, 24, 24},
    {2, IDB_SLOT_A, IDR_OVERLAY_A, 188, 125, 24, 24},
    {3, IDB_SLOT_X, IDR_OVERLAY_X, 170, 110, 24, 24},
    {4, IDB_SLOT_LT, IDR_OVERLAY_LT, 47, 45, 28, 28},
    {5, IDB_SLOT_RT, IDR_OVERLAY_RT, 181, 45, 28, 28},
    {6, IDB_SLOT_LB, IDR_OVERLAY_LB, 28, 65, 52, 27},
    {7, IDB_SLOT_RB, IDR_OVERLAY_RB, 177, 65, 52, 26},
    {8, IDB_SLOT_START, IDR_OVERLAY_START, 143, 111, 24, 24},
    {9, IDB_SLOT_BACK, IDR_OVERLAY_BACK, 90, 111, 24, 24},
    {10, IDB_SLOT_LSTICK_PRESS, IDR_OVERLAY_LSTICK_PRESS, 37, 109, 38, 38},
    {11, IDB_SLOT_RSTICK_PRESS, IDR_OVERLAY_RSTICK_PRESS, 144, 143, 38, 38},
    {12, IDB_SLOT_DPAD_UP, IDR_OVERLAY_DPAD_UP, 84, 137, 16, 16},
    {13, IDB_SLOT_DPAD_RIGHT, IDR_OVERLAY_DPAD_RIGHT, 99, 152, 16, 16},
    {14, IDB_SLOT_DPAD_DOWN, IDR_OVERLAY_DPAD_DOWN, 84, 167, 16, 16},
    {15, IDB_SLOT_DPAD_LEFT, IDR_OVERLAY_DPAD_LEFT, 69, 152, 16, 16},
    {16, IDB_SLOT_LSTICK_UP, IDR_OVERLAY_LSTICK_UP, 47, 108, 16, 16},
    {17, IDB_SLOT_LSTICK_DOWN, IDR_OVERLAY_LSTICK_DOWN, 47, 138, 16, 16},
    {18, IDB_SLOT_LSTICK_LEFT, IDR_OVERLAY_LSTICK_LEFT, 32, 123, 16, 16},
    {19, IDB_SLOT_LSTICK_RIGHT, IDR_OVERLAY_LSTICK_RIGHT, 62, 123, 16, 16},
    {20, IDB_SLOT_RSTICK_UP, IDR_OVERLAY_RSTICK_UP, 155, 142, 16, 16},
    {21, IDB_SLOT_RSTICK_DOWN, IDR_OVERLAY_RSTICK_DOWN, 155, 172, 16, 16},
    {22, IDB_SLOT_RSTICK_LEFT, IDR_OVERLAY_RSTICK_LEFT, 140, 157, 16, 16},
    {23, IDB_SLOT_RSTICK_RIGHT, IDR_OVERLAY_RSTICK_RIGHT, 170, 157, 16, 16},
};

std::string read_file(const std::string& name) {
    std::ifstream in(std::string(PICTURE_DIR) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool load_file(image_dib& image, const std::string& name) {
    const std::string bytes = read_file(name);
    nrv::storage::memory_streambuf buffer(bytes.data(), int32_t(bytes.size()));
    std::istream in(&buffer);
    return image.load(in);
}

std::string overlay_file(int id) {
    return "overlay_" + std::to_string(id) + ".bmp";
}

bool drawn(colour c) {
    return c.green < 254;
}

bool hoverable(colour c) {
    return c.green < 250;
}

class Pictures : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(load_file(picture(), "controller.bmp"));
        for (const overlay_place& p : kPlaces)
            ASSERT_TRUE(load_file(overlay(p.slot), overlay_file(p.overlay_id)));
    }
    static image_dib& picture() {
        static image_dib image;
        return image;
    }
    static image_dib& overlay(int slot) {
        static image_dib images[24];
        return images[slot];
    }
    // The slot the page takes as hovered at a picture point: the highest one whose
    // overlay is opaque there, its first row and column excluded.
    static int hovered_slot(int x, int y) {
        for (int s = 23; s >= 0; --s) {
            const overlay_place& p = kPlaces[s];
            if (p.x < x && x < p.x + p.width && p.y < y && y < p.y + p.height &&
                hoverable(overlay(s).get_pixel(x - p.x, y - p.y)))
                return s;
        }
        return -1;
    }
};

TEST_F(Pictures, PictureIsAWhole256By256EightBitFile) {
    EXPECT_EQ(picture().width(), 256);
    EXPECT_EQ(picture().height(), 256);
    EXPECT_EQ(picture().bit_count(), 8);
    EXPECT_EQ(picture().palette_size(), 256u);
    const std::string file = read_file("controller.bmp");
    ASSERT_EQ(file.size(), 1078u + 65536u);
    EXPECT_EQ(file.substr(0, 2), "BM");
    EXPECT_EQ(uint8_t(file[10]) | uint8_t(file[11]) << 8, 1078);
}

TEST_F(Pictures, LeftShoulderOverlayReadsItsFirstPixelFromTheLastStoredRow) {
    const image_dib& lb = overlay(6);
    EXPECT_EQ(lb.width(), 52);
    EXPECT_EQ(lb.height(), 27);
    EXPECT_EQ(lb.palette_size(), 256u);
    EXPECT_EQ(lb.header().biSizeImage, 1404u);
    EXPECT_EQ(lb.get_pixel(0, 0), lb.get_palette_entry(lb.bits()[26 * 52]));
}

TEST_F(Pictures, EveryOverlayLightsItsFeatureOnThePicture) {
    const colour background = picture().get_pixel(0, 0);
    for (const overlay_place& p : kPlaces) {
        SCOPED_TRACE(testing::Message() << "slot " << p.slot << ", overlay " << p.overlay_id);
        const image_dib& o = overlay(p.slot);
        ASSERT_EQ(o.width(), p.width);
        ASSERT_EQ(o.height(), p.height);
        ASSERT_EQ(o.bit_count(), 8);
        int lit = 0, changed = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                const colour c = o.get_pixel(x, y);
                if (!drawn(c)) {
                    ASSERT_TRUE(c == (colour{0, 255, 0, 255}) || c == (colour{1, 254, 1, 255}))
                        << x << "," << y;
                    continue;
                }
                const colour under = picture().get_pixel(p.x + x, p.y + y);
                ASSERT_NE(under, background) << "drawn over the background at " << x << "," << y;
                ++lit;
                const int brighter = (c.red + c.green + c.blue) - (under.red + under.green + under.blue);
                if (brighter > 90) ++changed;
            }
        EXPECT_GE(lit, p.width * p.height / 8);
        EXPECT_GE(changed, p.width * p.height / 16) << "the highlight must visibly light the feature";
        // The middle of each box is the function itself.
        EXPECT_EQ(hovered_slot(p.x + p.width / 2, p.y + p.height / 2), p.slot);
    }
}

TEST_F(Pictures, StickPressIsHoveredOnTheCapAndDirectionsOnTheirArrows) {
    struct row {
        int x, y, slot;
    } const rows[] = {
        {55, 131, 10},  {55, 116, 16},  {55, 146, 17},  {40, 131, 18},  {70, 131, 19},  // left stick
        {163, 165, 11}, {163, 150, 20}, {163, 180, 21}, {148, 165, 22}, {178, 165, 23},
        {92, 160, -1},  // the middle of the D-pad belongs to no direction
        {128, 200, -1}, {2, 2, -1},
    };
    for (const row& r : rows) EXPECT_EQ(hovered_slot(r.x, r.y), r.slot) << r.x << "," << r.y;
}

TEST_F(Pictures, SlotBitmapsAreDistinctTwentyByTwentyEightBitImages) {
    std::set<std::string> seen;
    for (const overlay_place& p : kPlaces) {
        SCOPED_TRACE(p.bitmap_id);
        const std::string name = "slot_" + std::to_string(p.bitmap_id) + ".bmp";
        image_dib icon;
        ASSERT_TRUE(load_file(icon, name));
        EXPECT_EQ(icon.width(), 20);
        EXPECT_EQ(icon.height(), 20);
        EXPECT_EQ(icon.bit_count(), 8);
        EXPECT_TRUE(seen.insert(read_file(name)).second) << "two functions share one picture";
    }
}

}  // namespace
