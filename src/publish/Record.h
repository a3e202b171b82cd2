#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace bildertafel::publish {

// What Bildertafel put on a server, kept there beside the show in RecordName, so that a second
// computer and a later run know it: for each path below the target folder, the checksum and size
// it sent and the time stamp the server gave the file afterwards.
struct RecordEntry {
    std::string hash; // SHA-256, hex; empty while a file is on its way (send it again)
    std::uint64_t size = 0;
    std::string stamp; // empty: not known yet

    bool operator==(const RecordEntry&) const = default;
};
using Record = std::map<std::string, RecordEntry>;

inline constexpr std::string_view RecordName = ".bildertafel-veroeffentlicht";

std::string recordText(const Record& record);
// Nothing when the text is not such a record (or damaged): then nothing counts as sent.
std::optional<Record> parseRecord(std::string_view text);

// The local memory of checksums: path -> size, modification time and checksum.
struct CachedHash {
    std::uint64_t size = 0;
    std::int64_t modified = 0; // nanoseconds
    std::string hash;
};
using HashCache = std::map<std::string, CachedHash>;

HashCache loadHashCache(const std::string& file);
void saveHashCache(const std::string& file, const HashCache& cache);

// A temporary file of a publish: ".bildertafel-<n>.part", and the test for one left behind.
std::string temporaryName(std::size_t number);
bool isTemporaryName(std::string_view name);

} // namespace bildertafel::publish
