#include "publish/Connection.h"

#include "core/SlashPath.h"

#include "publish/SftpParts.h"
#include "publish/SftpRequests.h"
#include "publish/SftpSession.h"
#include "publish/SftpStatusCodes.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

namespace bildertafel::publish {

SftpPlace::SftpPlace(const std::string& targetFolder) {
    // "~" and "~/www" are below the home folder, where the server starts.
    if (targetFolder == "~") {
        m_folder = "";
    } else if (targetFolder.starts_with("~/")) {
        m_folder = targetFolder.substr(2);
    } else {
        m_folder = targetFolder;
    }
}

std::string SftpPlace::remote(const std::string& path) const {
    if (path.empty()) {
        return m_folder.empty() ? "." : m_folder;
    }
    if (m_folder.empty()) {
        return path;
    }
    return m_folder == "/" ? "/" + path : m_folder + "/" + path;
}

namespace {

constexpr std::size_t RemovalsUnderWay = 64;
// A batch of this many bytes goes on MoreChannels channels beside the first.
constexpr std::uint64_t SeveralChannelsFrom = std::uint64_t{4} * 1024 * 1024;
constexpr std::size_t MoreChannels = 3;

using core::folderOf;

// What SftpConnection::sendSoon() has under way: the ids whose answers are still due.
struct Soon {
    std::string content;
    std::string temporary;
    std::string final;
    SftpRequests* channel = nullptr;
    std::string handle;
    std::set<std::uint32_t> due;
    std::optional<SftpRefused> refusal;
    bool done = false;
};

// Every operation is a conversation on one channel of requests; libssh serves the connection,
// the login and the host keys only.
class SftpConnection final : public Connection {
public:
    SftpConnection(const Target& target, const PublishOptions& options, PublishHost& host)
        : m_session(target, options, host), m_silenceLimit(options.silenceLimit),
          m_requests(std::make_unique<SftpRequests>(m_session.get(), m_silenceLimit)),
          m_place(target.folder), m_cancel([&host] { return host.cancelRequested(); }) {}

    ~SftpConnection() override = default;

private:
    // The channel of requests. One that a silent or misbehaving server left useless is replaced
    // while the connection itself holds (a few times at most), so that what is done after a
    // failure (recording what arrived, giving the lock back) still gets through; a server that
    // is gone does not keep it waiting longer than the silence limit.
    SftpRequests& requests() {
        if (!m_requests) {
            throw PublishError(FailureFacts(FailureKind::ConnectionLost));
        }
        if (m_requests->ended() && !m_reopened && ssh_is_connected(m_session.get()) != 0) {
            m_reopened = true;  // once: a server that is gone costs one more wait, no more
            m_requests.reset(); // closed first: the server may allow one channel only
            const long seconds = std::max<long>(
                1,
                static_cast<long>(std::chrono::ceil<std::chrono::seconds>(m_silenceLimit).count()));
            ssh_options_set(m_session.get(), SSH_OPTIONS_TIMEOUT, &seconds);
            m_requests = std::make_unique<SftpRequests>(m_session.get(), m_silenceLimit,
                                                        std::chrono::seconds(seconds));
        }
        return *m_requests;
    }

    // The channels a batch of bytes goes on: more than the one for a large batch, so that more
    // is on its way at once than the server lets be on one channel. A server that allows one
    // channel only keeps the batch on the one.
    std::vector<SftpRequests*> channelsFor(std::uint64_t bytes) {
        std::vector<SftpRequests*> channels{&requests()};
        if (bytes < SeveralChannelsFrom) {
            return channels;
        }
        if (!m_oneChannelOnly && m_moreChannels.empty()) {
            try {
                m_moreChannels =
                    SftpRequests::openSeveral(m_session.get(), MoreChannels, m_silenceLimit);
            } catch (const PublishError&) {
                if (ssh_is_connected(m_session.get()) == 0) {
                    throw;
                }
                m_oneChannelOnly = true;
            }
        }
        for (const auto& channel : m_moreChannels) {
            channels.push_back(channel.get());
        }
        return channels;
    }

