#include "publish/Publisher.h"

#include "publish/Connection.h"
#include "publish/Record.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <unordered_map>

namespace bildertafel::publish {

namespace {

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string inFolder(const std::string& folder, std::string_view name) {
    return folder.empty() ? std::string(name) : folder + "/" + std::string(name);
}

// "3,4 MB"
std::string shownBytes(std::uint64_t bytes) {
    const char* unit = "Bytes";
    double value = static_cast<double>(bytes);
    if (bytes >= 1000000000U) {
        value /= 1e9;
        unit = "GB";
    } else if (bytes >= 1000000U) {
        value /= 1e6;
        unit = "MB";
    } else if (bytes >= 1000) {
        value /= 1e3;
        unit = "kB";
    } else {
        return std::to_string(bytes) + " " + unit;
    }
    const long tenths = std::lround(value * 10);
    return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + " " + unit;
}

std::string files(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " Datei" : " Dateien");
}

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    return home != nullptr ? home : "";
}

std::string cacheFileFor(const PublishOptions& options, const std::string& show) {
    std::string folder = options.cacheFolder;
    if (folder.empty()) {
        const char* xdg = std::getenv("XDG_CACHE_HOME");
        folder = (xdg != nullptr && *xdg == '/' ? std::string(xdg) : homeFolder() + "/.cache") +
                 "/bildertafel/publish";
    }
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    // One file per show folder, named by the folder's path.
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    EVP_Digest(show.data(), show.size(), digest, &length, EVP_sha256(), nullptr);
    static constexpr char Hex[] = "0123456789abcdef";
    std::string name;
    for (unsigned i = 0; i < 8; ++i) {
        name += Hex[digest[i] >> 4];
        name += Hex[digest[i] & 15];
    }
    return folder + "/" + name + ".txt";
}

// The local files' checksums, read only when the cache does not know the file as it is.
class LocalHashes {
public:
    LocalHashes(std::string show, std::string cacheFile)
        : m_show(std::move(show)), m_cacheFile(std::move(cacheFile)),
          m_cache(loadHashCache(m_cacheFile)) {}

    std::string hashOf(const std::string& path) {
        const std::string full = m_show + path;
        struct stat info {};
        if (::stat(full.c_str(), &info) != 0) {
            throw PublishError(Failure::LocalRead,
                               "Die Datei „" + path + "“ der Fotoshow lässt sich nicht lesen.");
        }
        const std::int64_t modified = modifiedOf(info);
        auto found = m_cache.find(path);
        if (found != m_cache.end() &&
            found->second.size == static_cast<std::uint64_t>(info.st_size) &&
            found->second.modified == modified) {
            return found->second.hash;
        }
        std::string hash = computed(full, path);
        m_cache[path] = {static_cast<std::uint64_t>(info.st_size), modified, hash};
        m_changed = true;
        return hash;
    }

    // The bytes of the file as they are sent; their checksum is remembered with the size and
    // time the file had when it was opened.
    std::string contentOf(const std::string& path, std::string& hash) {
        const std::string full = m_show + path;
        const int fd = ::open(full.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info {};
        std::string bytes;
        bool good = fd >= 0 && ::fstat(fd, &info) == 0;
        if (good) {
            bytes.resize(static_cast<std::size_t>(info.st_size));
            std::size_t got = 0;
            for (;;) {
                if (got == bytes.size()) {
                    bytes.resize(got + std::size_t{64} * 1024); // it grew
                }
                const ssize_t read = ::read(fd, bytes.data() + got, bytes.size() - got);
                if (read <= 0) {
                    good = read == 0;
                    break;
                }
                got += static_cast<std::size_t>(read);
            }
            bytes.resize(got);
        }
        if (fd >= 0) {
            ::close(fd);
        }
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned length = 0;
        if (!good ||
            !EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr)) {
            throw PublishError(Failure::LocalRead,
                               "Die Datei „" + path + "“ der Fotoshow lässt sich nicht lesen.");
        }
        hash = hexOf(digest, length);
        if (bytes.size() == static_cast<std::uint64_t>(info.st_size)) {
            m_cache[path] = {bytes.size(), modifiedOf(info), hash};
            m_changed = true;
        }
        return bytes;
    }

    void keepOnly(const std::set<std::string>& paths) {
        std::erase_if(m_cache, [&](const auto& entry) {
            const bool gone = !paths.contains(entry.first);
            m_changed = m_changed || gone;
            return gone;
        });
    }

