// The string database the build ships: its exact layout, and every text in every language.
// In the Windows build the bytes come from the test's own RCDATA 190, compiled from the
// program's strings.rc; natively from the generated file.
#include "test_database.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include "res/resource.h"
#endif

namespace {

// The text numbers of the main table, as the program and the game know them; the tool's
// own additions follow on lines of their own.
// clang-format off
const std::set<uint16_t> kTextIds = {
    3,   8,   28,  29,  30,  32,  33,  34,  35,  36,  37,  38,  39,  40,  41,  42,  43,  44,  45,  46, 47,
    48,  49,  50,  51,  52,  53,  54,  55,  56,  57,  60,  61,  62,  63,  64,  65,  66,  67,  68,  69, 70,
    71,  72,  73,  74,  75,  76,  77,  78,  82,  83,  84,  85,  86,  87,  88,  89,  90,  97,  98,  99, 104,
    105, 106, 107, 108, 109, 110, 111, 113, 114, 115, 116, 117, 118, 119, 121, 123, 125, 126, 130, 131,
    140,  // the file error text
    150, 151, 152, 153,  // a pad that is not connected
    170, 171, 172, 173, 174,  // names, notes and the controller settings button
    175, 176, 177,  // a settings file that could not be read
    178, 179, 180, 181,  // the names printed on the pads of each family
    182,  // the question before changes made by pad are lost
    183,  // game controllers still being looked for
    184, 185, 186,  // choosing pads by pressing them, and the note of a swap
};
// clang-format on

const char* const kBlocks[][2] = {{"en", "GB"}, {"fr", "FR"}, {"de", "DE"},
                                  {"it", "IT"}, {"es", "ES"}, {"pt", "PT"}};

std::string shipped_bytes() {
#ifdef _WIN32
    HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_STRING_DATABASE), MAKEINTRESOURCEW(10));
    HGLOBAL data = resource ? LoadResource(nullptr, resource) : nullptr;
    const char* bytes = data ? static_cast<const char*>(LockResource(data)) : nullptr;
    return bytes ? std::string(bytes, SizeofResource(nullptr, resource)) : std::string();
#else
    std::ifstream file(SHIPPED_STRING_DATABASE, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
#endif
}

uint32_t u32_at(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}

uint16_t u16_at(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(u32_at(bytes, at) & 0xFFFF);
}

class ShippedDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        clear_string_database();
        m_bytes = shipped_bytes();
        ASSERT_FALSE(m_bytes.empty()) << "the generated string database is missing";
    }
    void TearDown() override {
        clear_string_database();
        set_language(nullptr, nullptr);
    }
    std::string m_bytes;
};

TEST_F(ShippedDatabaseTest, HasTheExactLayoutOfTheResource) {
    ASSERT_EQ(m_bytes.compare(0, 4, "STRD"), 0);
    EXPECT_EQ(u32_at(m_bytes, 4), 0u);
    ASSERT_EQ(u32_at(m_bytes, 8), 6u);
    EXPECT_EQ(u32_at(m_bytes, 12), 0u);

    const size_t blocks_start = 16 * 7;
    size_t expected_block = 0;
    for (size_t b = 0; b < 6; ++b) {
        SCOPED_TRACE(kBlocks[b][0]);
        const size_t record = record_at(b);
        EXPECT_EQ(m_bytes.substr(record, 8), code_bytes(kBlocks[b][0]) + code_bytes(kBlocks[b][1]));
        // Blocks follow each other in record order, each starting on 16 bytes.
        ASSERT_EQ(u32_at(m_bytes, record + 8), expected_block);
        EXPECT_EQ(u16_at(m_bytes, record + 12), kMainTextTable);
        const uint16_t count = u16_at(m_bytes, record + 14);
        ASSERT_EQ(count, kTextIds.size());

        const size_t entries = blocks_start + expected_block;
        const size_t area = entries + 8 * size_t{count};
        uint32_t next_offset = 0;
        uint16_t previous_id = 0;
        for (size_t e = 0; e < count; ++e) {
            const size_t entry = entries + 8 * e;
            const uint16_t id = u16_at(m_bytes, entry);
            EXPECT_LT(previous_id, id) << "entries sorted by id";
            previous_id = id;
            // Texts lie in entry order without gaps; lengths count bytes without the NUL.
            ASSERT_EQ(u32_at(m_bytes, entry + 4), next_offset);
            const size_t length = u16_at(m_bytes, entry + 2);
            EXPECT_EQ(std::strlen(m_bytes.c_str() + area + next_offset), length) << "text " << id;
            next_offset += static_cast<uint32_t>(length + 1);
        }
        const size_t block_end = area + next_offset;
        const size_t padded_end = (block_end - blocks_start + 15) / 16 * 16 + blocks_start;
        EXPECT_EQ(m_bytes.substr(block_end, padded_end - block_end),
                  std::string(padded_end - block_end, '\0'));
        expected_block = padded_end - blocks_start;
    }
    EXPECT_EQ(m_bytes.size(), blocks_start + expected_block);
}

TEST_F(ShippedDatabaseTest, HoldsEveryTextInEveryLanguage) {
    ASSERT_TRUE(load_database_bytes(m_bytes));
    for (const auto& block : kBlocks) {
        SCOPED_TRACE(block[0]);
        const TextTable* table = exact_table(block[0], block[1]);
        ASSERT_NE(table, nullptr);
        std::set<uint16_t> ids;
        for (const auto& entry : table->entries) ids.insert(entry.first);
        EXPECT_EQ(ids, kTextIds);
        for (uint16_t id : kTextIds)
            EXPECT_FALSE(utf8_to_wide(find_text(table, id)).empty()) << "text " << id;
    }
}

}  // namespace
