#pragma once

#include <cctype>
#include <string_view>

namespace bildertafel::core {

// Whether text begins with prefix, letters compared without case; prefix is in lower case
// ("href", "sftp://").
inline bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) {
            return false;
        }
    }
    return true;
}

// text without the blanks (the characters of blanks) at its start and end.
inline std::string_view trimmed(std::string_view text, std::string_view blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

} // namespace bildertafel::core
