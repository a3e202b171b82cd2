#pragma once

#include "publish/Connection.h"

#include <libssh/libssh.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bildertafel::publish {

// SFTP (version 3) on a channel of its own, many requests under way at once: the server works
// on one while the next are already on their way, so a file costs no round trip of its own.
// Requests are queued and go out with flush(); the replies come back with next(), each with the
// id its request got. Every failure of the connection throws PublishError (ConnectionLost), and
// so does a server from which nothing at all has come for silenceLimit while an answer is due.
class SftpRequests {
public:
    // Opens the channel on the connected, logged-in session and agrees on the protocol.
    SftpRequests(ssh_session session, std::chrono::milliseconds silenceLimit);
    SftpRequests(const SftpRequests&) = delete;
    SftpRequests& operator=(const SftpRequests&) = delete;

    // For writing: created when missing, emptied when there, rw-r--r--.
    std::uint32_t open(const std::string& path);
    std::uint32_t openForReading(const std::string& path);
    // Up to length bytes from offset: data (perhaps fewer bytes), or the status SSH_FX_EOF.
    std::uint32_t read(const std::string& handle, std::uint64_t offset, std::uint32_t length);
    std::uint32_t write(const std::string& handle, std::uint64_t offset, std::string_view data);
    std::uint32_t close(const std::string& handle);
    // Sets the modification (and access) time of an open file, seconds since 1970.
    std::uint32_t setModified(const std::string& handle, std::int64_t seconds);
    // Replaces an existing to atomically where the server offers it (atomicRename()); else the
    // plain rename, which most servers refuse over an existing file.
    std::uint32_t rename(const std::string& from, const std::string& to);
    std::uint32_t remove(const std::string& path);
    // Reading a folder: its handle (closed with close()), then one batch of entries per read
    // until the status SSH_FX_EOF.
    std::uint32_t openFolder(const std::string& path);
    std::uint32_t readFolder(const std::string& handle);
    void flush();

    struct Reply {
        std::uint32_t id = 0;
        std::uint32_t status = 0;         // SSH_FX_OK for a handle or entries
        std::string handle;               // of an open
        std::vector<RemoteEntry> entries; // of a folder read
        std::string data;                 // of a read
    };
    // The next reply, or nothing when none came whole within milliseconds; a reply begun is
    // kept and completed by the next calls, so the caller may look at "Abbrechen" in between.
    std::optional<Reply> next(int milliseconds);

    bool atomicRename() const { return m_posixRename; }
    // The most data one write may carry, and how many files may be open at once.
    std::size_t writeLimit() const { return m_writeLimit; }
    std::size_t openLimit() const { return m_openLimit; }

private:
    std::uint32_t begin(std::uint8_t type);
    void finish();
    void putString(std::string_view text);
    void putU32(std::uint32_t value);
    void putU64(std::uint64_t value);
    // The next whole packet, or nothing when it has not come within milliseconds.
    std::optional<std::string> receive(int milliseconds);
    std::string readPacket(); // waits until it comes or the server falls silent
    void askLimits();
    [[noreturn]] void lost() const;
    [[noreturn]] void silent() const;

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
    bool m_posixRename = false;
    bool m_limits = false;
    std::size_t m_writeLimit = std::size_t{32} * 1024;
    std::size_t m_openLimit = 64;
};

} // namespace bildertafel::publish
