#include "settings/ConfigFile.h"

#include "ConfigTestSupport.h"
#include "TempDir.h"

#include "textfile/SystemReason.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <random>

namespace bildertafel::settings {
namespace {

using test::TempDir;
using test::writeFile;

constexpr std::string_view DefaultHead = "<html><body><center>";

struct ReadCase {
    const char* name;
    std::string bytes;
    // What the file changes in the defaults.
    std::function<void(ShowSettings&)> expect;
};

void PrintTo(const ReadCase& c, std::ostream* out) {
    *out << c.name;
}

class ReadOntoDefaults : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadOntoDefaults, ChangesWhatTheFileSays) {
    ShowSettings settings = DefaultShowSettings();
    const ConfigFileResult result = applyConfigBytes(GetParam().bytes, settings, "t.cfg");
    ASSERT_TRUE(result.ok()) << result.message;
    ShowSettings expected = DefaultShowSettings();
    GetParam().expect(expected);
    EXPECT_EQ(settings, expected);
}

void setHead(ShowSettings& s, std::string text) {
    s.setTemplate(TemplateId::PageHead, std::move(text));
}

INSTANTIATE_TEST_SUITE_P(
    ConfigFileReader, ReadOntoDefaults,
    testing::Values(
        ReadCase{"EmptyFile", "", [](ShowSettings&) {}},
        ReadCase{"NoFirstHeaderAppendsToPageHead", "first\r\n\r\nthird",
                 [](ShowSettings& s) {
                     setHead(s, std::string(DefaultHead) + "\r\nfirst\r\n\r\nthird");
                 }},
        ReadCase{"TwoDigitsOpenTheFirstOnly", "[12] x\r\nfoot",
                 [](ShowSettings& s) { s.setTemplate(TemplateId::PageFoot, "foot"); }},
        ReadCase{"LetterOpensSectionZero", "[A] Anhang\r\nhead",
                 [](ShowSettings& s) { setHead(s, "head"); }},
        ReadCase{"BareBracketOpensSectionZero", "[", [](ShowSettings& s) { setHead(s, ""); }},
        ReadCase{"HeaderEmptiesTemplateAtOnce", "[4] anything",
                 [](ShowSettings& s) { s.setTemplate(TemplateId::ImagePageBefore, ""); }},
        ReadCase{"EmptyValueLines", "[6]\r\n\r\n[7]\r\n\r\n[8]\r\n\r\n[9]\r\n\r\n",
                 [](ShowSettings& s) {
                     s.setTableWidthIndex(0);
                     s.setOption(ShowOption::AllPicturesPage, 0);
                 }},
        ReadCase{"NoEntryEmptiesText", "[6] Tabellenbreite\r\n-1   (12 Bilder)\r\n",
                 [](ShowSettings& s) { s.setTableWidthIndex(-1); }},
        ReadCase{"NoteInParenthesesNotRead", "[6]\r\n 5   (2  Bilder breit)",
                 [](ShowSettings& s) { s.setTableWidthIndex(5); }},
        ReadCase{"LoneCarriageReturnEndsLine", "[3]\ra\rb\r",
                 [](ShowSettings& s) { s.setTemplate(TemplateId::CellAfter, "a\r\nb"); }},
        ReadCase{"LoneLineFeedIsACharacter", "[3]\r\na\nb\n\r\n",
                 [](ShowSettings& s) { s.setTemplate(TemplateId::CellAfter, "a\nb\n"); }},
        ReadCase{"NoFinalLineEnd", "[9]\r\n 2",
                 [](ShowSettings& s) { s.setOption(ShowOption::AllPicturesPage, 2); }},
        ReadCase{"FinalLineEndAddsNoLine", "[0]\r\nx\r\n",
                 [](ShowSettings& s) { setHead(s, "x"); }},
        ReadCase{"TrailingEmptyLineKept", "[0]\r\nx\r\n\r\n",
                 [](ShowSettings& s) { setHead(s, "x\r\n"); }},
        ReadCase{"LeadingEmptyLinesLost", "[0]\r\n\r\n\r\nx",
                 [](ShowSettings& s) { setHead(s, "x"); }},
        ReadCase{"RepeatedTemplateStartsAgain", "[2]\r\na\r\n[5]\r\nc\r\n[2]\r\nb",
                 [](ShowSettings& s) {
                     s.setTemplate(TemplateId::CellBefore, "b");
                     s.setTemplate(TemplateId::ImagePageAfter, "c");
                 }},
        ReadCase{"LastValueLineWins", "[6]\r\n 1 \r\n 3 \r\n[6]\r\n 4 ",
                 [](ShowSettings& s) { s.setTableWidthIndex(4); }},
        ReadCase{"MissingSectionsKeepTheirValues", "[8] neues Browserfenster\r\n 1 ",
                 [](ShowSettings& s) { s.setOption(ShowOption::NewBrowserWindow, 1); }},
        ReadCase{"BracketLineInTemplateSwitchesSection", "[0]\r\n<p>\r\n[7] x\r\n1",
                 [](ShowSettings& s) {
                     setHead(s, "<p>");
                     s.setOption(ShowOption::OwnPagePerPicture, 1);
                 }},
        ReadCase{"HalfRoundsToEvenDown", "[6]\r\n2.5",
                 [](ShowSettings& s) { s.setTableWidthIndex(2); }},
        ReadCase{"HalfRoundsToEvenUp", "[6]\r\n3.5",
                 [](ShowSettings& s) { s.setTableWidthIndex(4); }},
        ReadCase{"RoundingAtTheLimits", "[6]\r\n-1.4\r\n[7]\r\n2.49\r\n[8]\r\n-0.5\r\n[9]\r\n0.5",
                 [](ShowSettings& s) {
                     s.setTableWidthIndex(-1);
                     s.setOption(ShowOption::OwnPagePerPicture, 2);
                     s.setOption(ShowOption::AllPicturesPage, 0);
                 }},
        ReadCase{"NumberForms", "[6]\r\n+ 6e0 Bilder\r\n[7]\r\n\t1\n\r\n[8]\r\n.15E1",
                 [](ShowSettings& s) {
                     s.setTableWidthIndex(6);
                     s.setOption(ShowOption::OwnPagePerPicture, 1);
                     s.setOption(ShowOption::NewBrowserWindow, 2);
                 }},
        ReadCase{"TextWithoutNumberIsZero", "[9]\r\nja",
                 [](ShowSettings& s) { s.setOption(ShowOption::AllPicturesPage, 0); }},
        ReadCase{"Windows1252Decoded", "[1] HTML-Fu\xDF\r\n\xE4\x80\x81&#8594;",
                 [](ShowSettings& s) { s.setTemplate(TemplateId::PageFoot, "ä€\u0081&#8594;"); }}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusalCase {
    const char* name;
    std::string bytes;
    std::size_t line;
    std::string shownValue;
};

void PrintTo(const RefusalCase& c, std::ostream* out) {
    *out << c.name;
}

class RefusedValues : public testing::TestWithParam<RefusalCase> {};

TEST_P(RefusedValues, LeaveTheSettingsUntouched) {
    ShowSettings settings = DefaultShowSettings();
    settings.setOption(ShowOption::NewBrowserWindow, 2);
    const ShowSettings before = settings;

    const ConfigFileResult result = applyConfigBytes(GetParam().bytes, settings, "/x/show.cfg");
    EXPECT_EQ(result.failure, ConfigFileResult::Failure::BadValue);
    EXPECT_EQ(result.lineNumber, GetParam().line);
    EXPECT_NE(result.message.find("/x/show.cfg"), std::string::npos) << result.message;
    EXPECT_NE(result.message.find("Zeile " + std::to_string(GetParam().line) + " "),
              std::string::npos)
        << result.message;
    EXPECT_NE(result.message.find("„" + GetParam().shownValue + "“"), std::string::npos)
        << result.message;
    EXPECT_EQ(settings, before);
}

INSTANTIATE_TEST_SUITE_P(
    ConfigFileReader, RefusedValues,
    testing::Values(
        RefusalCase{"IndexAboveSeven", "[6]\r\n 8   (10 Bilder breit)", 2,
                    " 8   (10 Bilder breit)"},
        RefusalCase{"IndexRoundingAboveSeven", "[6]\r\n7.5", 2, "7.5"},
        RefusalCase{"IndexBelowMinusOne", "[6]\r\n-2", 2, "-2"},
        RefusalCase{"OptionAboveTwo", "[7]\r\n 3 ", 2, " 3 "},
        RefusalCase{"OptionRoundingBelowZero", "[8]\r\n-0.6", 2, "-0.6"},
        RefusalCase{"BeyondSixteenBits", "[9]\r\n65537", 2, "65537"},
        RefusalCase{"NotFinite", "[9]\r\n1e400", 2, "1e400"},
        RefusalCase{"ValueShownDecoded", "[7]\r\n5 \xFC", 2, "5 ü"},
        // Lines before the refused one were applied to the copy only.
        RefusalCase{"AfterOtherChanges",
                    "[0]\r\nchanged\r\n[6]\r\n 0 \r\n[7]\r\n 1 \r\n[8]\r\n\r\n 4 \r\n[9]\r\n 0 ", 9,
                    " 4 "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConfigFileReader, LongRefusedValueIsShownShortened) {
    ShowSettings settings = DefaultShowSettings();
    const std::string line(100000, '9');
    const ConfigFileResult result = applyConfigBytes("[7]\r\n" + line, settings, "a.cfg");
    EXPECT_EQ(result.failure, ConfigFileResult::Failure::BadValue);
    EXPECT_LT(result.message.size(), 500u);
    EXPECT_NE(result.message.find(std::string(60, '9') + "…“"), std::string::npos);
}

TEST(ConfigFileReader, FileFromDisk) {
    TempDir dir;
    writeFile(dir / "a.cfg", "[5]\r\nunten\r\n[7]\r\n 1 \r\n");
    ShowSettings settings = DefaultShowSettings();
    ASSERT_TRUE(loadConfigFile(dir / "a.cfg", settings).ok());
    EXPECT_EQ(settings.Template(TemplateId::ImagePageAfter), "unten");
    EXPECT_EQ(settings.OwnPagePerPicture(), 1);
}

TEST(ConfigFileReader, UnreadableFileChangesNothing) {
    TempDir dir;
    writeFile(dir / "folder.cfg" / "inside", "");
    const struct {
        std::filesystem::path path;
        int error;
    } cases[] = {{dir / "gone.cfg", ENOENT}, {dir / "folder.cfg", EISDIR}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.string());
        ShowSettings settings = DefaultShowSettings();
        const ConfigFileResult result = loadConfigFile(c.path, settings);
        EXPECT_EQ(result.failure, ConfigFileResult::Failure::CannotRead);
        EXPECT_NE(result.message.find(c.path.string()), std::string::npos) << result.message;
        EXPECT_NE(result.message.find(textfile::systemReason(c.error)), std::string::npos)
            << result.message;
        EXPECT_EQ(settings, DefaultShowSettings());
    }
}

// Random templates without leading empty lines and without lines that begin with "[", written
// and read back, come back identical, as do the index and the options.
TEST(ConfigFileRoundTrip, RandomSettingsComeBack) {
    std::mt19937 random(20240611);
    const std::vector<std::string> pieces = {"a",      "Z", "<td>", " ", "\t", "\n",
                                             "]",      "[", "ä",    "ß", "€",  "\u0081",
                                             "\u009D", "ÿ", "\"",   "9", "-"};
    auto pick = [&](int from, int to) {
        return std::uniform_int_distribution<int>(from, to)(random);
    };
    auto randomLine = [&] {
        std::string line;
        const int count = pick(0, 6);
        for (int i = 0; i < count; ++i) {
            line += pieces[static_cast<std::size_t>(pick(0, static_cast<int>(pieces.size()) - 1))];
        }
        if (!line.empty() && line.front() == '[') {
            line.insert(0, "x");
        }
        return line;
    };

    for (int round = 0; round < 300; ++round) {
        ShowSettings original;
        for (int t = 0; t < TemplateCount; ++t) {
            std::string text;
            const int lines = pick(0, 4);
            for (int i = 0; i < lines; ++i) {
                std::string line = randomLine();
                if (i == 0 && line.empty()) {
                    line = "first";
                }
                text += (i > 0 ? "\r\n" : "") + line;
            }
            original.setTemplate(static_cast<TemplateId>(t), text);
        }
        original.setTableWidthIndex(pick(-1, 7));
        for (int o = 0; o < 3; ++o) {
            original.setOption(static_cast<ShowOption>(o), static_cast<std::int16_t>(pick(0, 2)));
        }
        ASSERT_TRUE(templatesChangedByReload(original).empty());

        ShowSettings reread = DefaultShowSettings();
        ASSERT_TRUE(applyConfigBytes(configFileBytes(original), reread, "r.cfg").ok());
        ASSERT_EQ(reread, original) << "round " << round;
    }
}

struct LossCase {
    const char* name;
    std::string text;
    bool leadingEmpty;
    bool headerLike;
};

void PrintTo(const LossCase& c, std::ostream* out) {
    *out << c.name;
}

class TemplateLosses : public testing::TestWithParam<LossCase> {};

// What the notice after saving claims must be what a reload really does.
TEST_P(TemplateLosses, MatchWhatAReloadDoes) {
    ShowSettings settings = DefaultShowSettings();
    settings.setTemplate(TemplateId::CellAfter, GetParam().text);
    const auto losses = templatesChangedByReload(settings);

    ShowSettings reread = DefaultShowSettings();
    ASSERT_TRUE(applyConfigBytes(configFileBytes(settings), reread, "r.cfg").ok());
    const bool changed = !(reread == settings);
    ASSERT_EQ(losses.size(), changed ? 1u : 0u);
    if (changed) {
        EXPECT_EQ(losses[0].id, TemplateId::CellAfter);
        EXPECT_EQ(losses[0].leadingEmptyLines, GetParam().leadingEmpty);
        EXPECT_EQ(losses[0].headerLikeLines, GetParam().headerLike);
    }
}

INSTANTIATE_TEST_SUITE_P(
    ConfigFileRoundTrip, TemplateLosses,
    testing::Values(LossCase{"Kept", "a\r\n\r\nb\r\n", false, false},
                    LossCase{"BracketInsideLineKept", "a [1]\n[2]", false, false},
                    LossCase{"LeadingEmptyLine", "\r\nx", true, false},
                    LossCase{"LeadingLoneCarriageReturn", "\rx", true, false},
                    LossCase{"OnlyEmptyLines", "\r\n\r\n", true, false},
                    LossCase{"BracketFirstLine", "[x", false, true},
                    LossCase{"BracketAfterLineEnd", "a\r\n[8]\r\n1", false, true},
                    LossCase{"Both", "\r\n[", true, true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace bildertafel::settings
