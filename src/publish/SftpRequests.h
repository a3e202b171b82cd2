#pragma once

#include "publish/Connection.h"
#include "publish/SftpStatusCodes.h"

#include <libssh/libssh.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace bildertafel::publish {

// SFTP (version 3) on a channel of its own, many requests under way at once: the server works
// on one while the next are already on their way, so a file costs no round trip of its own.
// Requests are queued and go out with flush(); the replies come back with next(), each with the
// id its request got. Every request is due within silenceLimit from when it went out or from the
// last byte the server sent, whichever is later; a server that lets that pass throws
// PublishError (ConnectionLost), and so does every failure of the connection. A reply to an id
// that was never asked for, or was answered already, breaks the protocol and ends the channel.
class SftpRequests {
public:
    // Opens the channel on the connected, logged-in session and agrees on the protocol; the
    // channel's opening waits no longer than openLimit (the silence limit when none is given,
    // or the time of reaching the server, whichever is longer).
    SftpRequests(ssh_session session, std::chrono::milliseconds silenceLimit,
                 std::optional<std::chrono::milliseconds> openLimit = std::nullopt);
    // Opens count channels as the constructor opens one, all at once: together they cost the
    // round trips of one.
    static std::vector<std::unique_ptr<SftpRequests>>
    openSeveral(ssh_session session, std::size_t count, std::chrono::milliseconds silenceLimit);
    SftpRequests(const SftpRequests&) = delete;
    SftpRequests& operator=(const SftpRequests&) = delete;

    // For writing: created when missing, emptied when there, rw-r--r--.
    std::uint32_t open(const std::string& path);
    std::uint32_t openForReading(const std::string& path);
    // Up to length bytes from offset: data (perhaps fewer bytes), or the status sftp::EndOfFile.
    std::uint32_t read(const std::string& handle, std::uint64_t offset, std::uint32_t length);
    std::uint32_t write(const std::string& handle, std::uint64_t offset, std::string_view data);
    std::uint32_t close(const std::string& handle);
    // Sets the modification (and access) time of an open file, seconds since 1970.
    std::uint32_t setModified(const std::string& handle, std::int64_t seconds);
    // The attributes of an open file: one entry.
    std::uint32_t attributesOf(const std::string& handle);
    // Replaces an existing to atomically where the server offers it (atomicRename()); else the
    // plain rename, which most servers refuse over an existing file.
    std::uint32_t renameOver(const std::string& from, const std::string& to);
    // Never replaces: fails when to exists.
    std::uint32_t rename(const std::string& from, const std::string& to);
    std::uint32_t remove(const std::string& path);
    // Reading a folder: its handle (closed with close()), then one batch of entries per read
    // until the status sftp::EndOfFile.
    std::uint32_t openFolder(const std::string& path);
    std::uint32_t readFolder(const std::string& handle);
    // The attributes of path, following a link (stat) or not (lstat).
    std::uint32_t stat(const std::string& path);
    std::uint32_t lstat(const std::string& path);
    std::uint32_t makeFolder(const std::string& path);
    // The absolute, canonical path of path as the server's file system names it: one entry.
    std::uint32_t realPath(const std::string& path);
    std::uint32_t removeFolder(const std::string& path);
    // The free space of the file system of path; only where freeSpaceTold().
    std::uint32_t freeSpace(const std::string& path);
    void flush();

    struct Space {
        std::uint64_t blockSize = 0;
        std::uint64_t blocksAvailable = 0;
        std::uint64_t files = 0;
        std::uint64_t filesAvailable = 0;
    };
    struct Reply {
        std::uint32_t id = 0;
        std::uint32_t status = 0;         // sftp::Ok for a handle, entries, attributes or data
        std::string handle;               // of an open
        std::vector<RemoteEntry> entries; // of a folder read; of a stat its one entry
        std::string data;                 // of a read
        std::optional<Space> space;       // of freeSpace
    };
    // The next reply to a request still awaited, or nothing when none came whole within
    // milliseconds; a reply begun is kept and completed by the next calls, so the caller may look
    // at "Abbrechen" in between.
    std::optional<Reply> next(int milliseconds);
    // Sends what is queued and waits for the replies to ids, nothing else being awaited; in the
    // order of ids.
    std::vector<Reply> await(const std::vector<std::uint32_t>& ids);
    // The requests still under way are no longer waited for: their replies are dropped when they
    // come (after "Abbrechen" or a failure amid a conversation).
    void abandon();
    // The reply to id is not waited for: dropped when it comes (a close after reading).
    void ignore(std::uint32_t id) { m_underWay[id] = false; }
    // The reply to id goes to handler when it comes, within whichever call of next() it comes:
    // the conversation under way then never sees it. The handler may ask more, never wait.
    // abandon() drops the handlers with the replies.
    void onReply(std::uint32_t id, std::function<void(const Reply&)> handler) {
        m_handlers[id] = std::move(handler);
    }
    bool handles(std::uint32_t id) const { return m_handlers.contains(id); }
    // After "Abbrechen": a request still made waits only a few seconds for its reply.
    void hurry();

