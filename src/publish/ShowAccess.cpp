#include "publish/ShowAccess.h"

#include <crypt.h>
#include <sys/random.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace bildertafel::publish {

namespace {

bool hasControl(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            return true;
        }
    }
    return false;
}

// The next day's "YYYYMMDD000000", the first moment the show is no longer visible.
std::string endMoment(const Day& last) {
    using namespace std::chrono;
    const year_month_day next{sys_days{year{last.year} / last.month / last.day} + days{1}};
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02u%02u000000", static_cast<int>(next.year()),
                  static_cast<unsigned>(next.month()), static_cast<unsigned>(next.day()));
    return text;
}

// A uniformly drawn number below bound from the system's random source.
std::size_t randomBelow(std::size_t bound) {
    const std::uint32_t limit = UINT32_MAX - UINT32_MAX % static_cast<std::uint32_t>(bound);
    for (;;) {
        std::uint32_t value = 0;
        const ssize_t got = ::getrandom(&value, sizeof value, 0);
        if (got == static_cast<ssize_t>(sizeof value)) {
            if (value < limit) {
                return value % bound;
            }
        } else if (got < 0 && errno != EINTR) {
            throw std::runtime_error("no random source");
        }
    }
}

} // namespace

std::optional<Day> parseDay(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    Day day;
    const auto number = [&](std::size_t from, std::size_t length, int& value) {
        const char* first = text.data() + from;
        const auto [end, error] = std::from_chars(first, first + length, value);
        return error == std::errc() && end == first + length;
    };
    if (!number(0, 4, day.year) || !number(5, 2, day.month) || !number(8, 2, day.day)) {
        return std::nullopt;
    }
    const std::chrono::year_month_day date{std::chrono::year{day.year},
                                           std::chrono::month{static_cast<unsigned>(day.month)},
                                           std::chrono::day{static_cast<unsigned>(day.day)}};
    if (!date.ok() || day.year < 1970) {
        return std::nullopt;
    }
    return day;
}

std::string dayText(const Day& day) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", day.year, day.month, day.day);
    return text;
}

bool isUsableServerPath(std::string_view path) {
    return path.starts_with('/') && path.find_first_of("\"\\") == std::string_view::npos &&
           !hasControl(path);
}

bool isWebAddress(std::string_view address) {
    std::string_view rest;
    if (address.starts_with("https://")) {
        rest = address.substr(8);
    } else if (address.starts_with("http://")) {
        rest = address.substr(7);
    } else {
        return false;
    }
    return !rest.empty() && rest.front() != '/' && rest.find(' ') == std::string_view::npos &&
           !hasControl(address);
}

AccessProblem accessProblem(const ShowAccess& access) {
    if (!access.webAddress.empty() && !isWebAddress(access.webAddress)) {
        return AccessProblem::WebAddressInvalid;
    }
    if (!access.serverPath.empty() && !isUsableServerPath(access.serverPath)) {
        return AccessProblem::ServerPathInvalid;
    }
    if (!access.protect) {
        return AccessProblem::None;
    }
    if (access.user.empty() || access.user.size() > 255 ||
        access.user.find(':') != std::string::npos || hasControl(access.user)) {
        return AccessProblem::UserInvalid;
    }
    if (access.password.empty()) {
        return AccessProblem::PasswordMissing;
    }
    if (access.password.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
        return AccessProblem::PasswordInvalid;
    }
    if (access.password.size() > 72) {
        return AccessProblem::PasswordTooLong;
    }
    return AccessProblem::None;
}

bool isOwnServerFile(std::string_view content) {
    if (!content.starts_with(OwnFirstLine)) {
        return false;
    }
    const std::string_view after = content.substr(OwnFirstLine.size());
    return after.starts_with("\n") || after.starts_with("\r\n");
}

bool isProtectingAccessFile(std::string_view content) {
    return isOwnServerFile(content) &&
           content.find("\nRequire valid-user\n") != std::string_view::npos;
}

