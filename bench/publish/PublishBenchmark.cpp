// Times FTPS against lftp (see FtpsBenchmark.cpp) and S3 against rclone (S3Benchmark.cpp), then
// publishing a show of 1,000 pictures of about 300 KB with previews and picture pages over SFTP to
// an sshd that the benchmark starts on 127.0.0.1 with its own keys, against rsync -a over ssh of
// the same files to the same server in the same run: (a) a first publish into an empty folder; (b)
// a second with nothing changed; (c) one picture changed. Median of a few rounds.
//
// "far": a show of 300 pictures of about 64 KB with previews and pages (902 files, 22 MB) through
// a relay with the round trip of a distant server, the same three runs against rsync. "trips":
// the same runs once each, counting the times each side waits for the server's answer.

#include "BenchSupport.h"
#include "TestServers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace bildertafel;
using namespace bildertafel::bench;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int Pictures = 1000;
constexpr std::size_t PictureSize = std::size_t{300} * 1000;
constexpr std::size_t PreviewSize = std::size_t{12} * 1000;
constexpr int Rounds = 3;
// The show of many small files: 902 files, about 22 MB.
constexpr int SmallPictures = 300;
constexpr std::size_t SmallPictureSize = std::size_t{64} * 1000;
constexpr std::size_t SmallPreviewSize = std::size_t{9} * 1000;
// The round trip of the distant server, as from a home to a web host.
constexpr auto RoundTrip = std::chrono::milliseconds(20);

// A relay on 127.0.0.1 to the local sshd that holds every byte for half the round trip in each
// direction, as the way to a distant server does (the bandwidth stays that of the machine).
class DelayedLink {
public:
    DelayedLink(int serverPort, std::chrono::milliseconds roundTrip)
        : m_serverPort(serverPort), m_delay(roundTrip / 2) {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = loopback(0);
        socklen_t length = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            std::perror("bench_publish: relay");
        }
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        ::listen(m_listener, 8);
        m_port = ntohs(address.sin_port);
        m_acceptor = std::thread([this] { acceptAll(); });
    }
    ~DelayedLink() {
        m_stop = true;
        m_acceptor.join();
        for (std::thread& thread : m_threads) {
            thread.join();
        }
        for (const int socket : m_sockets) {
            ::close(socket);
        }
        ::close(m_listener);
    }
    int port() const { return m_port; }
    // The times a client went quiet for at least half a round trip and then spoke again after
    // the server's bytes had reached it: the waits for an answer before it could go on.
    long waits() const { return m_waits.load(); }
    void resetWaits() { m_waits = 0; }

