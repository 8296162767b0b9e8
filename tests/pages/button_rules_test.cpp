// The controller page's rules without windows: device buttons as entries, assignment,
// the capture scan, and hovering and lighting over the generated overlays.
#include "pages/controller/controller.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using nrv::graphic::colour;
using nrv::graphic::image;
using nrv::graphic::image_dib;

constexpr AxisPresence axes(std::initializer_list<int> present) {
    AxisPresence bits = 0;
    for (int axis : present) bits = static_cast<AxisPresence>(bits | 1u << axis);
    return bits;
}

// Two pads of common shapes: the right stick on Z and Rz, or on Rx and Ry with Z a trigger.
constexpr AxisPresence kZRzPad = axes({axis_x, axis_y, axis_z, axis_rz});
constexpr AxisPresence kRxRyPad = axes({axis_x, axis_y, axis_z, axis_rx, axis_ry});

EntryCode entry_of(int kind, int instance, AxisPresence present) {
    EntryCode entry = {0xEE, 0xEE};
    EXPECT_TRUE(entry_for_control(kind, instance, present, entry)) << "kind " << kind;
    return entry;
}

TEST(EntryRules, AxisOrdinalsDependOnTheAxesTheDeviceHas) {
    struct Row {
        AxisPresence pad;
        int kind;
        EntryCode entry;
    };
    const Row rows[] = {
        {kZRzPad, 5, {3, 0}},          // X minus
        {kZRzPad, 6, {2, 1}},          // Y plus
        {kZRzPad, 9, {3, 2}},          // Z minus: the right stick's left
        {kZRzPad, 14, {2, 3}},         // Rz plus
        {kRxRyPad, 11, {3, 2}},        // Rx minus: the same entry as Z minus on the other pad
        {kRxRyPad, 12, {2, 3}},        // Ry plus
        {kRxRyPad, 8, {2, 4}},         // Z comes after Rx and Ry
        {kAllAxesPresent, 3, {3, 4}},  // slider 0 minus
        {kAllAxesPresent, 15, {3, 7}},
    };
    for (const Row& row : rows) EXPECT_EQ(entry_of(row.kind, 0, row.pad), row.entry) << "kind " << row.kind;
    EXPECT_EQ(entry_of(2, 1, kAllAxesPresent), (EntryCode{2, 5})) << "slider 1 plus";
    EXPECT_EQ(entry_of(2, 1, kZRzPad), (EntryCode{2, 2})) << "slider 1 right after X and Y";
}

TEST(EntryRules, ButtonsKeysAndHats) {
    EXPECT_EQ(entry_of(1, 11, kZRzPad), (EntryCode{0, 11}));
    EXPECT_EQ(entry_of(1, 208, kAllAxesPresent), (EntryCode{0, 208})) << "keyboard: the key offset";
    // Every hat gives the same four entries, so a second hat stands for the first.
    for (int hat = 0; hat < 2; ++hat) {
        EXPECT_EQ(entry_of(19, hat, kZRzPad), (EntryCode{8, 0}));
        EXPECT_EQ(entry_of(18, hat, kZRzPad), (EntryCode{9, 0}));
        EXPECT_EQ(entry_of(16, hat, kZRzPad), (EntryCode{10, 0}));
        EXPECT_EQ(entry_of(17, hat, kZRzPad), (EntryCode{11, 0}));
    }
    EntryCode entry = {};
    for (int kind : {0, 20, -1}) EXPECT_FALSE(entry_for_control(kind, 0, kZRzPad, entry)) << "kind " << kind;
    EXPECT_FALSE(entry_for_control(1, 256, kZRzPad, entry)) << "no entry code for it";
    EXPECT_FALSE(entry_for_control(2, 2, kZRzPad, entry)) << "there are two sliders";
}

