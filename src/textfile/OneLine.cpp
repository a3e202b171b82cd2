#include "textfile/OneLine.h"

namespace bildertafel::textfile {

std::string onOneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return line;
}

} // namespace bildertafel::textfile
