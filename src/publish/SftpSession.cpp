#include "publish/SftpSession.h"

#include "publish/Connection.h"
#include "publish/UserPlaces.h"

#include <fcntl.h>
#include <netdb.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

namespace bildertafel::publish {

namespace {

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

// A string option of the session after its configuration was applied; empty when unset.
std::string optionOf(ssh_session session, ssh_options_e option) {
    char* value = nullptr;
    if (ssh_options_get(session, option, &value) != SSH_OK || value == nullptr) {
        return {};
    }
    std::string text = value;
    ssh_string_free_char(value);
    return text;
}

[[noreturn]] void fail(FailureKind kind, const std::string& host = {}, std::string reason = {}) {
    FailureFacts facts;
    facts.kind = kind;
    facts.host = host;
    facts.reason = std::move(reason);
    throw PublishError(facts);
}

[[noreturn]] void refuseKey(FailureKind kind, const std::string& keyFile) {
    FailureFacts facts(kind);
    facts.key = keyFile;
    throw PublishError(facts);
}

// True when an agent listens on the socket.
bool agentListens(const std::string& path) {
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        return false;
    }
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const bool listens =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return listens;
}

// The first of the sockets where an ssh-agent listens; empty when there is none.
std::string agentSocket(const std::vector<std::string>& sockets) {
    for (const std::string& socket : sockets) {
        if (agentListens(socket)) {
            return socket;
        }
    }
    return {};
}

// The default key files, as ssh tries them.
constexpr const char* DefaultKeys[] = {"id_ed25519", "id_ecdsa", "id_rsa"};

// The default key files of the folder that exist, as ssh tries them.
std::string defaultKeysIn(const std::string& folder) {
    std::string keys;
    for (const char* name : DefaultKeys) {
        std::error_code missing;
        if (std::filesystem::is_regular_file(folder + "/" + name, missing)) {
            keys += (keys.empty() ? "" : ", ") + folder + "/" + name;
        }
    }
    return keys;
}

// The folder of ssh's keys the library takes when none is given: .ssh in the home of the
// system's user records.
std::string usersSshFolder() {
    const std::string home = systemUser().home;
    return home.empty() ? std::string() : home + "/.ssh";
}

// A key file is opened without waiting and must be a regular file before the library reads it:
// a FIFO there would keep the publish waiting for ever. Missing is left to the login; one that
// cannot be opened is refused where required.
void refuseUnfitKey(const std::string& file, bool required) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT && required) {
            FailureFacts facts(FailureKind::KeyUnreadable);
            facts.key = file;
            facts.error = errno;
            throw PublishError(facts);
        }
        return;
    }
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    if (!regular) {
        refuseKey(FailureKind::KeyNotAFile, file);
    }
}

} // namespace

SftpSession::SftpSession(const Target& target, const PublishOptions& options, PublishHost& host)
    : m_session(ssh_new()), m_host(target.host) {
    if (!m_session) {
        fail(FailureKind::CannotStart);
    }
    configure(target, options);
    // Before anything is said to the server: every key file the login may read.
    if (!options.keyFile.empty()) {
        refuseUnfitKey(options.keyFile, true);
    }
    const std::string keys = m_sshFolder.empty() ? usersSshFolder() : m_sshFolder;
    for (const char* name : DefaultKeys) {
        if (!keys.empty()) {
            refuseUnfitKey(keys + "/" + name, false);
            refuseUnfitKey(keys + "/" + name + ".pub", false);
        }
    }
    ssh_session session = m_session.get();
    unsigned int port = 22;
    ssh_options_get_port(session, &port);
    m_port = static_cast<int>(port);
    // Through a jump host or a command the name is the other end's to resolve.
    const std::string name = optionOf(session, SSH_OPTIONS_HOST);
    if (optionOf(session, SSH_OPTIONS_PROXYCOMMAND).empty() && !resolves(name)) {
        fail(FailureKind::HostUnknown, m_host);
    }
    if (ssh_connect(session) != SSH_OK) {
        FailureFacts facts;
        facts.kind = FailureKind::NoRoute;
        facts.host = m_host;
        facts.port = m_port;
        facts.reason = ssh_get_error(session);
        throw PublishError(facts);
    }
    verifyHost(host); // may wait for the user's answer
    authenticate(options, host);
}

void SftpSession::configure(const Target& target, const PublishOptions& options) {
    ssh_session session = m_session.get();
    ssh_options_set(session, SSH_OPTIONS_HOST, target.host.c_str());
    // The caller's ~/.ssh; without one libssh's own, of the user's home in the system's records.
    m_sshFolder = options.sshFolder;
    if (!m_sshFolder.empty()) {
        ssh_options_set(session, SSH_OPTIONS_SSH_DIR, m_sshFolder.c_str());
    }
    if (const std::string agent = agentSocket(options.agentSockets); !agent.empty()) {
        ssh_options_set(session, SSH_OPTIONS_IDENTITY_AGENT, agent.c_str());
    }
    // ssh's own configuration, as ssh applies it: a Host alias, its HostName, Port, User,
    // IdentityFile and ProxyJump. What the address says goes over it, as on ssh's command line.
    ssh_options_parse_config(session, nullptr);
    if (target.port != 0) {
        ssh_options_set(session, SSH_OPTIONS_PORT, &target.port);
    }
    if (!target.user.empty()) {
        ssh_options_set(session, SSH_OPTIONS_USER, target.user.c_str());
    }
    if (!options.knownHostsPath.empty()) {
        ssh_options_set(session, SSH_OPTIONS_KNOWNHOSTS, options.knownHostsPath.c_str());
    }
    long timeout = 20;
    ssh_options_set(session, SSH_OPTIONS_TIMEOUT, &timeout);
    // Many small requests are under way at once; none waits for the one before to be
    // acknowledged.
    const int noDelay = 1;
    ssh_options_set(session, SSH_OPTIONS_NODELAY, &noDelay);
}

