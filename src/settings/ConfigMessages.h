#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/ShowSettings.h"

namespace bildertafel::settings::configmessages {

// The German texts of the configuration commands, all in one place.

inline constexpr std::string_view SaveTitle = "Konfigurationsdatei speichern...";
inline constexpr std::string_view NamePreset = "Kachelwerk01";
inline constexpr std::string_view LoadTitle = "Konfigurationsdatei laden...";

// The file could not be written; the old file of that name, if any, is unchanged. error is the
// system's.
std::string cannotWrite(std::string_view path, int error);
// The file could not be opened or read; the settings are unchanged.
std::string cannotRead(std::string_view path, int error);
// A value line holds a number its setting cannot take; the settings are unchanged.
// section is 6 to 9, value the (possibly shortened) value line.
std::string valueRefused(std::string_view path, std::size_t lineNumber, int section,
                         std::string_view value);

// Why a template will not come back as it is when the file is read again.
struct TemplateLoss {
    TemplateId id;
    bool leadingEmptyLines = false;
    bool headerLikeLines = false;
};
// The notice after saving, naming each affected template by its caption.
std::string templatesChangeOnLoad(std::string_view path, const std::vector<TemplateLoss>& losses);

} // namespace bildertafel::settings::configmessages
