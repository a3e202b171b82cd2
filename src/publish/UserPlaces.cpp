#include "publish/UserPlaces.h"

#include <filesystem>

namespace bildertafel::publish {

namespace {

std::string valueOf(const EnvironmentLookup& environment, std::string_view name) {
    return environment(name).value_or("");
}

// The home folder as the window's toolkit cleans it: "/home/anna/" and "/home//anna" are
// "/home/anna".
std::string cleanFolder(const std::string& folder) {
    std::string clean = std::filesystem::path(folder).lexically_normal().string();
    while (clean.size() > 1 && clean.back() == '/') {
        clean.pop_back();
    }
    return clean;
}

std::string cacheFolderOf(const EnvironmentLookup& environment) {
    const std::string cache = valueOf(environment, "XDG_CACHE_HOME");
    if (cache.starts_with('/')) {
        return cache + "/bildertafel/publish";
    }
    const std::string home = valueOf(environment, "HOME");
    return home.starts_with('/') ? cleanFolder(home) + "/.cache/bildertafel/publish"
                                 : std::string();
}

} // namespace

PublishOptions userPublishOptions(const EnvironmentLookup& environment) {
    PublishOptions options;
    // The checksums of the show's files are remembered in the user's cache between runs.
    options.cacheFolder = cacheFolderOf(environment);
    // ssh's keys and configuration in ~/.ssh of the home the program runs with; without one,
    // the publish takes the home of the system's user records.
    const std::string home = valueOf(environment, "HOME");
    options.sshFolder = home.starts_with('/') ? home + "/.ssh" : std::string();
    // The ssh-agent asked at each publish: the program's, or one the desktop started later.
    options.agentSockets = sshAgentSockets(valueOf(environment, "SSH_AUTH_SOCK"),
                                           valueOf(environment, "XDG_RUNTIME_DIR"));
    return options;
}

std::vector<std::string> sshAgentSockets(std::string_view authSock,
                                         std::string_view runtimeFolder) {
    std::vector<std::string> sockets;
    if (!authSock.empty()) {
        sockets.emplace_back(authSock);
    }
    if (!runtimeFolder.empty()) {
        for (const char* place : {"ssh-agent.socket", "openssh_agent", "gcr/ssh", "keyring/ssh"}) {
            sockets.push_back(std::string(runtimeFolder) + "/" + place);
        }
    }
    return sockets;
}

} // namespace bildertafel::publish
