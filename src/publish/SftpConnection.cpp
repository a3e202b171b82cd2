#include "publish/Connection.h"
#include "publish/SftpRequests.h"

#include <fcntl.h>
#include <libssh/libssh.h>
#include <libssh/sftp.h>
#include <netdb.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <unordered_map>
#include <vector>

namespace bildertafel::publish {

namespace {

// One write request at most this big: OpenSSH's server takes packets up to 256 KiB.
constexpr std::size_t ChunkSize = std::size_t{192} * 1024;
// How much a batch keeps under way at once: enough to hide the round trips of a distant server,
// little enough that "Abbrechen" waits for no more than that.
constexpr std::size_t FilesUnderWay = 64;
constexpr std::uint64_t BytesUnderWay = std::uint64_t{8} * 1024 * 1024;
// After "Abbrechen", how long the replies to what is under way are waited for.
constexpr auto CancelGrace = std::chrono::seconds(10);
// Status codes of later protocol versions that some servers send anyway.
constexpr int NoSpaceOnFilesystem = 14;
constexpr int QuotaExceeded = 15;

struct FileCloser {
    void operator()(sftp_file file) const { sftp_close(file); }
};
using SftpFile = std::unique_ptr<sftp_file_struct, FileCloser>;

struct SessionDeleter {
    void operator()(ssh_session session) const {
        ssh_disconnect(session);
        ssh_free(session);
    }
};
struct SftpDeleter {
    void operator()(sftp_session sftp) const { sftp_free(sftp); }
};

struct LocalFd {
    int fd = -1;
    ~LocalFd() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

// The SSH library's own SFTP calls wait for an answer without end. While one is under way and
// nothing has moved for the limit, this shuts the connection's socket down, so the call returns
// with an error and the publish ends instead of hanging. Calls may nest; touch() says that
// something moved. It keeps a socket of its own for the connection's, so a number the library
// has closed and the system handed to someone else is never shut down.
class Watchdog {
public:
    explicit Watchdog(std::chrono::milliseconds limit)
        : m_limit(limit), m_thread([this] { watch(); }) {}
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
    ~Watchdog() {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        m_thread.join();
        if (m_socket >= 0) {
            ::close(m_socket);
        }
    }

    void arm(int socket) {
        const std::lock_guard lock(m_mutex);
        if (m_socket < 0 && socket >= 0) {
            m_socket = ::fcntl(socket, F_DUPFD_CLOEXEC, 0);
        }
        ++m_depth;
        m_deadline = std::chrono::steady_clock::now() + m_limit;
        m_wake.notify_one();
    }
    void disarm() {
        const std::lock_guard lock(m_mutex);
        --m_depth;
    }
    void touch() {
        const std::lock_guard lock(m_mutex);
        m_deadline = std::chrono::steady_clock::now() + m_limit;
    }
    bool fired() const {
        const std::lock_guard lock(m_mutex);
        return m_fired;
    }

private:
    void watch() {
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            if (m_depth == 0 || m_fired) {
                m_wake.wait(lock);
            } else if (std::chrono::steady_clock::now() < m_deadline) {
                m_wake.wait_until(lock, m_deadline);
            } else {
                if (m_socket >= 0) {
                    ::shutdown(m_socket, SHUT_RDWR);
                }
                m_fired = true;
            }
        }
    }

    const std::chrono::milliseconds m_limit;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_socket = -1;
    int m_depth = 0;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_fired = false;
    bool m_stop = false;
    std::thread m_thread; // last: starts when the rest is ready
};

// The request that a reply answers, taken from those asked for; nothing when it is not one of
// them (an answer left from a conversation that was broken off).
template <typename Request>
std::optional<Request> takeAsked(std::unordered_map<std::uint32_t, Request>& asked,
                                 std::uint32_t id) {
    const auto found = asked.find(id);
    if (found == asked.end()) {
        return std::nullopt;
    }
    std::optional<Request> request(std::move(found->second));
    asked.erase(found);
    return request;
}

bool resolves(const std::string& host) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) {
        return false;
    }
    ::freeaddrinfo(found);
    return true;
}

std::string joined(const std::string& folder, const std::string& path) {
    if (path.empty()) {
        return folder;
    }
    return folder.empty() ? path : folder == "/" ? "/" + path : folder + "/" + path;
}

class SftpConnection final : public Connection {
public:
    SftpConnection(const Target& target, const PublishOptions& options, PublishHost& host)
        : m_target(target), m_host(host), m_silenceLimit(options.silenceLimit),
          m_sessionOwner(ssh_new()), m_session(m_sessionOwner.get()) {
        // "~" and "~/www" are below the home folder, where the server starts.
        if (target.folder == "~") {
            m_folder = "";
        } else if (target.folder.starts_with("~/")) {
            m_folder = target.folder.substr(2);
        } else {
            m_folder = target.folder;
        }
        if (m_session == nullptr) {
            throw PublishError(Failure::Other, "Die SSH-Verbindung lässt sich nicht anlegen.");
        }
        connect(options, host);
    }

    ~SftpConnection() override {
        const Watched watched(*this);
        m_requests.reset();
        m_sftpOwner.reset(); // before its session
        m_sessionOwner.reset();
    }

    std::optional<std::vector<RemoteEntry>> list(const std::string& folder) override {
        const Watched watched(*this);
        const std::string path = remotePath(folder);
        sftp_dir dir = sftp_opendir(m_sftp, path.c_str());
        if (dir == nullptr) {
            if (sftp_get_error(m_sftp) == SSH_FX_NO_SUCH_FILE) {
                return std::nullopt;
            }
            fail("Der Ordner „" + shown(folder) + "“ auf dem Server lässt sich nicht lesen");
        }
        std::vector<RemoteEntry> entries;
        while (sftp_attributes attributes = sftp_readdir(m_sftp, dir)) {
            m_watchdog.touch();
            RemoteEntry entry;
            entry.name = attributes->name != nullptr ? attributes->name : "";
            entry.folder = attributes->type == SSH_FILEXFER_TYPE_DIRECTORY;
            entry.link = attributes->type == SSH_FILEXFER_TYPE_SYMLINK;
            entry.size = attributes->size;
            entry.modified = static_cast<std::int64_t>(
                attributes->mtime64 != 0 ? attributes->mtime64 : attributes->mtime);
            entry.stamp =
                std::to_string(attributes->mtime64 != 0 ? attributes->mtime64 : attributes->mtime);
            sftp_attributes_free(attributes);
            if (entry.name != "." && entry.name != "..") {
                entries.push_back(std::move(entry));
            }
        }
        const bool complete = sftp_dir_eof(dir) != 0;
        sftp_closedir(dir);
        if (!complete) {
            fail("Der Ordner „" + shown(folder) + "“ auf dem Server lässt sich nicht lesen");
        }
        return entries;
    }

