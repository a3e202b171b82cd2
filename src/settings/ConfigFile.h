#pragma once

#include "settings/ConfigMessages.h"
#include "settings/ShowSettings.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace bildertafel::settings {

// The outcome of writing or reading one configuration file.
struct ConfigFileResult {
    enum class Failure {
        None,
        CannotWrite, // the file could not be created or written; an old file stays as it was
        CannotRead,  // the file could not be opened or read
        BadValue,    // a value line holds a number its setting cannot take
    };

    Failure failure = Failure::None;
    std::size_t lineNumber = 0; // the refused value line, counted from 1 (BadValue only)
    std::string message;        // German, for a message box; empty on success

    bool ok() const { return failure == Failure::None; }
};

// The bytes of a configuration file holding the settings (Windows-1252, every line ending in CR
// LF).
std::string configFileBytes(const ShowSettings& settings);

// Writes the settings to path, replacing an existing file safely: on failure the old file is
// untouched and no temporary file is left.
ConfigFileResult saveConfigFile(const std::filesystem::path& path, const ShowSettings& settings);

// Reads the file at path onto the settings, all or nothing: the settings change only when the
// whole file could be read and every value taken.
ConfigFileResult loadConfigFile(const std::filesystem::path& path, ShowSettings& settings);

// The same for the bytes of a file; pathForMessages names the file in a refusal.
ConfigFileResult applyConfigBytes(std::string_view bytes, ShowSettings& settings,
                                  std::string_view pathForMessages);

// The templates that a saved file will not give back as they are: those beginning with an empty
// line, and those holding a line that begins with "[" (read as a section header).
std::vector<configmessages::TemplateLoss> templatesChangedByReload(const ShowSettings& settings);

} // namespace bildertafel::settings
