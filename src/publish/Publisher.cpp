#include "publish/Publisher.h"

#include "core/ByteSize.h"
#include "core/HexCoding.h"
#include "core/SlashPath.h"

#include "publish/Connection.h"
#include "publish/LocalFiles.h"
#include "publish/OutsideCheck.h"
#include "publish/PublishTexts.h"
#include "publish/RunNames.h"
#include "publish/ServerLock.h"
#include "publish/ServerRecord.h"
#include "publish/ShowAccess.h"

#include <openssl/evp.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>

namespace bildertafel::publish {

namespace {

using core::folderOf;
using core::inFolder;
using core::nameOf;

// Over FTP a name travels in a line of its own: a line break in it cannot be sent.
std::vector<PlannedFile> unsendableFiles(const PublishSet& set, Protocol protocol) {
    std::vector<PlannedFile> refused;
    for (const LocalFile& file : set.files) {
        if (protocol != Protocol::Sftp && file.path.find_first_of("\r\n") != std::string::npos) {
            refused.push_back({file.path, file.size});
        }
    }
    return refused;
}

// The file of the show in the cache folder of the options; empty without one (nothing is then
// remembered between runs).
std::string cacheFileFor(const PublishOptions& options, const std::string& show) {
    const std::string& folder = options.cacheFolder;
    if (folder.empty()) {
        return {};
    }
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    // One file per show folder, named by the folder's path.
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    EVP_Digest(show.data(), show.size(), digest, &length, EVP_sha256(), nullptr);
    return folder + "/" + core::hexText(digest, 8, core::HexCase::Lower) + ".txt";
}

using Listing = std::unordered_map<std::string, RemoteEntry>; // name -> entry

// The folder and every folder it lies in, the target folder "" included.
void addWithParents(std::set<std::string>& folders, std::string folder) {
    for (;;) {
        folders.insert(folder);
        if (folder.empty()) {
            return;
        }
        folder = folderOf(folder);
    }
}

// Files are sent in pieces of about this long, between which the lock is renewed.
constexpr std::chrono::seconds PieceTime{10};
constexpr std::uint64_t FirstPiece = std::uint64_t{16} * 1024 * 1024;
// To a server that keeps no times, the record names what arrived after each piece, which is then
// no more than Connection::recordStepFiles() files or this long: a stopped publish sends those
// again at most.
constexpr std::chrono::seconds RecordStepTime{2};
// Bildertafel's own files on the server are small; one of more is somebody else's.
constexpr std::uint64_t OwnFileLimit = std::uint64_t{64} * 1024;
// The numbers of their temporary files, apart from those of the show's files.
constexpr std::size_t OwnFileNumbers = 1000000000;

class PublishRun {
public:
    PublishRun(const Target& target, const PublishOptions& options, PublishHost& host,
               Result& result)
        : m_target(target), m_options(options), m_host(host), m_result(result),
          m_run(newRunName()) {}

    void run(const PublishSet& set) {
        std::string show = m_options.showFolder;
        while (show.size() > 1 && show.back() == '/') {
            show.pop_back();
        }
        m_show = show + "/";
        report(Progress::Stage::Connecting);
        switch (m_target.protocol) {
        case Protocol::Sftp:
            m_connection = connectSftp(m_target, m_options, m_host);
            break;
        case Protocol::S3:
            m_connection = connectS3(m_target, m_options);
            break;
        default:
            m_connection = connectFtp(m_target, m_options);
        }
        if (!m_options.dryRun) {
            // Nothing changes on the server before the lock is held.
            m_lock.emplace(*m_connection, m_run,
                           m_target.protocol == Protocol::S3 ? targetAddress(m_target)
                           : m_target.folder.empty()         ? std::string("/")
                                                             : m_target.folder);
            m_lock->take(m_options.lockWait, [this] { return m_host.cancelRequested(); });
        }
        report(Progress::Stage::Comparing);
        LocalFiles hashes(set, m_show, cacheFileFor(m_options, m_show));
        compare(set, hashes);
        if (m_lock) {
            m_lock->confirm();
        }
        planOwnFiles();
        if (m_options.dryRun) {
            hashes.save();
            return;
        }
        m_result.nothingSent = false;
        removeLeftovers();
        // Before any picture: a show that becomes private is never readable without its password.
        sendOwnFiles();
        sendAll(set, hashes);
        if (m_options.deleteUnneeded) {
            removeUnneeded();
        }
        if (m_recordChanged) {
            writeRecord();
        }
        m_lock->release();
        std::set<std::string> paths;
        for (const LocalFile& file : set.files) {
            paths.insert(file.path);
        }
        hashes.keepOnly(paths);
        hashes.save();
    }

