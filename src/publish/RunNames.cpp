#include "publish/RunNames.h"

#include <unistd.h>

#include <cstdio>
#include <random>

namespace bildertafel::publish {

bool isRunName(std::string_view run) {
    return !run.empty() && run.size() <= 80 &&
           run.find_first_not_of(
               "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-") ==
               std::string_view::npos;
}

std::string newRunName() {
    char host[256] = {};
    std::string name;
    if (::gethostname(host, sizeof host - 1) == 0) {
        for (const char* c = host; *c != '\0' && *c != '.' && name.size() < 32; ++c) {
            const bool plain = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') ||
                               (*c >= '0' && *c <= '9') || *c == '-';
            name += plain ? *c : '-';
        }
    }
    std::random_device random;
    char part[9];
    std::snprintf(part, sizeof part, "%08x", static_cast<unsigned>(random()));
    return (name.empty() ? std::string("rechner") : name) + "-" + std::to_string(::getpid()) + "-" +
           part;
}

std::string temporaryName(std::string_view run, std::size_t number) {
    return ".bildertafel-" + std::string(run) + "-" + std::to_string(number) + ".part";
}

std::optional<std::string> runOfTemporaryName(std::string_view name) {
    constexpr std::string_view Prefix = ".bildertafel-";
    constexpr std::string_view Suffix = ".part";
    if (!name.starts_with(Prefix) || !name.ends_with(Suffix)) {
        return std::nullopt;
    }
    name = name.substr(Prefix.size(), name.size() - Prefix.size() - Suffix.size());
    const std::size_t dash = name.rfind('-');
    if (dash == std::string_view::npos || dash + 1 == name.size() ||
        name.find_first_not_of("0123456789", dash + 1) != std::string_view::npos ||
        !isRunName(name.substr(0, dash))) {
        return std::nullopt;
    }
    return std::string(name.substr(0, dash));
}

} // namespace bildertafel::publish
