#include "settings/ConfigCommands.h"

#include "settings/ConfigFile.h"

#include "ConfigTestSupport.h"
#include "TempDir.h"

#include "textfile/SystemReason.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace bildertafel::settings {
namespace {

using test::FakeConfigHost;
using test::listNames;
using test::readFile;
using test::TempDir;
using test::writeFile;

using Events = std::vector<std::string>;

class ConfigCommands : public testing::Test {
protected:
    ConfigCommands() { host.folder = dir.folder(); }

    TempDir dir;
    FakeConfigHost host;
    ShowSettings settings = DefaultShowSettings();
};

TEST_F(ConfigCommands, EmptyAnswerWritesNothingSilently) {
    host.answer = "";
    EXPECT_EQ(WriteConfigFile(settings, host, host), ConfigOutcome::Nothing);
    EXPECT_EQ(host.events, Events{"ask"});
    EXPECT_EQ(host.askedPrompt, "Dateiname (ohne Erweiterung):");
    EXPECT_EQ(host.askedTitle, "Konfigurationsdatei speichern...");
    EXPECT_EQ(host.askedPreset, "Kachelwerk01");
    EXPECT_EQ(listNames(dir.path()), "");
}

TEST_F(ConfigCommands, NameWithSeparatorOrNulIsRefused) {
    for (const std::string& answer : {std::string("sub/name"), std::string("a\0b", 3),
                                      std::string("/"), std::string("../up")}) {
        SCOPED_TRACE(answer);
        FakeConfigHost fresh;
        fresh.folder = dir.folder();
        fresh.answer = answer;
        EXPECT_EQ(WriteConfigFile(settings, fresh, fresh), ConfigOutcome::Failed);
        EXPECT_EQ(fresh.events, (Events{"ask", "message"}));
        EXPECT_EQ(fresh.messages.at(0).text, "Dateiname ist ungültig...");
        EXPECT_EQ(fresh.messages.at(0).title, "Konfigurationsdatei speichern...");
    }
    EXPECT_EQ(listNames(dir.path()), "");
}

TEST_F(ConfigCommands, WriteTakesTheAnswerAsTypedAndRereadsTheList) {
    host.answer = " Show.cfg";
    settings.setOption(ShowOption::OwnPagePerPicture, 1);
    EXPECT_EQ(WriteConfigFile(settings, host, host), ConfigOutcome::Done);
    EXPECT_EQ(host.events, (Events{"ask", "reread"}));
    EXPECT_EQ(listNames(dir.path()), " Show.cfg.cfg\n");
    EXPECT_EQ(readFile(dir / " Show.cfg.cfg"), configFileBytes(settings));
}

TEST_F(ConfigCommands, WriteFailureIsReportedAndOldFileKept) {
    writeFile(dir / "a.cfg" / "inside", "kept");
    host.answer = "a";
    EXPECT_EQ(WriteConfigFile(settings, host, host), ConfigOutcome::Failed);
    EXPECT_EQ(host.events, (Events{"ask", "message"}));
    EXPECT_NE(host.messages.at(0).text.find(dir.folder() + "a.cfg"), std::string::npos);
    EXPECT_EQ(host.messages.at(0).title, "Konfigurationsdatei speichern...");
    EXPECT_NE(host.messages.at(0).text.find(textfile::systemReason(EISDIR)), std::string::npos);
    EXPECT_EQ(readFile(dir / "a.cfg" / "inside"), "kept");
    EXPECT_EQ(listNames(dir.path()), "a.cfg\n"); // no temporary file left
}

TEST_F(ConfigCommands, TemplatesThatWillNotComeBackAreNamedAfterWriting) {
    settings.setTemplate(TemplateId::PageFoot, "\r\n</body>");
    settings.setTemplate(TemplateId::CellAfter, "</td>\r\n[Kommentar]");
    host.answer = "a";
    EXPECT_EQ(WriteConfigFile(settings, host, host), ConfigOutcome::Done);
    // Written as always, then the notice.
    EXPECT_EQ(readFile(dir / "a.cfg"), configFileBytes(settings));
    EXPECT_EQ(host.events, (Events{"ask", "reread", "message"}));
    const std::string& notice = host.messages.at(0).text;
    EXPECT_NE(notice.find("„HTML-Fuß“"), std::string::npos) << notice;
    EXPECT_NE(notice.find("„HTML-Tabellenzelle nach dem Bild“"), std::string::npos) << notice;
    EXPECT_EQ(notice.find("„HTML-Kopf“"), std::string::npos) << notice;
    EXPECT_NE(notice.find("Leerzeilen"), std::string::npos) << notice;
    EXPECT_NE(notice.find("„[“"), std::string::npos) << notice;
}

TEST_F(ConfigCommands, ReadWithoutSelectionDoesNothing) {
    for (const auto& selected : {std::optional<std::string>(), std::optional<std::string>("")}) {
        host.selected = selected;
        EXPECT_EQ(ReadConfigFile(settings, host, host), ConfigOutcome::Nothing);
    }
    EXPECT_EQ(host.events, Events{});
    EXPECT_EQ(settings, DefaultShowSettings());
}

TEST_F(ConfigCommands, ReadAppliesTheFileAndShowsItsName) {
    writeFile(dir / "b.cfg", "[6]\r\n 6 \r\n");
    host.selected = "b.cfg";
    EXPECT_EQ(ReadConfigFile(settings, host, host), ConfigOutcome::Done);
    EXPECT_EQ(host.events, Events{"loaded:b.cfg"});
    EXPECT_EQ(settings.TableWidthText(), "8 Bilder breit");
}

TEST_F(ConfigCommands, EmptyFileStillShowsItsName) {
    writeFile(dir / "leer.cfg", "");
    host.selected = "leer.cfg";
    EXPECT_EQ(ReadConfigFile(settings, host, host), ConfigOutcome::Done);
    EXPECT_EQ(host.events, Events{"loaded:leer.cfg"});
    EXPECT_EQ(settings, DefaultShowSettings());
}

TEST_F(ConfigCommands, ReadFailuresChangeNothing) {
    writeFile(dir / "bad.cfg", "[0]\r\nneu\r\n[9]\r\n 7 \r\n");
    for (const std::string name : {"bad.cfg", "missing.cfg"}) {
        SCOPED_TRACE(name);
        FakeConfigHost fresh;
        fresh.folder = dir.folder();
        fresh.selected = name;
        EXPECT_EQ(ReadConfigFile(settings, fresh, fresh), ConfigOutcome::Failed);
        EXPECT_EQ(fresh.events, Events{"message"});
        EXPECT_EQ(fresh.messages.at(0).title, "Konfigurationsdatei laden...");
        EXPECT_NE(fresh.messages.at(0).text.find(dir.folder() + name), std::string::npos);
        EXPECT_EQ(settings, DefaultShowSettings());
    }
}

} // namespace
} // namespace bildertafel::settings
