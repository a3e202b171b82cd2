#pragma once

#include "publish/Connection.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace bildertafel::publish {

// One publish at a time per target folder, from this computer or another: the folder
// LockFolder made in the target folder (making a folder is the one step that only one of several
// clients can win, over SFTP and FTP alike) with LockOwnerFile inside, which names the run that
// holds it. The holder renews the file while it works.
inline constexpr std::string_view LockFolder = ".htbildertafel-sperre";
inline constexpr std::string_view LockOwnerFile = "inhaber";

// Who holds a lock: the run (see newRunName()), its computer and process, and when it last
// renewed the lock (seconds since 1970, by its own clock).
struct LockOwner {
    std::string run;
    std::string host;
    std::string boot; // the boot id of its computer: the same id means the same computer
    std::int64_t pid = 0;
    std::string started; // when its process started, in the computer's clock ticks since boot
    std::int64_t renewed = 0;

    bool operator==(const LockOwner&) const = default;
};

std::string lockText(const LockOwner& owner);
std::optional<LockOwner> parseLock(std::string_view text);
// When the process pid started, in clock ticks since boot; empty when there is no such process.
std::string startOf(std::int64_t pid);
// This process as the owner of run, renewed now.
LockOwner thisProcess(const std::string& run);

// A lock left behind by a run that died: on this computer (the same boot id) when the process is
// gone or another process has its id, or, of this process, when the run has ended; and any lock
// not renewed for staleAfter by self's clock (a holder renews it at least every RenewEvery; from
// another computer this trusts the two clocks to agree within minutes).
bool isStale(const LockOwner& owner, const LockOwner& self, std::chrono::seconds staleAfter);

inline constexpr std::chrono::seconds RenewEvery{20};
inline constexpr std::chrono::seconds StaleAfter{600};

class ServerLock {
public:
    // shownFolder: the target folder as the user knows it, for the messages.
    ServerLock(Connection& connection, std::string run, std::string shownFolder);
    ServerLock(const ServerLock&) = delete;
    ServerLock& operator=(const ServerLock&) = delete;
    ~ServerLock();

    // Takes the lock, waiting up to wait for another publish to end; a stale lock is taken over.
    // Throws PublishError (Busy) when another publish holds it, naming the folder; then nothing
    // has been changed. stopped() is asked while waiting (Cancelled).
    void take(std::chrono::milliseconds wait, const std::function<bool()>& stopped);
    // Renews the lock when RenewEvery has passed; throws PublishError (Busy) when another run has
    // taken it over meanwhile.
    void renewWhenDue();
    // Gives the lock back; best effort.
    void release() noexcept;

private:
    void writeOwner();
    std::optional<std::string> ownerText();
    bool takeOver(const std::string& staleText);
    void removeWhole(const std::string& folder);
    [[noreturn]] void busy(const std::optional<LockOwner>& owner) const;

    Connection& m_connection;
    std::string m_run;
    std::string m_shownFolder;
    bool m_held = false;
    std::chrono::steady_clock::time_point m_renewed;
};

} // namespace bildertafel::publish
