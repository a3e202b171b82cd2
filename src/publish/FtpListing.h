#pragma once

#include "publish/Connection.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bildertafel::publish {

// "type=file;size=12;modify=20261208173000; name": an MLSD line; nothing for the folder itself,
// its parent and a line that is no entry.
std::optional<RemoteEntry> machineListed(std::string_view line);
// "-rw-r--r-- 1 user group 12 Dec  8 17:30 name": a LIST line of servers without MLSD.
std::optional<RemoteEntry> longListed(std::string_view line);
// The time stamp of the last "213 20261208173000" among a transfer's replies (MDTM's answer);
// empty when there is none.
std::string mdtmStamp(std::string_view replies);
// The code of the last whole reply among a transfer's reply lines ("451 Failure writing to local
// file."); 0 when there is none.
long lastReplyCode(std::string_view replies);
// "20261208173000" or "20261208173000.123" (UTC): seconds since 1970, or -1.
std::int64_t secondsOfStamp(std::string_view stamp);
// The entries of a whole listing, machine: MLSD, else LIST; whatever the server sent is parsed
// as untrusted text.
std::vector<RemoteEntry> listedEntries(std::string_view text, bool machine);

} // namespace bildertafel::publish
