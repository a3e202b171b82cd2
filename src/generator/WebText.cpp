#include "generator/WebText.h"

#include "textfile/Windows1252.h"

#include <algorithm>

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
    static constexpr char Hex[] = "0123456789ABCDEF";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        // Outside printable ASCII every byte is escaped: the UTF-8 bytes of a character, or the
        // byte itself of a name that is no UTF-8. The value is then the same in every character
        // set a browser may read the page in.
        const bool escaped = byte < 0x20 || byte > 0x7E || c == '%' || c == '#' || c == '?';
        if (escaped) {
            out += '%';
            out += Hex[byte >> 4];
            out += Hex[byte & 0x0F];
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
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (static_cast<unsigned char>(c) >= 0x80) {
            const std::size_t length = textfile::utf8CharacterLength(utf8, i);
            char32_t code = 0xFFFD;
            if (length > 0) {
                code = static_cast<unsigned char>(c) & (0x7F >> length);
                for (std::size_t k = 1; k < length; ++k) {
                    code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
                }
                i += length - 1;
            }
            out += "&#";
            out += std::to_string(static_cast<unsigned long>(code));
            out += ';';
            continue;
        }
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '\n':
            out += lineBreak;
            break;
        default:
            if (!appendAttributeReference(out, c)) {
                out += c;
            }
        }
    }
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
