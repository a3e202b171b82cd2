#pragma once

#include "publish/FailureFacts.h"
#include "publish/PublishSet.h"
#include "publish/ShowAccess.h"
#include "publish/Target.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bildertafel::publish {

// How an S3 bucket is addressed: by its own host name ("bucket.endpoint", virtual-hosted) or in
// the path ("endpoint/bucket"); Auto chooses by the endpoint (see s3Address()).
enum class S3Addressing { Auto, Path, Virtual };

// An S3-compatible object store's endpoint and keys (see fillS3Access()).
struct S3Access {
    std::string endpoint; // "https://host[:port]"; empty: AWS's own for the region
    std::string region;   // empty: "us-east-1"
    std::string accessKey;
    std::string secretKey; // never written anywhere
    std::string sessionToken;
    S3Addressing addressing = S3Addressing::Auto;
    // The show's objects get "x-amz-acl: public-read" (providers whose buckets grant no public
    // reading by policy); Bildertafel's own record and lock never do.
    bool publicRead = false;
};

struct PublishOptions {
    std::string showFolder; // absolute
    std::string startPage;  // file name in the show folder, "index.html"
    // Connects, compares and fills Result::plan, but sends and removes nothing.
    bool dryRun = false;
    // "Nicht mehr benötigte Dateien löschen": files that an earlier publish of this show put on
    // the server and that the show no longer has are removed after the start page is up. Without
    // it they stay (and stay remembered as Bildertafel's, for a later run with the option).
    bool deleteUnneeded = false;
    // The login password; empty: SFTP tries the ssh-agent and the default keys of ~/.ssh only.
    // Never written anywhere.
    std::string password;
    // SFTP: the known hosts file; empty: ~/.ssh/known_hosts.
    std::string knownHostsPath;
    // SFTP: the folder of the default keys (id_ed25519, id_ecdsa, id_rsa) and of ssh's own
    // configuration (config); the window and the batch command pass $HOME/.ssh. Empty: the
    // .ssh of the home the system's user records name.
    std::string sshFolder;
    // SFTP: where an ssh-agent may listen, in this order (see userPublishOptions()); the first that
    // listens is asked before the key files, as ssh does. The window and the batch command pass
    // those of their environment.
    std::vector<std::string> agentSockets;
    // SFTP: a private key chosen by the user ("Schlüsseldatei…"), tried before all others; its
    // passphrase is asked through PublishHost::askPassphrase() and kept nowhere.
    std::string keyFile;
    // FTPS and S3: a file of CA certificates to verify the server with instead of the system's
    // store.
    std::string caFile;
    // S3: the endpoint and the keys; the secret never written anywhere.
    S3Access s3;
    // Where the sizes, times and checksums of the local files are remembered between runs, so
    // that a second publish need not read every file; empty: nothing is remembered. The window
    // and the batch command pass the user's cache folder ($XDG_CACHE_HOME or ~/.cache, then
    // bildertafel/publish).
    std::string cacheFolder;
    // SFTP: while an answer is awaited and nothing at all has come from the server for this
    // long, the connection counts as lost. A minute, as an FTP transfer's stall limit: far above
    // the pause of a busy server that still works (up to 8 MiB are under way at once); the
    // connect's own 20 s are for reaching the server.
    std::chrono::milliseconds silenceLimit = std::chrono::seconds(60);
    // How long a publish waits for another one into the same folder (from this computer or
    // another) to end before it refuses; see ServerLock.
    std::chrono::milliseconds lockWait = std::chrono::seconds(10);
    // Who may see the show, and what the web server is told about it.
    ShowAccess access;
    // How the calling front end names the controls a message may point to.
    ControlNames controls;
};

// The state of a publish, for the progress display; rate and time left follow from bytesDone
// over the caller's clock.
struct Progress {
    enum class Stage { Connecting, Comparing, Sending, Removing };
    Stage stage = Stage::Connecting;
    std::size_t filesDone = 0;
    std::size_t filesTotal = 0;
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesTotal = 0;
    std::string currentFile; // below the show folder; empty while not sending or removing
};

// What publish() needs of its caller. Every function is called on the thread that runs
// publish(), i.e. the worker thread; a window must hand the questions over to its own thread
// and wait for the answer.
class PublishHost {
public:
    virtual ~PublishHost() = default;