TEST(EntryRules, KeptEntriesAreNamedByTheirKindsPattern) {
    const KeptEntryPatterns patterns = {u"Taste %d", u"Achse %d %s", u"Kreuz %s"};
    const struct {
        uint32_t entry;
        std::u16string name;
    } cases[] = {
        {assignment_entry(0, 0, 0, 0), u"Taste 1"},
        {assignment_entry(0, 254, 0, 9), u"Taste 255"},
        {assignment_entry(2, 3, 3, 3), u"Achse 4 +"},
        {assignment_entry(3, 0, 3, 0), u"Achse 1 -"},
        {assignment_entry(8, 0, 0, 12), u"Kreuz \u2191"},
        {assignment_entry(9, 0, 0, 14), u"Kreuz \u2193"},
        {assignment_entry(10, 0, 0, 15), u"Kreuz \u2190"},
        {assignment_entry(11, 0, 0, 13), u"Kreuz \u2192"},
        {assignment_entry(255, 0, 0, 10), u""},
        {assignment_entry(1, 0, 0, 4), u""},  // XInput's own type
        {assignment_entry(12, 0, 0, 0), u""},
    };
    for (const auto& c : cases) EXPECT_EQ(kept_entry_name(c.entry, patterns), c.name) << "entry " << c.entry;
    // A translation may put the number after the sign.
    EXPECT_EQ(kept_entry_name(assignment_entry(3, 1, 0, 0), {u"", u"%s%d", u""}), u"-2");
}

TEST(EntryRules, AssigningTakesTheEntryFromEveryOtherSlot) {
    uint32_t entries[kFunctionCount];
    for (int slot = 0; slot < kFunctionCount; ++slot)
        entries[slot] = assignment_entry(0, static_cast<uint8_t>(slot), 0, static_cast<uint8_t>(slot));
    entries[9] = assignment_entry(0, 3, 2, 1);  // stored data may hold an entry twice

    assign_entry(entries, 7, {0, 3});
    EXPECT_EQ(entries[3], assignment_entry(kUnassignedType, 0, 0, 3)) << "unassigned, carried pair kept";
    EXPECT_EQ(entries[9], assignment_entry(kUnassignedType, 0, 2, 1));
    EXPECT_EQ(entries[7], assignment_entry(0, 3, 0, 7)) << "no swap: slot 7's old button is gone";
    EXPECT_EQ(slot_for_entry(entries, {0, 7}, 0), -1);
    EXPECT_EQ(slot_for_entry(entries, {0, 3}, 0), 7);
    EXPECT_EQ(entries[8], assignment_entry(0, 8, 0, 8));
}

TEST(EntryRules, SlotSearchFindsEverySlotHoldingTheEntry) {
    uint32_t entries[kFunctionCount] = {};
    for (uint32_t& entry : entries) entry = assignment_entry(kUnassignedType, 0, 0, 0);
    entries[4] = assignment_entry(8, 0, 0, 4);
    entries[12] = assignment_entry(8, 0, 0, 12);
    EXPECT_EQ(slot_for_entry(entries, {8, 0}, 0), 4);
    EXPECT_EQ(slot_for_entry(entries, {8, 0}, 5), 12);
    EXPECT_EQ(slot_for_entry(entries, {8, 0}, 13), -1);
    EXPECT_EQ(slot_for_entry(entries, {8, 0}, 24), -1);
    EXPECT_EQ(slot_for_entry(entries, {8, 1}, 0), -1) << "codes must match too";
    EXPECT_EQ(slot_for_entry(nullptr, {8, 0}, 0), -1);
    // The slot an assignment to slot s takes the entry from: another one, never s itself.
    EXPECT_EQ(slot_taken_from(entries, {8, 0}, 4), 12);
    EXPECT_EQ(slot_taken_from(entries, {8, 0}, 12), 4);
    EXPECT_EQ(slot_taken_from(entries, {8, 0}, 0), 4);
    EXPECT_EQ(slot_taken_from(entries, {9, 0}, 0), -1);
}

// --- the capture scan ---------------------------------------------------------------------

// One reading of a device: the buttons in `down` are down, every other one is up.
void read(nrv::peripheral::press_log& log, std::initializer_list<int> down) {
    for (int index = 0; index < nrv::peripheral::kMaxLogicalButtons; ++index)
        log.note(index, std::find(down.begin(), down.end(), index) != down.end());
}

