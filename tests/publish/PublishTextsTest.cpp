#include "publish/FailureFacts.h"

#include <gtest/gtest.h>

#include <ctime>

namespace bildertafel::publish {
namespace {

// What a server says reaches the message on one line, without anything a terminal would act
// on, and short.
TEST(PublishTexts, TheServersWordsAreShownTamed) {
    const struct {
        std::string said;
        std::string shown; // in the message
        std::string never; // not in it
    } rows[] = {
        {"553 Could not create file.", "(553 Could not create file.)", ""},
        {"550 Zugriff\r\nverweigert\r\n", "(550 Zugriff verweigert)", "\r"},
        {"\x1b]0;Titel\x07\x1b[31mrot\x1b[0m", "rot", "\x1b"},
        {"C1 \xc2\x9b"
         "31m",
         "(C1 31m)", "\xc2\x9b"},
        {"Latin-1 \xe4 und \xc3\xa4", "(Latin-1 ? und ä)", "\xe4 "},
        {std::string(5000, 'x') + "ENDE", "x…)", "ENDE"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.said.substr(0, 40));
        FailureFacts facts(FailureKind::PermissionDenied);
        facts.step = Step::WriteFile;
        facts.path = "bilder/a.jpg";
        facts.reason = row.said;
        const std::string text = failureText(facts);
        EXPECT_NE(text.find(row.shown), std::string::npos) << text;
        if (!row.never.empty()) {
            EXPECT_EQ(text.find(row.never), std::string::npos) << text;
        }
        EXPECT_LT(text.size(), 600U) << text;
    }
}

// The time a lock's holder was last active is told with its day where that is not today: the
// clock of another computer may be far off.
TEST(PublishTexts, ALockHoldersTimeHasItsDayWhenNotToday) {
    const std::int64_t now = std::time(nullptr);
    const struct {
        std::int64_t renewed;
        bool dated;
    } rows[] = {{now, false}, {now + 400 * 86400, true}, {now - 3 * 86400, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.renewed - now);
        FailureFacts facts(FailureKind::Busy);
        facts.path = "www";
        facts.host = "anderer";
        facts.time = row.renewed;
        const std::string text = failureText(facts);
        EXPECT_EQ(text.find("zuletzt aktiv am ") != std::string::npos, row.dated) << text;
        EXPECT_NE(text.find(" Uhr)"), std::string::npos) << text;
    }
}

} // namespace
} // namespace bildertafel::publish
