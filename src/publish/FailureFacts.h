#pragma once

#include "publish/ShowAccess.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace bildertafel::publish {

// What went wrong in a publish, from the publish set to the wire: the kind and the facts, no
// words. failureText() says it in German; PublishError carries the facts to where it is said.
enum class FailureKind {
    None,                // nothing went wrong
    PublishSet,          // the show cannot be published as it is (see PublishSet::error)
    FtpNotConfirmed,     // plain FTP and the user said no
    Busy,                // path: the target folder; host, time: its holder, where known
    TakenOver,           // path: another publish took the target folder over meanwhile
    LinkedFolder,        // path: a folder on the server is a symbolic link
    LinkedLock,          // path: the target folder, whose lock is a symbolic link
    StaleLockStays,      // path: the target folder; lock, aside: where its stale lock lies now
    NoTransferModule,    // path, reason: the sending module cannot be loaded
    Unexpected,          // reason where known: the sending broke off in an unforeseen way
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
    Login,         // password (given or not), key (the file tried, if one was chosen)
    KeyMissing,    // key: the chosen key file is not there
    KeyNotAFile,   // key: a key file that is no regular file (a FIFO would be waited on for ever)
    KeyUnreadable, // key, error: the chosen key file cannot be opened
    KeyUnusable,   // key: no passphrase fits, or the file holds no private key
    KeyDeclined,   // key: the user gave no passphrase
    LoginBroken,   // reason: the connection broke off while logging in
    NoSftp,        // host
    SftpVersion,
    Certificate, // host, reason (FTPS)
    NoTls,       // host (FTPS)
    Cancelled,
    LocalRead,         // path: a file of the show; error where known
    LocalChanged,      // path: a file of the show is no longer the one the plan saw
    NameWithLineBreak, // path (FTP)
    DiskFull,          // step, path
    ServerWriteError,  // step, path, reason: the server could not write to its own storage
    TransferBrokenOff, // step, path, reason: the server closed a transfer and answers on (FTP)
    PermissionDenied,  // step, path, reason
    ConnectionLost,    // step and path where known, reason where known
    Silent,            // silence
    RefusedWithoutWhy, // step, path: no reason and no free space told
    RefusedSpaceLeft,  // step, path: no reason, space is left
    ServerStatus,      // step, path, status: another status of the protocol
    ProtocolViolation, // reason: the server broke the protocol
    AccessSettings,    // access: what is wrong with who may see the show; path: a server path
    ServerPathMissing, // a protected show over FTP(S) without the server's path of the folder
    ForeignServerFile, // path: a .htaccess (or .htpasswd) in the target that Bildertafel did not
                       // write
    S3NoCredentials,   // no access key and secret, given or found (S3)
    S3Endpoint,        // host: the endpoint as given, reason: what is wrong with it
    S3WrongSecret,     // host: the server computed another signature: the secret is wrong
    S3UnknownKey,      // host: the server knows no such access key
    S3NoBucket,        // path: the bucket, host: the endpoint's host
    S3ClockSkew,       // host: the clock of this computer is too far off for the signature
    S3Protection,      // a show with a password cannot go to an object store
    S3Status,          // step, path, status, reason: another HTTP answer of the object store
    S3Answer,          // host, reason: an answer of the object store that is none of S3
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
    int error = 0;         // the system's error number of a step on this computer; 0: none
    bool password = false; // Login: a password was given (always over FTP, whose login has one)
    std::string key;       // Login, Key…: the key file chosen
    // LinkedLock, StaleLockStays: the lock's name below the target folder; aside: it lies under a
    // name of its own that begins with that, where it was moved while being taken over.
    std::string lock;
    bool aside = false;
    // Busy: when the holder last renewed its lock (seconds since 1970); nothing when no holder is
    // known.
    std::optional<std::int64_t> time;
    AccessProblem access = AccessProblem::None;
};

// How a front end names its own controls where a message tells the user what to do next; empty:
// the message says it without naming one.
struct ControlNames {
    // What chooses another key file, as "Bitte … eine andere wählen." goes on.
    std::string chooseKeyFile;
    // What makes the show's pages, as "Bitte zuerst … oder eine vorhandene Startseite wählen."
    // goes on.
    std::string makePages;
    // Where the folder's path on the web server is given, as "Bitte ihn … angeben" goes on.
    std::string serverPath;
};

// The login was refused, or the chosen key could not be used: a password is what to try next.
// (A key file that is no file, or that cannot be opened, is mended on this computer.)
inline bool isLoginRefusal(FailureKind kind) {
    return kind == FailureKind::Login || kind == FailureKind::KeyMissing ||
           kind == FailureKind::KeyUnusable || kind == FailureKind::KeyDeclined;
}

// The German message; a front end's controls named as it names them.
std::string failureText(const FailureFacts& facts, const ControlNames& controls = {});

} // namespace bildertafel::publish
