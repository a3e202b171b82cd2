#include "settings/ConfigFile.h"

#include "settings/ConfigSections.h"
#include "textfile/LineReader.h"
#include "textfile/OneLine.h"
#include "textfile/TextFileWriter.h"
#include "textfile/Windows1252.h"

#include <cstdlib>

namespace bildertafel::settings {

namespace {

// The integer form of a value line: a sign position (blank or minus), the digits, one blank.
void appendNumber(std::string& out, int value) {
    out += value < 0 ? '-' : ' ';
    out += std::to_string(std::abs(value));
    out += ' ';
}

void appendLine(std::string& out, std::string_view utf8) {
    textfile::appendWindows1252(out, utf8);
    out += "\r\n";
}

// A header line: "[", the section number, "] " and the note for the human reader.
void appendHeader(std::string& out, int number, std::string_view note) {
    out += '[';
    out += std::to_string(number);
    out += "] ";
    appendLine(out, note);
}

} // namespace

std::string configFileBytes(const ShowSettings& settings) {
    std::string out;
    for (int t = 0; t < TemplateCount; ++t) {
        const auto id = static_cast<TemplateId>(t);
        appendHeader(out, t, TemplateCaption(id));
        appendLine(out, settings.Template(id));
    }
    for (const ValueSection& section : ValueSections) {
        appendHeader(out, section.number, section.note);
        if (section.number == TableWidthSection) {
            appendNumber(out, settings.TableWidthIndex());
            out += "  (";
            // The text in parentheses is only a note; a CR in it would end the value line early and
            // the rest would be read as a second value of the section.
            textfile::appendWindows1252(out, textfile::onOneLine(settings.TableWidthText()));
            out += ')';
        } else {
            appendNumber(out, settings.option(optionOfSection(section.number)));
        }
        out += "\r\n";
    }
    return out;
}

ConfigFileResult saveConfigFile(const std::filesystem::path& path, const ShowSettings& settings) {
    ConfigFileResult result;
    // The file is the only copy of the user's templates: the save is done only once it is on the
    // disk.
    if (const textfile::FileOutcome written =
            textfile::replaceFile(path, configFileBytes(settings), {.durable = true});
        !written) {
        result.failure = ConfigFileResult::Failure::CannotWrite;
        result.message = configmessages::cannotWrite(path.string(), written.failure().error);
    }
    return result;
}

std::vector<configmessages::TemplateLoss> templatesChangedByReload(const ShowSettings& settings) {
    std::vector<configmessages::TemplateLoss> losses;
    for (int t = 0; t < TemplateCount; ++t) {
        const auto id = static_cast<TemplateId>(t);
        const std::string& text = settings.Template(id);
        configmessages::TemplateLoss loss{id};
        // A CR at the very start, alone or before LF, makes an empty first line.
        loss.leadingEmptyLines = !text.empty() && text.front() == '\r';
        // The lines as the reader will see them, split at CR LF and at a lone CR.
        textfile::LineReader lines(text);
        std::string_view line;
        while (!loss.headerLikeLines && lines.next(line)) {
            loss.headerLikeLines = !line.empty() && line.front() == '[';
        }
        if (loss.leadingEmptyLines || loss.headerLikeLines) {
            losses.push_back(loss);
        }
    }
    return losses;
}

} // namespace bildertafel::settings
