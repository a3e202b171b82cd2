#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace bildertafel::textfile {

// How long a run waits for another one on the same show before it gives up.
inline constexpr std::chrono::milliseconds RunLockWait{2000};

// Keeps two runs of the program (the window's and the batch command's, or two batch commands)
// from writing into one show at once: each folder a run writes is locked with flock() on the
// folder itself, so no lock file ever lands among the pages to publish. The system releases the
// locks when the holder ends, however it ends; a killed run never blocks the next one.
class RunLock {
public:
    RunLock() = default;
    ~RunLock() { release(); }
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // Locks every folder of the list that exists (the same folder named twice counts once). A
    // folder held by another run is tried again until `wait` has passed; then nothing is held,
    // busyFolder() names it and the result is false. A folder that cannot be opened or that its
    // file system does not let lock is passed over: the writing will name its problem.
    bool acquire(const std::vector<std::string>& folders,
                 std::chrono::milliseconds wait = RunLockWait);
    void release();

    const std::string& busyFolder() const { return m_busyFolder; }

private:
    // One pass over the folders without waiting; false (holding nothing) when one is taken.
    bool tryAll(const std::vector<std::string>& folders);

    std::vector<int> m_fds;
    std::string m_busyFolder;
};

// The German message of a run that found another working on its show.
std::string anotherRunIsWorking(std::string_view folder);

} // namespace bildertafel::textfile
