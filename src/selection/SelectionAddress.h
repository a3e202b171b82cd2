#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace bildertafel::selection {

// The pictures a visitor has chosen, as the show's pages carry them in their address after
// "#auswahl=": the names in show order, each without its extension. A name's bytes outside
// A-Z a-z 0-9 - _ . are written as %XX; each entry starts with one base-36 digit, the count of
// leading characters it shares with the entry before (at most 35), followed by the rest; the
// entries are separated by "," and the whole ends with "!". Camera names like IMG_1234 take
// about three characters each.
inline constexpr std::string_view AddressMark = "#auswahl=";

// The text after AddressMark for the names, in the order given.
std::string encodeSelection(const std::vector<std::string>& names);

// True for the characters an encoded selection is made of, its final "!" aside.
bool isSelectionCharacter(char c);

// The names of an encoded selection (what follows AddressMark, up to "!" or the first character
// that cannot belong to it). Entries that do not decode are left out and counted in broken.
std::vector<std::string> decodeSelection(std::string_view encoded, std::size_t* broken = nullptr);

} // namespace bildertafel::selection