    // After a failure in the middle: what is up counts as sent; best effort only.
    void salvage() {
        if (m_connection && m_recordChanged && !m_options.dryRun) {
            try {
                finishRecord(false);
            } catch (const PublishError&) {
            }
        }
        if (m_lock) {
            m_lock->release();
        }
    }

private:
    void compare(const PublishSet& set, LocalFiles& hashes) {
        std::set<std::string> folders;
        for (const LocalFile& file : set.files) {
            addWithParents(folders, folderOf(file.path));
        }
        listAll(folders);
        m_record = readRecord();
        std::set<std::string> more;
        for (const auto& [path, entry] : m_record.files) {
            if (!m_listings.contains(folderOf(path))) {
                addWithParents(more, folderOf(path));
            }
        }
        std::erase_if(more, [&](const std::string& folder) { return m_listings.contains(folder); });
        listAll(more);
        folders.merge(more);
        refuseLinkedFolders(folders);
        std::set<std::string> wanted;
        for (const LocalFile& file : set.files) {
            wanted.insert(file.path);
            if (!upToDate(file, hashes)) {
                m_result.plan.send.push_back({file.path, file.size});
                m_result.plan.sendBytes += file.size;
            }
            if (m_lock) {
                m_lock->renewWhenDue(); // reading a large show for the first time takes a while
            }
        }
        for (const auto& [path, entry] : m_record.files) {
            if (!wanted.contains(path)) {
                (m_options.deleteUnneeded ? m_result.plan.remove : m_result.plan.keptUnneeded)
                    .push_back({path, entry.size});
            }
        }
    }

    // A file of Bildertafel's own name in the target folder.
    struct OwnFile {
        bool foreign = false;            // there, but not written by Bildertafel
        std::optional<std::string> text; // Bildertafel's, as it is there
    };

    // Bildertafel's .htaccess or .htpasswd as the target folder holds it; one of that name that
    // Bildertafel did not write (a folder or a link too) is foreign.
    OwnFile ownFile(std::string_view name) {
        const Listing& top = m_listings[""];
        const auto found = top.find(std::string(name));
        if (found == top.end()) {
            return {};
        }
        if (found->second.folder || found->second.link) {
            return {true, std::nullopt};
        }
        std::optional<std::string> text = m_connection->read(std::string(name), OwnFileLimit);
        if (!text) {
            return {}; // gone meanwhile
        }
        if (!isOwnServerFile(*text)) {
            return {true, std::nullopt};
        }
        return {false, std::move(text)};
    }

    // What of Bildertafel's own files goes up and what is removed. A foreign .htaccess is never
    // replaced: a protected show is refused, a public one goes up without Bildertafel's.
    void planOwnFiles() {
        const ShowAccess& access = m_options.access;
        // An object store serves no .htaccess: nothing of it would be read.
        if ((!access.serverFiles && !access.protect) || m_connection->objectStore()) {
            return;
        }
        const OwnFile accessFile = ownFile(AccessFileName);
        if (!access.protect && access.keepProtection && accessFile.text &&
            isProtectingAccessFile(*accessFile.text)) {
            m_result.protectionKept = true;
            return;
        }
        const OwnFile passwordFile = ownFile(PasswordFileName);
        for (const auto& [name, file] :
             {std::pair{AccessFileName, &accessFile}, std::pair{PasswordFileName, &passwordFile}}) {
            if (file->foreign && access.protect) {
                FailureFacts facts(FailureKind::ForeignServerFile);
                facts.path = std::string(name);
                throw PublishError(facts);
            }
        }
        Plan& plan = m_result.plan;
        if (access.protect &&
            !(passwordFile.text &&
              passwordFileFits(*passwordFile.text, access.user, access.password))) {
            plan.ownSend.emplace_back(PasswordFileName);
            if (!m_options.dryRun) {
                std::optional<std::string> text = passwordFileText(access.user, access.password);
                if (!text) {
                    FailureFacts facts(FailureKind::Unexpected);
                    facts.reason = "bcrypt";
                    throw PublishError(facts);
                }
                m_passwordText = std::move(*text);
            }
        }
        if (accessFile.foreign) {
            m_result.warnings.push_back(foreignAccessFileWarning());
        } else {
            m_accessText = accessFileText(access, access.protect ? passwordFilePath() : "");
            if (accessFile.text != m_accessText) {
                plan.ownSend.emplace_back(AccessFileName);
            }
        }
        if (!access.protect && passwordFile.text) {
            plan.ownRemove.emplace_back(PasswordFileName);
        }
    }