    // Runs a conversation. A refusal becomes its failure once nothing is under way any more;
    // whatever the conversation left under way when it failed is no longer waited for.
    template <typename Work>
    auto guarded(Work&& work) {
        try {
            return work();
        } catch (const SftpRefused& refused) {
            m_moreChannels.clear(); // replies may still be due on them
            if (m_requests) {
                m_requests->abandon();
            }
            throw failureOfRefusal(requests(), m_place, refused);
        } catch (const PublishError& error) {
            m_moreChannels.clear();
            if (m_requests) {
                m_requests->abandon();
            }
            if (error.kind() == FailureKind::Cancelled) {
                if (m_requests) {
                    m_requests->hurry();
                }
            }
            throw;
        }
    }

public:
    std::optional<std::vector<RemoteEntry>> list(const std::string& folder) override {
        return guarded([&] {
            auto listings = readFolders(requests(), m_place, {folder}, {});
            learn(listings);
            return listings.at(folder);
        });
    }

    // All folders at once: the folders of a show cost the round trips of the longest, not of
    // all together.
    std::map<std::string, std::optional<std::vector<RemoteEntry>>>
    listAll(const std::set<std::string>& folders) override {
        return guarded([&] {
            auto listings = readFolders(requests(), m_place, folders, m_cancel);
            learn(listings);
            return listings;
        });
    }

    std::optional<std::string> read(const std::string& path,
                                    std::uint64_t limit = UnlimitedRead) override {
        return guarded([&] { return readFile(requests(), m_place, path, limit, m_cancel); });
    }

    // Bytes in memory (the record, the lock's owner) as a batch of one.
    void send(const std::string& content, const std::string& temporary, const std::string& final,
              const SendProgress& progress, std::int64_t modified = -1) override {
        class Whole final : public UploadWatcher {
        public:
            Whole(const std::string& content, const SendProgress& progress)
                : m_content(content), m_progress(progress) {}
            std::unique_ptr<UploadSource> source(std::size_t) override {
                return sourceOf(m_content);
            }
            bool progress(std::uint64_t sent) override { return !m_progress || m_progress(sent); }
            void done(std::size_t, const std::string&) override {}

        private:
            const std::string& m_content;
            const SendProgress& m_progress;
        };
        Whole whole(content, progress);
        sendAll({Upload{temporary, final, modified, content.size()}}, whole);
    }

    bool keepsStages() const override { return true; }

    // Opened at once; written, closed and renamed as the answers come, in whatever conversation
    // is under way then. The final name only once the write and the close are confirmed.
    void sendSoon(const std::string& content, const std::string& temporary,
                  const std::string& final) override {
        guarded([&] {
            settleNow();
            makeFolders({folderOf(temporary)});
            m_soon.emplace();
            m_soon->content = content;
            m_soon->temporary = temporary;
            m_soon->final = final;
            m_soon->channel = &requests();
            soonAsk(m_soon->channel->open(m_place.remote(temporary)),
                    [this](const SftpRequests::Reply& reply) { soonOpened(reply); });
            m_soon->channel->flush();
        });
    }

    void settle() override {
        guarded([&] { settleNow(); });
    }

    // What the server calls the target folder (SFTP's realpath); nothing when it will not say.
    std::optional<std::string> serverPath() override {
        return guarded([&]() -> std::optional<std::string> {
            const SftpRequests::Reply reply =
                requests().await({requests().realPath(m_place.remote(""))}).front();
            if (reply.status != sftp::Ok || reply.entries.size() != 1) {
                return std::nullopt;
            }
            return reply.entries.front().name;
        });
    }

    // lstat: a link is told as a link.
    std::optional<RemoteEntry> entryOf(const std::string& path) override {
        return guarded([&]() -> std::optional<RemoteEntry> {
            SftpRequests::Reply reply =
                requests().await({requests().lstat(m_place.remote(path))}).front();
            if (reply.status == sftp::NoSuchFile || reply.status == sftp::NoSuchPath) {
                return std::nullopt;
            }
            if (reply.status != sftp::Ok || reply.entries.size() != 1) {
                throw SftpRefused(reply.status == sftp::Ok ? sftp::BadMessage : reply.status,
                                  Step::ListFolder, core::folderOf(path));
            }
            RemoteEntry entry = std::move(reply.entries.front());
            entry.name = core::nameOf(path);
            return entry;
        });
    }

    void sendAll(const std::vector<Upload>& uploads, UploadWatcher& watcher) override {
        if (uploads.empty()) {
            return;
        }
        guarded([&] {
            settleNow();
            std::set<std::string> folders;
            for (const Upload& upload : uploads) {
                folders.insert(folderOf(upload.temporary));
            }
            makeFolders(folders);
            std::uint64_t bytes = 0;
            for (const Upload& upload : uploads) {
                bytes += upload.size;
            }
            sendBatch(channelsFor(bytes), m_place, uploads, watcher);
        });
    }