    // Every folder's entries through the requests' channel, all folders at once: the folders
    // of a show cost the round trips of the longest, not of all together.
    std::map<std::string, std::optional<std::vector<RemoteEntry>>>
    listAll(const std::set<std::string>& folders) override;

    std::optional<std::string> read(const std::string& path,
                                    std::uint64_t limit = UnlimitedRead) override;

    // The same through the library, one request after the other.
    std::optional<std::string> readOneByOne(const std::string& path, std::uint64_t limit) {
        SftpFile file(sftp_open(m_sftp, remotePath(path).c_str(), O_RDONLY, 0));
        if (!file) {
            if (sftp_get_error(m_sftp) == SSH_FX_NO_SUCH_FILE) {
                return std::nullopt;
            }
            fail("Die Datei „" + path + "“ auf dem Server lässt sich nicht lesen");
        }
        std::string content;
        std::vector<char> buffer(std::size_t{64} * 1024);
        for (;;) {
            const ssize_t got = sftp_read(file.get(), buffer.data(), buffer.size());
            if (got < 0) {
                fail("Die Datei „" + path + "“ auf dem Server lässt sich nicht lesen");
            }
            if (got == 0 || content.size() > limit) {
                return content;
            }
            m_watchdog.touch();
            content.append(buffer.data(), static_cast<std::size_t>(got));
        }
    }