void SftpSession::verifyHost(PublishHost& host) {
    ssh_session session = m_session.get();
    const ssh_known_hosts_e known = ssh_session_is_known_server(session);
    if (known == SSH_KNOWN_HOSTS_OK) {
        return;
    }
    if (known == SSH_KNOWN_HOSTS_CHANGED || known == SSH_KNOWN_HOSTS_OTHER) {
        fail(FailureKind::HostKeyChanged, m_host);
    }
    if (known != SSH_KNOWN_HOSTS_NOT_FOUND && known != SSH_KNOWN_HOSTS_UNKNOWN) {
        fail(FailureKind::KnownHostsUnreadable, m_host, ssh_get_error(session));
    }
    ssh_key key = nullptr;
    if (ssh_get_server_publickey(session, &key) != SSH_OK) {
        fail(FailureKind::NoServerKey, m_host);
    }
    unsigned char* hash = nullptr;
    std::size_t hashLength = 0;
    const std::string type = ssh_key_type_to_char(ssh_key_type(key));
    const int hashed = ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &hashLength);
    ssh_key_free(key);
    if (hashed != SSH_OK) {
        fail(FailureKind::ServerKeyUnreadable, m_host);
    }
    char* fingerprint = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, hashLength);
    ssh_clean_pubkey_hash(&hash);
    const std::string shownFingerprint = fingerprint != nullptr ? fingerprint : "";
    ssh_string_free_char(fingerprint);
    if (!host.acceptUnknownHostKey(hostKeyQuestion(m_host, m_port, type, shownFingerprint))) {
        fail(FailureKind::HostKeyNotConfirmed, m_host);
    }
    if (ssh_session_update_known_hosts(session) != SSH_OK) {
        fail(FailureKind::KnownHostsUnwritable, m_host, ssh_get_error(session));
    }
}

void SftpSession::authenticate(const PublishOptions& options, PublishHost& host) {
    ssh_session session = m_session.get();
    FailureFacts refused(FailureKind::Login);
    refused.host = m_host;
    refused.password = !options.password.empty();
    int rc = ssh_userauth_none(session, nullptr);
    if (rc != SSH_AUTH_SUCCESS && !options.keyFile.empty()) {
        rc = loginWithKeyFile(options.keyFile, host);
        refused.key = options.keyFile;
    }
    if (rc != SSH_AUTH_SUCCESS && rc != SSH_AUTH_ERROR) {
        rc = ssh_userauth_publickey_auto(session, nullptr, nullptr);
        if (refused.key.empty()) {
            refused.reason = m_sshFolder.empty() ? std::string() : defaultKeysIn(m_sshFolder);
            const std::string configured = optionOf(session, SSH_OPTIONS_IDENTITY);
            std::error_code missing;
            if (std::filesystem::is_regular_file(configured, missing) &&
                refused.reason.find(configured) == std::string::npos) {
                refused.reason += (refused.reason.empty() ? "" : ", ") + configured;
            }
            if (!optionOf(session, SSH_OPTIONS_IDENTITY_AGENT).empty()) {
                refused.reason += refused.reason.empty() ? "ssh-agent" : ", ssh-agent";
            }
        }
    }
    if (rc != SSH_AUTH_SUCCESS && rc != SSH_AUTH_ERROR && !options.password.empty()) {
        rc = ssh_userauth_password(session, nullptr, options.password.c_str());
    }
    if (rc == SSH_AUTH_ERROR) {
        fail(FailureKind::LoginBroken, m_host, ssh_get_error(session));
    }
    if (rc != SSH_AUTH_SUCCESS) {
        throw PublishError(refused);
    }
}

int SftpSession::loginWithKeyFile(const std::string& keyFile, PublishHost& host) {
    ssh_key key = nullptr;
    int read = ssh_pki_import_privkey_file(keyFile.c_str(), nullptr, nullptr, nullptr, &key);
    // A key with a passphrase: asked for until it fits or the user declines.
    for (int asked = 0; read != SSH_OK; ++asked) {
        std::error_code missing;
        if (!std::filesystem::is_regular_file(keyFile, missing)) {
            refuseKey(FailureKind::KeyMissing, keyFile);
        }
        if (asked == 3) {
            refuseKey(FailureKind::KeyUnusable, keyFile);
        }
        std::optional<std::string> passphrase =
            host.askPassphrase(passphraseQuestion(keyFile, asked > 0));
        if (!passphrase) {
            refuseKey(FailureKind::KeyDeclined, keyFile);
        }
        read = ssh_pki_import_privkey_file(keyFile.c_str(), passphrase->c_str(), nullptr, nullptr,
                                           &key);
        std::fill(passphrase->begin(), passphrase->end(), '\0');
    }
    const int rc = ssh_userauth_publickey(m_session.get(), nullptr, key);
    ssh_key_free(key);
    return rc;
}

} // namespace bildertafel::publish
