// The text that tells the player which file could not be read or written, and why.
#include "app/app.h"
#include "text/text.h"

namespace {

// The system's own description of an error code, in the user's language; empty when the
// system has none.
std::wstring system_error_text(uint32_t error) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length && buffer ? std::wstring(buffer, length) : std::wstring();
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return text;
}

// "1234 (0x000004D2)".
std::wstring error_code_text(uint32_t error) {
    std::wstring text = std::to_wstring(error) + L" (0x";
    for (int shift = 28; shift >= 0; shift -= 4) text += L"0123456789ABCDEF"[(error >> shift) & 0xF];
    return text + L")";
}

// The path made absolute (".\Kestrane\..." when there is no documents folder); the path as
// given when the system cannot.
std::wstring full_path(const std::wstring& path) {
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
    if (length == 0 || length >= size) return path;
    full.resize(length);
    return full;
}

}  // namespace

std::wstring file_error_text(const std::wstring& path, uint32_t error) {
    std::wstring reason = system_error_text(error);
    if (reason.empty()) {
        reason = text_w(kErrorCodeText);
        const size_t at = reason.find(L"%s");
        if (at == std::wstring::npos)
            reason = error_code_text(error);
        else
            reason.replace(at, 2, error_code_text(error));
    }
    return file_notice_text(path, reason);
}

std::wstring file_notice_text(const std::wstring& path, const std::wstring& notice) {
    return full_path(path) + L"\n\n" + notice;
}
