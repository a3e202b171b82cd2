#include "textfile/TextFileWriter.h"

#include "textfile/Windows1252.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace bildertafel::textfile {
namespace {

// Large files go to the temporary file in pieces of this size, so memory stays bounded. A file
// that may be kept when unchanged is held whole up to a larger size, so that it can be compared
// with the old one before anything is written; beyond that it is always replaced.
constexpr std::size_t FlushThreshold = 1U << 20;
constexpr std::size_t ComparedThreshold = 32U << 20;

// The process id in the temporary names, asked for once: a show writes thousands of files. A forked
// child that shares it still gets names of its own, since O_EXCL refuses a name in use.
const std::string& processIdText() {
    static const std::string text = std::to_string(::getpid());
    return text;
}

// The file creation mask, read once from the process status (reading it through umask() would
// change it for a moment under other threads), or -1 when unknown. Should the program tighten
// its mask later, a replaced file would only come out with fewer permissions, never more.
int creationMask() {
    static const int mask = [] {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.starts_with("Umask:")) {
                return static_cast<int>(std::strtol(line.c_str() + 6, nullptr, 8));
            }
        }
        return -1;
    }();
    return mask;
}

// Paths are handled as plain strings: a show writes thousands of files, and taking a path apart
// into its parts costs more than writing a small page.

// The folder a target lies in, with its "/" (empty for a bare name).
std::string_view folderPartOf(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    return slash == std::string::npos ? std::string_view()
                                      : std::string_view(target).substr(0, slash + 1);
}

std::string folderOf(const std::string& target) {
    const std::string_view folder = folderPartOf(target);
    return folder.empty() ? std::string(".") : std::string(folder);
}

constexpr std::string_view TemporaryPrefix = ".bildertafel-";
constexpr std::string_view TemporarySuffix = ".tmp";

// The named temporary files of this process. A name is added under the lock together with the
// file's creation, and taken out together with its rename or removal, so that a program ending
// on a signal finds every one of them.
struct Temporaries {
    std::mutex mutex;
    std::vector<std::string> paths;
};

Temporaries& temporaries() {
    static Temporaries* const all = new Temporaries; // outlives every writer, even at exit
    return *all;
}

void forget(std::vector<std::string>& paths, const std::string& path) {
    const auto it = std::find(paths.begin(), paths.end(), path);
    if (it != paths.end()) {
        paths.erase(it);
    }
}

// The process id in a name of the pattern ".bildertafel-PID-N.tmp", or 0 for any other name.
pid_t writerOf(std::string_view name) {
    if (!name.starts_with(TemporaryPrefix) || !name.ends_with(TemporarySuffix)) {
        return 0;
    }
    name.remove_prefix(TemporaryPrefix.size());
    name.remove_suffix(TemporarySuffix.size());
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == name.size()) {
        return 0;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (i != dash && (name[i] < '0' || name[i] > '9')) {
            return 0;
        }
    }
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + dash, pid);
    return error == std::errc() && end == name.data() + dash ? pid : 0;
}

bool hasEnded(pid_t pid) {
    return pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

std::string temporaryBeside(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    // A short hidden name: it fits wherever the target's name fits, and no file list shows it.
    std::string path(folderPartOf(target));
    path += TemporaryPrefix;
    path += processIdText();
    path += '-';
    path += std::to_string(counter.fetch_add(1));
    path += TemporarySuffix;
    return path;
}

// Whether a file without a name can be given one through /proc (not every container mounts it).
bool canNameAnonymousFiles() {
    static const bool can = ::access("/proc/self/fd", X_OK) == 0;
    return can;
}

} // namespace

TextFileWriter::TextFileWriter(std::string target, ReplaceMode mode)
    : m_target(std::move(target)), m_mode(mode) {}

TextFileWriter::~TextFileWriter() {
    abandon();
}

void TextFileWriter::fail(int error) {
    if (m_error == 0) {
        m_error = error != 0 ? error : EIO; // a failure counts even without the system's number
    }
    abandon();
}

bool TextFileWriter::checkTarget() {
    struct stat existing {};
    m_targetExists = ::stat(m_target.c_str(), &existing) == 0;
    if (m_targetExists && S_ISDIR(existing.st_mode)) {
        fail(EISDIR);
        return false;
    }
    m_targetSize = m_targetExists ? static_cast<unsigned long long>(existing.st_size) : 0;
    // A replaced file keeps its permissions, as it would when written in place. Created with them,
    // it needs no fchmod unless the creation mask takes some away.
    m_permissions = m_targetExists ? existing.st_mode & 07777 : 0666;
    const int mask = creationMask();
    m_chmodNeeded = m_targetExists && (mask < 0 || (m_permissions & 07000) != 0 ||
                                       (m_permissions & static_cast<unsigned>(mask)) != 0);
    m_ready = true;
    return true;
}

bool TextFileWriter::createTemporary() {
    // A new file is written without a name and gets the target's once it is complete: no other
    // program ever sees it half written, and it costs one entry in the folder instead of two.
    if (!m_targetExists && canNameAnonymousFiles()) {
        m_fd = ::open(folderOf(m_target).c_str(), O_WRONLY | O_TMPFILE | O_CLOEXEC,
                      m_permissions & 0777);
        if (m_fd >= 0) {
            return true;
        }
    }
    Temporaries& all = temporaries();
    {
        const std::lock_guard lock(all.mutex);
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_temp = temporaryBeside(m_target);
            m_fd = ::open(m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          m_permissions & 0777);
            if (m_fd >= 0 || errno != EEXIST) {
                break;
            }
        }
        if (m_fd >= 0) {
            all.paths.push_back(m_temp);
        }
    }
    if (m_fd < 0) {
        const int error = errno;
        m_temp.clear();
        fail(error);
        return false;
    }
    if (m_chmodNeeded) {
        (void)::fchmod(m_fd, m_permissions);
    }
    return true;
}