TEST(CaptureScan, TakesOnlyPressesMadeSinceTheDialogOpened) {
    nrv::peripheral::press_log log;
    nrv::peripheral::press_reader scan;
    read(log, {5});
    scan.catch_up(log);  // as the dialog opens
    constexpr int kPad = 2;
    EXPECT_EQ(take_new_press(scan, log, 24, kPad), kNothingCaptured) << "held when the dialog opened";
    read(log, {5});
    EXPECT_EQ(take_new_press(scan, log, 24, kPad), kNothingCaptured) << "still held";
    read(log, {});
    read(log, {5});
    EXPECT_EQ(take_new_press(scan, log, 24, kPad), 5);
    read(log, {5, 20, 9});
    EXPECT_EQ(take_new_press(scan, log, 24, kPad), 9) << "the lower of two new presses";
    EXPECT_EQ(take_new_press(scan, log, 24, kPad), kNothingCaptured) << "both were taken";
    read(log, {});
    read(log, {3});
    read(log, {});
    EXPECT_EQ(take_new_press(scan, log, 24, kPad), 3) << "pressed and let go between two scans";
    read(log, {24});
    EXPECT_EQ(take_new_press(scan, log, 24, kPad), kNothingCaptured) << "beyond the device's buttons";
    scan.catch_up(log);  // another dialog
    read(log, {200});
    EXPECT_EQ(take_new_press(scan, log, 255, kPad), 200);
    read(log, {});
    read(log, {1, 30});
    EXPECT_EQ(take_new_press(scan, log, 255, 0), 30) << "a keyboard's Escape is passed over";
}

TEST(CaptureScan, KeyboardsSkipTheirDialogAndLockKeys) {
    const uint8_t excluded[] = {1, 28, 69, 70, 112, 148, 156, 57, 58, 219, 220};
    for (uint8_t key : excluded) {
        EXPECT_TRUE(is_capture_excluded(0, key)) << "key " << int(key);
        EXPECT_FALSE(is_capture_excluded(2, key)) << "a game controller's button " << int(key);
    }
    for (uint8_t key : {0, 2, 30, 200, 255}) EXPECT_FALSE(is_capture_excluded(0, static_cast<uint8_t>(key)));
}

TEST(XInputRule, NeedsWindowsXpOrLater) {
    struct Row {
        unsigned major, minor;
        bool supported;
    };
    const Row rows[] = {{4, 0, false}, {4, 90, false}, {5, 0, false}, {5, 1, true},
                        {5, 2, true},  {6, 0, true},   {6, 1, true},  {10, 0, true}};
    for (const Row& row : rows)
        EXPECT_EQ(xinput_supported(row.major, row.minor), row.supported) << row.major << "." << row.minor;
}

// --- hovering and lighting ----------------------------------------------------------------

bool load_picture(image_dib& picture, const std::string& name) {
    std::ifstream in(std::string(PICTURE_DIR) + "/" + name, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    nrv::storage::memory_streambuf buffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    std::istream stream(&buffer);
    return picture.load(stream);
}

// The overlay resource of each slot, in slot order.
constexpr int kOverlayIds[kFunctionCount] = {169, 177, 168, 170, 189, 186, 166, 185, 167, 188, 184, 187,
                                             173, 174, 171, 172, 181, 182, 180, 183, 178, 179, 176, 175};

class Picture : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(load_picture(s_picture, "controller.bmp"));
        for (int slot = 0; slot < kFunctionCount; ++slot) {
            ASSERT_TRUE(
                load_picture(s_overlays[slot], "overlay_" + std::to_string(kOverlayIds[slot]) + ".bmp"));
            s_pointers[slot] = &s_overlays[slot];
        }
    }
    static inline image_dib s_picture;
    static inline image_dib s_overlays[kFunctionCount];
    static inline const image* s_pointers[kFunctionCount];
};

