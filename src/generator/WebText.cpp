#include "generator/WebText.h"

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
    for (char c : text) {
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
