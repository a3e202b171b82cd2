#include "publish/SftpParts.h"
#include "publish/SftpStatusCodes.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <map>
#include <unordered_map>

namespace bildertafel::publish {

namespace {

// Reads folders: every folder opened at once (up to the server's limit of open handles), then
// ReadsPerFolder reads of each under way, each asked again as soon as it is answered, until one
// meets the end. A server answers the reads of one handle in turn (OpenSSH's gives 100 names to a
// read), so a folder of 1,600 names costs one round trip after its opening, one of 2,000 two;
// should one answer them in another way, a name that comes twice is kept once.
class FolderReading {
public:
    FolderReading(SftpRequests& requests, const SftpPlace& place, const CancelCheck& cancel)
        : m_requests(requests), m_place(place), m_cancel(cancel) {}

    std::map<std::string, std::optional<std::vector<RemoteEntry>>>
    run(const std::set<std::string>& folders) {
        auto next = folders.begin();
        const std::size_t limit =
            std::max<std::size_t>(1, std::min<std::size_t>(16, m_requests.openLimit()));
        for (;;) {
            while (!m_failure && next != folders.end() && m_open < limit) {
                m_folders[*next].entries.emplace();
                m_asked.emplace(m_requests.openFolder(m_place.remote(*next)),
                                Request{*next, Step::Open});
                ++m_open;
                ++next;
            }
            if (m_asked.empty()) {
                break;
            }
            exchange(m_requests, m_cancel,
                     [this](SftpRequests::Reply& reply) { answer(std::move(reply)); });
        }
        m_requests.flush(); // the last closes
        if (m_failure) {
            throw *m_failure;
        }
        std::map<std::string, std::optional<std::vector<RemoteEntry>>> listings;
        for (auto& [folder, reading] : m_folders) {
            std::optional<std::vector<RemoteEntry>>& listing = listings[folder];
            if (!reading.entries) {
                continue;
            }
            listing.emplace();
            std::set<std::string> named;
            for (RemoteEntry& entry : *reading.entries) {
                if (named.insert(entry.name).second) {
                    listing->push_back(std::move(entry));
                }
            }
        }
        return listings;
    }

private:
    static constexpr std::size_t ReadsPerFolder = 16;

    enum class Step { Open, Read };
    struct Request {
        std::string folder;
        Step step;
    };
    struct Reading {
        std::optional<std::vector<RemoteEntry>> entries; // nothing: not there
        std::string handle;
        std::size_t reads = 0; // under way
        bool ended = false;    // a read met the end, or failed
    };

    void answer(SftpRequests::Reply reply) {
        const auto found = m_asked.find(reply.id);
        if (found == m_asked.end()) {
            return;
        }
        const Request request = std::move(found->second);
        m_asked.erase(found);
        Reading& reading = m_folders[request.folder];
        const bool good = reply.status == sftp::Ok;
        switch (request.step) {
        case Step::Open:
            if (good) {
                reading.handle = reply.handle;
                readOn(request.folder, reading);
                return;
            }
            if (reply.status == sftp::NoSuchFile) {
                reading.entries.reset();
            } else {
                fail(request.folder, reply.status);
            }
            --m_open;
            return;
        case Step::Read:
            --reading.reads;
            if (good) {
                std::move(reply.entries.begin(), reply.entries.end(),
                          std::back_inserter(*reading.entries));
            } else {
                reading.ended = true;
                if (reply.status != sftp::EndOfFile) {
                    fail(request.folder, reply.status);
                }
            }
            readOn(request.folder, reading);
            return;
        }
    }

    // Keeps the reads of a folder under way; closes it once they are all answered after the end.
    void readOn(const std::string& folder, Reading& reading) {
        const bool stop = reading.ended || m_failure.has_value();
        while (!stop && reading.reads < ReadsPerFolder) {
            m_asked.emplace(m_requests.readFolder(reading.handle), Request{folder, Step::Read});
            ++reading.reads;
        }
        if (stop && reading.reads == 0) {
            // Nothing of the folder depends on its close: not waited for.
            m_requests.ignore(m_requests.close(reading.handle));
            --m_open;
        }
    }

    void fail(const std::string& folder, std::uint32_t status) {
        if (!m_failure) {
            m_failure.emplace(status, publish::Step::ListFolder, folder);
        }
    }

    SftpRequests& m_requests;
    const SftpPlace& m_place;
    const CancelCheck& m_cancel;
    std::map<std::string, Reading> m_folders;
    std::unordered_map<std::uint32_t, Request> m_asked;
    std::size_t m_open = 0; // folders opened or asked to be
    std::optional<SftpRefused> m_failure;
};

// Reads a file with several reads under way, so a large record costs a round trip or two rather
// than one for every piece. A server may answer a read with fewer bytes than asked for; the rest
// is asked for again. The file is closed once every read is answered; a refused close of a read
// loses nothing, so its answer is not waited for.
class FileReading {
public:
    FileReading(SftpRequests& requests, const SftpPlace& place, const CancelCheck& cancel)
        : m_requests(requests), m_place(place), m_cancel(cancel) {}

