#pragma once

#include <string>
#include <string_view>

namespace bildertafel::textfile {

// The text on one line: every CR and LF becomes a blank, so that a name holding a line break
// neither ends a line of a file early nor splits a message in two.
std::string onOneLine(std::string_view text);

} // namespace bildertafel::textfile
