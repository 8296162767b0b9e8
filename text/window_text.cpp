// Texts in windows: the W-API form of a looked-up text and the placeholder pass over a
// dialog's controls.
#include "text/text.h"

#include "nrv/win32/win32.h"

namespace {

// Window texts are read into 256 units: at most 255 characters and the terminator.
constexpr int kWindowTextUnits = 256;

BOOL CALLBACK replace_control_text(HWND window, LPARAM) {
    // Windows without a control id are not template controls; static texts with the
    // template id -1 have the id 0xFFFF and take part.
    if (GetDlgCtrlID(window) != 0) replace_window_text(window);
    return TRUE;
}

}  // namespace

std::wstring text_w(uint32_t entry) {
    return wide_from(utf8_to_wide(lookup_text(text_id(entry))));
}

std::vector<std::wstring> text_parts_w(uint32_t entry) {
    const std::wstring all = text_w(entry);
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (size_t bar = all.find(L'|'); bar != std::wstring::npos; bar = all.find(L'|', start)) {
        parts.push_back(all.substr(start, bar - start));
        start = bar + 1;
    }
    parts.push_back(all.substr(start));
    return parts;
}

void replace_text_placeholders(HWND dialog) {
    // EnumChildWindows visits children of children too; the dialog's caption is left alone.
    EnumChildWindows(dialog, replace_control_text, 0);
}

void replace_window_text(HWND window) {
    wchar_t buffer[kWindowTextUnits] = {};
    const int length = GetWindowTextW(window, buffer, kWindowTextUnits);
    if (length <= 0) return;
    uint32_t id = 0;
    if (!placeholder_text_id(std::u16string(buffer, buffer + length), id)) return;
    // An id without a text leaves the window empty.
    SetWindowTextW(window, wide_from(utf8_to_wide(lookup_text(id))).c_str());
}
