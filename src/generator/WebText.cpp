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
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (static_cast<unsigned char>(c) >= 0x80) {
            // A byte that is not part of a UTF-8 character is kept as the byte itself, so the
            // link still names the file on the server.
            const std::size_t length = textfile::utf8CharacterLength(text, i);
            if (length == 0) {
                static constexpr char Hex[] = "0123456789ABCDEF";
                const auto byte = static_cast<unsigned char>(c);
                out += '%';
                out += Hex[byte >> 4];
                out += Hex[byte & 0x0F];
            } else {
                out.append(text.substr(i, length));
                i += length - 1;
            }
            continue;
        }
        switch (c) {
        case '%':
            out += "%25";
            break;
        case '#':
            out += "%23";
            break;
        case '?':
            out += "%3F";
            break;
        default:
            if (!appendAttributeReference(out, c)) {
                out += c;
            }
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