TEST_F(Picture, TheHighestOpaqueOverlayUnderTheMouseIsHovered) {
    // The left stick press overlay lies under the four left stick direction overlays.
    EXPECT_EQ(hovered_slot(s_pointers, 55, 116), 16) << "stick up over stick press";
    EXPECT_EQ(hovered_slot(s_pointers, 56, 130), 10) << "stick press alone";
    EXPECT_EQ(hovered_slot(s_pointers, 203, 105), 0) << "Y";
    EXPECT_EQ(hovered_slot(s_pointers, 5, 5), -1) << "background";
    EXPECT_EQ(hovered_slot(s_pointers, 49, 110), -1) << "inside the stick up box, on its colour key";
}

TEST_F(Picture, EdgesAndNearGreenPixelsAreNotHovered) {
    // A fully opaque overlay in slot 23's place, with one near-green column.
    image_dib solid;
    ASSERT_TRUE(solid.create(16, 16, 32));
    solid.fill({10, 20, 30, 255});
    for (int y = 0; y < 16; ++y) solid.set_pixel(5, y, {0, 252, 0, 255});
    const image* overlays[kFunctionCount] = {};
    overlays[23] = &solid;
    const PicturePlace place = kOverlayPlaces[23];

    EXPECT_EQ(hovered_slot(overlays, place.x + 1, place.y + 1), 23);
    EXPECT_EQ(hovered_slot(overlays, place.x, place.y + 8), -1) << "first column";
    EXPECT_EQ(hovered_slot(overlays, place.x + 8, place.y), -1) << "first row";
    EXPECT_EQ(hovered_slot(overlays, place.x + 16, place.y + 8), -1) << "past the last column";
    EXPECT_EQ(hovered_slot(overlays, place.x + 5, place.y + 8), -1) << "green 252 is drawn but not hovered";

    image_dib canvas;
    ASSERT_TRUE(canvas.create(256, 256, 32));
    canvas.fill({200, 200, 200, 0});
    draw_overlay(canvas, solid, place.x, place.y);
    EXPECT_EQ(canvas.get_pixel(place.x + 5, place.y + 3), (colour{0, 252, 0, 255}));

    image_dib empty;
    overlays[23] = &empty;
    EXPECT_EQ(hovered_slot(overlays, place.x + 1, place.y + 1), -1) << "a missing overlay";
}

TEST_F(Picture, OverlaysKeepTheirKeyTransparentAndStackBySlot) {
    image_dib canvas;
    ASSERT_TRUE(canvas.create(256, 256, 32));
    ASSERT_TRUE(canvas.copy_from(s_picture));
    const colour background = canvas.get_pixel(49, 110);
    draw_overlay(canvas, s_overlays[10], kOverlayPlaces[10].x, kOverlayPlaces[10].y);
    const colour stick_press_lit = canvas.get_pixel(55, 116);
    draw_overlay(canvas, s_overlays[16], kOverlayPlaces[16].x, kOverlayPlaces[16].y);

    EXPECT_EQ(canvas.get_pixel(49, 110), background) << "the colour key is not drawn";
    EXPECT_EQ(canvas.get_pixel(55, 116), s_overlays[16].get_pixel(8, 8)) << "slot 16 over slot 10";
    EXPECT_NE(canvas.get_pixel(55, 116), stick_press_lit);
    EXPECT_EQ(canvas.get_pixel(56, 130), s_overlays[10].get_pixel(19, 21));
}

int colour_distance(colour a, colour b) {
    return std::abs(a.red - b.red) + std::abs(a.green - b.green) + std::abs(a.blue - b.blue);
}

