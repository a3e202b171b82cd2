#include "GeneratorTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

namespace bildertafel::test {
namespace {

struct FileState {
    ino_t inode = 0;
    time_t modified = 0;
    mode_t mode = 0;
};

FileState stateOf(const std::filesystem::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return {info.st_ino, info.st_mtime, info.st_mode & 07777};
}

// Puts a file's time an hour back, so that a replaced file shows a new one.
void age(const std::filesystem::path& path) {
    const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(UnchangedPages, ASecondRunReplacesOnlyThePagesWhoseBytesChanged) {
    settings::ShowSettings settings = settings::DefaultShowSettings();
    settings.setOption(settings::ShowOption::OwnPagePerPicture, 1);
    Show show({"a.jpg", "b.jpg"}, settings);
    ASSERT_EQ(show.run(), generator::RunOutcome::Written);
    const std::vector<std::filesystem::path> unchanged{show.pictures() / "a.html",
                                                       show.pictures() / "b.html",
                                                       show.pictures() / "bilder01_all.html"};
    const std::filesystem::path startPage = show.show() / "bilder01.html";
    for (const auto& page : unchanged) {
        age(page);
    }
    age(startPage);
    ::chmod(unchanged.front().c_str(), 0600);
    std::vector<FileState> before;
    for (const auto& page : unchanged) {
        before.push_back(stateOf(page));
    }

    // Only the start page holds the cell template.
    show.input.settings.setTemplate(settings::TemplateId::CellAfter, "</td><!-- neu -->");
    ASSERT_EQ(show.run(), generator::RunOutcome::Written);

    for (std::size_t i = 0; i < unchanged.size(); ++i) {
        const FileState now = stateOf(unchanged[i]);
        EXPECT_EQ(now.inode, before[i].inode) << unchanged[i];
        EXPECT_EQ(now.modified, before[i].modified) << unchanged[i];
        EXPECT_EQ(now.mode, before[i].mode) << unchanged[i];
    }
    EXPECT_GT(stateOf(startPage).modified, ::time(nullptr) - 600);
    EXPECT_NE(readFile(startPage).find("</td><!-- neu -->"), std::string::npos);
    EXPECT_EQ(listNames(show.pictures()), "a.html\nb.html\nbilder01_all.html\n");
}

} // namespace
} // namespace bildertafel::test
