#include "settings/LeadingNumber.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

using bildertafel::settings::LeadingNumber;
using bildertafel::settings::roundHalfEven;

namespace {

struct NumberCase {
    std::string text;
    double value;
};

class LeadingNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(LeadingNumberTest, ReadsTheNumberAtTheStart) {
    EXPECT_DOUBLE_EQ(LeadingNumber(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LeadingNumberTest,
    ::testing::Values(
        NumberCase{"4 Bilder breit", 4}, NumberCase{"2  Bilder breit", 2}, NumberCase{"", 0},
        NumberCase{"Bilder", 0}, NumberCase{"12 Bilder", 12}, NumberCase{"  \t\n7", 7},
        NumberCase{"1 2 3x", 123}, NumberCase{"-1 ", -1}, NumberCase{" 2   (4 Bilder breit)", 2},
        NumberCase{"+ 5", 5}, NumberCase{"- 5", -5}, NumberCase{"2.5", 2.5}, NumberCase{".5", 0.5},
        NumberCase{"3.", 3}, NumberCase{"-.25x", -0.25}, NumberCase{"1E3", 1000},
        NumberCase{"1e-2", 0.01}, NumberCase{"2E", 2}, NumberCase{"2Ex", 2}, NumberCase{"2E+", 2},
        NumberCase{"1 e 2", 100}, NumberCase{"3,5", 3}, NumberCase{"0x10", 0}, NumberCase{".", 0},
        NumberCase{"-", 0}, NumberCase{"007", 7}, NumberCase{"1.5E1", 15},
        NumberCase{"1e-99999999999", 0}, NumberCase{"32767", 32767}, NumberCase{"0.1", 0.1}));

TEST(LeadingNumber, HugeExponentsGiveInfinity) {
    EXPECT_TRUE(std::isinf(LeadingNumber("1E400")));
    EXPECT_TRUE(std::isinf(LeadingNumber("1E999999999999999")));
    EXPECT_LT(LeadingNumber("-1E400"), 0);
}

TEST(LeadingNumber, LongDigitRunsKeepTheirMagnitude) {
    EXPECT_DOUBLE_EQ(LeadingNumber("1" + std::string(100, '0')), 1e100);
    EXPECT_DOUBLE_EQ(LeadingNumber("12345678901234567890123456789012345678901234567890"),
                     1.2345678901234567890e49);
    EXPECT_DOUBLE_EQ(LeadingNumber("0." + std::string(60, '0') + "25"), 2.5e-61);
    EXPECT_DOUBLE_EQ(LeadingNumber(std::string(50, '0') + "3." + std::string(50, '9')), 4.0);
    EXPECT_TRUE(std::isinf(LeadingNumber(std::string(400, '9'))));
}

TEST(LeadingNumber, DecimalPointIsAPeriodInEveryLocale) {
    const char* german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_DOUBLE_EQ(LeadingNumber("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(LeadingNumber("2,5"), 2);
    std::setlocale(LC_NUMERIC, "C");
    if (german == nullptr) {
        GTEST_SKIP() << "no German locale installed; checked in the C locale only";
    }
}

TEST(roundHalfEven, HalvesGoToTheEvenNeighbour) {
    const std::pair<double, double> cases[] = {{2.5, 2},    {3.5, 4},   {0.5, 0},   {1.5, 2},
                                               {-0.5, 0},   {-1.5, -2}, {-2.5, -2}, {2.4999, 2},
                                               {2.5001, 3}, {7, 7},     {-1, -1},   {1e300, 1e300}};
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(roundHalfEven(in), out) << in;
    }
}

} // namespace
