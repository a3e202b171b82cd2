#include "settings/ConfigFile.h"
#include "textfile/SystemReason.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>

namespace bildertafel::settings {
namespace {

using test::listNames;
using test::readFile;
using test::TempDir;
using test::writeFile;

// The 20 lines, 442 bytes, that the defaults give ("ß" is the single byte 0xDF).
constexpr std::string_view DefaultFile = "[0] HTML-Kopf\r\n"
                                         "<html><body><center>\r\n"
                                         "[1] HTML-Fu\xDF\r\n"
                                         "</center></body></html>\r\n"
                                         "[2] HTML-Tabellenzelle vor dem Bild\r\n"
                                         "<td align=\"center\" valign=\"center\">\r\n"
                                         "[3] HTML-Tabellenzelle nach dem Bild\r\n"
                                         "</td>\r\n"
                                         "[4] HTML-Datei vor dem Bild\r\n"
                                         "<html><body><center>\r\n"
                                         "[5] HTML-Datei nach dem Bild\r\n"
                                         "</center></body></html>\r\n"
                                         "[6] Tabellenbreite\r\n"
                                         " 2   (4 Bilder breit)\r\n"
                                         "[7] eigene HTML-Datei\r\n"
                                         " 0 \r\n"
                                         "[8] neues Browserfenster\r\n"
                                         " 0 \r\n"
                                         "[9] HTML-Datei mit allen Bildern\r\n"
                                         " 1 \r\n";

// Everything after the template sections of the defaults.
std::string valueSectionsOf(const std::string& bytes) {
    return bytes.substr(bytes.find("[6] "));
}

TEST(ConfigFileWriter, DefaultsGiveTheTwentyLines) {
    const std::string bytes = configFileBytes(DefaultShowSettings());
    EXPECT_EQ(bytes, DefaultFile);
    EXPECT_EQ(bytes.size(), 442u);

    TempDir dir;
    ASSERT_TRUE(saveConfigFile(dir / "a.cfg", DefaultShowSettings()).ok());
    EXPECT_EQ(readFile(dir / "a.cfg"), DefaultFile);
    EXPECT_EQ(listNames(dir.path()), "a.cfg\n"); // no temporary file left beside it
}

struct TemplateCase {
    const char* name;
    std::string text;     // the template, UTF-8
    std::string expected; // the bytes between "[0] HTML-Kopf\r\n" and "[1] "
};

void PrintTo(const TemplateCase& c, std::ostream* out) {
    *out << c.name;
}

class TemplateBytes : public testing::TestWithParam<TemplateCase> {};

TEST_P(TemplateBytes, AreWrittenAsEntered) {
    ShowSettings settings = DefaultShowSettings();
    settings.setTemplate(TemplateId::PageHead, GetParam().text);
    const std::string bytes = configFileBytes(settings);
    const std::string head = "[0] HTML-Kopf\r\n";
    ASSERT_EQ(bytes.rfind(head, 0), 0u);
    const std::size_t next = bytes.find("[1] HTML-Fu");
    EXPECT_EQ(bytes.substr(head.size(), next - head.size()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    ConfigFileWriter, TemplateBytes,
    testing::Values(TemplateCase{"Empty", "", "\r\n"},
                    TemplateCase{"SeveralLines", "<p>\r\nText\r\n</p>", "<p>\r\nText\r\n</p>\r\n"},
                    TemplateCase{"EndingWithLineEnd", "x\r\n", "x\r\n\r\n"},
                    TemplateCase{"LoneLineFeedKept", "a\nb", "a\nb\r\n"},
                    TemplateCase{"Windows1252Letters", "Größe €5",
                                 "Gr\xF6\xDF"
                                 "e \x80"
                                 "5\r\n"},
                    TemplateCase{"UnrepresentableAsReference", "a→b", "a&#8594;b\r\n"},
                    TemplateCase{"UndefinedBytesBack", "\u0081\u008D\u008F\u0090\u009D",
                                 "\x81\x8D\x8F\x90\x9D\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ValueCase {
    const char* name;
    void (*change)(ShowSettings&);
    std::string_view expected; // from "[6] " on
};

void PrintTo(const ValueCase& c, std::ostream* out) {
    *out << c.name;
}

class ValueLines : public testing::TestWithParam<ValueCase> {};

TEST_P(ValueLines, UseTheIntegerForm) {
    ShowSettings settings = DefaultShowSettings();
    GetParam().change(settings);
    EXPECT_EQ(valueSectionsOf(configFileBytes(settings)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    ConfigFileWriter, ValueLines,
    testing::Values(
        ValueCase{"NoEntrySelected", [](ShowSettings& s) { s.setTableWidthIndex(-1); },
                  "[6] Tabellenbreite\r\n-1   ()\r\n[7] eigene HTML-Datei\r\n 0 \r\n"
                  "[8] neues Browserfenster\r\n 0 \r\n[9] HTML-Datei mit allen Bildern\r\n 1 \r\n"},
        ValueCase{"TypedText", [](ShowSettings& s) { s.setTypedTableWidthText("12 Bilder"); },
                  "[6] Tabellenbreite\r\n-1   (12 Bilder)\r\n[7] eigene HTML-Datei\r\n 0 \r\n"
                  "[8] neues Browserfenster\r\n 0 \r\n[9] HTML-Datei mit allen Bildern\r\n 1 \r\n"},
        // A line break in the note would make a second value line of section 6.
        ValueCase{"LineBreaksInNoteBecomeBlanks",
                  [](ShowSettings& s) { s.setTypedTableWidthText("3\r7\n"); },
                  "[6] Tabellenbreite\r\n-1   (3 7 )\r\n[7] eigene HTML-Datei\r\n 0 \r\n"
                  "[8] neues Browserfenster\r\n 0 \r\n[9] HTML-Datei mit allen Bildern\r\n 1 \r\n"},
        ValueCase{"EntryZeroAndGreyedOptions",
                  [](ShowSettings& s) {
                      s.setTableWidthIndex(0);
                      s.setOption(ShowOption::OwnPagePerPicture, 2);
                      s.setOption(ShowOption::NewBrowserWindow, 1);
                      s.setOption(ShowOption::AllPicturesPage, 0);
                  },
                  "[6] Tabellenbreite\r\n 0   (2  Bilder breit)\r\n[7] eigene HTML-Datei\r\n 2 \r\n"
                  "[8] neues Browserfenster\r\n 1 \r\n[9] HTML-Datei mit allen Bildern\r\n 0 \r\n"},
        ValueCase{"SixteenBitLimits",
                  [](ShowSettings& s) {
                      s.setTableWidthIndex(7);
                      s.setOption(ShowOption::OwnPagePerPicture, -32768);
                      s.setOption(ShowOption::NewBrowserWindow, 32767);
                      s.setOption(ShowOption::AllPicturesPage, -1);
                  },
                  "[6] Tabellenbreite\r\n 7   (9 Bilder breit)\r\n[7] eigene HTML-Datei\r\n"
                  "-32768 \r\n[8] neues Browserfenster\r\n 32767 \r\n"
                  "[9] HTML-Datei mit allen Bildern\r\n-1 \r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConfigFileWriter, ReplacesAnExistingFile) {
    TempDir dir;
    writeFile(dir / "a.cfg", "old content that is longer than nothing");
    ASSERT_TRUE(saveConfigFile(dir / "a.cfg", DefaultShowSettings()).ok());
    EXPECT_EQ(readFile(dir / "a.cfg"), DefaultFile);
    EXPECT_EQ(listNames(dir.path()), "a.cfg\n");
}

// A write that runs out of room half-way (the file size limit binds root as well) leaves the old
// file as it was and no temporary file.
TEST(ConfigFileWriter, FailedWriteKeepsTheOldFile) {
    TempDir dir;
    writeFile(dir / "a.cfg", "old");
    ShowSettings settings = DefaultShowSettings();
    settings.setTemplate(TemplateId::PageHead, std::string(100000, 'x'));

    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const ConfigFileResult result = saveConfigFile(dir / "a.cfg", settings);
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(result.failure, ConfigFileResult::Failure::CannotWrite);
    EXPECT_NE(result.message.find(textfile::systemReason(EFBIG)), std::string::npos);
    EXPECT_EQ(readFile(dir / "a.cfg"), "old");
    EXPECT_EQ(listNames(dir.path()), "a.cfg\n");
}

} // namespace
} // namespace bildertafel::settings
