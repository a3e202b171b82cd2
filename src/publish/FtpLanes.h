#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace bildertafel::publish {

// What a run of transfers on several lanes asks of its caller. Every call comes on the caller's
// thread, from inside FtpLanes::run().
class FtpWork {
public:
    virtual ~FtpWork() = default;
    // Sets up handle (reset before) for the lane's next transfer; false when none is left.
    virtual bool next(std::size_t lane, CURL* handle) = 0;
    // The lane's transfer ended with code; may throw, which ends the run.
    virtual void finished(std::size_t lane, CURLcode code) = 0;
    // Asked at least every 100 ms while transfers are under way; false ends the run.
    virtual bool goOn() = 0;
};

// Several control connections to one FTP server, each with its libcurl handle in a connection
// cache of its own. A handle's data connections resume the TLS session of its own control
// connection, which servers that require session reuse insist on: in one shared cache libcurl
// would hand an idle connection to another handle, whose remembered session that server process
// has never seen.
class FtpLanes {
public:
    explicit FtpLanes(std::size_t count);
    ~FtpLanes();
    FtpLanes(const FtpLanes&) = delete;
    FtpLanes& operator=(const FtpLanes&) = delete;

    // false when libcurl could not make the handles.
    bool ready() const { return !m_lanes.empty(); }
    std::size_t count() const { return m_lanes.size(); }
    // The lane's handle, for its last transfer's details (response code, error text).
    CURL* handle(std::size_t lane) const;
    // The error text of the lane's last transfer; empty when libcurl gave none.
    std::string errorText(std::size_t lane) const;
    // The server's reply lines of the lane's last transfer, each ending in "\n".
    const std::string& replies(std::size_t lane) const;
    // The bytes the lane's transfer under way has sent so far.
    std::uint64_t sent(std::size_t lane) const;

    // Runs transfers on the first lanes lanes at once, each lane taking its next as soon as it is
    // done, until none is left. When finished() throws or goOn() says no, the transfers under
    // way are broken off at once (their connections closed) and run() rethrows or returns
    // false; the lanes of the broken-off transfers are named in brokenOff.
    bool run(FtpWork& work, std::size_t lanes, std::vector<std::size_t>* brokenOff = nullptr);

private:
    struct Lane;
    // The steps of run() over its first lanes lanes.
    void startLane(FtpWork& work, std::size_t index);
    void driveLane(FtpWork& work, std::size_t index, std::size_t lanes);
    void waitForNetwork(std::size_t lanes);
    void breakOff(std::size_t lanes, std::vector<std::size_t>* brokenOff);
    bool anyLane(std::size_t lanes, bool Lane::*flag) const;

    std::vector<std::unique_ptr<Lane>> m_lanes;
};

} // namespace bildertafel::publish
