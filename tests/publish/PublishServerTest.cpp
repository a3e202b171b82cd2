#include "ScopedEnvironment.h"
#include "TestServers.h"
#include "publish/Connection.h"
#include "publish/Publisher.h"
#include "publish/RunNames.h"
#include "publish/ServerLock.h"
#include "publish/ServerRecord.h"
#include "publish/UserPlaces.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <malloc.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer's count of the bytes the program holds (its header comes with clang only).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <thread>

namespace bildertafel::publish {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

const std::string Odd = "Bild mit L\xC3\xBC"
                        "cke #1 100%";
const std::string OddLink = "Bild%20mit%20L%C3%BCcke%20%231%20100%25";
const std::string Latin1 = "caf\xE9"; // not UTF-8

// A show whose start page reaches ten files; beside them lie an original, a configuration, a
// hidden file and a second start page, which no publish may send.
void makeShow(const fs::path& show) {
    writeFile(show / "index.html",
              "<html><body><a href=\"bilder/a.html\"><img src=\"minis/a.jpg\"></a>\n"
              "<a href='bilder/" +
                  OddLink + ".html'><img src=\"minis/" + OddLink +
                  ".jpg\"></a>\n<img src=\"minis/caf%E9.jpg\">\n"
                  "<a href=\"index_all.html#oben\">Alle</a> <a href=\"https://example.org/\">x</a>"
                  "</body></html>\n");
    writeFile(show / "bilder/a.html",
              "<img src=\"a.jpg\"><a href=\"../index.html\">zur&uuml;ck</a>");
    writeFile(show / ("bilder/" + Odd + ".html"), "<img src=\"" + OddLink + ".jpg?v=2\">");
    writeFile(show / "index_all.html",
              "<a href=\"bilder/a.jpg\">a</a> <a href=\"bilder/caf%E9.jpg\">c</a>");
    for (const std::string name : {"a", Odd.c_str(), Latin1.c_str()}) {
        writeFile(show / ("minis/" + name + ".jpg"), std::string(3000, 'm') + name);
        writeFile(show / ("bilder/" + name + ".jpg"), std::string(90000, 'b') + name);
    }
    writeFile(show / "DSC_0001.JPG", "original with location");
    writeFile(show / "beispiel.cfg", "cfg");
    writeFile(show / ".versteckt", "hidden");
    writeFile(show / "andere.html", "<img src=\"DSC_0001.JPG\">");
}

std::vector<std::string> sorted(std::vector<std::string> paths) {
    std::sort(paths.begin(), paths.end());
    return paths;
}

const std::vector<std::string> ShowSet =
    sorted({"bilder/a.html", "bilder/a.jpg", "bilder/" + Odd + ".html", "bilder/" + Odd + ".jpg",
            "bilder/" + Latin1 + ".jpg", "index.html", "index_all.html", "minis/a.jpg",
            "minis/" + Odd + ".jpg", "minis/" + Latin1 + ".jpg"});

// Every file below folder with its bytes, the record left out.
std::map<std::string, std::string> filesBelow(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string path = entry.path().lexically_relative(folder).string();
        if (entry.is_regular_file() && path != RecordName) {
            files[path] = readFile(entry.path());
        }
    }
    return files;
}

std::map<std::string, std::string> filesOf(const fs::path& show,
                                           const std::vector<std::string>& paths) {
    std::map<std::string, std::string> files;
    for (const std::string& path : paths) {
        files[path] = readFile(show / path);
    }
    return files;
}

std::vector<std::string> pathsOf(const std::vector<PlannedFile>& files) {
    std::vector<std::string> paths;
    paths.reserve(files.size());
    for (const PlannedFile& file : files) {
        paths.push_back(file.path);
    }
    return sorted(paths);
}

class ScriptedHost : public PublishHost {
public:
    bool acceptUnknownHostKey(const std::string& question) override {
        questions.push_back(question);
        return acceptKey;
    }
    bool confirmPlainFtp(const std::string&) override {
        ++ftpQuestions;
        return confirmFtp;
    }
    void progress(const Progress& progress) override {
        if (!progress.currentFile.empty() &&
            (sentOrder.empty() || sentOrder.back() != progress.currentFile)) {
            sentOrder.push_back(progress.currentFile);
        }
        if (onProgress) {
            onProgress(progress);
        }
    }
    bool cancelRequested() override { return cancel || (cancelWhen && cancelWhen()); }
    std::optional<std::string> askPassphrase(const std::string&) override {
        ++passphraseQuestions;
        if (passphraseQuestions > static_cast<int>(passphrases.size())) {
            return std::nullopt;
        }
        return passphrases[static_cast<std::size_t>(passphraseQuestions - 1)];
    }

    bool acceptKey = false;
    std::vector<std::string> questions;
    bool confirmFtp = false;
    int ftpQuestions = 0;
    std::vector<std::string> sentOrder;
    std::function<void(const Progress&)> onProgress;
    bool cancel = false;
    std::function<bool()> cancelWhen;     // "Abbrechen" once this says so
    std::vector<std::string> passphrases; // the answers, one per question; then none
    int passphraseQuestions = 0;
};

enum class Kind { Sftp, Ftps };

// The options of a publish of the show to the one server of the three that is given.
PublishOptions optionsFor(const fs::path& show, const fs::path& cache, const test::SshServer* ssh,
                          const test::FtpsServer* ftps, const test::VsftpdServer* vsftpd) {
    PublishOptions options;
    options.showFolder = show.string();
    options.startPage = "index.html";
    options.cacheFolder = cache.string();
    if (ssh != nullptr) {
        options.knownHostsPath = ssh->knownHosts().string();
        options.sshFolder = ssh->sshFolder().string();
    } else if (ftps != nullptr) {
        options.password = "geheim";
        options.caFile = ftps->caFile().string();
    } else if (vsftpd != nullptr) {
        options.caFile = vsftpd->caFile().string(); // anonymous
    }
    return options;
}

class PublishToServer : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override {
        ::unsetenv("SSH_AUTH_SOCK"); // the keys of the test only
        makeShow(m_show);
        BILDERTAFEL_NEEDS_SERVER(GetParam() == Kind::Sftp ? test::SshServer::missing()
                                                          : test::FtpsServer::missing());
        if (GetParam() == Kind::Sftp) {
            m_ssh = std::make_unique<test::SshServer>();
            ASSERT_EQ(m_ssh->launch(), "");
        } else {
            m_ftps = std::make_unique<test::FtpsServer>();
            ASSERT_EQ(m_ftps->launch(), "");
        }
    }

    fs::path root() const { return m_ssh ? m_ssh->root() : m_ftps->root(); }
    std::string address() const { return m_ssh ? m_ssh->address() : m_ftps->address(); }

    PublishOptions options() const {
        return optionsFor(m_show, m_temp / "cache", m_ssh.get(), m_ftps.get(), nullptr);
    }

    Result publishWith(const PublishOptions& options, const std::string& address = {}) {
        const TargetParse target = parseTarget(address.empty() ? this->address() : address);
        EXPECT_TRUE(target.target) << target.error;
        return target.target ? publish(*target.target, options, m_host) : Result();
    }
    Result publishNow() { return publishWith(options()); }

    test::TempDir m_temp;
    fs::path m_show = m_temp / "show";
    std::unique_ptr<test::SshServer> m_ssh;
    std::unique_ptr<test::FtpsServer> m_ftps;
    ScriptedHost m_host;
};

TEST_P(PublishToServer, SendsExactlyWhatAVisitorReachesPicturesFirstStartPageLast) {
    const Result result = publishNow();
    ASSERT_EQ(result.failure, FailureKind::None) << result.message;
    EXPECT_EQ(filesBelow(root()), filesOf(m_show, ShowSet));
    EXPECT_EQ(result.filesSent, ShowSet.size());
    ASSERT_EQ(m_host.sentOrder.size(), ShowSet.size());
    EXPECT_EQ(m_host.sentOrder.back(), "index.html");
    std::size_t firstPage = m_host.sentOrder.size();
    std::size_t lastPicture = 0;
    for (std::size_t i = 0; i < m_host.sentOrder.size(); ++i) {
        const bool page = m_host.sentOrder[i].ends_with(".html");
        firstPage = page ? std::min(firstPage, i) : firstPage;
        lastPicture = page ? lastPicture : i;
    }
    EXPECT_LT(lastPicture, firstPage);
}

// Before each next publish something changes; the publish sends exactly what differs and the
// server holds the show again.
TEST_P(PublishToServer, SendsOnlyWhatChanged) {
    ASSERT_EQ(publishNow().failure, FailureKind::None);
    const struct {
        const char* what;
        std::function<void()> change;
        std::vector<std::string> sent;
    } rows[] = {
        {"nothing", [] {}, {}},
        {"another computer, no cache", [&] { fs::remove_all(m_temp / "cache"); }, {}},
        {"a picture of the same size",
         [&] { writeFile(m_show / "bilder/a.jpg", std::string(90001, 'x')); },
         {"bilder/a.jpg"}},
        {"a preview changed on the server by hand",
         [&] { writeFile(root() / "minis/a.jpg", "by hand"); },
         {"minis/a.jpg"}},
        {"a file removed on the server by hand",
         [&] { fs::remove(root() / ("bilder/" + Latin1 + ".jpg")); },
         {"bilder/" + Latin1 + ".jpg"}},
        {"the record removed", [&] { fs::remove(root() / std::string(RecordName)); }, ShowSet},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        row.change();
        const Result result = publishNow();
        ASSERT_EQ(result.failure, FailureKind::None) << result.message;
        EXPECT_EQ(pathsOf(result.plan.send), row.sent);
        EXPECT_EQ(result.filesSent, row.sent.size());
        EXPECT_EQ(filesBelow(root()), filesOf(m_show, ShowSet));
    }
}

// A dry run of a first publish into a folder that is not there yet plans every file and leaves
// the server as it was: no folder made, nothing written.
TEST_P(PublishToServer, ADryRunLeavesTheServerAsItWas) {
    PublishOptions options = this->options();
    options.dryRun = true;
    const Result result = publishWith(options, address() + "/neu");
    ASSERT_EQ(result.failure, FailureKind::None) << result.message;
    EXPECT_EQ(pathsOf(result.plan.send), ShowSet);
    EXPECT_TRUE(fs::is_empty(root()));
    // The real publish makes the folder, the lock's first.
    ASSERT_EQ(publishWith(this->options(), address() + "/neu").failure, FailureKind::None);
    EXPECT_TRUE(filesBelow(root() / "neu") == filesOf(m_show, ShowSet));
}