    void remove(const std::string& path) override {
        guarded([&] {
            settleNow();
            const auto reply = requests().await({requests().remove(m_place.remote(path))});
            if (reply[0].status != sftp::Ok && reply[0].status != sftp::NoSuchFile) {
                throw SftpRefused(reply[0].status, Step::RemoveFile, path);
            }
        });
    }

    // Up to RemovalsUnderWay removals under way at once. A file that is gone already counts as
    // removed. On "Abbrechen" the answers still due are not waited for.
    void removeAll(const std::vector<std::string>& paths, const std::function<bool()>& goOn,
                   const std::function<void(std::size_t)>& done) override {
        guarded([&] {
            settleNow();
            std::unordered_map<std::uint32_t, std::size_t> asked;
            std::optional<SftpRefused> failure;
            std::size_t next = 0;
            const CancelCheck stop = [&] { return !goOn(); };
            for (;;) {
                if (stop()) {
                    throw cancelled();
                }
                while (!failure && next < paths.size() && asked.size() < RemovalsUnderWay) {
                    asked.emplace(requests().remove(m_place.remote(paths[next])), next);
                    ++next;
                }
                if (asked.empty()) {
                    break;
                }
                exchange(requests(), stop, [&](const SftpRequests::Reply& reply) {
                    const auto found = asked.find(reply.id);
                    if (found == asked.end()) {
                        return;
                    }
                    const std::size_t index = found->second;
                    asked.erase(found);
                    if (reply.status == sftp::Ok || reply.status == sftp::NoSuchFile) {
                        done(index);
                    } else if (!failure) {
                        failure.emplace(reply.status, Step::RemoveFile, paths[index]);
                    }
                });
            }
            if (failure) {
                throw *failure;
            }
        });
    }

    bool makeFolder(const std::string& path) override {
        return guarded([&] {
            settleNow();
            // OpenSSH tells "exists" only as a failure: the name is looked at without following
            // it; a moment later it may be gone again (another client's lock, given back
            // meanwhile).
            const std::string remote = m_place.remote(path);
            for (int attempt = 0;; ++attempt) {
                const std::uint32_t status =
                    requests().await({requests().makeFolder(remote)})[0].status;
                if (status == sftp::Ok) {
                    m_madeFolders.insert(remote);
                    return true;
                }
                if (attempt == 0 && status == sftp::NoSuchFile) {
                    // The folders it lies in, the target folder of a first publish: each made
                    // right behind the one it lies in, the folder itself behind them. A server
                    // that works on them in another order fails the folder, and they are made
                    // one after the other.
                    std::vector<std::string> around;
                    eachFolderAround({folderOf(path)},
                                     [&around](const std::string& folder, const std::string&) {
                                         around.push_back(folder);
                                     });
                    std::vector<std::uint32_t> ids;
                    ids.reserve(around.size() + 1);
                    for (const std::string& folder : around) {
                        ids.push_back(requests().makeFolder(folder));
                    }
                    ids.push_back(requests().makeFolder(remote));
                    if (requests().await(ids).back().status == sftp::Ok) {
                        m_madeFolders.insert(around.begin(), around.end());
                        m_madeFolders.insert(remote);
                        return true;
                    }
                    makeFolders({folderOf(path)});
                    continue;
                }
                if (requests().await({requests().lstat(m_place.remote(path))})[0].status ==
                    sftp::Ok) {
                    return false;
                }
                if (attempt >= 2) {
                    throw SftpRefused(status, Step::MakeFolder, path);
                }
            }
        });
    }

    void removeFolder(const std::string& path) override {
        guarded([&] {
            settleNow();
            forget(path);
            const auto reply = requests().await({requests().removeFolder(m_place.remote(path))});
            if (reply[0].status != sftp::Ok && reply[0].status != sftp::NoSuchFile) {
                throw SftpRefused(reply[0].status, Step::RemoveFolder, path);
            }
        });
    }

