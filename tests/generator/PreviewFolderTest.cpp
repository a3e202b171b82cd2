// The preview in the browser: the pages as "HTML erstellen" would write them, in a folder of
// their own that reaches the show's files, while the show stays exactly as it was.
#include "generator/PreviewFolder.h"
#include "GeneratorTestSupport.h"
#include "generator/GeneratorTexts.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace bildertafel::test {
namespace {

namespace fs = std::filesystem;
using generator::PreviewFolder;
using generator::RunOutcome;
using generator::texts::failureText;
using settings::ShowOption;
using settings::TemplateId;

struct LayoutCase {
    const char* what;
    const char* thumbs;   // below the show folder
    const char* pictures; // below the show folder
};

class PreviewLayouts : public testing::TestWithParam<LayoutCase> {};

TEST_P(PreviewLayouts, PagesReachTheShowsFilesAndTheShowStaysAsItWas) {
    const LayoutCase& c = GetParam();
    settings::ShowSettings settings = bareSettings();
    settings.setOption(ShowOption::OwnPagePerPicture, 1);
    settings.setOption(ShowOption::AllPicturesPage, 1);
    settings.setTemplate(TemplateId::PageHead, R"(<link rel="stylesheet" href="stil.css">)");
    Show show({"a.jpg", "b c.jpg"}, settings);
    show.input.ThumbFolder = show.showFolder() + c.thumbs;
    show.input.PictureFolder = show.showFolder() + c.pictures;
    for (const char* name : {"a.jpg", "b c.jpg"}) {
        writeFile(show.show() / c.thumbs / name, "mini");
        writeFile(show.show() / c.pictures / name, "bild");
    }
    writeFile(show.show() / c.pictures / "gross/a.jpg", "gross");
    writeFile(show.show() / "stil.css", "body{}");
    writeFile(show.show() / "bildtexte.txt", "[a.jpg]\nTitel: Am See\n");
    writeFile(show.show() / ".versteckt", "x");
    // Pages of an earlier run, which the preview writes anew beside them.
    writeFile(show.show() / "bilder01.html", "alt");
    writeFile(show.show() / c.pictures / "a.html", "alt");
    const std::string before = treeOf(show.show());
    fs::create_directory(show.dir / "tmp");

    std::unique_ptr<PreviewFolder> folder;
    const generator::GeneratorOutcome created =
        PreviewFolder::create(show.dir.folder() + "tmp/", folder);
    ASSERT_TRUE(created) << failureText(created.failure());
    ASSERT_TRUE(folder);
    const fs::path root = folder->path();
    generator::ShowGeneratorInput preview;
    const generator::GeneratorOutcome laid = folder->lay(show.input, "bilder01", preview);
    ASSERT_TRUE(laid) << failureText(laid.failure());
    EXPECT_EQ(generator::ShowGenerator::run(preview, show.host, show.host), RunOutcome::Written);

    // Every link and picture of the pages resolves, the words and the large picture included.
    EXPECT_TRUE(show.host.missingLinks.empty());
    EXPECT_EQ(show.host.startPage, folder->path() + "bilder01.html");
    const std::string startPage = readFile(root / "bilder01.html");
    EXPECT_NE(startPage.find(std::string(c.thumbs) + "a.jpg"), std::string::npos);
    EXPECT_NE(startPage.find("Am See"), std::string::npos);
    EXPECT_TRUE(fs::equivalent(root / c.thumbs / "a.jpg", show.show() / c.thumbs / "a.jpg"));
    for (const fs::path& page : {root / "bilder01.html", root / c.pictures / "a.html",
                                 root / c.pictures / "bilder01_all.html"}) {
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(page))) << page;
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(root / ".versteckt")));
    EXPECT_EQ(treeOf(show.show()), before);
    const std::string picturePage = readFile(root / c.pictures / "a.html");
    const std::string allPage = readFile(root / c.pictures / "bilder01_all.html");

    folder.reset();
    EXPECT_FALSE(fs::exists(root));
    EXPECT_EQ(treeOf(show.show()), before);
    // The preview showed the very pages "HTML erstellen" writes into the show.
    EXPECT_EQ(show.run(), RunOutcome::Written);
    EXPECT_EQ(readFile(show.show() / "bilder01.html"), startPage);
    EXPECT_EQ(readFile(show.show() / c.pictures / "a.html"), picturePage);
    EXPECT_EQ(readFile(show.show() / c.pictures / "bilder01_all.html"), allPage);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PreviewLayouts,
    testing::Values(LayoutCase{"SubFoldersSideBySide", "minis/", "bilder/"},
                    LayoutCase{"PreviewsInsideThePictures", "bilder/minis/", "bilder/"},
                    LayoutCase{"PicturesInsideThePreviews", "minis/", "minis/bilder/"},
                    LayoutCase{"TwoLevelsDown", "fotos/klein/", "fotos/2026/gross bilder/"}),
    [](const auto& info) { return std::string(info.param.what); });