    void save() const {
        if (m_changed) {
            saveHashCache(m_cacheFile, m_cache);
        }
    }

private:
    static std::int64_t modifiedOf(const struct stat& info) {
        return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    }

    static std::string hexOf(const unsigned char* digest, unsigned length) {
        static constexpr char Hex[] = "0123456789abcdef";
        std::string hash;
        for (unsigned i = 0; i < length; ++i) {
            hash += Hex[digest[i] >> 4];
            hash += Hex[digest[i] & 15];
        }
        return hash;
    }

    static std::string computed(const std::string& full, const std::string& path) {
        const int fd = ::open(full.c_str(), O_RDONLY | O_CLOEXEC);
        std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                        EVP_MD_CTX_free);
        bool good = fd >= 0 && context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr);
        std::vector<char> buffer(std::size_t{256} * 1024);
        while (good) {
            const ssize_t got = ::read(fd, buffer.data(), buffer.size());
            if (got <= 0) {
                good = got == 0;
                break;
            }
            good = EVP_DigestUpdate(context.get(), buffer.data(), static_cast<std::size_t>(got));
        }
        if (fd >= 0) {
            ::close(fd);
        }
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned length = 0;
        if (!good || !EVP_DigestFinal_ex(context.get(), digest, &length)) {
            throw PublishError(Failure::LocalRead,
                               "Die Datei „" + path + "“ der Fotoshow lässt sich nicht lesen.");
        }
        return hexOf(digest, length);
    }

    std::string m_show;
    std::string m_cacheFile;
    HashCache m_cache;
    bool m_changed = false;
};

using Listing = std::unordered_map<std::string, RemoteEntry>; // name -> entry

class PublishRun {
public:
    PublishRun(const Target& target, const PublishOptions& options, PublishHost& host,
               Result& result)
        : m_target(target), m_options(options), m_host(host), m_result(result) {}

    void run(const PublishSet& set) {
        std::string show = m_options.showFolder;
        while (show.size() > 1 && show.back() == '/') {
            show.pop_back();
        }
        m_show = show + "/";
        report(Progress::Stage::Connecting);
        m_connection = m_target.protocol == Protocol::Sftp
                           ? connectSftp(m_target, m_options, m_host)
                           : connectFtp(m_target, m_options);
        report(Progress::Stage::Comparing);
        LocalHashes hashes(m_show, cacheFileFor(m_options, m_show));
        compare(set, hashes);
        if (m_options.dryRun) {
            hashes.save();
            return;
        }
        m_result.nothingSent = false;
        removeLeftovers();
        sendAll(set, hashes);
        if (m_options.deleteUnneeded) {
            removeUnneeded();
        }
        std::set<std::string> paths;
        for (const LocalFile& file : set.files) {
            paths.insert(file.path);
        }
        hashes.keepOnly(paths);
        hashes.save();
    }

    // After a failure in the middle: what is up counts as sent; best effort only.
    void salvage() {
        if (m_connection && m_recordChanged) {
            try {
                finishRecord();
            } catch (const PublishError&) {
            }
        }
    }

private:
    void compare(const PublishSet& set, LocalHashes& hashes) {
        const auto recordText = m_connection->read(std::string(RecordName));
        m_record = recordText ? parseRecord(*recordText).value_or(Record()) : Record();
        std::set<std::string> folders{""};
        for (const LocalFile& file : set.files) {
            folders.insert(folderOf(file.path));
        }
        for (const auto& [path, entry] : m_record) {
            folders.insert(folderOf(path));
        }
        listAll(folders);
        std::set<std::string> wanted;
        for (const LocalFile& file : set.files) {
            wanted.insert(file.path);
            if (!upToDate(file, hashes)) {
                m_result.plan.send.push_back({file.path, file.size});
                m_result.plan.sendBytes += file.size;
            }
        }
        for (const auto& [path, entry] : m_record) {
            if (!wanted.contains(path)) {
                (m_options.deleteUnneeded ? m_result.plan.remove : m_result.plan.keptUnneeded)
                    .push_back({path, entry.size});
            }
        }
    }

    // Missing folders list as empty.
    void listAll(const std::set<std::string>& folders) {
        for (auto& [folder, entries] : m_connection->listAll(folders)) {
            Listing& listing = m_listings[folder];
            listing.clear();
            for (RemoteEntry& entry : std::move(entries).value_or(std::vector<RemoteEntry>())) {
                std::string name = entry.name;
                listing.emplace(std::move(name), std::move(entry));
            }
        }
    }

