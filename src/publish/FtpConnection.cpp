#include "publish/Connection.h"

#include "core/HexCoding.h"
#include "core/SlashPath.h"

#include "publish/CurlFailures.h"
#include "publish/FtpLanes.h"
#include "publish/FtpListing.h"
#include "publish/FtpReplies.h"

#include <curl/curl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <deque>
#include <functional>

namespace bildertafel::publish {

namespace {

// Control connections at once: files under way side by side, as lftp does it; few enough for
// hosts that allow a handful of connections per user.
constexpr std::size_t Lanes = 4;

struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Commands = std::unique_ptr<curl_slist, ListDeleter>;

Commands commands(const std::vector<std::string>& lines) {
    Commands list;
    for (const std::string& line : lines) {
        list.reset(curl_slist_append(list.release(), line.c_str()));
    }
    return list;
}

std::string encoded(std::string_view path) {
    return core::addressEncoded(path, "/");
}

using core::folderOf;
using core::nameOf;

std::size_t appendTo(char* data, std::size_t size, std::size_t count, void* text) {
    static_cast<std::string*>(text)->append(data, size * count);
    return size * count;
}

// What is read of a file, up to a limit.
struct Bounded {
    std::string text;
    std::uint64_t limit;
};

std::size_t appendBounded(char* data, std::size_t size, std::size_t count, void* into) {
    auto* bounded = static_cast<Bounded*>(into);
    bounded->text.append(data, size * count);
    return bounded->text.size() > bounded->limit ? 0 : size * count;
}

// The bytes of one upload in hand, as libcurl asks for them. A source that fails is kept to be
// thrown once libcurl has let go of the transfer.
struct Feed {
    UploadSource* source = nullptr;
    std::exception_ptr failure;

    static std::size_t read(char* buffer, std::size_t size, std::size_t count, void* data) {
        auto* feed = static_cast<Feed*>(data);
        try {
            return feed->source->read(buffer, size * count);
        } catch (const PublishError&) {
            feed->failure = std::current_exception();
            return CURL_READFUNC_ABORT;
        }
    }

    void rethrowFailure() const {
        if (failure) {
            std::rethrow_exception(failure);
        }
    }
};

// What is known of each lane's control connection.
struct LaneStates {
    const FtpLanes* lanes = nullptr;
    // It has carried a transfer.
    std::vector<bool> works = std::vector<bool>(Lanes);
    // It could not log in (a server that takes fewer connections): the others carry on.
    std::vector<bool> given = std::vector<bool>(Lanes);
};

// Jobs 0 … count - 1 on the lanes, each taken by the next free lane. A job whose lane, other
// than the first, fails on its first transfer is taken by another lane; that lane stays idle.
// A job whose connection the server closed ("421", as after a long pause) is tried once more,
// on a new connection.
class Jobs : public FtpWork {
public:
    using SetUp = std::function<void(std::size_t job, std::size_t lane, CURL* handle)>;
    using Finished = std::function<void(std::size_t job, std::size_t lane, CURLcode code)>;

    Jobs(LaneStates& states, std::size_t count, SetUp setUp, Finished finished,
         std::function<bool()> goOn = {})
        : m_states(states), m_setUp(std::move(setUp)), m_finished(std::move(finished)),
          m_goOn(std::move(goOn)), m_onLane(Lanes, None) {
        for (std::size_t job = 0; job < count; ++job) {
            m_pending.push_back(job);
        }
    }

