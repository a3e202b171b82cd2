#include "textfile/RunLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace bildertafel::textfile {
namespace {

constexpr std::chrono::milliseconds RetryPause{50};

} // namespace

bool RunLock::tryAll(const std::vector<std::string>& folders) {
    std::vector<std::pair<dev_t, ino_t>> held;
    for (const std::string& folder : folders) {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat info {};
        bool twice = false;
        if (::fstat(fd, &info) == 0) {
            for (const auto& [device, inode] : held) {
                twice = twice || (device == info.st_dev && inode == info.st_ino);
            }
        }
        if (twice) {
            ::close(fd);
            continue;
        }
        int locked = 0;
        do {
            locked = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0 && errno == EWOULDBLOCK) {
            ::close(fd);
            release();
            m_busyFolder = folder;
            return false;
        }
        if (locked != 0) {
            ::close(fd); // a file system without locks
            continue;
        }
        held.emplace_back(info.st_dev, info.st_ino);
        m_fds.push_back(fd);
    }
    return true;
}

bool RunLock::acquire(const std::vector<std::string>& folders, std::chrono::milliseconds wait) {
    release();
    // Nothing is held while waiting, so two runs that want folders in another order never wait
    // for each other for good.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (!tryAll(folders)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(RetryPause);
    }
    m_busyFolder.clear();
    return true;
}

void RunLock::release() {
    for (const int fd : m_fds) {
        ::close(fd); // closing the last descriptor of the folder releases its lock
    }
    m_fds.clear();
}

std::string anotherRunIsWorking(std::string_view folder) {
    return "Ein anderer Lauf von Bildertafel arbeitet gerade an dieser Show (" +
           std::string(folder) +
           "). Es wurde nichts geschrieben; bitte warten, bis er fertig ist, und dann noch einmal "
           "versuchen.";
}

} // namespace bildertafel::textfile
