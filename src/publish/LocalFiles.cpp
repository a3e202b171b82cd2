#include "publish/LocalFiles.h"

#include "core/HexCoding.h"
#include "textfile/Descriptor.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

namespace bildertafel::publish {

namespace {

// A file's modification time as the plan keeps it.
std::int64_t nanosecondsOf(const struct stat& info) {
    return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

std::string realPathOf(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    std::string found = real != nullptr ? real : "";
    std::free(real);
    return found;
}

// A name that is no longer reached as the plan reached it: a link now, or gone, or no folder.
bool isChanged(int error) {
    return error == ELOOP || error == ENOTDIR || error == ENOENT || error == EISDIR;
}

using textfile::Descriptor;

using Digest = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

Digest newDigest(const std::string& path) {
    Digest digest(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!digest || EVP_DigestInit_ex(digest.get(), EVP_sha256(), nullptr) != 1) {
        throw unreadable(path);
    }
    return digest;
}

std::string hexOf(EVP_MD_CTX* digest, const std::string& path) {
    unsigned char bytes[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    if (EVP_DigestFinal_ex(digest, bytes, &length) != 1) {
        throw unreadable(path);
    }
    return core::hexText(bytes, length, core::HexCase::Lower);
}

} // namespace

// The bytes of one planned file, its checksum taken on the way. At its end it must still be the
// file the plan saw, neither longer nor touched since; else what went was not the show's file.
class LocalFiles::Source final : public UploadSource {
public:
    Source(int fd, const LocalFile& file, std::string& hash,
           std::function<void(const std::string&)> whole)
        : m_fd(fd), m_file(file), m_hash(hash), m_digest(newDigest(file.path)),
          m_whole(std::move(whole)) {}

    std::uint64_t size() const override { return m_file.size; }

    std::size_t read(char* buffer, std::size_t length) override {
        if (m_read == m_file.size) {
            end();
            return 0;
        }
        const auto wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(length, m_file.size - m_read));
        ssize_t got = 0;
        do {
            got = ::read(m_fd.get(), buffer, wanted);
        } while (got < 0 && errno == EINTR);
        if (got < 0) {
            throw unreadable(m_file.path, errno);
        }
        if (got == 0) {
            throw changedSincePlan(m_file.path); // shorter than planned
        }
        EVP_DigestUpdate(m_digest.get(), buffer, static_cast<std::size_t>(got));
        m_read += static_cast<std::uint64_t>(got);
        return static_cast<std::size_t>(got);
    }

private:
    void end() {
        if (m_ended) {
            return;
        }
        char beyond = 0;
        struct stat info {};
        if (::read(m_fd.get(), &beyond, 1) != 0 || ::fstat(m_fd.get(), &info) != 0 ||
            static_cast<std::uint64_t>(info.st_size) != m_file.size ||
            nanosecondsOf(info) != m_file.modified) {
            throw changedSincePlan(m_file.path);
        }
        m_hash = hexOf(m_digest.get(), m_file.path);
        m_ended = true;
        m_whole(m_hash);
    }

    Descriptor m_fd;
    const LocalFile& m_file;
    std::string& m_hash;
    Digest m_digest;
    std::function<void(const std::string&)> m_whole;
    std::uint64_t m_read = 0;
    bool m_ended = false;
};

LocalFiles::LocalFiles(const PublishSet& set, const std::string& showFolder, std::string cacheFile)
    : m_realShow(realPathOf(showFolder) + "/"), m_cacheFile(std::move(cacheFile)),
      m_cache(loadHashCache(m_cacheFile)) {
    for (const LocalFile& file : set.files) {
        m_planned.emplace(file.path, &file);
    }
    m_show = ::open(m_realShow.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

LocalFiles::~LocalFiles() {
    if (m_show >= 0) {
        ::close(m_show);
    }
}

int LocalFiles::open(const LocalFile& file) const {
    // The plan's real path, below the show folder's real path as it is now.
    if (m_show < 0 || !file.source.starts_with(m_realShow)) {
        throw changedSincePlan(file.path);
    }
    std::string_view rest = std::string_view(file.source).substr(m_realShow.size());
    Descriptor folder;
    int at = m_show;
    for (std::size_t slash = rest.find('/'); slash != std::string_view::npos;
         slash = rest.find('/')) {
        const std::string part(rest.substr(0, slash));
        rest.remove_prefix(slash + 1);
        const int next =
            ::openat(at, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            throw isChanged(errno) ? changedSincePlan(file.path) : unreadable(file.path, errno);
        }
        folder.reset(next);
        at = next;
    }
    // Without waiting: a FIFO put there since would block the open.
    Descriptor opened(
        ::openat(at, std::string(rest).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (opened.get() < 0) {
        throw isChanged(errno) ? changedSincePlan(file.path) : unreadable(file.path, errno);
    }
    struct stat info {};
    if (::fstat(opened.get(), &info) != 0) {
        throw unreadable(file.path, errno);
    }
    if (!S_ISREG(info.st_mode) || static_cast<std::uint64_t>(info.st_size) != file.size ||
        nanosecondsOf(info) != file.modified) {
        throw changedSincePlan(file.path);
    }
    return opened.release();
}

std::string LocalFiles::hashOf(const std::string& path) {
    const LocalFile& file = planned(path);
    const auto found = m_cache.find(path);
    if (found != m_cache.end() && found->second.size == file.size &&
        found->second.modified == file.modified) {
        return found->second.hash;
    }
    const Descriptor fd(open(file));
    Digest digest = newDigest(path);
    std::vector<char> piece(std::size_t{256} * 1024);
    for (;;) {
        const ssize_t got = ::read(fd.get(), piece.data(), piece.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throw unreadable(path, errno);
        }
        if (got == 0) {
            break;
        }
        EVP_DigestUpdate(digest.get(), piece.data(), static_cast<std::size_t>(got));
    }
    std::string hash = hexOf(digest.get(), path);
    remember(file, hash);
    return hash;
}

std::unique_ptr<UploadSource> LocalFiles::source(const std::string& path, std::string& hash) {
    const LocalFile& file = planned(path);
    return std::make_unique<Source>(
        open(file), file, hash, [this, &file](const std::string& whole) { remember(file, whole); });
}

std::int64_t LocalFiles::secondsOf(const std::string& path) const {
    const std::int64_t nanoseconds = planned(path).modified;
    return nanoseconds >= 0 ? nanoseconds / 1000000000 : -1;
}

void LocalFiles::remember(const LocalFile& file, const std::string& hash) {
    m_cache[file.path] = {file.size, file.modified, hash};
    m_changed = true;
}

void LocalFiles::keepOnly(const std::set<std::string>& paths) {
    std::erase_if(m_cache, [&](const auto& entry) {
        const bool gone = !paths.contains(entry.first);
        m_changed = m_changed || gone;
        return gone;
    });
}

void LocalFiles::save() const {
    if (m_changed && !m_cacheFile.empty()) {
        saveHashCache(m_cacheFile, m_cache);
    }
}

} // namespace bildertafel::publish