    const RemoteEntry* remoteEntry(const std::string& path) const {
        const auto folder = m_listings.find(folderOf(path));
        if (folder == m_listings.end()) {
            return nullptr;
        }
        const auto entry = folder->second.find(path.substr(path.rfind('/') + 1));
        return entry == folder->second.end() || entry->second.folder ? nullptr : &entry->second;
    }

    // Only when the record says Bildertafel sent these very bytes and the server still shows
    // the size and time it had then; when in doubt, the file is sent.
    bool upToDate(const LocalFile& file, LocalHashes& hashes) const {
        const auto recorded = m_record.find(file.path);
        if (recorded == m_record.end() || recorded->second.hash.empty() ||
            recorded->second.stamp.empty() || recorded->second.size != file.size) {
            return false;
        }
        const RemoteEntry* remote = remoteEntry(file.path);
        return remote != nullptr && remote->size == recorded->second.size &&
               remote->stamp == recorded->second.stamp &&
               hashes.hashOf(file.path) == recorded->second.hash;
    }

    void removeLeftovers() {
        for (const auto& [folder, listing] : m_listings) {
            for (const auto& [name, entry] : listing) {
                if (!entry.folder && isTemporaryName(name)) {
                    m_connection->remove(inFolder(folder, name));
                }
            }
        }
    }

    void sendAll(const PublishSet& set, LocalHashes& hashes) {
        const std::vector<PlannedFile>& send = m_result.plan.send;
        if (send.empty()) {
            return;
        }
        // Marked as on their way first: an interrupted run leaves them Bildertafel's, to be sent
        // again by the next run and removable by a later one.
        for (const PlannedFile& file : send) {
            m_record[file.path] = {"", file.size, ""};
        }
        writeRecord();
        std::unordered_map<std::string, FileKind> kinds;
        for (const LocalFile& file : set.files) {
            kinds.emplace(file.path, file.kind);
        }
        m_progress.stage = Progress::Stage::Sending;
        m_progress.filesTotal = send.size();
        m_progress.bytesTotal = m_result.plan.sendBytes;
        // One batch per kind, each complete before the next begins: pictures, pages, start page.
        std::size_t number = 0;
        for (std::size_t from = 0; from < send.size();) {
            std::size_t to = from;
            while (to < send.size() && kinds[send[to].path] == kinds[send[from].path]) {
                ++to;
            }
            Batch batch(*this, hashes,
                        std::vector<PlannedFile>(send.begin() + static_cast<std::ptrdiff_t>(from),
                                                 send.begin() + static_cast<std::ptrdiff_t>(to)),
                        number);
            batch.send();
            from = to;
        }
        m_progress.currentFile.clear();
        m_host.progress(m_progress);
        finishRecord();
    }

