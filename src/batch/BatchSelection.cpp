#include "batch/BatchSelection.h"

#include "batch/BatchRun.h"
#include "filelist/FileList.h"
#include "imaging/Preparation.h"
#include "selection/SelectionAnswer.h"
#include "selection/SelectionCopy.h"
#include "selection/SelectionTexts.h"
#include "textfile/SystemReason.h"
#include "textfile/Windows1252.h"

#include <cerrno>
#include <fstream>
#include <iterator>
#include <system_error>

namespace bildertafel::batch {

namespace {

// More than any mail holds; a larger file is not an answer.
constexpr std::size_t LargestAnswer = 16U << 20U;

bool readAnswer(const std::string& file, std::istream& in, std::string& text, std::ostream& err) {
    std::ifstream opened;
    if (file != "-") {
        opened.open(file, std::ios::binary);
        if (!opened) {
            err << "Die Datei " << file
                << " kann nicht gelesen werden: " << textfile::systemReason(errno) << '\n';
            return false;
        }
    }
    std::istream& source = file == "-" ? in : opened;
    std::array<char, 1 << 16> buffer{};
    while (source.read(buffer.data(), buffer.size()) || source.gcount() > 0) {
        text.append(buffer.data(), static_cast<std::size_t>(source.gcount()));
        if (text.size() > LargestAnswer) {
            err << "Die Datei " << file << " ist zu groß für eine Antwort (mehr als 16 MB).\n";
            return false;
        }
    }
    if (source.bad()) {
        err << "Die Datei " << file << " kann nicht gelesen werden.\n";
        return false;
    }
    // A text saved by an old editor in Windows-1252 still names its umlauts right.
    if (!textfile::isUtf8(text)) {
        text = textfile::fromWindows1252(text);
    }
    return true;
}

bool listed(const std::string& folder, const std::function<bool(std::string_view)>& wanted,
            std::vector<std::string>& names, std::ostream& err) {
    std::error_code error;
    names = filelist::listFolderFiles(folder, wanted, error);
    if (error) {
        err << "Der Ordner " << folder
            << " kann nicht gelesen werden: " << textfile::systemReason(error.value()) << '\n';
        return false;
    }
    return true;
}

bool isJpeg(std::string_view name) {
    return filelist::matchesPattern(name, "*.jpg");
}

std::string pictureName(std::string_view file) {
    return std::string(selection::pictureBaseOf(file));
}

std::string originalPictureName(std::string_view original) {
    return pictureName(imaging::targetNameFor(original));
}

int copyChosen(const BatchOptions& options, const std::vector<std::string>& chosen,
               std::ostream& err) {
    const bool originals = !options.originals.empty();
    const std::string& folder = originals ? options.originals : options.pictures;
    if (!originals) {
        err << selection::texts::noOriginalsText(folder) << '\n';
    }
    std::vector<std::string> files;
    if (!listed(folder, originals ? imaging::isOriginalName : isJpeg, files, err)) {
        return ExitFileSystem;
    }
    std::vector<std::string> missing;
    const std::vector<std::string> sources = selection::filesOfChosen(
        chosen, files, originals ? originalPictureName : pictureName, missing);
    err << selection::texts::missingText(missing, folder);
    if (const selection::CopyOutcome copied =
            selection::copyFiles(folder, sources, *options.copySelection);
        !copied) {
        err << selection::texts::copyFailureText(copied.failure()) << '\n';
        return ExitFileSystem;
    }
    err << selection::texts::copiedText(sources.size(), originals, *options.copySelection) << '\n';
    return ExitWritten;
}

} // namespace

int runSelection(const BatchOptions& options, std::istream& in, std::ostream& out,
                 std::ostream& err) {
    std::string text;
    if (!readAnswer(*options.selection, in, text, err)) {
        return ExitFileSystem;
    }
    std::vector<std::string> files;
    if (!listed(options.minis.empty() ? options.pictures : options.minis, isJpeg, files, err)) {
        return ExitFileSystem;
    }
    std::vector<std::string> showNames;
    showNames.reserve(files.size());
    for (const std::string& file : files) {
        showNames.push_back(pictureName(file));
    }
    const selection::SelectionAnswer answer = selection::readSelectionAnswer(text, showNames);
    err << selection::texts::unknownText(answer);
    if (answer.chosen.empty()) {
        err << selection::texts::nothingChosenText() << '\n';
        return ExitRefused;
    }
    std::vector<std::string> chosen;
    chosen.reserve(answer.chosen.size());
    for (const std::size_t at : answer.chosen) {
        chosen.push_back(showNames[at]);
        out << showNames[at] << '\n';
    }
    out.flush();
    return options.copySelection ? copyChosen(options, chosen, err) : ExitWritten;
}

} // namespace bildertafel::batch
