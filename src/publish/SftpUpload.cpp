#include "publish/SftpParts.h"
#include "publish/SftpStatusCodes.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <map>
#include <unordered_map>

namespace bildertafel::publish {

namespace {

// How much a batch keeps under way at once: enough to hide the round trips of a distant server,
// little enough that "Abbrechen" waits for no more than that.
constexpr std::size_t FilesUnderWay = 64;
constexpr std::uint64_t BytesUnderWay = std::uint64_t{8} * 1024 * 1024;

// One batch of uploads: up to FilesUnderWay files at once, each opened under its temporary name,
// written, closed, and renamed only once every write and the close are confirmed; so no final
// name ever holds a half file. On several channels each file goes on the one with the fewest
// bytes under way, and each channel carries its share of what may be under way: a server lets
// only so much be on its way per channel (sshd: 2 MiB) before it has taken it.
class Batch {
public:
    Batch(const std::vector<SftpRequests*>& channels, const SftpPlace& place,
          const std::vector<Upload>& uploads, UploadWatcher& watcher)
        : m_channels(channels), m_place(place), m_uploads(uploads), m_watcher(watcher),
          m_filesPerChannel(std::max<std::size_t>(
              1, std::min(FilesUnderWay, channels.front()->openLimit()) / channels.size())),
          m_bytesPerChannel(BytesUnderWay / channels.size()), m_asked(channels.size()),
          m_channelBytes(channels.size()), m_channelFiles(channels.size()) {}

    // After "Abbrechen" the replies to what is under way are waited for as long as the server
    // keeps answering, and a few seconds of its silence (see SftpRequests::hurry()); what is
    // still under way then stays under its temporary name, for the next run.
    void run() {
        try {
            exchangeAll();
        } catch (const PublishError&) {
            if (!m_cancelled) {
                throw;
            }
            for (SftpRequests* channel : m_channels) {
                channel->abandon();
            }
        }
        if (m_failure) {
            std::rethrow_exception(m_failure);
        }
        if (m_cancelled) {
            throw cancelled();
        }
    }

private:
    void exchangeAll() {
        for (;;) {
            for (std::size_t channel = freeChannel();
                 !stopping() && m_next < m_uploads.size() && channel < m_channels.size();
                 channel = freeChannel()) {
                start(m_next++, channel);
            }
            for (SftpRequests* channel : m_channels) {
                channel->flush();
            }
            if (m_files.empty()) {
                break;
            }
            if (auto reply = nextOfAny(m_channels, 200)) {
                answer(reply->first, reply->second);
            }
            if (!m_cancelled && !m_watcher.progress(m_confirmed)) {
                m_cancelled = true;
                for (SftpRequests* channel : m_channels) {
                    channel->hurry();
                }
            }
        }
    }

    enum class Step { Open, Write, SetModified, Close, Rename, RemoveFinal, RemoveTemporary };

    struct File {
        std::size_t channel = 0;
        std::string content;
        std::string handle;
        std::size_t waiting = 0; // replies still due
        bool failed = false;
        bool renameFailed = false;
        bool retried = false;
    };

    struct Request {
        std::size_t index;
        Step step;
        std::uint64_t bytes = 0;
    };

    bool stopping() const { return m_cancelled || m_failure != nullptr; }

    void fail(std::exception_ptr failure) {
        if (!m_failure) {
            m_failure = std::move(failure);
        }
    }

    void refused(const SftpRequests::Reply& reply, std::size_t index, publish::Step step) {
        File& file = m_files.at(index);
        fail(std::make_exception_ptr(
            SftpRefused(reply.status, step, m_uploads[index].final, file.content.size())));
        file.failed = true;
    }

    std::string remote(const std::string& path) const { return m_place.remote(path); }

    // The channel with the fewest bytes under way that can take another file; none: size().
    std::size_t freeChannel() const {
        std::size_t best = m_channels.size();
        for (std::size_t i = 0; i < m_channels.size(); ++i) {
            if (m_channelFiles[i] < m_filesPerChannel && m_channelBytes[i] < m_bytesPerChannel &&
                (best == m_channels.size() || m_channelBytes[i] < m_channelBytes[best])) {
                best = i;
            }
        }
        return best;
    }

    SftpRequests& channelOf(std::size_t index) { return *m_channels[m_files.at(index).channel]; }

    void ask(std::uint32_t id, std::size_t index, Step step, std::uint64_t bytes = 0) {
        File& file = m_files.at(index);
        m_asked[file.channel].emplace(id, Request{index, step, bytes});
        ++file.waiting;
    }

