#include "settings/ConfigFile.h"

#include "settings/LeadingNumber.h"
#include "textfile/LineReader.h"
#include "textfile/Windows1252.h"

namespace bildertafel::settings {

namespace {

// The section numbers that hold one value each; 0 to 5 are the templates.
constexpr int TableWidthSection = 6;
constexpr int FirstOptionSection = 7;

// A value line shown in a message is cut short: a refused line may be megabytes long.
constexpr std::size_t ShownValueBytes = 60;

std::string valueForMessage(std::string_view line) {
    std::string shown = textfile::fromWindows1252(line.substr(0, ShownValueBytes));
    if (line.size() > ShownValueBytes) {
        shown += "…";
    }
    return shown;
}

bool isAscii(char c) {
    return static_cast<unsigned char>(c) < 0x80;
}

// Appends a line decoded from Windows-1252. Runs of ASCII, the same in both, are copied as they
// are, so that long lines load quickly; room is made at once, so that a line of many megabytes is
// not copied again and again while it grows (a byte from 0x80 on takes at most three bytes).
void appendDecoded(std::string& text, std::string_view line) {
    std::size_t high = 0;
    for (const char c : line) {
        high += isAscii(c) ? 0 : 1;
    }
    text.reserve(text.size() + line.size() + 2 * high);
    while (!line.empty()) {
        std::size_t run = 0;
        while (run < line.size() && isAscii(line[run])) {
            ++run;
        }
        text.append(line.substr(0, run));
        line.remove_prefix(run);
        run = 0;
        while (run < line.size() && !isAscii(line[run])) {
            ++run;
        }
        textfile::appendFromWindows1252(text, line.substr(0, run));
        line.remove_prefix(run);
    }
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
    // The ranges are checked as "not inside", so that a NaN is refused as well.
    if (section == TableWidthSection) {
        if (!(value >= -1 && value <= 7)) {
            return false;
        }
        return settings.setTableWidthIndex(static_cast<int>(value));
    }
    if (!(value >= 0 && value <= 2)) {
        return false;
    }
    settings.setOption(static_cast<ShowOption>(section - FirstOptionSection),
                       static_cast<std::int16_t>(value));
    return true;
}

} // namespace

ConfigFileResult applyConfigBytes(std::string_view bytes, ShowSettings& settings,
                                  std::string_view pathForMessages) {
    // Read onto a copy: a refused file leaves the settings as they were.
    ShowSettings read = settings;
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
                read.templateRef(static_cast<TemplateId>(section)).clear();
            }
            continue;
        }
        if (section < TemplateCount) {
            std::string& text = read.templateRef(static_cast<TemplateId>(section));
            if (!text.empty()) {
                text += "\r\n";
            }
            appendDecoded(text, line);
            continue;
        }
        decoded.clear();
        appendDecoded(decoded, line);
        if (!applyValue(read, section, RoundHalfEven(LeadingNumber(decoded)))) {
            ConfigFileResult refused;
            refused.failure = ConfigFileResult::Failure::BadValue;
            refused.lineNumber = lineNumber;
            refused.message = configmessages::valueRefused(pathForMessages, lineNumber, section,
                                                           valueForMessage(line));
            return refused;
        }
    }
    settings = std::move(read);
    return {};
}

ConfigFileResult loadConfigFile(const std::filesystem::path& path, ShowSettings& settings) {
    std::string bytes;
    std::string reason;
    if (!textfile::readFileBytes(path, bytes, reason)) {
        ConfigFileResult result;
        result.failure = ConfigFileResult::Failure::CannotRead;
        result.message = configmessages::cannotRead(path.string(), reason);
        return result;
    }
    return applyConfigBytes(bytes, settings, path.string());
}

} // namespace bildertafel::settings