private:
    struct Piece {
        std::chrono::steady_clock::time_point due;
        std::string bytes; // empty: the end
    };
    struct Direction {
        std::mutex lock;
        std::condition_variable arrived;
        std::deque<Piece> pieces;
    };
    // When the client of one connection last sent and last got bytes.
    struct Turns {
        std::atomic<Clock::rep> sent{0};
        std::atomic<Clock::rep> got{0};
    };

    static sockaddr_in loopback(int port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }

    void acceptAll() {
        while (!m_stop) {
            pollfd wait{m_listener, POLLIN, 0};
            if (::poll(&wait, 1, 100) != 1) {
                continue;
            }
            const int client = ::accept(m_listener, nullptr, nullptr);
            const int server = ::socket(AF_INET, SOCK_STREAM, 0);
            const sockaddr_in address = loopback(m_serverPort);
            if (client < 0 || ::connect(server, reinterpret_cast<const sockaddr*>(&address),
                                        sizeof address) != 0) {
                ::close(client);
                ::close(server);
                continue;
            }
            // A line only delays: it holds back no small piece to gather more (Nagle), which
            // would add up to a delayed acknowledgement's 40 ms to every short request.
            const int noDelay = 1;
            ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
            ::setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
            m_sockets.push_back(client);
            m_sockets.push_back(server);
            auto up = std::make_shared<Direction>();
            auto down = std::make_shared<Direction>();
            auto turns = std::make_shared<Turns>();
            m_threads.emplace_back([this, client, up, turns] { take(client, *up, turns.get()); });
            m_threads.emplace_back(
                [this, server, up, client] { give(*up, server, client, nullptr); });
            m_threads.emplace_back([this, server, down] { take(server, *down, nullptr); });
            m_threads.emplace_back(
                [this, client, down, turns] { give(*down, client, -1, turns.get()); });
        }
    }

    // Reads what one side sends and holds it for the other; of the client, counts its waits.
    void take(int from, Direction& direction, Turns* turns) {
        std::string buffer(std::size_t{256} * 1024, '\0');
        for (;;) {
            const ssize_t got = ::read(from, buffer.data(), buffer.size());
            if (turns != nullptr && got > 0) {
                const Clock::rep now = Clock::now().time_since_epoch().count();
                const Clock::rep before = turns->sent.exchange(now);
                if (turns->got.load() > before && Clock::duration(now - before) >= m_delay) {
                    ++m_waits;
                }
            }
            const std::lock_guard guard(direction.lock);
            direction.pieces.push_back(
                {std::chrono::steady_clock::now() + m_delay,
                 got > 0 ? buffer.substr(0, static_cast<std::size_t>(got)) : std::string()});
            direction.arrived.notify_one();
            if (got <= 0) {
                return;
            }
        }
    }

    // Hands it on once it is due; at the end closes the side it writes to. turns: of the client
    // it writes to.
    void give(Direction& direction, int to, int alsoClose, Turns* turns) {
        for (;;) {
            std::unique_lock guard(direction.lock);
            direction.arrived.wait(guard, [&] { return !direction.pieces.empty(); });
            Piece piece = std::move(direction.pieces.front());
            direction.pieces.pop_front();
            guard.unlock();
            std::this_thread::sleep_until(piece.due);
            if (piece.bytes.empty()) {
                ::shutdown(to, SHUT_RDWR);
                if (alsoClose >= 0) {
                    ::shutdown(alsoClose, SHUT_RDWR);
                }
                return;
            }
            for (std::size_t at = 0; at < piece.bytes.size();) {
                const ssize_t wrote =
                    ::send(to, piece.bytes.data() + at, piece.bytes.size() - at, MSG_NOSIGNAL);
                if (wrote <= 0) {
                    break;
                }
                at += static_cast<std::size_t>(wrote);
            }
            if (turns != nullptr) {
                turns->got = Clock::now().time_since_epoch().count();
            }
        }
    }

    int m_serverPort;
    std::chrono::steady_clock::duration m_delay;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_acceptor;
    std::vector<std::thread> m_threads; // of the connections, started by the acceptor only
    std::vector<int> m_sockets;
    std::atomic<long> m_waits{0};
};

// The sshd of the benchmark with a publish and an rsync of one show to folders of their own on
// it, on 127.0.0.1 or through a relay.
class SftpSides {
public:
    SftpSides(const test::TempDir& work, const fs::path& show) : m_work(work), m_show(show) {}

    std::string launch() {
        if (std::string failed = m_sshd.launch(); !failed.empty()) {
            return failed;
        }
        const char* user = std::getenv("USER");
        m_login = std::string(user != nullptr ? user : "root") + "@127.0.0.1";
        m_keys = " -i " + (m_sshd.sshFolder() / "id_ed25519").string() +
                 " -o UserKnownHostsFile=" + m_sshd.knownHosts().string() +
                 " -o StrictHostKeyChecking=yes -o BatchMode=yes";
        m_target.protocol = publish::Protocol::Sftp;
        m_target.user = user != nullptr ? user : "root";
        m_target.host = "127.0.0.1";
        m_target.folder = m_sshd.root().string();
        m_options.showFolder = m_show.string();
        m_options.startPage = "index.html";
        m_options.knownHostsPath = m_sshd.knownHosts().string();
        m_options.sshFolder = m_sshd.sshFolder().string();
        m_options.cacheFolder = (m_work / "cache").string();
        through(m_sshd.port());
        return {};
    }

    // From now on both go to port (the sshd's own or a relay's in front of it).
    void through(int port) {
        if (port != m_sshd.port()) {
            std::string line = m_sshd.knownHostsLine();
            const std::string own = "]:" + std::to_string(m_sshd.port()) + " ";
            line.replace(line.find(own), own.size(), "]:" + std::to_string(port) + " ");
            std::ofstream(m_sshd.knownHosts(), std::ios::app) << line;
        }
        m_target.port = port;
        m_ssh = "ssh -p " + std::to_string(port) + m_keys;
    }

    int sshdPort() const { return m_sshd.port(); }

    // Both folders on the server empty, nothing known of them.
    void empty() {
        fs::remove_all(m_sshd.root());
        fs::remove_all(theirs());
        fs::remove_all(m_work / "cache");
        ::sync();
    }