    // The absolute path of .htpasswd on the web server: the one the user gave, else the one the
    // server tells (SFTP).
    std::string passwordFilePath() {
        std::string folder = m_options.access.serverPath;
        if (folder.empty()) {
            folder = m_connection->serverPath().value_or("");
            if (folder.empty()) {
                throw PublishError(FailureFacts(FailureKind::ServerPathMissing));
            }
            if (!isUsableServerPath(folder)) { // what the server says is not trusted
                FailureFacts facts(FailureKind::AccessSettings);
                facts.access = AccessProblem::ServerPathInvalid;
                facts.path = folder;
                throw PublishError(facts);
            }
        }
        while (folder.size() > 1 && folder.back() == '/') {
            folder.pop_back();
        }
        return (folder == "/" ? std::string() : folder) + "/" + std::string(PasswordFileName);
    }

    void sendOwnFiles() {
        const Plan& plan = m_result.plan;
        if (plan.ownSend.empty() && plan.ownRemove.empty()) {
            return;
        }
        // A temporary file left by a broken connection is this run's to remove next time.
        m_record.runs.insert(m_run);
        writeRecord();
        std::size_t number = OwnFileNumbers;
        for (const std::string& name : plan.ownSend) {
            m_connection->send(name == PasswordFileName ? m_passwordText : m_accessText,
                               temporaryName(m_run, ++number), name, {});
        }
        for (const std::string& name : plan.ownRemove) {
            m_connection->remove(name);
        }
        m_record.runs.erase(m_run);
        m_recordChanged = true;
    }

    // The record as the server holds it, read only when it is of a sane size; under the name of
    // earlier versions when the new one is not there.
    Record readRecord() {
        const Listing& top = m_listings[""];
        for (const std::string_view name : {RecordName, OldRecordName}) {
            const auto found = top.find(std::string(name));
            if (found == top.end() || found->second.folder || found->second.link) {
                continue;
            }
            m_oldRecord = name == OldRecordName;
            const auto text =
                found->second.size > RecordLimit ? std::nullopt : readableRecord(std::string(name));
            if (found->second.size > RecordLimit || (text && text->size() > RecordLimit)) {
                m_result.warnings.push_back(recordTooLargeWarning(name));
                return {};
            }
            if (!text) {
                m_result.warnings.push_back(recordUnreadableWarning(name));
                return {};
            }
            return parseRecord(*text).value_or(Record());
        }
        return {};
    }

    // The record's bytes; nothing where the server refuses to read it (a record it will not let
    // be read is no reason not to publish), while a lost connection ends the publish.
    std::optional<std::string> readableRecord(const std::string& name) {
        try {
            return m_connection->read(name, RecordLimit);
        } catch (const PublishError& error) {
            if (!isRefusal(error)) {
                throw;
            }
            return std::nullopt;
        }
    }

    // Missing folders list as empty. Names that cannot be a single entry are ignored.
    void listAll(const std::set<std::string>& folders) {
        if (folders.empty()) {
            return;
        }
        for (auto& [folder, entries] : m_connection->listAll(folders)) {
            Listing& listing = m_listings[folder];
            listing.clear();
            for (RemoteEntry& entry : std::move(entries).value_or(std::vector<RemoteEntry>())) {
                if (core::isPlainName(entry.name)) {
                    std::string name = entry.name;
                    listing.emplace(std::move(name), std::move(entry));
                }
            }
        }
    }

    // Nothing is written or removed through a folder that is a symbolic link on the server.
    void refuseLinkedFolders(const std::set<std::string>& folders) const {
        for (const std::string& folder : folders) {
            if (folder.empty()) {
                continue;
            }
            const auto parent = m_listings.find(folderOf(folder));
            if (parent == m_listings.end()) {
                continue;
            }
            const auto entry = parent->second.find(nameOf(folder));
            if (entry != parent->second.end() && entry->second.link) {
                FailureFacts facts(FailureKind::LinkedFolder);
                facts.path = folder;
                throw PublishError(facts);
            }
        }
    }

