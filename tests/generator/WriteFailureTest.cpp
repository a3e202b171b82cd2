#include "GeneratorTestSupport.h"

#include <gtest/gtest.h>

namespace bildertafel::test {
namespace {

// The host calls of a run that stopped at a file: the lists are refreshed, the busy indicator is
// off before the message appears.
std::vector<std::string> failedEvents(const std::filesystem::path& file,
                                      const std::string& reason) {
    return {AskEvent, "busy on", "refresh", "busy off",
            "message [Problem im Dateisystem...] Die Datei " + file.string() +
                " konnte nicht geschrieben werden: " + reason};
}

TEST(WriteFailure, PictureFolderThatIsAFileStopsTheRunAndKeepsTheOldStartPage) {
    Show show({"a.jpg"});
    std::filesystem::remove(show.pictures());
    writeFile(show.pictures(), "a file, not a folder");
    writeFile(show.show() / "bilder01.html", "old");

    EXPECT_EQ(show.run(), generator::RunOutcome::WriteFailed);

    EXPECT_EQ(show.host.events,
              failedEvents(show.pictures() / "bilder01_all.html", "Das ist kein Ordner"));
    EXPECT_EQ(readFile(show.show() / "bilder01.html"), "old");
    EXPECT_EQ(listNames(show.show()), "bilder\nbilder01.html\nminis\n");
}

TEST(WriteFailure, FolderRemovedAfterTheNameDialogLeavesNoStartPage) {
    settings::ShowSettings settings = bareSettings();
    settings.setOption(settings::ShowOption::OwnPagePerPicture, 1);
    Show show({"a.jpg"}, settings);
    show.host.onBusy = [&show](bool on) {
        if (on) {
            std::filesystem::remove_all(show.pictures());
        }
    };

    EXPECT_EQ(show.run(), generator::RunOutcome::WriteFailed);

    EXPECT_EQ(show.host.events, failedEvents(show.pictures() / "a.html",
                                             "Die Datei oder der Ordner existiert nicht"));
    EXPECT_EQ(listNames(show.show()), "minis\n");
}

TEST(WriteFailure, PagesFinishedBeforeTheFailureStayAndOpenPagesKeepTheirContent) {
    settings::ShowSettings settings = settings::DefaultShowSettings();
    settings.setOption(settings::ShowOption::OwnPagePerPicture, 1);
    Show show({"a.jpg", "b.jpg", "c.jpg"}, settings);
    std::filesystem::create_directory(show.pictures() / "b.html");
    writeFile(show.show() / "bilder01.html", "old start page");
    writeFile(show.pictures() / "bilder01_all.html", "old all-pictures page");

    EXPECT_EQ(show.run(), generator::RunOutcome::WriteFailed);

    EXPECT_EQ(show.host.events, failedEvents(show.pictures() / "b.html", "Das ist ein Ordner"));
    EXPECT_EQ(readFile(show.pictures() / "a.html"),
              "<html><body><center>\r\n"
              "<a href=\"../bilder01.html#a\"><img src=\"a.jpg\" alt=\"zur&uuml;ck zur "
              "Vorschau...\"></a>\r\n"
              "</center></body></html>\r\n");
    EXPECT_EQ(readFile(show.show() / "bilder01.html"), "old start page");
    EXPECT_EQ(readFile(show.pictures() / "bilder01_all.html"), "old all-pictures page");
    EXPECT_EQ(listNames(show.pictures()), "a.html\nb.html\nbilder01_all.html\n");
    EXPECT_EQ(listNames(show.show()), "bilder\nbilder01.html\nminis\n");
}

TEST(WriteFailure, AStartPageNameTooLongForTheFileSystemIsReportedWithItsReason) {
    settings::ShowSettings settings = bareSettings();
    settings.setOption(settings::ShowOption::OwnPagePerPicture, 1);
    Show show({"a.jpg"}, settings);
    const std::string name(251, 'x');
    show.host.answer = name;

    EXPECT_EQ(show.run(), generator::RunOutcome::WriteFailed);

    EXPECT_EQ(show.host.events,
              failedEvents(show.show() / (name + ".html"), "Der Name ist zu lang"));
    EXPECT_EQ(listNames(show.show()), "bilder\nminis\n");
    EXPECT_EQ(listNames(show.pictures()), "a.html\n");
}

} // namespace
} // namespace bildertafel::test
