#include "settings/ConfigFile.h"

#include "settings/ConfigSections.h"
#include "settings/LeadingNumber.h"
#include "textfile/LineReader.h"
#include "textfile/Windows1252.h"

#include <array>

namespace bildertafel::settings {

namespace {

// A value line shown in a message is cut short: a refused line may be megabytes long.
constexpr std::size_t ShownValueBytes = 60;

std::string valueForMessage(std::string_view line) {
    std::string shown = textfile::fromWindows1252(line.substr(0, ShownValueBytes));
    if (line.size() > ShownValueBytes) {
        shown += "…";
    }
    return shown;
}

// The section a header line opens: the digit after the "[", or 0 for anything else.
int sectionOf(std::string_view header) {
    if (header.size() > 1 && header[1] >= '0' && header[1] <= '9') {
        return header[1] - '0';
    }
    return 0;
}

// Applies one value line of section 6 to 9; false when the rounded number cannot be taken.
bool applyValue(ShowSettings& settings, int section, double value) {
    const ValueSection& allowed = valueSection(section);
    // Checked as "not inside", so that a NaN is refused as well.
    if (!(value >= allowed.lowest && value <= allowed.highest)) {
        return false;
    }
    if (section == TableWidthSection) {
        return settings.setTableWidthIndex(static_cast<int>(value));
    }
    settings.setOption(optionOfSection(section), static_cast<std::int16_t>(value));
    return true;
}

} // namespace

ConfigFileResult applyConfigBytes(std::string_view bytes, ShowSettings& settings,
                                  std::string_view pathForMessages) {
    // Read onto a copy: a refused file leaves the settings as they were.
    ShowSettings read = settings;
    std::array<std::string, TemplateCount> templates;
    for (int t = 0; t < TemplateCount; ++t) {
        templates[t] = read.Template(static_cast<TemplateId>(t));
    }
    // Lines before the first header are appended to template 0, which is not emptied for them.
    int section = 0;
    std::string decoded;

    textfile::LineReader lines(bytes);
    std::string_view line;
    std::size_t lineNumber = 0;
    while (lines.next(line)) {
        ++lineNumber;
        if (!line.empty() && line.front() == '[') {
            section = sectionOf(line);
            if (section < TemplateCount) {
                templates[section].clear();
            }
            continue;
        }
        if (section < TemplateCount) {
            std::string& text = templates[section];
            if (!text.empty()) {
                text += "\r\n";
            }
            textfile::appendFromWindows1252(text, line);
            continue;
        }
        decoded.clear();
        textfile::appendFromWindows1252(decoded, line);
        if (!applyValue(read, section, roundHalfEven(LeadingNumber(decoded)))) {
            ConfigFileResult refused;
            refused.failure = ConfigFileResult::Failure::BadValue;
            refused.lineNumber = lineNumber;
            refused.message = configmessages::valueRefused(pathForMessages, lineNumber, section,
                                                           valueForMessage(line));
            return refused;
        }
    }
    for (int t = 0; t < TemplateCount; ++t) {
        read.setTemplate(static_cast<TemplateId>(t), std::move(templates[t]));
    }
    settings = std::move(read);
    return {};
}

ConfigFileResult loadConfigFile(const std::filesystem::path& path, ShowSettings& settings) {
    std::string bytes;
    if (const textfile::FileOutcome read = textfile::readFileBytes(path, bytes); !read) {
        ConfigFileResult result;
        result.failure = ConfigFileResult::Failure::CannotRead;
        result.message = configmessages::cannotRead(path.string(), read.failure().error);
        return result;
    }
    return applyConfigBytes(bytes, settings, path.string());
}

} // namespace bildertafel::settings