    bool next(std::size_t lane, CURL* handle) override {
        if (m_pending.empty() || m_states.given[lane]) {
            return false;
        }
        m_onLane[lane] = m_pending.front();
        m_pending.pop_front();
        m_setUp(m_onLane[lane], lane, handle);
        return true;
    }
    void finished(std::size_t lane, CURLcode code) override {
        const std::size_t job = m_onLane[lane];
        m_onLane[lane] = None;
        if (code != CURLE_OK && lane != 0 && !m_states.works[lane]) {
            m_states.given[lane] = true;
            m_pending.push_front(job);
            return;
        }
        long response = 0;
        curl_easy_getinfo(m_states.lanes->handle(lane), CURLINFO_RESPONSE_CODE, &response);
        if (code != CURLE_OK && response == ftp::ServiceClosing && m_states.works[lane] &&
            m_retried.insert(job).second) {
            m_pending.push_front(job);
            return;
        }
        m_states.works[lane] = m_states.works[lane] || code == CURLE_OK;
        m_finished(job, lane, code);
    }
    bool goOn() override { return !m_goOn || m_goOn(); }
    // The job under way on lane.
    std::size_t jobOn(std::size_t lane) const { return m_onLane[lane]; }
    // A further job, taken before the others.
    void prepend(std::size_t job) { m_pending.push_front(job); }

private:
    LaneStates& m_states;
    SetUp m_setUp;
    Finished m_finished;
    std::function<bool()> m_goOn;
    static constexpr std::size_t None = SIZE_MAX;
    std::vector<std::size_t> m_onLane;
    std::deque<std::size_t> m_pending;
    std::set<std::size_t> m_retried;
};

class FtpConnection final : public Connection {
public:
    FtpConnection(const Target& target, const PublishOptions& options)
        : m_target(target), m_options(options), m_lanes(Lanes),
          m_silence(std::max<long>(
              1, static_cast<long>(
                     std::chrono::ceil<std::chrono::seconds>(options.silenceLimit).count()))) {
        const bool ipv6 = target.host.find(':') != std::string::npos;
        m_base = "ftp://" + (ipv6 ? "[" + target.host + "]" : target.host) + ":" +
                 std::to_string(effectivePort(target)) + "/";
        if (target.folder.starts_with('/')) {
            m_base += "%2F" + encoded(std::string_view(target.folder).substr(1));
        } else {
            m_base += encoded(target.folder);
        }
        if (!m_base.ends_with('/')) {
            m_base += '/';
        }
        if (!m_lanes.ready()) {
            throw PublishError(FailureFacts(FailureKind::CannotStart));
        }
        m_states.lanes = &m_lanes;
        m_folder = target.folder;
        while (m_folder.size() > 1 && m_folder.back() == '/') {
            m_folder.pop_back();
        }
        askFeatures();
    }

    std::optional<std::vector<RemoteEntry>> list(const std::string& folder) override {
        return listAll({folder}).at(folder);
    }

    std::map<std::string, std::optional<std::vector<RemoteEntry>>>
    listAll(const std::set<std::string>& folders) override {
        return listFolders(folders, true);
    }

    // Without asking each file's time: the lock is judged by what it is.
    std::optional<RemoteEntry> entryOf(const std::string& path) override {
        const std::string folder = folderOf(path);
        const auto entries = listFolders({folder}, false).at(folder);
        if (!entries) {
            return std::nullopt;
        }
        for (const RemoteEntry& entry : *entries) {
            if (entry.name == nameOf(path)) {
                return entry;
            }
        }
        return std::nullopt;
    }

    bool keepsTimes() const override { return m_setsTime || !m_knowsFeatures; }

    std::optional<std::string> read(const std::string& path,
                                    std::uint64_t limit = UnlimitedRead) override {
        Bounded text{{}, limit};
        CURLcode code = CURLE_OK;
        once(
            [&](CURL* handle) {
                prepare(handle, m_base + encoded(path));
                curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, appendBounded);
                curl_easy_setopt(handle, CURLOPT_WRITEDATA, &text);
            },
            [&](CURLcode result) { code = result; });
        if (code == CURLE_WRITE_ERROR && text.text.size() > limit) {
            text.text.resize(static_cast<std::size_t>(limit) + 1); // stopped at the limit
            return std::move(text.text);
        }
        if (code == CURLE_REMOTE_FILE_NOT_FOUND || code == CURLE_REMOTE_ACCESS_DENIED) {
            return std::nullopt;
        }
        check(0, code, Step::ReadFile, path);
        return std::move(text.text);
    }

    void send(const std::string& content, const std::string& temporary, const std::string& final,
              const SendProgress& progress, std::int64_t modified = -1) override {
        refuseLineBreaks(final);
        makeFolders({folderOf(final)});
        const std::unique_ptr<UploadSource> source = sourceOf(content);
        Feed feed{source.get(), nullptr};
        CURLcode code = CURLE_OK;
        Jobs jobs(
            m_states, 1,
            [&](std::size_t, std::size_t, CURL* handle) { prepareUpload(handle, feed, temporary); },
            [&](std::size_t, std::size_t, CURLcode result) { code = result; },
            [&] { return !progress || progress(m_lanes.sent(0)); });
        if (!runJobs(jobs, 1)) {
            tidyUp({temporary});
            throw cancelled();
        }
        check(0, code, Step::WriteFile, final);
        check(0, commandsOnce(namingCommands({temporary, final, modified})), Step::WriteFile,
              final);
    }

