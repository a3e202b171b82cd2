#include "generator/WebText.h"

#include "core/HexCoding.h"

#include "textfile/Windows1252.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <iterator>

namespace bildertafel::generator {

namespace {

// Appends the attribute form of one character that needs it; returns false for any other.
bool appendAttributeReference(std::string& out, char c) {
    switch (c) {
    case '&':
        out += "&amp;";
        return true;
    case '"':
        out += "&quot;";
        return true;
    default:
        return false;
    }
}

} // namespace

void appendUrlAttribute(std::string& out, std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        // Outside printable ASCII every byte is escaped: the UTF-8 bytes of a character, or the
        // byte itself of a name that is no UTF-8. The value is then the same in every character
        // set a browser may read the page in.
        const bool escaped = byte < 0x20 || byte > 0x7E || c == '%' || c == '#' || c == '?';
        if (escaped) {
            core::appendPercentEscape(out, byte);
        } else if (!appendAttributeReference(out, c)) {
            out += c;
        }
    }
}

void appendAttribute(std::string& out, std::string_view text) {
    for (char c : text) {
        if (!appendAttributeReference(out, c)) {
            out += c;
        }
    }
}

void appendWords(std::string& out, std::string_view utf8, std::string_view lineBreak) {
    // Runs of plain ASCII go over as they are; only the characters between them are written one
    // by one.
    static constexpr auto Plain = [] {
        std::array<bool, 256> plain{};
        for (int byte = 0; byte < 0x80; ++byte) {
            plain[byte] = byte != '<' && byte != '>' && byte != '&' && byte != '"' && byte != '\n';
        }
        return plain;
    }();
    std::size_t plain = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (Plain[byte]) {
            continue;
        }
        out.append(utf8.substr(plain, i - plain));
        if (byte >= 0x80) {
            const std::size_t length = textfile::utf8CharacterLength(utf8, i);
            std::uint32_t code = 0xFFFD;
            if (length > 0) {
                code = byte & (0x7FU >> length);
                for (std::size_t k = 1; k < length; ++k) {
                    code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3FU);
                }
                i += length - 1;
            }
            char number[12];
            const auto written = std::to_chars(std::begin(number), std::end(number), code);
            out += "&#";
            out.append(number, written.ptr);
            out += ';';
        } else if (byte == '\n') {
            out += lineBreak;
        } else if (byte == '<') {
            out += "&lt;";
        } else if (byte == '>') {
            out += "&gt;";
        } else {
            appendAttributeReference(out, utf8[i]);
        }
        plain = i + 1;
    }
    out.append(utf8.substr(plain));
}

std::string webPathBelow(std::string_view showFolder, std::string_view folder) {
    std::string path(folder.substr(std::min(showFolder.size(), folder.size())));
    if (!path.empty()) {
        path.pop_back();
    }
    path += '/';
    return path;
}

std::string climbOut(std::string_view webPath) {
    std::string climb;
    for (auto levels = std::count(webPath.begin(), webPath.end(), '/'); levels > 0; --levels) {
        climb += "../";
    }
    return climb;
}

} // namespace bildertafel::generator