    void send(const std::string& localPath, const std::string& content,
              const std::string& temporary, const std::string& final, const SendProgress& progress,
              std::int64_t modified = -1) override {
        const Watched watched(*this);
        if (localPath.empty() && requestsChannel() != nullptr) {
            sendWhole(content, temporary, final, progress, modified);
            return;
        }
        const std::string temporaryPath = remotePath(temporary);
        std::error_code noSize;
        std::uint64_t size = content.size();
        if (!localPath.empty()) {
            size = std::filesystem::file_size(localPath, noSize);
            size = noSize ? 0 : size;
        }
        SftpFile file(sftp_open(m_sftp, temporaryPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
        if (!file && sftp_get_error(m_sftp) == SSH_FX_NO_SUCH_FILE) {
            makeFolders(temporary);
            file.reset(
                sftp_open(m_sftp, temporaryPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
        }
        if (!file) {
            failFile("Die Datei „" + final + "“ lässt sich auf dem Server nicht anlegen", final,
                     size);
        }
        if (localPath.empty()) {
            // The server ends the session on a request of 256 KiB or more.
            for (std::size_t at = 0; at < content.size(); at += ChunkSize) {
                const std::size_t size = std::min(ChunkSize, content.size() - at);
                if (sftp_write(file.get(), content.data() + at, size) !=
                    static_cast<ssize_t>(size)) {
                    failFile("Die Datei „" + final + "“ lässt sich auf dem Server nicht schreiben",
                             final, size);
                }
                m_watchdog.touch();
            }
        } else {
            writeLocal(file.get(), localPath, final, progress);
        }
        if (sftp_close(file.release()) != SSH_OK) {
            failFile("Die Datei „" + final + "“ lässt sich auf dem Server nicht schreiben", final,
                     size);
        }
        if (modified >= 0) {
            const timeval times[2] = {{static_cast<time_t>(modified), 0},
                                      {static_cast<time_t>(modified), 0}};
            sftp_utimes(m_sftp, temporaryPath.c_str(), times); // without it: sent again
        }
        const std::string finalPath = remotePath(final);
        // OpenSSH's server replaces the final name atomically (posix-rename@openssh.com).
        // A server without that extension refuses to rename over an existing file: then the
        // old file goes first, and for a moment the name is missing.
        if (sftp_rename(m_sftp, temporaryPath.c_str(), finalPath.c_str()) != SSH_OK) {
            if (sftp_unlink(m_sftp, finalPath.c_str()) != SSH_OK ||
                sftp_rename(m_sftp, temporaryPath.c_str(), finalPath.c_str()) != SSH_OK) {
                failFile("Die Datei „" + final + "“ lässt sich auf dem Server nicht umbenennen",
                         final, size);
            }
        }
    }

    void sendAll(const std::vector<Upload>& uploads, UploadWatcher& watcher) override;

    void removeAll(const std::vector<std::string>& paths, const std::function<bool()>& goOn,
                   const std::function<void(std::size_t)>& done) override;

    void remove(const std::string& path) override {
        const Watched watched(*this);
        if (sftp_unlink(m_sftp, remotePath(path).c_str()) != SSH_OK &&
            sftp_get_error(m_sftp) != SSH_FX_NO_SUCH_FILE) {
            fail("Die Datei „" + path + "“ lässt sich auf dem Server nicht löschen");
        }
    }

    bool makeFolder(const std::string& path) override {
        const Watched watched(*this);
        // OpenSSH tells "exists" only as a failure: the name is looked at without following it;
        // a moment later it may be gone again (another client's lock, given back meanwhile).
        for (int attempt = 0;; ++attempt) {
            if (sftp_mkdir(m_sftp, remotePath(path).c_str(), 0755) == SSH_OK) {
                return true;
            }
            if (attempt == 0 && sftp_get_error(m_sftp) == SSH_FX_NO_SUCH_FILE) {
                makeFolders(path); // the folders it lies in, the target folder of a first publish
                continue;
            }
            sftp_attributes attributes = sftp_lstat(m_sftp, remotePath(path).c_str());
            if (attributes != nullptr) {
                sftp_attributes_free(attributes);
                return false;
            }
            if (attempt >= 2) {
                fail("Der Ordner „" + path + "“ lässt sich auf dem Server nicht anlegen");
            }
        }
    }

    void removeFolder(const std::string& path) override {
        const Watched watched(*this);
        if (sftp_rmdir(m_sftp, remotePath(path).c_str()) != SSH_OK &&
            sftp_get_error(m_sftp) != SSH_FX_NO_SUCH_FILE) {
            fail("Der Ordner „" + path + "“ lässt sich auf dem Server nicht löschen");
        }
    }

    void rename(const std::string& from, const std::string& to) override {
        const Watched watched(*this);
        if (sftp_rename(m_sftp, remotePath(from).c_str(), remotePath(to).c_str()) != SSH_OK) {
            fail("„" + from + "“ lässt sich auf dem Server nicht umbenennen");
        }
    }

private:
    // While it lives, a call of the SSH library that waits too long is ended.
    class Watched {
    public:
        explicit Watched(SftpConnection& connection) : m_watchdog(connection.m_watchdog) {
            m_watchdog.arm(ssh_get_fd(connection.m_session));
        }
        Watched(const Watched&) = delete;
        Watched& operator=(const Watched&) = delete;
        ~Watched() { m_watchdog.disarm(); }

    private:
        Watchdog& m_watchdog;
    };

    void connect(const PublishOptions& options, PublishHost& host) {
        const int port = effectivePort(m_target);
        long timeout = 20;
        ssh_options_set(m_session, SSH_OPTIONS_HOST, m_target.host.c_str());
        ssh_options_set(m_session, SSH_OPTIONS_PORT, &port);
        ssh_options_set(m_session, SSH_OPTIONS_TIMEOUT, &timeout);
        // Many small requests are under way at once; none waits for the one before to be
        // acknowledged.
        const int noDelay = 1;
        ssh_options_set(m_session, SSH_OPTIONS_NODELAY, &noDelay);
        if (!m_target.user.empty()) {
            ssh_options_set(m_session, SSH_OPTIONS_USER, m_target.user.c_str());
        }
        if (!options.sshFolder.empty()) {
            ssh_options_set(m_session, SSH_OPTIONS_SSH_DIR, options.sshFolder.c_str());
        }
        if (!options.knownHostsPath.empty()) {
            ssh_options_set(m_session, SSH_OPTIONS_KNOWNHOSTS, options.knownHostsPath.c_str());
        }
        if (!resolves(m_target.host)) {
            throw PublishError(Failure::HostUnknown,
                               "Den Server „" + m_target.host +
                                   "“ gibt es nicht. Bitte den Namen in der Adresse prüfen.");
        }
        if (ssh_connect(m_session) != SSH_OK) {
            throw PublishError(Failure::NoRoute,
                               "Der Server „" + m_target.host + "“ ist auf Port " +
                                   std::to_string(port) +
                                   " nicht erreichbar. Bitte die Netzverbindung, den Namen und "
                                   "den Port prüfen (" +
                                   ssh_get_error(m_session) + ").");
        }
        verifyHost(port, host); // may wait for the user's answer
        const Watched watched(*this);
        authenticate(options.password);
        m_sftpOwner.reset(sftp_new(m_session));
        m_sftp = m_sftpOwner.get();
        if (m_sftp == nullptr || sftp_init(m_sftp) != SSH_OK) {
            throw PublishError(Failure::Other,
                               "Der Server „" + m_target.host +
                                   "“ bietet kein SFTP an. Bitte beim Betreiber nachfragen.");
        }
    }

    void verifyHost(int port, PublishHost& host) {
        const ssh_known_hosts_e known = ssh_session_is_known_server(m_session);
        if (known == SSH_KNOWN_HOSTS_OK) {
            return;
        }
        if (known == SSH_KNOWN_HOSTS_CHANGED || known == SSH_KNOWN_HOSTS_OTHER) {
            throw PublishError(
                Failure::HostKeyChanged,
                "Achtung: Der Server „" + m_target.host +
                    "“ weist sich mit einem anderen Schlüssel aus als bisher. Jemand könnte "
                    "sich als dieser Server ausgeben. Es wurde nichts gesendet. Bitte beim "
                    "Betreiber den neuen Fingerabdruck erfragen und erst dann den alten Eintrag "
                    "aus der Liste der bekannten Server (~/.ssh/known_hosts) entfernen.");
        }
        if (known != SSH_KNOWN_HOSTS_NOT_FOUND && known != SSH_KNOWN_HOSTS_UNKNOWN) {
            throw PublishError(Failure::Other,
                               "Die Liste der bekannten Server lässt sich nicht lesen: " +
                                   std::string(ssh_get_error(m_session)));
        }
        ssh_key key = nullptr;
        if (ssh_get_server_publickey(m_session, &key) != SSH_OK) {
            throw PublishError(Failure::Other, "Der Server nennt keinen Schlüssel.");
        }
        unsigned char* hash = nullptr;
        std::size_t hashLength = 0;
        const std::string type = ssh_key_type_to_char(ssh_key_type(key));
        const int hashed =
            ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &hashLength);
        ssh_key_free(key);
        if (hashed != SSH_OK) {
            throw PublishError(Failure::Other, "Der Schlüssel des Servers lässt sich nicht lesen.");
        }
        char* fingerprint = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, hashLength);
        ssh_clean_pubkey_hash(&hash);
        const std::string shownFingerprint = fingerprint != nullptr ? fingerprint : "";
        ssh_string_free_char(fingerprint);
        if (!host.acceptUnknownHostKey(
                hostKeyQuestion(m_target.host, port, type, shownFingerprint))) {
            throw PublishError(Failure::HostKeyUnknown,
                               "Der Schlüssel des Servers „" + m_target.host +
                                   "“ wurde nicht bestätigt; es wurde nichts gesendet.");
        }
        if (ssh_session_update_known_hosts(m_session) != SSH_OK) {
            throw PublishError(Failure::Other,
                               "Der Schlüssel des Servers lässt sich nicht in die Liste der "
                               "bekannten Server schreiben: " +
                                   std::string(ssh_get_error(m_session)));
        }
    }

    void authenticate(const std::string& password) {
        int rc = ssh_userauth_none(m_session, nullptr);
        if (rc != SSH_AUTH_SUCCESS) {
            rc = ssh_userauth_publickey_auto(m_session, nullptr, nullptr);
        }
        if (rc != SSH_AUTH_SUCCESS && !password.empty()) {
            rc = ssh_userauth_password(m_session, nullptr, password.c_str());
        }
        if (rc == SSH_AUTH_ERROR) {
            throw PublishError(Failure::ConnectionLost,
                               "Die Verbindung zum Server brach bei der Anmeldung ab (" +
                                   std::string(ssh_get_error(m_session)) + ").");
        }
        if (rc != SSH_AUTH_SUCCESS) {
            throw PublishError(
                Failure::Login,
                password.empty()
                    ? "Der Server nimmt keinen der SSH-Schlüssel an. Bitte das Passwort "
                      "eingeben oder den öffentlichen Schlüssel beim Server hinterlegen."
                    : "Die Anmeldung wurde abgelehnt. Bitte Benutzername und Passwort prüfen.");
        }
    }

    void writeLocal(sftp_file file, const std::string& localPath, const std::string& final,
                    const SendProgress& progress) {
        LocalFd local{::open(localPath.c_str(), O_RDONLY | O_CLOEXEC)};
        if (local.fd < 0) {
            throw PublishError(Failure::LocalRead,
                               "Die Datei „" + final + "“ der Fotoshow lässt sich nicht lesen.");
        }
        std::vector<char> buffer(ChunkSize);
        std::uint64_t sent = 0;
        for (;;) {
            const ssize_t got = ::read(local.fd, buffer.data(), buffer.size());
            if (got < 0) {
                throw PublishError(Failure::LocalRead,
                                   "Die Datei „" + final +
                                       "“ der Fotoshow lässt sich nicht lesen.");
            }
            if (got == 0) {
                return;
            }
            if (sftp_write(file, buffer.data(), static_cast<std::size_t>(got)) != got) {
                struct stat info {};
                failFile("Die Datei „" + final + "“ lässt sich auf dem Server nicht schreiben",
                         final,
                         ::fstat(local.fd, &info) == 0 ? static_cast<std::uint64_t>(info.st_size)
                                                       : sent + static_cast<std::uint64_t>(got));
            }
            sent += static_cast<std::uint64_t>(got);
            m_watchdog.touch();
            if (progress && !progress(sent)) {
                throw PublishError(Failure::Cancelled, "Abgebrochen.");
            }
        }
    }

    void makeFolders(const std::string& file) {
        std::size_t slash = 0;
        while ((slash = file.find('/', slash)) != std::string::npos) {
            const std::string folder = remotePath(file.substr(0, slash));
            sftp_attributes attributes = sftp_stat(m_sftp, folder.c_str());
            if (attributes != nullptr) {
                sftp_attributes_free(attributes);
            } else if (sftp_mkdir(m_sftp, folder.c_str(), 0755) != SSH_OK) {
                fail("Der Ordner „" + file.substr(0, slash) +
                     "“ lässt sich auf dem Server nicht anlegen");
            }
            ++slash;
        }
        // The target folder itself, for a first publish.
        if (file.find('/') == std::string::npos && !m_folder.empty()) {
            makeTargetFolder();
        }
    }

    void makeTargetFolder() {
        std::size_t slash = m_folder.starts_with('/') ? 1 : 0;
        for (;;) {
            slash = m_folder.find('/', slash);
            const std::string folder = m_folder.substr(0, slash);
            sftp_attributes attributes = sftp_stat(m_sftp, folder.c_str());
            if (attributes != nullptr) {
                sftp_attributes_free(attributes);
            } else if (sftp_mkdir(m_sftp, folder.c_str(), 0755) != SSH_OK) {
                fail("Der Ordner „" + folder + "“ lässt sich auf dem Server nicht anlegen");
            }
            if (slash == std::string::npos) {
                return;
            }
            ++slash;
        }
    }

    std::string remotePath(const std::string& path) const {
        const std::string full = joined(m_folder, path);
        return full.empty() ? "." : full;
    }

    static std::string shown(const std::string& folder) { return folder.empty() ? "." : folder; }

    // Throws the failure that the last SFTP error stands for, with what and what to do.
    [[noreturn]] void fail(const std::string& what) { failFile(what, {}, 0); }
    // The same for the file path of bytes, whose folder's free space tells a full disk apart.
    [[noreturn]] void failFile(const std::string& what, const std::string& path,
                               std::uint64_t bytes) {
        throw errorOf(m_sftp != nullptr ? sftp_get_error(m_sftp) : SSH_FX_OK, what, path, bytes);
    }

    // The failure that an SFTP status stands for, with what and what to do; path and bytes are
    // the file concerned, if any.
    PublishError errorOf(int status, const std::string& what, const std::string& path = {},
                         std::uint64_t bytes = 0) {
        if (m_watchdog.fired()) {
            return silentServer(m_silenceLimit);
        }
        if (ssh_is_connected(m_session) == 0 || status == SSH_FX_CONNECTION_LOST ||
            status == SSH_FX_NO_CONNECTION) {
            return {Failure::ConnectionLost,
                    what + ": die Verbindung zum Server ist abgebrochen. Bitte die "
                           "Netzverbindung prüfen und noch einmal veröffentlichen; "
                           "was schon oben ist, wird nicht noch einmal gesendet."};
        }
        if (status == SSH_FX_PERMISSION_DENIED || status == SSH_FX_WRITE_PROTECT) {
            return {Failure::PermissionDenied,
                    what + ": der Server verweigert den Zugriff. Bitte den Ordner in "
                           "der Adresse und die Rechte auf dem Server prüfen."};
        }
        if (status == NoSpaceOnFilesystem || status == QuotaExceeded) {
            return diskFull(what);
        }
        if (status == SSH_FX_FAILURE) {
            return refusal(what, path, bytes);
        }
        return {Failure::Other, what + ": " + statusReason(status) + " (SFTP-Status " +
                                    std::to_string(status) + ")."};
    }

    // What an SFTP status means, in German, with what to do where there is something.
    static std::string statusReason(int status) {
        switch (status) {
        case SSH_FX_NO_SUCH_FILE:
        case SSH_FX_NO_SUCH_PATH:
            return "die Datei oder ihr Ordner ist auf dem Server nicht da";
        case SSH_FX_FILE_ALREADY_EXISTS:
            return "auf dem Server steht schon etwas mit diesem Namen";
        case SSH_FX_OP_UNSUPPORTED:
            return "der Server kann diesen Schritt nicht ausführen";
        case SSH_FX_BAD_MESSAGE:
        case SSH_FX_INVALID_HANDLE:
            return "der Server hat die Anfrage nicht verstanden; bitte noch einmal "
                   "veröffentlichen";
        case SSH_FX_NO_MEDIA:
            return "auf dem Server ist kein Datenträger eingelegt";
        default:
            return "der Server meldet einen Fehler ohne Grund; bitte noch einmal veröffentlichen "
                   "und sonst beim Betreiber nachfragen";
        }
    }

    static PublishError diskFull(const std::string& what) {
        return {Failure::QuotaFull, what + ": der Speicherplatz auf dem Server ist voll. Bitte "
                                           "Platz schaffen oder den Speicher beim Anbieter "
                                           "erweitern."};
    }

    // The server refused without a reason. OpenSSH's server says no more for a full disk than
    // for a folder standing where the file should go or a rename onto a folder; only the free
    // space of the file's folder tells them apart, asked only now that something failed.
    PublishError refusal(const std::string& what, const std::string& path, std::uint64_t bytes) {
        const std::size_t slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash);
        sftp_statvfs_t space =
            m_sftp != nullptr && sftp_extension_supported(m_sftp, "statvfs@openssh.com", "2") != 0
                ? sftp_statvfs(m_sftp, remotePath(folder).c_str())
                : nullptr;
        if (space == nullptr) {
            return {Failure::Other,
                    what + ": der Server lehnt das ab, ohne einen Grund zu nennen. Entweder ist "
                           "der Speicherplatz auf dem Server voll, oder dort steht schon etwas "
                           "mit demselben Namen, etwa ein Ordner. Bitte auf dem Server "
                           "nachsehen."};
        }
        const std::uint64_t block = space->f_frsize != 0 ? space->f_frsize : space->f_bsize;
        const bool full = space->f_bavail * block < std::max<std::uint64_t>(bytes, 1) ||
                          (space->f_files != 0 && space->f_favail == 0);
        sftp_statvfs_free(space);
        if (full) {
            return diskFull(what);
        }
        return {Failure::Other,
                what + ": der Server lehnt das ab, ohne einen Grund zu nennen; Platz ist genug "
                       "frei. Meist steht dort schon etwas mit demselben Namen, etwa ein Ordner, "
                       "oder die Datei ist auf dem Server gesperrt. Bitte auf dem Server "
                       "nachsehen."};
    }

    // Bytes in memory (the record) as a batch of one: its requests go out together instead of
    // each waiting for the answer to the one before.
    void sendWhole(const std::string& content, const std::string& temporary,
                   const std::string& final, const SendProgress& progress, std::int64_t modified) {
        class Whole final : public UploadWatcher {
        public:
            Whole(const std::string& content, const SendProgress& progress)
                : m_content(content), m_progress(progress) {}
            std::string content(std::size_t) override { return m_content; }
            bool progress(std::uint64_t sent) override { return !m_progress || m_progress(sent); }
            void done(std::size_t) override {}

        private:
            const std::string& m_content;
            const SendProgress& m_progress;
        };
        Whole whole(content, progress);
        sendAll({Upload{temporary, final, modified}}, whole);
    }

    // Each folder of the batch is made once per connection, before its files go.
    void makeFoldersOf(const std::vector<Upload>& uploads) {
        const Watched watched(*this);
        std::set<std::string> folders;
        for (const Upload& upload : uploads) {
            const std::size_t slash = upload.temporary.rfind('/');
            folders.insert(slash == std::string::npos ? "" : upload.temporary.substr(0, slash));
        }
        for (const std::string& folder : folders) {
            if (m_madeFolders.contains(folder)) {
                continue;
            }
            sftp_attributes attributes = sftp_stat(m_sftp, remotePath(folder).c_str());
            if (attributes != nullptr) {
                sftp_attributes_free(attributes);
            } else if (folder.empty()) {
                makeFolders("x");
            } else {
                makeFolders(folder + "/x");
            }
            m_madeFolders.insert(folder);
        }
    }

    // The channel for many requests at once, opened on first use; nothing when the server
    // allows one channel only, or once a failure has left replies on it that may never come:
    // what follows (saving the record after it) goes the library's way, one request at a time.
    SftpRequests* requestsChannel() {
        if (m_requestsSpent) {
            return nullptr;
        }
        if (!m_requests && !m_oneAtATime) {
            try {
                m_requests = std::make_unique<SftpRequests>(m_session, m_silenceLimit);
            } catch (const PublishError&) {
                if (ssh_is_connected(m_session) == 0) {
                    throw;
                }
                // A server that allows one channel only: one request after the other.
                m_oneAtATime = true;
            }
        }
        return m_requests.get();
    }

    // One turn of a conversation on the requests' channel: sends what is queued, hands the next
    // reply to answer if one comes within 200 ms, and hears "Abbrechen" at once (the replies
    // still due are left on the channel, which is then used no more).
    template <typename Answer>
    void exchange(SftpRequests& requests, Answer&& answer) {
        requests.flush();
        if (std::optional<SftpRequests::Reply> reply = requests.next(200)) {
            m_watchdog.touch();
            answer(*reply);
        }
        if (m_host.cancelRequested()) {
            throw PublishError(Failure::Cancelled, "Abgebrochen.");
        }
    }

    // Runs work on the requests' channel. After a failure replies may still be due on it, so it
    // is used no more: what follows goes the library's way.
    template <typename Work>
    auto onRequests(Work&& work) {
        try {
            return work();
        } catch (const PublishError&) {
            m_requestsSpent = true;
            if (m_watchdog.fired()) {
                throw silentServer(m_silenceLimit);
            }
            throw;
        }
    }

    class Batch;
    class FolderReading;
    class FileReading;
    void sendAllWatched(const std::vector<Upload>& uploads, UploadWatcher& watcher);

    Target m_target;
    PublishHost& m_host; // asked about "Abbrechen" while folders and the record are read
    std::chrono::milliseconds m_silenceLimit;
    Watchdog m_watchdog{m_silenceLimit}; // outlives the session
    std::string m_folder;
    std::unique_ptr<ssh_session_struct, SessionDeleter> m_sessionOwner;
    ssh_session m_session;
    std::unique_ptr<sftp_session_struct, SftpDeleter> m_sftpOwner;
    sftp_session m_sftp = nullptr;
    std::unique_ptr<SftpRequests> m_requests;
    std::set<std::string> m_madeFolders;
    bool m_oneAtATime = false;
    bool m_requestsSpent = false;
};

// One batch of uploads through the requests' channel: up to FilesUnderWay files at once, each
// opened under its temporary name, written, closed, and renamed only once every write and the
// close are confirmed; so no final name ever holds a half file.
class SftpConnection::Batch {
public:
    Batch(SftpConnection& connection, SftpRequests& requests, const std::vector<Upload>& uploads,
          UploadWatcher& watcher)
        : m_connection(connection), m_requests(requests), m_uploads(uploads), m_watcher(watcher),
          m_filesUnderWay(std::min(FilesUnderWay, requests.openLimit())) {}