    // Several files at once, one per lane; the folders are made first, once.
    void sendAll(const std::vector<Upload>& uploads, UploadWatcher& watcher) override {
        std::set<std::string> folders;
        for (const Upload& upload : uploads) {
            refuseLineBreaks(upload.final);
            folders.insert(folderOf(upload.final));
        }
        makeFolders(folders);
        std::vector<std::unique_ptr<UploadSource>> sources(Lanes);
        std::vector<Feed> feeds(Lanes);
        std::uint64_t done = 0;
        const auto sent = [&] {
            std::uint64_t bytes = done;
            for (std::size_t lane = 0; lane < Lanes; ++lane) {
                bytes += feeds[lane].source != nullptr ? m_lanes.sent(lane) : 0;
            }
            return bytes;
        };
        // Job i sends upload i to its temporary name; job count + i then gives it its time and
        // its final name, on whichever connection is free first.
        const std::size_t count = uploads.size();
        std::set<std::size_t> unnamed; // up under their temporary names
        Jobs jobs(
            m_states, count,
            [&](std::size_t job, std::size_t lane, CURL* handle) {
                if (job >= count) {
                    m_commands[lane] = commands(namingCommands(uploads[job - count]));
                    quote(handle, m_commands[lane].get());
                    return;
                }
                sources[lane] = watcher.source(job);
                feeds[lane] = {sources[lane].get(), nullptr};
                prepareUpload(handle, feeds[lane], uploads[job].temporary);
            },
            [&](std::size_t job, std::size_t lane, CURLcode code) {
                const std::size_t index = job % count;
                const std::string& final = uploads[index].final;
                if (job >= count) {
                    check(lane, code, Step::WriteFile, final);
                    unnamed.erase(index);
                    watcher.done(index, timesByMdtm() ? mdtmStamp(m_lanes.replies(lane)) : "");
                    return;
                }
                feeds[lane].source = nullptr;
                feeds[lane].rethrowFailure();
                check(lane, code, Step::WriteFile, final);
                endOf(*sources[lane], final);
                done += sources[lane]->size();
                sources[lane].reset();
                unnamed.insert(index);
                jobs.prepend(count + index);
            },
            [&] { return watcher.progress(sent()); });
        std::vector<std::size_t> brokenOff;
        const auto temporaries = [&] {
            std::set<std::size_t> left = unnamed;
            for (const std::size_t lane : brokenOff) {
                left.insert(jobs.jobOn(lane) % count);
            }
            std::vector<std::string> paths;
            paths.reserve(left.size());
            for (const std::size_t index : left) {
                paths.push_back(uploads[index].temporary);
            }
            return paths;
        };
        try {
            if (!runJobs(jobs, Lanes, &brokenOff)) {
                tidyUp(temporaries());
                throw cancelled();
            }
        } catch (const PublishError& error) {
            if (error.kind() != FailureKind::Cancelled) {
                tidyUp(temporaries());
            }
            if (error.kind() == FailureKind::TransferBrokenOff && !serverAnswers()) {
                FailureFacts lost = error.facts();
                lost.kind = FailureKind::ConnectionLost;
                throw PublishError(lost);
            }
            throw;
        }
    }

    void remove(const std::string& path) override { removeAll({path}, {}, {}); }

    // Several at once, one per lane.
    void removeAll(const std::vector<std::string>& paths, const std::function<bool()>& goOn,
                   const std::function<void(std::size_t)>& done) override {
        const bool complete = eachCommand(
            paths, "DELE", Step::RemoveFile,
            [&](std::size_t job, std::size_t) {
                if (done) {
                    done(job);
                }
            },
            goOn);
        if (!complete) {
            throw cancelled();
        }
    }

