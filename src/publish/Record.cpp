#include "publish/Record.h"

#include "publish/PublishSet.h"

#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

namespace bildertafel::publish {

namespace {

constexpr std::string_view RecordHeader = "Bildertafel-Veroeffentlichung 2";
constexpr std::string_view OldRecordHeader = "Bildertafel-Veroeffentlichung 1";
constexpr std::string_view RunField = "Lauf";
constexpr std::string_view CacheHeader = "Bildertafel-Pruefsummen 1";

// Names may hold any byte but "/" and NUL; the few that break a line of fields are escaped.
std::string escaped(std::string_view path) {
    std::string text;
    for (const char c : path) {
        if (c == '%' || c == '\t' || c == '\n' || c == '\r') {
            static constexpr char Hex[] = "0123456789ABCDEF";
            text += '%';
            text += Hex[static_cast<unsigned char>(c) >> 4];
            text += Hex[static_cast<unsigned char>(c) & 15];
        } else {
            text += c;
        }
    }
    return text;
}

std::optional<std::string> unescaped(std::string_view text) {
    std::string path;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            path += text[i];
            continue;
        }
        unsigned value = 0;
        if (i + 2 >= text.size() ||
            std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16).ptr !=
                text.data() + i + 3) {
            return std::nullopt;
        }
        path += static_cast<char>(value);
        i += 2;
    }
    return path;
}

std::vector<std::string_view> fieldsOf(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

// A record read from a server names nothing outside the target folder.
bool isBelowFolder(std::string_view path) {
    if (path.empty() || path.starts_with('/') || path.find('\0') != std::string_view::npos) {
        return false;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = path.find('/', start);
        const std::string_view part = path.substr(start, slash - start);
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
        if (slash == std::string_view::npos) {
            return true;
        }
        start = slash + 1;
    }
}

template <typename Number>
bool numberOf(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// Calls take(header, fields) for each line after the header; false when the header is none of
// headers, or when a line is refused and whole is asked for.
template <typename Take>
bool eachLine(std::string_view text, std::initializer_list<std::string_view> headers, bool whole,
              Take take) {
    std::size_t start = 0;
    std::optional<std::string_view> header;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end;
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!header) {
            for (const std::string_view known : headers) {
                header = line == known ? std::optional(known) : header;
            }
            if (!header) {
                return false;
            }
        } else if (!line.empty() && !take(*header, fieldsOf(line)) && whole) {
            return false;
        }
    }
    return header.has_value();
}

bool isHash(std::string_view text) {
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

bool isRunName(std::string_view run) {
    return !run.empty() && run.size() <= 80 &&
           run.find_first_not_of(
               "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-") ==
               std::string_view::npos;
}

} // namespace

std::string recordText(const Record& record) {
    std::string text(RecordHeader);
    text += '\n';
    for (const std::string& run : record.runs) {
        text += std::string(RunField) + '\t' + run + '\n';
    }
    for (const auto& [path, entry] : record.files) {
        text += entry.hash.empty() ? "-" : entry.hash;
        text += '\t';
        text += std::to_string(entry.size);
        text += '\t';
        text += entry.stamp.empty() ? "-" : escaped(entry.stamp);
        text += '\t';
        text += entry.modified < 0 ? "-" : std::to_string(entry.modified);
        text += '\t';
        text += escaped(path);
        text += '\n';
    }
    return text;
}

std::optional<Record> parseRecord(std::string_view text) {
    Record record;
    const bool known = eachLine(
        text, {RecordHeader, OldRecordHeader}, false,
        [&](std::string_view header, const std::vector<std::string_view>& f) {
            if (f.size() == 2 && f[0] == RunField) {
                return isRunName(f[1]) && record.runs.emplace(f[1]).second;
            }
            // The first version had no modification time.
            const bool old = header == OldRecordHeader;
            RecordEntry entry;
            if (f.size() != (old ? 4U : 5U) || !numberOf(f[1], entry.size) ||
                (f[0] != "-" && !isHash(f[0])) ||
                (!old && f[3] != "-" && (!numberOf(f[3], entry.modified) || entry.modified < 0))) {
                return false;
            }
            const auto stamp = unescaped(f[2]);
            const auto path = unescaped(f.back());
            if (!stamp || !path || !isBelowFolder(*path) || !neverSentReason(*path).empty()) {
                return false;
            }
            entry.hash = f[0] == "-" ? "" : std::string(f[0]);
            entry.stamp = *stamp == "-" ? "" : *stamp;
            return record.files.emplace(*path, std::move(entry)).second;
        });
    return known ? std::optional(std::move(record)) : std::nullopt;
}

HashCache loadHashCache(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    HashCache cache;
    const bool whole =
        eachLine(text.str(), {CacheHeader}, true,
                 [&](std::string_view, const std::vector<std::string_view>& f) {
                     CachedHash entry;
                     const auto path = f.size() == 4 ? unescaped(f[3]) : std::nullopt;
                     if (!path || !numberOf(f[0], entry.size) || !numberOf(f[1], entry.modified)) {
                         return false;
                     }
                     entry.hash = f[2];
                     cache[*path] = std::move(entry);
                     return true;
                 });
    return whole ? cache : HashCache();
}

void saveHashCache(const std::string& file, const HashCache& cache) {
    std::string text(CacheHeader);
    text += '\n';
    for (const auto& [path, entry] : cache) {
        text += std::to_string(entry.size) + '\t' + std::to_string(entry.modified) + '\t' +
                entry.hash + '\t' + escaped(path) + '\n';
    }
    // A cache is a help only: when it cannot be written, the next run reads the files again.
    const std::string temporary = file + ".neu";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            std::remove(temporary.c_str());
            return;
        }
    }
    std::rename(temporary.c_str(), file.c_str());
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