    bool failed() const { return m_failed; }

    void publishOnce() {
        const publish::Result result = publish::publish(m_target, m_options, m_host);
        if (result.failure != publish::FailureKind::None) {
            std::printf("publish failed: %s\n", result.message.c_str());
            m_failed = true;
        }
    }

    void rsyncOnce() {
        if (!run("rsync -a -e '" + m_ssh + "' " + m_show.string() + "/ " + m_login + ":" +
                 theirs().string() + "/")) {
            std::printf("rsync failed\n");
            m_failed = true;
        }
    }

private:
    fs::path theirs() const { return m_work / "server-rsync"; }

    const test::TempDir& m_work;
    fs::path m_show;
    test::SshServer m_sshd;
    std::string m_login;
    std::string m_keys;
    std::string m_ssh;
    publish::Target m_target;
    publish::PublishOptions m_options;
    QuietHost m_host;
    bool m_failed = false;
};

struct Row {
    const char* what;
    double ours;
    double theirs;
    double target;
};

void printRows(const char* title, const std::vector<Row>& rows) {
    std::printf("%s\n", title);
    for (const Row& row : rows) {
        std::printf(
            "%s Bildertafel %7.3f s   rsync -a -e ssh %7.3f s   ratio %.2f (target <= %.1f)\n",
            row.what, row.ours, row.theirs, row.ours / row.theirs, row.target);
    }
}

double loadAverage() {
    double load = -1;
    std::ifstream("/proc/loadavg") >> load;
    return load;
}

// The show of many small files through the relay: first, nothing changed, one picture changed,
// median of Rounds; or with count the waits of each run once.
int farShow(const test::TempDir& work, bool count) {
    const fs::path show = work / "small";
    bench::makeShow(show, SmallPictures, SmallPictureSize, SmallPreviewSize);
    SftpSides sides(work, show);
    if (const std::string failed = sides.launch(); !failed.empty()) {
        std::printf("bench_publish: %s\n", failed.c_str());
        return 1;
    }
    DelayedLink link(sides.sshdPort(), RoundTrip);
    sides.through(link.port());
    const double loadBefore = loadAverage();
    std::vector<double> firstOurs, firstTheirs, sameOurs, sameTheirs, oneOurs, oneTheirs;
    std::vector<long> waits(6);
    const auto timed = [&](std::vector<double>& into, long& waitsInto, void (SftpSides::*side)()) {
        link.resetWaits();
        into.push_back(seconds([&] { (sides.*side)(); }));
        waitsInto = link.waits();
    };
    for (int round = 0; round < (count ? 1 : Rounds) && !sides.failed(); ++round) {
        sides.empty();
        timed(firstOurs, waits[0], &SftpSides::publishOnce);
        ::sync();
        timed(firstTheirs, waits[1], &SftpSides::rsyncOnce);
        timed(sameOurs, waits[2], &SftpSides::publishOnce);
        timed(sameTheirs, waits[3], &SftpSides::rsyncOnce);
        writeRandom(show / "bilder" / "bild0150.jpg", SmallPictureSize);
        timed(oneOurs, waits[4], &SftpSides::publishOnce);
        timed(oneTheirs, waits[5], &SftpSides::rsyncOnce);
    }
    if (sides.failed()) {
        return 1;
    }
    if (count) {
        std::printf("Waits for the server's answer over a %lld ms round trip, %d pictures with "
                    "previews and pages (%d files)\n",
                    static_cast<long long>(RoundTrip.count()), SmallPictures,
                    3 * SmallPictures + 2);
        const char* runs[] = {"first publish       ", "nothing changed     ",
                              "one picture changed "};
        for (std::size_t i = 0; i < 3; ++i) {
            std::printf("%s Bildertafel %4ld   rsync -a -e ssh %4ld\n", runs[i], waits[2 * i],
                        waits[2 * i + 1]);
        }
    } else {
        char title[200];
        std::snprintf(title, sizeof title,
                      "Publishing over SFTP through a link with a %lld ms round trip, %d "
                      "pictures of %zu KB with previews and pages (%d files), median of %d "
                      "rounds",
                      static_cast<long long>(RoundTrip.count()), SmallPictures,
                      SmallPictureSize / 1000, 3 * SmallPictures + 2, Rounds);
        printRows(title, {
                             {"first publish      ", median(firstOurs), median(firstTheirs), 1.2},
                             {"nothing changed    ", median(sameOurs), median(sameTheirs), 1.0},
                             {"one picture changed", median(oneOurs), median(oneTheirs), 1.0},
                         });
    }
    std::printf("load average before %.2f, after %.2f\n", loadBefore, loadAverage());
    return 0;
}

} // namespace

