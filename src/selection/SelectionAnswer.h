#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace bildertafel::selection {

// The lines the pages' "Auswahl senden" writes into its mail; the answer is read by them too.
inline constexpr std::string_view ListStart = "Meine Auswahl";
inline constexpr std::string_view ChooserStart = "Gewählt von:";
inline constexpr std::string_view AddressStart = "Auswahl wieder öffnen:";

// What a pasted answer of a visitor says, measured against the show's pictures.
struct SelectionAnswer {
    std::vector<std::size_t> chosen;  // positions in the show's names, in show order, each once
    std::vector<std::string> unknown; // names the answer holds and the show has not, printable,
                                      // each once, in the answer's order (the first MaxUnknown)
    std::size_t unknownCount = 0;     // all of them
    std::string chooser;              // the name the visitor gave, printable; empty: none
    bool fromAddress = false;         // the names came from the address that reopens the choice
};

inline constexpr std::size_t MaxUnknown = 100;

// PictureBase as the pages take it from a file name: what stands before its last dot.
std::string_view pictureBaseOf(std::string_view fileName);

// Reads the text a visitor sent, as it is pasted: a mail (quoted with "> ", forwarded, its lines
// wrapped), the address line alone, or a list of names one per line or separated by commas.
// The address, where the text holds one, is the answer; else the list below ListStart; else
// every line, or part of a line between commas, that names a picture. showNames: the show's
// pictures without extension, in show order. A name in the answer may carry an extension.
SelectionAnswer readSelectionAnswer(std::string_view pasted,
                                    const std::vector<std::string>& showNames);

} // namespace bildertafel::selection