    void run() {
        auto lastReply = std::chrono::steady_clock::now();
        for (;;) {
            while (!stopping() && m_next < m_uploads.size() && m_files.size() < m_filesUnderWay &&
                   m_bytesUnderWay < BytesUnderWay) {
                start(m_next++);
            }
            m_requests.flush();
            m_connection.m_watchdog.touch();
            if (m_files.empty()) {
                break;
            }
            if (const std::optional<SftpRequests::Reply> reply = m_requests.next(200)) {
                answer(*reply);
                lastReply = std::chrono::steady_clock::now();
            } else if (m_cancelled && std::chrono::steady_clock::now() - lastReply > CancelGrace) {
                // What is still under way stays under its temporary name, for the next run.
                break;
            }
            if (!m_cancelled && !m_watcher.progress(m_confirmed)) {
                m_cancelled = true;
            }
        }
        if (m_failure) {
            throw *m_failure;
        }
        if (m_cancelled) {
            throw PublishError(Failure::Cancelled, "Abgebrochen.");
        }
    }

private:
    enum class Step { Open, Write, SetModified, Close, Rename, RemoveFinal, RemoveTemporary };

    struct File {
        std::string content;
        std::string handle;
        std::size_t waiting = 0; // replies still due
        bool failed = false;
        bool renameFailed = false;
        bool retried = false;
    };

