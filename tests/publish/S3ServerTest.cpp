#include "TempDir.h"
#include "TestServers.h"
#include "core/HexCoding.h"
#include "publish/Connection.h"
#include "publish/Publisher.h"
#include "publish/ServerLock.h"
#include "publish/ServerRecord.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <thread>

namespace bildertafel::publish {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

// Names an object store must carry as they are: umlauts, blanks, "+" (read as a blank where a
// key is not encoded) and "#".
const std::string Umlaut = "B\xC3\xA4ume im Park";
const std::vector<std::string> Pictures = {"bilder/" + Umlaut + ".jpg", "bilder/a+b.jpg",
                                           "bilder/#1.jpg"};

void makeShow(const fs::path& show, std::size_t many = 0) {
    std::string index =
        "<html><body><a href=\"seite.html\">Seite</a>"
        "<img src=\"bilder/B%C3%A4ume%20im%20Park.jpg\"><img src=\"bilder/a+b.jpg\">"
        "<img src=\"bilder/%231.jpg\">";
    for (std::size_t i = 0; i < many; ++i) {
        const std::string path = "viele/bild" + std::to_string(i) + ".jpg";
        writeFile(show / path, std::string(20000 + i, static_cast<char>('a' + i % 26)));
        index += "<img src=\"" + path + "\">";
    }
    writeFile(show / "index.html", index + "</body></html>\n");
    writeFile(show / "seite.html", "<meta charset=\"utf-8\"><a href=\"index.html\">zur\xC3\xBC"
                                   "ck</a>");
    for (const std::string& picture : Pictures) {
        writeFile(show / picture, std::string(50000, 'p') + picture);
    }
    writeFile(show / "DSC_0001.JPG", "original, never sent");
}

std::vector<std::string> setOf(std::size_t many) {
    std::vector<std::string> set = Pictures;
    set.insert(set.end(), {"index.html", "seite.html"});
    for (std::size_t i = 0; i < many; ++i) {
        set.push_back("viele/bild" + std::to_string(i) + ".jpg");
    }
    std::sort(set.begin(), set.end());
    return set;
}

std::string md5Of(const std::string& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr);
    return core::hexText(digest, length, core::HexCase::Lower);
}

class Host : public PublishHost {
public:
    bool acceptUnknownHostKey(const std::string&) override { return false; }
    bool confirmPlainFtp(const std::string&) override { return false; }
    void progress(const Progress& progress) override {
        if (onProgress) {
            onProgress(progress);
        }
    }
    bool cancelRequested() override { return false; }
    std::function<void(const Progress&)> onProgress;
};

// One gateway for the table; each row has a bucket of its own.
class S3Server {
public:
    static test::RadosGateway& gateway() {
        static std::unique_ptr<test::RadosGateway> running;
        static std::string failed;
        if (!running && failed.empty()) {
            running = std::make_unique<test::RadosGateway>();
            failed = running->launch();
        }
        EXPECT_EQ(failed, "");
        return *running;
    }
};

// A row's bucket, show and publish.
struct Trial {
    test::RadosGateway& gateway = S3Server::gateway();
    test::TempDir temp;
    fs::path show = temp / "show";
    std::string bucket;
    std::string prefix = "hochzeit 2026";
    Host host;

    explicit Trial(const std::string& name) : bucket(name) {
        EXPECT_EQ(gateway.makeBucket(bucket), "");
    }

    PublishOptions options() const {
        PublishOptions options;
        options.showFolder = show.string();
        options.startPage = "index.html";
        options.cacheFolder = (temp / "cache").string();
        options.s3.endpoint = gateway.endpoint();
        options.s3.region = test::RadosGateway::region();
        options.s3.accessKey = gateway.accessKey();
        options.s3.secretKey = gateway.secretKey();
        options.lockWait = std::chrono::milliseconds(0);
        return options;
    }
    std::string address() const { return "s3://" + bucket + "/hochzeit%202026"; }
    Result publish(const PublishOptions& options) {
        return publish::publish(*parseTarget(address()).target, options, host);
    }
    Result publish() { return publish(options()); }

