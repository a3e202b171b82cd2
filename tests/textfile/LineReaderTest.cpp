#include "textfile/LineReader.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace bildertafel::textfile;

namespace {

std::vector<std::string> linesOf(std::string_view bytes) {
    std::vector<std::string> lines;
    LineReader reader(bytes);
    std::string_view line;
    while (reader.next(line)) {
        lines.emplace_back(line);
    }
    return lines;
}

struct LineCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
};

class LineReaderTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineReaderTest, SplitsAsTheLineRulesSay) {
    EXPECT_EQ(linesOf(GetParam().bytes), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, LineReaderTest,
    ::testing::Values(LineCase{"empty", "", {}}, LineCase{"crlf", "a\r\nb\r\n", {"a", "b"}},
                      LineCase{"noFinalEnd", "a\r\nb", {"a", "b"}},
                      LineCase{"loneCr", "a\rb\r", {"a", "b"}},
                      LineCase{"loneLfIsOrdinary", "a\nb\r\nc", {"a\nb", "c"}},
                      LineCase{"emptyLines", "\r\n\r\nx\r\n\r\n", {"", "", "x", ""}},
                      LineCase{"crThenCrlf", "a\r\r\nb", {"a", "", "b"}},
                      LineCase{"onlyCr", "\r", {""}}, LineCase{"lfAtEnd", "a\n", {"a\n"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadFileBytes, ReadsEveryByteAndReportsFailures) {
    bildertafel::test::TempDir dir;
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    bildertafel::test::writeFile(dir / "all.bin", all);
    std::string bytes;
    std::string reason;
    ASSERT_TRUE(readFileBytes(dir / "all.bin", bytes, reason));
    EXPECT_EQ(bytes, all);

    EXPECT_FALSE(readFileBytes(dir / "missing.cfg", bytes, reason));
    EXPECT_FALSE(reason.empty());
    reason.clear();
    EXPECT_FALSE(readFileBytes(dir.path(), bytes, reason)) << "a folder is no file";
    EXPECT_FALSE(reason.empty());
}

} // namespace