// Reading several folders at once gives what reading them one by one gives: every batch of a
// long folder, sizes, times and subfolders, and nothing for a missing folder.
TEST_P(PublishToServer, FoldersReadAtOnceListAsReadOneByOne) {
    for (int i = 0; i < 250; ++i) {
        writeFile(root() / "viele" / ("bild" + std::to_string(i) + ".jpg"), std::string(i, 'x'));
    }
    fs::create_directories(root() / "viele/unter");
    writeFile(root() / "wenige/a.html", "a");
    const TargetParse target = parseTarget(address());
    ASSERT_TRUE(target.target) << target.error;
    const std::unique_ptr<Connection> connection =
        GetParam() == Kind::Sftp ? connectSftp(*target.target, options(), m_host)
                                 : connectFtp(*target.target, options());
    const auto shown = [](const std::vector<RemoteEntry>& entries) {
        std::vector<std::string> lines;
        lines.reserve(entries.size());
        for (const RemoteEntry& entry : entries) {
            lines.push_back(entry.name + (entry.folder ? "/ " : " ") + std::to_string(entry.size) +
                            " " + entry.stamp);
        }
        return sorted(lines);
    };
    const std::set<std::string> folders{"", "viele", "wenige", "fehlt"};
    auto together = connection->listAll(folders);
    ASSERT_EQ(together.size(), folders.size());
    for (const std::string& folder : folders) {
        SCOPED_TRACE(folder);
        const auto alone = connection->list(folder);
        ASSERT_EQ(together[folder].has_value(), alone.has_value());
        if (alone) {
            EXPECT_EQ(shown(*together[folder]), shown(*alone));
        }
    }
    ASSERT_TRUE(together["viele"]);
    EXPECT_EQ(together["viele"]->size(), 251U);
    EXPECT_FALSE(together["fehlt"]);
}

// A file reads back whole at any size, in one piece or in many; a missing one reads as nothing.
TEST_P(PublishToServer, FilesReadBackWhole) {
    const TargetParse target = parseTarget(address());
    ASSERT_TRUE(target.target) << target.error;
    const std::unique_ptr<Connection> connection =
        GetParam() == Kind::Sftp ? connectSftp(*target.target, options(), m_host)
                                 : connectFtp(*target.target, options());
    for (const std::size_t size : {0, 1, 65536, 65537, 1048576, 2500001}) {
        SCOPED_TRACE(size);
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<char>(i * 7919 >> 8);
        }
        writeFile(root() / "datei", bytes);
        const std::optional<std::string> read = connection->read("datei");
        ASSERT_TRUE(read);
        EXPECT_TRUE(*read == bytes);
    }
    EXPECT_FALSE(connection->read("fehlt"));
    // What the server holds is not trusted to be small: a limit reads no more than it.
    const std::optional<std::string> bounded = connection->read("datei", 70000);
    ASSERT_TRUE(bounded);
    EXPECT_EQ(bounded->size(), 70001U);
}

TEST_P(PublishToServer, RemovesOnlyItsOwnFilesAndOnlyWhenAsked) {
    ASSERT_EQ(publishNow().failure, FailureKind::None);
    writeFile(root() / "eigene.txt", "put there by hand");
    // The start page no longer reaches a.html and its preview.
    writeFile(m_show / "index.html",
              "<a href=\"index_all.html\">Alle</a><img src=\"minis/" + OddLink + ".jpg\">");
    const std::vector<std::string> unneeded =
        sorted({"bilder/a.html", "bilder/" + Odd + ".html", "bilder/" + Odd + ".jpg",
                "minis/" + Latin1 + ".jpg", "minis/a.jpg"});
    const struct {
        bool deleteUnneeded;
        bool dryRun;
        std::vector<std::string> removed; // as planned
        std::vector<std::string> kept;
        bool stillThere;
    } rows[] = {
        {false, false, {}, unneeded, true},
        {true, true, unneeded, {}, true},
        {true, false, unneeded, {}, false},
        {true, false, {}, {}, false}, // gone from the record too
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.deleteUnneeded << row.dryRun);
        PublishOptions options = this->options();
        options.deleteUnneeded = row.deleteUnneeded;
        options.dryRun = row.dryRun;
        const Result result = publishWith(options);
        ASSERT_EQ(result.failure, FailureKind::None) << result.message;
        EXPECT_EQ(pathsOf(result.plan.remove), row.removed);
        EXPECT_EQ(pathsOf(result.plan.keptUnneeded), row.kept);
        for (const std::string& path : unneeded) {
            EXPECT_EQ(fs::exists(root() / path), row.stillThere) << path;
        }
        EXPECT_EQ(readFile(root() / "eigene.txt"), "put there by hand");
    }
}

TEST_P(PublishToServer, AnInterruptedPublishIsCompletedByTheNext) {
    const struct {
        const char* what;
        bool killServer;
    } rows[] = {{"Abbrechen", false}, {"server killed", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.killServer && !m_ssh) {
            continue; // the FTPS server of the test cannot come back on its port
        }
        fs::remove_all(root());
        fs::create_directories(root());
        m_host.onProgress = [&](const Progress& progress) {
            if (progress.stage == Progress::Stage::Sending && progress.filesDone == 3 &&
                progress.bytesDone > 0) {
                if (row.killServer) {
                    m_ssh->kill();
                } else {
                    m_host.cancel = true;
                }
            }
        };
        const Result broken = publishNow();
        EXPECT_EQ(broken.failure,
                  row.killServer ? FailureKind::ConnectionLost : FailureKind::Cancelled)
            << broken.message;
        EXPECT_FALSE(broken.message.empty());
        EXPECT_NE(filesBelow(root()), filesOf(m_show, ShowSet));
        m_host.onProgress = nullptr;
        m_host.cancel = false;
        if (row.killServer) {
            ASSERT_EQ(m_ssh->relaunch(), "");
        }
        const Result result = publishNow();
        ASSERT_EQ(result.failure, FailureKind::None) << result.message;
        EXPECT_EQ(filesBelow(root()), filesOf(m_show, ShowSet)); // no temporary file either
        if (!row.killServer) {
            // What was up before "Abbrechen" is not sent again.
            EXPECT_EQ(result.filesSent, ShowSet.size() - broken.filesSent);
        }
    }
}

// Files on the server with their bytes, temporary files and the lock included, the record left
// out.
std::vector<std::string> leftovers(const fs::path& root) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".part") || name.starts_with(std::string(LockFolder))) {
            found.push_back(entry.path().lexically_relative(root).string());
        }
    }
    return sorted(found);
}

// Two publishes of two different shows into one folder at once, from two processes: one waits
// for the other or refuses, naming the folder; nothing is corrupted, and one normal publish
// afterwards leaves exactly the second show's files.
TEST_P(PublishToServer, TwoPublishesAtOnceCorruptNothing) {
    const fs::path other = m_temp / "zweite";
    makeShow(other);
    for (const std::string& path : ShowSet) {
        if (!path.ends_with(".html")) {
            writeFile(other / path, std::string(readFile(m_show / path).size(), 'z') + path);
        }
    }
    const std::string folder = parseTarget(address()).target->folder;
    for (const std::chrono::milliseconds wait :
         {std::chrono::milliseconds(0), std::chrono::milliseconds(60000)}) {
        SCOPED_TRACE(wait.count());
        const auto publishShow = [&](int i) {
            ScriptedHost host;
            PublishOptions options = this->options();
            options.showFolder = (i == 0 ? m_show : other).string();
            options.cacheFolder = (m_temp / ("cache" + std::to_string(i))).string();
            options.lockWait = wait;
            return publish(*parseTarget(address()).target, options, host);
        };
        // The second show from a process of its own, as from a second program or computer; it
        // tells how it went by its exit status.
        std::cout.flush();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const Result result = publishShow(1);
            const bool named = result.message.find("„" + folder + "“") != std::string::npos;
            if (result.failure != FailureKind::None &&
                (result.failure != FailureKind::Busy || !named || result.filesSent != 0)) {
                std::cerr << "second publish: " << result.message << std::endl;
            }
            ::_exit(result.failure == FailureKind::None                                     ? 0
                    : result.failure == FailureKind::Busy && named && result.filesSent == 0 ? 1
                                                                                            : 2);
        }
        const Result result = publishShow(0);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_NE(WEXITSTATUS(status), 2);
        int done = WEXITSTATUS(status) == 0 ? 1 : 0;
        done += result.failure == FailureKind::None ? 1 : 0;
        if (result.failure != FailureKind::None) {
            EXPECT_EQ(result.failure, FailureKind::Busy) << result.message;
            EXPECT_NE(result.message.find("„" + folder + "“"), std::string::npos) << result.message;
            EXPECT_EQ(result.filesSent, 0U);
        }
        // Without waiting, the second refuses unless the first was done before it began.
        EXPECT_GE(done, wait.count() == 0 ? 1 : 2);
        EXPECT_EQ(leftovers(root()), std::vector<std::string>());
    }
    PublishOptions options = this->options();
    options.showFolder = other.string();
    const Result result = publishWith(options);
    ASSERT_EQ(result.failure, FailureKind::None) << result.message;
    EXPECT_EQ(filesBelow(root()), filesOf(other, ShowSet));
}

