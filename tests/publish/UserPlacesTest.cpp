#include "publish/UserPlaces.h"

#include <gtest/gtest.h>

#include <map>

namespace bildertafel::publish {
namespace {

// The window's cache stays where its toolkit puts the user's cache; relative values and a
// missing home name nothing, so nothing is written relative to wherever the program started.
TEST(UserPlaces, TheEnvironmentBecomesThePublishOptions) {
    const std::vector<std::string> desktop = {
        "/run/user/1000/ssh-agent.socket", "/run/user/1000/openssh_agent", "/run/user/1000/gcr/ssh",
        "/run/user/1000/keyring/ssh"};
    const struct {
        const char* what;
        std::map<std::string, std::string> environment;
        const char* cache;
        const char* ssh;
        std::vector<std::string> agents;
    } rows[] = {
        {"a cache folder of its own",
         {{"HOME", "/home/anna"}, {"XDG_CACHE_HOME", "/var/cache/anna"}},
         "/var/cache/anna/bildertafel/publish",
         "/home/anna/.ssh",
         {}},
        {"the home's cache",
         {{"HOME", "/home/anna"}},
         "/home/anna/.cache/bildertafel/publish",
         "/home/anna/.ssh",
         {}},
        {"an empty cache folder",
         {{"HOME", "/home/anna"}, {"XDG_CACHE_HOME", ""}},
         "/home/anna/.cache/bildertafel/publish",
         "/home/anna/.ssh",
         {}},
        {"a relative cache folder",
         {{"HOME", "/home/anna"}, {"XDG_CACHE_HOME", "cache"}},
         "/home/anna/.cache/bildertafel/publish",
         "/home/anna/.ssh",
         {}},
        {"a home written untidily",
         {{"HOME", "/home//anna/"}},
         "/home/anna/.cache/bildertafel/publish",
         "/home//anna//.ssh",
         {}},
        {"no home", {}, "", "", {}},
        {"a relative home", {{"HOME", "anna"}}, "", "", {}},
        {"no home, a cache folder", {{"XDG_CACHE_HOME", "/c"}}, "/c/bildertafel/publish", "", {}},
        {"the program's agent",
         {{"SSH_AUTH_SOCK", "/tmp/ssh-x/agent.1"}},
         "",
         "",
         {"/tmp/ssh-x/agent.1"}},
        {"the desktop's agents", {{"XDG_RUNTIME_DIR", "/run/user/1000"}}, "", "", desktop},
        {"the program's first, then the desktop's",
         {{"SSH_AUTH_SOCK", "/a"}, {"XDG_RUNTIME_DIR", "/run/user/1000"}},
         "",
         "",
         {"/a", desktop[0], desktop[1], desktop[2], desktop[3]}},
        {"empty agent variables", {{"SSH_AUTH_SOCK", ""}, {"XDG_RUNTIME_DIR", ""}}, "", "", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const PublishOptions options =
            userPublishOptions([&](std::string_view name) -> std::optional<std::string> {
                const auto found = row.environment.find(std::string(name));
                return found == row.environment.end() ? std::nullopt : std::optional(found->second);
            });
        EXPECT_EQ(options.cacheFolder, row.cache);
        EXPECT_EQ(options.sshFolder, row.ssh);
        EXPECT_EQ(options.agentSockets, row.agents);
    }
}

} // namespace
} // namespace bildertafel::publish
