// The current language, lookup by text id and the reading of TEXT_ID_ placeholders.
#include "text/text.h"

#include <limits>

namespace {

constexpr size_t kCodeLength = 4;

// Set once at start, before any window exists; zero until then.
uint32_t g_language = 0;
uint32_t g_country = 0;

char lower_ascii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

char upper_ascii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

uint32_t pack_folded_code(const char* code, char (*fold)(char)) {
    uint32_t packed = 0;
    if (!code) return packed;
    for (size_t i = 0; i < kCodeLength && code[i] != '\0'; ++i)
        packed |= uint32_t{static_cast<unsigned char>(fold(code[i]))} << (8 * i);
    return packed;
}

char keep_case(char c) {
    return c;
}

bool is_stream_space(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

}  // namespace

uint32_t pack_code(const char* code) {
    return pack_folded_code(code, keep_case);
}

bool set_language(const char* language, const char* country) {
    g_language = pack_folded_code(language, lower_ascii);
    g_country = pack_folded_code(country, upper_ascii);
    return true;
}

const char* lookup_text(uint32_t id) {
    const TextTable* table = find_text_table(static_cast<uint16_t>(id >> 16), g_language, g_country, false);
    return find_text(table, id & 0xFFFF);
}

bool placeholder_text_id(const std::u16string& window_text, uint32_t& id) {
    constexpr char16_t kPrefix[] = u"TEXT_ID_";
    constexpr size_t kPrefixLength = sizeof kPrefix / sizeof kPrefix[0] - 1;
    if (window_text.compare(0, kPrefixLength, kPrefix) != 0) return false;

    size_t at = kPrefixLength;
    while (at < window_text.size() && is_stream_space(window_text[at])) ++at;
    bool negative = false;
    if (at < window_text.size() && (window_text[at] == u'+' || window_text[at] == u'-'))
        negative = window_text[at++] == u'-';

    // A number beyond the range of int fails the extraction: no placeholder.
    const int64_t limit =
        negative ? -int64_t{std::numeric_limits<int32_t>::min()} : std::numeric_limits<int32_t>::max();
    int64_t number = 0;
    size_t digits = 0;
    for (; at < window_text.size() && window_text[at] >= u'0' && window_text[at] <= u'9'; ++at, ++digits) {
        number = number * 10 + (window_text[at] - u'0');
        if (number > limit) return false;
    }
    if (digits == 0) return false;

    const int32_t value = static_cast<int32_t>(negative ? -number : number);
    id = text_id(0) + static_cast<uint32_t>(value);
    return true;
}
