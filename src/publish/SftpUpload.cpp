#include "publish/SftpParts.h"

#include <libssh/sftp.h>

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
// name ever holds a half file.
class Batch {
public:
    Batch(SftpRequests& requests, const SftpPlace& place, const std::vector<Upload>& uploads,
          UploadWatcher& watcher)
        : m_requests(requests), m_place(place), m_uploads(uploads), m_watcher(watcher),
          m_filesUnderWay(std::min(FilesUnderWay, requests.openLimit())) {}

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
            m_requests.abandon();
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
            while (!stopping() && m_next < m_uploads.size() && m_files.size() < m_filesUnderWay &&
                   m_bytesUnderWay < BytesUnderWay) {
                start(m_next++);
            }
            m_requests.flush();
            if (m_files.empty()) {
                break;
            }
            if (const std::optional<SftpRequests::Reply> reply = m_requests.next(200)) {
                answer(*reply);
            }
            if (!m_cancelled && !m_watcher.progress(m_confirmed)) {
                m_cancelled = true;
                m_requests.hurry();
            }
        }
    }

    enum class Step { Open, Write, SetModified, Close, Rename, RemoveFinal, RemoveTemporary };

    struct File {
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

    void ask(std::uint32_t id, std::size_t index, Step step, std::uint64_t bytes = 0) {
        m_asked.emplace(id, Request{index, step, bytes});
        ++m_files.at(index).waiting;
    }

    void start(std::size_t index) {
        std::string content;
        try {
            content = m_watcher.content(index);
        } catch (const PublishError&) {
            fail(std::current_exception());
            return;
        }
        m_bytesUnderWay += content.size();
        m_files[index].content = std::move(content);
        ask(m_requests.open(remote(m_uploads[index].temporary)), index, Step::Open);
    }

    void answer(const SftpRequests::Reply& reply) {
        const auto found = m_asked.find(reply.id);
        if (found == m_asked.end()) {
            return;
        }
        const Request request = found->second;
        m_asked.erase(found);
        File& file = m_files.at(request.index);
        --file.waiting;
        const Upload& upload = m_uploads[request.index];
        const bool good = reply.status == SSH_FX_OK;
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
                    ask(m_requests.renameOver(remote(upload.temporary), remote(upload.final)),
                        request.index, Step::Rename);
                }
            }
            break;
        case Step::RemoveFinal:
        case Step::RemoveTemporary:
            break;
        case Step::Rename:
            file.renameFailed = !good;
            if (!good && !file.retried && !m_requests.atomicRename()) {
                // A server without an atomic replace: the old file goes first, and for a moment
                // the name is missing.
                file.retried = true;
                ask(m_requests.remove(remote(upload.final)), request.index, Step::RemoveFinal);
                ask(m_requests.renameOver(remote(upload.temporary), remote(upload.final)),
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
            m_bytesUnderWay -= file.content.size();
            m_files.erase(request.index);
        }
    }

    void writeAll(std::size_t index, File& file) {
        if (!stopping()) {
            const std::size_t limit = m_requests.writeLimit();
            for (std::size_t at = 0; at < file.content.size(); at += limit) {
                const std::string_view part =
                    std::string_view(file.content)
                        .substr(at, std::min(limit, file.content.size() - at));
                ask(m_requests.write(file.handle, at, part), index, Step::Write, part.size());
            }
            // After the last write: the server works through one file's requests in order.
            if (m_uploads[index].modified >= 0) {
                ask(m_requests.setModified(file.handle, m_uploads[index].modified), index,
                    Step::SetModified);
            }
        }
        ask(m_requests.close(file.handle), index, Step::Close);
    }

    void removeTemporary(std::size_t index) {
        ask(m_requests.remove(remote(m_uploads[index].temporary)), index, Step::RemoveTemporary);
    }

    SftpRequests& m_requests;
    const SftpPlace& m_place;
    const std::vector<Upload>& m_uploads;
    UploadWatcher& m_watcher;
    const std::size_t m_filesUnderWay;
    std::size_t m_next = 0;
    std::map<std::size_t, File> m_files; // under way, by index
    std::unordered_map<std::uint32_t, Request> m_asked;
    std::uint64_t m_bytesUnderWay = 0;
    std::uint64_t m_confirmed = 0;
    bool m_cancelled = false;
    std::exception_ptr m_failure;
};

} // namespace

void sendBatch(SftpRequests& requests, const SftpPlace& place, const std::vector<Upload>& uploads,
               UploadWatcher& watcher) {
    Batch(requests, place, uploads, watcher).run();
}

} // namespace bildertafel::publish
