#include "textfile/LineReader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bildertafel::textfile {

bool readFileBytes(const std::filesystem::path& path, std::string& bytes, std::string& reason) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        reason = std::strerror(EISDIR);
        return false;
    }
    if (info.st_size > 0) {
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    }
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            reason = std::strerror(errno);
            ::close(fd);
            bytes.clear();
            return false;
        }
        if (got == 0) {
            break;
        }
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return true;
}

bool LineReader::next(std::string_view& line) {
    if (m_rest.empty()) {
        return false;
    }
    const std::size_t cr = m_rest.find('\r');
    if (cr == std::string_view::npos) {
        line = m_rest;
        m_rest = {};
        return true;
    }
    line = m_rest.substr(0, cr);
    std::size_t skip = cr + 1;
    if (skip < m_rest.size() && m_rest[skip] == '\n') {
        ++skip;
    }
    m_rest.remove_prefix(skip);
    return true;
}

} // namespace bildertafel::textfile
