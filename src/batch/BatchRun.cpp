#include "batch/BatchRun.h"

#include "batch/BatchHost.h"
#include "batch/BatchPublish.h"
#include "batch/BatchSelection.h"
#include "batch/BatchUsage.h"
#include "core/TimeLeft.h"
#include "filelist/FileList.h"
#include "filelist/FolderPath.h"
#include "generator/FolderChecks.h"
#include "generator/GeneratorTexts.h"
#include "generator/ShowGenerator.h"
#include "host/CommonTexts.h"
#include "imaging/PictureWords.h"
#include "imaging/Preparation.h"
#include "imaging/PreparationTexts.h"
#include "settings/ConfigCommands.h"
#include "settings/ShowSettings.h"
#include "settings/TemplateSets.h"
#include "textfile/SystemReason.h"
#include "words/WordsFile.h"
#include "words/WordsTexts.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <system_error>

namespace bildertafel::batch {

namespace {

using settings::ConfigOutcome;
using settings::DefaultShowSettings;
using settings::loadConfigAndTell;
using settings::saveConfigAndTell;
using settings::ShowOption;
using settings::ShowSettings;

constexpr std::string_view ThumbPattern = "*.jpg";

// A folder as the run takes it: cleaned up as the window cleans up a folder (symbolic links stay
// as they are named), ending in "/". Fails only when the current folder cannot be found out.
std::string runFolder(std::string_view argument, std::error_code& error) {
    error.clear();
    const std::string base = argument.starts_with('/')
                                 ? std::string("/")
                                 : std::filesystem::current_path(error).string();
    return filelist::withTrailingSeparator(filelist::normalizedFolderPath(argument, base));
}

void reportUnreadable(std::ostream& err, const std::string& folder, const std::error_code& error) {
    err << "Der Ordner " << folder
        << " kann nicht gelesen werden: " << textfile::systemReason(error.value()) << '\n';
}

bool isReadableFolder(const std::string& folder, std::ostream& err) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        reportUnreadable(err, folder,
                         error ? error : std::make_error_code(std::errc::not_a_directory));
        return false;
    }
    return true;
}

// An integer from 2 to 9 selects that entry of the choice; anything else counts as typed.
void applyPerRow(ShowSettings& settings, std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (!text.empty() && error == std::errc() && end == text.data() + text.size() &&
        text.front() != '-' && value >= 2 && value <= 9) {
        settings.setTableWidthIndex(value - 2);
    } else {
        settings.setTypedTableWidthText(std::string(text));
    }
}

// The folder of the template sets, which the environment may name.
std::string presetFolder() {
    const char* named = std::getenv(settings::TemplateSetFolderVariable.data());
    return settings::templateSetFolder(named != nullptr ? named : "");
}

// The installed set of that name; none after telling why.
std::optional<settings::TemplateSet> findPreset(const std::string& name, std::ostream& err) {
    const std::string folder = presetFolder();
    std::vector<settings::TemplateSet> sets = settings::listTemplateSets(folder);
    const auto set =
        std::find_if(sets.begin(), sets.end(),
                     [&name](const settings::TemplateSet& s) { return s.name == name; });
    if (set == sets.end()) {
        err << settings::unknownTemplateSetMessage(name, sets, folder) << '\n';
        return std::nullopt;
    }
    return std::move(*set);
}

// The settings the options ask for, from the configuration file config when there is one; false
// when it could not be taken.
bool settingsFor(const BatchOptions& options, const std::optional<std::string>& config,
                 ShowSettings& settings, BatchHost& host) {
    settings = DefaultShowSettings();
    if (config && loadConfigAndTell(*config, settings, host) != ConfigOutcome::Done) {
        return false;
    }
    if (options.ownPages) {
        settings.setOption(ShowOption::OwnPagePerPicture, *options.ownPages);
    }
    if (options.newWindow) {
        settings.setOption(ShowOption::NewBrowserWindow, *options.newWindow);
    }
    if (options.allPage) {
        settings.setOption(ShowOption::AllPicturesPage, *options.allPage);
    }
    if (options.perRow) {
        applyPerRow(settings, *options.perRow);
    }
    return true;
}

// Sets each folder from its argument, as runFolder() makes it; false after reporting the one
// that cannot be found out.
bool takeFolders(std::initializer_list<std::pair<const std::string*, std::string*>> folders,
                 std::ostream& err) {
    std::error_code error;
    for (const auto& [argument, folder] : folders) {
        *folder = runFolder(*argument, error);
        if (error) {
            reportUnreadable(err, *argument, error);
            return false;
        }
    }
    return true;
}

