// The string database loader and the text decoder over resources the tests build, intact
// and damaged.
#include "test_database.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const kMissing = "(missing)";

std::string stored_text(const TextTable* table, uint16_t id) {
    const char* text = find_text(table, id);
    return text ? std::string(text) : kMissing;
}

class StringDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override { clear_string_database(); }
    void TearDown() override { clear_string_database(); }
};

// Two blocks of three texts. Layout: header 16, records 32, the English block at 48
// (entries 24, texts 25, padding to 64), the French block at 112 (entries 24, texts 29,
// padding to 64); 176 bytes in all.
std::string two_languages() {
    return build_database({{"en", "GB", {{3, "Settings"}, {30, "Cancel"}, {52, "UDP port"}}},
                           {"fr", "FR", {{3, "Param\xC3\xA8tres"}, {30, "Annuler"}, {52, "Port UDP"}}}});
}
constexpr size_t kEnglishBlock = 48;
constexpr size_t kFrenchBlock = 112;
constexpr size_t kFrenchTexts = kFrenchBlock + 24;

struct DamageRow {
    const char* name;
    std::function<void(std::string&)> damage;
    bool loaded;
    std::vector<std::string> english;  // texts 3, 30, 52; empty: no English table
    std::vector<std::string> french;
};

const std::vector<std::string> kEnglish = {"Settings", "Cancel", "UDP port"};
const std::vector<std::string> kFrench = {"Param\xC3\xA8tres", "Annuler", "Port UDP"};
const std::vector<std::string> kNoTable = {};

const DamageRow kDamageRows[] = {
    {"intact", [](std::string&) {}, true, kEnglish, kFrench},
    {"empty resource", [](std::string& b) { b.clear(); }, false, kNoTable, kNoTable},
    {"wrong magic", [](std::string& b) { b[3] = 'X'; }, false, kNoTable, kNoTable},
    {"header cut short", [](std::string& b) { b.resize(10); }, false, kNoTable, kNoTable},
    {"language table cut short", [](std::string& b) { b.resize(40); }, false, kNoTable, kNoTable},
    {"block count far beyond the records", [](std::string& b) { put_u32(b, 8, 0xFFFFFFFF); }, false, kNoTable,
     kNoTable},
    {"block offset outside the data", [](std::string& b) { put_u32(b, record_at(0) + 8, 0x7FFFFFF0); }, false,
     kNoTable, kFrench},
    {"block offset wrapping around", [](std::string& b) { put_u32(b, record_at(1) + 8, 0xFFFFFFF0); }, false,
     kEnglish, kNoTable},
    {"entry list cut short", [](std::string& b) { b.resize(kFrenchBlock + 20); }, false, kEnglish, kNoTable},
    {"text offset outside the text area",
     [](std::string& b) { put_u32(b, kEnglishBlock + 8 + 4, 1000); },
     true,
     {"Settings", kMissing, "UDP port"},
     kFrench},
    {"text offset just past the area",
     [](std::string& b) { put_u32(b, kEnglishBlock + 8 + 4, 32); },
     true,
     {"Settings", kMissing, "UDP port"},
     kFrench},
    {"last text without its NUL",
     [](std::string& b) { b.resize(kFrenchTexts + 12 + 8 + 7); },
     true,
     kEnglish,
     {"Param\xC3\xA8tres", "Annuler", kMissing}},
    {"padding missing at the end", [](std::string& b) { b.resize(kFrenchTexts + 29); }, true, kEnglish,
     kFrench},
    {"last entry claiming a huge text",
     [](std::string& b) {
         put_u16(b, kFrenchBlock + 16 + 2, 0xFFFF);
         put_u32(b, kFrenchBlock + 16 + 4, 0xFFFFFF00);
     },
     true,
     kEnglish,
     {"Param\xC3\xA8tres", "Annuler", kMissing}},
    {"last entry pointing before the others",
     [](std::string& b) {
         put_u16(b, kFrenchBlock + 16 + 2, 0);
         put_u32(b, kFrenchBlock + 16 + 4, 0);
     },
     true,
     kEnglish,
     {"Param\xC3\xA8tres", kMissing, "Param\xC3\xA8tres"}},
    {"entry count zero",
     [](std::string& b) { put_u16(b, record_at(0) + 14, 0); },
     true,
     {kMissing, kMissing, kMissing},
     kFrench},
};

TEST_F(StringDatabaseTest, DamagedResourcesLoadWhatLiesInsideTheData) {
    for (const DamageRow& row : kDamageRows) {
        SCOPED_TRACE(row.name);
        clear_string_database();
        std::string bytes = two_languages();
        row.damage(bytes);
        EXPECT_EQ(load_database_bytes(bytes), row.loaded);

        const std::pair<const TextTable*, const std::vector<std::string>*> tables[] = {
            {exact_table("en", "GB"), &row.english}, {exact_table("fr", "FR"), &row.french}};
        for (const auto& [table, expected] : tables) {
            if (expected->empty()) {
                EXPECT_EQ(table, nullptr);
                continue;
            }
            ASSERT_NE(table, nullptr);
            EXPECT_EQ(stored_text(table, 3), (*expected)[0]);
            EXPECT_EQ(stored_text(table, 30), (*expected)[1]);
            EXPECT_EQ(stored_text(table, 52), (*expected)[2]);
        }
    }
}