    struct Request {
        std::size_t index;
        Step step;
        std::uint64_t bytes = 0;
    };

    bool stopping() const { return m_cancelled || m_failure.has_value(); }

    void fail(const PublishError& error) {
        if (!m_failure) {
            m_failure = error;
        }
    }

    std::string remote(const std::string& path) const { return m_connection.remotePath(path); }

    void ask(std::uint32_t id, std::size_t index, Step step, std::uint64_t bytes = 0) {
        m_asked.emplace(id, Request{index, step, bytes});
        ++m_files.at(index).waiting;
    }

    void start(std::size_t index) {
        std::string content;
        try {
            content = m_watcher.content(index);
        } catch (const PublishError& error) {
            fail(error);
            return;
        }
        m_bytesUnderWay += content.size();
        m_files[index].content = std::move(content);
        ask(m_requests.open(remote(m_uploads[index].temporary)), index, Step::Open);
    }

    void answer(const SftpRequests::Reply& reply) {
        const std::optional<Request> asked = takeAsked(m_asked, reply.id);
        if (!asked) {
            return;
        }
        const Request& request = *asked;
        File& file = m_files.at(request.index);
        --file.waiting;
        const Upload& upload = m_uploads[request.index];
        const bool good = reply.status == SSH_FX_OK;
        switch (request.step) {
        case Step::Open:
            if (!good) {
                fail(m_connection.errorOf(static_cast<int>(reply.status),
                                          "Die Datei „" + upload.final +
                                              "“ lässt sich auf dem Server nicht anlegen",
                                          upload.final, file.content.size()));
                file.failed = true;
            } else {
                file.handle = reply.handle;
                writeAll(request.index, file);
            }
            break;
        case Step::SetModified: // refused: the file is sent again after an interruption
        case Step::Write:
        case Step::Close:
            if (!good && !file.failed && request.step != Step::SetModified) {
                fail(m_connection.errorOf(static_cast<int>(reply.status),
                                          "Die Datei „" + upload.final +
                                              "“ lässt sich auf dem Server nicht schreiben",
                                          upload.final, file.content.size()));
                file.failed = true;
            }
            m_confirmed += good ? request.bytes : 0;
            if (file.waiting == 0) {
                if (file.failed || stopping()) {
                    removeTemporary(request.index);
                } else {
                    ask(m_requests.rename(remote(upload.temporary), remote(upload.final)),
                        request.index, Step::Rename);
                }
            }
            break;
        case Step::RemoveFinal:
            break;
        case Step::Rename:
            file.renameFailed = !good;
            if (!good && !file.retried && !m_requests.atomicRename()) {
                // A server without an atomic replace: the old file goes first, and for a moment
                // the name is missing.
                file.retried = true;
                ask(m_requests.remove(remote(upload.final)), request.index, Step::RemoveFinal);
                ask(m_requests.rename(remote(upload.temporary), remote(upload.final)),
                    request.index, Step::Rename);
            } else if (!good) {
                fail(m_connection.errorOf(static_cast<int>(reply.status),
                                          "Die Datei „" + upload.final +
                                              "“ lässt sich auf dem Server nicht umbenennen",
                                          upload.final, file.content.size()));
                file.failed = true;
            }
            if (file.waiting == 0) {
                if (!file.failed && !file.renameFailed) {
                    m_watcher.done(request.index);
                } else {
                    removeTemporary(request.index);
                }
            }
            break;
        case Step::RemoveTemporary:
            break;
        }
        if (file.waiting == 0) {
            m_bytesUnderWay -= file.content.size();
            m_files.erase(request.index);
        }
    }