// Adds the words to the file of the show folder for pictures that have no entry yet; false after
// reporting why the file could not be read or written.
bool fillWords(const std::string& showArgument, const std::vector<words::WordsEntry>& found,
               std::ostream& err) {
    if (found.empty()) {
        return true;
    }
    std::string show;
    if (!takeFolders({{&showArgument, &show}}, err)) {
        return false;
    }
    const std::string path = words::wordsFilePath(show);
    std::size_t added = 0;
    if (const words::WordsOutcome filled = words::fillWordsFile(path, found, added); !filled) {
        err << words::texts::wordsNotWritten(path, filled.failure()) << '\n';
        return false;
    }
    return true;
}

// "--words-from-pictures": the words the web-size pictures carry go into the show's file.
bool takeWordsFromPictures(const BatchOptions& options, std::ostream& err) {
    std::string pictures;
    if (!takeFolders({{&options.pictures, &pictures}}, err) || !isReadableFolder(pictures, err)) {
        return false;
    }
    std::error_code error;
    const std::vector<std::string> names = filelist::listFolder(pictures, ThumbPattern, error);
    if (error) {
        reportUnreadable(err, pictures, error);
        return false;
    }
    std::vector<words::WordsEntry> found;
    if (!imaging::wordsInPictures(pictures, names, found)) {
        err << imaging::texts::libraryNotStarted() << '\n';
        return false;
    }
    return fillWords(options.show, found, err);
}

// Makes the previews and the web-size pictures from the originals, with one progress line that
// is written over and over while standard error is a terminal.
int preparePictures(const BatchOptions& options, int miniSize, std::ostream& err,
                    bool errIsTerminal) {
    imaging::PreparationRequest request;
    if (!preparationRequestFor(options, request, err)) {
        return ExitFileSystem;
    }
    // The preview size may come from a template set.
    request.miniSize = miniSize;

    imaging::PreparationCallbacks callbacks;
    bool progressShown = false;
    if (errIsTerminal) {
        callbacks.progress = [&err, &progressShown](const imaging::PreparationProgress& at) {
            err << "\rBilder vorbereiten: " << at.done << " von " << at.total;
            if (at.secondsLeft >= 0) {
                err << ", noch etwa " << core::timeLeftText(at.secondsLeft);
            }
            err << "\x1b[K" << std::flush;
            progressShown = true;
        };
    }
    const imaging::PreparationResult result = imaging::prepareImages(request, callbacks);
    if (progressShown) {
        err << '\n';
    }
    if (result.outcome == imaging::PreparationOutcome::Refused) {
        err << result.refusal << '\n';
        return ExitRefused;
    }
    // What the originals say goes into the show's file, for pictures that have no entry yet.
    if (!options.show.empty() && !fillWords(options.show, result.words, err)) {
        return ExitFileSystem;
    }
    if (!result.complete()) {
        err << imaging::preparationSummary(result) << '\n';
        return ExitFileSystem;
    }
    // The pictures are made; what they do not carry is said as for links that lead nowhere.
    for (const imaging::LeftOutField& field : result.leftOut) {
        err << "Warnung: " << field.name << ": " << field.reason << '\n';
    }
    return ExitWritten;
}

// "--list-presets": each set with its title, description and preview size.
int listPresets(std::ostream& out, std::ostream& err) {
    const std::string folder = presetFolder();
    const std::vector<settings::TemplateSet> sets = settings::listTemplateSets(folder);
    if (sets.empty()) {
        err << settings::noTemplateSetsMessage(folder) << '\n';
        return ExitFileSystem;
    }
    for (const settings::TemplateSet& set : sets) {
        out << set.name << ": " << set.title << '\n';
        for (const std::string& line : {set.description, previewSizeText(set)}) {
            if (!line.empty()) {
                out << "    " << line << '\n';
            }
        }
    }
    return ExitWritten;
}

} // namespace

bool preparationRequestFor(const BatchOptions& options, imaging::PreparationRequest& request,
                           std::ostream& err) {
    if (!takeFolders({{&options.prepare, &request.originalsFolder},
                      {&options.minis, &request.ThumbFolder},
                      {&options.pictures, &request.PictureFolder}},
                     err)) {
        return false;
    }
    request.pictureSize = options.pictureSize.value_or(request.pictureSize);
    request.largeSize = options.largeSize.value_or(request.largeSize);
    request.miniSize = options.miniSize.value_or(request.miniSize);
    request.quality = options.quality.value_or(request.quality);
    request.redo = options.redo;
    request.credits = options.noCredits        ? imaging::CreditMode::None
                      : options.replaceCredits ? imaging::CreditMode::Replace
                                               : imaging::CreditMode::Keep;
    request.artist = options.artist.value_or("");
    request.copyright = options.copyright.value_or("");
    return true;
}

