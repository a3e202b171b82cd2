#include "publish/S3Settings.h"

#include "core/AsciiText.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace bildertafel::publish {

namespace {

// Files of keys are small; one larger is no such file.
constexpr std::streamsize IniLimit = std::streamsize{1024} * 1024;

std::string_view trimmed(std::string_view text) {
    return core::trimmed(text, " \t\r");
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text(static_cast<std::size_t>(IniLimit) + 1, '\0');
    in.read(text.data(), IniLimit + 1);
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text.size() > static_cast<std::size_t>(IniLimit) ? std::string() : text;
}

std::string valueOf(const EnvironmentLookup& environment, std::string_view name) {
    return environment(name).value_or("");
}

// The value of key in the profile's section; empty when none.
std::string inProfile(const IniSections& sections, const std::string& section,
                      const std::string& key) {
    const auto found = sections.find(section);
    if (found == sections.end()) {
        return {};
    }
    const auto value = found->second.find(key);
    return value == found->second.end() ? std::string() : value->second;
}

void fillIfEmpty(std::string& into, std::initializer_list<std::string> candidates) {
    for (const std::string& candidate : candidates) {
        if (!into.empty()) {
            return;
        }
        into = candidate;
    }
}

} // namespace

IniSections iniSections(std::string_view text) {
    IniSections sections;
    std::string section;
    std::string block; // the key of an indented block ("s3"), while inside it
    std::istringstream lines{std::string(text)};
    std::string raw;
    while (std::getline(lines, raw)) {
        const std::string_view line = trimmed(raw);
        if (line.empty() || line.starts_with('#') || line.starts_with(';')) {
            continue;
        }
        if (line.starts_with('[') && line.ends_with(']')) {
            section = trimmed(line.substr(1, line.size() - 2));
            block.clear();
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || section.empty()) {
            continue;
        }
        const std::string key(trimmed(line.substr(0, equals)));
        const std::string value(trimmed(line.substr(equals + 1)));
        const bool indented = raw.starts_with(' ') || raw.starts_with('\t');
        if (indented && !block.empty()) {
            sections[section][block + "." + key] = value;
            continue;
        }
        block = value.empty() ? key : std::string();
        sections[section][key] = value;
    }
    return sections;
}

void fillS3Access(S3Access& s3, const EnvironmentLookup& environment) {
    const std::string home = valueOf(environment, "HOME");
    const auto fileOf = [&](std::string_view variable, const char* name) {
        std::string given = valueOf(environment, variable);
        if (!given.empty()) {
            return given;
        }
        return home.starts_with('/') ? home + "/.aws/" + name : std::string();
    };
    std::string profile = valueOf(environment, "AWS_PROFILE");
    if (profile.empty()) {
        profile = "default";
    }
    const IniSections credentials =
        iniSections(fileText(fileOf("AWS_SHARED_CREDENTIALS_FILE", "credentials")));
    const IniSections config = iniSections(fileText(fileOf("AWS_CONFIG_FILE", "config")));
    const std::string configSection = profile == "default" ? profile : "profile " + profile;
    const auto configured = [&](const std::string& key) {
        return inProfile(config, configSection, key);
    };

    // The keys found, in the order they count: the environment's, the credentials file's, the
    // config file's.
    struct Keys {
        std::string key, secret, token;
    };
    std::vector<Keys> found{{valueOf(environment, "AWS_ACCESS_KEY_ID"),
                             valueOf(environment, "AWS_SECRET_ACCESS_KEY"),
                             valueOf(environment, "AWS_SESSION_TOKEN")}};
    for (const auto& [sections, section] :
         {std::pair{&credentials, profile}, std::pair{&config, configSection}}) {
        found.push_back({inProfile(*sections, section, "aws_access_key_id"),
                         inProfile(*sections, section, "aws_secret_access_key"),
                         inProfile(*sections, section, "aws_session_token")});
    }
    // An access key given without its secret takes the secret that belongs to that key.
    if (s3.secretKey.empty()) {
        for (const Keys& keys : found) {
            if (!keys.key.empty() && !keys.secret.empty() &&
                (s3.accessKey.empty() || s3.accessKey == keys.key)) {
                s3.accessKey = keys.key;
                s3.secretKey = keys.secret;
                s3.sessionToken = keys.token;
                break;
            }
        }
    }
    fillIfEmpty(s3.region, {valueOf(environment, "AWS_REGION"),
                            valueOf(environment, "AWS_DEFAULT_REGION"), configured("region")});
    fillIfEmpty(s3.endpoint, {valueOf(environment, "AWS_ENDPOINT_URL_S3"),
                              valueOf(environment, "AWS_ENDPOINT_URL"),
                              configured("s3.endpoint_url"), configured("endpoint_url")});
    if (s3.addressing == S3Addressing::Auto) {
        const std::string style = configured("s3.addressing_style");
        s3.addressing = style == "path"      ? S3Addressing::Path
                        : style == "virtual" ? S3Addressing::Virtual
                                             : S3Addressing::Auto;
    }
}

} // namespace bildertafel::publish