// A lock is respected while its owner may still work, and taken over once it clearly is not.
TEST_P(PublishToServer, ALockIsTakenOverOnlyWhenClearlyStale) {
    const std::string folder = parseTarget(address()).target->folder;
    const LockOwner self = thisProcess("test-1-a");
    const auto owner = [&](std::string boot, std::int64_t pid, std::int64_t age) {
        LockOwner owner = self;
        owner.run = "anderer-2-b";
        owner.host = "anderer";
        owner.boot = std::move(boot);
        owner.pid = pid;
        owner.started = pid == ::getppid() ? startOf(pid) : "1";
        owner.renewed -= age;
        return lockText(owner);
    };
    const struct {
        const char* what;
        std::string lock; // the owner file's text
        FailureKind failure;
    } rows[] = {
        {"another computer, renewed a minute ago", owner("anders", 4711, 60), FailureKind::Busy},
        {"another process of this computer that runs", owner(self.boot, ::getppid(), 0),
         FailureKind::Busy},
        {"another computer, silent for 11 minutes", owner("anders", 4711, 660), FailureKind::None},
        {"a process of this computer that is gone", owner(self.boot, 999999999, 0),
         FailureKind::None},
        {"a lock without owner", "", FailureKind::None},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(root());
        writeFile(root() / std::string(LockFolder) / std::string(LockOwnerFile), row.lock);
        PublishOptions options = this->options();
        options.lockWait = std::chrono::milliseconds(500);
        const Result result = publishWith(options);
        EXPECT_EQ(result.failure, row.failure) << result.message;
        if (row.failure == FailureKind::None) {
            EXPECT_TRUE(filesBelow(root()) == filesOf(m_show, ShowSet));
            EXPECT_EQ(leftovers(root()), std::vector<std::string>());
        } else {
            EXPECT_NE(result.message.find("„" + folder + "“"), std::string::npos) << result.message;
            EXPECT_NE(result.message.find("anderer"), std::string::npos) << result.message;
            EXPECT_EQ(filesBelow(root()).size(), 1U); // the lock alone, as it was
        }
    }
}

// Adds count files in viele/ that the start page reaches; the whole set, sorted.
std::vector<std::string> withManyFiles(const fs::path& show, std::size_t count) {
    std::string index = readFile(show / "index.html");
    std::vector<std::string> set = ShowSet;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string path = "viele/bild" + std::to_string(i) + ".jpg";
        writeFile(show / path, std::string(20000 + i, static_cast<char>('a' + i % 26)));
        index += "<img src=\"" + path + "\">";
        set.push_back(path);
    }
    writeFile(show / "index.html", index);
    return sorted(set);
}

