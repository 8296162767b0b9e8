#include "text/text.h"

bool load_string_database(std::istream&) {
    return false;
}
bool set_language(const char*, const char*) {
    return true;
}
const char* lookup_text(uint32_t) {
    return nullptr;
}
std::u16string utf8_to_wide(const char*) {
    return {};
}

#ifdef _WIN32
std::wstring text_w(uint32_t entry) {
    const std::u16string wide = utf8_to_wide(lookup_text(text_id(entry)));
    return std::wstring(wide.begin(), wide.end());
}
void replace_text_placeholders(HWND) {}
#endif
