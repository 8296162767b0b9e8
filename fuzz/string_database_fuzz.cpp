// Feeds arbitrary bytes to the string database loader, then decodes every text it kept.
#include "nrv/storage/storage.h"
#include "text/text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <istream>

namespace {

uint32_t u32_at(const uint8_t* bytes) {
    uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    clear_string_database();
    nrv::storage::memory_streambuf buffer(data, static_cast<int32_t>(size));
    std::istream stream(&buffer);
    load_string_database(stream);

    // Each language record names a table; every text listed in it must decode inside its
    // text area (AddressSanitizer reports any read past it). Records naming a table already
    // decoded are skipped: the decoding is the costly part of a run.
    constexpr size_t kMaxRecords = 64;
    const TextTable* decoded[kMaxRecords];
    size_t decoded_count = 0;
    for (size_t at = 16; at + 16 <= size && at < 16 * (kMaxRecords + 1); at += 16) {
        const uint16_t table_id = static_cast<uint16_t>(u32_at(data + at + 12) & 0xFFFF);
        const TextTable* table = find_text_table(table_id, u32_at(data + at), u32_at(data + at + 4), false);
        if (!table || std::find(decoded, decoded + decoded_count, table) != decoded + decoded_count) continue;
        decoded[decoded_count++] = table;
        for (const auto& entry : table->entries) {
            const char* text = table->text_area.data() + entry.second;
            if (entry.first == table->entries.begin()->first && find_text(table, entry.first) != text)
                __builtin_trap();
            utf8_to_wide(text);
        }
    }
    set_language("fr", "FR");
    utf8_to_wide(lookup_text(text_id(3)));
    return 0;
}