// The point of the part slot lights where the lit picture is most even (a 5 x 5 square
// around it of this slot's lit part alone, no later slot over it); {-1, -1} when none is.
PicturePlace even_point(const image& lit, const image* const* overlays, int slot) {
    const image& overlay = *overlays[slot];
    const PicturePlace place = kOverlayPlaces[slot];
    PicturePlace best = {-1, -1};
    int best_spread = 1 << 30;
    for (int y = 2; y + 2 < overlay.height(); ++y) {
        for (int x = 2; x + 2 < overlay.width(); ++x) {
            const colour centre = lit.get_pixel(place.x + x, place.y + y);
            int spread = 0;
            for (int dy = -2; dy <= 2 && spread < best_spread; ++dy) {
                for (int dx = -2; dx <= 2; ++dx) {
                    const int px = place.x + x + dx;
                    const int py = place.y + y + dy;
                    if (hovered_slot(overlays, px, py) != slot) spread = 1 << 30;
                    if (spread < best_spread) spread += colour_distance(lit.get_pixel(px, py), centre);
                }
            }
            if (spread < best_spread) {
                best_spread = spread;
                best = {place.x + x, place.y + y};
            }
        }
    }
    return best;
}

// The pictures drawn at 200 % (the program scales them down above 100 %): the lit picture
// at 125, 150, 175 and 200 % shows each part lit where the picture of 100 % lights it.
// The pictures drawn at 200 %: the controller picture, the overlays, the slot bitmaps.
image_dib* large_pictures() {
    static image_dib large[1 + 2 * kFunctionCount];
    static const bool loaded = [] {
        std::ifstream in(std::string(PICTURE_DIR) + "/pictures_2x.z", std::ios::binary);
        const std::string packed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<uint8_t> files;
        return nrv::storage::inflate_zlib(packed.data(), packed.size(), 4u << 20, files) &&
               nrv::graphic::load_bmp_sequence(files.data(), files.size(), large, 1 + 2 * kFunctionCount);
    }();
    return loaded ? large : nullptr;
}

TEST_F(Picture, PicturesAt200PercentLightTheSamePartsAtEveryScale) {
    image_dib* large = large_pictures();
    ASSERT_TRUE(large);
    ASSERT_EQ(large[0].width(), 512);
    ASSERT_EQ(large[0].height(), 512);
    for (int slot = 0; slot < kFunctionCount; ++slot) {
        EXPECT_EQ(large[1 + slot].width(), 2 * s_overlays[slot].width()) << slot;
        EXPECT_EQ(large[1 + slot].height(), 2 * s_overlays[slot].height()) << slot;
        EXPECT_EQ(large[1 + kFunctionCount + slot].width(), 40) << slot;
    }

    const image* large_overlays[kFunctionCount];
    for (int slot = 0; slot < kFunctionCount; ++slot) large_overlays[slot] = &large[1 + slot];
    constexpr uint32_t kAllLit = (1u << kFunctionCount) - 1;
    image_dib lit;
    ASSERT_TRUE(lit.create(256, 256, 32));
    ASSERT_TRUE(draw_lit_picture(lit, s_picture, s_pointers, kAllLit, 1));
    image_dib large_lit;
    ASSERT_TRUE(large_lit.create(512, 512, 32));
    ASSERT_TRUE(draw_lit_picture(large_lit, large[0], large_overlays, kAllLit, 2));
    PicturePlace points[kFunctionCount];
    for (int slot = 0; slot < kFunctionCount; ++slot) {
        points[slot] = even_point(lit, s_pointers, slot);
        ASSERT_GE(points[slot].x, 0) << slot;
        EXPECT_GT(colour_distance(lit.get_pixel(points[slot].x, points[slot].y),
                                  s_picture.get_pixel(points[slot].x, points[slot].y)),
                  60)
            << "slot " << slot << " lights its part visibly";
    }
    for (int size : {320, 384, 448, 512}) {
        image_dib shown;
        ASSERT_TRUE(shown.create(size, size, 32));
        ASSERT_TRUE(nrv::graphic::resample_area(large_lit, shown));
        for (int slot = 0; slot < kFunctionCount; ++slot) {
            const int x = (2 * points[slot].x + 1) * size / 512;
            const int y = (2 * points[slot].y + 1) * size / 512;
            EXPECT_LE(colour_distance(shown.get_pixel(x, y), lit.get_pixel(points[slot].x, points[slot].y)),
                      60)
                << "slot " << slot << " at " << size << " pixels";
        }
    }
}