    void writeAll(std::size_t index, File& file) {
        if (!stopping()) {
            const std::size_t limit = m_requests.writeLimit();
            for (std::size_t at = 0; at < file.content.size(); at += limit) {
                const std::string_view part =
                    std::string_view(file.content)
                        .substr(at, std::min(limit, file.content.size() - at));
                ask(m_requests.write(file.handle, at, part), index, Step::Write, part.size());
            }
            // After the last write: the server works through one file's requests in order.
            if (m_uploads[index].modified >= 0) {
                ask(m_requests.setModified(file.handle, m_uploads[index].modified), index,
                    Step::SetModified);
            }
        }
        ask(m_requests.close(file.handle), index, Step::Close);
    }

    void removeTemporary(std::size_t index) {
        ask(m_requests.remove(remote(m_uploads[index].temporary)), index, Step::RemoveTemporary);
    }

    SftpConnection& m_connection;
    SftpRequests& m_requests;
    const std::vector<Upload>& m_uploads;
    UploadWatcher& m_watcher;
    const std::size_t m_filesUnderWay;
    std::size_t m_next = 0;
    std::map<std::size_t, File> m_files; // under way, by index
    std::unordered_map<std::uint32_t, Request> m_asked;
    std::uint64_t m_bytesUnderWay = 0;
    std::uint64_t m_confirmed = 0;
    bool m_cancelled = false;
    std::optional<PublishError> m_failure;
};

void SftpConnection::sendAll(const std::vector<Upload>& uploads, UploadWatcher& watcher) {
    if (uploads.empty()) {
        return;
    }
    makeFoldersOf(uploads);
    const Watched watched(*this);
    try {
        sendAllWatched(uploads, watcher);
    } catch (const PublishError&) {
        if (m_watchdog.fired()) {
            throw silentServer(m_silenceLimit);
        }
        throw;
    }
}

void SftpConnection::sendAllWatched(const std::vector<Upload>& uploads, UploadWatcher& watcher) {
    SftpRequests* requests = requestsChannel();
    if (requests == nullptr) {
        Connection::sendAll(uploads, watcher); // one file after the other
        return;
    }
    Batch batch(*this, *requests, uploads, watcher);
    onRequests([&] { batch.run(); });
}

// Reads folders through the requests' channel: every folder opened at once (up to the server's
// limit of open handles), then each read again as soon as its last batch of entries is in. One
// read per folder is under way at a time, as the protocol leaves the order of several reads of
// one folder to the server.
class SftpConnection::FolderReading {
public:
    FolderReading(SftpConnection& connection, SftpRequests& requests)
        : m_connection(connection), m_requests(requests) {}

