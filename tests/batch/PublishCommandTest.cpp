#include "TempDir.h"
#include "batch/BatchOptions.h"
#include "batch/BatchPublish.h"
#include "batch/BatchRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace bildertafel::batch {
namespace {

TEST(PublishCommand, PublishesAloneOrAfterTheGeneration) {
    const struct {
        std::vector<std::string_view> args;
        bool generates;
    } rows[] = {
        {{"--show", "s", "--publish", "sftp://h/x", "--start-page", "index", "--dry-run",
          "--delete"},
         false},
        {{"--show", "s", "--minis", "s/m", "--pictures", "s/b", "--publish", "ftps://u@h/x"}, true},
    };
    for (const auto& row : rows) {
        const ParsedCommandLine parsed = parseCommandLine(row.args);
        ASSERT_EQ(parsed.kind, ParsedCommandLine::Kind::Run) << parsed.error;
        EXPECT_EQ(parsed.options.generates(), row.generates);
        EXPECT_FALSE(parsed.options.publish.empty());
    }
    const BatchOptions& o = parseCommandLine(rows[0].args).options;
    EXPECT_EQ(o.startPage, "index");
    EXPECT_TRUE(o.dryRun);
    EXPECT_TRUE(o.deleteUnneeded);
}

TEST(PublishCommand, FindsTheLoginInNetrcAsCurlDoes) {
    const std::string text = "machine ftp.example.de login web1 password geheim\n"
                             "machine h login a password eins\n"
                             "machine h\n  login b\n  password zwei\n"
                             "default login anonymous password gast@example.org\n";
    const struct {
        const char* host;
        const char* user;
        std::optional<NetrcLogin> login;
    } rows[] = {
        {"ftp.example.de", "", NetrcLogin{"web1", "geheim"}},
        {"ftp.example.de", "web1", NetrcLogin{"web1", "geheim"}},
        {"h", "b", NetrcLogin{"b", "zwei"}},
        {"h", "", NetrcLogin{"a", "eins"}},
        {"ftp.example.de", "anna", std::nullopt}, // no password for her
        {"other.example.org", "", NetrcLogin{"anonymous", "gast@example.org"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.host) + " " + row.user);
        EXPECT_EQ(netrcLogin(text, row.host, row.user), row.login);
    }
    EXPECT_EQ(netrcLogin("machine a login u password p", "b", ""), std::nullopt);
    EXPECT_EQ(netrcLogin("", "b", ""), std::nullopt);
}

// Without a terminal nothing can be asked: what would need a question is refused, and nothing
// is sent (exit status 1).
TEST(PublishCommand, RefusesBeforeSendingWithAGermanReason) {
    test::TempDir home;
    const char* savedHome = std::getenv("HOME");
    const std::string saved = savedHome != nullptr ? savedHome : "";
    ::setenv("HOME", home.path().c_str(), 1);
    test::writeFile(home / "show/index.html", "<img src=\"minis/A.jpg\">");
    test::writeFile(home / "show/minis/a.jpg", "a");
    test::writeFile(home / "ok/index.html", "<img src=\"a.jpg\">");
    test::writeFile(home / "ok/a.jpg", "a");
    const struct {
        const char* show;
        const char* address;
        const char* reason;
    } rows[] = {
        {"ok", "ftp.example.de/www", "sftp://, ftps:// oder ftp://"},
        {"ok", "ftps://u@127.0.0.1:1/www", "kein Passwort in ~/.netrc"},
        {"ok", "ftp://u@127.0.0.1:1/www", "kein Passwort in ~/.netrc"},
        {"show", "sftp://u@127.0.0.1:1/www", "ins Leere"},
        {"ok", "sftp://u@127.0.0.1:1/www", "nicht erreichbar"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.address);
        BatchOptions options;
        options.show = (home / row.show).string();
        options.publish = row.address;
        options.startPage = "index";
        std::ostringstream err;
        EXPECT_EQ(runBatch(options, err), ExitRefused);
        EXPECT_NE(err.str().find(row.reason), std::string::npos) << err.str();
    }
    ::setenv("HOME", saved.c_str(), 1);
}

} // namespace
} // namespace bildertafel::batch