TEST_F(StringDatabaseTest, TruncationAtEveryByteNeverReadsPastTheData) {
    // Under AddressSanitizer a read past the data fails the test; every text that is found
    // must be one of the stored ones.
    const std::string intact = two_languages();
    for (size_t size = 0; size <= intact.size(); ++size) {
        SCOPED_TRACE(size);
        clear_string_database();
        // A copy of exactly `size` bytes, so that any overread leaves the heap block.
        const std::string cut = intact.substr(0, size);
        load_database_bytes(cut);
        const TextTable* english = exact_table("en", "GB");
        const TextTable* french = exact_table("fr", "FR");
        for (uint16_t id : {3, 30, 52}) {
            if (const char* text = find_text(english, id)) {
                EXPECT_NE(std::find(kEnglish.begin(), kEnglish.end(), text), kEnglish.end());
            }
            if (const char* text = find_text(french, id)) {
                EXPECT_NE(std::find(kFrench.begin(), kFrench.end(), text), kFrench.end());
            }
        }
    }
}

TEST_F(StringDatabaseTest, LengthsCountingCharactersStillLoad) {
    // The last text has 10 characters in 11 bytes; its length field says 10. Only that
    // length sizes the text area, and the rounding to 16 bytes still takes in its NUL.
    std::string bytes = build_database({{"fr", "FR", {{28, "Suivant"}, {32, "Param\xC3\xA8tres"}}}});
    put_u16(bytes, 32 + 8 + 2, 10);
    ASSERT_TRUE(load_database_bytes(bytes));
    EXPECT_EQ(stored_text(exact_table("fr", "FR"), 32), "Param\xC3\xA8tres");
}

TEST_F(StringDatabaseTest, ARepeatedLanguageRecordReplacesTheEarlierBlock) {
    ASSERT_TRUE(load_database_bytes(build_database({{"en", "GB", {{3, "First"}, {8, "Only in the first"}}},
                                                    {"fr", "FR", {{3, "Premier"}}},
                                                    {"en", "GB", {{3, "Second"}}}})));
    const TextTable* english = exact_table("en", "GB");
    ASSERT_NE(english, nullptr);
    EXPECT_EQ(stored_text(english, 3), "Second");
    EXPECT_EQ(stored_text(english, 8), kMissing);
    // The replaced table keeps its place: it is still the first of the table id.
    EXPECT_EQ(find_text_table(kMainTextTable, pack_code("pl"), pack_code("PL"), false), english);
}

TEST_F(StringDatabaseTest, ALaterEntryWithTheSameIdWins) {
    ASSERT_TRUE(load_database_bytes(build_database({{"en", "GB", {{5, "old"}, {5, "new"}}}})));
    EXPECT_EQ(stored_text(exact_table("en", "GB"), 5), "new");
}

struct DecodeRow {
    const char* name;
    const char* utf8;
    std::u16string wide;
};

const DecodeRow kDecodeRows[] = {
    {"absent text", nullptr, u""},
    {"empty text", "", u""},
    {"ASCII, one unit per byte", "Cancel 30", u"Cancel 30"},
    {"two-byte sequence", "\xC5\x82", u"\u0142"},
    {"three-byte sequence", "\xE2\x80\x94", u"\u2014"},
    {"mixed", "R\xC3\xA9solution \xE2\x80\x94 4:3", u"R\u00E9solution \u2014 4:3"},
    {"NUL after a two-byte lead", "a\xC5", u"a"},
    {"NUL after a three-byte lead", "a\xE2", u"a"},
    {"NUL inside a three-byte sequence", "a\xE2\x80", u"a"},
    {"continuation bytes are not checked", "\xC5\x41", u"\u0141"},
    {"four-byte sequences are not supported", "\xF0\x9F\x98\x80", u"\u07D8"},
};

TEST(Utf8ToWide, DecodesOneTwoAndThreeByteSequencesAndStopsAtTheNul) {
    for (const DecodeRow& row : kDecodeRows) {
        SCOPED_TRACE(row.name);
        // A heap copy of exactly the text and its NUL, so that any overread is caught.
        std::unique_ptr<char[]> copy;
        if (row.utf8) {
            const size_t size = std::strlen(row.utf8) + 1;
            copy.reset(new char[size]);
            std::memcpy(copy.get(), row.utf8, size);
        }
        EXPECT_EQ(utf8_to_wide(copy.get()), row.wide);
    }
}

}  // namespace
