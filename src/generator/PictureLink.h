#pragma once

#include "textfile/TextFileWriter.h"

#include <initializer_list>
#include <string_view>

namespace bildertafel::generator {

// A picture that is itself a link: the cell of the start page and the picture of its own page.
// The href and src values are given as pieces already in attribute form (printable ASCII).
struct PictureLink {
    const std::string* anchorName = nullptr; // the cell's anchor (UTF-8, attribute form), or none
    std::initializer_list<std::string_view> href;
    // The picture in the large size, for the overlay of the start page; none when empty.
    std::initializer_list<std::string_view> large;
    bool newWindow = false;
    std::initializer_list<std::string_view> src;
    // The picture in the large size for the picture's own page, where a screen of high density
    // shows more than src has; none when empty.
    std::initializer_list<std::string_view> largeSrc;
    bool border = false;
    std::string_view alt; // already HTML
    // The picture's words (already HTML, printable ASCII), or empty: the alt text in place of
    // alt, and attributes of the link.
    std::string_view altWords;
    std::string_view linkData;
};

// Writes <a[ name][ href][ data-gross][ target][ data]><img src[ border] alt></a> as one piece
// of a write step; with largeSrc the image stands in a <picture> whose <source> offers it.
void writePictureLink(textfile::TextFileWriter& out, const PictureLink& link);

} // namespace bildertafel::generator
