#include "generator/PictureLink.h"

namespace bildertafel::generator {

void writePictureLink(textfile::TextFileWriter& out, const PictureLink& link) {
    if (link.anchorName != nullptr) {
        out.writeBytes("<a name=\"");
        out.write(*link.anchorName);
        out.writeBytes("\" href=\"");
    } else {
        out.writeBytes("<a href=\"");
    }
    for (const std::string_view piece : link.href) {
        out.writeBytes(piece);
    }
    if (link.large.size() != 0) {
        out.writeBytes("\" data-gross=\"");
        for (const std::string_view piece : link.large) {
            out.writeBytes(piece);
        }
    }
    if (link.linkData.empty()) {
        out.writeBytes(link.newWindow ? "\" target=\"_blank\"><img src=\"" : "\"><img src=\"");
    } else {
        out.writeBytes(link.newWindow ? "\" target=\"_blank\"" : "\"");
        out.writeBytes(link.linkData);
        out.writeBytes("><img src=\"");
    }
    for (const std::string_view piece : link.src) {
        out.writeBytes(piece);
    }
    out.writeBytes(link.border ? "\" border=\"1\" alt=\"" : "\" alt=\"");
    if (link.altWords.empty()) {
        out.writeBytes(link.alt);
    } else {
        out.writeBytes(link.altWords);
    }
    out.writeBytes("\"></a>");
}

} // namespace bildertafel::generator
