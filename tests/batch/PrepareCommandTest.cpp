#include "ProgramRun.h"
#include "TempDir.h"
#include "words/WordsFile.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace bildertafel::test {
namespace {

// Camera originals: the sample show's real pictures (800 × 600), and what else a card may hold.
class PrepareCommand : public testing::Test {
protected:
    PrepareCommand() {
        std::filesystem::create_directories(dir / "kamera");
        for (const char* name : {"Bild 1.jpg", "Bild 2.jpg"}) {
            std::filesystem::copy_file(std::filesystem::path(BILDERTAFEL_SAMPLE_SHOW) / "bilder" /
                                           name,
                                       dir / "kamera" / name);
        }
    }

    ProgramResult run(std::vector<std::string> extra) {
        std::vector<std::string> args{"--prepare",  "kamera",     "--minis",
                                      "show/minis", "--pictures", "show/bilder"};
        args.insert(args.end(), extra.begin(), extra.end());
        return runProgram(BATCH_PROGRAM, args, dir.path());
    }

    TempDir dir;
};

TEST_F(PrepareCommand, MakesThePicturesAndThenThePages) {
    const ProgramResult result = run({"--show", "show", "--picture-size", "400", "--name", "i"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.err, ""); // not a terminal: no progress line
    EXPECT_EQ(listNames(dir / "show/minis"), "Bild 1.jpg\nBild 2.jpg\n");
    EXPECT_EQ(listNames(dir / "show/bilder"), "Bild 1.jpg\nBild 2.jpg\ngross\ni_all.html\n");
    // The originals are larger than 400: the large size too, named by the start page.
    EXPECT_EQ(listNames(dir / "show/bilder/gross"), "Bild 1.jpg\nBild 2.jpg\n");
    EXPECT_NE(readFile(dir / "show/i.html").find(R"(data-gross="bilder/gross/Bild 1.jpg")"),
              std::string::npos);
    EXPECT_EQ(listNames(dir / "show"), "bilder\ni.html\nminis\n");
    EXPECT_EQ(listNames(dir / "kamera"), "Bild 1.jpg\nBild 2.jpg\n");
}

TEST_F(PrepareCommand, WithoutTheLargeSizeThePicturesFolderHasNoneAndThePagesNameNone) {
    const ProgramResult result =
        run({"--show", "show", "--picture-size", "400", "--large-size", "0", "--name", "i"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(listNames(dir / "show/bilder"), "Bild 1.jpg\nBild 2.jpg\ni_all.html\n");
    EXPECT_EQ(readFile(dir / "show/i.html").find("data-gross"), std::string::npos);
}

struct StatusCase {
    const char* what;
    std::vector<std::string> extra;
    const char* file; // placed among the originals, with these bytes
    const char* bytes;
    int exitStatus;
    const char* firstErrorLine; // the start of standard error
};

TEST_F(PrepareCommand, ExitStatuses) {
    const StatusCase cases[] = {
        {"a name clash", {}, "Bild 1.png", "x", 1, "Es wurde nichts erstellt"},
        {"originals are the previews",
         {"--minis", "kamera"},
         nullptr,
         nullptr,
         1,
         "Der Ordner der Originale ist zugleich der Ordner der Mini-Bilder"},
        {"an unreadable original", {"--show", "show"}, "Notiz.jpg", "kein Bild", 3, "Fertig: "},
        {"previews outside the show",
         {"--show", "show", "--minis", "anderswo"},
         nullptr,
         nullptr,
         1,
         "Der Ordner für die Minis liegt nicht unter dem Hauptordner der Show"},
        {"a size out of range",
         {"--mini-size", "8"},
         nullptr,
         nullptr,
         2,
         "--mini-size erwartet 0 oder 16 bis 20000"},
        {"a quality out of range",
         {"--quality", "0"},
         nullptr,
         nullptr,
         2,
         "--quality erwartet 1 bis 100"},
    };
    for (const StatusCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(dir / "show");
        if (c.file != nullptr) {
            writeFile(dir / "kamera" / c.file, c.bytes);
        }
        const ProgramResult result = run(c.extra);
        EXPECT_EQ(result.exitStatus, c.exitStatus);
        EXPECT_TRUE(result.err.starts_with(c.firstErrorLine)) << result.err;
        // No pages follow a run that did not make every picture.
        EXPECT_FALSE(std::filesystem::exists(dir / "show/bilder01.html"));
        // A show refused for its folders gets no pictures either.
        EXPECT_FALSE(std::filesystem::exists(dir / "anderswo"));
        if (c.file != nullptr) {
            std::filesystem::remove(dir / "kamera" / c.file);
        }
    }
}

TEST_F(PrepareCommand, TheNoticeGoesIntoThePicturesOnly) {
    const struct {
        std::vector<std::string> extra;
        bool inPicture;
    } cases[] = {
        {{"--artist", "Jörg Müller", "--copyright", "© 2026 Jörg Müller"}, true},
        {{"--artist", "Jörg Müller", "--replace-credits"}, true},
        {{"--no-credits"}, false},
        {{}, false}, // nothing asked, nothing in the sample pictures
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(dir / "show");
        const ProgramResult result = run(c.extra);
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(readFile(dir / "show/bilder/Bild 1.jpg").find("Jörg Müller") != std::string::npos,
                  c.inPicture);
        EXPECT_EQ(readFile(dir / "show/minis/Bild 1.jpg").find("Jörg Müller"), std::string::npos);
    }
}

TEST_F(PrepareCommand, TheWordsOfOriginalsAndPicturesFillTheShowsFileNeverOverAnEntry) {
    for (const auto& [name, args] :
         {std::pair{"Bild 1.jpg", std::vector<std::string>{"-XMP-dc:Title=Möwe",
                                                           "-XMP-dc:Description=Über der Düne"}},
          std::pair{"Bild 2.jpg", std::vector<std::string>{"-XMP-dc:Title=Zwei"}}}) {
        std::vector<std::string> command{"-q", "-overwrite_original"};
        command.insert(command.end(), args.begin(), args.end());
        command.push_back("kamera/" + std::string(name));
        ASSERT_EQ(runProgram(EXIFTOOL, command, dir.path()).exitStatus, 0);
    }
    writeFile(dir / "show/bildtexte.txt", "[Bild 2.jpg]\nTitel: Meiner\n");
    const auto wordsOf = [this](const char* name) {
        words::ShowWords show;
        EXPECT_TRUE(words::readWordsFile((dir / "show/bildtexte.txt").string(), show));
        const words::PictureWords* found = show.find(name);
        return found != nullptr ? *found : words::PictureWords();
    };

    ProgramResult result = run({"--show", "show", "--name", "i"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(wordsOf("Bild 1.jpg"), (words::PictureWords{"Möwe", "Über der Düne", ""}));
    EXPECT_EQ(wordsOf("Bild 2.jpg").title, "Meiner");
    EXPECT_NE(readFile(dir / "show/i.html").find("data-titel=\"M&#246;we\""), std::string::npos);

    // Pictures made elsewhere: on request from the web-size pictures.
    std::filesystem::remove(dir / "show/bildtexte.txt");
    result = runProgram(BATCH_PROGRAM,
                        {"--show", "show", "--pictures", "show/bilder", "--words-from-pictures"},
                        dir.path());
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(wordsOf("Bild 1.jpg").caption, "Über der Düne");
    EXPECT_EQ(wordsOf("Bild 2.jpg").title, "Zwei");
    EXPECT_EQ(runProgram(BATCH_PROGRAM, {"--pictures", "show/bilder", "--words-from-pictures"},
                         dir.path())
                  .exitStatus,
              2);
}

TEST_F(PrepareCommand, ItsOptionsNeedIt) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--redo", "--config", "a.cfg"},
          std::vector<std::string>{"--prepare", "kamera", "--minis", "show/minis"}}) {
        const ProgramResult result = runProgram(BATCH_PROGRAM, args, dir.path());
        EXPECT_EQ(result.exitStatus, 2) << result.err;
    }
}

} // namespace
} // namespace bildertafel::test
