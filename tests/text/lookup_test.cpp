// Choosing the language block, looking texts up and reading TEXT_ID_ placeholders.
#include "test_database.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override { clear_string_database(); }
    void TearDown() override {
        clear_string_database();
        set_language(nullptr, nullptr);
    }
};

// Text 3 of every block names the block, so a lookup shows which block was chosen.
TestBlock named_block(const std::string& language, const std::string& country) {
    return {language, country, {{3, language + "/" + (country.empty() ? "any" : country)}}};
}

std::string chosen_block() {
    const char* text = lookup_text(text_id(3));
    return text ? text : "(none)";
}

struct LocaleRow {
    const char* language;
    const char* country;
    const char* block;
};

TEST_F(LanguageTest, TheLocaleChoosesTheBlockStepByStep) {
    ASSERT_TRUE(load_database_bytes(
        build_database({named_block("en", "GB"), named_block("fr", "FR"), named_block("de", "DE"),
                        named_block("it", "IT"), named_block("es", "ES"), named_block("pt", "PT")})));
    const LocaleRow rows[] = {
        {"fr", "FR", "fr/FR"},       // exact
        {"pt", "PT", "pt/PT"},       // exact, last block
        {"fr", "CA", "fr/FR"},       // same language, other country
        {"en", "US", "en/GB"},       // same language, other country
        {"de", "", "de/DE"},         // no country: any block of the language
        {"pl", "PL", "en/GB"},       // no block of the language: the first block
        {"ja", "JP", "en/GB"},       //
        {"FR", "fr", "fr/FR"},       // case folded: language lower, country upper
        {"", "", "en/GB"},           // the locale could not be read
        {nullptr, nullptr, "en/GB"}  //
    };
    for (const LocaleRow& row : rows) {
        SCOPED_TRACE(std::string(row.language ? row.language : "null") + "-" +
                     (row.country ? row.country : "null"));
        EXPECT_TRUE(set_language(row.language, row.country));
        EXPECT_EQ(chosen_block(), row.block);
    }
}

TEST_F(LanguageTest, ABlockForAnyCountryComesBeforeAnotherCountrysBlock) {
    ASSERT_TRUE(load_database_bytes(
        build_database({named_block("en", "GB"), named_block("fr", "CA"), named_block("fr", "")})));
    set_language("fr", "BE");
    EXPECT_EQ(chosen_block(), "fr/any");
    set_language("fr", "CA");
    EXPECT_EQ(chosen_block(), "fr/CA");
}

TEST_F(LanguageTest, CodesAreCutToFourCharacters) {
    ASSERT_TRUE(load_database_bytes(build_database({named_block("en", "GB"), named_block("port", "BRAZ")})));
    set_language("Portuguese", "Brazil");
    EXPECT_EQ(chosen_block(), "port/BRAZ");
}

TEST_F(LanguageTest, MissingTablesAndEntriesGiveNoText) {
    set_language("en", "GB");
    EXPECT_EQ(lookup_text(text_id(3)), nullptr);
    EXPECT_EQ(utf8_to_wide(lookup_text(text_id(3))), u"");

    ASSERT_TRUE(load_database_bytes(build_database({named_block("en", "GB")})));
    EXPECT_STREQ(lookup_text(text_id(3)), "en/GB");
    EXPECT_EQ(lookup_text(text_id(4)), nullptr);
    EXPECT_EQ(lookup_text((921u << 16) + 3), nullptr);
}

struct PlaceholderRow {
    std::u16string text;
    bool placeholder;
    uint32_t id;
};

TEST(PlaceholderTextId, ReadsTheNumberAsAStreamReadsAnInt) {
    const PlaceholderRow rows[] = {
        {u"TEXT_ID_052", true, text_id(52)},
        {u"TEXT_ID_ \t7", true, text_id(7)},
        {u"TEXT_ID_+8", true, text_id(8)},
        {u"TEXT_ID_-1", true, text_id(0) - 1},
        {u"TEXT_ID_12 and more", true, text_id(12)},
        {u"TEXT_ID_2147483647", true, text_id(0) + 2147483647u},
        {u"TEXT_ID_2147483648", false, 0},
        {u"TEXT_ID_", false, 0},
        {u"TEXT_ID_x1", false, 0},
        {u"text_id_052", false, 0},
        {u"See TEXT_ID_052", false, 0},
        {u"4:3", false, 0},
    };
    for (const PlaceholderRow& row : rows) {
        SCOPED_TRACE(std::string(row.text.begin(), row.text.end()));
        uint32_t id = 0;
        EXPECT_EQ(placeholder_text_id(row.text, id), row.placeholder);
        if (row.placeholder) {
            EXPECT_EQ(id, row.id);
        }
    }
}

}  // namespace
