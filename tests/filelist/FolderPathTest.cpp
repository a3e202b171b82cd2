#include "filelist/FolderPath.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace bildertafel::filelist;
using bildertafel::test::TempDir;

namespace {

TEST(FolderPath, CleanUpIsLexical) {
    const struct {
        const char* path;
        const char* base;
        const char* normalized;
    } cases[] = {
        {"/a/b/", "/", "/a/b"},
        {"a/./b//c/", "/home", "/home/a/b/c"},
        {"../x", "/home/u", "/home/x"},
        {"/../..", "/", "/"},
        {"/", "/w", "/"},
        {"", "/w", "/w"},
        {"/caf\xe9/./", "/", "/caf\xe9"}, // a Latin-1 name keeps its bytes
    };
    for (const auto& c : cases) {
        EXPECT_EQ(normalizedFolderPath(c.path, c.base), c.normalized) << c.path << " in " << c.base;
    }
}

TEST(FolderPath, OneTrailingSeparator) {
    const struct {
        const char* folder;
        const char* held;
    } cases[] = {{"/", "/"}, {"/a", "/a/"}, {"/a/", "/a/"}};
    for (const auto& c : cases) {
        EXPECT_EQ(withTrailingSeparator(c.folder), c.held) << c.folder;
    }
}

TEST(FolderPath, SameFolderFollowsLinksAlsoToAFolderNotYetMade) {
    const TempDir dir;
    std::filesystem::create_directories(dir / "echt");
    std::filesystem::create_directories(dir / "anders");
    std::filesystem::create_directory_symlink(dir / "echt", dir / "link");
    const std::string root = dir.folder();
    const struct {
        std::string a;
        std::string b;
        bool same;
    } cases[] = {
        {root + "echt", root + "echt/", true},
        {root + "echt", root + "link", true},
        {root + "link/neu", root + "echt/neu/", true},
        {root + "echt/./neu/", root + "echt/neu", true},
        {root + "echt", root + "anders", false},
        {root + "echt/neu", root + "echt/alt", false},
        {root + "echt/neu", root + "echt", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isSameFolder(c.a, c.b), c.same) << c.a << " and " << c.b;
        EXPECT_EQ(isSameFolder(c.b, c.a), c.same) << c.b << " and " << c.a;
    }
}

} // namespace