    std::map<std::string, std::optional<std::vector<RemoteEntry>>>
    run(const std::set<std::string>& folders) {
        auto next = folders.begin();
        const std::size_t limit =
            std::max<std::size_t>(1, std::min<std::size_t>(16, m_requests.openLimit()));
        for (;;) {
            while (!m_failure && next != folders.end() && m_open < limit) {
                m_listings[*next] = std::vector<RemoteEntry>();
                m_asked.emplace(m_requests.openFolder(m_connection.remotePath(*next)),
                                Request{*next, Step::Open, {}});
                ++m_open;
                ++next;
            }
            if (m_asked.empty()) {
                break;
            }
            m_connection.exchange(m_requests,
                                  [this](SftpRequests::Reply& reply) { answer(std::move(reply)); });
        }
        if (m_failure) {
            throw *m_failure;
        }
        return std::move(m_listings);
    }

private:
    enum class Step { Open, Read, Close };
    struct Request {
        std::string folder;
        Step step;
        std::string handle;
    };

    void answer(SftpRequests::Reply reply) {
        const std::optional<Request> asked = takeAsked(m_asked, reply.id);
        if (!asked) {
            return;
        }
        const Request& request = *asked;
        const bool good = reply.status == SSH_FX_OK;
        switch (request.step) {
        case Step::Open:
            if (good) {
                readOn(request.folder, reply.handle);
                return;
            }
            if (reply.status == SSH_FX_NO_SUCH_FILE) {
                m_listings[request.folder].reset();
            } else {
                fail(request.folder, reply.status);
            }
            --m_open;
            return;
        case Step::Read:
            if (good) {
                auto& entries = *m_listings[request.folder];
                std::move(reply.entries.begin(), reply.entries.end(), std::back_inserter(entries));
                readOn(request.folder, request.handle);
                return;
            }
            if (reply.status != SSH_FX_EOF) {
                fail(request.folder, reply.status);
            }
            m_asked.emplace(m_requests.close(request.handle),
                            Request{request.folder, Step::Close, {}});
            return;
        case Step::Close:
            --m_open;
            return;
        }
    }

    void readOn(const std::string& folder, const std::string& handle) {
        if (m_failure) {
            m_asked.emplace(m_requests.close(handle), Request{folder, Step::Close, {}});
        } else {
            m_asked.emplace(m_requests.readFolder(handle), Request{folder, Step::Read, handle});
        }
    }

    void fail(const std::string& folder, std::uint32_t status) {
        if (!m_failure) {
            m_failure = m_connection.errorOf(static_cast<int>(status),
                                             "Der Ordner „" + shown(folder) +
                                                 "“ auf dem Server lässt sich nicht lesen");
        }
    }

    SftpConnection& m_connection;
    SftpRequests& m_requests;
    std::map<std::string, std::optional<std::vector<RemoteEntry>>> m_listings;
    std::unordered_map<std::uint32_t, Request> m_asked;
    std::size_t m_open = 0; // folders opened or asked to be
    std::optional<PublishError> m_failure;
};

// Reads a file through the requests' channel with several reads under way, so a large record
// costs a round trip or two rather than one for every piece. A server may answer a read with
// fewer bytes than asked for; the rest is asked for again.
class SftpConnection::FileReading {
public:
    FileReading(SftpConnection& connection, SftpRequests& requests)
        : m_connection(connection), m_requests(requests) {}