// Runs the publish in a process of its own, slowed a little, and kills it once half of the count
// files of viele/ have arrived below root; false when it ended before.
bool killedHalfWay(const fs::path& root, std::size_t count, ScriptedHost& host,
                   const std::function<Result()>& publish) {
    std::cout.flush();
    const pid_t child = ::fork();
    if (child == 0) {
        host.onProgress = [](const Progress&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        };
        ::_exit(publish().failure == FailureKind::None ? 0 : 1);
    }
    const auto arrived = [&] {
        std::size_t files = 0;
        std::error_code none;
        for (fs::directory_iterator entry(root / "viele", none), end; entry != end;
             entry.increment(none)) {
            files += entry->path().extension() == ".jpg" ? 1 : 0;
        }
        return files;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (child > 0 && arrived() < count / 2 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child > 0 && WIFSIGNALED(status);
}

// A publish killed at about half: the next one sends exactly what had not arrived, at most the
// missing files and those on their way, and removes the killed run's temporary files.
TEST_P(PublishToServer, AKilledPublishResumesWithWhatDidNotArrive) {
    const std::size_t count = m_ssh ? 300 : 40;
    const std::vector<std::string> set = withManyFiles(m_show, count);
    ASSERT_TRUE(killedHalfWay(root(), count, m_host, [&] { return publishNow(); }))
        << "the publish ended before it was killed";
    std::size_t correct = 0;
    std::size_t onTheirWay = 0;
    for (const auto& [path, bytes] : filesBelow(root())) {
        correct += fs::exists(m_show / path) && readFile(m_show / path) == bytes ? 1 : 0;
        onTheirWay += path.ends_with(".part") ? 1 : 0;
    }
    const Result result = publishNow();
    ASSERT_EQ(result.failure, FailureKind::None) << result.message;
    std::cout << "A publish of " << set.size() << " files killed with " << correct
              << " arrived and " << onTheirWay << " on their way: the next one sent "
              << result.filesSent << ".\n";
    EXPECT_EQ(result.filesSent, set.size() - correct);
    EXPECT_EQ(filesBelow(root()), filesOf(m_show, set));
    EXPECT_EQ(leftovers(root()), std::vector<std::string>());
}

// A socket at path: listed as a small entry, but no server opens it for reading.
bool makeSocket(const fs::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.string().size() >= sizeof address.sun_path) {
        return false;
    }
    std::copy_n(path.c_str(), path.string().size(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool made = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return made;
}

// What the server says is not trusted: a damaged line of the record costs that file alone, a
// line without time stamp deletes nothing, a temporary file nobody recorded stays, and a
// folder that is a link is never written through.
TEST_P(PublishToServer, WhatTheServerSaysIsNotTrusted) {
    const fs::path record = root() / std::string(RecordName);
    const auto replaceInRecord = [&](const std::string& line, const std::string& by) {
        std::string text = readFile(record);
        const std::size_t end = text.find(line);
        ASSERT_NE(end, std::string::npos) << line;
        const std::size_t start = text.rfind('\n', end) + 1;
        text.replace(start, text.find('\n', end) - start, by);
        writeFile(record, text);
    };
    const std::string foreign = "bilder/.bildertafel-fremd-1-abc-3.part";
    const std::string recorded = "bilder/.bildertafel-alt-2-def-4.part";
    fs::path elsewhere = m_temp / "anderswo";
    const struct {
        const char* what;
        std::function<void()> change;
        std::vector<std::string> sent;
        std::function<void(const Result&)> check;
    } rows[] = {
        {"a damaged line",
         [&] { replaceInRecord("\tminis/a.jpg", "kaputt\tminis/a.jpg"); },
         {"minis/a.jpg"},
         {}},
        {"a line without time stamp deletes nothing",
         [&] {
             writeFile(m_show / "index.html", readFile(m_show / "index.html") + " ");
             replaceInRecord("\tbilder/a.html",
                             std::string(64, '0') + "\t" +
                                 std::to_string(fs::file_size(root() / "bilder/a.html")) +
                                 "\t-\t-\tbilder/a.html");
             writeFile(m_show / "index.html",
                       "<a href=\"index_all.html\">Alle</a><img src=\"minis/a.jpg\">");
         },
         {"index.html"},
         [&](const Result&) { EXPECT_TRUE(fs::exists(root() / "bilder/a.html")); }},
        {"a temporary file nobody recorded stays, one of a recorded run goes",
         [&] {
             writeFile(root() / foreign, "fremd");
             writeFile(root() / recorded, "alt");
             std::string text = readFile(record);
             text.insert(text.find('\n') + 1, "Lauf\talt-2-def\n");
             writeFile(record, text);
         },
         {},
         [&](const Result&) {
             EXPECT_EQ(readFile(root() / foreign), "fremd");
             EXPECT_FALSE(fs::exists(root() / recorded));
             fs::remove(root() / foreign);
         }},
        {"a record that cannot be read",
         [&] {
             fs::remove(record);
             ASSERT_TRUE(makeSocket(record));
         },
         sorted({"bilder/a.jpg", "bilder/" + Latin1 + ".jpg", "index.html", "index_all.html",
                 "minis/a.jpg"}),
         [&](const Result& result) {
             ASSERT_EQ(result.warnings.size(), 1U) << result.message;
             EXPECT_NE(result.warnings[0].find("lässt sich nicht lesen"), std::string::npos)
                 << result.warnings[0];
             EXPECT_EQ(result.warnings[0].find("zu groß"), std::string::npos) << result.warnings[0];
         }},
        {"a record too large to read", [&] { fs::resize_file(record, RecordLimit + 1); },
         // What the start page of the row before reaches, all again.
         sorted({"bilder/a.jpg", "bilder/" + Latin1 + ".jpg", "index.html", "index_all.html",
                 "minis/a.jpg"}),
         [&](const Result& result) {
             ASSERT_EQ(result.warnings.size(), 1U);
             EXPECT_NE(result.warnings[0].find("zu groß"), std::string::npos);
         }},
        {"a folder that is a link",
         [&] {
             fs::create_directories(elsewhere);
             fs::remove_all(root() / "minis");
             fs::create_directory_symlink(elsewhere, root() / "minis");
             writeFile(m_show / "minis/a.jpg", "neu");
         },
         {},
         [&](const Result& result) {
             EXPECT_EQ(result.failure, FailureKind::LinkedFolder);
             EXPECT_NE(result.message.find("„minis“"), std::string::npos) << result.message;
             EXPECT_TRUE(fs::is_empty(elsewhere));
         }},
    };
    ASSERT_EQ(publishNow().failure, FailureKind::None);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        row.change();
        PublishOptions options = this->options();
        options.deleteUnneeded = true;
        const Result result = publishWith(options);
        if (row.check) {
            row.check(result);
        }
        if (result.failure == FailureKind::None) {
            EXPECT_EQ(pathsOf(result.plan.send), row.sent);
        }
        EXPECT_EQ(leftovers(root()), std::vector<std::string>());
    }
}

// Names a protocol cannot carry are found before anything is sent; the dry run lists them.
TEST_P(PublishToServer, NamesTheProtocolCannotCarryAreFoundBeforeSending) {
    const std::string odd = "minis/zwei\nZeilen.jpg";
    writeFile(m_show / odd, "z");
    writeFile(m_show / "index.html",
              readFile(m_show / "index.html") + "<img src=\"minis/zwei%0AZeilen.jpg\">");
    PublishOptions options = this->options();
    options.dryRun = true;
    const Result dry = publishWith(options);
    ASSERT_EQ(dry.failure, FailureKind::None) << dry.message;
    const Result result = publishNow();
    if (m_ssh) {
        EXPECT_TRUE(dry.plan.unsendable.empty());
        ASSERT_EQ(result.failure, FailureKind::None) << result.message;
        EXPECT_EQ(readFile(root() / odd), "z");
    } else {
        EXPECT_EQ(pathsOf(dry.plan.unsendable), std::vector<std::string>{odd});
        EXPECT_NE(dry.summary.find("Zeilenumbruch"), std::string::npos) << dry.summary;
        EXPECT_EQ(result.failure, FailureKind::PublishSet);
        EXPECT_NE(result.message.find("zwei\\nZeilen.jpg"), std::string::npos) << result.message;
        EXPECT_TRUE(fs::is_empty(root()));
    }
}

// A picture the server refuses stops the publish before any page goes up; what did arrive is
// known, so the next publish sends only the rest, and no temporary file stays.
TEST_P(PublishToServer, ARefusedPictureStopsThePublishBeforeThePages) {
    // A folder where a picture should go: the server cannot rename the picture onto it.
    fs::create_directories(root() / "bilder" / "a.jpg" / "belegt");
    const Result refused = publishNow();
    EXPECT_NE(refused.failure, FailureKind::None);
    EXPECT_FALSE(refused.message.empty());
    std::size_t arrived = 0;
    for (const auto& [path, bytes] : filesBelow(root())) {
        EXPECT_FALSE(path.ends_with(".html")) << path;
        arrived += runOfTemporaryName(fs::path(path).filename().string()) ? 0 : 1;
    }
    EXPECT_EQ(arrived, refused.filesSent);
    EXPECT_LT(refused.filesSent, 6U);
    // The pages already written in the meantime go again, and so does the lock.
    EXPECT_EQ(leftovers(root()), std::vector<std::string>());
    // The disk has room: the refusal names the picture and blames no full disk.
    EXPECT_NE(refused.message.find("bilder/a.jpg"), std::string::npos) << refused.message;
    EXPECT_EQ(refused.message.find("Speicherplatz"), std::string::npos) << refused.message;
    if (GetParam() == Kind::Ftps) {
        // The server's own refusal ("550 …") is the reason.
        EXPECT_NE(refused.message.find(" (55"), std::string::npos) << refused.message;
    }

    fs::remove_all(root() / "bilder" / "a.jpg");
    const Result completed = publishNow();
    ASSERT_EQ(completed.failure, FailureKind::None) << completed.message;
    EXPECT_EQ(completed.filesSent, ShowSet.size() - refused.filesSent);
    EXPECT_EQ(filesBelow(root()), filesOf(m_show, ShowSet));
}

// The record of a large show is sent from memory; a server ends the session on a single
// request of 256 KiB or more.
TEST_P(PublishToServer, ContentFromMemoryArrivesWholeAndReadsBack) {
    const Target target = *parseTarget(address()).target;
    const std::unique_ptr<Connection> connection = GetParam() == Kind::Sftp
                                                       ? connectSftp(target, options(), m_host)
                                                       : connectFtp(target, options());
    for (const std::size_t size : {std::size_t{0}, std::size_t{70000}, std::size_t{700000}}) {
        std::string content(size, 'r');
        for (std::size_t i = 0; i < size; i += 4096) {
            content[i] = static_cast<char>('a' + i / 4096 % 26);
        }
        connection->send(content, "neu/" + temporaryName("test-1-a", 7), "neu/gross", {});
        EXPECT_EQ(readFile(root() / "neu/gross"), content);
        EXPECT_EQ(connection->read("neu/gross"), content);
        EXPECT_FALSE(fs::exists(root() / ("neu/" + temporaryName("test-1-a", 7))));
    }
}

// The checksums of the show's files are remembered only in the cache folder the options name;
// without one, nothing is written below the home folder either.
TEST_P(PublishToServer, ChecksumsAreRememberedOnlyWhereTheOptionsSay) {
    const fs::path home = m_temp / "home";
    fs::create_directories(home);
    const std::string oldHome = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    ::setenv("HOME", home.c_str(), 1);
    ::unsetenv("XDG_CACHE_HOME");
    PublishOptions options = this->options();
    options.cacheFolder.clear();
    const Result result = publishWith(options);
    ::setenv("HOME", oldHome.c_str(), 1);
    ASSERT_EQ(result.failure, FailureKind::None) << result.message;
    EXPECT_EQ(test::listNames(home), "");
    EXPECT_FALSE(fs::exists(m_temp / "cache"));
}

// A server that stops answering in the middle of the sending ends the publish after the silence
// limit, not a library's own; the next publish completes the show.
TEST_P(PublishToServer, AServerFallingSilentEndsThePublishAfterTheSilenceLimit) {
    test::ServerProcess& server = m_ssh ? static_cast<test::ServerProcess&>(*m_ssh) : *m_ftps;
    PublishOptions options = this->options();
    options.silenceLimit = std::chrono::seconds(2);
    std::optional<std::chrono::steady_clock::time_point> paused;
    m_host.onProgress = [&](const Progress& progress) {
        if (progress.stage == Progress::Stage::Sending && progress.filesDone >= 3 && !paused) {
            server.pause();
            paused = std::chrono::steady_clock::now();
        }
    };
    const Result broken = publishWith(options);
    const auto ended = std::chrono::steady_clock::now();
    server.resume();
    ASSERT_TRUE(paused);
    EXPECT_EQ(broken.failure, FailureKind::Silent) << broken.message;
    EXPECT_NE(broken.message.find("antwortet nicht mehr"), std::string::npos) << broken.message;
    EXPECT_LT(ended - *paused, options.silenceLimit * 3);
    m_host.onProgress = nullptr;
    const Result result = publishNow();
    ASSERT_EQ(result.failure, FailureKind::None) << result.message;
    EXPECT_EQ(filesBelow(root()), filesOf(m_show, ShowSet));
}

INSTANTIATE_TEST_SUITE_P(Protocols, PublishToServer, ::testing::Values(Kind::Sftp, Kind::Ftps),
                         [](const auto& info) {
                             return info.param == Kind::Sftp ? "Sftp" : "Ftps";
                         });

// Trust and credentials: each refusal comes before anything is sent.
class PublishRefused : public PublishToServer {};

class PublishTrust : public PublishToServer {};

TEST_P(PublishTrust, ServerKeysAreAskedOrRefused) {
    test::TempDir other;
    ASSERT_TRUE(test::runQuietly("ssh-keygen -q -t ed25519 -N '' -f " + (other / "k").string()));
    const std::string otherKey = readFile(other / "k.pub");
    const std::string changed = "[127.0.0.1]:" + std::to_string(m_ssh->port()) + " " +
                                otherKey.substr(0, otherKey.rfind(' ')) + "\n";
    const struct {
        const char* what;
        std::string knownHosts;
        bool accept;
        FailureKind failure;
        std::size_t asked;
        bool learned; // the server's key is in the file afterwards
    } rows[] = {
        {"unknown, declined", "", false, FailureKind::HostKeyNotConfirmed, 1, false},
        {"unknown, accepted", "", true, FailureKind::None, 1, true},
        {"known", m_ssh->knownHostsLine(), false, FailureKind::None, 0, true},
        {"changed", changed, true, FailureKind::HostKeyChanged, 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(root());
        fs::create_directories(root());
        writeFile(m_ssh->knownHosts(), row.knownHosts);
        m_host.questions.clear();
        m_host.acceptKey = row.accept;
        const Result result = publishNow();
        EXPECT_EQ(result.failure, row.failure) << result.message;
        ASSERT_EQ(m_host.questions.size(), row.asked);
        if (row.asked == 1) {
            EXPECT_NE(m_host.questions[0].find("SHA256:"), std::string::npos);
        }
        const std::string known = readFile(m_ssh->knownHosts());
        EXPECT_EQ(known.find(m_ssh->knownHostsLine().substr(m_ssh->knownHostsLine().find(' '))) !=
                      std::string::npos,
                  row.learned);
        EXPECT_EQ(filesBelow(root()).empty(), row.failure != FailureKind::None);
    }
}

TEST_P(PublishRefused, WrongCredentialsAndUntrustedServersSendNothing) {
    test::TempDir stranger;
    ASSERT_TRUE(test::runQuietly("ssh-keygen -q -t ed25519 -N '' -f " +
                                 (stranger / "id_ed25519").string()));
    const std::string host = "127.0.0.1:" + std::to_string(m_ssh ? m_ssh->port() : m_ftps->port());
    const struct {
        const char* what;
        Kind kind;
        std::function<void(PublishOptions&)> change;
        std::string address; // empty: the server's
        FailureKind failure;
        const char* says;
    } rows[] = {
        {"a key the server does not know", Kind::Sftp,
         [&](PublishOptions& o) { o.sshFolder = stranger.path().string(); }, "", FailureKind::Login,
         "keinen der SSH-Schlüssel"},
        {"a wrong password", Kind::Ftps, [](PublishOptions& o) { o.password = "falsch"; }, "",
         FailureKind::Login, "Bitte Benutzername und Passwort prüfen."},
        {"a certificate that does not verify", Kind::Ftps,
         [&](PublishOptions& o) { o.caFile = m_ftps->otherCaFile().string(); }, "",
         FailureKind::Certificate, "Das Zertifikat des Servers „127.0.0.1“"},
        {"plain FTP declined", Kind::Ftps, [](PublishOptions&) {}, "ftp://bild@" + host + "/www",
         FailureKind::FtpNotConfirmed, "nicht bestätigt"},
        {"a host that does not exist", Kind::Ftps, [](PublishOptions&) {},
         "ftps://bild@host.invalid/www", FailureKind::HostUnknown,
         "Den Server „host.invalid“ gibt es nicht."},
        {"a closed port", Kind::Sftp, [](PublishOptions&) {}, "sftp://u@127.0.0.1:1/www",
         FailureKind::NoRoute, "auf Port 1 nicht erreichbar"},
        {"an ftps:// address at an SSH server", Kind::Sftp, [](PublishOptions&) {},
         "ftps://u@" + host + "/www", FailureKind::SshAtFtpPort, "antwortet ein SSH-Server"},
    };
    for (const auto& row : rows) {
        if (row.kind != GetParam()) {
            continue;
        }
        SCOPED_TRACE(row.what);
        PublishOptions options = this->options();
        row.change(options);
        const auto started = std::chrono::steady_clock::now();
        const Result result = publishWith(options, row.address);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
        EXPECT_EQ(result.failure, row.failure) << result.message;
        EXPECT_NE(result.message.find(row.says), std::string::npos) << result.message;
        EXPECT_TRUE(filesBelow(root()).empty());
    }
}

// The SFTP side of this server passes everything to OpenSSH's sftp-server, but offers none of its
// extensions while the file bare exists, tells no free space while the file full exists, gives
// at most 1000 bytes for any read while the file short exists, answers a removal with "permission
// denied" while the file deny-removal exists; and once the channel has carried as
// many writes as the file stall-after says (or at the first names of a folder when it says
// "names"), it sends the first three bytes of the next reply, leaves the file stalled, and says
// nothing more. While the file reorder exists it holds each reply back until the next one has
// gone (or 50 ms have passed); the file stray says after how many replies it sends one more, to
// an id never asked for; the file twice, after how many it sends that reply again.
const char* const StallingSftp = R"(import os, select, subprocess, sys, threading, time
folder = sys.argv[1]
def number(name):
    try:
        return int(open(folder + '/' + name).read())
    except (OSError, ValueError):
        return 0
stray = number('stray')
twice = number('twice')
reorder = os.path.exists(folder + '/reorder')
held = b''
replies = 0
try:
    stall = open(folder + '/stall-after').read()
except OSError:
    stall = ''
after = int(stall) if stall.isdigit() else 0
server = subprocess.Popen(['/usr/lib/openssh/sftp-server'], stdin=subprocess.PIPE,
                          stdout=subprocess.PIPE, bufsize=0)
writes = 0
page_renamed = False
removals = set()
owners = set()
def put(fd, data):
    while data:
        data = data[os.write(fd, data):]
def forward():
    global writes, page_renamed
    pending = b''
    while True:
        data = os.read(0, 65536)
        if not data:
            server.kill()
            server.wait()
            os._exit(0)
        pending += data
        while len(pending) >= 5 and len(pending) >= 4 + int.from_bytes(pending[:4], 'big'):
            writes += pending[4] == 6
            if pending[4] == 13:
                removals.add(pending[5:9])
            if pending[4] in (18, 200) and b'.html' in pending[:4 + int.from_bytes(pending[:4], 'big')]:
                page_renamed = True
            if pending[4] == 3 and b'-sperre/' in pending[:4 + int.from_bytes(pending[:4], 'big')]:
                owners.add(pending[5:9])
            pending = pending[4 + int.from_bytes(pending[:4], 'big'):]
        put(server.stdin.fileno(), data)
threading.Thread(target=forward, daemon=True).start()
def exactly(size):
    data = b''
    while len(data) < size:
        more = os.read(server.stdout.fileno(), size - len(data))
        if not more:
            server.wait()
            os._exit(0)
        data += more
    return data
while True:
    if held and not select.select([server.stdout], [], [], 0.05)[0]:
        put(1, held)
        held = b''
    head = exactly(4)
    body = exactly(int.from_bytes(head, 'big'))
    if body[0] == 2 and os.path.exists(folder + '/bare'):
        body = body[:5]
        head = len(body).to_bytes(4, 'big')
    if body[0] == 201 and len(body) == 93 and os.path.exists(folder + '/full'):
        body = body[:29] + bytes(16) + body[45:] # free blocks, and those for the user
    if body[0] == 102 and body[1:5] in owners and os.path.exists(folder + '/deny-owner'):
        body = bytes([101]) + body[1:5] + (3).to_bytes(4, 'big') + bytes(8)
        head = len(body).to_bytes(4, 'big')
    if body[0] == 101 and body[1:5] in removals and os.path.exists(folder + '/deny-removal'):
        body = body[:5] + (3).to_bytes(4, 'big') + body[9:]
    if body[0] == 103 and os.path.exists(folder + '/short'):
        keep = min(int.from_bytes(body[5:9], 'big'), 1000)
        body = body[:5] + keep.to_bytes(4, 'big') + body[9:9 + keep]
        head = len(body).to_bytes(4, 'big')
    if ((after and writes >= after) or (stall == 'names' and body[0] == 104)
            or (stall == 'page-renamed' and page_renamed)):
        put(1, head + body[:3])
        open(folder + '/stalled', 'w').close()
        while True:
            time.sleep(60)
    replies += body[0] > 100
    if stray and replies == stray:
        put(1, (17).to_bytes(4, 'big') + bytes([101]) + (0x7ffffff0).to_bytes(4, 'big') + bytes(12))
    if twice and replies == twice:
        put(1, head + body)
    if reorder and body[0] > 100:
        put(1, head + body + held if held else b'')
        held = b'' if held else head + body
        continue
    put(1, head + body)
)";

class PublishToScriptedServer : public PublishToServer {
protected:
    void SetUp() override {
        ::unsetenv("SSH_AUTH_SOCK");
        makeShow(m_show);
        BILDERTAFEL_NEEDS_SERVER(!test::SshServer::missing().empty() ||
                                         ::access("/usr/bin/python3", X_OK) != 0 ||
                                         ::access("/usr/lib/openssh/sftp-server", X_OK) != 0
                                     ? "sshd, sftp-server oder python3 fehlt"
                                     : "");
        writeFile(m_temp / "stall.py", StallingSftp);
        m_ssh = std::make_unique<test::SshServer>();
        ASSERT_EQ(m_ssh->launch("/usr/bin/python3 " + (m_temp / "stall.py").string() + " " +
                                m_temp.path().string()),
                  "");
    }
};

// A server that stops in the middle of a reply ends the publish, by the silence limit or by
// "Abbrechen"; what it confirmed before stays recorded, so the next publish sends the rest, less
// what the server did without saying so (known by the time the record gave it).
TEST_P(PublishToScriptedServer, AServerFallingSilentMidReplyEndsThePublish) {
    using namespace std::chrono_literals;
    const struct {
        const char* what;
        const char* stallAfter; // writes on one channel
        std::chrono::milliseconds limit;
        bool cancel;
        FailureKind failure;
        const char* says;
        std::size_t sent;
        std::size_t again; // sent by the next publish
    } rows[] = {
        // The pages' renames, which go once the six pictures have their names: the pictures
        // are up, the three pages without the start page too, unconfirmed.
        {"silent amid the pages", "page-renamed", 2s, false, FailureKind::Silent,
         "antwortet nicht mehr", 6, 1},
        {"Abbrechen amid the pages", "page-renamed", 60s, true, FailureKind::Cancelled,
         "Abgebrochen", 6, 1},
        // The record's first write, before any picture.
        {"silent in the record", "2", 2s, false, FailureKind::Silent, "antwortet nicht mehr", 0,
         ShowSet.size()},
        // Comparing, before anything is sent.
        {"silent while the folders are read", "names", 2s, false, FailureKind::Silent,
         "antwortet nicht mehr", 0, ShowSet.size()},
        {"Abbrechen while the folders are read", "names", 60s, true, FailureKind::Cancelled,
         "Abgebrochen", 0, ShowSet.size()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(root());
        fs::create_directories(root());
        fs::remove(m_temp / "stalled");
        writeFile(m_temp / "stall-after", row.stallAfter);
        m_host.cancelWhen = [&] { return row.cancel && fs::exists(m_temp / "stalled"); };
        PublishOptions options = this->options();
        options.silenceLimit = row.limit;
        const auto started = std::chrono::steady_clock::now();
        const Result broken = publishWith(options);
        EXPECT_LT(std::chrono::steady_clock::now() - started, 20s);
        EXPECT_TRUE(fs::exists(m_temp / "stalled")) << broken.message;
        EXPECT_EQ(broken.failure, row.failure) << broken.message;
        EXPECT_NE(broken.message.find(row.says), std::string::npos) << broken.message;
        EXPECT_EQ(broken.filesSent, row.sent);

        m_host.cancelWhen = nullptr;
        fs::remove(m_temp / "stall-after");
        const Result result = publishNow();
        ASSERT_EQ(result.failure, FailureKind::None) << result.message;
        EXPECT_EQ(result.filesSent, row.again);
        EXPECT_EQ(filesBelow(root()), filesOf(m_show, ShowSet));
        EXPECT_EQ(leftovers(root()), std::vector<std::string>());
    }
}

// A folder where a picture should go: the server refuses without a reason, and only its free
// space says whether the disk is full.
// A server that answers every read with fewer bytes than asked for still gives the whole file.
TEST_P(PublishToScriptedServer, ShortReadsAreAskedOnUntilTheEnd) {
    writeFile(m_temp / "short", "");
    std::string bytes(200001, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 7919 >> 8);
    }
    writeFile(root() / "datei", bytes);
    const TargetParse target = parseTarget(address());
    ASSERT_TRUE(target.target) << target.error;
    const std::optional<std::string> read =
        connectSftp(*target.target, options(), m_host)->read("datei");
    ASSERT_TRUE(read);
    EXPECT_TRUE(*read == bytes);
}

// A removal the server refuses ends the publish with the file named; the next one finishes.
TEST_P(PublishToScriptedServer, ARefusedRemovalIsNamedAndTheNextPublishFinishes) {
    ASSERT_EQ(publishNow().failure, FailureKind::None);
    writeFile(m_show / "index.html", "<a href=\"index_all.html\">Alle</a>");
    PublishOptions options = this->options();
    options.deleteUnneeded = true;
    writeFile(m_temp / "deny-removal", "");
    const Result refused = publishWith(options);
    EXPECT_EQ(refused.failure, FailureKind::PermissionDenied) << refused.message;
    EXPECT_NE(refused.message.find("lässt sich auf dem Server nicht löschen"), std::string::npos)
        << refused.message;
    fs::remove(m_temp / "deny-removal");
    const Result result = publishWith(options);
    ASSERT_EQ(result.failure, FailureKind::None) << result.message;
    EXPECT_EQ(filesBelow(root()), filesOf(m_show, {"bilder/a.jpg", "bilder/" + Latin1 + ".jpg",
                                                   "index.html", "index_all.html"}));
}

// A lock whose owner the server will not let be written, while the publish already reads what
// is there, ends the publish before anything is sent; the lock goes again.
TEST_P(PublishToScriptedServer, ALockOwnerRefusedEndsThePublishBeforeAnythingIsSent) {
    writeFile(m_temp / "deny-owner", "");
    const Result refused = publishNow();
    EXPECT_EQ(refused.failure, FailureKind::PermissionDenied) << refused.message;
    EXPECT_EQ(refused.filesSent, 0U);
    EXPECT_EQ(filesBelow(root()), (std::map<std::string, std::string>()));
    EXPECT_EQ(leftovers(root()), std::vector<std::string>());
    fs::remove(m_temp / "deny-owner");
    const Result result = publishNow();
    ASSERT_EQ(result.failure, FailureKind::None) << result.message;
    EXPECT_EQ(filesBelow(root()), filesOf(m_show, ShowSet));
    EXPECT_EQ(leftovers(root()), std::vector<std::string>());
}

// Replies may come in any order; a reply to a request never made, or made and answered already,
// ends the publish as a broken protocol, with no half file under a final name.
TEST_P(PublishToScriptedServer, RepliesAreMatchedByTheirIdsOnly) {
    const struct {
        const char* file;
        const char* content;
        FailureKind failure;
    } rows[] = {
        {"reorder", "", FailureKind::None},
        {"stray", "12", FailureKind::ProtocolViolation},
        {"twice", "12", FailureKind::ProtocolViolation},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        fs::remove_all(root());
        fs::create_directories(root());
        writeFile(m_temp / row.file, row.content);
        const Result result = publishNow();
        fs::remove(m_temp / row.file);
        EXPECT_EQ(result.failure, row.failure) << result.message;
        if (row.failure != FailureKind::None) {
            EXPECT_NE(result.message.find("SFTP-Protokoll"), std::string::npos) << result.message;
        }
        const auto sent = filesBelow(root());
        const auto whole = filesOf(m_show, ShowSet);
        for (const auto& [path, bytes] : sent) {
            if (path.find("bildertafel") == std::string::npos) {
                EXPECT_EQ(whole.count(path) == 1 && whole.at(path) == bytes, true) << path;
            }
        }
        ASSERT_EQ(publishNow().failure, FailureKind::None);
        EXPECT_EQ(filesBelow(root()), whole);
    }
}

TEST_P(PublishToScriptedServer, AGenericRefusalIsCalledAFullDiskOnlyWhenTheSpaceSaysSo) {
    const struct {
        const char* server;
        FailureKind failure;
        std::vector<std::string> named;
    } rows[] = {
        {"full", FailureKind::DiskFull, {"bilder/a.jpg", "Speicherplatz auf dem Server ist voll"}},
        {"bare", FailureKind::RefusedWithoutWhy, {"bilder/a.jpg", "Speicherplatz", "Ordner"}},
    };
    fs::create_directories(root() / "bilder" / "a.jpg" / "belegt");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.server);
        writeFile(m_temp / row.server, "");
        const Result refused = publishNow();
        fs::remove(m_temp / row.server);
        EXPECT_EQ(refused.failure, row.failure) << refused.message;
        for (const std::string& named : row.named) {
            EXPECT_NE(refused.message.find(named), std::string::npos) << refused.message;
        }
    }
}