    bool makeFolder(const std::string& path) override {
        makeFolders({folderOf(path)});
        // The server says only that it failed: something of that name may be there, or may have
        // been there a moment ago (another client's lock, given back meanwhile).
        for (int attempt = 0;; ++attempt) {
            const CURLcode code = commandsOnce({"MKD " + fullPath(path)});
            if (code == CURLE_OK) {
                m_present.insert(path);
                return true;
            }
            const auto entries = list(folderOf(path));
            if (entries && std::any_of(entries->begin(), entries->end(), [&](const RemoteEntry& e) {
                    return e.name == nameOf(path);
                })) {
                return false;
            }
            if (attempt == 2) {
                check(0, code, Step::MakeFolder, path);
                return false;
            }
        }
    }

    void removeFolder(const std::string& path) override {
        check(0, commandsOnce({"RMD " + fullPath(path)}), Step::RemoveFolder, path);
        std::erase_if(m_present, [&](const std::string& folder) {
            return folder == path || folder.starts_with(path + "/");
        });
    }

    void rename(const std::string& from, const std::string& to) override {
        check(0, commandsOnce({"RNFR " + fullPath(from), "RNTO " + fullPath(to)}), Step::Rename,
              from);
    }

private:
    // Several folders at once, one per lane, by MLSD where the server has it, else by LIST. A
    // server whose MLSD tells what a link leads to is asked by LIST too for the folders that hold
    // folders, so that a folder that is a link is known as one. withTimes: where only LIST lists,
    // each file's time is asked by MDTM, to the second rather than LIST's minute or day.
    std::map<std::string, std::optional<std::vector<RemoteEntry>>>
    listFolders(const std::set<std::string>& folders, bool withTimes) {
        std::map<std::string, std::optional<std::vector<RemoteEntry>>> listings;
        for (bool again = true; again;) {
            again = false;
            std::vector<std::string> left;
            for (const std::string& folder : folders) {
                if (!listings.contains(folder)) {
                    left.push_back(folder);
                }
            }
            const bool machine = m_machineListing;
            const std::vector<std::string> texts = listingTexts(
                left, machine ? "MLSD" : "LIST -a",
                [&](const std::string& folder, std::size_t lane, CURLcode code) {
                    const long response = responseCode(lane);
                    if (code != CURLE_OK && code != CURLE_REMOTE_ACCESS_DENIED && machine &&
                        response >= ftp::FirstNotUnderstood && response <= ftp::LastNotUnderstood) {
                        m_machineListing = false; // the server knows no MLSD
                        again = true;
                        return false;
                    }
                    // A folder removed between the change into it and its listing is refused
                    // by the listing itself (another client's lock given back meanwhile).
                    if (code == CURLE_REMOTE_ACCESS_DENIED || code == CURLE_REMOTE_FILE_NOT_FOUND ||
                        (code == CURLE_FTP_COULDNT_RETR_FILE && response == ftp::FileUnavailable)) {
                        listings[folder] = std::nullopt; // the folder is not there
                        return false;
                    }
                    check(lane, code, Step::ListFolder, folder);
                    return true;
                });
            for (std::size_t i = 0; i < left.size(); ++i) {
                if (!listings.contains(left[i]) && !again) {
                    listings[left[i]] = listedEntries(texts[i], machine);
                    m_present.insert(left[i]);
                }
            }
        }
        if (m_machineListing) {
            markLinks(listings);
        }
        if (withTimes && timesByMdtm()) {
            askTimes(listings);
        }
        return listings;
    }

