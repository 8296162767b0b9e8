// Localized texts: the string database resource, the language choice and text lookup.
// (Placeholder surface; the loader and lookup are filled in with the string database.)
#pragma once

#include <cstdint>
#include <istream>
#include <string>

constexpr uint32_t kMainTextTable = 920;
constexpr uint32_t text_id(uint32_t entry) {
    return (kMainTextTable << 16) + entry;
}

bool load_string_database(std::istream& stream);
bool set_language(const char* language, const char* country);
// The UTF-8 text of a text id in the current language, or null.
const char* lookup_text(uint32_t id);
// Decodes one stored text to 16-bit units; null gives an empty string.
std::u16string utf8_to_wide(const char* text);

#ifdef _WIN32
#include <windows.h>
// Text n of the main table in the current language, ready for a W API.
std::wstring text_w(uint32_t entry);
// Replaces the TEXT_ID_ placeholders of all descendant windows of a dialog.
void replace_text_placeholders(HWND dialog);
#endif
