// Times publishing a show of 300 pictures of 64 KB with previews and picture pages (902 files)
// to an S3 object store, Ceph's RADOS Gateway that the benchmark starts on 127.0.0.1 (plain
// HTTP), against Debian's rclone sync of the same files to the same gateway in the same run:
// (a) a first publish into an empty prefix; (b) a second with nothing changed; (c) one picture
// changed. Median of 3 alternating rounds, each into prefixes of its own.

#include "BenchSupport.h"
#include "TestServers.h"

#include <cstdio>
#include <cstdlib>

namespace bildertafel::bench {

namespace {

namespace fs = std::filesystem;

constexpr int Pictures = 300;
constexpr std::size_t PictureSize = 64 * std::size_t{1024};
constexpr std::size_t PreviewSize = 6 * std::size_t{1024};
constexpr int Rounds = 3;
const std::string Bucket = "bench";

// rclone's remote "gateway" from its environment: the keys go to no file.
void configureRclone(const test::RadosGateway& gateway, const fs::path& work) {
    ::setenv("RCLONE_CONFIG", (work / "rclone.conf").c_str(), 1);
    ::setenv("RCLONE_CONFIG_GATEWAY_TYPE", "s3", 1);
    ::setenv("RCLONE_CONFIG_GATEWAY_PROVIDER", "Ceph", 1);
    ::setenv("RCLONE_CONFIG_GATEWAY_ACCESS_KEY_ID", gateway.accessKey().c_str(), 1);
    ::setenv("RCLONE_CONFIG_GATEWAY_SECRET_ACCESS_KEY", gateway.secretKey().c_str(), 1);
    ::setenv("RCLONE_CONFIG_GATEWAY_ENDPOINT", gateway.endpoint().c_str(), 1);
    ::setenv("RCLONE_CONFIG_GATEWAY_REGION", test::RadosGateway::region().c_str(), 1);
}

} // namespace

int benchmarkS3() {
    if (!test::RadosGateway::missing().empty() || !run("command -v rclone")) {
        std::printf("bench_publish: S3 needs Ceph's RADOS Gateway and rclone (make deps)\n");
        return 0;
    }
    const test::TempDir work;
    const fs::path show = work / "show";
    makeShow(show, Pictures, PictureSize, PreviewSize);
    test::RadosGateway gateway;
    std::string notStarted = gateway.launch();
    if (notStarted.empty()) {
        notStarted = gateway.makeBucket(Bucket);
    }
    if (!notStarted.empty()) {
        std::printf("bench_publish: %s\n", notStarted.c_str());
        return 1;
    }
    configureRclone(gateway, work.path());
    publish::PublishOptions options;
    options.showFolder = show.string();
    options.startPage = "index.html";
    options.cacheFolder = (work / "cache").string();
    options.s3.endpoint = gateway.endpoint();
    options.s3.region = test::RadosGateway::region();
    options.s3.accessKey = gateway.accessKey();
    options.s3.secretKey = gateway.secretKey();
    QuietHost host;
    bool failed = false;
    std::string prefix;
    const auto publishOnce = [&] {
        const publish::TargetParse parsed =
            publish::parseTarget("s3://" + Bucket + "/bildertafel" + prefix);
        const publish::Result result =
            parsed.target ? publish::publish(*parsed.target, options, host) : publish::Result{};
        if (!parsed.target || result.failure != publish::FailureKind::None) {
            std::printf("publish failed: %s%s\n", parsed.error.c_str(), result.message.c_str());
            failed = true;
        }
    };
    const auto rcloneOnce = [&] {
        // rclone's AWS library fails on an http:// endpoint when AWS_CA_BUNDLE names a file.
        if (!run("env -u AWS_CA_BUNDLE rclone sync " + show.string() + " gateway:" + Bucket +
                 "/rclone" + prefix)) {
            std::printf("rclone failed\n");
            failed = true;
        }
    };
    std::vector<double> first[2], same[2], one[2]; // Bildertafel, rclone
    for (int round = 0; round < Rounds && !failed; ++round) {
        prefix = std::to_string(round);
        fs::remove_all(work / "cache");
        ::sync();
        first[0].push_back(seconds(publishOnce));
        first[1].push_back(seconds(rcloneOnce));
        same[0].push_back(seconds(publishOnce));
        same[1].push_back(seconds(rcloneOnce));
        writeRandom(show / "bilder" / "bild0150.jpg", PictureSize);
        one[0].push_back(seconds(publishOnce));
        one[1].push_back(seconds(rcloneOnce));
    }
    if (failed) {
        return 1;
    }
    std::printf("S3 to Ceph's RADOS Gateway on 127.0.0.1, %d files, median of %d rounds\n",
                Pictures * 3 + 2, Rounds);
    const struct {
        const char* what;
        std::vector<double>* times;
    } rows[] = {{"first publish   ", first}, {"nothing changed ", same}, {"one changed     ", one}};
    for (const auto& row : rows) {
        const double ours = median(row.times[0]);
        const double rclone = median(row.times[1]);
        std::printf("%s Bildertafel %6.3f s   rclone sync %6.3f s   ratio %.2f (target <= 1.0)\n",
                    row.what, ours, rclone, ours / rclone);
    }
    return 0;
}

} // namespace bildertafel::bench