int runBatch(const BatchOptions& options, std::ostream& err, bool errIsTerminal) {
    BatchHost host(options.name, err);
    generator::ShowGeneratorInput input;
    std::optional<settings::TemplateSet> preset;
    if (options.preset && !(preset = findPreset(*options.preset, err))) {
        return ExitFileSystem;
    }
    if (!settingsFor(options, preset ? preset->configPath : options.config, input.settings, host)) {
        return ExitFileSystem;
    }
    input.noindex = options.noindex.value_or(0) == 1;
    if (options.saveConfig &&
        saveConfigAndTell(*options.saveConfig, input.settings, host) != ConfigOutcome::Done) {
        return ExitFileSystem;
    }
    // Pictures and pages in one run: the pages' rules for the folders are checked before any
    // picture is made, so that a show refused for its folders gets no pictures either.
    if (!options.prepare.empty() && options.generates()) {
        generator::ShowGeneratorInput places;
        if (!takeFolders({{&options.show, &places.ShowFolder},
                          {&options.minis, &places.ThumbFolder},
                          {&options.pictures, &places.PictureFolder}},
                         err)) {
            return ExitFileSystem;
        }
        if (const generator::GeneratorOutcome folders = generator::checkFolders(places); !folders) {
            host.showMessage(generator::texts::failureText(folders.failure()),
                             host::FileSystemProblemTitle);
            return ExitRefused;
        }
    }
    if (!options.prepare.empty()) {
        // The previews are made at the size the set expects, unless another one is asked for.
        const bool presetSize =
            preset && preset->previewSize > 0 && imaging::isValidSize(preset->previewSize);
        const int miniSize =
            options.miniSize.value_or(presetSize ? preset->previewSize : imaging::DefaultMiniSize);
        if (const int prepared = preparePictures(options, miniSize, err, errIsTerminal);
            prepared != ExitWritten) {
            return prepared;
        }
    }
    if (options.wordsFromPictures && !takeWordsFromPictures(options, err)) {
        return ExitFileSystem;
    }
    if (!options.generates()) {
        return options.publish.empty() ? ExitWritten : publishShow(options, err, errIsTerminal);
    }
    if (!takeFolders({{&options.show, &input.ShowFolder},
                      {&options.minis, &input.ThumbFolder},
                      {&options.pictures, &input.PictureFolder}},
                     err)) {
        return ExitFileSystem;
    }
    std::error_code error;
    if (!isReadableFolder(input.ShowFolder, err)) {
        return ExitFileSystem;
    }

    input.ThumbNames = filelist::listFolder(input.ThumbFolder, ThumbPattern, error);
    if (error) {
        reportUnreadable(err, input.ThumbFolder, error);
        return ExitFileSystem;
    }
    const auto pictures = filelist::listFolder(input.PictureFolder, ThumbPattern, error);
    if (error) {
        reportUnreadable(err, input.PictureFolder, error);
        return ExitFileSystem;
    }
    input.PictureCount = static_cast<long>(pictures.size());
    if (options.zip) {
        input.zip = static_cast<generator::ZipChoice>(*options.zip);
    }
    if (options.selectionMail) {
        input.selection =
            generator::SelectionChoice{*options.selectionMail, options.selectionNote.value_or("")};
    }

    switch (generator::ShowGenerator::run(input, host, host)) {
    case generator::RunOutcome::Written:
        if (options.strict && host.missingLinks() > 0) {
            return ExitFileSystem;
        }
        return options.publish.empty() ? ExitWritten : publishShow(options, err, errIsTerminal);
    case generator::RunOutcome::Refused:
    case generator::RunOutcome::Cancelled:
        return ExitRefused;
    case generator::RunOutcome::WriteFailed:
        return ExitFileSystem;
    }
    return ExitFileSystem;
}

int batchMain(std::span<const std::string_view> args, std::ostream& out, std::ostream& err,
              bool errIsTerminal) {
    const ParsedCommandLine parsed = parseCommandLine(args);
    switch (parsed.kind) {
    case ParsedCommandLine::Kind::Help:
        out << usageText();
        return ExitWritten;
    case ParsedCommandLine::Kind::ListPresets:
        return listPresets(out, err);
    case ParsedCommandLine::Kind::WrongUsage:
        err << parsed.error << "\n\n" << usageText();
        return ExitWrongUsage;
    case ParsedCommandLine::Kind::Run:
        break;
    }
    if (parsed.options.selection) {
        return runSelection(parsed.options, std::cin, out, err);
    }
    return runBatch(parsed.options, err, errIsTerminal);
}

} // namespace bildertafel::batch