    std::string keyPath(const std::string& path) const {
        return "/" + bucket + "/" + test::RadosGateway::encodeKey(prefix + "/" + path);
    }
    // The keys below the prefix with their ETags (the MD5 of an object sent in one piece), as
    // the gateway lists them.
    std::map<std::string, std::string> listed() const {
        const auto reply = gateway.request("GET", "/" + bucket + "?list-type=2&max-keys=1000");
        std::map<std::string, std::string> found;
        const std::regex entry("<Key>([^<]*)</Key>.*?<ETag>(?:&quot;|\")?([0-9a-f]*)");
        for (auto it = std::sregex_iterator(reply.body.begin(), reply.body.end(), entry);
             it != std::sregex_iterator(); ++it) {
            const std::string name = (*it)[1];
            EXPECT_TRUE(name.starts_with(prefix + "/")) << name;
            found[name.substr(prefix.size() + 1)] = (*it)[2];
        }
        return found;
    }
    std::vector<std::string> keys() const {
        std::vector<std::string> names;
        for (const auto& [name, etag] : listed()) {
            names.push_back(name);
        }
        return names;
    }
    // Whether the object holds the show's file as it is.
    bool holdsFile(const std::string& path, const std::map<std::string, std::string>& held) const {
        const auto found = held.find(path);
        return found != held.end() && fs::exists(show / path) &&
               found->second == md5Of(readFile(show / path));
    }
    std::string object(const std::string& path) const {
        return gateway.request("GET", keyPath(path)).body;
    }
    // What the gateway holds of the show, the record left out, against the show's files.
    void expectHolds(const std::vector<std::string>& set) const {
        std::map<std::string, std::string> held = listed();
        held.erase(std::string(RecordName));
        std::vector<std::string> names;
        for (const auto& [name, etag] : held) {
            names.push_back(name);
            EXPECT_TRUE(holdsFile(name, held)) << name;
        }
        EXPECT_EQ(names, set);
    }
};

std::string headerOf(const std::string& headers, const std::string& name) {
    const std::regex line("(^|\n)" + name + ": ([^\r\n]*)", std::regex::icase);
    std::smatch match;
    return std::regex_search(headers, match, line) ? match[2].str() : std::string();
}