using test::ScopedEnvironment;

class PublishAsSsh : public PublishToServer {};

// The host is found and logged into as ssh does it: ~/.ssh/config of the home, a key file
// chosen with its passphrase asked, an agent the desktop started after the program.
TEST_P(PublishAsSsh, HostsKeysAndAgentsAreFoundAsSshFindsThem) {
    const fs::path home = m_temp / "home";
    const fs::path noKeys = m_temp / "ohne-schluessel";
    fs::create_directories(noKeys);
    const fs::path locked = m_temp / "geschuetzt";
    ASSERT_TRUE(test::runQuietly("ssh-keygen -q -t ed25519 -N geheim -f " + locked.string()));
    std::ofstream(m_ssh->authorizedKeys(), std::ios::app) << readFile(locked.string() + ".pub");
    const fs::path strangers = m_temp / "fremde";
    fs::create_directories(strangers);
    const fs::path stranger = strangers / "id_ed25519";
    ASSERT_TRUE(test::runQuietly("ssh-keygen -q -t ed25519 -N '' -f " + stranger.string()));
    const char* user = std::getenv("USER");
    writeFile(home / ".ssh/config", "Host bildserver\n  HostName 127.0.0.1\n  Port " +
                                        std::to_string(m_ssh->port()) + "\n  User " +
                                        (user != nullptr ? user : "root") + "\n  IdentityFile " +
                                        (m_ssh->sshFolder() / "id_ed25519").string() + "\n");
    writeFile(home / ".ssh/known_hosts", m_ssh->knownHostsLine());
    const fs::path runtime = m_temp / "laufzeit";
    fs::create_directories(runtime);
    const struct {
        const char* what;
        std::string address;
        bool home; // the test's home and its .ssh, no known hosts file given
        std::string keyFile;
        std::vector<std::string> passphrases;
        bool agent; // an agent with the test's key listens where the desktop puts it
        FailureKind failure;
        int asked;
        std::string says;
    } rows[] = {
        {"a Host alias",
         "sftp://bildserver" + root().string(),
         true,
         "",
         {},
         false,
         FailureKind::None,
         0,
         ""},
        {"an alias without ssh's configuration",
         "sftp://bildserver" + root().string(),
         false,
         "",
         {},
         false,
         FailureKind::HostUnknown,
         0,
         "bildserver"},
        {"a key file, the passphrase right the second time",
         "",
         false,
         locked.string(),
         {"falsch", "geheim"},
         false,
         FailureKind::None,
         2,
         ""},
        {"a key file, no passphrase given",
         "",
         false,
         locked.string(),
         {},
         false,
         FailureKind::KeyDeclined,
         1,
         locked.string()},
        {"a key file the server does not know",
         "",
         false,
         stranger.string(),
         {},
         false,
         FailureKind::Login,
         0,
         stranger.string()},
        {"no key file, the keys tried named",
         "",
         false,
         "",
         {},
         false,
         FailureKind::Login,
         0,
         stranger.string()},
        {"an agent started after the program", "", false, "", {}, true, FailureKind::None, 0, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(root());
        fs::create_directories(root());
        const ScopedEnvironment homeSet("HOME", row.home ? home.c_str() : noKeys.c_str());
        pid_t agent = 0;
        if (row.agent) {
            const fs::path socket = runtime / "ssh-agent.socket";
            ASSERT_TRUE(test::runQuietly("ssh-agent -s -a " + socket.string() + " > " +
                                         (m_temp / "agent").string()));
            const std::string said = readFile(m_temp / "agent");
            agent = std::atoi(said.c_str() + said.find("SSH_AGENT_PID=") + 14);
            ASSERT_TRUE(test::runQuietly("SSH_AUTH_SOCK=" + socket.string() + " ssh-add " +
                                         (m_ssh->sshFolder() / "id_ed25519").string()));
        }
        PublishOptions options = this->options();
        if (row.home) {
            // As the window and the batch command name it for that home.
            options.sshFolder = (home / ".ssh").string();
            options.knownHostsPath.clear();
        } else {
            options.sshFolder = (row.keyFile.empty() && !row.agent ? strangers : noKeys).string();
        }
        options.keyFile = row.keyFile;
        options.agentSockets = sshAgentSockets("", runtime.string());
        m_host.passphrases = row.passphrases;
        m_host.passphraseQuestions = 0;
        const Result result = publishWith(options, row.address);
        if (agent > 0) {
            ::kill(agent, SIGTERM);
        }
        EXPECT_EQ(result.failure, row.failure) << result.message;
        EXPECT_EQ(m_host.passphraseQuestions, row.asked);
        EXPECT_NE(result.message.find(row.says), std::string::npos) << result.message;
        EXPECT_EQ(filesBelow(root()).empty(), row.failure != FailureKind::None);
    }
}

// A large batch goes on several channels where the server allows them, and whole on the one
// where it allows one only (sshd's MaxSessions 1).
TEST(PublishOnChannels, ALargeShowArrivesWholeOnOneChannelOrSeveral) {
    BILDERTAFEL_NEEDS_SERVER(test::SshServer::missing());
    ::unsetenv("SSH_AUTH_SOCK");
    test::TempDir temp;
    const fs::path show = temp / "show";
    std::string page;
    for (int i = 0; i < 12; ++i) {
        const std::string name = "bilder/b" + std::to_string(i) + ".jpg";
        std::string bytes(std::size_t{512} * 1024, static_cast<char>('a' + i));
        bytes += name;
        writeFile(show / name, bytes);
        page += "<img src=\"" + name + "\">";
    }
    writeFile(show / "index.html", page);
    for (const char* sshdConfig : {"", "MaxSessions 1\n"}) {
        SCOPED_TRACE(sshdConfig);
        test::SshServer server;
        ASSERT_EQ(server.launch("internal-sftp", sshdConfig), "");
        PublishOptions options;
        options.showFolder = show.string();
        options.startPage = "index.html";
        options.cacheFolder = (temp / "cache").string();
        options.knownHostsPath = server.knownHosts().string();
        options.sshFolder = server.sshFolder().string();
        fs::remove_all(temp / "cache");
        ScriptedHost host;
        const TargetParse target = parseTarget(server.address());
        ASSERT_TRUE(target.target);
        const Result result = publish(*target.target, options, host);
        ASSERT_EQ(result.failure, FailureKind::None) << result.message;
        EXPECT_EQ(result.filesSent, 13U);
        EXPECT_TRUE(filesBelow(server.root()) == filesBelow(show));
    }
}

INSTANTIATE_TEST_SUITE_P(Ssh, PublishAsSsh, ::testing::Values(Kind::Sftp),
                         [](const auto&) { return "Sftp"; });
INSTANTIATE_TEST_SUITE_P(Ssh, PublishToScriptedServer, ::testing::Values(Kind::Sftp),
                         [](const auto&) { return "Sftp"; });
INSTANTIATE_TEST_SUITE_P(Ssh, PublishTrust, ::testing::Values(Kind::Sftp),
                         [](const auto&) { return "Sftp"; });
INSTANTIATE_TEST_SUITE_P(Protocols, PublishRefused, ::testing::Values(Kind::Sftp, Kind::Ftps),
                         [](const auto& info) {
                             return info.param == Kind::Sftp ? "Sftp" : "Ftps";
                         });

// vsftpd refuses a data connection that does not resume its control connection's TLS session,
// as many hosting servers do; the files go several at once, each connection with its own. A
// server that takes fewer connections than the publish would open gets all files over the ones
// it took.
TEST(PublishToVsftpd, SendsWithTlsSessionReuseRequired) {
    BILDERTAFEL_NEEDS_SERVER(test::VsftpdServer::missing());
    const struct {
        int connections;               // that the server takes from one address
        std::vector<std::size_t> sent; // by each publish in turn
    } rows[] = {{200, {ShowSet.size(), 0}}, {3, {ShowSet.size()}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.connections);
        test::TempDir temp;
        makeShow(temp / "show");
        test::VsftpdServer server;
        ASSERT_EQ(server.launch(row.connections), "");
        PublishOptions options;
        options.showFolder = (temp / "show").string();
        options.startPage = "index.html";
        options.cacheFolder = (temp / "cache").string();
        options.caFile = server.caFile().string();
        ScriptedHost host;
        const Target target = *parseTarget(server.address()).target;
        for (const std::size_t sent : row.sent) {
            const Result result = publish(target, options, host);
            ASSERT_EQ(result.failure, FailureKind::None) << result.message;
            EXPECT_EQ(result.filesSent, sent);
            EXPECT_EQ(filesBelow(server.root()), filesOf(temp / "show", ShowSet));
        }
    }
}

// A server that speaks TLS 1.3 only is reached too, though TLS 1.2 is asked for first.
TEST(PublishOverTls13, AServerWithoutTls12GetsTheShow) {
    BILDERTAFEL_NEEDS_SERVER(test::FtpsServer::missing());
    test::TempDir temp;
    makeShow(temp / "show");
    test::FtpsServer server;
    ASSERT_EQ(server.launch(true), "");
    PublishOptions options;
    options.showFolder = (temp / "show").string();
    options.startPage = "index.html";
    options.cacheFolder = (temp / "cache").string();
    options.caFile = server.caFile().string();
    options.password = "geheim";
    ScriptedHost host;
    const Result result = publish(*parseTarget(server.address()).target, options, host);
    ASSERT_EQ(result.failure, FailureKind::None) << result.message;
    EXPECT_EQ(filesBelow(server.root()), filesOf(temp / "show", ShowSet));
}

// The heap in use now; under AddressSanitizer without the freed memory it keeps back for a while.
std::size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

// The memory the process has resident now.
std::size_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    std::size_t resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

// Opens the write end of a named pipe after a while, so that a reader waiting for it goes on: a
// publish that waits for the pipe shows in its time instead of waiting for ever.
class PipeRelease {
public:
    explicit PipeRelease(const fs::path& pipe)
        : m_thread([this, pipe] {
              const auto from = std::chrono::steady_clock::now() + std::chrono::seconds(8);
              while (!m_stop) {
                  if (std::chrono::steady_clock::now() >= from) {
                      const int fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                      if (fd >= 0) {
                          ::close(fd);
                      }
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(100));
              }
          }) {}
    ~PipeRelease() {
        m_stop = true;
        m_thread.join();
    }
    PipeRelease(const PipeRelease&) = delete;
    PipeRelease& operator=(const PipeRelease&) = delete;

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// True when the file holds exactly size bytes, all zero.
bool allZeros(const fs::path& file, std::uint64_t size) {
    std::ifstream in(file, std::ios::binary);
    std::vector<char> piece(std::size_t{1} << 20);
    std::uint64_t read = 0;
    while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
        const auto got = static_cast<std::size_t>(in.gcount());
        if (std::any_of(piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(got),
                        [](char c) { return c != 0; })) {
            return false;
        }
        read += got;
    }
    return read == size;
}

// One server of its kind, started for one row of the table below, and a show to publish.
class Trial {
public:
    enum class Server { Sftp, Ftps, Vsftpd };

    explicit Trial(Server server) : m_server(server) {}

    // Empty when the server runs, else why it cannot; rootLimit: see ServerProcess::limitRoot().
    std::string start(std::uint64_t rootLimit) {
        if (rootLimit > 0) {
            if (std::string whyNot = test::smallRootMissing(); !whyNot.empty()) {
                return whyNot;
            }
        }
        switch (m_server) {
        case Server::Sftp:
            return launch(m_ssh, rootLimit);
        case Server::Ftps:
            return launch(m_ftps, rootLimit);
        case Server::Vsftpd:
            return launch(m_vsftpd, rootLimit);
        }
        return {};
    }

    fs::path root() const {
        return m_ssh ? m_ssh->root() : m_ftps ? m_ftps->root() : m_vsftpd->root();
    }

    PublishOptions options() const {
        return optionsFor(show, temp / "cache", m_ssh.get(), m_ftps.get(), m_vsftpd.get());
    }

    Result publish(const PublishOptions& options) {
        const std::string address = m_ssh    ? m_ssh->address()
                                    : m_ftps ? m_ftps->address()
                                             : m_vsftpd->address();
        const auto started = std::chrono::steady_clock::now();
        Result result = bildertafel::publish::publish(*parseTarget(address).target, options, host);
        // What each publish of a case did, for whoever reads the test's output.
        std::cout
            << "  "
            << std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count()
            << " s, " << result.filesSent
            << " sent: " << (result.message.empty() ? "ohne Meldung" : result.message) << "\n";
        return result;
    }
    Result publish() { return publish(options()); }

    test::TempDir temp;
    fs::path show = temp / "show";
    ScriptedHost host;

private:
    template <typename Kind>
    static std::string launch(std::unique_ptr<Kind>& server, std::uint64_t rootLimit) {
        if (std::string whyNot = Kind::missing(); !whyNot.empty()) {
            return whyNot;
        }
        server = std::make_unique<Kind>();
        server->limitRoot(rootLimit);
        return server->launch();
    }

    Server m_server;
    std::unique_ptr<test::SshServer> m_ssh;
    std::unique_ptr<test::FtpsServer> m_ftps;
    std::unique_ptr<test::VsftpdServer> m_vsftpd;
};

// The time a publish takes, and its result.
std::pair<Result, std::chrono::steady_clock::duration> timed(Trial& trial,
                                                             const PublishOptions& options) {
    const auto started = std::chrono::steady_clock::now();
    Result result = trial.publish(options);
    return {std::move(result), std::chrono::steady_clock::now() - started};
}

// A FIFO where a key file is looked for: refused in German at once, nothing waits for it.
void refusesAPipeAsKey(Trial& trial, const fs::path& pipe, const PublishOptions& options) {
    makeShow(trial.show);
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const PipeRelease release(pipe);
    const auto [result, took] = timed(trial, options);
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_NE(result.failure, FailureKind::None);
    EXPECT_NE(result.message.find("„" + pipe.string() + "“"), std::string::npos) << result.message;
    EXPECT_NE(result.message.find("keine gewöhnliche Datei"), std::string::npos) << result.message;
    EXPECT_TRUE(filesBelow(trial.root()).empty());
}

// Sets or clears the flag that keeps even root from removing or changing a file; false when the
// file system has no such flag.
bool setImmutable(const fs::path& file, bool on) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    int flags = 0;
    bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return done;
}

