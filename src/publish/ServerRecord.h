#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace bildertafel::publish {

// What Bildertafel put on a server, kept there beside the show in RecordName, so that a second
// computer and a later run know it: for each path below the target folder, the checksum and size
// it sent and the time stamp the server gave the file afterwards.
struct RecordEntry {
    std::string hash; // SHA-256, hex; empty: not known (send it again)
    std::uint64_t size = 0;
    std::string stamp; // empty: on its way, or not known
    // While a file is on its way: the modification time (seconds since 1970, UTC) its copy on
    // the server gets before it takes its final name; -1: none.
    std::int64_t modified = -1;

    bool operator==(const RecordEntry&) const = default;
};
struct Record {
    std::map<std::string, RecordEntry> files;
    // Runs that may have left temporary files (their owner names, see temporaryName()): a
    // later run removes those, and only those.
    std::set<std::string> runs;

    bool operator==(const Record&) const = default;
};

// In the target folder. Names starting with ".ht" are not served by common web servers
// (Apache refuses them by default).
inline constexpr std::string_view RecordName = ".htbildertafel-veroeffentlicht";
// The name earlier versions used: read when RecordName is not there, removed once it is.
inline constexpr std::string_view OldRecordName = ".bildertafel-veroeffentlicht";
// A record larger than this is not read (German warning; everything counts as not sent).
inline constexpr std::uint64_t RecordLimit = std::uint64_t{64} * 1024 * 1024;

std::string recordText(const Record& record);
// Nothing when the text is no such record. A damaged line is left out alone, and so is a line
// naming a path that is not below the target folder or that Bildertafel never sends.
std::optional<Record> parseRecord(std::string_view text);

} // namespace bildertafel::publish