// bench_publish [ftps|s3|sftp|far|trips] [folder]: every protocol unless one is named (far and
// trips only when named); the SFTP files in a folder below the one given or the temporary folder.
int main(int argc, char** argv) {
    const std::string first = argc > 1 ? argv[1] : "";
    const std::string only =
        first == "ftps" || first == "sftp" || first == "s3" || first == "far" || first == "trips"
            ? first
            : "";
    if (!only.empty()) {
        --argc;
        ++argv;
    }
    if ((only.empty() || only == "ftps") && bench::benchmarkFtps() != 0) {
        return 1;
    }
    if ((only.empty() || only == "s3") && bench::benchmarkS3() != 0) {
        return 1;
    }
    if (only == "ftps" || only == "s3") {
        return 0;
    }
    if (!test::SshServer::missing().empty() || !run("command -v rsync") || !run("command -v ssh")) {
        std::printf("bench_publish: needs sshd, ssh and rsync (make deps)\n");
        return 0;
    }
    // Everything in a folder below the one given or the temporary folder, removed at the end.
    if (argc > 1) {
        ::setenv("TMPDIR", argv[1], 1);
    }
    const test::TempDir work;
    if (only == "far" || only == "trips") {
        return farShow(work, only == "trips");
    }
    const fs::path show = work / "show";
    bench::makeShow(show, Pictures, PictureSize, PreviewSize);
    SftpSides sides(work, show);
    if (const std::string failed = sides.launch(); !failed.empty()) {
        std::printf("bench_publish: %s\n", failed.c_str());
        return 1;
    }
    std::vector<double> firstOurs, firstTheirs, sameOurs, sameTheirs, oneOurs, oneTheirs;
    for (int round = 0; round < Rounds && !sides.failed(); ++round) {
        sides.empty();
        firstOurs.push_back(seconds([&] { sides.publishOnce(); }));
        ::sync();
        firstTheirs.push_back(seconds([&] { sides.rsyncOnce(); }));
        sameOurs.push_back(seconds([&] { sides.publishOnce(); }));
        sameTheirs.push_back(seconds([&] { sides.rsyncOnce(); }));
        writeRandom(show / "bilder" / "bild0500.jpg", PictureSize);
        oneOurs.push_back(seconds([&] { sides.publishOnce(); }));
        oneTheirs.push_back(seconds([&] { sides.rsyncOnce(); }));
    }
    if (sides.failed()) {
        return 1;
    }
    char title[100];
    std::snprintf(title, sizeof title, "Publishing over SFTP to a local sshd, median of %d rounds",
                  Rounds);
    printRows(title,
              {
                  {"first publish, 1,000 pictures  ", median(firstOurs), median(firstTheirs), 1.2},
                  {"second, nothing changed        ", median(sameOurs), median(sameTheirs), 1.0},
                  {"one picture changed            ", median(oneOurs), median(oneTheirs), 1.0},
              });

    // The same sshd behind a link with the round trip of a distant server, one round.
    const DelayedLink link(sides.sshdPort(), RoundTrip);
    sides.through(link.port());
    sides.empty();
    const double firstFar = seconds([&] { sides.publishOnce(); });
    const double firstFarRsync = seconds([&] { sides.rsyncOnce(); });
    const double sameFar = seconds([&] { sides.publishOnce(); });
    const double sameFarRsync = seconds([&] { sides.rsyncOnce(); });
    if (sides.failed()) {
        return 1;
    }
    std::printf("The same over a link with a round trip of %lld ms, one round\n",
                static_cast<long long>(RoundTrip.count()));
    std::printf("first publish, 1,000 pictures   Bildertafel %7.3f s   rsync -a -e ssh %7.3f s   "
                "ratio %.2f\n",
                firstFar, firstFarRsync, firstFar / firstFarRsync);
    std::printf("second, nothing changed         Bildertafel %7.3f s   rsync -a -e ssh %7.3f s   "
                "ratio %.2f\n",
                sameFar, sameFarRsync, sameFar / sameFarRsync);
    std::printf("load average %.2f\n", loadAverage());
    return 0;
}
