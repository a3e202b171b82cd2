#include "filelist/FileList.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace bildertafel::filelist;
using bildertafel::test::TempDir;
using bildertafel::test::writeFile;

namespace {

TEST(FileList, PatternMatchesTheEndingWithoutRegardToCase) {
    const struct {
        const char* name;
        const char* pattern;
        bool matches;
    } cases[] = {
        {"a.jpg", "*.jpg", true},      {"IMG_01.JPG", "*.jpg", true}, {"a.Jpg", "*.jpg", true},
        {"a.jpeg", "*.jpg", false},    {"ajpg", "*.jpg", false},      {"a.jpg.txt", "*.jpg", false},
        {"show.html", "*.html", true}, {"show.htm", "*.html", false}, {"k.cfg", "*.cfg", true},
        {".jpg", "*.jpg", true},       {"jpg", "*.jpg", false},       {"ä.JPG", "*.jpg", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(matchesPattern(c.name, c.pattern), c.matches) << c.name << " " << c.pattern;
    }
}

TEST(FileList, ListOrderComparesNumbersByValue) {
    const std::vector<std::string> ordered = {
        // "Bild" is a prefix of "Bild ", so "Bild10" comes before "Bild 2".
        "1.jpg",      "2.jpg",       "10.jpg",      "a.jpg",         "B.jpg",        "Bild10.jpg",
        "Bild 2.jpg", "bild 2a.jpg", "Bild 10.jpg", "Bild 010x.jpg", "bild 10x.jpg", "c1.jpg",
        "c01a.jpg",   "c1b.jpg",     "z.jpg",       "Ä.jpg",
    };
    for (std::size_t i = 0; i + 1 < ordered.size(); ++i) {
        EXPECT_TRUE(listOrderLess(ordered[i], ordered[i + 1]))
            << ordered[i] << " before " << ordered[i + 1];
        EXPECT_FALSE(listOrderLess(ordered[i + 1], ordered[i]));
    }
    std::vector<std::string> shuffled = ordered;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    sortInListOrder(shuffled);
    EXPECT_EQ(shuffled, ordered);
}

TEST(FileList, TiesFallBackToByteOrder) {
    // Equal by value and folded letters: the byte order decides, so the order is total.
    EXPECT_TRUE(listOrderLess("A.jpg", "a.jpg"));
    EXPECT_TRUE(listOrderLess("01.jpg", "1.jpg"));
    EXPECT_FALSE(listOrderLess("a.jpg", "a.jpg"));
    EXPECT_TRUE(listOrderLess("9", "99999999999999999999999999"));
    EXPECT_TRUE(listOrderLess("bild", "bild1")) << "a prefix comes first";
}

TEST(FileList, ListsMatchingFilesButNoFoldersOrHiddenNames) {
    TempDir dir;
    for (const char* name :
         {"Bild 10.jpg", "Bild 2.jpg", "IMG_01.JPG", ".hidden.jpg", "text.txt", "show.html"}) {
        writeFile(dir / name, "x");
    }
    std::filesystem::create_directory(dir / "folder.jpg");
    std::filesystem::create_symlink(dir / "Bild 2.jpg", dir / "link.jpg");
    std::filesystem::create_directory_symlink(dir / "folder.jpg", dir / "dirlink.jpg");
    std::error_code error;
    const auto names = listFolder(dir.path(), "*.jpg", error);
    EXPECT_FALSE(error);
    EXPECT_EQ(names,
              (std::vector<std::string>{"Bild 2.jpg", "Bild 10.jpg", "IMG_01.JPG", "link.jpg"}));
    EXPECT_EQ(listFolder(dir.path(), "*.html", error), std::vector<std::string>{"show.html"});
    EXPECT_TRUE(listFolder(dir.path(), "*.cfg", error).empty());
}

TEST(FileList, ListsTheFilesAPredicateWantsInListOrder) {
    TempDir dir;
    for (const char* name : {"b10.png", "b9.JPG", ".x.png", "c.txt"}) {
        writeFile(dir / name, "x");
    }
    std::filesystem::create_directory(dir / "d.png");
    std::error_code error;
    const auto names = listFolderFiles(
        dir.path(), [](std::string_view name) { return !name.ends_with(".txt"); }, error);
    EXPECT_FALSE(error);
    EXPECT_EQ(names, (std::vector<std::string>{"b9.JPG", "b10.png"}));
    EXPECT_TRUE(listFolderFiles(
                    dir / "gone", [](std::string_view) { return true; }, error)
                    .empty());
    EXPECT_TRUE(error);
}

TEST(FileList, MissingFolderReportsAnError) {
    TempDir dir;
    std::error_code error;
    EXPECT_TRUE(listFolder(dir / "gone", "*.jpg", error).empty());
    EXPECT_TRUE(error);
    writeFile(dir / "file", "x");
    EXPECT_TRUE(listFolder(dir / "file", "*.jpg", error).empty());
    EXPECT_TRUE(error);
}

TEST(FileList, EveryNameAWebServerCouldFind) {
    TempDir dir;
    writeFile(dir / "b.jpg", "");
    writeFile(dir / ".htaccess", "");
    writeFile(dir / "css" / "show.css", "");
    const struct {
        std::filesystem::path folder;
        std::vector<std::string> names; // sorted
        bool readable;
    } cases[] = {
        {dir.path(), {".htaccess", "b.jpg", "css"}, true},
        {dir / "css", {"show.css"}, true},
        {dir / "gone", {}, false},
        {dir / "b.jpg", {}, false},
    };
    for (const auto& c : cases) {
        std::vector<std::string> names;
        std::error_code error;
        forEachName(
            c.folder, [&names](std::string_view name) { names.emplace_back(name); }, error);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, c.names) << c.folder;
        EXPECT_EQ(!error, c.readable) << c.folder;
    }
}

TEST(FileList, HasNoLimitOfThirtyTwoThousandNames) {
    TempDir dir;
    for (int i = 0; i < 33000; ++i) {
        writeFile(dir / ("p" + std::to_string(i) + ".jpg"), "");
    }
    std::error_code error;
    const auto names = listFolder(dir.path(), "*.jpg", error);
    ASSERT_EQ(names.size(), 33000U);
    EXPECT_EQ(names.front(), "p0.jpg");
    EXPECT_EQ(names[9], "p9.jpg");
    EXPECT_EQ(names[10], "p10.jpg");
    EXPECT_EQ(names.back(), "p32999.jpg");
}

} // namespace
