#include "ConfigReaderProperties.h"

#include "settings/ConfigFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <random>
#include <sys/resource.h>

namespace bildertafel::settings {
namespace {

TEST(ConfigReaderRobustness, SeedCorpusHoldsTheRules) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(BILDERTAFEL_CORPUS_DIR)) {
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(fuzz::checkConfigReader(test::readFile(entry.path())), "");
        ++files;
    }
    EXPECT_GE(files, 10);
}

// Inputs built from the pieces the reader reacts to, mixed with arbitrary bytes.
TEST(ConfigReaderRobustness, RandomInputsHoldTheRules) {
    const std::string_view pieces[] = {"[",     "[0",      "[5] ",
                                       "[6]",   "[7",      "[8]",
                                       "[9",    "[x",      "\r\n",
                                       "\r",    "\n",      " ",
                                       "\t",    "-",       "+",
                                       ".",     "e",       "E",
                                       "1",     "2",       "7",
                                       "0.5",   "2.5",     "1e400",
                                       "99999", "(",       ")",
                                       "a",     "\xDF",    "\x81",
                                       "\xFF",  "&#8594;", std::string_view("\0", 1)};
    std::mt19937 random(7331);
    auto pick = [&](std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
    };
    for (int round = 0; round < 4000; ++round) {
        std::string bytes;
        const std::size_t count = pick(40);
        for (std::size_t i = 0; i < count; ++i) {
            if (pick(5) == 0) {
                bytes += static_cast<char>(pick(256));
            } else {
                bytes += pieces[pick(std::size(pieces))];
            }
        }
        const std::string problem = fuzz::checkConfigReader(bytes);
        ASSERT_EQ(problem, "") << "round " << round << ", input:\n"
                               << testing::PrintToString(bytes);
    }
}

// A 50 MB file of one line (no header, so it all goes to the page head) loads in one piece.
TEST(ConfigReaderRobustness, FiftyMegabyteLineLoads) {
    test::TempDir dir;
    // HTML with a lone LF and two letters that take two bytes each in memory.
    const std::string_view piece = "<p>Die Gr\xF6\xDF"
                                   "e der Bilder wird beim Erstellen der Seiten nicht gepr\xFC"
                                   "ft.</p>\n";
    const std::size_t highBytes = 3;
    const std::size_t pieces = ((50u << 20) + piece.size() - 1) / piece.size();
    std::string line(piece);
    line.reserve(pieces * piece.size());
    while (line.size() < pieces * piece.size()) {
        line.append(line, 0, std::min(line.size(), pieces * piece.size() - line.size()));
    }
    test::writeFile(dir / "big.cfg", line);
    line.clear();
    line.shrink_to_fit();

    ShowSettings settings = DefaultShowSettings();
    const auto start = std::chrono::steady_clock::now();
    const ConfigFileResult result = loadConfigFile(dir / "big.cfg", settings);
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(result.ok()) << result.message;
    const std::string& head = settings.Template(TemplateId::PageHead);
    // CR LF joins the line to the old head.
    EXPECT_EQ(head.size(), 20 + 2 + pieces * (piece.size() + highBytes));
    EXPECT_EQ(head.substr(0, 36), "<html><body><center>\r\n<p>Die Größe");
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::cout << "50 MB line loaded in "
              << std::chrono::duration_cast<std::chrono::milliseconds>(took).count()
              << " ms, peak memory " << usage.ru_maxrss / 1024 << " MB\n";
    // The file, its decoded text and the settings' copy, with room to spare; no runaway growth.
    EXPECT_LT(usage.ru_maxrss / 1024, 1024);
}

} // namespace
} // namespace bildertafel::settings
