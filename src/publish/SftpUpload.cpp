#include "publish/SftpParts.h"
#include "publish/SftpStatusCodes.h"

#include "core/SlashPath.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <map>
#include <unordered_map>
#include <utility>

namespace bildertafel::publish {

namespace {

// How much a batch keeps under way at once: enough to hide the round trips of a distant server,
// little enough that "Abbrechen" waits for no more than that.
constexpr std::size_t FilesUnderWay = 256;
constexpr std::uint64_t BytesUnderWay = std::uint64_t{8} * 1024 * 1024;

// One batch of uploads: up to FilesUnderWay files at once (each channel its share, no more than
// its server lets be open), each opened under its temporary name, written piece by piece as its
// bytes are read, its time set and asked for, closed, and renamed only once every write and the
// close are confirmed; so no final name ever holds a half file, and no more than BytesUnderWay of
// the batch is in memory or on its way at once, whatever a file's size. On several channels each
// file goes on the one with the fewest bytes under way, and each channel carries its share of what
// may be under way: a server lets only so much be on its way per channel (sshd: 2 MiB) before it
// has taken it.
class Batch {
public:
    Batch(const std::vector<SftpRequests*>& channels, const SftpPlace& place,
          const std::vector<Upload>& uploads, UploadWatcher& watcher)
        : m_channels(channels), m_place(place), m_uploads(uploads), m_watcher(watcher),
          m_filesPerChannel(std::max<std::size_t>(
              1, std::min(FilesUnderWay / channels.size(), channels.front()->openLimit()))),
          m_bytesPerChannel(BytesUnderWay / channels.size()), m_asked(channels.size()),
          m_channelBytes(channels.size()), m_channelFiles(channels.size()) {
        for (const Upload& upload : uploads) {
            ++m_stageLeft[upload.stage];
        }
    }

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
        if (m_refusal) {
            m_refusal->space = m_space;
            throw *m_refusal;
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
            for (auto& [index, file] : m_files) {
                feed(index, file);
            }
            if (stopping()) {
                // Whole, but of a later stage: no final name now.
                for (const std::size_t held : std::exchange(m_heldBack, {})) {
                    removeTemporary(held);
                }
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

    enum class Step {
        Open,
        Write,
        SetModified,
        Attributes,
        Close,
        Rename,
        RemoveFinal,
        RemoveTemporary,
        FreeSpace
    };

    struct File {
        std::size_t channel = 0;
        std::unique_ptr<UploadSource> source;
        std::uint64_t size = 0;
        std::uint64_t written = 0; // the bytes asked to be written so far
        std::string handle;        // empty until the file is open
        std::size_t waiting = 0;   // replies still due
        bool closing = false;      // its close is asked
        bool ending = false;       // its rename or the removal of its temporary name is asked
        bool held = false;         // its removal waits for the free space
        bool failed = false;
        bool renameFailed = false;
        bool retried = false;
        bool removing = false; // its temporary name is asked to go, or waits to be
        std::string stamp;     // the server's time stamp of the whole file, as listings show it
    };

    struct Request {
        std::size_t index;
        Step step;
        std::uint64_t bytes = 0;
    };

    bool stopping() const { return m_cancelled || m_failure != nullptr || m_refusal.has_value(); }

    void fail(std::exception_ptr failure) {
        if (!m_failure && !m_refusal) {
            m_failure = std::move(failure);
        }
    }

    // The first refusal ends the batch. One without a reason may mean a full disk, which only the
    // free space tells, asked at once: it goes before the file's temporary name is removed again.
    void refused(const SftpRequests::Reply& reply, std::size_t index, publish::Step step) {
        File& file = m_files.at(index);
        file.failed = true;
        if (m_refusal || m_failure) {
            return;
        }
        m_refusal.emplace(reply.status, step, m_uploads[index].final, file.size);
        SftpRequests& requests = channelOf(index);
        if (reply.status == sftp::GenericFailure && requests.freeSpaceTold()) {
            ask(requests.freeSpace(remote(core::folderOf(m_uploads[index].temporary))), index,
                Step::FreeSpace);
            m_spaceDue = true;
        }
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
        std::unique_ptr<UploadSource> source;
        try {
            source = m_watcher.source(index);
        } catch (const PublishError&) {
            fail(std::current_exception());
            return;
        }
        ++m_channelFiles[channel];
        File& file = m_files[index];
        file.channel = channel;
        file.size = source->size();
        file.source = std::move(source);
        ask(channelOf(index).open(remote(m_uploads[index].temporary)), index, Step::Open);
    }

    // Writes the next pieces of an open file while its channel has room, then its time and its
    // close; a file of a batch that is stopping is closed at once.
    void feed(std::size_t index, File& file) {
        if (file.handle.empty() || file.closing) {
            return;
        }
        SftpRequests& requests = channelOf(index);
        const std::size_t limit = requests.writeLimit();
        while (!stopping() && file.written < file.size &&
               m_channelBytes[file.channel] < m_bytesPerChannel) {
            m_piece.resize(
                static_cast<std::size_t>(std::min<std::uint64_t>(limit, file.size - file.written)));
            const std::size_t got = readPiece(index, file);
            if (got == 0) {
                break;
            }
            ask(requests.write(file.handle, file.written, std::string_view(m_piece.data(), got)),
                index, Step::Write, got);
            m_channelBytes[file.channel] += got;
            file.written += got;
        }
        const bool whole = file.written == file.size && !stopping() && atEnd(index, file);
        if (whole && m_uploads[index].modified >= 0) {
            // After the last write: the server works through one file's requests in order.
            ask(requests.setModified(file.handle, m_uploads[index].modified), index,
                Step::SetModified);
        }
        if (whole) {
            // What the file's listing will show after the rename, which keeps it: no listing
            // of its folder needs to tell it afterwards. Should a server answer before it set
            // the time, the next listing differs, and the file counts as changed by another.
            ask(requests.attributesOf(file.handle), index, Step::Attributes);
        }
        if (whole || stopping()) {
            ask(requests.close(file.handle), index, Step::Close);
            file.closing = true;
        }
    }

    // The next bytes of the file into m_piece; 0 when reading it failed (the batch then stops).
    std::size_t readPiece(std::size_t index, File& file) {
        try {
            const std::size_t got = file.source->read(m_piece.data(), m_piece.size());
            if (got == 0) {
                throw changedSincePlan(m_uploads[index].final); // shorter than it was
            }
            return got;
        } catch (const PublishError&) {
            file.failed = true;
            fail(std::current_exception());
            return 0;
        }
    }

    // True when the source has nothing beyond its size; a longer one is a file that changed.
    bool atEnd(std::size_t index, File& file) {
        try {
            char beyond = 0;
            if (file.source->read(&beyond, 1) != 0) {
                throw changedSincePlan(m_uploads[index].final);
            }
            return true;
        } catch (const PublishError&) {
            file.failed = true;
            fail(std::current_exception());
            return false;
        }
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
        bool good = reply.status == sftp::Ok;
        switch (request.step) {
        case Step::Open:
            if (!good) {
                refused(reply, request.index, publish::Step::CreateFile);
            } else {
                file.handle = reply.handle;
            }
            break;
        case Step::Attributes:
            if (good && reply.entries.size() == 1 && reply.entries.front().modified >= 0 &&
                reply.entries.front().size == file.size) {
                file.stamp = reply.entries.front().stamp;
            }
            good = true; // not told: a listing tells it
            [[fallthrough]];
        case Step::Write: // of an answer to attributes: no bytes
            m_channelBytes[channel] -= request.bytes;
            m_confirmed += good ? request.bytes : 0;
            [[fallthrough]];
        case Step::SetModified: // refused: the file is sent again after an interruption
        case Step::Close:
            if (!good && !file.failed && request.step != Step::SetModified) {
                refused(reply, request.index, publish::Step::WriteFile);
            }
            if (file.closing && file.waiting == 0) {
                if (file.failed || stopping()) {
                    removeTemporary(request.index);
                } else if (upload.stage > m_stageLeft.begin()->first) {
                    m_heldBack.push_back(request.index); // an earlier stage is not done yet
                } else {
                    rename(request.index);
                }
            }
            break;
        case Step::FreeSpace:
            m_space = good ? reply.space : std::nullopt;
            m_spaceDue = false;
            for (const std::size_t held : std::exchange(m_held, {})) {
                removeTemporary(held);
            }
            [[fallthrough]];
        case Step::RemoveFinal:
        case Step::RemoveTemporary:
            // Also of a file whose refused rename waited for the free space.
            if (file.closing && file.waiting == 0 && !file.removing &&
                (!file.ending || file.renameFailed)) {
                removeTemporary(request.index);
            }
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
                    m_watcher.done(request.index, file.stamp);
                    stageDone(upload.stage);
                } else {
                    removeTemporary(request.index);
                }
            }
            break;
        }
        if (file.waiting == 0 && (file.handle.empty() || file.ending) && !file.held) {
            --m_channelFiles[channel];
            m_files.erase(request.index);
        }
    }

