#include "batch/BatchHost.h"

namespace bildertafel::batch {

void BatchHost::showMessage(std::string_view text, std::string_view) {
    // A file name may hold a line break; the message still takes one line.
    std::string line(text);
    for (char& c : line) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    m_err << line << '\n' << std::flush;
}

std::string BatchHost::askText(std::string_view, std::string_view, std::string_view presetAnswer) {
    return m_name ? *m_name : std::string(presetAnswer);
}

} // namespace bildertafel::batch
