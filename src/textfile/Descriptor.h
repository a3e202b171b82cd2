#pragma once

#include <unistd.h>

#include <utility>

namespace bildertafel::textfile {

// An open file descriptor, closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() { reset(-1); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }
    void reset(int fd) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }
    // Closes now and gives the close's own result (a full disk may only show there).
    int close() { return ::close(release()); }

private:
    int m_fd;
};

} // namespace bildertafel::textfile
