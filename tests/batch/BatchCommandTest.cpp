#include "ProgramRun.h"
#include "TempDir.h"
#include "settings/ConfigFile.h"
#include "settings/TemplateSets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace bildertafel::test {
namespace {

// A show folder with thumbnails in minis/ and pictures in bilder/; the files are empty, since
// the command never opens a picture.
class BatchCommand : public testing::Test {
protected:
    void makeShow(const std::vector<std::string>& minis, const std::vector<std::string>& pictures) {
        std::filesystem::create_directories(dir / "show/minis");
        std::filesystem::create_directories(dir / "show/bilder");
        for (const std::string& name : minis) {
            writeFile(dir / "show/minis" / name, "");
        }
        for (const std::string& name : pictures) {
            writeFile(dir / "show/bilder" / name, "");
        }
    }

    ProgramResult run(std::vector<std::string> args) {
        return runProgram(BATCH_PROGRAM, args, dir.path());
    }

    // The three folders, absolute.
    std::vector<std::string> folders() const {
        return {"--show",     dir.folder() + "show",       "--minis", dir.folder() + "show/minis",
                "--pictures", dir.folder() + "show/bilder"};
    }

    std::vector<std::string> with(std::vector<std::string> extra) const {
        std::vector<std::string> args = folders();
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }

    std::filesystem::path show() const { return dir / "show"; }
    std::filesystem::path pictures() const { return dir / "show/bilder"; }

    TempDir dir;
};

TEST_F(BatchCommand, WritesTheShowInListOrderAndWarnsOfANameThatDiffersInCase) {
    makeShow({"Bild 10.jpg", "Bild 2.JPG", "notes.txt", ".versteckt.jpg"},
             {"Bild 10.jpg", "Bild 2.jpg", "extra.png"});
    std::filesystem::create_directory(dir / "show/minis/ordner.jpg");

    const ProgramResult result = run(
        with({"--own-pages", "on", "--new-window", "on", "--all-page", "off", "--name", "index"}));

    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.out, "");
    // The picture page names the preview's capitals, which a web server would not find.
    EXPECT_EQ(result.err,
              "Warnung: bilder/Bild 2.html: bilder/Bild 2.JPG\n1 Verweis führt ins Leere.\n");
    EXPECT_EQ(
        readFile(show() / "index.html"),
        "<html><body><center>\r\n"
        "<tr>\r\n"
        "<td align=\"center\" valign=\"center\"><a name=\"Bild 2\" href=\"bilder/Bild 2.html\" "
        "target=\"_blank\"><img src=\"minis/Bild 2.JPG\" border=\"1\" alt=\"Foto zum "
        "Vergr&ouml;&szlig;ern bitte anklicken!\"></a></td>\r\n"
        "<td align=\"center\" valign=\"center\"><a name=\"Bild 10\" href=\"bilder/Bild "
        "10.html\" target=\"_blank\"><img src=\"minis/Bild 10.jpg\" border=\"1\" alt=\"Foto "
        "zum Vergr&ouml;&szlig;ern bitte anklicken!\"></a></td>\r\n"
        "</tr></table>\r\n"
        "</center></body></html>\r\n");
    EXPECT_EQ(readFile(pictures() / "Bild 2.html"),
              "<html><body><center>\r\n"
              "<a href=\"../index.html#Bild 2\"><img src=\"Bild 2.JPG\" alt=\"zur&uuml;ck zur "
              "Vorschau...\"></a>\r\n"
              "</center></body></html>\r\n");
    EXPECT_EQ(listNames(pictures()),
              "Bild 10.html\nBild 10.jpg\nBild 2.html\nBild 2.jpg\nextra.png\n");
    EXPECT_EQ(listNames(show()), "bilder\nindex.html\nminis\n");
}

TEST_F(BatchCommand, TakesRelativeFoldersNormalisedWithoutResolvingLinks) {
    makeShow({"a.jpg"}, {"a.jpg"});

    const ProgramResult result = run(
        {"--show", "show/./", "--minis", "nirgends/../show/minis", "--pictures", "show//bilder"});

    EXPECT_EQ(result.exitStatus, 0) << result.err;
    const std::string startPage = readFile(show() / "bilder01.html");
    EXPECT_NE(startPage.find("<a name=\"a\" href=\"bilder/a.jpg\"><img src=\"minis/a.jpg\" "),
              std::string::npos)
        << startPage;
    EXPECT_EQ(listNames(pictures()), "a.jpg\nbilder01_all.html\n");

    // Through a link the show folder has another name, so its sub-folders must be named through it
    // too.
    std::filesystem::create_directory_symlink(show(), dir / "link");
    const ProgramResult linked =
        run({"--show", "link", "--minis", "show/minis", "--pictures", "link/bilder"});

    EXPECT_EQ(linked.exitStatus, 1);
    EXPECT_EQ(linked.err,
              "Der Ordner für die Minis liegt nicht unter dem Hauptordner der Show...\n");
}

