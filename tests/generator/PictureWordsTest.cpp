#include "GeneratorTestSupport.h"

#include "words/WordsFile.h"

#include <gtest/gtest.h>

namespace bildertafel::test {
namespace {

settings::ShowSettings everyPage() {
    settings::ShowSettings settings = settings::DefaultShowSettings();
    settings.setOption(settings::ShowOption::OwnPagePerPicture, 1);
    settings.setOption(settings::ShowOption::NewBrowserWindow, 1);
    settings.setOption(settings::ShowOption::AllPicturesPage, 1);
    return settings;
}

// Every page of a run, by name.
std::string pagesOf(const Show& show) {
    std::string pages;
    for (const auto& folder : {show.show(), show.pictures()}) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.path().extension() == ".html") {
                pages += entry.path().filename().string() + ":\n" + readFile(entry.path());
            }
        }
    }
    return pages;
}

void writeWords(const Show& show, std::string_view text) {
    writeFile(show.show() / words::WordsFileName, text);
}

TEST(PictureWords, PagesSayThemEscapedAsAsciiAndOnlyWhereAPictureHasThem) {
    settings::ShowSettings settings = bareSettings();
    settings.setOption(settings::ShowOption::OwnPagePerPicture, 1);
    Show show({"a.jpg", "b.jpg", "c.jpg"}, settings);
    writeWords(show, "[a.jpg]\n"
                     "Titel: Großmutter am See\n"
                     "Bildtext: Juli – <Sommer> & Sonne\n"
                     " <img src=x onerror=alert(1)>\n"
                     "[c.jpg]\n"
                     "Alternativtext: Ein \"Haus\" ☀ in Győr\n");

    ASSERT_EQ(show.run(), generator::RunOutcome::Written);

    EXPECT_EQ(readFile(show.show() / "bilder01.html"),
              "\r\n<tr>\r\n"
              "<a name=\"a\" href=\"bilder/a.html\" data-titel=\"Gro&#223;mutter am See\" "
              "data-bildtext=\"Juli &#8211; &lt;Sommer&gt; &amp; Sonne&#10;&lt;img src=x "
              "onerror=alert(1)&gt;\" data-alt=\"Gro&#223;mutter am See\"><img src=\"minis/a.jpg\" "
              "border=\"1\" alt=\"Gro&#223;mutter am See\"></a>\r\n"
              "<a name=\"b\" href=\"bilder/b.html\"><img src=\"minis/b.jpg\" border=\"1\" "
              "alt=\"Foto zum Vergr&ouml;&szlig;ern bitte anklicken!\"></a>\r\n"
              "<a name=\"c\" href=\"bilder/c.html\" data-alt=\"Ein &quot;Haus&quot; &#9728; in "
              "Gy&#337;r\"><img src=\"minis/c.jpg\" border=\"1\" alt=\"Ein &quot;Haus&quot; "
              "&#9728; in Gy&#337;r\"></a>\r\n"
              "</tr></table>\r\n\r\n");
    EXPECT_EQ(readFile(show.pictures() / "a.html"),
              "\r\n<a href=\"../bilder01.html#a\"><img src=\"a.jpg\" alt=\"Gro&#223;mutter am "
              "See\"></a>\r\n"
              "<div class=\"bildworte\"><p class=\"bildtitel\">Gro&#223;mutter am See</p><p "
              "class=\"bildtext\">Juli &#8211; &lt;Sommer&gt; &amp; Sonne<br>&lt;img src=x "
              "onerror=alert(1)&gt;</p></div>\r\n"
              "\r\n");
    EXPECT_EQ(readFile(show.pictures() / "b.html"),
              "\r\n<a href=\"../bilder01.html#b\"><img src=\"b.jpg\" alt=\"zur&uuml;ck zur "
              "Vorschau...\"></a>\r\n\r\n");
    EXPECT_EQ(readFile(show.pictures() / "c.html"),
              "\r\n<a href=\"../bilder01.html#c\"><img src=\"c.jpg\" alt=\"Ein &quot;Haus&quot; "
              "&#9728; in Gy&#337;r\"></a>\r\n\r\n");

    // An unchanged run again leaves every page as it is.
    const auto times = [&show] {
        std::vector<std::filesystem::file_time_type> found;
        for (const auto& folder : {show.show(), show.pictures()}) {
            for (const auto& entry : std::filesystem::directory_iterator(folder)) {
                found.push_back(entry.last_write_time());
            }
        }
        return found;
    };
    const auto before = times();
    ASSERT_EQ(show.run(), generator::RunOutcome::Written);
    EXPECT_EQ(times(), before);
}

TEST(PictureWords, AShowWithoutWordsGetsThePagesOfAShowWithoutTheFile) {
    const std::vector<std::string> names{"IMG_1.jpg", "IMG_2.JPG", "Strandkörbe 2.jpg"};
    struct Case {
        const char* what;
        std::optional<std::string> file;
    };
    const Case cases[] = {
        {"no file", std::nullopt},
        {"an empty file", ""},
        {"entries of other pictures and empty ones",
         "[anderes.jpg]\nTitel: x\n[IMG_1.jpg]\n[img_2.JPG]\nBildtext: nicht dieses\n"},
    };
    std::optional<std::string> before;
    for (const Case& c : cases) {
        Show show(names, everyPage());
        if (c.file) {
            writeWords(show, *c.file);
        }
        ASSERT_EQ(show.run(), generator::RunOutcome::Written) << c.what;
        const std::string pages = pagesOf(show);
        if (before) {
            EXPECT_EQ(pages, *before) << c.what;
        }
        before = pages;
    }
}

TEST(PictureWords, AWordsFileThatCannotBeReadRefusesTheRunBeforeAnyPage) {
    Show show({"a.jpg"}, everyPage());
    std::filesystem::create_directory(show.show() / words::WordsFileName);

    EXPECT_EQ(show.run(), generator::RunOutcome::Refused);

    ASSERT_EQ(show.host.events.size(), 2U);
    EXPECT_NE(show.host.events[1].find("Die Bildtexte in"), std::string::npos);
    EXPECT_EQ(listNames(show.pictures()), "");
    EXPECT_EQ(listNames(show.show()), "bilder\nbildtexte.txt\nminis\n");
}

} // namespace
} // namespace bildertafel::test
