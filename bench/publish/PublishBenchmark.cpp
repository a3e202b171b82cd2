// Times publishing a show of 1,000 pictures of about 300 KB with previews and picture pages over
// SFTP to an sshd that the benchmark starts on 127.0.0.1 with its own keys, against rsync -a over
// ssh of the same files to the same server in the same run: (a) a first publish into an empty
// folder; (b) a second with nothing changed; (c) one picture changed. Median of a few rounds.

#include "TestServers.h"
#include "publish/Publisher.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace bildertafel;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int Pictures = 1000;
constexpr std::size_t PictureSize = 300 * 1000;
constexpr std::size_t PreviewSize = 12 * 1000;
constexpr int Rounds = 3;

std::mt19937_64 random64(2026);

// Pictures do not compress, so the bytes are random.
void writeRandom(const fs::path& path, std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        const std::uint64_t value = random64();
        std::memcpy(bytes.data() + i, &value, 8);
    }
    std::ofstream(path, std::ios::binary) << bytes;
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

void makeShow(const fs::path& show) {
    fs::create_directories(show / "minis");
    fs::create_directories(show / "bilder");
    std::string start = "<html><body><table>\n";
    std::string all = "<html><body>\n";
    for (int i = 0; i < Pictures; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "bild%04d", i);
        writeRandom(show / "minis" / (std::string(name) + ".jpg"), PreviewSize);
        writeRandom(show / "bilder" / (std::string(name) + ".jpg"), PictureSize);
        writeText(show / "bilder" / (std::string(name) + ".html"),
                  "<html><body><img src=\"" + std::string(name) +
                      ".jpg\"><a href=\"../index.html\">Zur&uuml;ck</a></body></html>\n");
        start += "<td><a href=\"bilder/" + std::string(name) + ".html\"><img src=\"minis/" + name +
                 ".jpg\"></a></td>\n";
        all += "<a href=\"bilder/" + std::string(name) + ".jpg\">" + name + "</a>\n";
    }
    writeText(show / "index.html", start + "</table><a href=\"index_all.html\">Alle</a>\n");
    writeText(show / "index_all.html", all + "</body></html>\n");
}

bool run(const std::string& command) {
    return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0;
}

class QuietHost : public publish::PublishHost {
public:
    bool acceptUnknownHostKey(const std::string&) override { return false; }
    bool confirmPlainFtp(const std::string&) override { return false; }
    void progress(const publish::Progress&) override {}
    bool cancelRequested() override { return false; }
};

double seconds(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (!test::SshServer::missing().empty() || !run("command -v rsync") || !run("command -v ssh")) {
        std::printf("bench_publish: needs sshd, ssh and rsync (make deps)\n");
        return 0;
    }
    // Everything in a folder below the one given or the temporary folder, removed at the end.
    if (argc > 1) {
        ::setenv("TMPDIR", argv[1], 1);
    }
    const test::TempDir work;
    const fs::path show = work / "show";
    makeShow(show);
    test::SshServer sshd;
    if (const std::string failed = sshd.launch(); !failed.empty()) {
        std::printf("bench_publish: %s\n", failed.c_str());
        return 1;
    }
    const char* user = std::getenv("USER");
    const std::string login = std::string(user != nullptr ? user : "root") + "@127.0.0.1";
    const std::string ssh = "ssh -p " + std::to_string(sshd.port()) + " -i " +
                            (sshd.sshFolder() / "id_ed25519").string() +
                            " -o UserKnownHostsFile=" + sshd.knownHosts().string() +
                            " -o StrictHostKeyChecking=yes -o BatchMode=yes";
    const fs::path ours = sshd.root();
    const fs::path theirs = work / "server-rsync";

    publish::Target target;
    target.protocol = publish::Protocol::Sftp;
    target.user = user != nullptr ? user : "root";
    target.host = "127.0.0.1";
    target.port = sshd.port();
    target.folder = ours.string();
    publish::PublishOptions options;
    options.showFolder = show.string();
    options.startPage = "index.html";
    options.knownHostsPath = sshd.knownHosts().string();
    options.sshFolder = sshd.sshFolder().string();
    options.cacheFolder = (work / "cache").string();
    QuietHost host;

    bool failed = false;
    const auto publishOnce = [&] {
        const publish::Result result = publish::publish(target, options, host);
        if (result.failure != publish::Failure::None) {
            std::printf("publish failed: %s\n", result.message.c_str());
            failed = true;
        }
    };
    const auto rsyncOnce = [&] {
        if (!run("rsync -a -e '" + ssh + "' " + show.string() + "/ " + login + ":" +
                 theirs.string() + "/")) {
            std::printf("rsync failed\n");
            failed = true;
        }
    };

    std::vector<double> firstOurs, firstTheirs, sameOurs, sameTheirs, oneOurs, oneTheirs;
    for (int round = 0; round < Rounds && !failed; ++round) {
        fs::remove_all(ours);
        fs::remove_all(theirs);
        fs::remove_all(work / "cache");
        ::sync();
        firstOurs.push_back(seconds(publishOnce));
        ::sync();
        firstTheirs.push_back(seconds(rsyncOnce));
        sameOurs.push_back(seconds(publishOnce));
        sameTheirs.push_back(seconds(rsyncOnce));
        writeRandom(show / "bilder" / "bild0500.jpg", PictureSize);
        oneOurs.push_back(seconds(publishOnce));
        oneTheirs.push_back(seconds(rsyncOnce));
    }
    if (failed) {
        return 1;
    }
    const struct {
        const char* what;
        double ours;
        double theirs;
        double target;
    } rows[] = {
        {"first publish, 1,000 pictures  ", median(firstOurs), median(firstTheirs), 1.2},
        {"second, nothing changed        ", median(sameOurs), median(sameTheirs), 1.0},
        {"one picture changed            ", median(oneOurs), median(oneTheirs), 1.0},
    };
    std::printf("Publishing over SFTP to a local sshd, median of %d rounds\n", Rounds);
    for (const auto& row : rows) {
        std::printf(
            "%s Bildertafel %7.3f s   rsync -a -e ssh %7.3f s   ratio %.2f (target <= %.1f)\n",
            row.what, row.ours, row.theirs, row.ours / row.theirs, row.target);
    }
    return 0;
}
