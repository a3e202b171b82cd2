#include "ProgramRun.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace bildertafel::test {
namespace {

// A show of three pictures (previews in minis/, pictures in bilder/) prepared from the
// originals in orig/; the answer of a visitor in antwort.txt or on standard input.
struct SelectionCase {
    const char* name;
    std::vector<std::string> args; // "@" stands for the temporary folder
    std::string answer;
    int exitStatus;
    std::string out;
    std::string errHas;
    std::string copied; // the names in kopie/ afterwards; "-": no folder
};

class SelectionCommand : public testing::TestWithParam<SelectionCase> {};

TEST_P(SelectionCommand, PrintsAndCopiesTheChoice) {
    const SelectionCase& row = GetParam();
    TempDir dir;
    for (const char* name : {"Bild 2.jpg", "Bild 10.jpg", "Jürgen am Meer.jpg"}) {
        writeFile(dir / "show/minis" / name, "mini");
        writeFile(dir / "show/bilder" / name, "gross");
    }
    for (const char* name : {"Bild 2.CR2", "Bild 2.tif", "Bild 10.jpeg", "Jürgen am Meer.png"}) {
        writeFile(dir / "orig" / name, name);
    }
    writeFile(dir / "antwort.txt", row.answer);
    writeFile(dir / "voll/alt.txt", "alt");
    std::vector<std::string> args;
    for (std::string arg : row.args) {
        if (arg.starts_with('@')) {
            arg = dir.folder() + arg.substr(1);
        }
        args.push_back(arg);
    }
    StartedProgram program(BATCH_PROGRAM, args, dir.path(),
                           args.at(1) == "-" ? row.answer : std::string());
    const ProgramResult result = program.wait();

    EXPECT_EQ(result.exitStatus, row.exitStatus) << result.err;
    EXPECT_EQ(result.out, row.out);
    EXPECT_NE(result.err.find(row.errHas), std::string::npos) << result.err;
    EXPECT_EQ(std::filesystem::exists(dir / "kopie") ? listNames(dir / "kopie") : "-", row.copied);
    EXPECT_EQ(readFile(dir / "orig/Bild 2.tif"), "Bild 2.tif");
}

const std::string Mail = "> Meine Auswahl aus „Urlaub“ (3 Bilder):\n> Jürgen am Meer\n> Bild 2\n"
                         "> Bild 7\n>\n> Gewählt von: Anna\n";

INSTANTIATE_TEST_SUITE_P(
    Answers, SelectionCommand,
    testing::Values(
        SelectionCase{"MailFromAFile",
                      {"--selection", "@antwort.txt", "--minis", "@show/minis"},
                      Mail,
                      0,
                      "Bild 2\nJürgen am Meer\n",
                      "Warnung: „Bild 7“ ist kein Bild der Show.",
                      "-"},
        SelectionCase{
            "AddressOnStandardInput",
            {"--selection", "-", "--pictures", "@show/bilder"},
            "https://example.org/bilder01.html#auswahl=0Bild%2010,0J%C3%BCrgen%20am%20Meer!\n",
            0,
            "Bild 10\nJürgen am Meer\n",
            "",
            "-"},
        SelectionCase{"TextInWindows1252",
                      {"--selection", "@antwort.txt", "--pictures", "@show/bilder"},
                      "J\xfcrgen am Meer\r\n",
                      0,
                      "Jürgen am Meer\n",
                      "",
                      "-"},
        SelectionCase{"NothingMatches",
                      {"--selection", "@antwort.txt", "--pictures", "@show/bilder"},
                      "Hallo, schöne Bilder!",
                      1,
                      "",
                      "nennt kein Bild der Show",
                      "-"},
        SelectionCase{"CopiesTheOriginals",
                      {"--selection", "@antwort.txt", "--pictures", "@show/bilder",
                       "--copy-selection", "@kopie", "--originals", "@orig"},
                      Mail,
                      0,
                      "Bild 2\nJürgen am Meer\n",
                      "2 Originale kopiert nach",
                      "Bild 2.tif\nJürgen am Meer.png\n"},
        SelectionCase{"WithoutOriginalsThePicturesSaidSo",
                      {"--selection", "@antwort.txt", "--pictures", "@show/bilder",
                       "--copy-selection", "@kopie"},
                      Mail,
                      0,
                      "Bild 2\nJürgen am Meer\n",
                      "Kein Ordner der Originale bekannt",
                      "Bild 2.jpg\nJürgen am Meer.jpg\n"},
        SelectionCase{"AFolderWithFilesIsRefused",
                      {"--selection", "@antwort.txt", "--pictures", "@show/bilder",
                       "--copy-selection", "@voll", "--originals", "@orig"},
                      Mail,
                      3,
                      "Bild 2\nJürgen am Meer\n",
                      "enthält schon Dateien",
                      "-"},
        SelectionCase{"AnUnreadableAnswer",
                      {"--selection", "@fehlt.txt", "--pictures", "@show/bilder"},
                      "",
                      3,
                      "",
                      "kann nicht gelesen werden",
                      "-"},
        SelectionCase{
            "OriginalsWithoutCopy",
            {"--selection", "@antwort.txt", "--pictures", "@show/bilder", "--originals", "@orig"},
            Mail,
            2,
            "",
            "--originals gilt nur mit --copy-selection",
            "-"}),
    [](const testing::TestParamInfo<SelectionCase>& info) { return info.param.name; });

} // namespace
} // namespace bildertafel::test