    // The raw listing of each folder by command; answered(folder, lane, code) judges each
    // transfer, and its text counts only when it says true.
    std::vector<std::string>
    listingTexts(const std::vector<std::string>& folders, const char* command,
                 const std::function<bool(const std::string&, std::size_t, CURLcode)>& answered) {
        std::vector<std::string> texts(folders.size());
        Jobs jobs(
            m_states, folders.size(),
            [&](std::size_t job, std::size_t, CURL* handle) {
                texts[job].clear();
                prepare(handle, m_base + encoded(folders[job]) + (folders[job].empty() ? "" : "/"));
                // One CWD into the folder: a folder that is not there says so.
                curl_easy_setopt(handle, CURLOPT_FTP_FILEMETHOD,
                                 static_cast<long>(CURLFTPMETHOD_SINGLECWD));
                curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, command);
                curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, appendTo);
                curl_easy_setopt(handle, CURLOPT_WRITEDATA, &texts[job]);
            },
            [&](std::size_t job, std::size_t lane, CURLcode code) {
                if (!answered(folders[job], lane, code)) {
                    texts[job].clear();
                }
            });
        runJobs(jobs, Lanes);
        return texts;
    }

    // The entries that LIST shows as links, among the MLSD listings of folders holding folders.
    void markLinks(std::map<std::string, std::optional<std::vector<RemoteEntry>>>& listings) {
        std::vector<std::string> holding;
        for (const auto& [folder, entries] : listings) {
            if (entries && std::any_of(entries->begin(), entries->end(),
                                       [](const RemoteEntry& entry) { return entry.folder; })) {
                holding.push_back(folder);
            }
        }
        const std::vector<std::string> texts =
            listingTexts(holding, "LIST -a", [](const std::string&, std::size_t, CURLcode code) {
                return code == CURLE_OK; // without it, MLSD's word stands
            });
        for (std::size_t i = 0; i < holding.size(); ++i) {
            std::set<std::string> links;
            for (const RemoteEntry& listed : listedEntries(texts[i], false)) {
                if (listed.link) {
                    links.insert(listed.name);
                }
            }
            for (RemoteEntry& entry : *listings[holding[i]]) {
                entry.link = entry.link || links.contains(entry.name);
            }
        }
    }

    // Each file's time by MDTM, several at once; a file the server tells no time of keeps
    // LIST's.
    void askTimes(std::map<std::string, std::optional<std::vector<RemoteEntry>>>& listings) {
        std::vector<RemoteEntry*> files;
        std::vector<std::string> paths;
        for (auto& [folder, entries] : listings) {
            if (!entries) {
                continue;
            }
            for (RemoteEntry& entry : *entries) {
                // A name that would end the command line is never asked about.
                if (!entry.folder && !entry.link &&
                    entry.name.find_first_of("\r\n") == std::string::npos) {
                    files.push_back(&entry);
                    paths.push_back(core::inFolder(folder, entry.name));
                }
            }
        }
        eachCommand(paths, "*MDTM", Step::ListFolder, [&](std::size_t job, std::size_t lane) {
            if (std::string stamp = mdtmStamp(m_lanes.replies(lane)); !stamp.empty()) {
                files[job]->modified = secondsOfStamp(stamp);
                files[job]->stamp = std::move(stamp);
            }
        });
    }

    // One command on each path, each on whichever lane is free first; done(job, lane) after each
    // that worked. A failure is the step's on the path (on its folder for a listing). False when
    // goOn() said no.
    bool eachCommand(const std::vector<std::string>& paths, std::string_view command, Step step,
                     const std::function<void(std::size_t, std::size_t)>& done,
                     const std::function<bool()>& goOn = {}) {
        Jobs jobs(
            m_states, paths.size(),
            [&](std::size_t job, std::size_t lane, CURL* handle) {
                m_commands[lane] = commands({std::string(command) + " " + fullPath(paths[job])});
                quote(handle, m_commands[lane].get());
            },
            [&](std::size_t job, std::size_t lane, CURLcode code) {
                check(lane, code, step,
                      step == Step::ListFolder ? folderOf(paths[job]) : paths[job]);
                done(job, lane);
            },
            goOn);
        return runJobs(jobs, Lanes);
    }

    // Where LIST alone lists, MDTM tells a file's time to the second, in listings and right
    // after each rename alike.
    bool timesByMdtm() const { return !m_machineListing && m_hasMdtm; }

    // The path on the server as the commands name it: below the target folder as the address
    // gives it (from the login folder, or from the root with a leading "/").
    std::string fullPath(const std::string& path) const {
        if (m_folder.empty() || m_folder == "/") {
            return m_folder + path;
        }
        return path.empty() ? m_folder : m_folder + "/" + path;
    }

    static void refuseLineBreaks(const std::string& final) {
        if (nameOf(final).find_first_of("\r\n") != std::string::npos) {
            FailureFacts facts(FailureKind::NameWithLineBreak);
            facts.path = final;
            throw PublishError(facts);
        }
    }

    // What the server offers beyond the basics, asked once at the start (the first login).
    // Servers that refuse TLS 1.2 are asked again with TLS 1.3.
    void askFeatures() {
        CURLcode code = commandsOnce({"*FEAT"});
        if (code == CURLE_SSL_CONNECT_ERROR && m_tls12Only && !m_connected) {
            m_tls12Only = false;
            code = commandsOnce({"*FEAT"});
        }
        check(0, code, Step::None, {});
        const std::string& replies = m_lanes.replies(0);
        if (replies.find("\n" + std::string(ftp::FeaturesFollow)) != std::string::npos ||
            replies.starts_with(ftp::FeaturesFollow)) {
            m_machineListing = replies.find(" MLST") != std::string::npos;
            m_setsTime = replies.find(" MFMT") != std::string::npos;
            m_hasMdtm = replies.find(" MDTM") != std::string::npos;
            m_knowsFeatures = true;
        }
    }

    // Makes the folders that are not known to be there, with any missing folders above them.
    void makeFolders(const std::set<std::string>& folders) {
        for (const std::string& folder : folders) {
            if (m_present.contains(folder)) {
                continue;
            }
            CURLcode code = CURLE_OK;
            once(
                [&](CURL* handle) {
                    prepare(handle, m_base + encoded(folder) + (folder.empty() ? "" : "/"));
                    curl_easy_setopt(handle, CURLOPT_FTP_FILEMETHOD,
                                     static_cast<long>(CURLFTPMETHOD_MULTICWD));
                    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
                    curl_easy_setopt(handle, CURLOPT_FTP_CREATE_MISSING_DIRS,
                                     static_cast<long>(CURLFTP_CREATE_DIR_RETRY));
                },
                [&](CURLcode result) { code = result; });
            check(0, code, Step::MakeFolder, folder);
            for (std::string above = folder;; above = folderOf(above)) {
                m_present.insert(above);
                if (above.empty()) {
                    break;
                }
            }
        }
    }

    // The time of an upload where the server sets one, then its final name. They go as their
    // own step, as commands before a transfer: libcurl waits for the answers to commands after
    // a transfer in a blocking loop, which would hold every other connection meanwhile.
    std::vector<std::string> namingCommands(const Upload& upload) const {
        std::vector<std::string> lines;
        if (upload.modified >= 0 && (m_setsTime || !m_knowsFeatures)) {
            char stamp[32];
            const auto seconds = static_cast<std::time_t>(upload.modified);
            std::tm time{};
            ::gmtime_r(&seconds, &time);
            std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &time);
            // "*": a server that cannot keeps its own time; the file is then sent again after
            // an interruption.
            lines.push_back("*MFMT " + std::string(stamp) + " " + fullPath(upload.temporary));
        }
        lines.push_back("RNFR " + fullPath(upload.temporary));
        lines.push_back("RNTO " + fullPath(upload.final));
        if (timesByMdtm()) {
            // What the server says right after the rename: the time the listings will show.
            lines.push_back("*MDTM " + fullPath(upload.final));
        }
        return lines;
    }

    // libcurl stops reading at the size it was told: the source is read to its end, which tells
    // whether the file stayed as planned.
    static void endOf(UploadSource& source, const std::string& final) {
        char beyond = 0;
        if (source.read(&beyond, 1) != 0) {
            throw changedSincePlan(final);
        }
    }

    // The upload to its temporary name, without a change of folder.
    void prepareUpload(CURL* handle, Feed& feed, const std::string& temporary) {
        prepare(handle, m_base + encoded(temporary));
        curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(handle, CURLOPT_READFUNCTION, Feed::read);
        curl_easy_setopt(handle, CURLOPT_READDATA, &feed);
        curl_easy_setopt(handle, CURLOPT_INFILESIZE_LARGE,
                         static_cast<curl_off_t>(feed.source->size()));
    }

    // True when the server still answers on a new connection.
    bool serverAnswers() {
        try {
            return !m_silent && commandsOnce({"NOOP"}) == CURLE_OK;
        } catch (const PublishError&) {
            return false;
        }
    }

    // The temporary files of uploads broken off; best effort.
    void tidyUp(const std::vector<std::string>& temporaries) {
        for (const std::string& temporary : temporaries) {
            try {
                remove(temporary);
            } catch (const PublishError&) {
            }
        }
    }

    // Commands on the first lane's control connection, in the login folder.
    CURLcode commandsOnce(const std::vector<std::string>& lines) {
        const Commands list = commands(lines);
        CURLcode code = CURLE_OK;
        once([&](CURL* handle) { quote(handle, list.get()); },
             [&](CURLcode result) { code = result; });
        return code;
    }

    // Commands alone, sent once the connection is back in the login folder (libcurl sends its
    // QUOTE commands before it changes folder, in whichever folder the last step left it).
    void quote(CURL* handle, curl_slist* list) {
        prepare(handle, m_base);
        curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(handle, CURLOPT_PREQUOTE, list);
    }

    // One transfer on the first lane.
    void once(const std::function<void(CURL*)>& setUp, const std::function<void(CURLcode)>& done) {
        Jobs jobs(
            m_states, 1, [&](std::size_t, std::size_t, CURL* handle) { setUp(handle); },
            [&](std::size_t, std::size_t, CURLcode code) { done(code); });
        runJobs(jobs, 1);
    }

    bool runJobs(Jobs& jobs, std::size_t lanes, std::vector<std::size_t>* brokenOff = nullptr) {
        if (m_silent) {
            throw silentServer(m_options.silenceLimit);
        }
        return m_lanes.run(jobs, lanes, brokenOff);
    }

    void prepare(CURL* handle, const std::string& url) {
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
        // Files by their whole path from the login folder: no change of folder per file.
        curl_easy_setopt(handle, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 20L);
        // Silence while an answer is due, and a transfer that stalls, end the publish.
        curl_easy_setopt(handle, CURLOPT_SERVER_RESPONSE_TIMEOUT, m_silence);
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, m_silence);
        curl_easy_setopt(handle, CURLOPT_USERNAME,
                         m_target.user.empty() ? "anonymous" : m_target.user.c_str());
        curl_easy_setopt(handle, CURLOPT_PASSWORD, m_options.password.c_str());
        if (m_target.protocol == Protocol::Ftps) {
            curl_easy_setopt(handle, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
            curl_easy_setopt(handle, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
            // TLS 1.2 where the server has it: its session resumes on every data connection.
            // A TLS 1.3 session is good for one resumption, and libcurl keeps the one the
            // server replaced unless the new ticket came before the data connection closed,
            // so servers that require reuse refuse every few files ("522").
            const long tls12 = CURL_SSLVERSION_TLSv1_2;
            const long atMost12 = CURL_SSLVERSION_MAX_TLSv1_2;
            curl_easy_setopt(handle, CURLOPT_SSLVERSION, m_tls12Only ? tls12 | atMost12 : tls12);
            if (!m_options.caFile.empty()) {
                curl_easy_setopt(handle, CURLOPT_CAINFO, m_options.caFile.c_str());
            }
        }
    }

    // The server's last reply code of the lane's transfer: libcurl's, or where it keeps none
    // ("server did not report OK, got 451") the last reply that came.
    long responseCode(std::size_t lane) const {
        long code = 0;
        curl_easy_getinfo(m_lanes.handle(lane), CURLINFO_RESPONSE_CODE, &code);
        return code != 0 ? code : lastReplyCode(m_lanes.replies(lane));
    }

    // What went wrong in the words of the server where it refused, else of libcurl.
    std::string reasonOf(std::size_t lane, CURLcode code) const {
        const long response = responseCode(lane);
        if (response >= 400) {
            // The server's last reply, the refusal: "553 Could not create file."
            const std::string& replies = m_lanes.replies(lane);
            const std::string number = std::to_string(response) + " ";
            for (std::size_t at = replies.rfind(number); at != std::string::npos;
                 at = at == 0 ? std::string::npos : replies.rfind(number, at - 1)) {
                if (at == 0 || replies[at - 1] == '\n') {
                    return replies.substr(at, replies.find('\n', at) - at);
                }
            }
        }
        const std::string error = m_lanes.errorText(lane);
        return !error.empty() ? error : curl_easy_strerror(code);
    }

    // Throws the failure of a step on path that ended with code; nothing when it worked.
    void check(std::size_t lane, CURLcode code, Step step, const std::string& path) {
        if (code == CURLE_OK) {
            m_connected = true;
            return;
        }
        const long response = responseCode(lane);
        if (code == CURLE_OPERATION_TIMEDOUT && m_connected && response != ftp::ServiceClosing) {
            m_silent = true; // not asked again: every later step would wait as long
            throw silentServer(m_options.silenceLimit);
        }
        const std::string reason = reasonOf(lane, code);
        FailureFacts facts(kindOf(code, response, reason, step));
        facts.step = step;
        facts.path = path;
        facts.host = m_target.host;
        facts.port = effectivePort(m_target);
        facts.reason = reason;
        facts.status = static_cast<std::uint32_t>(std::max(response, 0L));
        facts.password = true; // FTP's login always has one, even an empty one
        throw PublishError(facts);
    }

    FailureKind kindOf(CURLcode code, long response, const std::string& reason, Step step) const {
        // libcurl takes the server's "421" (it closes the connection) for a time-out.
        if (response == ftp::ServiceClosing) {
            return FailureKind::ServerBusy;
        }
        if (const std::optional<FailureKind> kind = curlFailure(code, m_connected)) {
            return *kind;
        }
        switch (code) {
        case CURLE_LOGIN_DENIED:
            return FailureKind::Login;
        case CURLE_USE_SSL_FAILED:
            return FailureKind::NoTls;
        case CURLE_REMOTE_DISK_FULL:
            return FailureKind::DiskFull;
        default:
            break;
        }
        if (response == ftp::StorageNowFull || response == ftp::StorageExceeded ||
            ftp::tellsOfFullDisk(response, reason)) {
            return FailureKind::DiskFull;
        }
        const bool writing = step == Step::WriteFile || step == Step::CreateFile;
        if (response == ftp::LocalError && writing) {
            return FailureKind::ServerWriteError; // vsftpd: "451 Failure writing to local file."
        }
        // The server closed the data connection of a transfer it had begun: often a full disk
        // (vsftpd), unless the server is gone altogether, which sendAll() finds out.
        if (code == CURLE_SEND_ERROR && writing &&
            (response == ftp::TransferStarting || response == ftp::FileStatusOkay)) {
            return FailureKind::TransferBrokenOff;
        }
        if (code == CURLE_REMOTE_ACCESS_DENIED || code == CURLE_UPLOAD_FAILED ||
            code == CURLE_QUOTE_ERROR || response == ftp::FileUnavailable ||
            response == ftp::NameNotAllowed) {
            return FailureKind::PermissionDenied;
        }
        return m_connected ? FailureKind::ConnectionLost : FailureKind::NoConnection;
    }

    Target m_target;
    PublishOptions m_options;
    FtpLanes m_lanes;
    LaneStates m_states;
    long m_silence;       // seconds
    std::string m_base;   // the URL of the target folder, ending in "/"
    std::string m_folder; // the target folder as the commands name it
    std::vector<Commands> m_commands = std::vector<Commands>(Lanes); // of each lane's step
    std::set<std::string> m_present;                                 // folders known to be there
    bool m_machineListing = true;
    bool m_setsTime = false;
    bool m_hasMdtm = false;
    bool m_knowsFeatures = false;
    bool m_tls12Only = true;
    bool m_connected = false;
    bool m_silent = false; // the server fell silent
};

} // namespace