    const RemoteEntry* remoteEntry(const std::string& path) const {
        const auto folder = m_listings.find(folderOf(path));
        if (folder == m_listings.end()) {
            return nullptr;
        }
        const auto entry = folder->second.find(nameOf(path));
        return entry == folder->second.end() || entry->second.folder || entry->second.link
                   ? nullptr
                   : &entry->second;
    }

    // Only when the record says Bildertafel sent these very bytes and the server still shows
    // the size and time it had then; when in doubt, the file is sent. A file that was on its
    // way when a run stopped arrived when the server shows it with the size and the time it was
    // to get, and the local file still has them (the quick check of rsync).
    bool upToDate(const LocalFile& file, LocalFiles& hashes) {
        const auto recorded = m_record.files.find(file.path);
        if (recorded == m_record.files.end() || recorded->second.size != file.size) {
            return false;
        }
        RecordEntry& entry = recorded->second;
        const RemoteEntry* remote = remoteEntry(file.path);
        if (remote == nullptr || remote->size != entry.size) {
            return false;
        }
        if (entry.stamp.empty()) {
            if (entry.modified < 0 || remote->modified != entry.modified ||
                hashes.secondsOf(file.path) != entry.modified) {
                return false;
            }
            entry = {hashes.hashOf(file.path), file.size, remote->stamp, -1};
            m_recordChanged = true;
            return true;
        }
        return !entry.hash.empty() && remote->stamp == entry.stamp &&
               hashes.hashOf(file.path) == entry.hash;
    }

    // The temporary files of ended runs that the record names; a ".part" file of a run nobody
    // recorded is left alone.
    void removeLeftovers() {
        for (const auto& [folder, listing] : m_listings) {
            for (const auto& [name, entry] : listing) {
                const auto run = entry.folder ? std::nullopt : runOfTemporaryName(name);
                if (run && m_record.runs.contains(*run)) {
                    m_connection->remove(inFolder(folder, name));
                }
            }
        }
        m_recordChanged = m_recordChanged || !m_record.runs.empty();
        m_record.runs.clear();
    }

    void sendAll(const PublishSet& set, LocalFiles& hashes) {
        const std::vector<PlannedFile>& send = m_result.plan.send;
        if (send.empty()) {
            return;
        }
        // Marked as on their way first, with the time each is to get on the server: after an
        // interruption the next run knows which arrived, and this run's temporary files are
        // its to remove.
        for (const PlannedFile& file : send) {
            m_record.files[file.path] = {"", file.size, "", hashes.secondsOf(file.path)};
        }
        m_record.runs.insert(m_run);
        writeRecord();
        std::unordered_map<std::string, FileKind> kinds;
        for (const LocalFile& file : set.files) {
            kinds.emplace(file.path, file.kind);
        }
        m_progress.stage = Progress::Stage::Sending;
        m_progress.filesTotal = send.size();
        m_progress.bytesTotal = m_result.plan.sendBytes;
        // One kind after the other, each under its final names before the next takes its own:
        // pictures, pages, the start page; in pieces of about PieceTime, the lock renewed between
        // them. A connection that keeps stages apart sends the next kind while the last files of
        // the one before are still taking their names; to others each kind is a piece of its own.
        const bool stepwise = !m_connection->keepsTimes();
        const bool staged = m_connection->keepsStages();
        const std::chrono::seconds pieceTime = stepwise ? RecordStepTime : PieceTime;
        const std::size_t pieceFiles = stepwise ? m_connection->recordStepFiles() : send.size();
        std::size_t number = 0;
        std::uint64_t pieceBytes = stepwise ? FirstPiece / 8 : staged ? 2 * FirstPiece : FirstPiece;
        const std::uint64_t leastPiece = stepwise ? FirstPiece / 64 : FirstPiece / 4;
        for (std::size_t from = 0; from < send.size();) {
            std::size_t to = from;
            std::uint64_t bytes = 0;
            while (to < send.size() && (staged || kinds[send[to].path] == kinds[send[from].path]) &&
                   (to == from || (bytes < pieceBytes && to - from < pieceFiles))) {
                bytes += send[to].size;
                ++to;
            }
            const auto started = std::chrono::steady_clock::now();
            Batch batch(*this, hashes,
                        std::vector<PlannedFile>(send.begin() + static_cast<std::ptrdiff_t>(from),
                                                 send.begin() + static_cast<std::ptrdiff_t>(to)),
                        kinds, number);
            batch.send();
            from = to;
            const auto took =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            if (took > 0.05) {
                pieceBytes = std::max<std::uint64_t>(
                    leastPiece, static_cast<std::uint64_t>(static_cast<double>(bytes) / took *
                                                           static_cast<double>(pieceTime.count())));
            }
            if (stepwise && to < send.size()) {
                finishRecord(false);
            }
            m_lock->renewWhenDue();
        }
        m_progress.currentFile.clear();
        m_host.progress(m_progress);
        finishRecord(true);
    }

