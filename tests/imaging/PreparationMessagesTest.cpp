// The window's reading of the lines a picture program writes: names byte for byte, the run in list
// order, how a program's end is taken, and a second program going on after a crash.
#include "imaging/PreparationMessages.h"
#include "imaging/PreparationTexts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

using namespace bildertafel::imaging;
using Ending = PreparationReport::Ending;

namespace {

std::string finishedLine(std::size_t done, std::size_t total, std::string name,
                         OriginalOutcome outcome) {
    return messages::finished({done, total, std::move(name), 2.5, &outcome});
}

std::string endLine(PreparationOutcome outcome, std::size_t originals) {
    PreparationResult result;
    result.outcome = outcome;
    result.originals = originals;
    if (outcome == PreparationOutcome::NotWritable) {
        result.notWritable = {"/karte/show/minis/\tb.jpg", "", EROFS};
    }
    return messages::ended(result);
}

OriginalOutcome made() {
    OriginalOutcome outcome;
    outcome.pictureMade = outcome.miniMade = true;
    return outcome;
}

OriginalOutcome skipped(std::string reason) {
    OriginalOutcome outcome;
    outcome.skipReason = std::move(reason);
    return outcome;
}

} // namespace

TEST(PreparationReport, KeepsEveryByteAndListsTheRunInListOrder) {
    const std::string odd = "a\tb\n\\c \xe4.jpg"; // a tab, a line break, a Latin-1 byte
    OriginalOutcome failed = made();
    failed.miniMade = false;
    failed.largeMade = true;
    failed.failures = {{"/show/minis/\tx.jpg", "Die Datei kann nicht geschrieben werden."}};
    failed.leftOut = {"EXIF Artist: kein UTF-8\n(\\)", "XMP: beschädigt"};
    OriginalOutcome upToDate;
    upToDate.upToDate = true;
    upToDate.words = {"Titel", "Zeile 1\nZeile \\ 2", "Alt"};
    const std::string lines =
        messages::begun("Bild 10.jpg") + messages::begun(odd) +
        finishedLine(1, 4, "Bild 10.jpg", skipped("kaputt")) + finishedLine(2, 4, odd, failed) +
        finishedLine(3, 4, "Bild 2.jpg", skipped("leer")) +
        finishedLine(4, 4, "Bild 1.jpg", upToDate) + endLine(PreparationOutcome::Done, 4);

    PreparationReport report;
    report.startProgram();
    std::vector<std::size_t> counts;
    for (const char byte : lines) { // a pipe may hand over any piece
        report.read(std::string_view(&byte, 1),
                    [&counts](const PreparationProgress& p) { counts.push_back(p.done); });
    }
    EXPECT_EQ(counts, (std::vector<std::size_t>{1, 2, 3, 4}));
    ASSERT_EQ(report.programEnded(false), Ending::Finished);
    const PreparationResult result = report.result();
    EXPECT_EQ(result.outcome, PreparationOutcome::Done);
    EXPECT_EQ(result.originals, 4u);
    EXPECT_EQ(result.picturesMade, 1u);
    EXPECT_EQ(result.largeMade, 1u);
    EXPECT_EQ(result.minisMade, 0u);
    EXPECT_EQ(result.upToDate, 1u);
    ASSERT_EQ(result.skipped.size(), 2u);
    EXPECT_EQ(result.skipped[0].name, "Bild 2.jpg");
    EXPECT_EQ(result.skipped[1].name, "Bild 10.jpg");
    EXPECT_EQ(result.skipped[1].reason, "kaputt");
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_EQ(result.failures[0].path, failed.failures[0].path);
    ASSERT_EQ(result.leftOut.size(), 2u); // only the original that had them
    EXPECT_EQ(result.leftOut[0].name, odd);
    EXPECT_EQ(result.leftOut[0].reason, failed.leftOut[0]);
    EXPECT_EQ(result.leftOut[1].reason, failed.leftOut[1]);
    EXPECT_EQ(report.leaveOut().at(1), odd);
    ASSERT_EQ(result.words.size(), 1u); // by the name of the picture
    EXPECT_EQ(result.words[0].name, "Bild 1.jpg");
    EXPECT_EQ(result.words[0].words, upToDate.words);
}

struct EndingCase {
    const char* label;
    std::string lines;
    bool cancelRequested;
    Ending ending;
    PreparationOutcome outcome;
    std::vector<std::string> crashedOn;
    std::size_t finished;
    std::size_t originals;
};

class ProgramEnd : public testing::TestWithParam<EndingCase> {};

TEST_P(ProgramEnd, IsTakenAsItHappened) {
    const EndingCase& c = GetParam();
    PreparationReport report;
    report.startProgram();
    report.read(c.lines);
    EXPECT_EQ(report.programEnded(c.cancelRequested), c.ending);
    EXPECT_EQ(report.crashedOn(), c.crashedOn);
    const PreparationResult result = report.result();
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.finished, c.finished);
    EXPECT_EQ(result.originals, c.originals);
    for (const std::string& name : c.crashedOn) {
        EXPECT_TRUE(std::any_of(result.skipped.begin(), result.skipped.end(), [&](const auto& s) {
            return s.name == name && s.reason == texts::pictureCrashedProgram();
        })) << name;
    }
}

