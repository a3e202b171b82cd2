#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace bildertafel::publish {

// The local memory of checksums: path -> size, modification time and checksum.
struct CachedHash {
    std::uint64_t size = 0;
    std::int64_t modified = 0; // nanoseconds
    std::string hash;
};
using HashCache = std::map<std::string, CachedHash>;

HashCache loadHashCache(const std::string& file);
void saveHashCache(const std::string& file, const HashCache& cache);

} // namespace bildertafel::publish
