#pragma once

#include "settings/ShowSettings.h"

#include <array>
#include <string_view>

namespace bildertafel::settings {

// The sections of a configuration file that hold one value line each; 0 to 5 are the templates,
// whose notes are their captions.
struct ValueSection {
    int number;
    std::string_view note; // written after "[n] " in the header; never read back
    int lowest;            // the values the setting can take, after rounding
    int highest;
};

inline constexpr int TableWidthSection = 6; // TableWidthIndex; 7 to 9 hold the options
inline constexpr std::array<ValueSection, 4> ValueSections{{
    {6, "Tabellenbreite", -1, static_cast<int>(TableWidthEntries.size()) - 1},
    {7, "eigene HTML-Datei", 0, 2},
    {8, "neues Browserfenster", 0, 2},
    {9, "HTML-Datei mit allen Bildern", 0, 2},
}};

// The option a section 7 to 9 holds.
constexpr ShowOption optionOfSection(int number) {
    return static_cast<ShowOption>(number - (TableWidthSection + 1));
}

// Section 6 to 9.
constexpr const ValueSection& valueSection(int number) {
    return ValueSections[static_cast<std::size_t>(number - TableWidthSection)];
}

} // namespace bildertafel::settings
