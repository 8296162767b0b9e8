#include "settings/settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(FoldersToMake, SkipWhatNamesNoFolderToMake) {
    struct Case {
        const char16_t* path;
        std::vector<std::u16string> folders;
    };
    const Case cases[] = {
        {u"\\\\server\\share\\Docs\\Kestrane\\Calcora\\",
         {u"\\\\server\\share\\Docs", u"\\\\server\\share\\Docs\\Kestrane",
          u"\\\\server\\share\\Docs\\Kestrane\\Calcora"}},
        {u"\\\\server\\share\\", {}},
        {u"\\\\server\\share\\leaf", {}},
        {u"\\\\server\\", {}},
        {u"//server/share/Docs/", {u"//server/share/Docs"}},
        {u"\\\\?\\UNC\\server\\share\\Docs\\", {u"\\\\?\\UNC\\server\\share\\Docs"}},
        {u"\\\\?\\unc\\server\\share\\", {}},
        {u"\\\\?\\C:\\Users\\Docs\\", {u"\\\\?\\C:\\Users", u"\\\\?\\C:\\Users\\Docs"}},
        {u"\\\\?\\Volume{1234}\\Docs\\", {u"\\\\?\\Volume{1234}\\Docs"}},
        {u"\\\\.\\C:\\Docs\\", {u"\\\\.\\C:\\Docs"}},
        {u"C:\\Users\\Docs\\", {u"C:\\Users", u"C:\\Users\\Docs"}},
        {u"C:\\", {}},
        {u"c:a\\b\\", {u"c:a", u"c:a\\b"}},
        {u"\\Users\\Docs\\", {u"\\Users", u"\\Users\\Docs"}},
        {u".\\Kestrane\\Calcora\\", {u".\\Kestrane", u".\\Kestrane\\Calcora"}},
        {u"..\\a\\..\\b\\", {u"..\\a", u"..\\a\\..\\b"}},
        {u"Kestrane/Calcora\\leaf", {u"Kestrane", u"Kestrane/Calcora"}},
        {u"a\\\\b\\", {u"a", u"a\\\\b"}},
        {u"", {}},
        {u"leaf", {}},
    };
    for (const Case& c : cases) {
        const std::u16string path = c.path;
        EXPECT_EQ(folders_to_make(path), c.folders) << std::string(path.begin(), path.end());
    }
}

}  // namespace
