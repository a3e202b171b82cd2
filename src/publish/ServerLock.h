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

    // Takes the lock, waiting up to wait for another publish to end; a stale lock is taken over,
    // and so is one that cannot be judged (no owner that can be read) once it has stayed so for a
    // while. Throws PublishError (Busy) when another publish holds it, naming the folder; then
    // nothing has been changed. A lock that is a symbolic link is refused (LinkedLock) and left as
    // it is; a stale one that cannot be removed is put back and named (StaleLockStays).
    // stopped() is asked while waiting (Cancelled).
    void take(std::chrono::milliseconds wait, const std::function<bool()>& stopped);
    // The lock's owner, which take() may leave on its way while the publish reads, is there;
    // throws PublishError when it could not be written. Before anything changes on the server.
    void confirm();
    // Renews the lock when RenewEvery has passed; throws PublishError (TakenOver) when another run
    // has taken it over meanwhile.
    void renewWhenDue();
    // Gives the lock back; best effort.
    void release() noexcept;

private:
    // What is seen of a lock: its owner's text where that can be read in bounded memory, else the
    // size and time of what stands there (an owner file too large or a link, a lock that is a
    // file), by which the lock is known unchanged without being read.
    struct Seen {
        std::optional<std::string> text; // "" for a lock folder without owner file
        bool file = false;               // the lock is a file, not a folder
        std::uint64_t size = 0;
        std::string stamp;

        bool operator==(const Seen&) const = default;
    };

    void writeOwner();
    std::optional<LockOwner> holder();
    // On an object store: the lock object as it stands, its stamp the server's ETag.
    std::optional<Seen> objectSeen();
    std::optional<std::string> objectText(std::string* stamp = nullptr);
    // The lock as it stands, never followed where it is a link (LinkedLock); nothing when it is
    // gone.
    std::optional<Seen> look(const std::string& name);
    Seen ownerIn(const std::string& folder);
    bool takeOver(const Seen& stale);
    void removeAside(const std::string& aside, bool folder);
    [[noreturn]] void staysAside(const std::string& aside);
    [[noreturn]] void linked(const std::string& name) const;
    [[noreturn]] void busy(const std::optional<LockOwner>& owner) const;
    [[noreturn]] void takenOver();

    Connection& m_connection;
    std::string m_run;
    std::string m_shownFolder;
    bool m_held = false;
    std::chrono::steady_clock::time_point m_renewed;
};

} // namespace bildertafel::publish
