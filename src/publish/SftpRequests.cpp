#include "publish/SftpRequests.h"

#include "publish/SftpFields.h"

#include "publish/Connection.h"
#include "publish/SftpStatusCodes.h"

#include <libssh/sftp.h>

#include <poll.h>

#include <algorithm>
#include <chrono>

namespace bildertafel::publish {

namespace {

// OpenSSH's server takes requests of up to 256 KiB; a write leaves room for its header.
constexpr std::uint64_t LargestWrite = std::uint64_t{255} * 1024;
constexpr std::uint32_t LargestReply = 256 * 1024;
constexpr std::uint32_t ProtocolVersion = 3;
constexpr std::chrono::milliseconds StartLimit = std::chrono::seconds(20);
// After "Abbrechen": what is still said (giving the lock back) waits no longer than this.
constexpr std::chrono::milliseconds HurryLimit = std::chrono::seconds(5);

} // namespace

void SftpRequests::ChannelCloser::operator()(ssh_channel channel) const {
    if (ssh_channel_is_open(channel) != 0) {
        ssh_channel_close(channel);
    }
    ssh_channel_free(channel);
}

SftpRequests::SftpRequests(ssh_session session, std::chrono::milliseconds silenceLimit, Unopened)
    : m_session(session), m_channelOwner(ssh_channel_new(session)), m_channel(m_channelOwner.get()),
      // Starting the server's SFTP side is part of reaching it, which has the connect's time.
      m_silenceLimit(std::max<std::chrono::milliseconds>(silenceLimit, StartLimit)) {
    if (m_channel == nullptr) {
        lost();
    }
}

SftpRequests::SftpRequests(ssh_session session, std::chrono::milliseconds silenceLimit,
                           std::optional<std::chrono::milliseconds> openLimit)
    : SftpRequests(session, silenceLimit, Unopened{}) {
    start({this}, openLimit.value_or(m_silenceLimit));
    m_silenceLimit = silenceLimit;
}

std::vector<std::unique_ptr<SftpRequests>>
SftpRequests::openSeveral(ssh_session session, std::size_t count,
                          std::chrono::milliseconds silenceLimit) {
    std::vector<std::unique_ptr<SftpRequests>> opened;
    std::vector<SftpRequests*> channels;
    for (std::size_t i = 0; i < count; ++i) {
        opened.push_back(
            std::unique_ptr<SftpRequests>(new SftpRequests(session, silenceLimit, Unopened{})));
        channels.push_back(opened.back().get());
    }
    start(channels, channels.front()->m_silenceLimit);
    for (const auto& channel : opened) {
        channel->m_silenceLimit = silenceLimit;
    }
    return opened;
}

namespace {

// Blocking again when it goes, however the start ends.
struct Unblocked {
    explicit Unblocked(ssh_session session) : session(session) { ssh_set_blocking(session, 0); }
    ~Unblocked() { ssh_set_blocking(session, 1); }
    Unblocked(const Unblocked&) = delete;
    Unblocked& operator=(const Unblocked&) = delete;
    ssh_session session;
};

} // namespace

void SftpRequests::start(const std::vector<SftpRequests*>& channels,
                         std::chrono::milliseconds openLimit) {
    ssh_session session = channels.front()->m_session;
    const auto giveUp = std::chrono::steady_clock::now() + openLimit;
    // Asks step of every channel until each has said yes; the library answers "again" while the
    // server's answer is still on its way, and sends the request only the first time.
    const auto onEach = [&](const auto& step) {
        std::vector<bool> done(channels.size());
        for (std::size_t left = channels.size(); left > 0;) {
            for (std::size_t i = 0; i < channels.size(); ++i) {
                if (done[i]) {
                    continue;
                }
                const int rc = step(channels[i]->m_channel);
                if (rc == SSH_AGAIN) {
                    continue;
                }
                if (rc != SSH_OK) {
                    channels[i]->lost();
                }
                done[i] = true;
                --left;
            }
            if (left > 0) {
                if (std::chrono::steady_clock::now() >= giveUp) {
                    channels.front()->end(silentServer(openLimit));
                }
                pollfd socket{ssh_get_fd(session), POLLIN, 0};
                ::poll(&socket, 1, 20);
            }
        }
    };
    {
        const Unblocked unblocked(session);
        onEach([](ssh_channel channel) { return ssh_channel_open_session(channel); });
        onEach([](ssh_channel channel) { return ssh_channel_request_subsystem(channel, "sftp"); });
    }
    // A server takes no data on a channel before its SFTP side runs.
    for (SftpRequests* channel : channels) {
        channel->greet();
        channel->flush();
    }
    for (SftpRequests* channel : channels) {
        channel->agree();
    }
}

void SftpRequests::greet() {
    // The one packet without an id.
    m_packetStart = 0;
    m_out.assign(4, '\0'); // the length, filled in by finish()
    m_out.push_back(static_cast<char>(SSH_FXP_INIT));
    putU32(ProtocolVersion);
    finish();
    // Asked before the server said it knows it: one that does not answers that it does not.
    m_limitsId = begin(SSH_FXP_EXTENDED);
    putString("limits@openssh.com");
    finish();
}

void SftpRequests::agree() {
    const std::string version = readPacket();
    Fields fields(version);
    if (fields.byte() != SSH_FXP_VERSION || fields.u32() != ProtocolVersion) {
        throw PublishError(FailureFacts(FailureKind::SftpVersion));
    }
    while (!fields.atEnd() && fields.complete()) {
        const std::string name = fields.string();
        const std::string data = fields.string();
        m_posixRename = m_posixRename || (name == "posix-rename@openssh.com" && data == "1");
        m_statvfs = m_statvfs || (name == "statvfs@openssh.com" && data == "2");
    }
    takeLimits(await({m_limitsId}).front());
}

void SftpRequests::takeLimits(const Reply& reply) {
    if (reply.status != sftp::Ok) {
        return; // the careful defaults stay
    }
    Fields fields(reply.data);
    fields.u64(); // the longest packet
    fields.u64(); // the longest read
    const std::uint64_t longestWrite = fields.u64();
    const std::uint64_t openFiles = fields.u64();
    if (fields.complete()) {
        if (longestWrite > 0) {
            m_writeLimit = static_cast<std::size_t>(std::min(longestWrite, LargestWrite));
        }
        if (openFiles > 0) {
            m_openLimit = static_cast<std::size_t>(std::min<std::uint64_t>(openFiles, 1024));
        }
    }
}

std::uint32_t SftpRequests::begin(std::uint8_t type) {
    m_packetStart = m_out.size();
    m_out.append(4, '\0');
    m_out.push_back(static_cast<char>(type));
    const std::uint32_t id = m_nextId++;
    putU32(id);
    m_underWay.emplace(id, true);
    return id;
}

std::uint32_t SftpRequests::pathRequest(std::uint8_t type, const std::string& path) {
    const std::uint32_t id = begin(type);
    putString(path);
    finish();
    return id;
}

void SftpRequests::finish() {
    const std::size_t length = m_out.size() - m_packetStart - 4;
    for (int i = 0; i < 4; ++i) {
        m_out[m_packetStart + static_cast<std::size_t>(i)] =
            static_cast<char>(length >> (24 - 8 * i) & 0xff);
    }
}

void SftpRequests::putU32(std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        m_out.push_back(static_cast<char>(value >> shift & 0xff));
    }
}

