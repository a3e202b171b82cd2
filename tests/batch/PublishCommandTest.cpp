#include "ScopedEnvironment.h"
#include "TempDir.h"
#include "TestServers.h"
#include "batch/BatchOptions.h"
#include "batch/BatchPublish.h"
#include "batch/BatchRun.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
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
        {{"--key", "k", "--show", "s", "--publish", "SFTP://h/x"}, false},
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
    EXPECT_FALSE(o.keyFile);
    EXPECT_EQ(parseCommandLine(rows[2].args).options.keyFile, "k");
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
        {"ok", "ftp.example.de/www", "sftp://, ftps://, ftp:// oder s3://"},
        {"ok", "s3://fotos/www", "fehlen Zugangsschlüssel und geheimer Schlüssel"},
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

// --key names the key a real sshd takes; its passphrase comes from the environment, which keeps
// it no longer, and the known hosts from ~/.ssh of the home. What does not open the key sends
// nothing.
TEST(PublishCommand, AKeyFileWithItsPassphraseLandsTheShow) {
    BILDERTAFEL_NEEDS_SERVER(test::SshServer::missing());
    test::SshServer server;
    ASSERT_EQ(server.launch(), "");
    test::TempDir home;
    const std::string locked = (home / "geschuetzt").string();
    ASSERT_TRUE(test::runQuietly("ssh-keygen -q -t ed25519 -N geheim -f " + locked));
    std::ofstream(server.authorizedKeys(), std::ios::app) << test::readFile(locked + ".pub");
    test::writeFile(home / ".ssh/known_hosts", server.knownHostsLine());
    test::writeFile(home / "show/index.html", "<img src=\"minis/a.jpg\">");
    test::writeFile(home / "show/minis/a.jpg", "a");
    // Only the key of the test: no agent of the machine, none where a desktop puts one.
    const test::ScopedEnvironment homeSet("HOME", home.path().c_str());
    const test::ScopedEnvironment noAgent("SSH_AUTH_SOCK", nullptr);
    const test::ScopedEnvironment noRuntime("XDG_RUNTIME_DIR", nullptr);
    const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    const bool terminal = tty >= 0;
    if (terminal) {
        ::close(tty);
    }
    const struct {
        const char* what;
        std::string key;
        const char* passphrase; // in the environment; nullptr: none
        int exit;
        const char* says;
    } rows[] = {
        {"the right passphrase", locked, "geheim", ExitWritten, ""},
        {"a wrong passphrase", locked, "falsch", ExitRefused, "lässt sich nicht verwenden"},
        {"no key file there", (home / "fehlt").string(), "geheim", ExitRefused, "ist nicht da"},
        {"no passphrase and no terminal", locked, nullptr, ExitRefused, "BILDERTAFEL_PASSPHRASE"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.passphrase == nullptr && terminal) {
            continue; // it would be asked on the terminal
        }
        std::filesystem::remove_all(server.root());
        std::filesystem::create_directories(server.root());
        const test::ScopedEnvironment passphrase("BILDERTAFEL_PASSPHRASE", row.passphrase);
        BatchOptions options;
        options.show = (home / "show").string();
        options.publish = server.address();
        options.startPage = "index";
        options.keyFile = row.key;
        std::ostringstream err;
        EXPECT_EQ(runBatch(options, err), row.exit) << err.str();
        EXPECT_NE(err.str().find(row.says), std::string::npos) << err.str();
        EXPECT_EQ(std::getenv("BILDERTAFEL_PASSPHRASE"), nullptr);
        EXPECT_EQ(test::listNames(server.root()).find("index.html") != std::string::npos,
                  row.exit == ExitWritten)
            << test::listNames(server.root());
    }
}

// --protect takes the show's password from the environment, which keeps it no longer; the check
// from outside fails the command (4) where the server ignores the .htaccess, after everything
// was sent.
TEST(PublishCommand, AProtectedShowIsCheckedFromOutside) {
    BILDERTAFEL_NEEDS_SERVER(test::SshServer::missing());
    BILDERTAFEL_NEEDS_SERVER(test::ApacheServer::missing());
    test::SshServer server;
    ASSERT_EQ(server.launch(), "");
    test::ApacheServer honouring;
    ASSERT_EQ(honouring.launch(server.root()), "");
    test::ApacheServer ignoring;
    ASSERT_EQ(ignoring.launch(server.root(), "None"), "");
    test::TempDir home;
    test::writeFile(home / ".ssh/known_hosts", server.knownHostsLine());
    test::writeFile(home / ".ssh/id_ed25519", test::readFile(server.sshFolder() / "id_ed25519"));
    ::chmod((home / ".ssh/id_ed25519").c_str(), 0600);
    test::writeFile(home / "show/index.html", "<img src=\"minis/a.jpg\">");
    test::writeFile(home / "show/minis/a.jpg", "a");
    const test::ScopedEnvironment homeSet("HOME", home.path().c_str());
    const test::ScopedEnvironment noAgent("SSH_AUTH_SOCK", nullptr);
    const test::ScopedEnvironment noRuntime("XDG_RUNTIME_DIR", nullptr);
    const struct {
        const char* what;
        const test::ApacheServer* web;
        int exit;
        const char* says;
    } rows[] = {
        {"a server that honours it", &honouring, ExitWritten, "Geschützt: ohne Passwort"},
        {"a server that ignores it", &ignoring, ExitCheckFailed, "ohne Passwort erreichbar"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const test::ScopedEnvironment password("BILDERTAFEL_SHOW_PASSWORD", "kefu-rami-tobe-nasu");
        BatchOptions options;
        options.show = (home / "show").string();
        options.publish = server.address();
        options.startPage = "index";
        options.protectUser = "gast";
        options.webAddress = row.web->address();
        std::ostringstream err;
        EXPECT_EQ(runBatch(options, err), row.exit) << err.str();
        EXPECT_NE(err.str().find(row.says), std::string::npos) << err.str();
        EXPECT_EQ(std::getenv("BILDERTAFEL_SHOW_PASSWORD"), nullptr);
        EXPECT_TRUE(std::filesystem::exists(server.root() / "index.html"));
    }
    // A later run that names no protection leaves it as it is; --no-protect takes it off.
    const struct {
        bool noProtect;
        bool protectedAfter;
    } later[] = {{false, true}, {true, false}};
    for (const auto& row : later) {
        SCOPED_TRACE(row.noProtect);
        BatchOptions options;
        options.show = (home / "show").string();
        options.publish = server.address();
        options.startPage = "index";
        options.noProtect = row.noProtect;
        std::ostringstream err;
        EXPECT_EQ(runBatch(options, err), ExitWritten) << err.str();
        EXPECT_EQ(std::filesystem::exists(server.root() / ".htpasswd"), row.protectedAfter);
    }
}

} // namespace
} // namespace bildertafel::batch
