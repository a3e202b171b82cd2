#include "textfile/LineReader.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bildertafel::textfile {

FileOutcome readFileBytes(const std::filesystem::path& path, std::string& bytes) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return FileFailure{errno};
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        return FileFailure{EISDIR};
    }
    // Reads straight into the string, growing it when a file grew since fstat.
    std::size_t size = 0;
    bytes.resize(std::max<std::size_t>(
        static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)) + 1, 4096));
    for (;;) {
        if (size == bytes.size()) {
            bytes.resize(bytes.size() * 2);
        }
        const ssize_t got = ::read(fd, bytes.data() + size, bytes.size() - size);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            ::close(fd);
            bytes.clear();
            return FileFailure{error};
        }
        if (got == 0) {
            break;
        }
        size += static_cast<std::size_t>(got);
    }
    bytes.resize(size);
    ::close(fd);
    return {};
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