void SftpRequests::putU64(std::uint64_t value) {
    putU32(static_cast<std::uint32_t>(value >> 32));
    putU32(static_cast<std::uint32_t>(value & 0xffffffffU));
}

void SftpRequests::putString(std::string_view text) {
    putU32(static_cast<std::uint32_t>(text.size()));
    m_out.append(text);
}

std::uint32_t SftpRequests::open(const std::string& path) {
    const std::uint32_t id = begin(SSH_FXP_OPEN);
    putString(path);
    putU32(SSH_FXF_WRITE | SSH_FXF_CREAT | SSH_FXF_TRUNC);
    putU32(SSH_FILEXFER_ATTR_PERMISSIONS);
    putU32(0644);
    finish();
    return id;
}

std::uint32_t SftpRequests::openForReading(const std::string& path) {
    const std::uint32_t id = begin(SSH_FXP_OPEN);
    putString(path);
    putU32(SSH_FXF_READ);
    putU32(0); // no attributes
    finish();
    return id;
}

std::uint32_t SftpRequests::read(const std::string& handle, std::uint64_t offset,
                                 std::uint32_t length) {
    const std::uint32_t id = begin(SSH_FXP_READ);
    putString(handle);
    putU64(offset);
    putU32(length);
    finish();
    return id;
}

std::uint32_t SftpRequests::write(const std::string& handle, std::uint64_t offset,
                                  std::string_view data) {
    const std::uint32_t id = begin(SSH_FXP_WRITE);
    putString(handle);
    putU64(offset);
    putString(data);
    finish();
    if (m_out.size() >= std::size_t{1024} * 1024) {
        flush();
    }
    return id;
}

