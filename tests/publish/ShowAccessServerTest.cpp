#include "TestServers.h"
#include "publish/Publisher.h"
#include "publish/ServerRecord.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

// A private show as visitors meet it: published over the tests' sshd into the folder a real
// Apache serves, and fetched from there.
namespace bildertafel::publish {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

const std::string Password = "kefu-rami-tobe-nasu";
const std::vector<std::string> VisitorFiles = {"index.html", "minis/a.jpg", "bilder/a.jpg",
                                               "gross/a.jpg"};

struct Answer {
    long status = 0;
    std::string headers;
};

// What the server answers, as curl sees it; login: "user:password", or empty.
Answer fetch(const std::string& address, const std::string& login = {}) {
    std::string command = "curl -s -o /dev/null -D - --max-time 5 ";
    if (!login.empty()) {
        command += "-u '" + login + "' ";
    }
    command += "'" + address + "'";
    Answer answer;
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char buffer[4096];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
        answer.headers += buffer;
    }
    if (answer.headers.starts_with("HTTP/")) {
        answer.status = std::stol(answer.headers.substr(answer.headers.find(' ') + 1, 3));
    }
    return answer;
}

class Host : public PublishHost {
public:
    bool acceptUnknownHostKey(const std::string&) override { return false; }
    bool confirmPlainFtp(const std::string&) override { return false; }
    void progress(const Progress&) override {}
    bool cancelRequested() override { return false; }
};

// The sshd publishes into the folder Apache serves.
class ShowAccessServer : public ::testing::Test {
protected:
    void SetUp() override {
        BILDERTAFEL_NEEDS_SERVER(test::SshServer::missing());
        BILDERTAFEL_NEEDS_SERVER(test::ApacheServer::missing());
        ASSERT_EQ(m_ssh.launch(), "");
        ASSERT_EQ(m_apache.launch(m_ssh.root()), "");
        ASSERT_EQ(m_ignoring.launch(m_ssh.root(), "None"), "");
        // "Ostsee auf Rügen" in Windows-1252.
        writeFile(m_show / "index.html",
                  "<title>Ostsee auf R\xFCgen</title><a href=\"bilder/a.jpg\"><img "
                  "src=\"minis/a.jpg\"></a><a href=\"gross/a.jpg\">gro\xDF</a>");
        for (const char* folder : {"minis", "bilder", "gross"}) {
            writeFile(m_show / folder / "a.jpg", std::string(2000, 'j'));
        }
    }

    PublishOptions options(bool protect, const test::ApacheServer& web) const {
        PublishOptions options;
        options.showFolder = m_show.string();
        options.startPage = "index.html";
        options.cacheFolder = (m_home / "cache").string();
        options.knownHostsPath = m_ssh.knownHosts().string();
        options.sshFolder = m_ssh.sshFolder().string();
        options.access.serverFiles = true;
        options.access.protect = protect;
        options.access.password = protect ? Password : "";
        options.access.webAddress = web.address();
        return options;
    }

    Result publishWith(const PublishOptions& options) {
        Host host;
        const TargetParse target = parseTarget(m_ssh.address());
        return publish(*target.target, options, host);
    }

    test::SshServer m_ssh;
    test::ApacheServer m_apache;
    test::ApacheServer m_ignoring; // AllowOverride None
    test::TempDir m_home;
    fs::path m_show = m_home / "show";
};

TEST_F(ShowAccessServer, APrivateShowOpensWithThePasswordOnly) {
    const Result result = publishWith(options(true, m_apache));
    ASSERT_EQ(result.failure, FailureKind::None) << result.message;
    EXPECT_FALSE(result.check.failed) << result.check.line;
    EXPECT_EQ(result.check.line,
              "Geschützt: ohne Passwort antwortet der Server 401, mit Passwort 200.");
    EXPECT_TRUE(result.check.warnings.empty());
    // How long the check took, for the figures (--gtest_output=xml); no limit is tested.
    RecordProperty("checkSeconds", std::to_string(result.check.seconds));
    const struct {
        std::string path;
        std::string login;
        long status;
    } rows[] = {
        {"index.html", "", 401},
        {"minis/a.jpg", "", 401},
        {"bilder/a.jpg", "", 401},
        {"gross/a.jpg", "", 401},
        {"index.html", "gast:" + Password, 200},
        {"minis/a.jpg", "gast:" + Password, 200},
        {"bilder/a.jpg", "gast:" + Password, 200},
        {"gross/a.jpg", "gast:" + Password, 200},
        {"gross/a.jpg", "gast:falsch", 401},
        {"gross/a.jpg", "jemand:" + Password, 401},
        {".htpasswd", "", 403},
        {".htpasswd", "gast:" + Password, 403},
        {".htaccess", "gast:" + Password, 403},
        {std::string(RecordName), "gast:" + Password, 403},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path + " " + row.login);
        const Answer answer = fetch(m_apache.address() + row.path, row.login);
        EXPECT_EQ(answer.status, row.status) << answer.headers;
        if (row.status == 200) {
            EXPECT_NE(answer.headers.find("X-Robots-Tag: noindex, noimageindex"), std::string::npos)
                << answer.headers;
        }
    }
    EXPECT_NE(fetch(m_apache.address() + "index.html", "gast:" + Password)
                  .headers.find("charset=windows-1252"),
              std::string::npos);
    // The password itself is nowhere: not on the server, in the show or in the cache.
    for (const fs::path& folder : {m_ssh.root(), m_show, m_home.path()}) {
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file()) {
                EXPECT_EQ(readFile(entry.path()).find(Password), std::string::npos) << entry.path();
            }
        }
    }
    EXPECT_FALSE(fs::exists(m_show / ".htaccess"));
    EXPECT_FALSE(fs::exists(m_show / ".htpasswd"));
    // Unchanged, the next publish sends neither file again.
    EXPECT_TRUE(publishWith(options(true, m_apache)).plan.ownSend.empty());
}