// The kept scaled pictures draw each lit part as scaling the whole lit picture does, and are
// made again only for another size or lit colour.
TEST_F(Picture, KeptScaledPicturesDrawWhatScalingTheWholePictureDraws) {
    image_dib* large = large_pictures();
    ASSERT_TRUE(large);
    const image* large_overlays[kFunctionCount];
    for (int slot = 0; slot < kFunctionCount; ++slot) large_overlays[slot] = &large[1 + slot];
    image_dib large_lit;
    ASSERT_TRUE(large_lit.create(512, 512, 32));
    ScaledPicture kept;
    struct Case {
        int size;
        std::vector<uint32_t> masks;
    } cases[] = {
        {384, {0, 1u << 12, 1u << 8 | 1u << 12}},
        {320, {1u << 5}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(kept.Prepare(large[0], large_overlays, 2, c.size, c.size, nullptr));
        image_dib drawn, scaled;
        ASSERT_TRUE(drawn.create(c.size, c.size, 32));
        ASSERT_TRUE(scaled.create(c.size, c.size, 32));
        for (uint32_t mask : c.masks) {
            SCOPED_TRACE(testing::Message() << "size " << c.size << ", lit " << std::hex << mask);
            ASSERT_TRUE(kept.Draw(drawn, mask));
            ASSERT_TRUE(draw_lit_picture(large_lit, large[0], large_overlays, mask, 2));
            ASSERT_TRUE(nrv::graphic::resample_area(large_lit, scaled));
            int differing = 0;
            for (int y = 0; y < c.size; ++y)
                for (int x = 0; x < c.size; ++x)
                    differing += !(drawn.get_pixel(x, y) == scaled.get_pixel(x, y));
            EXPECT_EQ(differing, 0);
        }
    }
    EXPECT_EQ(kept.Builds(), 2);
    ASSERT_TRUE(kept.Prepare(large[0], large_overlays, 2, 320, 320, nullptr));
    EXPECT_EQ(kept.Builds(), 2) << "the same size again";
    const nrv::graphic::colour highlight = {200, 100, 0, 255};
    ASSERT_TRUE(kept.Prepare(large[0], large_overlays, 2, 320, 320, &highlight));
    EXPECT_EQ(kept.Builds(), 3) << "another lit colour";
    image_dib drawn;
    ASSERT_TRUE(drawn.create(384, 384, 32));
    EXPECT_FALSE(kept.Draw(drawn, 1)) << "a picture of another size";
}

TEST(PictureRules, TheMouseMapsOntoThePictureAtEveryDrawnSize) {
    struct Case {
        int drawn, drawn_length, picture;
    } cases[] =
        {
            {0, 256, 0},     {255, 256, 255}, {0, 384, 0},     {383, 384, 255},
            {191, 384, 127}, {192, 384, 128}, {511, 512, 255}, {-1, 384, -1},
            {-1, 512, -1},   {384, 384, 256}, {7, 0, 7},  // nothing drawn: unchanged
        };
    for (const Case& c : cases)
        EXPECT_EQ(picture_coordinate(c.drawn, 256, c.drawn_length), c.picture)
            << c.drawn << " of " << c.drawn_length;
}

// A figure for tools/benchmark.sh, not a test: disabled in the test run.
TEST_F(Picture, DISABLED_CostOfARebuildWithEverySlotLit) {
    image_dib canvas;
    ASSERT_TRUE(canvas.create(s_picture.width(), s_picture.height(), 32));
    constexpr int kRounds = 50;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < kRounds; ++round) {
        canvas.copy_from(s_picture);
        for (int slot = 0; slot < kFunctionCount; ++slot)
            draw_overlay(canvas, s_overlays[slot], kOverlayPlaces[slot].x, kOverlayPlaces[slot].y);
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("canvas rebuild with all 24 overlays lit: %.3f ms\n", ms / kRounds);

    // At 150 % from the scaled pictures kept for that size, made once beforehand.
    image_dib* large = large_pictures();
    ASSERT_TRUE(large);
    const image* large_overlays[kFunctionCount];
    for (int slot = 0; slot < kFunctionCount; ++slot) large_overlays[slot] = &large[1 + slot];
    const int size = canvas.width() * 3 / 2;
    ScaledPicture kept;
    const auto made = std::chrono::steady_clock::now();
    ASSERT_TRUE(kept.Prepare(large[0], large_overlays, 2, size, size, nullptr));
    const double made_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - made).count();
    image_dib shown;
    ASSERT_TRUE(shown.create(size, size, 32));
    const auto scaled_start = std::chrono::steady_clock::now();
    for (int round = 0; round < kRounds; ++round) kept.Draw(shown, (1u << kFunctionCount) - 1);
    const double scale_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - scaled_start).count();
    std::printf(
        "canvas rebuild, then drawn at 150 %% from the scaled pictures kept for it: %.3f ms more (they "
        "are made once per DPI, in %.1f ms)\n",
        scale_ms / kRounds, made_ms);
}