std::uint32_t SftpRequests::close(const std::string& handle) {
    const std::uint32_t id = begin(SSH_FXP_CLOSE);
    putString(handle);
    finish();
    return id;
}

std::uint32_t SftpRequests::setModified(const std::string& handle, std::int64_t seconds) {
    const std::uint32_t id = begin(SSH_FXP_FSETSTAT);
    putString(handle);
    putU32(SSH_FILEXFER_ATTR_ACMODTIME);
    putU32(static_cast<std::uint32_t>(seconds));
    putU32(static_cast<std::uint32_t>(seconds));
    finish();
    return id;
}

std::uint32_t SftpRequests::attributesOf(const std::string& handle) {
    const std::uint32_t id = begin(SSH_FXP_FSTAT);
    putString(handle);
    finish();
    return id;
}

std::uint32_t SftpRequests::renameOver(const std::string& from, const std::string& to) {
    const std::uint32_t id = begin(m_posixRename ? SSH_FXP_EXTENDED : SSH_FXP_RENAME);
    if (m_posixRename) {
        putString("posix-rename@openssh.com");
    }
    putString(from);
    putString(to);
    finish();
    return id;
}

std::uint32_t SftpRequests::rename(const std::string& from, const std::string& to) {
    const std::uint32_t id = begin(SSH_FXP_RENAME);
    putString(from);
    putString(to);
    finish();
    return id;
}

std::uint32_t SftpRequests::openFolder(const std::string& path) {
    return pathRequest(SSH_FXP_OPENDIR, path);
}

std::uint32_t SftpRequests::stat(const std::string& path) {
    return pathRequest(SSH_FXP_STAT, path);
}

std::uint32_t SftpRequests::lstat(const std::string& path) {
    return pathRequest(SSH_FXP_LSTAT, path);
}

std::uint32_t SftpRequests::makeFolder(const std::string& path) {
    const std::uint32_t id = begin(SSH_FXP_MKDIR);
    putString(path);
    putU32(SSH_FILEXFER_ATTR_PERMISSIONS);
    putU32(0755);
    finish();
    return id;
}

std::uint32_t SftpRequests::realPath(const std::string& path) {
    return pathRequest(SSH_FXP_REALPATH, path);
}

std::uint32_t SftpRequests::removeFolder(const std::string& path) {
    return pathRequest(SSH_FXP_RMDIR, path);
}

std::uint32_t SftpRequests::freeSpace(const std::string& path) {
    const std::uint32_t id = begin(SSH_FXP_EXTENDED);
    putString("statvfs@openssh.com");
    putString(path);
    finish();
    return id;
}

std::uint32_t SftpRequests::readFolder(const std::string& handle) {
    const std::uint32_t id = begin(SSH_FXP_READDIR);
    putString(handle);
    finish();
    return id;
}

std::uint32_t SftpRequests::remove(const std::string& path) {
    return pathRequest(SSH_FXP_REMOVE, path);
}

void SftpRequests::flush() {
    if (m_ended) {
        throw *m_ended;
    }
    if (m_out.empty()) {
        return;
    }
    std::size_t at = 0;
    while (at < m_out.size()) {
        const int wrote = ssh_channel_write(m_channel, m_out.data() + at,
                                            static_cast<std::uint32_t>(m_out.size() - at));
        if (wrote <= 0) {
            lost();
        }
        at += static_cast<std::size_t>(wrote);
    }
    m_out.clear();
    m_lastHeard = std::chrono::steady_clock::now(); // the answer is due from now on
}

std::optional<std::string> SftpRequests::receive(int milliseconds) {
    if (m_ended) {
        throw *m_ended;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        std::size_t wanted = 4;
        if (m_in.size() >= 4) {
            const std::uint32_t size = Fields(std::string_view(m_in).substr(0, 4)).u32();
            if (size == 0 || size > LargestReply) {
                lost();
            }
            wanted += size;
            if (m_in.size() == wanted) {
                std::string packet = m_in.substr(4);
                m_in.clear();
                return packet;
            }
        }
        const Clock::time_point now = Clock::now();
        const Clock::time_point giveUp = m_lastHeard + m_silenceLimit;
        if (now >= giveUp) {
            end(silentServer(m_silenceLimit));
        }
        const bool late = now >= until;
        const auto wait = late ? std::chrono::milliseconds(0)
                               : std::max(std::chrono::milliseconds(1),
                                          std::chrono::ceil<std::chrono::milliseconds>(
                                              std::min(until, giveUp) - now));
        const std::size_t had = m_in.size();
        m_in.resize(wanted);
        // Late: only what has come already (0 reads without waiting).
        const int read = ssh_channel_read_timeout(m_channel, m_in.data() + had,
                                                  static_cast<std::uint32_t>(wanted - had), 0,
                                                  static_cast<int>(wait.count()));
        m_in.resize(had + static_cast<std::size_t>(std::max(read, 0)));
        if (read < 0 || (read == 0 && ssh_channel_is_eof(m_channel) != 0)) {
            lost();
        }
        if (read > 0) {
            m_lastHeard = Clock::now();
        } else if (late) {
            return std::nullopt;
        }
    }
}