// A publish of many files, killed at about half: the next one sends what the record does not name
// as arrived, and that is at most the files missing on the server and those that had arrived
// since the record was last written, a step of a few dozen files.
void resumesAfterAKill(Trial& trial) {
    makeShow(trial.show);
    constexpr std::size_t Count = 300;
    const std::vector<std::string> set = withManyFiles(trial.show, Count);
    ASSERT_TRUE(killedHalfWay(trial.root(), Count, trial.host, [&] { return trial.publish(); }))
        << "the publish ended before it was killed";
    std::size_t correct = 0;
    std::set<std::string> intact;
    for (const auto& [path, bytes] : filesBelow(trial.root())) {
        if (fs::exists(trial.show / path) && readFile(trial.show / path) == bytes) {
            ++correct;
            intact.insert(path);
        }
    }
    std::size_t recorded = 0;
    const Record record =
        parseRecord(readFile(trial.root() / std::string(RecordName))).value_or(Record());
    for (const auto& [path, entry] : record.files) {
        recorded += !entry.stamp.empty() && intact.contains(path) ? 1 : 0;
    }
    const Result result = trial.publish();
    ASSERT_EQ(result.failure, FailureKind::None) << result.message;
    std::cout << "A publish of " << set.size() << " files killed with " << correct << " arrived, "
              << recorded << " of them recorded: the next one sent " << result.filesSent << ".\n";
    EXPECT_EQ(result.filesSent, set.size() - recorded);
    EXPECT_LE(result.filesSent, set.size() - correct + 64);
    EXPECT_TRUE(filesBelow(trial.root()) == filesOf(trial.show, set));
}

