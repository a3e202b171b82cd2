#pragma once

// What the parts of an SFTP connection share: the place of the target folder, the refusal a
// conversation brings back, and the conversations themselves (sending, reading, removing).

#include "publish/Connection.h"
#include "publish/SftpRequests.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace bildertafel::publish {

// The target folder on the server: "" is the home folder, where the server starts.
class SftpPlace {
public:
    explicit SftpPlace(const std::string& targetFolder);
    // The server's path of a path below the target folder.
    std::string remote(const std::string& path) const;
    const std::string& folder() const { return m_folder; }

private:
    std::string m_folder;
};

// A request the server refused with a status: what was being done to which path (below the
// target folder) and how many bytes the file had. Thrown once nothing is under way any more, so
// that the status can be turned into a failure with more requests (the free space).
struct SftpRefused : std::exception {
    SftpRefused(std::uint32_t status, Step step, std::string path, std::uint64_t bytes = 0)
        : status(status), step(step), path(std::move(path)), bytes(bytes) {}
    const char* what() const noexcept override { return "SFTP refusal"; }

    std::uint32_t status;
    Step step;
    std::string path;
    std::uint64_t bytes;
    // The free space of the file's folder, asked at once when the refusal came, before anything
    // of the file was removed; nothing: not asked.
    std::optional<SftpRequests::Space> space;
};

// The failure a refusal stands for; nothing else may be under way on requests.
PublishError failureOfRefusal(SftpRequests& requests, const SftpPlace& place,
                              const SftpRefused& refused);

// True when "Abbrechen" was asked for.
using CancelCheck = std::function<bool()>;

// One turn of a conversation: sends what is queued, hands the next reply to answer if one comes
// within 200 ms, and hears "Abbrechen" (throws Cancelled; the caller abandons what is under way).
template <typename Answer>
void exchange(SftpRequests& requests, const CancelCheck& cancelRequested, Answer&& answer) {
    requests.flush();
    if (std::optional<SftpRequests::Reply> reply = requests.next(200)) {
        answer(*reply);
    }
    if (cancelRequested && cancelRequested()) {
        throw cancelled();
    }
}

// Sends the uploads as Connection::sendAll() describes, spread over the channels (one at least,
// all of one session); their folders exist. Throws SftpRefused for the first refusal.
void sendBatch(const std::vector<SftpRequests*>& channels, const SftpPlace& place,
               const std::vector<Upload>& uploads, UploadWatcher& watcher);

// Every folder's entries, all folders read at once; nothing for a folder that is not there.
std::map<std::string, std::optional<std::vector<RemoteEntry>>>
readFolders(SftpRequests& requests, const SftpPlace& place, const std::set<std::string>& folders,
            const CancelCheck& cancelRequested);

// A file read with several reads under way, as Connection::read() describes.
std::optional<std::string> readFile(SftpRequests& requests, const SftpPlace& place,
                                    const std::string& path, std::uint64_t limit,
                                    const CancelCheck& cancelRequested);

} // namespace bildertafel::publish
