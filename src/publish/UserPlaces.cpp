#include "publish/UserPlaces.h"

#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <vector>

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

namespace {

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// ssh's patterns: * for any run of characters, ? for one.
bool matchesPattern(std::string_view pattern, std::string_view text) {
    if (pattern.empty()) {
        return text.empty();
    }
    if (pattern.front() == '*') {
        for (std::size_t skip = 0; skip <= text.size(); ++skip) {
            if (matchesPattern(pattern.substr(1), text.substr(skip))) {
                return true;
            }
        }
        return false;
    }
    return !text.empty() &&
           (pattern.front() == '?' || lower(pattern.front()) == lower(text.front())) &&
           matchesPattern(pattern.substr(1), text.substr(1));
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> found;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t begin = text.find_first_not_of(" \t=", at);
        if (begin == std::string_view::npos) {
            break;
        }
        // The keyword may be joined to its value by "=".
        const std::size_t end = text.find_first_of(found.empty() ? " \t=" : " \t", begin);
        found.push_back(text.substr(begin, end - begin));
        at = end == std::string_view::npos ? text.size() : end;
    }
    return found;
}

bool hostApplies(const std::vector<std::string_view>& patterns, std::string_view host) {
    bool matched = false;
    for (std::size_t i = 1; i < patterns.size(); ++i) {
        const std::string_view pattern = patterns[i];
        if (pattern.starts_with('!')) {
            if (matchesPattern(pattern.substr(1), host)) {
                return false;
            }
        } else if (matchesPattern(pattern, host)) {
            matched = true;
        }
    }
    return matched;
}

bool isKeyword(std::string_view word, std::string_view keyword) {
    if (word.size() != keyword.size()) {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (lower(word[i]) != lower(keyword[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string sshUserFor(std::string_view config, std::string_view host, std::string_view localUser) {
    bool applies = true; // what comes before the first block holds for every host
    std::size_t at = 0;
    while (at <= config.size()) {
        std::size_t end = config.find('\n', at);
        if (end == std::string_view::npos) {
            end = config.size();
        }
        std::string_view line = config.substr(at, end - at);
        at = end + 1;
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) {
            line = line.substr(0, hash);
        }
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::vector<std::string_view> parts = words(line);
        if (parts.empty()) {
            continue;
        }
        if (isKeyword(parts[0], "Host")) {
            applies = hostApplies(parts, host);
        } else if (isKeyword(parts[0], "Match")) {
            applies = false;
        } else if (applies && isKeyword(parts[0], "User") && parts.size() > 1) {
            return std::string(parts[1]);
        }
    }
    return std::string(localUser);
}

SystemUser systemUser() {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr) {
        return {};
    }
    return {found->pw_name != nullptr ? found->pw_name : "",
            found->pw_dir != nullptr ? found->pw_dir : ""};
}

} // namespace bildertafel::publish
