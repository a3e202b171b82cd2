#pragma once

#include <functional>
#include <string>

namespace bildertafel::ui {

// Looks up an environment variable; an unset one gives the empty text.
using EnvironmentLookup = std::function<std::string(const char* name)>;

// Why the window cannot be opened, judged from the environment before the toolkit starts (it
// would abort without a word of its own): empty when a display is there or the platform plugin
// needs none. Covers an unset DISPLAY and WAYLAND_DISPLAY and a QT_QPA_PLATFORM naming only
// display platforms whose variable is unset; a display that is named but unreachable is not
// detected here.
std::string missingDisplayMessage(const EnvironmentLookup& environment);

// The same, read from the process environment.
std::string missingDisplayMessage();

} // namespace bildertafel::ui