// Publishes in a process of its own, slowed a little, and kills it once half of the many files
// are in the bucket; false when it ended before.
bool killedHalfWay(Trial& trial, std::size_t many) {
    std::cout.flush();
    const pid_t child = ::fork();
    if (child == 0) {
        trial.host.onProgress = [](const Progress&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        };
        ::_exit(trial.publish().failure == FailureKind::None ? 0 : 1);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    const auto arrived = [&] {
        const std::vector<std::string> keys = trial.keys();
        return std::count_if(keys.begin(), keys.end(),
                             [](const std::string& key) { return key.starts_with("viele/"); });
    };
    while (child > 0 && arrived() < static_cast<long>(many / 2) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child > 0 && WIFSIGNALED(status);
}

// Each row sets up its case in a bucket of its own and says what must hold.
TEST(S3Publish, TheShowGoesToTheObjectStoreAsToAnyServer) {
    BILDERTAFEL_NEEDS_SERVER(test::RadosGateway::missing());
    const struct {
        const char* what;
        std::function<void(Trial&)> check;
    } rows[] = {
        {"the publish set exactly, nothing re-sent, one change alone",
         [](Trial& trial) {
             makeShow(trial.show);
             const Result first = trial.publish();
             ASSERT_EQ(first.failure, FailureKind::None) << first.message;
             EXPECT_EQ(first.filesSent, setOf(0).size());
             trial.expectHolds(setOf(0));
             const Result again = trial.publish();
             ASSERT_EQ(again.failure, FailureKind::None) << again.message;
             EXPECT_EQ(again.filesSent, 0U);
             writeFile(trial.show / "bilder/a+b.jpg", "anders");
             const Result change = trial.publish();
             ASSERT_EQ(change.failure, FailureKind::None) << change.message;
             EXPECT_EQ(change.filesSent, 1U);
             EXPECT_EQ(trial.object("bilder/a+b.jpg"), "anders");
         }},
        {"content types and caching",
         [](Trial& trial) {
             makeShow(trial.show);
             ASSERT_EQ(trial.publish().failure, FailureKind::None);
             const struct {
                 std::string path, type, cache;
             } objects[] = {
                 {"index.html", "text/html; charset=windows-1252", "no-cache"},
                 {"seite.html", "text/html; charset=utf-8", "no-cache"},
                 {Pictures[0], "image/jpeg", "public, max-age=86400"},
                 {std::string(RecordName), "text/plain; charset=utf-8", "no-store"},
             };
             for (const auto& object : objects) {
                 const auto reply = trial.gateway.request("HEAD", trial.keyPath(object.path));
                 EXPECT_EQ(reply.status, 200) << object.path;
                 EXPECT_EQ(headerOf(reply.headers, "Content-Type"), object.type) << object.path;
                 EXPECT_EQ(headerOf(reply.headers, "Cache-Control"), object.cache) << object.path;
             }
         }},
        {"a wrong secret is refused in German, nothing sent",
         [](Trial& trial) {
             makeShow(trial.show);
             PublishOptions options = trial.options();
             options.s3.secretKey = "falsch";
             const Result result = trial.publish(options);
             EXPECT_EQ(result.failure, FailureKind::S3WrongSecret);
             EXPECT_NE(result.message.find("geheime Schlüssel passt nicht"), std::string::npos)
                 << result.message;
             EXPECT_EQ(trial.keys(), std::vector<std::string>());
         }},
        {"an unknown bucket",
         [](Trial& trial) {
             makeShow(trial.show);
             trial.bucket = "gibt-es-nicht";
             const Result result = trial.publish();
             EXPECT_EQ(result.failure, FailureKind::S3NoBucket);
             EXPECT_NE(result.message.find("Den Bucket „gibt-es-nicht“ gibt es"), std::string::npos)
                 << result.message;
         }},
        {"two publishes at once: the second is refused while the first holds the lock",
         [](Trial& trial) {
             makeShow(trial.show, 100);
             std::atomic<bool> sending = false;
             std::atomic<bool> secondDone = false;
             trial.host.onProgress = [&](const Progress& progress) {
                 sending = sending || progress.stage == Progress::Stage::Sending;
                 while (sending && !secondDone) {
                     std::this_thread::sleep_for(std::chrono::milliseconds(5));
                 }
             };
             Result first;
             std::atomic<bool> firstDone = false;
             std::thread publishing([&] {
                 first = trial.publish();
                 firstDone = true;
             });
             while (!sending && !firstDone) {
                 std::this_thread::sleep_for(std::chrono::milliseconds(5));
             }
             Host other;
             const Result second =
                 publish::publish(*parseTarget(trial.address()).target, trial.options(), other);
             secondDone = true;
             publishing.join();
             EXPECT_EQ(second.failure, FailureKind::Busy) << second.message;
             EXPECT_TRUE(second.nothingSent);
             EXPECT_EQ(first.failure, FailureKind::None) << first.message;
             trial.expectHolds(setOf(100));
         }},
        {"a publish killed at half resumes",
         [](Trial& trial) {
             constexpr std::size_t Many = 300;
             makeShow(trial.show, Many);
             ASSERT_TRUE(killedHalfWay(trial, Many)) << "the publish ended before it was killed";
             std::size_t intact = 0;
             std::size_t recorded = 0;
             const Record record =
                 parseRecord(trial.object(std::string(RecordName))).value_or(Record());
             const std::map<std::string, std::string> held = trial.listed();
             for (const auto& [path, etag] : held) {
                 const bool whole = trial.holdsFile(path, held);
                 intact += whole ? 1 : 0;
                 const auto line = record.files.find(path);
                 recorded += whole && line != record.files.end() && !line->second.stamp.empty();
             }
             const Result result = trial.publish();
             ASSERT_EQ(result.failure, FailureKind::None) << result.message;
             std::cout << "A publish of " << setOf(Many).size() << " files killed with " << intact
                       << " arrived, " << recorded << " of them recorded: the next one sent "
                       << result.filesSent << ".\n";
             // Sent again: what the record does not name as arrived, no more.
             EXPECT_GT(recorded, 0U);
             EXPECT_EQ(result.filesSent, setOf(Many).size() - recorded);
             trial.expectHolds(setOf(Many));
         }},
        {"--delete removes only Bildertafel's own objects as it left them",
         [](Trial& trial) {
             makeShow(trial.show);
             ASSERT_EQ(trial.publish().failure, FailureKind::None);
             trial.gateway.request("PUT", trial.keyPath("fremd.txt"), "nicht von Bildertafel");
             trial.gateway.request("PUT", trial.keyPath("bilder/#1.jpg"), "von Hand geändert");
             writeFile(trial.show / "index.html", "<a href=\"seite.html\">nur noch die Seite</a>");
             PublishOptions options = trial.options();
             options.deleteUnneeded = true;
             const Result result = trial.publish(options);
             ASSERT_EQ(result.failure, FailureKind::None) << result.message;
             EXPECT_EQ(result.filesRemoved, 2U);
             std::vector<std::string> held = trial.keys();
             std::erase(held, std::string(RecordName));
             EXPECT_EQ(held, (std::vector<std::string>{"bilder/#1.jpg", "fremd.txt", "index.html",
                                                       "seite.html"}));
         }},
        {"a file above 32 MiB goes in parts and arrives whole",
         [](Trial& trial) {
             makeShow(trial.show);
             std::string large;
             for (int i = 0; large.size() < 40 * 1024 * 1024; ++i) {
                 large += std::to_string(i) + "\n";
             }
             writeFile(trial.show / "film.mp4", large);
             writeFile(trial.show / "index.html", "<a href=\"film.mp4\">Film</a>");
             const Result result = trial.publish();
             ASSERT_EQ(result.failure, FailureKind::None) << result.message;
             const auto head = trial.gateway.request("HEAD", trial.keyPath("film.mp4"));
             EXPECT_EQ(headerOf(head.headers, "Content-Type"), "video/mp4");
             EXPECT_EQ(headerOf(head.headers, "Content-Length"), std::to_string(large.size()));
             EXPECT_TRUE(headerOf(head.headers, "ETag").ends_with("-3\"")) << head.headers;
             EXPECT_TRUE(trial.object("film.mp4") == large);
         }},
        {"a lock that names this very run is its own: the answer to its writing was lost",
         [](Trial& trial) {
             const std::unique_ptr<Connection> connection =
                 connectS3(*parseTarget(trial.address()).target, trial.options());
             ServerLock lock(*connection, "lauf-1-a", trial.prefix);
             trial.gateway.request("PUT", trial.keyPath(std::string(LockFolder)),
                                   lockText(thisProcess("lauf-1-a")));
             EXPECT_NO_THROW(lock.take(std::chrono::milliseconds(0), [] { return false; }));
             lock.release();
             EXPECT_EQ(trial.keys(), std::vector<std::string>());
         }},
        {"a stale lock is taken over only while it is the one judged stale",
         [](Trial& trial) {
             const std::unique_ptr<Connection> connection =
                 connectS3(*parseTarget(trial.address()).target, trial.options());
             const std::string name(LockFolder);
             LockOwner stale = thisProcess("lauf-alt");
             stale.host = "anderswo";
             stale.boot = "anders";
             stale.renewed -= 3600;
             LockOwner fresh = stale;
             fresh.run = "lauf-neu";
             fresh.renewed += 3600;
             trial.gateway.request("PUT", trial.keyPath(name), lockText(stale));
             std::string judged;
             ASSERT_TRUE(connection->readStamped(name, 4096, judged));
             // Another run took it over first: its lock stays as it wrote it.
             trial.gateway.request("PUT", trial.keyPath(name), lockText(fresh));
             EXPECT_FALSE(
                 connection->replaceIfUnchanged(lockText(thisProcess("lauf-1-a")), name, judged));
             EXPECT_EQ(trial.object(name), lockText(fresh));
             // Still the stale one: this run's now.
             trial.gateway.request("PUT", trial.keyPath(name), lockText(stale));
             ServerLock lock(*connection, "lauf-1-a", trial.prefix);
             EXPECT_NO_THROW(lock.take(std::chrono::milliseconds(0), [] { return false; }));
             const std::optional<LockOwner> owner = parseLock(trial.object(name));
             EXPECT_EQ(owner ? owner->run : "", "lauf-1-a");
             lock.release();
             EXPECT_EQ(trial.keys(), std::vector<std::string>());
         }},
        {"public objects, but the lock and the record are not readable anonymously",
         [](Trial& trial) {
             makeShow(trial.show, 20);
             long lockStatus = 0;
             trial.host.onProgress = [&](const Progress& progress) {
                 if (progress.stage == Progress::Stage::Sending && lockStatus == 0) {
                     lockStatus =
                         trial.gateway.anonymous("GET", trial.keyPath(std::string(LockFolder)))
                             .status;
                 }
             };
             PublishOptions options = trial.options();
             options.s3.publicRead = true;
             ASSERT_EQ(trial.publish(options).failure, FailureKind::None);
             EXPECT_EQ(lockStatus, 403);
             EXPECT_EQ(
                 trial.gateway.anonymous("GET", trial.keyPath(std::string(RecordName))).status,
                 403);
             EXPECT_EQ(trial.gateway.anonymous("GET", trial.keyPath("index.html")).status, 200);
             EXPECT_EQ(trial.gateway.anonymous("GET", trial.keyPath(Pictures[0])).status, 200);
         }},
    };
    int number = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const auto start = std::chrono::steady_clock::now();
        Trial trial("show-" + std::to_string(++number));
        row.check(trial);
        std::cout << row.what << ": "
                  << std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()
                  << " s\n";
    }
}

// Over TLS the gateway's certificate must be one the CA file vouches for; another CA's refuses
// before anything is sent.
TEST(S3Publish, TheServersCertificateIsVerified) {
    BILDERTAFEL_NEEDS_SERVER(test::RadosGateway::missing());
    test::RadosGateway gateway;
    ASSERT_EQ(gateway.launch(true), "");
    ASSERT_EQ(gateway.makeBucket("fotos"), "");
    const struct {
        fs::path caFile;
        FailureKind failure;
    } rows[] = {
        {gateway.otherCaFile(), FailureKind::Certificate},
        {gateway.caFile(), FailureKind::None},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.caFile.string());
        test::TempDir temp;
        makeShow(temp / "show");
        PublishOptions options;
        options.showFolder = (temp / "show").string();
        options.startPage = "index.html";
        options.caFile = row.caFile.string();
        options.s3 = {gateway.endpoint(),
                      test::RadosGateway::region(),
                      gateway.accessKey(),
                      gateway.secretKey(),
                      {}};
        Host host;
        const Result result = publish::publish(*parseTarget("s3://fotos").target, options, host);
        EXPECT_EQ(result.failure, row.failure) << result.message;
        EXPECT_EQ(result.nothingSent, row.failure != FailureKind::None);
    }
}

} // namespace
} // namespace bildertafel::publish