TEST_F(BatchCommand, StrictTurnsLinksThatLeadNowhereIntoAFailure) {
    makeShow({"a.jpg", "b.jpg"}, {"a.jpg", "c.jpg"});
    for (const bool strict : {false, true}) {
        const ProgramResult result =
            run(with(strict ? std::vector<std::string>{"--strict"} : std::vector<std::string>{}));
        EXPECT_EQ(result.exitStatus, strict ? 3 : 0);
        EXPECT_EQ(result.err, "Warnung: bilder01.html: bilder/b.jpg\n"
                              "1 Verweis führt ins Leere.\n");
        EXPECT_TRUE(std::filesystem::exists(show() / "bilder01.html"));
    }
}

struct PerRowCase {
    std::optional<std::string> perRow;
    std::size_t rowBreaks; // with five pictures
};

TEST_F(BatchCommand, PerRowSelectsAnEntryOrTakesTheTextAsTyped) {
    const std::vector<std::string> five{"1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg"};
    makeShow(five, five);
    const PerRowCase cases[] = {
        {std::nullopt, 1}, {"2", 2}, {"9", 0}, {"05", 1}, {"1", 5}, {"2.5", 1}, {"Bilder", 0},
    };
    for (const PerRowCase& c : cases) {
        std::vector<std::string> extra;
        if (c.perRow) {
            extra = {"--per-row", *c.perRow};
        }
        const ProgramResult result = run(with(extra));
        ASSERT_EQ(result.exitStatus, 0) << result.err;

        const std::string page = readFile(show() / "bilder01.html");
        std::size_t breaks = 0;
        for (auto at = page.find("</tr><tr>"); at != std::string::npos;
             at = page.find("</tr><tr>", at + 1)) {
            ++breaks;
        }
        EXPECT_EQ(breaks, c.rowBreaks) << c.perRow.value_or("(none)");
    }
}

struct RefusalCase {
    const char* what;
    std::vector<std::string> minis;
    std::vector<std::string> extra;
    std::string message;
};

TEST_F(BatchCommand, RefusalsExitWithOneAndWriteNothing) {
    const RefusalCase cases[] = {
        {"counts",
         {"a.jpg", "b.jpg"},
         {},
         "Die Anzahl der Bilder und Minibilder stimmt nicht überein..."},
        {"empty name", {"a.jpg"}, {"--name", ""}, "Dateiname ist ungültig..."},
        {"name with a folder", {"a.jpg"}, {"--name", "../a"}, "Dateiname ist ungültig..."},
        {"clash",
         {"bilder01_all.jpg"},
         {"--own-pages", "on"},
         "Die eigene HTML-Datei des Bildes bilder01_all.jpg hätte denselben Namen wie die "
         "HTML-Datei mit allen Bildern (bilder01_all.html)..."},
    };
    for (const RefusalCase& c : cases) {
        std::filesystem::remove_all(show());
        makeShow(c.minis, {"x.jpg"});

        const ProgramResult result = run(with(c.extra));

        EXPECT_EQ(result.exitStatus, 1) << c.what;
        EXPECT_EQ(result.out, "") << c.what;
        EXPECT_EQ(result.err, c.message + "\n") << c.what;
        EXPECT_EQ(listNames(show()), "bilder\nminis\n") << c.what;
        EXPECT_EQ(listNames(pictures()), "x.jpg\n") << c.what;
    }
}

TEST_F(BatchCommand, UnreadableFoldersExitWithThree) {
    makeShow({"a.jpg"}, {"a.jpg"});
    writeFile(dir / "datei", "");
    const std::string base = dir.folder();
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--show", base + "show", "--minis", base + "show/nix", "--pictures",
          base + "show/bilder"},
         "Der Ordner " + base +
             "show/nix/ kann nicht gelesen werden: Die Datei oder der Ordner existiert nicht"},
        {{"--show", base + "datei", "--minis", base + "show/minis", "--pictures",
          base + "show/bilder"},
         "Der Ordner " + base + "datei/ kann nicht gelesen werden: Das ist kein Ordner"},
        {{"--show", base, "--minis", base + "show/minis", "--pictures", base + "datei"},
         "Der Ordner " + base + "datei/ kann nicht gelesen werden: Das ist kein Ordner"},
    };
    for (const auto& [args, message] : cases) {
        const ProgramResult result = run(args);

        EXPECT_EQ(result.exitStatus, 3) << message;
        EXPECT_EQ(result.err, message + "\n");
        EXPECT_EQ(listNames(show()), "bilder\nminis\n");
    }
}

