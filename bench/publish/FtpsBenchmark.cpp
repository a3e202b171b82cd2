// Times publishing a show of 300 pictures of 64 KB with previews and picture pages (902 files)
// over FTPS with explicit TLS to two servers that the benchmark starts on 127.0.0.1: vsftpd, which
// requires the data connection to resume the control connection's TLS session, and the tests'
// pyftpdlib server. Against lftp mirror -R of the same files to the same server in the same run,
// once as lftp does it by default and once with as many connections as Bildertafel uses:
// (a) a first publish into an empty folder; (b) a second with nothing changed. Median of 3
// alternating rounds.

#include "BenchSupport.h"
#include "TestServers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

namespace bildertafel::bench {

namespace {

namespace fs = std::filesystem;

constexpr int Pictures = 300;
constexpr std::size_t PictureSize = 64 * 1024;
constexpr std::size_t PreviewSize = 6 * 1024;
constexpr int Rounds = 3;
// lftp's second run: as many files under way at once as Bildertafel sends.
constexpr int Parallel = 4;

struct Server {
    const char* name;
    std::string address; // of the server's www folder
    fs::path root;       // the same on disk
    std::string caFile;
    std::string login; // lftp's "user,password"
    std::string password;
};

void emptyFolder(const fs::path& folder) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    ::chmod(folder.c_str(), 0777); // vsftpd writes as the user ftp
}

// false when a publish or lftp failed.
bool benchmark(const Server& server, const fs::path& show, const fs::path& work) {
    const publish::TargetParse parsed = publish::parseTarget(server.address + "/bildertafel");
    if (!parsed.target) {
        std::printf("bench_publish: %s\n", parsed.error.c_str());
        return false;
    }
    publish::PublishOptions options;
    options.showFolder = show.string();
    options.startPage = "index.html";
    options.caFile = server.caFile;
    options.password = server.password;
    options.cacheFolder = (work / "cache").string();
    QuietHost host;
    bool failed = false;
    const auto publishOnce = [&] {
        const publish::Result result = publish::publish(*parsed.target, options, host);
        if (result.failure != publish::FailureKind::None) {
            std::printf("publish failed: %s\n", result.message.c_str());
            failed = true;
        }
    };
    const std::string port = server.address.substr(
        server.address.rfind(':') + 1, server.address.rfind('/') - server.address.rfind(':') - 1);
    const auto lftpOnce = [&](int parallel) {
        if (!run("lftp -c 'set ftp:ssl-force true; set ftp:ssl-protect-data true; "
                 "set ftp:ssl-protect-list true; set ftp:passive-mode true; "
                 "set ssl:verify-certificate true; set ssl:ca-file " +
                 server.caFile + "; set net:max-retries 1; open -u " + server.login + " -p " +
                 port + " 127.0.0.1; mirror -R --parallel=" + std::to_string(parallel) + " " +
                 show.string() + " www/lftp" + std::to_string(parallel) + "'")) {
            std::printf("lftp failed\n");
            failed = true;
        }
    };
    std::vector<double> first[3], same[3]; // Bildertafel, lftp, lftp in parallel
    for (int round = 0; round < Rounds && !failed; ++round) {
        emptyFolder(server.root / "bildertafel");
        emptyFolder(server.root / "lftp1");
        emptyFolder(server.root / ("lftp" + std::to_string(Parallel)));
        fs::remove_all(work / "cache");
        ::sync();
        first[0].push_back(seconds(publishOnce));
        first[1].push_back(seconds([&] { lftpOnce(1); }));
        first[2].push_back(seconds([&] { lftpOnce(Parallel); }));
        same[0].push_back(seconds(publishOnce));
        same[1].push_back(seconds([&] { lftpOnce(1); }));
        same[2].push_back(seconds([&] { lftpOnce(Parallel); }));
    }
    if (failed) {
        return false;
    }
    std::printf("FTPS to %s, %d files, median of %d rounds\n", server.name, Pictures * 3 + 2,
                Rounds);
    const struct {
        const char* what;
        std::vector<double>* times;
        double target;
    } rows[] = {{"first publish   ", first, 1.2}, {"nothing changed ", same, 1.0}};
    for (const auto& row : rows) {
        const double ours = median(row.times[0]);
        const double lftp = median(row.times[1]);
        const double parallel = median(row.times[2]);
        std::printf("%s Bildertafel %6.3f s   lftp mirror -R %6.3f s   ratio %.2f (target <= %.1f)"
                    "   lftp --parallel=%d %6.3f s   ratio %.2f\n",
                    row.what, ours, lftp, ours / lftp, row.target, Parallel, parallel,
                    ours / parallel);
    }
    return true;
}

} // namespace

int benchmarkFtps() {
    if (!run("command -v lftp") || !test::FtpsServer::missing().empty() ||
        !test::VsftpdServer::missing().empty()) {
        std::printf("bench_publish: FTPS needs lftp, vsftpd (as root) and pyftpdlib (make deps)\n");
        return 0;
    }
    const test::TempDir work;
    const fs::path show = work / "show";
    makeShow(show, Pictures, PictureSize, PreviewSize);
    test::VsftpdServer vsftpd;
    test::FtpsServer pyftpdlib;
    for (const std::string& failed : {vsftpd.launch(), pyftpdlib.launch()}) {
        if (!failed.empty()) {
            std::printf("bench_publish: %s\n", failed.c_str());
            return 1;
        }
    }
    const Server servers[] = {
        {"vsftpd (TLS session reuse required)", vsftpd.address(), vsftpd.root(),
         vsftpd.caFile().string(), "anonymous,", ""},
        {"pyftpdlib (the tests' server)", pyftpdlib.address(), pyftpdlib.root(),
         pyftpdlib.caFile().string(), "bild,geheim", "geheim"},
    };
    for (const Server& server : servers) {
        if (!benchmark(server, show, work.path())) {
            return 1;
        }
    }
    return 0;
}

} // namespace bildertafel::bench
