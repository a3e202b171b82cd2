#pragma once

#include <string>
#include <string_view>

namespace bildertafel::fuzz {

// Reads the bytes as a configuration file onto the defaults and checks what must hold for any
// input: a refusal leaves the defaults untouched and names a line of the file; an accepted file
// gives values the window can show, and writing them gives a file that reads back the same.
// Returns a description of the first broken rule, or the empty text.
std::string checkConfigReader(std::string_view bytes);

} // namespace bildertafel::fuzz