// Tried as an attacker and as a careless user would, against the real servers: each row sets up
// one case on the servers it names and says what must hold.
TEST(PublishTried, AttacksAndMistakesTouchNothingOutsideTheShow) {
    using Server = Trial::Server;
    using namespace std::chrono_literals;
    const auto lockWait = [](Trial& trial) {
        PublishOptions options = trial.options();
        options.lockWait = 500ms;
        return options;
    };
    const struct {
        const char* what;
        std::vector<Server> servers;
        std::uint64_t rootLimit; // bytes; 0: the server's root on the machine's disk
        std::function<void(Trial&)> run;
    } rows[] = {
        {"a lock that is a link to a folder with files",
         {Server::Sftp, Server::Ftps},
         0,
         [&](Trial& trial) {
             makeShow(trial.show);
             const fs::path foreign = trial.temp / "fremd";
             for (const char* name : {"brief.txt", "foto.jpg", "steuer.pdf"}) {
                 writeFile(foreign / name, std::string("fremd: ") + name);
             }
             const std::string before = test::treeOf(foreign);
             const fs::path lock = trial.root() / std::string(LockFolder);
             fs::create_directory_symlink(foreign, lock);
             const Result result = trial.publish(lockWait(trial));
             EXPECT_NE(result.failure, FailureKind::None);
             EXPECT_NE(result.message.find("symbolischer Verweis"), std::string::npos)
                 << result.message;
             EXPECT_EQ(test::treeOf(foreign), before);
             std::error_code none;
             EXPECT_EQ(fs::read_symlink(lock, none), foreign);
             EXPECT_FALSE(fs::exists(trial.root() / "index.html"));
         }},
        {"a folder of the show swapped for a link after the plan",
         {Server::Sftp, Server::Ftps},
         0,
         [&](Trial& trial) {
             makeShow(trial.show);
             const fs::path outside = trial.temp / "aussen";
             for (const std::string name : {"a", Odd.c_str(), Latin1.c_str()}) {
                 writeFile(outside / (name + ".jpg"), "von außen " + name);
             }
             trial.host.onProgress = [&](const Progress& progress) {
                 if (progress.stage == Progress::Stage::Comparing &&
                     !fs::is_symlink(trial.show / "minis")) {
                     fs::rename(trial.show / "minis", trial.temp / "minis-vorher");
                     fs::create_directory_symlink(outside, trial.show / "minis");
                 }
             };
             const Result result = trial.publish();
             for (const auto& [path, bytes] : filesBelow(trial.root())) {
                 EXPECT_EQ(bytes.find("von außen"), std::string::npos) << path;
             }
             EXPECT_NE(result.failure, FailureKind::None);
             EXPECT_NE(result.message.find("„minis/"), std::string::npos) << result.message;
         }},
        {"a FIFO as the key file",
         {Server::Sftp},
         0,
         [&](Trial& trial) {
             PublishOptions options = trial.options();
             options.keyFile = (trial.temp / "schluessel").string();
             refusesAPipeAsKey(trial, options.keyFile, options);
         }},
        {"a FIFO at ~/.ssh/id_ed25519",
         {Server::Sftp},
         0,
         [&](Trial& trial) {
             PublishOptions options = trial.options();
             options.sshFolder = (trial.temp / "ssh").string();
             fs::create_directories(options.sshFolder);
             refusesAPipeAsKey(trial, trial.temp / "ssh/id_ed25519", options);
         }},
        {"a sparse picture of 2 GiB",
         {Server::Sftp, Server::Ftps},
         0,
         [&](Trial& trial) {
             constexpr std::uint64_t Size = std::uint64_t{2} << 30;
             writeFile(trial.show / "index.html", "<img src=\"bilder/gross.jpg\">");
             writeFile(trial.show / "bilder/gross.jpg", "");
             fs::resize_file(trial.show / "bilder/gross.jpg", Size);
             const std::size_t before = heapInUse();
             const std::size_t residentBefore = residentBytes();
             std::size_t peak = before;
             std::size_t residentPeak = residentBefore;
             trial.host.onProgress = [&](const Progress&) {
                 peak = std::max(peak, heapInUse());
                 residentPeak = std::max(residentPeak, residentBytes());
             };
             const Result result = trial.publish();
             ASSERT_EQ(result.failure, FailureKind::None) << result.message;
             std::cout << "A picture of 2 GiB sent with at most " << (peak - before) / 1048576
                       << " MiB more on the heap, " << (residentPeak - residentBefore) / 1048576
                       << " MiB more resident.\n";
             EXPECT_LT(peak - before, std::size_t{100} << 20);
             EXPECT_TRUE(allZeros(trial.root() / "bilder/gross.jpg", Size));
             fs::remove(trial.root() / "bilder/gross.jpg");
         }},
        {"a record line without time stamp, a file sent into its folder, with --delete",
         {Server::Sftp, Server::Ftps},
         0,
         [&](Trial& trial) {
             makeShow(trial.show);
             ASSERT_EQ(trial.publish().failure, FailureKind::None);
             writeFile(trial.root() / "bilder/fremd.txt", "fremd");
             const fs::path record = trial.root() / std::string(RecordName);
             writeFile(record,
                       readFile(record) + std::string(64, '0') + "\t5\t-\t-\tbilder/fremd.txt\n");
             writeFile(trial.show / "bilder/a.jpg", "neu");
             PublishOptions options = trial.options();
             options.deleteUnneeded = true;
             for (int run = 0; run < 2; ++run) {
                 const Result result = trial.publish(options);
                 EXPECT_EQ(result.failure, FailureKind::None) << result.message;
             }
             EXPECT_EQ(readFile(trial.root() / "bilder/fremd.txt"), "fremd");
         }},
        {"bildtexte.txt linked from the start page",
         {Server::Sftp},
         0,
         [&](Trial& trial) {
             makeShow(trial.show);
             writeFile(trial.show / "bildtexte.txt", "Worte, die nur hier stehen");
             writeFile(trial.show / "index.html",
                       readFile(trial.show / "index.html") + "<a href=\"bildtexte.txt\">Worte</a>");
             const Result result = trial.publish();
             ASSERT_EQ(result.failure, FailureKind::None) << result.message;
             EXPECT_FALSE(fs::exists(trial.root() / "bildtexte.txt"));
             EXPECT_TRUE(std::any_of(result.warnings.begin(), result.warnings.end(),
                                     [](const std::string& warning) {
                                         return warning.find("bildtexte.txt") != std::string::npos;
                                     }));
         }},
        {"a publish to vsftpd, which keeps no times, stopped half way",
         {Server::Vsftpd},
         0,
         resumesAfterAKill},
        {"a lock whose owner file holds 10 MiB",
         {Server::Sftp, Server::Ftps},
         0,
         [&](Trial& trial) {
             makeShow(trial.show);
             writeFile(trial.root() / std::string(LockFolder) / std::string(LockOwnerFile),
                       "Bildertafel-Sperre 1\n" + std::string(std::size_t{10} << 20, 'x'));
             const auto [result, took] = timed(trial, lockWait(trial));
             EXPECT_EQ(result.failure, FailureKind::None) << result.message;
             EXPECT_LT(took, 15s);
             EXPECT_EQ(leftovers(trial.root()), std::vector<std::string>());
             EXPECT_TRUE(filesBelow(trial.root()) == filesOf(trial.show, ShowSet));
         }},
        {"a lock whose owner file cannot be read",
         {Server::Sftp, Server::Ftps},
         0,
         [&](Trial& trial) {
             makeShow(trial.show);
             fs::create_directories(trial.root() / std::string(LockFolder));
             ASSERT_TRUE(
                 makeSocket(trial.root() / std::string(LockFolder) / std::string(LockOwnerFile)));
             const Result result = trial.publish(lockWait(trial));
             EXPECT_EQ(result.failure, FailureKind::None) << result.message;
             EXPECT_EQ(leftovers(trial.root()), std::vector<std::string>());
             EXPECT_TRUE(filesBelow(trial.root()) == filesOf(trial.show, ShowSet));
         }},
        {"a lock that is a file",
         {Server::Sftp, Server::Ftps},
         0,
         [&](Trial& trial) {
             makeShow(trial.show);
             writeFile(trial.root() / std::string(LockFolder), "keine Sperre");
             const Result result = trial.publish(lockWait(trial));
             EXPECT_EQ(result.failure, FailureKind::None) << result.message;
             EXPECT_EQ(leftovers(trial.root()), std::vector<std::string>());
             EXPECT_TRUE(filesBelow(trial.root()) == filesOf(trial.show, ShowSet));
         }},
        {"a stale lock that cannot be removed",
         {Server::Sftp, Server::Ftps},
         0,
         [&](Trial& trial) {
             makeShow(trial.show);
             const fs::path owner = trial.root() / std::string(LockFolder) / "inhaber";
             writeFile(owner, "");
             if (::geteuid() == 0) {
                 ASSERT_TRUE(setImmutable(owner, true)) << "chattr +i geht hier nicht";
             } else {
                 fs::permissions(owner.parent_path(),
                                 fs::perms::owner_read | fs::perms::owner_exec);
             }
             const Result result = trial.publish(lockWait(trial));
             setImmutable(owner, false);
             fs::permissions(owner.parent_path(), fs::perms::owner_all);
             EXPECT_EQ(result.failure, FailureKind::StaleLockStays) << result.message;
             EXPECT_NE(result.message.find("Sperre „" + std::string(LockFolder) + "“"),
                       std::string::npos)
                 << result.message;
             EXPECT_EQ(result.message.find("-alt-"), std::string::npos) << result.message;
             EXPECT_EQ(leftovers(trial.root()), std::vector<std::string>{std::string(LockFolder)});
             EXPECT_TRUE(fs::exists(owner));
             EXPECT_FALSE(fs::exists(trial.root() / "index.html"));
         }},
        {"a key file that cannot be opened",
         {Server::Sftp},
         0,
         [&](Trial& trial) {
             makeShow(trial.show);
             PublishOptions options = trial.options();
             options.keyFile = (trial.temp / "schleife").string();
             fs::create_symlink(options.keyFile, options.keyFile); // opened: ELOOP
             const Result result = trial.publish(options);
             EXPECT_EQ(result.failure, FailureKind::KeyUnreadable) << result.message;
             EXPECT_NE(result.message.find("lässt sich nicht lesen: "), std::string::npos)
                 << result.message;
             EXPECT_EQ(result.message.find("Passphrase"), std::string::npos) << result.message;
             EXPECT_TRUE(filesBelow(trial.root()).empty());
         }},
        {"a file changed on the server to the same size in the same minute",
         {Server::Sftp, Server::Ftps, Server::Vsftpd},
         0,
         [&](Trial& trial) {
             makeShow(trial.show);
             ASSERT_EQ(trial.publish().failure, FailureKind::None);
             const fs::path page = trial.root() / "index.html";
             const auto time = fs::last_write_time(page);
             const auto second =
                 std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count() %
                 60;
             writeFile(page, std::string(fs::file_size(page), 'x'));
             // Another second of the same minute: only a time to the second tells it apart.
             fs::last_write_time(page, time + std::chrono::seconds(second < 30 ? 20 : -20));
             const Result result = trial.publish();
             EXPECT_EQ(result.failure, FailureKind::None) << result.message;
             EXPECT_EQ(result.filesSent, 1U);
             EXPECT_EQ(readFile(page), readFile(trial.show / "index.html"));
         }},
        {"a full disk",
         {Server::Sftp, Server::Vsftpd},
         2 << 20,
         [&](Trial& trial) {
             // More than fits, and enough to go on several channels at once.
             std::string page;
             for (int i = 0; i < 8; ++i) {
                 const std::string name = "bilder/b" + std::to_string(i) + ".jpg";
                 writeFile(trial.show / name,
                           std::string(std::size_t{600} * 1024, static_cast<char>('a' + i)));
                 page += "<img src=\"" + name + "\">";
             }
             writeFile(trial.show / "index.html", page);
             const Result result = trial.publish();
             EXPECT_NE(result.failure, FailureKind::None);
             EXPECT_NE(result.message.find("Speicherplatz auf dem Server"), std::string::npos)
                 << result.message;
             EXPECT_NE(result.message.find(" voll"), std::string::npos) << result.message;
         }},
    };
    for (const auto& row : rows) {
        for (const Server server : row.servers) {
            const std::string what =
                std::string(row.what) + (server == Server::Sftp   ? ", SFTP"
                                         : server == Server::Ftps ? ", FTPS"
                                                                  : ", vsftpd");
            SCOPED_TRACE(what);
            std::cout << what << ":\n";
            ::unsetenv("SSH_AUTH_SOCK"); // the keys of the test only
            Trial trial(server);
            if (const std::string whyNot = trial.start(row.rootLimit); !whyNot.empty()) {
                if (test::missingServerFails()) {
                    ADD_FAILURE() << whyNot;
                } else {
                    std::cout << "Skipped (" << row.what << "): " << whyNot << "\n";
                }
                continue;
            }
            row.run(trial);
        }
    }
}

} // namespace
} // namespace bildertafel::publish
