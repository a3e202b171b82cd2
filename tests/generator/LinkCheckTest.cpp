#include "links/LinkCheck.h"
#include "GeneratorTestSupport.h"
#include "generator/WebText.h"

#include <gtest/gtest.h>

namespace bildertafel::links {
void PrintTo(const MissingLink& link, std::ostream* out) {
    *out << link.page << " -> " << link.file;
}
} // namespace bildertafel::links

namespace bildertafel::test {
namespace {

using links::MissingLink;
using links::relativeLinksOf;
using Links = std::vector<std::string>;

struct ScanCase {
    const char* name;
    const char* templateText;
    std::optional<Links> links;
};

class TemplateLinks : public testing::TestWithParam<ScanCase> {};

INSTANTIATE_TEST_SUITE_P(
    Scan, TemplateLinks,
    testing::Values(
        ScanCase{"relative", R"(<link rel="stylesheet" href="stil.css"><img src='a b.png'>)",
                 Links{"stil.css", "a b.png"}},
        ScanCase{"unquotedAndCase", "<IMG SRC=logo.gif alt=x><a\r\nhref = \"../up.html\">",
                 Links{"logo.gif", "../up.html"}},
        ScanCase{"notChecked",
                 R"(<a href="https://x.de/a.html"><a href="mailto:a@b.de"><a href="#oben">)"
                 R"(<a href="/abs.html"><a href="//cdn.de/x.js"><a href="">)",
                 Links{}},
        ScanCase{"queryFragmentEscapes", R"(<a href="sub/Seite%202.html?x=1#teil&amp;z">)",
                 Links{"sub/Seite 2.html"}},
        ScanCase{"largePicture", R"(<a href="bilder/a.jpg" data-gross="bilder/gross/a%20b.jpg">)",
                 Links{"bilder/a.jpg", "bilder/gross/a b.jpg"}},
        ScanCase{"candidateList",
                 R"(<source srcset="gross/a%20b.jpg 1.6x,b,c.jpg 2x, https://x.de/c.jpg">)"
                 R"(<img srcset=" d.jpg,, e.jpg" src="f.jpg">)",
                 Links{"gross/a b.jpg", "b,c.jpg", "d.jpg", "e.jpg", "f.jpg"}},
        ScanCase{"onlyInsideTags", R"(src="draussen.png" <b data-src="nein.png">)", Links{}},
        ScanCase{"commentSkipped", R"(<!-- <img src="alt.png"> --><img src="neu.png">)",
                 Links{"neu.png"}},
        ScanCase{"unendedQuote", R"(<a href="offen.html>)", std::nullopt},
        ScanCase{"unendedComment", R"(<!-- <img src="x.png">)", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(TemplateLinks, AreFoundAsAWebServerWouldResolveThem) {
    EXPECT_EQ(relativeLinksOf(GetParam().templateText), GetParam().links);
}

// Two pictures, each with its preview; the show's pages link to both.
class LinksOfARun : public testing::Test {
protected:
    LinksOfARun() : show({"a.jpg", "b.jpg"}, settings::DefaultShowSettings()) {
        for (const char* name : {"a.jpg", "b.jpg"}) {
            writeFile(show.show() / "minis" / name, "");
            writeFile(show.pictures() / name, "");
        }
    }

    Show show;
};

TEST_F(LinksOfARun, ACleanShowReportsNothing) {
    show.input.settings.setTemplate(settings::TemplateId::PageHead,
                                    R"(<a href="https://example.org/"><img src="minis/a.jpg">)");
    ASSERT_EQ(show.run(), generator::RunOutcome::Written);
    EXPECT_TRUE(show.host.missingLinks.empty());
}

TEST_F(LinksOfARun, EachMissingFileIsReportedOnceForTheFirstPageNamingIt) {
    std::filesystem::remove(show.pictures() / "a.jpg");
    std::filesystem::rename(show.pictures() / "b.jpg", show.pictures() / "B.jpg");
    show.input.settings.setTemplate(settings::TemplateId::PageHead,
                                    R"(<link href="stil.css"><a href="https://x.de/">)");
    show.input.settings.setTemplate(settings::TemplateId::PageFoot, R"(<link href="stil.css">)");
    show.input.settings.setTemplate(settings::TemplateId::ImagePageBefore,
                                    R"(<link href="../stil.css"><img src="fehlt.png">)");
    show.input.settings.setOption(settings::ShowOption::OwnPagePerPicture, 1);

    ASSERT_EQ(show.run(), generator::RunOutcome::Written);

    EXPECT_EQ(show.host.missingLinks, (std::vector<MissingLink>{
                                          {"bilder01.html", "stil.css"},
                                          {"bilder/bilder01_all.html", "bilder/a.jpg"},
                                          {"bilder/a.html", "bilder/fehlt.png"},
                                          {"bilder/bilder01_all.html", "bilder/b.jpg"},
                                      }));
    // The pages are written all the same, and the window's notice names every file.
    EXPECT_TRUE(std::filesystem::exists(show.pictures() / "b.html"));
    EXPECT_EQ(links::missingLinksNotice(show.host.missingLinks),
              "Die Seiten sind geschrieben, aber 4 Verweise führen ins Leere:\n"
              "bilder01.html → stil.css\n"
              "bilder/bilder01_all.html → bilder/a.jpg\n"
              "bilder/a.html → bilder/fehlt.png\n"
              "bilder/bilder01_all.html → bilder/b.jpg");
}

// Pictures in the large size: a cell names its picture's only when one of exactly its name is
// there ("B.jpg" is not b's), and a show without them is written as before.
TEST_F(LinksOfARun, ACellNamesThePictureInTheLargeSizeWhereItIsThere) {
    show.input.settings = bareSettings();
    ASSERT_EQ(show.run(), generator::RunOutcome::Written);
    const std::string before = readFile(show.show() / "bilder01.html");
    EXPECT_EQ(before.find("data-gross"), std::string::npos);

    writeFile(show.pictures() / "gross" / "a.jpg", "");
    writeFile(show.pictures() / "gross" / "B.jpg", "");
    ASSERT_EQ(show.run(), generator::RunOutcome::Written);
    std::string expected = before;
    const std::string cell = R"(<a name="a" href="bilder/a.jpg")";
    expected.insert(expected.find(cell) + cell.size(), R"( data-gross="bilder/gross/a.jpg")");
    EXPECT_EQ(readFile(show.show() / "bilder01.html"), expected);
    EXPECT_TRUE(show.host.missingLinks.empty());

    // A picture's own page offers its large picture to a screen of high density; without one
    // the page stays as it was.
    show.input.settings.setOption(settings::ShowOption::OwnPagePerPicture, 1);
    std::filesystem::remove(show.pictures() / "gross" / "a.jpg");
    ASSERT_EQ(show.run(), generator::RunOutcome::Written);
    const std::string plainPage = readFile(show.pictures() / "a.html");
    EXPECT_EQ(plainPage.find("<picture>"), std::string::npos);
    writeFile(show.pictures() / "gross" / "a.jpg", "");
    ASSERT_EQ(show.run(), generator::RunOutcome::Written);
    std::string page = plainPage;
    const std::string img = R"(<img src="a.jpg" alt="zur&uuml;ck zur Vorschau..."></a>)";
    ASSERT_NE(page.find(img), std::string::npos);
    page.replace(page.find(img), img.size(),
                 R"x(<picture><source media="(min-resolution: 1.5dppx) and (min-width: 800px) )x"
                 R"x(and (min-height: 500px)" srcset="gross/a.jpg 1.6x">)x"
                 R"x(<img src="a.jpg" alt="zur&uuml;ck zur Vorschau..."></picture></a>)x");
    EXPECT_EQ(readFile(show.pictures() / "a.html"), page);
    EXPECT_EQ(readFile(show.pictures() / "b.html").find("<picture>"), std::string::npos);
    EXPECT_TRUE(show.host.missingLinks.empty());
}

// Names whose links are percent-encoded or hold character references: the check finds each
// file by its name on the disk, and not a file named like the encoded link.
TEST(EncodedLinks, AreLookedForByTheNameOnTheDisk) {
    const std::string names[] = {"Strandkörbe 2.jpg", "Gr\xFC\xDF.jpg", "50% #1?.jpg",
                                 "R&B \"x\".jpg"};
    for (const std::string& name : names) {
        settings::ShowSettings settings = bareSettings();
        settings.setOption(settings::ShowOption::AllPicturesPage, 1);
        Show present({name}, settings);
        writeFile(present.show() / "minis" / name, "");
        writeFile(present.pictures() / name, "");
        ASSERT_EQ(present.run(), generator::RunOutcome::Written) << name;
        EXPECT_TRUE(present.host.missingLinks.empty()) << name;

        // Only files named like what the page holds: the pictures themselves are missing.
        Show encoded({name}, settings);
        std::string value;
        generator::appendUrlAttribute(value, name);
        writeFile(encoded.show() / "minis" / value, "");
        writeFile(encoded.pictures() / value, "");
        ASSERT_EQ(encoded.run(), generator::RunOutcome::Written) << name;
        EXPECT_EQ(encoded.host.missingLinks, (std::vector<MissingLink>{
                                                 {"bilder01.html", "bilder/" + name},
                                                 {"bilder01.html", "minis/" + name},
                                             }))
            << name;
    }
}

TEST(MissingLinksNotice, ShowsTheFirstTenAndCountsTheRest) {
    std::vector<MissingLink> links;
    for (int i = 1; i <= 12; ++i) {
        links.push_back({"s.html", std::to_string(i) + ".jpg"});
    }
    const std::string notice = links::missingLinksNotice(links);
    EXPECT_TRUE(notice.starts_with("Die Seiten sind geschrieben, aber 12 Verweise"));
    EXPECT_NE(notice.find("s.html → 10.jpg\n… und 2 weitere"), std::string::npos) << notice;
    EXPECT_EQ(notice.find("11.jpg"), std::string::npos);
}

} // namespace
} // namespace bildertafel::test
