#pragma once

#include "generator/GeneratorFailure.h"

#include <string>
#include <string_view>

// The texts of the generation run that a user reads, in one place.
namespace bildertafel::generator::texts {

// The dialog for the start page's name.
inline constexpr std::string_view NameTitle = "HTML-Startdatei speichern...";
inline constexpr std::string_view NamePreset = "bilder01";
inline constexpr std::string_view CancelledTitle = "Abbruch...";

// What a run or its preview refused or stopped at; the system's reason in German.
std::string failureText(const GeneratorFailure& failure);

} // namespace bildertafel::generator::texts