    void rename(std::size_t index) {
        const Upload& upload = m_uploads[index];
        ask(channelOf(index).renameOver(remote(upload.temporary), remote(upload.final)), index,
            Step::Rename);
        m_files.at(index).ending = true;
    }

    // One more file of stage has its final name; once all have, the next stage's whole files
    // take theirs.
    void stageDone(std::size_t stage) {
        if (--m_stageLeft.at(stage) > 0) {
            return;
        }
        m_stageLeft.erase(stage);
        if (stopping() || m_stageLeft.empty()) {
            return;
        }
        const std::size_t next = m_stageLeft.begin()->first;
        std::vector<std::size_t> later;
        for (const std::size_t held : std::exchange(m_heldBack, {})) {
            if (m_uploads[held].stage <= next) {
                rename(held);
            } else {
                later.push_back(held);
            }
        }
        m_heldBack = std::move(later);
    }

    // While the free space is asked, no temporary file goes: its bytes are part of the answer.
    void removeTemporary(std::size_t index) {
        File& file = m_files.at(index);
        file.ending = true;
        file.removing = true;
        file.held = m_spaceDue;
        if (file.held) {
            m_held.push_back(index);
            return;
        }
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
    std::vector<std::uint64_t> m_channelBytes; // of writes under way, by channel
    std::vector<std::size_t> m_channelFiles;
    std::vector<char> m_piece; // the bytes of the write in hand
    std::uint64_t m_confirmed = 0;
    bool m_cancelled = false;
    std::exception_ptr m_failure;                   // a file that could not be read
    std::optional<SftpRefused> m_refusal;           // the server's first refusal
    std::optional<SftpRequests::Space> m_space;     // told right after it, where asked
    bool m_spaceDue = false;                        // asked, not yet told
    std::vector<std::size_t> m_held;                // files whose removal waits for it
    std::map<std::size_t, std::size_t> m_stageLeft; // files without their final name, by stage
    std::vector<std::size_t> m_heldBack;            // whole, waiting for an earlier stage
};

} // namespace

void sendBatch(const std::vector<SftpRequests*>& channels, const SftpPlace& place,
               const std::vector<Upload>& uploads, UploadWatcher& watcher) {
    Batch(channels, place, uploads, watcher).run();
}

} // namespace bildertafel::publish
