// The string database: the resource loader, the process-wide text tables and the decoder.
#include "text/text.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr size_t kHeaderSize = 16;
constexpr size_t kRecordSize = 16;
constexpr size_t kEntrySize = 8;

// Tables under their table id; tables with the same id keep the order they were added in,
// which is the order of the resource's language table.
using StringDatabase = std::multimap<uint16_t, std::unique_ptr<TextTable>>;

StringDatabase& string_database() {
    static StringDatabase database;
    return database;
}

uint16_t read_u16(const unsigned char* bytes) {
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

uint32_t read_u32(const unsigned char* bytes) {
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
}

bool read_exact(std::istream& stream, unsigned char* bytes, size_t size) {
    stream.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(size));
    return static_cast<size_t>(stream.gcount()) == size;
}

// Reads up to `size` bytes and returns the ones the stream had. The buffer grows with the
// data actually read, so a corrupt size field cannot make it allocate more than that.
std::vector<char> read_up_to(std::istream& stream, uint64_t size) {
    constexpr uint64_t kChunk = 16 * 1024;
    std::vector<char> bytes;
    while (bytes.size() < size) {
        const size_t wanted = static_cast<size_t>(std::min(kChunk, size - bytes.size()));
        const size_t start = bytes.size();
        bytes.resize(start + wanted);
        stream.read(bytes.data() + start, static_cast<std::streamsize>(wanted));
        const size_t got = static_cast<size_t>(stream.gcount());
        bytes.resize(start + got);
        if (got < wanted) break;
    }
    return bytes;
}

bool seek_to(std::istream& stream, uint64_t position) {
    stream.clear();
    stream.seekg(static_cast<std::streamoff>(position));
    return !stream.fail();
}

bool read_language_record(std::istream& stream, LanguageRecord& record) {
    unsigned char bytes[kRecordSize];
    if (!read_exact(stream, bytes, sizeof bytes)) return false;
    record.language = read_u32(bytes);
    record.country = read_u32(bytes + 4);
    record.block_offset = read_u32(bytes + 8);
    record.table_id = read_u16(bytes + 12);
    record.entry_count = read_u16(bytes + 14);
    return true;
}

// Index one past the area's last NUL, 0 when it has none: a text that starts below it
// ends inside the area.
size_t end_of_last_text(const std::vector<char>& area) {
    const auto last_nul = std::find(area.rbegin(), area.rend(), '\0');
    return static_cast<size_t>(area.rend() - last_nul);
}

TextTable* add_table(uint16_t table_id, uint32_t language, uint32_t country) {
    std::unique_ptr<TextTable> table(new (std::nothrow) TextTable);
    if (!table) return nullptr;
    table->table_id = table_id;
    table->language = language;
    table->country = country;
    // Among equal keys a multimap inserts at the end: load order is kept.
    return string_database().emplace(table_id, std::move(table))->second.get();
}

template <class Predicate>
TextTable* first_table_where(uint16_t table_id, Predicate matches) {
    const auto range = string_database().equal_range(table_id);
    for (auto it = range.first; it != range.second; ++it)
        if (matches(*it->second)) return it->second.get();
    return nullptr;
}

bool load_blocks(std::istream& stream) {
    unsigned char header[kHeaderSize];
    if (!read_exact(stream, header, sizeof header) || std::memcmp(header, "STRD", 4) != 0) return false;
    const uint32_t block_count = read_u32(header + 8);
    const uint64_t blocks_start = kHeaderSize + uint64_t{kRecordSize} * block_count;

    bool every_block_loaded = true;
    for (uint32_t index = 0; index < block_count; ++index) {
        LanguageRecord record;
        // The language table ends early: no further record can be read.
        if (!seek_to(stream, kHeaderSize + uint64_t{kRecordSize} * index) ||
            !read_language_record(stream, record))
            return false;

        // The block is read into a table of its own first, so that a block outside the data
        // neither creates a table nor empties the one it would have replaced. A block with
        // no entries needs no data.
        TextTable block;
        const bool placed = record.entry_count == 0 || seek_to(stream, blocks_start + record.block_offset);
        if (!placed || !load_text_table(record, block, stream)) {
            every_block_loaded = false;
            continue;
        }
        TextTable* table = find_text_table(record.table_id, record.language, record.country, true);
        if (!table) return false;
        *table = std::move(block);
    }
    return every_block_loaded;
}

}  // namespace

