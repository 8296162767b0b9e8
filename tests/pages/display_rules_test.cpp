#include "pages/pages.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

ResolutionSet table_set() {
    return ResolutionSet(resolution_table.begin(), resolution_table.end());
}

std::vector<std::pair<int, int>> sizes(const std::vector<OfferedMode>& offered) {
    std::vector<std::pair<int, int>> result;
    for (const OfferedMode& mode : offered)
        result.emplace_back(mode.resolution.width, mode.resolution.height);
    return result;
}

std::pair<int, int> size_of(const Resolution& size) {
    return {size.width, size.height};
}

const OfferedMode* find(const std::vector<OfferedMode>& offered, int width, int height) {
    for (const OfferedMode& mode : offered)
        if (mode.resolution.width == width && mode.resolution.height == height) return &mode;
    return nullptr;
}

constexpr Resolution kNoLimit = {1920, 1200};

TEST(OfferedResolutions, FullScreenOffersModesLargerThanTheScreenWithTheirLabel) {
    const ResolutionSet fullscreen = {{1024, 768}, {1680 / 2 * 2, 1050}, {1920, 1200}};
    const std::vector<OfferedMode> offered =
        offered_resolutions(table_set(), fullscreen, {1680, 1050}, {2560, 1600}, true);
    // 1680 x 1050 is no table resolution, so it is never offered.
    EXPECT_EQ(sizes(offered), (std::vector<std::pair<int, int>>{{1024, 768}, {1920, 1200}}));
    ASSERT_TRUE(find(offered, 1920, 1200));
    EXPECT_EQ(find(offered, 1920, 1200)->label, ModeLabel::FullScreenOnly);
    EXPECT_EQ(find(offered, 1024, 768)->label, ModeLabel::Plain);
}

TEST(OfferedResolutions, WindowModeOffersWhatFitsAndMarksWindowOnlyModes) {
    const ResolutionSet fullscreen = {{800, 600}, {1920, 1200}};
    const std::vector<OfferedMode> offered =
        offered_resolutions(table_set(), fullscreen, {1680, 1050}, {2560, 1600}, false);
    EXPECT_FALSE(find(offered, 1920, 1200)) << "larger than the screen";
    EXPECT_FALSE(find(offered, 1600, 1200));
    ASSERT_TRUE(find(offered, 1600, 900));
    EXPECT_EQ(find(offered, 1600, 900)->label, ModeLabel::WindowOnly);
    EXPECT_EQ(find(offered, 800, 600)->label, ModeLabel::Plain);
    EXPECT_EQ(offered.front().resolution.width, 640) << "ascending order";
}

TEST(OfferedResolutions, ThePixelLimitComparesAreasNotSides) {
    const ResolutionSet fullscreen = table_set();
    const Resolution medium_limit = max_resolution_for(1, 200);
    ASSERT_EQ(medium_limit.width, 1280);
    ASSERT_EQ(medium_limit.height, 720);
    const std::vector<OfferedMode> offered =
        offered_resolutions(table_set(), fullscreen, {2560, 1600}, medium_limit, true);
    EXPECT_TRUE(find(offered, 960, 720));
    EXPECT_TRUE(find(offered, 1024, 768)) << "taller than the limit, but fewer pixels";
    EXPECT_TRUE(find(offered, 1280, 720));
    EXPECT_FALSE(find(offered, 1280, 768));
    EXPECT_FALSE(find(offered, 1366, 768));
}

TEST(OfferedResolutions, NothingListedOffersNothing) {
    EXPECT_TRUE(offered_resolutions({}, {{640, 480}}, {1280, 1024}, kNoLimit, true).empty());
    EXPECT_TRUE(offered_resolutions({}, {{640, 480}}, {1280, 1024}, kNoLimit, false).empty());
}

TEST(DisplayRules, AspectFollowsTheIntegerRule) {
    struct Case {
        int width, height;
        bool wide;
    };
    const Case cases[] = {
        {1280, 1024, false},       {1366, 768, true},         {1280, 960, false},  {640, 480, false},
        {1024, 600, true},         {1280, 720, true},         {1366, 1024, false},  // 3 * 341 - 1024 < 0
        {INT_MAX, -INT_MAX, true}, {INT_MIN, INT_MAX, false},                       // from a damaged file
    };
    for (const Case& c : cases)
        EXPECT_EQ(is_wider_than_4_3({c.width, c.height}), c.wide) << c.width << " x " << c.height;
}

TEST(DisplayRules, LabelsPadNumbersToFourPlaces) {
    EXPECT_EQ(resolution_label({{640, 480}, ModeLabel::Plain}, u"w", u"f"), u"( 640, 480)");
    EXPECT_EQ(
        resolution_label({{1920, 1200}, ModeLabel::FullScreenOnly}, u"window only", u"full screen only"),
        u"(1920,1200) - full screen only");
    EXPECT_EQ(resolution_label({{720, 480}, ModeLabel::WindowOnly}, u"window only", u"x"),
              u"( 720, 480) - window only");
}

}  // namespace

// A 1920 x 1080 screen at 100, 125, 150, 175 and 200 %. Full-screen defaults come from the
// real pixels at every scale. A window fits when it fits the desktop the game sees: scaled
// down on Windows, the real one under Wine.
TEST(ScaledScreen, DefaultsUseTheRealPixelsAndWindowsFitTheGamesDesktop) {
    const Resolution real = {1920, 1080};
    struct Case {
        int32_t dpi;
        Resolution windows_desktop;
        Resolution largest_window_mode;
    } cases[] = {
        {96, {1920, 1080}, {1920, 1080}}, {120, {1536, 864}, {1366, 768}},
        {144, {1280, 720}, {1280, 720}},  {168, {1097, 617}, {960, 600}},
        {192, {960, 540}, {720, 480}},    {0, {1920, 1080}, {1920, 1080}},  // DPI unknown: taken as unscaled
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "dpi " << c.dpi);
        build_default_settings(2, real.width, real.height);
        EXPECT_EQ(screen_width(), 1280);
        EXPECT_EQ(screen_height(), 720);

        const Resolution windows = unaware_desktop_size(real, c.dpi, UnawareDesktop::Scaled);
        EXPECT_EQ(size_of(windows), size_of(c.windows_desktop));
        const std::vector<OfferedMode> offered =
            offered_resolutions(table_set(), {}, windows, kNoLimit, false);
        ASSERT_FALSE(offered.empty());
        EXPECT_EQ(size_of(offered.back().resolution), size_of(c.largest_window_mode));

        const Resolution wine = unaware_desktop_size(real, c.dpi, UnawareDesktop::Real);
        EXPECT_EQ(size_of(wine), size_of(real));
    }
}
