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

// Full-screen defaults come from the real pixels at every scale.
TEST(ScaledScreen, DefaultsUseTheRealPixels) {
    for (int32_t dpi : {96, 120, 144, 168, 192}) {
        SCOPED_TRACE(testing::Message() << "dpi " << dpi);
        build_default_settings(2, 1920, 1080);
        EXPECT_EQ(screen_width(), 1280);
        EXPECT_EQ(screen_height(), 720);
    }
}

// A window fits when it fits the desktop the game sees, which depends on the system and how
// it scales programs without DPI awareness.
TEST(ScaledScreen, WindowsFitTheDesktopTheGameSees) {
    enum System { Wine, Windows10, Windows81, Windows7, WindowsXp };
    constexpr int32_t kNotSet = -1;
    constexpr Resolution kNoMeasure = {0, 0};
    struct Case {
        const char* what;
        System system;
        bool composition;
        int32_t setting;  // UseDpiScaling
        int32_t dpi;
        Resolution real;
        Resolution measured;  // what Windows 10 reads with the thread unaware
        Resolution seen;
        Resolution largest_window_mode;
    } cases[] = {
        {"Wine at 150 %", Wine, false, kNotSet, 144, {1920, 1080}, kNoMeasure, {1920, 1080}, {1920, 1080}},
        {"Wine at 200 %", Wine, true, 1, 192, {1920, 1080}, {960, 540}, {1920, 1080}, {1920, 1080}},
        {"10 at 175 %", Windows10, true, kNotSet, 168, {1920, 1080}, {1097, 617}, {1097, 617}, {960, 600}},
        // Scale changed to 150 % without signing out: the system DPI is still the old one.
        {"10 after a change",
         Windows10,
         true,
         kNotSet,
         96,
         {1920, 1080},
         {1280, 720},
         {1280, 720},
         {1280, 720}},
        // Docked: the session started on a 200 % laptop, the primary screen is a 100 % one.
        {"10 docked", Windows10, true, kNotSet, 192, {2560, 1440}, {2560, 1440}, {2560, 1440}, {1920, 1200}},
        {"10, no answer", Windows10, true, kNotSet, 144, {1920, 1080}, kNoMeasure, {1280, 720}, {1280, 720}},
        {"7 at 125 %, XP style",
         Windows7,
         true,
         kNotSet,
         120,
         {1920, 1080},
         kNoMeasure,
         {1920, 1080},
         {1920, 1080}},
        {"7 at 125 %, scaling chosen",
         Windows7,
         true,
         1,
         120,
         {1920, 1080},
         kNoMeasure,
         {1536, 864},
         {1366, 768}},
        {"7 at 150 %", Windows7, true, kNotSet, 144, {1920, 1080}, kNoMeasure, {1280, 720}, {1280, 720}},
        {"7 at 150 %, XP style chosen",
         Windows7,
         true,
         0,
         144,
         {1920, 1080},
         kNoMeasure,
         {1920, 1080},
         {1920, 1080}},
        {"7 at 200 %, no composition",
         Windows7,
         false,
         1,
         192,
         {1920, 1080},
         kNoMeasure,
         {1920, 1080},
         {1920, 1080}},
        {"7 at 200 %", Windows7, true, kNotSet, 192, {1920, 1080}, kNoMeasure, {960, 540}, {720, 480}},
        {"7 at 100 %", Windows7, true, 1, 96, {1920, 1080}, kNoMeasure, {1920, 1080}, {1920, 1080}},
        {"7, DPI unknown", Windows7, true, 1, 0, {1920, 1080}, kNoMeasure, {1920, 1080}, {1920, 1080}},
        {"8.1 at 125 %", Windows81, true, kNotSet, 120, {1920, 1080}, kNoMeasure, {1536, 864}, {1366, 768}},
        {"8.1 at 125 %, setting off",
         Windows81,
         true,
         0,
         120,
         {1920, 1080},
         kNoMeasure,
         {1536, 864},
         {1366, 768}},
        {"XP at 150 %", WindowsXp, false, kNotSet, 144, {1600, 1200}, kNoMeasure, {1600, 1200}, {1600, 1200}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UnawareDesktopFacts facts = {};
        facts.real = c.real;
        facts.dpi = c.dpi;
        facts.wine = c.system == Wine;
        facts.measured_known = c.system == Windows10;
        facts.measured = facts.measured_known ? c.measured : Resolution{};
        facts.composition_on = c.composition && c.system != WindowsXp;
        facts.dpi_scaling_setting = c.setting;
        facts.xp_style_offered = c.system == Windows7 || c.system == WindowsXp;
        const Resolution seen = unaware_desktop_size(facts);
        EXPECT_EQ(size_of(seen), size_of(c.seen));
        const std::vector<OfferedMode> offered = offered_resolutions(table_set(), {}, seen, kNoLimit, false);
        ASSERT_FALSE(offered.empty());
        EXPECT_EQ(size_of(offered.back().resolution), size_of(c.largest_window_mode));
    }
}
