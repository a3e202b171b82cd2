#include "batch/BatchHost.h"

#include "textfile/OneLine.h"

namespace bildertafel::batch {

// A file name may hold a line break; a message still takes one line.
using textfile::onOneLine;

void BatchHost::showMessage(std::string_view text, std::string_view) {
    m_err << onOneLine(text) << '\n' << std::flush;
}

void BatchHost::reportMissingLinks(const std::vector<links::MissingLink>& links) {
    for (const links::MissingLink& link : links) {
        m_err << "Warnung: " << onOneLine(link.page) << ": " << onOneLine(link.file) << '\n';
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
