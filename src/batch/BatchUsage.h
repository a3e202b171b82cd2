#pragma once

#include <string_view>

namespace bildertafel::batch {

// The German help text of the command, for --help and after a wrong call.
std::string_view usageText();

} // namespace bildertafel::batch
