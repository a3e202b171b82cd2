#pragma once

#include <string_view>

namespace bildertafel::settings {

// The value of the number at the start of a text: blanks (space, tab, line feed) are skipped
// before and inside it; then an optional sign, digits, a decimal point (always a period) with
// digits, and an exponent (E, optional sign, digits). Reading stops at the first character that
// cannot continue the number. A text without a number at its start yields 0. An exponent beyond
// the range of a double yields an infinite value.
double LeadingNumber(std::string_view text);

// Rounds to the nearest whole number, a half to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double value);

} // namespace bildertafel::settings
