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

// "Benutzer" left empty is whom ssh would log in as: the first User that applies to the host.
TEST(UserPlaces, TheUserSshWouldTake) {
    const char* config = "# meine Server\n"
                         "Host fotos *.example.de !intern.example.de\n"
                         "    User anna\n"
                         "Host intern.example.de\r\n"
                         "  User=bernd # am Empfang\r\n"
                         "Match host fotos\n"
                         "    User carla\n"
                         "Host *\n"
                         "    User dora\n"
                         "    User emil\n";
    const struct {
        const char* what;
        const char* config;
        const char* host;
        const char* user;
    } rows[] = {
        {"an alias", config, "fotos", "anna"},
        {"a pattern, letter case aside", config, "WWW.example.de", "anna"},
        {"a negated pattern, with = and CR LF", config, "intern.example.de", "bernd"},
        {"the first User of the catch-all", config, "anderswo.de", "dora"},
        {"no configuration: the local user", "", "fotos", "root"},
        {"before any Host: every host", "User frida\nHost fotos\n  User anna\n", "fotos", "frida"},
        {"a Host line without patterns", "Host\n  User gustav\n", "fotos", "root"},
        {"? for one character", "Host foto?\n  User hanna\n", "fotos", "hanna"},
        {"? is never none", "Host fotos?\n  User hanna\n", "fotos", "root"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(sshUserFor(row.config, row.host, "root"), row.user) << row.what;
    }
}

} // namespace
} // namespace bildertafel::publish
