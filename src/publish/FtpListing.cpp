#include "publish/FtpListing.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <string>

namespace bildertafel::publish {

namespace {

// Calls line() with each line of the text, without its line end ("\n" or "\r\n").
template <typename Line>
void eachLine(std::string_view text, Line&& line) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end;
        std::string_view one = text.substr(start, end - start);
        if (one.ends_with('\r')) {
            one.remove_suffix(1);
        }
        line(one);
        start = end + 1;
    }
}

} // namespace

std::int64_t secondsOfStamp(std::string_view stamp) {
    if (stamp.size() < 14 ||
        stamp.substr(0, 14).find_first_not_of("0123456789") != std::string_view::npos) {
        return -1;
    }
    const auto number = [&](std::size_t at, std::size_t length) {
        return std::stoi(std::string(stamp.substr(at, length)));
    };
    std::tm time{};
    time.tm_year = number(0, 4) - 1900;
    time.tm_mon = number(4, 2) - 1;
    time.tm_mday = number(6, 2);
    time.tm_hour = number(8, 2);
    time.tm_min = number(10, 2);
    time.tm_sec = number(12, 2);
    return static_cast<std::int64_t>(::timegm(&time));
}

std::string mdtmStamp(std::string_view replies) {
    std::string stamp;
    eachLine(replies, [&](std::string_view line) {
        if (line.starts_with("213 ")) {
            const std::string_view told = line.substr(4);
            const bool time = told.size() >= 14 && told.size() <= 24 &&
                              told.find_first_not_of("0123456789.") == std::string_view::npos &&
                              secondsOfStamp(told) >= 0;
            stamp = time ? std::string(told) : std::string();
        }
    });
    return stamp;
}

long lastReplyCode(std::string_view replies) {
    long code = 0;
    eachLine(replies, [&](std::string_view line) {
        if (line.size() >= 4 && line[3] == ' ' &&
            line.substr(0, 3).find_first_not_of("0123456789") == std::string_view::npos) {
            code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
        }
    });
    return code;
}

std::optional<RemoteEntry> machineListed(std::string_view line) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) {
        return std::nullopt;
    }
    RemoteEntry entry;
    entry.name = line.substr(blank + 1);
    std::string_view facts = line.substr(0, blank);
    while (!facts.empty()) {
        const std::size_t end = facts.find(';');
        const std::string_view fact = facts.substr(0, end);
        facts = end == std::string_view::npos ? std::string_view() : facts.substr(end + 1);
        const std::size_t equals = fact.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        std::string key;
        for (const char c : fact.substr(0, equals)) {
            key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        const std::string_view value = fact.substr(equals + 1);
        if (key == "type") {
            if (value == "cdir" || value == "pdir") {
                return std::nullopt;
            }
            entry.folder = value == "dir";
            // "OS.unix=slink:/ziel" and the like: a symbolic link.
            entry.link = value.size() > 8 && value.substr(0, 8) == "OS.unix=" &&
                         value.substr(8).starts_with("s");
        } else if (key == "size") {
            entry.size = std::strtoull(std::string(value).c_str(), nullptr, 10);
        } else if (key == "modify") {
            entry.stamp = value;
            entry.modified = secondsOfStamp(value);
        }
    }
    return entry;
}

std::optional<RemoteEntry> longListed(std::string_view line) {
    std::size_t at = 0;
    std::string_view fields[8];
    for (std::string_view& field : fields) {
        while (at < line.size() && line[at] == ' ') {
            ++at;
        }
        const std::size_t end = std::min(line.find(' ', at), line.size());
        field = line.substr(at, end - at);
        at = end;
    }
    if (at >= line.size() || fields[0].empty()) {
        return std::nullopt;
    }
    RemoteEntry entry;
    entry.name = line.substr(at + 1);
    entry.folder = fields[0].front() == 'd';
    entry.size = std::strtoull(std::string(fields[4]).c_str(), nullptr, 10);
    entry.stamp =
        std::string(fields[5]) + ' ' + std::string(fields[6]) + ' ' + std::string(fields[7]);
    if (entry.name == "." || entry.name == "..") {
        return std::nullopt;
    }
    if (fields[0].front() == 'l') {
        entry.link = true; // "name -> target"
        entry.name = entry.name.substr(0, entry.name.find(" -> "));
    }
    return entry;
}

std::vector<RemoteEntry> listedEntries(std::string_view text, bool machine) {
    std::vector<RemoteEntry> entries;
    eachLine(text, [&](std::string_view line) {
        if (auto entry = machine ? machineListed(line) : longListed(line)) {
            entries.push_back(std::move(*entry));
        }
    });
    return entries;
}

} // namespace bildertafel::publish