bool load_string_database(std::istream& stream) {
    stream.unsetf(std::ios::skipws);
    // Containers report a failed allocation by throwing; here it means a table could not
    // be created, and the tables loaded so far stay usable.
    try {
        return load_blocks(stream);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool load_text_table(const LanguageRecord& record, TextTable& table, std::istream& stream) {
    table.text_area.clear();
    table.entries.clear();
    table.language = record.language;
    table.country = record.country;
    table.block_offset = record.block_offset;
    table.table_id = record.table_id;
    table.entry_count = record.entry_count;
    if (record.entry_count == 0) return true;

    const std::vector<char> list = read_up_to(stream, uint64_t{record.entry_count} * kEntrySize);
    if (list.size() != record.entry_count * kEntrySize) return false;
    const auto* entries = reinterpret_cast<const unsigned char*>(list.data());

    // Only the last entry sizes the area (its end and NUL, rounded up to 16 bytes); texts
    // are read up to their NUL, never by their length. The last block's rounded area may
    // reach past the resource: what was read is the area.
    const unsigned char* last = entries + list.size() - kEntrySize;
    const uint64_t area_end = uint64_t{read_u32(last + 4)} + read_u16(last + 2) + 1;
    table.text_area = read_up_to(stream, (area_end + 15) / 16 * 16);

    const size_t texts_end = end_of_last_text(table.text_area);
    for (size_t i = 0; i < record.entry_count; ++i) {
        const unsigned char* entry = entries + i * kEntrySize;
        const uint32_t offset = read_u32(entry + 4);
        // A later entry with the same id replaces the earlier one.
        if (offset < texts_end) table.entries[read_u16(entry)] = offset;
    }
    return true;
}

void clear_string_database() {
    string_database().clear();
}

TextTable* find_text_table(uint16_t table_id, uint32_t language, uint32_t country, bool create) {
    if (TextTable* exact = first_table_where(
            table_id, [&](const TextTable& t) { return t.language == language && t.country == country; }))
        return exact;
    if (create) return add_table(table_id, language, country);
    if (TextTable* country_open = first_table_where(table_id, [&](const TextTable& t) {
            return t.language == language && (t.country == 0 || country == 0);
        }))
        return country_open;
    if (TextTable* same_language =
            first_table_where(table_id, [&](const TextTable& t) { return t.language == language; }))
        return same_language;
    return first_table_where(table_id, [](const TextTable&) { return true; });
}

const char* find_text(const TextTable* table, uint32_t entry_id) {
    if (!table) return nullptr;
    const auto entry = table->entries.find(static_cast<uint16_t>(entry_id));
    if (entry == table->entries.end()) return nullptr;
    return table->text_area.data() + entry->second;
}

std::u16string utf8_to_wide(const char* text) {
    std::u16string wide;
    if (!text) return wide;
    // Every UTF-16 unit takes at least one byte, so one allocation holds the whole text.
    wide.reserve(std::strlen(text));
    const auto* next = reinterpret_cast<const unsigned char*>(text);
    // Continuation bytes are not validated, but a NUL always ends the text, also in the
    // middle of a sequence, so the decoder never reads past the text's end.
    auto take = [&next](unsigned& byte) {
        byte = *next;
        if (byte != 0) ++next;
        return byte != 0;
    };
    unsigned b1 = 0, b2 = 0, b3 = 0;
    while (take(b1)) {
        if (b1 < 0x80) {
            wide.push_back(static_cast<char16_t>(b1));
        } else if ((b1 & 0xE0) == 0xC0) {
            if (!take(b2)) break;
            wide.push_back(static_cast<char16_t>(((b1 << 6) & 0x7FF) | (b2 & 0x3F)));
        } else {
            if (!take(b2) || !take(b3)) break;
            wide.push_back(static_cast<char16_t>((b1 << 12) | ((b2 << 6) & 0xFFF) | (b3 & 0x3F)));
        }
    }
    return wide;
}
