// Times FTPS against lftp (see FtpsBenchmark.cpp) and S3 against rclone (S3Benchmark.cpp), then
// publishing a show of 1,000 pictures of about 300 KB with previews and picture pages over SFTP to
// an sshd that the benchmark starts on 127.0.0.1 with its own keys, against rsync -a over ssh of
// the same files to the same server in the same run: (a) a first publish into an empty folder; (b)
// a second with nothing changed; (c) one picture changed. Median of a few rounds.

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
constexpr std::size_t PictureSize = 300 * 1000;
constexpr std::size_t PreviewSize = 12 * 1000;
constexpr int Rounds = 3;
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
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
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
            m_threads.emplace_back([this, client, up] { take(client, *up); });
            m_threads.emplace_back([this, server, up, client] { give(*up, server, client); });
            m_threads.emplace_back([this, server, down] { take(server, *down); });
            m_threads.emplace_back([this, client, down] { give(*down, client, -1); });
        }
    }

    // Reads what one side sends and holds it for the other.
    void take(int from, Direction& direction) {
        std::string buffer(256 * 1024, '\0');
        for (;;) {
            const ssize_t got = ::read(from, buffer.data(), buffer.size());
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

    // Hands it on once it is due; at the end closes the side it writes to.
    void give(Direction& direction, int to, int alsoClose) {
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
};

} // namespace

// bench_publish [ftps|s3|sftp] [folder]: every protocol unless one is named; the SFTP files in a
// folder below the one given or the temporary folder.
int main(int argc, char** argv) {
    const std::string first = argc > 1 ? argv[1] : "";
    const std::string only = first == "ftps" || first == "sftp" || first == "s3" ? first : "";
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
    const fs::path show = work / "show";
    bench::makeShow(show, Pictures, PictureSize, PreviewSize);
    test::SshServer sshd;
    if (const std::string failed = sshd.launch(); !failed.empty()) {
        std::printf("bench_publish: %s\n", failed.c_str());
        return 1;
    }
    const char* user = std::getenv("USER");
    const std::string login = std::string(user != nullptr ? user : "root") + "@127.0.0.1";
    std::string ssh = "ssh -p " + std::to_string(sshd.port()) + " -i " +
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
        if (result.failure != publish::FailureKind::None) {
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

    // The same sshd behind a link with the round trip of a distant server, one round.
    const DelayedLink link(sshd.port(), RoundTrip);
    {
        std::string line = sshd.knownHostsLine();
        const std::string port = "]:" + std::to_string(sshd.port()) + " ";
        line.replace(line.find(port), port.size(), "]:" + std::to_string(link.port()) + " ");
        std::ofstream(sshd.knownHosts(), std::ios::app) << line;
    }
    target.port = link.port();
    ssh = "ssh -p " + std::to_string(link.port()) + ssh.substr(ssh.find(" -i "));
    fs::remove_all(ours);
    fs::remove_all(theirs);
    fs::remove_all(work / "cache");
    ::sync();
    const double firstFar = seconds(publishOnce);
    const double firstFarRsync = seconds(rsyncOnce);
    const double sameFar = seconds(publishOnce);
    const double sameFarRsync = seconds(rsyncOnce);
    if (failed) {
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
    return 0;
}
