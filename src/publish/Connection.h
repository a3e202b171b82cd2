#pragma once

#include "publish/FailureFacts.h"
#include "publish/Publisher.h"

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace bildertafel::publish {

// A failure on the way to the server: its kind and facts, said in German only where publish()
// ends (with the front end's names of its controls).
class PublishError : public std::exception {
public:
    explicit PublishError(FailureFacts facts) : m_facts(std::move(facts)) {}
    FailureKind kind() const { return m_facts.kind; }
    const FailureFacts& facts() const { return m_facts; }
    const char* what() const noexcept override { return "publish failure"; }

private:
    FailureFacts m_facts;
};

// The server refused one step (a file it will not let be read, say), while the connection goes
// on: not a lost or silent connection, a broken protocol or a cancel.
inline bool isRefusal(const PublishError& error) {
    switch (error.kind()) {
    case FailureKind::Cancelled:
    case FailureKind::Silent:
    case FailureKind::ConnectionLost:
    case FailureKind::ProtocolViolation:
        return false;
    default:
        return error.facts().step != Step::None;
    }
}

struct RemoteEntry {
    std::string name;
    bool folder = false;
    std::uint64_t size = 0;
    // Changes whenever the file is written (its modification time as the server gives it).
    std::string stamp;
    // The same in seconds since 1970 (UTC), where the listing tells it exactly; else -1.
    std::int64_t modified = -1;
    // A symbolic link on the server: never followed, nothing written or removed through it.
    bool link = false;
};

inline constexpr std::uint64_t UnlimitedRead = std::uint64_t{1} << 62;

// Called with the bytes of the file in hand sent so far; false stops the transfer.
using SendProgress = std::function<bool(std::uint64_t sent)>;

// One file of a batch: temporary and final lie below the target, in the same folder.
struct Upload {
    std::string temporary;
    std::string final;
    // The modification time (seconds since 1970) the file gets before it takes its final name,
    // where the server lets set it; -1: the server's own.
    std::int64_t modified = -1;
    // The bytes it is expected to have (to spread a large batch); 0: not known.
    std::uint64_t size = 0;
    // An upload takes its final name only once every upload of an earlier stage of its batch
    // has its own (the pictures before the pages that show them), where the connection
    // keepsStages(); the stages of a batch do not decrease.
    std::size_t stage = 0;
};

// The bytes of one upload, read from the front in pieces as they go, so that a file of any size
// costs no more memory than a piece.
class UploadSource {
public:
    virtual ~UploadSource() = default;
    // How many bytes it gives in all.
    virtual std::uint64_t size() const = 0;
    // The next bytes into buffer, up to length; 0 only once all size() bytes are given. An upload
    // counts as complete only once read() has said 0: a source may find at its end that what it
    // gave is not what it was to give. Throws PublishError (LocalRead, LocalChanged).
    virtual std::size_t read(char* buffer, std::size_t length) = 0;
};

// Bytes in memory (the record, a lock's owner), which must outlive the source.
std::unique_ptr<UploadSource> sourceOf(std::string_view bytes);

// What a batch of uploads asks of its caller and tells it, on the caller's thread.
class UploadWatcher {
public:
    virtual ~UploadWatcher() = default;
    // The bytes of upload i, asked once, just before they go; throws PublishError (LocalRead).
    virtual std::unique_ptr<UploadSource> source(std::size_t index) = 0;
    // The bytes of the batch that the server has taken so far; false stops the batch.
    virtual bool progress(std::uint64_t sent) = 0;
    // Upload i is complete under its final name. stamp: the time stamp the server gave it, as its
    // listings show it, asked right after the rename where the connection does that (see
    // Connection::keepsTimes()); empty: not asked, a listing tells it.
    virtual void done(std::size_t index, const std::string& stamp) = 0;
};

// The few file operations a publish needs. Paths are below the target folder, "/"-separated;
// "" is the target folder itself. Every failure throws PublishError.
class Connection {
public:
    virtual ~Connection() = default;

    // The entries of a folder; nothing when the folder does not exist. A symbolic link is listed
    // as one (RemoteEntry::link), never as what it leads to.
    virtual std::optional<std::vector<RemoteEntry>> list(const std::string& folder) = 0;
    // What is at path itself, a link not followed; nothing when nothing is. This one lists the
    // folder it lies in.
    virtual std::optional<RemoteEntry> entryOf(const std::string& path);
    // The same for several folders, by folder; this one reads one after the other.
    virtual std::map<std::string, std::optional<std::vector<RemoteEntry>>>
    listAll(const std::set<std::string>& folders);
    // The content of a small file; nothing when it does not exist. Of a file larger than limit
    // only the first limit + 1 bytes are read: what the server holds is not trusted to be small.
    virtual std::optional<std::string> read(const std::string& path,
                                            std::uint64_t limit = UnlimitedRead) = 0;
    // Sends the bytes of content to temporary, then renames temporary to final, replacing it;
    // both lie in the same folder, which is made when missing. modified as in Upload.
    virtual void send(const std::string& content, const std::string& temporary,
                      const std::string& final, const SendProgress& progress,
                      std::int64_t modified = -1) = 0;
    // Sends content as send() does, but may return before it is there: it is there once
    // settle() returns, which throws its failure. Meanwhile only reads may go. This one sends it
    // at once.
    virtual void sendSoon(const std::string& content, const std::string& temporary,
                          const std::string& final) {
        send(content, temporary, final, {});
    }
    virtual void settle() {}
    // True when a file keeps the modification time of its Upload on the server; false when the
    // server gives it its own (FTP without MFMT), so that only what the server says after the
    // rename tells that a file arrived.
    virtual bool keepsTimes() const { return true; }
    // Where it does not: how many files at most go between two writes of the record.
    virtual std::size_t recordStepFiles() const { return 32; }
    // True when sendAll() keeps the stages of a batch apart (Upload::stage), so that one batch
    // may hold several; false: each batch is of one stage.
    virtual bool keepsStages() const { return false; }
    // An object store (S3): an object appears whole by the one request that writes it, so
    // temporary names go unused; folders come and go with the objects below them; the lock is
    // one object written only where none is (sendIfAbsent()).
    virtual bool objectStore() const { return false; }
    // Writes content to path unless something is there already: false then, nothing written.
    // The one step that only one of several clients can win on an object store.
    virtual bool sendIfAbsent(const std::string& content, const std::string& path);
    // On an object store: reads path as read() does and gives the server's stamp (its ETag) of
    // what was read.
    virtual std::optional<std::string> readStamped(const std::string& path, std::uint64_t limit,
                                                   std::string& stamp);
    // On an object store: writes content to path only while the object there is still the one
    // of stamp (readStamped()); false when it is not, nothing written. Of several clients that
    // read the same object only one can replace it.
    virtual bool replaceIfUnchanged(const std::string& content, const std::string& path,
                                    const std::string& stamp);
    virtual void remove(const std::string& path) = 0;
    // Makes the folder (its parent must exist); false when something of that name is there
    // already. The one step that only one of several clients can win, also over FTP.
    virtual bool makeFolder(const std::string& path) = 0;
    // The target folder's absolute path in the server's own file system, where the protocol
    // tells it (SFTP); nothing where it does not (FTP, whose paths start at the login folder).
    virtual std::optional<std::string> serverPath() { return std::nullopt; }
    // An empty folder.
    virtual void removeFolder(const std::string& path) = 0;
    // The files of a folder (their names in it, perhaps not there), then the folder itself, as
    // remove() and removeFolder() remove them; this one one after the other.
    virtual void removeFolderWith(const std::string& folder, const std::vector<std::string>& names);
    // Renames within the target; the new name must not exist.
    virtual void rename(const std::string& from, const std::string& to) = 0;
    // Removes every path as remove() does, in any order, while goOn() says so (Cancelled when it
    // no longer does); done(i) once path i is gone. This one removes one after the other.
    virtual void removeAll(const std::vector<std::string>& paths, const std::function<bool()>& goOn,
                           const std::function<void(std::size_t)>& done);
    // Sends every upload as send() sends one, in any order among them; returns when all are
    // complete under their final names. When one fails or the watcher stops the batch, no further
    // upload starts, the ones under way end without their final name (their temporary files go
    // where the connection still allows), and the failure (Cancelled when stopped) is thrown once
    // nothing is under way any more.
    virtual void sendAll(const std::vector<Upload>& uploads, UploadWatcher& watcher) = 0;
};

// Nothing at all came from the server for limit while an answer was due.
PublishError silentServer(std::chrono::milliseconds limit);
// "Abbrechen" was heard.
PublishError cancelled();
// A file of the show (its path below the show folder) cannot be read; error: the system's.
PublishError unreadable(const std::string& path, int error = 0);
// A file of the show is no longer the one the plan saw: changed, or reached through a link now.
PublishError changedSincePlan(const std::string& path);

// The connection's German message prefix "path: " etc. are added by the caller.
std::unique_ptr<Connection> connectSftp(const Target& target, const PublishOptions& options,
                                        PublishHost& host);
std::unique_ptr<Connection> connectFtp(const Target& target, const PublishOptions& options);
// An S3-compatible object store: target.host is the bucket, target.folder the prefix, the rest
// in options.s3. Nothing is asked of the server yet.
std::unique_ptr<Connection> connectS3(const Target& target, const PublishOptions& options);

} // namespace bildertafel::publish
