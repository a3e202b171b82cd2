#pragma once

#include "publish/Publisher.h"

#include <libssh/libssh.h>

#include <memory>
#include <string>

namespace bildertafel::publish {

// The SSH connection of an SFTP publish, resolved as ssh resolves a host (its configuration
// first), with the server's key verified against the known hosts and the user logged in. Every
// failure throws PublishError.
class SftpSession {
public:
    SftpSession(const Target& target, const PublishOptions& options, PublishHost& host);

    ssh_session get() const { return m_session.get(); }

private:
    struct Deleter {
        void operator()(ssh_session session) const {
            ssh_disconnect(session);
            ssh_free(session);
        }
    };

    void configure(const Target& target, const PublishOptions& options);
    void verifyHost(PublishHost& host);
    void authenticate(const PublishOptions& options, PublishHost& host);
    // Logs in with the key of the file, asking for its passphrase; the library's result.
    int loginWithKeyFile(const std::string& keyFile, PublishHost& host);

    std::unique_ptr<ssh_session_struct, Deleter> m_session;
    std::string m_host; // as the user wrote it, for the messages
    int m_port = 22;
    std::string m_sshFolder; // of the keys and ssh's configuration
};

} // namespace bildertafel::publish