struct RefusalCase {
    const char* what;
    const char* thumbs; // below the test folder, which holds show/
    std::string message;
};

class PreviewRefusals : public testing::TestWithParam<RefusalCase> {};

TEST_P(PreviewRefusals, NothingIsLaidAndTheReasonIsGiven) {
    const RefusalCase& c = GetParam();
    Show show({"a.jpg"});
    show.input.ThumbFolder = show.dir.folder() + c.thumbs;
    const std::string before = treeOf(show.show());
    std::unique_ptr<PreviewFolder> folder;
    const generator::GeneratorOutcome created = PreviewFolder::create(show.dir.folder(), folder);
    ASSERT_TRUE(created) << failureText(created.failure());

    generator::ShowGeneratorInput preview;
    const generator::GeneratorOutcome laid = folder->lay(show.input, "bilder01", preview);

    EXPECT_FALSE(laid);
    std::string message = c.message;
    if (const std::size_t at = message.find("{dir}"); at != std::string::npos) {
        message.replace(at, 5, show.dir.folder());
    }
    ASSERT_FALSE(laid);
    EXPECT_EQ(failureText(laid.failure()), message);
    EXPECT_TRUE(preview.ShowFolder.empty());
    EXPECT_EQ(treeOf(show.show()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, PreviewRefusals,
    testing::Values(
        RefusalCase{"PreviewsOutsideTheShow", "anderswo/",
                    "Der Ordner für die Minis liegt nicht unter dem Hauptordner der Show..."},
        RefusalCase{"PreviewsMissing", "show/weg/",
                    "Der Ordner „{dir}show/weg/“ der Fotoshow lässt sich für die Vorschau nicht "
                    "lesen: Die Datei oder der Ordner existiert nicht."}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(PreviewFolderCreation, AFolderThatCannotBeMadeIsNamed) {
    TempDir dir;
    std::unique_ptr<PreviewFolder> folder;
    const generator::GeneratorOutcome created =
        PreviewFolder::create(dir.folder() + "fehlt/", folder);
    EXPECT_FALSE(folder);
    ASSERT_FALSE(created);
    EXPECT_EQ(failureText(created.failure()),
              "Für die Vorschau lässt sich im Ordner „" + dir.folder() +
                  "fehlt/“ kein Ordner anlegen: Die Datei oder der Ordner existiert "
                  "nicht. Die Fotoshow bleibt unverändert.");
}

TEST(TemporaryFolder, OnlyAnAbsoluteFolderIsTakenElseTmp) {
    const struct {
        const char* named;
        const char* folder;
    } cases[] = {{"", "/tmp/"},
                 {"tmp", "/tmp/"},
                 {"./eigen", "/tmp/"},
                 {"/var/tmp", "/var/tmp/"},
                 {"/var/tmp/", "/var/tmp/"}};
    for (const auto& c : cases) {
        EXPECT_EQ(generator::temporaryFolder(c.named), c.folder) << c.named;
    }
}

TEST(LeftPreviewFolders, OnlyThoseOfEndedProgramsGo) {
    TempDir dir;
    const pid_t ended = ::fork();
    if (ended == 0) {
        ::_exit(0);
    }
    ::waitpid(ended, nullptr, 0);
    const std::string endedName = "bildertafel-vorschau-" + std::to_string(ended) + "-abc";
    const std::string ownName = "bildertafel-vorschau-" + std::to_string(::getpid()) + "-abc";
    const std::string linkName = "bildertafel-vorschau-" + std::to_string(ended) + "-lnk";
    const std::string otherName = "bildertafel-vorschau-x-abc";
    for (const std::string& name : {endedName, ownName, otherName}) {
        writeFile(dir / name / "bilder01.html", "x");
    }
    // A link named like a left folder is no folder of the program's: it stays, and so does what
    // it leads to.
    writeFile(dir / "show/bilder/a.jpg", "bild");
    fs::create_directory_symlink(dir / "show", dir / linkName);

    generator::removeLeftPreviewFolders(dir.folder());

    EXPECT_FALSE(fs::exists(dir / endedName));
    for (const std::string& name : {ownName, otherName, linkName}) {
        EXPECT_TRUE(fs::exists(fs::symlink_status(dir / name))) << name;
    }
    EXPECT_EQ(readFile(dir / "show/bilder/a.jpg"), "bild");
}

} // namespace
} // namespace bildertafel::test
