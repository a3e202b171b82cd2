#pragma once

#include <string_view>

namespace bildertafel::host {

// What several commands say and ask alike.

inline constexpr std::string_view FileSystemProblemTitle = "Problem im Dateisystem...";
// The prompt of both name dialogs: saving a configuration and naming the start page.
inline constexpr std::string_view FileNamePrompt = "Dateiname (ohne Erweiterung):";
inline constexpr std::string_view InvalidFileName = "Dateiname ist ungültig...";

// The answer of a name dialog becomes a file name in a folder: a folder separator would write
// elsewhere, a NUL would cut the name short.
constexpr bool isUsableFileName(std::string_view name) {
    return !name.empty() && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

} // namespace bildertafel::host