    // The files of one kind, several under way at once where the connection can.
    class Batch : public UploadWatcher {
    public:
        Batch(PublishRun& run, LocalHashes& hashes, std::vector<PlannedFile> files,
              std::size_t& number)
            : m_run(run), m_hashes(hashes), m_files(std::move(files)), m_hashOf(m_files.size()),
              m_before(run.m_progress.bytesDone) {
            for (const PlannedFile& file : m_files) {
                m_uploads.push_back(
                    {inFolder(folderOf(file.path), temporaryName(++number)), file.path});
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

        std::string content(std::size_t index) override {
            m_run.m_progress.currentFile = m_files[index].path;
            m_run.m_host.progress(m_run.m_progress);
            std::string bytes = m_hashes.contentOf(m_files[index].path, m_hashOf[index]);
            m_files[index].size = bytes.size();
            return bytes;
        }

        bool progress(std::uint64_t sent) override {
            m_run.m_progress.bytesDone = m_before + sent;
            m_run.m_host.progress(m_run.m_progress);
            return !m_run.m_host.cancelRequested();
        }

        void done(std::size_t index) override {
            const PlannedFile& file = m_files[index];
            m_run.m_record[file.path] = {m_hashOf[index], file.size, ""};
            m_run.m_recordChanged = true; // an interrupted run still records what arrived
            m_run.m_sentFolders.insert(folderOf(file.path));
            m_run.m_result.filesSent = ++m_run.m_progress.filesDone;
            m_run.m_result.bytesSent += file.size;
        }

    private:
        PublishRun& m_run;
        LocalHashes& m_hashes;
        std::vector<PlannedFile> m_files;
        std::vector<std::string> m_hashOf;
        std::vector<Upload> m_uploads;
        std::uint64_t m_before;
    };

    // The server's time stamps of the files just sent, then the record.
    void finishRecord() {
        listAll(m_sentFolders);
        for (auto& [path, entry] : m_record) {
            if (!entry.stamp.empty() || !m_sentFolders.contains(folderOf(path))) {
                continue;
            }
            const RemoteEntry* remote = remoteEntry(path);
            if (remote != nullptr && remote->size == entry.size) {
                entry.stamp = remote->stamp;
            } else {
                entry.hash.clear(); // not as sent: send again next time
            }
        }
        m_sentFolders.clear();
        writeRecord();
    }

    void removeUnneeded() {
        if (m_result.plan.remove.empty()) {
            return;
        }
        m_progress.stage = Progress::Stage::Removing; // "Entfernt: …", told once a file is gone
        std::vector<std::string> paths;
        for (const PlannedFile& file : m_result.plan.remove) {
            // Only what is still as Bildertafel left it: a file changed by hand stays.
            const RemoteEntry* remote = remoteEntry(file.path);
            const RecordEntry& recorded = m_record[file.path];
            if (remote != nullptr && remote->size == recorded.size &&
                (remote->stamp == recorded.stamp || recorded.stamp.empty())) {
                paths.push_back(file.path);
            } else {
                m_record.erase(file.path);
                m_recordChanged = true;
            }
        }
        m_connection->removeAll(
            paths, [this] { return !m_host.cancelRequested(); },
            [&](std::size_t index) {
                ++m_result.filesRemoved;
                m_record.erase(paths[index]);
                m_recordChanged = true;
                m_progress.currentFile = paths[index];
                m_host.progress(m_progress);
            });
        m_progress.currentFile.clear();
        writeRecord();
    }

    void writeRecord() {
        m_recordChanged = true;
        m_connection->send({}, recordText(m_record), temporaryName(0), std::string(RecordName), {});
        m_recordChanged = false;
    }

    void checkCancel() {
        if (m_host.cancelRequested()) {
            throw PublishError(Failure::Cancelled, "Abgebrochen.");
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
    std::string m_show;
    std::unique_ptr<Connection> m_connection;
    Record m_record;
    std::unordered_map<std::string, Listing> m_listings; // folder below the target -> entries
    std::set<std::string> m_sentFolders;
    Progress m_progress;
    bool m_recordChanged = false;
};

std::string summaryOf(const Result& result, bool dryRun) {
    if (dryRun) {
        std::string text = "Probelauf: " + files(result.plan.send.size()) + " (" +
                           shownBytes(result.plan.sendBytes) + ") würden gesendet, " +
                           std::to_string(result.plan.remove.size()) + " entfernt.";
        if (!result.plan.keptUnneeded.empty()) {
            text += " " + files(result.plan.keptUnneeded.size()) +
                    " werden nicht mehr gebraucht und bleiben auf dem Server.";
        }
        return text;
    }
    if (result.filesSent == 0 && result.filesRemoved == 0) {
        return "Die Fotoshow ist schon auf dem Server; keine Datei gesendet.";
    }
    return files(result.filesSent) + " gesendet (" + shownBytes(result.bytesSent) + "), " +
           std::to_string(result.filesRemoved) + " entfernt.";
}

} // namespace

Result publish(const Target& target, const PublishOptions& options, PublishHost& host) {
    Result result;
    const PublishSet set = collectPublishSet(options.showFolder, options.startPage);
    result.warnings = set.warnings;
    if (!set.error.empty()) {
        result.failure = Failure::PublishSet;
        result.message = set.error;
        return result;
    }
    if (target.protocol == Protocol::Ftp && !host.confirmPlainFtp(PlainFtpWarning)) {
        result.failure = Failure::FtpNotConfirmed;
        result.message = "Nicht veröffentlicht: unverschlüsseltes FTP wurde nicht bestätigt.";
        return result;
    }
    PublishRun run(target, options, host, result);
    try {
        run.run(set);
        result.summary = summaryOf(result, options.dryRun);
    } catch (const PublishError& error) {
        run.salvage();
        result.failure = error.failure();
        result.message = error.what();
        if (error.failure() == Failure::Cancelled) {
            result.message = "Abgebrochen. Schon auf dem Server: " + files(result.filesSent) +
                             "; das nächste Veröffentlichen sendet den Rest.";
        }
        result.summary = summaryOf(result, false);
    }
    return result;
}

} // namespace bildertafel::publish
