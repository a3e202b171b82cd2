#pragma once

#include "textfile/TextFileWriter.h"

#include <string>
#include <string_view>

namespace bildertafel::generator {

// A show whose visitors may choose pictures: the address their answer goes to and a note to
// them, both UTF-8.
struct SelectionChoice {
    std::string mailAddress;
    std::string note;

    bool operator==(const SelectionChoice&) const = default;
};

// The block of the template sets' shared sources that lets visitors choose (the hearts, the
// counter, the list and its sending), printable ASCII with "\n" after each line.
std::string_view selectionBlockText();

// Writes the block below the table of previews, inside an element that carries the address and
// the note for its script; each line ends with CR LF.
void writeSelectionBlock(textfile::TextFileWriter& out, const SelectionChoice& choice);

} // namespace bildertafel::generator
