#pragma once

#include "publish/Connection.h"

#include <optional>
#include <string_view>
#include <vector>

namespace bildertafel::publish {

// "type=file;size=12;modify=20261208173000; name": an MLSD line; nothing for the folder itself,
// its parent and a line that is no entry.
std::optional<RemoteEntry> machineListed(std::string_view line);
// "-rw-r--r-- 1 user group 12 Dec  8 17:30 name": a LIST line of servers without MLSD.
std::optional<RemoteEntry> longListed(std::string_view line);
// The entries of a whole listing, machine: MLSD, else LIST; whatever the server sent is parsed
// as untrusted text.
std::vector<RemoteEntry> listedEntries(std::string_view text, bool machine);

} // namespace bildertafel::publish