// What the check says of each state a show on the server can be in, and whether it fails.
TEST_F(ShowAccessServer, TheCheckTellsWhatAVisitorMeets) {
    const auto with = [&](bool protect, const test::ApacheServer& web, auto change) {
        PublishOptions o = options(protect, web);
        change(o);
        return o;
    };
    const struct {
        const char* what;
        PublishOptions options;
        bool failed;
        std::string line; // its beginning
        bool warned;      // of the character set
    } rows[] = {
        {"private", with(true, m_apache, [](PublishOptions&) {}), false, "Geschützt:", false},
        {"ended yesterday and before",
         with(true, m_apache,
              [](PublishOptions& o) {
                  o.access.visibleUntil = Day{2020, 1, 1};
              }),
         false, "Nicht mehr sichtbar:", false},
        {"a wrong server path",
         with(true, m_apache, [](PublishOptions& o) { o.access.serverPath = "/nirgends"; }), true,
         "Der Server antwortet 500: der Pfad der .htpasswd", false},
        {"a server that ignores .htaccess", with(true, m_ignoring, [](PublishOptions&) {}), true,
         "Die Bilder sind ohne Passwort erreichbar", false},
        {"public again", with(false, m_apache, [](PublishOptions&) {}), false,
         "Online: " + m_apache.address() + "index.html antwortet 200.", false},
        {"public where .htaccess is ignored", with(false, m_ignoring, [](PublishOptions&) {}),
         false, "Online:", true},
        {"a wrong web address",
         with(false, m_apache, [&](PublishOptions& o) { o.access.webAddress += "falsch/"; }), true,
         "Die Startseite fehlt:", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const Result result = publishWith(row.options);
        ASSERT_EQ(result.failure, FailureKind::None) << result.message;
        EXPECT_TRUE(result.check.done);
        EXPECT_EQ(result.check.failed, row.failed) << result.check.line;
        EXPECT_TRUE(result.check.line.starts_with(row.line)) << result.check.line;
        EXPECT_EQ(!result.check.warnings.empty(), row.warned);
    }
    // Taken off: the pages open to everybody and the password file is gone.
    EXPECT_EQ(fetch(m_apache.address() + "gross/a.jpg").status, 200);
    EXPECT_FALSE(fs::exists(m_ssh.root() / ".htpasswd"));
    EXPECT_EQ(readFile(m_ssh.root() / ".htaccess").find("Auth"), std::string::npos);
}

// A .htaccess that somebody else wrote is never replaced: a private show is refused before
// anything is sent, a public one goes up beside it.
TEST_F(ShowAccessServer, AForeignHtaccessStays) {
    const std::string foreign = "RewriteEngine On\n";
    const struct {
        bool protect;
        FailureKind failure;
    } rows[] = {{true, FailureKind::ForeignServerFile}, {false, FailureKind::None}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.protect);
        fs::remove_all(m_ssh.root());
        writeFile(m_ssh.root() / ".htaccess", foreign);
        const Result result = publishWith(options(row.protect, m_apache));
        EXPECT_EQ(result.failure, row.failure) << result.message;
        EXPECT_EQ(readFile(m_ssh.root() / ".htaccess"), foreign);
        EXPECT_EQ(fs::exists(m_ssh.root() / "index.html"), !row.protect);
        EXPECT_FALSE(fs::exists(m_ssh.root() / ".htpasswd"));
        if (row.protect) {
            EXPECT_TRUE(result.nothingSent);
            EXPECT_NE(result.message.find("nicht Bildertafel geschrieben"), std::string::npos);
        }
    }
}

} // namespace
} // namespace bildertafel::publish