    std::optional<std::string> run(const std::string& path, std::uint64_t limit) {
        m_path = path;
        const SftpRequests::Reply opened = replyTo(m_requests.openForReading(m_place.remote(path)));
        if (opened.status == sftp::NoSuchFile) {
            return std::nullopt;
        }
        if (opened.status != sftp::Ok) {
            throw SftpRefused(opened.status, Step::ReadFile, path);
        }
        m_handle = opened.handle;
        for (;;) {
            while (!m_failure && m_end == NoEnd && m_asked.size() < ReadsUnderWay &&
                   m_next <= limit) {
                ask(m_next, PieceSize);
                m_next += PieceSize;
            }
            if (m_asked.empty()) {
                break;
            }
            exchange(m_requests, m_cancel,
                     [this](const SftpRequests::Reply& reply) { answer(reply); });
        }
        m_requests.ignore(m_requests.close(m_handle));
        m_requests.flush();
        if (m_failure) {
            throw *m_failure;
        }
        m_end = std::min(m_end, m_next); // past the limit: no further piece was asked for
        std::string content;
        for (const auto& [offset, piece] : m_pieces) {
            if (offset >= m_end) {
                break;
            }
            if (offset != content.size()) {
                throw SftpRefused(sftp::BadMessage, Step::ReadFile, path); // a piece never came
            }
            content += piece.substr(0, static_cast<std::size_t>(m_end - offset));
        }
        if (content.size() != m_end) {
            throw SftpRefused(sftp::BadMessage, Step::ReadFile, path);
        }
        if (content.size() > limit) {
            content.resize(static_cast<std::size_t>(limit) + 1);
        }
        return content;
    }

private:
    static constexpr std::uint32_t PieceSize = 64 * 1024;
    static constexpr std::size_t ReadsUnderWay = 16;
    static constexpr std::uint64_t NoEnd = std::numeric_limits<std::uint64_t>::max();

    struct Request {
        std::uint64_t offset;
        std::uint32_t length;
    };

    // The reply to the one request under way.
    SftpRequests::Reply replyTo(std::uint32_t id) {
        std::optional<SftpRequests::Reply> wanted;
        while (!wanted) {
            exchange(m_requests, m_cancel, [&](SftpRequests::Reply& reply) {
                if (reply.id == id) {
                    wanted = std::move(reply);
                }
            });
        }
        return std::move(*wanted);
    }

    void ask(std::uint64_t offset, std::uint32_t length) {
        m_asked.emplace(m_requests.read(m_handle, offset, length), Request{offset, length});
    }

    void answer(const SftpRequests::Reply& reply) {
        const auto found = m_asked.find(reply.id);
        if (found == m_asked.end()) {
            return;
        }
        const Request request = found->second;
        m_asked.erase(found);
        if (reply.status == sftp::EndOfFile || (reply.status == sftp::Ok && reply.data.empty())) {
            m_end = std::min(m_end, request.offset);
        } else if (reply.status != sftp::Ok || reply.data.size() > request.length) {
            if (!m_failure) {
                m_failure.emplace(reply.status == sftp::Ok ? sftp::BadMessage : reply.status,
                                  Step::ReadFile, m_path);
            }
        } else {
            m_pieces[request.offset] = reply.data;
            const auto got = static_cast<std::uint32_t>(reply.data.size());
            if (got < request.length && !m_failure) {
                ask(request.offset + got, request.length - got);
            }
        }
    }

    SftpRequests& m_requests;
    const SftpPlace& m_place;
    const CancelCheck& m_cancel;
    std::string m_path;
    std::string m_handle;
    std::unordered_map<std::uint32_t, Request> m_asked;
    std::map<std::uint64_t, std::string> m_pieces; // by offset
    std::uint64_t m_next = 0;
    std::uint64_t m_end = NoEnd; // where the file ends, once a read has met the end
    std::optional<SftpRefused> m_failure;
};

} // namespace

std::map<std::string, std::optional<std::vector<RemoteEntry>>>
readFolders(SftpRequests& requests, const SftpPlace& place, const std::set<std::string>& folders,
            const CancelCheck& cancelRequested) {
    return FolderReading(requests, place, cancelRequested).run(folders);
}

std::optional<std::string> readFile(SftpRequests& requests, const SftpPlace& place,
                                    const std::string& path, std::uint64_t limit,
                                    const CancelCheck& cancelRequested) {
    return FileReading(requests, place, cancelRequested).run(path, limit);
}

} // namespace bildertafel::publish
