#include "GeneratorTestSupport.h"

#include <gtest/gtest.h>

namespace bildertafel::test {
namespace {

TEST(ExamplePages, DefaultsWithFivePicturesBreakAfterTheFourth) {
    Show show({"IMG_01.jpg", "IMG_02.jpg", "IMG_03.jpg", "IMG_04.jpg", "IMG_05.jpg"});

    ASSERT_EQ(show.run(), generator::RunOutcome::Written);

    EXPECT_EQ(show.host.events, WrittenEvents);
    EXPECT_EQ(
        readFile(show.show() / "bilder01.html"),
        "<center><a href=\"#alle\">Alle Fotos auf einmal herunterladen...</a><p><hr>\r\n"
        "<html><body><center>\r\n"
        "<tr>\r\n"
        "<td align=\"center\" valign=\"center\"><a name=\"IMG_01\" href=\"bilder/IMG_01.jpg\">"
        "<img src=\"minis/IMG_01.jpg\" border=\"1\" alt=\"Foto zum Vergr&ouml;&szlig;ern bitte "
        "anklicken!\"></a></td>\r\n"
        "<td align=\"center\" valign=\"center\"><a name=\"IMG_02\" href=\"bilder/IMG_02.jpg\">"
        "<img src=\"minis/IMG_02.jpg\" border=\"1\" alt=\"Foto zum Vergr&ouml;&szlig;ern bitte "
        "anklicken!\"></a></td>\r\n"
        "<td align=\"center\" valign=\"center\"><a name=\"IMG_03\" href=\"bilder/IMG_03.jpg\">"
        "<img src=\"minis/IMG_03.jpg\" border=\"1\" alt=\"Foto zum Vergr&ouml;&szlig;ern bitte "
        "anklicken!\"></a></td>\r\n"
        "<td align=\"center\" valign=\"center\"><a name=\"IMG_04\" href=\"bilder/IMG_04.jpg\">"
        "<img src=\"minis/IMG_04.jpg\" border=\"1\" alt=\"Foto zum Vergr&ouml;&szlig;ern bitte "
        "anklicken!\"></a></td>\r\n"
        "</tr><tr>\r\n"
        "<td align=\"center\" valign=\"center\"><a name=\"IMG_05\" href=\"bilder/IMG_05.jpg\">"
        "<img src=\"minis/IMG_05.jpg\" border=\"1\" alt=\"Foto zum Vergr&ouml;&szlig;ern bitte "
        "anklicken!\"></a></td>\r\n"
        "</tr></table>\r\n"
        "<p><hr>Sie k&ouml;nnen alle Bilder auf einmal herunterladen, indem Sie mit folgendem "
        "Link eine Seite mit allen Bildern in gro&szlig; aufrufen und diese dann auf Ihrer "
        "Festplatte speichern. Dies ist aber nur mit einem DSL-Anschluss sinnvoll. \r\n"
        "<a name=\"alle\" href=\"bilder/bilder01_all.html\" target=\"_blank\">\r\n"
        "<h3>Webseite mit allen Bilder in gro&szlig; &ouml;ffnen</h3></a>\r\n"
        "</center></body></html>\r\n");
    EXPECT_EQ(readFile(show.pictures() / "bilder01_all.html"),
              "<h2>Speichern Sie diese Webseite auf Ihrer Festplatte ab, dann erhalten Sie alle "
              "Bilder auf einmal...\r\n"
              "Die Aufl&ouml;sung der Bilder ist h&ouml;her als hier dargestellt.</h2>\r\n"
              "<img src=\"IMG_01.jpg\" width=\"800\" height=\"600\"><p>\r\n"
              "<img src=\"IMG_02.jpg\" width=\"800\" height=\"600\"><p>\r\n"
              "<img src=\"IMG_03.jpg\" width=\"800\" height=\"600\"><p>\r\n"
              "<img src=\"IMG_04.jpg\" width=\"800\" height=\"600\"><p>\r\n"
              "<img src=\"IMG_05.jpg\" width=\"800\" height=\"600\"><p>\r\n");
    EXPECT_EQ(listNames(show.pictures()), "bilder01_all.html\n");
}

TEST(ExamplePages, OwnPagesInANewWindowWithoutTheAllPicturesPage) {
    settings::ShowSettings settings = settings::DefaultShowSettings();
    settings.setOption(settings::ShowOption::OwnPagePerPicture, 1);
    settings.setOption(settings::ShowOption::NewBrowserWindow, 1);
    settings.setOption(settings::ShowOption::AllPicturesPage, 0);
    Show show({"IMG_01.jpg", "IMG_02.JPG"}, settings);

    ASSERT_EQ(show.run(), generator::RunOutcome::Written);

    EXPECT_EQ(
        readFile(show.show() / "bilder01.html"),
        "<html><body><center>\r\n"
        "<tr>\r\n"
        "<td align=\"center\" valign=\"center\"><a name=\"IMG_01\" href=\"bilder/IMG_01.html\" "
        "target=\"_blank\"><img src=\"minis/IMG_01.jpg\" border=\"1\" alt=\"Foto zum "
        "Vergr&ouml;&szlig;ern bitte anklicken!\"></a></td>\r\n"
        "<td align=\"center\" valign=\"center\"><a name=\"IMG_02\" href=\"bilder/IMG_02.html\" "
        "target=\"_blank\"><img src=\"minis/IMG_02.JPG\" border=\"1\" alt=\"Foto zum "
        "Vergr&ouml;&szlig;ern bitte anklicken!\"></a></td>\r\n"
        "</tr></table>\r\n"
        "</center></body></html>\r\n");
    EXPECT_EQ(readFile(show.pictures() / "IMG_01.html"),
              "<html><body><center>\r\n"
              "<a href=\"../bilder01.html#IMG_01\"><img src=\"IMG_01.jpg\" alt=\"zur&uuml;ck zur "
              "Vorschau...\"></a>\r\n"
              "</center></body></html>\r\n");
    // The image keeps the capitals of the thumbnail's name, as the web server needs them.
    EXPECT_EQ(readFile(show.pictures() / "IMG_02.html"),
              "<html><body><center>\r\n"
              "<a href=\"../bilder01.html#IMG_02\"><img src=\"IMG_02.JPG\" alt=\"zur&uuml;ck zur "
              "Vorschau...\"></a>\r\n"
              "</center></body></html>\r\n");
    EXPECT_EQ(listNames(show.pictures()), "IMG_01.html\nIMG_02.html\n");
}

TEST(ExamplePages, CapitalExtensionLinksTheFullSizePictureAndTheAllPicturesLine) {
    Show show({"IMG_01.JPG"});

    ASSERT_EQ(show.run(), generator::RunOutcome::Written);

    const std::string page = readFile(show.show() / "bilder01.html");
    EXPECT_NE(page.find("\r\n<td align=\"center\" valign=\"center\"><a name=\"IMG_01\" "
                        "href=\"bilder/IMG_01.JPG\"><img src=\"minis/IMG_01.JPG\" border=\"1\" "
                        "alt=\"Foto zum Vergr&ouml;&szlig;ern bitte anklicken!\"></a></td>\r\n"),
              std::string::npos)
        << page;
    EXPECT_EQ(readFile(show.pictures() / "bilder01_all.html"),
              "<h2>Speichern Sie diese Webseite auf Ihrer Festplatte ab, dann erhalten Sie alle "
              "Bilder auf einmal...\r\n"
              "Die Aufl&ouml;sung der Bilder ist h&ouml;her als hier dargestellt.</h2>\r\n"
              "<img src=\"IMG_01.JPG\" width=\"800\" height=\"600\"><p>\r\n");
}

TEST(ExamplePages, NoPicturesGiveAnEmptyTableAndTheHeadingOnly) {
    Show show({});

    ASSERT_EQ(show.run(), generator::RunOutcome::Written);

    EXPECT_EQ(
        readFile(show.show() / "bilder01.html"),
        "<center><a href=\"#alle\">Alle Fotos auf einmal herunterladen...</a><p><hr>\r\n"
        "<html><body><center>\r\n"
        "<tr>\r\n"
        "</tr></table>\r\n"
        "<p><hr>Sie k&ouml;nnen alle Bilder auf einmal herunterladen, indem Sie mit folgendem "
        "Link eine Seite mit allen Bildern in gro&szlig; aufrufen und diese dann auf Ihrer "
        "Festplatte speichern. Dies ist aber nur mit einem DSL-Anschluss sinnvoll. \r\n"
        "<a name=\"alle\" href=\"bilder/bilder01_all.html\" target=\"_blank\">\r\n"
        "<h3>Webseite mit allen Bilder in gro&szlig; &ouml;ffnen</h3></a>\r\n"
        "</center></body></html>\r\n");
    EXPECT_EQ(readFile(show.pictures() / "bilder01_all.html"),
              "<h2>Speichern Sie diese Webseite auf Ihrer Festplatte ab, dann erhalten Sie alle "
              "Bilder auf einmal...\r\n"
              "Die Aufl&ouml;sung der Bilder ist h&ouml;her als hier dargestellt.</h2>\r\n");
}

TEST(ExamplePages, EmptyTemplatesLeaveEmptyLines) {
    settings::ShowSettings settings = bareSettings();
    settings.setOption(settings::ShowOption::OwnPagePerPicture, 1);
    Show show({"a.jpg"}, settings);

    ASSERT_EQ(show.run(), generator::RunOutcome::Written);

    EXPECT_EQ(readFile(show.show() / "bilder01.html"),
              "\r\n"
              "<tr>\r\n"
              "<a name=\"a\" href=\"bilder/a.html\"><img src=\"minis/a.jpg\" border=\"1\" "
              "alt=\"Foto zum Vergr&ouml;&szlig;ern bitte anklicken!\"></a>\r\n"
              "</tr></table>\r\n"
              "\r\n");
    EXPECT_EQ(readFile(show.pictures() / "a.html"),
              "\r\n"
              "<a href=\"../bilder01.html#a\"><img src=\"a.jpg\" alt=\"zur&uuml;ck zur "
              "Vorschau...\"></a>\r\n"
              "\r\n");
}

TEST(ExamplePages, TemplatesKeepTheirLineBreaks) {
    settings::ShowSettings settings = bareSettings();
    settings.setOption(settings::ShowOption::OwnPagePerPicture, 1);
    settings.setTemplate(settings::TemplateId::PageHead, "<html>\r\n<table>\r\n");
    settings.setTemplate(settings::TemplateId::PageFoot, "</body>\r\n</html>");
    settings.setTemplate(settings::TemplateId::CellBefore, "<td>\r\n");
    settings.setTemplate(settings::TemplateId::CellAfter, "\r\n</td>");
    settings.setTemplate(settings::TemplateId::ImagePageBefore, "<p>\r\n");
    settings.setTemplate(settings::TemplateId::ImagePageAfter, "</p>\r\nEnde");
    Show show({"a.jpg"}, settings);

    ASSERT_EQ(show.run(), generator::RunOutcome::Written);

    EXPECT_EQ(readFile(show.show() / "bilder01.html"),
              "<html>\r\n"
              "<table>\r\n"
              "\r\n"
              "<tr>\r\n"
              "<td>\r\n"
              "<a name=\"a\" href=\"bilder/a.html\"><img src=\"minis/a.jpg\" border=\"1\" "
              "alt=\"Foto zum Vergr&ouml;&szlig;ern bitte anklicken!\"></a>\r\n"
              "</td>\r\n"
              "</tr></table>\r\n"
              "</body>\r\n"
              "</html>\r\n");
    EXPECT_EQ(readFile(show.pictures() / "a.html"),
              "<p>\r\n"
              "\r\n"
              "<a href=\"../bilder01.html#a\"><img src=\"a.jpg\" alt=\"zur&uuml;ck zur "
              "Vorschau...\"></a>\r\n"
              "</p>\r\n"
              "Ende\r\n");
}

TEST(ExamplePages, TwoPerRowWithSevenPicturesBreaksAfterTwoFourAndSix) {
    settings::ShowSettings settings = bareSettings();
    settings.setTableWidthIndex(0);
    settings.setTemplate(settings::TemplateId::CellBefore, "<td>");
    Show show({"1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg", "6.jpg", "7.jpg"}, settings);

    ASSERT_EQ(show.run(), generator::RunOutcome::Written);

    EXPECT_EQ(readFile(show.show() / "bilder01.html"),
              "\r\n"
              "<tr>\r\n"
              "<td><a name=\"1\" href=\"bilder/1.jpg\"><img src=\"minis/1.jpg\" border=\"1\" "
              "alt=\"Foto zum Vergr&ouml;&szlig;ern bitte anklicken!\"></a>\r\n"
              "<td><a name=\"2\" href=\"bilder/2.jpg\"><img src=\"minis/2.jpg\" border=\"1\" "
              "alt=\"Foto zum Vergr&ouml;&szlig;ern bitte anklicken!\"></a>\r\n"
              "</tr><tr>\r\n"
              "<td><a name=\"3\" href=\"bilder/3.jpg\"><img src=\"minis/3.jpg\" border=\"1\" "
              "alt=\"Foto zum Vergr&ouml;&szlig;ern bitte anklicken!\"></a>\r\n"
              "<td><a name=\"4\" href=\"bilder/4.jpg\"><img src=\"minis/4.jpg\" border=\"1\" "
              "alt=\"Foto zum Vergr&ouml;&szlig;ern bitte anklicken!\"></a>\r\n"
              "</tr><tr>\r\n"
              "<td><a name=\"5\" href=\"bilder/5.jpg\"><img src=\"minis/5.jpg\" border=\"1\" "
              "alt=\"Foto zum Vergr&ouml;&szlig;ern bitte anklicken!\"></a>\r\n"
              "<td><a name=\"6\" href=\"bilder/6.jpg\"><img src=\"minis/6.jpg\" border=\"1\" "
              "alt=\"Foto zum Vergr&ouml;&szlig;ern bitte anklicken!\"></a>\r\n"
              "</tr><tr>\r\n"
              "<td><a name=\"7\" href=\"bilder/7.jpg\"><img src=\"minis/7.jpg\" border=\"1\" "
              "alt=\"Foto zum Vergr&ouml;&szlig;ern bitte anklicken!\"></a>\r\n"
              "</tr></table>\r\n"
              "\r\n");
}

TEST(ExamplePages, ASecondRunReplacesThePagesAndLeavesOtherFiles) {
    settings::ShowSettings settings = settings::DefaultShowSettings();
    settings.setOption(settings::ShowOption::OwnPagePerPicture, 1);
    Show show({"a.jpg", "b.jpg"}, settings);
    writeFile(show.pictures() / "old.html", "from an earlier show");
    ASSERT_EQ(show.run(), generator::RunOutcome::Written);
    const std::string firstStartPage = readFile(show.show() / "bilder01.html");

    show.input.settings.setTemplate(settings::TemplateId::ImagePageAfter, "neu");
    show.input.ThumbNames = {"a.jpg"};
    show.input.PictureCount = 1;
    ASSERT_EQ(show.run(), generator::RunOutcome::Written);

    EXPECT_NE(readFile(show.show() / "bilder01.html"), firstStartPage);
    EXPECT_EQ(readFile(show.pictures() / "a.html"),
              "<html><body><center>\r\n"
              "<a href=\"../bilder01.html#a\"><img src=\"a.jpg\" alt=\"zur&uuml;ck zur "
              "Vorschau...\"></a>\r\n"
              "neu\r\n");
    EXPECT_EQ(listNames(show.pictures()), "a.html\nb.html\nbilder01_all.html\nold.html\n");
    EXPECT_EQ(readFile(show.pictures() / "old.html"), "from an earlier show");
}

} // namespace
} // namespace bildertafel::test
