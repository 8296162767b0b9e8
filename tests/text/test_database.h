// Builds string database resources for the tests, laid out as the generator lays them out:
// entries in the given order, NUL-ended texts without gaps, blocks padded to 16 bytes.
#pragma once

#include "nrv/storage/storage.h"
#include "text/text.h"

#include <cstdint>
#include <istream>
#include <string>
#include <utility>
#include <vector>

struct TestBlock {
    std::string language;
    std::string country;  // empty: any country
    std::vector<std::pair<uint16_t, std::string>> texts;
    uint16_t table_id = kMainTextTable;
};

inline void put_u16(std::string& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

inline void put_u32(std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline size_t record_at(size_t index) {
    return 16 + 16 * index;
}

inline std::string code_bytes(const std::string& code) {
    std::string bytes = code.substr(0, 4);
    bytes.resize(4, '\0');
    return bytes;
}

inline std::string build_database(const std::vector<TestBlock>& blocks) {
    std::string bytes = "STRD" + std::string(12, '\0');
    put_u32(bytes, 8, static_cast<uint32_t>(blocks.size()));
    std::string area;
    for (const TestBlock& block : blocks) {
        std::string record = code_bytes(block.language) + code_bytes(block.country) + std::string(8, '\0');
        put_u32(record, 8, static_cast<uint32_t>(area.size()));
        put_u16(record, 12, block.table_id);
        put_u16(record, 14, static_cast<uint16_t>(block.texts.size()));
        bytes += record;

        std::string entries, texts;
        for (const auto& [id, text] : block.texts) {
            std::string entry(8, '\0');
            put_u16(entry, 0, id);
            put_u16(entry, 2, static_cast<uint16_t>(text.size()));
            put_u32(entry, 4, static_cast<uint32_t>(texts.size()));
            entries += entry;
            texts += text + '\0';
        }
        area += entries + texts;
        area.resize((area.size() + 15) / 16 * 16, '\0');
    }
    return bytes + area;
}

// Loads the bytes the way the program does: an input stream over a memory stream buffer.
inline bool load_database_bytes(const std::string& bytes) {
    nrv::storage::memory_streambuf buffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    std::istream stream(&buffer);
    return load_string_database(stream);
}

// The table stored for exactly this language and country, or null.
inline const TextTable* exact_table(const std::string& language, const std::string& country) {
    const uint32_t lang = pack_code(language.c_str());
    const uint32_t ctry = pack_code(country.c_str());
    const TextTable* table = find_text_table(kMainTextTable, lang, ctry, false);
    return table && table->language == lang && table->country == ctry ? table : nullptr;
}