std::string SftpRequests::readPacket() {
    for (;;) {
        if (std::optional<std::string> packet = receive(1000)) {
            return std::move(*packet);
        }
    }
}

std::optional<SftpRequests::Reply> SftpRequests::next(int milliseconds) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
        const std::optional<std::string> packet =
            receive(static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
        if (!packet) {
            return std::nullopt;
        }
        Fields fields(*packet);
        const std::uint8_t type = fields.byte();
        Reply reply;
        reply.id = fields.u32();
        const auto underWay = m_underWay.find(reply.id);
        if (underWay == m_underWay.end()) {
            violated(reply.id);
        }
        const bool wanted = underWay->second;
        m_underWay.erase(underWay);
        if (!wanted) {
            continue;
        }
        readReply(type, fields, reply);
        if (auto handler = m_handlers.extract(reply.id)) {
            handler.mapped()(reply);
            continue;
        }
        return reply;
    }
}

std::vector<SftpRequests::Reply> SftpRequests::await(const std::vector<std::uint32_t>& ids) {
    std::vector<Reply> replies(ids.size());
    std::size_t missing = ids.size();
    flush();
    while (missing > 0) {
        std::optional<Reply> reply = next(1000);
        if (!reply) {
            continue;
        }
        const auto found = std::find(ids.begin(), ids.end(), reply->id);
        if (found == ids.end()) {
            violated(reply->id);
        }
        replies[static_cast<std::size_t>(found - ids.begin())] = std::move(*reply);
        --missing;
    }
    return replies;
}

void SftpRequests::abandon() {
    for (auto& [id, wanted] : m_underWay) {
        wanted = false;
    }
    m_handlers.clear();
}

std::optional<std::pair<std::size_t, SftpRequests::Reply>>
nextOfAny(const std::vector<SftpRequests*>& channels, int milliseconds) {
    if (channels.size() == 1) {
        std::optional<SftpRequests::Reply> reply = channels.front()->next(milliseconds);
        if (!reply) {
            return std::nullopt;
        }
        return std::pair{std::size_t{0}, std::move(*reply)};
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        // What has come for each channel already, without waiting; each channel judges its own
        // silence meanwhile.
        bool more = false;
        for (std::size_t i = 0; i < channels.size(); ++i) {
            if (!channels[i]->awaiting()) {
                continue;
            }
            if (std::optional<SftpRequests::Reply> reply = channels[i]->next(0)) {
                return std::pair{i, std::move(*reply)};
            }
            more = more || ssh_channel_poll(channels[i]->channel(), 0) > 0;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
        if (left.count() <= 0) {
            return std::nullopt;
        }
        if (!more) {
            // Nothing in hand: wait for the session's socket, a little at a time, since the
            // library may read more than one channel's data at once.
            pollfd socket{ssh_get_fd(ssh_channel_get_session(channels.front()->channel())), POLLIN,
                          0};
            ::poll(&socket, 1, static_cast<int>(std::min<std::int64_t>(left.count(), 20)));
        }
    }
}

void SftpRequests::hurry() {
    m_silenceLimit = std::min<std::chrono::milliseconds>(m_silenceLimit, HurryLimit);
}

void SftpRequests::end(const PublishError& error) {
    m_ended = error;
    throw error;
}

void SftpRequests::lost() {
    FailureFacts facts;
    facts.kind = FailureKind::ConnectionLost;
    facts.reason = ssh_get_error(m_session);
    end(PublishError(facts));
}

void SftpRequests::violated(std::uint32_t id) {
    // Nothing more is said on this channel: what it carries can no longer be told apart.
    m_channelOwner.reset();
    m_channel = nullptr;
    FailureFacts facts;
    facts.kind = FailureKind::ProtocolViolation;
    facts.status = id;
    end(PublishError(facts));
}

} // namespace bildertafel::publish
