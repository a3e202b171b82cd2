#include "GeneratorTestSupport.h"

#include "generator/WebText.h"

#include <gtest/gtest.h>

namespace bildertafel::test {
namespace {

// Line n (from 0) of a page whose lines end with CR LF.
std::string lineOf(const std::string& page, int n) {
    std::size_t begin = 0;
    for (int i = 0; i < n; ++i) {
        begin = page.find("\r\n", begin) + 2;
    }
    return page.substr(begin, page.find("\r\n", begin) - begin);
}

settings::ShowSettings withBothPages() {
    settings::ShowSettings settings = bareSettings();
    settings.setOption(settings::ShowOption::OwnPagePerPicture, 1);
    settings.setOption(settings::ShowOption::AllPicturesPage, 1);
    return settings;
}

TEST(PictureNames, TheExtensionStartsAtTheLastDotSoEveryNameGetsItsOwnPage) {
    settings::ShowSettings settings = bareSettings();
    settings.setOption(settings::ShowOption::OwnPagePerPicture, 1);
    Show show({"urlaub.2004.jpg", "urlaub.jpg"}, settings);

    ASSERT_EQ(show.run(), generator::RunOutcome::Written);

    EXPECT_EQ(readFile(show.show() / "bilder01.html"),
              "\r\n"
              "<tr>\r\n"
              "<a name=\"urlaub.2004\" href=\"bilder/urlaub.2004.html\"><img "
              "src=\"minis/urlaub.2004.jpg\" border=\"1\" alt=\"Foto zum Vergr&ouml;&szlig;ern "
              "bitte anklicken!\"></a>\r\n"
              "<a name=\"urlaub\" href=\"bilder/urlaub.html\"><img src=\"minis/urlaub.jpg\" "
              "border=\"1\" alt=\"Foto zum Vergr&ouml;&szlig;ern bitte anklicken!\"></a>\r\n"
              "</tr></table>\r\n"
              "\r\n");
    EXPECT_EQ(readFile(show.pictures() / "urlaub.2004.html"),
              "\r\n"
              "<a href=\"../bilder01.html#urlaub.2004\"><img src=\"urlaub.2004.jpg\" "
              "alt=\"zur&uuml;ck zur Vorschau...\"></a>\r\n"
              "\r\n");
    EXPECT_EQ(listNames(show.pictures()), "urlaub.2004.html\nurlaub.html\n");
}

TEST(PictureNames, DeeperFoldersGetSlashesAndTheBackLinkClimbsEveryLevel) {
    settings::ShowSettings settings = bareSettings();
    settings.setOption(settings::ShowOption::OwnPagePerPicture, 1);
    Show show({"x.jpg"}, settings);
    std::filesystem::create_directories(show.show() / "web/bilder");
    show.input.ThumbFolder = show.showFolder() + "a/b/";
    show.input.PictureFolder = show.showFolder() + "web/bilder/";

    ASSERT_EQ(show.run(), generator::RunOutcome::Written);

    EXPECT_EQ(lineOf(readFile(show.show() / "bilder01.html"), 2),
              "<a name=\"x\" href=\"web/bilder/x.html\"><img src=\"a/b/x.jpg\" border=\"1\" "
              "alt=\"Foto zum Vergr&ouml;&szlig;ern bitte anklicken!\"></a>");
    EXPECT_EQ(readFile(show.show() / "web/bilder/x.html"),
              "\r\n"
              "<a href=\"../../bilder01.html#x\"><img src=\"x.jpg\" alt=\"zur&uuml;ck zur "
              "Vorschau...\"></a>\r\n"
              "\r\n");
}

struct NameCase {
    const char* what;
    std::string thumbName;
    std::string cellLine;     // of the start page
    std::string backLinkLine; // of the picture page
    std::string allPageLine;
    std::string pictureFile; // the picture page's file name
};

class UnsafeNames : public testing::TestWithParam<NameCase> {};

TEST_P(UnsafeNames, StayInsideTheirAttributeValuesAndKeepTheLinksWorking) {
    const NameCase& c = GetParam();
    Show show({c.thumbName}, withBothPages());

    ASSERT_EQ(show.run(), generator::RunOutcome::Written);

    EXPECT_EQ(lineOf(readFile(show.show() / "bilder01.html"), 3), c.cellLine);
    EXPECT_EQ(lineOf(readFile(show.pictures() / c.pictureFile), 1), c.backLinkLine);
    EXPECT_EQ(lineOf(readFile(show.pictures() / "bilder01_all.html"), 2), c.allPageLine);
}

const std::string Alt =
    " border=\"1\" alt=\"Foto zum Vergr&ouml;&szlig;ern bitte anklicken!\"></a>";
const std::string BackAlt = " alt=\"zur&uuml;ck zur Vorschau...\"></a>";
const std::string Size = " width=\"800\" height=\"600\"><p>";

INSTANTIATE_TEST_SUITE_P(
    Names, UnsafeNames,
    testing::Values(
        NameCase{"QuoteCannotAddAnAttribute", "a\"onmouseover=\"x.jpg",
                 "<a name=\"a&quot;onmouseover=&quot;x\" href=\"bilder/a&quot;onmouseover=&quot;"
                 "x.html\"><img src=\"minis/a&quot;onmouseover=&quot;x.jpg\"" +
                     Alt,
                 "<a href=\"../bilder01.html#a&quot;onmouseover=&quot;x\"><img "
                 "src=\"a&quot;onmouseover=&quot;x.jpg\"" +
                     BackAlt,
                 "<img src=\"a&quot;onmouseover=&quot;x.jpg\"" + Size, "a\"onmouseover=\"x.html"},
        NameCase{"UrlCharactersAreEncodedButNotInTheAnchorName", "50% #1?.jpg",
                 "<a name=\"50% #1?\" href=\"bilder/50%25 %231%3F.html\"><img "
                 "src=\"minis/50%25 %231%3F.jpg\"" +
                     Alt,
                 "<a href=\"../bilder01.html#50%25 %231%3F\"><img src=\"50%25 %231%3F.jpg\"" +
                     BackAlt,
                 "<img src=\"50%25 %231%3F.jpg\"" + Size, "50% #1?.html"},
        NameCase{"Ampersand", "R&B.jpg",
                 "<a name=\"R&amp;B\" href=\"bilder/R&amp;B.html\"><img src=\"minis/R&amp;B.jpg\"" +
                     Alt,
                 "<a href=\"../bilder01.html#R&amp;B\"><img src=\"R&amp;B.jpg\"" + BackAlt,
                 "<img src=\"R&amp;B.jpg\"" + Size, "R&B.html"},
        // Outside printable ASCII a link holds the UTF-8 bytes percent-encoded, so it works
        // whatever character set the server declares; the anchor name keeps its character.
        NameCase{"UmlautAndBlankInLinksAreUtf8PercentEncoded", "Strandkörbe 2.jpg",
                 "<a name=\"Strandk\xF6rbe 2\" href=\"bilder/Strandk%C3%B6rbe 2.html\"><img "
                 "src=\"minis/Strandk%C3%B6rbe 2.jpg\"" +
                     Alt,
                 "<a href=\"../bilder01.html#Strandk%C3%B6rbe 2\"><img src=\"Strandk%C3%B6rbe "
                 "2.jpg\"" +
                     BackAlt,
                 "<img src=\"Strandk%C3%B6rbe 2.jpg\"" + Size, "Strandkörbe 2.html"},
        NameCase{"CharacterOutsideTheCodePageIsAReferenceOnlyInTheAnchorName", "日本.jpg",
                 "<a name=\"&#26085;&#26412;\" href=\"bilder/%E6%97%A5%E6%9C%AC.html\"><img "
                 "src=\"minis/%E6%97%A5%E6%9C%AC.jpg\"" +
                     Alt,
                 "<a href=\"../bilder01.html#%E6%97%A5%E6%9C%AC\"><img "
                 "src=\"%E6%97%A5%E6%9C%AC.jpg\"" +
                     BackAlt,
                 "<img src=\"%E6%97%A5%E6%9C%AC.jpg\"" + Size, "日本.html"},
        // A name written on a disk in another character set: the links keep its bytes.
        NameCase{"ByteThatIsNoUtf8StaysTheSameByteInLinks", "Gr\xFC\xDF.jpg",
                 "<a name=\"Gr&#65533;&#65533;\" href=\"bilder/Gr%FC%DF.html\"><img "
                 "src=\"minis/Gr%FC%DF.jpg\"" +
                     Alt,
                 "<a href=\"../bilder01.html#Gr%FC%DF\"><img src=\"Gr%FC%DF.jpg\"" + BackAlt,
                 "<img src=\"Gr%FC%DF.jpg\"" + Size, "Gr\xFC\xDF.html"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(UnsafeNames, StartPageNameAndFolderNamesAreMadeSafeWhereTheyStandInLinks) {
    Show show({"x.jpg"}, withBothPages());
    std::filesystem::create_directories(show.show() / "M&M #1");
    std::filesystem::create_directories(show.show() / "50% \"b\"");
    show.input.ThumbFolder = show.showFolder() + "M&M #1/";
    show.input.PictureFolder = show.showFolder() + "50% \"b\"/";
    show.host.answer = "q\"&#?%";

    ASSERT_EQ(show.run(), generator::RunOutcome::Written);

    const std::string startPage = readFile(show.show() / "q\"&#?%.html");
    EXPECT_EQ(lineOf(startPage, 3),
              "<a name=\"x\" href=\"50%25 &quot;b&quot;/x.html\"><img src=\"M&amp;M %231/x.jpg\"" +
                  Alt);
    EXPECT_EQ(lineOf(startPage, 6), "<a name=\"alle\" href=\"50%25 &quot;b&quot;/q&quot;&amp;%23%3F"
                                    "%25_all.html\" target=\"_blank\">");
    EXPECT_EQ(lineOf(readFile(show.show() / "50% \"b\"/x.html"), 1),
              "<a href=\"../q&quot;&amp;%23%3F%25.html#x\"><img src=\"x.jpg\"" + BackAlt);
    EXPECT_TRUE(std::filesystem::exists(show.show() / "50% \"b\"/q\"&#?%_all.html"));
}

TEST(UnsafeNames, TemplatesAreWrittenAsTheyAreInTheCodePage) {
    settings::ShowSettings settings = bareSettings();
    settings.setTemplate(settings::TemplateId::PageHead,
                         "<a href=\"x?a=1&b=2\">Grüße € \u2713 \u0081</a>");
    Show show({}, settings);

    ASSERT_EQ(show.run(), generator::RunOutcome::Written);

    EXPECT_EQ(readFile(show.show() / "bilder01.html"), "<a href=\"x?a=1&b=2\">Gr\xFC\xDF"
                                                       "e \x80 &#10003; \x81</a>\r\n"
                                                       "<tr>\r\n"
                                                       "</tr></table>\r\n"
                                                       "\r\n");
}

TEST(UrlAttribute, EscapesEveryByteOutsidePrintableAscii) {
    const std::pair<std::string, std::string> cases[] = {
        {"a b~z", "a b~z"},
        {"\x1F\x7F", "%1F%7F"},
        {"\xC3\xA4\xE4", "%C3%A4%E4"},
        {"%#?&\"", "%25%23%3F&amp;&quot;"},
    };
    for (const auto& [name, value] : cases) {
        std::string out;
        generator::appendUrlAttribute(out, name);
        EXPECT_EQ(out, value) << name;
    }
}

struct WebPathCase {
    const char* show;
    const char* folder;
    const char* webPath;
    const char* climb;
};

TEST(WebPaths, ArePathsBelowTheShowFolderWithOneClimbPerLevel) {
    const WebPathCase cases[] = {
        {"/web/", "/web/minis/", "minis/", "../"},
        {"/web/", "/web/a/b/", "a/b/", "../../"},
        {"/", "/x/y/z/", "x/y/z/", "../../../"},
    };
    for (const WebPathCase& c : cases) {
        const std::string webPath = generator::webPathBelow(c.show, c.folder);
        EXPECT_EQ(webPath, c.webPath) << c.folder;
        EXPECT_EQ(generator::climbOut(webPath), c.climb) << c.folder;
    }
}

} // namespace
} // namespace bildertafel::test
