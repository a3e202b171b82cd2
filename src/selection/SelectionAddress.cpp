#include "selection/SelectionAddress.h"

#include "core/HexCoding.h"

#include <algorithm>

namespace bildertafel::selection {

namespace {

constexpr std::size_t LongestShared = 35;
constexpr std::string_view Digits = "0123456789abcdefghijklmnopqrstuvwxyz";

bool isPlainCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

std::string encodedName(std::string_view name) {
    return core::percentEncoded(
        name, [](unsigned char byte) { return !isPlainCharacter(static_cast<char>(byte)); });
}

} // namespace

std::string encodeSelection(const std::vector<std::string>& names) {
    std::string out;
    std::string previous;
    for (const std::string& name : names) {
        const std::string encoded = encodedName(name);
        const std::size_t limit = std::min({previous.size(), encoded.size(), LongestShared});
        std::size_t shared = 0;
        while (shared < limit && previous[shared] == encoded[shared]) {
            ++shared;
        }
        if (!out.empty()) {
            out += ',';
        }
        out += Digits[shared];
        out.append(encoded, shared);
        previous = encoded;
    }
    return out + '!';
}

bool isSelectionCharacter(char c) {
    return isPlainCharacter(c) || c == '%' || c == ',';
}

std::vector<std::string> decodeSelection(std::string_view encoded, std::size_t* broken) {
    const auto end = std::find_if_not(encoded.begin(), encoded.end(), isSelectionCharacter);
    encoded = encoded.substr(0, static_cast<std::size_t>(end - encoded.begin()));
    std::vector<std::string> names;
    std::size_t brokenEntries = 0;
    std::string previous; // encoded, as the next entry builds on it
    while (!encoded.empty()) {
        const std::size_t comma = encoded.find(',');
        const std::string_view entry = encoded.substr(0, comma);
        encoded = comma == std::string_view::npos ? std::string_view() : encoded.substr(comma + 1);
        const std::size_t shared = entry.empty() ? std::string_view::npos : Digits.find(entry[0]);
        if (shared == std::string_view::npos || shared > previous.size()) {
            brokenEntries += entry.empty() ? 0 : 1;
            continue;
        }
        std::string whole = previous.substr(0, shared);
        whole.append(entry.substr(1));
        std::optional<std::string> name = core::percentDecoded(whole, core::PercentNul::Refused);
        if (!name || name->empty()) {
            ++brokenEntries;
            continue;
        }
        previous = std::move(whole);
        names.push_back(std::move(*name));
    }
    if (broken != nullptr) {
        *broken = brokenEntries;
    }
    return names;
}

} // namespace bildertafel::selection
