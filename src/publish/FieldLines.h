#pragma once

#include "core/HexCoding.h"

#include <charconv>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text files of publishing (the record on the server, the local checksum cache): a header
// line, then lines of tab-separated fields.
namespace bildertafel::publish::fieldlines {

// Names may hold any byte but "/" and NUL; the few that break a line of fields are escaped.
inline std::string escaped(std::string_view path) {
    return core::percentEncoded(
        path, [](unsigned char c) { return c == '%' || c == '\t' || c == '\n' || c == '\r'; });
}

inline std::optional<std::string> unescaped(std::string_view text) {
    return core::percentDecoded(text, core::PercentNul::Allowed);
}

inline std::vector<std::string_view> fieldsOf(std::string_view line) {
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

} // namespace bildertafel::publish::fieldlines
