#pragma once

#include <string>

namespace bildertafel::textfile {

// Why the system refused, in German, for the messages of the window and the batch command: the
// reasons a user meets have texts of their own; any other is the system's text with its number.
std::string systemReason(int error);

} // namespace bildertafel::textfile
