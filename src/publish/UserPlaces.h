#pragma once

#include "publish/Publisher.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bildertafel::publish {

// A variable of the program's environment by its name; nothing when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(std::string_view name)>;

// What a publish takes from the user's environment, as the window and the batch command pass it:
// the cache folder ($XDG_CACHE_HOME, else $HOME/.cache, then bildertafel/publish; relative
// values name nothing), ssh's folder ($HOME/.ssh) and the places of the ssh-agent. Everything
// else of the options is left as it is by default.
PublishOptions userPublishOptions(const EnvironmentLookup& environment);

// Where the ssh-agent of a program's environment listens: the socket of SSH_AUTH_SOCK (authSock),
// then the places below XDG_RUNTIME_DIR (runtimeFolder) where the agents of a desktop session
// listen, for one started after the program. Empty values name nothing.
std::vector<std::string> sshAgentSockets(std::string_view authSock, std::string_view runtimeFolder);

// The user the program runs as, by the system's records rather than the environment, as ssh
// takes it; empty fields where the records do not say.
struct SystemUser {
    std::string name;
    std::string home;
};
SystemUser systemUser();

// The user ssh logs in as on host when the address names none: the User of the first block of
// ssh's configuration (config, the text of ~/.ssh/config) that applies to host and names one,
// else localUser. A block applies when one of its Host patterns (* and ? as wildcards, letter
// case aside) matches and none of its negated ones; a Match block is taken as not applying.
std::string sshUserFor(std::string_view config, std::string_view host, std::string_view localUser);

} // namespace bildertafel::publish
