#include "selection/SelectionCopy.h"
#include "TempDir.h"
#include "selection/SelectionAnswer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace bildertafel::selection {
namespace {

namespace fs = std::filesystem;

struct CopyCase {
    const char* name;
    std::vector<std::string> chosen;
    // Set up beside the originals ("orig/") and the target ("ziel").
    void (*prepare)(const test::TempDir& dir);
    std::optional<CopyFailureKind> failure;
    std::string copied; // the target's names afterwards
};

void nothing(const test::TempDir&) {}

class CopyTest : public testing::TestWithParam<CopyCase> {};

TEST_P(CopyTest, CopiesOnlyTheShowsOriginals) {
    const CopyCase& row = GetParam();
    test::TempDir dir;
    test::writeFile(dir / "orig" / "IMG_1.tif", "eins");
    test::writeFile(dir / "orig" / "IMG_2.jpeg", "zwei");
    test::writeFile(dir / "orig" / "Übersicht.png", "drei");
    test::writeFile(dir / "geheim.txt", "nicht kopieren");
    fs::last_write_time(dir / "orig" / "IMG_1.tif",
                        fs::file_time_type(std::chrono::seconds(1'600'000'000)));
    row.prepare(dir);
    const std::string before = test::treeOf(dir / "orig");

    std::vector<std::string> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir / "orig")) {
        files.push_back(entry.path().filename().string());
    }
    std::sort(files.begin(), files.end());
    std::vector<std::string> missing;
    const std::vector<std::string> sources = filesOfChosen(
        row.chosen, files, [](std::string_view file) { return std::string(pictureBaseOf(file)); },
        missing);
    const CopyOutcome outcome =
        copyFiles((dir / "orig").string(), sources, (dir / "ziel").string());

    EXPECT_EQ(outcome ? std::nullopt : std::optional(outcome.failure().kind), row.failure);
    EXPECT_EQ(test::treeOf(dir / "orig"), before);
    EXPECT_EQ(test::readFile(dir / "geheim.txt"), "nicht kopieren");
    EXPECT_EQ(fs::is_directory(dir / "ziel") ? test::listNames(dir / "ziel") : "-", row.copied);
    if (!row.failure) {
        EXPECT_EQ(fs::last_write_time(dir / "ziel" / "IMG_1.tif"),
                  fs::last_write_time(dir / "orig" / "IMG_1.tif"));
        EXPECT_EQ(test::readFile(dir / "ziel" / "Übersicht.png"), "drei");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Chosen, CopyTest,
    testing::Values(CopyCase{"IntoANewFolder",
                             {"IMG_1", "Übersicht", "IMG_9"},
                             nothing,
                             std::nullopt,
                             "IMG_1.tif\nÜbersicht.png\n"},
                    CopyCase{"IntoAnEmptyFolder",
                             {"IMG_1", "Übersicht"},
                             [](const test::TempDir& d) { fs::create_directory(d / "ziel"); },
                             std::nullopt,
                             "IMG_1.tif\nÜbersicht.png\n"},
                    CopyCase{"FolderWithFilesIsRefused",
                             {"IMG_1", "Übersicht"},
                             [](const test::TempDir& d) {
                                 test::writeFile(d / "ziel" / "IMG_1.tif", "alt");
                             },
                             CopyFailureKind::TargetNotEmpty,
                             "IMG_1.tif\n"},
                    CopyCase{"AFileOfThatName",
                             {"IMG_1"},
                             [](const test::TempDir& d) { test::writeFile(d / "ziel", "x"); },
                             CopyFailureKind::TargetNotFolder,
                             "-"},
                    CopyCase{"ALinkOfThatName",
                             {"IMG_1"},
                             [](const test::TempDir& d) {
                                 fs::create_directory(d / "anderswo");
                                 fs::create_directory_symlink(d / "anderswo", d / "ziel");
                             },
                             CopyFailureKind::TargetNotFolder,
                             ""},
                    CopyCase{"AnOriginalThatLinksOutside",
                             {"IMG_3"},
                             [](const test::TempDir& d) {
                                 fs::create_symlink(d / "geheim.txt", d / "orig" / "IMG_3.jpg");
                             },
                             CopyFailureKind::SourceUnreadable,
                             ""}),
    [](const testing::TestParamInfo<CopyCase>& info) { return info.param.name; });

} // namespace
} // namespace bildertafel::selection
