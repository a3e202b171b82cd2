#include "batch/BatchOptions.h"
#include "batch/BatchRun.h"
#include "batch/BatchUsage.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace bildertafel::batch {
namespace {

ParsedCommandLine parse(const std::vector<std::string_view>& args) {
    return parseCommandLine(args);
}

TEST(CommandLine, TakesEveryOptionWithItsValue) {
    const ParsedCommandLine parsed =
        parse({"--per-row", "7 breit", "--own-pages", "on", "--new-window", "off", "--all-page",
               "off", "--show", "s", "--minis", "s/m", "--pictures", "s/b", "--name", ""});

    ASSERT_EQ(parsed.kind, ParsedCommandLine::Kind::Run) << parsed.error;
    const BatchOptions& o = parsed.options;
    EXPECT_EQ(o.perRow, "7 breit");
    EXPECT_EQ(o.ownPages, 1);
    EXPECT_EQ(o.newWindow, 0);
    EXPECT_EQ(o.allPage, 0);
    EXPECT_EQ(o.show, "s");
    EXPECT_EQ(o.minis, "s/m");
    EXPECT_EQ(o.pictures, "s/b");
    EXPECT_EQ(o.name, "");
}

TEST(CommandLine, LeavesWhatIsNotGivenUnsetAndTakesAValueThatLooksLikeAnOption) {
    const ParsedCommandLine parsed =
        parse({"--pictures", "b", "--minis", "m", "--show", "s", "--per-row", "--name"});

    ASSERT_EQ(parsed.kind, ParsedCommandLine::Kind::Run) << parsed.error;
    EXPECT_EQ(parsed.options.perRow, "--name");
    EXPECT_FALSE(parsed.options.name);
    EXPECT_FALSE(parsed.options.ownPages);
    EXPECT_FALSE(parsed.options.newWindow);
    EXPECT_FALSE(parsed.options.allPage);
}

TEST(CommandLine, HelpWinsOverMissingFolders) {
    EXPECT_EQ(parse({"--help"}).kind, ParsedCommandLine::Kind::Help);
    EXPECT_EQ(parse({"--own-pages", "on", "--help"}).kind, ParsedCommandLine::Kind::Help);
}

struct WrongCase {
    std::vector<std::string_view> args;
    std::string error;
};

TEST(CommandLine, ConfigFilesNeedNoFolders) {
    const ParsedCommandLine parsed = parse({"--config", "a.cfg", "--save-config", "b.cfg"});
    ASSERT_EQ(parsed.kind, ParsedCommandLine::Kind::Run) << parsed.error;
    EXPECT_EQ(parsed.options.config, "a.cfg");
    EXPECT_EQ(parsed.options.saveConfig, "b.cfg");
    EXPECT_FALSE(parsed.options.generates());
    EXPECT_EQ(parse({"--save-config", "b.cfg"}).kind, ParsedCommandLine::Kind::Run);
}

TEST(CommandLine, SaysWhatIsWrong) {
    const WrongCase cases[] = {
        {{}, "Es fehlt: --show, --minis, --pictures."},
        {{"--show", "s", "--pictures", "b"}, "Es fehlt: --minis."},
        {{"--show", "s", "--minis", "m", "--pictures", "b", "--bunt"}, "Unbekannte Option --bunt."},
        {{"-h"}, "Unbekannte Option -h."},
        {{"--show", "s", "extra"}, "Unerwartetes Argument \"extra\"."},
        {{"--show"}, "Zu --show fehlt der Wert."},
        {{"--own-pages", "ja"}, "--own-pages erwartet on oder off, nicht \"ja\"."},
        {{"--all-page", "ON"}, "--all-page erwartet on oder off, nicht \"ON\"."},
        {{"--minis", ""}, "--minis braucht einen Ordner."},
        {{"--config", "a.cfg", "--show", "s"}, "Es fehlt: --minis, --pictures."},
        {{"--save-config", ""}, "--save-config braucht eine Datei."},
        {{"--name", "x", "--per-row", "3"}, "Es fehlt: --show, --minis, --pictures."},
        {{"--show", "s", "--minis", "m", "--pictures", "b", "--artist", "A"},
         "--artist, --copyright, --replace-credits und --no-credits gelten nur mit --prepare."},
        {{"--prepare", "k", "--minis", "m", "--pictures", "b", "--no-credits", "--copyright", "C"},
         "--no-credits schließt --artist, --copyright und --replace-credits aus."},
        {{"--publish", "sftp://h/x"},
         "Zu --publish gehört der Ordner der Fotoshow: --show ORDNER."},
        {{"--show", "s", "--minis", "m", "--pictures", "b", "--dry-run"},
         "--start-page, --dry-run und --delete gelten nur mit --publish."},
        {{"--show", "s", "--publish", "sftp://h/x", "--minis", "m"}, "Es fehlt: --pictures."},
        {{"--show", "s", "--key", "k"},
         "--key gilt nur mit einer Adresse sftp://… in --publish; bei ftps:// und ftp:// meldet "
         "man sich mit dem Passwort an."},
        {{"--show", "s", "--publish", "ftps://u@h/x", "--key", "k"},
         "--key gilt nur mit einer Adresse sftp://… in --publish; bei ftps:// und ftp:// meldet "
         "man sich mit dem Passwort an."},
        {{"--show", "s", "--publish", "sftp://h/x", "--key", ""}, "--key braucht eine Datei."},
        {{"--preset", ""}, "--preset braucht den Namen einer Vorlage."},
        {{"--preset", "hell", "--config", "a.cfg"},
         "--config und --preset schließen einander aus."},
        {{"--show", "s", "--minis", "m", "--pictures", "b", "--protect", "gast"},
         "--protect, --no-protect, --visible-until, --web-address, --server-path und --no-check "
         "gelten nur mit --publish."},
        {{"--show", "s", "--publish", "sftp://h/x", "--protect", "gast", "--no-protect"},
         "--protect und --no-protect schließen einander aus."},
        {{"--show", "s", "--publish", "sftp://h/x", "--visible-until", "31.12.2026"},
         "--visible-until erwartet ein Datum JJJJ-MM-TT, nicht \"31.12.2026\"."},
        {{"--show", "s", "--publish", "sftp://h/x", "--web-address", "example.de/fotos"},
         "--web-address erwartet eine Adresse https://… oder http://…, nicht "
         "\"example.de/fotos\"."},
        {{"--show", "s", "--publish", "sftp://h/x", "--server-path", "htdocs"},
         "--server-path erwartet einen vollständigen Pfad, der mit / beginnt, ohne \" und \\."},
        {{"--show", "s", "--publish", "sftp://h/x", "--protect", ""},
         "--protect braucht einen Benutzernamen."},
        {{"--noindex", "ja"}, "--noindex erwartet on oder off, nicht \"ja\"."},
    };
    for (const WrongCase& c : cases) {
        const ParsedCommandLine parsed = parse(c.args);
        EXPECT_EQ(parsed.kind, ParsedCommandLine::Kind::WrongUsage) << c.error;
        EXPECT_EQ(parsed.error, c.error);
    }
}

TEST(CommandLine, HelpGoesToStandardOutputAndWrongUsageToStandardError) {
    std::ostringstream out;
    std::ostringstream err;
    const std::vector<std::string_view> help{"--help"};
    EXPECT_EQ(batchMain(help, out, err), 0);
    EXPECT_EQ(out.str(), usageText());
    EXPECT_EQ(err.str(), "");

    std::ostringstream out2;
    std::ostringstream err2;
    const std::vector<std::string_view> wrong{"--bunt"};
    EXPECT_EQ(batchMain(wrong, out2, err2), 2);
    EXPECT_EQ(out2.str(), "");
    EXPECT_EQ(err2.str(), "Unbekannte Option --bunt.\n\n" + std::string(usageText()));
}

} // namespace
} // namespace bildertafel::batch