    // The removals and the folder's in one go. A server that works on the folder before the
    // files (it fails, not empty) is asked for it once more.
    void removeFolderWith(const std::string& folder,
                          const std::vector<std::string>& names) override {
        guarded([&] {
            settleNow();
            forget(folder);
            std::vector<std::uint32_t> ids;
            ids.reserve(names.size() + 1);
            for (const std::string& name : names) {
                ids.push_back(requests().remove(m_place.remote(folder + "/" + name)));
            }
            ids.push_back(requests().removeFolder(m_place.remote(folder)));
            std::vector<SftpRequests::Reply> replies = requests().await(ids);
            for (std::size_t i = 0; i < names.size(); ++i) {
                if (replies[i].status != sftp::Ok && replies[i].status != sftp::NoSuchFile) {
                    throw SftpRefused(replies[i].status, Step::RemoveFile, folder + "/" + names[i]);
                }
            }
            std::uint32_t status = replies.back().status;
            if (status != sftp::Ok && status != sftp::NoSuchFile) {
                status =
                    requests().await({requests().removeFolder(m_place.remote(folder))})[0].status;
            }
            if (status != sftp::Ok && status != sftp::NoSuchFile) {
                throw SftpRefused(status, Step::RemoveFolder, folder);
            }
        });
    }

    void rename(const std::string& from, const std::string& to) override {
        guarded([&] {
            settleNow();
            forget(from);
            forget(to);
            const auto reply =
                requests().await({requests().rename(m_place.remote(from), m_place.remote(to))});
            if (reply[0].status != sftp::Ok) {
                throw SftpRefused(reply[0].status, Step::Rename, from);
            }
        });
    }

private:
    void soonAsk(std::uint32_t id, std::function<void(const SftpRequests::Reply&)> handler) {
        m_soon->due.insert(id);
        m_soon->channel->onReply(
            id, [this, id, handler = std::move(handler)](const SftpRequests::Reply& reply) {
                m_soon->due.erase(id);
                handler(reply);
            });
    }

    void soonRefused(std::uint32_t status, Step step) {
        if (!m_soon->refusal) {
            m_soon->refusal.emplace(status, step, m_soon->final, m_soon->content.size());
        }
    }

    void soonOpened(const SftpRequests::Reply& reply) {
        if (reply.status != sftp::Ok) {
            soonRefused(reply.status, Step::CreateFile);
            m_soon->done = true;
            return;
        }
        m_soon->handle = reply.handle;
        SftpRequests& channel = *m_soon->channel;
        const auto written = [this](const SftpRequests::Reply& answer) { soonWritten(answer); };
        const std::string_view content = m_soon->content;
        for (std::size_t at = 0; at < content.size(); at += channel.writeLimit()) {
            soonAsk(channel.write(m_soon->handle, at, content.substr(at, channel.writeLimit())),
                    written);
        }
        soonAsk(channel.close(m_soon->handle), written);
        channel.flush();
    }

    void soonWritten(const SftpRequests::Reply& reply) {
        if (reply.status != sftp::Ok) {
            soonRefused(reply.status, Step::WriteFile);
        }
        if (!m_soon->due.empty()) {
            return;
        }
        SftpRequests& channel = *m_soon->channel;
        if (m_soon->refusal) {
            channel.ignore(channel.remove(m_place.remote(m_soon->temporary)));
            m_soon->done = true;
        } else {
            soonAsk(channel.renameOver(m_place.remote(m_soon->temporary),
                                       m_place.remote(m_soon->final)),
                    [this](const SftpRequests::Reply& answer) {
                        if (answer.status != sftp::Ok) {
                            soonRefused(answer.status, Step::RenameFile);
                            m_soon->channel->ignore(
                                m_soon->channel->remove(m_place.remote(m_soon->temporary)));
                            m_soon->channel->flush();
                        }
                        m_soon->done = true;
                    });
        }
        channel.flush();
    }

    // Until what sendSoon() has under way is there; throws its failure, or the connection's
    // when its answers can no longer come.
    void settleNow() {
        if (!m_soon) {
            return;
        }
        while (!m_soon->done) {
            const bool lost =
                m_requests.get() != m_soon->channel ||
                std::none_of(m_soon->due.begin(), m_soon->due.end(),
                             [&](std::uint32_t id) { return m_soon->channel->handles(id); });
            if (lost) {
                m_soon.reset();
                throw PublishError(FailureFacts(FailureKind::ConnectionLost));
            }
            exchange(*m_soon->channel, m_cancel, [](const SftpRequests::Reply&) {});
        }
        const std::optional<SftpRefused> refusal = m_soon->refusal;
        m_soon.reset();
        if (refusal) {
            throw *refusal;
        }
    }

    // The folders a listing found there or not there: the first need not be made, the second
    // need not be looked for before they are made.
    void learn(const std::map<std::string, std::optional<std::vector<RemoteEntry>>>& listings) {
        for (const auto& [folder, entries] : listings) {
            const std::string remote = m_place.remote(folder);
            if (entries) {
                m_madeFolders.insert(remote);
                m_missingFolders.erase(remote);
            } else if (!m_madeFolders.contains(remote)) {
                m_missingFolders.insert(remote);
            }
        }
    }