    std::optional<std::string> run(const std::string& path, std::uint64_t limit) {
        m_path = path;
        const std::uint32_t opened = m_requests.openForReading(m_connection.remotePath(path));
        const SftpRequests::Reply reply = replyTo(opened);
        if (reply.status == SSH_FX_NO_SUCH_FILE) {
            return std::nullopt;
        }
        if (reply.status != SSH_FX_OK) {
            throw failure(reply.status);
        }
        m_handle = reply.handle;
        for (;;) {
            while (!m_failure && m_end == NoEnd && m_asked.size() < ReadsUnderWay &&
                   m_next <= limit) {
                ask(m_next, PieceSize);
                m_next += PieceSize;
            }
            if (m_asked.empty()) {
                break;
            }
            m_connection.exchange(m_requests,
                                  [this](const SftpRequests::Reply& reply) { answer(reply); });
        }
        m_requests.close(m_handle); // its answer is not waited for
        m_requests.flush();
        if (m_failure) {
            throw *m_failure;
        }
        m_end = std::min(m_end, m_next); // past the limit: no further piece was asked for
        std::string content;
        for (const auto& [offset, piece] : m_pieces) {
            if (offset >= m_end) {
                break;
            }
            if (offset != content.size()) {
                throw failure(SSH_FX_BAD_MESSAGE); // a piece never came
            }
            content += piece.substr(0, static_cast<std::size_t>(m_end - offset));
        }
        if (content.size() != m_end) {
            throw failure(SSH_FX_BAD_MESSAGE);
        }
        if (content.size() > limit) {
            content.resize(static_cast<std::size_t>(limit) + 1);
        }
        return content;
    }

private:
    static constexpr std::uint32_t PieceSize = 64 * 1024;
    static constexpr std::size_t ReadsUnderWay = 16;
    static constexpr std::uint64_t NoEnd = std::numeric_limits<std::uint64_t>::max();

    struct Request {
        std::uint64_t offset;
        std::uint32_t length;
    };

    SftpRequests::Reply replyTo(std::uint32_t id) {
        std::optional<SftpRequests::Reply> wanted;
        while (!wanted) {
            m_connection.exchange(m_requests, [&](SftpRequests::Reply& reply) {
                if (reply.id == id) {
                    wanted = std::move(reply);
                }
            });
        }
        return std::move(*wanted);
    }

    void ask(std::uint64_t offset, std::uint32_t length) {
        m_asked.emplace(m_requests.read(m_handle, offset, length), Request{offset, length});
    }

    void answer(const SftpRequests::Reply& reply) {
        const std::optional<Request> asked = takeAsked(m_asked, reply.id);
        if (!asked) {
            return;
        }
        const Request& request = *asked;
        if (reply.status == SSH_FX_EOF || (reply.status == SSH_FX_OK && reply.data.empty())) {
            m_end = std::min(m_end, request.offset);
        } else if (reply.status != SSH_FX_OK || reply.data.size() > request.length) {
            if (!m_failure) {
                m_failure = failure(reply.status == SSH_FX_OK ? SSH_FX_BAD_MESSAGE : reply.status);
            }
        } else {
            m_pieces[request.offset] = reply.data;
            const auto got = static_cast<std::uint32_t>(reply.data.size());
            if (got < request.length && !m_failure) {
                ask(request.offset + got, request.length - got);
            }
        }
    }

    PublishError failure(std::uint32_t status) {
        return m_connection.errorOf(static_cast<int>(status),
                                    "Die Datei „" + m_path +
                                        "“ auf dem Server lässt sich nicht lesen");
    }

    SftpConnection& m_connection;
    SftpRequests& m_requests;
    std::string m_path;
    std::string m_handle;
    std::unordered_map<std::uint32_t, Request> m_asked;
    std::map<std::uint64_t, std::string> m_pieces; // by offset
    std::uint64_t m_next = 0;
    std::uint64_t m_end = NoEnd; // where the file ends, once a read has met the end
    std::optional<PublishError> m_failure;
};

// Up to FilesUnderWay removals under way at once. A file that is gone already counts as
// removed. On "Abbrechen" the answers still due are not waited for.
void SftpConnection::removeAll(const std::vector<std::string>& paths,
                               const std::function<bool()>& goOn,
                               const std::function<void(std::size_t)>& done) {
    const Watched watched(*this);
    SftpRequests* requests = requestsChannel();
    if (requests == nullptr) {
        Connection::removeAll(paths, goOn, done);
        return;
    }
    onRequests([&] {
        std::unordered_map<std::uint32_t, std::size_t> asked;
        std::optional<PublishError> failure;
        std::size_t next = 0;
        for (;;) {
            if (!goOn()) {
                throw PublishError(Failure::Cancelled, "Abgebrochen.");
            }
            while (!failure && next < paths.size() && asked.size() < FilesUnderWay) {
                asked.emplace(requests->remove(remotePath(paths[next])), next);
                ++next;
            }
            if (asked.empty()) {
                break;
            }
            exchange(*requests, [&](const SftpRequests::Reply& reply) {
                const std::optional<std::size_t> removed = takeAsked(asked, reply.id);
                if (!removed) {
                    return;
                }
                if (reply.status == SSH_FX_OK || reply.status == SSH_FX_NO_SUCH_FILE) {
                    done(*removed);
                } else if (!failure) {
                    failure = errorOf(static_cast<int>(reply.status),
                                      "Die Datei „" + paths[*removed] +
                                          "“ lässt sich auf dem Server nicht löschen");
                }
            });
        }
        if (failure) {
            throw *failure;
        }
    });
}

std::optional<std::string> SftpConnection::read(const std::string& path, std::uint64_t limit) {
    const Watched watched(*this);
    SftpRequests* requests = requestsChannel();
    if (requests == nullptr) {
        return readOneByOne(path, limit);
    }
    return onRequests([&] { return FileReading(*this, *requests).run(path, limit); });
}

std::map<std::string, std::optional<std::vector<RemoteEntry>>>
SftpConnection::listAll(const std::set<std::string>& folders) {
    const Watched watched(*this);
    SftpRequests* requests = requestsChannel();
    if (requests == nullptr) {
        return Connection::listAll(folders);
    }
    return onRequests([&] { return FolderReading(*this, *requests).run(folders); });
}

} // namespace

std::unique_ptr<Connection> connectSftp(const Target& target, const PublishOptions& options,
                                        PublishHost& host) {
    return std::make_unique<SftpConnection>(target, options, host);
}

} // namespace bildertafel::publish
