#include "publish/FtpLanes.h"

#include "publish/FtpReplies.h"

#include <poll.h>
#include <sys/select.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string_view>

namespace bildertafel::publish {

namespace {

// The longest wait for the network before goOn() is asked again.
constexpr long PollLimit = 100; // milliseconds
// The same while a data connection is being opened.
constexpr long OpeningPoll = 1;

} // namespace

struct FtpLanes::Lane {
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    char error[CURL_ERROR_SIZE] = {};
    std::string replies;
    std::uint64_t sent = 0;
    bool busy = false;
    // Drive the lane again before waiting for the network.
    bool again = false;
    // A data connection is being opened: from the passive-mode reply to the server's word that
    // the transfer begins.
    bool opening = false;

    // The server's reply lines. After a passive-mode reply ("227", "229") that came in the same
    // read as the command went out, libcurl 7.88 only notes the data connection and opens it on
    // its next call, meanwhile waiting for the control connection alone, on which nothing comes
    // (the server waits for the transfer command): curl_easy_perform's loop then sleeps its full
    // second. The lane is driven again at once instead. Then, with TLS, libcurl may wait for the
    // server's hello on the new data connection before it has sent the transfer command that
    // makes the server answer at all: while a data connection is being opened, the lane is
    // driven every OpeningPoll.
    static std::size_t onReply(char* data, std::size_t size, std::size_t count, void* self) {
        auto* lane = static_cast<Lane*>(self);
        const std::string_view line(data, size * count);
        lane->replies.append(line);
        if (line.starts_with(ftp::PassiveMode) || line.starts_with(ftp::ExtendedPassiveMode)) {
            lane->again = true;
            lane->opening = true;
        } else if (line.size() > 3 && line[3] == ' ' &&
                   ftp::TransferBeginsOrRefused.find(line[0]) != std::string_view::npos) {
            lane->opening = false; // the transfer begins, or it is refused
        }
        return size * count;
    }

    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t sent) {
        static_cast<Lane*>(self)->sent = static_cast<std::uint64_t>(sent);
        return 0;
    }
};

FtpLanes::FtpLanes(std::size_t count) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    for (std::size_t i = 0; i < count; ++i) {
        auto lane = std::make_unique<Lane>();
        lane->multi = curl_multi_init();
        lane->easy = curl_easy_init();
        if (lane->multi == nullptr || lane->easy == nullptr) {
            curl_easy_cleanup(lane->easy);
            curl_multi_cleanup(lane->multi);
            m_lanes.clear(); // not ready()
            return;
        }
        m_lanes.push_back(std::move(lane));
    }
}