    void start(std::size_t index, std::size_t channel) {
        std::string content;
        try {
            content = m_watcher.content(index);
        } catch (const PublishError&) {
            fail(std::current_exception());
            return;
        }
        m_channelBytes[channel] += content.size();
        ++m_channelFiles[channel];
        File& file = m_files[index];
        file.channel = channel;
        file.content = std::move(content);
        ask(channelOf(index).open(remote(m_uploads[index].temporary)), index, Step::Open);
    }

    void answer(std::size_t channel, const SftpRequests::Reply& reply) {
        const auto found = m_asked[channel].find(reply.id);
        if (found == m_asked[channel].end()) {
            return;
        }
        const Request request = found->second;
        m_asked[channel].erase(found);
        SftpRequests& requests = *m_channels[channel];
        File& file = m_files.at(request.index);
        --file.waiting;
        const Upload& upload = m_uploads[request.index];
        const bool good = reply.status == sftp::Ok;
        switch (request.step) {
        case Step::Open:
            if (!good) {
                refused(reply, request.index, publish::Step::CreateFile);
            } else {
                file.handle = reply.handle;
                writeAll(request.index, file);
            }
            break;
        case Step::SetModified: // refused: the file is sent again after an interruption
        case Step::Write:
        case Step::Close:
            if (!good && !file.failed && request.step != Step::SetModified) {
                refused(reply, request.index, publish::Step::WriteFile);
            }
            m_confirmed += good ? request.bytes : 0;
            if (file.waiting == 0) {
                if (file.failed || stopping()) {
                    removeTemporary(request.index);
                } else {
                    ask(requests.renameOver(remote(upload.temporary), remote(upload.final)),
                        request.index, Step::Rename);
                }
            }
            break;
        case Step::RemoveFinal:
        case Step::RemoveTemporary:
            break;
        case Step::Rename:
            file.renameFailed = !good;
            if (!good && !file.retried && !requests.atomicRename()) {
                // A server without an atomic replace: the old file goes first, and for a moment
                // the name is missing.
                file.retried = true;
                ask(requests.remove(remote(upload.final)), request.index, Step::RemoveFinal);
                ask(requests.renameOver(remote(upload.temporary), remote(upload.final)),
                    request.index, Step::Rename);
            } else if (!good) {
                refused(reply, request.index, publish::Step::RenameFile);
            }
            if (file.waiting == 0) {
                if (!file.failed && !file.renameFailed) {
                    m_watcher.done(request.index);
                } else {
                    removeTemporary(request.index);
                }
            }
            break;
        }
        if (file.waiting == 0) {
            m_channelBytes[channel] -= file.content.size();
            --m_channelFiles[channel];
            m_files.erase(request.index);
        }
    }

    void writeAll(std::size_t index, File& file) {
        if (!stopping()) {
            SftpRequests& requests = channelOf(index);
            const std::size_t limit = requests.writeLimit();
            for (std::size_t at = 0; at < file.content.size(); at += limit) {
                const std::string_view part =
                    std::string_view(file.content)
                        .substr(at, std::min(limit, file.content.size() - at));
                ask(requests.write(file.handle, at, part), index, Step::Write, part.size());
            }
            // After the last write: the server works through one file's requests in order.
            if (m_uploads[index].modified >= 0) {
                ask(requests.setModified(file.handle, m_uploads[index].modified), index,
                    Step::SetModified);
            }
        }
        ask(channelOf(index).close(file.handle), index, Step::Close);
    }

    void removeTemporary(std::size_t index) {
        ask(channelOf(index).remove(remote(m_uploads[index].temporary)), index,
            Step::RemoveTemporary);
    }

    const std::vector<SftpRequests*>& m_channels;
    const SftpPlace& m_place;
    const std::vector<Upload>& m_uploads;
    UploadWatcher& m_watcher;
    const std::size_t m_filesPerChannel;
    const std::uint64_t m_bytesPerChannel;
    std::size_t m_next = 0;
    std::map<std::size_t, File> m_files;                             // under way, by index
    std::vector<std::unordered_map<std::uint32_t, Request>> m_asked; // by channel
    std::vector<std::uint64_t> m_channelBytes;                       // under way, by channel
    std::vector<std::size_t> m_channelFiles;
    std::uint64_t m_confirmed = 0;
    bool m_cancelled = false;
    std::exception_ptr m_failure;
};

} // namespace

void sendBatch(const std::vector<SftpRequests*>& channels, const SftpPlace& place,
               const std::vector<Upload>& uploads, UploadWatcher& watcher) {
    Batch(channels, place, uploads, watcher).run();
}

} // namespace bildertafel::publish
