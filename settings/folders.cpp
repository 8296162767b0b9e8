// Which folders a save has to make for a path. Plain code over the path's text, so that
// every form of Windows path can be checked without a disk or a network.
#include "settings/settings.h"

namespace {

bool is_separator(char16_t c) {
    return c == u'\\' || c == u'/';
}

size_t next_separator(const std::u16string& path, size_t at) {
    while (at < path.size() && !is_separator(path[at])) ++at;
    return at;
}

// The end of `count` components starting at `at`.
size_t after_components(const std::u16string& path, size_t at, int count) {
    for (int i = 0; i < count && at < path.size(); ++i) at = next_separator(path, i == 0 ? at : at + 1);
    return at;
}

bool is_unc_marker(const std::u16string& path, size_t at) {
    if (path.size() < at + 4 || !is_separator(path[at + 3])) return false;
    const char16_t* name = u"UNC";
    for (size_t i = 0; i < 3; ++i) {
        const char16_t c = path[at + i];
        if (c != name[i] && c != name[i] + (u'a' - u'A')) return false;
    }
    return true;
}

// The length of the start of the path that names no folder one could make: the
// "\\server\share" of a UNC path, the "\\?\" or "\\.\" prefix with what it leads to (a
// drive, a volume, or "UNC\server\share"), or a drive ("C:"). 0 for a relative path and
// for one rooted on the current drive.
size_t root_length(const std::u16string& path) {
    if (path.size() >= 2 && is_separator(path[0]) && is_separator(path[1])) {
        const bool prefixed =
            path.size() >= 4 && (path[2] == u'?' || path[2] == u'.') && is_separator(path[3]);
        if (!prefixed) return after_components(path, 2, 2);
        if (is_unc_marker(path, 4)) return after_components(path, 8, 2);
        return after_components(path, 4, 1);
    }
    const bool drive = path.size() >= 2 && path[1] == u':' &&
                       ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z'));
    return drive ? 2 : 0;
}

bool names_a_new_folder(const std::u16string& component) {
    return !component.empty() && component != u"." && component != u"..";
}

}  // namespace

std::vector<std::u16string> folders_to_make(const std::u16string& path) {
    std::vector<std::u16string> folders;
    const size_t root = root_length(path);
    size_t start = root;
    for (size_t at = root; at < path.size(); ++at) {
        if (!is_separator(path[at])) continue;
        if (names_a_new_folder(path.substr(start, at - start))) folders.push_back(path.substr(0, at));
        start = at + 1;
    }
    return folders;
}