    // The server's SSH key is not in the known hosts file: the German question (host, key type
    // and "SHA256:…" fingerprint, see hostKeyQuestion()). true adds the key to the file and goes
    // on, false refuses the publish. A changed key never asks: the publish is refused.
    virtual bool acceptUnknownHostKey(const std::string& question) = 0;
    // Plain FTP, asked at every publish before anything is sent: the German warning
    // PlainFtpWarning. false refuses the publish.
    virtual bool confirmPlainFtp(const std::string& warning) = 0;
    // The passphrase of the chosen key file, asked with the German question; nothing when the
    // user declines (the key is then not used). Never stored.
    virtual std::optional<std::string> askPassphrase(const std::string& question) {
        (void)question;
        return std::nullopt;
    }
    // Called often; cheap work only.
    virtual void progress(const Progress& progress) = 0;
    // Polled between and during transfers; true stops the publish as soon as the file in hand
    // is dealt with (no half file stays behind under its final name).
    virtual bool cancelRequested() = 0;
};

// One file of the plan.
struct PlannedFile {
    std::string path; // below the show folder / the target folder, "/"-separated
    std::uint64_t size = 0;

    bool operator==(const PlannedFile&) const = default;
};

// What a publish sends and removes, in this order (for "Probelauf").
struct Plan {
    std::vector<PlannedFile> send;
    std::vector<PlannedFile> remove; // empty without deleteUnneeded
    // Files that Bildertafel put there and the show no longer has, left alone because
    // deleteUnneeded is off.
    std::vector<PlannedFile> keptUnneeded;
    // Files whose names the protocol cannot carry (a line break over FTP): found before anything
    // is sent; a publish with any sends nothing, a dry run lists them.
    std::vector<PlannedFile> unsendable;
    std::uint64_t sendBytes = 0;
    // Bildertafel's own .htaccess and .htpasswd (ShowAccess): made at publish time, sent before
    // the show's files, and removed when no longer wanted.
    std::vector<std::string> ownSend;
    std::vector<std::string> ownRemove;
};

// What the check from outside can find.
enum class CheckFinding {
    Protected,             // 401 without the password, 200 with it
    ProtectedWithoutLogin, // 401 without the password, which was not at hand to try
    Online,                // a public show answers 200
    Ended,                 // the end date has passed and the server refuses (403)
    Unreachable,           // no answer (reason: the library's)
    StartPageMissing,      // 404 for the start page
    OpenWithoutPassword,   // a file of a private show answers 200 without the password
    VisibleAfterEnd,       // a file answers 200 after the end date
    PasswordFileNotFound,  // 500 in a private show: the path of .htpasswd is wrong
    ServerError,           // 500 in a public show
    PasswordFileReadable,  // .htpasswd answers 200
    RecordReadable,        // the publish record answers 200
    PasswordRefused,       // 401 with the password
    UnexpectedStatus,      // any other answer where another was due
};

// What the check from outside found, after a publish with a web address.
struct CheckResult {
    bool done = false;   // false: nothing was checked (no web address, a dry run, --no-check)
    bool failed = false; // the show is not as it should be to a visitor
    // German, one line: "Geschützt: ohne Passwort antwortet der Server 401, mit Passwort 200."
    std::string line;
    // German: what is not wrong enough to fail, such as a character set the server declares.
    std::vector<std::string> warnings;
    double seconds = 0; // how long the check took
};

struct Result {
    FailureKind failure = FailureKind::None;
    // true: nothing was sent or removed (the publish was refused before, or a dry run).
    bool nothingSent = true;
    Plan plan; // what was (dry run: would be) sent and removed
    std::size_t filesSent = 0;
    std::size_t filesRemoved = 0;
    std::uint64_t bytesSent = 0;
    std::vector<std::string> warnings; // German, e.g. links that leave the show folder
    // German. Done: "12 Dateien gesendet (3,4 MB), 2 entfernt." / a dry run's plan in a line.
    std::string summary;
    // German, empty when done: what went wrong and what to do about it.
    std::string message;
    CheckResult check;
    // ShowAccess::keepProtection found the show protected on the server and left it so.
    bool protectionKept = false;
};

// Publishes the show to the target: works out the publish set, connects, verifies the server,
// compares with what the server holds, sends what changed (each file under a temporary name in
// its folder, renamed when complete; pictures, then pages, the start page last), removes leftover
// temporary files of an interrupted run and, with deleteUnneeded, files that earlier publishes put
// there and the show no longer has. Blocks until done; run it off the window's thread.
Result publish(const Target& target, const PublishOptions& options, PublishHost& host);

// The German question for an unknown SSH host key.
std::string hostKeyQuestion(const std::string& host, int port, const std::string& keyType,
                            const std::string& fingerprint);
// The German question for the passphrase of a key file.
std::string passphraseQuestion(const std::string& keyFile, bool again);
// The German warning before a plain FTP publish.
extern const std::string PlainFtpWarning;

} // namespace bildertafel::publish
