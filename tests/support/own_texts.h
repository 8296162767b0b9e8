// The texts the program shows, read from the string database resource linked into the test.
#pragma once

#include "nrv/storage/storage.h"
#include "res/resource.h"
#include "text/text.h"

#include <istream>
#include <windows.h>

namespace test_support {

// Loads the linked string database once and chooses the language; false when it is missing.
inline bool load_own_texts(const char* language = "en", const char* country = "GB") {
    static const bool loaded = [] {
        HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_STRING_DATABASE), MAKEINTRESOURCEW(10));
        HGLOBAL data = resource ? LoadResource(nullptr, resource) : nullptr;
        const void* bytes = data ? LockResource(data) : nullptr;
        if (!bytes) return false;
        nrv::storage::memory_streambuf buffer(bytes, static_cast<int32_t>(SizeofResource(nullptr, resource)));
        std::istream stream(&buffer);
        return load_string_database(stream);
    }();
    return loaded && set_language(language, country);
}

}  // namespace test_support