// A dialog-unit length in pixels as the dialog manager maps it: each length rounded on its own.
int dialog_pixels(int units, int base) {
    return (units * base * 2 + 4) / 8;
}
PixelRect laid_out(int x, int y, int width, int height, int base_x, int base_y) {
    const int left = dialog_pixels(x, base_x);
    const int top = (y * base_y * 2 + 8) / 16;
    return {left, top, left + dialog_pixels(width, base_x), top + (height * base_y * 2 + 8) / 16};
}
bool meet(const PixelRect& a, const PixelRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}
bool inside(const PixelRect& inner, const PixelRect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// The slot buttons of both columns of the template beside their name boxes, over the base
// units of Windows' dialog font (6 x 13 at 96 DPI) and Wine's (7 x 14) and everything between
// and above, at 96, 120, 144 and 192 DPI: the button never meets its box, and its picture
// stays inside it at its full size where it fits.
TEST(SlotLayout, ButtonsNeverCoverTheirNameBoxAndPicturesStayInside) {
    struct Row {
        int button_x, box_x, y;
    } rows[] = {{5, 20, 41}, {5, 20, 90}, {257, 272, 218}};
    for (int dpi : {96, 120, 144, 192}) {
        for (int base_x = dpi / 16; base_x <= dpi * 15 / 96; ++base_x) {
            const int base_y = base_x * 2 + 1;
            for (const Row& row : rows) {
                SCOPED_TRACE(testing::Message() << "dpi " << dpi << ", base units " << base_x << " x "
                                                << base_y << ", button at " << row.button_x << ", " << row.y);
                const PixelRect button_template = laid_out(row.button_x, row.y, 15, 13, base_x, base_y);
                const PixelRect box = laid_out(row.box_x, row.y, 50, 14, base_x, base_y);
                const PixelRect button = slot_button_rect(button_template, box);
                EXPECT_FALSE(meet(button, box));
                EXPECT_TRUE(inside(button, button_template));
                EXPECT_GE(button.right - button.left, button_template.right - button_template.left - 1);

                const PixelRect picture = slot_picture_rect(20, dpi, button);
                EXPECT_TRUE(inside(picture, button));
                const int side = picture.right - picture.left;
                EXPECT_EQ(side, picture.bottom - picture.top);
                EXPECT_EQ(side,
                          std::min({20 * dpi / 96, button.right - button.left, button.bottom - button.top}));
            }
        }
    }
}

TEST(SlotLayout, AButtonAwayFromItsBoxKeepsItsRectangle) {
    const PixelRect button = {10, 10, 40, 30};
    const PixelRect below = {20, 30, 80, 50};
    const PixelRect left_of_it = {0, 10, 10, 30};
    EXPECT_EQ(slot_button_rect(button, below).right, 40);
    EXPECT_EQ(slot_button_rect(button, left_of_it).right, 40);
    const PixelRect empty = slot_picture_rect(20, 96, {5, 5, 5, 30});
    EXPECT_EQ(empty.right - empty.left, 0);
}

}  // namespace
