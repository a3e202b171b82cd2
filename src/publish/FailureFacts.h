#pragma once

#include "publish/Publisher.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace bildertafel::publish {

// What went wrong on the way to a server, as a transport tells it: the kind and the facts, no
// words. failureText() says it in German; PublishError carries both.
enum class FailureKind {
    CannotStart,         // the library cannot make a connection at all
    HostUnknown,         // host: the name resolves to nothing
    NoRoute,             // host, port, reason: nobody answers there
    NoConnection,        // host, reason: something answers, but no connection comes about
    ServerBusy,          // host, status: the server takes no further connection now (FTP)
    SshAtFtpPort,        // host, port: an SSH server answers an FTP address
    HostKeyChanged,      // host: refused, never asked
    HostKeyNotConfirmed, // host: the user said no to an unknown key
    KnownHostsUnreadable,
    KnownHostsUnwritable,
    NoServerKey,
    ServerKeyUnreadable,
    Login,       // password (given or not), key (the file tried, if one was chosen)
    KeyMissing,  // key: the chosen key file is not there
    KeyUnusable, // key: no passphrase fits, or the file holds no private key
    KeyDeclined, // key: the user gave no passphrase
    LoginBroken, // reason: the connection broke off while logging in
    NoSftp,      // host
    SftpVersion,
    Certificate, // host, reason (FTPS)
    NoTls,       // host (FTPS)
    Cancelled,
    LocalRead,         // path: a file of the show
    NameWithLineBreak, // path (FTP)
    DiskFull,          // step, path
    PermissionDenied,  // step, path, reason
    ConnectionLost,    // step and path where known, reason where known
    Silent,            // silence
    RefusedWithoutWhy, // step, path: no reason and no free space told
    RefusedSpaceLeft,  // step, path: no reason, space is left
    ServerStatus,      // step, path, status: another status of the protocol
    ProtocolViolation, // reason: the server broke the protocol
};

// What a step on the server was doing to its path, for "Die Datei „…“ lässt sich … nicht …".
enum class Step {
    None,
    ListFolder,
    ReadFile,
    CreateFile,
    WriteFile,
    RenameFile,
    RemoveFile,
    MakeFolder,
    RemoveFolder,
    Rename, // of path, a file or a folder
};

struct FailureFacts {
    FailureFacts() = default;
    explicit FailureFacts(FailureKind kind) : kind(kind) {}

    FailureKind kind = FailureKind::ConnectionLost;
    Step step = Step::None;
    std::string path; // below the target folder, or of the show for LocalRead
    std::string host;
    int port = 0;
    // The library's or the server's own words, shown in brackets; may be empty. What a server
    // says is untrusted: the message shows it shortened and without control characters.
    std::string reason;
    std::uint32_t status = 0; // of the protocol: SFTP's status, FTP's reply code
    std::chrono::milliseconds silence{0};
    bool password = false; // Login: a password was given (always over FTP, whose login has one)
    std::string key;       // Login, Key…: the key file chosen
};

// The German message.
std::string failureText(const FailureFacts& facts);
// What a publish's result says of it.
Failure failureOf(FailureKind kind);

} // namespace bildertafel::publish