TEST_F(BatchCommand, AFileThatCannotBeWrittenExitsWithThreeAndLeavesNoTrace) {
    makeShow({"a.jpg", "b.jpg"}, {"a.jpg", "b.jpg"});
    std::filesystem::create_directory(pictures() / "b.html");

    const ProgramResult result = run(with({"--own-pages", "on"}));

    EXPECT_EQ(result.exitStatus, 3);
    EXPECT_EQ(result.err,
              "Die Datei " + dir.folder() +
                  "show/bilder/b.html konnte nicht geschrieben werden: Das ist ein Ordner\n");
    EXPECT_EQ(listNames(show()), "bilder\nminis\n");
    EXPECT_EQ(listNames(pictures()), "a.html\na.jpg\nb.html\nb.jpg\n");
}

// The configuration file the defaults make, with the values that the tests change marked.
std::string defaultsConfig(std::string_view head, std::string_view widthLine, char ownPages) {
    return "[0] HTML-Kopf\r\n" + std::string(head) +
           "\r\n"
           "[1] HTML-Fu\xDF\r\n</center></body></html>\r\n"
           "[2] HTML-Tabellenzelle vor dem Bild\r\n<td align=\"center\" valign=\"center\">\r\n"
           "[3] HTML-Tabellenzelle nach dem Bild\r\n</td>\r\n"
           "[4] HTML-Datei vor dem Bild\r\n<html><body><center>\r\n"
           "[5] HTML-Datei nach dem Bild\r\n</center></body></html>\r\n"
           "[6] Tabellenbreite\r\n" +
           std::string(widthLine) + "\r\n[7] eigene HTML-Datei\r\n " + ownPages +
           " \r\n"
           "[8] neues Browserfenster\r\n 0 \r\n"
           "[9] HTML-Datei mit allen Bildern\r\n 1 \r\n";
}

TEST_F(BatchCommand, ConfigFilesAloneAreReadAndRewrittenInTheCurrentFormat) {
    // A file from elsewhere: no first header, lone LF inside a line, no final line end.
    writeFile(dir / "alt.cfg", "<h1>Urlaub\n2004</h1>\r[7]\r\n1");

    const ProgramResult result = run({"--config", "alt.cfg", "--save-config", "neu.cfg"});

    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(readFile(dir / "neu.cfg"),
              defaultsConfig("<html><body><center>\r\n<h1>Urlaub\n2004</h1>",
                             " 2   (4 Bilder breit)", '1'));
    EXPECT_EQ(listNames(dir.path()), "alt.cfg\nneu.cfg\n") << "no extension added, nothing else";
}

TEST_F(BatchCommand, OptionsApplyAfterTheConfigFileAndBeforeSaving) {
    writeFile(dir / "a.cfg", "[0]\r\n<body>\r\n[6]\r\n 5 \r\n[7]\r\n 1 \r\n");

    const ProgramResult result =
        run({"--own-pages", "off", "--per-row", "12 nebeneinander", "--config", "a.cfg",
             "--save-config", dir.folder() + "b.cfg"});

    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(readFile(dir / "b.cfg"), defaultsConfig("<body>", "-1   (12 nebeneinander)", '0'));
}

TEST_F(BatchCommand, GeneratesWithTheLoadedTemplates) {
    makeShow({"a.jpg"}, {"a.jpg"});
    writeFile(dir / "a.cfg", "[0]\r\n<body><table>\r\n[9]\r\n0\r\n[2]\r\n<td>\r\n");

    const ProgramResult result = run(with({"--config", "a.cfg", "--name", "index"}));

    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(readFile(show() / "index.html"),
              "<body><table>\r\n"
              "<tr>\r\n"
              "<td><a name=\"a\" href=\"bilder/a.jpg\"><img src=\"minis/a.jpg\" border=\"1\" "
              "alt=\"Foto zum Vergr&ouml;&szlig;ern bitte anklicken!\"></a></td>\r\n"
              "</tr></table>\r\n"
              "</center></body></html>\r\n");
}

