#include "generator/PictureLink.h"

#include <string>

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
    const bool largeSrc = link.largeSrc.size() != 0;
    if (link.linkData.empty() && !largeSrc) {
        out.writeBytes(link.newWindow ? "\" target=\"_blank\"><img src=\"" : "\"><img src=\"");
    } else {
        out.writeBytes(link.newWindow ? "\" target=\"_blank\"" : "\"");
        out.writeBytes(link.linkData);
        out.writeBytes(">");
        if (largeSrc) {
            // A screen of at least 1.5 times the density that shows the picture larger than
            // 800 × 500 takes the large one; its 1.6x (2560 to 1600 pixels) keeps its size on
            // the page that of the web-size picture. Phones keep the web-size picture.
            out.writeBytes("<picture><source media=\"(min-resolution: 1.5dppx) and (min-width: "
                           "800px) and (min-height: 500px)\" srcset=\"");
            // In a srcset a blank ends the address and a comma may: both go escaped.
            std::string address;
            for (const std::string_view piece : link.largeSrc) {
                for (const char c : piece) {
                    address += c == ' ' ? "%20" : c == ',' ? "%2C" : std::string_view(&c, 1);
                }
            }
            out.writeBytes(address);
            out.writeBytes(" 1.6x\">");
        }
        out.writeBytes("<img src=\"");
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
    out.writeBytes(largeSrc ? "\"></picture></a>" : "\"></a>");
}

} // namespace bildertafel::generator
