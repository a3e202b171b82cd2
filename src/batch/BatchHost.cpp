#include "batch/BatchHost.h"

namespace bildertafel::batch {

namespace {

// A file name may hold a line break; a message still takes one line.
std::string oneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return line;
}

} // namespace

void BatchHost::showMessage(std::string_view text, std::string_view) {
    m_err << oneLine(text) << '\n' << std::flush;
}

void BatchHost::reportMissingLinks(const std::vector<generator::MissingLink>& links) {
    for (const generator::MissingLink& link : links) {
        m_err << "Warnung: " << oneLine(link.page) << ": " << oneLine(link.file) << '\n';
    }
    m_err << links.size() << (links.size() == 1 ? " Verweis führt" : " Verweise führen")
          << " ins Leere.\n"
          << std::flush;
    m_missingLinks += links.size();
}

std::string BatchHost::askText(std::string_view, std::string_view, std::string_view presetAnswer) {
    return m_name ? *m_name : std::string(presetAnswer);
}

} // namespace bildertafel::batch