FileOutcome TextFileWriter::open() {
    if (checkTarget() && createTemporary()) {
        return {};
    }
    return failure();
}

FileOutcome TextFileWriter::prepare() {
    if (checkTarget()) {
        return {};
    }
    return failure();
}

void TextFileWriter::write(std::string_view utf8) {
    appendWindows1252(m_buffer, utf8);
    if (m_buffer.size() >= (m_mode.keepIdentical ? ComparedThreshold : FlushThreshold)) {
        flushBuffer();
    }
}

void TextFileWriter::writeBytes(std::string_view bytes) {
    m_buffer.append(bytes);
    if (m_buffer.size() >= (m_mode.keepIdentical ? ComparedThreshold : FlushThreshold)) {
        flushBuffer();
    }
}

bool TextFileWriter::flushBuffer() {
    if (!m_ready || (m_fd < 0 && !createTemporary())) {
        m_buffer.clear();
        return false;
    }
    m_streamed = true;
    std::size_t done = 0;
    while (done < m_buffer.size()) {
        const ssize_t written = ::write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail(errno);
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    m_buffer.clear();
    return true;
}

bool TextFileWriter::targetHoldsBuffer() const {
    if (!m_targetExists || m_targetSize != m_buffer.size()) {
        return false;
    }
    const int fd = ::open(m_target.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    // Compared piece by piece; one byte more than expected means the file grew meanwhile.
    char piece[16384];
    std::size_t compared = 0;
    bool same = true;
    while (same) {
        const ssize_t got = ::read(fd, piece, sizeof piece);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            same = got == 0 && compared == m_buffer.size();
            break;
        }
        const auto length = static_cast<std::size_t>(got);
        same = compared + length <= m_buffer.size() &&
               std::memcmp(piece, m_buffer.data() + compared, length) == 0;
        compared += length;
    }
    ::close(fd);
    return same;
}

bool TextFileWriter::syncFolder() {
    const int fd = ::open(folderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const int error = errno;
        if (fd >= 0) {
            ::close(fd);
        }
        fail(error);
        return false;
    }
    ::close(fd);
    return true;
}

FileOutcome TextFileWriter::commit() {
    if (!m_ready) {
        if (m_error == 0) {
            m_error = EBADF;
        }
        return failure();
    }
    if (m_mode.keepIdentical && !m_streamed && targetHoldsBuffer()) {
        abandon();
        return {};
    }
    if (!flushBuffer()) {
        return failure();
    }
    if (m_mode.durable && ::fsync(m_fd) != 0) {
        fail(errno);
        return failure();
    }
    if (m_temp.empty() && !nameAnonymousFile()) {
        return failure();
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        fail(errno);
        return failure();
    }
    if (!m_temp.empty()) {
        Temporaries& all = temporaries();
        const std::lock_guard lock(all.mutex);
        if (::rename(m_temp.c_str(), m_target.c_str()) != 0) {
            const int error = errno;
            ::unlink(m_temp.c_str());
            forget(all.paths, m_temp);
            m_temp.clear();
            fail(error);
            return failure();
        }
        forget(all.paths, m_temp);
    }
    m_temp.clear();
    m_ready = false;
    if (m_mode.durable && !syncFolder()) {
        return failure();
    }
    return {};
}

bool TextFileWriter::nameAnonymousFile() {
    const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, m_target.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return true;
    }
    if (errno != EEXIST) {
        fail(errno);
        return false;
    }
    // The target appeared since it was checked: the file takes a hidden name and replaces it.
    Temporaries& all = temporaries();
    const std::lock_guard lock(all.mutex);
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_temp = temporaryBeside(m_target);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, m_temp.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            all.paths.push_back(m_temp);
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    const int error = errno;
    m_temp.clear();
    fail(error);
    return false;
}

void TextFileWriter::abandon() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.empty()) {
        Temporaries& all = temporaries();
        const std::lock_guard lock(all.mutex);
        ::unlink(m_temp.c_str());
        forget(all.paths, m_temp);
        m_temp.clear();
    }
    m_buffer.clear();
    m_ready = false;
}

FileOutcome replaceFile(const std::filesystem::path& target, std::string_view bytes,
                        ReplaceMode mode) {
    TextFileWriter writer(target, mode);
    if (FileOutcome prepared = writer.prepare(); !prepared) {
        return prepared;
    }
    writer.writeBytes(bytes);
    return writer.commit();
}

std::size_t removeStaleTemporaries(const std::string& folder) {
    DIR* const listing = ::opendir(folder.empty() ? "." : folder.c_str());
    if (listing == nullptr) {
        return 0;
    }
    const int fd = ::dirfd(listing);
    std::size_t removed = 0;
    while (const dirent* entry = ::readdir(listing)) {
        const pid_t pid = writerOf(entry->d_name);
        struct stat info {};
        if (pid > 0 && hasEnded(pid) &&
            ::fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && ::unlinkat(fd, entry->d_name, 0) == 0) {
            ++removed;
        }
    }
    ::closedir(listing);
    return removed;
}

void removeTemporariesBeforeExit() {
    Temporaries& all = temporaries();
    // Kept locked: no writer makes, renames or names a temporary file again.
    all.mutex.lock();
    for (const std::string& path : all.paths) {
        ::unlink(path.c_str());
    }
    all.paths.clear();
}

} // namespace bildertafel::textfile
