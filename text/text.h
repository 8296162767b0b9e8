// Localized texts: the string database resource, the language choice, text lookup and the
// replacement of TEXT_ID_ placeholders in dialog templates.
//
// The resource ("STRD") holds one block of texts per language. It is parsed once at start
// into process-wide text tables; afterwards texts are only looked up. A text is stored as
// NUL-ended UTF-8 and shown as 16-bit units decoded by utf8_to_wide.
#pragma once

// kSheetTitleText and the other names of the texts the code shows, generated from the text
// table res/strings.tsv (its name column).
#include "text/text_ids.h"

#include <cstdint>
#include <istream>
#include <map>
#include <string>
#include <vector>

// All texts of the program live in this table; text n has the text id text_id(n).
constexpr uint16_t kMainTextTable = 920;
constexpr uint32_t text_id(uint32_t entry) {
    return (uint32_t{kMainTextTable} << 16) + entry;
}

// A 4-byte language or country code ("fr\0\0", "FR\0\0") as one 32-bit value, first
// character in the low byte, as the resource stores it. Reads at most 4 characters.
uint32_t pack_code(const char* code);

// One 16-byte record of the resource's language table.
struct LanguageRecord {
    uint32_t language = 0;
    uint32_t country = 0;       // 0: any country
    uint32_t block_offset = 0;  // from the end of the language table
    uint16_t table_id = 0;
    uint16_t entry_count = 0;
};

// The texts of one language block.
struct TextTable {
    uint32_t language = 0;
    uint32_t country = 0;
    uint32_t block_offset = 0;
    uint16_t table_id = 0;
    uint16_t entry_count = 0;
    // The block's text area as far as the resource holds it.
    std::vector<char> text_area;
    // Entry id -> offset of its text in text_area. Only texts whose NUL lies inside
    // text_area are listed, so every listed text can be read up to its NUL safely.
    std::map<uint16_t, uint32_t> entries;
};

// Parses the resource from a seekable stream into the string database. True when the magic
// matched and every block was taken in. A block whose entry list lies outside the data is
// left out; texts pointing outside the data or lacking their NUL are left out of their
// block; the rest stays usable.
bool load_string_database(std::istream& stream);
// Reads one block, from the stream's current position, into the table. False when the
// entry list is incomplete; the table then holds no texts.
bool load_text_table(const LanguageRecord& record, TextTable& table, std::istream& stream);
// Drops every text table (tests start from an empty database with it).
void clear_string_database();

// The table for (table id, language, country): exact match; else, with create, a new empty
// table; else same language with country open; else same language; else the first table
// of the id. Null when no table has that id.
TextTable* find_text_table(uint16_t table_id, uint32_t language, uint32_t country, bool create);
// The NUL-ended UTF-8 text of an entry (low 16 bits of the id), or null.
const char* find_text(const TextTable* table, uint32_t entry_id);
// Decodes one stored text to 16-bit units; null gives an empty string. One-, two- and
// three-byte sequences; an incomplete sequence at the end of the text is dropped.
std::u16string utf8_to_wide(const char* text);

// Sets the current language from the locale's ISO 639 language and ISO 3166 country
// names (at most 4 characters each, folded to lower and upper case). Null or empty
// strings give the code 0, which falls back to the first table. Always true.
bool set_language(const char* language, const char* country);
// The UTF-8 text of a text id in the current language, or null.
const char* lookup_text(uint32_t id);
// The text id named by a window text of the form TEXT_ID_nnn: "TEXT_ID_" at its start, then
// a decimal number read as a stream reads an int (leading white space and a sign allowed,
// leading zeros decimal, anything after the digits ignored). False for any other text.
bool placeholder_text_id(const std::u16string& window_text, uint32_t& id);

#ifdef _WIN32
#include <windows.h>
// Text n of the main table in the current language, ready for a W API; empty if missing.
std::wstring text_w(uint32_t entry);
// The parts of text n that '|' separates (a list of names in one text); one part when it
// has no '|', and one empty part when the text is missing.
std::vector<std::wstring> text_parts_w(uint32_t entry);
// Replaces the TEXT_ID_ placeholders of all descendant windows with a control id.
void replace_text_placeholders(HWND dialog);
// Replaces one window's text when it is a TEXT_ID_nnn placeholder.
void replace_window_text(HWND window);
#endif