    // The files of one kind, several under way at once where the connection can.
    class Batch : public UploadWatcher {
    public:
        Batch(PublishRun& run, LocalFiles& hashes, std::vector<PlannedFile> files,
              std::unordered_map<std::string, FileKind>& kinds, std::size_t& number)
            : m_run(run), m_hashes(hashes), m_files(std::move(files)), m_hashOf(m_files.size()),
              m_before(run.m_progress.bytesDone) {
            for (const PlannedFile& file : m_files) {
                m_uploads.push_back(
                    {inFolder(folderOf(file.path), temporaryName(run.m_run, ++number)), file.path,
                     run.m_record.files[file.path].modified, file.size,
                     static_cast<std::size_t>(kinds[file.path])});
            }
        }

        void send() {
            m_run.checkCancel();
            m_run.m_connection->sendAll(m_uploads, *this);
            m_run.m_progress.bytesDone = m_before;
            for (const PlannedFile& file : m_files) {
                m_run.m_progress.bytesDone += file.size;
            }
        }

        std::unique_ptr<UploadSource> source(std::size_t index) override {
            m_run.m_progress.currentFile = m_files[index].path;
            m_run.m_host.progress(m_run.m_progress);
            return m_hashes.source(m_files[index].path, m_hashOf[index]);
        }

        bool progress(std::uint64_t sent) override {
            m_run.m_progress.bytesDone = m_before + sent;
            m_run.m_host.progress(m_run.m_progress);
            return !m_run.m_host.cancelRequested();
        }

        void done(std::size_t index, const std::string& stamp) override {
            const PlannedFile& file = m_files[index];
            m_run.m_record.files[file.path] = {m_hashOf[index], file.size, stamp, -1};
            m_run.m_recordChanged = true; // an interrupted run still records what arrived
            if (stamp.empty()) {
                m_run.m_unstamped.insert(file.path);
            }
            m_run.m_result.filesSent = ++m_run.m_progress.filesDone;
            m_run.m_result.bytesSent += file.size;
        }

    private:
        PublishRun& m_run;
        LocalFiles& m_hashes;
        std::vector<PlannedFile> m_files;
        std::vector<std::string> m_hashOf;
        std::vector<Upload> m_uploads;
        std::uint64_t m_before;
    };

    // The server's time stamps of the files this run sent, where not told yet, then the record.
    // Only those: a line of the record without a stamp that this run did not send keeps having
    // none, so that it never counts as Bildertafel's to remove. complete: every file took its
    // final name, so this run left no temporary file behind.
    void finishRecord(bool complete) {
        std::set<std::string> folders;
        for (const std::string& path : m_unstamped) {
            folders.insert(folderOf(path));
        }
        listAll(folders);
        for (const std::string& path : m_unstamped) {
            RecordEntry& entry = m_record.files[path];
            const RemoteEntry* remote = remoteEntry(path);
            if (remote != nullptr && remote->size == entry.size) {
                entry.stamp = remote->stamp;
            } else {
                entry.hash.clear(); // not as sent: send again next time
            }
        }
        m_unstamped.clear();
        if (complete) {
            m_record.runs.erase(m_run);
        }
        writeRecord();
    }

    void removeUnneeded() {
        if (m_result.plan.remove.empty()) {
            return;
        }
        m_progress.stage = Progress::Stage::Removing; // "Entfernt: …", told once a file is gone
        std::vector<std::string> paths;
        for (const PlannedFile& file : m_result.plan.remove) {
            // Only what is still as Bildertafel left it, by size and time: a file changed by
            // hand stays, and so does one whose line has no time stamp.
            const RemoteEntry* remote = remoteEntry(file.path);
            const RecordEntry& recorded = m_record.files[file.path];
            if (remote != nullptr && remote->size == recorded.size && !recorded.stamp.empty() &&
                remote->stamp == recorded.stamp) {
                paths.push_back(file.path);
            } else {
                m_record.files.erase(file.path);
                m_recordChanged = true;
            }
        }
        m_connection->removeAll(
            paths, [this] { return !m_host.cancelRequested(); },
            [&](std::size_t index) {
                ++m_result.filesRemoved;
                m_record.files.erase(paths[index]);
                m_recordChanged = true;
                m_progress.currentFile = paths[index];
                m_host.progress(m_progress);
            });
        m_progress.currentFile.clear();
        writeRecord();
    }

