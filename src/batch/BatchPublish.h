#pragma once

#include "batch/BatchOptions.h"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace bildertafel::batch {

struct NetrcLogin {
    std::string login;
    std::string password;

    bool operator==(const NetrcLogin&) const = default;
};

// The login for host in the text of a ~/.netrc, as curl and ftp read it: the first "machine host"
// entry whose login is user (any login when user is empty), else the "default" entry.
std::optional<NetrcLogin> netrcLogin(std::string_view text, std::string_view host,
                                     std::string_view user);

// Publishes the show folder of the options to --publish. The password comes from ~/.netrc or is
// asked on the terminal without echo; so is an unknown host key. Without a terminal neither is
// asked and the publish is refused. Returns the exit status.
int publishShow(const BatchOptions& options, std::ostream& err, bool errIsTerminal);

} // namespace bildertafel::batch