FtpLanes::~FtpLanes() {
    for (const auto& lane : m_lanes) {
        if (lane->busy) {
            curl_multi_remove_handle(lane->multi, lane->easy);
        }
        // The multi handle says goodbye ("QUIT") on its idle connections with the timeouts of
        // the last handle added: a server that fell silent holds the end up a second at most.
        curl_easy_reset(lane->easy);
        curl_easy_setopt(lane->easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(lane->easy, CURLOPT_TIMEOUT_MS, 1000L);
        curl_easy_setopt(lane->easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, 1L);
        curl_multi_add_handle(lane->multi, lane->easy);
        curl_multi_remove_handle(lane->multi, lane->easy);
        curl_easy_cleanup(lane->easy);
        curl_multi_cleanup(lane->multi);
    }
}

CURL* FtpLanes::handle(std::size_t lane) const {
    return m_lanes.at(lane)->easy;
}

std::string FtpLanes::errorText(std::size_t lane) const {
    return m_lanes.at(lane)->error;
}

const std::string& FtpLanes::replies(std::size_t lane) const {
    return m_lanes.at(lane)->replies;
}

std::uint64_t FtpLanes::sent(std::size_t lane) const {
    return m_lanes.at(lane)->sent;
}

bool FtpLanes::run(FtpWork& work, std::size_t lanes, std::vector<std::size_t>* brokenOff) {
    lanes = std::min(lanes, m_lanes.size());
    try {
        for (std::size_t index = 0; index < lanes; ++index) {
            startLane(work, index);
        }
        while (anyLane(lanes, &Lane::busy)) {
            for (std::size_t index = 0; index < lanes; ++index) {
                driveLane(work, index, lanes);
            }
            if (!work.goOn()) {
                breakOff(lanes, brokenOff);
                return false;
            }
            if (!anyLane(lanes, &Lane::again) && anyLane(lanes, &Lane::busy)) {
                waitForNetwork(lanes);
            }
        }
    } catch (...) {
        breakOff(lanes, brokenOff);
        throw;
    }
    return true;
}

void FtpLanes::startLane(FtpWork& work, std::size_t index) {
    Lane& lane = *m_lanes[index];
    curl_easy_reset(lane.easy);
    if (!work.next(index, lane.easy)) {
        return;
    }
    lane.error[0] = '\0';
    lane.replies.clear();
    lane.sent = 0;
    lane.again = false;
    lane.opening = false;
    curl_easy_setopt(lane.easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(lane.easy, CURLOPT_ERRORBUFFER, lane.error);
    curl_easy_setopt(lane.easy, CURLOPT_HEADERFUNCTION, Lane::onReply);
    curl_easy_setopt(lane.easy, CURLOPT_HEADERDATA, &lane);
    curl_easy_setopt(lane.easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(lane.easy, CURLOPT_XFERINFOFUNCTION, Lane::onProgress);
    curl_easy_setopt(lane.easy, CURLOPT_XFERINFODATA, &lane);
    curl_multi_add_handle(lane.multi, lane.easy);
    lane.busy = true;
}

// Lets libcurl go on with the lane's transfer; one that ended is handed to the work, and every
// idle lane takes its next.
void FtpLanes::driveLane(FtpWork& work, std::size_t index, std::size_t lanes) {
    Lane& lane = *m_lanes[index];
    if (!lane.busy) {
        return;
    }
    lane.again = false;
    int running = 0;
    curl_multi_perform(lane.multi, &running);
    int left = 0;
    while (const CURLMsg* message = curl_multi_info_read(lane.multi, &left)) {
        if (message->msg != CURLMSG_DONE) {
            continue;
        }
        const CURLcode code = message->data.result;
        curl_multi_remove_handle(lane.multi, lane.easy);
        lane.busy = false;
        work.finished(index, code);
        // A job given back by a lane may go to any idle one.
        for (std::size_t other = 0; other < lanes; ++other) {
            if (!m_lanes[other]->busy) {
                startLane(work, other);
            }
        }
        return; // one transfer per lane: nothing else to read
    }
}

// Every busy lane's sockets in one wait; a socket numbered beyond select()'s range is not named
// by libcurl and is only driven every PollLimit.
void FtpLanes::waitForNetwork(std::size_t lanes) {
    std::vector<pollfd> sockets;
    long wait = PollLimit;
    for (std::size_t index = 0; index < lanes; ++index) {
        const Lane& lane = *m_lanes[index];
        if (!lane.busy) {
            continue;
        }
        fd_set reading;
        fd_set writing;
        fd_set failing;
        FD_ZERO(&reading);
        FD_ZERO(&writing);
        FD_ZERO(&failing);
        int highest = -1;
        curl_multi_fdset(lane.multi, &reading, &writing, &failing, &highest);
        for (int socket = 0; socket <= highest; ++socket) {
            const short events = static_cast<short>((FD_ISSET(socket, &reading) ? POLLIN : 0) |
                                                    (FD_ISSET(socket, &writing) ? POLLOUT : 0));
            if (events != 0) {
                sockets.push_back({socket, events, 0});
            }
        }
        long timeout = -1;
        curl_multi_timeout(lane.multi, &timeout);
        if (lane.opening && (timeout < 0 || timeout > OpeningPoll)) {
            timeout = OpeningPoll;
        }
        if (timeout >= 0) {
            wait = std::min(wait, timeout);
        }
    }
    if (wait > 0) {
        ::poll(sockets.data(), sockets.size(), static_cast<int>(wait));
    }
}

void FtpLanes::breakOff(std::size_t lanes, std::vector<std::size_t>* brokenOff) {
    for (std::size_t index = 0; index < lanes; ++index) {
        Lane& lane = *m_lanes[index];
        if (lane.busy) {
            curl_multi_remove_handle(lane.multi, lane.easy);
            lane.busy = false;
            if (brokenOff != nullptr) {
                brokenOff->push_back(index);
            }
        }
    }
}

bool FtpLanes::anyLane(std::size_t lanes, bool Lane::*flag) const {
    return std::any_of(m_lanes.begin(), m_lanes.begin() + static_cast<std::ptrdiff_t>(lanes),
                       [&](const auto& lane) { return (*lane).*flag; });
}

} // namespace bildertafel::publish