// An SSH server greets first with "SSH-2.0-…", which an FTP client would wait on until its
// time is up: a look at the greeting tells it at once. Anything else is left to the connection.
void refuseSshServer(const Target& target) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(target.host.c_str(), std::to_string(effectivePort(target)).c_str(), &hints,
                      &found) != 0) {
        return;
    }
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, ::freeaddrinfo);
    const int fd = ::socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                            found->ai_protocol);
    if (fd < 0) {
        return;
    }
    char greeting[4] = {};
    ssize_t got = -1;
    pollfd wait{fd, POLLOUT, 0};
    if ((::connect(fd, found->ai_addr, found->ai_addrlen) == 0 || errno == EINPROGRESS) &&
        ::poll(&wait, 1, 5000) == 1) {
        wait.events = POLLIN;
        if (::poll(&wait, 1, 5000) == 1) {
            got = ::recv(fd, greeting, sizeof greeting, MSG_PEEK);
        }
    }
    ::close(fd);
    if (got == 4 && std::string_view(greeting, 4) == "SSH-") {
        FailureFacts facts(FailureKind::SshAtFtpPort);
        facts.host = target.host;
        facts.port = effectivePort(target);
        throw PublishError(facts);
    }
}

std::unique_ptr<Connection> connectFtp(const Target& target, const PublishOptions& options) {
    refuseSshServer(target);
    return std::make_unique<FtpConnection>(target, options);
}

} // namespace bildertafel::publish
