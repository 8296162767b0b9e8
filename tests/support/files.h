// Whole files read and written by wide path, so that a folder named outside the system's
// code page works in tests as in the program.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace test_support {

// The bytes of the file; empty when it cannot be read.
inline std::vector<uint8_t> read_file(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    if (FILE* in = _wfopen(path.c_str(), L"rb")) {
        for (int c; (c = std::fgetc(in)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
        std::fclose(in);
    }
    return bytes;
}

// Replaces the file's content; false when it cannot be written whole.
inline bool write_file(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    FILE* out = _wfopen(path.c_str(), L"wb");
    if (!out) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && written;
}

}  // namespace test_support
