#include "GeneratorTestSupport.h"

#include <gtest/gtest.h>

namespace bildertafel::test {
namespace {

const std::string FileSystemTitle = "message [Problem im Dateisystem...] ";
const std::string CountsDiffer = "Die Anzahl der Bilder und Minibilder stimmt nicht überein...";
const std::string ThumbsOutside =
    "Der Ordner für die Minis liegt nicht unter dem Hauptordner der Show...";
const std::string PicturesOutside =
    "Der Ordner für die Bilder und deren HTML's liegt nicht unter dem Hauptordner der Show...";
// The show folder itself chosen: the message says what to choose instead.
const std::string ThumbsAreShow =
    ThumbsOutside + " Gewählt ist der Hauptordner selbst: Wählen Sie als Ordner der Minis seinen "
                    "Unterordner mit den Mini-Bildern, etwa „minis“.";
const std::string PicturesAreShow =
    PicturesOutside + " Gewählt ist der Hauptordner selbst: Wählen Sie als Ordner der Bilder "
                      "seinen Unterordner mit den Bildern im Großformat, etwa „bilder“.";
const std::string PicturesAreThumbs =
    "Der Ordner für die Bilder und deren HTML's ist der Ordner für die Mini-Bilder...";

struct FolderCase {
    const char* what;
    const char* thumbFolder;   // below the test folder, which holds show/
    const char* pictureFolder; // below the test folder
    long pictureCount;         // the show has two thumbnails
    std::string message;       // empty: the run goes on
};

class FolderChecks : public testing::TestWithParam<FolderCase> {};

TEST_P(FolderChecks, TheFirstFailingCheckRefusesBeforeAnythingIsAsked) {
    const FolderCase& c = GetParam();
    Show show({"a.jpg", "b.jpg"});
    show.input.ThumbFolder = show.dir.folder() + c.thumbFolder;
    show.input.PictureFolder = show.dir.folder() + c.pictureFolder;
    show.input.PictureCount = c.pictureCount;

    const generator::RunOutcome outcome = show.run();

    if (c.message.empty()) {
        EXPECT_EQ(outcome, generator::RunOutcome::Written);
        EXPECT_EQ(show.host.events, WrittenEvents);
        return;
    }
    EXPECT_EQ(outcome, generator::RunOutcome::Refused);
    EXPECT_EQ(show.host.events, std::vector<std::string>{FileSystemTitle + c.message});
    EXPECT_EQ(listNames(show.show()), "bilder\nminis\n");
    EXPECT_EQ(listNames(show.pictures()), "");
}

INSTANTIATE_TEST_SUITE_P(
    InOrder, FolderChecks,
    testing::Values(
        FolderCase{"CountsDifferBeforeAnyFolderIsLookedAt", "elsewhere/", "show/", 3, CountsDiffer},
        FolderCase{"NeighbourFolderWithTheShowsNameAsPrefix", "show2/minis/", "show/bilder/", 2,
                   ThumbsOutside},
        FolderCase{"CaseCountsInTheComparison", "Show/minis/", "show/bilder/", 2, ThumbsOutside},
        FolderCase{"PicturesOutsideComeBeforeThumbsEqualToShow", "show/", "bilder/", 2,
                   PicturesOutside},
        FolderCase{"ThumbsAreTheShowFolder", "show/", "show/bilder/", 2, ThumbsAreShow},
        FolderCase{"PicturesAreTheShowFolder", "show/minis/", "show/", 2, PicturesAreShow},
        FolderCase{"BothFoldersTheSame", "show/minis/", "show/minis/", 2, PicturesAreThumbs},
        FolderCase{"AnyDepthBelowTheShowIsAccepted", "show/a/b/", "show/bilder/", 2, ""}),
    [](const auto& info) { return std::string(info.param.what); });

struct NameCase {
    const char* what;
    std::optional<std::string> answer;
    std::string startPage; // empty: refused with the message below
};

class NameDialog : public testing::TestWithParam<NameCase> {};

TEST_P(NameDialog, TheAnswerIsTheStartPageNameAsTyped) {
    const NameCase& c = GetParam();
    settings::ShowSettings settings = bareSettings();
    Show show({}, settings);
    show.host.answer = c.answer;

    const generator::RunOutcome outcome = show.run();

    if (c.startPage.empty()) {
        EXPECT_EQ(outcome, generator::RunOutcome::Cancelled);
        EXPECT_EQ(
            show.host.events,
            (std::vector<std::string>{AskEvent, "message [Abbruch...] Dateiname ist ungültig..."}));
        EXPECT_EQ(listNames(show.show()), "bilder\nminis\n");
        return;
    }
    EXPECT_EQ(outcome, generator::RunOutcome::Written);
    EXPECT_EQ(show.host.events, WrittenEvents);
    EXPECT_EQ(readFile(show.show() / c.startPage), "\r\n<tr>\r\n</tr></table>\r\n\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Answers, NameDialog,
    testing::Values(NameCase{"PresetTaken", std::nullopt, "bilder01.html"},
                    NameCase{"ExtensionTypedIsKept", "index.html", "index.html.html"},
                    NameCase{"BlanksAreKept", " Urlaub 2004 ", " Urlaub 2004 .html"},
                    NameCase{"EmptyOrCancelled", "", ""}, NameCase{"FolderSeparator", "a/b", ""},
                    NameCase{"ClimbingOut", "../index", ""},
                    NameCase{"NulCharacter", std::string("a\0b", 3), ""}),
    [](const auto& info) { return std::string(info.param.what); });

struct ClashCase {
    const char* what;
    std::vector<std::string> thumbNames;
    std::int16_t ownPages;
    std::int16_t allPage;
    std::optional<std::string> answer;
    std::string message; // empty: written
};

class PageNameClash : public testing::TestWithParam<ClashCase> {};

TEST_P(PageNameClash, IsRefusedBeforeAnythingIsWritten) {
    const ClashCase& c = GetParam();
    settings::ShowSettings settings = bareSettings();
    settings.setOption(settings::ShowOption::OwnPagePerPicture, c.ownPages);
    settings.setOption(settings::ShowOption::AllPicturesPage, c.allPage);
    Show show(c.thumbNames, settings);
    show.host.answer = c.answer;

    const generator::RunOutcome outcome = show.run();

    if (c.message.empty()) {
        EXPECT_EQ(outcome, generator::RunOutcome::Written);
        EXPECT_EQ(show.host.events, WrittenEvents);
        return;
    }
    EXPECT_EQ(outcome, generator::RunOutcome::Refused);
    EXPECT_EQ(show.host.events, (std::vector<std::string>{AskEvent, FileSystemTitle + c.message}));
    EXPECT_EQ(listNames(show.show()), "bilder\nminis\n");
    EXPECT_EQ(listNames(show.pictures()), "");
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PageNameClash,
    testing::Values(
        ClashCase{"PicturePageTakesTheAllPicturesPageName",
                  {"a.jpg", "bilder01_all.jpg"},
                  1,
                  1,
                  std::nullopt,
                  "Die eigene HTML-Datei des Bildes bilder01_all.jpg hätte denselben Namen wie die "
                  "HTML-Datei mit allen Bildern (bilder01_all.html)..."},
        ClashCase{"AnotherStartPageNameFreesIt", {"bilder01_all.jpg"}, 1, 1, "index", ""},
        ClashCase{"NoAllPicturesPageNoClash", {"bilder01_all.jpg"}, 1, 0, std::nullopt, ""},
        ClashCase{"TwoPicturesDifferingInTheCaseOfTheExtension",
                  {"a.jpg", "b.jpg", "a.JPG"},
                  1,
                  0,
                  std::nullopt,
                  "Die eigenen HTML-Dateien der Bilder a.jpg und a.JPG hätten denselben Namen "
                  "(a.html)..."},
        ClashCase{"WithoutOwnPagesTheyShareNothing", {"a.jpg", "a.JPG"}, 0, 1, std::nullopt, ""}),
    [](const auto& info) { return std::string(info.param.what); });

} // namespace
} // namespace bildertafel::test
