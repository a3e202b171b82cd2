#include "generator/RobotsMeta.h"
#include "GeneratorTestSupport.h"

#include <gtest/gtest.h>

namespace bildertafel::generator {
namespace {

using settings::TemplateId;

// With noindex every page gets the robots meta, right after its <head> or, without one, on a
// line of its own first; everything else stays byte for byte as without it.
TEST(RobotsMeta, OnlyTheMetaComesIntoThePages) {
    const std::string meta(RobotsMeta);
    const struct {
        const char* what;
        std::string head; // of the start page and the picture pages
        bool allPage;
        std::string startTop; // how the start page begins with the meta
    } rows[] = {
        {"a head tag", "<html><head><title>T</title>", false,
         "<html><head>" + meta + "<title>T</title>"},
        {"capitals and attributes", "<HTML><HEAD lang=\"de\">", false,
         "<HTML><HEAD lang=\"de\">" + meta},
        {"a header is no head", "<header>x</header>", false, meta + "\r\n<header>"},
        {"no head, the download link first", "<body>", true, meta + "\r\n<center>"},
        {"a head after the download link", "<head>", true, "<center>"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::map<std::string, std::string> pages[2];
        for (const bool noindex : {false, true}) {
            settings::ShowSettings settings = test::bareSettings();
            settings.setTemplate(TemplateId::PageHead, row.head);
            settings.setTemplate(TemplateId::ImagePageBefore, row.head);
            settings.setOption(settings::ShowOption::OwnPagePerPicture, 1);
            settings.setOption(settings::ShowOption::AllPicturesPage, row.allPage ? 1 : 0);
            test::Show show({"a.jpg"}, settings);
            show.input.noindex = noindex;
            ASSERT_EQ(show.run(), RunOutcome::Written);
            for (const char* page :
                 {"bilder01.html", "bilder/a.html", "bilder/bilder01_all.html"}) {
                if (std::filesystem::exists(show.show() / page)) {
                    pages[noindex][page] = test::readFile(show.show() / page);
                }
            }
        }
        ASSERT_EQ(pages[0].size(), pages[1].size());
        EXPECT_TRUE(pages[1]["bilder01.html"].starts_with(row.startTop))
            << pages[1]["bilder01.html"];
        for (auto& [page, bytes] : pages[1]) {
            SCOPED_TRACE(page);
            const std::size_t at = bytes.find(meta);
            ASSERT_NE(at, std::string::npos);
            // Taken out again (with the line end it brought), the page is the one without it.
            std::string without = bytes;
            const bool ownLine = without.compare(at + meta.size(), 2, "\r\n") == 0 && (at == 0);
            without.erase(at, meta.size() + (ownLine ? 2 : 0));
            EXPECT_EQ(without, pages[0][page]);
        }
    }
}

} // namespace
} // namespace bildertafel::generator
