#pragma once

#include "publish/Connection.h"
#include "publish/HashCache.h"
#include "publish/PublishSet.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>

namespace bildertafel::publish {

// The show's files as the plan saw them. Each is opened below the show folder's own descriptor,
// every folder on the way and the file itself without following a link, and must still be a
// regular file of the size and time the plan saw: a folder swapped for a link since, or a file
// changed, is refused (LocalChanged) and nothing of it is sent. Checksums are remembered in the
// cache file between runs, so that a file is read only when the cache does not know it as it is.
class LocalFiles {
public:
    // showFolder: as the options name it; cacheFile: empty remembers nothing.
    LocalFiles(const PublishSet& set, const std::string& showFolder, std::string cacheFile);
    ~LocalFiles();
    LocalFiles(const LocalFiles&) = delete;
    LocalFiles& operator=(const LocalFiles&) = delete;

    // The file's SHA-256 in hex. Throws PublishError.
    std::string hashOf(const std::string& path);
    // The file's bytes as they are sent, read in pieces; hash gets their checksum once the last
    // piece is read. Throws PublishError, as the source's read() does.
    std::unique_ptr<UploadSource> source(const std::string& path, std::string& hash);
    // The file's modification time in whole seconds as the plan saw it, which the server's copy
    // gets.
    std::int64_t secondsOf(const std::string& path) const;

    void keepOnly(const std::set<std::string>& paths);
    void save() const;

private:
    class Source;

    const LocalFile& planned(const std::string& path) const { return *m_planned.at(path); }
    // The file opened for reading, as described above; throws PublishError.
    int open(const LocalFile& file) const;
    void remember(const LocalFile& file, const std::string& hash);

    std::unordered_map<std::string, const LocalFile*> m_planned; // below the show -> the plan's
    std::string m_realShow; // the show folder's real path now, with a trailing "/"
    int m_show = -1;        // its descriptor
    std::string m_cacheFile;
    HashCache m_cache;
    bool m_changed = false;
};

} // namespace bildertafel::publish
