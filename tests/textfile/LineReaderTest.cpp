#include "textfile/LineReader.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
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
    ASSERT_TRUE(readFileBytes(dir / "all.bin", bytes));
    EXPECT_EQ(bytes, all);

    const FileOutcome missing = readFileBytes(dir / "missing.cfg", bytes);
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing ? 0 : missing.failure().error, ENOENT);
    const FileOutcome folder = readFileBytes(dir.path(), bytes);
    EXPECT_FALSE(folder) << "a folder is no file";
    EXPECT_EQ(folder ? 0 : folder.failure().error, EISDIR);
}

} // namespace
