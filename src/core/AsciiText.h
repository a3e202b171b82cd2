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

} // namespace bildertafel::core