    // A folder that goes or moves, and what lies in it, is no longer known.
    void forget(const std::string& folder) {
        const std::string remote = m_place.remote(folder);
        for (std::set<std::string>* known : {&m_madeFolders, &m_missingFolders}) {
            std::erase_if(*known, [&](const std::string& name) {
                return name == remote || name.starts_with(remote + "/");
            });
        }
    }

    // The target folder and the folders it lies in, then each of folders and the folders
    // between, each after the one it lies in: visit(the server's path, the path as shown).
    template <typename Visit>
    void eachFolderAround(const std::set<std::string>& folders, const Visit& visit) const {
        const std::string& target = m_place.folder();
        for (std::size_t slash = target.find('/', 1); slash != std::string::npos;
             slash = target.find('/', slash + 1)) {
            visit(target.substr(0, slash), target.substr(0, slash));
        }
        if (!target.empty()) {
            visit(target, target);
        }
        for (const std::string& folder : folders) {
            for (std::size_t slash = folder.find('/'); slash != std::string::npos;
                 slash = folder.find('/', slash + 1)) {
                visit(m_place.remote(folder.substr(0, slash)), folder.substr(0, slash));
            }
            if (!folder.empty()) {
                visit(m_place.remote(folder), folder);
            }
        }
    }

    // Makes the folders (below the target folder) and the ones they lie in, the target folder
    // included, where missing: all asked about at once, then all missing ones made at once,
    // each after the one it lies in. Each folder is looked at once per connection.
    void makeFolders(const std::set<std::string>& folders) {
        std::set<std::string> wanted; // the server's paths; a folder sorts before its contents
        std::map<std::string, std::string> shown;
        const auto want = [&](const std::string& remote, const std::string& named) {
            if (!m_madeFolders.contains(remote) && remote != "." && remote != "/") {
                wanted.insert(remote);
                shown.emplace(remote, named);
            }
        };
        eachFolderAround(folders, want);
        if (wanted.empty()) {
            return;
        }
        // What a listing found missing is made without being looked for.
        std::vector<std::string> ordered;
        std::vector<std::string> missing;
        for (const std::string& folder : wanted) {
            (m_missingFolders.contains(folder) ? missing : ordered).push_back(folder);
        }
        std::vector<std::uint32_t> ids;
        ids.reserve(ordered.size());
        for (const std::string& folder : ordered) {
            ids.push_back(requests().stat(folder));
        }
        const std::vector<SftpRequests::Reply> there =
            ids.empty() ? std::vector<SftpRequests::Reply>() : requests().await(ids);
        for (std::size_t i = 0; i < ordered.size(); ++i) {
            if (there[i].status == sftp::Ok) {
                m_madeFolders.insert(ordered[i]);
            } else {
                missing.push_back(ordered[i]);
            }
        }
        std::sort(missing.begin(), missing.end());
        ids.clear();
        for (const std::string& folder : missing) {
            ids.push_back(requests().makeFolder(folder));
        }
        const std::vector<SftpRequests::Reply> made = requests().await(ids);
        for (std::size_t i = 0; i < missing.size(); ++i) {
            // Refused: perhaps made a moment ago by another, or asked for before the one it lies
            // in was made, by a server that works on requests in another order.
            if (made[i].status != sftp::Ok &&
                requests().await({requests().makeFolder(missing[i])})[0].status != sftp::Ok &&
                requests().await({requests().stat(missing[i])})[0].status != sftp::Ok) {
                throw SftpRefused(made[i].status, Step::MakeFolder, shown[missing[i]]);
            }
            m_madeFolders.insert(missing[i]);
            m_missingFolders.erase(missing[i]);
        }
    }

    SftpSession m_session;
    std::chrono::milliseconds m_silenceLimit;
    std::unique_ptr<SftpRequests> m_requests;
    bool m_reopened = false;
    std::vector<std::unique_ptr<SftpRequests>> m_moreChannels;
    bool m_oneChannelOnly = false;
    SftpPlace m_place;
    CancelCheck m_cancel;
    std::set<std::string> m_madeFolders;    // the server's paths
    std::set<std::string> m_missingFolders; // not there when last listed
    std::optional<Soon> m_soon;
};

} // namespace

std::unique_ptr<Connection> connectSftp(const Target& target, const PublishOptions& options,
                                        PublishHost& host) {
    return std::make_unique<SftpConnection>(target, options, host);
}

} // namespace bildertafel::publish
