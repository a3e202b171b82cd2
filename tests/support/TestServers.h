#pragma once

#include "TempDir.h"

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace bildertafel::test {

// Whether a server that a test cannot have fails the test instead of skipping it: in CI (the
// environment's CI is "true" or "1"), where every server is installed, so that a machine without
// them cannot pass silently.
bool missingServerFails();

// A server program that the test starts on 127.0.0.1 in a process group of its own, with its
// own configuration, keys and certificates in a temporary folder, and stops again.
class ServerProcess {
public:
    ~ServerProcess() { stop(); }
    bool running() const { return m_group > 0; }
    int port() const { return m_port; }
    // Stops it at once, as a crash or a pulled cable would (the whole group, sessions included).
    void kill();
    void stop();
    // Stops it answering without closing anything, as a hung server does; resume() wakes it.
    void pause();
    void resume();

    // Before launch(): the server sees its root folder as a file system of its own of at most
    // bytes, so that it runs full; see smallRootMissing().
    void limitRoot(std::uint64_t bytes) { m_rootLimit = bytes; }

protected:
    // Starts the command and waits until the port takes connections (at most wait); false when
    // it does not. With limitRoot(), the command runs in a mount namespace of its own in which
    // root is a tmpfs of that size: nobody else sees it, and it goes when the server ends,
    // however the test ends.
    bool start(const std::string& command, int port, const std::filesystem::path& root = {},
               std::chrono::milliseconds wait = std::chrono::seconds(10));

private:
    pid_t m_group = -1;
    int m_port = 0;
    std::uint64_t m_rootLimit = 0;
};

// Why a server cannot run on a small root of its own (limitRoot()): empty when it can.
std::string smallRootMissing();

// OpenSSH's sshd with its own host key, taking one client key of the test.
class SshServer : public ServerProcess {
public:
    // Why the test cannot have this server: a program missing; empty when all is there.
    static std::string missing();
    // Empty when it runs, else why it does not. The SFTP side is sshd's own unless another
    // program is named; extraConfig goes into sshd_config as it is.
    std::string launch(const std::string& sftpSubsystem = "internal-sftp",
                       const std::string& extraConfig = {});
    // The same host key and port again, after kill().
    std::string relaunch();

    std::filesystem::path sshFolder() const { return m_dir / "client"; } // id_ed25519
    std::filesystem::path knownHosts() const { return m_dir / "known_hosts"; }
    std::filesystem::path authorizedKeys() const { return m_dir / "authorized_keys"; }
    std::filesystem::path root() const { return m_dir / "www"; } // the target folder
    std::string knownHostsLine() const; // the server's key as known_hosts holds it
    // The address of the target folder for the client.
    std::string address() const;

private:
    TempDir m_temp;
    std::filesystem::path m_dir = m_temp.path();
};

// pyftpdlib with TLS required on control and data, a certificate of a CA made here, and the
// user "bild" with the password "geheim".
class FtpsServer : public ServerProcess {
public:
    static std::string missing();
    // tls13Only: it refuses TLS 1.2 and older.
    std::string launch(bool tls13Only = false);

    std::filesystem::path caFile() const { return m_dir / "ca.pem"; }
    std::filesystem::path otherCaFile() const { return m_dir / "other-ca.pem"; }
    std::filesystem::path root() const { return m_dir / "home" / "www"; }
    std::string address() const; // ftps://bild@127.0.0.1:port/www

private:
    TempDir m_temp;
    std::filesystem::path m_dir = m_temp.path();
};

// vsftpd with TLS required on control and data, and the data connection's TLS session required
// to be the one of its control connection (require_ssl_reuse), as many hosting servers have it.
// Anonymous login writes into www. Runs as root only (vsftpd changes its root and user).
class VsftpdServer : public ServerProcess {
public:
    static std::string missing();
    // connections: how many it takes from one address at once.
    std::string launch(int connections = 200);

    std::filesystem::path caFile() const { return m_dir / "ca.pem"; }
    std::filesystem::path root() const { return m_dir / "anon" / "www"; }
    std::string address() const; // ftps://127.0.0.1:port/www

private:
    TempDir m_temp;
    std::filesystem::path m_dir = m_temp.path();
};

// Debian's Apache serving a folder of the test, as shared hosting has it: UTF-8 as its default
// character set, hidden ".ht" files refused, and what a .htaccess may say set by allowOverride
// ("AuthConfig FileInfo Indexes Limit" as hosters allow it; "None" for one that ignores it).
class ApacheServer : public ServerProcess {
public:
    static std::string missing();
    // Empty when it runs, else why not. Run as root, it serves as www-data: the folders above
    // documentRoot are opened for it to pass.
    std::string launch(const std::filesystem::path& documentRoot,
                       const std::string& allowOverride = "AuthConfig FileInfo Indexes Limit");
    std::string address() const; // http://127.0.0.1:port/

private:
    TempDir m_temp;
    std::filesystem::path m_dir = m_temp.path();
};

// Ceph's RADOS Gateway as an S3 server: one monitor, one OSD keeping the objects in memory, no
// manager, and the gateway on 127.0.0.1, with a user of its own. It checks Signature V4, the
// payload hash (x-amz-content-sha256) and If-None-Match as AWS does, and takes any region.
// Plain HTTP unless launched with TLS (a certificate of a CA made here, as FtpsServer's).
// Every file of the cluster (configuration, keys, the monitor's and the OSD's data, logs,
// sockets) is in the test's own folder; when the test's process ends without stopping it, even
// by a crash, the cluster stops within a second and its folder goes.
class RadosGateway : public ServerProcess {
public:
    // What curl answered; status 0 when no answer came.
    struct Reply {
        long status = 0;
        std::string headers; // as they came, status line included
        std::string body;
    };

    ~RadosGateway() { kill(); } // the objects are in memory only: nothing to keep
    static std::string missing();
    // Empty when it runs and the user is made, else why not (with the daemons' last log lines).
    std::string launch(bool tls = false);

    std::string endpoint() const; // http://127.0.0.1:port (https:// with TLS)
    static std::string region() { return "us-east-1"; }
    const std::string& accessKey() const { return m_accessKey; }
    const std::string& secretKey() const { return m_secretKey; }
    std::filesystem::path caFile() const { return m_dir / "ca.pem"; }
    std::filesystem::path otherCaFile() const { return m_dir / "other-ca.pem"; }
    std::filesystem::path folder() const { return m_dir; } // the daemons' logs are in log/

    // A request signed with the user's key, or with another secret, as curl's Signature V4 does
    // it, with the body's SHA-256 in x-amz-content-sha256. target is what follows the endpoint,
    // encoded: "/bucket/key?query" (see encodeKey()), not ending in "/" when there is a body;
    // headers: "Name: value".
    Reply request(const std::string& method, const std::string& target,
                  const std::string& body = {}, const std::vector<std::string>& headers = {},
                  const std::string& secret = {}) const;
    // The same unsigned, as a visitor or a CDN asks.
    Reply anonymous(const std::string& method, const std::string& target) const;
    // Empty when the bucket is made, else the gateway's answer.
    std::string makeBucket(const std::string& bucket) const;
    // radosgw-admin's output (errors included) with the arguments, e.g. "bucket list".
    std::string admin(const std::string& arguments) const;
    // An object key as it goes into a path: all but A-Z a-z 0-9 - . _ ~ / percent-encoded.
    static std::string encodeKey(const std::string& key);

private:
    Reply curl(const std::string& arguments, const std::string& body) const;
    std::string logTails() const;

    TempDir m_temp;
    std::filesystem::path m_dir = m_temp.path();
    bool m_tls = false;
    std::string m_accessKey;
    std::string m_secretKey;
    mutable std::atomic<int> m_requests{0};
};

// Runs a shell command quietly; true when it exits with 0.
bool runQuietly(const std::string& command);
// A shell command's standard output.
std::string outputOf(const std::string& command);
// The text in single quotes for the shell.
std::string shellQuoted(const std::string& text);
// A port on 127.0.0.1 that nobody listens on: one the system just handed out and took back.
int freePort();

} // namespace bildertafel::test

// Ends a GoogleTest test when `missing` names why its server cannot run: a failure where
// missingServerFails(), else a skip, each with that reason.
#define BILDERTAFEL_NEEDS_SERVER(missing)                                                          \
    do {                                                                                           \
        if (const std::string whyNot = (missing); !whyNot.empty()) {                               \
            if (::bildertafel::test::missingServerFails()) {                                       \
                FAIL() << whyNot;                                                                  \
            }                                                                                      \
            GTEST_SKIP() << whyNot;                                                                \
        }                                                                                          \
    } while (false)