    void writeRecord() {
        m_recordChanged = true;
        m_connection->send(recordText(m_record), temporaryName(m_run, 0), std::string(RecordName),
                           {});
        m_recordChanged = false;
        if (m_oldRecord) {
            m_connection->remove(std::string(OldRecordName)); // the new one holds it now
            m_oldRecord = false;
        }
    }

    void checkCancel() {
        if (m_host.cancelRequested()) {
            throw cancelled();
        }
    }

    void report(Progress::Stage stage) {
        m_progress.stage = stage;
        m_host.progress(m_progress);
    }

    const Target& m_target;
    const PublishOptions& m_options;
    PublishHost& m_host;
    Result& m_result;
    const std::string m_run; // the owner name of this run's temporary files
    std::string m_show;
    std::unique_ptr<Connection> m_connection;
    std::optional<ServerLock> m_lock; // not for a dry run
    Record m_record;
    bool m_oldRecord = false;                            // read under the name of earlier versions
    std::unordered_map<std::string, Listing> m_listings; // folder below the target -> entries
    std::set<std::string> m_unstamped; // sent by this run, the server's stamp not known yet
    Progress m_progress;
    bool m_recordChanged = false;
    std::string m_accessText;   // Bildertafel's .htaccess for this show
    std::string m_passwordText; // its .htpasswd, with the hash only
};

} // namespace

Result publish(const Target& target, const PublishOptions& options, PublishHost& host) {
    Result result;
    PublishSet set = collectPublishSet(options.showFolder, options.startPage, options.controls);
    result.warnings = set.warnings;
    if (!set.error.empty()) {
        result.failure = FailureKind::PublishSet;
        result.message = set.error;
        return result;
    }
    // Before anything is sent: names the protocol cannot carry.
    result.plan.unsendable = unsendableFiles(set, target.protocol);
    if (!result.plan.unsendable.empty() && !options.dryRun) {
        result.failure = FailureKind::PublishSet;
        result.message = unsendableRefusal(result.plan.unsendable);
        return result;
    }
    std::erase_if(set.files, [&](const LocalFile& file) {
        return std::any_of(result.plan.unsendable.begin(), result.plan.unsendable.end(),
                           [&](const PlannedFile& refused) { return refused.path == file.path; });
    });
    const ShowAccess& access = options.access;
    if (const AccessProblem problem = accessProblem(access); problem != AccessProblem::None) {
        FailureFacts facts(FailureKind::AccessSettings);
        facts.access = problem;
        facts.path =
            problem == AccessProblem::WebAddressInvalid ? access.webAddress : access.serverPath;
        result.failure = facts.kind;
        result.message = failureText(facts, options.controls);
        return result;
    }
    if (target.protocol == Protocol::S3 && access.protect) {
        result.failure = FailureKind::S3Protection;
        result.message = failureText(FailureFacts(result.failure), options.controls);
        return result;
    }
    if (target.protocol == Protocol::Ftp && !host.confirmPlainFtp(PlainFtpWarning)) {
        result.failure = FailureKind::FtpNotConfirmed;
        result.message = failureText(FailureFacts(result.failure), options.controls);
        return result;
    }
    PublishRun run(target, options, host, result);
    try {
        run.run(set);
        result.summary = publishSummary(result, options.dryRun);
        if (!options.dryRun && access.check && !access.webAddress.empty()) {
            CheckRequest request = checkRequestFor(set, options);
            request.protect = request.protect || result.protectionKept;
            result.check = checkFromOutside(request);
        }
    } catch (const PublishError& error) {
        run.salvage();
        result.failure = error.kind();
        result.message = error.kind() == FailureKind::Cancelled
                             ? cancelledMessage(result.filesSent)
                             : failureText(error.facts(), options.controls);
        result.summary = publishSummary(result, false);
    }
    return result;
}

} // namespace bildertafel::publish
