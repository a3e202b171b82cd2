#include "publish/PublishSet.h"
#include "TempDir.h"

#include <gtest/gtest.h>

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