std::string accessFileText(const ShowAccess& access, const std::string& passwordFile) {
    std::string text(OwnFirstLine);
    text += "\n";
    // The pages are Windows-1252: a server's own default (often UTF-8) would garble them.
    text += "<IfModule mod_mime.c>\n"
            "AddCharset windows-1252 .html\n"
            "</IfModule>\n";
    if (access.protect) {
        text += "AuthType Basic\n"
                "AuthName \"Fotoshow\"\n"
                "AuthUserFile \"" +
                passwordFile +
                "\"\n"
                "Require valid-user\n"
                "<Files \".ht*\">\n"
                "Require all denied\n"
                "</Files>\n";
    }
    if (access.visibleUntil) {
        // An expression of the server's core: no module needed, and it refuses (403) even a
        // visitor who knows the password.
        text += "<If \"%{TIME} >= '" + endMoment(*access.visibleUntil) +
                "'\">\n"
                "Require all denied\n"
                "</If>\n";
    }
    if (access.protect || access.noindex) {
        text += "<IfModule mod_headers.c>\n"
                "Header set X-Robots-Tag \"noindex, noimageindex\"\n"
                "</IfModule>\n";
    }
    return text;
}

std::optional<std::string> passwordFileText(const std::string& user, const std::string& password) {
    std::array<char, CRYPT_GENSALT_OUTPUT_SIZE> salt{};
    if (::crypt_gensalt_rn("$2y$", 10, nullptr, 0, salt.data(), static_cast<int>(salt.size())) ==
        nullptr) {
        return std::nullopt;
    }
    const auto data = std::make_unique<crypt_data>();
    std::memset(data.get(), 0, sizeof(crypt_data));
    const char* hashed = ::crypt_r(password.c_str(), salt.data(), data.get());
    if (hashed == nullptr || std::string_view(hashed).substr(0, 7) != "$2y$10$") {
        return std::nullopt;
    }
    std::string text(OwnFirstLine);
    text += "\n" + user + ":" + hashed + "\n";
    // The password's copy in the hashing's memory is not left behind.
    explicit_bzero(data.get(), sizeof(crypt_data));
    return text;
}

bool passwordFileFits(std::string_view content, const std::string& user,
                      const std::string& password) {
    if (!isOwnServerFile(content)) {
        return false;
    }
    std::string_view line = content.substr(content.find('\n') + 1);
    if (!line.ends_with('\n') || line.find('\n') != line.size() - 1) {
        return false;
    }
    line.remove_suffix(1);
    const std::string prefix = user + ":";
    if (!line.starts_with(prefix)) {
        return false;
    }
    const std::string hash(line.substr(prefix.size()));
    // "$2y$10$" and 53 characters: the cost in two digits.
    if (hash.size() != 60 || !hash.starts_with("$2y$") || hash[6] != '$' ||
        hash.substr(4, 2) < "10") {
        return false;
    }
    const auto data = std::make_unique<crypt_data>();
    std::memset(data.get(), 0, sizeof(crypt_data));
    const char* again = ::crypt_r(password.c_str(), hash.c_str(), data.get());
    const bool fits = again != nullptr && hash == again;
    explicit_bzero(data.get(), sizeof(crypt_data));
    return fits;
}

std::string suggestedPassword() {
    // No letters that are mistaken for each other when read out or written down (c/k, y, j, l).
    constexpr std::string_view Consonants = "bdfgkmnprstvz";
    constexpr std::string_view Vowels = "aeiou";
    std::string password;
    for (int group = 0; group < 4; ++group) {
        if (group > 0) {
            password += '-';
        }
        for (int syllable = 0; syllable < 2; ++syllable) {
            password += Consonants[randomBelow(Consonants.size())];
            password += Vowels[randomBelow(Vowels.size())];
        }
    }
    return password;
}

} // namespace bildertafel::publish
