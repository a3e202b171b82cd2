#include "ConfigReaderProperties.h"

#include "settings/ConfigFile.h"

#include <algorithm>

namespace bildertafel::fuzz {

namespace {

std::size_t lineCount(std::string_view bytes) {
    // At most one line per CR, plus the last line without an end.
    return static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\r')) + 1;
}

std::string checkValues(const settings::ShowSettings& settings) {
    const int index = settings.TableWidthIndex();
    if (index < -1 || index > 7) {
        return "index out of range: " + std::to_string(index);
    }
    const std::string_view text =
        index < 0 ? std::string_view()
                  : settings::TableWidthEntries[static_cast<std::size_t>(index)];
    if (settings.TableWidthText() != text) {
        return "table width text does not follow the index";
    }
    for (const int value :
         {settings.OwnPagePerPicture(), settings.NewBrowserWindow(), settings.AllPicturesPage()}) {
        if (value < 0 || value > 2) {
            return "option out of range: " + std::to_string(value);
        }
    }
    return {};
}

} // namespace

std::string checkConfigReader(std::string_view bytes) {
    const settings::ShowSettings defaults = settings::DefaultShowSettings();
    settings::ShowSettings read = defaults;
    const settings::ConfigFileResult result = settings::applyConfigBytes(bytes, read, "fuzz.cfg");

    if (!result.ok()) {
        if (result.failure != settings::ConfigFileResult::Failure::BadValue) {
            return "reading bytes failed in a way only files can";
        }
        if (!(read == defaults)) {
            return "a refused file changed the settings";
        }
        if (result.lineNumber < 1 || result.lineNumber > lineCount(bytes)) {
            return "refusal names line " + std::to_string(result.lineNumber);
        }
        // The value line is shown shortened, so the message stays small whatever the line.
        if (result.message.empty() || result.message.size() > 1000) {
            return "refusal message of " + std::to_string(result.message.size()) + " bytes";
        }
        return {};
    }

    if (std::string problem = checkValues(read); !problem.empty()) {
        return problem;
    }
    // What was read has no leading empty lines and no "[" lines, so it must survive a round trip.
    if (!settings::templatesChangedByReload(read).empty()) {
        return "a template read from a file would not come back";
    }
    const std::string written = settings::configFileBytes(read);
    settings::ShowSettings again = defaults;
    if (!settings::applyConfigBytes(written, again, "again.cfg").ok()) {
        return "a written file is refused";
    }
    if (!(again == read)) {
        return "a written file reads back differently";
    }
    if (settings::configFileBytes(again) != written) {
        return "writing the reloaded settings gives other bytes";
    }
    return {};
}

} // namespace bildertafel::fuzz