    // True once the channel can carry nothing more (the connection broke, the server fell
    // silent or broke the protocol).
    bool ended() const { return m_ended.has_value(); }
    // True while a reply is due (wanted or abandoned).
    bool awaiting() const { return !m_underWay.empty(); }
    ssh_channel channel() const { return m_channel; }
    bool atomicRename() const { return m_posixRename; }
    bool freeSpaceTold() const { return m_statvfs; }
    // The most data one write may carry, and how many files may be open at once.
    std::size_t writeLimit() const { return m_writeLimit; }
    std::size_t openLimit() const { return m_openLimit; }

private:
    struct Unopened {};
    SftpRequests(ssh_session session, std::chrono::milliseconds silenceLimit, Unopened);
    // Opens the channels (all of one session), starts the server's SFTP side on each and agrees
    // on the protocol and the server's limits; nothing waits for an answer that a request sent
    // right behind it does not need.
    static void start(const std::vector<SftpRequests*>& channels,
                      std::chrono::milliseconds openLimit);
    // The greeting and, right behind it, the question for the server's limits.
    void greet();
    void agree();
    std::uint32_t begin(std::uint8_t type);
    std::uint32_t pathRequest(std::uint8_t type, const std::string& path);
    void finish();
    void putString(std::string_view text);
    void putU32(std::uint32_t value);
    void putU64(std::uint64_t value);
    // The next whole packet, or nothing when it has not come within milliseconds.
    std::optional<std::string> receive(int milliseconds);
    std::string readPacket(); // waits until it comes or the server falls silent
    void takeLimits(const Reply& reply);
    // The channel can carry nothing more: every later call throws the same failure.
    [[noreturn]] void end(const PublishError& error);
    [[noreturn]] void lost();
    // A reply to id, which is not under way.
    [[noreturn]] void violated(std::uint32_t id);

    struct ChannelCloser {
        void operator()(ssh_channel channel) const;
    };

    ssh_session m_session;
    // Closed also when the constructor gives up half way.
    std::unique_ptr<ssh_channel_struct, ChannelCloser> m_channelOwner;
    ssh_channel m_channel = nullptr;
    std::string m_out;
    std::string m_in; // what has come of the next reply
    std::size_t m_packetStart = 0;
    std::chrono::milliseconds m_silenceLimit;
    // The last byte from the server, or the last request sent, whichever came later.
    std::chrono::steady_clock::time_point m_lastHeard = std::chrono::steady_clock::now();
    std::uint32_t m_nextId = 1;
    // The ids under way: true while their reply is wanted, false once abandoned.
    std::unordered_map<std::uint32_t, bool> m_underWay;
    std::unordered_map<std::uint32_t, std::function<void(const Reply&)>> m_handlers;
    bool m_posixRename = false;
    bool m_statvfs = false;
    std::uint32_t m_limitsId = 0; // the question for the server's limits
    std::optional<PublishError> m_ended;
    std::size_t m_writeLimit = std::size_t{32} * 1024;
    std::size_t m_openLimit = 64;
};

// The next reply on any of the channels (all of one session), with the index of its channel, or
// nothing when none came within milliseconds. Each channel keeps its own silence limit.
std::optional<std::pair<std::size_t, SftpRequests::Reply>>
nextOfAny(const std::vector<SftpRequests*>& channels, int milliseconds);

} // namespace bildertafel::publish
