#include "GeneratorTestSupport.h"

#include "generator/RowBreaks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace bildertafel::test {
namespace {

struct BreakCase {
    const char* what;
    double perRow;
    std::vector<std::int64_t> breaksWithin20; // pictures 1 to 20 after which a row ends
};

class RowBreakPositions : public testing::TestWithParam<BreakCase> {};

TEST_P(RowBreakPositions, FollowThePicturesWhereExactAndWholeQuotientsAgree) {
    const BreakCase& c = GetParam();
    const generator::RowBreaks breaks(c.perRow);
    std::vector<std::int64_t> positions;
    for (std::int64_t i = 1; i <= 20; ++i) {
        if (breaks.after(i)) {
            positions.push_back(i);
        }
    }
    EXPECT_EQ(positions, c.breaksWithin20);
}

INSTANTIATE_TEST_SUITE_P(
    PerRow, RowBreakPositions,
    testing::Values(BreakCase{"Four", 4, {4, 8, 12, 16, 20}},
                    BreakCase{"Two", 2, {2, 4, 6, 8, 10, 12, 14, 16, 18, 20}},
                    BreakCase{"One", 1, {1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                                         11, 12, 13, 14, 15, 16, 17, 18, 19, 20}},
                    BreakCase{"TwoAndAHalfRoundsToTwo", 2.5, {5}},
                    BreakCase{"ThreeAndAHalfRoundsToFour", 3.5, {}},
                    BreakCase{"NegativeCountsLikeItsSize", -3, {3, 6, 9, 12, 15, 18}},
                    BreakCase{"Zero", 0, {}}, BreakCase{"HalfRoundsToZero", 0.5, {}},
                    BreakCase{"BeyondThirtyTwoBits", 3e9, {}},
                    BreakCase{"Infinite", std::numeric_limits<double>::infinity(), {}},
                    BreakCase{"NotANumber", std::nan(""), {}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(RowBreakPositions, TheThirtyTwoBitLimitIsInclusive) {
    EXPECT_TRUE(generator::RowBreaks(2147483647.0).after(2147483647));
    EXPECT_TRUE(generator::RowBreaks(-2147483648.0).after(2147483648LL));
    EXPECT_FALSE(generator::RowBreaks(2147483648.0).after(2147483648LL));
}

TEST(RowBreakPositions, ARunWithoutUsableWidthWritesNoBreaksAndSucceeds) {
    for (const char* typed : {"", "Bilder", "0.4", "9e99"}) {
        settings::ShowSettings settings = bareSettings();
        settings.setTypedTableWidthText(typed);
        Show show({"a.jpg", "b.jpg"}, settings);

        ASSERT_EQ(show.run(), generator::RunOutcome::Written) << typed;

        EXPECT_EQ(readFile(show.show() / "bilder01.html"),
                  "\r\n"
                  "<tr>\r\n"
                  "<a name=\"a\" href=\"bilder/a.jpg\"><img src=\"minis/a.jpg\" border=\"1\" "
                  "alt=\"Foto zum Vergr&ouml;&szlig;ern bitte anklicken!\"></a>\r\n"
                  "<a name=\"b\" href=\"bilder/b.jpg\"><img src=\"minis/b.jpg\" border=\"1\" "
                  "alt=\"Foto zum Vergr&ouml;&szlig;ern bitte anklicken!\"></a>\r\n"
                  "</tr></table>\r\n"
                  "\r\n")
            << typed;
    }
}

TEST(RowBreakPositions, ATypedFractionCountsInTheRun) {
    settings::ShowSettings settings = bareSettings();
    settings.setTypedTableWidthText("2.5 Bilder");
    Show show({"1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg", "6.jpg"}, settings);

    ASSERT_EQ(show.run(), generator::RunOutcome::Written);

    const std::string page = readFile(show.show() / "bilder01.html");
    const std::size_t rowBreak = page.find("</tr><tr>\r\n");
    ASSERT_NE(rowBreak, std::string::npos);
    EXPECT_EQ(page.find("</tr><tr>", rowBreak + 1), std::string::npos);
    EXPECT_NE(page.rfind("<a name=\"5\"", rowBreak), std::string::npos);
    EXPECT_EQ(page.rfind("<a name=\"6\"", rowBreak), std::string::npos);
}

} // namespace
} // namespace bildertafel::test