const std::string TwoBegunOneDone =
    messages::begun("a.jpg") + messages::begun("b.jpg") + finishedLine(1, 5, "a.jpg", made());

INSTANTIATE_TEST_SUITE_P(
    Endings, ProgramEnd,
    testing::Values(EndingCase{"done",
                               TwoBegunOneDone + endLine(PreparationOutcome::Done, 5),
                               false,
                               Ending::Finished,
                               PreparationOutcome::Done,
                               {},
                               1,
                               5},
                    EndingCase{"cancelled after the pictures in progress",
                               TwoBegunOneDone + endLine(PreparationOutcome::Cancelled, 5),
                               true,
                               Ending::Finished,
                               PreparationOutcome::Cancelled,
                               {},
                               1,
                               5},
                    EndingCase{"stopped before it could tell",
                               TwoBegunOneDone,
                               true,
                               Ending::Finished,
                               PreparationOutcome::Cancelled,
                               {},
                               1,
                               5},
                    EndingCase{"stopped at a folder that takes no file",
                               TwoBegunOneDone + endLine(PreparationOutcome::NotWritable, 5),
                               false,
                               Ending::Finished,
                               PreparationOutcome::NotWritable,
                               {},
                               1,
                               5},
                    EndingCase{"refused",
                               messages::refused("Nein."),
                               false,
                               Ending::Refused,
                               PreparationOutcome::Refused,
                               {},
                               0,
                               0},
                    EndingCase{"the crashing thread names its original after a broken line",
                               TwoBegunOneDone + messages::begun("c.jpg") + "done\t2\t5" +
                                   messages::crashed("c.jpg"),
                               false,
                               Ending::Crashed,
                               PreparationOutcome::Crashed,
                               {"c.jpg"},
                               2,
                               5},
                    EndingCase{"killed: every original in progress",
                               TwoBegunOneDone + messages::begun("c.jpg"),
                               false,
                               Ending::Crashed,
                               PreparationOutcome::Crashed,
                               {"b.jpg", "c.jpg"},
                               3,
                               5},
                    EndingCase{"died before the first original",
                               "",
                               false,
                               Ending::Crashed,
                               PreparationOutcome::Crashed,
                               {},
                               0,
                               0}),
    [](const testing::TestParamInfo<EndingCase>& info) {
        std::string name;
        for (const char* c = info.param.label; *c != '\0'; ++c) {
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        }
        return name;
    });

// A folder that takes no file stops the run with one sentence that says what to do, not a line
// for every picture; the folder keeps its bytes.
TEST(PreparationReport, AFolderThatTakesNoFileIsOneSentence) {
    OriginalOutcome failed = made();
    failed.miniMade = false;
    failed.failures = {{"/karte/show/minis/\tb.jpg", "Die Datei kann nicht geschrieben werden."}};
    PreparationReport report;
    report.startProgram();
    report.read(finishedLine(1, 3, "b.jpg", failed) + endLine(PreparationOutcome::NotWritable, 3));
    ASSERT_EQ(report.programEnded(false), Ending::Finished);
    const PreparationResult result = report.result();
    EXPECT_EQ(result.notWritable.path, "/karte/show/minis/\tb.jpg");
    EXPECT_EQ(result.completed, 0u);
    EXPECT_EQ(preparationSummary(result),
              texts::folderNotWritable("/karte/show/minis/", EROFS) +
                  "\nBis dahin erstellt: 1 Bild im Großformat und 0 Mini-Bilder.");
    EXPECT_EQ(texts::folderNotWritable("/karte/show/minis/", EACCES),
              "In den Ordner „/karte/show/minis/“ kann nicht geschrieben werden (Keine "
              "Berechtigung); es wurde abgebrochen. Wählen Sie einen Ordner der Fotoshow, in den "
              "Sie schreiben dürfen.");
}

TEST(PreparationReport, ASecondProgramGoesOnWithTheRest) {
    PreparationReport report;
    report.startProgram();
    report.read(messages::begun("a.jpg") + finishedLine(1, 3, "a.jpg", made()) +
                messages::begun("b.jpg"));
    ASSERT_EQ(report.programEnded(false), Ending::Crashed);
    EXPECT_EQ(report.leaveOut(), (std::vector<std::string>{"a.jpg", "b.jpg"}));

    report.startProgram();
    PreparationProgress last;
    report.read(messages::begun("c.jpg") + finishedLine(1, 1, "c.jpg", made()) +
                    endLine(PreparationOutcome::Done, 1),
                [&last](const PreparationProgress& p) { last = p; });
    EXPECT_EQ(last.done, 3u);
    EXPECT_EQ(last.total, 3u);
    ASSERT_EQ(report.programEnded(false), Ending::Finished);
    const PreparationResult result = report.result();
    EXPECT_EQ(result.outcome, PreparationOutcome::Done);
    EXPECT_EQ(result.originals, 3u);
    EXPECT_EQ(result.picturesMade, 2u);
    ASSERT_EQ(result.skipped.size(), 1u);
    EXPECT_EQ(result.skipped[0].name, "b.jpg");
}