TEST_F(BatchCommand, AConfigFileThatCannotBeTakenStopsEverythingWithThree) {
    makeShow({"a.jpg"}, {"a.jpg"});
    writeFile(dir / "schlecht.cfg", "[0]\r\nneu\r\n[6]\r\n 8 \r\n");
    writeFile(dir / "datei", "");
    const struct {
        const char* what;
        std::vector<std::string> args;
        std::string named;
    } cases[] = {
        {"bad value", {"--config", "schlecht.cfg", "--save-config", "b.cfg"}, "schlecht.cfg"},
        {"missing file", {"--config", "fehlt.cfg", "--save-config", "b.cfg"}, "fehlt.cfg"},
        {"unwritable", {"--save-config", "datei/b.cfg"}, "datei/b.cfg"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = with(c.args);
        const ProgramResult result = run(args);

        EXPECT_EQ(result.exitStatus, 3) << c.what;
        EXPECT_NE(result.err.find(c.named), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(listNames(show()), "bilder\nminis\n") << c.what << ": no page written";
        EXPECT_EQ(listNames(dir.path()), "datei\nschlecht.cfg\nshow\n") << c.what;
    }
}

TEST_F(BatchCommand, HelpAndWrongUsage) {
    const ProgramResult help = run({"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_TRUE(help.out.starts_with("Aufruf: bildertafel-batch [--config DATEI | --preset NAME]"))
        << help.out;
    EXPECT_EQ(help.out.find('\''), std::string::npos) << "German plurals take no apostrophe";
    EXPECT_EQ(help.err, "");

    const ProgramResult wrong = run({"--show", dir.folder()});
    EXPECT_EQ(wrong.exitStatus, 2);
    EXPECT_EQ(wrong.out, "");
    EXPECT_EQ(wrong.err, "Es fehlt: --minis, --pictures.\n\n" + help.out);
}

// Two template sets in a folder of their own, which the environment names.
class PresetCommand : public BatchCommand {
protected:
    PresetCommand() {
        settings::ShowSettings dark = settings::DefaultShowSettings();
        dark.setTemplate(settings::TemplateId::PageHead, "<body class=\"dunkel\"><table>");
        writeFile(dir / "vorlagen/dunkel.cfg", settings::configFileBytes(dark));
        writeFile(dir / "vorlagen/dunkel.txt", "Dunkle Galerie\nF\xC3\xBCr Fotos\n320\n");
        writeFile(dir / "vorlagen/hell.cfg", "[0]\r\n<body>\r\n");
        ::setenv(settings::TemplateSetFolderVariable.data(), (dir / "vorlagen").c_str(), 1);
    }
    ~PresetCommand() override { ::unsetenv(settings::TemplateSetFolderVariable.data()); }
};

TEST_F(PresetCommand, LoadsTheSetAsAConfigurationFileAndListsThem) {
    const ProgramResult saved = run({"--preset", "dunkel", "--save-config", "neu.cfg"});
    EXPECT_EQ(saved.exitStatus, 0) << saved.err;
    EXPECT_EQ(readFile(dir / "neu.cfg"), readFile(dir / "vorlagen/dunkel.cfg"));

    const ProgramResult listed = run({"--list-presets"});
    EXPECT_EQ(listed.exitStatus, 0) << listed.err;
    EXPECT_EQ(listed.out, "dunkel: Dunkle Galerie\n"
                          "    F\xC3\xBCr Fotos\n"
                          "    Mini-Bilder: 320 Pixel\n"
                          "hell: hell\n");
}

TEST_F(PresetCommand, AnUnknownSetOrNoneAtAllStopsWithThree) {
    makeShow({"a.jpg"}, {"a.jpg"});
    const ProgramResult unknown = run(with({"--preset", "grau", "--save-config", "b.cfg"}));
    EXPECT_EQ(unknown.exitStatus, 3);
    EXPECT_EQ(unknown.err, "Die Vorlage \"grau\" gibt es nicht. Vorhanden: dunkel, hell.\n");
    EXPECT_EQ(listNames(show()), "bilder\nminis\n") << "no page written";
    EXPECT_FALSE(std::filesystem::exists(dir / "b.cfg"));

    ::setenv(settings::TemplateSetFolderVariable.data(), (dir / "leer").c_str(), 1);
    const ProgramResult none = run({"--list-presets"});
    EXPECT_EQ(none.exitStatus, 3);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "Es wurden keine Vorlagen gefunden. Sie werden im Ordner " + dir.folder() +
                            "leer/ erwartet.\n");
}

} // namespace
} // namespace bildertafel::test
