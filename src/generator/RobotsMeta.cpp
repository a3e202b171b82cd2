#include "generator/RobotsMeta.h"

#include <cctype>
#include <string>

namespace bildertafel::generator {

namespace {

// Just after the ">" of the first <head> tag (any case, with or without attributes); npos when
// there is none.
std::size_t afterHeadTag(std::string_view text) {
    for (std::size_t at = text.find('<'); at != std::string_view::npos;
         at = text.find('<', at + 1)) {
        if (text.size() - at < 6) {
            break;
        }
        std::string name(text.substr(at + 1, 4));
        for (char& c : name) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        const char next = text[at + 5];
        if (name == "head" && (next == '>' || std::isspace(static_cast<unsigned char>(next)))) {
            const std::size_t close = text.find('>', at);
            return close == std::string_view::npos ? close : close + 1;
        }
    }
    return std::string_view::npos;
}

} // namespace

bool hasHeadTag(std::string_view headTemplate) {
    return afterHeadTag(headTemplate) != std::string_view::npos;
}

void writeWithRobotsMeta(textfile::TextFileWriter& out, std::string_view headTemplate) {
    const std::size_t place = afterHeadTag(headTemplate);
    if (place == std::string_view::npos) {
        out.writeBytes(RobotsMeta);
        out.endLine();
        out.write(headTemplate);
        return;
    }
    out.write(headTemplate.substr(0, place));
    out.writeBytes(RobotsMeta);
    out.write(headTemplate.substr(place));
}

} // namespace bildertafel::generator
