#include "publish/PublishSet.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

namespace bildertafel::publish {
namespace {

using test::writeFile;

struct Page {
    const char* path;
    const char* text;
};

TEST(PublishSet, FollowsTheLinksOfEveryReachedPage) {
    const struct {
        const char* what;
        std::vector<Page> files;
        std::vector<std::string> set; // in sending order
        std::size_t warnings;
    } rows[] = {
        {"pictures before pages, the start page last",
         {{"index.html", "<a href=\"b/p.html\"><img src=\"m/p.jpg\"></a><a href=all.html>x</a>"},
          {"b/p.html", "<img src='p.jpg'><a href=\"../index.html\">"},
          {"all.html", "<a href=\"b/p.jpg#x\">"},
          {"b/p.jpg", "P"},
          {"m/p.jpg", "p"},
          {"orig.jpg", "O"},
          {"x.cfg", "c"},
          {"other.html", "o"}},
         {"b/p.jpg", "m/p.jpg", "all.html", "b/p.html", "index.html"},
         0},
        {"the large size of a picture",
         {{"index.html",
           "<a href=\"b/p.jpg\" data-gross=\"b/gross/p.jpg\"><img src=\"m/p.jpg\"></a>"},
          {"b/p.jpg", "P"},
          {"b/gross/p.jpg", "G"},
          {"b/gross/q.jpg", "Q"},
          {"m/p.jpg", "p"}},
         {"b/gross/p.jpg", "b/p.jpg", "m/p.jpg", "index.html"},
         0},
        {"escapes, query, a folder link, outside links and schemes",
         {{"index.html", "<img src=\"a%20b.jpg?x\"><a href=\"b/\">d</a><img src=\"../out.jpg\">"
                         "<a href=\"https://x.org/y.jpg\">"},
          {"a b.jpg", "1"},
          {"b/c.jpg", "2"}},
         {"a b.jpg", "index.html"},
         1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        test::TempDir dir;
        for (const Page& file : row.files) {
            writeFile(dir / "show" / file.path, file.text);
        }
        const PublishSet set = collectPublishSet((dir / "show").string(), "index.html");
        EXPECT_EQ(set.error, "");
        std::vector<std::string> paths;
        for (const LocalFile& file : set.files) {
            paths.push_back(file.path);
        }
        EXPECT_EQ(paths, row.set);
        EXPECT_EQ(set.warnings.size(), row.warnings);
    }
}

// Only the show's own files leave, by their real paths, whatever the pages link; each link left
// out is named once per page, and the publish goes on without it.
TEST(PublishSet, OnlyTheShowsOwnFilesLeave) {
    namespace fs = std::filesystem;
    const struct {
        const char* what;
        const char* link;     // from index.html and from b/p.html ("../" added)
        const char* sent;     // below the show, empty: left out with a warning
        const char* contents; // of the file sent
    } rows[] = {
        {"a linked file leading outside", "aussen.jpg", "", ""},
        {"a linked folder leading outside", "linkordner/x.jpg", "", ""},
        {"a hidden file", ".versteckt.jpg", "", ""},
        {"a file in a hidden folder", ".git/config", "", ""},
        {"a configuration file", "beispiel.CFG", "", ""},
        {"a link to a hidden file inside", "heimlich.jpg", "", ""},
        {"a named pipe", "rohr.jpg", "", ""},
        {"a link to another file inside", "zweit.jpg", "zweit.jpg", "innen"},
        {"a folder link inside", "innenordner/i.jpg", "innenordner/i.jpg", "innen"},
    };
    test::TempDir dir;
    const fs::path show = dir / "show";
    writeFile(dir / "outside/x.jpg", "geheim");
    writeFile(dir / "aussen.jpg", "geheim");
    writeFile(show / ".versteckt.jpg", "v");
    writeFile(show / ".git/config", "g");
    writeFile(show / "beispiel.CFG", "c");
    writeFile(show / "m/i.jpg", "innen");
    ASSERT_EQ(::mkfifo((show / "rohr.jpg").c_str(), 0600), 0);
    fs::create_symlink(dir / "aussen.jpg", show / "aussen.jpg");
    fs::create_directory_symlink(dir / "outside", show / "linkordner");
    fs::create_symlink(".versteckt.jpg", show / "heimlich.jpg");
    fs::create_symlink("m/i.jpg", show / "zweit.jpg");
    fs::create_directory_symlink("m", show / "innenordner");
    std::string index = "<a href=\"b/p.html\">p</a>";
    std::string page = "<a href=\"../\">zur&uuml;ck</a><a href=\"../index.html\">";
    for (const auto& row : rows) {
        index += std::string("<img src=\"") + row.link + "\">";
        page += std::string("<img src=\"../") + row.link + "\">";
    }
    writeFile(show / "index.html", index);
    writeFile(show / "b/p.html", page);
    const PublishSet set = collectPublishSet(show.string(), "index.html");
    ASSERT_EQ(set.error, "");
    std::size_t warnings = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const auto file = std::find_if(set.files.begin(), set.files.end(),
                                       [&](const LocalFile& f) { return f.path == row.link; });
        const std::size_t named =
            std::count_if(set.warnings.begin(), set.warnings.end(), [&](const std::string& w) {
                return w.find(std::string(": ") + row.link + " ") != std::string::npos ||
                       w.find(std::string(": ../") + row.link + " ") != std::string::npos;
            });
        if (*row.sent == '\0') {
            EXPECT_EQ(file, set.files.end());
            EXPECT_EQ(named, 2U); // once from each page
        } else {
            ASSERT_NE(file, set.files.end());
            EXPECT_EQ(test::readFile(file->source), row.contents);
            EXPECT_EQ(named, 0U);
        }
        warnings += named;
    }
    EXPECT_EQ(set.warnings.size(), warnings); // none for the way back "../"
}

TEST(PublishSet, RefusesWhatCannotBePublished) {
    const struct {
        const char* what;
        const char* startPage;
        std::vector<Page> files;
        const char* error;
        std::size_t missing;
    } rows[] = {
        {"a link into nothing",
         "index.html",
         {{"index.html", "<img src=\"m/P.jpg\">"}, {"m/p.jpg", "p"}},
         "ins Leere",
         1},
        {"a missing start page", "fehlt.html", {{"index.html", ""}}, "fehlt.html", 0},
        {"a start page below", "m/index.html", {{"m/index.html", ""}}, "m/index.html", 0},
        {"a page that cannot be scanned",
         "index.html",
         {{"index.html", "<a href=\"x.html\">"}, {"x.html", "<!-- offen"}},
         "x.html",
         0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        test::TempDir dir;
        for (const Page& file : row.files) {
            writeFile(dir / "show" / file.path, file.text);
        }
        const PublishSet set = collectPublishSet((dir / "show").string(), row.startPage);
        EXPECT_NE(set.error.find(row.error), std::string::npos) << set.error;
        EXPECT_EQ(set.missing.size(), row.missing);
    }
}

} // namespace
} // namespace bildertafel::publish
